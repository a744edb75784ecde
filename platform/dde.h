// The client side of one DDE conversation: the four operations the command
// link needs, and nothing of DDEML's types.
//
// Two implementations: platform/win32 (DDEML, one instance per process) and
// platform/standin (delivers texts to a host object in the same process).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// A command the server did not carry out, as its completion reported it: a
// negative acknowledgement, or a busy one (`busy`).
struct DdeRefusal {
    std::string command;  // the text as it was sent
    bool busy = false;
};

class TDdeClientConv {
public:
    virtual ~TDdeClientConv() = default;

    // The program started (once) when no server answers Connect. Empty means
    // "service topic" is used as the command line.
    virtual void SetServiceApplication(const std::string& path) = 0;
    virtual std::string ServiceApplication() const = 0;

    // Closes any open conversation, then connects to service/topic (empty
    // topic = wildcard). When nobody answers, starts ServiceApplication and
    // tries once more at once. False when still nobody answers.
    [[nodiscard]] virtual bool Connect(const std::string& service, const std::string& topic) = 0;

    // Ends the conversation, if one is open, after waiting (DDE messages
    // only, about 10 s) for the completion of every command sent on it: the
    // server may drop a command whose completion is still due when the
    // conversation ends. The number of commands whose completion never came
    // (0 when none was open, or when the server ended it: nothing more can
    // be learnt then). Never fails.
    virtual int Disconnect() = 0;

    [[nodiscard]] virtual bool Connected() const = 0;

    // Starts one asynchronous execute of `command`. False at once when no
    // conversation is open or one is waiting; with `wait`, the conversation
    // stays waiting until the server has completed this command.
    [[nodiscard]] virtual bool ExecuteText(const std::string& command, bool wait) = 0;

    // One synchronous request (10 s at most) of `item`; the reply text up to
    // its first zero, or nothing when there was no conversation, the
    // conversation was waiting, or no data came back.
    [[nodiscard]] virtual std::optional<std::string> RequestText(const std::string& item) = 0;

    // The first command of the open conversation whose completion said it
    // was refused or the server was busy, since the last call; the others
    // reported so far are forgotten with it. A completion comes before the
    // reply to any later request, so after a request this covers every
    // command sent before it.
    [[nodiscard]] virtual std::optional<DdeRefusal> TakeRefusal() = 0;

    // True once a request of the open conversation went unanswered in its
    // time: its reply may still come and be taken for another, so the
    // conversation answers no further request (RequestText gives nothing at
    // once) until it is closed.
    [[nodiscard]] virtual bool RequestTimedOut() const = 0;

    // The process of the server's window (0: unknown, or none open); a
    // clipboard filled by the server's Copy is owned by one of its windows.
    [[nodiscard]] virtual uint32_t PartnerProcess() const = 0;
};

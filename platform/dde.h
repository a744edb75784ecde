// The client side of one DDE conversation: the four operations the command
// link needs, and nothing of DDEML's types.
//
// Two implementations: platform/win32 (DDEML, one instance per process) and
// platform/standin (delivers texts to a host object in the same process).
#pragma once

#include <optional>
#include <string>

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

    // Ends the conversation, if one is open. Never fails.
    virtual void Disconnect() = 0;

    [[nodiscard]] virtual bool Connected() const = 0;

    // Starts one asynchronous execute of `command`. False at once when no
    // conversation is open or one is waiting; with `wait`, the conversation
    // stays waiting until the server has completed this command.
    [[nodiscard]] virtual bool ExecuteText(const std::string& command, bool wait) = 0;

    // One synchronous request (10 s at most) of `item`; the reply text up to
    // its first zero, or nothing when there was no conversation, the
    // conversation was waiting, or no data came back.
    [[nodiscard]] virtual std::optional<std::string> RequestText(const std::string& item) = 0;
};

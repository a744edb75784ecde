// An in-process DDE conversation: the client side the command link drives,
// delivering every command and query to a server object in the same process,
// in order, at once. Completions of commands are held back until Complete(),
// so that the waiting mark can be observed.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/dde.h"

namespace platform::standin {

// What answers an in-process conversation: the host stand-in, or a test.
class DdeServer {
public:
    virtual ~DdeServer() = default;
    // True when the server takes the conversation (service, topic).
    virtual bool Accept(const std::string& service, const std::string& topic) { return service == "PageMaker"; }
    // What the server's acknowledgement of a command says.
    enum class Verdict { Done, Refused, Busy };
    virtual Verdict Execute(const std::string& command) = 0;
    // Nothing: the request is refused (or times out).
    virtual std::optional<std::string> Request(const std::string& item) = 0;
    // Seconds before the server carries out `command` and acknowledges it
    // (0: at once). A transport across processes holds the command, and
    // every later message of its client, that long; a terminate meanwhile
    // drops them unanswered, as Windows' DdeDisconnect abandons the
    // transactions still incomplete. Asked just before Execute would be.
    virtual double AckDelay(const std::string& command) { return 0; }
    // A command held that way and dropped by a terminate.
    virtual void Dropped(const std::string& command) {}
    // Asked after a Request that gave nothing: true when no answer at all
    // goes back (the client's wait runs out), while the server stays
    // responsive.
    virtual bool LeaveUnanswered() { return false; }

    // Asked after every exchange: what the server does to the conversation
    // next (the transport carries it out). Lets a host script faults.
    enum class After { Continue, DropConversation, Quit };
    virtual After AfterExchange() { return After::Continue; }
};

class DdeConversation : public TDdeClientConv {
public:
    void SetServiceApplication(const std::string& path) override { serviceApplication_ = path; }
    std::string ServiceApplication() const override { return serviceApplication_; }
    bool Connect(const std::string& service, const std::string& topic) override;
    int Disconnect() override;
    bool Connected() const override { return connected_; }
    bool ExecuteText(const std::string& command, bool wait) override;
    std::optional<std::string> RequestText(const std::string& item) override;
    std::optional<DdeRefusal> TakeRefusal() override;
    bool RequestTimedOut() const override { return connected_ && timedOut_; }
    uint32_t PartnerProcess() const override { return connected_ ? partnerProcess : 0; }

    // The running server, or null when none runs (or it has quit).
    DdeServer* server = nullptr;
    // Called with the command line when nobody answers; returns what WinExec
    // would (true for ">= 32") and may set `server`.
    std::function<bool(const std::string& commandLine)> launch;
    // Called while a request waits for its reply, before the server answers:
    // on Windows the wait is a modal loop that dispatches the user's input.
    std::function<void()> whileWaiting;
    // Requests started while another was waiting: each failed, as Windows'
    // DDEML fails a synchronous transaction started while one of the same
    // program is in progress (DMLERR_REENTRANCY).
    int reentrantRequests = 0;

    // The server's process, as PartnerProcess reports it while connected.
    uint32_t partnerProcess = 0;
    // False: the completions of commands sent from now on never come (a
    // server that hangs, or one whose acknowledgements a disconnect
    // overtakes); Disconnect reports them.
    bool completionsCome = true;
    // True: a request the server does not answer has timed out, rather than
    // been refused.
    bool requestsTimeOut = false;

    // Delivers the completion of the commands sent so far (clears the
    // waiting mark).
    void Complete() { waiting_ = false; }
    // The server ends the conversation.
    void DropByServer() { connected_ = false; }

    int connects = 0, disconnects = 0, launches = 0;
    std::string service, topic;  // the stored names while connected

private:
    void Follow(DdeServer::After after);

    std::string serviceApplication_;
    bool connected_ = false;
    bool waiting_ = false;
    bool requesting_ = false;  // a request waits for its reply
    bool timedOut_ = false;
    int uncompleted_ = 0;
    std::optional<DdeRefusal> refusal_;
};

}  // namespace platform::standin

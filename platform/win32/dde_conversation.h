// The client side of one DDE conversation on the DDE Management Library
// (DDEML), and the one DDEML instance of the process that it runs on.
//
// DdeConversation implements the four operations of TDdeClientConv:
// commands are asynchronous execute transactions, queries synchronous
// request transactions of at most 10 s, texts CF_TEXT in the ANSI code page.
// Under Wine it adds the steps that keep every exchange whole and in order
// against both kinds of server (one that speaks DDE by hand, and one built on
// Wine's own DDEML); dde_conversation.cpp lists them in one place.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/dde.h"

namespace platform::win32 {

// The process's one DDEML instance: a standard application without filter
// flags, on the calling (GUI) thread. main() constructs it before any
// conversation connects and it ends with main. Conversations find it by
// themselves; without one (or when DDEML refused it) they never connect.
class DdeInstance {
public:
    DdeInstance();
    ~DdeInstance();
    DdeInstance(const DdeInstance&) = delete;
    DdeInstance& operator=(const DdeInstance&) = delete;

    [[nodiscard]] bool Ok() const;

private:
    friend class DdeConversation;
    struct State;
    std::unique_ptr<State> state_;
};

class DdeConversation : public TDdeClientConv {
public:
    // `windowsPath`: take the path real Windows takes even under Wine, none
    // of the Wine steps (tests only: it runs that path where Wine behaves
    // like Windows).
    explicit DdeConversation(bool windowsPath = false);
    ~DdeConversation() override;  // disconnects
    DdeConversation(const DdeConversation&) = delete;
    DdeConversation& operator=(const DdeConversation&) = delete;

    void SetServiceApplication(const std::string& path) override;
    std::string ServiceApplication() const override;
    [[nodiscard]] bool Connect(const std::string& service, const std::string& topic) override;
    int Disconnect() override;
    [[nodiscard]] bool Connected() const override;
    [[nodiscard]] bool ExecuteText(const std::string& command, bool wait) override;
    [[nodiscard]] std::optional<std::string> RequestText(const std::string& item) override;
    [[nodiscard]] std::optional<DdeRefusal> TakeRefusal() override;
    [[nodiscard]] bool RequestTimedOut() const override;
    [[nodiscard]] uint32_t PartnerProcess() const override;

    // What the conversation did to keep the exchanges whole, since it was
    // made (for the link benchmarks and tests; nothing depends on it).
    struct Counters {
        uint64_t executes = 0;          // commands DDEML took
        uint64_t requests = 0;          // request transactions sent, retries included
        uint64_t completions = 0;       // command completions reported
        uint64_t trailingAcks = 0;      // acknowledgements after a reply, taken off the queue
        uint64_t staleAckRetries = 0;   // requests sent again after a stale acknowledgement
        uint64_t lateReplies = 0;       // late replies taken off the queue
        uint64_t releasedReplies = 0;   // reply blocks freed that DDEML leaves behind
        uint64_t zeroNumberSettles = 0; // commands that got transaction number 0 on their own
    };
    [[nodiscard]] const Counters& Statistics() const;

    // Whether the server of the open conversation is known to follow each
    // reply with an acknowledgement (false when none is open).
    [[nodiscard]] bool ServerAddsAckAfterData() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace platform::win32

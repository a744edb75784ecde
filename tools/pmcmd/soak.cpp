// The soak: rounds of a run's paragraph step, checked against the host's
// own count of what it received.
#include "tools/pmcmd/soak.h"

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "platform/locale.h"
#include "platform/win32/dde_conversation.h"
#include "pmdde/PMDDE1.h"

namespace pmcmd {
namespace {

constexpr long kExchangesPerRound = 9;
constexpr int kFailuresShown = 5;
constexpr int kFailuresBeforeGivingUp = 100;

void LetMessagesThrough() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

class Soaker {
public:
    virtual ~Soaker() = default;
    Soaker(TPmDDE& pm, std::FILE* out) : pm_(pm), out_(out) {}

    virtual void Round(int32_t paragraph) {
        Command([&] { pm_.TextSelect(0, 1); });
        Query([&] { Expect(pm_.GetPMState() == 7); });
        Command([&] { pm_.Copy(); });
        Query([&] { Expect(pm_.GetPMState() == 7); });
        Command([&] { pm_.TextSelect(0, paragraph % 40 + 1); });
        Command([&] { pm_.TextCursor(11, 1); });
        Check();
        Command([&] { pm_.Font("Arial"); });
        Command([&] { pm_.Size(12); });
        LetMessagesThrough();
    }

    // Reads the host's counts and compares them with what was sent since
    // the first check; a difference is counted once and then taken as given.
    void Check() {
        Query([&] {
            int32_t commands = 0, queriesBefore = 0, unused = 0;
            pm_.GetTextCursor(commands, queriesBefore, unused);
            const long sentQueries = queries_ - 1;  // this one not yet
            if (!based_) {
                baseCommands_ = commands - commands_;
                baseQueries_ = queriesBefore - sentQueries;
                based_ = true;
            } else if (commands != baseCommands_ + commands_ || queriesBefore != baseQueries_ + sentQueries) {
                if (lost_ < kFailuresShown)
                    std::fprintf(out_, "soak: host counted %d commands and %d queries, expected %ld and %ld\n", commands, queriesBefore,
                                 baseCommands_ + commands_, baseQueries_ + sentQueries);
                ++lost_;
                baseCommands_ = commands - commands_;
                baseQueries_ = queriesBefore - sentQueries;
            }
        });
    }

    bool GaveUp() const { return failures_ >= kFailuresBeforeGivingUp || !pm_.DDEConv->Connected(); }
    long commands() const { return commands_; }
    long queries() const { return queries_; }
    long failures() const { return failures_; }
    long lost() const { return lost_; }

protected:
    template <class Exchange>
    void Command(Exchange exchange) {
        if (Try(exchange)) ++commands_;
    }
    template <class Exchange>
    void Query(Exchange exchange) {
        ++queries_;  // a failed query still reached the host
        Try(exchange);
    }
    template <class Exchange>
    bool Try(Exchange exchange) {
        try {
            exchange();
            return true;
        } catch (const Exception& e) {
            if (failures_ < kFailuresShown) {
                const std::string message = platform::Utf8ToAnsi(e.Message());
                std::fprintf(out_, "soak: %s\n", message.c_str());
            }
            ++failures_;
            return false;
        }
    }
    void Expect(bool answerRight) {
        if (!answerRight) ++lost_;
    }

    TPmDDE& pm_;
    std::FILE* out_;
    long commands_ = 0, queries_ = 0, failures_ = 0, lost_ = 0;
    bool based_ = false;
    long baseCommands_ = 0, baseQueries_ = 0;
};

// Rounds whose replies the stand-in's story determines: the insertion point
// to the story's start, `a` characters on, `k` selected.
class StorySoaker : public Soaker {
public:
    using Soaker::Soaker;

    void Start() {
        Query([&] {
            int32_t unused = 0;
            pm_.GetTextCursor(story_, unused, unused);
        });
    }

    void Round(int32_t round) override {
        const int32_t a = round % 7 + 1, k = round % 40 + 1;
        Command([&] { pm_.TextCursor(11, 1); });
        Command([&] { pm_.TextCursor(0, a); });
        Command([&] { pm_.TextSelect(0, k); });
        Query([&] { Expect(pm_.GetPMState() == 8); });
        Command([&] { pm_.Copy(); });
        Query([&] { Expect(pm_.GetPMState() == 8); });
        Query([&] {
            int32_t story = 0, from = 0, to = 0;
            pm_.GetTextCursor(story, from, to);
            Expect(story == story_ && from == a && to == a + k);
        });
        Command([&] { pm_.Font("Arial"); });
        Command([&] { pm_.Size(12); });
        LetMessagesThrough();
    }

private:
    int32_t story_ = 0;
};

}  // namespace

bool SoakStory(TPmDDE& pm, const platform::win32::DdeConversation& conversation, long exchanges, std::FILE* out) {
    StorySoaker soaker(pm, out);
    const long rounds = (exchanges + kExchangesPerRound - 1) / kExchangesPerRound;
    soaker.Start();
    const auto start = std::chrono::steady_clock::now();
    for (long round = 0; round < rounds && !soaker.GaveUp(); ++round) soaker.Round(static_cast<int32_t>(round));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long sent = soaker.commands() + soaker.queries();
    std::fprintf(out, "soak: %ld exchanges (%ld commands, %ld queries) in %.2f s: %.0f exchanges/s\n", sent, soaker.commands(),
                 soaker.queries(), seconds, seconds > 0 ? sent / seconds : 0.0);
    std::fprintf(out, "soak: failures %ld, lost %ld\n", soaker.failures(), soaker.lost());
    const auto& c = conversation.Statistics();
    std::fprintf(out, "link: number-0 settles %llu, late replies %llu\n", static_cast<unsigned long long>(c.zeroNumberSettles),
                 static_cast<unsigned long long>(c.lateReplies));
    return soaker.failures() == 0 && soaker.lost() == 0;
}

bool Soak(TPmDDE& pm, const platform::win32::DdeConversation& conversation, long exchanges, std::FILE* out) {
    Soaker soaker(pm, out);
    const long rounds = (exchanges + kExchangesPerRound - 1) / kExchangesPerRound;
    soaker.Check();
    const auto start = std::chrono::steady_clock::now();
    for (long round = 0; round < rounds && !soaker.GaveUp(); ++round) soaker.Round(static_cast<int32_t>(round));
    soaker.Check();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long sent = soaker.commands() + soaker.queries();
    std::fprintf(out, "soak: %ld exchanges (%ld commands, %ld queries) in %.2f s: %.0f exchanges/s\n", sent, soaker.commands(),
                 soaker.queries(), seconds, seconds > 0 ? sent / seconds : 0.0);
    std::fprintf(out, "soak: failures %ld, lost %ld\n", soaker.failures(), soaker.lost());
    const auto& c = conversation.Statistics();
    std::fprintf(out,
                 "link: trailing acks %llu, stale-ack resends %llu, late replies %llu, released reply blocks %llu, "
                 "number-0 settles %llu\n",
                 static_cast<unsigned long long>(c.trailingAcks), static_cast<unsigned long long>(c.staleAckRetries),
                 static_cast<unsigned long long>(c.lateReplies), static_cast<unsigned long long>(c.releasedReplies),
                 static_cast<unsigned long long>(c.zeroNumberSettles));
    return soaker.failures() == 0 && soaker.lost() == 0;
}

bool Clicks(TPmDDE& pm, long clicks, std::FILE* out) {
    long failures = 0;
    const auto start = std::chrono::steady_clock::now();
    for (long n = 0; n < clicks; ++n) {
        try {
            pm.OpenLink();
            pm.GetPMState();
        } catch (const Exception&) {
            ++failures;
        }
        pm.CloseLink();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fprintf(out, "clicks: %ld in %.2f s: %.1f ms each, failures %ld\n", clicks, seconds, clicks > 0 ? seconds * 1000 / clicks : 0.0,
                 failures);
    return failures == 0;
}

}  // namespace pmcmd

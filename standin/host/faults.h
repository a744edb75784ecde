// Faults the stand-in host can be told to commit, so that tests can see how
// the program copes with a host that refuses, stalls, stays busy or goes away.
//
// Every fault is one named option, the same in the publication file's
// "faults" object and on the command line (--name value). Counts are 1-based
// and run over the host's whole life, across conversations.
//
// Selectors name which commands or queries a fault hits:
//   N        the N-th command (or query) the host receives
//   Word     every command (or query) with that word, e.g. Copy, GetStyle
//   Word#K   the K-th command (or query) with that word
// Words compare without regard to ASCII case, as DDE item names do.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace standin {

struct Selector {
    int ordinal = 0;     // N, or 0
    std::string word;    // lower case; empty with an ordinal
    int occurrence = 0;  // K, or 0 for every one

    // `count` is the exchange's number among its kind, `wordCount` its number
    // among those with its word (both 1-based); `word` in lower case.
    bool Matches(int count, std::string_view word, int wordCount) const;
};

struct Faults {
    std::vector<Selector> refuseCommand;  // refused and not carried out
    std::vector<Selector> busyCommand;    // answered busy and not carried out
    std::vector<Selector> lateAck;        // carried out and acknowledged after lateAckSeconds
    double lateAckSeconds = 0.4;
    std::vector<Selector> emptyReply;     // answered with an empty text
    std::vector<Selector> noReply;        // never answered (the host stays responsive)
    std::vector<Selector> badNumber;      // the reply's first number spoilt ("7" -> "7x")
    std::vector<Selector> delayReply;     // answered after delaySeconds
    double delaySeconds = 11;
    std::vector<int> states;              // scripted GetPMState answers, in order
    int busyCount = 0;                    // GetPMState answers 9 this many times...
    int busyFrom = 1;                     // ...from its busyFrom-th asking on
    int dropAfter = 0;                    // the host ends the conversation after this exchange
    int quitAfter = 0;                    // the host quits after this exchange
    int stallFrom = 0;                    // the stallFrom-th "TextCursor 6 1" does not move...
    int stallCount = 1;                   // ...nor the next stallCount - 1 (0: none from then on)
    int copyTriesOnce = 0;                // 1: Copy tries the clipboard once (no retry while it is held)
};

// One fault option: its name (without "--"), the form of its value, and what
// it does; the command line's help and both parsers use this table.
struct FaultOption {
    std::string_view name, value, help;
};
extern const std::vector<FaultOption> kFaultOptions;

// `text` with ASCII letters in lower case: how command and query words are
// compared.
std::string LowerAscii(std::string_view text);

// Sets the option `name` from the text `value`. List options (the selectors
// and "states", which also takes a comma-separated list) add to what is
// there; the others replace it. False with a message in `error` for an
// unknown option or a value of the wrong form; `faults` is then unchanged.
[[nodiscard]] bool SetFaultOption(Faults& faults, std::string_view name, std::string_view value, std::string& error);

}  // namespace standin

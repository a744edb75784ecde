// Fault options: the table, the selector form and the value parsers.
#include "standin/host/faults.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <functional>
#include <optional>

namespace standin {
namespace {

std::optional<int> ParseCount(std::string_view text, int min) {
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < min) return std::nullopt;
    return value;
}

std::optional<Selector> ParseSelector(std::string_view text) {
    Selector selector;
    if (auto ordinal = ParseCount(text, 1)) {
        selector.ordinal = *ordinal;
        return selector;
    }
    const size_t hash = text.find('#');
    std::string_view word = text.substr(0, hash);
    if (word.empty() || !std::isalpha(static_cast<unsigned char>(word.front()))) return std::nullopt;
    for (char c : word)
        if (!std::isalnum(static_cast<unsigned char>(c))) return std::nullopt;
    selector.word = LowerAscii(word);
    if (hash != std::string_view::npos) {
        auto occurrence = ParseCount(text.substr(hash + 1), 1);
        if (!occurrence) return std::nullopt;
        selector.occurrence = *occurrence;
    }
    return selector;
}

using Setter = std::function<bool(Faults&, std::string_view)>;

Setter SelectorList(std::vector<Selector> Faults::*list) {
    return [list](Faults& faults, std::string_view value) {
        auto selector = ParseSelector(value);
        if (selector) (faults.*list).push_back(*selector);
        return selector.has_value();
    };
}

Setter Count(int Faults::*field, int min) {
    return [field, min](Faults& faults, std::string_view value) {
        auto count = ParseCount(value, min);
        if (count) faults.*field = *count;
        return count.has_value();
    };
}

bool SetStates(Faults& faults, std::string_view value) {
    std::vector<int> states;
    for (size_t start = 0; start <= value.size();) {
        size_t comma = value.find(',', start);
        if (comma == std::string_view::npos) comma = value.size();
        auto state = ParseCount(value.substr(start, comma - start), 0);
        if (!state || *state > 255) return false;
        states.push_back(*state);
        start = comma + 1;
    }
    faults.states.insert(faults.states.end(), states.begin(), states.end());
    return true;
}

Setter Seconds(double Faults::*field) {
    return [field](Faults& faults, std::string_view value) {
        double seconds = 0;
        auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), seconds);
        if (ec != std::errc() || end != value.data() + value.size() || !(seconds >= 0 && seconds <= 600)) return false;
        faults.*field = seconds;
        return true;
    };
}

struct OptionRow {
    FaultOption option;
    Setter set;
};

const std::vector<OptionRow>& Rows() {
    static const std::vector<OptionRow> rows = {
        {{"refuse-command", "SEL", "refuse the selected commands (they are not carried out)"}, SelectorList(&Faults::refuseCommand)},
        {{"busy-command", "SEL", "answer the selected commands busy (they are not carried out)"}, SelectorList(&Faults::busyCommand)},
        {{"late-ack", "SEL", "carry out and acknowledge the selected commands only after --late-ack-seconds; a terminate before then drops them, as a client's DdeDisconnect on Windows abandons them"}, SelectorList(&Faults::lateAck)},
        {{"late-ack-seconds", "S", "the delay of --late-ack, 0 to 600 (default 0.4)"}, Seconds(&Faults::lateAckSeconds)},
        {{"no-reply", "SEL", "never answer the selected queries (the host goes on answering others)"}, SelectorList(&Faults::noReply)},
        {{"empty-reply", "SEL", "answer the selected queries with an empty text"}, SelectorList(&Faults::emptyReply)},
        {{"bad-number", "SEL", "spoil the first number of the selected queries' replies (\"7\" becomes \"7x\")"}, SelectorList(&Faults::badNumber)},
        {{"delay-reply", "SEL", "answer the selected queries only after --delay-seconds"}, SelectorList(&Faults::delayReply)},
        {{"delay-seconds", "S", "the delay of --delay-reply, 0 to 600 (default 11)"}, Seconds(&Faults::delaySeconds)},
        {{"states", "N,N,...", "answer GetPMState with these states first, in order"}, SetStates},
        {{"busy", "N", "answer GetPMState with 9 (busy) N times"}, Count(&Faults::busyCount, 0)},
        {{"busy-from", "M", "...starting at its M-th asking (default 1)"}, Count(&Faults::busyFrom, 1)},
        {{"drop-after", "N", "end the conversation after the N-th exchange"}, Count(&Faults::dropAfter, 0)},
        {{"quit-after", "N", "quit after the N-th exchange"}, Count(&Faults::quitAfter, 0)},
        {{"stall-paragraph", "K", "the K-th \"TextCursor 6 1\" does not move the insertion point"}, Count(&Faults::stallFrom, 0)},
        {{"copy-once", "0|1", "1: Copy tries to open the clipboard once, failing while another program holds it"}, Count(&Faults::copyTriesOnce, 0)},
        {{"stall-count", "C", "...nor the C - 1 after it; 0: none from then on (default 1)"}, Count(&Faults::stallCount, 0)},
    };
    return rows;
}

}  // namespace

const std::vector<FaultOption> kFaultOptions = [] {
    std::vector<FaultOption> options;
    for (const auto& row : Rows()) options.push_back(row.option);
    return options;
}();

std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool Selector::Matches(int count, std::string_view lowerWord, int wordCount) const {
    if (ordinal) return count == ordinal;
    return lowerWord == word && (occurrence == 0 || occurrence == wordCount);
}

bool SetFaultOption(Faults& faults, std::string_view name, std::string_view value, std::string& error) {
    for (const auto& row : Rows()) {
        if (row.option.name != name) continue;
        Faults changed = faults;
        if (!row.set(changed, value)) {
            error = "fault option " + std::string(name) + ": expected " + std::string(row.option.value) + ", got \"" +
                    std::string(value) + "\"";
            return false;
        }
        faults = std::move(changed);
        return true;
    }
    error = "unknown fault option \"" + std::string(name) + "\"";
    return false;
}

}  // namespace standin

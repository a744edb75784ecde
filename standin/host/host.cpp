// The stand-in host: dispatch tables, the commands' effects and the replies.
#include "standin/host/host.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <thread>

#include "standin/host/dump.h"
#include "standin/host/numbers.h"

namespace standin {
namespace {

constexpr std::string_view kTryPrefix = "try ";
constexpr float kKeep = -2;  // TypeOptions: leave this value as it is

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// The command word and the rest.
std::pair<std::string_view, std::string_view> SplitWord(std::string_view text) {
    text = Trim(text);
    size_t blank = 0;
    while (blank < text.size() && !IsBlank(text[blank])) ++blank;
    return {text.substr(0, blank), Trim(text.substr(blank))};
}

// `word` against a lower-case `lower`, without regard to ASCII case.
bool SameWord(std::string_view word, std::string_view lower) {
    return word.size() == lower.size() &&
           std::equal(word.begin(), word.end(), lower.begin(), [](char a, char b) { return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b; });
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

bool IsWhole(double value) { return std::floor(value) == value && std::fabs(value) < 2147483648.0; }

int Tenths(float value) { return static_cast<int>(std::lround(value * 10.0)); }

}  // namespace

const std::vector<PageMakerHost::CommandRow>& PageMakerHost::Commands() {
    static const std::vector<CommandRow> rows = {
        {"TextCursor", "NN", &PageMakerHost::TextCursor},
        {"TextSelect", "NN", &PageMakerHost::TextSelect},
        {"SetTextCursor", "NNN", &PageMakerHost::SetTextCursor},
        {"Copy", "", &PageMakerHost::Copy},
        {"SuppressAutosave", "N", &PageMakerHost::SuppressAutosave},
        {"Quit", "", &PageMakerHost::Quit},
        {"KernText", "N", &PageMakerHost::KernText},
        {"Font", "T", &PageMakerHost::Font},
        {"Size", "N", &PageMakerHost::Size},
        {"Track", "N", &PageMakerHost::Track},
        {"SetWidth", "N", &PageMakerHost::SetWidth},
        {"Leading", "N", &PageMakerHost::Leading},
        {"TypeStyle", "N", &PageMakerHost::TypeStyle},
        {"TypeOptions", "NNNNNN", &PageMakerHost::TypeOptions},
        {"StyleBegin", "T", &PageMakerHost::StyleBegin},
        {"StyleEnd", "", &PageMakerHost::StyleEnd},
    };
    return rows;
}

const std::vector<PageMakerHost::QueryRow>& PageMakerHost::Queries() {
    static const std::vector<QueryRow> rows = {
        {"GetPMState", &PageMakerHost::GetPMState},
        {"GetTextCursor", &PageMakerHost::GetTextCursor},
        {"GetStyle", &PageMakerHost::GetStyle},
        {"GetStyleNames", &PageMakerHost::GetStyleNames},
        {"GetFontList", &PageMakerHost::GetFontList},
        {"GetFont", &PageMakerHost::GetFont},
        {"GetSize", &PageMakerHost::GetSize},
        {"GetTrack", &PageMakerHost::GetTrack},
        {"GetLeading", &PageMakerHost::GetLeading},
        {"GetWidth", &PageMakerHost::GetWidth},
        {"GetTypeOptions", &PageMakerHost::GetTypeOptions},
        {"GetTypeStyle", &PageMakerHost::GetTypeStyle},
        {"GetKernText", &PageMakerHost::GetKernText},
        {"StandinClipboard", &PageMakerHost::StandinClipboard},
        {"StandinDump", &PageMakerHost::StandinDump},
    };
    return rows;
}

PageMakerHost::PageMakerHost(Publication publication, platform::Clipboard& clipboard)
    : faults(publication.faults), pub_(std::move(publication)), clipboard_(clipboard),
      start_(std::chrono::steady_clock::now()) {
    pause = [](double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); };
    Event("start", std::to_string(pub_.story.ParagraphCount()) + " paragraphs, " +
                       std::to_string(pub_.story.Length()) + " characters");
}

double PageMakerHost::Now() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void PageMakerHost::Event(const std::string& name, const std::string& note) {
    TranscriptEntry entry;
    entry.seconds = Now();
    entry.kind = TranscriptEntry::Kind::Event;
    entry.text = name;
    entry.note = note;
    transcript_.Add(std::move(entry));
}

bool PageMakerHost::Accept(const std::string& service, const std::string& topic) {
    const bool ok = LowerAscii(service) == "pagemaker";
    Event(ok ? "connect" : "connect refused", service + "|" + topic);
    return ok;
}

std::optional<PageMakerHost::Args> PageMakerHost::ParseArgs(std::string_view pattern, std::string_view rest) {
    Args args;
    if (pattern == "T") {
        // NOTE: the program puts a name between quotes unchanged, so a name
        // holding a quote arrives as "a"b": the text runs from the first
        // quote to the last.
        const size_t open = rest.find('"'), close = rest.rfind('"');
        if (open != 0 || close == open || close != rest.size() - 1) return std::nullopt;
        args.text = std::string(rest.substr(1, close - 1));
        return args;
    }
    while (!rest.empty()) {
        auto [token, after] = SplitWord(rest);
        double value = 0;
        auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
        if (ec != std::errc() || end != token.data() + token.size() || !std::isfinite(value)) return std::nullopt;
        args.numbers.push_back(value);
        rest = after;
    }
    if (args.numbers.size() != pattern.size()) return std::nullopt;
    return args;
}

PageMakerHost::Verdict PageMakerHost::Execute(const std::string& command) {
    ++exchanges_;
    ++commands_;
    TranscriptEntry entry;
    entry.seconds = Now();
    entry.kind = TranscriptEntry::Kind::Command;
    entry.text = command;

    std::string_view body = command;
    if (LowerAscii(body.substr(0, kTryPrefix.size())) == kTryPrefix) body.remove_prefix(kTryPrefix.size());
    auto [word, rest] = SplitWord(body);
    const std::string lower = LowerAscii(word);
    const int wordCount = ++commandWords_[lower];

    auto hits = [&](const std::vector<Selector>& selectors) {
        return std::any_of(selectors.begin(), selectors.end(), [&](const Selector& s) { return s.Matches(commands_, lower, wordCount); });
    };
    auto row = std::find_if(Commands().begin(), Commands().end(), [&](const CommandRow& r) { return SameWord(r.word, lower); });
    Outcome outcome;
    Verdict verdict = Verdict::Done;
    if (hits(faults.refuseCommand)) {
        outcome = {false, "refused (fault)"};
    } else if (hits(faults.busyCommand)) {
        outcome = {false, "busy (fault)"};
        verdict = Verdict::Busy;
    } else if (row == Commands().end()) {
        outcome = strict ? Outcome{false, "unknown command, refused (strict)"} : Outcome{true, "unknown command, ignored"};
    } else if (auto args = ParseArgs(row->pattern, rest)) {
        outcome = (this->*row->run)(*args);
    } else {
        outcome = {false, "bad arguments"};
    }
    entry.accepted = outcome.ok;
    entry.note = std::move(outcome.note);
    transcript_.Add(std::move(entry));
    return outcome.ok ? Verdict::Done : verdict == Verdict::Busy ? Verdict::Busy : Verdict::Refused;
}

double PageMakerHost::AckDelay(const std::string& command) {
    std::string_view body = command;
    if (LowerAscii(body.substr(0, kTryPrefix.size())) == kTryPrefix) body.remove_prefix(kTryPrefix.size());
    const std::string lower = LowerAscii(SplitWord(body).first);
    // The numbers Execute will give this command.
    const int count = commands_ + 1, wordCount = commandWords_[lower] + 1;
    const bool late = std::any_of(faults.lateAck.begin(), faults.lateAck.end(),
                                  [&](const Selector& s) { return s.Matches(count, lower, wordCount); });
    return late ? faults.lateAckSeconds : 0;
}

void PageMakerHost::Dropped(const std::string& command) { Event("dropped at terminate", command); }

std::optional<std::string> PageMakerHost::Request(const std::string& item) {
    ++exchanges_;
    ++queries_;
    TranscriptEntry entry;
    entry.seconds = Now();
    entry.kind = TranscriptEntry::Kind::Query;
    entry.text = item;

    auto [word, rest] = SplitWord(item);
    const std::string lower = LowerAscii(word);
    const int wordCount = ++queryWords_[lower];
    auto hits = [&](const std::vector<Selector>& selectors) {
        return std::any_of(selectors.begin(), selectors.end(), [&](const Selector& s) { return s.Matches(queries_, lower, wordCount); });
    };

    std::optional<std::string> reply;
    auto row = std::find_if(Queries().begin(), Queries().end(), [&](const QueryRow& r) { return SameWord(r.word, lower); });
    unanswered_ = hits(faults.noReply);
    if (unanswered_) {
        entry.note = "never answered (fault)";
    } else if (hits(faults.emptyReply)) {
        reply = "";
        entry.note = "empty reply (fault)";
    } else if (row == Queries().end() || !rest.empty()) {
        entry.note = "unknown query, refused";
    } else {
        reply = (this->*row->answer)(entry.note);
        if (reply && hits(faults.badNumber)) {
            // The first field that starts with a digit or a sign gets a letter.
            size_t at = 0;
            while (at < reply->size()) {
                const size_t end = std::min(reply->find(',', at), reply->size());
                const char c = (*reply)[at];
                if ((c >= '0' && c <= '9') || c == '-') {
                    reply->insert(end, "x");
                    entry.note = "number spoilt (fault)";
                    break;
                }
                at = end + 1;
            }
        }
    }
    if (hits(faults.delayReply)) {
        entry.note += (entry.note.empty() ? "" : "; ") + std::string("reply delayed ") + ShortestNumber(static_cast<float>(faults.delaySeconds)) + " s (fault)";
        pause(faults.delaySeconds);
    }
    entry.accepted = reply.has_value();
    entry.reply = reply;
    transcript_.Add(std::move(entry));
    return reply;
}

platform::standin::DdeServer::After PageMakerHost::AfterExchange() {
    if (quitRequested_ || (faults.quitAfter && exchanges_ == faults.quitAfter)) {
        Event("quit", "after exchange " + std::to_string(exchanges_));
        return After::Quit;
    }
    if (faults.dropAfter && exchanges_ == faults.dropAfter) {
        Event("drop", "after exchange " + std::to_string(exchanges_));
        return After::DropConversation;
    }
    return After::Continue;
}

bool PageMakerHost::WriteDumps(std::string& error) const {
    const HostFacts facts{autosaveSuppressed_, exchanges_};
    if (!dumpJsonPath.empty() && !WriteFileAtomically(dumpJsonPath, DumpJson(pub_, facts), error)) return false;
    if (!dumpHtmlPath.empty() && !WriteFileAtomically(dumpHtmlPath, DumpHtml(pub_, facts), error)) return false;
    return true;
}

// --- Moving and selecting -------------------------------------------------

PageMakerHost::Outcome PageMakerHost::TextCursor(const Args& args) {
    const double code = args.numbers[0], count = args.numbers[1];
    if (!IsWhole(code) || !IsWhole(count) || count < 0) return {false, "bad arguments"};
    Story& story = pub_.story;
    const int caret = story.Caret();
    const int n = static_cast<int>(count);
    int target = caret;
    switch (static_cast<int>(code)) {
        case 0: target = static_cast<int>(std::min<int64_t>(int64_t{caret} + n, story.Length())); break;
        case 1: target = std::max(caret - n, 0); break;
        case 6:
            if (n == 0) {
                target = story.ParagraphEnd(story.ParagraphAt(caret));
                break;
            }
            if (n == 1) {
                ++nextParagraphMoves_;
                const int from = faults.stallFrom;
                if (from && nextParagraphMoves_ >= from && (faults.stallCount == 0 || nextParagraphMoves_ < from + faults.stallCount)) {
                    story.PlaceCaret(caret);
                    return {true, "did not move (fault)"};
                }
            }
            for (int i = 0; i < n && target < story.Length(); ++i) {
                const int next = story.ParagraphAt(target) + 1;
                target = next < story.ParagraphCount() ? story.ParagraphStart(next) : story.Length();
            }
            break;
        case 7: target = story.ParagraphStart(story.ParagraphAt(caret)); break;
        case 10: target = story.Length(); break;
        case 11: target = 0; break;
        default: return {true, "movement not supported by the stand-in, ignored"};
    }
    story.PlaceCaret(target);
    return {};
}

PageMakerHost::Outcome PageMakerHost::TextSelect(const Args& args) {
    const double code = args.numbers[0], count = args.numbers[1];
    if (!IsWhole(code) || !IsWhole(count) || count < 0) return {false, "bad arguments"};
    if (code != 0 && code != 1) return {true, "selection unit not supported by the stand-in, ignored"};
    pub_.story.MoveCaret(code == 0 ? static_cast<int64_t>(count) : -static_cast<int64_t>(count));
    return {};
}

PageMakerHost::Outcome PageMakerHost::SetTextCursor(const Args& args) {
    for (double v : args.numbers)
        if (!IsWhole(v)) return {false, "bad arguments"};
    if (args.numbers[0] != pub_.storyId) return {false, "no story " + std::to_string(static_cast<int64_t>(args.numbers[0]))};
    const auto anchor = static_cast<int64_t>(args.numbers[1]), caret = static_cast<int64_t>(args.numbers[2]);
    const int length = pub_.story.Length();
    pub_.story.Select(static_cast<int>(std::clamp<int64_t>(anchor, 0, length)), static_cast<int>(std::clamp<int64_t>(caret, 0, length)));
    const bool clamped = anchor < 0 || caret < 0 || anchor > length || caret > length;
    return {true, clamped ? "clamped to the story" : ""};
}

PageMakerHost::Outcome PageMakerHost::Copy(const Args&) {
    const Story& story = pub_.story;
    if (!story.HasSelection()) return {false, "nothing selected"};
    std::string text;
    for (int i = story.SelectionStart(); i < story.SelectionEnd(); ++i) {
        const char c = story.Text()[static_cast<size_t>(i)];
        text += c;
        if (c == Story::kParagraphEnd) text += '\n';
    }
    if (!clipboard_.SetText(text)) return {false, "the clipboard is held by another program"};
    return {};
}

PageMakerHost::Outcome PageMakerHost::SuppressAutosave(const Args& args) {
    autosaveSuppressed_ = args.numbers[0] != 0;
    return {};
}

PageMakerHost::Outcome PageMakerHost::Quit(const Args&) {
    quitRequested_ = true;
    return {};
}

// --- Formatting -------------------------------------------------------------

PageMakerHost::Outcome PageMakerHost::Reformat(const std::function<void(CharFormat&)>& change) {
    Story& story = pub_.story;
    if (styleScope_ >= 0) {
        Style& style = pub_.styles[static_cast<size_t>(styleScope_)];
        CharFormat changed = style.format;
        change(changed);
        std::string range = RangeError(changed);
        if (!range.empty()) return {false, range};
        style.format = std::move(changed);
        return {};
    }
    if (!story.HasSelection()) return {true, "no text selected"};
    const int from = story.SelectionStart(), to = story.SelectionEnd();
    // Values set here are absolute, and what the command keeps is already in
    // range, so the first character tells whether the command is acceptable.
    CharFormat probe = pub_.formats[story.FormatAt(from)];
    change(probe);
    std::string range = RangeError(probe);
    if (!range.empty()) return {false, range};
    story.Reformat(from, to, [&](FormatId id) {
        CharFormat changed = pub_.formats[id];
        change(changed);
        return pub_.formats.Intern(changed);
    });
    if (onReformat) onReformat(from, to);
    return {};
}

PageMakerHost::Outcome PageMakerHost::KernText(const Args& args) {
    const auto kern = static_cast<float>(args.numbers[0]);
    return Reformat([&](CharFormat& f) { f.kern = kern; });
}

PageMakerHost::Outcome PageMakerHost::Font(const Args& args) {
    if (args.text.empty()) return {false, "no font name"};
    return Reformat([&](CharFormat& f) { f.font = args.text; });
}

PageMakerHost::Outcome PageMakerHost::Size(const Args& args) {
    const auto size = static_cast<float>(args.numbers[0]);
    return Reformat([&](CharFormat& f) { f.size = size; });
}

PageMakerHost::Outcome PageMakerHost::Track(const Args& args) {
    if (!IsWhole(args.numbers[0])) return {false, "bad arguments"};
    const auto track = static_cast<int32_t>(args.numbers[0]);
    return Reformat([&](CharFormat& f) { f.track = track; });
}

PageMakerHost::Outcome PageMakerHost::SetWidth(const Args& args) {
    const auto width = static_cast<float>(args.numbers[0]);
    return Reformat([&](CharFormat& f) { f.width = width; });
}

PageMakerHost::Outcome PageMakerHost::Leading(const Args& args) {
    const auto leading = static_cast<float>(args.numbers[0]);
    return Reformat([&](CharFormat& f) { f.leading = leading; });
}

PageMakerHost::Outcome PageMakerHost::TypeStyle(const Args& args) {
    const double n = args.numbers[0];
    if (!IsWhole(n) || n < 0 || n > 7) return {false, "no type style " + ShortestNumber(static_cast<float>(n))};
    return Reformat([&](CharFormat& f) { f.typeStyle = n == 0 ? 0 : (f.typeStyle | TypeStyleBit(static_cast<int>(n))); });
}

PageMakerHost::Outcome PageMakerHost::TypeOptions(const Args& args) {
    const double magnitude = args.numbers[4], down = args.numbers[5];
    if (magnitude != kKeep && magnitude < 0) return {false, "a negative baseline shift magnitude"};
    if (down != kKeep && down != 0 && down != 1) return {false, "the shift direction must be 0 or 1"};
    return Reformat([&](CharFormat& f) {
        for (size_t i = 0; i < f.typeOptions.size(); ++i)
            if (args.numbers[i] != kKeep) f.typeOptions[i] = static_cast<float>(args.numbers[i]);
        const float size = magnitude == kKeep ? std::fabs(f.shift) : static_cast<float>(magnitude);
        const bool lower = down == kKeep ? f.shift < 0 : down == 1;
        f.shift = lower ? -size : size;
    });
}

PageMakerHost::Outcome PageMakerHost::StyleBegin(const Args& args) {
    if (styleScope_ >= 0) return {false, "a style definition is open already"};
    if (args.text.empty()) return {false, "no style name"};
    int index = pub_.StyleIndex(args.text);
    std::string note;
    if (index < 0) {
        const Story& story = pub_.story;
        const int current = story.ParagraphStyle(story.ParagraphAt(story.SelectionStart()));
        pub_.styles.push_back({args.text, pub_.styles[static_cast<size_t>(current)].format});
        index = static_cast<int>(pub_.styles.size()) - 1;
        note = "new style";
    }
    styleScope_ = index;
    return {true, note};
}

PageMakerHost::Outcome PageMakerHost::StyleEnd(const Args&) {
    if (styleScope_ < 0) return {true, "no style definition open"};
    styleScope_ = -1;
    return {};
}

// --- Queries ----------------------------------------------------------------

CharFormat PageMakerHost::ReadFormat() const {
    if (styleScope_ >= 0) return pub_.styles[static_cast<size_t>(styleScope_)].format;
    const Story& story = pub_.story;
    if (story.Length() == 0) return pub_.styles[static_cast<size_t>(story.ParagraphStyle(0))].format;
    const int caret = story.Caret();
    const int at = story.HasSelection() ? story.SelectionStart() : std::min(std::max(caret - 1, 0), story.Length() - 1);
    return pub_.formats[story.FormatAt(at)];
}

std::optional<std::string> PageMakerHost::GetPMState(std::string& note) {
    ++stateAsks_;
    if (faults.busyCount > 0 && stateAsks_ >= faults.busyFrom && stateAsks_ < faults.busyFrom + faults.busyCount) {
        note = "busy (fault)";
        return "9";
    }
    if (scriptedStates_ < faults.states.size()) {
        note = "scripted";
        return std::to_string(faults.states[scriptedStates_++]);
    }
    return pub_.story.HasSelection() ? "8" : "7";
}

std::optional<std::string> PageMakerHost::GetTextCursor(std::string&) {
    const Story& story = pub_.story;
    return std::to_string(pub_.storyId) + "," + std::to_string(story.SelectionStart()) + "," + std::to_string(story.SelectionEnd());
}

std::optional<std::string> PageMakerHost::GetStyle(std::string&) {
    const Story& story = pub_.story;
    return Quoted(pub_.styles[static_cast<size_t>(story.ParagraphStyle(story.ParagraphAt(story.SelectionStart())))].name);
}

std::optional<std::string> PageMakerHost::GetStyleNames(std::string&) {
    std::string reply = std::to_string(pub_.styles.size());
    for (const auto& style : pub_.styles) reply += "," + Quoted(style.name);
    return reply;
}

std::optional<std::string> PageMakerHost::GetFontList(std::string&) {
    std::string reply = std::to_string(pub_.fonts.size());
    for (const auto& font : pub_.fonts)
        reply += "," + Quoted(font.name) + "," + std::to_string(font.info1) + "," + std::to_string(font.info2) + "," + std::to_string(font.info3);
    return reply;
}

std::optional<std::string> PageMakerHost::GetFont(std::string&) { return Quoted(ReadFormat().font); }
std::optional<std::string> PageMakerHost::GetSize(std::string&) { return ShortestNumber(ReadFormat().size); }
std::optional<std::string> PageMakerHost::GetTrack(std::string&) { return std::to_string(ReadFormat().track); }
std::optional<std::string> PageMakerHost::GetLeading(std::string&) { return ShortestNumber(ReadFormat().leading); }
std::optional<std::string> PageMakerHost::GetWidth(std::string&) { return ShortestNumber(ReadFormat().width); }

std::optional<std::string> PageMakerHost::GetTypeOptions(std::string&) {
    // The host reports percentages and the shift in tenths, the shift as a
    // magnitude with a direction flag.
    const CharFormat f = ReadFormat();
    std::string reply;
    for (float option : f.typeOptions) reply += std::to_string(Tenths(option)) + ",";
    return reply + std::to_string(Tenths(std::fabs(f.shift))) + "," + (f.shift < 0 ? "1" : "0");
}

std::optional<std::string> PageMakerHost::GetTypeStyle(std::string&) {
    // The host's pair: the styles it can tell about (all: one character is
    // read), and those applied, 1 standing for normal.
    const int32_t applied = ReadFormat().typeStyle;
    return "255," + std::to_string(applied == 0 ? 1 : applied);
}

std::optional<std::string> PageMakerHost::GetKernText(std::string&) { return ShortestNumber(ReadFormat().kern); }

std::optional<std::string> PageMakerHost::StandinClipboard(std::string& note) {
    auto text = clipboard_.ReadText();
    if (!text) note = "the clipboard is held by another program";
    return text;
}

std::optional<std::string> PageMakerHost::StandinDump(std::string& note) {
    if (dumpJsonPath.empty() && dumpHtmlPath.empty()) {
        note = "no dump file set";
        return "0";
    }
    return WriteDumps(note) ? "1" : "0";
}

}  // namespace standin

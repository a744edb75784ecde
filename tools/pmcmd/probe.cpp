// The probe's checks, one row each, and the report.
//
// The rows run in order over one conversation and share what they learn (the
// user's selection, the story's end, the style names) in a Session. A row
// whose prerequisite is missing is not asked, so that a host answering
// wrongly early on is never driven to places the probe cannot name. Every
// expectation is what the host stand-in does: a probe of the stand-in
// reports "same" on every line.
#include "tools/pmcmd/probe.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <optional>
#include <vector>

#include "platform/locale.h"
#include "tools/pmcmd/probe_link.h"

namespace pmcmd {
namespace {

constexpr int kTestLength = 4;  // characters selected, copied and formatted
constexpr size_t kReplyShown = 300;

struct Cursor {
    int32_t s = 0, a = 0, b = 0;
};

std::string Triple(int32_t s, int32_t a, int32_t b) {
    return std::to_string(s) + "," + std::to_string(a) + "," + std::to_string(b);
}

// A text shown on one line: control characters escaped, long texts cut.
std::string Shown(const std::string& text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size() && i < kReplyShown; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c < 0x20) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else out += text[i];
    }
    out += "\"";
    if (text.size() > kReplyShown) out += " (" + std::to_string(text.size()) + " characters)";
    return out;
}

std::string Number(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

bool Near(float value, float expected) { return std::fabs(value - expected) < 0.001f; }

// "median M ms, longest L ms (N)" of `times`; "none" when empty.
std::string TimeSummary(std::vector<double> times) {
    if (times.empty()) return "none";
    std::sort(times.begin(), times.end());
    const size_t n = times.size();
    const double median = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
    char text[96];
    std::snprintf(text, sizeof text, "median %.1f ms, longest %.1f ms (%zu)", median, times.back(), n);
    return text;
}

// A row that cannot be asked because one it depends on failed.
struct NotAsked {
    std::string why;
};

struct Observation {
    std::string reply;  // as shown in the report
    std::string expected;
    bool same = false;
};

class Session {
public:
    Session(ProbeLink& link, platform::Clipboard& board) : pm(link), clipboard(board) {}

    ProbeLink& pm;
    platform::Clipboard& clipboard;
    std::optional<uint8_t> state;
    std::string stateReply;
    std::optional<Cursor> user;         // the user's selection, as first read
    std::optional<int32_t> end, paraEnd;  // the story's end, the first paragraph's end
    std::optional<std::string> clipboardText;  // the user's, to give back
    std::vector<std::string> styles, fonts;
    std::string style;  // the style of the story's first paragraph
    std::vector<double> copyMs;  // each Copy with its clipboard read
    std::optional<uint32_t> copyOwner;  // the clipboard owner's process after the Copy

    Cursor User() const {
        if (!user) throw NotAsked{"the selection is unknown"};
        return *user;
    }
    int32_t End() const {
        if (!end) throw NotAsked{"the story's end is unknown"};
        return *end;
    }
    int32_t TestLength() const {
        if (End() < 1) throw NotAsked{"the story is empty"};
        return std::min<int32_t>(kTestLength, End());
    }
    std::string StyleName() const {
        if (!style.empty()) return style;
        if (styles.empty() || styles.front().empty()) throw NotAsked{"no style name is known"};
        return styles.front();
    }

    std::string Reply() const { return pm.lastReply ? Shown(*pm.lastReply) : "-"; }

    Cursor Read() {
        Cursor c;
        pm.GetTextCursor(c.s, c.a, c.b);
        return c;
    }
    void Place(int32_t anchor, int32_t caret) { pm.SetTextCursor(User().s, anchor, caret); }

    // Reads the cursor and compares it with S,a,b.
    Observation CursorIs(int32_t a, int32_t b) {
        const Cursor c = Read();
        const int32_t s = User().s;
        return {Reply(), Triple(s, a, b), c.s == s && c.a == a && c.b == b};
    }
    Observation StateIs(uint8_t expected) {
        const uint8_t got = pm.GetPMState();
        return {Reply(), std::to_string(expected), got % 128 == expected};
    }
    bool KnownFont(const std::string& name) const {
        return std::any_of(fonts.begin(), fonts.end(), [&](const std::string& f) { return platform::CompareTextNoCase(f, name) == 0; });
    }
};

enum class Group { Run, FirstFill, StyleLoad, Write, GiveBack };

const char* Heading(Group group) {
    switch (group) {
        case Group::Run: return "Run / Прогон";
        case Group::FirstFill: return "First fill / Первое заполнение";
        case Group::StyleLoad: return "Style load (between StyleBegin and StyleEnd) / Загрузка стиля";
        case Group::Write: return "Formatting a test selection / Оформление пробного выделения";
        case Group::GiveBack: return "Giving back / Возврат";
    }
    return "";
}

struct Check {
    Group group;
    const char* assumption;
    Observation (*run)(Session&);
};

// Leaves the host in its plain mode whatever happens.
Observation WithTry(Session& s, const std::function<Observation()>& body) {
    s.pm.SetTryMode65(true);
    try {
        s.pm.TextCursor(11, 1);
    } catch (...) {
        s.pm.SetTryMode65(false);
        throw;
    }
    s.pm.SetTryMode65(false);
    return body();
}

// Runs `body` between StyleBegin and StyleEnd on the style `name`.
template <class Body>
auto InStyle(Session& s, const std::string& name, Body body) {
    s.pm.StyleBegin(name);
    try {
        auto result = body();
        s.pm.StyleEnd();
        return result;
    } catch (...) {
        try {
            s.pm.StyleEnd();
        } catch (const Exception&) {
        }
        throw;
    }
}

// Reads a style attribute between StyleBegin and StyleEnd.
Observation StyleValue(Session& s, const std::function<Observation()>& read) { return InStyle(s, s.StyleName(), read); }

// Sends the type-style codes to the test selection, then reads back which
// styles it carries.
Observation TypeStylesGive(Session& s, std::initializer_list<uint8_t> codes, int32_t expected, const std::string& shown) {
    s.Place(0, s.TestLength());
    for (uint8_t code : codes) s.pm.TypeStyle(code);
    int32_t mask = 0, applied = 0;
    s.pm.GetTypeStyle(mask, applied);
    return Observation{s.Reply(), shown, applied == expected};
}

Observation RangeOf(Session& s, float value, float low, float high, const std::string& expected) {
    return {s.Reply(), expected, value >= low && value <= high};
}

// NOTE: order matters: each row starts where the one before left the
// insertion point only where it says so; rows that need a place set it.
const Check kChecks[] = {
    // --- the run: state, cursor, moves, selections, the clipboard
    {Group::Run, "GetPMState in text mode: 7 or 8", [](Session& s) {
         const uint8_t got = s.pm.GetPMState();
         s.state = got;
         s.stateReply = s.Reply();
         return Observation{s.stateReply, "7 or 8", got % 128 == 7 || got % 128 == 8};
     }},
    {Group::Run, "GetTextCursor: story, start, end", [](Session& s) {
         const Cursor c = s.Read();
         s.user = c;
         return Observation{s.Reply(), "S,A,B with 0 <= A <= B", 0 <= c.a && c.a <= c.b};
     }},
    {Group::Run, "GetPMState is 8 exactly when text is selected", [](Session& s) {
         const Cursor u = s.User();
         if (!s.state) throw NotAsked{"no state was read"};
         const uint8_t expected = u.a != u.b ? 8 : 7;
         return Observation{s.stateReply, std::to_string(expected) + " (selection " + std::to_string(u.a) + " to " + std::to_string(u.b) + ")",
                            *s.state % 128 == expected};
     }},
    {Group::Run, "TextCursor 10 1 goes to the story's end", [](Session& s) {
         const Cursor u = s.User();  // NOTE: before the move: without it nothing may move
         s.pm.TextCursor(10, 1);
         const Cursor c = s.Read();
         const bool ok = c.s == u.s && c.a == c.b && c.b >= std::max(u.a, u.b);
         if (ok) s.end = c.b;
         return Observation{s.Reply(), std::to_string(u.s) + ",E,E with E >= " + std::to_string(std::max(u.a, u.b)), ok};
     }},
    {Group::Run, "TextCursor 11 1 goes to the story's start", [](Session& s) {
         s.End();
         s.pm.TextCursor(11, 1);
         return s.CursorIs(0, 0);
     }},
    {Group::Run, "TextCursor 6 0 goes to the paragraph's end", [](Session& s) {
         const int32_t e = s.End();
         s.Place(0, 0);
         s.pm.TextCursor(6, 0);
         const Cursor c = s.Read();
         const bool ok = c.s == s.User().s && c.a == c.b && c.b >= 0 && c.b <= e;
         if (ok) s.paraEnd = c.b;
         return Observation{s.Reply(), std::to_string(s.User().s) + ",Q,Q with 0 <= Q <= " + std::to_string(e), ok};
     }},
    {Group::Run, "TextCursor 7 0 goes to the paragraph's start", [](Session& s) {
         if (!s.paraEnd) throw NotAsked{"the paragraph's end is unknown"};
         const int32_t middle = *s.paraEnd / 2;
         s.Place(middle, middle);
         s.pm.TextCursor(7, 0);
         return s.CursorIs(0, 0);
     }},
    {Group::Run, "TextCursor 6 1 goes to the next paragraph's start", [](Session& s) {
         if (!s.paraEnd) throw NotAsked{"the paragraph's end is unknown"};
         const int32_t next = *s.paraEnd < s.End() ? *s.paraEnd + 1 : s.End();
         s.Place(0, 0);
         s.pm.TextCursor(6, 1);
         return s.CursorIs(next, next);
     }},
    {Group::Run, "TextCursor 6 1 at the story's end stays there", [](Session& s) {
         const int32_t e = s.End();
         s.Place(e, e);
         s.pm.TextCursor(6, 1);
         return s.CursorIs(e, e);
     }},
    {Group::Run, "A query is answered after the commands before it", [](Session& s) {
         const int32_t e = s.End();
         s.Place(0, 0);
         s.pm.TextCursor(10, 1);
         s.pm.TextCursor(11, 1);
         s.pm.TextCursor(10, 1);
         return s.CursorIs(e, e);
     }},
    {Group::Run, "A command with \"try \" in front is carried out", [](Session& s) {
         s.End();
         return WithTry(s, [&] { return s.CursorIs(0, 0); });
     }},
    {Group::Run, "TextSelect 0 n selects n characters", [](Session& s) {
         const int32_t n = s.TestLength();
         s.Place(0, 0);
         s.pm.TextSelect(0, n);
         return s.CursorIs(0, n);
     }},
    {Group::Run, "GetPMState is 8 with text selected", [](Session& s) {
         s.TestLength();
         return s.StateIs(8);
     }},
    {Group::Run, "Copy puts the selection on the clipboard as text", [](Session& s) {
         const int32_t n = s.TestLength();
         if (!s.clipboardText) throw NotAsked{"the clipboard could not be read, so it could not be given back"};
         if (!s.clipboard.Clear()) throw NotAsked{"the clipboard is held by another program"};
         std::optional<std::string> text;
         {
             const ProbeLink::Timer timer(s.copyMs);
             s.pm.Copy();
             s.pm.GetPMState();  // the copy is done once this is answered
             text = s.clipboard.ReadText();
         }
         if (!text) throw NotAsked{"the clipboard is held by another program"};
         s.copyOwner = s.clipboard.OwnerProcess();
         size_t breaks = 0;
         for (size_t i = 0; i + 1 < text->size(); ++i) breaks += (*text)[i] == '\r' && (*text)[i + 1] == '\n';
         return Observation{Shown(*text), std::to_string(n) + " characters (CR LF counts as one)", text->size() - breaks == static_cast<size_t>(n)};
     }},
    {Group::Run, "After Copy the clipboard is owned by a window of the host", [](Session& s) {
         if (!s.copyOwner) throw NotAsked{"no Copy was read"};
         const uint32_t host = s.pm.DDEConv ? s.pm.DDEConv->PartnerProcess() : 0;
         const std::string reply = *s.copyOwner ? "process " + std::to_string(*s.copyOwner) : "no owner";
         return Observation{reply, "process " + std::to_string(host) + " (the host's)", *s.copyOwner == host};
     }},
    {Group::Run, "An unknown command is refused (so a refused command can be told)", [](Session& s) {
         s.pm.ExecCommand("RolemarkProbeUnknownCommand");
         try {
             (void)s.pm.GetPMState();
         } catch (const EPmCommandRefused& e) {
             return Observation{e.Busy() ? "busy" : "refused", "refused", !e.Busy()};
         }
         return Observation{"acknowledged", "refused", false};
     }},
    {Group::Run, "TextSelect 1 n takes the selection back", [](Session& s) {
         const int32_t n = s.TestLength();
         s.Place(0, n);
         s.pm.TextSelect(1, n);
         return s.CursorIs(0, 0);
     }},
    {Group::Run, "GetPMState is 7 with an insertion point", [](Session& s) {
         s.TestLength();
         return s.StateIs(7);
     }},
    {Group::Run, "A backward selection is reported start first", [](Session& s) {
         const int32_t n = s.TestLength();
         s.Place(n, 0);
         return s.CursorIs(0, n);
     }},
    // --- the first fill of the window, and the style filter of the run
    {Group::FirstFill, "GetStyleNames: count, then the names", [](Session& s) {
         int32_t count = 0;
         s.pm.GetStyleNames(count, s.styles);
         const bool named = std::none_of(s.styles.begin(), s.styles.end(), [](const std::string& n) { return n.empty(); });
         return Observation{s.Reply(), "N,\"name\",... with N names", count > 0 && named && s.styles.size() == static_cast<size_t>(count)};
     }},
    {Group::FirstFill, "GetFontList: count, then name and three numbers each", [](Session& s) {
         s.pm.GetFontList();
         int pos = 1;
         const int32_t count = s.pm.lastReply ? s.pm.ExtractInteger(*s.pm.lastReply, pos) : -1;
         for (int i = 0; i < s.pm.FontCount(); ++i) s.fonts.push_back(s.pm.FontItem(i).Name);
         return Observation{s.Reply(), "N,\"name\",i,i,i,... with N fonts", count > 0 && s.pm.FontCount() == count};
     }},
    {Group::FirstFill, "GetStyle names the paragraph's style", [](Session& s) {
         s.End();
         s.Place(0, 0);
         std::string name;
         s.pm.GetStyle(name);
         const bool known = std::find(s.styles.begin(), s.styles.end(), name) != s.styles.end();
         if (known) s.style = name;
         return Observation{s.Reply(), "\"name\" of GetStyleNames", known};
     }},
    // --- the style load (the attributes of the first paragraph's style)
    {Group::StyleLoad, "GetFont: a font of the list", [](Session& s) {
         return StyleValue(s, [&] {
             std::string name;
             s.pm.GetFont(name);
             return Observation{s.Reply(), "\"name\" of GetFontList", s.KnownFont(name)};
         });
     }},
    {Group::StyleLoad, "GetSize in points", [](Session& s) {
         return StyleValue(s, [&] { return RangeOf(s, s.pm.GetSize(), 4, 650, "4 to 650"); });
     }},
    {Group::StyleLoad, "GetTrack: 0 none to 5 very tight", [](Session& s) {
         return StyleValue(s, [&] { return RangeOf(s, static_cast<float>(s.pm.GetTrack()), 0, 5, "0 to 5"); });
     }},
    {Group::StyleLoad, "GetLeading in points, -1 automatic", [](Session& s) {
         return StyleValue(s, [&] {
             const float leading = s.pm.GetLeading();
             return Observation{s.Reply(), "-1, or 0 to 1300", leading == -1 || (leading >= 0 && leading <= 1300)};
         });
     }},
    {Group::StyleLoad, "GetWidth in percent", [](Session& s) {
         return StyleValue(s, [&] { return RangeOf(s, s.pm.GetWidth(), 5, 250, "5 to 250"); });
     }},
    {Group::StyleLoad, "GetTypeOptions: five numbers, then 0 or 1", [](Session& s) {
         return StyleValue(s, [&] {
             float o[5];
             uint8_t down = 0;
             s.pm.GetTypeOptions(o[0], o[1], o[2], o[3], o[4], down);
             return Observation{s.Reply(), "n,n,n,n,shift in tenths,0 or 1", o[4] >= 0 && down <= 1};
         });
     }},
    // --- with writing allowed: the codes and units of the formatting commands
    {Group::Write, "TypeStyle 0 then 1 makes bold", [](Session& s) {
         return TypeStylesGive(s, {0, 1}, 2, "mask,2 (bold)");
     }},
    {Group::Write, "TypeStyle 2 adds italic", [](Session& s) {
         return TypeStylesGive(s, {2}, 6, "mask,6 (bold and italic)");
     }},
    {Group::Write, "TypeStyle 0 makes normal", [](Session& s) {
         return TypeStylesGive(s, {0}, 1, "mask,1 (normal)");
     }},
    {Group::Write, "KernText 0.05 reads back in ems", [](Session& s) {
         s.Place(0, s.TestLength());
         s.pm.KernText(0.05f);
         return Observation{s.Reply(), "0.05", Near(s.pm.GetKernText(), 0.05f)};
     }},
    {Group::Write, "Size 11.5 reads back in points", [](Session& s) {
         s.Place(0, s.TestLength());
         s.pm.Size(11.5f);
         return Observation{s.Reply(), "11.5", Near(s.pm.GetSize(), 11.5f)};
     }},
    {Group::Write, "TypeOptions shift 1.5 down reads 15 (tenths), 1", [](Session& s) {
         s.Place(0, s.TestLength());
         float o[5];
         uint8_t down = 0;
         s.pm.TypeOptions(-2, -2, -2, -2, 1.5f, 1);
         s.pm.GetTypeOptions(o[0], o[1], o[2], o[3], o[4], down);
         return Observation{s.Reply(), "n,n,n,n,15,1", Near(o[4], 15) && down == 1};
     }},
    {Group::Write, "Size between StyleBegin and StyleEnd changes the style", [](Session& s) {
         const std::string name = s.StyleName();
         const float before = InStyle(s, name, [&] { return s.pm.GetSize(); });
         const float changed = Near(before, 13) ? 14 : 13;
         InStyle(s, name, [&] { s.pm.Size(changed); return 0; });
         const float after = InStyle(s, name, [&] {
             const float size = s.pm.GetSize();
             s.pm.Size(before);  // the style as it was
             return size;
         });
         return Observation{Shown(Number(after)) + " (before " + Number(before) + ")", Number(changed), Near(after, changed)};
     }},
    // --- the user's selection back, as a run gives it back
    {Group::GiveBack, "SetTextCursor with the numbers read gives the selection back", [](Session& s) {
         const Cursor u = s.User();
         s.Place(u.a, u.b);
         return s.CursorIs(u.a, u.b);
     }},
};

std::string Ansi(const char* utf8) { return platform::Utf8ToAnsi(utf8); }

std::string Joined(const std::vector<std::string>& texts) {
    std::string out;
    for (const std::string& t : texts) out += (out.empty() ? "" : "; ") + t;
    return out.empty() ? "-" : out;
}

}  // namespace

bool IsScratchTitle(const std::string& title) {
    const size_t open = title.rfind('[');
    if (open == std::string::npos) return false;
    const std::string name = title.substr(open + 1);
    for (const char* scratch : {"Untitled", "Без имени"}) {
        const std::string prefix = Ansi(scratch);
        if (name.compare(0, prefix.size(), prefix) == 0) return true;
    }
    return false;
}

ProbeOutcome Probe(TDdeClientConv& conversation, platform::Clipboard& clipboard, const ProbeFacts& facts, int writes) {
    ProbeLink pm;
    pm.DDEConv = &conversation;
    ProbeOutcome outcome;
    std::string& r = outcome.report;
    auto line = [&r](const std::string& text) { r += text + "\r\n"; };

    line(Ansi("Rolemark host probe / Проверка PageMaker для Rolemark"));
    line("Rolemark: " + facts.rolemarkVersion);
    line("Windows: " + facts.windows);
    line(Ansi("Host window / Окно PageMaker: ") + (facts.hostTitle.empty() ? Ansi("none found / не найдено") : Shown(facts.hostTitle)));
    line(Ansi(writes ? "Mode / Режим: with writing / с записью" : "Mode / Режим: read only / только чтение"));

    bool detected = false;
    for (const char* prefix : kPmWindowTitles) detected = detected || facts.hostTitle.rfind(prefix, 0) == 0;
    if (writes == 1 && !IsScratchTitle(facts.hostTitle)) {
        line("");
        line(Ansi("Refused: --write formats text and changes a style. Open a new, unsaved publication, type a few lines, "
                  "and run the probe there; give --write twice to write into this publication anyway."));
        line(Ansi("Отказ: --write меняет оформление текста и стиль. Создайте новую публикацию, наберите несколько строк "
                  "и запустите проверку в ней; чтобы писать в эту публикацию, укажите --write дважды."));
        outcome.exitCode = 2;
        return outcome;
    }

    int counts[4] = {0, 0, 0, 0};
    static const char* const kStatus[] = {"same", "differs", "no answer", "not asked"};
    std::string table;
    auto row = [&](int status, const char* assumption, const std::string& sent, const std::string& reply, const std::string& expected) {
        ++counts[status];
        char head[16];
        std::snprintf(head, sizeof head, "%-10s", kStatus[status]);
        table += std::string(head) + "| " + assumption + " | " + sent + " | " + reply + " | " + expected + "\r\n";
    };
    row(detected ? 0 : 1, "The host's window title is one the program looks for", "-",
        facts.hostTitle.empty() ? "-" : Shown(facts.hostTitle), "\"Adobe PageMaker 6.5...\" or \"Adobe PageMaker 6.0...\"");

    bool linked = false;
    std::string timing = "none";
    try {
        pm.sent.clear();
        linked = pm.OpenLink();
    } catch (const Exception& e) {
        row(2, "The DDE service \"PageMaker\" answers", "connect", Shown(platform::Utf8ToAnsi(e.Message())), "a conversation");
        outcome.exitCode = 1;
    }
    if (linked) {
        Session session(pm, clipboard);
        session.clipboardText = clipboard.ReadText();
        Group group = Group::Run;
        bool first = true;
        for (const Check& check : kChecks) {
            if (check.group == Group::Write && !writes) continue;
            if (first || check.group != group) table += "-- " + Ansi(Heading(check.group)) + "\r\n";
            first = false;
            group = check.group;
            pm.sent.clear();
            pm.lastReply.reset();
            try {
                const Observation o = check.run(session);
                row(o.same ? 0 : 1, check.assumption, Joined(pm.sent), o.reply, o.expected);
            } catch (const NotAsked& n) {
                row(3, check.assumption, Joined(pm.sent), "-", n.why);
            } catch (const EPmCantExtractNumber&) {
                row(1, check.assumption, Joined(pm.sent), session.Reply(), "a reply the program can read");
            } catch (const Exception& e) {
                row(2, check.assumption, Joined(pm.sent), Shown(platform::Utf8ToAnsi(e.Message())), "an answer");
            }
        }
        timing = "command " + TimeSummary(pm.commandMs) + "; query " + TimeSummary(pm.queryMs) +
                 "; Copy with the clipboard read " + TimeSummary(session.copyMs);
        if (session.clipboardText) {
            const bool back = session.clipboardText->empty() ? clipboard.Clear() : clipboard.SetText(*session.clipboardText);
            if (!back) table += Ansi("The clipboard could not be given back / Буфер обмена не восстановлен\r\n");
        }
        pm.CloseLink();
    }

    line("");
    line(Ansi("Summary / Итог: ") + std::to_string(counts[0]) + Ansi(" same / совпадает, ") + std::to_string(counts[1]) +
         Ansi(" differs / отличается, ") + std::to_string(counts[2]) + Ansi(" no answer / нет ответа, ") +
         std::to_string(counts[3]) + Ansi(" not asked / не проверено"));
    line("");
    line(Ansi("Checks / Проверки: result | assumption | sent | reply | expected (the stand-in's answer)"));
    line(Ansi("                   итог | предположение | отправлено | ответ | ожидалось (как отвечает имитатор)"));
    r += table;
    line("");
    line(Ansi("Exchange times / Время обменов: ") + timing);
    return outcome;
}

}  // namespace pmcmd

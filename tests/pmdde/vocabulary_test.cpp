// Every row of the vocabulary, sent through a scripted host: the rows stand in
// the component's virtual order; each command row goes out with a fixed set of
// arguments as exactly the text a printf rendering of the format listed here
// gives (with either decimal separator); each action query asks that text and
// returns its reply's first integer; each reader asks its own name, fills its
// outputs in order and reads only its listed window. The texts and windows are
// written out here, not taken from the table under test. Irregular commands
// have hand-written expectations.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <set>
#include <tuple>
#include <utility>

#include "tests/pmdde/scripted_host.h"

namespace {

// The order of the component's vocabulary operations.
const std::vector<std::string> kVirtualOrder = {
    "Addition", "AddPrinterStyle", "AddWord", "Alignment", "Autoflow", "BasedOn", "BlackAttributes", "Book",
    "Box", "BringToFront", "BringForward", "Cascade", "Case", "Change", "Change2", "ChangeNext", "ChangeEnv",
    "ChangeParaAttr", "ChangeParaAttr1", "ChangeParaAttr2", "ChangeWindow", "Clear", "Close", "CloseStory",
    "Color", "ColorPalette", "ColumnGuides", "ControlPalette", "ConvertEnhMetafile", "Copy", "CreateIndex",
    "CreateTOC", "Crop", "Cut", "DefaultDir", "DefineColor", "DefineMasterPage", "Delete", "DeleteHoriz",
    "DeleteHorizGuide", "DeleteMasterPage", "DeleteRulerGuides", "DeleteVert", "DeleteVertGuide", "Deselect",
    "Dictionary", "DisplaySpecial", "DisplayStyleNames", "EditLayout", "EditOriginal", "EditStory", "Exit",
    "Export", "FillAndLine", "FillStyle", "Find", "FindNext", "FindParaAttr", "FindTypeAttr1", "FindTypeAttr2",
    "FindWindow", "Font", "FontDrawing", "GuideHoriz", "GuideVert", "GetFont", "GetSize", "GetTrack",
    "GetTypeOptions", "GetLeading", "GetWidth", "GetHorizGuides", "GetVertGuides", "GetPageRect",
    "GetSelectInfo", "GetSelectIDListTop", "GetSelectIDList", "GetFontList", "GetStyle", "GetLockGuides",
    "SnapToGuides", "GetSnapToGuides", "Guides", "GetStyleNames", "GetTextCursor", "Hyphenation",
    "ImageSaveForSep", "Import", "Indents", "IndexAuto", "IndexAutoName", "IndexFormat", "InkND",
    "InsertPages", "InvalidateRect", "KernText", "Leading", "LetterSpace", "Line", "LineStyle", "LinkOptions",
    "Lock", "LockGuides", "ManualKerning", "Mask", "MasterGuides", "MeasureUnits", "New", "PageSize",
    "Preferences", "View", "DisplayNonPrinting", "Oval", "Quit", "Save", "SaveAs", "Rotate", "Skew", "Move",
    "Reflect", "GetMasterPage", "SelectAll", "Select", "SelectExtend", "SelectID", "SelectIDExtend",
    "SetTextCursor", "StyleBegin", "StyleEnd", "Group", "GetObjectIDListTop", "GetObjectIDList", "SetWidth",
    "GetLock", "Paste", "PasteSpecial", "MultiplePaste", "SendToBack", "SendBackward", "ResetZeroPoint",
    "TextEdit", "TextEnter", "TextCursor", "TextSelect", "TypeOptions", "TypeStyle", "Size", "NewStory",
    "NewStorySized", "Tool", "Track", "Place", "SuppressAutosave", "SuppressPI", "SuppressPalDraw",
    "PrivateString", "GetPrivateString", "GetPrivateList", "DeletePrivateData"
};

// What each row sends, written from the host's command language and not from
// the vocabulary table, so that a slip in the table shows as a difference.
// Commands without arguments send their name.
const std::set<std::string> kPlainCommands = {
    "BringToFront", "BringForward", "Cascade", "Clear", "ConvertEnhMetafile", "Copy", "Cut", "Delete",
    "DeleteRulerGuides", "Deselect", "EditLayout", "EditStory", "Exit", "FindNext", "Group", "IndexAuto",
    "IndexAutoName", "MasterGuides", "Paste", "Quit", "ResetZeroPoint", "Save", "SelectAll", "SendBackward",
    "SendToBack", "StyleEnd", "TextEdit",
};

// Commands with arguments: the format of the text each sends.
const std::map<std::string, std::string> kCommandFormats = {
    {"Addition", "Addition \"%s\" \"%s\""},
    {"AddPrinterStyle", "AddPrinterStyle \"%s\""},
    {"AddWord", "AddWord \"%s\" \"%s\""},
    {"Alignment", "Alignment %d"},
    {"Autoflow", "Autoflow %d"},
    {"BasedOn", "BasedOn \"%s\""},
    {"BlackAttributes", "BlackAttributes %3.0f %d %3.0f %d %d"},
    {"Box", "Box %f %f %f %f"},
    {"Case", "Case %d"},
    {"Close", "Close \"%s\""},
    {"Color", "Color \"%s\" %d"},
    {"ColorPalette", "ColorPalette %d"},
    {"ColumnGuides", "ColumnGuides %d %f %d"},
    {"ControlPalette", "ControlPalette %d"},
    {"CreateIndex", "CreateIndex \"%s\" %d %d %d"},
    {"CreateTOC", "CreateTOC \"%s\" %d %d %d \"%s\""},
    {"DefaultDir", "DefaultDir %s"},
    {"DefineColor", "DefineColor \"%s\" %d %d %d %d %d %d %d \"%s\""},
    {"DefineMasterPage", "DefineMasterPage \"%s\" %d %d %f %f %f %f %d %f %d %f"},
    {"DeleteHoriz", "DeleteHoriz %f"},
    {"DeleteHorizGuide", "DeleteHoriz guide %d"},
    {"DeleteMasterPage", "DeleteMasterPage %s"},
    {"DeleteVert", "DeleteVert %f"},
    {"DeleteVertGuide", "DeleteVert guide %d"},
    {"Dictionary", "Dictionary %s"},
    {"EditOriginal", "EditOriginal %s"},
    {"Export", "Export \"%s\" \"%s\" %d"},
    {"FillAndLine", "FillAndLine %d \"%s\" %d %d %d %f %d \"%s\" %d %f %f"},
    {"FillStyle", "FillStyle %d"},
    {"Find", "Find \"%s\" %d %d %d %d %d"},
    {"FindParaAttr", "FindParaAttr \"%s\" %d %d"},
    {"FindTypeAttr1", "FindTypeAttr1 \"%s\" %f %f %d %d %d"},
    {"FindTypeAttr2", "FindTypeAttr2 %f %d \"%s\" %d"},
    {"FindWindow", "FindWindow %d"},
    {"Font", "Font \"%s\""},
    {"FontDrawing", "FontDrawing 0 %d"},
    {"GuideHoriz", "GuideHoriz %f"},
    {"GuideVert", "GuideVert %f"},
    {"SnapToGuides", "SnapToGuides %d"},
    {"Guides", "Guides %d"},
    {"Hyphenation", "Hyphenation %d %d %f"},
    {"ImageSaveForSep", "ImageSaveForSep \"%s\" %d %d"},
    {"Indents", "Indents %f %f %f"},
    {"IndexFormat", "IndexFormat %d %d %d \"%s\" \"%s\" \"%s\" \"%s\" \"%s\" \"%s\""},
    {"InkND", "InkND \"%s\" %d %f"},
    {"InsertPages", "InsertPages %d %d \"%s\" \"%s\""},
    {"InvalidateRect", "InvalidateRect %f %f %f %f"},
    {"KernText", "KernText %f"},
    {"Leading", "Leading %f"},
    {"LetterSpace", "LetterSpace %d %d %d"},
    {"Line", "Line %f %f %f %f"},
    {"LineStyle", "LineStyle %d %d %f %d"},
    {"LinkOptions", "LinkOptions %d %d %d %d %d %d"},
    {"Lock", "Lock %d"},
    {"LockGuides", "LockGuides %d"},
    {"ManualKerning", "ManualKerning %d"},
    {"Mask", "Mask %d"},
    {"MeasureUnits", "MeasureUnits %d %d %d"},
    {"PageSize", "PageSize %f %f"},
    {"Preferences", "Preferences %f %d %d %d %d %d %d %d %d %d %d %d %f %f %d"},
    {"View", "View %d"},
    {"DisplayNonPrinting", "DisplayNonPrinting %d"},
    {"Oval", "Oval %f %f %f %f"},
    {"SaveAs", "SaveAs \"%s\" %d %d %d"},
    {"Rotate", "Rotate %d %f"},
    {"Skew", "Skew %d %f"},
    {"Reflect", "reflect %d %d"},
    {"Select", "Select %d"},
    {"SelectExtend", "SelectExtend %d"},
    {"SelectID", "SelectID %d"},
    {"SelectIDExtend", "SelectIDExtend %d"},
    {"SetTextCursor", "SetTextCursor %d %d %d"},
    {"StyleBegin", "StyleBegin \"%s\""},
    {"SetWidth", "SetWidth %g"},
    {"PasteSpecial", "PasteSpecial %d"},
    {"MultiplePaste", "MultiplePaste %d %f %f"},
    {"TextEnter", "TextEnter \"%s\""},
    {"TextCursor", "TextCursor %d %d"},
    {"TextSelect", "TextSelect %d %d"},
    {"TypeOptions", "TypeOptions %f %f %f %f %f %d"},
    {"TypeStyle", "TypeStyle %d"},
    {"Size", "Size %f"},
    {"NewStory", "NewStory %f %f"},
    {"NewStorySized", "NewStorySized %f %f %f %f "},
    {"Tool", "Tool %d"},
    {"Track", "Track %d"},
    {"Place", "place %n %n"},
    {"SuppressAutosave", "SuppressAutosave %d"},
    {"SuppressPI", "SuppressPI %d"},
    {"SuppressPalDraw", "SuppressPalDraw %d %d"},
};

// Action queries: the format of the query each asks, and the window its
// reply is read through.
const std::map<std::string, std::pair<std::string, size_t>> kActionQueries = {
    {"Change", {"Change \"%s\" \"%s\" %d %d %d %d %d", 40}},
    {"Change2", {"Change \"%s\" \"%s\" %d %d %d %d %d", 40}},
    {"ChangeNext", {"ChangeNext", 20}},
    {"ChangeParaAttr", {"ChangeParaAttr \"%s\" %d %d", 40}},
    {"ChangeParaAttr1", {"ChangeParaAttr1 \"%s\" %f %f %d %d %d", 20}},
    {"ChangeParaAttr2", {"ChangeParaAttr2 %f %d \"%s\" %d ", 20}},
    {"ChangeWindow", {"ChangeWindow %d ", 20}},
    {"CloseStory", {"CloseStory %d ", 20}},
    {"DisplaySpecial", {"DisplaySpecial %d ", 20}},
    {"DisplayStyleNames", {"DisplayStyleNames %d ", 20}},
};

// Readers ask their own name; the window each reads its reply through (0: the
// whole reply).
const std::map<std::string, size_t> kReaderWindows = {
    {"GetFont", 0},    {"GetSize", 0},       {"GetTrack", 0},         {"GetTypeOptions", 0},  {"GetLeading", 0},
    {"GetWidth", 0},   {"GetPageRect", 50},  {"GetSelectInfo", 50},   {"GetStyle", 0},        {"GetLockGuides", 5},
    {"GetSnapToGuides", 5}, {"GetTextCursor", 0}, {"GetLock", 10},
};

// One argument as the independent rendering sees it.
struct Rendered {
    enum Kind { Text, Short, Integer, Real } kind;
    std::string text;
    long long integer = 0;
    double real = 0;
};

// The fixed argument of type T at position i (from 1), and its rendering.
// Positions give distinct values, so a swapped pair of arguments shows.
template <class T>
struct Fixed;
template <>
struct Fixed<std::string> {
    static std::string Arg(int i) { return "t" + std::to_string(i) + " \"q\", x"; }
    static Rendered Render(int i) { return {Rendered::Text, Arg(i)}; }
};
template <>
struct Fixed<ShortText> {
    static std::string Raw(int i) { return std::to_string(i) + std::string(300, static_cast<char>('a' + i)); }
    static ShortText Arg(int i) { return ShortText(Raw(i)); }
    static Rendered Render(int i) { return {Rendered::Short, Raw(i)}; }
};
template <>
struct Fixed<int32_t> {
    static int32_t Arg(int i) { return (i % 2 ? -1 : 1) * (i * 1000003 + 7); }
    static Rendered Render(int i) { return {Rendered::Integer, "", Arg(i)}; }
};
template <>
struct Fixed<int8_t> {
    static int8_t Arg(int i) { return static_cast<int8_t>(i % 2 ? -(100 + i) : 100 + i); }
    static Rendered Render(int i) { return {Rendered::Integer, "", Arg(i)}; }
};
template <>
struct Fixed<uint8_t> {
    static uint8_t Arg(int i) { return static_cast<uint8_t>(200 + i); }
    static Rendered Render(int i) { return {Rendered::Integer, "", Arg(i)}; }
};
template <>
struct Fixed<float> {
    // Quarters: exact in binary, so no rendering has a rounding tie to settle.
    static float Arg(int i) { return static_cast<float>(i % 2 ? -1 : 1) * (static_cast<float>(i) * 10 + 0.25f); }
    static Rendered Render(int i) { return {Rendered::Real, "", 0, Arg(i)}; }
};

// Fills `format` with `values` the way the C library prints them, then puts
// `decimal` in place of the point of every real. Adds a failure when a
// placeholder does not match its value's kind.
std::string RenderFormat(const std::string& format, const std::vector<Rendered>& values, char decimal) {
    std::string out;
    size_t next = 0;
    auto take = [&](std::initializer_list<Rendered::Kind> kinds) -> const Rendered* {
        if (next >= values.size()) {
            ADD_FAILURE() << "format \"" << format << "\" has more placeholders than arguments";
            return nullptr;
        }
        const Rendered& value = values[next++];
        if (std::find(kinds.begin(), kinds.end(), value.kind) == kinds.end()) {
            ADD_FAILURE() << "format \"" << format << "\": placeholder " << next << " does not fit its argument";
            return nullptr;
        }
        return &value;
    };
    auto real = [&](const char* conversion, double v) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, conversion, v);
        std::string text = buffer;
        std::replace(text.begin(), text.end(), '.', decimal);
        return text;
    };
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            out += format[i];
            continue;
        }
        const std::string rest = format.substr(i + 1);
        if (rest.rfind("3.0f", 0) == 0) {
            if (auto v = take({Rendered::Real})) out += real("%3.0f", v->real);
            i += 4;
        } else if (rest[0] == 's') {
            if (auto v = take({Rendered::Text, Rendered::Short}))
                out += v->kind == Rendered::Short ? v->text.substr(0, 255) : v->text;
            ++i;
        } else if (rest[0] == 'd') {
            if (auto v = take({Rendered::Integer})) out += std::to_string(v->integer);
            ++i;
        } else if (rest[0] == 'f' || rest[0] == 'n') {
            // Below 1000 the grouped form is the fixed one.
            if (auto v = take({Rendered::Real})) {
                if (rest[0] == 'n' && std::fabs(v->real) >= 1000) ADD_FAILURE() << "grouped value too large";
                out += real("%.2f", v->real);
            }
            ++i;
        } else if (rest[0] == 'g') {
            if (auto v = take({Rendered::Real})) out += real("%.15g", v->real);
            ++i;
        } else {
            ADD_FAILURE() << "format \"" << format << "\": unknown placeholder";
        }
    }
    if (next != values.size()) ADD_FAILURE() << "format \"" << format << "\" leaves arguments unused";
    return out;
}

// Reader outputs: a sentinel, the reply field at position i, and its value.
template <class T>
struct Out;
template <>
struct Out<float> {
    static float Sentinel() { return -777.25f; }
    static std::string Field(int i) { return std::to_string(i) + ".5"; }
    static float Expected(int i) { return static_cast<float>(i) + 0.5f; }
};
template <>
struct Out<int32_t> {
    static int32_t Sentinel() { return static_cast<int32_t>(0xDEADBEEF); }
    static std::string Field(int i) { return "-" + std::to_string(i * 7) + ".75"; }
    static int32_t Expected(int i) { return -i * 7; }
};
template <>
struct Out<uint8_t> {
    static uint8_t Sentinel() { return 0xAB; }
    static std::string Field(int i) { return std::to_string(256 + i * 3); }
    static uint8_t Expected(int i) { return static_cast<uint8_t>(i * 3); }
};
template <>
struct Out<std::string> {
    static std::string Sentinel() { return "was:"; }
    static std::string Field(int i) { return "\"name, " + std::to_string(i) + "\""; }
    static std::string Expected(int i) { return "was:name, " + std::to_string(i); }
};

class VocabularyTest : public HostedPmDDE {
protected:
    void Decimal(char decimal) { platform::ProcessNumberFormat() = platform::NumberFormat{decimal, ' '}; }
    char DecimalNow() const { return platform::ProcessNumberFormat().decimal; }

    void Plain(const char* name, void (TPmDDE::*op)()) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(kPlainCommands.count(name)) << "not a command without arguments";
        host.log.clear();
        (pm.*op)();
        EXPECT_EQ(host.log, std::vector<std::string>{std::string("exec ") + name});
        plain.insert(name);
    }

    template <class... A>
    void Command(const char* name, void (TPmDDE::*op)(A...)) {
        SCOPED_TRACE(name);
        commands.insert(name);
        const auto format = kCommandFormats.find(name);
        if (format == kCommandFormats.end()) {
            ADD_FAILURE() << "not a command with arguments";
            return;
        }
        Command(format->second, op, std::index_sequence_for<A...>());
    }

    template <class... A>
    void Action(const char* name, int32_t (TPmDDE::*op)(A...)) {
        SCOPED_TRACE(name);
        actions.insert(name);
        const auto query = kActionQueries.find(name);
        if (query == kActionQueries.end()) {
            ADD_FAILURE() << "not an action query";
            return;
        }
        Action(query->second.first, query->second.second, op, std::index_sequence_for<A...>());
    }

    template <class R>
    void Value(const char* name, R (TPmDDE::*op)()) {
        SCOPED_TRACE(name);
        readers.insert(name);
        const size_t window = WindowOf(name);
        host.log.clear();
        host.replies[name] = "-3.5";
        EXPECT_EQ((pm.*op)(), static_cast<R>(std::is_integral<R>::value ? -3 : -3.5f));
        EXPECT_EQ(host.log, std::vector<std::string>{std::string("ask ") + name});
        ExpectWindow(name, window, [&] { (pm.*op)(); });
    }

    template <class... O>
    void Reader(const char* name, void (TPmDDE::*op)(O...)) {
        SCOPED_TRACE(name);
        readers.insert(name);
        Reader(name, WindowOf(name), op, std::index_sequence_for<O...>());
    }

    // The rows of each kind that were sent.
    std::set<std::string> plain, commands, actions, readers;

private:
    static size_t WindowOf(const std::string& reader) {
        const auto window = kReaderWindows.find(reader);
        if (window == kReaderWindows.end()) ADD_FAILURE() << "not a reader";
        return window == kReaderWindows.end() ? 0 : window->second;
    }

    template <class... A, size_t... I>
    void Command(const std::string& format, void (TPmDDE::*op)(A...), std::index_sequence<I...>) {
        host.log.clear();
        (pm.*op)(Fixed<std::decay_t<A>>::Arg(static_cast<int>(I) + 1)...);
        const std::string expected =
            RenderFormat(format, {Fixed<std::decay_t<A>>::Render(static_cast<int>(I) + 1)...}, DecimalNow());
        EXPECT_EQ(host.log, std::vector<std::string>{"exec " + expected});
    }

    template <class... A, size_t... I>
    void Action(const std::string& format, size_t window, int32_t (TPmDDE::*op)(A...), std::index_sequence<I...>) {
        const std::string query =
            RenderFormat(format, {Fixed<std::decay_t<A>>::Render(static_cast<int>(I) + 1)...}, DecimalNow());
        host.log.clear();
        host.replies[query] = "-42.9,7";
        // A query other than the expected one goes unanswered: the log below
        // names it.
        int32_t result = 0;
        EXPECT_NO_THROW(result = (pm.*op)(Fixed<std::decay_t<A>>::Arg(static_cast<int>(I) + 1)...));
        EXPECT_EQ(result, -42);
        EXPECT_EQ(host.log, std::vector<std::string>{"ask " + query});
        host.replies.erase(query);
        ExpectWindow(query, window, [&] { (pm.*op)(Fixed<std::decay_t<A>>::Arg(static_cast<int>(I) + 1)...); });
    }

    template <class... O, size_t... I>
    void Reader(const char* name, size_t window, void (TPmDDE::*op)(O...), std::index_sequence<I...>) {
        std::tuple<std::decay_t<O>...> outs{Out<std::decay_t<O>>::Sentinel()...};
        std::string reply;
        ((reply += (I ? "," : "") + Out<std::decay_t<O>>::Field(static_cast<int>(I) + 1)), ...);
        ASSERT_TRUE(window == 0 || reply.size() <= window) << "the test's reply does not fit the window";
        host.log.clear();
        host.replies[name] = reply;
        (pm.*op)(std::get<I>(outs)...);
        (ExpectOutput(std::get<I>(outs), Out<std::decay_t<O>>::Expected(static_cast<int>(I) + 1), I + 1), ...);
        EXPECT_EQ(host.log, std::vector<std::string>{std::string("ask ") + name});
        // A reader whose first output is a number shows its window in the
        // failure, which names the reply as read.
        if constexpr (!std::is_same_v<std::decay_t<std::tuple_element_t<0, std::tuple<O...>>>, std::string>)
            ExpectWindow(name, window, [&] { (pm.*op)(std::get<I>(outs)...); });
    }

    template <class T>
    static void ExpectOutput(const T& got, const T& expected, size_t position) {
        EXPECT_EQ(got, expected) << "output " << position;
    }

    // Answers `query` with 70 characters that are not a number and expects
    // the failure to name the reply cut to `window` (0: whole).
    template <class F>
    void ExpectWindow(const std::string& query, size_t window, F&& ask) {
        const std::string reply(70, 'x');
        host.replies[query] = reply;
        const std::string read = window ? reply.substr(0, window) : reply;
        EXPECT_EQ(MessageOf<EPmCantExtractNumber>(ask), "Невозможно извлечь числовое значение из строки " + read +
                                                            ", с позиции 1 до " + std::to_string(read.size() + 2));
        host.replies.erase(query);
    }
};

TEST_F(VocabularyTest, RowsStandInTheVirtualOrder) {
    std::vector<std::string> rows;
#define PM_PLAIN(Name) rows.push_back(#Name);
#define PM_COMMAND(Name, Format, ...) rows.push_back(#Name);
#define PM_ACTION(Name, Format, Window, ...) rows.push_back(#Name);
#define PM_VALUE(Result, Name, Window) rows.push_back(#Name);
#define PM_READER(Name, Window, ...) rows.push_back(#Name);
#define PM_OWN(Result, Name, Params) rows.push_back(#Name);
#include "pmdde/vocabulary.def"
    EXPECT_EQ(rows, kVirtualOrder);
}

// Each regular row sends its own text, filled from its arguments; the texts
// come from the lists above, not from the rows' formats.
TEST_F(VocabularyTest, EveryRegularCommandSendsItsText) {
    for (char decimal : {'.', ','}) {
        SCOPED_TRACE(std::string("decimal separator ") + decimal);
        Decimal(decimal);
#define PM_PLAIN(Name) Plain(#Name, &TPmDDE::Name);
#define PM_COMMAND(Name, Format, ...) Command(#Name, &TPmDDE::Name);
#include "pmdde/vocabulary.def"
    }
    EXPECT_EQ(plain, kPlainCommands);
    EXPECT_EQ(commands.size(), kCommandFormats.size()) << "a listed command has no row of its kind";
    EXPECT_EQ(plain.size() + commands.size(), 117u);
}

TEST_F(VocabularyTest, EveryActionQueryAsksItsTextAndReadsItsWindow) {
    for (char decimal : {'.', ','}) {
        SCOPED_TRACE(std::string("decimal separator ") + decimal);
        Decimal(decimal);
#define PM_ACTION(Name, Format, Window, ...) Action(#Name, &TPmDDE::Name);
#include "pmdde/vocabulary.def"
    }
    EXPECT_EQ(actions.size(), kActionQueries.size()) << "a listed action query has no row of its kind";
    EXPECT_EQ(actions.size(), 10u);
}

TEST_F(VocabularyTest, EveryReaderAsksItsNameAndFillsItsOutputsInOrder) {
#define PM_VALUE(Result, Name, Window) Value(#Name, &TPmDDE::Name);
#define PM_READER(Name, Window, ...) Reader(#Name, &TPmDDE::Name);
#include "pmdde/vocabulary.def"
    // The 13 readers but GetMasterPage, and the selection information.
    EXPECT_EQ(readers.size(), kReaderWindows.size()) << "a listed reader has no row of its kind";
    EXPECT_EQ(readers.size(), 13u);
}

TEST_F(VocabularyTest, EveryIrregularRowHasItsOwnExpectation) {
    // Irregular commands: one call each and its exact text.
    const std::map<std::string, std::pair<std::function<void()>, std::string>> commandsByName = {
        {"Book", {[&] { pm.Book(7, 2, {"x \"y\"", "z"}); }, "Book 7 2 \"x \"y\"\" \"z\""}},
        {"ChangeEnv", {[&] { pm.ChangeEnv(0x0A); }, "ChangeEnv 1 3"}},
        {"Crop", {[&] { pm.Crop(2, -1.25f, 3); }, "crop 2 -1.25"}},
        {"Import",
         {[&] { pm.Import("a b", 1, 2, -3, 4, -5, 2, {{"N1", "V1"}, {"N2", "V2"}}); },
          "Import \"a b\" 1 2 -3 4 -5 N1 V1  N2 V2 "}},
        {"New", {[&] { pm.New(12); }, "New 12"}},
        {"Move", {[&] { pm.Move(6, 1, -2); }, "move 6 1.00 -2.00"}},
        {"PrivateString",
         {[&] { pm.PrivateString("a", "b", 1, 2, 3, 4, "d"); }, "PrivateString \"a\" \"b\" classstory 2 1 3 4 \"d\""}},
        {"DeletePrivateData",
         {[&] { pm.DeletePrivateData("a", "b", 2, 3, 2, {4, 5}); }, "DeletePrivateData \"a\" \"b\" classpub 3 2  4 5"}},
    };
    // Irregular queries, each covered by the tests of its own concern but
    // GetMasterPage, whose reply is given back unread (below).
    const std::set<std::string> queries = {"GetHorizGuides",     "GetVertGuides",   "GetSelectIDListTop",
                                           "GetSelectIDList",    "GetFontList",     "GetStyleNames",
                                           "GetMasterPage",      "GetObjectIDListTop", "GetObjectIDList",
                                           "GetPrivateString",   "GetPrivateList"};
    std::vector<std::string> irregular;
#define PM_OWN(Result, Name, Params) irregular.push_back(#Name);
#include "pmdde/vocabulary.def"
    for (const std::string& name : irregular)
        EXPECT_EQ(commandsByName.count(name) + queries.count(name), 1u) << name << " is covered by neither list";
    EXPECT_EQ(irregular.size(), commandsByName.size() + queries.size());

    for (const auto& [name, call] : commandsByName) {
        SCOPED_TRACE(name);
        host.log.clear();
        call.first();
        EXPECT_EQ(host.log, std::vector<std::string>{"exec " + call.second});
    }

    host.log.clear();
    host.replies["GetMasterPage"] = "2,\"A, \"\"B\",x";
    std::string page = "was";
    pm.GetMasterPage(page);
    EXPECT_EQ(page, "2,\"A, \"\"B\",x");
    EXPECT_EQ(host.log, std::vector<std::string>{"ask GetMasterPage"});
}

}  // namespace

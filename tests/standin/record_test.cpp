// What the host stand-in records and reads: the transcript, the dumps, the
// publication file and the sample play shipped with it.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

#include "standin/host/dump.h"
#include "standin/host/story_rtf.h"
#include "tests/standin/host_fixture.h"

namespace standin {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// A fresh folder per test, removed afterwards.
class TempDir {
public:
    TempDir() : path_(fs::temp_directory_path() / ("standin_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                                                  ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempDir() { fs::remove_all(path_); }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

class RecordTest : public HostFixture {};

TEST_F(RecordTest, TheTranscriptHoldsEveryExchangeInOrderWithItsOutcome) {
    Send("TextSelect 0 4");
    Send("Copy");
    Ask("GetTextCursor");
    host->Request("GetPageRect");
    Send("Bogus 1");
    const auto& entries = host->transcript().Entries();
    ASSERT_EQ(entries.size(), 6u);
    EXPECT_EQ(entries[0].text, "start");
    using K = TranscriptEntry::Kind;
    const struct {
        K kind;
        const char* text;
        bool ok;
        const char* reply;
    } expected[] = {
        {K::Command, "TextSelect 0 4", true, nullptr},
        {K::Command, "Copy", true, nullptr},
        {K::Query, "GetTextCursor", true, "1,0,4"},
        {K::Query, "GetPageRect", false, nullptr},
        {K::Command, "Bogus 1", false, nullptr},
    };
    for (size_t i = 0; i < 5; ++i) {
        const auto& entry = entries[i + 1];
        EXPECT_EQ(entry.kind, expected[i].kind) << i;
        EXPECT_EQ(entry.text, expected[i].text) << i;
        EXPECT_EQ(entry.accepted, expected[i].ok) << i;
        EXPECT_EQ(entry.reply, expected[i].reply ? std::optional<std::string>(expected[i].reply) : std::nullopt) << i;
        EXPECT_GE(entry.seconds, entries[i].seconds) << i;
    }
}

TEST_F(RecordTest, TheTranscriptFileHasOneJsonLinePerEntryInUtf8) {
    TempDir dir;
    std::string error;
    Send("SetTextCursor 1 11 16");  // before the file opens: written when it opens
    ASSERT_TRUE(host->transcript().OpenFile(dir.path() / "t.jsonl", error)) << error;
    Ask("GetStyle");
    host->Request("Nope");
    std::istringstream lines(ReadFile(dir.path() / "t.jsonl"));
    std::vector<json> parsed;
    for (std::string line; std::getline(lines, line);) parsed.push_back(json::parse(line));
    ASSERT_EQ(parsed.size(), 4u);
    EXPECT_EQ(parsed[1]["kind"], "command");
    EXPECT_EQ(parsed[2], json::parse(R"({"t": )" + parsed[2]["t"].dump() +
                                     R"(, "kind": "query", "text": "GetStyle", "ok": true, "reply": "\"Реплика\""})"));
    EXPECT_EQ(parsed[3]["reply"], nullptr);
    EXPECT_EQ(parsed[3]["note"], "unknown query, refused");
}

TEST_F(RecordTest, ADeferredTranscriptReachesItsFileWholeAtEachFlush) {
    TempDir dir;
    std::string error;
    const auto path = dir.path() / "t.jsonl";
    ASSERT_TRUE(host->transcript().OpenFile(path, error)) << error;
    const size_t opened = host->transcript().Entries().size();
    host->transcript().Defer();
    Send("SetTextCursor 1 11 16");
    Ask("GetStyle");
    auto lines = [&] {
        const std::string text = ReadFile(path);
        return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
    };
    EXPECT_EQ(lines(), opened);
    host->transcript().Flush();
    EXPECT_EQ(lines(), opened + 2);
    Ask("GetStyle");
    host->transcript().Flush();
    host->transcript().Flush();  // nothing new: nothing written twice
    EXPECT_EQ(lines(), opened + 3);
}

TEST_F(RecordTest, TranscriptFileInAMissingFolderIsAnError) {
    std::string error;
    EXPECT_FALSE(host->transcript().OpenFile("/nonexistent-folder/t.jsonl", error));
    EXPECT_EQ(error, "cannot write the transcript /nonexistent-folder/t.jsonl");
}

TEST_F(RecordTest, TheJsonDumpLoadsBackWithItsFormatting) {
    Send("SetTextCursor 1 11 16");
    Send("TypeStyle 1");
    Send("Font \"Arial Cyr\"");
    Send("SuppressAutosave 1");
    Send("SetTextCursor 1 2 5");
    const json dumped = json::parse(DumpJson(host->publication(), {true, 7}));
    EXPECT_EQ(dumped["host"], json::parse(R"({"autosave_suppressed": true, "exchanges": 7})"));
    EXPECT_EQ(dumped["selection"], json::parse("[2, 5]"));
    const json& runs = dumped["paragraphs"][2]["runs"];
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0]["from"], 0);
    EXPECT_EQ(runs[0]["to"], 5);
    EXPECT_EQ(runs[0]["font"], "Arial Cyr");
    EXPECT_EQ(runs[0]["type_style"], json::parse(R"(["bold"])"));
    EXPECT_EQ(runs[1]["type_style"], json::array());
    EXPECT_EQ(dumped["paragraphs"][1]["runs"], json::array());
    EXPECT_EQ(dumped["styles"][1]["shift"], -1.5);

    std::string error;
    auto reloaded = ParsePublication(dumped.dump(), error);
    ASSERT_TRUE(reloaded) << error;
    EXPECT_EQ(reloaded->story.Text(), host->publication().story.Text());
    for (int at = 0; at < reloaded->story.Length(); ++at) {
        if (reloaded->story.Text()[static_cast<size_t>(at)] == '\r') continue;  // paragraph ends are not dumped
        EXPECT_EQ(reloaded->formats[reloaded->story.FormatAt(at)], FormatAt(at)) << "position " << at;
    }
    EXPECT_EQ(reloaded->story.Caret(), 5);
}

TEST_F(RecordTest, TheHtmlDumpShowsFormattingAndEscapesText) {
    Load(R"({"name": "A<B", "styles": [{"name": "S"}], "paragraphs": ["x<y&z", "Анна. Да."]})");
    Send("SetTextCursor 1 6 10");
    Send("TypeStyle 1");
    Send("TypeStyle 2");
    Send("TypeOptions -2 -2 -2 -2 2 1");
    Send("SetWidth 80");
    const std::string page = DumpHtml(host->publication(), {});
    EXPECT_NE(page.find("<title>A&lt;B</title>"), std::string::npos);
    EXPECT_NE(page.find(">x&lt;y&amp;z</span>"), std::string::npos);
    const size_t name = page.find(">Анна</span>");
    ASSERT_NE(name, std::string::npos) << page;
    const std::string span = page.substr(page.rfind("<span", name), name - page.rfind("<span", name));
    for (const char* css : {"font-weight:bold", "font-style:italic", "vertical-align:-2pt", "scaleX(0.8)"})
        EXPECT_NE(span.find(css), std::string::npos) << css << " in " << span;
}

TEST_F(RecordTest, StandinDumpWritesBothFilesWhole) {
    TempDir dir;
    host->dumpJsonPath = dir.path() / "d.json";
    host->dumpHtmlPath = dir.path() / "d.html";
    Send("SetTextCursor 1 0 4");
    Send("Size 20");
    EXPECT_EQ(Ask("StandinDump"), "1");
    const json dumped = json::parse(ReadFile(dir.path() / "d.json"));
    EXPECT_EQ(dumped["paragraphs"][0]["runs"][0]["size"], 20);
    EXPECT_NE(ReadFile(dir.path() / "d.html").find("font-size:20pt"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir.path() / "d.json.tmp"));
}

TEST_F(RecordTest, AFailedDumpIsReportedAndLeavesNoFile) {
    host->dumpJsonPath = "/nonexistent-folder/d.json";
    EXPECT_EQ(Ask("StandinDump"), "0");
    EXPECT_EQ(Last().note, "cannot write /nonexistent-folder/d.json");
    host->dumpJsonPath.clear();
    EXPECT_EQ(Ask("StandinDump"), "0");
    EXPECT_EQ(Last().note, "no dump file set");
}

TEST_F(RecordTest, ADumpReplacesTheOldFileWhole) {
    TempDir dir;
    const fs::path path = dir.path() / "d.json";
    std::ofstream(path) << "old content that is longer than nothing";
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path, "new", error)) << error;
    EXPECT_EQ(ReadFile(path), "new");
}

TEST_F(RecordTest, TheViewsRtfCarriesTextRunsAndParagraphEnds) {
    Load(R"({"styles": [{"name": "S", "font": "F1"}], "paragraphs": ["А{b}\\", "x", "y"]})");
    Send("SetTextCursor 1 0 1");
    Send("TypeStyle 1");
    Send("Font \"F2\"");
    const std::string all = StoryRtf(host->publication(), 3);
    EXPECT_EQ(all.substr(0, all.find("}}") + 2),
              "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fnil\\fcharset204 F1;}{\\f1\\fnil\\fcharset204 F2;}}");
    EXPECT_NE(all.find("\\plain\\f1\\fs24\\b \\'c0\\plain\\f0\\fs24 \\{b\\}\\\\\\par\nx\\par\ny}"), std::string::npos) << all;
    const std::string cut = StoryRtf(host->publication(), 1);
    EXPECT_EQ(cut.find("x"), std::string::npos);
    EXPECT_NE(cut.find("\\par\n\\plain\\i [2 more paragraphs are not shown here]}"), std::string::npos) << cut;
}

// --- The publication file -----------------------------------------------------

std::string LoadError(const std::string& json) {
    std::string error;
    auto pub = ParsePublication(json, error);
    return pub ? "<loaded>" : error;
}

TEST(PublicationTest, MistakesAreNamedWithTheirPlace) {
    const struct {
        const char *json, *error;
    } cases[] = {
        {R"([1])", "publication: expected a JSON object"},
        {R"({"styles": []})", "styles: expected a list of at least one style"},
        {R"({"paragraphs": ["a"]})", "styles: expected a list of at least one style"},
        {R"({"styles": [{"name": "S"}, {"name": "S"}]})", "styles[1].name: a second style of that name"},
        {R"({"styles": [{"name": "S", "size": 700}]})", "styles[0]: size 700 is outside 4 to 650"},
        {R"({"styles": [{"name": "S", "colour": 1}]})", "styles[0].colour: unknown key"},
        {R"({"styles": [{"name": "S", "type_style": ["bald"]}]})", "styles[0].type_style: unknown type style \"bald\""},
        {R"({"styles": [{"name": "S"}], "paragraphs": [{"style": "T", "text": "a"}]})", "paragraphs[0].style: no style \"T\""},
        {R"({"styles": [{"name": "S"}], "paragraphs": ["a\nb"]})", "paragraphs[0]: holds a control character or a line break"},
        {R"({"styles": [{"name": "S"}], "paragraphs": [{"style": "S", "text": "ab", "runs": [{"from": 1, "to": 3}]}]})",
         "paragraphs[0].runs[0].to: 3 is outside 1 to 2"},
        {R"({"styles": [{"name": "S"}], "paragraphs": [{"style": "S", "text": "ab", "runs": [{"from": 0, "to": 1, "size": "big"}]}]})",
         "paragraphs[0].runs[0].size: expected a number"},
        {R"({"styles": [{"name": "S"}], "paragraphs": ["ab"], "selection": [0, 3]})", "selection[1]: 3 is outside 0 to 2"},
        {R"({"styles": [{"name": "S"}], "faults": {"busy": "often"}})", "faults.busy: fault option busy: expected N, got \"often\""},
        {R"({"styles": [{"name": "S"}], "fonts": [{"name": ""}]})", "fonts[0].name: must not be empty"},
        {R"({"styles": [{"name": "S"}], "chapters": []})", "chapters: unknown key"},
        {R"({"styles": [{"name": "S"}], "paragraphs": ["日本"]})", "paragraphs[0]: holds characters that the ANSI code page lacks"},
    };
    for (const auto& c : cases) EXPECT_EQ(LoadError(c.json), c.error) << c.json;
    EXPECT_EQ(LoadError("{\"styles\": ").rfind("not valid JSON: ", 0), 0u);
}

TEST(PublicationTest, AStoryWithoutParagraphsHasOneEmptyParagraph) {
    std::string error;
    auto pub = ParsePublication(R"({"styles": [{"name": "S"}]})", error);
    ASSERT_TRUE(pub) << error;
    EXPECT_EQ(pub->story.ParagraphCount(), 1);
    EXPECT_EQ(pub->story.Length(), 0);
    EXPECT_EQ(pub->name, "Untitled");
}

TEST(PublicationTest, AMissingFileIsNamed) {
    std::string error;
    EXPECT_FALSE(LoadPublication("/nonexistent-folder/p.json", error));
    EXPECT_EQ(error, "cannot read the publication /nonexistent-folder/p.json");
}

// The sample play holds the cases the program's tests rely on.
TEST(SamplePlayTest, HoldsTheCastsEdgeCases) {
    std::string error;
    auto pub = LoadPublication(fs::path(STANDIN_SAMPLE_DIR) / "play.json", error);
    ASSERT_TRUE(pub) << error;
    const Story& story = pub->story;
    EXPECT_EQ(story.ParagraphCount(), 40);

    std::vector<std::string> cast;
    std::istringstream words(ReadFile(fs::path(STANDIN_SAMPLE_DIR) / "words.txt"));
    for (std::string line; std::getline(words, line, '\n');) {
        ASSERT_FALSE(line.empty());
        ASSERT_EQ(line.back(), '\r') << "lines end with CR LF";
        cast.push_back(line.substr(0, line.size() - 1));
    }
    ASSERT_EQ(cast.size(), 8u);
    size_t longest = 0;
    for (const auto& name : cast) longest = std::max(longest, name.size());

    auto opens = [](std::string_view text, const std::string& name) { return text.substr(0, name.size()) == name; };
    int extendedNames = 0, otherCase = 0, shortParagraphs = 0, empty = 0;
    std::set<int> styles;
    for (int p = 0; p < story.ParagraphCount(); ++p) {
        const std::string_view text = story.ParagraphText(p);
        styles.insert(story.ParagraphStyle(p));
        empty += text.empty();
        if (!text.empty() && text.size() < longest) ++shortParagraphs;
        if (opens(text, platform::Utf8ToAnsi("Анна Павловна"))) ++extendedNames;
        if (opens(text, platform::Utf8ToAnsi("ВЕРА"))) ++otherCase;
    }
    for (const auto& name : cast) {
        int opening = 0;
        for (int p = 0; p < story.ParagraphCount(); ++p) opening += opens(story.ParagraphText(p), name);
        EXPECT_GT(opening, 0) << platform::AnsiToUtf8(name) << " opens no paragraph";
    }
    EXPECT_GE(extendedNames, 2);
    EXPECT_EQ(otherCase, 1);
    EXPECT_GE(shortParagraphs, 2);
    EXPECT_EQ(empty, 1);
    EXPECT_GE(styles.size(), 3u);
    EXPECT_GE(pub->fonts.size(), 3u);
}

}  // namespace
}  // namespace standin

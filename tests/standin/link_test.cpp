// The host stand-in driven through the real command link (TPmDDE over the
// in-process conversation): the link's scanners read every reply the host
// writes, and a whole-story walk over the sample play formats exactly the
// names that open its paragraphs.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "platform/locale.h"
#include "platform/standin/dde_conversation.h"
#include "platform/standin/services.h"
#include "pmdde/PMDDE1.h"
#include "standin/host/host.h"
#include "tests/pmdde/scripted_host.h"

namespace standin {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> ReadCast() {
    std::ifstream file(fs::path(STANDIN_SAMPLE_DIR) / "words.txt", std::ios::binary);
    std::vector<std::string> cast;
    for (std::string line; std::getline(file, line);) cast.push_back(line.substr(0, line.find('\r')));
    std::sort(cast.begin(), cast.end());
    return cast;
}

class StandinThroughLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedFormat = platform::ProcessNumberFormat();
        platform::ProcessNumberFormat().decimal = '.';
        std::string error;
        auto pub = LoadPublication(fs::path(STANDIN_SAMPLE_DIR) / "play.json", error);
        ASSERT_TRUE(pub) << error;
        host = std::make_unique<PageMakerHost>(std::move(*pub), clipboard);
        host->strict = true;
        conv.server = host.get();
        pm.DDEConv = &conv;
        pm.OpenLink();
    }
    void TearDown() override { platform::ProcessNumberFormat() = savedFormat; }

    // Formats every paragraph that opens with a listed name, as the
    // program's whole-story walk sends it.
    void WalkWholeStory(const std::vector<std::string>& cast) {
        size_t longest = 0;
        for (const auto& name : cast) longest = std::max(longest, name.size());
        const int maxLen = static_cast<int>(longest);
        int32_t s = 0, a = 0, b = 0, e = 0, p = 0, unused = 0;
        pm.SuppressAutosave(1);
        pm.GetTextCursor(s, a, b);
        pm.TextCursor(10, 1);
        pm.GetTextCursor(unused, unused, e);
        pm.TextCursor(11, 1);
        do {
            pm.TextSelect(0, maxLen);
            pm.GetPMState();
            ASSERT_TRUE(clipboard.Clear());
            pm.Copy();
            pm.GetPMState();
            const std::string copied = clipboard.ReadText().value_or("");
            pm.TextSelect(1, maxLen);
            for (auto name = cast.rbegin(); name != cast.rend(); ++name) {
                if (name->empty() || copied.find(*name) != 0) continue;
                const int n = static_cast<int>(name->size());
                pm.TextSelect(0, n);
                pm.KernText(-0.05f);
                pm.Font("Courier New Cyr");
                pm.Size(10.5f);
                pm.Track(2);
                pm.SetWidth(95);
                pm.TypeStyle(0);
                pm.TypeStyle(1);
                pm.TypeOptions(-2, -2, -2, -2, 1.5f, 1);
                pm.TextSelect(1, n);
                break;
            }
            pm.TextCursor(6, 1);
            pm.GetTextCursor(unused, unused, p);
        } while (p < e);
        pm.SetTextCursor(s, a, b);
        pm.SuppressAutosave(0);
    }

    const CharFormat& FormatAt(int position) const {
        return host->publication().formats[host->publication().story.FormatAt(position)];
    }

    platform::NumberFormat savedFormat;
    platform::standin::Clipboard clipboard;
    std::unique_ptr<PageMakerHost> host;
    platform::standin::DdeConversation conv;
    TPmDDE pm;
};

TEST_F(StandinThroughLinkTest, AWholeStoryWalkFormatsTheLongestNameOpeningEachParagraph) {
    const auto cast = ReadCast();
    WalkWholeStory(cast);
    const Story& story = host->publication().story;
    int formatted = 0;
    for (int p = 0; p < story.ParagraphCount(); ++p) {
        const std::string_view text = story.ParagraphText(p);
        size_t expected = 0;
        for (const auto& name : cast)
            if (text.substr(0, name.size()) == name) expected = std::max(expected, name.size());
        const int start = story.ParagraphStart(p);
        for (int at = start; at < story.ParagraphEnd(p); ++at) {
            const bool inName = at < start + static_cast<int>(expected);
            const CharFormat& f = FormatAt(at);
            ASSERT_EQ(f.font == "Courier New Cyr", inName) << "paragraph " << p << " character " << at - start << ": "
                                                      << platform::AnsiToUtf8(text);
            if (inName) {
                EXPECT_FLOAT_EQ(f.size, 10.5f);
                EXPECT_EQ(f.track, 2);
                EXPECT_FLOAT_EQ(f.width, 95);
                EXPECT_EQ(f.typeStyle, kBold);
                EXPECT_FLOAT_EQ(f.shift, -1.5f);
                EXPECT_FLOAT_EQ(f.kern, -0.05f);
            }
        }
        formatted += expected > 0;
    }
    EXPECT_EQ(formatted, 31);  // "Веранда" opens with "Вера" too
    int32_t s = 0, a = -1, b = -1;
    pm.GetTextCursor(s, a, b);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 0);
    EXPECT_FALSE(host->AutosaveSuppressed());
    for (const auto& entry : host->transcript().Entries()) EXPECT_TRUE(entry.accepted) << entry.text << ": " << entry.note;
}

TEST_F(StandinThroughLinkTest, TheLinkReadsAStylesAttributes) {
    pm.StyleBegin(platform::Utf8ToAnsi("Примечание"));
    std::string font;
    pm.GetFont(font);
    EXPECT_EQ(font, "Arial Cyr");
    EXPECT_FLOAT_EQ(pm.GetSize(), 9);
    EXPECT_EQ(pm.GetTrack(), 0);
    EXPECT_FLOAT_EQ(pm.GetLeading(), -1);
    EXPECT_FLOAT_EQ(pm.GetWidth(), 100);
    float smallCaps = 0, superSize = 0, superPos = 0, subPos = 0, shift = 0;
    uint8_t down = 0xEE;
    pm.GetTypeOptions(smallCaps, superSize, superPos, subPos, shift, down);
    EXPECT_FLOAT_EQ(smallCaps, 700);
    EXPECT_FLOAT_EQ(shift, 30);
    EXPECT_EQ(down, 0);
    pm.StyleEnd();
    EXPECT_FLOAT_EQ(pm.GetSize(), 20);  // back to the text: the title's first character
}

TEST_F(StandinThroughLinkTest, TheLinkReadsTheStyleAndFontLists) {
    int32_t count = -1;
    std::vector<std::string> names{"sentinel"};
    pm.GetStyleNames(count, names);
    EXPECT_EQ(count, 5);
    ASSERT_EQ(names.size(), 5u);
    EXPECT_EQ(platform::AnsiToUtf8(names[3]), "Действующие лица");
    pm.GetFontList();
    ASSERT_EQ(pm.FontCount(), 6);
    EXPECT_EQ(pm.FontItem(1).Name, "Arial Cyr");
    EXPECT_EQ(pm.FontItem(1).Info1, 4);
    EXPECT_EQ(pm.FontItem(1).Info2, 204);
    EXPECT_EQ(pm.FontItem(5).Info3, 34);
    std::string style;
    pm.GetStyle(style);
    EXPECT_EQ(platform::AnsiToUtf8(style), "Заголовок");
}

TEST_F(StandinThroughLinkTest, RefusedAndEmptyRepliesBecomeFailedQueries) {
    std::string reply;
    EXPECT_EQ(MessageOf<EPmCantExecuteQuery>([&] { pm.ExecQuery("GetPageRect", reply); }),
              "Не могу получить данные от PageMaker - GetPageRect");
    std::string error;
    ASSERT_TRUE(SetFaultOption(host->faults, "empty-reply", "GetSize", error));
    EXPECT_EQ(MessageOf<EPmCantExecuteQuery>([&] { pm.GetSize(); }), "Не могу получить данные от PageMaker - GetSize");
}

TEST_F(StandinThroughLinkTest, ADroppedConversationFailsTheNextCommand) {
    std::string error;
    ASSERT_TRUE(SetFaultOption(host->faults, "drop-after", "2", error));
    pm.TextCursor(10, 1);
    pm.TextCursor(11, 1);
    EXPECT_EQ(MessageOf<EPmCantExecuteCommand>([&] { pm.Copy(); }), "Не могу выполнить команду PageMaker - Copy");
    pm.OpenLink();  // the host still runs: a new conversation works
    EXPECT_EQ(pm.GetPMState(), 7);
}

TEST_F(StandinThroughLinkTest, AQuittingHostLeavesNoServer) {
    std::string error;
    ASSERT_TRUE(SetFaultOption(host->faults, "quit-after", "1", error));
    pm.TextCursor(10, 1);
    EXPECT_EQ(conv.server, nullptr);
    EXPECT_THROW(pm.OpenLink(), EPmNotFound);
}

TEST_F(StandinThroughLinkTest, TheBusyWaitAsksUntilTheHostIsFree) {
    std::string error;
    ASSERT_TRUE(SetFaultOption(host->faults, "busy", "3", error));
    pm.LongOperation = true;
    int waits = 0;
    pm.OnWaitIfBusy = [&](TPmDDE&) { ++waits; };
    pm.TextCursor(10, 1);
    EXPECT_EQ(waits, 3);
    std::string sent;
    for (const auto& entry : host->transcript().Entries())
        if (entry.kind != TranscriptEntry::Kind::Event) sent += entry.text + (entry.reply ? "=" + *entry.reply : "") + " ";
    EXPECT_EQ(sent, "GetPMState=9 GetPMState=9 GetPMState=9 GetPMState=7 TextCursor 10 1 ");
}

}  // namespace
}  // namespace standin

// The host stand-in's commands and queries: the effects the formatting walk
// relies on, the formatting commands, the readers and the style definition.
#include "tests/standin/host_fixture.h"

namespace standin {
namespace {

class HostTest : public HostFixture {};

// --- Moving and selecting ---------------------------------------------------

TEST_F(HostTest, StoryEndAndStartMoves) {
    EXPECT_TRUE(Send("TextCursor 10 1"));
    EXPECT_EQ(Cursor(), "1,35,35");
    EXPECT_TRUE(Send("TextCursor 11 1"));
    EXPECT_EQ(Cursor(), "1,0,0");
}

TEST_F(HostTest, NextParagraphVisitsEveryParagraphThenTheStoryEnd) {
    std::vector<std::string> seen;
    for (int i = 0; i < 5; ++i) {
        Send("TextCursor 6 1");
        seen.push_back(Cursor());
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"1,10,10", "1,11,11", "1,28,28", "1,35,35", "1,35,35"}));
}

TEST_F(HostTest, ParagraphEndAndStartFromInsideAParagraph) {
    Send("SetTextCursor 1 15 15");
    Send("TextCursor 6 0");
    EXPECT_EQ(Cursor(), "1,27,27");
    Send("SetTextCursor 1 15 15");
    Send("TextCursor 7 0");
    EXPECT_EQ(Cursor(), "1,11,11");
    // At a paragraph's start and end the moves stay within that paragraph.
    Send("TextCursor 7 0");
    EXPECT_EQ(Cursor(), "1,11,11");
    Send("SetTextCursor 1 27 27");
    Send("TextCursor 6 0");
    EXPECT_EQ(Cursor(), "1,27,27");
}

TEST_F(HostTest, MovesStartFromTheCaretAndCollapseTheSelection) {
    Send("SetTextCursor 1 2 12");
    Send("TextCursor 6 1");
    EXPECT_EQ(Cursor(), "1,28,28");
}

TEST_F(HostTest, SelectCopyAndTakeBackLeavesTheInsertionPoint) {
    clipboard.text = "sentinel";
    Send("TextCursor 11 1");
    Send("TextSelect 0 12");
    EXPECT_EQ(Cursor(), "1,0,12");
    EXPECT_EQ(Ask("GetPMState"), "8");
    EXPECT_TRUE(Send("Copy"));
    EXPECT_EQ(platform::AnsiToUtf8(clipboard.text.value_or("<none>")), "Анна. Да.\r\n\r\nБ");
    Send("TextSelect 1 12");
    EXPECT_EQ(Cursor(), "1,0,0");
    EXPECT_EQ(Ask("GetPMState"), "7");
}

TEST_F(HostTest, SelectionPastTheStoryEndIsCutAndTakenBackToTheInsertionPoint) {
    Send("SetTextCursor 1 28 28");
    Send("TextSelect 0 13");
    EXPECT_EQ(Cursor(), "1,28,35");
    Send("Copy");
    EXPECT_EQ(platform::AnsiToUtf8(clipboard.text.value_or("<none>")), "Занавес");
    Send("TextSelect 1 13");
    EXPECT_EQ(Cursor(), "1,28,28");
}

TEST_F(HostTest, CopyWithNothingSelectedIsRefusedAndLeavesTheClipboard) {
    clipboard.text = "sentinel";
    EXPECT_FALSE(Send("Copy"));
    EXPECT_EQ(clipboard.text, "sentinel");
    EXPECT_EQ(Last().note, "nothing selected");
}

TEST_F(HostTest, CopyIsRefusedWhileAnotherProgramHoldsTheClipboard) {
    clipboard.heldByOther = true;
    Send("TextSelect 0 4");
    EXPECT_FALSE(Send("Copy"));
    EXPECT_EQ(Last().note, "the clipboard is held by another program");
}

TEST_F(HostTest, SetTextCursorOfAnotherStoryIsRefused) {
    Send("SetTextCursor 1 3 3");
    EXPECT_FALSE(Send("SetTextCursor 2 5 5"));
    EXPECT_EQ(Last().note, "no story 2");
    EXPECT_EQ(Cursor(), "1,3,3");
}

TEST_F(HostTest, SetTextCursorOutsideTheStoryIsClamped) {
    EXPECT_TRUE(Send("SetTextCursor 1 -4 99"));
    EXPECT_EQ(Cursor(), "1,0,35");
    EXPECT_EQ(host->transcript().Entries().rbegin()[1].note, "clamped to the story");
}

TEST_F(HostTest, ABackwardSelectionIsReportedStartFirst) {
    Send("SetTextCursor 1 20 12");
    EXPECT_EQ(Cursor(), "1,12,20");
    EXPECT_EQ(host->publication().story.Caret(), 12);
}

TEST_F(HostTest, TryPrefixAndLetterCaseAreAccepted) {
    EXPECT_TRUE(Send("try TextCursor 10 1"));
    EXPECT_EQ(Ask("gettextcursor"), "1,35,35");
    EXPECT_TRUE(Send("TRY textcursor 11 1"));
    EXPECT_EQ(Cursor(), "1,0,0");
}

TEST_F(HostTest, MalformedArgumentsAreRefused) {
    for (const char* command : {"TextCursor 6", "TextCursor 6 1 2", "TextSelect 0 x", "TextSelect 0 -3", "TextCursor 6 1.5",
                                "Font Arial", "Font \"Arial", "Size", "Copy now"}) {
        EXPECT_FALSE(Send(command)) << command;
        EXPECT_EQ(Last().note, "bad arguments") << command;
    }
    EXPECT_EQ(Cursor(), "1,0,0");
}

TEST_F(HostTest, UnknownCommandsAreAcknowledgedAndLoggedOrInStrictModeRefused) {
    EXPECT_FALSE(Send("SelectAll"));
    EXPECT_EQ(Last().note, "unknown command, refused (strict)");
    host->strict = false;
    EXPECT_TRUE(Send("SelectAll"));
    EXPECT_TRUE(Last().accepted);
    EXPECT_EQ(Last().note, "unknown command, ignored");
    EXPECT_TRUE(Send("TextCursor 4 1"));
    EXPECT_EQ(Last().note, "movement not supported by the stand-in, ignored");
}

TEST_F(HostTest, UnknownQueriesAndQueriesWithArgumentsAreRefused) {
    EXPECT_EQ(host->Request("GetPageRect"), std::nullopt);
    EXPECT_EQ(Last().note, "unknown query, refused");
    EXPECT_FALSE(Last().accepted);
    EXPECT_EQ(host->Request("GetSize 3"), std::nullopt);
}

// --- Formatting ---------------------------------------------------------------

TEST_F(HostTest, TheNameFormatReachesOnlyTheSelectedCharacters) {
    Send("SetTextCursor 1 11 11");
    Send("TextSelect 0 5");
    for (const char* command : {"KernText -0.05", "Font \"Arial Cyr\"", "Size 10.50", "Track 2", "SetWidth 95.5",
                                "TypeStyle 0", "TypeStyle 1", "TypeStyle 2", "TypeOptions -2.00 -2.00 -2.00 -2.00 1.50 1"})
        EXPECT_TRUE(Send(command)) << command << ": " << Last().note;
    for (int at : {11, 15}) {
        const CharFormat& f = FormatAt(at);
        EXPECT_EQ(f.font, "Arial Cyr");
        EXPECT_FLOAT_EQ(f.kern, -0.05f);
        EXPECT_FLOAT_EQ(f.size, 10.5f);
        EXPECT_EQ(f.track, 2);
        EXPECT_FLOAT_EQ(f.width, 95.5f);
        EXPECT_EQ(f.typeStyle, kBold | kItalic);
        EXPECT_FLOAT_EQ(f.shift, -1.5f);
    }
    for (int at : {10, 16}) {
        EXPECT_EQ(FormatAt(at).font, "Times New Roman Cyr") << at;
        EXPECT_FLOAT_EQ(FormatAt(at).size, at == 10 ? 10 : 12) << at;
    }
}

TEST_F(HostTest, ReadersReportTheFirstSelectedCharacter) {
    Send("SetTextCursor 1 11 16");
    Send("Font \"Arial Cyr\"");
    Send("Size 10.50");
    Send("TypeOptions 80 -2 -2 -2 2 0");
    EXPECT_EQ(Ask("GetFont"), "\"Arial Cyr\"");
    EXPECT_EQ(Ask("GetSize"), "10.5");
    EXPECT_EQ(Ask("GetTrack"), "0");
    EXPECT_EQ(Ask("GetLeading"), "-1");
    EXPECT_EQ(Ask("GetWidth"), "100");
    EXPECT_EQ(Ask("GetTypeOptions"), "800,583,333,333,20,0");
}

TEST_F(HostTest, AnInsertionPointReadsTheCharacterBeforeIt) {
    Send("SetTextCursor 1 11 16");
    Send("Size 20");
    Send("SetTextCursor 1 16 16");  // after the last formatted character
    EXPECT_EQ(Ask("GetSize"), "20");
    Send("SetTextCursor 1 11 11");  // after the empty paragraph's CR
    EXPECT_EQ(Ask("GetSize"), "10");
    Send("TextCursor 11 1");        // the story's start reads its first character
    EXPECT_EQ(Ask("GetSize"), "12");
}

TEST_F(HostTest, TypeStyleZeroClearsAndOthersAdd) {
    Send("SetTextCursor 1 28 35");
    EXPECT_EQ(FormatAt(30).typeStyle, kItalic);
    Send("TypeStyle 1");
    EXPECT_EQ(FormatAt(30).typeStyle, kItalic | kBold);
    Send("TypeStyle 0");
    EXPECT_EQ(FormatAt(30).typeStyle, 0);
    EXPECT_FALSE(Send("TypeStyle 8"));
    EXPECT_EQ(Last().note, "no type style 8");
}

TEST_F(HostTest, TypeOptionsMinusTwoKeepsEachValue) {
    Send("SetTextCursor 1 28 35");  // shift -1.5 from the style
    Send("TypeOptions -2 -2 50 -2 -2 -2");
    EXPECT_EQ(Ask("GetTypeOptions"), "700,583,500,333,15,1");
    Send("TypeOptions -2 -2 -2 -2 -2 0");
    EXPECT_EQ(Ask("GetTypeOptions"), "700,583,500,333,15,0");
    Send("TypeOptions -2 -2 -2 -2 0.1 -2");
    EXPECT_FLOAT_EQ(FormatAt(28).shift, 0.1f);
    EXPECT_EQ(Ask("GetTypeOptions"), "700,583,500,333,1,0");
}

TEST_F(HostTest, ValuesOutsideTheHostsRangesAreRefusedAndChangeNothing) {
    Send("SetTextCursor 1 0 4");
    const struct {
        const char* command;
        const char* note;
    } cases[] = {
        {"Size 700", "size 700 is outside 4 to 650"},
        {"Size 3.99", "size 3.99 is outside 4 to 650"},
        {"Track -1", "track -1 is outside 0 to 5"},
        {"Track 6", "track 6 is outside 0 to 5"},
        {"SetWidth 251", "width 251 is outside 5 to 250"},
        {"KernText 1.01", "kern 1.01 is outside -1 to 1"},
        {"TypeOptions -2 -2 -2 -2 -1 0", "a negative baseline shift magnitude"},
        {"TypeOptions -2 -2 -2 -2 1 2", "the shift direction must be 0 or 1"},
        {"Font \"\"", "no font name"},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(Send(c.command)) << c.command;
        EXPECT_EQ(Last().note, c.note) << c.command;
    }
    EXPECT_TRUE(Send("Size 650"));
    EXPECT_TRUE(Send("Track 5"));
    EXPECT_EQ(FormatAt(0).size, 650);
    EXPECT_EQ(FormatAt(0).width, 100);
}

TEST_F(HostTest, FormattingAnInsertionPointChangesNoText) {
    Send("SetTextCursor 1 3 3");
    EXPECT_TRUE(Send("Size 30"));
    EXPECT_EQ(Last().note, "no text selected");
    EXPECT_EQ(host->publication().story.RunCount(), 4u);
}

TEST_F(HostTest, LeadingMinusOneIsAutomatic) {
    Send("SetTextCursor 1 28 35");
    EXPECT_EQ(Ask("GetLeading"), "12");
    Send("Leading -1");
    EXPECT_EQ(Ask("GetLeading"), "-1");
    Send("Leading 14.5");
    EXPECT_EQ(Ask("GetLeading"), "14.5");
}

TEST_F(HostTest, TheWindowHearsOfEveryChangedRange) {
    std::vector<std::pair<int, int>> changed;
    host->onReformat = [&](int from, int to) { changed.emplace_back(from, to); };
    Send("SetTextCursor 1 11 16");
    Send("Size 14");
    Send("Size 700");
    Send("SetTextCursor 1 16 16");
    Send("Size 14");
    EXPECT_EQ(changed, (std::vector<std::pair<int, int>>{{11, 16}}));
}

// --- Styles, fonts, state -------------------------------------------------------

TEST_F(HostTest, GetStyleNamesTheParagraphAtTheInsertionPoint) {
    EXPECT_EQ(Ask("GetStyle"), "\"Реплика\"");
    Send("SetTextCursor 1 10 10");
    EXPECT_EQ(Ask("GetStyle"), "\"Ремарка\"");
    Send("TextCursor 10 1");
    EXPECT_EQ(Ask("GetStyle"), "\"Ремарка\"");
}

TEST_F(HostTest, ListRepliesCarryTheCountAndQuotedNames) {
    EXPECT_EQ(Ask("GetStyleNames"), "2,\"Реплика\",\"Ремарка\"");
    EXPECT_EQ(Ask("GetFontList"), "2,\"Times New Roman Cyr\",0,0,0,\"Arial Cyr\",4,204,34");
}

TEST_F(HostTest, StyleBeginTurnsReadersAndFormattingToTheStyle) {
    Send("SetTextCursor 1 0 4");
    EXPECT_TRUE(Send("StyleBegin \"Ремарка\""));
    EXPECT_EQ(Ask("GetSize"), "10");
    EXPECT_EQ(Ask("GetLeading"), "12");
    EXPECT_EQ(Ask("GetTypeOptions"), "700,583,333,333,15,1");
    Send("Size 11");
    EXPECT_EQ(Ask("GetSize"), "11");
    EXPECT_FLOAT_EQ(FormatAt(0).size, 12);       // the selected text is untouched
    EXPECT_FLOAT_EQ(FormatAt(30).size, 10);      // and so are the style's paragraphs
    EXPECT_TRUE(Send("StyleEnd"));
    EXPECT_EQ(Ask("GetSize"), "12");
    EXPECT_FLOAT_EQ(host->publication().styles[1].format.size, 11);
}

TEST_F(HostTest, AutomaticLeadingOfAStyleIsAnsweredAsMinusOne) {
    Send("StyleBegin \"Реплика\"");
    EXPECT_EQ(Ask("GetLeading"), "-1");
    EXPECT_EQ(Ask("GetFont"), "\"Times New Roman Cyr\"");
    Send("StyleEnd");
}

TEST_F(HostTest, StyleBeginWithANewNameMakesAStyleFromTheCurrentOne) {
    Send("SetTextCursor 1 30 30");
    EXPECT_TRUE(Send("StyleBegin \"Новый\""));
    EXPECT_EQ(Last().note, "new style");
    EXPECT_EQ(Ask("GetSize"), "10");
    Send("StyleEnd");
    EXPECT_EQ(Ask("GetStyleNames"), "3,\"Реплика\",\"Ремарка\",\"Новый\"");
}

TEST_F(HostTest, StyleDefinitionsDoNotNestAndNeedAName) {
    EXPECT_FALSE(Send("StyleBegin \"\""));
    EXPECT_EQ(Last().note, "no style name");
    Send("StyleBegin \"Реплика\"");
    EXPECT_FALSE(Send("StyleBegin \"Ремарка\""));
    EXPECT_EQ(Last().note, "a style definition is open already");
    EXPECT_EQ(Ask("GetLeading"), "-1");
    Send("StyleEnd");
    EXPECT_TRUE(Send("StyleEnd"));
    EXPECT_EQ(Last().note, "no style definition open");
}

TEST_F(HostTest, AFontNameWithAQuoteRunsToTheLastQuote) {
    Send("SetTextCursor 1 0 4");
    EXPECT_TRUE(Send("Font \"Old \"Style\" Cyr\""));
    EXPECT_EQ(FormatAt(0).font, "Old \"Style\" Cyr");
}

TEST_F(HostTest, SuppressAutosaveSwitchesAndQuitEndsTheHost) {
    Send("SuppressAutosave 1");
    EXPECT_TRUE(host->AutosaveSuppressed());
    EXPECT_EQ(host->AfterExchange(), PageMakerHost::After::Continue);
    Send("SuppressAutosave 0");
    EXPECT_FALSE(host->AutosaveSuppressed());
    Send("Quit");
    EXPECT_EQ(host->AfterExchange(), PageMakerHost::After::Quit);
}

}  // namespace
}  // namespace standin

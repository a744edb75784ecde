// The story model: paragraph positions, formatting runs, the selection.
#include <gtest/gtest.h>

#include "standin/host/story.h"

namespace standin {
namespace {

class StoryTest : public ::testing::Test {
protected:
    // "ab" CR "" CR "cde": starts 0, 3, 4; length 7.
    void SetUp() override {
        plain = formats.Intern(CharFormat{});
        CharFormat bold;
        bold.typeStyle = kBold;
        strong = formats.Intern(bold);
        story.AddParagraph("ab", 0, plain);
        story.AddParagraph("", 1, plain);
        story.AddParagraph("cde", 0, plain);
    }
    std::string Runs() const {
        std::string out;
        story.ForEachRun(0, story.Length(), [&](int from, int to, FormatId id) {
            out += std::to_string(from) + "-" + std::to_string(to) + (id == strong ? "B " : "p ");
        });
        return out;
    }
    FormatTable formats;
    FormatId plain = 0, strong = 0;
    Story story;
};

TEST_F(StoryTest, ParagraphsEndWithOneCrAndTheLastWithNone) {
    EXPECT_EQ(story.Text(), "ab\r\rcde");
    EXPECT_EQ(story.Length(), 7);
    EXPECT_EQ(story.ParagraphCount(), 3);
    const int starts[] = {0, 3, 4}, ends[] = {2, 3, 7};
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(story.ParagraphStart(p), starts[p]) << "paragraph " << p;
        EXPECT_EQ(story.ParagraphEnd(p), ends[p]) << "paragraph " << p;
    }
    EXPECT_EQ(story.ParagraphText(2), "cde");
    EXPECT_EQ(story.ParagraphStyle(1), 1);
}

TEST_F(StoryTest, ThePositionOfACrBelongsToItsParagraphAndTheNextToTheFollowing) {
    EXPECT_EQ(story.ParagraphAt(2), 0);  // the CR of "ab"
    EXPECT_EQ(story.ParagraphAt(3), 1);  // the empty paragraph: start, end and CR at once
    EXPECT_EQ(story.ParagraphAt(4), 2);
    EXPECT_EQ(story.ParagraphAt(7), 2);  // the story's end
    EXPECT_EQ(story.ParagraphAt(-5), 0);
    EXPECT_EQ(story.ParagraphAt(100), 2);
}

TEST_F(StoryTest, ReformatSplitsRunsAndMergesThemWhenTheyAgreeAgain) {
    story.Reformat(1, 5, [&](FormatId) { return strong; });
    EXPECT_EQ(Runs(), "0-1p 1-5B 5-7p ");
    EXPECT_EQ(story.FormatAt(0), plain);
    EXPECT_EQ(story.FormatAt(1), strong);
    EXPECT_EQ(story.FormatAt(4), strong);
    EXPECT_EQ(story.FormatAt(5), plain);
    story.Reformat(5, 7, [&](FormatId) { return strong; });
    EXPECT_EQ(Runs(), "0-1p 1-7B ");
    story.Reformat(0, 7, [&](FormatId) { return plain; });
    EXPECT_EQ(Runs(), "0-7p ");
    EXPECT_EQ(story.RunCount(), 1u);
}

TEST_F(StoryTest, ReformatOutsideTheStoryOrEmptyChangesNothing) {
    story.Reformat(3, 3, [&](FormatId) { return strong; });
    story.Reformat(9, 12, [&](FormatId) { return strong; });
    EXPECT_EQ(Runs(), "0-7p ");
    story.Reformat(-4, 1, [&](FormatId) { return strong; });
    EXPECT_EQ(Runs(), "0-1B 1-7p ");
}

TEST_F(StoryTest, ForEachRunCutsRunsToTheRange) {
    story.Reformat(1, 5, [&](FormatId) { return strong; });
    std::string seen;
    story.ForEachRun(2, 6, [&](int from, int to, FormatId) { seen += std::to_string(from) + "-" + std::to_string(to) + " "; });
    EXPECT_EQ(seen, "2-5 5-6 ");
}

TEST_F(StoryTest, TakingASelectionBackStopsAtTheAnchor) {
    story.PlaceCaret(2);
    story.MoveCaret(3);
    EXPECT_EQ(story.SelectionStart(), 2);
    EXPECT_EQ(story.SelectionEnd(), 5);
    story.MoveCaret(-10);
    EXPECT_EQ(story.Caret(), 2);
    EXPECT_FALSE(story.HasSelection());
}

TEST_F(StoryTest, ABackwardSelectionStopsAtTheAnchorGoingForward) {
    story.PlaceCaret(5);
    story.MoveCaret(-2);
    EXPECT_EQ(story.Anchor(), 5);
    EXPECT_EQ(story.Caret(), 3);
    story.MoveCaret(10);
    EXPECT_EQ(story.Caret(), 5);
}

TEST_F(StoryTest, TheCaretStopsAtBothEndsOfTheStory) {
    story.PlaceCaret(6);
    story.MoveCaret(5);
    EXPECT_EQ(story.Caret(), 7);
    story.PlaceCaret(1);
    story.MoveCaret(-5);
    EXPECT_EQ(story.Caret(), 0);
    story.Select(-3, 99);
    EXPECT_EQ(story.Anchor(), 0);
    EXPECT_EQ(story.Caret(), 7);
}

}  // namespace
}  // namespace standin

// The main window's logic end to end against the host stand-in: the first
// fill, the formatting loaded from a style, and runs whose result is read
// from the stand-in's story, character by character.
#include "form_fixture.h"

namespace testhost {
namespace {

//   0 "Анна Павловна. Вот и лето прошло."   Реплика    0..33, CR at 33
//   1 "Анна уходит в дом."                 Ремарка   34..52, CR at 52
//   2 "Анна. Мама, ещё август."            Реплика   53..76, CR at 76
//   3 "ВЕРА. Как тихо."                    Реплика   77..92, CR at 92
//   4 "Борисович!"                         Реплика   93..103
class StandinRunTest : public FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        using platform::Utf8ToAnsi;
        host.SetFonts({"Times New Roman Cyr", "Arial Cyr", "Academy"});
        standin::CharFormat speech;
        speech.font = "Times New Roman Cyr";
        standin::CharFormat direction = speech;
        direction.font = "Arial Cyr";
        direction.size = 10;
        direction.track = 1;
        direction.leading = 12.5f;
        direction.width = 95;
        direction.shift = 3;
        host.SetStyleFormat(Utf8ToAnsi("Реплика"), speech);
        host.SetStyleFormat(Utf8ToAnsi("Ремарка"), direction);
        host.SetStory({{Utf8ToAnsi("Реплика"), Utf8ToAnsi("Анна Павловна. Вот и лето прошло.")},
                       {Utf8ToAnsi("Ремарка"), Utf8ToAnsi("Анна уходит в дом.")},
                       {Utf8ToAnsi("Реплика"), Utf8ToAnsi("Анна. Мама, ещё август.")},
                       {Utf8ToAnsi("Реплика"), Utf8ToAnsi("ВЕРА. Как тихо.")},
                       {Utf8ToAnsi("Реплика"), Utf8ToAnsi("Борисович!")}});
        form->FormShow();
        ASSERT_TRUE(view.boxes.empty());
        AddNames({Utf8ToAnsi("Анна"), Utf8ToAnsi("Анна Павловна"), Utf8ToAnsi("Борис"), Utf8ToAnsi("Вера")});
    }

    const standin::CharFormat& FormatAt(int position) {
        return host.model().publication().formats[host.story().FormatAt(position)];
    }
    // The positions in from..to-1 whose font is `font`.
    int CountFont(int from, int to, const std::string& font) {
        int count = 0;
        for (int p = from; p < to; ++p) count += FormatAt(p).font == font;
        return count;
    }
    bool AllAccepted() {
        for (const auto& entry : host.model().transcript().Entries())
            if (!entry.accepted) return false;
        return true;
    }
};

TEST_F(StandinRunTest, FirstFillLoadsTheSecondStyle) {
    EXPECT_EQ(form->TargetStyleCombo.Text(), platform::Utf8ToAnsi("Ремарка"));
    EXPECT_EQ(form->FontCombo.Text(), "Arial Cyr");
    EXPECT_EQ(form->SizeEdit.Text(), "10,0");
    EXPECT_EQ(form->TrackingCombo.ItemIndex(), 1);
    EXPECT_EQ(form->LeadingEdit.Text(), "12,50");
    EXPECT_EQ(form->WidthEdit.Text(), "95");
    EXPECT_EQ(form->BaseShiftEdit.Text(), "3,00");
    EXPECT_TRUE(AllAccepted());
}

TEST_F(StandinRunTest, AutomaticLeadingOfAStyleShowsSizeTimesOnePointTwo) {
    form->TargetStyleCombo.UserSelect(0);  // Реплика: 12 points, automatic
    form->TargetStyleComboChange();
    EXPECT_EQ(form->SizeEdit.Text(), "12,0");
    EXPECT_EQ(form->LeadingEdit.Text(), "14,40");
}

TEST_F(StandinRunTest, WholeStoryRunFormatsTheNamesThatOpenParagraphs) {
    form->EntireTextRadio.Check();
    form->SizeEdit.UserText("14");
    form->BoldCheck.UserCheck(true);
    form->BaseShiftEdit.UserText("-1,5");
    form->Button2Click();
    ASSERT_TRUE(view.boxes.empty());
    EXPECT_TRUE(AllAccepted());
    EXPECT_EQ(CountFont(0, 13, "Arial Cyr"), 13) << "expected the full name formatted";
    EXPECT_NE(FormatAt(13).font, "Arial Cyr");
    EXPECT_EQ(FormatAt(0).size, 14);
    EXPECT_EQ(FormatAt(0).typeStyle, standin::kBold);
    EXPECT_EQ(FormatAt(0).shift, -1.5f);
    EXPECT_EQ(FormatAt(0).track, 1);
    EXPECT_EQ(FormatAt(0).width, 95);
    EXPECT_EQ(CountFont(34, 38, "Arial Cyr"), 4) << "expected the name in the stage direction formatted too";
    EXPECT_EQ(FormatAt(34).size, 14);
    EXPECT_EQ(CountFont(53, 58, "Arial Cyr"), 4);
    EXPECT_EQ(CountFont(77, 82, "Arial Cyr"), 0) << "expected another letter case left alone";
    EXPECT_EQ(CountFont(93, 103, "Arial Cyr"), 5) << "expected the name inside a longer word formatted";
    EXPECT_FALSE(host.model().AutosaveSuppressed());
    EXPECT_EQ(host.SelectionStart(), 0);
    EXPECT_EQ(host.SelectionEnd(), 0);
    EXPECT_EQ(form->SummaryLabel.Caption(), "Оформлено 4 имени в 5 абзацах");
}

// The window as it opens (only the selected paragraphs) with only an
// insertion point in the story: the host reports no selection, so nothing
// is treated, and the line says why and what to do.
TEST_F(StandinRunTest, InsertionPointAloneTreatsNothingAndSaysWhy) {
    host.Select(40, 40);
    clipboard.text = "the user's own";
    auto formats = [&] {
        std::vector<standin::CharFormat> all;
        for (int p = 0; p < 103; ++p) all.push_back(FormatAt(p));
        return all;
    };
    const std::vector<standin::CharFormat> before = formats();
    form->SizeEdit.UserText("14");
    form->Button2Click();
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_TRUE(formats() == before) << "expected nothing formatted";
    EXPECT_EQ(host.SelectionStart(), 40);
    EXPECT_EQ(host.SelectionEnd(), 40);
    EXPECT_EQ(clipboard.text, std::optional<std::string>("the user's own"));
    EXPECT_TRUE(form->SummaryLabel.Visible());
    EXPECT_EQ(form->SummaryLabel.Caption(),
              "Нет выделенных абзацев: выделите текст или выберите «По всему текстовому блоку»");
}

TEST_F(StandinRunTest, StyleFilterLeavesOtherParagraphsAlone) {
    form->EntireTextRadio.Check();
    form->UseStyleCheckBox.UserCheck(true);
    form->SrcStyleCombo.UserSelect(form->SrcStyleCombo.IndexOf(platform::Utf8ToAnsi("Реплика")));
    form->SizeEdit.UserText("14");
    form->Button2Click();
    EXPECT_EQ(FormatAt(0).size, 14);
    EXPECT_EQ(FormatAt(34).size, 10) << "expected the stage direction's name untouched";
    EXPECT_EQ(FormatAt(53).size, 14);
    EXPECT_EQ(FormatAt(57).size, 12) << "expected the character after the name untouched";
}

TEST_F(StandinRunTest, SelectedParagraphsRunTreatsOnlyThoseAndGivesTheSelectionBack) {
    host.Select(40, 60);  // from the stage direction into the next line
    form->SizeEdit.UserText("14");
    form->Button2Click();
    ASSERT_TRUE(view.boxes.empty());
    EXPECT_EQ(FormatAt(0).size, 12) << "expected the paragraph before the selection untouched";
    EXPECT_EQ(FormatAt(34).size, 14) << "expected the paragraph where the selection starts treated";
    EXPECT_EQ(FormatAt(53).size, 14);
    EXPECT_EQ(FormatAt(53).font, "Arial Cyr");
    EXPECT_EQ(FormatAt(93).size, 12) << "expected the paragraph after the selection untouched";
    EXPECT_EQ(host.SelectionStart(), 40);
    EXPECT_EQ(host.SelectionEnd(), 60);
    EXPECT_TRUE(AllAccepted());
}

}  // namespace
}  // namespace testhost

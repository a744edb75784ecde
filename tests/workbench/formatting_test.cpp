// Loading the formatting fields from a host style, the rules between the
// type-style boxes, and the exact commands that format a found name.
#include "form_fixture.h"

namespace testhost {
namespace {

using Lines = std::vector<std::string>;

class LoadStyleTest : public FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        host.SetStyles({"Headline", "Body", "Caption"});
        host.SetFonts({"Times", "Arial"});
        form->FormShow();  // fills the lists, selects "Body"
        host.transcript.clear();
    }
    // Picks target style `name` as the user does.
    void PickTarget(const std::string& name, const standin::CharFormat& format = StoryHost::Format()) {
        host.SetStyleFormat(name, format);
        form->TargetStyleCombo.UserSelect(form->TargetStyleCombo.IndexOf(name));
        form->TargetStyleComboChange();
    }
};

TEST_F(LoadStyleTest, FieldsTakeTheStylesValues) {
    standin::CharFormat f;
    f.font = "TIMES";
    f.size = 10.5f;
    f.track = 4;
    f.leading = 14.5f;
    f.width = 96.4f;
    f.shift = -3;  // "30,1": 3 points down
    PickTarget("Caption", f);
    EXPECT_EQ(host.transcript[1], "exec StyleBegin \"Caption\"");
    EXPECT_EQ(form->FontCombo.Text(), "Times");
    EXPECT_EQ(form->SizeEdit.Text(), "10,5");
    EXPECT_EQ(form->TrackingCombo.ItemIndex(), 4);
    EXPECT_EQ(form->TrackingCombo.Text(), "Плотный");
    EXPECT_EQ(form->LeadingEdit.Text(), "14,50");
    EXPECT_EQ(form->WidthEdit.Text(), "96");
    EXPECT_EQ(form->BaseShiftEdit.Text(), "3,00") << "expected a tenth of the fifth number";
}

TEST_F(LoadStyleTest, ValuesOutsideTheRangesAreBroughtIn) {
    standin::CharFormat f = StoryHost::Format();
    f.size = 200;
    f.width = 300;
    host.replies["GetTypeOptions"] = "0,0,0,0,-1500,0";  // a sign the model never gives
    PickTarget("Headline", f);
    EXPECT_EQ(form->SizeEdit.Text(), "150,0");
    EXPECT_EQ(form->LeadingEdit.Text(), "120,00") << "expected 1.2 x 150 = 180 brought down to 120";
    EXPECT_EQ(form->WidthEdit.Text(), "250");
    EXPECT_EQ(form->BaseShiftEdit.Text(), "-100,00");
}

TEST_F(LoadStyleTest, AutomaticLeadingIsTheShownSizeTimesOnePointTwo) {
    standin::CharFormat f = StoryHost::Format();
    f.size = 10;
    PickTarget("Headline", f);
    EXPECT_EQ(form->LeadingEdit.Text(), "12,00");
    f.leading = -1.5f;  // only exactly -1 is automatic
    PickTarget("Caption", f);
    EXPECT_EQ(form->LeadingEdit.Text(), "0,00");
}

TEST_F(LoadStyleTest, UnknownFontAndTrackingLeaveNoEntrySelected) {
    form->FontCombo.SetItemIndex(0);
    standin::CharFormat f = StoryHost::Format();
    f.font = "Garamond";
    f.track = 6;
    PickTarget("Headline", f);
    EXPECT_EQ(form->FontCombo.ItemIndex(), -1);
    EXPECT_EQ(form->FontCombo.Text(), "");
    EXPECT_EQ(form->TrackingCombo.ItemIndex(), -1);
    f.track = -1;
    PickTarget("Caption", f);
    EXPECT_EQ(form->TrackingCombo.ItemIndex(), -1);
    f.track = 0;
    PickTarget("Body", f);
    EXPECT_EQ(form->TrackingCombo.Text(), "Без трекинга");
}

TEST_F(LoadStyleTest, KerningAndTypeStylesAreLeftAlone) {
    form->KerningEdit.UserText("0,5");
    form->NormalCheck.UserCheck(false);
    form->BoldCheck.UserCheck(true);
    PickTarget("Headline");
    EXPECT_EQ(form->KerningEdit.Text(), "0,5");
    EXPECT_FALSE(form->NormalCheck.Checked());
    EXPECT_TRUE(form->BoldCheck.Checked());
}

TEST_F(LoadStyleTest, TargetPickSendsItsExchangesInOrder) {
    PickTarget("Headline");
    const Lines expected = {"connect", "exec StyleBegin \"Headline\"", "ask GetFont", "ask GetSize", "ask GetTrack",
                            "ask GetLeading", "ask GetWidth", "ask GetTypeOptions", "exec StyleEnd", "disconnect"};
    EXPECT_EQ(host.transcript, expected);
}

// The host must not be left inside the style's definition: the next run's
// formatting would change the style instead of the names.
TEST_F(LoadStyleTest, FailureLeavesTheStyleKeepsTheFieldsSetSoFarAndClosesTheLink) {
    form->TrackingCombo.SetItemIndex(2);
    standin::CharFormat f = StoryHost::Format();
    f.size = 24;
    host.replies["GetTrack"] = std::nullopt;
    EXPECT_EQ(MessageOf([&] { PickTarget("Headline", f); }), "Не могу получить данные от PageMaker - GetTrack");
    EXPECT_EQ(form->SizeEdit.Text(), "24,0");
    EXPECT_EQ(form->TrackingCombo.ItemIndex(), 2);
    const Lines tail(host.transcript.end() - 3, host.transcript.end());
    EXPECT_EQ(tail, (Lines{"ask GetTrack", "exec StyleEnd", "disconnect"}));
    EXPECT_FALSE(conversation.Connected());
}

TEST_F(LoadStyleTest, UnreadableReplyIsReportedAndTheLinkClosed) {
    host.replies["GetSize"] = "big";
    EXPECT_NE(MessageOf([&] { PickTarget("Headline"); }), "<no exception>");
    EXPECT_FALSE(conversation.Connected());
}

// --- type-style boxes

class TypeStyleTest : public FormTest {};

TEST_F(TypeStyleTest, NormalUnchecksBoldAndItalicBoldUnchecksNormal) {
    form->BoldCheck.SetChecked(true);
    form->ItalicCheck.SetChecked(true);
    Click(form->NormalCheck);  // checked -> unchecked
    form->NormalCheckClick();
    EXPECT_FALSE(form->BoldCheck.Checked());
    EXPECT_FALSE(form->ItalicCheck.Checked());
    EXPECT_FALSE(form->NormalCheck.Checked()) << "expected all three boxes unchecked";
    Click(form->NormalCheck);  // unchecked -> checked
    form->NormalCheckClick();
    Click(form->BoldCheck);
    form->BoldCheckClick();
    EXPECT_FALSE(form->NormalCheck.Checked());
    EXPECT_TRUE(form->BoldCheck.Checked());
    Click(form->NormalCheck);
    form->NormalCheckClick();
    Click(form->ItalicCheck);
    form->ItalicCheckClick();
    EXPECT_FALSE(form->NormalCheck.Checked());
}

TEST_F(TypeStyleTest, RulesActOnlyForTheFocusedBox) {
    form->BoldCheck.SetChecked(true);
    form->ActiveControl = &form->SizeEdit;
    form->NormalCheckClick();
    EXPECT_TRUE(form->BoldCheck.Checked());
    form->ActiveControl = &form->NormalCheck;
    form->BoldCheckClick();  // a change the program made to Bold
    form->ItalicCheckClick();
    EXPECT_TRUE(form->NormalCheck.Checked());
    form->ActiveControl = nullptr;
    form->NormalCheckClick();
    EXPECT_TRUE(form->BoldCheck.Checked());
}

TEST_F(TypeStyleTest, ChangesMadeByARuleReachTheView) {
    form->BoldCheck.SetChecked(true);
    int boldCalls = 0;
    form->BoldCheck.changed = [&] { ++boldCalls; };
    Click(form->NormalCheck);
    form->NormalCheckClick();
    EXPECT_EQ(boldCalls, 1);
}

// --- the commands for a found name

class NameFormatTest : public FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        host.SetStory({{"Body", "IVAN: Hello"}});
        // What the host makes of the name's formatting is not looked at here,
        // only what the program sends, defaults the host refuses included.
        host.acknowledged = {"KernText", "Font", "Size", "Track", "SetWidth", "TypeStyle", "TypeOptions"};
        form->EntireTextRadio.Check();
        AddNames({"IVAN", "NOT IN THIS PLAY"});  // copies 16 characters
        form->FontCombo.Assign({"Arial", "Times"});
    }
    // The commands sent for the name in a one-paragraph run.
    Lines FormatCommands() {
        host.transcript.clear();
        form->Button2Click();
        const Lines& t = host.transcript;
        const auto from = std::find(t.begin(), t.end(), "exec TextSelect 0 4");
        const auto to = std::find(from, t.end(), "exec TextSelect 1 4");
        if (from == t.end() || to == t.end()) return {"<name not formatted>"};
        return Lines(from + 1, to);
    }
};

TEST_F(NameFormatTest, CommandsCarryTheFieldsWithAFullStopInAnyLocale) {
    form->KerningEdit.UserText("-0,05");
    form->FontCombo.UserSelect(1);
    form->SizeEdit.UserText("10,5");
    form->TrackingCombo.UserSelect(2);
    form->WidthEdit.UserText("97");
    form->BoldCheck.UserCheck(true);
    form->ItalicCheck.UserCheck(true);
    form->BaseShiftEdit.UserText("-1,5");
    form->LeadingEdit.UserText("30,00");
    const Lines expected = {"exec KernText -0.05", "exec Font \"Times\"", "exec Size 10.50", "exec Track 2",
                            "exec SetWidth 97", "exec TypeStyle 0", "exec TypeStyle 1", "exec TypeStyle 2",
                            "exec TypeOptions -2.00 -2.00 -2.00 -2.00 1.50 1"};
    EXPECT_EQ(FormatCommands(), expected);
    EXPECT_EQ(platform::ProcessNumberFormat().decimal, ',') << "expected the user's separator given back";
    EXPECT_EQ(form->FKern, -0.05f);
    EXPECT_EQ(form->FFontName, "Times");
    EXPECT_EQ(form->FSize, 10.5f);
    EXPECT_EQ(form->FTrack, 2);
    EXPECT_EQ(form->FWidth, 97.0f);
    EXPECT_EQ(form->FShift, 1.5f);
    EXPECT_TRUE(form->FShiftNegative);
    EXPECT_EQ(form->FMaxNameLen, 16);
}

TEST_F(NameFormatTest, DefaultsSendNoTrackingAnEmptyFontAndOneTypeStyle) {
    const Lines expected = {"exec KernText 0.00", "exec Font \"\"", "exec Size 10.00", "exec Track -1",
                            "exec SetWidth 100", "exec TypeStyle 0",
                            "exec TypeOptions -2.00 -2.00 -2.00 -2.00 0.00 0"};
    EXPECT_EQ(FormatCommands(), expected);
}

TEST_F(NameFormatTest, ShiftTravelsAsMagnitudeAndSign) {
    const std::tuple<const char*, const char*> cases[] = {
        {"0,1", "exec TypeOptions -2.00 -2.00 -2.00 -2.00 0.10 0"},
        {"0", "exec TypeOptions -2.00 -2.00 -2.00 -2.00 0.00 0"},
        {"-100", "exec TypeOptions -2.00 -2.00 -2.00 -2.00 100.00 1"},
        {"-0,01", "exec TypeOptions -2.00 -2.00 -2.00 -2.00 0.01 1"},
    };
    for (const auto& [shown, sent] : cases) {
        form->BaseShiftEdit.UserText(shown);
        EXPECT_EQ(FormatCommands().back(), sent) << "shift " << shown;
    }
}

TEST_F(NameFormatTest, TypedTrackingSendsMinusOne) {
    form->TrackingCombo.UserSelect(3);
    form->TrackingCombo.UserText("Нормальный");
    const Lines commands = FormatCommands();
    EXPECT_NE(std::find(commands.begin(), commands.end(), "exec Track -1"), commands.end());
}

// A number typed with the other separator, and one outside the range that
// reaches the run without the field having been left, are sent as the field
// would show them once left.
TEST_F(NameFormatTest, FieldsReadEitherSeparatorAndComeIntoRange) {
    form->SizeEdit.UserText("12.5");
    form->KerningEdit.UserText("-0.05");
    form->WidthEdit.UserText("2000");
    form->BaseShiftEdit.UserText("-1.5");
    const Lines commands = FormatCommands();
    ASSERT_GE(commands.size(), 7u);
    EXPECT_EQ(commands[0], "exec KernText -0.05");
    EXPECT_EQ(commands[2], "exec Size 12.50");
    EXPECT_EQ(commands[4], "exec SetWidth 250");
    EXPECT_EQ(commands.back(), "exec TypeOptions -2.00 -2.00 -2.00 -2.00 1.50 1");
    EXPECT_EQ(form->SizeEdit.Text(), "12,5");
    EXPECT_EQ(form->WidthEdit.Text(), "250");
}

// Text that is no number stops the run before anything reaches the host; the
// first bad field in page order is named and given the focus.
TEST_F(NameFormatTest, FieldWithoutANumberStopsTheRunBeforeAnythingIsSent) {
    const struct {
        const char* size;
        const char* width;
        const char* shift;
        const char* message;
        const char* focused;
    } cases[] = {
        {"abc", "", "x", "В поле «Кегль» не число: «abc»", "SizeEdit"},
        {"12", "1.2,3", "x", "В поле «Ширина» не число: «1.2,3»", "WidthEdit"},
        {"12", "100", "\xEF\xF0\xE8", "В поле «Смещение» не число: «при»", "BaseShiftEdit"},
    };
    for (const auto& c : cases) {
        form->SizeEdit.UserText(c.size);
        form->WidthEdit.UserText(c.width);
        form->BaseShiftEdit.UserText(c.shift);
        form->FSize = -7;
        host.transcript.clear();
        view.focused.clear();
        EXPECT_EQ(MessageOf([&] { form->Button2Click(); }), c.message);
        EXPECT_EQ(host.transcript, Lines{}) << c.message;
        EXPECT_EQ(view.focused, Lines{c.focused});
        EXPECT_EQ(form->FSize, -7) << "expected the run fields left as they were";
    }
    EXPECT_EQ(platform::ProcessNumberFormat().decimal, ',');
}

TEST_F(NameFormatTest, BoxesAreReadForEveryName) {
    form->ItalicCheck.UserCheck(true);
    Lines commands = FormatCommands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "exec TypeStyle 2"), 1);
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "exec TypeStyle 1"), 0);
}

}  // namespace
}  // namespace testhost

// The control models on their own: sorted lists, combo texts, spin fields,
// the progress bar, radio groups, and what reaches the view's hook.
#include <gtest/gtest.h>

#include "platform/exception.h"
#include "platform/locale.h"
#include "workbench/controls.h"

namespace {

using workbench::ComboBox;
using workbench::ListBox;
using workbench::SpinEdit;
using workbench::TextEncoding;

using Entries = std::vector<std::string>;

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = platform::ProcessNumberFormat();
        platform::ProcessNumberFormat().decimal = ',';
    }
    void TearDown() override { platform::ProcessNumberFormat() = saved_; }

    // Counts the hook's calls on `control`.
    int& Watch(workbench::Control& control) {
        counters_.push_back(std::make_unique<int>(0));
        int* counter = counters_.back().get();
        control.changed = [counter] { ++*counter; };
        return *counter;
    }

    ListBox list{"NamesList", true, TextEncoding::Ansi};
    SpinEdit size{"SizeEdit", SpinEdit::Kind::Real, {2, 150, 1, 1}, 10};
    SpinEdit kerning{"KerningEdit", SpinEdit::Kind::Real, {-1, 1, 0.01, 2}, 0};
    SpinEdit width{"WidthEdit", SpinEdit::Kind::Integer, {5, 250, 1, 0}, 100};

private:
    platform::NumberFormat saved_;
    std::vector<std::unique_ptr<int>> counters_;
};

// --- lists

TEST_F(ControlsTest, SortedListOrdersWithoutRegardToCase) {
    for (const char* name : {"boris", "Anna", "clara"}) list.Add(name);
    EXPECT_EQ(list.Items(), (Entries{"Anna", "boris", "clara"}));
}

TEST_F(ControlsTest, EqualEntriesStayNextToEachOtherInTheOrderAdded) {
    for (const char* name : {"anna", "Boris", "ANNA", "Anna", "anna"}) list.Add(name);
    EXPECT_EQ(list.Items(), (Entries{"anna", "ANNA", "Anna", "anna", "Boris"}));
}

TEST_F(ControlsTest, NameSortsBeforeTheNamesThatExtendIt) {
    for (const char* name : {"Ivan Petrovich", "Ivanov", "Ivan", ""}) list.Add(name);
    EXPECT_EQ(list.Items(), (Entries{"", "Ivan", "Ivan Petrovich", "Ivanov"}));
}

TEST_F(ControlsTest, CyrillicNamesSortInAlphabetOrder) {
    for (const char* name : {"Ёжик", "борис", "Евгений", "Анна"}) list.Add(platform::Utf8ToAnsi(name));
    Entries expected;
    for (const char* name : {"Анна", "борис", "Евгений", "Ёжик"}) expected.push_back(platform::Utf8ToAnsi(name));
    EXPECT_EQ(list.Items(), expected);
}

TEST_F(ControlsTest, AddReturnsTheSortedPlaceAndTheSelectionFollowsItsEntry) {
    list.Add("b");
    list.Add("d");
    list.UserSelect(1);  // "d"
    EXPECT_EQ(list.Add("a"), 0);
    EXPECT_EQ(list.ItemIndex(), 2) << "expected the selection to stay on d";
    EXPECT_EQ(list.Add("e"), 3);
    EXPECT_EQ(list.ItemIndex(), 2);
}

TEST_F(ControlsTest, FullListRefusesAnotherEntryAndKeepsItsEntries) {
    list.Assign(Entries(ListBox::MaxCount - 1, "x"));
    EXPECT_NO_THROW(list.Add("last that fits"));
    EXPECT_EQ(list.Count(), ListBox::MaxCount);
    try {
        list.Add("one too many");
        FAIL() << "expected Unable to insert a line";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Unable to insert a line");
    }
    EXPECT_EQ(list.Count(), ListBox::MaxCount);
}

TEST_F(ControlsTest, AssignThatDoesNotFitChangesNothing) {
    list.Add("kept");
    EXPECT_THROW(list.Assign(Entries(ListBox::MaxCount + 1, "x")), Exception);
    EXPECT_EQ(list.Items(), (Entries{"kept"}));
    EXPECT_NO_THROW(list.Assign(Entries(ListBox::MaxCount, "x")));
}

TEST_F(ControlsTest, AssignSortsStablyAndClearsTheSelection) {
    list.Add("z");
    list.UserSelect(0);
    list.Assign({"b", "A", "a", "B"});
    EXPECT_EQ(list.Items(), (Entries{"A", "a", "b", "B"}));
    EXPECT_EQ(list.ItemIndex(), -1);
}

TEST_F(ControlsTest, DeletingTheSelectedEntryLeavesNoneSelected) {
    list.Assign({"a", "b", "c"});
    list.UserSelect(1);
    list.Delete(0);
    EXPECT_EQ(list.ItemIndex(), 0) << "expected the selection to follow b";
    list.Delete(0);
    EXPECT_EQ(list.ItemIndex(), -1);
    EXPECT_EQ(list.Items(), (Entries{"c"}));
    list.Delete(5);  // outside: nothing
    EXPECT_EQ(list.Count(), 1);
}

TEST_F(ControlsTest, ProgrammaticChangesReachTheHookAndUserChangesDoNot) {
    int& calls = Watch(list);
    list.Add("a");
    list.SetItemIndex(0);
    EXPECT_EQ(calls, 2);
    list.UserSelect(-1);
    EXPECT_EQ(calls, 2);
}

TEST_F(ControlsTest, UpdateBracketReportsOnceAtItsEnd) {
    int& calls = Watch(list);
    list.BeginUpdate();
    list.BeginUpdate();
    for (const char* name : {"a", "b", "c"}) list.Add(name);
    list.EndUpdate();
    EXPECT_EQ(calls, 0);
    list.EndUpdate();
    EXPECT_EQ(calls, 1);
    list.BeginUpdate();
    list.EndUpdate();
    EXPECT_EQ(calls, 1) << "expected no call for a bracket without changes";
}

// --- combo boxes

TEST_F(ControlsTest, DropDownListShowsItsSelectedEntry) {
    ComboBox combo{"TargetStyleCombo", ComboBox::Style::DropDownList, false, TextEncoding::Ansi};
    combo.Assign({"Body", "Caption", "Headline"});
    EXPECT_EQ(combo.Items(), (Entries{"Body", "Caption", "Headline"})) << "expected the host's order kept";
    combo.SetItemIndex(2);
    EXPECT_EQ(combo.Text(), "Headline");
    combo.SetItemIndex(3);
    EXPECT_EQ(combo.ItemIndex(), -1);
    EXPECT_EQ(combo.Text(), "");
    combo.SetItemIndex(0);
    combo.SetText("typed");  // a drop-down list takes no typing
    EXPECT_EQ(combo.Text(), "Body");
    EXPECT_EQ(combo.ItemIndex(), 0);
}

TEST_F(ControlsTest, TypingIntoADropDownLeavesNoEntrySelected) {
    ComboBox combo{"TrackingCombo", ComboBox::Style::DropDown, false, TextEncoding::Utf8};
    combo.Assign({"none", "loose", "tight"});
    combo.UserSelect(1);
    EXPECT_EQ(combo.Text(), "loose");
    combo.UserText("loose");
    EXPECT_EQ(combo.ItemIndex(), -1);
    EXPECT_EQ(combo.Text(), "loose");
    combo.SetItemIndex(-1);
    EXPECT_EQ(combo.Text(), "");
}

TEST_F(ControlsTest, IndexOfFindsTheFirstEntryWithoutRegardToCase) {
    ComboBox combo{"FontCombo", ComboBox::Style::DropDownList, true, TextEncoding::Ansi};
    combo.Assign({"Arial", "TIMES", "Times"});
    EXPECT_EQ(combo.IndexOf("times"), 1);
    EXPECT_EQ(combo.IndexOf("Courier"), -1);
    EXPECT_EQ(combo.IndexOf(""), -1);
}

// --- spin fields

// A run switches the process-wide separator to the full stop while the
// fields take input: they show the user's separator whatever it is, and read
// a number typed with either separator.
TEST_F(ControlsTest, FieldsShowTheUsersSeparatorAndReadEither) {
    EXPECT_EQ(size.Text(), "10,0");
    EXPECT_EQ(kerning.Text(), "0,00");
    EXPECT_EQ(width.Text(), "100");
    platform::ProcessNumberFormat().decimal = '.';
    size.SetValue(10.5);
    EXPECT_EQ(size.Text(), "10,5");
    size.UserText("12,5");
    EXPECT_DOUBLE_EQ(size.Value(), 12.5);
    size.UserText(" -3,5 ");
    EXPECT_DOUBLE_EQ(size.Value(), -3.5) << "expected an out-of-range text read as it stands";
    for (SpinEdit* field : {&size, &kerning, &width}) {
        field->UserText("0.5");
        EXPECT_DOUBLE_EQ(field->Value(), field == &width ? 1 : 0.5) << field->Name();
    }
}

TEST_F(ControlsTest, TextThatIsNotANumberCountsAsTheMinimum) {
    for (const char* text : {"", "abc", "12abc", "1,2,3", "1.2,3", "1,2.", "inf", "nan", "+-1", " ", "1e", "e5"}) {
        kerning.UserText(text);
        EXPECT_DOUBLE_EQ(kerning.Value(), -1) << "text \"" << text << "\"";
        EXPECT_EQ(kerning.Read(), std::nullopt) << "text \"" << text << "\"";
        EXPECT_EQ(kerning.Text(), text) << "expected the text left for the user to mend";
    }
    width.UserText("+120");
    EXPECT_DOUBLE_EQ(width.Value(), 120);
}

// What a run reads is what leaving the field would leave: a number brought
// into the range, rounded to the shown decimals, written with the user's
// separator.
TEST_F(ControlsTest, ReadingSettlesTheFieldAsLeavingItDoes) {
    const struct {
        SpinEdit& field;
        const char* typed;
        double read;
        const char* shown;
    } cases[] = {{size, "2000", 150, "150,0"},   {size, "1,5", 2, "2,0"},        {size, "12.5", 12.5, "12,5"},
                 {kerning, "-7", -1, "-1,00"},   {width, "251", 250, "250"},     {width, "4", 5, "5"},
                 {kerning, "0.125", 0.13, "0,13"}, {size, "12,5", 12.5, "12,5"}};
    for (const auto& c : cases) {
        c.field.UserText(c.typed);
        EXPECT_EQ(c.field.Read(), std::optional<double>(c.read)) << c.typed;
        EXPECT_EQ(c.field.Text(), c.shown) << c.typed;
    }
}

TEST_F(ControlsTest, SetValueKeepsBothBoundsAndRoundsIntegers) {
    size.SetValue(200);
    EXPECT_EQ(size.Text(), "150,0");
    size.SetValue(1.99);
    EXPECT_EQ(size.Text(), "2,0");
    size.SetValue(150);
    EXPECT_EQ(size.Text(), "150,0");
    width.SetValue(4.6);
    EXPECT_EQ(width.Text(), "5");
    width.SetValue(250.4);
    EXPECT_EQ(width.Text(), "250");
    width.SetValue(100.5);
    EXPECT_EQ(width.Text(), "100") << "expected a tie rounded to even";
    width.SetValue(101.5);
    EXPECT_EQ(width.Text(), "102");
}

// A field holds the number it shows: more decimals than it shows are
// rounded half away from zero on the typed digits, for the value a run reads
// and for the text once the field is left. Text that is not a number is the
// user's to mend: leaving the field keeps it.
TEST_F(ControlsTest, LeavingTheFieldReplacesOnlyANumberItCannotHold) {
    int& calls = Watch(size);
    size.UserText("500");
    EXPECT_DOUBLE_EQ(size.Value(), 500) << "expected no range before the field is left";
    size.Exit();
    EXPECT_EQ(size.Text(), "150,0");
    size.UserText("abc");
    size.Exit();
    EXPECT_EQ(size.Text(), "abc");
    EXPECT_EQ(calls, 1);
    size.UserText("12,5");
    size.Exit();
    EXPECT_EQ(size.Text(), "12,5");
    EXPECT_EQ(calls, 1);
    size.UserText("12.5");
    size.Exit();
    EXPECT_EQ(size.Text(), "12,5") << "expected the user's separator once the field is left";
    EXPECT_EQ(calls, 2);

    const struct {
        SpinEdit& field;
        const char* typed;
        double value;
        const char* shown;
    } cases[] = {{size, "12,25", 12.3, "12,3"}, {size, "-0,05", -0.1, "2,0"},  {kerning, "0,125", 0.13, "0,13"},
                 {kerning, "1,005", 1.01, "1,00"}, {kerning, "-0,005", -0.01, "-0,01"}, {width, "12,5", 13, "13"},
                 {size, "1225e-2", 12.3, "12,3"}};
    for (const auto& c : cases) {
        c.field.UserText(c.typed);
        EXPECT_DOUBLE_EQ(c.field.Value(), c.value) << c.typed;
        c.field.Exit();
        EXPECT_EQ(c.field.Text(), c.shown) << c.typed;
    }
}

TEST_F(ControlsTest, ButtonsStepWithinTheRange) {
    kerning.SetValue(0.99);
    kerning.Up();
    EXPECT_EQ(kerning.Text(), "1,00");
    kerning.Up();
    EXPECT_EQ(kerning.Text(), "1,00");
    kerning.SetValue(-0.99);
    kerning.Down();
    kerning.Down();
    EXPECT_EQ(kerning.Text(), "-1,00");
    size.UserText("junk");
    size.Up();
    EXPECT_EQ(size.Text(), "3,0") << "expected the minimum plus one step";
    width.Down();
    EXPECT_EQ(width.Text(), "99");
}

// --- progress bar, radio buttons

TEST_F(ControlsTest, ProgressBarKeepsWholePositions) {
    workbench::ProgressBar bar{"ProgressBar"};
    EXPECT_EQ(bar.Min(), 0);
    EXPECT_EQ(bar.Max(), 100);
    int& calls = Watch(bar);
    bar.SetMax(65536);
    EXPECT_EQ(bar.Max(), 65536);
    bar.SetMin(70000);
    EXPECT_EQ(bar.Min(), 70000);
    bar.SetPosition(2147483647);
    EXPECT_EQ(bar.Position(), 2147483647);
    bar.SetPosition(-1);
    EXPECT_EQ(bar.Position(), -1);
    EXPECT_EQ(calls, 4);
}

TEST_F(ControlsTest, CheckingARadioButtonUnchecksTheOthersOfItsGroup) {
    workbench::RadioButton a{"EntireTextRadio", "a", false}, b{"SelParaRadio", "b", true};
    workbench::RadioButton::Group({&a, &b});
    int& aCalls = Watch(a);
    int& bCalls = Watch(b);
    a.Check();
    EXPECT_TRUE(a.Checked());
    EXPECT_FALSE(b.Checked());
    EXPECT_EQ(aCalls, 1);
    EXPECT_EQ(bCalls, 1);
    b.UserCheck();
    EXPECT_FALSE(a.Checked());
    EXPECT_TRUE(b.Checked());
    EXPECT_EQ(aCalls, 1) << "expected the user's pick not reported back";
}

}  // namespace

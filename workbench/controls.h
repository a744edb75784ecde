// The main window's controls as plain models: what each control holds and the
// rules it keeps (sorted lists, spin-field ranges and readings),
// with no window behind them.
//
// The form's logic reads and writes these models only; the Win32 view mirrors
// them onto real controls. Binding, in both directions:
//   - Programmatic changes (the logic fills a list, loads a spin field, moves
//     the progress bar) call the model's `changed` hook at once, so the view
//     can copy the new state into its control before the logic goes on (the
//     progress bar must move during a run). Between BeginUpdate and EndUpdate
//     a list calls `changed` once, at EndUpdate.
//   - User edits go from the view into the model through the User* members,
//     which never call `changed` (the control already shows the edit); the
//     view then calls the form's handler for that control.
//   - Focus: the view tells the form which control has the focus (the form's
//     ActiveControl); SpinEdit::Exit is called when a spin field loses it.
// Texts: captions are UTF-8. List entries and edit texts are in the encoding
// the control declares (`encoding`): names, style names and fonts are ANSI
// bytes exactly as the host sends them; the program's own entries are UTF-8.
// A spin field's text is ANSI: digits, a sign and the separator byte.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "workbench/speaker_report.h"

namespace workbench {

enum class TextEncoding { Ansi, Utf8 };

// What every control has: a name (the view's key), the enabled and visible
// flags, and the hook that reports programmatic changes to the view.
class Control {
public:
    explicit Control(const char* name) : name_(name) {}
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control() = default;

    const char* Name() const { return name_; }

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);

    std::function<void()> changed;

protected:
    void Notify();

private:
    const char* name_;
    bool enabled_ = true;
    bool visible_ = true;
};

// A label, a button or a tab page: a caption and nothing else.
class Label : public Control {
public:
    Label(const char* name, std::string caption) : Control(name), caption_(std::move(caption)) {}
    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption);

private:
    std::string caption_;
};
using Button = Label;
using TabSheet = Label;

// A one-line text field.
class Edit : public Control {
public:
    Edit(const char* name, TextEncoding encoding) : Control(name), encoding(encoding) {}
    const std::string& Text() const { return text_; }
    void SetText(std::string text);
    void UserText(std::string text) { text_ = std::move(text); }

    const TextEncoding encoding;

private:
    std::string text_;
};

class CheckBox : public Control {
public:
    CheckBox(const char* name, std::string caption, bool checked)
        : Control(name), caption_(std::move(caption)), checked_(checked) {}
    const std::string& Caption() const { return caption_; }
    bool Checked() const { return checked_; }
    void SetChecked(bool checked);
    void UserCheck(bool checked) { checked_ = checked; }

private:
    std::string caption_;
    bool checked_;
};

// A radio button of a group: checking one unchecks the others of its group.
class RadioButton : public Control {
public:
    RadioButton(const char* name, std::string caption, bool checked)
        : Control(name), caption_(std::move(caption)), checked_(checked) {}
    const std::string& Caption() const { return caption_; }
    bool Checked() const { return checked_; }
    void Check();                      // programmatic
    void UserCheck();                  // the user picked this button
    // Makes the buttons one group (each must outlive the others).
    static void Group(std::initializer_list<RadioButton*> buttons);

private:
    void UncheckOthers(bool notify);
    std::string caption_;
    bool checked_;
    std::vector<RadioButton*> group_;
};

// The entries of a list box or of a combo box's drop-down list, with the
// selected index (-1: none). A sorted list keeps its entries in the order of
// platform::CompareTextNoCase; a new entry goes after the entries it compares
// equal to, as the platform's sorted list box places it.
class ListModel : public Control {
public:
    ListModel(const char* name, bool sorted, TextEncoding encoding) : Control(name), encoding(encoding), sorted_(sorted) {}

    int Count() const { return static_cast<int>(items_.size()); }
    const std::string& Item(int index) const { return items_.at(static_cast<size_t>(index)); }
    const std::vector<std::string>& Items() const { return items_; }
    bool Sorted() const { return sorted_; }

    // Adds one entry (at its sorted place, or at the end); returns its index.
    // Throws Exception "Unable to insert a line" when the list is full.
    int Add(const std::string& entry);
    // Replaces all entries; a sorted list sorts them. Throws, and changes
    // nothing, when they do not all fit.
    void Assign(const std::vector<std::string>& entries);
    void Delete(int index);
    void Clear();

    int ItemIndex() const { return itemIndex_; }
    // Selects `index`; an index outside the entries selects nothing.
    virtual void SetItemIndex(int index);
    virtual void UserSelect(int index);

    // The first entry equal to `text` without regard to case, or -1.
    int IndexOf(const std::string& text) const;

    // Calls to `changed` are held back until the outermost EndUpdate.
    void BeginUpdate() { ++updating_; }
    void EndUpdate();

    // The platform's list box takes at most this many entries.
    static constexpr int MaxCount = 32767;

    const TextEncoding encoding;

protected:
    void NotifyList();
    virtual void SelectionChanged() {}

private:
    int InsertionPoint(const std::string& entry) const;

    bool sorted_;
    std::vector<std::string> items_;
    int itemIndex_ = -1;
    int updating_ = 0;
    bool pending_ = false;
};

using ListBox = ListModel;

// A combo box: the list and the text shown in its field. A drop-down list
// shows the selected entry (empty when none); a drop-down that accepts typing
// shows whatever the user typed, and typing leaves no entry selected.
class ComboBox : public ListModel {
public:
    enum class Style { DropDownList, DropDown };
    ComboBox(const char* name, Style style, bool sorted, TextEncoding encoding)
        : ListModel(name, sorted, encoding), style(style) {}

    const std::string& Text() const { return text_; }
    // Shows `text` with no entry selected (DropDown only; a DropDownList
    // ignores it), programmatically or as the user typed it.
    void SetText(std::string text);
    void UserText(std::string text);

    const Style style;

protected:
    void SelectionChanged() override;

private:
    std::string text_;
};

// A numeric spin field. Its text is the source of its value: a number typed
// with either decimal separator (the user's, a full stop or a comma) is that
// number, and a number with more decimals than the field shows counts as
// rounded to them (half away from zero). Text that is no number (empty,
// letters, two separators) steps from the minimum with the up and down
// buttons, and a run refuses it (Read). Leaving the field (Exit) replaces only
// a number outside the range, with too many decimals or with a separator
// other than the user's; setting the value and the up and down buttons keep
// the range too. Showing uses the user's decimal separator as it was when the
// field was made: a run switches the process-wide one while it goes on.
class SpinEdit : public Control {
public:
    enum class Kind { Real, Integer };
    struct Range {
        double min, max, step;
        int decimals;  // 0 for Integer
    };
    SpinEdit(const char* name, Kind kind, Range range, double initial);

    const std::string& Text() const { return text_; }
    // The number the text holds; the minimum when it holds none.
    double Value() const;
    // The number as a run takes it: the text settled first as leaving the
    // field settles it. Nothing, and the text left as it is, when the text
    // holds no number.
    [[nodiscard]] std::optional<double> Read();
    // Brings `value` into the range (an Integer field rounds it to the
    // nearest integer, ties to even), shows it and notifies.
    void SetValue(double value);

    void UserText(std::string text) { text_ = std::move(text); }
    void Exit();  // the field lost the focus
    void Up();
    void Down();

    const Kind kind;
    const Range range;

private:
    std::string Show(double value) const;
    std::string text_;
    char decimal_;
};

// The progress bar: minimum, maximum and position are whole 32-bit values
// (story positions pass 65,535 in a long play; the control takes 32-bit
// ranges on every supported system).
class ProgressBar : public Control {
public:
    explicit ProgressBar(const char* name) : Control(name) {}
    int Min() const { return min_; }
    int Max() const { return max_; }
    int Position() const { return position_; }
    void SetMin(int32_t value);
    void SetMax(int32_t value);
    void SetPosition(int32_t value);

private:
    int min_ = 0, max_ = 100, position_ = 0;
};

// The report list: the speaker report's rows in the order shown, which
// rows are selected, and whether the name list changed since the report was
// made (its counts are then out of date). Sorting by a column orders the
// rows by that column's values, numbers as numbers; sorting by the same
// column again reverses the order.
class ReportList : public Control {
public:
    enum Column { KindColumn, TextColumn, ParagraphsColumn, FirstColumn, RemarkColumn };
    explicit ReportList(const char* name) : Control(name) {}

    const std::vector<ReportRow>& Rows() const { return rows_; }
    bool Selected(int index) const { return selected_.at(static_cast<size_t>(index)); }
    bool OutOfDate() const { return outOfDate_; }

    // A new report: nothing selected, up to date.
    void SetRows(std::vector<ReportRow> rows);
    void SortBy(Column column);
    void MarkOutOfDate();
    void UserSelect(int index, bool selected) { selected_.at(static_cast<size_t>(index)) = selected; }
    // The row the user double-clicked last (-1: none since the report came).
    int Activated() const { return activated_; }
    void UserActivate(int index) { activated_ = index >= 0 && index < static_cast<int>(rows_.size()) ? index : -1; }

private:
    std::vector<ReportRow> rows_;
    std::vector<bool> selected_;
    bool outOfDate_ = false;
    int sortedBy_ = -1;
    int activated_ = -1;
};

}  // namespace workbench

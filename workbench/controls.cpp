// The control models: sorted insertion, selection bookkeeping, spin-field
// reading and showing, the progress bar.
#include "workbench/controls.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

#include "platform/exception.h"
#include "platform/locale.h"
#include "pmdde/format.h"
#include "workbench/messages.h"

namespace workbench {

void Control::Notify() {
    if (changed) changed();
}

void Control::SetEnabled(bool enabled) {
    // Unchanged: not told to the view (every action with the host disables
    // and enables the lists, which the view would compare entry by entry).
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    Notify();
}

void Control::SetVisible(bool visible) {
    visible_ = visible;
    Notify();
}

void Label::SetCaption(std::string caption) {
    caption_ = std::move(caption);
    Notify();
}

void Edit::SetText(std::string text) {
    text_ = std::move(text);
    Notify();
}

void CheckBox::SetChecked(bool checked) {
    checked_ = checked;
    Notify();
}

void RadioButton::Check() {
    checked_ = true;
    Notify();
    UncheckOthers(true);
}

void RadioButton::UserCheck() {
    checked_ = true;
    UncheckOthers(false);
}

void RadioButton::UncheckOthers(bool notify) {
    for (RadioButton* other : group_) {
        if (other == this || !other->checked_) continue;
        other->checked_ = false;
        if (notify) other->Notify();
    }
}

void RadioButton::Group(std::initializer_list<RadioButton*> buttons) {
    for (RadioButton* button : buttons) button->group_.assign(buttons.begin(), buttons.end());
}

// --- lists

int ListModel::InsertionPoint(const std::string& entry) const {
    if (!sorted_) return Count();
    // NOTE: after every entry that compares equal, so equal entries keep the
    // order in which they were added, next to each other.
    auto it = std::upper_bound(items_.begin(), items_.end(), entry, [](const std::string& a, const std::string& b) {
        return platform::CompareTextNoCase(a, b) < 0;
    });
    return static_cast<int>(it - items_.begin());
}

int ListModel::Add(const std::string& entry) {
    if (Count() >= MaxCount) throw Exception(text::kListFull);
    const int index = InsertionPoint(entry);
    items_.insert(items_.begin() + index, entry);
    if (itemIndex_ >= index) ++itemIndex_;  // the selected entry moved down
    NotifyList();
    return index;
}

void ListModel::Assign(const std::vector<std::string>& entries) {
    if (entries.size() > static_cast<size_t>(MaxCount)) throw Exception(text::kListFull);
    items_ = entries;
    if (sorted_)
        std::stable_sort(items_.begin(), items_.end(), [](const std::string& a, const std::string& b) {
            return platform::CompareTextNoCase(a, b) < 0;
        });
    itemIndex_ = -1;
    SelectionChanged();
    NotifyList();
}

void ListModel::Delete(int index) {
    if (index < 0 || index >= Count()) return;
    items_.erase(items_.begin() + index);
    if (itemIndex_ == index) {
        itemIndex_ = -1;
        SelectionChanged();
    } else if (itemIndex_ > index) {
        --itemIndex_;
    }
    NotifyList();
}

void ListModel::Clear() {
    items_.clear();
    itemIndex_ = -1;
    SelectionChanged();
    NotifyList();
}

void ListModel::SetItemIndex(int index) {
    itemIndex_ = index >= 0 && index < Count() ? index : -1;
    SelectionChanged();
    NotifyList();
}

void ListModel::UserSelect(int index) {
    itemIndex_ = index >= 0 && index < Count() ? index : -1;
    SelectionChanged();
}

int ListModel::IndexOf(const std::string& text) const {
    for (int i = 0; i < Count(); ++i)
        if (platform::CompareTextNoCase(items_[static_cast<size_t>(i)], text) == 0) return i;
    return -1;
}

void ListModel::EndUpdate() {
    if (updating_ > 0 && --updating_ == 0 && pending_) {
        pending_ = false;
        Notify();
    }
}

void ListModel::NotifyList() {
    if (updating_ > 0)
        pending_ = true;
    else
        Notify();
}

void ComboBox::SelectionChanged() {
    text_ = ItemIndex() >= 0 ? Item(ItemIndex()) : std::string();
}

void ComboBox::UserText(std::string text) {
    if (style != Style::DropDown) return;
    ListModel::UserSelect(-1);  // clears the text through SelectionChanged
    text_ = std::move(text);
}

void ComboBox::SetText(std::string text) {
    if (style != Style::DropDown) return;
    UserText(std::move(text));
    NotifyList();
}

// --- spin fields

namespace {

struct Typed {
    double value;  // as typed
    double held;   // rounded to the field's decimals
};

// The text as a number: optional blanks around it, an optional sign, digits
// with at most one decimal separator (the user's `separator`, a full stop or
// a comma), an optional exponent. Nothing when it is not such a number. The
// rounding to `decimals` places, half away from zero, works on the digits as
// typed (1,005 holds as 1,01), by moving the decimal point in the text before
// the binary conversion.
std::optional<Typed> ReadNumber(std::string text, char separator, int decimals) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
    // Any separator reads as the full stop; a second one leaves the text no
    // number, as the conversion below accepts only one.
    for (char& c : text)
        if (c == separator || c == ',') c = '.';
    size_t start = 0;
    if (text[0] == '+') {
        start = 1;
        if (text.size() > 1 && text[1] == '-') return std::nullopt;
    }
    auto parse = [](const std::string& digits, double& value) {
        const char* end = digits.data() + digits.size();
        const auto result = std::from_chars(digits.data(), end, value, std::chars_format::general);
        return result.ec == std::errc() && result.ptr == end && std::isfinite(value);
    };
    text.erase(0, start);
    Typed typed{};
    if (!parse(text, typed.value)) return std::nullopt;
    long exponent = 0;
    if (const size_t e = text.find_first_of("eE"); e != std::string::npos) {
        const char* end = text.data() + text.size();
        const char* from = text.data() + e + 1 + (text[e + 1] == '+');
        if (std::from_chars(from, end, exponent).ptr != end) return std::nullopt;
        text.resize(e);
    }
    double scaled = 0;
    if (!parse(text + "e" + std::to_string(exponent + decimals), scaled)) return std::nullopt;
    typed.held = std::round(scaled) / std::pow(10.0, decimals);
    return typed;
}

}  // namespace

SpinEdit::SpinEdit(const char* name, Kind kind, Range range, double initial)
    : Control(name), kind(kind), range(range), decimal_(platform::UserNumberFormat().decimal) {
    text_ = Show(initial);
}

std::string SpinEdit::Show(double value) const {
    if (kind == Kind::Integer) return std::to_string(static_cast<long long>(value));
    // The shared number format writes the process-wide separator; the field
    // shows the user's own.
    std::string text = format::Fixed(static_cast<float>(value), range.decimals);
    std::replace(text.begin(), text.end(), platform::ProcessNumberFormat().decimal, decimal_);
    return text;
}

double SpinEdit::Value() const {
    const std::optional<Typed> typed = ReadNumber(text_, decimal_, range.decimals);
    return typed ? typed->held : range.min;
}

void SpinEdit::SetValue(double value) {
    if (kind == Kind::Integer) value = std::nearbyint(value);
    value = std::clamp(value, range.min, range.max);
    text_ = Show(value);
    Notify();
}

void SpinEdit::Exit() {
    // Only a number the field cannot hold, or one written with another
    // separator, is replaced. Text that is not a number stays as the user
    // typed it.
    const std::optional<Typed> typed = ReadNumber(text_, decimal_, range.decimals);
    if (!typed) return;
    const bool otherSeparator =
        std::any_of(text_.begin(), text_.end(), [&](char c) { return (c == '.' || c == ',') && c != decimal_; });
    if (typed->held == typed->value && typed->value >= range.min && typed->value <= range.max && !otherSeparator)
        return;
    SetValue(typed->held);
}

std::optional<double> SpinEdit::Read() {
    if (!ReadNumber(text_, decimal_, range.decimals)) return std::nullopt;
    Exit();
    return Value();
}

void SpinEdit::Up() { SetValue(Value() + range.step); }
void SpinEdit::Down() { SetValue(Value() - range.step); }

// --- progress bar

void ProgressBar::SetMin(int32_t value) {
    min_ = value;
    Notify();
}

void ProgressBar::SetMax(int32_t value) {
    max_ = value;
    Notify();
}

void ProgressBar::SetPosition(int32_t value) {
    position_ = value;
    Notify();
}

// --- the report list

void ReportList::SetRows(std::vector<ReportRow> rows) {
    rows_ = std::move(rows);
    selected_.assign(rows_.size(), false);
    outOfDate_ = false;
    sortedBy_ = -1;
    activated_ = -1;
    Notify();
}

void ReportList::SortBy(Column column) {
    // The selection goes with its rows.
    std::vector<std::pair<ReportRow, bool>> rows;
    for (size_t i = 0; i < rows_.size(); ++i) rows.emplace_back(std::move(rows_[i]), selected_[i]);
    if (sortedBy_ == column) {
        std::reverse(rows.begin(), rows.end());
    } else {
        auto key = [column](const ReportRow& row) -> std::pair<int, std::string> {
            switch (column) {
                case KindColumn: return {static_cast<int>(row.kind), {}};
                case TextColumn: return {0, row.text};
                case ParagraphsColumn: return {row.paragraphs, {}};
                case FirstColumn: return {row.firstParagraph, {}};
                case RemarkColumn: return {0, row.remark};
            }
            return {};
        };
        std::stable_sort(rows.begin(), rows.end(), [&](const auto& a, const auto& b) {
            const auto ka = key(a.first), kb = key(b.first);
            if (ka.first != kb.first) return ka.first < kb.first;
            return platform::CompareTextNoCase(ka.second, kb.second) < 0;
        });
    }
    sortedBy_ = column;
    activated_ = -1;
    for (size_t i = 0; i < rows.size(); ++i) {
        rows_[i] = std::move(rows[i].first);
        selected_[i] = rows[i].second;
    }
    Notify();
}

void ReportList::MarkOutOfDate() {
    if (outOfDate_ || rows_.empty()) return;
    outOfDate_ = true;
    Notify();
}

}  // namespace workbench

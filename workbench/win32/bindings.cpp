// Copies model state into the controls and user edits into the models, row by
// row of the layout.
#include "workbench/win32/bindings.h"

#include <commctrl.h>

#include <algorithm>

#include "workbench/win32/control_text.h"

namespace rolemark_view {
namespace {

using workbench::TextEncoding;

// Which kinds of row each model type can drive; checked at compile time for
// every row of the layout.
template <class Model>
constexpr bool Fits(Kind) {
    return false;
}
template <>
constexpr bool Fits<workbench::Label>(Kind k) {
    return k == Kind::Label || k == Kind::Button || k == Kind::BigButton || k == Kind::Link || k == Kind::Sheet;
}
template <>
constexpr bool Fits<workbench::Edit>(Kind k) {
    return k == Kind::Edit;
}
template <>
constexpr bool Fits<workbench::ListModel>(Kind k) {
    return k == Kind::ListBox;
}
template <>
constexpr bool Fits<workbench::ComboBox>(Kind k) {
    return k == Kind::DropList || k == Kind::DropDown;
}
template <>
constexpr bool Fits<workbench::CheckBox>(Kind k) {
    return k == Kind::Check;
}
template <>
constexpr bool Fits<workbench::RadioButton>(Kind k) {
    return k == Kind::FirstRadio || k == Kind::Radio;
}
template <>
constexpr bool Fits<workbench::SpinEdit>(Kind k) {
    return k == Kind::Spin;
}
template <>
constexpr bool Fits<workbench::ProgressBar>(Kind k) {
    return k == Kind::Progress;
}
template <>
constexpr bool Fits<workbench::ReportList>(Kind k) {
    return k == Kind::Report;
}

// The tab of a sheet row: sheets are numbered in layout order.
int SheetIndex(size_t row) {
    int index = 0;
    for (size_t r = 0; r < row; ++r)
        if (kLayout[r].kind == Kind::Sheet) ++index;
    return index;
}

struct ListMessages {
    UINT insert, remove, setSelection, getSelection, reserve;
};
constexpr ListMessages kListBox{LB_INSERTSTRING, LB_DELETESTRING, LB_SETCURSEL, LB_GETCURSEL, LB_INITSTORAGE};
constexpr ListMessages kComboBox{CB_INSERTSTRING, CB_DELETESTRING, CB_SETCURSEL, CB_GETCURSEL, CB_INITSTORAGE};

const ListMessages& MessagesOf(Kind kind) { return kind == Kind::ListBox ? kListBox : kComboBox; }

}  // namespace

Bindings::Bindings(workbench::TRolemark& form, const FormWindows& windows) : windows_(windows) {
#define LAYOUT_CONTROL(Name, Kind_, Page, X, Y, W, H)                                                              \
    static_assert(Fits<decltype(form.Name)>(Kind::Kind_), "the layout row " #Name " does not fit its model's type"); \
    models_[Id##Name - FirstControlId] = &form.Name;
#include "workbench/win32/layout.def"
#undef LAYOUT_CONTROL
    for (size_t row = 0; row < kLayoutRows; ++row) {
        Apply(row);
        models_[row]->changed = [this, row] { Apply(row); };
    }
}

Bindings::~Bindings() {
    for (workbench::Control* model : models_) model->changed = nullptr;
}

void Bindings::SetText(HWND hwnd, const std::wstring& text) {
    // Unchanged texts are left alone: setting one moves an edit's caret.
    if (WindowText(hwnd) == text) return;
    applying_ = true;
    SetWindowTextW(hwnd, text.c_str());
    applying_ = false;
}

void Bindings::ApplyList(size_t row, const workbench::ListModel& list) {
    const HWND hwnd = windows_.controls[row];
    const ListMessages& m = MessagesOf(kLayout[row].kind);
    std::vector<std::wstring> wanted;
    wanted.reserve(list.Items().size());
    for (const std::string& item : list.Items()) wanted.push_back(Widen(item, list.encoding));

    // Only the part between the common beginning and the common end changes:
    // adding a name inserts one entry, not the whole list again.
    std::vector<std::wstring>& shown = shown_[row];
    size_t head = 0;
    while (head < shown.size() && head < wanted.size() && shown[head] == wanted[head]) ++head;
    size_t tail = 0;
    while (tail < shown.size() - head && tail < wanted.size() - head &&
           shown[shown.size() - 1 - tail] == wanted[wanted.size() - 1 - tail])
        ++tail;
    const size_t removed = shown.size() - head - tail, added = wanted.size() - head - tail;
    const bool many = removed + added > 8;
    applying_ = true;
    if (many) SendMessageW(hwnd, WM_SETREDRAW, FALSE, 0);
    for (size_t i = 0; i < removed; ++i) SendMessageW(hwnd, m.remove, head, 0);
    if (many && added > 0) {
        // Room for the new entries at once, not grown entry by entry.
        size_t bytes = 0;
        for (size_t i = 0; i < added; ++i) bytes += (wanted[head + i].size() + 1) * sizeof(wchar_t);
        SendMessageW(hwnd, m.reserve, added, static_cast<LPARAM>(bytes));
    }
    for (size_t i = 0; i < added; ++i)
        SendMessageW(hwnd, m.insert, head + i, reinterpret_cast<LPARAM>(wanted[head + i].c_str()));
    shown = std::move(wanted);
    if (SendMessageW(hwnd, m.getSelection, 0, 0) != list.ItemIndex())
        SendMessageW(hwnd, m.setSelection, static_cast<WPARAM>(list.ItemIndex()), 0);
    if (many) {
        SendMessageW(hwnd, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(hwnd, nullptr, TRUE);
    }
    applying_ = false;
    if (kLayout[row].kind == Kind::DropDown && list.ItemIndex() < 0) {
        const auto& combo = static_cast<const workbench::ComboBox&>(list);
        SetText(hwnd, Widen(combo.Text(), combo.encoding));
    }
}

void Bindings::Apply(size_t row) {
    const HWND hwnd = windows_.controls[row];
    workbench::Control* model = models_[row];
    const Kind kind = kLayout[row].kind;
    if (kind == Kind::Sheet) {
        std::wstring caption = Widen(static_cast<workbench::Label*>(model)->Caption(), TextEncoding::Utf8);
        TCITEMW tab{};
        tab.mask = TCIF_TEXT;
        tab.pszText = caption.data();
        SendMessageW(windows_.tabs, TCM_SETITEMW, static_cast<WPARAM>(SheetIndex(row)), reinterpret_cast<LPARAM>(&tab));
        return;
    }

    EnableWindow(hwnd, model->Enabled());
    if (windows_.spinButtons[row]) EnableWindow(windows_.spinButtons[row], model->Enabled());
    // WS_VISIBLE, not IsWindowVisible: a control on a hidden sheet keeps its
    // own flag.
    const bool visible = (GetWindowLongW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
    if (visible != model->Visible()) ShowWindow(hwnd, model->Visible() ? SW_SHOWNA : SW_HIDE);

    switch (kind) {
        case Kind::Label:
        case Kind::Link:
        case Kind::Button:
        case Kind::BigButton:
            SetText(hwnd, Widen(static_cast<workbench::Label*>(model)->Caption(), TextEncoding::Utf8));
            break;
        case Kind::Check: {
            auto* box = static_cast<workbench::CheckBox*>(model);
            SetText(hwnd, Widen(box->Caption(), TextEncoding::Utf8));
            SendMessageW(hwnd, BM_SETCHECK, box->Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
            break;
        }
        case Kind::FirstRadio:
        case Kind::Radio: {
            auto* radio = static_cast<workbench::RadioButton*>(model);
            SetText(hwnd, Widen(radio->Caption(), TextEncoding::Utf8));
            SendMessageW(hwnd, BM_SETCHECK, radio->Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
            break;
        }
        case Kind::Edit: {
            auto* edit = static_cast<workbench::Edit*>(model);
            SetText(hwnd, Widen(edit->Text(), edit->encoding));
            break;
        }
        case Kind::Spin:
            SetText(hwnd, Widen(static_cast<workbench::SpinEdit*>(model)->Text(), TextEncoding::Ansi));
            break;
        case Kind::ListBox:
        case Kind::DropList:
        case Kind::DropDown: ApplyList(row, *static_cast<workbench::ListModel*>(model)); break;
        case Kind::Progress: ApplyProgress(hwnd, *static_cast<workbench::ProgressBar*>(model)); break;
        case Kind::Report: ApplyReport(hwnd, *static_cast<workbench::ReportList*>(model)); break;
        case Kind::Sheet: break;
    }
}

void Bindings::ApplyReport(HWND hwnd, const workbench::ReportList& report) {
    applying_ = true;
    SendMessageW(hwnd, WM_SETREDRAW, FALSE, 0);
    SendMessageW(hwnd, LVM_DELETEALLITEMS, 0, 0);
    const std::vector<workbench::ReportRow>& rows = report.Rows();
    SendMessageW(hwnd, LVM_SETITEMCOUNT, rows.size(), 0);
    for (size_t i = 0; i < rows.size(); ++i) {
        const workbench::ReportRow& row = rows[i];
        const bool found = row.kind != workbench::RowKind::NotFound;
        const std::wstring cells[] = {Widen(workbench::RowKindWord(row.kind), TextEncoding::Utf8),
                                      Widen(row.text, TextEncoding::Ansi), std::to_wstring(row.paragraphs),
                                      found ? std::to_wstring(row.firstParagraph) : std::wstring(),
                                      Widen(row.remark, TextEncoding::Utf8)};
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_STATE;
        item.iItem = static_cast<int>(i);
        item.state = report.Selected(static_cast<int>(i)) ? LVIS_SELECTED : 0;
        item.stateMask = LVIS_SELECTED;
        item.pszText = const_cast<wchar_t*>(cells[0].c_str());
        SendMessageW(hwnd, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        for (int column = 1; column < 5; ++column) {
            LVITEMW cell{};
            cell.iSubItem = column;
            cell.pszText = const_cast<wchar_t*>(cells[column].c_str());
            SendMessageW(hwnd, LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&cell));
        }
    }
    // Counts left behind by an edit of the list are shown in grey.
    SendMessageW(hwnd, LVM_SETTEXTCOLOR, 0, GetSysColor(report.OutOfDate() ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT));
    SendMessageW(hwnd, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd, nullptr, TRUE);
    applying_ = false;
}

// NOTE: under Wine one PBM_SETPOS with its repaint costs about 0.7 ms, a
// fifth of a paragraph's exchanges with the host (bench/run: Rolemark at
// 0.76 of a bare replay of the same exchanges, 0.85-0.90 with this rule). So
// the bar is moved only when its filled width changes by a pixel, and
// painted then at once: a run moves it between its host exchanges. Each
// repaint also selects fonts and asks the X server for the pointer five
// times (strace of a run: five XGetDefault and XQueryPointer per move), so
// it moves at most every kProgressMs as well; the exact position is shown
// whenever the bar is shown, hidden or full.
constexpr DWORD kProgressMs = 50;

void Bindings::ApplyProgress(HWND hwnd, const workbench::ProgressBar& bar) {
    if (bar.Min() != shownProgress_.min || bar.Max() != shownProgress_.max) {
        SendMessageW(hwnd, PBM_SETRANGE32, static_cast<WPARAM>(bar.Min()), bar.Max());
        shownProgress_.min = bar.Min();
        shownProgress_.max = bar.Max();
        shownProgress_.pixels = -1;
    }
    // Shown or hidden: the exact position goes to the control again.
    if (bar.Visible() != shownProgress_.visible) {
        shownProgress_.visible = bar.Visible();
        shownProgress_.pixels = -1;
    }
    RECT client{};
    GetClientRect(hwnd, &client);
    // In 64 bits: whole 32-bit positions may be any distance apart.
    const long long span = std::max<long long>(1, static_cast<long long>(bar.Max()) - bar.Min());
    const long long done = std::clamp<long long>(static_cast<long long>(bar.Position()) - bar.Min(), 0, span);
    const int pixels = static_cast<int>(done * (client.right - client.left) / span);
    if (pixels == shownProgress_.pixels) return;
    const DWORD now = GetTickCount();
    if (shownProgress_.pixels >= 0 && done < span && now - shownProgress_.movedAt < kProgressMs) return;
    shownProgress_.pixels = pixels;
    shownProgress_.movedAt = now;
    SendMessageW(hwnd, PBM_SETPOS, static_cast<WPARAM>(bar.Position()), 0);
    UpdateWindow(hwnd);
}

bool Bindings::TakeUserInput(int row, UINT code) {
    const size_t r = static_cast<size_t>(row);
    const HWND hwnd = windows_.controls[r];
    workbench::Control* model = models_[r];
    switch (kLayout[r].kind) {
        case Kind::Button:
        case Kind::BigButton: return code == BN_CLICKED;
        case Kind::Link: return code == STN_CLICKED;
        case Kind::Check:
            if (code != BN_CLICKED) return false;
            static_cast<workbench::CheckBox*>(model)->UserCheck(SendMessageW(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED);
            return true;
        case Kind::FirstRadio:
        case Kind::Radio:
            if (code != BN_CLICKED || SendMessageW(hwnd, BM_GETCHECK, 0, 0) != BST_CHECKED) return false;
            static_cast<workbench::RadioButton*>(model)->UserCheck();
            return true;
        case Kind::Edit: {
            if (code != EN_CHANGE || applying_) return false;
            auto* edit = static_cast<workbench::Edit*>(model);
            edit->UserText(Narrow(WindowText(hwnd), edit->encoding));
            return true;
        }
        case Kind::Spin: {
            auto* spin = static_cast<workbench::SpinEdit*>(model);
            if (code == EN_KILLFOCUS) {
                spin->Exit();
                return false;
            }
            if (code != EN_CHANGE || applying_) return false;
            spin->UserText(Narrow(WindowText(hwnd), TextEncoding::Ansi));
            return true;
        }
        case Kind::ListBox:
            if (code != LBN_SELCHANGE) return false;
            static_cast<workbench::ListModel*>(model)->UserSelect(static_cast<int>(SendMessageW(hwnd, LB_GETCURSEL, 0, 0)));
            return true;
        case Kind::DropList:
        case Kind::DropDown: {
            auto* combo = static_cast<workbench::ComboBox*>(model);
            if (code == CBN_SELCHANGE) {
                combo->UserSelect(static_cast<int>(SendMessageW(hwnd, CB_GETCURSEL, 0, 0)));
                return true;
            }
            if (code != CBN_EDITCHANGE || applying_) return false;
            combo->UserText(Narrow(WindowText(hwnd), combo->encoding));
            return true;
        }
        case Kind::Progress:
        case Kind::Label:
        case Kind::Report:
        case Kind::Sheet: return false;
    }
    return false;
}

bool Bindings::TakeNotify(int row, const NMHDR& header) {
    const size_t r = static_cast<size_t>(row);
    if (kLayout[r].kind != Kind::Report || applying_) return false;
    auto* report = static_cast<workbench::ReportList*>(models_[r]);
    switch (header.code) {
        case LVN_ITEMCHANGED: {
            const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
            if (!(change.uChanged & LVIF_STATE) || ((change.uNewState ^ change.uOldState) & LVIS_SELECTED) == 0) return false;
            const bool selected = (change.uNewState & LVIS_SELECTED) != 0;
            if (change.iItem < 0) {  // every row at once
                for (int i = 0; i < static_cast<int>(report->Rows().size()); ++i) report->UserSelect(i, selected);
            } else if (change.iItem < static_cast<int>(report->Rows().size())) {
                report->UserSelect(change.iItem, selected);
            }
            return false;
        }
        case LVN_COLUMNCLICK:
            report->SortBy(static_cast<workbench::ReportList::Column>(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem));
            return false;
        case NM_DBLCLK: {
            const int item = reinterpret_cast<const NMITEMACTIVATE&>(header).iItem;
            if (item < 0) return false;
            report->UserActivate(item);
            return true;
        }
        default: return false;
    }
}

bool Bindings::TakeSpin(int row, int delta) {
    const size_t r = static_cast<size_t>(row);
    if (kLayout[r].kind != Kind::Spin) return false;
    auto* spin = static_cast<workbench::SpinEdit*>(models_[r]);
    if (delta > 0)
        spin->Up();
    else
        spin->Down();
    return true;
}

}  // namespace rolemark_view

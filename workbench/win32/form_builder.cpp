// Window classes, styles and fonts of each kind of layout row, and the
// construction of the form from the rows.
#include "workbench/win32/form_builder.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <string>

#include "workbench/speaker_report.h"
#include "workbench/win32/resource_ids.h"
#include "workbench/win32/control_text.h"

namespace rolemark_view {
namespace {

// NOTE: RUSSIAN_CHARSET rather than the default: a Russian system picks the
// Cyrillic MS Sans Serif, and any other system a sans-serif face that has
// Cyrillic glyphs instead of the Western bitmap font (which would show "?").
HFONT MakeFont(int points, int weight, bool underline) {
    HDC screen = GetDC(nullptr);
    const int height = -MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    return CreateFontW(height, 0, 0, 0, weight, FALSE, underline ? TRUE : FALSE, FALSE, RUSSIAN_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS,
                       L"MS Sans Serif");
}

struct KindStyle {
    const wchar_t* windowClass;
    DWORD style;
    DWORD exStyle;
};

// Every row but the radio buttons after the first opens a group, so the
// arrow keys move only between the two radio buttons.
KindStyle StyleOf(Kind kind) {
    constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_GROUP;
    switch (kind) {
        case Kind::Sheet: break;
        case Kind::Progress: return {PROGRESS_CLASSW, WS_CHILD | WS_GROUP, 0};
        case Kind::Button:
        case Kind::BigButton: return {WC_BUTTONW, kChild | WS_TABSTOP | BS_PUSHBUTTON, 0};
        case Kind::Label: return {WC_STATICW, kChild | SS_LEFT | SS_NOPREFIX, 0};
        case Kind::Link: return {WC_STATICW, kChild | SS_OWNERDRAW | SS_NOTIFY, 0};
        case Kind::Edit:
        case Kind::Spin: return {WC_EDITW, kChild | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
        case Kind::ListBox:
            return {WC_LISTBOXW, kChild | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS,
                    WS_EX_CLIENTEDGE};
        case Kind::FirstRadio: return {WC_BUTTONW, kChild | WS_TABSTOP | BS_AUTORADIOBUTTON, 0};
        case Kind::Radio: return {WC_BUTTONW, WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON, 0};
        case Kind::Check: return {WC_BUTTONW, kChild | WS_TABSTOP | BS_AUTOCHECKBOX, 0};
        // NOTE: no CBS_SORT / LBS_SORT: the models keep the order, and the
        // controls show the entries at the models' indexes.
        case Kind::DropList: return {WC_COMBOBOXW, kChild | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0};
        case Kind::DropDown:
            return {WC_COMBOBOXW, kChild | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, 0};
        // The model sorts; the control shows its order.
        case Kind::Report: return {WC_LISTVIEWW, kChild | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS, WS_EX_CLIENTEDGE};
    }
    return {nullptr, 0, 0};
}

// The report's columns, widths in pixels; rows selected whole (the extended
// style is there since common controls 4.70, so on Windows XP too).
void AddReportColumns(HWND list) {
    constexpr int kWidths[] = {80, 110, 62, 88, 130};
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (int i = 0; i < 5; ++i) {
        std::wstring caption = Widen(workbench::kReportColumns[i], workbench::TextEncoding::Utf8);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = i == 2 || i == 3 ? LVCFMT_RIGHT : LVCFMT_LEFT;
        column.cx = kWidths[i];
        column.pszText = caption.data();
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
}

int IdOfRow(size_t row) { return FirstControlId + static_cast<int>(row); }

HWND SheetWindow(const FormWindows& windows, int page) {
    int seen = 0;
    for (size_t row = 0; row < kLayoutRows; ++row)
        if (kLayout[row].kind == Kind::Sheet && ++seen == page) return windows.controls[row];
    return nullptr;
}

}  // namespace

Fonts::Fonts()
    : normal(MakeFont(8, FW_NORMAL, false)), big(MakeFont(12, FW_BOLD, false)), underlined(MakeFont(8, FW_NORMAL, true)) {}

Fonts::~Fonts() {
    for (HFONT font : {normal, big, underlined})
        if (font) DeleteObject(font);
}

void SizeAndCentre(HWND form) {
    RECT frame{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(form, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(form, GWL_EXSTYLE)));
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    SetWindowPos(form, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void BuildForm(HWND form, const Fonts& fonts, DLGPROC sheetProc, LPARAM sheetParam, FormWindows& windows) {
    const HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(form, GWLP_HINSTANCE));
    windows.form = form;
    windows.tabs = CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | WS_GROUP,
                                   kTabsRect.x, kTabsRect.y, kTabsRect.width, kTabsRect.height, form,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdPageControl)), instance, nullptr);
    SendMessageW(windows.tabs, WM_SETFONT, reinterpret_cast<WPARAM>(fonts.normal), FALSE);

    // The sheets first, so that the rows of a sheet have their parent.
    int sheets = 0;
    for (size_t row = 0; row < kLayoutRows; ++row) {
        if (kLayout[row].kind != Kind::Sheet) continue;
        TCITEMW tab{};
        tab.mask = TCIF_TEXT;
        tab.pszText = const_cast<wchar_t*>(L"");
        SendMessageW(windows.tabs, TCM_INSERTITEMW, static_cast<WPARAM>(sheets++), reinterpret_cast<LPARAM>(&tab));
        HWND sheet = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_SHEET), form, sheetProc, sheetParam);
        SetWindowLongPtrW(sheet, GWLP_ID, IdOfRow(row));
        // The sheet takes the tab control's own background under visual
        // styles, and so do the labels and boxes on it.
        EnableThemeDialogTexture(sheet, ETDT_ENABLETAB);
        windows.controls[row] = sheet;
    }
    RECT display{kTabsRect.x, kTabsRect.y, kTabsRect.x + kTabsRect.width, kTabsRect.y + kTabsRect.height};
    SendMessageW(windows.tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));

    for (size_t row = 0; row < kLayoutRows; ++row) {
        const LayoutRow& r = kLayout[row];
        if (r.kind == Kind::Sheet) {
            SetWindowPos(windows.controls[row], nullptr, display.left, display.top, display.right - display.left,
                         display.bottom - display.top, SWP_NOZORDER | SWP_NOACTIVATE);
            continue;
        }
        const KindStyle kind = StyleOf(r.kind);
        HWND parent = r.page == 0 ? form : SheetWindow(windows, r.page);
        HWND hwnd = CreateWindowExW(kind.exStyle, kind.windowClass, L"", kind.style, r.x, r.y, r.width, r.height, parent,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdOfRow(row))), instance, nullptr);
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(r.kind == Kind::BigButton ? fonts.big : fonts.normal),
                     FALSE);
        windows.controls[row] = hwnd;
        if (r.kind == Kind::Report) AddReportColumns(hwnd);
        if (r.kind == Kind::Spin) {
            // No UDS_SETBUDDYINT: the values are reals, and the model moves
            // them (UDN_DELTAPOS). The position sits mid-range so that both
            // buttons always report.
            HWND buttons = CreateWindowExW(0, UPDOWN_CLASSW, L"", WS_CHILD | WS_VISIBLE | UDS_ALIGNRIGHT | UDS_ARROWKEYS,
                                           0, 0, 0, 0, parent, nullptr, instance, nullptr);
            SendMessageW(buttons, UDM_SETBUDDY, reinterpret_cast<WPARAM>(hwnd), 0);
            SendMessageW(buttons, UDM_SETRANGE32, static_cast<WPARAM>(-1000), 1000);
            SendMessageW(buttons, UDM_SETPOS32, 0, 0);
            windows.spinButtons[row] = buttons;
        }
    }
    // NOTE: the tab control goes to the bottom of the z-order, under the
    // sheets it frames; otherwise it would take their clicks.
    SetWindowPos(windows.tabs, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ShowSheet(windows, 0);
}

void ShowSheet(const FormWindows& windows, int index) {
    if (SendMessageW(windows.tabs, TCM_GETCURSEL, 0, 0) != index)
        SendMessageW(windows.tabs, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    int sheet = 0;
    for (size_t row = 0; row < kLayoutRows; ++row)
        if (kLayout[row].kind == Kind::Sheet) ShowWindow(windows.controls[row], sheet++ == index ? SW_SHOW : SW_HIDE);
}

int RowOfWindow(const FormWindows& windows, HWND hwnd) {
    for (; hwnd && hwnd != windows.form; hwnd = GetParent(hwnd)) {
        for (size_t row = 0; row < kLayoutRows; ++row)
            if (windows.controls[row] == hwnd || windows.spinButtons[row] == hwnd) return static_cast<int>(row);
    }
    return -1;
}

void DrawLink(const DRAWITEMSTRUCT& item, const Fonts& fonts) {
    RECT box = item.rcItem;
    if (FAILED(DrawThemeParentBackground(item.hwndItem, item.hDC, &box)))
        FillRect(item.hDC, &box, GetSysColorBrush(COLOR_BTNFACE));
    wchar_t caption[256] = {};
    GetWindowTextW(item.hwndItem, caption, 256);
    HGDIOBJ previous = SelectObject(item.hDC, fonts.underlined);
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, IsWindowEnabled(item.hwndItem) ? RGB(0, 0, 255) : GetSysColor(COLOR_GRAYTEXT));
    DrawTextW(item.hDC, caption, -1, &box, DT_RIGHT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(item.hDC, previous);
}

}  // namespace rolemark_view

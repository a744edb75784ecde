// The dialog procedures, the table of the form's handlers, and the message
// boxes and file dialogs the form asks for.
#include "workbench/win32/view.h"

#include <commctrl.h>
#include <commdlg.h>

#include <stdexcept>
#include <vector>

#include "platform/win32/system_function.h"
#include "workbench/messages.h"
#include "workbench/win32/resource_ids.h"
#include "workbench/win32/wide_text.h"

namespace rolemark_view {
namespace {

using workbench::TextEncoding;
using workbench::TRolemark;

constexpr const wchar_t* kWindowClass = L"TRolemark";

// The handler of each control that has one: a click of a button, box or
// label, or a change of a list or a field.
struct HandlerRow {
    int id;
    RolemarkView::Handler handler;
};
constexpr HandlerRow kHandlers[] = {
    {IdButton1, &TRolemark::Button1Click},
    {IdButton3, &TRolemark::Button3Click},
    {IdButton4, &TRolemark::Button4Click},
    {IdButton5, &TRolemark::Button5Click},
    {IdButton2, &TRolemark::Button2Click},
    {IdLabel1, &TRolemark::Label1Click},
    {IdUseStyleCheckBox, &TRolemark::UseStyleCheckBoxClick},
    {IdSrcStyleCombo, &TRolemark::SrcStyleComboChange},
    {IdBasedOnCheckBox, &TRolemark::BasedOnCheckBoxClick},
    {IdTargetStyleCombo, &TRolemark::TargetStyleComboChange},
    {IdFontCombo, &TRolemark::FontComboChange},
    {IdSizeEdit, &TRolemark::FontComboChange},
    {IdTrackingCombo, &TRolemark::FontComboChange},
    {IdKerningEdit, &TRolemark::FontComboChange},
    {IdLeadingEdit, &TRolemark::FontComboChange},
    {IdWidthEdit, &TRolemark::FontComboChange},
    {IdBaseShiftEdit, &TRolemark::FontComboChange},
    {IdNormalCheck, &TRolemark::NormalCheckClick},
    {IdBoldCheck, &TRolemark::BoldCheckClick},
    {IdItalicCheck, &TRolemark::ItalicCheckClick},
    {IdCheckButton, &TRolemark::CheckButtonClick},
    {IdAddAllButton, &TRolemark::AddAllButtonClick},
    {IdAddSelectedButton, &TRolemark::AddSelectedButtonClick},
    {IdSaveReportButton, &TRolemark::SaveReportButtonClick},
    {IdReportList, &TRolemark::ReportListDblClick},
};

RolemarkView::Handler HandlerOf(int row) {
    for (const HandlerRow& h : kHandlers)
        if (h.id == FirstControlId + row) return h.handler;
    return nullptr;
}

void RegisterWindowClass(HINSTANCE instance) {
    // A dialog of its own class, so that the window is found by class and
    // caption and is not mistaken for a message box (also "#32770").
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = DefDlgProcW;
    cls.cbWndExtra = DLGWINDOWEXTRA;
    cls.hInstance = instance;
    cls.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    cls.lpszClassName = kWindowClass;
    RegisterClassExW(&cls);
}

RolemarkView* ViewOf(HWND hwnd) { return reinterpret_cast<RolemarkView*>(GetWindowLongPtrW(hwnd, DWLP_USER)); }

// "description|pattern|description|pattern" as the dialog wants it: pairs
// separated and ended by zeros, the whole ended by one more zero.
std::wstring FilterOf(const std::string& filter) {
    std::wstring out = Widen(filter, TextEncoding::Utf8);
    for (wchar_t& c : out)
        if (c == L'|') c = L'\0';
    out.push_back(L'\0');
    out.push_back(L'\0');
    return out;
}

UINT IconFlag(workbench::MessageIcon icon) {
    switch (icon) {
        case workbench::MessageIcon::None: return 0;
        case workbench::MessageIcon::Information: return MB_ICONINFORMATION;
        case workbench::MessageIcon::Exclamation: return MB_ICONEXCLAMATION;
        case workbench::MessageIcon::Error: return MB_ICONERROR;
    }
    return 0;
}

}  // namespace

RolemarkView::RolemarkView(platform::win32::Application& app, HINSTANCE instance) : app_(app), instance_(instance) {
    RegisterWindowClass(instance);
}

RolemarkView::~RolemarkView() { Destroy(); }

bool RolemarkView::Create(TRolemark& form) {
    form_ = &form;
    HWND hwnd = CreateDialogParamW(instance_, MAKEINTRESOURCEW(IDD_FORM), nullptr, FormProc, reinterpret_cast<LPARAM>(this));
    if (!hwnd) return false;
    bindings_ = std::make_unique<Bindings>(form, windows_);
    app_.SetDialog(hwnd);
    return true;
}

void RolemarkView::Show(int showCommand) {
    if (!windows_.form) return;
    shown_ = true;
    ShowWindow(windows_.form, showCommand);
    UpdateWindow(windows_.form);
    SetForegroundWindow(windows_.form);
}

void RolemarkView::Destroy() {
    bindings_.reset();
    if (windows_.form) DestroyWindow(windows_.form);
}

template <class F>
void RolemarkView::Invoke(F&& work) {
    ++depth_;
    try {
        work();
    } catch (const std::exception& e) {
        app_.HandleException(e);
    } catch (...) {
        app_.HandleException(std::runtime_error(workbench::text::kUnexpectedFailure));
    }
    --depth_;
    if (depth_ == 0 && closePending_ && !form_->Busy()) {
        closePending_ = false;
        BeginClose();
    }
}

void RolemarkView::Call(Handler handler) {
    Invoke([&] { (form_->*handler)(); });
}

void RolemarkView::RunHandlerOf(int row) {
    Handler handler = HandlerOf(row);
    if (!handler) return;
    // The form's rules between the type-style boxes apply only to the box
    // that has the focus: tell it which one that is now.
    const int focused = RowOfWindow(windows_, GetFocus());
    form_->ActiveControl = focused >= 0 ? bindings_->Model(focused) : nullptr;
    Call(handler);
}

// --- closing

void RolemarkView::Close() {
    // Asked while the form is being created: the window is never shown, and
    // the program's start sees CloseRequested.
    if (!shown_) return;
    BeginClose();
}

void RolemarkView::BeginClose() {
    if (form_->Busy()) {
        // NOTE: an action with the host handles window messages while it
        // waits (a run between paragraphs, a query in its modal loop); the form
        // must live until it is over.
        closePending_ = true;
        return;
    }
    if (app_.Terminated()) return;
    ShowWindow(windows_.form, SW_HIDE);
    app_.Terminate();
}

void RolemarkView::OnClose() { BeginClose(); }

void RolemarkView::OnDestroy() {
    if (app_.Dialog() == windows_.form) app_.SetDialog(nullptr);
    windows_ = FormWindows{};
}

// --- messages

INT_PTR CALLBACK RolemarkView::FormProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        reinterpret_cast<RolemarkView*>(lParam)->OnInitDialog(hwnd);
        return TRUE;
    }
    RolemarkView* view = ViewOf(hwnd);
    if (!view) return FALSE;
    INT_PTR result = FALSE;
    if (view->OnChildMessage(hwnd, message, wParam, lParam, result)) return result;
    switch (message) {
        case WM_CLOSE: view->OnClose(); return TRUE;
        case WM_DESTROY: view->OnDestroy(); return TRUE;
        default: return FALSE;
    }
}

INT_PTR CALLBACK RolemarkView::SheetProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        return FALSE;
    }
    RolemarkView* view = ViewOf(hwnd);
    INT_PTR result = FALSE;
    return view && view->OnChildMessage(hwnd, message, wParam, lParam, result) ? result : FALSE;
}

bool RolemarkView::OnChildMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), reinterpret_cast<HWND>(lParam), HIWORD(wParam));
            result = TRUE;
            return true;
        case WM_NOTIFY:
            SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, OnNotify(*reinterpret_cast<const NMHDR*>(lParam)));
            result = TRUE;
            return true;
        case WM_DRAWITEM:
            OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            result = TRUE;
            return true;
        case WM_SETCURSOR:
            if (!OnSetCursor(reinterpret_cast<HWND>(wParam))) return false;
            SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, TRUE);
            result = TRUE;
            return true;
        default: return false;
    }
}

void RolemarkView::OnInitDialog(HWND hwnd) {
    SetWindowTextW(hwnd, Widen(workbench::kApplicationTitle, TextEncoding::Utf8).c_str());
    SizeAndCentre(hwnd);
    BuildForm(hwnd, fonts_, SheetProc, reinterpret_cast<LPARAM>(this), windows_);
}

void RolemarkView::OnCommand(int id, HWND control, UINT code) {
    // Enter and Esc reach a dialog as IDOK and IDCANCEL; the form has no
    // default or cancel button, so they do nothing.
    const LayoutRow* row = RowOf(id);
    if (!row || !bindings_ || !control) return;
    const int index = id - FirstControlId;
    bool userEdit = false;
    Invoke([&] { userEdit = bindings_->TakeUserInput(index, code); });
    if (userEdit) RunHandlerOf(index);
}

LRESULT RolemarkView::OnNotify(const NMHDR& header) {
    if (header.hwndFrom == windows_.tabs && header.code == TCN_SELCHANGE) {
        ShowSheet(windows_, static_cast<int>(SendMessageW(windows_.tabs, TCM_GETCURSEL, 0, 0)));
        return 0;
    }
    if (header.code == UDN_DELTAPOS && bindings_) {
        const int row = RowOfWindow(windows_, header.hwndFrom);
        const int delta = reinterpret_cast<const NMUPDOWN&>(header).iDelta;
        bool spun = false;
        if (row >= 0) Invoke([&] { spun = bindings_->TakeSpin(row, delta); });
        if (spun) RunHandlerOf(row);
        // Non-zero keeps the buttons' own position where it is.
        return TRUE;
    }
    if (bindings_) {
        const int row = RowOfWindow(windows_, header.hwndFrom);
        bool activated = false;
        if (row >= 0) Invoke([&] { activated = bindings_->TakeNotify(row, header); });
        if (activated) RunHandlerOf(row);
    }
    return 0;
}

void RolemarkView::OnDrawItem(const DRAWITEMSTRUCT& item) {
    const LayoutRow* row = RowOf(static_cast<int>(item.CtlID));
    if (row && row->kind == Kind::Link) DrawLink(item, fonts_);
}

bool RolemarkView::OnSetCursor(HWND over) {
    const int row = RowOfWindow(windows_, over);
    if (row < 0 || kLayout[static_cast<size_t>(row)].kind != Kind::Link) return false;
    SetCursor(LoadCursorW(nullptr, IDC_HAND));
    return true;
}

// --- what the form asks of its window

HWND RolemarkView::Owner() const {
    return windows_.form && IsWindowVisible(windows_.form) ? windows_.form : nullptr;
}

void RolemarkView::ShowMessage(const std::string& text, const std::string& caption, workbench::MessageIcon icon) {
    MessageBoxW(Owner(), Widen(text, TextEncoding::Utf8).c_str(), Widen(caption, TextEncoding::Utf8).c_str(),
                MB_OK | IconFlag(icon));
}

std::optional<std::filesystem::path> RolemarkView::ExecuteFileDialog(const workbench::FileDialog& dialog, bool save) {
    // Room for the longest path the system accepts.
    std::vector<wchar_t> file(32768, L'\0');
    const std::wstring start = dialog.fileName.wstring();
    if (start.size() < file.size()) start.copy(file.data(), start.size());
    const std::wstring filter = FilterOf(dialog.filter);
    const std::wstring title = Widen(dialog.title, TextEncoding::Utf8);
    const std::wstring defaultExt = Widen(dialog.defaultExt, TextEncoding::Utf8);

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = Owner();
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrTitle = title.c_str();
    ofn.lpstrDefExt = defaultExt.empty() ? nullptr : defaultExt.c_str();
    // No options beyond the look and the replace question the dialog asks
    // for: the open dialog accepts a name that does not exist.
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING;
    if (save && dialog.askReplace) ofn.Flags |= OFN_OVERWRITEPROMPT;
    using platform::win32::SystemFunction;
    static const auto getSaveFileName = SystemFunction<decltype(GetSaveFileNameW)>(L"comdlg32.dll", "GetSaveFileNameW");
    static const auto getOpenFileName = SystemFunction<decltype(GetOpenFileNameW)>(L"comdlg32.dll", "GetOpenFileNameW");
    const auto run = save ? getSaveFileName : getOpenFileName;
    if (!run || !run(&ofn)) return std::nullopt;
    return std::filesystem::path(std::wstring(file.data()));
}

std::optional<std::filesystem::path> RolemarkView::ExecuteSaveDialog(const workbench::FileDialog& dialog) {
    return ExecuteFileDialog(dialog, true);
}

std::optional<std::filesystem::path> RolemarkView::ExecuteOpenDialog(const workbench::FileDialog& dialog) {
    return ExecuteFileDialog(dialog, false);
}

}  // namespace rolemark_view

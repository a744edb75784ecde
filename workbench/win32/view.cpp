// The dialog procedures, the table of the form's handlers, and the message
// boxes and file dialogs the form asks for.
#include "workbench/win32/view.h"

#include <commctrl.h>
#include <commdlg.h>
#include <ddeml.h>  // MSGF_DDEMGR

#include <stdexcept>
#include <vector>

#include "platform/win32/system_function.h"
#include "workbench/messages.h"
#include "workbench/win32/resource_ids.h"
#include "workbench/win32/control_text.h"

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

// The view whose form DdeWaitFilter tells of Esc (the program has one window).
RolemarkView* escapeListener = nullptr;
HWND escapeWindow = nullptr;

bool IsEscapeKey(const MSG& msg) {
    return (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) && msg.wParam == VK_ESCAPE;
}

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
    escapeListener = this;
    escapeWindow = hwnd;
    ddeWaitFilter_ = SetWindowsHookExW(WH_MSGFILTER, DdeWaitFilter, nullptr, GetCurrentThreadId());
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
    if (ddeWaitFilter_) UnhookWindowsHookEx(ddeWaitFilter_);
    ddeWaitFilter_ = nullptr;
    if (escapeListener == this) {
        escapeListener = nullptr;
        escapeWindow = nullptr;
    }
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

// --- while an action talks to the host

void RolemarkView::ShowBusy(bool busy) {
    busy_ = busy;
    if (!windows_.form) return;
    if (busy) {
        // NOTE: called before the controls are disabled. A disabled control
        // loses the focus, and with no focus at all Esc arrives as
        // WM_SYSKEYDOWN, which the dialog manager does not turn into IDCANCEL;
        // the page tabs are never disabled and keep it meanwhile.
        focusBeforeBusy_ = GetFocus();
        SetFocus(windows_.tabs);
    } else if (focusBeforeBusy_ && IsWindow(focusBeforeBusy_) && IsWindowEnabled(focusBeforeBusy_)) {
        SetFocus(focusBeforeBusy_);
    }
    RefreshCursor();
}

void RolemarkView::RefreshCursor() const {
    POINT at{};
    if (!GetCursorPos(&at)) return;
    HWND under = WindowFromPoint(at);
    if (under && GetAncestor(under, GA_ROOT) == windows_.form)
        SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
}

// NOTE: on Windows a synchronous DDE request waits in DDEML's own modal loop,
// which dispatches the user's input without the dialog manager (so Esc would
// not become IDCANCEL there) and first offers each message to the thread's
// WH_MSGFILTER hooks with the code MSGF_DDEMGR (Microsoft's MessageProc
// documentation). Esc is taken there. Wine's loop dispatches only DDE
// messages: there Esc waits in the queue for the run's ProcessMessages.
LRESULT CALLBACK RolemarkView::DdeWaitFilter(int code, WPARAM wParam, LPARAM lParam) {
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == MSGF_DDEMGR && escapeListener && msg && IsEscapeKey(*msg) &&
        (msg->hwnd == escapeWindow || IsChild(escapeWindow, msg->hwnd))) {
        escapeListener->Call(&TRolemark::FormEscapeKey);
        return TRUE;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void RolemarkView::FocusControl(const workbench::Control& control) {
    if (!bindings_) return;
    for (size_t row = 0; row < kLayoutRows; ++row) {
        if (bindings_->Model(static_cast<int>(row)) != &control) continue;
        const LayoutRow& r = kLayout[row];
        if (r.page > 0) ShowSheet(windows_, r.page - 1);
        // While busy the control is disabled: it gets the focus back with
        // the others when the action has ended.
        if (busy_)
            focusBeforeBusy_ = windows_.controls[row];
        else
            SetFocus(windows_.controls[row]);
        // A field's text selected whole, ready to be typed over.
        if (r.kind == Kind::Spin || r.kind == Kind::Edit) SendMessageW(windows_.controls[row], EM_SETSEL, 0, -1);
        return;
    }
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
    // default or cancel button. Enter does nothing; Esc stops a run, and
    // never closes the window.
    if (id == IDCANCEL) {
        Call(&TRolemark::FormEscapeKey);
        return;
    }
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
    if (busy_) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return true;
    }
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

// uidriver: drives the running Rolemark window from another process, the way
// a user would, and prints what it finds as UTF-8 lines.
//
// Usage: uidriver.exe COMMAND [ARGS] [COMMAND [ARGS]]...
// An argument "@FILE" is replaced by the lines of the UTF-8 file FILE (one
// argument per line), so that texts outside the ANSI code page reach the
// driver intact whatever the host's locale.
//
// Commands (each but wait-title and sleep first looks for the Rolemark window,
// hidden or not, for up to 60 s):
//   dump                      the form, then every window of the layout
//   form                      the form alone
//   get NAME                  one window of the layout
//   tab N                     shows sheet N (1 or 2) as a click on its tab
//   type NAME TEXT            replaces the text of an edit field (a combo box's
//                             field is emptied, then TEXT is typed into it)
//   add-name TEXT             types TEXT into NamesEdit and presses "+"
//   click NAME                presses a button, check box or radio button and
//                             waits for its handler (3 s at most)
//   press NAME                the same, without waiting (for a run, or a
//                             button that opens a dialog or a box)
//   choose NAME TEXT          picks the entry TEXT of a drop-down list
//   choose-index NAME N       picks the entry N of a drop-down list
//   select NAME N             selects entry N of the list box
//   key NAME up|down          presses the arrow key in a field
//   leave NAME                the field loses the focus
//   keys NAME TEXT            types TEXT at the caret, one key at a time
//   tab-key                   presses Tab in the focused control
//   esc-key                   presses Esc in the focused control (in the form
//                             when none has the focus)
//   wait-focus NAME [MS]      waits until NAME has the keyboard focus
//   box [MS]                  waits for a message box, prints it, presses OK
//   no-box MS                 fails when a message box appears within MS
//   save-as PATH | open PATH  answers the save / open file dialog with PATH
//   cancel-dialog             cancels the open file dialog
//   wait-idle [MS]            waits until no action with the host (first fill,
//                             style load, run) is in progress
//   wait-run [MS]             waits until a run is in progress (its progress
//                             bar shown)
//   watch-progress [MS]       follows the progress bar until it is hidden
//                             again after having been shown
//   close                     asks the window to close
//   nudge                     posts an empty message (as a mouse move would
//                             wake the loop; the idle check follows)
//   wait-gone [MS]            waits until the window is gone
//   wait-title PREFIX [MS]    waits for a top-level window titled PREFIX...
//   sleep MS
//
// Output lines (fields separated by tabs; \t, \n, \r and \\ escaped):
//   form CLASS CAPTION CLIENT_W CLIENT_H STYLE X,Y,W,H CLIENT_X,CLIENT_Y
//                                     (the frame and the client area's
//                                     top left corner on the screen)
//   control NAME CLASS STYLE ENABLED VISIBLE X,Y,W,H TEXT
//   checked NAME 0|1
//   list NAME COUNT SELECTED          then   item NAME INDEX TEXT
//   progress NAME MIN MAX POS
//   seen VISIBLE POS                  (each change watch-progress saw)
//   tab NAME INDEX TEXT               and    tabs NAME COUNT CURRENT
//   box CAPTION ICON TEXT
//   dialog CAPTION
//   focus NAME
//   error MESSAGE                     (then the driver exits with 1)
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cctype>
#include <cstdio>
#include <cwchar>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/code_page.h"
#include "workbench/win32/layout.h"

using namespace rolemark_view;

namespace {

// Generous: they bound waits for what should come, and a 32-bit program
// under qemu on a busy machine can take many seconds to start.
constexpr DWORD kFindTimeoutMs = 60000;
constexpr DWORD kSyncTimeoutMs = 30000;
constexpr DWORD kPollMs = 50;
constexpr DWORD kHandlerWaitMs = 3000;
constexpr const char* kTabsName = "PageControl";

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string Utf8(std::wstring_view text) { return platform::win32::Narrow(text, CP_UTF8); }
std::wstring Wide(std::string_view utf8) { return platform::win32::Widen(utf8, CP_UTF8); }

std::wstring Escape(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        switch (c) {
            case L'\t': out += L"\\t"; break;
            case L'\n': out += L"\\n"; break;
            case L'\r': out += L"\\r"; break;
            case L'\\': out += L"\\\\"; break;
            default: out += c;
        }
    }
    return out;
}

// One output line: the fields joined by tabs, written as UTF-8 bytes.
void Print(const std::vector<std::wstring>& fields) {
    std::wstring line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i) line += L'\t';
        line += fields[i];
    }
    std::string bytes = Utf8(line) + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring Num(long long value) { return std::to_wstring(value); }

std::wstring TextOf(HWND hwnd) {
    // WM_GETTEXT is carried across processes; GetWindowText would not ask
    // another process's control.
    LRESULT length = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kSyncTimeoutMs, reinterpret_cast<PDWORD_PTR>(&length));
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT got = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL,
                        kSyncTimeoutMs, reinterpret_cast<PDWORD_PTR>(&got));
    text.resize(static_cast<size_t>(got));
    return text;
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[128] = {};
    GetClassNameW(hwnd, name, 128);
    return name;
}

void Sleep(DWORD ms) { ::Sleep(ms); }

// Enumeration callbacks (stdcall functions: a lambda does not convert to one
// on 32-bit Windows).
struct DialogSearch {
    DWORD pid;
    std::vector<HWND> found;
};
BOOL CALLBACK CollectDialog(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<DialogSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == search->pid && IsWindowVisible(hwnd) && ClassOf(hwnd) == L"#32770") search->found.push_back(hwnd);
    return TRUE;
}

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
    return TRUE;
}

struct TitleSearch {
    const std::wstring* prefix;
    bool found;
};
BOOL CALLBACK FindTitle(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<TitleSearch*>(param);
    wchar_t title[256] = {};
    GetWindowTextW(hwnd, title, 256);
    if (std::wstring(title).compare(0, search->prefix->size(), *search->prefix) == 0) search->found = true;
    return !search->found;
}

class Driver {
public:
    // NOTE: the window can be found while its controls are still being
    // created (FindWindow sees it from its first message on), so the search
    // also waits for the last row of the layout.
    void Find(DWORD timeoutMs) {
        for (DWORD waited = 0;; waited += kPollMs) {
            form_ = FindWindowW(L"TRolemark", L"Rolemark");
            if (form_ && Complete()) break;
            if (waited >= timeoutMs) throw Failure("the Rolemark window did not appear");
            Sleep(kPollMs);
        }
        GetWindowThreadProcessId(form_, &pid_);
    }

    bool Complete() const {
        try {
            Control(kLayout[kLayoutRows - 1].name);
            return true;
        } catch (const Failure&) {
            return false;
        }
    }

    HWND Form() const { return form_; }

    // The window of the layout row `name`, looked up under its own parent
    // (a combo box's edit may carry an identifier of the layout too).
    HWND Control(const std::string& name) const {
        if (name == kTabsName) return Existing(GetDlgItem(form_, IdPageControl), name);
        const LayoutRow* row = Row(name);
        constexpr int kSheets[] = {IdTabSheet1, IdTabSheet2, IdTabSheet3};
        HWND parent = row->page == 0 ? form_ : GetDlgItem(form_, kSheets[row->page - 1]);
        return Existing(parent ? GetDlgItem(parent, IdOf(*row)) : nullptr, name);
    }

    static HWND Existing(HWND hwnd, const std::string& name) {
        if (!hwnd) throw Failure("no window for " + name);
        return hwnd;
    }

    static const LayoutRow* Row(const std::string& name) {
        for (const LayoutRow& row : kLayout)
            if (name == row.name) return &row;
        throw Failure("not a control of the layout: " + name);
    }
    static int IdOf(const LayoutRow& row) { return FirstControlId + static_cast<int>(&row - kLayout); }

    // Returns once the window's thread has handled everything sent or posted
    // before (it handles sent messages in any loop, modal ones included).
    void Sync() const {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(form_, WM_NULL, 0, 0, SMTO_NORMAL, kSyncTimeoutMs, &result))
            throw Failure("the window does not answer");
    }

    void DumpForm() const {
        RECT client{}, frame{};
        GetClientRect(form_, &client);
        GetWindowRect(form_, &frame);
        POINT origin{0, 0};
        ClientToScreen(form_, &origin);
        Print({L"form", ClassOf(form_), TextOf(form_), Num(client.right), Num(client.bottom),
               Hex(GetWindowLongW(form_, GWL_STYLE)),
               Num(frame.left) + L"," + Num(frame.top) + L"," + Num(frame.right - frame.left) + L"," +
                   Num(frame.bottom - frame.top),
               Num(origin.x) + L"," + Num(origin.y)});
    }

    void DumpTabControl() const {
        HWND hwnd = Control(kTabsName);
        DumpWindow(hwnd, Wide(kTabsName));
        DumpTabs(hwnd, Wide(kTabsName));
    }

    void DumpWindow(HWND hwnd, const std::wstring& name) const {
        RECT box{};
        GetWindowRect(hwnd, &box);
        MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), reinterpret_cast<POINT*>(&box), 2);
        std::wstring rect = Num(box.left) + L"," + Num(box.top) + L"," + Num(box.right - box.left) + L"," +
                            Num(box.bottom - box.top);
        Print({L"control", name, ClassOf(hwnd), Hex(GetWindowLongW(hwnd, GWL_STYLE)),
               Num(IsWindowEnabled(hwnd) ? 1 : 0), Num(IsWindowVisible(hwnd) ? 1 : 0), rect, Escape(TextOf(hwnd))});
    }

    void DumpRow(const LayoutRow& row) const {
        HWND hwnd = Control(row.name);
        std::wstring name = Wide(row.name);
        DumpWindow(hwnd, name);
        switch (row.kind) {
            case Kind::Check:
            case Kind::Radio:
            case Kind::FirstRadio:
                Print({L"checked", name, Num(Send(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0)});
                break;
            case Kind::ListBox:
                DumpItems(hwnd, name, LB_GETCOUNT, LB_GETCURSEL, LB_GETTEXTLEN, LB_GETTEXT);
                break;
            case Kind::DropList:
            case Kind::DropDown:
                DumpItems(hwnd, name, CB_GETCOUNT, CB_GETCURSEL, CB_GETLBTEXTLEN, CB_GETLBTEXT);
                break;
            case Kind::Progress:
                Print({L"progress", name, Num(Send(hwnd, PBM_GETRANGE, TRUE, 0)), Num(Send(hwnd, PBM_GETRANGE, FALSE, 0)),
                       Num(Send(hwnd, PBM_GETPOS, 0, 0))});
                break;
            default: break;
        }
    }

    std::vector<std::wstring> Items(HWND hwnd, UINT count, UINT length, UINT get) const {
        std::vector<std::wstring> items;
        LRESULT n = Send(hwnd, count, 0, 0);
        for (LRESULT i = 0; i < n; ++i) {
            std::wstring text(static_cast<size_t>(Send(hwnd, length, i, 0)) + 1, L'\0');
            LRESULT got = Send(hwnd, get, i, reinterpret_cast<LPARAM>(text.data()));
            text.resize(got > 0 ? static_cast<size_t>(got) : 0);
            items.push_back(text);
        }
        return items;
    }

    void DumpItems(HWND hwnd, const std::wstring& name, UINT count, UINT cursel, UINT length, UINT get) const {
        std::vector<std::wstring> items = Items(hwnd, count, length, get);
        Print({L"list", name, Num(static_cast<long long>(items.size())), Num(Send(hwnd, cursel, 0, 0))});
        for (size_t i = 0; i < items.size(); ++i) Print({L"item", name, Num(static_cast<long long>(i)), Escape(items[i])});
    }

    // Tab texts live in the other process: TCM_GETITEM is not carried across
    // processes, so the item and its buffer are placed in the target's memory.
    void DumpTabs(HWND hwnd, const std::wstring& name) const {
        LRESULT count = Send(hwnd, TCM_GETITEMCOUNT, 0, 0);
        Print({L"tabs", name, Num(count), Num(Send(hwnd, TCM_GETCURSEL, 0, 0))});
        HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid_);
        if (!process) throw Failure("cannot open the window's process");
        constexpr size_t kChars = 256;
        void* remote = VirtualAllocEx(process, nullptr, sizeof(TCITEMW) + kChars * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE);
        for (LRESULT i = 0; remote && i < count; ++i) {
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(remote) + sizeof(TCITEMW));
            item.cchTextMax = kChars;
            wchar_t text[kChars] = {};
            SIZE_T done = 0;
            WriteProcessMemory(process, remote, &item, sizeof item, &done);
            WriteProcessMemory(process, item.pszText, text, sizeof text, &done);
            Send(hwnd, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(remote));
            ReadProcessMemory(process, item.pszText, text, sizeof text, &done);
            text[kChars - 1] = L'\0';
            Print({L"tab", name, Num(i), Escape(text)});
        }
        if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
        CloseHandle(process);
    }

    void ShowTab(int number) const {
        // NOTE: a tab control sends TCN_SELCHANGING/TCN_SELCHANGE to its
        // parent when TCM_SETCURFOCUS moves the focus to another tab, which is
        // what a click does; TCM_SETCURSEL would change the tab silently.
        HWND tabs = Control(kTabsName);
        Deliver(tabs, TCM_SETCURFOCUS, static_cast<WPARAM>(number - 1), 0);
    }

    void Type(const std::string& name, const std::wstring& text) const {
        HWND hwnd = Control(name);
        // NOTE: a combo box reports no CBN_EDITCHANGE when its edit's text is
        // set (measured under Wine 8), so its field is emptied and then typed.
        if (HWND edit = FindWindowExW(hwnd, nullptr, L"Edit", nullptr)) {
            Deliver(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
            return Keys(name, text);
        }
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL,
                                 kSyncTimeoutMs, &result))
            throw Failure("cannot type into " + name);
        Sync();
    }

    // Types `text` character by character into the field (for a combo box,
    // into its edit), each WM_CHAR handled before the next.
    void Keys(const std::string& name, const std::wstring& text) const {
        HWND hwnd = Control(name);
        if (HWND edit = FindWindowExW(hwnd, nullptr, L"Edit", nullptr)) hwnd = edit;
        for (wchar_t c : text) Deliver(hwnd, WM_CHAR, c, 1);
    }

    // The click is handled before the driver goes on (or has run for
    // kHandlerWaitMs, when its handler waits for a box or keeps running).
    void Click(const std::string& name) const { Deliver(Control(name), BM_CLICK, 0, 0); }

    // The click is only queued: for a handler that opens a dialog or runs on,
    // which the next commands then follow.
    void Press(const std::string& name) const { Post(Control(name), BM_CLICK, 0, 0); }

    void Notify(HWND control, WORD code) const {
        Deliver(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code), reinterpret_cast<LPARAM>(control));
    }

    void ChooseIndex(const std::string& name, int index) const {
        HWND hwnd = Control(name);
        Send(hwnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        Notify(hwnd, CBN_SELCHANGE);
    }

    void Choose(const std::string& name, const std::wstring& text) const {
        HWND hwnd = Control(name);
        std::vector<std::wstring> items = Items(hwnd, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT);
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i] == text) return ChooseIndex(name, static_cast<int>(i));
        throw Failure("no entry \"" + Utf8(text) + "\" in " + name);
    }

    void Select(const std::string& name, int index) const {
        HWND hwnd = Control(name);
        Send(hwnd, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
        Notify(hwnd, LBN_SELCHANGE);
    }

    void Key(const std::string& name, const std::string& which) const {
        WPARAM key = which == "up" ? VK_UP : which == "down" ? VK_DOWN : 0;
        if (!key) throw Failure("key takes up or down");
        HWND hwnd = Control(name);
        Deliver(hwnd, WM_KEYDOWN, key, 1);
        Deliver(hwnd, WM_KEYUP, key, 0xC0000001);
    }

    void Leave(const std::string& name) const { Notify(Control(name), EN_KILLFOCUS); }

    // The layout row that holds the keyboard focus ("" when none does).
    std::string Focused() const {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        if (!GetGUIThreadInfo(GetWindowThreadProcessId(form_, nullptr), &info)) return "";
        for (HWND hwnd = info.hwndFocus; hwnd && hwnd != form_; hwnd = GetParent(hwnd)) {
            for (const LayoutRow& row : kLayout)
                if (Control(row.name) == hwnd) return row.name;
        }
        return "";
    }

    // Tab as the keyboard sends it: queued for the focused window, so the
    // program's loop sees it first (the dialog manager moves the focus).
    void TabKey() const {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        if (!GetGUIThreadInfo(GetWindowThreadProcessId(form_, nullptr), &info) || !info.hwndFocus)
            throw Failure("no window has the focus");
        Post(info.hwndFocus, WM_KEYDOWN, VK_TAB, 0x000F0001);
        Post(info.hwndFocus, WM_KEYUP, VK_TAB, 0xC00F0001);
    }

    // Esc as the keyboard sends it: queued for the focused window, or as a
    // system key for the active window when no window has the focus.
    void EscKey() const {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        if (!GetGUIThreadInfo(GetWindowThreadProcessId(form_, nullptr), &info)) throw Failure("no GUI thread");
        if (info.hwndFocus) {
            Post(info.hwndFocus, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
            Post(info.hwndFocus, WM_KEYUP, VK_ESCAPE, 0xC0010001);
        } else {
            Post(form_, WM_SYSKEYDOWN, VK_ESCAPE, 0x00010001);
            Post(form_, WM_SYSKEYUP, VK_ESCAPE, 0xC0010001);
        }
    }

    void WaitFocus(const std::string& name, DWORD timeoutMs) const {
        for (DWORD waited = 0;; waited += kPollMs) {
            std::string focused = Focused();
            if (focused == name) break;
            if (waited >= timeoutMs) throw Failure("the focus is on \"" + focused + "\", not on " + name);
            Sleep(kPollMs);
        }
        Print({L"focus", Wide(name)});
    }

    // The process's top-level dialogs: message boxes and file dialogs.
    std::vector<HWND> Dialogs() const {
        DialogSearch search{pid_, {}};
        EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    HWND WaitDialog(DWORD timeoutMs) const {
        for (DWORD waited = 0;; waited += kPollMs) {
            std::vector<HWND> dialogs = Dialogs();
            if (!dialogs.empty()) return dialogs.front();
            if (waited >= timeoutMs) return nullptr;
            Sleep(kPollMs);
        }
    }

    static std::vector<HWND> Children(HWND parent) {
        std::vector<HWND> children;
        EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&children));
        return children;
    }

    static std::wstring IconName(HWND box) {
        struct Known { LPCWSTR id; const wchar_t* name; };
        const Known known[] = {{IDI_HAND, L"error"}, {IDI_ASTERISK, L"information"},
                               {IDI_EXCLAMATION, L"warning"}, {IDI_QUESTION, L"question"}};
        for (HWND child : Children(box)) {
            if (ClassOf(child) != L"Static" || !IsWindowVisible(child)) continue;
            auto icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
            if (!icon) continue;
            for (const Known& k : known)
                if (icon == LoadIconW(nullptr, k.id)) return k.name;
            // NOTE: under Wine each process has its own handles of the
            // system icons, so only "an icon" can be told from "none".
            return L"icon";
        }
        return L"none";
    }

    void Box(DWORD timeoutMs) const {
        HWND box = WaitDialog(timeoutMs);
        if (!box) throw Failure("no message box appeared");
        std::wstring text;
        HWND ok = nullptr;
        for (HWND child : Children(box)) {
            std::wstring cls = ClassOf(child);
            if (cls == L"Static") {
                std::wstring t = TextOf(child);
                if (t.size() > text.size()) text = t;
            } else if (cls == L"Button" && (!ok || GetDlgCtrlID(child) == IDOK)) {
                ok = child;
            }
        }
        Print({L"box", Escape(TextOf(box)), IconName(box), Escape(text)});
        if (!ok) throw Failure("the message box has no button");
        Post(box, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(ok), BN_CLICKED), reinterpret_cast<LPARAM>(ok));
        WaitClosed(box);
    }

    void NoBox(DWORD ms) const {
        if (HWND box = WaitDialog(ms)) throw Failure("unexpected dialog: " + Utf8(TextOf(box)));
        Print({L"no-box"});
    }

    // Answers a file dialog: the file name goes into its name field (an edit,
    // or the edit inside the name combo box), then OK.
    void FileDialog(const std::wstring& path) const {
        HWND dialog = WaitDialog(kFindTimeoutMs);
        // NOTE: the rig's EMULATION_SYMPTOMS (wine.py) knows this text.
        if (!dialog) throw Failure("no file dialog appeared");
        Print({L"dialog", Escape(TextOf(dialog))});
        HWND field = nullptr;
        for (HWND child : Children(dialog)) {
            int id = GetDlgCtrlID(child);
            std::wstring cls = ClassOf(child);
            if ((id == 0x480 || id == 0x47C) && cls == L"Edit") field = child;
            if (!field && id == 0x47C && (cls == L"ComboBox" || cls == L"ComboBoxEx32")) {
                for (HWND inner : Children(child))
                    if (ClassOf(inner) == L"Edit") field = inner;
            }
        }
        if (!field) throw Failure("the file dialog has no name field");
        DWORD_PTR result = 0;
        SendMessageTimeoutW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()), SMTO_NORMAL, kSyncTimeoutMs,
                            &result);
        Post(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
        WaitClosed(dialog);
    }

    void CancelDialog() const {
        HWND dialog = WaitDialog(kFindTimeoutMs);
        if (!dialog) throw Failure("no file dialog appeared");
        Print({L"dialog", Escape(TextOf(dialog))});
        Post(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
        WaitClosed(dialog);
    }

    void WaitClosed(HWND dialog) const {
        for (DWORD waited = 0; IsWindow(dialog) && IsWindowVisible(dialog); waited += kPollMs) {
            if (waited >= kSyncTimeoutMs) throw Failure("the dialog did not close");
            Sleep(kPollMs);
        }
        Sync();
    }

    // No action with the host in progress (the run button takes input, so
    // the first fill is over too), the progress bar hidden and no box waiting.
    void WaitIdle(DWORD timeoutMs) const {
        HWND bar = Control("ProgressBar"), run = Control("Button2");
        for (DWORD waited = 0;; waited += kPollMs) {
            Sync();
            if (!IsWindowVisible(bar) && IsWindowEnabled(run) && Dialogs().empty()) return;
            if (waited >= timeoutMs) throw Failure("the window stayed busy");
            Sleep(kPollMs);
        }
    }

    void WaitRun(DWORD timeoutMs) const {
        HWND bar = Control("ProgressBar");
        for (DWORD waited = 0; !IsWindowVisible(bar); waited += kPollMs / 5) {
            if (waited >= timeoutMs) throw Failure("no run began");
            Sleep(kPollMs / 5);
        }
    }

    void WatchProgress(DWORD timeoutMs) const {
        HWND bar = Control("ProgressBar");
        bool wasShown = false;
        long long lastVisible = -1, lastPos = -1;
        for (DWORD waited = 0;; waited += kPollMs / 5) {
            // A window closed during the run goes right after the run ends:
            // its bar may be gone before a poll sees it hidden, and counts so.
            DWORD_PTR answer = 0;
            const bool answered = SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_NORMAL, kSyncTimeoutMs, &answer) != 0;
            if (!answered && IsWindow(bar)) throw Failure("a control does not answer");
            const bool visible = answered && IsWindowVisible(bar) != FALSE;
            const long long pos = answered ? static_cast<long long>(answer) : lastPos;
            if (visible != lastVisible || pos != lastPos) Print({L"seen", Num(visible ? 1 : 0), Num(pos)});
            lastVisible = visible;
            lastPos = pos;
            wasShown = wasShown || visible;
            if (wasShown && !visible) return;
            if (waited >= timeoutMs) throw Failure(wasShown ? "the progress bar stayed shown" : "the progress bar was never shown");
            Sleep(kPollMs / 5);
        }
    }

    void WaitGone(DWORD timeoutMs) const {
        for (DWORD waited = 0; IsWindow(form_); waited += kPollMs) {
            if (waited >= timeoutMs) throw Failure("the window is still there");
            Sleep(kPollMs);
        }
        Print({L"gone"});
    }

    void Close() const { Post(form_, WM_CLOSE, 0, 0); }
    void Nudge() const { Post(form_, WM_NULL, 0, 0); }

private:
    static std::wstring Hex(long value) {
        wchar_t text[16];
        swprintf(text, 16, L"0x%08lx", static_cast<unsigned long>(value));
        return text;
    }
    static LRESULT Send(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(hwnd, message, w, l, SMTO_NORMAL, kSyncTimeoutMs, &result))
            throw Failure("a control does not answer");
        return static_cast<LRESULT>(result);
    }
    // NOTE: sent, not posted, wherever the driver must know that the message
    // was handled: a window takes sent messages before posted ones, so a
    // posted click followed by a sent "sync" could be overtaken.
    static void Deliver(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(hwnd, message, w, l, SMTO_NORMAL, kHandlerWaitMs, &result) && !IsWindow(hwnd))
            throw Failure("the control is gone");
    }
    static void Post(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
        if (!PostMessageW(hwnd, message, w, l)) throw Failure("cannot post to a control");
    }

    HWND form_ = nullptr;
    DWORD pid_ = 0;
};

// Waits for a top-level window (of any process) whose title begins with
// `prefix`: the host's main window, say.
void WaitTitle(const std::wstring& prefix, DWORD timeoutMs) {
    TitleSearch search{&prefix, false};
    for (DWORD waited = 0;; waited += kPollMs) {
        EnumWindows(FindTitle, reinterpret_cast<LPARAM>(&search));
        if (search.found) break;
        if (waited >= timeoutMs) throw Failure("no window titled " + Utf8(prefix) + "...");
        Sleep(kPollMs);
    }
    Print({L"title", Escape(prefix)});
}

// The command line as UTF-8 arguments, "@FILE" expanded.
std::vector<std::string> Arguments() {
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i) {
        std::string arg = Utf8(argv[i]);
        if (arg.size() > 1 && arg[0] == '@') {
            FILE* file = _wfopen(argv[i] + 1, L"rb");
            if (!file) throw Failure("cannot read " + arg.substr(1));
            std::string content;
            char buffer[4096];
            for (size_t n; (n = fread(buffer, 1, sizeof buffer, file)) > 0;) content.append(buffer, n);
            fclose(file);
            size_t start = 0;
            while (start < content.size()) {
                size_t end = content.find('\n', start);
                if (end == std::string::npos) end = content.size();
                std::string line = content.substr(start, end - start);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                args.push_back(line);
                start = end + 1;
            }
        } else {
            args.push_back(arg);
        }
    }
    LocalFree(argv);
    return args;
}

// The command line's arguments, taken in order by the commands.
class Args {
public:
    explicit Args(std::vector<std::string> args) : args_(std::move(args)) {}

    bool More() const { return next_ < args_.size(); }
    std::string Take(const char* what) {
        if (!More()) throw Failure(std::string("missing ") + what);
        return args_[next_++];
    }
    std::wstring Text(const char* what) { return Wide(Take(what)); }
    int Number(const char* what) { return std::stoi(Take(what)); }
    // An optional time in milliseconds: taken only when the next argument
    // is a number.
    DWORD Ms(DWORD fallback) {
        if (More() && !args_[next_].empty() && isdigit(static_cast<unsigned char>(args_[next_][0])))
            return static_cast<DWORD>(std::stoul(args_[next_++]));
        return fallback;
    }

private:
    std::vector<std::string> args_;
    size_t next_ = 0;
};

// One command of the usage banner: its word, whether it needs the Rolemark
// window found first, and what it does with the driver and its arguments.
// (Each takes its arguments in order, one statement each.)
struct Command {
    const char* name;
    bool needsWindow;
    void (*run)(Driver& driver, Args& args);
};

const Command kCommands[] = {
    {"wait-title", false, [](Driver&, Args& a) { std::wstring prefix = a.Text("title"); WaitTitle(prefix, a.Ms(kFindTimeoutMs)); }},
    {"sleep", false, [](Driver&, Args& a) { Sleep(a.Ms(0)); }},
    {"form", true, [](Driver& d, Args&) { d.DumpForm(); }},
    {"dump", true, [](Driver& d, Args&) {
         d.DumpForm();
         d.DumpTabControl();
         for (const LayoutRow& row : kLayout) d.DumpRow(row);
     }},
    {"get", true, [](Driver& d, Args& a) {
         std::string name = a.Take("name");
         if (name == kTabsName)
             d.DumpTabControl();
         else
             d.DumpRow(*Driver::Row(name));
     }},
    {"tab", true, [](Driver& d, Args& a) { d.ShowTab(a.Number("tab number")); }},
    {"type", true, [](Driver& d, Args& a) { std::string name = a.Take("name"); d.Type(name, a.Text("text")); }},
    {"add-name", true, [](Driver& d, Args& a) { d.Type("NamesEdit", a.Text("name text")); d.Click("Button1"); }},
    {"click", true, [](Driver& d, Args& a) { d.Click(a.Take("name")); }},
    {"press", true, [](Driver& d, Args& a) { d.Press(a.Take("name")); }},
    {"choose", true, [](Driver& d, Args& a) { std::string name = a.Take("name"); d.Choose(name, a.Text("entry")); }},
    {"choose-index", true, [](Driver& d, Args& a) { std::string name = a.Take("name"); d.ChooseIndex(name, a.Number("index")); }},
    {"select", true, [](Driver& d, Args& a) { std::string name = a.Take("name"); d.Select(name, a.Number("index")); }},
    {"key", true, [](Driver& d, Args& a) { std::string name = a.Take("name"); d.Key(name, a.Take("up or down")); }},
    {"keys", true, [](Driver& d, Args& a) { std::string name = a.Take("name"); d.Keys(name, a.Text("text")); }},
    {"tab-key", true, [](Driver& d, Args&) { d.TabKey(); }},
    {"esc-key", true, [](Driver& d, Args&) { d.EscKey(); }},
    {"wait-focus", true, [](Driver& d, Args& a) { std::string name = a.Take("name"); d.WaitFocus(name, a.Ms(5000)); }},
    {"leave", true, [](Driver& d, Args& a) { d.Leave(a.Take("name")); }},
    {"box", true, [](Driver& d, Args& a) { d.Box(a.Ms(kFindTimeoutMs)); }},
    {"no-box", true, [](Driver& d, Args& a) { d.NoBox(a.Ms(1000)); }},
    {"save-as", true, [](Driver& d, Args& a) { d.FileDialog(a.Text("path")); }},
    {"open", true, [](Driver& d, Args& a) { d.FileDialog(a.Text("path")); }},
    {"cancel-dialog", true, [](Driver& d, Args&) { d.CancelDialog(); }},
    {"watch-progress", true, [](Driver& d, Args& a) { d.WatchProgress(a.Ms(60000)); }},
    {"wait-idle", true, [](Driver& d, Args& a) { d.WaitIdle(a.Ms(60000)); }},
    {"wait-run", true, [](Driver& d, Args& a) { d.WaitRun(a.Ms(60000)); }},
    {"close", true, [](Driver& d, Args&) { d.Close(); }},
    {"nudge", true, [](Driver& d, Args&) { d.Nudge(); }},
    {"wait-gone", true, [](Driver& d, Args& a) { d.WaitGone(a.Ms(kFindTimeoutMs)); }},
};

int Run() {
    Args args(Arguments());
    Driver driver;
    while (args.More()) {
        const std::string word = args.Take("command");
        const Command* command = nullptr;
        for (const Command& c : kCommands)
            if (word == c.name) command = &c;
        if (!command) throw Failure("unknown command " + word);
        if (command->needsWindow && !driver.Form()) driver.Find(kFindTimeoutMs);
        command->run(driver, args);
    }
    return 0;
}

}  // namespace

int main() {
    try {
        return Run();
    } catch (const std::exception& e) {
        Print({L"error", Wide(e.what())});
        return 1;
    }
}

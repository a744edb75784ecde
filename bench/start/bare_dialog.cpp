// bare_dialog: the yardstick of the start benchmark. A plain Win32 window of
// Rolemark's size with its three lists (source styles sorted, target styles
// in the host's order, fonts sorted) that, once shown, fills them from the
// host over bare DDEML with the same exchanges as Rolemark's first fill, and
// then waits to be closed. Nothing of Rolemark is linked in.
//
//   bare_dialog          (started through the shell, as the plug-in starts Rolemark)
#include <windows.h>

#include <ddeml.h>

#include <string>
#include <vector>

namespace {

constexpr char kClassName[] = "BareFillDialog";
constexpr DWORD kRequestTimeoutMs = 10000;

DWORD instance = 0;
bool wine = false;

HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV conv, HSZ, HSZ, HDDEDATA, ULONG_PTR data1, ULONG_PTR) {
    // NOTE (Wine): a completed command stays queued unless abandoned here.
    if (type == XTYP_XACT_COMPLETE && wine) DdeAbandonTransaction(instance, conv, HIWORD(data1));
    return nullptr;
}

std::string Request(HCONV conv, const char* item) {
    std::string text;
    const HSZ hszItem = DdeCreateStringHandleA(instance, item, CP_WINANSI);
    if (const HDDEDATA data = DdeClientTransaction(nullptr, 0, conv, hszItem, CF_TEXT, XTYP_REQUEST, kRequestTimeoutMs, nullptr)) {
        DWORD size = 0;
        if (const auto* bytes = reinterpret_cast<const char*>(DdeAccessData(data, &size))) {
            text.assign(bytes, strnlen(bytes, size));
            DdeUnaccessData(data);
        }
        DdeFreeDataHandle(data);
    }
    DdeFreeStringHandle(instance, hszItem);
    return text;
}

void Execute(HCONV conv, const std::string& command) {
    const HDDEDATA data = DdeCreateDataHandle(instance, reinterpret_cast<LPBYTE>(const_cast<char*>(command.c_str())),
                                              static_cast<DWORD>(command.size() + 1), 0, nullptr, CF_TEXT, 0);
    DWORD result = 0;
    DdeClientTransaction(reinterpret_cast<LPBYTE>(data), static_cast<DWORD>(-1), conv, nullptr, CF_TEXT, XTYP_EXECUTE, TIMEOUT_ASYNC, &result);
    if (wine) DdeFreeDataHandle(data);  // NOTE (Wine): copied, never freed by DDEML
}

// The quoted texts of a list reply, in order.
std::vector<std::string> Quoted(const std::string& reply) {
    std::vector<std::string> texts;
    for (size_t open = reply.find('"'); open != std::string::npos; open = reply.find('"', open)) {
        const size_t close = reply.find('"', open + 1);
        if (close == std::string::npos) break;
        texts.push_back(reply.substr(open + 1, close - open - 1));
        open = close + 1;
    }
    return texts;
}

void Fill(HWND combo, const std::vector<std::string>& items) {
    SendMessageA(combo, WM_SETREDRAW, FALSE, 0);
    for (const std::string& item : items) SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    SendMessageA(combo, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(combo, nullptr, TRUE);
}

void FillFromHost(HWND sourceStyles, HWND targetStyles, HWND fonts) {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    wine = ntdll && GetProcAddress(ntdll, "wine_get_version");
    if (DdeInitializeA(&instance, &Callback, APPCLASS_STANDARD, 0) != DMLERR_NO_ERROR) return;
    const HSZ service = DdeCreateStringHandleA(instance, "PageMaker", CP_WINANSI);
    CONVCONTEXT context{};
    context.cb = sizeof context;
    context.iCodePage = CP_WINANSI;
    if (const HCONV conv = DdeConnect(instance, service, nullptr, &context)) {
        Request(conv, "GetPMState");
        const std::vector<std::string> styles = Quoted(Request(conv, "GetStyleNames"));
        Fill(sourceStyles, styles);
        Fill(targetStyles, styles);
        Fill(fonts, Quoted(Request(conv, "GetFontList")));
        SendMessageA(sourceStyles, CB_SETCURSEL, 1, 0);
        SendMessageA(targetStyles, CB_SETCURSEL, 1, 0);
        // The formatting of the second style, as Rolemark loads it.
        Execute(conv, "StyleBegin \"" + (styles.size() > 1 ? styles[1] : std::string()) + "\"");
        for (const char* reader : {"GetFont", "GetSize", "GetTrack", "GetLeading", "GetWidth", "GetTypeOptions"}) Request(conv, reader);
        Execute(conv, "StyleEnd");
        DdeDisconnect(conv);
    }
    DdeFreeStringHandle(instance, service);
}

LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE module, HINSTANCE, LPSTR, int show) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = module;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    RegisterClassA(&windowClass);
    RECT frame{0, 0, 384, 247};
    const DWORD style = WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
    AdjustWindowRect(&frame, style, FALSE);
    const HWND hwnd = CreateWindowExA(0, kClassName, "Bare", style, CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                                      frame.bottom - frame.top, nullptr, nullptr, module, nullptr);
    auto combo = [&](int x, int y, DWORD sorted) {
        return CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST | sorted, x, y, 170, 200, hwnd,
                               nullptr, module, nullptr);
    };
    const HWND sourceStyles = combo(200, 100, CBS_SORT), targetStyles = combo(200, 20, 0), fonts = combo(10, 60, CBS_SORT);
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);
    FillFromHost(sourceStyles, targetStyles, fonts);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (instance) DdeUninitialize(instance);
    return 0;
}

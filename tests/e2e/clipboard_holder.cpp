// clipboard_holder: another program that keeps the clipboard open, as a
// clipboard tool caught in the middle of its work would.
//
//   clipboard_holder READY_FILE RELEASE_FILE [SECONDS]
//   clipboard_holder --after-change MS READY_FILE RELEASE_FILE [SECONDS]
//
// The first form opens the clipboard, writes READY_FILE, and keeps it open
// until RELEASE_FILE exists or SECONDS (default 60) have passed; then closes
// it and ends. Exit code 1 when the clipboard cannot be opened at all.
//
// The second form opens the clipboard for MS milliseconds after every change
// of its content, as remote-desktop and virtual-machine clipboard sync and
// clipboard-history tools do, until RELEASE_FILE exists or SECONDS have
// passed; it prints how many changes it held the clipboard after. It is told
// of changes by AddClipboardFormatListener (Windows Vista and later), loaded
// at run time, or as a clipboard viewer where that is missing.
//
// NOTE: opened for a window of its own. Wine lets a second opener with no
// window in while the clipboard is held with none (measured: a run emptied
// and read it freely), so a holder without a window holds nothing there.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

#ifndef WM_CLIPBOARDUPDATE
#define WM_CLIPBOARDUPDATE 0x031D
#endif

DWORD holdMs = 0;
long changes = 0;
HWND nextViewer = nullptr;  // the clipboard viewer chain, when listening that way

void HoldAfterChange(HWND window) {
    if (!OpenClipboard(window)) return;
    ++changes;
    Sleep(holdMs);
    CloseClipboard();
}

LRESULT CALLBACK Listen(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLIPBOARDUPDATE:
        HoldAfterChange(window);
        return 0;
    case WM_DRAWCLIPBOARD:
        HoldAfterChange(window);
        if (nextViewer) SendMessageA(nextViewer, message, wParam, lParam);
        return 0;
    case WM_CHANGECBCHAIN:
        if (reinterpret_cast<HWND>(wParam) == nextViewer)
            nextViewer = reinterpret_cast<HWND>(lParam);
        else if (nextViewer)
            SendMessageA(nextViewer, message, wParam, lParam);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

void Touch(const char* path) {
    if (FILE* file = std::fopen(path, "w")) std::fclose(file);
}

int HoldAfterEveryChange(DWORD ms, const char* ready, const char* release, DWORD limitMs) {
    holdMs = ms;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &Listen;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "ClipboardHolderListener";
    RegisterClassA(&windowClass);
    // A hidden top-level window: a message-only one is no clipboard viewer.
    const HWND window = CreateWindowExA(0, windowClass.lpszClassName, "clipboard_holder", WS_POPUP, 0, 0, 0, 0, nullptr,
                                        nullptr, windowClass.hInstance, nullptr);
    using AddListener = BOOL(WINAPI*)(HWND);
    const auto add = reinterpret_cast<AddListener>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "AddClipboardFormatListener")));
    const bool listening = add && add(window);
    if (!listening) nextViewer = SetClipboardViewer(window);
    Touch(ready);
    const DWORD start = GetTickCount();
    while (GetFileAttributesA(release) == INVALID_FILE_ATTRIBUTES && GetTickCount() - start < limitMs) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
    if (!listening) ChangeClipboardChain(window, nextViewer);
    DestroyWindow(window);
    std::printf("clipboard_holder: held after %ld changes (%s)\n", changes, listening ? "listener" : "viewer");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 5 && std::strcmp(argv[1], "--after-change") == 0) {
        const DWORD limitMs = static_cast<DWORD>((argc > 5 ? std::atoi(argv[5]) : 60) * 1000);
        return HoldAfterEveryChange(static_cast<DWORD>(std::atoi(argv[2])), argv[3], argv[4], limitMs);
    }
    if (argc < 3) {
        std::fputs("usage: clipboard_holder [--after-change MS] READY_FILE RELEASE_FILE [SECONDS]\n", stderr);
        return 2;
    }
    const DWORD limitMs = static_cast<DWORD>((argc > 3 ? std::atoi(argv[3]) : 60) * 1000);
    const HWND owner = CreateWindowExA(0, "STATIC", "clipboard_holder", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    bool open = false;
    for (int attempt = 0; attempt < 100 && !open; ++attempt) {
        open = OpenClipboard(owner) != FALSE;
        if (!open) Sleep(50);
    }
    if (!open) {
        std::puts("clipboard_holder: cannot open the clipboard");
        return 1;
    }
    Touch(argv[1]);
    const DWORD start = GetTickCount();
    while (GetFileAttributesA(argv[2]) == INVALID_FILE_ATTRIBUTES && GetTickCount() - start < limitMs) Sleep(50);
    CloseClipboard();
    DestroyWindow(owner);
    std::puts("clipboard_holder: released");
    return 0;
}

// clipboard_holder: another program that keeps the clipboard open, as a
// clipboard tool caught in the middle of its work would.
//
//   clipboard_holder READY_FILE RELEASE_FILE [SECONDS]
//
// Opens the clipboard, writes READY_FILE, and keeps the clipboard open until
// RELEASE_FILE exists or SECONDS (default 60) have passed; then closes it and
// ends. Exit code 1 when the clipboard cannot be opened at all.
//
// NOTE: opened for a window of its own. Wine lets a second opener with no
// window in while the clipboard is held with none (measured: a run emptied
// and read it freely), so a holder without a window holds nothing there.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: clipboard_holder READY_FILE RELEASE_FILE [SECONDS]\n", stderr);
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
    if (FILE* ready = std::fopen(argv[1], "w")) std::fclose(ready);
    const DWORD start = GetTickCount();
    while (GetFileAttributesA(argv[2]) == INVALID_FILE_ATTRIBUTES && GetTickCount() - start < limitMs) Sleep(50);
    CloseClipboard();
    DestroyWindow(owner);
    std::puts("clipboard_holder: released");
    return 0;
}

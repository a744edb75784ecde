// start_watch: times a program's start the way the host starts Rolemark,
// up to the moment its window's lists are filled from the host.
//
//   start_watch CLASS FONTS STYLES plugin PLUGIN.add   calls the plug-in's main
//   start_watch CLASS FONTS STYLES shell PROGRAM.exe   ShellExecuteA, as main does
//
// The clock starts just before the call (the plug-in is loaded first, as the
// host has it loaded already). It then polls, every few milliseconds, for a
// visible top-level window of class CLASS and for its combo boxes: the start
// is complete when one list holds FONTS entries and two others STYLES each.
// Prints "start: shown MS ms, filled MS ms", then closes the window and waits
// for its program to end. Exit code 1 when that does not happen within 60 s.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace {

constexpr DWORD kPollMs = 2;
constexpr double kLimitMs = 60000;

LARGE_INTEGER frequency, started;

double ElapsedMs() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - started.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

struct Search {
    const char* className;
    HWND found;
};

BOOL CALLBACK FindVisible(HWND hwnd, LPARAM param) {
    auto& search = *reinterpret_cast<Search*>(param);
    char name[128] = {};
    GetClassNameA(hwnd, name, sizeof name);
    if (std::strcmp(name, search.className) == 0 && IsWindowVisible(hwnd)) {
        search.found = hwnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CountCombo(HWND hwnd, LPARAM param) {
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    if (_stricmp(name, "ComboBox") == 0) {
        DWORD_PTR count = 0;
        if (SendMessageTimeoutA(hwnd, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 1000, &count))
            reinterpret_cast<std::vector<long>*>(param)->push_back(static_cast<long>(count));
    }
    return TRUE;
}

// Polls `done` until it holds or the limit passes.
bool PollUntil(const std::function<bool()>& done) {
    while (!done()) {
        if (ElapsedMs() > kLimitMs) return false;
        Sleep(kPollMs);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6 || (std::strcmp(argv[4], "plugin") != 0 && std::strcmp(argv[4], "shell") != 0)) {
        std::fputs("usage: start_watch CLASS FONTS STYLES plugin PLUGIN.add | shell PROGRAM.exe\n", stderr);
        return 2;
    }
    Search search{argv[1], nullptr};
    const long fonts = std::atol(argv[2]), styles = std::atol(argv[3]);
    QueryPerformanceFrequency(&frequency);

    if (std::strcmp(argv[4], "plugin") == 0) {
        const HMODULE plugin = LoadLibraryA(argv[5]);
        auto entry = plugin ? reinterpret_cast<int(WINAPI*)(int)>(reinterpret_cast<void*>(GetProcAddress(plugin, "main"))) : nullptr;
        if (!entry) {
            std::printf("start: cannot call main of %s\n", argv[5]);
            return 1;
        }
        QueryPerformanceCounter(&started);
        entry(0);
    } else {
        QueryPerformanceCounter(&started);
        ShellExecuteA(nullptr, nullptr, argv[5], nullptr, nullptr, SW_SHOWNORMAL);
    }

    if (!PollUntil([&] { return EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&search)), search.found != nullptr; })) {
        std::puts("start: no window appeared");
        return 1;
    }
    const double shown = ElapsedMs();
    const bool filled = PollUntil([&] {
        std::vector<long> counts;
        EnumChildWindows(search.found, CountCombo, reinterpret_cast<LPARAM>(&counts));
        std::sort(counts.rbegin(), counts.rend());
        return counts.size() >= 3 && counts[0] >= fonts && counts[1] >= styles && counts[2] >= styles;
    });
    const double filledMs = ElapsedMs();
    if (filled)
        std::printf("start: shown %.0f ms, filled %.0f ms\n", shown, filledMs);
    else
        std::printf("start: shown %.0f ms, the lists were not filled\n", shown);

    DWORD pid = 0;
    GetWindowThreadProcessId(search.found, &pid);
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    PostMessageA(search.found, WM_CLOSE, 0, 0);
    const bool ended = process && WaitForSingleObject(process, 60000) == WAIT_OBJECT_0;
    if (process) CloseHandle(process);
    return filled && ended ? 0 : 1;
}

// top_windows: the top-level windows of the desktop with the program that
// owns each, so that a check can see from outside what a program keeps open
// (its DDE conversations are hidden top-level windows of DDEML's own classes).
//
//   top_windows [EXE]       (only the windows of processes running EXE)
//
// One line per window: "window PID EXE CLASS VISIBLE" (VISIBLE 0 or 1).
#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

std::map<DWORD, std::string> ProgramsById() {
    std::map<DWORD, std::string> programs;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return programs;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        programs[entry.th32ProcessID] = entry.szExeFile;
    CloseHandle(snapshot);
    return programs;
}

struct Listing {
    std::map<DWORD, std::string> programs;
    const char* only;
};

BOOL CALLBACK PrintWindow(HWND hwnd, LPARAM param) {
    const auto& listing = *reinterpret_cast<const Listing*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    const auto found = listing.programs.find(pid);
    const std::string program = found == listing.programs.end() ? "?" : found->second;
    if (listing.only && _stricmp(program.c_str(), listing.only) != 0) return TRUE;
    char name[256] = {};
    GetClassNameA(hwnd, name, sizeof name);
    std::printf("window %lu %s %s %d\n", pid, program.c_str(), name, IsWindowVisible(hwnd) ? 1 : 0);
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    Listing listing{ProgramsById(), argc > 1 ? argv[1] : nullptr};
    EnumWindows(PrintWindow, reinterpret_cast<LPARAM>(&listing));
    return 0;
}

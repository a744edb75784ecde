// proc_figures: what Windows reports about a running program's resources,
// for the benchmarks' before-and-after figures.
//
//   proc_figures EXE      (the file name of the program, e.g. rolemark.exe)
//
// Prints one line per process of that name:
//   process PID handles N gdi N user N working_set BYTES private BYTES
// with the kernel handle count, the GDI and USER object counts, and the
// working set and private bytes of GetProcessMemoryInfo. Exit code 1 when no
// such process runs.
#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: proc_figures EXE\n", stderr);
        return 2;
    }
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 1;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int found = 0;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (_stricmp(entry.szExeFile, argv[1]) != 0) continue;
        HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, entry.th32ProcessID);
        if (!process) continue;
        DWORD handles = 0;
        GetProcessHandleCount(process, &handles);
        PROCESS_MEMORY_COUNTERS_EX memory{};
        memory.cb = sizeof memory;
        GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
        std::printf("process %lu handles %lu gdi %lu user %lu working_set %llu private %llu\n", entry.th32ProcessID, handles,
                    GetGuiResources(process, GR_GDIOBJECTS), GetGuiResources(process, GR_USEROBJECTS),
                    static_cast<unsigned long long>(memory.WorkingSetSize), static_cast<unsigned long long>(memory.PrivateUsage));
        CloseHandle(process);
        ++found;
    }
    CloseHandle(snapshot);
    return found ? 0 : 1;
}

// plughost: loads a host plug-in the way the host does and calls its `main`.
//
//   plughost.exe PLUGIN [--times N] [--pause MS] [--arg VALUE]
//
// LoadLibraryA(PLUGIN), GetProcAddress("main"), then N calls (default 1) of
// main(VALUE) (default 0) with MS milliseconds (default 0) between them,
// through the Windows API calling convention. Each step is printed. Exit
// codes: 0 done, 2 bad arguments, 3 the plug-in cannot be loaded, 4 it has no
// export `main`.
#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using PluginMain = int(WINAPI*)(int);

int Usage() {
    std::fprintf(stderr, "usage: plughost PLUGIN [--times N] [--pause MS] [--arg VALUE]\n");
    return 2;
}

// A whole decimal number within [low, high], or false.
bool ParseNumber(const char* text, long low, long high, long& value) {
    char* end = nullptr;
    errno = 0;
    long parsed = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || parsed < low || parsed > high) return false;
    value = parsed;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const char* plugin = argv[1];
    long times = 1, pause = 0, arg = 0;
    for (int i = 2; i < argc; i += 2) {
        if (i + 1 >= argc) return Usage();
        const char* option = argv[i];
        long* target = std::strcmp(option, "--times") == 0   ? &times
                       : std::strcmp(option, "--pause") == 0 ? &pause
                       : std::strcmp(option, "--arg") == 0   ? &arg
                                                             : nullptr;
        long low = target == &arg ? INT32_MIN : 0;
        long high = target == &times ? 1000 : target == &pause ? 600000 : INT32_MAX;
        if (!target || !ParseNumber(argv[i + 1], low, high, *target)) return Usage();
    }

    HMODULE module = LoadLibraryA(plugin);
    if (!module) {
        std::printf("plughost: cannot load %s (error %lu)\n", plugin, GetLastError());
        return 3;
    }
    std::printf("plughost: loaded %s\n", plugin);
    auto entry = reinterpret_cast<PluginMain>(reinterpret_cast<void*>(GetProcAddress(module, "main")));
    if (!entry) {
        std::printf("plughost: %s has no export \"main\"\n", plugin);
        FreeLibrary(module);
        return 4;
    }
    for (long call = 1; call <= times; ++call) {
        if (call > 1 && pause > 0) Sleep(static_cast<DWORD>(pause));
        int result = entry(static_cast<int>(arg));
        std::printf("plughost: call %ld: main(%ld) returned %d\n", call, arg, result);
        std::fflush(stdout);
    }
    FreeLibrary(module);
    std::printf("plughost: unloaded\n");
    return 0;
}

// Wine detection by the export that only Wine's ntdll has.
#include "platform/win32/wine.h"

#include <windows.h>

namespace platform::win32 {

bool RunsOnWine() {
    static const bool wine = [] {
        const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return wine;
}

}  // namespace platform::win32

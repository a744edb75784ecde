// The Windows version and the host's window title, for the probe's report.
#include "tools/pmcmd/system_facts.h"

#include <windows.h>

#include <cstdio>

#include "platform/win32/services.h"

namespace pmcmd {
namespace {

std::string Describe(const OSVERSIONINFOEXA& v) {
    char text[200];
    std::snprintf(text, sizeof text, "%lu.%lu.%lu", v.dwMajorVersion, v.dwMinorVersion, v.dwBuildNumber);
    std::string out = text;
    if (v.szCSDVersion[0]) out += std::string(" ") + v.szCSDVersion;
    return out;
}

}  // namespace

std::string WindowsVersion() {
    OSVERSIONINFOEXA reported = {};
    reported.dwOSVersionInfoSize = sizeof reported;
    std::string told = GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&reported)) ? Describe(reported) : "unknown";

    // NOTE: RtlGetVersion (ntdll, Windows 2000 on) is not shimmed, so it
    // tells the truth that GetVersionEx hides from an undeclared program.
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    std::string version = told;
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
    if (auto get = ntdll ? reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion"))) : nullptr) {
        OSVERSIONINFOEXW actual = {};
        actual.dwOSVersionInfoSize = sizeof actual;
        if (get(&actual) == 0) {
            OSVERSIONINFOEXA a = {};
            a.dwMajorVersion = actual.dwMajorVersion;
            a.dwMinorVersion = actual.dwMinorVersion;
            a.dwBuildNumber = actual.dwBuildNumber;
            WideCharToMultiByte(CP_ACP, 0, actual.szCSDVersion, -1, a.szCSDVersion, sizeof a.szCSDVersion, nullptr, nullptr);
            version = Describe(a);
            if (version != told) version += " (GetVersionEx: " + told + ")";
        }
    }
    using WineVersionFn = const char*(CDECL*)();
    if (auto wine = ntdll ? reinterpret_cast<WineVersionFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_version"))) : nullptr)
        version += std::string(", Wine ") + wine();
    return version;
}

std::string HostWindowTitle() {
    std::string found;
    platform::win32::WindowList windows;
    windows.ForEachTitle([&found](const std::string& title) {
        if (title.find("PageMaker") == std::string::npos) return true;
        found = title;
        return false;
    });
    return found;
}

}  // namespace pmcmd

// What the probe's report says about the machine: the Windows version and the
// host's main window title. Win32 only, and nothing newer than Windows XP.
#pragma once

#include <string>

namespace pmcmd {

// "major.minor.build Service Pack n" as the system itself knows it
// (RtlGetVersion, where ntdll has it), with GetVersionEx's answer beside it
// when that differs (from Windows 8.1 on it reports 6.2 to programs that do
// not declare the newer systems), and the Wine version under Wine.
std::string WindowsVersion();

// The title of the first top-level window whose title holds "PageMaker"
// (ANSI), or "" when there is none.
std::string HostWindowTitle();

}  // namespace pmcmd

// The shell's default or named action on a file: ShellExecuteA.
#include <windows.h>
#include <shellapi.h>

#include "platform/win32/services.h"
#include "platform/win32/system_function.h"

namespace platform::win32 {

void Shell::Execute(const std::string& verb, const std::string& file) {
    // The result is not looked at: neither caller has anything to do about a
    // refusal (a missing file, no association).
    static const auto shellExecute = SystemFunction<decltype(ShellExecuteA)>(L"shell32.dll", "ShellExecuteA");
    if (!shellExecute) return;
    shellExecute(nullptr, verb.empty() ? nullptr : verb.c_str(), file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace platform::win32

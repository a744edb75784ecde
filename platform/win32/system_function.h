// A function of a Windows DLL that the program loads when it is first needed.
//
// Every DLL a program imports is loaded and initialised, with the DLLs it
// brings along, before the program's first line runs: the file dialogs
// (comdlg32, which brings the print spooler's DLLs) and the shell (shell32,
// which brings shcore and shlwapi) would lengthen every start, though most
// sessions never open a dialog or a web page.
#pragma once

#include <windows.h>

namespace platform::win32 {

// `name` in the system DLL `dll`, which is loaded once and stays for the
// process's life; null when either is missing. Keep the result in a static.
template <class Function>
Function* SystemFunction(const wchar_t* dll, const char* name) {
    // NOTE: by base name alone: both DLLs this serves are KnownDLLs, always
    // taken from the system folder.
    const HMODULE module = LoadLibraryW(dll);
    return module ? reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

}  // namespace platform::win32

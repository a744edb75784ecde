// The plug-in's Windows entry: the DLL's load hook, which does nothing, and
// the host's one export, `main`, which starts the program.
//
// The function is named PluginMain here and exported as `main` through
// rmaddin.def: a C++ function called main gets the runtime's start-up
// treatment from GCC (a call to __main, and on i686 the linker resolves an
// undecorated `main` to the console start-up code), and the i686 stdcall
// name PluginMain@4 must not become the export's name.
#include <windows.h>

#include "platform/win32/services.h"
#include "plugin/launcher.h"

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}

// The host passes one 32-bit value that means nothing to us and takes 0
// back whatever happened; nothing may unwind into the host's frames.
extern "C" int __stdcall PluginMain(int) {
    try {
        platform::win32::Registry registry;
        platform::win32::Clock clock;
        platform::win32::Shell shell;
        launcher::RunMain(registry, clock, shell);
    } catch (...) {
    }
    return 0;
}

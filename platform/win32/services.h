// The real Windows services behind the platform interfaces: the current
// user's registry, the local clock, the clipboard, the shell, the list of
// top-level windows and the application's message loop.
//
// This header names no Windows type, so that the program's Win32 view and the
// plug-in's entry can hold these objects without passing <windows.h> on;
// window handles cross it as void*.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/app.h"
#include "platform/clipboard.h"
#include "platform/clock.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/window_list.h"

namespace platform::win32 {

// Keys under HKEY_CURRENT_USER, opened with full access. Values are read and
// written as raw bytes: Write stores exactly the bytes it is given (a REG_SZ
// caller appends its own terminating zero), Read returns exactly the bytes
// the registry holds, terminated or not.
class Registry : public platform::Registry {
public:
    // RegOpenKeyExA(KEY_ALL_ACCESS); never creates anything.
    std::unique_ptr<RegistryKey> Open(const std::string& path) override;
    // RegCreateKeyExA(KEY_ALL_ACCESS): creates the key and missing parents.
    std::unique_ptr<RegistryKey> Create(const std::string& path) override;
};

// GetLocalTime.
class Clock : public platform::Clock {
public:
    LocalTime Now() override;
};

// CF_TEXT on the system clipboard. Another program may hold the clipboard
// open for a moment (a host copying, a clipboard viewer, a remote desktop's
// clipboard sync, which can take well over 200 ms), so each operation keeps
// trying to open it, kRetryPauseMs apart, for up to kOpenWaitMs before it
// reports failure.
class Clipboard : public platform::Clipboard {
public:
    static constexpr unsigned kOpenWaitMs = 2000;
    static constexpr unsigned kRetryPauseMs = 20;
    static constexpr unsigned kFreePollMs = 5;

    Clipboard();
    ~Clipboard() override;
    Clipboard(const Clipboard&) = delete;
    Clipboard& operator=(const Clipboard&) = delete;

    bool Clear() override;
    // The text up to its first zero, never past the memory block's end.
    std::optional<std::string> ReadText() override;
    bool SetText(const std::string& text) override;
    bool WaitUntilFree(unsigned ms) override;
    uint32_t SequenceNumber() override;
    uint32_t OwnerProcess() override;
    // How long each operation keeps trying to open the clipboard (0: one
    // try; the host stand-in plays a host that tries once).
    void SetOpenWait(unsigned ms) { openWaitMs_ = ms; }

private:
    bool Open(void* owner);  // with a bounded retry
    // A message-only window that owns what SetText puts on the clipboard:
    // SetClipboardData fails after EmptyClipboard when nobody owns it.
    void* owner_ = nullptr;
    unsigned openWaitMs_ = kOpenWaitMs;
};

// ShellExecuteA(no owner, verb or the default action, file, no parameters,
// no directory, SW_SHOWNORMAL); the result is ignored.
class Shell : public platform::Shell {
public:
    void Execute(const std::string& verb, const std::string& file) override;
};

// EnumWindows + GetWindowTextA into 256 bytes. The visit closure travels in
// the enumeration's own argument, so enumerations may nest and nothing is
// shared between them. An exception thrown by `visit` stops the enumeration
// and is rethrown once EnumWindows has returned (never through its frames).
class WindowList : public platform::WindowList {
public:
    void ForEachTitle(const std::function<bool(const std::string& title)>& visit) override;
};

// The thread's message loop.
//
// Run takes one message at a time (PeekMessage); when the queue is empty it
// calls the idle handler with done = true and, while done is still true,
// sleeps in WaitMessage until the next message comes; with done = false it
// goes round again at once. It returns when WM_QUIT arrives. Exceptions from
// the idle handler go to HandleException and the loop goes on.
//
// Keyboard navigation of a modeless dialog (Tab, arrow keys, Enter, Esc)
// needs IsDialogMessage in the loop: SetDialog names the one dialog whose
// messages are routed that way (null for none). The main window registers
// itself when it is created and clears the registration when destroyed.
class Application : public platform::Application {
public:
    std::string ExeName() const override;
    // Handles every pending message once; never calls the idle handler.
    void ProcessMessages() override;
    void Run() override;
    // Posts WM_QUIT; Terminated() is true from this call on.
    void Terminate() override;
    bool Terminated() const override;

    void SetDialog(void* hwnd) { dialog_ = hwnd; }
    void* Dialog() const { return dialog_; }

private:
    // Takes and handles one message; false when the queue was empty.
    bool HandleOneMessage();

    void* dialog_ = nullptr;
    bool terminateRequested_ = false;
    bool quitReceived_ = false;
};

}  // namespace platform::win32

// The thread's message loop with an idle notification, as the program's
// application object runs it.
#include <windows.h>

#include <vector>

#include "platform/win32/services.h"

namespace platform::win32 {

std::string Application::ExeName() const {
    // Grows the buffer while the path is cut (long paths on newer systems).
    std::vector<char> path(MAX_PATH + 1);
    for (;;) {
        DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return std::string();
        if (length < path.size() - 1 || path.size() >= 32768) return std::string(path.data(), length);
        path.resize(path.size() * 2);
    }
}

bool Application::HandleOneMessage() {
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
        quitReceived_ = true;
        return true;
    }
    if (dialog_ && IsDialogMessageW(static_cast<HWND>(dialog_), &msg)) return true;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    return true;
}

void Application::ProcessMessages() {
    while (!quitReceived_ && HandleOneMessage()) {
    }
}

void Application::Run() {
    while (!quitReceived_) {
        if (HandleOneMessage()) continue;
        bool done = true;
        try {
            CallIdle(this, done);
        } catch (const std::exception& e) {
            HandleException(e);
        }
        // NOTE: a handler that has just asked to end must not be put to
        // sleep: WM_QUIT is not a queued message and need not wake
        // WaitMessage. The next PeekMessage delivers it.
        if (done && !terminateRequested_) WaitMessage();
    }
}

void Application::Terminate() {
    terminateRequested_ = true;
    PostQuitMessage(0);
}

bool Application::Terminated() const {
    return terminateRequested_ || quitReceived_;
}

}  // namespace platform::win32

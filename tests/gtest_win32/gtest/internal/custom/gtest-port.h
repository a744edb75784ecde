// GoogleTest's hook for its platform layer, found before the stock (empty)
// one in the Windows builds. Their win32 thread model (it needs nothing newer
// than Windows XP) has no std::mutex or std::condition_variable, which
// GoogleTest's Notification uses; this one waits on a Win32 event. The rest
// of GoogleTest's threading on Windows is Win32 already.
#pragma once

#include <windows.h>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
public:
    Notification() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { CloseHandle(event_); }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { SetEvent(event_); }
    void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

private:
    HANDLE event_;
};

}  // namespace internal
}  // namespace testing

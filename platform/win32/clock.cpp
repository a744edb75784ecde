// The local wall clock: GetLocalTime, to the millisecond.
#include <windows.h>

#include "platform/win32/services.h"

namespace platform::win32 {

LocalTime Clock::Now() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return LocalTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

}  // namespace platform::win32

// The desktop's top-level windows by title: EnumWindows with the visit
// closure in the enumeration's own argument.
#include <windows.h>

#include <exception>

#include "platform/win32/services.h"

namespace platform::win32 {
namespace {

struct Enumeration {
    const std::function<bool(const std::string&)>& visit;
    std::exception_ptr failure;
};

BOOL CALLBACK VisitWindow(HWND window, LPARAM context) {
    auto& enumeration = *reinterpret_cast<Enumeration*>(context);
    char title[256];
    int length = GetWindowTextA(window, title, sizeof title);
    // A title that cannot be read counts as no title.
    std::string text = length > 0 ? std::string(title, static_cast<size_t>(length)) : std::string();
    // NOTE: no exception may unwind through EnumWindows (a system frame);
    // it is carried out in the context instead.
    try {
        return enumeration.visit(text) ? TRUE : FALSE;
    } catch (...) {
        enumeration.failure = std::current_exception();
        return FALSE;
    }
}

}  // namespace

void WindowList::ForEachTitle(const std::function<bool(const std::string&)>& visit) {
    Enumeration enumeration{visit, nullptr};
    // The result is not examined: a stop requested by `visit` is reported
    // as a failure too.
    EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(&enumeration));
    if (enumeration.failure) std::rethrow_exception(enumeration.failure);
}

}  // namespace platform::win32

// The user's locale through the Windows API: ANSI is the process code page
// (CP_ACP), separators come from the user's settings, and text comparison is
// the one the sorted list box uses.
#include "platform/locale.h"

#include <windows.h>

#include "platform/win32/wide_text.h"

namespace platform {
namespace {

using win32::Narrow;
using win32::Widen;

char LocaleChar(LCTYPE type, char fallback) {
    char buffer[8] = {};
    return GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buffer, sizeof buffer) > 1 ? buffer[0] : fallback;
}

}  // namespace

NumberFormat UserNumberFormat() { return NumberFormat{LocaleChar(LOCALE_SDECIMAL, '.'), LocaleChar(LOCALE_STHOUSAND, ',')}; }

std::string AnsiToUtf8(std::string_view ansi) { return Narrow(Widen(ansi, CP_ACP), CP_UTF8); }
std::string Utf8ToAnsi(std::string_view utf8) { return Narrow(Widen(utf8, CP_UTF8), CP_ACP); }

int CompareTextNoCase(std::string_view a, std::string_view b) {
    const int r = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                                 static_cast<int>(b.size()));
    return r == CSTR_LESS_THAN ? -1 : r == CSTR_GREATER_THAN ? 1 : 0;
}

}  // namespace platform

// The user's locale through the Windows API: ANSI is the process code page
// (CP_ACP), separators come from the user's settings, and text comparison is
// the one the sorted list box uses.
#include "platform/locale.h"

#include <windows.h>

#include "platform/win32/code_page.h"

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

std::optional<std::string> Utf8ToAnsiExact(std::string_view utf8) {
    if (utf8.empty()) return std::string();
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (n <= 0) return std::nullopt;
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    BOOL defaulted = FALSE;
    const int m = WideCharToMultiByte(CP_ACP, 0, wide.data(), n, nullptr, 0, nullptr, &defaulted);
    std::string ansi(static_cast<size_t>(m), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), n, ansi.data(), m, nullptr, &defaulted);
    // NOTE: a "best fit" (an accented letter written without its accent)
    // is not the user's name either: only an exact round trip counts.
    if (defaulted || Widen(ansi, CP_ACP) != wide) return std::nullopt;
    return ansi;
}

AnsiCharKind ClassifyAnsiChar(char c) {
    AnsiCharKind kind;
    kind.letter = IsCharAlphaA(c) != 0;
    kind.upper = kind.letter && IsCharUpperA(c) != 0;
    wchar_t wide = 0;
    if (kind.letter && MultiByteToWideChar(CP_ACP, 0, &c, 1, &wide, 1) == 1) kind.cyrillic = wide >= 0x400 && wide <= 0x4FF;
    return kind;
}

int CompareTextNoCase(std::string_view a, std::string_view b) {
    const int r = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                                 static_cast<int>(b.size()));
    return r == CSTR_LESS_THAN ? -1 : r == CSTR_GREATER_THAN ? 1 : 0;
}

}  // namespace platform

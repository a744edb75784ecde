// Texts between the models and the wide-character controls.
//
// The controls are Unicode windows, so the Russian captions show on any
// Windows locale. The models keep their own texts in UTF-8 and the host's
// texts (names, style and font names, numbers) in the ANSI code page; each
// crossing names the encoding of its side, and platform/win32/code_page.h
// converts.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/win32/code_page.h"
#include "workbench/controls.h"

namespace rolemark_view {

inline UINT CodePageOf(workbench::TextEncoding encoding) {
    return encoding == workbench::TextEncoding::Utf8 ? CP_UTF8 : CP_ACP;
}

inline std::wstring Widen(std::string_view text, workbench::TextEncoding encoding) {
    return platform::win32::Widen(text, CodePageOf(encoding));
}

inline std::string Narrow(std::wstring_view text, workbench::TextEncoding encoding) {
    return platform::win32::Narrow(text, CodePageOf(encoding));
}

inline std::wstring WindowText(HWND hwnd) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace rolemark_view

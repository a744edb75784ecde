// Text between a code page and UTF-16, for the wide-character API: CP_ACP for
// the bytes exchanged with the host, the clipboard and the files, CP_UTF8 for
// texts kept in UTF-8. Every Windows program of the tree converts here.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace platform::win32 {

inline std::wstring Widen(std::string_view text, UINT codePage) {
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

// A character the code page lacks becomes the page's default character.
inline std::string Narrow(std::wstring_view text, UINT codePage) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace platform::win32

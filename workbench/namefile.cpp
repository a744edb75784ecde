// Reading and writing name files.
#include "workbench/namefile.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <optional>
#include <system_error>

#include "platform/exception.h"
#include "platform/files.h"
#include "platform/locale.h"
#include "workbench/messages.h"

namespace namefile {
namespace {

std::string Utf8Name(const std::filesystem::path& file) {
    const auto name = file.u8string();
    return std::string(name.begin(), name.end());
}

bool IsUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const size_t extra = c < 0x80 ? 0 : c >= 0xC2 && c < 0xE0 ? 1 : c >= 0xE0 && c < 0xF0 ? 2 : c >= 0xF0 && c < 0xF5 ? 3 : 9;
        if (extra == 9 || (extra > 0 && i + extra >= text.size())) return false;
        for (size_t j = 1; j <= extra; ++j)
            if ((static_cast<unsigned char>(text[i + j]) & 0xC0) != 0x80) return false;
        i += extra + 1;
    }
    return true;
}

void AppendUtf8(std::string& out, uint32_t u) {
    if (u < 0x80) {
        out += static_cast<char>(u);
    } else if (u < 0x800) {
        out += static_cast<char>(0xC0 | (u >> 6));
        out += static_cast<char>(0x80 | (u & 0x3F));
    } else if (u < 0x10000) {
        out += static_cast<char>(0xE0 | (u >> 12));
        out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (u >> 18));
        out += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (u & 0x3F));
    }
}

// UTF-16 after its byte-order mark, as UTF-8; a lone surrogate becomes
// U+FFFD, which no ANSI code page holds.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    auto unit = [&](size_t i) {
        const auto hi = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
        const auto lo = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
        return static_cast<uint32_t>(hi << 8 | lo);
    };
    std::string out;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        uint32_t u = unit(i);
        if (u >= 0xD800 && u < 0xDC00 && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 && unit(i + 2) < 0xE000) {
            u = 0x10000 + ((u - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (u >= 0xD800 && u < 0xE000) {
            u = 0xFFFD;
        }
        AppendUtf8(out, u);
    }
    return out;
}

// The file's text as Unicode, when it is written so: with a byte-order mark,
// or as valid UTF-8 holding more than ASCII (which text in an ANSI code page
// almost never is). Nothing for plain ANSI text.
std::optional<std::string> UnicodeText(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return std::string(bytes.substr(3));
    if (bytes.substr(0, 2) == "\xFF\xFE") return Utf16ToUtf8(bytes.substr(2), false);
    if (bytes.substr(0, 2) == "\xFE\xFF") return Utf16ToUtf8(bytes.substr(2), true);
    const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii && IsUtf8(bytes)) return std::string(bytes);
    return std::nullopt;
}

}  // namespace

std::string Join(const std::vector<std::string>& entries) {
    std::string text;
    for (const std::string& entry : entries) {
        text += entry;
        text += "\r\n";
    }
    return text;
}

std::vector<std::string> Split(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
    return lines;
}

void Save(const std::filesystem::path& file, const std::vector<std::string>& entries) {
    if (!platform::ReplaceFileContent(file, Join(entries))) throw Exception(workbench::text::CannotCreateFile(Utf8Name(file)));
}

std::vector<std::string> Open(const std::filesystem::path& file) {
    std::error_code error;
    const bool folder = std::filesystem::is_directory(file, error);
    std::ifstream in(file, std::ios::binary);
    if (folder || !in) throw Exception(workbench::text::CannotOpenFile(Utf8Name(file)));
    std::string bytes;
    char block[65536];
    while (in.read(block, sizeof block) || in.gcount() > 0) bytes.append(block, static_cast<size_t>(in.gcount()));
    if (in.bad()) throw Exception(workbench::text::CannotOpenFile(Utf8Name(file)));
    const std::optional<std::string> unicode = UnicodeText(bytes);
    if (!unicode) return Split(bytes);
    std::vector<std::string> lines = Split(*unicode);
    for (size_t i = 0; i < lines.size(); ++i) {
        std::optional<std::string> ansi = platform::Utf8ToAnsiExact(lines[i]);
        if (!ansi) throw Exception(workbench::text::NotInCodePage(i + 1, Utf8Name(file)));
        lines[i] = std::move(*ansi);
    }
    return lines;
}

}  // namespace namefile

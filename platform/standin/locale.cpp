// The stand-in locale: a Russian Windows, as the program's users have it:
// ANSI is code page 1251, the decimal separator a comma, the thousands
// separator a no-break space. Tests set the process separators as they need.
#include "platform/locale.h"

#include <cstdint>

namespace platform {
namespace {

// Code page 1251, bytes 0x80 to 0xFF, as Unicode.
constexpr uint16_t kHigh[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F};

uint32_t ToUnicode(unsigned char b) { return b < 0x80 ? b : kHigh[b - 0x80]; }

// The byte of `u`, or -1 when the code page has none.
int FromUnicode(uint32_t u) {
    if (u < 0x80) return static_cast<int>(u);
    for (int i = 0; i < 128; ++i)
        if (kHigh[i] == u) return 0x80 + i;
    return -1;
}

// Sort weight without regard to case; Cyrillic in alphabet order with Ё after Е.
uint32_t Weight(unsigned char b) {
    uint32_t u = ToUnicode(b);
    if (u >= 'a' && u <= 'z') u -= 32;
    if (u >= 0x430 && u <= 0x44F) u -= 0x20;
    if (u >= 0x450 && u <= 0x45F) u -= 0x50;
    if (u == 0x401) return 0x10000 + (0x415 - 0x410) * 2 + 1;
    if (u >= 0x410 && u <= 0x42F) return 0x10000 + (u - 0x410) * 2;
    return u;
}

}  // namespace

NumberFormat UserNumberFormat() { return NumberFormat{',', '\xA0'}; }

std::string AnsiToUtf8(std::string_view ansi) {
    std::string out;
    for (unsigned char b : ansi) {
        const uint32_t u = ToUnicode(b);
        if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u < 0x800) {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (u >> 12));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out;
}

std::string Utf8ToAnsi(std::string_view utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        uint32_t u = c;
        size_t extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        if (extra) u = c & (0x3F >> extra);
        size_t j = 1;
        for (; j <= extra && i + j < utf8.size(); ++j) u = (u << 6) | (static_cast<unsigned char>(utf8[i + j]) & 0x3F);
        const int b = FromUnicode(u);
        out += static_cast<char>(b < 0 ? '?' : b);
        i += j;
    }
    return out;
}

std::optional<std::string> Utf8ToAnsiExact(std::string_view utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        const size_t extra = c < 0x80 ? 0 : c >= 0xC2 && c < 0xE0 ? 1 : c >= 0xE0 && c < 0xF0 ? 2 : c >= 0xF0 && c < 0xF5 ? 3 : 9;
        if (extra == 9 || i + extra >= utf8.size()) return std::nullopt;
        uint32_t u = extra ? c & (0x3F >> extra) : c;
        for (size_t j = 1; j <= extra; ++j) {
            const unsigned char next = static_cast<unsigned char>(utf8[i + j]);
            if ((next & 0xC0) != 0x80) return std::nullopt;
            u = (u << 6) | (next & 0x3F);
        }
        const int b = FromUnicode(u);
        if (b < 0) return std::nullopt;
        out += static_cast<char>(b);
        i += extra + 1;
    }
    return out;
}

AnsiCharKind ClassifyAnsiChar(char c) {
    const uint32_t u = ToUnicode(static_cast<unsigned char>(c));
    AnsiCharKind kind;
    if ((u >= 'A' && u <= 'Z') || (u >= 0x400 && u <= 0x42F)) kind.letter = kind.upper = true;
    if ((u >= 'a' && u <= 'z') || (u >= 0x430 && u <= 0x45F)) kind.letter = true;
    // The code page's other letters: the Latin µ, and the Serbian and
    // Ukrainian Ґ ґ (U+0490, U+0491), all lower case but Ґ.
    if (u == 0xB5 || u == 0x491) kind.letter = true;
    if (u == 0x490) kind.letter = kind.upper = true;
    kind.cyrillic = kind.letter && u >= 0x400 && u <= 0x4FF;
    return kind;
}

int CompareTextNoCase(std::string_view a, std::string_view b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const uint32_t wa = Weight(static_cast<unsigned char>(a[i])), wb = Weight(static_cast<unsigned char>(b[i]));
        if (wa != wb) return wa < wb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace platform

// Number separators and text in the user's locale.
//
// Texts exchanged with the host, the clipboard and the name files are bytes in
// the ANSI code page; the program's own texts (messages, captions) are UTF-8.
// These functions convert between the two and compare like the platform's
// sorted list box. Each backend defines them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

struct NumberFormat {
    char decimal = '.';
    char thousands = ',';
};

// The process-wide separators that every number format reads at call time,
// like the runtime's globals: a run sets the decimal separator to '.' and
// gives the old one back.
NumberFormat& ProcessNumberFormat();

// The separators of the user's locale.
NumberFormat UserNumberFormat();

std::string AnsiToUtf8(std::string_view ansi);
std::string Utf8ToAnsi(std::string_view utf8);
// `utf8` in the ANSI code page, character for character; nothing when it is
// not valid UTF-8 or holds a character the code page has no exact form for.
std::optional<std::string> Utf8ToAnsiExact(std::string_view utf8);

// A character of the ANSI code page as Windows classifies it: a letter
// (IsCharAlphaA), an upper-case one (IsCharUpperA), and a Cyrillic one (its
// Unicode form in U+0400 to U+04FF; any other letter counts as Latin). Speaker
// labels are checked with these, so a Latin letter hiding in a Cyrillic name
// shows.
struct AnsiCharKind {
    bool letter = false;
    bool upper = false;
    bool cyrillic = false;
};
AnsiCharKind ClassifyAnsiChar(char c);

// <0, 0, >0: `a` against `b` without regard to case, in the user's locale,
// as the sorted list box orders its entries. Both are ANSI.
int CompareTextNoCase(std::string_view a, std::string_view b);

}  // namespace platform

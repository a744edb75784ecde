// Character formatting in the stand-in's story, and the table that gives
// every distinct formatting a small number.
//
// A story holds millions of characters but only a handful of distinct
// formattings, so runs of the story refer to a formatting by its number in a
// FormatTable and compare numbers, never whole records.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace standin {

// Leading value that means "automatic" (120 % of the size), as the host
// answers it.
constexpr float kAutoLeading = -1;

// "TypeStyle n" adds the style bit 1 << n for n = 1 to 7; "TypeStyle 0"
// clears them all. These are the names of n = 1 to 7 in the publication file
// and the dump (index n - 1).
constexpr std::array<std::string_view, 7> kTypeStyleNames = {
    "bold", "italic", "underline", "strikethru", "outline", "shadow", "reverse"};
constexpr int32_t TypeStyleBit(int n) { return int32_t{1} << n; }
constexpr int32_t kBold = TypeStyleBit(1), kItalic = TypeStyleBit(2);

struct CharFormat {
    std::string font;   // ANSI
    float size = 12;    // points
    int32_t track = 0;  // tracking entry: 0 none, 1 very loose ... 5 very tight
    float kern = 0;     // ems
    float width = 100;  // set width, percent
    int32_t typeStyle = 0;
    float shift = 0;    // baseline shift, points; positive raises the text
    float leading = kAutoLeading;  // points
    // Small caps size, super/subscript size, superscript position, subscript
    // position; percent of the type size.
    std::array<float, 4> typeOptions{70, 58.3f, 33.3f, 33.3f};

    bool operator==(const CharFormat& other) const;
    bool operator!=(const CharFormat& other) const { return !(*this == other); }
    bool operator<(const CharFormat& other) const;
};

// The extra space between letters, in ems, that the tracking entry and the
// kerning give together, for views that draw the formatting.
float LetterSpacingEm(const CharFormat& format);

// Empty when every value of `format` lies within what the host accepts;
// otherwise names the first that does not, e.g. "size 700 is outside 4 to
// 650". Text and style sheet share these bounds.
std::string RangeError(const CharFormat& format);

using FormatId = uint32_t;

class FormatTable {
public:
    // The number of `format`, adding it when it is new. O(log distinct formats).
    FormatId Intern(const CharFormat& format);
    // NOTE: a reference stays valid only until the next Intern (the table
    // grows); copy the record before interning a changed one.
    const CharFormat& operator[](FormatId id) const { return formats_[id]; }
    size_t size() const { return formats_.size(); }

private:
    std::vector<CharFormat> formats_;
    std::map<CharFormat, FormatId> ids_;
};

}  // namespace standin

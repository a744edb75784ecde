// Composing command and query texts: a printf-like format with the
// placeholders %s %d %f %3.0f %n %g, reals written from their single-precision
// value with the process's separators (read at call time).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

// A text of at most `Limit` characters: a longer one is cut when it is made,
// as the host's fixed-size string fields keep only their first characters.
template <size_t Limit>
class BoundedText {
public:
    static constexpr size_t kMaxLength = Limit;
    BoundedText(const std::string& text) : text_(text.substr(0, Limit)) {}
    BoundedText(const char* text) : BoundedText(std::string(text)) {}
    const std::string& str() const { return text_; }
    operator const std::string&() const { return text_; }

private:
    std::string text_;
};

// The short text of the vocabulary: at most 255 characters.
using ShortText = BoundedText<255>;

// One argument of a format, of any of the argument kinds.
struct FormatArg {
    enum Kind { Text, Integer, Real } kind;
    std::string_view text;
    int64_t integer = 0;
    float real = 0;

    FormatArg(const std::string& s) : kind(Text), text(s) {}
    template <size_t Limit>
    FormatArg(const BoundedText<Limit>& s) : kind(Text), text(s.str()) {}
    FormatArg(const char* s) : kind(Text), text(s) {}
    FormatArg(int32_t v) : kind(Integer), integer(v) {}
    FormatArg(int8_t v) : kind(Integer), integer(v) {}
    FormatArg(uint8_t v) : kind(Integer), integer(v) {}
    FormatArg(float v) : kind(Real), real(v) {}
};

namespace format {

constexpr size_t kMaxLength = 4096;

// Fills `format` with `args` in order. Throws EConvertError "Format result
// longer than 4096 characters" past kMaxLength, and on a placeholder whose
// argument is missing or of another kind.
std::string Compose(std::string_view format, std::initializer_list<FormatArg> args);

// The single placeholders, for tests and for callers that write one value.
// A value that is not finite is written NAN, INF or -INF by each of them.
std::string Fixed(float value, int decimals);       // %f (2 decimals)
std::string Rounded(float value, int width);         // %3.0f
std::string Grouped(float value);                    // %n
std::string General(float value);                    // %g, 15 significant digits

}  // namespace format

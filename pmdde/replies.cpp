// Reply scanners. The number grammar is checked here by hand and the value
// converted with std::from_chars, which ignores the C and user locales.
#include "pmdde/replies.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "pmdde/exceptions.h"

namespace replies {
namespace {

// The character at 1-based `pos`; callers keep 1 <= pos <= size.
char At(const std::string& s, int pos) { return s[static_cast<size_t>(pos - 1)]; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string NextField(const std::string& reply, int& pos) {
    const int length = static_cast<int>(reply.size());
    if (pos < 1) pos = 1;
    const int start = pos;
    while (pos <= length && At(reply, pos) != ',') ++pos;
    std::string field = start <= length ? reply.substr(static_cast<size_t>(start - 1), static_cast<size_t>(pos - start)) : std::string();
    // A caller's position at the very top of the range stays there instead of wrapping.
    if (pos < std::numeric_limits<int>::max()) ++pos;
    return field;
}

std::optional<float> ParseNumber(const std::string& whole) {
    const std::string field = whole.substr(0, 20);
    size_t i = 0;
    const size_t n = field.size();
    while (i < n && field[i] == ' ') ++i;
    const size_t numberStart = i;
    if (i < n && (field[i] == '+' || field[i] == '-')) ++i;
    size_t digits = 0;
    while (i < n && IsDigit(field[i])) ++i, ++digits;
    if (i < n && field[i] == '.') {
        if (i + 1 >= n) return std::nullopt;  // a point as the last character
        ++i;
        size_t fraction = 0;
        while (i < n && IsDigit(field[i])) ++i, ++fraction;
        if (fraction == 0) return std::nullopt;
        digits += fraction;
    }
    if (digits == 0) return std::nullopt;
    if (i < n && (field[i] == 'E' || field[i] == 'e')) {
        ++i;
        if (i < n && (field[i] == '+' || field[i] == '-')) ++i;
        size_t exponent = 0;
        while (i < n && IsDigit(field[i])) ++i, ++exponent;
        if (exponent == 0) return std::nullopt;
    }
    if (i != n) return std::nullopt;

    // from_chars takes no '+'; the grammar above is already checked.
    size_t from = numberStart;
    if (field[from] == '+') ++from;
    double value = 0;
    const auto result = std::from_chars(field.data() + from, field.data() + n, value);
    if (result.ec != std::errc() || !std::isfinite(value) ||
        std::fabs(value) > std::numeric_limits<float>::max())
        return std::nullopt;
    return static_cast<float>(value);
}

float ExtractNumber(const std::string& reply, int& pos) {
    const int start = pos;
    const std::string field = NextField(reply, pos);
    const std::optional<float> value = ParseNumber(field);
    if (!value) throw EPmCantExtractNumber(pmmsg::CantExtractNumber(reply, start, pos));
    return *value;
}

int32_t ExtractInteger(const std::string& reply, int& pos) {
    const int start = pos;
    const float value = ExtractNumber(reply, pos);
    const float truncated = std::trunc(value);
    // NOTE: 2^31 is exactly representable; anything at or above it does not fit.
    if (truncated < -2147483648.0f || truncated >= 2147483648.0f)
        throw EPmCantExtractNumber(pmmsg::CantExtractNumber(reply, start, pos));
    return static_cast<int32_t>(truncated);
}

void ExtractQuoted(const std::string& reply, int& pos, std::string& text) {
    const int length = static_cast<int>(reply.size());
    if (pos < 1) pos = 1;
    if (pos >= length) return;
    while (At(reply, pos) != '"' && pos < length) ++pos;
    if (pos >= length) return;
    ++pos;
    while (At(reply, pos) != '"' && pos < length) {
        text += At(reply, pos);
        ++pos;
    }
    pos += 2;
}

}  // namespace replies

// Number formats for command texts.
//
// A single-precision value widened to double is exact, and so is its decimal
// expansion as std::to_chars writes it; the digits are then rounded here, half
// away from zero, as the host's own runtime does, and written with the
// process's separators. Nothing depends on the C locale.
#include "pmdde/format.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "platform/exception.h"
#include "platform/locale.h"
#include "pmdde/exceptions.h"

namespace format {
namespace {

// value = 0.d1 d2 d3 ... * 10^exponent; no leading zero digit unless zero.
struct Decimal {
    bool negative = false;
    std::string digits;  // empty for zero
    int exponent = 0;
};

// The exact decimal expansion of a finite value.
Decimal Exact(float value) {
    Decimal d;
    const double v = value;
    d.negative = std::signbit(v);
    if (v == 0) return d;
    char buffer[256];
    // 120 digits hold every finite float's exact expansion (at most 112).
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(v), std::chars_format::scientific, 120);
    const std::string s(buffer, r.ptr);
    const size_t e = s.find('e');
    d.digits = s.substr(0, 1) + s.substr(2, e - 2);
    d.exponent = std::atoi(s.c_str() + e + 1) + 1;
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
    return d;
}

// Keeps the first `keep` digits (keep may be <= 0), rounding half away from zero.
void Round(Decimal& d, int keep) {
    if (d.digits.empty()) return;
    if (keep < 0) { d.digits.clear(); return; }
    if (static_cast<size_t>(keep) >= d.digits.size()) return;
    const bool up = d.digits[static_cast<size_t>(keep)] >= '5';
    d.digits.resize(static_cast<size_t>(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[static_cast<size_t>(i)] == '9') d.digits[static_cast<size_t>(i--)] = '0';
        if (i < 0) {
            d.digits.insert(d.digits.begin(), '1');
            ++d.exponent;
        } else {
            ++d.digits[static_cast<size_t>(i)];
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
}

char DigitAt(const Decimal& d, int index) {  // index 0 is the first digit
    return index >= 0 && static_cast<size_t>(index) < d.digits.size() ? d.digits[static_cast<size_t>(index)] : '0';
}

// Infinities and NaN have no digits: every format writes them as a word, so
// that a caller's bad value shows in the command instead of breaking it.
const char* NonFinite(float value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    return nullptr;
}

// Fixed notation with `decimals` digits after the separator.
std::string FixedText(float value, int decimals, bool grouped) {
    if (const char* word = NonFinite(value)) return word;
    Decimal d = Exact(value);
    Round(d, d.exponent + decimals);
    const platform::NumberFormat nf = platform::ProcessNumberFormat();
    std::string integer;
    for (int i = 0; i < d.exponent; ++i) integer += DigitAt(d, i);
    if (integer.empty()) integer = "0";
    if (grouped)
        for (int at = static_cast<int>(integer.size()) - 3; at > 0; at -= 3)
            integer.insert(static_cast<size_t>(at), 1, nf.thousands);
    std::string out = (d.negative && !d.digits.empty()) ? "-" : "";
    out += integer;
    if (decimals > 0) {
        out += nf.decimal;
        for (int i = 0; i < decimals; ++i) out += DigitAt(d, d.exponent + i);
    }
    return out;
}

}  // namespace

std::string Fixed(float value, int decimals) { return FixedText(value, decimals, false); }

std::string Grouped(float value) { return FixedText(value, 2, true); }

std::string Rounded(float value, int width) {
    std::string text = FixedText(value, 0, false);
    if (text.size() < static_cast<size_t>(width)) text.insert(0, static_cast<size_t>(width) - text.size(), ' ');
    return text;
}

std::string General(float value) {
    if (const char* word = NonFinite(value)) return word;
    Decimal d = Exact(value);
    Round(d, 15);
    if (d.digits.empty()) return "0";
    const char sep = platform::ProcessNumberFormat().decimal;
    std::string out = d.negative ? "-" : "";
    const int digits = static_cast<int>(d.digits.size());
    if (d.exponent > 15 || d.exponent < -3) {
        out += d.digits[0];
        if (digits > 1) out += sep + d.digits.substr(1);
        out += 'E' + std::to_string(d.exponent - 1);
    } else if (d.exponent <= 0) {
        out += '0';
        out += sep;
        out += std::string(static_cast<size_t>(-d.exponent), '0') + d.digits;
    } else {
        for (int i = 0; i < d.exponent; ++i) out += DigitAt(d, i);
        if (digits > d.exponent) out += sep + d.digits.substr(static_cast<size_t>(d.exponent));
    }
    return out;
}

std::string Compose(std::string_view fmt, std::initializer_list<FormatArg> args) {
    std::string out;
    auto next = args.begin();
    auto take = [&](FormatArg::Kind kind) -> const FormatArg& {
        if (next == args.end() || next->kind != kind) throw EConvertError(pmmsg::BadFormat(fmt));
        return *next++;
    };
    for (size_t i = 0; i < fmt.size(); ++i) {
        if (fmt[i] != '%') { out += fmt[i]; continue; }
        std::string_view rest = fmt.substr(i + 1);
        if (rest.rfind("3.0f", 0) == 0) { out += Rounded(take(FormatArg::Real).real, 3); i += 4; }
        else if (rest.rfind("s", 0) == 0) { out += take(FormatArg::Text).text; i += 1; }
        else if (rest.rfind("d", 0) == 0) { out += std::to_string(take(FormatArg::Integer).integer); i += 1; }
        else if (rest.rfind("f", 0) == 0) { out += Fixed(take(FormatArg::Real).real, 2); i += 1; }
        else if (rest.rfind("n", 0) == 0) { out += Grouped(take(FormatArg::Real).real); i += 1; }
        else if (rest.rfind("g", 0) == 0) { out += General(take(FormatArg::Real).real); i += 1; }
        else if (rest.rfind("%", 0) == 0) { out += '%'; i += 1; }
        else throw EConvertError(pmmsg::BadFormat(fmt));
        if (out.size() > kMaxLength) throw EConvertError(pmmsg::FormatTooLong());
    }
    if (out.size() > kMaxLength) throw EConvertError(pmmsg::FormatTooLong());
    return out;
}

}  // namespace format

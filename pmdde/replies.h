// Scanners of the host's replies: comma-separated fields, numbers with a full
// stop whatever the locale, texts in double quotes.
//
// Pure functions of a reply and a position. The position is 1-based, kept by
// the caller and advanced past what was read; positions past the end are
// allowed and find an empty field. No scanner reads outside the reply.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace replies {

// The text from `pos` up to the next comma (or the end); `pos` ends one past
// that comma (or one past the end).
std::string NextField(const std::string& reply, int& pos);

// The strict number grammar of one field (cut to its first 20 characters):
// leading blanks, optional sign, digits, optionally "." and digits, optionally
// an exponent; nothing else. Nothing when the field does not follow it or its
// value does not fit a single-precision float.
std::optional<float> ParseNumber(const std::string& field);

// The next field as a number. Throws EPmCantExtractNumber with the reply, the
// field's start and the position after it.
float ExtractNumber(const std::string& reply, int& pos);

// ExtractNumber truncated toward zero. A value outside 32 bits throws as a
// malformed field does.
int32_t ExtractInteger(const std::string& reply, int& pos);

// Appends the next double-quoted text to `text` (which it never clears). A
// text whose closing quote is missing loses its last character; no opening
// quote before the last character reads nothing.
void ExtractQuoted(const std::string& reply, int& pos, std::string& text);

}  // namespace replies

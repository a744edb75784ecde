// Locale-free number texts.
#include "standin/host/numbers.h"

#include <charconv>

namespace standin {

std::string ShortestNumber(float value) {
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

}  // namespace standin

// How the stand-in host writes numbers: in replies, notes and dumps alike.
#pragma once

#include <string>

namespace standin {

// The shortest text that reads back as the same single-precision value, with
// a full stop as the decimal point whatever the locale: 12, 10.5, -1, 58.3.
std::string ShortestNumber(float value);

}  // namespace standin

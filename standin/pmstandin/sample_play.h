// The sample play (standin/sample/play.json), built into the program so that
// it runs without any file beside it.
#pragma once

#include <cstddef>

namespace standin {

extern const unsigned char kSamplePlay[];
extern const std::size_t kSamplePlaySize;

}  // namespace standin

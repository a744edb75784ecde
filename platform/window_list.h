// The desktop's top-level windows, by title.
#pragma once

#include <functional>
#include <string>

namespace platform {

class WindowList {
public:
    virtual ~WindowList() = default;
    // Calls `visit` with the title of each top-level window (hidden ones too),
    // in the system's order, each read into a 256-byte buffer (at most 255
    // characters; ANSI). Stops when `visit` returns false.
    virtual void ForEachTitle(const std::function<bool(const std::string& title)>& visit) = 0;
};

}  // namespace platform

// The shell's "start this file" (documents, web addresses, programs).
#pragma once

#include <string>

namespace platform {

class Shell {
public:
    virtual ~Shell() = default;
    // Asks the shell to act on `file` with `verb` (empty: the default action),
    // no parameters, no working directory, shown normally. The result is
    // deliberately not reported: both callers ignore it.
    virtual void Execute(const std::string& verb, const std::string& file) = 0;
};

}  // namespace platform

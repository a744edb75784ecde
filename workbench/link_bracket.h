// The bracket around every piece of work with the host: whatever way the work
// ends, the link is closed.
#pragma once

#include "pmdde/PMDDE1.h"

namespace workbench {

class LinkBracket {
public:
    explicit LinkBracket(TPmDDE& pm) : pm_(pm) {}
    ~LinkBracket() { pm_.CloseLink(); }
    LinkBracket(const LinkBracket&) = delete;
    LinkBracket& operator=(const LinkBracket&) = delete;

private:
    TPmDDE& pm_;
};

}  // namespace workbench

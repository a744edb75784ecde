// The host's DDE service on the DDE Management Library, for link tests.
//
// Under Wine this is the kind of server that follows every reply with an
// extra acknowledgement and sends its replies with fRelease = 0, so a client
// that survives it survives a host built on Wine's DDEML. It leaks one global
// handle per request inside Wine's DDEML; restart it before about 65,000.
#pragma once

#include <memory>

#include "platform/standin/dde_conversation.h"

namespace wine_dde {

class DdemlServer {
public:
    explicit DdemlServer(platform::standin::DdeServer& host);
    ~DdemlServer();
    DdemlServer(const DdemlServer&) = delete;
    DdemlServer& operator=(const DdemlServer&) = delete;

    // Registers the service "PageMaker" on the calling thread, whose ordinary
    // message loop then carries it. One per process.
    [[nodiscard]] bool Start();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace wine_dde

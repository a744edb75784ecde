// The host's DDE service written by hand: a hidden top-level window that
// answers the DDE messages of any number of clients for the service
// "PageMaker", without the DDE Management Library.
//
// Hand-written because a server on Wine's DDEML follows every reply with an
// extra acknowledgement and leaks one global handle per request; this one
// sends exactly one answer per message and frees what it owns, so runs of any
// length stay whole. Windows only; the header keeps <windows.h> out.
#pragma once

#include <memory>

#include "platform/standin/dde_conversation.h"

namespace standin {

// Serves the DDE service "PageMaker" by hand on a hidden window (no DDEML).
class RawDdeServer {
public:
    explicit RawDdeServer(platform::standin::DdeServer& host);
    ~RawDdeServer();
    RawDdeServer(const RawDdeServer&) = delete;
    RawDdeServer& operator=(const RawDdeServer&) = delete;

    [[nodiscard]] bool Start();   // creates the hidden server window on the calling thread
    // Messages reach it through the thread's ordinary GetMessage/DispatchMessage loop.
    // After host.AfterExchange() returns DropConversation it posts WM_DDE_TERMINATE to that
    // client; after Quit it terminates the conversation and calls PostQuitMessage(0).

private:
    struct Window;
    std::unique_ptr<Window> window_;
};

}  // namespace standin

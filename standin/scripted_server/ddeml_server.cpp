// A DDEML server for the service "PageMaker" that hands every execute and
// request to a DdeServer, and carries out its verdict after the exchange.
#include "standin/scripted_server/ddeml_server.h"

#include <windows.h>

#include <ddeml.h>

#include <cstring>
#include <string>

#include "platform/win32/wine.h"

namespace wine_dde {
namespace {
constexpr char kServiceName[] = "PageMaker";
constexpr UINT kDropMessage = WM_APP + 1;  // wParam: the conversation to end
}  // namespace

using platform::standin::DdeServer;

struct DdemlServer::State {
    explicit State(DdeServer& server) : host(server), wine(platform::win32::RunsOnWine()) {}

    static State* current;
    DdeServer& host;
    const bool wine;
    DWORD id = 0;
    HSZ service = nullptr, topic = nullptr;
    HDDEDATA lastReply = nullptr;  // app-owned; freed at the next request
    HWND deferred = nullptr;       // message-only window: what must not run inside the callback

    static HDDEDATA CALLBACK Callback(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2, HDDEDATA data, ULONG_PTR, ULONG_PTR);
    static LRESULT CALLBACK Deferred(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    std::string Name(HSZ hsz) const {
        char name[256] = {};
        if (hsz) DdeQueryStringA(id, hsz, name, sizeof name, CP_WINANSI);
        return name;
    }
    void FreeLastReply() {
        if (lastReply) DdeFreeDataHandle(lastReply);
        lastReply = nullptr;
    }
    void AfterExchange(HCONV conv) {
        switch (host.AfterExchange()) {
        case DdeServer::After::Continue:
            break;
        case DdeServer::After::DropConversation:
            PostMessageA(deferred, kDropMessage, reinterpret_cast<WPARAM>(conv), 0);
            break;
        case DdeServer::After::Quit:
            PostMessageA(deferred, kDropMessage, reinterpret_cast<WPARAM>(conv), 0);
            PostQuitMessage(0);
            break;
        }
    }
};

DdemlServer::State* DdemlServer::State::current = nullptr;

HDDEDATA CALLBACK DdemlServer::State::Callback(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2, HDDEDATA data, ULONG_PTR,
                                                ULONG_PTR) {
    State* self = current;
    if (!self) return nullptr;
    switch (type) {
    case XTYP_CONNECT:  // hsz1 topic, hsz2 service
        return reinterpret_cast<HDDEDATA>(static_cast<UINT_PTR>(DdeCmpStringHandles(hsz2, self->service) == 0 &&
                                                                 self->host.Accept(kServiceName, self->Name(hsz1))));
    case XTYP_WILDCONNECT: {
        if ((hsz2 && DdeCmpStringHandles(hsz2, self->service) != 0) || !self->host.Accept(kServiceName, self->Name(hsz1))) return nullptr;
        HSZPAIR pairs[2] = {{self->service, hsz1 ? hsz1 : self->topic}, {nullptr, nullptr}};
        return DdeCreateDataHandle(self->id, reinterpret_cast<LPBYTE>(pairs), sizeof pairs, 0, nullptr, 0, 0);
    }
    case XTYP_EXECUTE: {
        if (!data) return reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
        std::string command;
        DWORD size = 0;
        if (const auto* text = reinterpret_cast<const char*>(DdeAccessData(data, &size))) {
            command.assign(text, strnlen(text, size));
            DdeUnaccessData(data);
        }
        // NOTE (Wine): its DDEML makes this handle and never frees it.
        if (self->wine) DdeFreeDataHandle(data);
        using Verdict = platform::standin::DdeServer::Verdict;
        const Verdict verdict = self->host.Execute(command);
        self->AfterExchange(conv);
        return reinterpret_cast<HDDEDATA>(verdict == Verdict::Done ? DDE_FACK : verdict == Verdict::Busy ? DDE_FBUSY : DDE_FNOTPROCESSED);
    }
    case XTYP_REQUEST: {
        std::optional<std::string> reply;
        if (format == CF_TEXT) reply = self->host.Request(self->Name(hsz2));
        self->FreeLastReply();
        if (reply)
            self->lastReply = DdeCreateDataHandle(self->id, reinterpret_cast<LPBYTE>(const_cast<char*>(reply->c_str())),
                                                  static_cast<DWORD>(reply->size() + 1), 0, hsz2, CF_TEXT, HDATA_APPOWNED);
        self->AfterExchange(conv);
        return self->lastReply;
    }
    case XTYP_DISCONNECT:
        self->FreeLastReply();
        return nullptr;
    default:
        return nullptr;
    }
}

LRESULT CALLBACK DdemlServer::State::Deferred(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kDropMessage) {
        DdeDisconnect(reinterpret_cast<HCONV>(wParam));
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

DdemlServer::DdemlServer(DdeServer& host) : state_(std::make_unique<State>(host)) {}

DdemlServer::~DdemlServer() {
    if (State::current != state_.get()) return;
    DdeNameService(state_->id, state_->service, nullptr, DNS_UNREGISTER);
    state_->FreeLastReply();
    DdeFreeStringHandle(state_->id, state_->service);
    DdeFreeStringHandle(state_->id, state_->topic);
    DdeUninitialize(state_->id);
    if (state_->deferred) DestroyWindow(state_->deferred);
    State::current = nullptr;
}

bool DdemlServer::Start() {
    if (State::current) return State::current == state_.get();
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &State::Deferred;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "RolemarkDdemlServerDeferred";
    RegisterClassA(&windowClass);
    state_->deferred = CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
    if (!state_->deferred) return false;
    State::current = state_.get();
    DWORD id = 0;
    if (DdeInitializeA(&id, &State::Callback, APPCLASS_STANDARD, 0) != DMLERR_NO_ERROR) {
        State::current = nullptr;
        return false;
    }
    state_->id = id;
    state_->service = DdeCreateStringHandleA(id, kServiceName, CP_WINANSI);
    state_->topic = DdeCreateStringHandleA(id, kServiceName, CP_WINANSI);
    return DdeNameService(id, state_->service, nullptr, DNS_REGISTER) != nullptr;
}

}  // namespace wine_dde

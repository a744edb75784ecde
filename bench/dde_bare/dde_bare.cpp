// dde_bare: the exchange pattern of "pmcmd soak" on bare DDEML, as the
// yardstick for what the program's own link costs on top.
//
//   dde_bare [N]   about N exchanges (default 20000) with the service "PageMaker"
//
// Rounds of 6 asynchronous executes and 3 synchronous requests, interleaved
// like a formatting run's paragraph step, window messages let through once
// per round. The only addition to plain DDEML is what Wine needs to go on at
// all: each completed execute is abandoned in the callback (Wine otherwise
// keeps it at the head of the queue and every later reply times out). Runs
// stay below the 65,536 transactions at which Wine's numbering wraps.
// GetTextCursor is expected to answer "C,Q,..." (commands received, queries
// before it), as the scripted test server does; a mismatch counts as lost.
#include <windows.h>

#include <ddeml.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

DWORD instance = 0;
bool wine = false;

HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV conv, HSZ, HSZ, HDDEDATA, ULONG_PTR data1, ULONG_PTR) {
    if (type == XTYP_XACT_COMPLETE && wine) DdeAbandonTransaction(instance, conv, HIWORD(data1));
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    const long wanted = argc > 1 ? std::atol(argv[1]) : 20000;
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    wine = ntdll && GetProcAddress(ntdll, "wine_get_version");
    if (DdeInitializeA(&instance, &Callback, APPCLASS_STANDARD, 0) != DMLERR_NO_ERROR) return 1;
    const HSZ service = DdeCreateStringHandleA(instance, "PageMaker", CP_WINANSI);
    const HSZ state = DdeCreateStringHandleA(instance, "GetPMState", CP_WINANSI);
    const HSZ cursor = DdeCreateStringHandleA(instance, "GetTextCursor", CP_WINANSI);
    CONVCONTEXT context{};
    context.cb = sizeof context;
    context.iCodePage = CP_WINANSI;
    const HCONV conv = DdeConnect(instance, service, nullptr, &context);
    if (!conv) {
        std::puts("bare: no server");
        return 1;
    }

    long commands = 0, queries = 0, failures = 0, lost = 0;
    long baseCommands = 0, baseQueries = 0;
    bool based = false;
    auto execute = [&](const char* text) {
        DWORD result = 0;
        if (DdeClientTransaction(reinterpret_cast<LPBYTE>(const_cast<char*>(text)), static_cast<DWORD>(std::strlen(text) + 1), conv, nullptr,
                                 CF_TEXT, XTYP_EXECUTE, TIMEOUT_ASYNC, &result))
            ++commands;
        else
            ++failures;
    };
    auto request = [&](HSZ item) {
        ++queries;
        std::string text;
        if (const HDDEDATA data = DdeClientTransaction(nullptr, 0, conv, item, CF_TEXT, XTYP_REQUEST, 10000, nullptr)) {
            DWORD size = 0;
            if (const auto* bytes = reinterpret_cast<const char*>(DdeAccessData(data, &size))) {
                text.assign(bytes, strnlen(bytes, size));
                DdeUnaccessData(data);
            }
            DdeFreeDataHandle(data);
        }
        if (text.empty()) ++failures;
        return text;
    };
    auto check = [&] {
        long c = 0, q = 0;
        const std::string reply = request(cursor);
        if (std::sscanf(reply.c_str(), "%ld,%ld", &c, &q) != 2) return;
        const long sentQueries = queries - 1;
        if (based && (c != baseCommands + commands || q != baseQueries + sentQueries)) ++lost;
        baseCommands = c - commands;
        baseQueries = q - sentQueries;
        based = true;
    };

    check();
    const auto start = std::chrono::steady_clock::now();
    for (long round = 0; round < (wanted + 8) / 9; ++round) {
        execute("TextSelect 0 1");
        if (request(state) != "7") ++lost;
        execute("Copy");
        if (request(state) != "7") ++lost;
        execute("TextSelect 0 5");
        execute("TextCursor 11 1");
        check();
        execute("Font \"Arial\"");
        execute("Size 12.00");
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
    check();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long sent = commands + queries;
    std::printf("bare: %ld exchanges (%ld commands, %ld queries) in %.2f s: %.0f exchanges/s\n", sent, commands, queries, seconds,
                seconds > 0 ? sent / seconds : 0.0);
    std::printf("bare: failures %ld, lost %ld\n", failures, lost);
    DdeDisconnect(conv);
    DdeUninitialize(instance);
    return failures == 0 && lost == 0 ? 0 : 1;
}

// bare_replay: plays back a formatting run's exchanges with the host on bare
// DDEML, as the yardstick for what Rolemark's run costs on top of the link.
//
//   bare_replay SCRIPT [SERVICE]     (service default "PageMaker")
//
// SCRIPT holds one step a line, texts as ANSI bytes:
//   C<TAB>command         an asynchronous execute
//   Q<TAB>item<TAB>reply  a synchronous request of 10 s; the reply expected
//   E                     empty the clipboard, note its sequence number,
//                         look whether another program holds it
//   R                     check the sequence number and the owner, read the
//                         clipboard's text, check the sequence number again
//   P                     let all pending window messages through
// It prints the steps done, the time they took, the failures (exchanges
// DDEML did not take or answer, clipboard that would not open), the replies
// that differ from those expected (exit code 1 when any), and its own
// working set before the first step and after the last.
//
// Nothing of Rolemark is linked in. Besides plain DDEML it takes only the
// steps without which a Wine 8 client does not get through a long run against
// a host that speaks DDE by hand:
//   - each completed execute is abandoned inside its callback (Wine keeps it
//     at the head of the queue and every later request times out);
//   - each command's data handle is freed after the transaction (Wine copies
//     it and never frees it: 65,536 of them end the process);
//   - the execute that gets transaction number 0 goes out alone (Wine reads
//     "abandon 0" as "abandon all").
// None of them is taken on Windows. A host built on DDEML would also need the
// trailing acknowledgement and reply-block steps; the stand-in does not.
#include <windows.h>

#include <ddeml.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr DWORD kRequestTimeoutMs = 10000;
constexpr DWORD kSettleTimeoutMs = 10000;
constexpr long kMismatchesShown = 3;

struct Step {
    char kind = 0;
    std::string text, reply;
};

DWORD instance = 0;
bool wine = false;
long outstanding = 0;  // executes taken whose completion has not come
WORD nextTransaction = 1;

HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV conv, HSZ, HSZ, HDDEDATA, ULONG_PTR data1, ULONG_PTR) {
    if (type == XTYP_XACT_COMPLETE) {
        if (outstanding > 0) --outstanding;
        if (wine) DdeAbandonTransaction(instance, conv, HIWORD(data1));
    }
    return nullptr;
}

unsigned long long WorkingSetKiB() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    return GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters) ? counters.WorkingSetSize / 1024 : 0;
}

void LetMessagesThrough() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

// Lets messages through until no execute is outstanding, at most 10 s.
bool Settle() {
    const DWORD start = GetTickCount();
    while (outstanding > 0) {
        if (GetTickCount() - start >= kSettleTimeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        LetMessagesThrough();
    }
    return true;
}

std::vector<Step> ReadScript(const char* path, bool& ok) {
    std::ifstream in(path, std::ios::binary);
    ok = static_cast<bool>(in);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<Step> steps;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.empty()) continue;
        Step step;
        step.kind = line[0];
        const size_t tab = line.find('\t');
        if (tab != std::string::npos) {
            const size_t second = step.kind == 'Q' ? line.find('\t', tab + 1) : std::string::npos;
            step.text = line.substr(tab + 1, second == std::string::npos ? std::string::npos : second - tab - 1);
            if (second != std::string::npos) step.reply = line.substr(second + 1);
        }
        steps.push_back(step);
    }
    return steps;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: bare_replay SCRIPT [SERVICE]\n", stderr);
        return 2;
    }
    bool readable = false;
    const std::vector<Step> steps = ReadScript(argv[1], readable);
    if (!readable) {
        std::printf("replay: cannot read %s\n", argv[1]);
        return 2;
    }
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    wine = ntdll && GetProcAddress(ntdll, "wine_get_version");
    if (DdeInitializeA(&instance, &Callback, APPCLASS_STANDARD, 0) != DMLERR_NO_ERROR) return 1;
    const HSZ service = DdeCreateStringHandleA(instance, argc > 2 ? argv[2] : "PageMaker", CP_WINANSI);
    CONVCONTEXT context{};
    context.cb = sizeof context;
    context.iCodePage = CP_WINANSI;
    const HCONV conv = DdeConnect(instance, service, nullptr, &context);
    if (!conv) {
        std::puts("replay: no server");
        return 1;
    }

    long commands = 0, queries = 0, clipboardSteps = 0, failures = 0, mismatches = 0;
    auto execute = [&](const std::string& text) {
        // NOTE (Wine): number 0 alone, with nothing outstanding before or after.
        const bool numberZero = wine && nextTransaction == 0;
        if (numberZero && !Settle()) ++failures;
        const HDDEDATA data = DdeCreateDataHandle(instance, reinterpret_cast<LPBYTE>(const_cast<char*>(text.c_str())),
                                                  static_cast<DWORD>(text.size() + 1), 0, nullptr, CF_TEXT, 0);
        DWORD result = 0;
        const HDDEDATA taken =
            DdeClientTransaction(reinterpret_cast<LPBYTE>(data), static_cast<DWORD>(-1), conv, nullptr, CF_TEXT, XTYP_EXECUTE, TIMEOUT_ASYNC, &result);
        if (wine) DdeFreeDataHandle(data);
        ++nextTransaction;
        if (!taken) {
            ++failures;
            return;
        }
        ++outstanding;
        if (wine) nextTransaction = static_cast<WORD>(HIWORD(result) + 1);
        if (numberZero && !Settle()) ++failures;
    };
    auto request = [&](const std::string& item) {
        std::string text;
        const HSZ hszItem = DdeCreateStringHandleA(instance, item.c_str(), CP_WINANSI);
        const HDDEDATA data = DdeClientTransaction(nullptr, 0, conv, hszItem, CF_TEXT, XTYP_REQUEST, kRequestTimeoutMs, nullptr);
        ++nextTransaction;
        if (data) {
            DWORD size = 0;
            if (const auto* bytes = reinterpret_cast<const char*>(DdeAccessData(data, &size))) {
                text.assign(bytes, strnlen(bytes, size));
                DdeUnaccessData(data);
            }
            DdeFreeDataHandle(data);
        } else {
            ++failures;
        }
        DdeFreeStringHandle(instance, hszItem);
        return text;
    };
    // The calls a run makes around each Copy: the emptying's sequence
    // number, a look whether the clipboard is free, and after the Copy the
    // sequence number and the owner's process before and after the read.
    DWORD emptied = 0, ownerProcess = 0;
    auto emptyClipboard = [&] {
        if (!OpenClipboard(nullptr)) return void(++failures);
        EmptyClipboard();
        CloseClipboard();
        emptied = GetClipboardSequenceNumber();
        if (OpenClipboard(nullptr)) CloseClipboard();
    };
    auto readClipboard = [&] {
        if (GetClipboardSequenceNumber() == emptied) ++failures;
        if (const HWND owner = GetClipboardOwner()) GetWindowThreadProcessId(owner, &ownerProcess);
        if (!OpenClipboard(nullptr)) return void(++failures);
        std::string text;
        if (HANDLE data = GetClipboardData(CF_TEXT)) {
            if (const auto* bytes = static_cast<const char*>(GlobalLock(data))) {
                text.assign(bytes, strnlen(bytes, GlobalSize(data)));
                GlobalUnlock(data);
            }
        }
        CloseClipboard();
        (void)GetClipboardSequenceNumber();
    };

    const unsigned long long memoryBefore = WorkingSetKiB();
    const auto start = std::chrono::steady_clock::now();
    for (const Step& step : steps) {
        switch (step.kind) {
        case 'C':
            execute(step.text);
            ++commands;
            break;
        case 'Q': {
            const std::string reply = request(step.text);
            if (reply != step.reply && ++mismatches <= kMismatchesShown)
                std::printf("replay: %s: expected \"%s\", got \"%s\"\n", step.text.c_str(), step.reply.c_str(), reply.c_str());
            ++queries;
            break;
        }
        case 'E':
            emptyClipboard();
            ++clipboardSteps;
            break;
        case 'R':
            readClipboard();
            ++clipboardSteps;
            break;
        case 'P':
            LetMessagesThrough();
            break;
        default:
            break;
        }
    }
    if (!Settle()) ++failures;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("replay: %ld commands, %ld queries, %ld clipboard steps in %.3f s: %.0f exchanges/s\n", commands, queries, clipboardSteps,
                seconds, seconds > 0 ? (commands + queries) / seconds : 0.0);
    std::printf("replay: failures %ld, mismatched replies %ld\n", failures, mismatches);
    const unsigned long long memoryAfter = WorkingSetKiB();
    std::printf("replay: working set %llu -> %llu KiB\n", memoryBefore, memoryAfter);
    DdeDisconnect(conv);
    DdeFreeStringHandle(instance, service);
    DdeUninitialize(instance);
    return failures == 0 && mismatches == 0 ? 0 : 1;
}

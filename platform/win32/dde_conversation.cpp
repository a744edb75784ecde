// The DDEML client conversation and the process's DDEML instance.
//
// On Windows this is plain DDEML: connect, asynchronous executes, synchronous
// requests, a callback that clears the waiting mark on completion and marks
// the conversation closed on disconnect. Under Wine 8, DDEML needs help to
// stay lossless. The list below is every place where the two paths differ;
// each step is taken only when the conversation's `wine_` is set (Wine
// detected, see wine.h, and not switched off by a test). The rest, such as
// treating a failed post as a closed link, is the same on both.
//   W1 Completions. Wine leaves a completed asynchronous transaction at the
//      head of the conversation's queue: no further completion arrives and
//      the next request times out. The callback abandons each completed
//      command. Windows removes it itself; abandoning it there would act on
//      an identifier DDEML has already let go of.
//   W2 Number 0. Wine numbers the transactions of the process with one
//      16-bit counter and reads "abandon 0" as "abandon all" (W1): the
//      command numbered 0 goes out alone, and a completion numbered 0 with
//      commands outstanding closes the link. A 70,000-exchange run lost the
//      link at the wrap without it; it costs two round trips per 65,536
//      transactions. Windows runs no W1, so the number does not matter there.
//   W3 Command handles. Wine copies the command and never frees the data
//      handle it was given: each would use up one of the process's 65,536
//      global handles, so it is freed after the transaction. Windows frees
//      it itself; freeing it here too would free it twice.
//   W4 Reply blocks. A reply from another process arrives as a block Wine
//      allocated in this one, and DDEML frees it only for fRelease=1. A
//      DDEML server sends fRelease=0, and after about 65,535 requests the
//      process runs out of global handles. A message hook around each request
//      notes those blocks (only for a partner whose first reply was one),
//      and they are freed once DDEML has copied the data. On Windows the
//      system owns that memory.
//   W5 Replies cut short. When the server's terminate ends a request's wait,
//      Wine returns an uninitialised value as the reply; the conversation is
//      then no longer connected, and the value is not touched. Windows
//      returns no data then.
//   W6 Trailing acknowledgements. Wine's DDEML server follows every reply
//      with a positive acknowledgement, which a request sent next takes for
//      its answer. Wine marks a conversation with such a partner ST_ISLOCAL
//      at connect time, so the kind is known for free (a 1 s wait for an
//      acknowledgement after the first reply made open-ask-close 1,006 ms
//      instead of 9.5 ms). After each reply of that kind the acknowledgement
//      is taken off the queue (it is already there). Another server that adds
//      them shows itself by a refusal with a positive status: the late reply
//      is taken off, the request sent again and the kind learnt. Windows'
//      DDEML server sends no such acknowledgement.
//   W7 Late replies. A reply that comes after its request gave up would be
//      taken as the answer to the next one; it is taken off the queue before
//      the next exchange, or the link closed. Windows' DDEML drops a reply
//      that no transaction waits for, and taking it by hand would free memory
//      the system owns.
//   W8 Command verdicts. Windows reports a command's completion with the
//      data handle NULL when the server did not process it and the status
//      flags of its acknowledgement (DDE_FBUSY) in the low word of dwData2.
//      Wine 8 passes the acknowledgement's fAck as the handle and 0 as
//      dwData2, so a busy server looks like a refusing one there: both are
//      reported as refused.
//   W9 Disconnect. Windows' DdeDisconnect abandons every transaction still
//      incomplete; Wine's posts the terminate behind them and waits for the
//      server's. On both paths the completions of every command are waited
//      for first (the settle wait), and those that never came are counted.
// Measured with pmcmd soak (bench/dde_soak.sh) and tests/wine_dde: 0 lost in
// every run, 3 x 20,000 exchanges and 70,000 across the number wrap, against
// a server that speaks DDE by hand and one on Wine's DDEML. The path Windows
// takes runs in tests/wine_dde too, where Wine behaves like Windows.
#include "platform/win32/dde_conversation.h"

#include <windows.h>

#include <dde.h>
#include <ddeml.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "platform/win32/wine.h"

namespace platform::win32 {
namespace {

constexpr DWORD kRequestTimeoutMs = 10000;
// A late reply or a known trailing acknowledgement gets as long as a request.
constexpr DWORD kLateReplyWaitMs = 10000;
constexpr DWORD kKnownAckWaitMs = 10000;
// The first reply of a partner that Wine calls a DDEML server: its
// acknowledgement is expected at once (measured: already queued), but a Wine
// that no longer sends it must not cost more than this once per conversation.
// Should it come later after all, the stale acknowledgement is caught then.
constexpr DWORD kSuspectedAckWaitMs = 250;
constexpr DWORD kSettleWaitMs = 10000;
constexpr int kStaleAckResends = 2;
constexpr UINT_PTR kAckPositive = 0x8000;  // DDEACK.fAck in a status word

class Conversation;

// The DDEML instance behind DdeInstance, reachable from the callbacks.
class Instance {
public:
    static Instance* current;

    DWORD id = 0;
    bool wine = false;  // RunsOnWine(): conversations take the Wine steps
    // Wine numbers the transactions of the whole process with one 16-bit
    // counter that starts at 1: the number the next transaction will get.
    // Counted on both paths (so that a conversation on the Windows path
    // keeps it right for the others); only W2 reads it.
    WORD nextTransaction = 1;
    std::vector<Conversation*> conversations;
    // Reply blocks Wine copied into this process with fRelease=0 (noted by
    // the hook, W4); DDEML copies their data and leaves them behind.
    std::vector<HGLOBAL> unreleasedReplies;

    Conversation* Find(HCONV conv) const;
    Conversation* Find(HWND window) const;
    void Forget(const Conversation* conversation) {
        conversations.erase(std::remove(conversations.begin(), conversations.end(), conversation), conversations.end());
    }
    size_t ReleaseReplies() {
        for (HGLOBAL block : unreleasedReplies) GlobalFree(block);
        const size_t n = unreleasedReplies.size();
        unreleasedReplies.clear();
        return n;
    }

    static HDDEDATA CALLBACK Callback(UINT type, UINT format, HCONV conv, HSZ, HSZ, HDDEDATA, ULONG_PTR data1, ULONG_PTR);
    static LRESULT CALLBACK NoteReplies(int code, WPARAM removal, LPARAM message);
};

Instance* Instance::current = nullptr;

// Calls `take` until it returns true or `ms` have passed, sleeping until the
// next posted message between tries. With ms = 0, one try.
template <class Take>
bool WaitFor(DWORD ms, Take take) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (take()) return true;
        const DWORD spent = GetTickCount() - start;
        if (spent >= ms) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - spent, QS_POSTMESSAGE);
    }
}

bool IsAtom(UINT_PTR value) { return value != 0 && value <= 0xFFFF; }

// Frees an acknowledgement taken off the queue by hand. `ownsAtom`: the
// request it answers still holds a reference to its item atom.
void DiscardAck(LPARAM lParam, bool ownsAtom) {
    UINT_PTR status = 0, atom = 0;
    if (UnpackDDElParam(WM_DDE_ACK, lParam, &status, &atom) && ownsAtom && IsAtom(atom)) GlobalDeleteAtom(static_cast<ATOM>(atom));
    FreeDDElParam(WM_DDE_ACK, lParam);
}

// The reply hook (Instance::NoteReplies) on this thread while it exists.
// NOTE: every message the thread takes from its queue passes through an
// installed hook at the price of a call into the Wine server: hooked for
// whole conversations, a DDEML host's exchange rate fell by 40 %; hooked
// only around requests, by 30 %.
class ReplyHook {
public:
    explicit ReplyHook(bool on) : hook_(on ? SetWindowsHookExA(WH_GETMESSAGE, &Instance::NoteReplies, nullptr, GetCurrentThreadId()) : nullptr) {}
    ~ReplyHook() {
        if (hook_) UnhookWindowsHookEx(hook_);
    }
    ReplyHook(const ReplyHook&) = delete;
    ReplyHook& operator=(const ReplyHook&) = delete;

private:
    HHOOK hook_;
};

// Whether the partner follows each reply with an acknowledgement.
enum class AckAfterData { No, Suspected, Known };

// Whether the partner's replies are blocks that DDEML frees (fRelease = 1).
enum class ReplyRelease { Unknown, Released, Kept };

class Conversation {
public:
    explicit Conversation(bool windowsPath) : windowsPath_(windowsPath) {}

    std::string serviceApplication, service, topic;
    DdeConversation::Counters counters;

    bool Connect(const std::string& serviceName, const std::string& topicName);
    int Disconnect();
    bool Connected() const { return conv_ != nullptr && !closed_ && StillConnected(); }
    bool Execute(const std::string& command, bool wait);
    std::optional<std::string> Request(const std::string& item);
    std::optional<DdeRefusal> TakeRefusal() {
        std::optional<DdeRefusal> taken;
        taken.swap(refusal_);
        return taken;
    }
    bool RequestTimedOut() const { return conv_ != nullptr && timedOut_; }
    uint32_t PartnerProcess() const { return conv_ != nullptr ? partnerProcess_ : 0; }
    bool AddsAckAfterData() const { return conv_ != nullptr && ackAfterData_ == AckAfterData::Known; }
    bool TakesWineSteps() const { return wine_; }

    // From the callback and the hook.
    HCONV conv() const { return conv_; }
    HWND window() const { return window_; }
    bool NeedsReplyHook() const { return conv_ != nullptr && repliesAreCopies_ && replyRelease_ != ReplyRelease::Released; }
    void NoteReplyRelease(bool released) { replyRelease_ = released ? ReplyRelease::Released : ReplyRelease::Kept; }
    void Completed(ULONG_PTR transaction, bool processed, bool busy);
    void Closed() { closed_ = true; }

private:
    bool Usable() const { return conv_ != nullptr && !closed_; }
    bool StillConnected() const;
    void Attach(Instance& instance);
    void ReleaseNames(const Instance* instance);
    void NoteFailure(UINT error);
    bool Settle();
    void TakeTrailingAck();
    bool TakeLateReply(bool ownsAtom);
    void DiscardData(LPARAM lParam, bool ownsAtom);
    void Dispatch(MSG& message);

    const bool windowsPath_;  // no Wine steps, even under Wine (tests)
    bool wine_ = false;       // this conversation takes the Wine steps W1-W7
    HSZ hszService_ = nullptr, hszTopic_ = nullptr;
    HCONV conv_ = nullptr;
    HWND window_ = nullptr;  // DDEML's window for this conversation
    bool repliesAreCopies_ = false;
    bool closed_ = false;
    bool waiting_ = false;
    ULONG_PTR waitingFor_ = 0;
    int outstanding_ = 0;  // commands taken whose completion has not come
    std::map<ULONG_PTR, std::string> inFlight_;  // their texts, by transaction
    std::optional<DdeRefusal> refusal_;          // the first refused since taken
    bool timedOut_ = false;                      // a request went unanswered in time
    DWORD partnerProcess_ = 0;
    AckAfterData ackAfterData_ = AckAfterData::No;
    ReplyRelease replyRelease_ = ReplyRelease::Unknown;
    bool lateReplyPending_ = false;
};

Conversation* Instance::Find(HCONV conv) const {
    for (Conversation* c : conversations)
        if (c->conv() == conv) return c;
    return nullptr;
}

Conversation* Instance::Find(HWND window) const {
    for (Conversation* c : conversations)
        if (c->window() == window) return c;
    return nullptr;
}

HDDEDATA CALLBACK Instance::Callback(UINT type, UINT, HCONV conv, HSZ, HSZ, HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2) {
    Instance* instance = current;
    if (!instance) return nullptr;
    Conversation* conversation = instance->Find(conv);
    switch (type) {
    case XTYP_XACT_COMPLETE:
        // W8: the verdict is the handle (NULL: not processed) and, on
        // Windows only, DDE_FBUSY in data2.
        if (conversation) conversation->Completed(data1, data != nullptr, (LOWORD(data2) & DDE_FBUSY) != 0);
        // W1: Wine 8 no longer touches the transaction once the callback
        // returns. The number is the high word of data1 (Wine passes
        // MAKELONG(0, number)).
        if (conversation ? conversation->TakesWineSteps() : instance->wine) DdeAbandonTransaction(instance->id, conv, HIWORD(data1));
        break;
    case XTYP_DISCONNECT:
        if (conversation) conversation->Closed();
        break;
    default:
        break;
    }
    return nullptr;
}

LRESULT CALLBACK Instance::NoteReplies(int code, WPARAM removal, LPARAM message) {
    // W4: the blocks are freed after the transaction returns. The first
    // reply tells whether a partner needs this at all.
    Instance* instance = current;
    if (code == HC_ACTION && removal == PM_REMOVE && instance) {
        const MSG& m = *reinterpret_cast<const MSG*>(message);
        Conversation* conversation = m.message == WM_DDE_DATA ? instance->Find(m.hwnd) : nullptr;
        UINT_PTR block = 0, atom = 0;
        if (conversation && conversation->NeedsReplyHook() && UnpackDDElParam(WM_DDE_DATA, m.lParam, &block, &atom) && block) {
            if (const auto* data = static_cast<const DDEDATA*>(GlobalLock(reinterpret_cast<HGLOBAL>(block)))) {
                if (data->fResponse) {
                    conversation->NoteReplyRelease(data->fRelease);
                    if (!data->fRelease) instance->unreleasedReplies.push_back(reinterpret_cast<HGLOBAL>(block));
                }
                GlobalUnlock(reinterpret_cast<HGLOBAL>(block));
            }
        }
    }
    return CallNextHookEx(nullptr, code, removal, message);
}

bool Conversation::Connect(const std::string& serviceName, const std::string& topicName) {
    Disconnect();
    Instance* instance = Instance::current;
    if (!instance) return false;
    service = serviceName;
    topic = topicName;
    // An empty name is string handle 0: any service or topic.
    auto handle = [&](const std::string& name) {
        return name.empty() ? nullptr : DdeCreateStringHandleA(instance->id, name.c_str(), CP_WINANSI);
    };
    hszService_ = handle(service);
    hszTopic_ = handle(topic);
    CONVCONTEXT context{};
    context.cb = sizeof context;
    context.iCodePage = CP_WINANSI;
    conv_ = DdeConnect(instance->id, hszService_, hszTopic_, &context);
    if (!conv_) {
        const std::string commandLine = serviceApplication.empty() ? service + " " + topic : serviceApplication;
        // NOTE: one more try at once. WinExec itself waits (up to 30 s) until
        // the started program first waits for input, so a program that offers
        // its service before that is found.
        if (WinExec(commandLine.c_str(), SW_SHOWMINNOACTIVE) >= 32) conv_ = DdeConnect(instance->id, hszService_, hszTopic_, &context);
    }
    if (!conv_) {
        ReleaseNames(instance);
        return false;
    }
    Attach(*instance);
    return true;
}

void Conversation::Attach(Instance& instance) {
    CONVINFO info{};
    info.cb = sizeof info;
    if (DdeQueryConvInfo(conv_, QID_SYNC, &info)) window_ = info.hwnd;
    DWORD partnerProcess = 0;
    if (info.hwndPartner) GetWindowThreadProcessId(info.hwndPartner, &partnerProcess);
    repliesAreCopies_ = partnerProcess != GetCurrentProcessId();
    partnerProcess_ = partnerProcess;
    wine_ = instance.wine && !windowsPath_;
    // W6: Wine sets ST_ISLOCAL when the partner window belongs to Wine's
    // DDEML server.
    ackAfterData_ = wine_ && (info.wStatus & ST_ISLOCAL) ? AckAfterData::Suspected : AckAfterData::No;
    replyRelease_ = ReplyRelease::Unknown;
    closed_ = waiting_ = lateReplyPending_ = timedOut_ = false;
    outstanding_ = 0;
    inFlight_.clear();
    refusal_.reset();
    instance.conversations.push_back(this);
}

int Conversation::Disconnect() {
    Instance* instance = Instance::current;
    int unconfirmed = 0;
    if (conv_ && instance) {
        // W9: no command may still be in flight when the terminate goes out.
        // A conversation the server ended tells nothing more: its
        // acknowledgements may be lost with it, and the action has already
        // met the closed link.
        if (outstanding_ > 0 && !closed_) (void)Settle();
        if (!closed_) unconfirmed = outstanding_;
        instance->Forget(this);
        // Wine numbers the terminate transaction only while connected.
        const bool numbered = StillConnected();
        // NOTE: commands still outstanding were posted before the terminate,
        // so the server carries them out first. Under Wine a conversation the
        // server has already ended stays allocated until the instance ends.
        DdeDisconnect(conv_);
        if (numbered) ++instance->nextTransaction;
    }
    conv_ = nullptr;
    window_ = nullptr;
    closed_ = waiting_ = lateReplyPending_ = timedOut_ = false;
    outstanding_ = 0;
    partnerProcess_ = 0;
    inFlight_.clear();
    refusal_.reset();
    ReleaseNames(instance);
    return unconfirmed;
}

void Conversation::ReleaseNames(const Instance* instance) {
    if (instance) {
        if (hszService_) DdeFreeStringHandle(instance->id, hszService_);
        if (hszTopic_) DdeFreeStringHandle(instance->id, hszTopic_);
    }
    hszService_ = hszTopic_ = nullptr;
    service.clear();
    topic.clear();
}

bool Conversation::StillConnected() const {
    CONVINFO info{};
    info.cb = sizeof info;
    return conv_ != nullptr && DdeQueryConvInfo(conv_, QID_SYNC, &info) != 0 && (info.wStatus & ST_CONNECTED) != 0;
}

void Conversation::NoteFailure(UINT error) {
    // NOTE: under Wine a server that ends the conversation brings no
    // XTYP_DISCONNECT; these errors, or a conversation that DDEML no longer
    // calls connected, say the same (on both paths: Windows agrees).
    if (error == DMLERR_NO_CONV_ESTABLISHED || error == DMLERR_POSTMSG_FAILED || !StillConnected()) closed_ = true;
}

void Conversation::Completed(ULONG_PTR transaction, bool processed, bool busy) {
    ++counters.completions;
    if (outstanding_ > 0) --outstanding_;
    const auto sent = inFlight_.find(transaction);
    if (sent != inFlight_.end()) {
        if (!processed && !refusal_) refusal_ = DdeRefusal{sent->second, busy};
        inFlight_.erase(sent);
    }
    if (waiting_ && transaction == waitingFor_) waiting_ = false;
    // W2: abandoning number 0 abandons every outstanding command, whose
    // completions are then lost. Settle() prevents it; should it happen
    // anyway, the link can no longer be trusted.
    if (wine_ && HIWORD(transaction) == 0 && outstanding_ > 0) closed_ = true;
}

void Conversation::Dispatch(MSG& message) {
    if (message.message == WM_DDE_TERMINATE) closed_ = true;
    DispatchMessageA(&message);
}

bool Conversation::Settle() {
    return WaitFor(kSettleWaitMs, [&] {
        MSG m;
        while (outstanding_ > 0 && !closed_ && PeekMessageA(&m, window_, WM_DDE_FIRST, WM_DDE_LAST, PM_REMOVE)) Dispatch(m);
        return outstanding_ == 0 || closed_;
    }) && !closed_;
}

bool Conversation::Execute(const std::string& command, bool wait) {
    Instance* instance = Instance::current;
    if (!Usable() || waiting_ || !instance) return false;
    if (lateReplyPending_ && !TakeLateReply(true)) return false;
    const bool numberZero = wine_ && instance->nextTransaction == 0;  // W2: goes out alone
    if (numberZero && !Settle()) return false;
    const HDDEDATA data = DdeCreateDataHandle(instance->id, reinterpret_cast<LPBYTE>(const_cast<char*>(command.c_str())),
                                              static_cast<DWORD>(command.size() + 1), 0, nullptr, CF_TEXT, 0);
    if (!data) return false;
    if (wait) waiting_ = true;
    DWORD result = 0;
    const HDDEDATA taken = DdeClientTransaction(reinterpret_cast<LPBYTE>(data), static_cast<DWORD>(-1), conv_, nullptr, CF_TEXT,
                                                XTYP_EXECUTE, TIMEOUT_ASYNC, &result);
    if (wine_) DdeFreeDataHandle(data);  // W3
    ++instance->nextTransaction;
    if (!taken) {
        waiting_ = false;
        NoteFailure(DdeGetLastError(instance->id));
        return false;
    }
    ++counters.executes;
    ++outstanding_;
    inFlight_[result] = command;
    if (wait) waitingFor_ = result;
    instance->nextTransaction = static_cast<WORD>(HIWORD(result) + 1);
    if (numberZero) {
        ++counters.zeroNumberSettles;
        if (!Settle()) closed_ = true;
    }
    return true;
}

std::optional<std::string> Conversation::Request(const std::string& item) {
    Instance* instance = Instance::current;
    if (!Usable() || waiting_ || timedOut_ || !instance) return std::nullopt;
    if (lateReplyPending_ && !TakeLateReply(true)) return std::nullopt;
    const HSZ hszItem = DdeCreateStringHandleA(instance->id, item.c_str(), CP_WINANSI);
    if (!hszItem) return std::nullopt;  // an item name longer than an atom's 255 characters
    std::optional<std::string> text;
    for (int resends = 0;; ++resends) {
        DWORD status = 0;
        ++counters.requests;
        HDDEDATA data = nullptr;
        {
            const ReplyHook hook(wine_ && NeedsReplyHook());  // W4
            data = DdeClientTransaction(nullptr, 0, conv_, hszItem, CF_TEXT, XTYP_REQUEST, kRequestTimeoutMs, &status);
        }
        ++instance->nextTransaction;
        const UINT error = data ? DMLERR_NO_ERROR : DdeGetLastError(instance->id);
        counters.releasedReplies += instance->ReleaseReplies();  // none unless hooked
        if (data && wine_ && !StillConnected()) {  // W5: not a reply
            closed_ = true;
            break;
        }
        if (data) {
            DWORD size = 0;
            if (const auto* bytes = reinterpret_cast<const char*>(DdeAccessData(data, &size))) {
                text.emplace(bytes, strnlen(bytes, size));
                DdeUnaccessData(data);
            }
            DdeFreeDataHandle(data);
            TakeTrailingAck();  // W6; nothing unless the kind is suspected
            break;
        }
        NoteFailure(error);
        if (error == DMLERR_DATAACKTIMEOUT) timedOut_ = true;
        if (closed_ || !wine_) break;  // W6, W7 follow
        if (error == DMLERR_NOTPROCESSED && !(status & kAckPositive)) break;  // refused
        if (error == DMLERR_NOTPROCESSED && resends < kStaleAckResends) {
            // W6: a positive acknowledgement taken as the answer is the one
            // a server sent after its previous reply. This request's
            // reply is still coming: take it off the queue (with its own
            // acknowledgement), then ask again. Queries have no side effects.
            ackAfterData_ = AckAfterData::Known;
            ++counters.staleAckRetries;
            if (TakeLateReply(false)) continue;
            break;
        }
        // W7: a timeout (or a stale acknowledgement again): the reply may
        // still come, and would be taken as the answer to the next request.
        lateReplyPending_ = true;
        break;
    }
    DdeFreeStringHandle(instance->id, hszItem);
    return text;
}

void Conversation::TakeTrailingAck() {
    // Every command before the request was acknowledged before its reply,
    // and nothing was sent since: an acknowledgement now can only be the one
    // that follows the reply. Its atom is the reply's, not a reference of its
    // own, so it is not deleted.
    auto take = [&] {
        MSG m;
        if (!PeekMessageA(&m, window_, WM_DDE_ACK, WM_DDE_ACK, PM_REMOVE)) return false;
        DiscardAck(m.lParam, false);
        ++counters.trailingAcks;
        return true;
    };
    switch (ackAfterData_) {
    case AckAfterData::Known:
        if (!WaitFor(kKnownAckWaitMs, take)) ackAfterData_ = AckAfterData::No;
        break;
    case AckAfterData::Suspected:
        ackAfterData_ = WaitFor(kSuspectedAckWaitMs, take) ? AckAfterData::Known : AckAfterData::No;
        break;
    case AckAfterData::No:
        // NOTE: no look at the queue (it cost 5 % of the rate). Should this
        // server add acknowledgements after all, the next request shows it;
        // before a command DDEML drops the stray one harmlessly.
        break;
    }
}

// Frees a reply taken off the queue by hand: the block when DDEML would
// have (fRelease=1) or when it is this process's copy, the atom when the
// request still holds it. (The reply hook is never on at this point.)
void Conversation::DiscardData(LPARAM lParam, bool ownsAtom) {
    UINT_PTR block = 0, atom = 0;
    if (UnpackDDElParam(WM_DDE_DATA, lParam, &block, &atom)) {
        const auto memory = reinterpret_cast<HGLOBAL>(block);
        bool release = repliesAreCopies_;
        if (const auto* data = memory ? static_cast<const DDEDATA*>(GlobalLock(memory)) : nullptr) {
            release = release || data->fRelease;
            GlobalUnlock(memory);
        }
        if (memory && release) GlobalFree(memory);
        if (ownsAtom && IsAtom(atom)) GlobalDeleteAtom(static_cast<ATOM>(atom));
    }
    FreeDDElParam(WM_DDE_DATA, lParam);
}

bool Conversation::TakeLateReply(bool ownsAtom) {
    lateReplyPending_ = false;
    bool reply = false, data = false;
    const bool arrived = WaitFor(kLateReplyWaitMs, [&] {
        MSG m;
        while (!reply && !closed_ && PeekMessageA(&m, window_, WM_DDE_FIRST, WM_DDE_LAST, PM_REMOVE)) {
            UINT_PTR low = 0, high = 0;
            if (m.message == WM_DDE_DATA) {
                DiscardData(m.lParam, ownsAtom);
                reply = data = true;
            } else if (m.message == WM_DDE_ACK && UnpackDDElParam(WM_DDE_ACK, m.lParam, &low, &high) && IsAtom(high)) {
                DiscardAck(m.lParam, ownsAtom);  // a refusal
                reply = true;
            } else {
                Dispatch(m);  // completions of commands, a terminate
            }
        }
        return reply || closed_;
    });
    if (!arrived || closed_) {
        // No reply in time: it could still come at any moment and be taken
        // for another answer, so the link cannot be used any more.
        closed_ = true;
        return false;
    }
    ++counters.lateReplies;
    if (data) TakeTrailingAck();
    return true;
}

}  // namespace

// The public faces: thin forwarding to the classes above.

struct DdeInstance::State : Instance {};
struct DdeConversation::State : Conversation {
    using Conversation::Conversation;
};

DdeInstance::DdeInstance() : state_(std::make_unique<State>()) {
    if (Instance::current) return;  // one per process; a second one stays unusable
    DWORD id = 0;
    if (DdeInitializeA(&id, &Instance::Callback, APPCLASS_STANDARD, 0) != DMLERR_NO_ERROR) return;
    state_->id = id;
    state_->wine = RunsOnWine();
    Instance::current = state_.get();
}

DdeInstance::~DdeInstance() {
    if (Instance::current != state_.get()) return;
    while (!state_->conversations.empty()) state_->conversations.back()->Disconnect();
    DdeUninitialize(state_->id);
    Instance::current = nullptr;
}

bool DdeInstance::Ok() const { return Instance::current == state_.get(); }

DdeConversation::DdeConversation(bool windowsPath) : state_(std::make_unique<State>(windowsPath)) {}
DdeConversation::~DdeConversation() { state_->Disconnect(); }

void DdeConversation::SetServiceApplication(const std::string& path) { state_->serviceApplication = path; }
std::string DdeConversation::ServiceApplication() const { return state_->serviceApplication; }
bool DdeConversation::Connect(const std::string& service, const std::string& topic) { return state_->Connect(service, topic); }
int DdeConversation::Disconnect() { return state_->Disconnect(); }
bool DdeConversation::Connected() const { return state_->Connected(); }
bool DdeConversation::ExecuteText(const std::string& command, bool wait) { return state_->Execute(command, wait); }
std::optional<std::string> DdeConversation::RequestText(const std::string& item) { return state_->Request(item); }
std::optional<DdeRefusal> DdeConversation::TakeRefusal() { return state_->TakeRefusal(); }
bool DdeConversation::RequestTimedOut() const { return state_->RequestTimedOut(); }
uint32_t DdeConversation::PartnerProcess() const { return state_->PartnerProcess(); }
const DdeConversation::Counters& DdeConversation::Statistics() const { return state_->counters; }
bool DdeConversation::ServerAddsAckAfterData() const { return state_->AddsAckAfterData(); }

}  // namespace platform::win32

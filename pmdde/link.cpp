// The core of TPmDDE: the link, one command, one query, the busy wait and the
// scanners.
#include "pmdde/PMDDE1.h"
#include "pmdde/host_codes.h"

#include "pmdde/replies.h"

TPmDDE::~TPmDDE() {
    CloseLink();
    objects_.reset();
    selection_.reset();
    privates_.reset();
    fonts_.reset();
}

bool TPmDDE::OpenLink() {
    if (!DDEConv) throw Exception(pmmsg::NoDdeClient());
    CloseLink();  // the old conversation's commands are waited for and counted
    if (!DDEConv->Connect("PageMaker", "")) throw EPmNotFound(pmmsg::NotFound());
    return true;
}

void TPmDDE::CloseLink() {
    if (DDEConv) unconfirmed_ += DDEConv->Disconnect();
}

int TPmDDE::TakeUnconfirmedCommands() {
    const int taken = unconfirmed_;
    unconfirmed_ = 0;
    return taken;
}

void TPmDDE::ThrowIfRefused() {
    if (!DDEConv) return;
    if (std::optional<DdeRefusal> refusal = DDEConv->TakeRefusal()) {
        std::string command = refusal->command;
        if (GetTryMode65() && command.compare(0, 4, "try ") == 0) command.erase(0, 4);
        throw EPmCommandRefused(command, refusal->busy);
    }
}

void TPmDDE::ExecCommand(const std::string& command) {
    const std::string text = GetTryMode65() ? "try " + command : command;
    if (LongOperation) WaitWhileBusy();
    // Without a conversation the command fails as on a closed link.
    if (!DDEConv || !DDEConv->ExecuteText(text, WaitExec)) throw EPmCantExecuteCommand(pmmsg::CantExecuteCommand(command));
}

void TPmDDE::ExecQuery(const std::string& query, std::string& reply) {
    // NOTE: a refusal is looked for before the query (none is added once a
    // command failed) and after it: the completions of the commands sent
    // before it arrive before its reply, which then goes unused.
    ThrowIfRefused();
    std::optional<std::string> text;
    if (DDEConv) text = DDEConv->RequestText(query);
    ThrowIfRefused();
    reply = text ? *text : std::string();
    if (reply.empty()) throw EPmCantExecuteQuery(pmmsg::CantExecuteQuery(query));
}

std::string TPmDDE::Ask(const std::string& query, size_t window) {
    std::string reply;
    ExecQuery(query, reply);
    if (window > 0 && reply.size() > window) reply.resize(window);
    return reply;
}

void TPmDDE::WaitWhileBusy() {
    // NOTE: no pause and no limit, by contract: OnWaitIfBusy is the caller's
    // place to let the interface breathe or to give up by throwing.
    while (GetPMState() == pmcodes::kBusy)
        if (OnWaitIfBusy) OnWaitIfBusy(*this);
}

uint8_t TPmDDE::GetPMState() {
    const std::string reply = Ask("GetPMState", 10);
    int pos = 1;
    return static_cast<uint8_t>(ExtractInteger(reply, pos) & 0xFF);
}

bool TPmDDE::GetTryMode65() { return tryMode65_; }
void TPmDDE::SetTryMode65(bool value) { tryMode65_ = value; }

void TPmDDE::NextField(const std::string& reply, int& pos, std::string& field) { field = replies::NextField(reply, pos); }
float TPmDDE::ExtractNumber(const std::string& reply, int& pos) { return replies::ExtractNumber(reply, pos); }
int32_t TPmDDE::ExtractInteger(const std::string& reply, int& pos) { return replies::ExtractInteger(reply, pos); }
void TPmDDE::ExtractQuoted(const std::string& reply, int& pos, std::string& text) { replies::ExtractQuoted(reply, pos, text); }

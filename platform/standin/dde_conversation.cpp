#include "platform/standin/dde_conversation.h"

#include "platform/scope_exit.h"

namespace platform::standin {

bool DdeConversation::Connect(const std::string& serviceName, const std::string& topicName) {
    Disconnect();
    service = serviceName;
    topic = topicName;
    auto answer = [&] { return server && server->Accept(serviceName, topicName); };
    bool ok = answer();
    if (!ok) {
        const std::string commandLine = serviceApplication_.empty() ? serviceName + " " + topicName : serviceApplication_;
        ++launches;
        if (launch && launch(commandLine)) ok = answer();
    }
    if (!ok) {
        service.clear();
        topic.clear();
        return false;
    }
    ++connects;
    connected_ = true;
    waiting_ = timedOut_ = false;
    return true;
}

int DdeConversation::Disconnect() {
    const int uncompleted = connected_ ? uncompleted_ : 0;
    if (connected_) {
        connected_ = false;
        ++disconnects;
    }
    waiting_ = timedOut_ = false;
    uncompleted_ = 0;
    refusal_.reset();
    service.clear();
    topic.clear();
    return uncompleted;
}

bool DdeConversation::ExecuteText(const std::string& command, bool wait) {
    if (!connected_ || waiting_ || !server) return false;
    if (wait) waiting_ = true;
    // NOTE: the host's verdict comes back with the completion, after the
    // transaction was taken: a refused command still counts as delivered.
    const DdeServer::Verdict verdict = server->Execute(command);
    if (!completionsCome)
        ++uncompleted_;
    else if (verdict != DdeServer::Verdict::Done && !refusal_)
        refusal_ = DdeRefusal{command, verdict == DdeServer::Verdict::Busy};
    Follow(server->AfterExchange());
    return true;
}

std::optional<DdeRefusal> DdeConversation::TakeRefusal() {
    std::optional<DdeRefusal> taken;
    taken.swap(refusal_);
    return taken;
}

std::optional<std::string> DdeConversation::RequestText(const std::string& item) {
    if (requesting_) {
        ++reentrantRequests;
        return std::nullopt;
    }
    if (!connected_ || waiting_ || timedOut_ || !server) return std::nullopt;
    requesting_ = true;
    const ScopeExit answered([this] { requesting_ = false; });
    if (whileWaiting) whileWaiting();
    // NOTE: a nested action may have closed the conversation meanwhile.
    if (!connected_ || !server) return std::nullopt;
    std::optional<std::string> reply = server->Request(item);
    if (!reply && requestsTimeOut) timedOut_ = true;
    Follow(server->AfterExchange());
    return reply;
}

void DdeConversation::Follow(DdeServer::After after) {
    if (after == DdeServer::After::Continue) return;
    connected_ = false;
    if (after == DdeServer::After::Quit) server = nullptr;
}

}  // namespace platform::standin

// A scripted host for the command layer's tests: it takes the in-process
// conversation's commands and queries, logs them in order ("exec ..." and
// "ask ..."), and answers queries from a script. The fixture base links a
// TPmDDE to it with the number separators the host expects, and gives them
// back afterwards.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/locale.h"
#include "platform/standin/dde_conversation.h"
#include "pmdde/PMDDE1.h"

class ScriptedHost : public platform::standin::DdeServer {
public:
    Verdict Execute(const std::string& command) override {
        log.push_back("exec " + command);
        auto verdict = verdicts.find(command);
        return verdict != verdicts.end() ? verdict->second : Verdict::Done;
    }
    std::optional<std::string> Request(const std::string& item) override {
        log.push_back("ask " + item);
        auto queue = queued.find(item);
        if (queue != queued.end() && !queue->second.empty()) {
            std::string reply = queue->second.front();
            queue->second.pop_front();
            return reply;
        }
        auto it = replies.find(item);
        if (it != replies.end()) return it->second;
        return anyReply;
    }

    // Everything received, in order.
    std::vector<std::string> log;
    // Answers used once each, in order, before `replies`.
    std::map<std::string, std::deque<std::string>> queued;
    // The answer to an item every time it is asked.
    std::map<std::string, std::string> replies;
    // The answer to every other item; nothing refuses it.
    std::optional<std::string> anyReply;
    // The verdict on a command by its text; any other is carried out.
    std::map<std::string, Verdict> verdicts;
};

// The message of the exception of type E that `f` throws, or a marker.
template <class E, class F>
std::string MessageOf(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e.Message();
    }
    return "<no exception>";
}

// A TPmDDE linked to a ScriptedHost with the full stop as decimal separator
// and the comma for thousands, as a formatting run has them.
class HostedPmDDE : public ::testing::Test {
protected:
    HostedPmDDE() : savedFormat_(platform::ProcessNumberFormat()) {
        platform::ProcessNumberFormat() = platform::NumberFormat{'.', ','};
        conv.server = &host;
        pm.DDEConv = &conv;
        pm.OpenLink();
    }
    ~HostedPmDDE() override { platform::ProcessNumberFormat() = savedFormat_; }

    // What the host received last, or a marker when it received nothing.
    std::string Last() const { return host.log.empty() ? "<nothing>" : host.log.back(); }

    ScriptedHost host;
    platform::standin::DdeConversation conv;
    TPmDDE pm;

private:
    platform::NumberFormat savedFormat_;
};

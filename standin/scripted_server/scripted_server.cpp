// scripted_server: a DDE host for the link tests and benchmarks. It answers
// the service "PageMaker" from a script given on its command line and writes
// every command and query it receives, in order, to a transcript.
//
//   scripted_server [options]
//     --states 9,9,9,7      replies to GetPMState, in turn; the last repeats (default 7)
//     --reply ITEM=TEXT     the reply to the query ITEM (repeatable)
//     --refuse-commands     acknowledge every command negatively
//     --refuse-queries      refuse every query
//     --empty-replies       answer every query with an empty text
//     --slow ITEM=MS        answer the query ITEM only after MS milliseconds
//     --drop-after N        end the conversation after the Nth exchange
//     --transcript FILE     "connect [TOPIC]", "command TEXT", "query ITEM" lines
//     --ready FILE          written once the service is offered
//     --lifetime SECONDS    end by itself (default 300)
//     --ddeml               serve through DDEML instead of by hand
// GetTextCursor, unless scripted, replies "C,Q,0": the commands received so
// far and the queries received before it, so a client can check that nothing
// was lost or reordered. The command "ScriptQuit" ends the server.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/standin/dde_conversation.h"
#include "standin/transport/raw_dde_server.h"
#include "standin/scripted_server/ddeml_server.h"

namespace {

struct Script {
    std::vector<int> states{7};
    std::map<std::string, std::string> replies;
    std::map<std::string, DWORD> delays;
    bool refuseCommands = false, refuseQueries = false, emptyReplies = false, ddeml = false;
    long dropAfter = 0;
    long lifetimeSeconds = 300;
    std::string transcript, ready;
};

class ScriptedHost : public platform::standin::DdeServer {
public:
    explicit ScriptedHost(const Script& script) : script_(script) {
        if (!script.transcript.empty()) transcript_ = std::fopen(script.transcript.c_str(), "wb");
    }
    ~ScriptedHost() override {
        if (transcript_) std::fclose(transcript_);
    }
    bool Open() const { return script_.transcript.empty() || transcript_; }

    bool Accept(const std::string& service, const std::string& topic) override {
        Log(topic.empty() ? "connect" : "connect " + topic);
        return service == "PageMaker";
    }

    Verdict Execute(const std::string& command) override {
        Log("command " + command);
        ++commands_;
        if (command == "ScriptQuit") quit_ = true;
        return script_.refuseCommands ? Verdict::Refused : Verdict::Done;
    }

    std::optional<std::string> Request(const std::string& item) override {
        Log("query " + item);
        const long before = queries_++;
        if (auto delay = script_.delays.find(item); delay != script_.delays.end()) Sleep(delay->second);
        if (script_.refuseQueries) return std::nullopt;
        if (script_.emptyReplies) return std::string();
        if (auto scripted = script_.replies.find(item); scripted != script_.replies.end()) return scripted->second;
        if (item == "GetPMState") {
            const size_t turn = std::min(states_++, script_.states.size() - 1);
            return std::to_string(script_.states[turn]);
        }
        if (item == "GetTextCursor") return std::to_string(commands_) + "," + std::to_string(before) + ",0";
        return std::string();  // unknown queries get an empty reply
    }

    After AfterExchange() override {
        ++exchanges_;
        if (quit_) return After::Quit;
        if (script_.dropAfter > 0 && exchanges_ == script_.dropAfter) return After::DropConversation;
        return After::Continue;
    }

private:
    void Log(const std::string& line) {
        if (!transcript_) return;
        std::fwrite(line.data(), 1, line.size(), transcript_);
        std::fputc('\n', transcript_);
        std::fflush(transcript_);
    }

    const Script& script_;
    std::FILE* transcript_ = nullptr;
    long commands_ = 0, queries_ = 0, exchanges_ = 0;
    size_t states_ = 0;
    bool quit_ = false;
};

bool Parse(int argc, char** argv, Script& script) {
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const bool hasValue = i + 1 < argc;
        if (option == "--states" && hasValue) {
            script.states.clear();
            std::string list = argv[++i];
            for (size_t start = 0; start <= list.size();) {
                const size_t comma = std::min(list.find(',', start), list.size());
                script.states.push_back(std::atoi(list.substr(start, comma - start).c_str()));
                start = comma + 1;
            }
        } else if (option == "--reply" && hasValue) {
            const std::string rule = argv[++i];
            const size_t equals = rule.find('=');
            if (equals == std::string::npos) return false;
            script.replies[rule.substr(0, equals)] = rule.substr(equals + 1);
        } else if (option == "--slow" && hasValue) {
            const std::string rule = argv[++i];
            const size_t equals = rule.find('=');
            if (equals == std::string::npos) return false;
            script.delays[rule.substr(0, equals)] = static_cast<DWORD>(std::atol(rule.c_str() + equals + 1));
        } else if (option == "--refuse-commands") {
            script.refuseCommands = true;
        } else if (option == "--refuse-queries") {
            script.refuseQueries = true;
        } else if (option == "--empty-replies") {
            script.emptyReplies = true;
        } else if (option == "--ddeml") {
            script.ddeml = true;
        } else if (option == "--drop-after" && hasValue) {
            script.dropAfter = std::atol(argv[++i]);
        } else if (option == "--lifetime" && hasValue) {
            script.lifetimeSeconds = std::atol(argv[++i]);
        } else if (option == "--transcript" && hasValue) {
            script.transcript = argv[++i];
        } else if (option == "--ready" && hasValue) {
            script.ready = argv[++i];
        } else {
            return false;
        }
    }
    return !script.states.empty();
}

}  // namespace

int main(int argc, char** argv) {
    Script script;
    if (!Parse(argc, argv, script)) {
        std::fprintf(stderr, "usage: scripted_server [--states 9,7] [--reply ITEM=TEXT]... [--refuse-commands] [--refuse-queries]\n"
                             "       [--empty-replies] [--slow ITEM=MS] [--drop-after N] [--transcript FILE] [--ready FILE] [--lifetime S] [--ddeml]\n");
        return 2;
    }
    ScriptedHost host(script);
    if (!host.Open()) {
        std::fprintf(stderr, "scripted_server: cannot write %s\n", script.transcript.c_str());
        return 1;
    }
    std::unique_ptr<standin::RawDdeServer> raw;
    std::unique_ptr<wine_dde::DdemlServer> ddeml;
    bool started = false;
    if (script.ddeml) {
        ddeml = std::make_unique<wine_dde::DdemlServer>(host);
        started = ddeml->Start();
    } else {
        raw = std::make_unique<standin::RawDdeServer>(host);
        started = raw->Start();
    }
    if (!started) {
        std::fprintf(stderr, "scripted_server: cannot offer the service (error %lu)\n", GetLastError());
        return 1;
    }
    if (!script.ready.empty()) {
        if (std::FILE* ready = std::fopen(script.ready.c_str(), "wb")) {
            std::fputs("ready\n", ready);
            std::fclose(ready);
        }
    }
    const UINT_PTR lifetime = SetTimer(nullptr, 0, static_cast<UINT>(script.lifetimeSeconds * 1000), nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.hwnd == nullptr && message.wParam == lifetime) break;
        DispatchMessageA(&message);
    }
    return 0;
}

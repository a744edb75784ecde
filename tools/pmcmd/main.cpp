// pmcmd: the command link from a console. Opens one conversation with the
// host, carries out its commands in order, and closes it.
//
//   pmcmd [--long-operation] [--try65] [--wait-exec] [--service-application PATH] COMMAND...
//     query TEXT   asks the query TEXT and prints the reply
//     exec TEXT    sends the command TEXT
//     state        prints GetPMState
//     fonts        prints the font list, one name per line
//     styles       prints the style names, one per line
//     pump MS      lets window messages through for MS milliseconds
//     soak N       N exchanges in a run's pattern, counted and checked
//     clicks N     N times: open the link, ask GetPMState, close it; timed
//     stats        prints what the link did to keep the exchanges whole
//
//   pmcmd probe [--write [--write]] [--out FILE]
//     checks the host against what Rolemark assumes and prints the report
//     (probe.h); --out also writes it to FILE. Exit code 0 when the probe
//     ran, whatever it found; 1 when no host answered; 2 when writing was
//     refused or the command line is wrong.
//
// Texts are written as the bytes they are: replies in the host's code page,
// messages converted to it. A failure prints the exception's message and
// ends with exit code 1 (2 for a usage error).
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/locale.h"
#include "platform/win32/dde_conversation.h"
#include "platform/win32/services.h"
#include "pmdde/PMDDE1.h"
#include "tools/pmcmd/probe.h"
#include "tools/pmcmd/soak.h"
#include "tools/pmcmd/system_facts.h"

namespace {

void Print(const std::string& bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fputc('\n', stdout);
}

int Usage() {
    std::fputs("usage: pmcmd [--long-operation] [--try65] [--wait-exec] [--service-application PATH] COMMAND...\n"
               "  query TEXT | exec TEXT | state | fonts | styles | pump MS | soak N | clicks N | stats\n"
               "       pmcmd probe [--write [--write]] [--out FILE]\n",
               stderr);
    return 2;
}

// Writes `bytes` to `path` whole or not at all (a temporary file moved into
// place).
bool WriteWhole(const std::string& path, const std::string& bytes) {
    const std::string temporary = path + ".tmp";
    std::FILE* f = std::fopen(temporary.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !written || !MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(temporary.c_str());
        return false;
    }
    return true;
}

int RunProbe(const std::vector<std::string>& args, TDdeClientConv& conversation) {
    int writes = 0;
    std::string out;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--write" && writes < 2) ++writes;
        else if (args[i] == "--out" && i + 1 < args.size()) out = args[++i];
        else return Usage();
    }
    platform::win32::Clipboard clipboard;
    const pmcmd::ProbeFacts facts{ROLEMARK_VERSION, pmcmd::WindowsVersion(), pmcmd::HostWindowTitle()};
    const pmcmd::ProbeOutcome outcome = pmcmd::Probe(conversation, clipboard, facts, writes);
    std::fwrite(outcome.report.data(), 1, outcome.report.size(), stdout);
    std::fflush(stdout);
    if (!out.empty() && !WriteWhole(out, outcome.report)) {
        std::fprintf(stderr, "pmcmd: cannot write %s\n", out.c_str());
        return 1;
    }
    return outcome.exitCode;
}

void Pump(DWORD ms) {
    const DWORD start = GetTickCount();
    for (DWORD spent = 0; spent < ms; spent = GetTickCount() - start) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - spent, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
}

void PrintStatistics(const platform::win32::DdeConversation& conversation) {
    const auto& c = conversation.Statistics();
    std::printf("executes %llu\nrequests %llu\ncompletions %llu\ntrailing acks %llu\nstale-ack resends %llu\nlate replies %llu\n"
                "released reply blocks %llu\nnumber-0 settles %llu\nserver adds ack %d\n",
                static_cast<unsigned long long>(c.executes), static_cast<unsigned long long>(c.requests),
                static_cast<unsigned long long>(c.completions), static_cast<unsigned long long>(c.trailingAcks),
                static_cast<unsigned long long>(c.staleAckRetries), static_cast<unsigned long long>(c.lateReplies),
                static_cast<unsigned long long>(c.releasedReplies), static_cast<unsigned long long>(c.zeroNumberSettles),
                conversation.ServerAddsAckAfterData() ? 1 : 0);
}

}  // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::vector<std::string> args(argv + 1, argv + argc);

    // Numbers in commands carry a full stop whatever the user's locale.
    platform::ProcessNumberFormat().decimal = '.';
    platform::win32::DdeInstance instance;
    platform::win32::DdeConversation conversation;
    TPmDDE pm;
    pm.DDEConv = &conversation;

    size_t i = 0;
    for (; i < args.size() && args[i].rfind("--", 0) == 0; ++i) {
        if (args[i] == "--long-operation") {
            pm.LongOperation = true;
            pm.OnWaitIfBusy = [](TPmDDE&) { std::fputs("busy\n", stderr); };
        } else if (args[i] == "--try65") {
            pm.SetTryMode65(true);
        } else if (args[i] == "--wait-exec") {
            pm.WaitExec = true;
        } else if (args[i] == "--service-application" && i + 1 < args.size()) {
            conversation.SetServiceApplication(args[++i]);
        } else {
            return Usage();
        }
    }
    if (i == args.size()) return Usage();
    if (args[i] == "probe") return RunProbe(std::vector<std::string>(args.begin() + static_cast<long>(i) + 1, args.end()), conversation);

    bool ok = true;
    try {
        pm.OpenLink();
        while (i < args.size()) {
            const std::string& verb = args[i++];
            const bool hasArgument = i < args.size();
            if (verb == "query" && hasArgument) {
                std::string reply;
                pm.ExecQuery(args[i++], reply);
                Print(reply);
            } else if (verb == "exec" && hasArgument) {
                pm.ExecCommand(args[i++]);
            } else if (verb == "state") {
                Print(std::to_string(pm.GetPMState()));
            } else if (verb == "fonts") {
                pm.GetFontList();
                for (int n = 0; n < pm.FontCount(); ++n) Print(pm.FontItem(n).Name);
            } else if (verb == "styles") {
                int32_t count = 0;
                std::vector<std::string> names;
                pm.GetStyleNames(count, names);
                for (const std::string& name : names) Print(name);
            } else if (verb == "pump" && hasArgument) {
                Pump(static_cast<DWORD>(std::atol(args[i++].c_str())));
            } else if (verb == "soak-story" && hasArgument) {
                ok = pmcmd::SoakStory(pm, conversation, std::atol(args[i++].c_str()), stdout) && ok;
            } else if (verb == "soak" && hasArgument) {
                ok = pmcmd::Soak(pm, conversation, std::atol(args[i++].c_str()), stdout) && ok;
            } else if (verb == "clicks" && hasArgument) {
                ok = pmcmd::Clicks(pm, std::atol(args[i++].c_str()), stdout) && ok;
                pm.OpenLink();
            } else if (verb == "stats") {
                PrintStatistics(conversation);
            } else {
                pm.CloseLink();
                return Usage();
            }
        }
        pm.CloseLink();
    } catch (const Exception& e) {
        pm.CloseLink();
        Print(platform::Utf8ToAnsi(e.Message()));
        return 1;
    }
    std::fflush(stdout);
    return ok ? 0 : 1;
}

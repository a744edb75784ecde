// pmstandin: a stand-in for Adobe PageMaker 6.5 on a test machine. It holds
// one publication (a file, or the built-in sample play), shows its story in a
// window titled like the host's, serves the DDE service "PageMaker" with the
// host's commands and queries, and writes its transcript and dumps.
//
//   pmstandin [--pub FILE] [--transcript FILE] [--dump FILE] [--dump-html FILE] [--strict] [--lean] [fault options]
//
// --lean is the host of the benchmarks, which should see only the client's
// cost: the same story and answers, but no view (a hidden window bears the
// title, for the client's running check) and the transcript written when a
// conversation ends rather than line by line.
//
// Errors go to the standard error stream when there is one (a test's
// console), else to a message box; the exit code is 2 for a bad command
// line, 1 for any other failure, 0 after a normal end.
#include <windows.h>
#include <dde.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "platform/win32/services.h"
#include "platform/win32/code_page.h"
#include "standin/host/host.h"
#include "standin/host/options.h"
#include "standin/pmstandin/sample_play.h"
#include "standin/pmstandin/story_window.h"
#include "standin/transport/raw_dde_server.h"

namespace {

using platform::win32::Narrow;
using platform::win32::Widen;

// Writes `text` (UTF-8) to the standard error stream, or shows it when the
// program has none.
void Report(const std::string& text) {
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    DWORD written = 0;
    const std::string line = "pmstandin: " + text + "\n";
    if (err && err != INVALID_HANDLE_VALUE && WriteFile(err, line.data(), static_cast<DWORD>(line.size()), &written, nullptr)) return;
    MessageBoxW(nullptr, Widen(text, CP_UTF8).c_str(), L"pmstandin", MB_OK | MB_ICONERROR);
}

std::vector<std::string> Arguments() {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i) args.push_back(Narrow(wide[i], CP_UTF8));
    LocalFree(wide);
    return args;
}

}  // namespace

int main() {
    std::string error;
    const auto options = standin::ParseCommandLine(Arguments(), error);
    if (!options) {
        Report(error + " (--help lists the options)");
        return 2;
    }
    if (options->help) {
        Report(standin::Usage());
        return 0;
    }

    auto pub = options->pub.empty()
                   ? standin::ParsePublication(std::string_view(reinterpret_cast<const char*>(standin::kSamplePlay), standin::kSamplePlaySize), error)
                   : standin::LoadPublication(options->pub, error);
    if (!pub) {
        Report(error);
        return 1;
    }
    const std::wstring title = L"Adobe PageMaker 6.5 - [" + Widen(pub->name, CP_UTF8) + L"]";

    platform::win32::Clipboard clipboard;
    standin::PageMakerHost host(std::move(*pub), clipboard);
    if (!standin::ApplyFaultOptions(*options, host.faults, error) ||
        (!options->transcript.empty() && !host.transcript().OpenFile(options->transcript, error))) {
        Report(error);
        return 1;
    }
    // A host that tries the clipboard once: a Copy fails while another
    // program holds it.
    if (host.faults.copyTriesOnce) clipboard.SetOpenWait(0);
    host.strict = options->strict;
    host.dumpJsonPath = options->dump;
    host.dumpHtmlPath = options->dumpHtml;

    standin::StoryWindow window(host.publication());
    if (options->lean) {
        host.transcript().Defer();
        if (!CreateWindowExW(0, L"STATIC", title.c_str(), WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr)) {
            Report("cannot create the host's window");
            return 1;
        }
    } else {
        host.onReformat = [&window](int from, int to) { window.MarkChanged(from, to); };
        if (!window.Create(GetModuleHandleW(nullptr), title, SW_SHOWNORMAL, error)) {
            Report(error);
            return 1;
        }
    }
    standin::RawDdeServer server(host);
    if (!server.Start()) {
        Report("cannot start the DDE service \"PageMaker\"");
        return 1;
    }

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        // Before the terminate is answered: a client that has closed its
        // conversation finds the exchanges in the file.
        if (message.message == WM_DDE_TERMINATE) host.transcript().Flush();
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    host.transcript().Flush();
    if (!host.WriteDumps(error)) {
        Report(error);
        return 1;
    }
    return 0;
}

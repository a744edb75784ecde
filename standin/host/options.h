// The stand-in program's command line:
//   pmstandin [--pub FILE] [--transcript FILE] [--dump FILE] [--dump-html FILE]
//             [--strict] [--lean] [--FAULT VALUE ...]
// with the fault options of faults.h. Kept apart from the program so that it
// is tested natively.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "standin/host/faults.h"

namespace standin {

struct StandinOptions {
    std::filesystem::path pub, transcript, dump, dumpHtml;  // empty: not given
    // In command-line order; applied on top of the publication's own faults.
    std::vector<std::pair<std::string, std::string>> faults;
    bool strict = false;  // refuse unknown commands (PageMakerHost::strict)
    bool help = false;
    // A benchmark's host: no window, the transcript written when a
    // conversation ends and at exit.
    bool lean = false;
};

// `args` are the arguments after the program's name, in UTF-8. Nothing, with
// a message in `error`, for an unknown option, a missing value or a fault
// value of the wrong form.
std::optional<StandinOptions> ParseCommandLine(const std::vector<std::string>& args, std::string& error);

// Adds the command line's faults to `faults`.
[[nodiscard]] bool ApplyFaultOptions(const StandinOptions& options, Faults& faults, std::string& error);

// The help text (UTF-8, lines ended by LF).
std::string Usage();

}  // namespace standin

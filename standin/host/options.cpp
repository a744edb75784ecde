// Command-line parsing for the stand-in program.
#include "standin/host/options.h"

#include <algorithm>

namespace standin {
namespace {

struct PathOption {
    std::string_view name, help;
    std::filesystem::path StandinOptions::*field;
};

constexpr PathOption kPathOptions[] = {
    {"--pub", "the publication file (default: the sample play)", &StandinOptions::pub},
    {"--transcript", "write every exchange to FILE, one JSON object a line", &StandinOptions::transcript},
    {"--dump", "write the publication as JSON to FILE at exit and on \"StandinDump\"", &StandinOptions::dump},
    {"--dump-html", "the same as an HTML page", &StandinOptions::dumpHtml},
};

}  // namespace

std::optional<StandinOptions> ParseCommandLine(const std::vector<std::string>& args, std::string& error) {
    StandinOptions options;
    Faults check;  // validates fault values as they come
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h" || arg == "/?") {
            options.help = true;
            continue;
        }
        if (arg == "--strict") {
            options.strict = true;
            continue;
        }
        if (arg == "--lean") {
            options.lean = true;
            continue;
        }
        if (arg.rfind("--", 0) != 0) {
            error = "unexpected argument \"" + arg + "\"";
            return std::nullopt;
        }
        if (i + 1 >= args.size()) {
            error = "option " + arg + " needs a value";
            return std::nullopt;
        }
        const std::string& value = args[++i];
        bool known = false;
        for (const auto& option : kPathOptions) {
            if (arg != option.name) continue;
            options.*option.field = std::filesystem::u8path(value);
            known = true;
        }
        if (known) continue;
        if (!SetFaultOption(check, arg.substr(2), value, error)) return std::nullopt;
        options.faults.emplace_back(arg.substr(2), value);
    }
    return options;
}

bool ApplyFaultOptions(const StandinOptions& options, Faults& faults, std::string& error) {
    for (const auto& [name, value] : options.faults)
        if (!SetFaultOption(faults, name, value, error)) return false;
    return true;
}

std::string Usage() {
    std::string text = "pmstandin: a stand-in for Adobe PageMaker 6.5 that serves its DDE commands and queries.\n\nOptions:\n";
    auto row = [&](std::string_view left, std::string_view help) {
        std::string line = "  " + std::string(left);
        line.resize(std::max<size_t>(line.size() + 1, 32), ' ');
        text += line + std::string(help) + "\n";
    };
    for (const auto& option : kPathOptions) row(std::string(option.name) + " FILE", option.help);
    row("--strict", "refuse a command the stand-in does not know (for tests)");
    row("--lean", "no window (a hidden one bears the title); the transcript is written at each conversation's end");
    text += "\nFaults (also as \"faults\" in the publication file; SEL is N, Word or Word#K):\n";
    for (const auto& option : kFaultOptions) row("--" + std::string(option.name) + " " + std::string(option.value), option.help);
    return text;
}

}  // namespace standin

// start_recorder: a stand-in for the program the plug-in starts. Each start
// appends one line to the file named by ROLEMARK_START_LOG, with the FromAdd
// value it found in the registry as it began ("-" when missing):
//   started FromAdd=1
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/win32/services.h"
#include "handoff/handoff.h"

int main() {
    const char* log = std::getenv("ROLEMARK_START_LOG");
    if (!log || !*log) return 1;
    std::string fromAdd = "-";
    platform::win32::Registry registry;
    if (auto key = registry.Open(handoff::kKeyPath)) {
        if (auto value = key->Read(handoff::kFromAdd))
            if (auto number = handoff::DwordOfValue(*value)) fromAdd = std::to_string(*number);
    }
    FILE* file = std::fopen(log, "a");
    if (!file) return 1;
    std::fprintf(file, "started FromAdd=%s\n", fromAdd.c_str());
    std::fclose(file);
    return 0;
}

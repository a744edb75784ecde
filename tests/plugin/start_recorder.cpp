// start_recorder: a stand-in for the program the plug-in starts. Each start
// appends one line to the file named by ROLEMARK_START_LOG, with the FromAdd
// value it found in the registry as it began ("-" when missing):
//   started FromAdd=1
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/win32/services.h"
#include "plugin/handoff.h"

int main() {
    const char* log = std::getenv("ROLEMARK_START_LOG");
    if (!log || !*log) return 1;
    std::string fromAdd = "-";
    platform::win32::Registry registry;
    if (auto key = registry.Open(handoff::kKeyPath)) {
        if (auto value = key->Read(handoff::kFromAdd); value && value->data.size() == 4)
            fromAdd = std::to_string(static_cast<unsigned char>(value->data[0]) |
                                     static_cast<unsigned char>(value->data[1]) << 8 |
                                     static_cast<unsigned char>(value->data[2]) << 16 |
                                     static_cast<unsigned>(static_cast<unsigned char>(value->data[3])) << 24);
    }
    FILE* file = std::fopen(log, "a");
    if (!file) return 1;
    std::fprintf(file, "started FromAdd=%s\n", fromAdd.c_str());
    std::fclose(file);
    return 0;
}

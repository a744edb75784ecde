// The plug-in's launch: the two-second guard, the FromAdd mark, the shell
// call and the LastRun stamp, in that order.
#include "plugin/launcher.h"

#include <optional>
#include <string>

#include "handoff/handoff.h"

namespace launcher {
namespace {

// When the program was last started from here; nothing when LastRun is
// missing or unreadable, so that a damaged value cannot block every start.
std::optional<int64_t> LastRun(platform::RegistryKey& key) {
    std::optional<platform::RegValue> value = key.Read(handoff::kLastRun);
    if (!value) return std::nullopt;
    std::optional<double> number = handoff::DateTimeOfValue(*value);
    if (!number) return std::nullopt;
    return handoff::MillisecondsOfDateTime(*number);
}

std::string AppPath(platform::RegistryKey& key) {
    std::optional<platform::RegValue> value = key.Read(handoff::kAppPath);
    if (!value) return std::string();
    return handoff::TextOfValue(*value).value_or(std::string());
}

}  // namespace

void RunMain(platform::Registry& registry, platform::Clock& clock, platform::Shell& shell) {
    std::unique_ptr<platform::RegistryKey> key = registry.Open(handoff::kKeyPath);
    if (!key) return;  // the program has never run on this account: no path

    std::optional<int64_t> last = LastRun(*key);
    const int64_t now = handoff::MillisecondsOf(clock.Now());
    // A LastRun later than now is left over from a clock set back; honouring
    // it would refuse every start until the clock caught up.
    if (last && *last <= now && now - *last < kGuardMs) return;

    const std::string path = AppPath(*key);

    // NOTE: FromAdd goes first: the started program reads it during its
    // start-up, which may begin before the shell call returns.
    if (!key->Write(handoff::kFromAdd, platform::RegDword, handoff::DwordBytes(1))) return;
    // Without a path there is nothing to start; the shell is not asked,
    // since it may take an empty name for the current folder and open that.
    // The mark and the stamp are written all the same, as on a refused start.
    if (!path.empty()) shell.Execute(std::string(), path);
    // A stamp that cannot be written only lets the next call start again.
    (void)key->Write(handoff::kLastRun, platform::RegBinary,
                     handoff::DateTimeBytes(handoff::DateTimeOf(clock.Now())));
}

}  // namespace launcher

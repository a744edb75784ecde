// What the plug-in's `main` does: start the program from the registry unless
// the plug-in started it less than two seconds ago.
//
// RunMain opens the shared key (never creating it), reads LastRun and
// AppPath, writes FromAdd = 1, asks the shell to start AppPath, and then
// records the moment in LastRun, so the two-second interval counts from the
// end of the launch. The outcomes:
//   - no key, or no usable AppPath: nothing is started, nothing written;
//   - LastRun within the two seconds before now: nothing started or written;
//   - LastRun missing, not 8 bytes of REG_BINARY, not a date, or later than
//     now (the clock was set back): it is stale, and the program is started;
//   - FromAdd cannot be written: nothing is started, since the program would
//     take the start for one not made by the plug-in and end at once.
// It throws only what the services throw (the Windows entry catches all).
#pragma once

#include <cstdint>

#include "platform/clock.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace launcher {

// Calls closer together than this start the program once.
inline constexpr int64_t kGuardMs = 2000;

void RunMain(platform::Registry& registry, platform::Clock& clock, platform::Shell& shell);

}  // namespace launcher

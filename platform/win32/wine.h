// Whether this Windows process runs under Wine.
//
// Some DDE steps work around faults of Wine's DDE Management Library and of
// its message transport; on Windows the same steps would be wrong (they free
// memory that Windows still owns). They are taken only when this says so.
#pragma once

namespace platform::win32 {

// True when ntdll exports wine_get_version (every Wine release does, Windows
// never). Asked once; the answer does not change during a run.
[[nodiscard]] bool RunsOnWine();

}  // namespace platform::win32

// Files the user names, written so that nothing is ever half-written.
#pragma once

#include <filesystem>
#include <string>

namespace platform {

// Puts `bytes` in place of `file`'s content: they go to a new file with a
// name of its own in the same folder, reach the disk, and then replace
// `file` in one step. False when any step fails (a read-only or locked
// target, a full disk, a folder that cannot be written): `file` is then as
// it was and no temporary file is left. Files left by an earlier failure
// never stand in the way.
bool ReplaceFileContent(const std::filesystem::path& file, const std::string& bytes);

}  // namespace platform

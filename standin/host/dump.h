// Dumps of the stand-in's publication: JSON for tests (the publication file's
// own form, so a dump loads back) and an HTML page for people, on which the
// formatting of every run is visible.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "standin/host/publication.h"

namespace standin {

// The host's state beside the publication, written under "host".
struct HostFacts {
    bool autosaveSuppressed = false;
    int exchanges = 0;
};

// The publication file's form: every paragraph with its style, its text and
// all its runs (offsets within the paragraph, every attribute), plus
// "selection" and "host". UTF-8.
std::string DumpJson(const Publication& pub, const HostFacts& facts);

// One page: the publication's name and state, then each paragraph with its
// style's name in the margin and each run in a span whose CSS shows its font,
// size, style, tracking plus kerning, set width and baseline shift. UTF-8.
std::string DumpHtml(const Publication& pub, const HostFacts& facts);

// Writes `content` to a temporary file beside `path`, then puts it in
// place, so that `path` is either the old file or the whole new one.
[[nodiscard]] bool WriteFileAtomically(const std::filesystem::path& path, std::string_view content, std::string& error);

}  // namespace standin

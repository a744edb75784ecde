// The publication the stand-in host holds, and its file.
//
// The file is JSON, texts in UTF-8 (converted to ANSI on load):
//   {
//     "name": "Чайка",                         shown in the window's title
//     "story": 1,                              the story's number (optional)
//     "fonts": ["Arial Cyr", {"name": "Academy", "info": [0, 204, 0]}],
//     "styles": [{"name": "Реплика", "font": "Arial Cyr", "size": 12, ...}],
//     "paragraphs": [{"style": "Реплика", "text": "...", "runs": [...]}, "..."],
//     "selection": [anchor, caret],            optional, default [0, 0]
//     "faults": {"busy": 2, "refuse-command": ["Copy#2"], ...}
//   }
// Formatting attributes, in styles and runs: "font", "size", "track",
// "kern", "width", "type_style" (a list of names: "bold", "italic", ...),
// "shift" (points, positive up), "leading" (-1 automatic) and
// "type_options" (four percentages). A style starts from the defaults of
// CharFormat with the first listed font; a run {"from": i, "to": j, ...}
// (offsets within its paragraph) starts from its paragraph's style. A
// paragraph given as a bare text has the first style. "styles" must name at
// least one style. The dump (dump.h) writes this same form, with every
// attribute of every run, so a dump loads back as a publication.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "standin/host/char_format.h"
#include "standin/host/faults.h"
#include "standin/host/story.h"

namespace standin {

struct FontEntry {
    std::string name;  // ANSI
    int32_t info1 = 0, info2 = 0, info3 = 0;
};

struct Style {
    std::string name;  // ANSI
    CharFormat format;
};

struct Publication {
    std::string name = "Untitled";  // UTF-8
    int32_t storyId = 1;
    std::vector<FontEntry> fonts;
    std::vector<Style> styles;
    FormatTable formats;
    Story story;
    Faults faults;

    // The style named `name` (ANSI, exact), or -1.
    int StyleIndex(std::string_view name) const;
};

// The publication described by `json`; nothing, with a message naming the
// place ("paragraphs[3].style: no style \"X\""), when it is not valid.
std::optional<Publication> ParsePublication(std::string_view json, std::string& error);

// The same, read from a file.
std::optional<Publication> LoadPublication(const std::filesystem::path& path, std::string& error);

}  // namespace standin

// The story as RTF, for the stand-in window's rich-text view.
//
// Loading the whole story through one RTF stream is the fast way into a
// rich-text control: setting each run's formatting by message makes the
// control lay the text out again for every run.
#pragma once

#include <string>

#include "standin/host/publication.h"

namespace standin {

// RTF in code page 1251: a font table of every font the runs use, then the
// first `paragraphs` paragraphs (each CR a \par) with each run's font, size,
// bold, italic, underline, strikethrough, letter spacing, set width and
// baseline shift. When the story has more, a last paragraph says how many
// are left out, so character positions of the shown part stay the story's.
std::string StoryRtf(const Publication& pub, int paragraphs);

}  // namespace standin

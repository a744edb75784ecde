// pmcmd probe: checks a running host against every assumption that a
// formatting run, the window's first fill and the style load make about it,
// and writes a report a user can paste into a message.
//
// Each check is one line: the assumption, the texts sent, the raw reply, what
// the host stand-in answers, and "same", "differs", "no answer" (no reply, or
// a command the link did not take) or "not asked" (a check it depends on
// failed). Read-only by default: only queries, moves of the insertion point,
// selections and one Copy; the user's selection and the clipboard's text are
// given back at the end. With writing allowed, the probe also formats the
// first characters of the story and changes a style's size (and puts it
// back), to read the units and codes of the formatting commands.
#pragma once

#include <string>

#include "platform/clipboard.h"
#include "platform/dde.h"

namespace pmcmd {

struct ProbeFacts {
    std::string rolemarkVersion;  // ASCII
    std::string windows;          // ASCII
    std::string hostTitle;        // ANSI; empty when no host window was found
};

struct ProbeOutcome {
    std::string report;  // ANSI, lines ended by CR LF
    // 0 the probe ran (whatever it found), 1 no host answered, 2 writing
    // refused on a publication with a name.
    int exitCode = 0;
};

// Whether `title` (the host's main window) shows a publication never saved:
// the name in its brackets begins with "Untitled" or "Без имени".
bool IsScratchTitle(const std::string& title);

// Runs the checks over `conversation` (not open; the probe opens and closes
// it). `writes` is how often writing was asked for: 1 writes on a scratch
// publication only, 2 on any.
ProbeOutcome Probe(TDdeClientConv& conversation, platform::Clipboard& clipboard, const ProbeFacts& facts, int writes);

}  // namespace pmcmd

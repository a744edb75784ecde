// pmcmd soak: many exchanges in the pattern of a formatting run, counted.
#pragma once

#include <cstdio>

class TPmDDE;
namespace platform::win32 {
class DdeConversation;
}

namespace pmcmd {

// Sends `exchanges` exchanges (rounded up to whole rounds, plus one closing
// check) in rounds of 6 commands and 3 queries, interleaved as a run does at
// each paragraph, letting pending window messages through once per round.
// The host's GetTextCursor reply "C,Q,..." (commands received, queries before
// it) is checked at every round: a difference counts as lost. Prints counts,
// failures, lost and the rate to `out`; true when nothing failed or was lost.
bool Soak(TPmDDE& pm, const platform::win32::DdeConversation& conversation, long exchanges, std::FILE* out);

// The same pattern against the host stand-in, whose replies follow from its
// story: each round puts the insertion point at a known place and selects a
// known number of characters, so every state and cursor reply is known in
// advance; a reply that differs counts as lost. (A lost Copy, Font or Size
// shows only in the host's own transcript.)
bool SoakStory(TPmDDE& pm, const platform::win32::DdeConversation& conversation, long exchanges, std::FILE* out);

// Opens the link, asks GetPMState and closes the link `clicks` times, as each
// user action of the window does, and prints the time per action.
bool Clicks(TPmDDE& pm, long clicks, std::FILE* out);

}  // namespace pmcmd

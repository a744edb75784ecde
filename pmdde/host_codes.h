// The host's numbers that the program's logic speaks in: the states that
// GetPMState answers and the TextCursor motions the walks rely on. Named once,
// here, for the product. The stand-in host keeps its own literal numbers, so
// that a wrong number here is not shared by both sides of a test.
#pragma once

#include <cstdint>

namespace pmcodes {

// The states, as GetPMState answers them (the reply's low byte).
enum State : uint8_t {
    kHelpOpen = 0,        // the host shows its help
    kNoPublication = 1,   // no publication open
    kOutsideText2 = 2,    // 2 to 4: not editing text (the run asks for the
    kOutsideText3 = 3,    //   text mode); the selected-paragraphs walk also
    kOutsideText4 = 4,    //   takes 3 as a selection to walk
    kNoObject = 5,        // nothing placed
    kWithoutText = 6,     // the publication holds no text
    kTextInsertion = 7,   // editing text, an insertion point
    kTextSelected = 8,    // editing text, a selection
    kBusy = 9,            // the host is busy: the link waits while it lasts
};

// The state tables (the first fill's and the run's) look a state up by its
// low seven bits, so 135 acts as 7. Nowhere else is the state masked: the
// busy wait and the selected-paragraphs walk compare the whole byte.
inline uint8_t StateTableKey(uint8_t state) { return static_cast<uint8_t>(state & 0x7F); }

// TextCursor motions. With 1: to the story's end (10) or start (11), or to
// the next paragraph's start (6). With 0: to the end (6) or the start (7) of
// the paragraph that holds the insertion point.
enum Motion : uint8_t { kByParagraph = 6, kParagraphStart = 7, kEndOfStory = 10, kStartOfStory = 11 };

}  // namespace pmcodes

// The story the stand-in host holds: its text, its paragraphs with their
// styles, the runs of character formatting, and the text selection.
//
// Positions. A position is a character offset from the start of the story,
// 0 to Length(). Paragraphs follow each other in one text, each but the last
// ended by a single CR character that belongs to it; the last has no end
// character, so Length() is the sum of the paragraph lengths plus the number
// of paragraphs minus one. Paragraph p starts at ParagraphStart(p) and its
// end is ParagraphEnd(p): the position of its CR, or Length() for the last.
// A position belongs to the paragraph p with start <= position <= end, so the
// position right after a CR is the start of the next paragraph. A story has
// at least one paragraph (possibly empty).
//
// Selection. An anchor and a caret, both positions; the selected characters
// lie between them and the selection is empty when they are equal (an
// insertion point). Moving the caret never carries it across the anchor:
// a selection made forward from the anchor can be taken back to the anchor
// but not past it, as the host's own text selection behaves.
//
// Cost. Paragraph lookups are binary searches over the paragraph starts and
// formatting runs live in an ordered map, so every operation but the whole
// story walks costs O(log n) plus the number of runs or characters it
// touches; nothing scans the story.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "standin/host/char_format.h"

namespace standin {

class Story {
public:
    static constexpr char kParagraphEnd = '\r';

    // Appends a paragraph: ANSI text without CR or LF, its style number and
    // the formatting of all its characters (the CR that ends the paragraph
    // before it keeps that paragraph's formatting).
    void AddParagraph(std::string_view text, int style, FormatId format);

    int Length() const { return static_cast<int>(text_.size()); }
    int ParagraphCount() const { return static_cast<int>(starts_.size()); }
    // The paragraph holding `position` (clamped to 0 .. Length()).
    int ParagraphAt(int position) const;
    int ParagraphStart(int paragraph) const { return starts_[static_cast<size_t>(paragraph)]; }
    int ParagraphEnd(int paragraph) const;
    int ParagraphStyle(int paragraph) const { return styles_[static_cast<size_t>(paragraph)]; }
    std::string_view ParagraphText(int paragraph) const;
    // The whole story: paragraphs separated by CR.
    const std::string& Text() const { return text_; }

    // Formatting of the character at `position` (0 .. Length() - 1).
    FormatId FormatAt(int position) const;
    // Replaces the formatting of the characters from..to-1 by change(old);
    // neighbouring runs of the same formatting are merged again.
    void Reformat(int from, int to, const std::function<FormatId(FormatId)>& change);
    // Calls visit(runFrom, runTo, format) for the runs covering from..to-1,
    // cut to that range, in story order.
    void ForEachRun(int from, int to, const std::function<void(int, int, FormatId)>& visit) const;
    size_t RunCount() const { return runs_.size(); }

    // The selection.
    int Anchor() const { return anchor_; }
    int Caret() const { return caret_; }
    int SelectionStart() const { return anchor_ < caret_ ? anchor_ : caret_; }
    int SelectionEnd() const { return anchor_ < caret_ ? caret_ : anchor_; }
    bool HasSelection() const { return anchor_ != caret_; }
    // Sets anchor and caret, each clamped to 0 .. Length().
    void Select(int anchor, int caret);
    // An insertion point at `position` (clamped).
    void PlaceCaret(int position) { Select(position, position); }
    // Moves the caret by `delta` characters, extending or taking back the
    // selection; it stops at the story's ends and at the anchor when taking a
    // selection back.
    void MoveCaret(int64_t delta);

private:
    int Clamp(int64_t position) const;
    void SplitAt(int position);
    void MergeAround(int position);

    std::string text_;
    std::vector<int> starts_;
    std::vector<int> styles_;
    std::map<int, FormatId> runs_;  // run start -> formatting; each run ends where the next starts
    FormatId lastFormat_ = 0;
    int anchor_ = 0, caret_ = 0;
};

}  // namespace standin

// The speaker report: what the starts of the paragraphs a run or a check
// read say about the cast. Which listed names open paragraphs (how many, the
// first one) and which open none; which listed names matched only the start
// of a longer word; which texts in the speakers' place look like a speaker's
// label but are not listed (the candidates, a check only); and which of those
// texts mix Latin and Cyrillic letters, invisible on screen.
//
// The report keeps a tally per distinct text, so its memory grows with the
// distinct candidates, never with the story. Texts are ANSI bytes, as the
// host sends them; letters and upper case are those of the ANSI code page as
// Windows classifies them (platform::ClassifyAnsiChar).
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace workbench {

enum class RowKind {
#define REPORT_KIND(Id, Word) Id,
#include "workbench/report_kinds.def"
};

// The report's columns, as the list heads them and the saved report's first
// line names them (UTF-8).
inline constexpr const char* kReportColumns[] = {"вид", "текст", "абзацев", "первый абзац", "замечание"};

// The word naming `kind` in the list and in the saved report, UTF-8.
const char* RowKindWord(RowKind kind);

struct ReportRow {
    RowKind kind = RowKind::Name;
    std::string text;        // ANSI: the listed name, or the text as in the story
    int paragraphs = 0;      // 0 for a name not found
    int firstParagraph = 0;  // 0 for a name not found
    std::string remark;      // UTF-8: the odd letters of a mixed-letter row
};

// The listed name that opens `text`: the longest entry of `names` that `text`
// begins with, byte for byte (an empty entry never matches). With
// `wholeWord` a name followed by a letter is no match, and the longest one
// followed by anything else (or by the end of `text`) matches instead.
struct NameMatch {
    size_t length = 0;      // 0: no match
    int index = -1;         // the entry in `names`
    bool partOfWord = false;  // a letter follows the match in `text`
};
NameMatch MatchName(const std::vector<std::string>& names, std::string_view text, bool wholeWord);

// The candidate label at the start of a paragraph, or empty for none. `start`
// is the paragraph's start up to its end (its CR, if read); `whole` says the
// paragraph ends within `start`. The label is the text before the first ".",
// ":" or "(" (or the whole paragraph), trailing spaces trimmed, 1 to 40
// characters, beginning with an upper-case letter or with digits and a
// hyphen, and made of letters, digits, spaces, hyphens and apostrophes only.
// A paragraph that begins with a space has none.
std::string CandidateLabel(std::string_view start, bool whole);

// The odd letters of a text that mixes Latin and Cyrillic letters (UTF-8,
// "2-я буква латинская": the letters of the script with fewer letters in
// the text, Latin on a tie, numbered among the text's letters); empty when
// the text does not mix them.
std::string OddLetters(std::string_view text);

class SpeakerReport {
public:
    // Starts afresh; `candidates`: look for candidates too (a check reads
    // enough of each paragraph, a run does not).
    void Start(bool wholeWord, bool candidates);

    // One paragraph looked at: its number in the walk and what was copied from
    // its start, `asked` characters requested, matched against `names` (the
    // list's entries as the walk took them at its start).
    // Returns the name to format.
    NameMatch Look(const std::vector<std::string>& names, int paragraph, std::string_view copied, size_t asked);

    // The rows for the list's entries `names`: the names found, in the list's
    // order; those not found; the candidates, most paragraphs first, then by
    // text; the parts of words; the mixed letters. One row per kind and text.
    std::vector<ReportRow> Rows(const std::vector<std::string>& names) const;

    struct Counts {
        int namesFound = 0;
        int notFound = 0;
        int candidates = 0;
    };
    Counts Count(const std::vector<std::string>& names) const;

private:
    struct Tally {
        int paragraphs = 0;
        int first = 0;
        void Add(int paragraph);
    };
    bool wholeWord_ = false;
    bool candidates_ = false;
    std::map<std::string, Tally> names_, candidateTallies_, partOfWord_, mixed_;
};

// The report as the lines of its text file, ANSI: the header, then per row
// kind, text, paragraphs, first paragraph and remark, separated by tabs (a
// name not found has 0 paragraphs and an empty first paragraph).
std::vector<std::string> ReportLines(const std::vector<ReportRow>& rows);

}  // namespace workbench

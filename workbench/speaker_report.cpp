// The speaker report's rules: the name match, the candidate label, the odd
// letters, and the tallies per distinct text.
#include "workbench/speaker_report.h"

#include <algorithm>
#include <set>

#include "platform/locale.h"

namespace workbench {
namespace {

constexpr size_t kMaxLabel = 40;

bool IsLetter(char c) { return platform::ClassifyAnsiChar(c).letter; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The typographic apostrophe in the ANSI code page (one byte in 1251 and 1252).
const std::string& TypographicApostrophe() {
    static const std::string apostrophe = platform::Utf8ToAnsi("’");
    return apostrophe;
}

bool LabelChar(char c) {
    return IsLetter(c) || IsDigit(c) || c == ' ' || c == '-' || c == '\'' ||
           (TypographicApostrophe().size() == 1 && c == TypographicApostrophe()[0]);
}

}  // namespace

const char* RowKindWord(RowKind kind) {
    switch (kind) {
#define REPORT_KIND(Id, Word) \
    case RowKind::Id: return Word;
#include "workbench/report_kinds.def"
    }
    return "";
}

NameMatch MatchName(const std::vector<std::string>& names, std::string_view text, bool wholeWord) {
    // Keeping the longest match makes the longest listed name win whatever
    // order the list's locale gives its entries.
    NameMatch match;
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i];
        if (name.empty() || name.size() <= match.length || text.compare(0, name.size(), name) != 0) continue;
        const bool letterFollows = name.size() < text.size() && IsLetter(text[name.size()]);
        if (wholeWord && letterFollows) continue;
        match = NameMatch{name.size(), static_cast<int>(i), letterFollows};
    }
    return match;
}

std::string CandidateLabel(std::string_view start, bool whole) {
    if (start.empty() || start[0] == ' ') return {};
    size_t end = start.find_first_of(".:(");
    if (end == std::string_view::npos) {
        if (!whole) return {};  // the paragraph runs on past what was read
        end = start.size();
    }
    std::string_view label = start.substr(0, end);
    while (!label.empty() && label.back() == ' ') label.remove_suffix(1);
    if (label.empty() || label.size() > kMaxLabel) return {};
    if (!std::all_of(label.begin(), label.end(), LabelChar)) return {};
    size_t digits = 0;
    while (digits < label.size() && IsDigit(label[digits])) ++digits;
    const bool numbered = digits > 0 && digits < label.size() && label[digits] == '-';
    if (!numbered && !platform::ClassifyAnsiChar(label[0]).upper) return {};
    return std::string(label);
}

std::string OddLetters(std::string_view text) {
    std::vector<int> latin, cyrillic;  // letter numbers, from 1
    int letters = 0;
    for (char c : text) {
        const platform::AnsiCharKind kind = platform::ClassifyAnsiChar(c);
        if (!kind.letter) continue;
        (kind.cyrillic ? cyrillic : latin).push_back(++letters);
    }
    if (latin.empty() || cyrillic.empty()) return {};
    const bool latinOdd = latin.size() <= cyrillic.size();
    const std::vector<int>& odd = latinOdd ? latin : cyrillic;
    std::string remark;
    for (size_t i = 0; i < odd.size(); ++i) remark += (i ? ", " : "") + std::to_string(odd[i]) + "-я";
    if (odd.size() == 1) return remark + (latinOdd ? " буква латинская" : " буква кириллическая");
    return remark + (latinOdd ? " буквы латинские" : " буквы кириллические");
}

void SpeakerReport::Tally::Add(int paragraph) {
    if (paragraphs++ == 0) first = paragraph;
}

void SpeakerReport::Start(bool wholeWord, bool candidates) {
    names_.clear();
    wholeWord_ = wholeWord;
    candidates_ = candidates;
    candidateTallies_.clear();
    partOfWord_.clear();
    mixed_.clear();
}

NameMatch SpeakerReport::Look(const std::vector<std::string>& names, int paragraph, std::string_view copied, size_t asked) {
    const size_t cr = copied.find('\r');
    const bool whole = cr != std::string_view::npos || copied.size() < asked;
    const std::string_view start = copied.substr(0, cr);
    const NameMatch match = MatchName(names, start, wholeWord_);
    if (match.length > 0) {
        const std::string& name = names[static_cast<size_t>(match.index)];
        names_[name].Add(paragraph);
        if (match.partOfWord) partOfWord_[name].Add(paragraph);
        if (!OddLetters(name).empty()) mixed_[name].Add(paragraph);
    } else if (candidates_) {
        const std::string label = CandidateLabel(start, whole);
        if (!label.empty()) {
            candidateTallies_[label].Add(paragraph);
            if (!OddLetters(label).empty()) mixed_[label].Add(paragraph);
        }
    }
    return match;
}

std::vector<ReportRow> SpeakerReport::Rows(const std::vector<std::string>& names) const {
    std::vector<ReportRow> rows;
    std::set<std::string> seen;  // one row per listed text, however often listed
    std::vector<ReportRow> notFound;
    for (const std::string& name : names) {
        if (name.empty() || !seen.insert(name).second) continue;
        const auto found = names_.find(name);
        if (found != names_.end())
            rows.push_back({RowKind::Name, name, found->second.paragraphs, found->second.first, {}});
        else
            notFound.push_back({RowKind::NotFound, name, 0, 0, {}});
    }
    rows.insert(rows.end(), notFound.begin(), notFound.end());

    std::vector<ReportRow> candidates;
    for (const auto& [text, tally] : candidateTallies_) candidates.push_back({RowKind::Candidate, text, tally.paragraphs, tally.first, {}});
    std::stable_sort(candidates.begin(), candidates.end(), [](const ReportRow& a, const ReportRow& b) {
        if (a.paragraphs != b.paragraphs) return a.paragraphs > b.paragraphs;
        return platform::CompareTextNoCase(a.text, b.text) < 0;
    });
    rows.insert(rows.end(), candidates.begin(), candidates.end());
    for (const auto& [text, tally] : partOfWord_) rows.push_back({RowKind::PartOfWord, text, tally.paragraphs, tally.first, {}});
    for (const auto& [text, tally] : mixed_) rows.push_back({RowKind::MixedLetters, text, tally.paragraphs, tally.first, OddLetters(text)});
    return rows;
}

SpeakerReport::Counts SpeakerReport::Count(const std::vector<std::string>& names) const {
    Counts counts;
    for (const ReportRow& row : Rows(names)) {
        if (row.kind == RowKind::Name) ++counts.namesFound;
        if (row.kind == RowKind::NotFound) ++counts.notFound;
        if (row.kind == RowKind::Candidate) ++counts.candidates;
    }
    return counts;
}

std::vector<std::string> ReportLines(const std::vector<ReportRow>& rows) {
    std::string header;
    for (const char* column : kReportColumns) header += (header.empty() ? "" : "\t") + platform::Utf8ToAnsi(column);
    std::vector<std::string> lines{header};
    for (const ReportRow& row : rows) {
        const bool found = row.kind != RowKind::NotFound;
        lines.push_back(platform::Utf8ToAnsi(RowKindWord(row.kind)) + '\t' + row.text + '\t' + std::to_string(row.paragraphs) +
                        '\t' + (found ? std::to_string(row.firstParagraph) : std::string()) + '\t' +
                        platform::Utf8ToAnsi(row.remark));
    }
    return lines;
}

}  // namespace workbench

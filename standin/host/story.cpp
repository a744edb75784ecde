// The story: text, paragraph index, formatting runs and selection.
#include "standin/host/story.h"

#include <algorithm>
#include <iterator>

namespace standin {

void Story::AddParagraph(std::string_view text, int style, FormatId format) {
    auto append = [this](std::string_view chars, FormatId f) {
        if (chars.empty()) return;
        if (runs_.empty() || runs_.rbegin()->second != f) runs_.emplace_hint(runs_.end(), Length(), f);
        text_.append(chars);
    };
    if (!starts_.empty()) append(std::string_view(&kParagraphEnd, 1), lastFormat_);
    starts_.push_back(Length());
    styles_.push_back(style);
    append(text, format);
    lastFormat_ = format;
}

int Story::Clamp(int64_t position) const {
    return static_cast<int>(std::clamp<int64_t>(position, 0, Length()));
}

int Story::ParagraphAt(int position) const {
    auto next = std::upper_bound(starts_.begin(), starts_.end(), Clamp(position));
    return static_cast<int>(next - starts_.begin()) - 1;
}

int Story::ParagraphEnd(int paragraph) const {
    return paragraph + 1 < ParagraphCount() ? ParagraphStart(paragraph + 1) - 1 : Length();
}

std::string_view Story::ParagraphText(int paragraph) const {
    const int start = ParagraphStart(paragraph);
    return std::string_view(text_).substr(static_cast<size_t>(start), static_cast<size_t>(ParagraphEnd(paragraph) - start));
}

FormatId Story::FormatAt(int position) const {
    auto run = runs_.upper_bound(position);
    return std::prev(run)->second;
}

void Story::SplitAt(int position) {
    if (position <= 0 || position >= Length()) return;
    auto next = runs_.upper_bound(position);
    auto holder = std::prev(next);
    if (holder->first != position) runs_.emplace_hint(next, position, holder->second);
}

void Story::MergeAround(int position) {
    // Merges the run starting at or before `position` with its neighbours
    // when they carry the same formatting; called for both ends of a change.
    auto run = runs_.upper_bound(position);
    if (run == runs_.begin()) return;
    --run;
    if (run != runs_.begin() && std::prev(run)->second == run->second) run = std::prev(runs_.erase(run));
    auto next = std::next(run);
    if (next != runs_.end() && next->second == run->second) runs_.erase(next);
}

void Story::Reformat(int from, int to, const std::function<FormatId(FormatId)>& change) {
    from = Clamp(from);
    to = Clamp(to);
    if (from >= to) return;
    SplitAt(from);
    SplitAt(to);
    for (auto run = runs_.find(from); run != runs_.end() && run->first < to; ++run) run->second = change(run->second);
    // Inside the range, neighbours may have become equal too.
    for (auto run = runs_.find(from); run != runs_.end() && run->first < to;) {
        auto next = std::next(run);
        if (next != runs_.end() && next->first < to && next->second == run->second) {
            runs_.erase(next);
        } else {
            run = next;
        }
    }
    MergeAround(to);
    MergeAround(from);
}

void Story::ForEachRun(int from, int to, const std::function<void(int, int, FormatId)>& visit) const {
    from = Clamp(from);
    to = Clamp(to);
    if (from >= to) return;
    auto run = std::prev(runs_.upper_bound(from));
    for (; run != runs_.end() && run->first < to; ++run) {
        auto next = std::next(run);
        const int end = next == runs_.end() ? Length() : next->first;
        visit(std::max(run->first, from), std::min(end, to), run->second);
    }
}

void Story::Select(int anchor, int caret) {
    anchor_ = Clamp(anchor);
    caret_ = Clamp(caret);
}

void Story::MoveCaret(int64_t delta) {
    const int64_t lower = caret_ > anchor_ ? anchor_ : 0;
    const int64_t upper = caret_ < anchor_ ? anchor_ : Length();
    caret_ = static_cast<int>(std::clamp<int64_t>(caret_ + delta, lower, upper));
}

}  // namespace standin

// What a run did, told in one line that takes the progress bar's place when
// the run is over: how many names were formatted in how many paragraphs, why
// a selected-paragraphs run did nothing, or how far a run got before a
// failure or the user stopped it.
#pragma once

#include <string>

namespace workbench {

// Counted while a run goes on: the paragraphs whose start was read (with the
// style filter on, those of the chosen style) and the names formatted in them.
struct RunTally {
    int names = 0;
    int paragraphs = 0;
};

enum class RunEnd {
    Completed,  // the walk reached its end
    Skipped,    // the selected-paragraphs walk found no selection to walk
    Failed,     // a failure ended the run
    Stopped,    // the user stopped the run (Esc)
};

// The line, UTF-8.
std::string RunSummary(RunEnd end, const RunTally& tally);

// The closing line of a check over `paragraphs` paragraphs that found
// `namesFound` listed names, missed `notFound` and saw `candidates`
// candidate labels ("Проверено 923 абзаца: 14 имён найдено, 3 не найдено,
// 5 кандидатов"); a check that failed or was stopped says so and how far it
// got.
std::string CheckSummary(RunEnd end, int paragraphs, int namesFound, int notFound, int candidates);

// The line after candidates were added to the list: "Добавлено 3 имени".
std::string AddedSummary(int added);

// The form of a Russian noun after the number `n`: `one` after 1, 21, 101...,
// `few` after 2-4, 22-24..., `many` after 0, 5-20, 25-30, 111...
const char* PluralForm(int n, const char* one, const char* few, const char* many);

}  // namespace workbench

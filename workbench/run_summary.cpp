// The run's closing line in Russian, with the nouns agreeing with their numbers.
#include "workbench/run_summary.h"

namespace workbench {
namespace {

std::string Names(int n) { return std::to_string(n) + " " + PluralForm(n, "имя", "имени", "имён"); }
// Prepositional: "в 1 абзаце", "в 2 абзацах".
std::string InParagraphs(int n) { return "в " + std::to_string(n) + " " + PluralForm(n, "абзаце", "абзацах", "абзацах"); }

std::string Paragraphs(int n) { return std::to_string(n) + " " + PluralForm(n, "абзац", "абзаца", "абзацев"); }

}  // namespace

const char* PluralForm(int n, const char* one, const char* few, const char* many) {
    const int lastTwo = n % 100, last = n % 10;
    if (lastTwo >= 11 && lastTwo <= 14) return many;
    if (last == 1) return one;
    if (last >= 2 && last <= 4) return few;
    return many;
}

std::string RunSummary(RunEnd end, const RunTally& tally) {
    switch (end) {
        case RunEnd::Skipped:
            return "Нет выделенных абзацев: выделите текст или выберите «По всему текстовому блоку»";
        case RunEnd::Failed:
            if (tally.names == 0) return "Прервано ошибкой; до неё не оформлено ни одного имени";
            return "Прервано ошибкой; до неё оформлено " + Names(tally.names) + " " + InParagraphs(tally.paragraphs);
        case RunEnd::Stopped:
            if (tally.names == 0) return "Остановлено: ни одного имени не найдено " + InParagraphs(tally.paragraphs);
            return "Остановлено: оформлено " + Names(tally.names) + " " + InParagraphs(tally.paragraphs);
        case RunEnd::Completed: break;
    }
    if (tally.names == 0) return "Ни одного имени не найдено " + InParagraphs(tally.paragraphs);
    return "Оформлено " + Names(tally.names) + " " + InParagraphs(tally.paragraphs);
}

std::string CheckSummary(RunEnd end, int paragraphs, int namesFound, int notFound, int candidates) {
    const char* checked = PluralForm(paragraphs, "проверен ", "проверено ", "проверено ");
    std::string line = end == RunEnd::Failed    ? "Прервано ошибкой; до неё " + std::string(checked)
                       : end == RunEnd::Stopped ? "Остановлено; до того " + std::string(checked)
                                                : PluralForm(paragraphs, "Проверен ", "Проверено ", "Проверено ");
    line += Paragraphs(paragraphs) + ": " + Names(namesFound) + " найдено, " + std::to_string(notFound) + " не найдено";
    if (candidates == 0) return line + ". Кандидатов нет";
    return line + ", " + std::to_string(candidates) + " " + PluralForm(candidates, "кандидат", "кандидата", "кандидатов");
}

std::string AddedSummary(int added) { return "Добавлено " + Names(added); }

}  // namespace workbench

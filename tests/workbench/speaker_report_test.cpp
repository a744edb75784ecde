// The speaker report on its own: the letters of the code page, the name match
// with and without whole words, the candidate label's bounds, the odd
// letters, the tallies and the report file's lines.
#include <gtest/gtest.h>

#include "platform/locale.h"
#include "workbench/run_summary.h"
#include "workbench/speaker_report.h"

namespace {

using workbench::ReportRow;
using workbench::RowKind;

// UTF-8 in the code page of the texts (1251).
std::string A(const std::string& utf8) { return platform::Utf8ToAnsi(utf8); }

std::string Show(const std::vector<ReportRow>& rows) {
    std::string shown;
    for (const ReportRow& row : rows)
        shown += std::string(workbench::RowKindWord(row.kind)) + "|" + platform::AnsiToUtf8(row.text) + "|" +
                 std::to_string(row.paragraphs) + "|" + std::to_string(row.firstParagraph) + "|" + row.remark + "\n";
    return shown;
}

TEST(AnsiCharTest, LettersAndCaseAsWindowsCountsThem) {
    struct Case {
        const char* utf8;
        bool letter, upper, cyrillic;
    } cases[] = {
        {"Ё", true, true, true}, {"ё", true, false, true}, {"Я", true, true, true}, {"а", true, false, true},
        {"Q", true, true, false}, {"q", true, false, false}, {"Ґ", true, true, true}, {"7", false, false, false},
        {"’", false, false, false}, {"-", false, false, false}, {"«", false, false, false}, {"№", false, false, false},
    };
    for (const Case& c : cases) {
        const platform::AnsiCharKind kind = platform::ClassifyAnsiChar(A(c.utf8)[0]);
        EXPECT_EQ(kind.letter, c.letter) << c.utf8;
        EXPECT_EQ(kind.upper, c.upper) << c.utf8;
        EXPECT_EQ(kind.cyrillic, c.cyrillic) << c.utf8;
    }
}

TEST(MatchNameTest, WholeWordTakesTheLongestNameFollowedByANonLetter) {
    const std::vector<std::string> names = {A("Иван"), "", A("Иван Ильич")};
    const std::string text = A("Иван Ильичёв. Да");
    workbench::NameMatch match = workbench::MatchName(names, text, false);
    EXPECT_EQ(match.length, A("Иван Ильич").size());
    EXPECT_TRUE(match.partOfWord);
    match = workbench::MatchName(names, text, true);
    EXPECT_EQ(match.length, A("Иван").size());
    EXPECT_EQ(match.index, 0);
    EXPECT_FALSE(match.partOfWord);
    // A name that ends what was read, or one followed by a digit, is whole.
    EXPECT_EQ(workbench::MatchName(names, A("Иван"), true).length, A("Иван").size());
    EXPECT_EQ(workbench::MatchName(names, A("Иваныч"), true).length, 0u);
    EXPECT_EQ(workbench::MatchName(names, A("Ивану"), false).index, 0);
    EXPECT_EQ(workbench::MatchName({""}, "", false).length, 0u) << "an empty entry never matches";
}

TEST(CandidateLabelTest, BoundsOfALabel) {
    const std::string forty(40, 'A');
    struct Case {
        std::string start;
        bool whole;
        std::string label;
    } cases[] = {
        {A("Городничий. Я пригласил"), false, A("Городничий")},
        {A("Анна Андреевна (входя). Ну"), false, A("Анна Андреевна")},
        {A("1-й понтер: Пас"), false, A("1-й понтер")},
        {A("Д’Артаньян   : Да"), false, A("Д’Артаньян")},
        {A("Все"), true, A("Все")},
        {A("Все"), false, ""},  // the paragraph goes on past what was read
        {forty + ". x", false, forty},
        {forty + "A. x", false, ""},
        {A(" Анна. Да"), false, ""},
        {A("анна. Да"), false, ""},
        {A("1999 год."), false, ""},
        {A("Он, смеясь. Да"), false, ""},
        {A("Маша\tи Катя. Да"), false, ""},
        {". Да", false, ""},
        {"   ", true, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::AnsiToUtf8(workbench::CandidateLabel(c.start, c.whole)), platform::AnsiToUtf8(c.label))
            << platform::AnsiToUtf8(c.start);
}

TEST(OddLettersTest, TheScriptWithFewerLettersIsOdd) {
    EXPECT_EQ(workbench::OddLetters(A("Мaша")), "2-я буква латинская");
    EXPECT_EQ(workbench::OddLetters(A("1-й Мaшa")), "3-я, 5-я буквы латинские") << "numbered among the letters";
    EXPECT_EQ(workbench::OddLetters(A("Maшa")), "3-я буква кириллическая");
    EXPECT_EQ(workbench::OddLetters(A("Иван Петрович")), "");
    EXPECT_EQ(workbench::OddLetters("Mary Ann"), "");
}

TEST(SpeakerReportTest, RowsOfACheck) {
    workbench::SpeakerReport report;
    const std::vector<std::string> names = {A("Вера"), A("Иван"), A("Иван"), A("Ольга"), A("Мaша")};
    report.Start(false, true);
    const char* paragraphs[] = {
        "Действие первое",       // 1: a head looks like a label too
        "Веранда старого дома.",  // 2: "Вера", part of a word
        "Иван. Да.\r\nПётр. Нет",   // 3: cut at the paragraph's end
        "Пётр. Нет.",            // 4
        "Мaша. Ой.",             // 5: the listed mixed name
        "Маша. Ой.",             // 6: the Cyrillic spelling, a candidate
        "Пётр (садится). Так.",  // 7
        "Иваныч!",               // 8
        "Marie. Oui.",           // 9
    };
    int number = 0;
    for (const char* text : paragraphs) report.Look(names, ++number, A(text), 64);
    EXPECT_EQ(Show(report.Rows(names)),
              "имя|Вера|1|2|\n"
              "имя|Иван|2|3|\n"
              "имя|Мaша|1|5|\n"
              "не найдено|Ольга|0|0|\n"
              "кандидат|Пётр|2|4|\n"
              "кандидат|Marie|1|9|\n"
              "кандидат|Действие первое|1|1|\n"
              "кандидат|Маша|1|6|\n"
              "часть слова|Вера|1|2|\n"
              "часть слова|Иван|1|8|\n"
              "смешанные буквы|Мaша|1|5|2-я буква латинская\n");
    const auto counts = report.Count(names);
    EXPECT_EQ(counts.namesFound, 3);
    EXPECT_EQ(counts.notFound, 1);
    EXPECT_EQ(counts.candidates, 4);

    // A run's report: the same paragraphs give no candidates.
    report.Start(true, false);
    report.Look({A("Иван")}, 1, A("Иваныч!"), 5);
    report.Look({A("Иван")}, 2, A("Пётр. Нет."), 5);
    EXPECT_EQ(Show(report.Rows({A("Иван")})), "не найдено|Иван|0|0|\n");
}

TEST(SpeakerReportTest, FileLinesAndSummaries) {
    const std::vector<ReportRow> rows = {{RowKind::NotFound, A("Ольга"), 0, 0, ""},
                                         {RowKind::MixedLetters, A("Мaша"), 3, 17, "2-я буква латинская"}};
    EXPECT_EQ(workbench::ReportLines(rows),
              (std::vector<std::string>{A("вид\tтекст\tабзацев\tпервый абзац\tзамечание"), A("не найдено\tОльга\t0\t\t"),
                                        A("смешанные буквы\tМaша\t3\t17\t2-я буква латинская")}));
    EXPECT_EQ(workbench::CheckSummary(workbench::RunEnd::Completed, 923, 14, 3, 5), "Проверено 923 абзаца: 14 имён найдено, 3 не найдено, 5 кандидатов");
    EXPECT_EQ(workbench::CheckSummary(workbench::RunEnd::Completed, 21, 1, 0, 0), "Проверен 21 абзац: 1 имя найдено, 0 не найдено. Кандидатов нет");
    EXPECT_EQ(workbench::CheckSummary(workbench::RunEnd::Failed, 5, 2, 0, 1),
              "Прервано ошибкой; до неё проверено 5 абзацев: 2 имени найдено, 0 не найдено, 1 кандидат");
    EXPECT_EQ(workbench::CheckSummary(workbench::RunEnd::Stopped, 12, 1, 2, 0),
              "Остановлено; до того проверено 12 абзацев: 1 имя найдено, 2 не найдено. Кандидатов нет");
    EXPECT_EQ(workbench::AddedSummary(3), "Добавлено 3 имени");
}

}  // namespace

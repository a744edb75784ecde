// The speaker check and the report through the form, against the host
// model: what a check sends and reports, the paragraph numbers under the
// style filter, the whole-word run, adding candidates to the list (up to its
// maximum) and saving the report.
#include <unistd.h>

#include <fstream>

#include "form_fixture.h"

namespace testhost {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using platform::AnsiToUtf8;
using platform::Utf8ToAnsi;

//   1 "Действие первое"                      Заголовок
//   2 "Анна. Вот и лето прошло."              Реплика
//   3 "Анна уходит в дом."                    Ремарка
//   4 "Иван Ильичёв. Мама, ещё август."       Реплика
//   5 "Мaша. Как тихо." (a Latin "a")         Реплика
//   6 "Пётр (садится). Да."                   Реплика
//   7 "Веранда старого дома."                 Реплика
class CheckTest : public FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        host.SetStory({{A("Заголовок"), A("Действие первое")},
                       {A("Реплика"), A("Анна. Вот и лето прошло.")},
                       {A("Ремарка"), A("Анна уходит в дом.")},
                       {A("Реплика"), A("Иван Ильичёв. Мама, ещё август.")},
                       {A("Реплика"), A("Мaша. Как тихо.")},
                       {A("Реплика"), A("Пётр (садится). Да.")},
                       {A("Реплика"), A("Веранда старого дома.")}});
        host.Select(3, 5);
        form->FormShow();
        form->EntireTextRadio.Check();
        form->FontCombo.SetItemIndex(0);
        host.transcript.clear();
    }
    static std::string A(const std::string& utf8) { return Utf8ToAnsi(utf8); }
    std::string Check() { return MessageOf([&] { form->CheckButtonClick(); }); }
    std::string Summary() const { return form->SummaryLabel.Visible() ? form->SummaryLabel.Caption() : "<hidden>"; }
    std::string Rows() const {
        std::string shown;
        for (const workbench::ReportRow& row : form->ReportList.Rows())
            shown += std::string(workbench::RowKindWord(row.kind)) + "|" + AnsiToUtf8(row.text) + "|" +
                     std::to_string(row.paragraphs) + "|" + std::to_string(row.firstParagraph) + "|" + row.remark + "\n";
        return shown;
    }
    // The commands sent, without the reading ones a check may send.
    Lines OtherCommands() const {
        Lines other;
        for (const std::string& line : host.transcript)
            if (line.rfind("exec ", 0) == 0 && line.rfind("exec TextSelect ", 0) != 0 && line.rfind("exec TextCursor ", 0) != 0 &&
                line.rfind("exec SetTextCursor ", 0) != 0 && line != "exec Copy")
                other.push_back(line);
        return other;
    }
};

TEST_F(CheckTest, CheckWithAnEmptyListReadsAndFormatsNothing) {
    const int formats = static_cast<int>(host.model().publication().formats.size());
    EXPECT_EQ(Check(), "<no exception>");
    EXPECT_TRUE(view.boxes.empty()) << "expected no empty-list message";
    EXPECT_EQ(OtherCommands(), (Lines{"exec SuppressAutosave 1", "exec SuppressAutosave 0"}));
    EXPECT_EQ(std::count(host.transcript.begin(), host.transcript.end(), "exec TextSelect 0 64"), 7);
    EXPECT_EQ(static_cast<int>(host.model().publication().formats.size()), formats);
    EXPECT_EQ(host.SelectionStart(), 3);
    EXPECT_EQ(host.SelectionEnd(), 5);
    EXPECT_FALSE(host.model().AutosaveSuppressed());
    EXPECT_FALSE(form->ProgressBar.Visible());
    EXPECT_EQ(Summary(), "Проверено 7 абзацев: 0 имён найдено, 0 не найдено, 7 кандидатов");
    EXPECT_EQ(Rows(),
              "кандидат|Анна|1|2|\n"
              "кандидат|Анна уходит в дом|1|3|\n"
              "кандидат|Веранда старого дома|1|7|\n"
              "кандидат|Действие первое|1|1|\n"
              "кандидат|Иван Ильичёв|1|4|\n"
              "кандидат|Мaша|1|5|\n"
              "кандидат|Пётр|1|6|\n"
              "смешанные буквы|Мaша|1|5|2-я буква латинская\n");
}

TEST_F(CheckTest, StyleFilterNumbersEveryParagraphTheWalkStepsOver) {
    AddNames({A("Анна"), A("Вера"), A("Ольга")});
    Click(form->UseStyleCheckBox);
    form->UseStyleCheckBoxClick();
    form->SrcStyleCombo.UserSelect(form->SrcStyleCombo.IndexOf(A("Реплика")));
    Check();
    EXPECT_EQ(std::count(host.transcript.begin(), host.transcript.end(), "exec TextSelect 0 64"), 5);
    EXPECT_EQ(Summary(), "Проверено 5 абзацев: 2 имени найдено, 1 не найдено, 3 кандидата");
    EXPECT_EQ(Rows(),
              "имя|Анна|1|2|\n"
              "имя|Вера|1|7|\n"
              "не найдено|Ольга|0|0|\n"
              "кандидат|Иван Ильичёв|1|4|\n"
              "кандидат|Мaша|1|5|\n"
              "кандидат|Пётр|1|6|\n"
              "часть слова|Вера|1|7|\n"
              "смешанные буквы|Мaша|1|5|2-я буква латинская\n");
    form->NamesList.UserSelect(0);
    form->Button3Click();
    EXPECT_TRUE(form->ReportList.OutOfDate()) << "expected an edit of the list to date the report";

    // A double-click on «Вера» puts the insertion point at paragraph 7.
    form->ReportList.UserActivate(1);
    form->ReportListDblClick();
    const int seventh = static_cast<int>(host.story().Text().rfind('\r')) + 1;
    EXPECT_EQ(host.SelectionStart(), seventh);
    EXPECT_EQ(host.SelectionEnd(), seventh);
}

TEST_F(CheckTest, WholeWordRunReadsOneMoreAndFormatsTheWholeName) {
    AddNames({A("Иван"), A("Иван Ильич"), A("Вера")});
    form->FontCombo.Assign({"Times"});  // the host refuses a font without a name
    form->FontCombo.SetItemIndex(0);
    form->Button2Click();
    // The design's run: "Иван Ильич" of "Иван Ильичёв", the look too short to
    // show what follows it; "Вера" of "Веранда", a part of a word it shows.
    EXPECT_EQ(Rows(), "имя|Вера|1|7|\nимя|Иван Ильич|1|4|\nне найдено|Иван|0|0|\nчасть слова|Вера|1|7|\n");

    host.transcript.clear();
    Click(form->WholeWordCheckBox);
    form->Button2Click();
    EXPECT_EQ(std::count(host.transcript.begin(), host.transcript.end(), "exec TextSelect 0 11"), 7);
    Lines formatted;  // the names selected after each release of the look
    for (size_t i = 0; i + 1 < host.transcript.size(); ++i)
        if (host.transcript[i] == "exec TextSelect 1 11") formatted.push_back(host.transcript[i + 1]);
    EXPECT_EQ(std::count(formatted.begin(), formatted.end(), "exec TextSelect 0 4"), 1) << "only «Иван» of «Иван Ильичёв»";
    EXPECT_EQ(Rows(), "имя|Иван|1|4|\nне найдено|Вера|0|0|\nне найдено|Иван Ильич|0|0|\n");
    EXPECT_EQ(Summary(), "Оформлено 1 имя в 7 абзацах");
}

TEST_F(CheckTest, AddingCandidatesKeepsTheListsRules) {
    AddNames({A("Пётр")});
    Check();
    form->ReportList.SortBy(workbench::ReportList::FirstColumn);
    form->ReportList.UserSelect(0, true);  // the head, paragraph 1
    form->ReportList.UserSelect(1, true);  // "Анна"
    form->AddSelectedButtonClick();
    EXPECT_EQ(form->NamesList.Items(), (Lines{A("Анна"), A("Действие первое"), A("Пётр")}));
    EXPECT_EQ(Summary(), "Добавлено 2 имени");
    form->AddAllButtonClick();
    EXPECT_EQ(form->NamesList.Count(), 7) << "expected the four left, «Мaша» once";
    EXPECT_EQ(Summary(), "Добавлено 4 имени");
    EXPECT_EQ(form->ReportList.Rows().size(), 8u) << "expected the report to stay";

    // A list one short of its maximum takes one and says so.
    std::vector<std::string> many;
    for (int i = 0; i < workbench::ListModel::MaxCount - 1; ++i) many.push_back("N" + std::to_string(i));
    form->NamesList.Assign(many);
    EXPECT_EQ(MessageOf([&] { form->AddAllButtonClick(); }), "Unable to insert a line");
    EXPECT_EQ(form->NamesList.Count(), workbench::ListModel::MaxCount);
    EXPECT_EQ(Summary(), "Добавлено 1 имя");
}

TEST_F(CheckTest, ReportIsSavedAsTheNameFileIs) {
    const fs::path folder = fs::temp_directory_path() / ("rolemark-report-" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    AddNames({A("Ольга")});
    Check();
    view.saveAnswer = folder / "report.txt";
    form->SaveReportButtonClick();
    ASSERT_EQ(view.saveDialogs.size(), 1u);
    EXPECT_EQ(view.saveDialogs[0].title, "Сохранить отчёт");
    EXPECT_EQ(view.saveDialogs[0].fileName, "report.txt");
    EXPECT_TRUE(view.saveDialogs[0].askReplace);
    std::ifstream in(folder / "report.txt", std::ios::binary);
    const std::string bytes(std::istreambuf_iterator<char>(in), {});
    EXPECT_EQ(AnsiToUtf8(bytes.substr(0, bytes.find("\r\n", bytes.find("\r\n") + 2) + 2)),
              "вид\tтекст\tабзацев\tпервый абзац\tзамечание\r\nне найдено\tОльга\t0\t\t\r\n");
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 10);

    view.saveAnswer = folder / "missing" / "report.txt";
    EXPECT_EQ(MessageOf([&] { form->SaveReportButtonClick(); }), "Cannot create file " + (folder / "missing" / "report.txt").string());
    EXPECT_FALSE(fs::exists(folder / "missing"));
    fs::remove_all(folder);
}

}  // namespace
}  // namespace testhost

// The formatting run against the host model: the exact exchanges of each
// walk, the name matching, the style filter, the state answers, the clean-up
// after failures, and the guards against a second run and a host that does
// not move the insertion point.
#include "form_fixture.h"

#include "pmdde/exceptions.h"

namespace testhost {
namespace {

using workbench::MessageIcon;
using Lines = std::vector<std::string>;

Lines operator+(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The exchanges of one paragraph whose first `window` characters are copied;
// with `name` > 0 a name of that length is formatted with the fixture's
// formatting.
Lines Paragraph(int window, int name = 0) {
    const std::string w = std::to_string(window);
    Lines lines = {"exec TextSelect 0 " + w, "ask GetPMState", "exec Copy", "ask GetPMState", "exec TextSelect 1 " + w};
    if (name > 0) {
        const std::string n = std::to_string(name);
        lines = lines + Lines{"exec TextSelect 0 " + n, "exec KernText 0.00", "exec Font \"Times\"", "exec Size 10.00",
                              "exec Track 0", "exec SetWidth 100", "exec TypeStyle 0",
                              "exec TypeOptions -2.00 -2.00 -2.00 -2.00 0.00 0", "exec TextSelect 1 " + n};
    }
    return lines;
}

// The lengths of the names formatted, in order: a name's selection follows
// the release of the copied window.
std::vector<int> FormattedLengths(const Lines& transcript, int window) {
    std::vector<int> lengths;
    const std::string release = "exec TextSelect 1 " + std::to_string(window), select = "exec TextSelect 0 ";
    for (size_t i = 0; i + 1 < transcript.size(); ++i)
        if (transcript[i] == release && transcript[i + 1].rfind(select, 0) == 0)
            lengths.push_back(std::stoi(transcript[i + 1].substr(select.size())));
    return lengths;
}

class RunTest : public FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        // Paragraphs start at 0, 12 and 26; the story ends at 35.
        host.SetStory({{"Speech", "IVAN: Hello"}, {"Direction", "They embrace."}, {"Speech", "MARIA: Hi"}});
        host.Select(3, 5);
        AddNames({"MARIA", "IVAN"});
        UseTimesWithoutTracking();
        form->ProgressBar.changed = [this] {
            const auto& bar = form->ProgressBar;
            if (bar.Visible()) bars.push_back({bar.Min(), bar.Max(), bar.Position()});
            visibility.push_back(bar.Visible());
        };
    }
    void WholeStory() { form->EntireTextRadio.Check(); }
    // Formatting the host accepts (its font list does not matter here).
    void UseTimesWithoutTracking() {
        form->FontCombo.Assign({"Times"});
        form->FontCombo.SetItemIndex(0);
        form->TrackingCombo.SetItemIndex(0);
    }
    // The first fill with these styles, then the formatting fields back at
    // the fixture's, so that names get the same commands.
    void ShowWithStyles(const Lines& styles) {
        host.SetStyles(styles);
        form->FormShow();
        form->SizeEdit.SetValue(10);
        UseTimesWithoutTracking();
        host.transcript.clear();
    }
    void ScriptStates(std::vector<int> states) { host.model().faults.states = std::move(states); }
    void AnswerState(int state) { host.replies["GetPMState"] = std::to_string(state); }
    void StallParagraphSteps() {
        host.model().faults.stallFrom = 1;
        host.model().faults.stallCount = 0;
    }
    std::string Run() { return MessageOf([&] { form->Button2Click(); }); }
    // The line in the progress bar's place; "<hidden>" when it is not shown.
    std::string Summary() const {
        return form->SummaryLabel.Visible() ? form->SummaryLabel.Caption() : std::string("<hidden>");
    }

    struct Bar {
        int min, max, position;
        bool operator==(const Bar& o) const { return min == o.min && max == o.max && position == o.position; }
    };
    std::vector<Bar> bars;        // the bar's state at each change while shown
    std::vector<bool> visibility;  // the visible flag at each change
};

// --- the walks

TEST_F(RunTest, WholeStoryWalkSendsItsExchangesInOrder) {
    WholeStory();
    EXPECT_EQ(Run(), "<no exception>");
    const Lines expected = Lines{"connect", "ask GetPMState", "exec SuppressAutosave 1", "ask GetTextCursor",
                                 "exec TextCursor 10 1", "ask GetTextCursor", "exec TextCursor 11 1",
                                 "ask GetTextCursor"} +
                           Paragraph(5, 4) + Lines{"exec TextCursor 6 1", "ask GetTextCursor"} +
                           Paragraph(5) + Lines{"exec TextCursor 6 1", "ask GetTextCursor"} +
                           Paragraph(5, 5) + Lines{"exec TextCursor 6 1", "ask GetTextCursor"} +
                           Lines{"exec SetTextCursor 5 3 5", "exec SuppressAutosave 0", "disconnect"};
    EXPECT_EQ(host.transcript, expected);
    EXPECT_EQ(host.SelectionStart(), 3);
    EXPECT_EQ(host.SelectionEnd(), 5);
    EXPECT_FALSE(host.model().AutosaveSuppressed());
    EXPECT_EQ(clipboard.text, std::optional<std::string>("MARIA")) << "expected the last copy left on the clipboard";
    EXPECT_TRUE(view.boxes.empty());
}

TEST_F(RunTest, WholeStoryWalkMovesTheProgressBarAndHidesItAtTheEnd) {
    WholeStory();
    Run();
    // Maximum first, then minimum and position, then shown; then each step.
    const std::vector<Bar> expected = {{0, 35, 0}, {0, 35, 12}, {0, 35, 26}, {0, 35, 35}};
    EXPECT_EQ(bars, expected);
    ASSERT_FALSE(visibility.empty());
    EXPECT_FALSE(visibility.back());
    EXPECT_FALSE(form->ProgressBar.Visible());
}

// A long play: positions pass 65,535 and 131,071. The bar takes them whole,
// so it only moves forward.
TEST_F(RunTest, ProgressBarTakesWholePositionsAndNeverGoesBack) {
    std::vector<testhost::Paragraph> story;
    for (int i = 0; i < 7; ++i) story.push_back({"Speech", "IVAN: " + std::string(20000, 'x')});
    host.SetStory(story);  // 20,007 characters a paragraph with its end mark; none after the last
    const int end = 7 * 20007 - 1;
    host.Select(65536 + 100, 131072 + 5);
    WholeStory();
    EXPECT_EQ(Run(), "<no exception>");
    ASSERT_EQ(bars.size(), 8u);
    EXPECT_EQ(bars.front(), (Bar{0, end, 0}));
    EXPECT_EQ(bars.back(), (Bar{0, end, end}));
    for (size_t i = 1; i < bars.size(); ++i) EXPECT_GT(bars[i].position, bars[i - 1].position) << "step " << i;
    EXPECT_EQ(host.SelectionStart(), 65536 + 100) << "expected the full positions sent back";
    EXPECT_EQ(host.SelectionEnd(), 131072 + 5);
}

TEST_F(RunTest, SelectionIsGivenBackWithTheLatestFirstNumber) {
    WholeStory();
    // The first number counts 0, 1, 2, ... one per GetTextCursor: 3 questions
    // before the walk and one per paragraph make the last answer 5, the story
    // the model holds.
    int id = 0;
    host.onExchange = [&](const std::string& line) {
        if (line != "ask GetTextCursor") return;
        host.replies["GetTextCursor"] = std::to_string(id++) + "," + std::to_string(host.SelectionStart()) + "," +
                                       std::to_string(host.SelectionEnd());
    };
    Run();
    EXPECT_EQ(id, 6);
    EXPECT_EQ(host.transcript[host.transcript.size() - 3], "exec SetTextCursor 5 3 5");
    EXPECT_EQ(host.SelectionEnd(), 5);
}

TEST_F(RunTest, SelectedParagraphsWalkSendsItsExchangesInOrder) {
    host.SetStory({{"Speech", "IVAN: Hello"}, {"Speech", "MARIA: Hi"}, {"Speech", "IVAN: Bye"}, {"Speech", "MARIA: Go"}});
    // Paragraphs start at 0, 12, 22, 32; the selection runs from inside the
    // second into the third.
    host.Select(14, 25);
    ScriptStates({7, 3});
    Run();
    const Lines expected = Lines{"connect", "ask GetPMState", "exec SuppressAutosave 1", "ask GetPMState",
                                 "ask GetTextCursor", "exec SetTextCursor 5 25 25", "exec TextCursor 6 0",
                                 "ask GetTextCursor", "exec SetTextCursor 5 14 14", "exec TextCursor 7 0"} +
                           Paragraph(5, 5) + Lines{"exec TextCursor 6 1", "ask GetPMState", "ask GetTextCursor"} +
                           Paragraph(5, 4) + Lines{"exec TextCursor 6 1", "ask GetPMState", "ask GetTextCursor"} +
                           Lines{"exec SetTextCursor 5 14 25", "exec SuppressAutosave 0", "disconnect"};
    EXPECT_EQ(host.transcript, expected);
    EXPECT_EQ(host.SelectionStart(), 14);
    EXPECT_EQ(host.SelectionEnd(), 25);
    const std::vector<Bar> expectedBars = {{14, 25, 14}, {14, 25, 22}, {14, 25, 32}};
    EXPECT_EQ(bars, expectedBars);
}

TEST_F(RunTest, InsertionPointTreatsItsParagraphWhenTheStateIsThreeOrEight) {
    const std::vector<std::vector<int>> answers = {{7, 3}, {7, 1, 8}, {8, 0, 8}};
    for (const auto& states : answers) {
        host.transcript.clear();
        host.Select(15, 15);  // inside the second paragraph
        ScriptStates(states);
        Run();
        EXPECT_EQ(std::count(host.transcript.begin(), host.transcript.end(), "exec Copy"), 1)
            << "states " << states[0] << "," << states[1];
        EXPECT_EQ(host.transcript[host.transcript.size() - 3], "exec SetTextCursor 5 15 15");
    }
}

TEST_F(RunTest, SelectedParagraphsWalkIsSkippedInOtherStates) {
    ScriptStates({7, 1, 3});  // the second answer must be 8
    Run();
    const Lines expected = {"connect", "ask GetPMState", "exec SuppressAutosave 1", "ask GetPMState",
                            "ask GetPMState", "exec SuppressAutosave 0", "disconnect"};
    EXPECT_EQ(host.transcript, expected);
    EXPECT_TRUE(bars.empty()) << "expected the bar never shown";
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_EQ(Summary(), "Нет выделенных абзацев: выделите текст или выберите «По всему текстовому блоку»");
}

TEST_F(RunTest, OneParagraphStoryIsTreatedOnce) {
    WholeStory();
    host.SetStory({{"Speech", "IVAN alone"}});
    Run();
    EXPECT_EQ(std::count(host.transcript.begin(), host.transcript.end(), "exec Copy"), 1);
    EXPECT_EQ(FormattedLengths(host.transcript, 5), (std::vector<int>{4}));
}

// --- what a run says when it is over

TEST(RunSummaryTest, NounsAgreeWithTheirNumbers) {
    const std::pair<int, const char*> names[] = {{0, "имён"},   {1, "имя"},    {2, "имени"}, {4, "имени"},
                                                 {5, "имён"},   {11, "имён"},  {12, "имён"}, {14, "имён"},
                                                 {20, "имён"},  {21, "имя"},   {22, "имени"}, {25, "имён"},
                                                 {101, "имя"},  {111, "имён"}, {112, "имён"}, {1021, "имя"}};
    for (const auto& [n, form] : names) EXPECT_STREQ(workbench::PluralForm(n, "имя", "имени", "имён"), form) << n;

    using workbench::RunEnd;
    using workbench::RunSummary;
    EXPECT_EQ(RunSummary(RunEnd::Completed, {1, 1}), "Оформлено 1 имя в 1 абзаце");
    EXPECT_EQ(RunSummary(RunEnd::Completed, {3, 4}), "Оформлено 3 имени в 4 абзацах");
    EXPECT_EQ(RunSummary(RunEnd::Completed, {5, 20}), "Оформлено 5 имён в 20 абзацах");
    EXPECT_EQ(RunSummary(RunEnd::Completed, {21, 21}), "Оформлено 21 имя в 21 абзаце");
    EXPECT_EQ(RunSummary(RunEnd::Completed, {31, 40}), "Оформлено 31 имя в 40 абзацах");
    EXPECT_EQ(RunSummary(RunEnd::Completed, {111, 111}), "Оформлено 111 имён в 111 абзацах");
    EXPECT_EQ(RunSummary(RunEnd::Completed, {0, 12}), "Ни одного имени не найдено в 12 абзацах");
    EXPECT_EQ(RunSummary(RunEnd::Completed, {0, 1}), "Ни одного имени не найдено в 1 абзаце");
    EXPECT_EQ(RunSummary(RunEnd::Failed, {22, 23}), "Прервано ошибкой; до неё оформлено 22 имени в 23 абзацах");
    EXPECT_EQ(RunSummary(RunEnd::Stopped, {2, 21}), "Остановлено: оформлено 2 имени в 21 абзаце");
    EXPECT_EQ(RunSummary(RunEnd::Stopped, {0, 3}), "Остановлено: ни одного имени не найдено в 3 абзацах");
}

TEST_F(RunTest, FinishedRunShowsItsCountsInTheBarsPlaceUntilTheNextHostAction) {
    std::vector<bool> bothShown;
    form->SummaryLabel.changed = [&] { bothShown.push_back(form->SummaryLabel.Visible() && form->ProgressBar.Visible()); };
    EXPECT_EQ(Summary(), "<hidden>");
    WholeStory();
    Run();
    EXPECT_EQ(Summary(), "Оформлено 2 имени в 3 абзацах");
    EXPECT_EQ(std::count(bothShown.begin(), bothShown.end(), true), 0) << "expected never over the progress bar";

    host.SetStory({{"S", "nobody"}});
    Run();
    EXPECT_EQ(Summary(), "Ни одного имени не найдено в 1 абзаце");

    // A state message says why on its own; a style choice talks to the host.
    AnswerState(1);
    Run();
    EXPECT_EQ(Summary(), "<hidden>");
    host.replies.clear();
    Run();
    EXPECT_EQ(Summary(), "Ни одного имени не найдено в 1 абзаце");
    ShowWithStyles({"Direction", "Speech"});
    form->TargetStyleCombo.UserSelect(0);
    form->TargetStyleComboChange();
    EXPECT_EQ(Summary(), "<hidden>");
    Run();
    EXPECT_NE(Summary(), "<hidden>");
    form->SrcStyleCombo.UserSelect(0);
    form->SrcStyleComboChange();
    EXPECT_EQ(Summary(), "<hidden>");
}

// --- matching names

TEST_F(RunTest, LongestListedNameIsFormatted) {
    WholeStory();
    form->NamesList.Clear();
    AddNames({"IVAN PETROVICH", "IVAN", "IVAN P"});
    host.SetStory({{"S", "IVAN PETROVICH enters"}, {"S", "IVAN alone"}, {"S", "IVAN Pavlovich"}});
    Run();
    EXPECT_EQ(FormattedLengths(host.transcript, 14), (std::vector<int>{14, 4, 6}));
}

TEST_F(RunTest, NameInAnotherLetterCaseIsLeftAlone) {
    WholeStory();
    host.SetStory({{"S", "ivan: hello"}, {"S", "Maria: hi"}});
    Run();
    EXPECT_TRUE(FormattedLengths(host.transcript, 5).empty());
}

TEST_F(RunTest, NameFollowedDirectlyByLettersIsFormatted) {
    WholeStory();
    host.SetStory({{"S", "IVANOVICH speaks"}, {"S", "The IVAN inside"}});
    Run();
    EXPECT_EQ(FormattedLengths(host.transcript, 5), (std::vector<int>{4}));
}

TEST_F(RunTest, ParagraphShorterThanTheLongestNameIsMatchedOnTheCopiedText) {
    WholeStory();
    form->NamesList.Clear();
    AddNames({"ANNA", "BORIS PETROVICH"});
    host.SetStory({{"S", "ANNA"}, {"S", "BORIS PETROVICH: yes"}});
    std::vector<std::string> copies;
    host.onExchange = [&](const std::string& line) {
        if (line == "ask GetTextCursor" && clipboard.text) copies.push_back(*clipboard.text);
    };
    Run();
    EXPECT_EQ(FormattedLengths(host.transcript, 15), (std::vector<int>{4, 15}));
    ASSERT_FALSE(copies.empty());
    EXPECT_EQ(copies.front(), "ANNA\r\nBORIS PETR") << "expected the copy to run past the paragraph's end";
}

TEST_F(RunTest, EmptyEntriesNeverMatchAndCyrillicNamesDo) {
    WholeStory();
    form->NamesList.Clear();
    const std::string anna = platform::Utf8ToAnsi("АННА");
    AddNames({"", anna});
    host.SetStory({{"S", anna + ": да"}, {"S", "no name"}});
    Run();
    EXPECT_EQ(FormattedLengths(host.transcript, 4), (std::vector<int>{4}));
}

TEST_F(RunTest, StyleFilterSendsNothingMoreForAParagraphOfAnotherStyle) {
    WholeStory();
    ShowWithStyles({"Direction", "Speech"});  // the source list selects "Speech"
    form->UseStyleCheckBox.UserCheck(true);
    Run();
    const Lines expected = Lines{"connect", "ask GetPMState", "exec SuppressAutosave 1", "ask GetTextCursor",
                                 "exec TextCursor 10 1", "ask GetTextCursor", "exec TextCursor 11 1",
                                 "ask GetTextCursor", "ask GetStyle"} +
                           Paragraph(5, 4) + Lines{"exec TextCursor 6 1", "ask GetTextCursor", "ask GetStyle"} +
                           Lines{"exec TextCursor 6 1", "ask GetTextCursor", "ask GetStyle"} + Paragraph(5, 5) +
                           Lines{"exec TextCursor 6 1", "ask GetTextCursor", "exec SetTextCursor 5 3 5",
                                 "exec SuppressAutosave 0", "disconnect"};
    EXPECT_EQ(host.transcript, expected);
    EXPECT_EQ(Summary(), "Оформлено 2 имени в 2 абзацах") << "expected the paragraph of another style not counted";
}

TEST_F(RunTest, StyleFilterComparesStyleNamesExactly) {
    WholeStory();
    host.SetStory({{"speech", "IVAN: a"}, {"Speech ", "IVAN: b"}, {"Speech", "IVAN: c"}});
    ShowWithStyles({"A", "Speech"});
    form->UseStyleCheckBox.UserCheck(true);
    Run();
    EXPECT_EQ(FormattedLengths(host.transcript, 5), (std::vector<int>{4}));
}

// --- state answers and the empty list

TEST_F(RunTest, EmptyListSaysSoAndContactsNoHost) {
    form->NamesList.Clear();
    Run();
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text, "Список действующих лиц пуст");
    EXPECT_EQ(view.boxes[0].caption, "Ошибочка вышла");
    EXPECT_EQ(view.boxes[0].icon, MessageIcon::Exclamation);
    EXPECT_TRUE(host.transcript.empty());
    EXPECT_EQ(conversation.connects, 0);
}

TEST_F(RunTest, OtherStatesShowTheirMessageAndCloseTheLink) {
    const std::pair<int, const char*> cases[] = {
        {0, "Закройте помощь PageMaker и вернитесь к публикации"},
        {1, "Для начала откройте публикацию"},
        {2, "Сначала перейдите в текстовый режим"},
        {3, "Сначала перейдите в текстовый режим"},
        {4, "Сначала перейдите в текстовый режим"},
        {9, "Сначала перейдите в текстовый режим"},
        {5, "Сначала поместите объект"},
        {6, "Текст отсутствует"},
        {128 + 6, "Текст отсутствует"},
        {10, nullptr},
        {127, nullptr},
    };
    for (const auto& [state, text] : cases) {
        SCOPED_TRACE("state " + std::to_string(state));
        view.boxes.clear();
        host.transcript.clear();
        AnswerState(state);
        bool linkOpenAtBox = false;
        view.onBox = [&](const RecordingView::Box&) { linkOpenAtBox = conversation.Connected(); };
        Run();
        EXPECT_EQ(host.transcript, (Lines{"connect", "ask GetPMState", "disconnect"}));
        if (!text) {
            EXPECT_TRUE(view.boxes.empty());
            continue;
        }
        ASSERT_EQ(view.boxes.size(), 1u);
        EXPECT_EQ(view.boxes[0].text, text);
        EXPECT_EQ(view.boxes[0].caption, "Проблемы при работе");
        EXPECT_EQ(view.boxes[0].icon, MessageIcon::None);
        EXPECT_TRUE(linkOpenAtBox) << "expected the link closed only after the box";
        EXPECT_EQ(platform::ProcessNumberFormat().decimal, ',');
    }
}

TEST_F(RunTest, StateWithTheHighBitSetWalks) {
    WholeStory();
    AnswerState(128 + 7);
    Run();
    EXPECT_EQ(std::count(host.transcript.begin(), host.transcript.end(), "exec Copy"), 3);
}

// --- failures

// The paragraph's first characters must not stay selected for the next
// keystroke to replace.
TEST_F(RunTest, FailureInTheWalkGivesSelectionAndAutosaveBackAndCleansUp) {
    WholeStory();
    host.onExchange = [&](const std::string& line) {
        if (line == "exec TextCursor 6 1") host.replies["GetTextCursor"] = std::nullopt;
    };
    EXPECT_EQ(Run(), "Не могу получить данные от PageMaker - GetTextCursor");
    const Lines tail(host.transcript.end() - 5, host.transcript.end());
    EXPECT_EQ(tail, (Lines{"exec TextCursor 6 1", "ask GetTextCursor", "exec SetTextCursor 5 3 5",
                           "exec SuppressAutosave 0", "disconnect"}));
    EXPECT_FALSE(host.model().AutosaveSuppressed());
    EXPECT_EQ(host.SelectionStart(), 3);
    EXPECT_EQ(host.SelectionEnd(), 5);
    EXPECT_FALSE(conversation.Connected());
    EXPECT_EQ(platform::ProcessNumberFormat().decimal, ',');
    EXPECT_FALSE(form->ProgressBar.Visible());
    EXPECT_FALSE(bars.empty()) << "expected the bar shown before the failure";
    EXPECT_EQ(Summary(), "Прервано ошибкой; до неё оформлено 1 имя в 1 абзаце");
}

TEST_F(RunTest, FailureBeforeAutosaveSendsNoAutosave) {
    host.replies["GetPMState"] = std::nullopt;
    EXPECT_EQ(Run(), "Не могу получить данные от PageMaker - GetPMState");
    EXPECT_EQ(host.transcript, (Lines{"connect", "ask GetPMState", "disconnect"}));
    EXPECT_EQ(platform::ProcessNumberFormat().decimal, ',');
}

TEST_F(RunTest, DroppedLinkReportsTheFirstFailure) {
    WholeStory();
    host.onExchange = [&](const std::string& line) {
        if (line == "exec KernText 0.00") conversation.DropByServer();
    };
    EXPECT_EQ(Run(), "Не могу выполнить команду PageMaker - Font \"Times\"");
    EXPECT_EQ(host.transcript.back(), "exec KernText 0.00") << "expected nothing more to reach the host";
    EXPECT_TRUE(host.model().AutosaveSuppressed()) << "expected the autosave beyond reach";
    EXPECT_FALSE(conversation.Connected());
    EXPECT_EQ(platform::ProcessNumberFormat().decimal, ',');
    EXPECT_FALSE(form->ProgressBar.Visible());
}

TEST_F(RunTest, ClipboardHeldByAnotherProgramEndsTheRunClearly) {
    WholeStory();
    clipboard.heldByOther = true;
    EXPECT_EQ(Run(), "Не удалось открыть буфер обмена: его занимает другая программа");
    const Lines tail(host.transcript.end() - 4, host.transcript.end());
    EXPECT_EQ(tail, (Lines{"ask GetPMState", "exec SetTextCursor 5 3 5", "exec SuppressAutosave 0", "disconnect"}));
    EXPECT_FALSE(form->ProgressBar.Visible());
}

TEST_F(RunTest, ClipboardTakenAfterTheCopyEndsTheRunClearly) {
    WholeStory();
    app.Post([&] { clipboard.heldByOther = true; });
    EXPECT_EQ(Run(), "Не удалось открыть буфер обмена: его занимает другая программа");
    EXPECT_EQ(host.transcript.back(), "disconnect");
    EXPECT_FALSE(host.model().AutosaveSuppressed());
}

// --- the host's verdicts, the clipboard's origin, the link's end

standin::Selector Nth(const char* word, int k) {
    standin::Selector selector;
    selector.word = word;
    selector.occurrence = k;
    return selector;
}

// The name's selection refused: the seven format commands and the step after
// it stay sent, the walk's next query is not.
TEST_F(RunTest, RefusedCommandEndsTheRunAtTheNextQueryNamingItsParagraph) {
    WholeStory();
    host.model().faults.refuseCommand.push_back(Nth("textselect", 3));
    EXPECT_EQ(Run(), "PageMaker не выполнил команду «TextSelect 0 4» (абзац 1)");
    const Lines tail(host.transcript.end() - 5, host.transcript.end());
    EXPECT_EQ(tail, (Lines{"exec TextSelect 1 4", "exec TextCursor 6 1", "exec SetTextCursor 5 3 5", "exec SuppressAutosave 0",
                           "disconnect"}));
    EXPECT_FALSE(host.model().AutosaveSuppressed());
}

TEST_F(RunTest, BusyCommandEndsTheRunWithTheBusyMessage) {
    WholeStory();
    host.model().faults.busyCommand.push_back(Nth("textselect", 5));  // the second paragraph's window
    EXPECT_EQ(Run(), "PageMaker занят и не выполнил команду «TextSelect 0 5» (абзац 2)");
    EXPECT_EQ(std::count(host.transcript.begin(), host.transcript.end(), "exec Copy"), 1);
}

TEST_F(RunTest, BusyOrRefusedCopyIsRepeated) {
    WholeStory();
    host.model().faults.busyCommand.push_back(Nth("copy", 1));
    host.model().faults.refuseCommand.push_back(Nth("copy", 3));
    EXPECT_EQ(Run(), "<no exception>");
    EXPECT_EQ(FormattedLengths(host.transcript, 5), (std::vector<int>{4, 5}));
    EXPECT_EQ(std::count(host.transcript.begin(), host.transcript.end(), "exec Copy"), 5);
}

// Another program's text on the clipboard after the host's Copy is not read:
// the Copy is made again.
TEST_F(RunTest, OnlyTextTheHostCopiedIsMatched) {
    WholeStory();
    conversation.partnerProcess = clipboard.writer = 7;
    app.Post([&] {
        clipboard.writer = 99;
        (void)clipboard.SetText("MARIA: from another program");
        clipboard.writer = 7;
    });
    EXPECT_EQ(Run(), "<no exception>");
    EXPECT_EQ(FormattedLengths(host.transcript, 5), (std::vector<int>{4, 5}));
}

TEST_F(RunTest, CopyThatNeverReachesTheClipboardStopsTheRunAfterAFewTries) {
    WholeStory();
    host.acknowledged.insert("Copy");  // taken, never carried out
    EXPECT_EQ(Run(), "Не удалось прочитать начало абзаца 1: буфер обмена занят другой программой");
    EXPECT_EQ(std::count(host.transcript.begin(), host.transcript.end(), "exec Copy"), 5);
    EXPECT_EQ(host.transcript.back(), "disconnect");
    EXPECT_FALSE(host.model().AutosaveSuppressed());
}

TEST_F(RunTest, CommandsNeverConfirmedAreReportedOnceTheLinkIsClosed) {
    WholeStory();
    host.onExchange = [&](const std::string& line) {
        if (line == "exec SetTextCursor 5 3 5") conversation.completionsCome = false;
    };
    EXPECT_EQ(Run(), "PageMaker не подтвердил 2 команд");
    EXPECT_NE(Summary(), "<hidden>") << "expected the run's counts shown as well";
}

TEST_F(RunTest, AfterAQueryTimedOutTheCleanUpGoesOverAFreshConversation) {
    WholeStory();
    conversation.requestsTimeOut = true;
    host.onExchange = [&](const std::string& line) {
        if (line == "exec TextCursor 6 1") host.replies["GetTextCursor"] = std::nullopt;
    };
    EXPECT_EQ(Run(), "Не могу получить данные от PageMaker - GetTextCursor");
    const Lines tail(host.transcript.end() - 6, host.transcript.end());
    EXPECT_EQ(tail, (Lines{"ask GetTextCursor", "disconnect", "connect", "exec SetTextCursor 5 3 5", "exec SuppressAutosave 0",
                           "disconnect"}));
    EXPECT_FALSE(host.model().AutosaveSuppressed());
}

TEST_F(RunTest, UnreachableHostRestoresTheSeparator) {
    conversation.server = nullptr;
    EXPECT_EQ(Run(), "Не могу установить связь с PageMaker");
    EXPECT_EQ(platform::ProcessNumberFormat().decimal, ',');
    EXPECT_FALSE(form->ProgressBar.Visible());
    EXPECT_FALSE(form->Running());
    EXPECT_EQ(Summary(), "Прервано ошибкой; до неё не оформлено ни одного имени");
}

// --- guards

TEST_F(RunTest, HostThatDoesNotMoveTheInsertionPointEndsTheWalk) {
    WholeStory();
    StallParagraphSteps();
    EXPECT_EQ(Run(), "<no exception>");
    EXPECT_EQ(std::count(host.transcript.begin(), host.transcript.end(), "exec Copy"), 1);
    const Lines tail(host.transcript.end() - 5, host.transcript.end());
    EXPECT_EQ(tail, (Lines{"exec TextCursor 6 1", "ask GetTextCursor", "exec SetTextCursor 5 3 5",
                           "exec SuppressAutosave 0", "disconnect"}));
}

TEST_F(RunTest, SelectedWalkAlsoEndsWhenTheInsertionPointStays) {
    host.Select(0, 30);
    ScriptStates({7, 3});
    StallParagraphSteps();
    EXPECT_EQ(Run(), "<no exception>");
    EXPECT_EQ(std::count(host.transcript.begin(), host.transcript.end(), "exec Copy"), 1);
    EXPECT_EQ(host.transcript.back(), "disconnect");
}

TEST_F(RunTest, SecondPressDuringARunIsIgnored) {
    WholeStory();
    bool delivered = false;
    app.Post([&] {
        delivered = true;
        EXPECT_TRUE(form->Running());
        form->Button2Click();
    });
    Run();
    EXPECT_TRUE(delivered);
    EXPECT_EQ(conversation.connects, 1);
    EXPECT_EQ(std::count(host.transcript.begin(), host.transcript.end(), "exec SuppressAutosave 1"), 1);
    EXPECT_EQ(std::count(host.transcript.begin(), host.transcript.end(), "exec Copy"), 3);
    EXPECT_FALSE(form->Running());
    Run();
    EXPECT_EQ(conversation.connects, 2) << "expected a later press to run again";
}

// Every control that feeds an action is disabled while a run talks to the
// host, and a pick or an edit that gets through anyway changes nothing: not
// the run, which works on the names and the format it started with, and no
// style is loaded afterwards.
TEST_F(RunTest, InputDuringARunChangesNothingOfIt) {
    WholeStory();
    ShowWithStyles({"Direction", "Speech"});
    view.busy.clear();
    std::vector<workbench::Control*> inputs = {&form->NamesList, &form->Button3, &form->Button5, &form->SelParaRadio,
                                               &form->TargetStyleCombo, &form->SizeEdit, &form->BoldCheck,
                                               &form->Button2};
    std::vector<bool> enabledDuring;
    app.Post([&] {
        for (auto* control : inputs) enabledDuring.push_back(control->Enabled());
        form->NamesList.UserSelect(0);  // "IVAN", found in the paragraph in progress
        form->Button3Click();
        form->TargetStyleCombo.UserSelect(0);
        form->TargetStyleComboChange();
        // What the walk reads, changed under it as a click would.
        form->NamesList.Delete(1);
        form->BoldCheck.SetChecked(true);
        form->UseStyleCheckBox.SetChecked(true);
    });
    Run();
    EXPECT_EQ(enabledDuring, std::vector<bool>(inputs.size(), false));
    EXPECT_EQ(view.busy, (std::vector<bool>{true, false}));
    EXPECT_EQ(FormattedLengths(host.transcript, 5), (std::vector<int>{4, 5}));
    for (const char* unread : {"ask GetStyle", "exec TypeStyle 1"})
        EXPECT_EQ(std::count(host.transcript.begin(), host.transcript.end(), unread), 0) << unread;
    EXPECT_EQ(host.transcript.back(), "disconnect");
    EXPECT_EQ(std::count(host.transcript.begin(), host.transcript.end(), "connect"), 1) << "expected no style loaded";
    EXPECT_EQ(form->NamesList.Items(), (Lines{"IVAN"})) << "expected only the change that bypassed the button";
    EXPECT_EQ(form->TargetStyleCombo.Text(), "Speech") << "expected the style the fields hold";
    for (auto* control : inputs) EXPECT_TRUE(control->Enabled()) << control->Name();
    EXPECT_FALSE(form->SrcStyleCombo.Enabled()) << "expected the state it had before the run";
}

// Esc ends the walk after the paragraph in progress, with the clean-up of a
// walk that reached its end; pressed with no run going, it stops nothing.
TEST_F(RunTest, EscStopsARunAtTheNextParagraph) {
    WholeStory();
    form->FormEscapeKey();
    app.Post([&] { form->FormEscapeKey(); });
    Run();
    const Lines stopped = Lines{"connect", "ask GetPMState", "exec SuppressAutosave 1", "ask GetTextCursor",
                                "exec TextCursor 10 1", "ask GetTextCursor", "exec TextCursor 11 1",
                                "ask GetTextCursor"} +
                          Paragraph(5, 4) + Lines{"exec TextCursor 6 1", "ask GetTextCursor"} +
                          Lines{"exec SetTextCursor 5 3 5", "exec SuppressAutosave 0", "disconnect"};
    EXPECT_EQ(TakeTranscript(), stopped);
    EXPECT_EQ(Summary(), "Остановлено: оформлено 1 имя в 1 абзаце");
    EXPECT_FALSE(form->ProgressBar.Visible());

    // The selected-paragraphs walk the same way; the next run goes on to its end.
    host.Select(0, 30);
    ScriptStates({7, 3});
    form->SelParaRadio.Check();
    app.Post([&] { form->FormEscapeKey(); });
    Run();
    EXPECT_EQ(std::count(host.transcript.begin(), host.transcript.end(), "exec Copy"), 1);
    EXPECT_EQ(Lines(host.transcript.end() - 3, host.transcript.end()),
              (Lines{"exec SetTextCursor 5 0 30", "exec SuppressAutosave 0", "disconnect"}));
    EXPECT_EQ(Summary(), "Остановлено: оформлено 1 имя в 1 абзаце");
    WholeStory();
    Run();
    EXPECT_EQ(Summary(), "Оформлено 2 имени в 3 абзацах");
}

TEST_F(RunTest, StylePickedDuringAFailedRunLeavesTheListAtTheFieldsStyle) {
    WholeStory();
    ShowWithStyles({"Direction", "Speech"});
    app.Post([&] {
        form->TargetStyleCombo.UserSelect(0);
        form->TargetStyleComboChange();
        clipboard.heldByOther = true;
    });
    EXPECT_NE(Run(), "<no exception>");
    EXPECT_EQ(form->TargetStyleCombo.Text(), "Speech") << "expected the style the fields were loaded from";
    EXPECT_EQ(std::count(host.transcript.begin(), host.transcript.end(), "exec StyleBegin \"Direction\""), 0);
}

// On Windows a query waits in a modal loop that dispatches the user's input,
// and DDEML fails a request started meanwhile (so does the stand-in). Every
// handler the user reaches while a query of the first fill or of a run waits
// starts no request and changes nothing: no second action, no style loaded
// later, no name added or removed, no file dialog.
TEST_F(RunTest, InputWhileAQueryWaitsStartsNoRequest) {
    WholeStory();
    host.SetStyles({"Direction", "Speech"});
    int fired = 0;
    auto everyHandler = [&] {
        ++fired;
        form->NamesEdit.UserText("OLGA");
        form->Button1Click();
        form->NamesList.UserSelect(0);
        form->Button3Click();
        form->Button4Click();
        form->Button5Click();
        form->UseStyleCheckBoxClick();
        form->SrcStyleCombo.UserSelect(0);
        form->SrcStyleComboChange();
        form->BasedOnCheckBoxClick();
        form->TargetStyleCombo.UserSelect(0);
        form->TargetStyleComboChange();
        form->FontComboChange();
        form->NormalCheckClick();
        form->BoldCheckClick();
        form->ItalicCheckClick();
        form->Button2Click();
        form->FormShow();
    };
    host.onExchange = [&](const std::string& line) {
        if (line == "ask GetFont") everyHandler();
    };
    form->FormShow();
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(TakeTranscript(), (Lines{"connect", "ask GetPMState", "ask GetStyleNames", "ask GetFontList",
                                       "disconnect", "connect", "exec StyleBegin \"Speech\"", "ask GetFont", "ask GetSize", "ask GetTrack",
                                       "ask GetLeading", "ask GetWidth", "ask GetTypeOptions", "exec StyleEnd",
                                       "disconnect"}));

    UseTimesWithoutTracking();
    host.onExchange = [&](const std::string& line) {
        if (line == "ask GetTextCursor") everyHandler();
    };
    Run();
    EXPECT_GT(fired, 4);
    EXPECT_EQ(conversation.reentrantRequests, 0);
    EXPECT_EQ(std::count(host.transcript.begin(), host.transcript.end(), "connect"), 1);
    EXPECT_EQ(FormattedLengths(host.transcript, 5), (std::vector<int>{4, 5}));
    EXPECT_EQ(host.transcript.back(), "disconnect");
    EXPECT_EQ(form->NamesList.Items(), (Lines{"IVAN", "MARIA"}));
    EXPECT_TRUE(view.saveDialogs.empty() && view.openDialogs.empty());

    // The stand-in does fail a request started inside another.
    std::optional<std::string> nested = "untouched";
    host.onExchange = [&](const std::string& line) {
        if (line == "ask GetPMState") nested = conversation.RequestText("GetPMState");
    };
    Run();
    EXPECT_EQ(nested, std::nullopt);
    EXPECT_GT(conversation.reentrantRequests, 0);
}

// A field can lose the focus during a run, which writes numbers with a full
// stop: leaving the fields and spinning one must change nothing.
TEST_F(RunTest, FieldsLeftDuringARunKeepTheirValues) {
    WholeStory();
    form->SizeEdit.UserText("10,5");
    form->KerningEdit.SetValue(0.05);
    form->BaseShiftEdit.SetValue(-1.5);
    std::vector<workbench::SpinEdit*> fields = {&form->SizeEdit, &form->KerningEdit, &form->LeadingEdit,
                                                &form->WidthEdit, &form->BaseShiftEdit};
    auto texts = [&] {
        Lines shown;
        for (auto* field : fields) shown.push_back(field->Text());
        return shown;
    };
    const Lines before = texts();
    app.Post([&] {
        for (auto* field : fields) field->Exit();
        form->SizeEdit.Up();
        form->SizeEdit.Down();
    });
    Run();
    EXPECT_EQ(texts(), before);
    host.transcript.clear();
    Run();
    for (const char* command : {"exec Size 10.50", "exec KernText 0.05", "exec TypeOptions -2.00 -2.00 -2.00 -2.00 1.50 1"})
        EXPECT_EQ(std::count(host.transcript.begin(), host.transcript.end(), command), 2) << command;
}

}  // namespace
}  // namespace testhost

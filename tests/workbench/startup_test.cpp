// The form's start and end: the registry hand-off with the plug-in, the
// running check, the layout's defaults, the first fill of the style and font
// choices, the enabling rules and the author label.
#include "form_fixture.h"

#include "pmdde/exceptions.h"

namespace testhost {
namespace {

using workbench::MessageIcon;
using Lines = std::vector<std::string>;

class StartupTest : public FormTest {
protected:
    std::optional<platform::RegValue> Value(const std::string& name) {
        auto& key = registry.keys[workbench::kRegistryKey];
        auto it = key.find(name);
        if (it == key.end()) return std::nullopt;
        return it->second;
    }
    const platform::RegValue kFromAddZero{platform::RegDword, std::string(4, '\0')};
    const std::string kExeValue = app.exeName + '\0';
};

// --- start-up

TEST_F(StartupTest, FirstStartRecordsThePathShowsTheInstallationAndEnds) {
    registry.keys[workbench::kRegistryKey]["FromAdd"] = {platform::RegDword, std::string("\x01\0\0\0", 4)};
    bool terminatedAtBox = true;
    view.onBox = [&](const RecordingView::Box&) { terminatedAtBox = app.terminated; };
    form->FormCreate();
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text, "Rolemark установлен!");
    EXPECT_EQ(view.boxes[0].caption, "Инсталляция");
    EXPECT_EQ(view.boxes[0].icon, MessageIcon::Information);
    EXPECT_FALSE(terminatedAtBox) << "expected the end asked only after the box";
    EXPECT_TRUE(app.terminated);
    ASSERT_TRUE(Value("AppPath"));
    EXPECT_EQ(Value("AppPath")->type, platform::RegSz);
    EXPECT_EQ(Value("AppPath")->data, kExeValue);
    EXPECT_EQ(Value("FromAdd")->data, std::string("\x01\0\0\0", 4)) << "expected FromAdd untouched";
    EXPECT_EQ(windows.enumerations, 0) << "expected no running check";
}

TEST_F(StartupTest, StartFromThePluginWithTheHostRunningStaysOpen) {
    MarkStartFromPlugin(1);
    form->FormCreate();
    EXPECT_FALSE(form->CloseRequested());
    EXPECT_EQ(view.closes, 0);
    EXPECT_FALSE(app.terminated);
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_EQ(Value("FromAdd")->type, kFromAddZero.type);
    EXPECT_EQ(Value("FromAdd")->data, kFromAddZero.data);
    EXPECT_EQ(Value("AppPath")->data, std::string("C:\\old\\rolemark.exe") + '\0') << "expected AppPath kept at start";
    EXPECT_EQ(windows.enumerations, 1);
    EXPECT_TRUE(host.transcript.empty()) << "expected no link opened at start";
}

TEST_F(StartupTest, StartNotFromThePluginClosesAndResetsTheMark) {
    const std::vector<std::optional<platform::RegValue>> marks = {
        std::nullopt,                                               // missing
        platform::RegValue{platform::RegDword, std::string(4, '\0')},  // 0
        platform::RegValue{platform::RegDword, std::string("\x02\0\0\0", 4)},
        platform::RegValue{platform::RegDword, std::string("\x01\0\0\x01", 4)},
        platform::RegValue{platform::RegSz, std::string("1\0", 2)},     // not a number value
        platform::RegValue{platform::RegBinary, std::string("\x01\0\0\0", 4)},
        platform::RegValue{platform::RegDword, std::string("\x01", 1)},  // short
    };
    for (size_t i = 0; i < marks.size(); ++i) {
        SCOPED_TRACE("mark #" + std::to_string(i));
        Restart();
        MarkStartFromPlugin();
        auto& key = registry.keys[workbench::kRegistryKey];
        if (marks[i]) key["FromAdd"] = *marks[i]; else key.erase("FromAdd");
        form->FormCreate();
        EXPECT_TRUE(form->CloseRequested());
        EXPECT_EQ(view.closes, 1);
        EXPECT_EQ(Value("FromAdd")->data, kFromAddZero.data);
        EXPECT_EQ(Value("FromAdd")->type, kFromAddZero.type);
    }
}

TEST_F(StartupTest, StartWithoutTheHostClosesOnceAndResetsTheMark) {
    MarkStartFromPlugin(1);
    windows.titles = {"Program Manager", "adobe pagemaker 6.5", "Adobe PageMaker"};
    form->FormCreate();
    EXPECT_TRUE(form->CloseRequested());
    EXPECT_EQ(view.closes, 1);
    EXPECT_EQ(Value("FromAdd")->data, kFromAddZero.data);
}

TEST_F(StartupTest, EitherHostVersionCountsAsRunning) {
    for (const char* title : {"Adobe PageMaker 6.0", "Adobe PageMaker 6.5 - [untitled]"}) {
        SCOPED_TRACE(title);
        Restart();
        MarkStartFromPlugin(1);
        windows.titles = {title};
        form->FormCreate();
        EXPECT_FALSE(form->CloseRequested());
    }
}

TEST_F(StartupTest, NotFromThePluginAndNoHostStillClosesOnlyOnce) {
    MarkStartFromPlugin(0);
    windows.titles.clear();
    form->FormCreate();
    EXPECT_EQ(view.closes, 1);
}

TEST_F(StartupTest, HostGoneWhileOpenClosesAtTheNextIdleMoment) {
    MarkStartFromPlugin(1);
    form->FormCreate();
    app.Run();
    EXPECT_EQ(view.closes, 0) << "expected the host still found";
    windows.titles = {"Program Manager"};
    app.Run();
    EXPECT_EQ(view.closes, 1);
}

TEST_F(StartupTest, DestroyRecordsThePathAgainCreatingTheKey) {
    MarkStartFromPlugin(1);
    form->FormCreate();
    registry.keys.clear();
    form->FormDestroy();
    ASSERT_TRUE(Value("AppPath"));
    EXPECT_EQ(Value("AppPath")->type, platform::RegSz);
    EXPECT_EQ(Value("AppPath")->data, kExeValue);
}

TEST_F(StartupTest, RegistryFailuresAreReportedAndEndTheStart) {
    registry.failCreate = true;
    EXPECT_EQ(MessageOf([&] { form->FormCreate(); }), "Не удалось открыть раздел реестра Software\\Kestrova\\Rolemark");
    EXPECT_TRUE(form->CloseRequested());
    EXPECT_EQ(MessageOf([&] { form->FormDestroy(); }), "Не удалось открыть раздел реестра Software\\Kestrova\\Rolemark");

    registry.failCreate = false;
    registry.failWrites = true;
    EXPECT_EQ(MessageOf([&] { form->FormDestroy(); }), "Не удалось записать в реестр значение AppPath");
}

TEST_F(StartupTest, FirstStartThatCannotRecordThePathShowsNoInstallation) {
    registry.failWrites = true;
    EXPECT_EQ(MessageOf([&] { form->FormCreate(); }), "Не удалось записать в реестр значение AppPath");
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_TRUE(form->CloseRequested());
}

TEST_F(StartupTest, MarkThatCannotBeResetIsReported) {
    MarkStartFromPlugin(1);
    registry.failWrites = true;
    EXPECT_EQ(MessageOf([&] { form->FormCreate(); }), "Не удалось записать в реестр значение FromAdd");
}

TEST_F(StartupTest, ApplicationErrorBoxShowsTheMessageWithAFullStop) {
    workbench::SetUpApplication(app, view);
    EXPECT_EQ(app.Title, "Rolemark");
    app.HandleException(EPmNotFound("Не могу установить связь с PageMaker"));
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text, "Не могу установить связь с PageMaker.");
    EXPECT_EQ(view.boxes[0].caption, "Rolemark");
    EXPECT_EQ(view.boxes[0].icon, MessageIcon::Error);
}

// --- the stored layout

TEST_F(StartupTest, LayoutStartsWithItsDefaults) {
    EXPECT_TRUE(form->SelParaRadio.Checked());
    EXPECT_FALSE(form->EntireTextRadio.Checked());
    EXPECT_FALSE(form->UseStyleCheckBox.Checked());
    EXPECT_FALSE(form->SrcStyleCombo.Enabled());
    EXPECT_TRUE(form->SrcStyleCombo.Sorted());
    EXPECT_TRUE(form->BasedOnCheckBox.Checked());
    EXPECT_TRUE(form->TargetStyleCombo.Enabled());
    EXPECT_FALSE(form->TargetStyleCombo.Sorted());
    EXPECT_TRUE(form->FontCombo.Sorted());
    EXPECT_TRUE(form->NormalCheck.Checked());
    EXPECT_FALSE(form->BoldCheck.Checked());
    EXPECT_FALSE(form->ItalicCheck.Checked());
    EXPECT_EQ(form->SizeEdit.Text(), "10,0");
    EXPECT_EQ(form->KerningEdit.Text(), "0,00");
    EXPECT_EQ(form->LeadingEdit.Text(), "12,00");
    EXPECT_EQ(form->WidthEdit.Text(), "100");
    EXPECT_EQ(form->BaseShiftEdit.Text(), "0,00");
    EXPECT_EQ(form->TrackingCombo.Text(), "Без трекинга");
    EXPECT_EQ(form->TrackingCombo.ItemIndex(), -1);
    EXPECT_EQ(form->TrackingCombo.Items(),
              (Lines{"Без трекинга", "Очень жидкий", "Жидкий", "Нормальный", "Плотный", "Очень плотный"}));
    EXPECT_FALSE(form->ProgressBar.Visible());
    EXPECT_EQ(form->ProgressBar.Min(), 0);
    EXPECT_EQ(form->ProgressBar.Max(), 100);
    EXPECT_EQ(form->NamesList.Count(), 0);
    EXPECT_EQ(conversation.ServiceApplication(), "c:\\pm65\\pm65.exe");
    EXPECT_EQ(form->OnlyIfRunning1.AppTitles(), (Lines{"Adobe PageMaker 6.5", "Adobe PageMaker 6.0"}));
    EXPECT_EQ(form->PmDDE1.DDEConv, &conversation);
    EXPECT_FALSE(form->PmDDE1.LongOperation);
    EXPECT_FALSE(form->PmDDE1.GetTryMode65());
    EXPECT_FALSE(form->PmDDE1.WaitExec);
}

// --- the first fill

class CatalogueTest : public FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        host.SetStyles({"Headline", "Body", "Caption"});
        host.SetFonts({"Times", "Arial", "Courier"});
        standin::CharFormat body = StoryHost::Format();
        body.font = "arial";
        host.SetStyleFormat("Body", body);
    }
    const Lines kNothingFilled = {"connect", "ask GetPMState", "disconnect"};
};

TEST_F(CatalogueTest, ProblemStatesShowTheirMessageWhileTheLinkIsOpen) {
    const std::pair<int, const char*> cases[] = {
        {0, "Закройте помощь PageMaker и вернитесь к публикации"},
        {1, "Для начала откройте публикацию"},
        {5, "Сначала поместите объект"},
        {6, "Текст отсутствует"},
        {128 + 1, "Для начала откройте публикацию"},
    };
    for (const auto& [state, text] : cases) {
        SCOPED_TRACE("state " + std::to_string(state));
        view.boxes.clear();
        host.transcript.clear();
        host.replies["GetPMState"] = std::to_string(state);
        bool linkOpenAtBox = false;
        view.onBox = [&](const RecordingView::Box&) { linkOpenAtBox = conversation.Connected(); };
        form->FormShow();
        ASSERT_EQ(view.boxes.size(), 1u);
        EXPECT_EQ(view.boxes[0].text, text);
        EXPECT_EQ(view.boxes[0].caption, "Проблемы при работе");
        EXPECT_EQ(view.boxes[0].icon, MessageIcon::None);
        EXPECT_TRUE(linkOpenAtBox);
        EXPECT_EQ(host.transcript, kNothingFilled);
        EXPECT_EQ(form->SrcStyleCombo.Count() + form->TargetStyleCombo.Count() + form->FontCombo.Count(), 0);
    }
}

TEST_F(CatalogueTest, UnknownStateFillsNothingAndSaysNothing) {
    for (int state : {10, 11, 127}) {
        host.transcript.clear();
        host.replies["GetPMState"] = std::to_string(state);
        form->FormShow();
        EXPECT_EQ(host.transcript, kNothingFilled) << "state " << state;
    }
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_EQ(form->FontCombo.Count(), 0);
}

TEST_F(CatalogueTest, FillSendsItsExchangesInOrder) {
    form->FormShow();
    const Lines expected = {"connect", "ask GetPMState", "ask GetStyleNames", "ask GetFontList",
                            // the formatting of the selected target style
                            "disconnect", "connect", "exec StyleBegin \"Body\"", "ask GetFont", "ask GetSize",
                            "ask GetTrack", "ask GetLeading", "ask GetWidth", "ask GetTypeOptions", "exec StyleEnd",
                            "disconnect"};
    EXPECT_EQ(host.transcript, expected);
    EXPECT_FALSE(conversation.Connected());
}

TEST_F(CatalogueTest, FillSortsTheSourceStylesKeepsTheTargetOrderAndSelectsTheSecond) {
    form->FormShow();
    EXPECT_EQ(form->SrcStyleCombo.Items(), (Lines{"Body", "Caption", "Headline"}));
    EXPECT_EQ(form->SrcStyleCombo.Text(), "Caption");
    EXPECT_EQ(form->TargetStyleCombo.Items(), (Lines{"Headline", "Body", "Caption"}));
    EXPECT_EQ(form->TargetStyleCombo.Text(), "Body");
    EXPECT_EQ(form->FontCombo.Items(), (Lines{"Arial", "Courier", "Times"}));
    EXPECT_EQ(form->FontCombo.Text(), "Arial") << "expected the style's font found without regard to case";
}

TEST_F(CatalogueTest, EveryFillStateFills) {
    for (int state : {2, 3, 4, 7, 8, 9, 128 + 7}) {
        SCOPED_TRACE("state " + std::to_string(state));
        Restart();
        host.replies["GetPMState"] = std::to_string(state);
        form->FormShow();
        EXPECT_EQ(form->TargetStyleCombo.Count(), 3);
        EXPECT_TRUE(view.boxes.empty());
    }
}

TEST_F(CatalogueTest, SingleStyleIsListedTwiceAndSelectedNowhere) {
    host.SetStyles({"Body"});
    host.acknowledged = {"StyleBegin"};  // the model refuses a style without a name
    form->FormShow();
    EXPECT_EQ(form->SrcStyleCombo.Items(), (Lines{"Body"}));
    EXPECT_EQ(form->TargetStyleCombo.Items(), (Lines{"Body"}));
    EXPECT_EQ(form->SrcStyleCombo.ItemIndex(), -1);
    EXPECT_EQ(form->TargetStyleCombo.ItemIndex(), -1);
    EXPECT_NE(std::find(host.transcript.begin(), host.transcript.end(), "exec StyleBegin \"\""), host.transcript.end());
}

TEST_F(CatalogueTest, FontsAreAddedToWhatTheListHolds) {
    form->FormShow();
    form->FormShow();
    EXPECT_EQ(form->FontCombo.Items(), (Lines{"Arial", "Arial", "Courier", "Courier", "Times", "Times"}));
    EXPECT_EQ(form->TargetStyleCombo.Count(), 3) << "expected the style lists replaced";
}

TEST_F(CatalogueTest, FontListReachesTheViewOnceForTheWholeFill) {
    int fontCalls = 0;
    form->FontCombo.changed = [&] { ++fontCalls; };
    form->FormShow();
    EXPECT_EQ(fontCalls, 4) << "expected one call for the fill, one for the style's font, and the list disabled "
                               "and enabled again around the fill";
}

TEST_F(CatalogueTest, SourceStylePickLoadsTheFormattingOnlyAfterTheFill) {
    form->SrcStyleComboChange();
    EXPECT_TRUE(host.transcript.empty()) << "expected no handler before the first fill";
    form->FormShow();
    host.transcript.clear();
    form->SrcStyleCombo.UserSelect(0);
    form->SrcStyleComboChange();
    const Lines expected = {"connect", "disconnect", "connect", "exec StyleBegin \"Body\"", "ask GetFont", "ask GetSize",
                            "ask GetTrack", "ask GetLeading", "ask GetWidth", "ask GetTypeOptions", "exec StyleEnd",
                            "disconnect"};
    EXPECT_EQ(host.transcript, expected) << "expected the target style loaded, whatever the source style";
}

TEST_F(CatalogueTest, FillThatFailsClosesTheLinkAndKeepsWhatWasFilled) {
    host.replies["GetFontList"] = std::nullopt;
    EXPECT_EQ(MessageOf([&] { form->FormShow(); }), "Не могу получить данные от PageMaker - GetFontList");
    EXPECT_FALSE(conversation.Connected());
    EXPECT_EQ(host.transcript.back(), "disconnect");
    EXPECT_EQ(form->TargetStyleCombo.Count(), 3);
    host.transcript.clear();
    form->SrcStyleComboChange();
    EXPECT_TRUE(host.transcript.empty()) << "expected the source handler still detached";
}

TEST_F(CatalogueTest, UnreachableHostIsReportedAfterOneLaunch) {
    conversation.server = nullptr;
    std::string launched;
    conversation.launch = [&](const std::string& commandLine) {
        launched = commandLine;
        return true;
    };
    EXPECT_EQ(MessageOf([&] { form->FormShow(); }), "Не могу установить связь с PageMaker");
    EXPECT_EQ(launched, "c:\\pm65\\pm65.exe");
}

// --- enabling rules, author label

TEST_F(CatalogueTest, StyleBoxesEnableTheirListsAndKeepTheirSelection) {
    form->FormShow();
    Click(form->UseStyleCheckBox);
    form->UseStyleCheckBoxClick();
    EXPECT_TRUE(form->SrcStyleCombo.Enabled());
    Click(form->UseStyleCheckBox);
    form->UseStyleCheckBoxClick();
    EXPECT_FALSE(form->SrcStyleCombo.Enabled());
    EXPECT_EQ(form->SrcStyleCombo.Text(), "Caption");

    Click(form->BasedOnCheckBox);
    form->BasedOnCheckBoxClick();
    EXPECT_FALSE(form->TargetStyleCombo.Enabled());
    Click(form->BasedOnCheckBox);
    form->BasedOnCheckBoxClick();
    EXPECT_TRUE(form->TargetStyleCombo.Enabled());
}

TEST_F(CatalogueTest, EditingAFieldSendsNothing) {
    form->SizeEdit.UserText("24");
    form->FontComboChange();
    EXPECT_TRUE(host.transcript.empty());
}

TEST_F(CatalogueTest, AuthorLabelOpensTheHomePage) {
    form->Label1Click();
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].verb, "open");
    EXPECT_EQ(shell.calls[0].file, "https://www.example.com/rolemark");
}

}  // namespace
}  // namespace testhost

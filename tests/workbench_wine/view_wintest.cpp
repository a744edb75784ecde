// The Win32 view in-process: the form's window built from the layout, the
// models mirrored into the controls (lists changed in every way, selections,
// spin fields, the progress bar) and user input taken back into the models,
// the handlers reached through the focus, failures sent to the application's
// handler, and closing. The form runs over in-process services; nothing here
// talks to a host.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <ddeml.h>  // MSGF_DDEMGR

#include <random>
#include <string>
#include <vector>

#include "platform/locale.h"
#include "platform/standin/dde_conversation.h"
#include "platform/standin/services.h"
#include "platform/win32/services.h"
#include "workbench/rolemark.h"
#include "workbench/win32/layout.h"
#include "workbench/win32/view.h"
#include "workbench/win32/control_text.h"

namespace {

using rolemark_view::Kind;

class ViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedNumbers_ = platform::ProcessNumberFormat();
        platform::ProcessNumberFormat().decimal = ',';
        app.OnException = [this](const std::exception& e) { failures.push_back(e.what()); };
        view = std::make_unique<rolemark_view::RolemarkView>(app, GetModuleHandleW(nullptr));
        form = std::make_unique<workbench::TRolemark>(
            workbench::Services{registry, clipboard, shell, app, windows, conversation, *view});
        ASSERT_TRUE(view->Create(*form));
        hwnd = FindWindowW(L"TRolemark", L"Rolemark");
        ASSERT_NE(nullptr, hwnd);
    }
    void TearDown() override {
        view->Destroy();
        form.reset();
        view.reset();
        // A quit posted by a close must not reach the next test's loop.
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        platform::ProcessNumberFormat() = savedNumbers_;
    }

    HWND Control(int id) const {
        const rolemark_view::LayoutRow* row = rolemark_view::RowOf(id);
        if (!row) return nullptr;
        constexpr int kSheets[] = {rolemark_view::IdTabSheet1, rolemark_view::IdTabSheet2, rolemark_view::IdTabSheet3};
        HWND parent = row->page == 0 ? hwnd : GetDlgItem(hwnd, kSheets[row->page - 1]);
        return GetDlgItem(parent, id);
    }
    // What a user's action makes the control tell its parent.
    void Notify(int id, WORD code) {
        HWND control = Control(id);
        SendMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
    }
    static std::vector<std::wstring> Items(HWND control, bool combo) {
        std::vector<std::wstring> items;
        const LRESULT count = SendMessageW(control, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            std::wstring text(static_cast<size_t>(SendMessageW(control, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, i, 0)) + 1,
                              L'\0');
            text.resize(static_cast<size_t>(
                SendMessageW(control, combo ? CB_GETLBTEXT : LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()))));
            items.push_back(text);
        }
        return items;
    }
    static std::vector<std::wstring> Wide(const std::vector<std::string>& items) {
        std::vector<std::wstring> out;
        for (const std::string& item : items) out.push_back(rolemark_view::Widen(item, workbench::TextEncoding::Ansi));
        return out;
    }
    static std::string Ansi(const char* utf8) { return platform::Utf8ToAnsi(utf8); }
    std::wstring Text(int id) const { return rolemark_view::WindowText(Control(id)); }
    bool Checked(int id) const { return SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

    platform::standin::Registry registry;
    platform::standin::Clipboard clipboard;
    platform::standin::Shell shell;
    platform::standin::WindowList windows;
    platform::standin::DdeConversation conversation;
    platform::win32::Application app;
    std::vector<std::string> failures;
    std::unique_ptr<rolemark_view::RolemarkView> view;
    std::unique_ptr<workbench::TRolemark> form;
    HWND hwnd = nullptr;

private:
    platform::NumberFormat savedNumbers_;
};

// --- the window

TEST_F(ViewTest, WindowHasTheClientAreaAndIsNotSizable) {
    RECT client{};
    GetClientRect(hwnd, &client);
    EXPECT_EQ(384, client.right);
    EXPECT_EQ(247, client.bottom);
    EXPECT_EQ(0, GetWindowLongW(hwnd, GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX));
    EXPECT_FALSE(IsWindowVisible(hwnd)) << "the window stays hidden until it is shown";
}

TEST_F(ViewTest, EveryLayoutRowHasItsWindowWithTheModelsCaption) {
    for (size_t row = 0; row < rolemark_view::kLayoutRows; ++row) {
        const int id = rolemark_view::FirstControlId + static_cast<int>(row);
        EXPECT_NE(nullptr, Control(id)) << rolemark_view::kLayout[row].name;
    }
    EXPECT_EQ(L"Имена действующих лиц", Text(rolemark_view::IdLabel2));
    EXPECT_EQ(L"–", Text(rolemark_view::IdButton3));
    EXPECT_EQ(L"Оформить, основываясь на стиле", Text(rolemark_view::IdBasedOnCheckBox));
    EXPECT_EQ(L"Kestrova", Text(rolemark_view::IdLabel1));
    EXPECT_EQ(L"Выполнить", Text(rolemark_view::IdButton2));
}

TEST_F(ViewTest, StatesAtStartComeFromTheModels) {
    EXPECT_TRUE(Checked(rolemark_view::IdSelParaRadio));
    EXPECT_FALSE(Checked(rolemark_view::IdEntireTextRadio));
    EXPECT_TRUE(Checked(rolemark_view::IdBasedOnCheckBox));
    EXPECT_TRUE(Checked(rolemark_view::IdNormalCheck));
    EXPECT_FALSE(IsWindowEnabled(Control(rolemark_view::IdSrcStyleCombo)));
    EXPECT_EQ(L"10,0", Text(rolemark_view::IdSizeEdit));
    EXPECT_EQ(L"100", Text(rolemark_view::IdWidthEdit));
    EXPECT_EQ(L"Без трекинга", Text(rolemark_view::IdTrackingCombo));
    EXPECT_EQ(CB_ERR, SendMessageW(Control(rolemark_view::IdTrackingCombo), CB_GETCURSEL, 0, 0));
    EXPECT_EQ(0, GetWindowLongW(Control(rolemark_view::IdProgressBar), GWL_STYLE) & WS_VISIBLE);
}

TEST_F(ViewTest, TabShowsItsSheetOnly) {
    HWND tabs = GetDlgItem(hwnd, rolemark_view::IdPageControl);
    HWND first = GetDlgItem(hwnd, rolemark_view::IdTabSheet1), second = GetDlgItem(hwnd, rolemark_view::IdTabSheet2);
    EXPECT_TRUE(GetWindowLongW(first, GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(GetWindowLongW(second, GWL_STYLE) & WS_VISIBLE);
    SendMessageW(tabs, TCM_SETCURFOCUS, 1, 0);
    EXPECT_FALSE(GetWindowLongW(first, GWL_STYLE) & WS_VISIBLE);
    EXPECT_TRUE(GetWindowLongW(second, GWL_STYLE) & WS_VISIBLE);
}

// --- model to control

// The report's rows in the list view's cells; a click on a column head sorts
// the model, a row selected in the view is selected in the model, and a
// double-click reaches the form's handler with its row.
TEST_F(ViewTest, ReportListShowsTheRowsAndTakesClicks) {
    HWND list = Control(rolemark_view::IdReportList);
    form->ReportList.SetRows({{workbench::RowKind::Candidate, Ansi("Пётр"), 3, 9, ""},
                              {workbench::RowKind::NotFound, Ansi("Ольга"), 0, 0, ""},
                              {workbench::RowKind::MixedLetters, Ansi("Мaша"), 1, 4, "2-я буква латинская"}});
    auto cell = [&](int item, int column) {
        wchar_t text[64] = {};
        LVITEMW get{};
        get.iSubItem = column;
        get.pszText = text;
        get.cchTextMax = 64;
        SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&get));
        return std::wstring(text);
    };
    ASSERT_EQ(3, SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    EXPECT_EQ(L"кандидат|Пётр|3|9|", cell(0, 0) + L"|" + cell(0, 1) + L"|" + cell(0, 2) + L"|" + cell(0, 3) + L"|" + cell(0, 4));
    EXPECT_EQ(L"не найдено|Ольга|0||", cell(1, 0) + L"|" + cell(1, 1) + L"|" + cell(1, 2) + L"|" + cell(1, 3) + L"|" + cell(1, 4));
    EXPECT_EQ(L"2-я буква латинская", cell(2, 4));

    NMLISTVIEW click{};
    click.hdr = {list, static_cast<UINT_PTR>(rolemark_view::IdReportList), static_cast<UINT>(LVN_COLUMNCLICK)};
    click.iItem = -1;
    click.iSubItem = workbench::ReportList::FirstColumn;
    SendMessageW(GetParent(list), WM_NOTIFY, rolemark_view::IdReportList, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(Ansi("Ольга"), form->ReportList.Rows()[0].text);
    EXPECT_EQ(L"Пётр", cell(2, 1)) << "expected the view in the model's new order";

    LVITEMW select{};
    select.stateMask = LVIS_SELECTED;
    select.state = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&select));
    EXPECT_TRUE(form->ReportList.Selected(2));
    EXPECT_FALSE(form->ReportList.Selected(0));

    NMITEMACTIVATE dblclk{};
    dblclk.hdr = {list, static_cast<UINT_PTR>(rolemark_view::IdReportList), static_cast<UINT>(NM_DBLCLK)};
    dblclk.iItem = 1;
    SendMessageW(GetParent(list), WM_NOTIFY, rolemark_view::IdReportList, reinterpret_cast<LPARAM>(&dblclk));
    EXPECT_EQ(1, form->ReportList.Activated());
}

// Lists of every kind follow a random series of additions, deletions,
// replacements and clearings entry for entry (sorted, unsorted, duplicates,
// empty entries, growing from and shrinking to nothing).
TEST_F(ViewTest, ListsMirrorEveryChangeOfTheirModels) {
    std::mt19937 random(20261207);
    const std::vector<std::string> pool = {"", Ansi("Анна"), Ansi("анна"), Ansi("Анна Павловна"), "Boris", "boris",
                                           Ansi("Вера"), "Z", "a"};
    struct Case { workbench::ListModel& model; int id; bool combo; };
    Case cases[] = {{form->NamesList, rolemark_view::IdNamesList, false},
                    {form->FontCombo, rolemark_view::IdFontCombo, true},
                    {form->TargetStyleCombo, rolemark_view::IdTargetStyleCombo, true}};
    for (Case& c : cases) {
        for (int step = 0; step < 300; ++step) {
            const int action = static_cast<int>(random() % 10);
            if (action < 5) {
                c.model.Add(pool[random() % pool.size()]);
            } else if (action < 8 && c.model.Count() > 0) {
                c.model.Delete(static_cast<int>(random() % static_cast<unsigned>(c.model.Count())));
            } else if (action == 8) {
                std::vector<std::string> entries(random() % 12);
                for (std::string& e : entries) e = pool[random() % pool.size()];
                c.model.Assign(entries);
            } else {
                c.model.Clear();
            }
            ASSERT_EQ(Wide(c.model.Items()), Items(Control(c.id), c.combo)) << "step " << step << " of " << c.model.Name();
        }
    }
}

TEST_F(ViewTest, SelectionFollowsTheModelAndTheUser) {
    form->TargetStyleCombo.Assign({"Body", "Heading", "Caption"});
    form->TargetStyleCombo.SetItemIndex(1);
    HWND combo = Control(rolemark_view::IdTargetStyleCombo);
    EXPECT_EQ(1, SendMessageW(combo, CB_GETCURSEL, 0, 0));
    EXPECT_EQ(L"Heading", rolemark_view::WindowText(combo));

    SendMessageW(combo, CB_SETCURSEL, 2, 0);
    Notify(rolemark_view::IdTargetStyleCombo, CBN_SELCHANGE);
    EXPECT_EQ(2, form->TargetStyleCombo.ItemIndex());
    EXPECT_EQ("Caption", form->TargetStyleCombo.Text());

    form->NamesList.Assign({"a", "b"});
    SendMessageW(Control(rolemark_view::IdNamesList), LB_SETCURSEL, 1, 0);
    Notify(rolemark_view::IdNamesList, LBN_SELCHANGE);
    EXPECT_EQ(1, form->NamesList.ItemIndex());
    form->NamesList.SetItemIndex(-1);
    EXPECT_EQ(LB_ERR, SendMessageW(Control(rolemark_view::IdNamesList), LB_GETCURSEL, 0, 0));
}

TEST_F(ViewTest, ProgressBarShowsItsModelsWholePositions) {
    form->ProgressBar.SetMin(0x10005);
    form->ProgressBar.SetMax(140000);
    form->ProgressBar.SetPosition(0x20010);
    form->ProgressBar.SetVisible(true);
    HWND bar = Control(rolemark_view::IdProgressBar);
    EXPECT_TRUE(GetWindowLongW(bar, GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(0x10005, SendMessageW(bar, PBM_GETRANGE, TRUE, 0));
    EXPECT_EQ(140000, SendMessageW(bar, PBM_GETRANGE, FALSE, 0));
    EXPECT_EQ(0x20010, SendMessageW(bar, PBM_GETPOS, 0, 0));
    form->ProgressBar.SetVisible(false);
    EXPECT_FALSE(GetWindowLongW(bar, GWL_STYLE) & WS_VISIBLE);
}

TEST_F(ViewTest, EnablingFollowsTheModel) {
    form->SrcStyleCombo.SetEnabled(true);
    EXPECT_TRUE(IsWindowEnabled(Control(rolemark_view::IdSrcStyleCombo)));
    form->SizeEdit.SetEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(Control(rolemark_view::IdSizeEdit)));
}

// --- control to model

TEST_F(ViewTest, TypedNamesReachTheModelInTheAnsiCodePage) {
    SetWindowTextW(Control(rolemark_view::IdNamesEdit), L"Анна");
    EXPECT_EQ(Ansi("Анна"), form->NamesEdit.Text());
    SendMessageW(Control(rolemark_view::IdButton1), BM_CLICK, 0, 0);
    ASSERT_EQ(1, form->NamesList.Count());
    EXPECT_EQ(std::vector<std::wstring>{L"Анна"}, Items(Control(rolemark_view::IdNamesList), false));
}

TEST_F(ViewTest, TypedTrackingLeavesNoEntrySelected) {
    form->TrackingCombo.SetItemIndex(2);
    HWND edit = FindWindowExW(Control(rolemark_view::IdTrackingCombo), nullptr, L"Edit", nullptr);
    ASSERT_NE(nullptr, edit);
    SetWindowTextW(edit, L"свой");
    Notify(rolemark_view::IdTrackingCombo, CBN_EDITCHANGE);
    EXPECT_EQ(-1, form->TrackingCombo.ItemIndex());
    EXPECT_EQ("свой", form->TrackingCombo.Text());
}

TEST_F(ViewTest, SpinButtonsStepTheField) {
    HWND size = Control(rolemark_view::IdSizeEdit);
    SendMessageW(size, WM_KEYDOWN, VK_UP, 1);
    EXPECT_EQ("11,0", form->SizeEdit.Text());
    EXPECT_EQ(L"11,0", Text(rolemark_view::IdSizeEdit));
    SendMessageW(size, WM_KEYDOWN, VK_DOWN, 1);
    SendMessageW(size, WM_KEYDOWN, VK_DOWN, 1);
    EXPECT_EQ(L"9,0", Text(rolemark_view::IdSizeEdit));
}

TEST_F(ViewTest, LeavingASpinFieldBringsItIntoRange) {
    SetWindowTextW(Control(rolemark_view::IdWidthEdit), L"4");
    EXPECT_EQ("4", form->WidthEdit.Text()) << "typing alone changes nothing";
    Notify(rolemark_view::IdWidthEdit, EN_KILLFOCUS);
    EXPECT_EQ(L"5", Text(rolemark_view::IdWidthEdit));
    SetWindowTextW(Control(rolemark_view::IdWidthEdit), L"251");
    Notify(rolemark_view::IdWidthEdit, EN_KILLFOCUS);
    EXPECT_EQ(L"250", Text(rolemark_view::IdWidthEdit));
    SetWindowTextW(Control(rolemark_view::IdWidthEdit), L"250");
    Notify(rolemark_view::IdWidthEdit, EN_KILLFOCUS);
    EXPECT_EQ(L"250", Text(rolemark_view::IdWidthEdit));
}

// A click focuses the box, so the form's rule between the type-style boxes
// applies, and its result shows at once.
TEST_F(ViewTest, ClickedTypeStyleBoxAppliesItsRule) {
    view->Show(SW_SHOWNORMAL);
    SendMessageW(GetDlgItem(hwnd, rolemark_view::IdPageControl), TCM_SETCURFOCUS, 1, 0);
    SendMessageW(Control(rolemark_view::IdBoldCheck), BM_CLICK, 0, 0);
    EXPECT_TRUE(form->BoldCheck.Checked());
    EXPECT_EQ(&form->BoldCheck, form->ActiveControl);
    EXPECT_FALSE(Checked(rolemark_view::IdNormalCheck));
    SendMessageW(Control(rolemark_view::IdNormalCheck), BM_CLICK, 0, 0);
    EXPECT_TRUE(Checked(rolemark_view::IdNormalCheck));
    EXPECT_FALSE(Checked(rolemark_view::IdBoldCheck));
}

// Without the focus on the box (a notification with the focus elsewhere),
// the rule does not apply.
TEST_F(ViewTest, UnfocusedTypeStyleBoxChangeAppliesNoRule) {
    view->Show(SW_SHOWNORMAL);
    SetFocus(Control(rolemark_view::IdNamesEdit));
    SendMessageW(Control(rolemark_view::IdBoldCheck), BM_SETCHECK, BST_CHECKED, 0);
    Notify(rolemark_view::IdBoldCheck, BN_CLICKED);
    EXPECT_TRUE(form->BoldCheck.Checked());
    EXPECT_TRUE(Checked(rolemark_view::IdNormalCheck));
}

TEST_F(ViewTest, RadioButtonsUpdateTheirGroup) {
    SendMessageW(Control(rolemark_view::IdEntireTextRadio), BM_CLICK, 0, 0);
    EXPECT_TRUE(form->EntireTextRadio.Checked());
    EXPECT_FALSE(form->SelParaRadio.Checked());
    EXPECT_FALSE(Checked(rolemark_view::IdSelParaRadio));
}

TEST_F(ViewTest, AuthorLabelShowsTheHandAndOpensThePage) {
    HWND label = Control(rolemark_view::IdLabel1);
    SendMessageW(label, WM_SETCURSOR, reinterpret_cast<WPARAM>(label), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(LoadCursorW(nullptr, IDC_HAND), GetCursor());
    Notify(rolemark_view::IdLabel1, STN_CLICKED);
    ASSERT_EQ(1u, shell.calls.size());
    EXPECT_EQ("open", shell.calls[0].verb);
    EXPECT_EQ(workbench::kHomePage, shell.calls[0].file);
}

// --- failures and closing

TEST_F(ViewTest, HandlerFailureGoesToTheApplicationHandler) {
    registry.failCreate = true;
    view->Call(&workbench::TRolemark::FormDestroy);
    ASSERT_EQ(1u, failures.size());
    EXPECT_EQ(std::string("Не удалось открыть раздел реестра ") + workbench::kRegistryKey, failures[0]);
}

TEST_F(ViewTest, EnterAndEscapeDoNotCloseTheWindow) {
    view->Show(SW_SHOWNORMAL);
    SendMessageW(hwnd, WM_COMMAND, IDCANCEL, 0);
    SendMessageW(hwnd, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_FALSE(app.Terminated());
}

// While an action talks to the host: the wait cursor, and the focus on the
// page tabs (never disabled), where Esc still becomes IDCANCEL; then back.
TEST_F(ViewTest, BusyWindowShowsTheWaitCursorAndKeepsTheFocusWhereEscReachesIt) {
    view->Show(SW_SHOWNORMAL);
    HWND run = Control(rolemark_view::IdButton2);
    SetFocus(run);
    view->ShowBusy(true);
    form->Button2.SetEnabled(false);
    wchar_t focused[32] = L"";
    GetClassNameW(GetFocus(), focused, 32);
    EXPECT_STREQ(WC_TABCONTROLW, focused);
    SendMessageW(run, WM_SETCURSOR, reinterpret_cast<WPARAM>(run), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(LoadCursorW(nullptr, IDC_WAIT), GetCursor());
    form->Button2.SetEnabled(true);
    view->ShowBusy(false);
    EXPECT_EQ(run, GetFocus());
}

// On Windows a synchronous DDE request waits in DDEML's modal loop, which
// offers each input message to the thread's WH_MSGFILTER hooks with
// MSGF_DDEMGR: the view takes Esc for its window there, and nothing else.
TEST_F(ViewTest, EscapeInDdemlsModalLoopIsTakenForTheForm) {
    view->Show(SW_SHOWNORMAL);
    MSG esc{Control(rolemark_view::IdNamesList), WM_KEYDOWN, VK_ESCAPE, 1, 0, {}};
    EXPECT_TRUE(CallMsgFilterW(&esc, MSGF_DDEMGR));
    MSG tab = esc;
    tab.wParam = VK_TAB;
    EXPECT_FALSE(CallMsgFilterW(&tab, MSGF_DDEMGR));
    EXPECT_FALSE(CallMsgFilterW(&esc, MSGF_DIALOGBOX));
    MSG elsewhere = esc;
    elsewhere.hwnd = GetDesktopWindow();
    EXPECT_FALSE(CallMsgFilterW(&elsewhere, MSGF_DDEMGR));
    EXPECT_TRUE(IsWindowVisible(hwnd));
}

TEST_F(ViewTest, CloseBeforeTheWindowIsShownDoesNotEndTheLoop) {
    view->Close();
    EXPECT_FALSE(app.Terminated());
    EXPECT_FALSE(IsWindowVisible(hwnd));
}

TEST_F(ViewTest, ClosingTheShownWindowHidesItAndEndsTheLoop) {
    view->Show(SW_SHOWNORMAL);
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_TRUE(app.Terminated());
}

}  // namespace

// TRolemark: the main window's logic. It holds the window's controls as
// models (controls.h), the components (the host link PmDDE1 over the
// conversation DdeClientConv1, the running check OnlyIfRunning1, the two file
// dialogs) and every handler: the start-up hand-off through the registry, the
// first fill of the style and font choices, the name list and its files, the
// loading of the formatting from a style and the formatting run.
//
// Life of the form, as the program drives it:
//   1. SetUpApplication(app, view); construct the form (the stored layout:
//      every control with its default); FormCreate(). If CloseRequested() or
//      the application was terminated, the window is never shown.
//   2. When the window is first shown: FormShow().
//   3. User actions call the handlers named after control and event.
//   4. When the window is destroyed: FormDestroy().
// Handlers throw on failure, after their clean-up. The view catches every
// exception that leaves a handler and passes it to app.HandleException, which
// (after SetUpApplication) shows the message followed by a full stop in an
// error box captioned "Rolemark".
//
// NOTE: window messages are handled in the middle of an action that talks to
// the host: a run handles them between paragraphs, and on Windows every query
// waits in a modal loop that dispatches input. So any handler may be called
// while Busy() is true. While an action talks to the host, every control that
// feeds an action is disabled and its handler ignores input (a second action,
// a style pick, an edit of the list), and a run works on what it read at its
// start. The view must not destroy the form while Busy(): it should defer a
// close until the action ends.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "onlyrun/onlyrun.h"
#include "platform/app.h"
#include "platform/clipboard.h"
#include "platform/dde.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/window_list.h"
#include "pmdde/PMDDE1.h"
#include "handoff/handoff.h"
#include "workbench/controls.h"
#include "workbench/form_view.h"
#include "workbench/run_summary.h"

namespace workbench {

// The services the form uses; all of them must outlive it.
struct Services {
    platform::Registry& registry;
    platform::Clipboard& clipboard;
    platform::Shell& shell;
    platform::Application& app;
    platform::WindowList& windows;
    TDdeClientConv& conversation;  // becomes DdeClientConv1
    FormView& view;
};

// The application title (error boxes) and the form's caption.
inline constexpr const char* kApplicationTitle = "Rolemark";
// The registry key shared with the plug-in, under the current user's root.
inline constexpr const char* kRegistryKey = handoff::kKeyPath;
// The maker's web page, opened by the author label.
inline constexpr const char* kHomePage = "https://www.example.com/rolemark";

// Sets the application title and the application-wide error box: the
// exception's message and a full stop, captioned with the title, error icon.
void SetUpApplication(platform::Application& app, FormView& view);

class TRolemark {
public:
    explicit TRolemark(const Services& services);
    ~TRolemark();
    TRolemark(const TRolemark&) = delete;
    TRolemark& operator=(const TRolemark&) = delete;

    // --- the controls, page by page

    TabSheet TabSheet1{"TabSheet1", "Исходные"};
    Label Label2{"Label2", "Имена действующих лиц"};
    Edit NamesEdit{"NamesEdit", TextEncoding::Ansi};
    ListBox NamesList{"NamesList", true, TextEncoding::Ansi};
    Button Button1{"Button1", "+"};
    Button Button3{"Button3", "–"};
    Button Button4{"Button4", "Сохранить"};
    Button Button5{"Button5", "Открыть"};
    RadioButton EntireTextRadio{"EntireTextRadio", "По всему текстовому блоку", false};
    RadioButton SelParaRadio{"SelParaRadio", "Только выделенные абзацы", true};
    CheckBox UseStyleCheckBox{"UseStyleCheckBox", "Только оформленные стилем", false};
    ComboBox SrcStyleCombo{"SrcStyleCombo", ComboBox::Style::DropDownList, true, TextEncoding::Ansi};
    Label Label1{"Label1", "Kestrova"};

    TabSheet TabSheet2{"TabSheet2", "Как оформить"};
    CheckBox BasedOnCheckBox{"BasedOnCheckBox", "Оформить, основываясь на стиле", true};
    ComboBox TargetStyleCombo{"TargetStyleCombo", ComboBox::Style::DropDownList, false, TextEncoding::Ansi};
    Label Label3{"Label3", "Шрифт"};
    ComboBox FontCombo{"FontCombo", ComboBox::Style::DropDownList, true, TextEncoding::Ansi};
    Label Label4{"Label4", "Кегль"};
    SpinEdit SizeEdit{"SizeEdit", SpinEdit::Kind::Real, {2, 150, 1, 1}, 10};
    Label Label6{"Label6", "Трекинг"};
    ComboBox TrackingCombo{"TrackingCombo", ComboBox::Style::DropDown, false, TextEncoding::Utf8};
    Label Label5{"Label5", "Кернинг"};
    SpinEdit KerningEdit{"KerningEdit", SpinEdit::Kind::Real, {-1, 1, 0.01, 2}, 0};
    CheckBox NormalCheck{"NormalCheck", "Нормальный", true};
    CheckBox BoldCheck{"BoldCheck", "Полужирный", false};
    CheckBox ItalicCheck{"ItalicCheck", "Курсив", false};
    Label Label7{"Label7", "Интерлиньяж"};
    SpinEdit LeadingEdit{"LeadingEdit", SpinEdit::Kind::Real, {0, 120, 0.1, 2}, 12};
    Label Label8{"Label8", "Ширина"};
    SpinEdit WidthEdit{"WidthEdit", SpinEdit::Kind::Integer, {5, 250, 1, 0}, 100};
    Label Label9{"Label9", "Смещение"};
    SpinEdit BaseShiftEdit{"BaseShiftEdit", SpinEdit::Kind::Real, {-100, 100, 0.01, 2}, 0};

    // Third sheet: the speaker check and its report.
    TabSheet TabSheet3{"TabSheet3", "Проверка"};
    Button CheckButton{"CheckButton", "Проверить"};
    // Off at every start, so a run matches as designed: a name needs nothing
    // after it.
    CheckBox WholeWordCheckBox{"WholeWordCheckBox", "Только целым словом", false};
    workbench::ReportList ReportList{"ReportList"};
    Button AddAllButton{"AddAllButton", "Добавить все"};
    Button AddSelectedButton{"AddSelectedButton", "Добавить выбранные"};
    Button SaveReportButton{"SaveReportButton", "Сохранить отчёт"};

    Button Button2{"Button2", "Выполнить"};
    workbench::ProgressBar ProgressBar{"ProgressBar"};
    // In the progress bar's place: what the last run did, until the next
    // action that talks to the host. Hidden while empty.
    Label SummaryLabel{"SummaryLabel", ""};

    // The control that has the focus (null: none of the models); the view
    // keeps it current.
    Control* ActiveControl = nullptr;

    // --- the components

    TDdeClientConv& DdeClientConv1;
    TPmDDE PmDDE1;
    TOnlyIfRunning OnlyIfRunning1;
    FileDialog OpenDialog1{"Открыть список действующих лиц", "text files|*.txt|any files|*.*", {}, "txt"};
    FileDialog SaveDialog1{"Сохранить список действующих лиц", "text files|*.txt|any files|*.*", "words.txt", "txt"};
    FileDialog SaveDialog2{"Сохранить отчёт", "text files|*.txt|any files|*.*", "report.txt", "txt", true};

    // --- the form's events and the controls' handlers

    void FormCreate();
    void FormShow();
    void FormDestroy();
    void SrcStyleComboChange();
    void TargetStyleComboChange();
    void UseStyleCheckBoxClick();
    void BasedOnCheckBoxClick();
    void FontComboChange();
    void Label1Click();
    void OnlyIfRunning1ApplicationNotFound(TOnlyIfRunning& sender, const std::string& foundApp);
    void Button1Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button2Click();
    void NormalCheckClick();
    void BoldCheckClick();
    void ItalicCheckClick();
    // Esc anywhere in the window: a run stops at the end of the paragraph in
    // progress, with its usual clean-up. Nothing when no run is in progress.
    void FormEscapeKey();
    void CheckButtonClick();
    // Puts the host's insertion point at the start of the activated row's
    // first paragraph.
    void ReportListDblClick();
    void AddAllButtonClick();
    void AddSelectedButtonClick();
    void SaveReportButtonClick();

    // True once Close was asked (the window must not be shown, or closes).
    bool CloseRequested() const { return closeRequested_; }
    // True while a formatting run or a check is in progress.
    bool Running() const { return running_; }
    // True while any action that talks to the host is in progress (the first
    // fill, a style load, a run).
    bool Busy() const { return busy_; }

    // --- the run fields, read from the second page when a run starts

    float FKern = 0;
    std::string FFontName;
    float FSize = 0;
    int32_t FTrack = 0;
    float FWidth = 0;
    float FShift = 0;
    bool FShiftNegative = false;
    bool FBold = false, FItalic = false;
    int32_t FMaxNameLen = 0;
    // What the walk reads of the first page, taken when the run starts: the
    // names (sorted as the list keeps them) and the style filter.
    std::vector<std::string> FNames;
    bool FUseStyle = false;
    std::string FSrcStyle;

private:
    void Close();
    void LoadCatalogues();
    void LoadTargetStyle();
    void ReadTargetStyle();  // the fields from the style begun in the host
    // The controls that feed an action: none takes input while an action
    // talks to the host.
    std::vector<Control*> ActionInputs();
    // Runs `action` as the one action with the host: ignored while another is
    // in progress. Meanwhile ActionInputs are disabled and the view shows that
    // the window is busy; both are undone when it ends, also by a failure.
    void HostAction(const std::function<void()>& action);
    void RunFormatting();
    // The user's selection as a walk found it (S kept current), given back
    // at the end of the run, also after a failure.
    struct Selection {
        int32_t S = 0, A = 0, B = 0;
        bool known = false;
    };
    void WholeStoryWalk(Selection& user);
    // False when the walk was skipped: no selection to walk.
    bool SelectedParagraphsWalk(Selection& user);
    // Reads the start of the paragraph at the insertion point into the
    // report and, in a run, formats the name it opens with.
    void FormatParagraphStart();
    // The paragraph's first characters as the host's Copy put them on the
    // clipboard (the selection is made); "" for an empty selection.
    std::string CopySelection();
    void ApplyNameFormat();
    // Reads the fields into the run fields; throws, with the page shown and
    // the focus on the field, at the first field that holds no number.
    void ReadRunFields();
    // The number of `field`, named by `caption` when it holds none.
    double ReadField(SpinEdit& field, const Label& caption);
    // Adds the candidate rows of the report (only the selected ones, with
    // `selectedOnly`) whose text is not listed yet; says how many.
    void AddCandidates(bool selectedOnly);
    // True when the host edits text (states 7 and 8, high bit dropped);
    // otherwise shows the state's message, if it has one.
    bool EditingText();
    // Shows `line` in the progress bar's place; an empty line hides it.
    void ShowSummary(const std::string& line);

    platform::Registry& registry_;
    platform::Clipboard& clipboard_;
    platform::Shell& shell_;
    platform::Application& app_;
    FormView& view_;

    bool closeRequested_ = false;
    bool srcStyleChangeAttached_ = false;
    bool busy_ = false;
    bool running_ = false;
    bool stopRequested_ = false;  // Esc during the run in progress
    bool stopped_ = false;        // the walk ended at a stop, not at its end
    int fieldsStyle_ = -1;  // the target style the formatting fields were loaded from
    RunTally tally_;
    bool checking_ = false;    // the walk in progress is a check: it formats nothing
    int32_t lookLength_ = 0;   // the characters read from each paragraph's start
    int paragraphNumber_ = 0;  // of the paragraph at hand, from the walk's first (1)
    SpeakerReport report_;
    // Where the report's paragraph 1 is: the paragraph holding this position
    // (a walk of the selected paragraphs), or the story's first.
    std::optional<int32_t> reportFrom_;
};

}  // namespace workbench

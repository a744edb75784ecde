// The form's stored layout, its start and end (the registry hand-off with the
// plug-in and the running check), the first fill of the style and font
// choices, the enabling rules, the author label and the name list.
#include "workbench/rolemark.h"

#include <algorithm>

#include "platform/exception.h"
#include "platform/scope_exit.h"
#include "workbench/messages.h"
#include "workbench/namefile.h"

namespace workbench {
namespace {

constexpr const char* kHostProgram = "c:\\pm65\\pm65.exe";

void WriteAppPath(platform::RegistryKey& key, const std::string& exeName) {
    if (!key.Write(handoff::kAppPath, platform::RegSz, handoff::TextBytes(exeName)))
        throw Exception(text::NoRegistryValue(handoff::kAppPath));
}

}  // namespace

void SetUpApplication(platform::Application& app, FormView& view) {
    app.Title = kApplicationTitle;
    app.OnException = [&app, &view](const std::exception& e) {
        view.ShowMessage(std::string(e.what()) + ".", app.Title, MessageIcon::Error);
    };
}

TRolemark::TRolemark(const Services& services)
    : DdeClientConv1(services.conversation),
      OnlyIfRunning1(services.app, services.windows),
      registry_(services.registry),
      clipboard_(services.clipboard),
      shell_(services.shell),
      app_(services.app),
      view_(services.view) {
    RadioButton::Group({&EntireTextRadio, &SelParaRadio});
    SrcStyleCombo.SetEnabled(false);
    TrackingCombo.Assign(text::kTrackings);
    TrackingCombo.SetText(text::kTrackings.front());
    ProgressBar.SetVisible(false);
    SummaryLabel.SetVisible(false);

    DdeClientConv1.SetServiceApplication(kHostProgram);
    PmDDE1.DDEConv = &DdeClientConv1;
    PmDDE1.LongOperation = false;
    PmDDE1.SetTryMode65(false);
    PmDDE1.WaitExec = false;

    OnlyIfRunning1.SetAppTitles({std::begin(kPmWindowTitles), std::end(kPmWindowTitles)});
    OnlyIfRunning1.OnApplicationNotFound = [this](TOnlyIfRunning& sender, const std::string& foundApp) {
        OnlyIfRunning1ApplicationNotFound(sender, foundApp);
    };
    OnlyIfRunning1.Loaded();
}

TRolemark::~TRolemark() = default;

void TRolemark::Close() {
    if (closeRequested_) return;
    closeRequested_ = true;
    view_.Close();
}

// --- start and end

void TRolemark::FormCreate() {
    std::unique_ptr<platform::RegistryKey> key = registry_.Create(kRegistryKey);
    if (!key) {
        // Without the key there is no telling whether the plug-in started us.
        Close();
        throw Exception(text::NoRegistryKey(kRegistryKey));
    }
    if (!key->Read(handoff::kAppPath)) {
        // The first start installs: it records where the program lives and
        // ends. FromAdd is neither read nor reset on this start.
        try {
            WriteAppPath(*key, app_.ExeName());
        } catch (const Exception&) {
            Close();
            throw;
        }
        view_.ShowMessage(text::kInstalled, text::kInstallCaption, MessageIcon::Information);
        key.reset();
        // NOTE: after the box: a quit posted earlier would end its modal loop.
        app_.Terminate();
        return;
    }
    const std::optional<platform::RegValue> fromAdd = key->Read(handoff::kFromAdd);
    if (!fromAdd || handoff::DwordOfValue(*fromAdd) != 1u) Close();
    OnlyIfRunning1.CheckRunning();
    // NOTE: a close asked above does not stop the start-up: FromAdd is reset
    // on every start, so the next start that does not come from the plug-in
    // ends again.
    if (!key->Write(handoff::kFromAdd, platform::RegDword, handoff::DwordBytes(0)))
        throw Exception(text::NoRegistryValue(handoff::kFromAdd));
    // The conversation is opened only by OpenLink, when an action needs it.
}

void TRolemark::FormShow() {
    HostAction([this] { LoadCatalogues(); });
}

void TRolemark::FormDestroy() {
    std::unique_ptr<platform::RegistryKey> key = registry_.Create(kRegistryKey);
    if (!key) throw Exception(text::NoRegistryKey(kRegistryKey));
    WriteAppPath(*key, app_.ExeName());
}

void TRolemark::OnlyIfRunning1ApplicationNotFound(TOnlyIfRunning&, const std::string&) { Close(); }

// --- the first fill

void TRolemark::LoadCatalogues() {
    const ScopeExit closeLink([this] { PmDDE1.CloseLink(); });
    PmDDE1.OpenLink();
    using namespace pmcodes;
    const uint8_t state = StateTableKey(PmDDE1.GetPMState());
    if (const char* message = text::StateMessage(state, false)) {
        view_.ShowMessage(message, text::kStateCaption, MessageIcon::None);
        return;
    }
    const bool fills = state == kOutsideText2 || state == kOutsideText3 || state == kOutsideText4 ||
                       state == kTextInsertion || state == kTextSelected || state == kBusy;
    if (!fills) return;

    int32_t count = 0;
    std::vector<std::string> styles;
    PmDDE1.GetStyleNames(count, styles);
    SrcStyleCombo.Assign(styles);
    TargetStyleCombo.Assign(styles);

    PmDDE1.GetFontList();
    {
        // NOTE: the font list is added to, not replaced.
        FontCombo.BeginUpdate();
        const ScopeExit endUpdate([this] { FontCombo.EndUpdate(); });
        const int fonts = PmDDE1.FontCount();
        for (int i = 0; i < fonts; ++i) FontCombo.Add(PmDDE1.FontItem(i).Name);
    }

    // The second entry, not the first; a list of one entry has none selected.
    SrcStyleCombo.SetItemIndex(1);
    TargetStyleCombo.SetItemIndex(1);
    LoadTargetStyle();
    srcStyleChangeAttached_ = true;
}

// --- choices and enabling rules

std::vector<Control*> TRolemark::ActionInputs() {
    return {
        // the first page
        &NamesEdit, &NamesList, &Button1, &Button3, &Button4, &Button5, &EntireTextRadio, &SelParaRadio,
        &UseStyleCheckBox, &SrcStyleCombo,
        // the second page
        &BasedOnCheckBox, &TargetStyleCombo, &FontCombo, &SizeEdit, &TrackingCombo, &KerningEdit, &NormalCheck,
        &BoldCheck, &ItalicCheck, &LeadingEdit, &WidthEdit, &BaseShiftEdit,
        // the third page
        &CheckButton, &WholeWordCheckBox, &ReportList, &AddAllButton, &AddSelectedButton, &SaveReportButton,
        // below the pages
        &Button2,
    };
}

void TRolemark::HostAction(const std::function<void()>& action) {
    if (busy_) return;
    busy_ = true;
    // The view first: it moves the focus off the controls before they are
    // disabled. Each control gets back the state it had: the enabling rules
    // between the controls cannot have acted meanwhile.
    view_.ShowBusy(true);
    std::vector<std::pair<Control*, bool>> enabled;
    for (Control* control : ActionInputs()) {
        enabled.emplace_back(control, control->Enabled());
        control->SetEnabled(false);
    }
    const ScopeExit idle([&] {
        for (const auto& [control, wasEnabled] : enabled) control->SetEnabled(wasEnabled);
        busy_ = false;
        view_.ShowBusy(false);
    });
    (void)PmDDE1.TakeUnconfirmedCommands();
    // Commands the host never confirmed may not have been carried out (the
    // selection and autosave given back among them): the message says so.
    try {
        action();
    } catch (const Exception& failure) {
        if (const int unconfirmed = PmDDE1.TakeUnconfirmedCommands())
            throw Exception(failure.Message() + ". " + pmmsg::CommandsUnconfirmed(unconfirmed));
        throw;
    }
    if (const int unconfirmed = PmDDE1.TakeUnconfirmedCommands()) throw Exception(pmmsg::CommandsUnconfirmed(unconfirmed));
}

void TRolemark::SrcStyleComboChange() {
    if (!srcStyleChangeAttached_ || busy_) return;
    ShowSummary("");
    HostAction([this] {
        const ScopeExit closeLink([this] { PmDDE1.CloseLink(); });
        PmDDE1.OpenLink();
        LoadTargetStyle();
    });
}

void TRolemark::TargetStyleComboChange() {
    if (busy_) {
        // The list is disabled meanwhile; a pick that got through anyway is
        // taken back, so that the list shows the style the fields hold.
        TargetStyleCombo.SetItemIndex(fieldsStyle_);
        return;
    }
    ShowSummary("");
    HostAction([this] { LoadTargetStyle(); });
}

// The handlers below ignore input while an action talks to the host (their
// controls are disabled then): a run works on what it read at its start.

void TRolemark::UseStyleCheckBoxClick() {
    if (!busy_) SrcStyleCombo.SetEnabled(UseStyleCheckBox.Checked());
}
void TRolemark::BasedOnCheckBoxClick() {
    if (!busy_) TargetStyleCombo.SetEnabled(BasedOnCheckBox.Checked());
}

// The formatting fields are read when a run starts; a change does nothing.
void TRolemark::FontComboChange() {}

void TRolemark::Label1Click() { shell_.Execute("open", kHomePage); }

// --- the name list

// Any change of the list leaves the report's counts behind it.

void TRolemark::Button1Click() {
    if (busy_) return;
    NamesList.Add(NamesEdit.Text());
    ReportList.MarkOutOfDate();
}

void TRolemark::Button3Click() {
    if (busy_ || NamesList.ItemIndex() < 0) return;
    NamesList.Delete(NamesList.ItemIndex());
    ReportList.MarkOutOfDate();
}

void TRolemark::Button4Click() {
    if (busy_) return;
    const std::optional<std::filesystem::path> file = view_.ExecuteSaveDialog(SaveDialog1);
    if (!file) return;
    SaveDialog1.fileName = *file;
    namefile::Save(*file, NamesList.Items());
}

void TRolemark::Button5Click() {
    if (busy_) return;
    const std::optional<std::filesystem::path> file = view_.ExecuteOpenDialog(OpenDialog1);
    if (!file) return;
    OpenDialog1.fileName = *file;
    // Read first: a file that cannot be read leaves the list as it was.
    NamesList.Assign(namefile::Open(*file));
    ReportList.MarkOutOfDate();
}

// --- the report

void TRolemark::AddAllButtonClick() { AddCandidates(false); }
void TRolemark::AddSelectedButtonClick() { AddCandidates(true); }

void TRolemark::AddCandidates(bool selectedOnly) {
    if (busy_) return;
    ShowSummary("");
    int added = 0;
    {
        // The line is shown also when a full list stops the adding (behind
        // the list's message).
        const ScopeExit say([&] {
            ShowSummary(AddedSummary(added));
            if (added > 0) ReportList.MarkOutOfDate();
        });
        const std::vector<ReportRow>& rows = ReportList.Rows();
        for (size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].kind != RowKind::Candidate || (selectedOnly && !ReportList.Selected(static_cast<int>(i)))) continue;
            const std::vector<std::string>& listed = NamesList.Items();
            if (std::find(listed.begin(), listed.end(), rows[i].text) != listed.end()) continue;
            NamesList.Add(rows[i].text);
            ++added;
        }
    }
}

void TRolemark::SaveReportButtonClick() {
    if (busy_) return;
    const std::optional<std::filesystem::path> file = view_.ExecuteSaveDialog(SaveDialog2);
    if (!file) return;
    SaveDialog2.fileName = *file;
    // The name file's way of saving: the same encoding and line ends, and
    // nothing half-written.
    namefile::Save(*file, ReportLines(ReportList.Rows()));
}

}  // namespace workbench

// The formatting run: the host's state, the walk over the paragraphs of the
// whole story or of the user's selection, and the treatment of each
// paragraph's start (copy it through the clipboard, find the longest listed
// name it opens with, format that name).
#include <algorithm>
#include <exception>
#include <optional>

#include "platform/exception.h"
#include "platform/locale.h"
#include "platform/scope_exit.h"
#include "pmdde/host_codes.h"
#include "workbench/messages.h"
#include "workbench/rolemark.h"

namespace workbench {

using namespace pmcodes;

namespace {

// A check reads at least this much of each paragraph: room for a label of
// 40 characters and what ends it.
constexpr int32_t kCheckLength = 64;

// Tries of a Copy whose text did not reach the clipboard, and how long each
// waits for another program to let the clipboard go: about 1 s in all.
constexpr int kCopyTries = 5;
constexpr unsigned kClipboardFreeWaitMs = 200;

}  // namespace

void TRolemark::Button2Click() {
    HostAction([this] {
        running_ = true;
        const ScopeExit finish([this] { running_ = false; });
        RunFormatting();
    });
}

void TRolemark::CheckButtonClick() {
    HostAction([this] {
        running_ = checking_ = true;
        const ScopeExit finish([this] { running_ = checking_ = false; });
        RunFormatting();
    });
}

// A run, or with checking_ a check: the same walk, reading more of each
// paragraph and formatting nothing.
void TRolemark::RunFormatting() {
    ShowSummary("");
    tally_ = {};
    if (NamesList.Count() == 0 && !checking_) {
        view_.ShowMessage(text::kEmptyList, text::kEmptyListCaption, MessageIcon::Exclamation);
        return;
    }
    if (!checking_) ReadRunFields();
    // What the walk works with is taken now: the controls take no input
    // meanwhile, and the run formats what it started with.
    FNames = NamesList.Items();
    FUseStyle = UseStyleCheckBox.Checked();
    FSrcStyle = SrcStyleCombo.Text();
    const bool wholeWord = WholeWordCheckBox.Checked();
    stopRequested_ = stopped_ = false;
    FMaxNameLen = 0;
    for (const std::string& name : FNames) FMaxNameLen = std::max(FMaxNameLen, static_cast<int32_t>(name.size()));
    // A check reads enough for a candidate's label; a whole-word run one
    // character more than the longest name, to see what follows it.
    lookLength_ = checking_ ? std::max(FMaxNameLen, kCheckLength) : FMaxNameLen + (wholeWord ? 1 : 0);
    report_.Start(wholeWord, checking_);
    paragraphNumber_ = 0;

    // Numbers in commands are written with a full stop, whatever the user's locale.
    platform::NumberFormat& numbers = platform::ProcessNumberFormat();
    const char userDecimal = numbers.decimal;
    numbers.decimal = '.';
    std::optional<RunEnd> end;  // set once the walk ran, was skipped or failed
    std::exception_ptr failure;
    {
        const ScopeExit cleanUp([&] {
            PmDDE1.CloseLink();
            numbers.decimal = userDecimal;
            ProgressBar.SetVisible(false);
        });
        bool autosaveSuppressed = false;
        Selection user;
        try {
            PmDDE1.OpenLink();
            if (EditingText()) {
                PmDDE1.SuppressAutosave(1);
                autosaveSuppressed = true;
                bool walked = true;
                if (!SelParaRadio.Checked())
                    WholeStoryWalk(user);
                else
                    walked = SelectedParagraphsWalk(user);
                reportFrom_ = SelParaRadio.Checked() ? std::optional<int32_t>(user.A) : std::nullopt;
                autosaveSuppressed = false;
                PmDDE1.SuppressAutosave(0);
                end = stopped_ ? RunEnd::Stopped : walked ? RunEnd::Completed : RunEnd::Skipped;
            }
        } catch (...) {
            // Give the host the user's selection (or the paragraph's first
            // characters stay selected for the next keystroke to replace) and
            // its autosave back, if the link still carries commands; the
            // failure that ended the run is the one reported.
            if (autosaveSuppressed) {
                try {
                    // A reply that came too late may still arrive on the old
                    // conversation: a fresh one carries the clean-up.
                    if (DdeClientConv1.RequestTimedOut()) PmDDE1.OpenLink();
                    if (user.known) PmDDE1.SetTextCursor(user.S, user.A, user.B);
                    PmDDE1.SuppressAutosave(0);
                } catch (...) {
                }
            }
            failure = std::current_exception();
            try {
                throw;
            } catch (const EPmCommandRefused& refused) {
                failure = std::make_exception_ptr(Exception(pmmsg::CommandRefused(refused.Command(), refused.Busy(), paragraphNumber_)));
            } catch (...) {
            }
            end = RunEnd::Failed;
        }
    }
    // After the clean-up; a failure's line is shown behind the error box, and
    // left once it is confirmed.
    if (end) {
        ReportList.SetRows(report_.Rows(FNames));
        const SpeakerReport::Counts counts = report_.Count(FNames);
        ShowSummary(checking_ && *end != RunEnd::Skipped
                        ? CheckSummary(*end, tally_.paragraphs, counts.namesFound, counts.notFound, counts.candidates)
                        : RunSummary(*end, tally_));
    }
    if (failure) std::rethrow_exception(failure);
}

void TRolemark::FormEscapeKey() {
    if (running_) stopRequested_ = true;
}

void TRolemark::ReportListDblClick() {
    const int row = ReportList.Activated();
    if (row < 0) return;
    const int paragraph = ReportList.Rows()[static_cast<size_t>(row)].firstParagraph;
    if (paragraph <= 0) return;  // a name not found
    HostAction([this, paragraph] {
        const ScopeExit closeLink([this] { PmDDE1.CloseLink(); });
        PmDDE1.OpenLink();
        if (!EditingText()) return;
        // The walk's steps again, from its first paragraph.
        int32_t S = 0, A = 0, B = 0;
        PmDDE1.GetTextCursor(S, A, B);
        if (reportFrom_) {
            PmDDE1.SetTextCursor(S, *reportFrom_, *reportFrom_);
            PmDDE1.TextCursor(kParagraphStart, 0);
        } else {
            PmDDE1.TextCursor(kStartOfStory, 1);
        }
        for (int i = 1; i < paragraph; ++i) PmDDE1.TextCursor(kByParagraph, 1);
    });
}

bool TRolemark::EditingText() {
    const uint8_t state = StateTableKey(PmDDE1.GetPMState());
    if (state == kTextInsertion || state == kTextSelected) return true;
    if (const char* message = text::StateMessage(state, true)) view_.ShowMessage(message, text::kStateCaption, MessageIcon::None);
    return false;
}

void TRolemark::ShowSummary(const std::string& line) {
    SummaryLabel.SetCaption(line);
    SummaryLabel.SetVisible(!line.empty());
}

// Each walk stops when the insertion point reaches the walk's end, or when a
// paragraph step does not move it forward (so a host that does not move it
// cannot hold the run in an endless loop), or after the paragraph in
// progress when Esc asked to stop. `S` is always the latest first number of
// GetTextCursor, passed back as it is.

void TRolemark::WholeStoryWalk(Selection& user) {
    int32_t &S = user.S, &A = user.A, &B = user.B;
    int32_t unused = 0, E = 0, F = 0, P = 0;
    PmDDE1.GetTextCursor(S, A, B);
    user.known = true;
    PmDDE1.TextCursor(kEndOfStory, 1);
    PmDDE1.GetTextCursor(S, unused, E);
    PmDDE1.TextCursor(kStartOfStory, 1);
    PmDDE1.GetTextCursor(S, unused, F);
    ProgressBar.SetMax(E);
    ProgressBar.SetMin(F);
    ProgressBar.SetPosition(F);
    ProgressBar.SetVisible(true);
    for (int32_t previous = F;; previous = P) {
        FormatParagraphStart();
        PmDDE1.TextCursor(kByParagraph, 1);
        PmDDE1.GetTextCursor(S, unused, P);
        ProgressBar.SetPosition(P);
        if (P >= E || P <= previous) break;
        if (stopRequested_) {
            stopped_ = true;
            break;
        }
    }
    PmDDE1.SetTextCursor(S, A, B);
}

bool TRolemark::SelectedParagraphsWalk(Selection& user) {
    // A selection to walk: the host answers 3, or else 8 when asked again
    // (the whole answer: only the state tables drop the high bit).
    if (PmDDE1.GetPMState() != kOutsideText3 && PmDDE1.GetPMState() != kTextSelected) return false;
    int32_t &S = user.S, &A = user.A, &B = user.B;
    int32_t unused = 0, E = 0, P = 0;
    PmDDE1.GetTextCursor(S, A, B);
    user.known = true;
    ProgressBar.SetMax(B);
    ProgressBar.SetMin(A);
    ProgressBar.SetPosition(A);
    ProgressBar.SetVisible(true);
    PmDDE1.SetTextCursor(S, B, B);
    PmDDE1.TextCursor(kByParagraph, 0);
    PmDDE1.GetTextCursor(S, unused, E);
    PmDDE1.SetTextCursor(S, A, A);
    PmDDE1.TextCursor(kParagraphStart, 0);
    for (int32_t previous = A;; previous = P) {
        FormatParagraphStart();
        PmDDE1.TextCursor(kByParagraph, 1);
        (void)PmDDE1.GetPMState();
        PmDDE1.GetTextCursor(S, unused, P);
        ProgressBar.SetPosition(P);
        if (P >= E || P <= previous) break;
        if (stopRequested_) {
            stopped_ = true;
            break;
        }
    }
    PmDDE1.SetTextCursor(S, A, B);
    return true;
}

void TRolemark::FormatParagraphStart() {
    ++paragraphNumber_;  // every paragraph the walk steps over, looked at or not
    if (FUseStyle) {
        std::string style;
        PmDDE1.GetStyle(style);
        if (style != FSrcStyle) return;
    }
    PmDDE1.TextSelect(0, lookLength_);
    // NOTE: a query is answered only after every command sent before it has
    // been carried out, so these two state questions (answers unused) make
    // sure the selection and the copy are done before the clipboard is used.
    (void)PmDDE1.GetPMState();
    const std::string copied = CopySelection();
    ++tally_.paragraphs;
    PmDDE1.TextSelect(1, lookLength_);

    const NameMatch match = report_.Look(FNames, paragraphNumber_, copied, static_cast<size_t>(lookLength_));
    if (checking_ || match.length == 0) return;
    const auto length = static_cast<int32_t>(match.length);
    PmDDE1.TextSelect(0, length);
    ApplyNameFormat();
    ++tally_.names;
    PmDDE1.TextSelect(1, length);
}

std::string TRolemark::CopySelection() {
    // Only text the host's Copy put there counts: the clipboard must have
    // changed since this emptying, and be owned by the host's process when a
    // window owns it at all (a host that copies without a window leaves no
    // owner). Anything else (another program's change, a Copy that found the
    // clipboard held, a refused or busy Copy) is another try.
    uint32_t emptied = 0;
    for (int tries = 0; tries < kCopyTries; ++tries) {
        // NOTE: emptied again only when something changed the clipboard
        // since: each change sets a clipboard tool opening it, which the
        // next Copy would meet.
        if (tries == 0 || clipboard_.SequenceNumber() != emptied) {
            if (!clipboard_.Clear()) throw Exception(text::kNoClipboard);
            emptied = clipboard_.SequenceNumber();
        }
        // A tool that opens the clipboard after every change would make the
        // host's Copy fail: wait until it has let go.
        (void)clipboard_.WaitUntilFree(kClipboardFreeWaitMs);
        PmDDE1.Copy();
        try {
            (void)PmDDE1.GetPMState();
        } catch (const EPmCommandRefused& refused) {
            if (refused.Command() != "Copy") throw;
            // The host refuses to copy an empty selection (the empty
            // paragraph at a story's end): that is empty text.
            int32_t story = 0, from = 0, to = 0;
            PmDDE1.GetTextCursor(story, from, to);
            if (from == to) return std::string();
            continue;
        }
        app_.ProcessMessages();
        const uint32_t copied = clipboard_.SequenceNumber();
        const uint32_t owner = clipboard_.OwnerProcess(), host = DdeClientConv1.PartnerProcess();
        // A sequence number of 0 means no access to it (the test is left out).
        if ((emptied != 0 && copied == emptied) || (owner != 0 && host != 0 && owner != host)) continue;
        const std::optional<std::string> text = clipboard_.ReadText();
        if (!text) throw Exception(text::kNoClipboard);
        if (clipboard_.SequenceNumber() == copied) return *text;  // nobody changed it in between
    }
    throw Exception(text::CopyNotArrived(paragraphNumber_));
}

}  // namespace workbench

// PageMakerHost: the stand-in for the host program. A DDE server object that
// holds one publication and carries out the host's text commands on its
// story, answering the queries the program reads, strictly in arrival order.
//
// Commands (a leading "try " is accepted and dropped; words compare without
// regard to ASCII case):
//   TextCursor c n     moves the insertion point from the caret and collapses
//                      the selection: 0 n / 1 n n characters forward / back;
//                      6 1 to the start of the next paragraph (the story's end
//                      after the last), 6 n that n times; 6 0 to the end of
//                      the paragraph; 7 n to its start; 10 n / 11 n to the
//                      story's end / start. Other codes: acknowledged, no effect.
//   TextSelect 0|1 n   moves the caret n characters forward / back (story.h)
//   SetTextCursor S X Y   anchor X, caret Y in story S (another S: refused)
//   Copy               the selection to the clipboard as text, each CR as CR LF
//   SuppressAutosave n, Quit
//   KernText k, Font "name", Size s, Track t, SetWidth w, Leading l (-1
//   automatic), TypeStyle n (0 clears, 1 to 7 add a style),
//   TypeOptions a b c d shift down (-2 keeps a value; shift in points, down
//   1 lowers the text)
//                      set that attribute of the selected characters, or of
//                      the style being defined; a value out of the host's
//                      range is refused
//   StyleBegin "name", StyleEnd
//                      between them formatting commands and the readers work
//                      on that style (a new name makes a new style, based on
//                      the style of the paragraph at the insertion point);
//                      the style's paragraphs keep their formatting
// Any other command is acknowledged, logged and ignored; in strict mode it is
// refused, so that a test notices a command the stand-in does not model.
//
// Queries and their replies, numbers with a full stop:
//   GetPMState     8 with text selected, else 7 (unless a fault or a script says otherwise)
//   GetTextCursor  S,start,end
//   GetStyle       "name" of the paragraph at the selection's start
//   GetStyleNames  N,"a","b",...      GetFontList  N,"name",i1,i2,i3,...
//   GetFont "name", GetSize, GetTrack, GetLeading (-1 automatic), GetWidth,
//   GetTypeOptions (four percentages and the shift in tenths, then 1 when the
//   shift lowers the text), GetTypeStyle (255, then the sum of the styles
//   applied: 1 normal, 2 bold, 4 italic, ...), GetKernText (ems): the style
//   being defined, or the first selected character, or with an insertion
//   point the character before it
//   StandinClipboard  the clipboard's text; StandinDump  writes the dump
//                  files, 1 (or 0 when that failed)
// Any other query is refused (no reply): the link reports it as a failed query.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clipboard.h"
#include "platform/standin/dde_conversation.h"
#include "standin/host/publication.h"
#include "standin/host/transcript.h"

namespace standin {

class PageMakerHost : public platform::standin::DdeServer {
public:
    // Takes the publication's faults as its own; the caller may add more.
    PageMakerHost(Publication publication, platform::Clipboard& clipboard);

    bool Accept(const std::string& service, const std::string& topic) override;
    Verdict Execute(const std::string& command) override;
    double AckDelay(const std::string& command) override;
    bool LeaveUnanswered() override { return unanswered_; }
    void Dropped(const std::string& command) override;
    std::optional<std::string> Request(const std::string& item) override;
    After AfterExchange() override;

    const Publication& publication() const { return pub_; }
    Transcript& transcript() { return transcript_; }
    const Transcript& transcript() const { return transcript_; }
    bool AutosaveSuppressed() const { return autosaveSuppressed_; }
    int Exchanges() const { return exchanges_; }

    Faults faults;
    // Tests turn it on: an unknown command is refused rather than ignored.
    bool strict = false;
    // The wait of the delay fault, in seconds; the default sleeps the thread.
    std::function<void(double seconds)> pause;
    // Called after formatting commands changed the characters from..to-1.
    std::function<void(int from, int to)> onReformat;
    // Where WriteDumps and the query "StandinDump" write; empty: not written.
    std::filesystem::path dumpJsonPath, dumpHtmlPath;

    // Writes the dump files now (each replaced whole or left as it was).
    [[nodiscard]] bool WriteDumps(std::string& error) const;

private:
    struct Outcome {
        bool ok = true;
        std::string note;
    };
    struct Args {
        std::vector<double> numbers;
        std::string text;
    };
    using CommandHandler = Outcome (PageMakerHost::*)(const Args&);
    using QueryHandler = std::optional<std::string> (PageMakerHost::*)(std::string& note);
    struct CommandRow {
        std::string_view word;
        std::string_view pattern;  // "T": one quoted text; else one "N" per number
        CommandHandler run;
    };
    struct QueryRow {
        std::string_view word;
        QueryHandler answer;
    };
    static const std::vector<CommandRow>& Commands();
    static const std::vector<QueryRow>& Queries();
    static std::optional<Args> ParseArgs(std::string_view pattern, std::string_view rest);

    double Now() const;
    void Event(const std::string& name, const std::string& note = {});
    // Changes the style being defined, or the selected characters, by
    // `change`; refused when the result leaves the host's ranges.
    Outcome Reformat(const std::function<void(CharFormat&)>& change);
    // What the readers report.
    CharFormat ReadFormat() const;

    Outcome TextCursor(const Args& args);
    Outcome TextSelect(const Args& args);
    Outcome SetTextCursor(const Args& args);
    Outcome Copy(const Args& args);
    Outcome SuppressAutosave(const Args& args);
    Outcome Quit(const Args& args);
    Outcome KernText(const Args& args);
    Outcome Font(const Args& args);
    Outcome Size(const Args& args);
    Outcome Track(const Args& args);
    Outcome SetWidth(const Args& args);
    Outcome Leading(const Args& args);
    Outcome TypeStyle(const Args& args);
    Outcome TypeOptions(const Args& args);
    Outcome StyleBegin(const Args& args);
    Outcome StyleEnd(const Args& args);

    std::optional<std::string> GetPMState(std::string& note);
    std::optional<std::string> GetTextCursor(std::string& note);
    std::optional<std::string> GetStyle(std::string& note);
    std::optional<std::string> GetStyleNames(std::string& note);
    std::optional<std::string> GetFontList(std::string& note);
    std::optional<std::string> GetFont(std::string& note);
    std::optional<std::string> GetSize(std::string& note);
    std::optional<std::string> GetTrack(std::string& note);
    std::optional<std::string> GetLeading(std::string& note);
    std::optional<std::string> GetWidth(std::string& note);
    std::optional<std::string> GetTypeOptions(std::string& note);
    std::optional<std::string> GetTypeStyle(std::string& note);
    std::optional<std::string> GetKernText(std::string& note);
    std::optional<std::string> StandinClipboard(std::string& note);
    std::optional<std::string> StandinDump(std::string& note);

    Publication pub_;
    platform::Clipboard& clipboard_;
    Transcript transcript_;
    std::chrono::steady_clock::time_point start_;

    bool autosaveSuppressed_ = false;
    bool quitRequested_ = false;
    int styleScope_ = -1;  // the style being defined, or -1

    // Counters for the faults (1-based, over the host's life).
    int exchanges_ = 0, commands_ = 0, queries_ = 0;
    int stateAsks_ = 0, nextParagraphMoves_ = 0;
    size_t scriptedStates_ = 0;  // answers taken from faults.states
    std::map<std::string, int> commandWords_, queryWords_;
    bool unanswered_ = false;  // the last query is never answered
};

}  // namespace standin

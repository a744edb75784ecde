// TPmDDE: the one component through which the program talks to the host.
//
// It drives a DDE client conversation (not owned) and adds the link to the
// service "PageMaker", one command, one query, the optional "try " prefix and
// busy wait, and an exception with a Russian message for each kind of
// failure. Every host command and query is one virtual member named after its
// command word; the vocabulary is declared once, in vocabulary.def.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/dde.h"
#include "pmdde/exceptions.h"
#include "pmdde/format.h"
#include "pmdde/lists.h"
#include "pmdde/vocabulary_macros.h"

// How the host's main window title begins: the program runs only while a
// top-level window titled so exists.
inline const char* const kPmWindowTitles[] = {"Adobe PageMaker 6.5", "Adobe PageMaker 6.0"};

// One option of Import: a name and a value, each sent bare after a blank.
struct ImportOption {
    BoundedText<40> OptionName;
    BoundedText<60> OptionValue;
};

// The option set of ChangeEnv: bit n is set when option n is a member.
using EnvOptions = uint8_t;

class TPmDDE {
public:
    using TOnWaitIfBusy = std::function<void(TPmDDE& sender)>;

    // Argument kinds of the vocabulary.
    using Text = const std::string&;
    using Short = const ShortText&;
    using Int = int32_t;
    using SByte = int8_t;
    using Byte = uint8_t;
    using Real = float;
    // Output kinds of the readers.
    using RealOut = float&;
    using IntOut = int32_t&;
    using ByteOut = uint8_t&;
    using TextOut = std::string&;

    TPmDDE() = default;
    TPmDDE(const TPmDDE&) = delete;
    TPmDDE& operator=(const TPmDDE&) = delete;
    // Closes the link, then destroys the four lists with their items.
    virtual ~TPmDDE();

    // Published properties. The conversation must outlive the component.
    TDdeClientConv* DDEConv = nullptr;
    TOnWaitIfBusy OnWaitIfBusy;
    bool LongOperation = false;
    bool WaitExec = false;

    virtual void ExecQuery(const std::string& query, std::string& reply);
    virtual void ExecCommand(const std::string& command);
    virtual void NextField(const std::string& reply, int& pos, std::string& field);
    virtual float ExtractNumber(const std::string& reply, int& pos);
    virtual int32_t ExtractInteger(const std::string& reply, int& pos);
    virtual void ExtractQuoted(const std::string& reply, int& pos, std::string& text);
    virtual TPmObject& ObjectItem(int index);
    virtual TPmObject& SelectItem(int index);
    virtual int ObjectCount();
    virtual int SelectCount();
    virtual TPrivates& PrivateItem(int index);
    virtual int PrivateCount();
    virtual TPmFont& FontItem(int index);
    virtual int FontCount();
    virtual bool GetTryMode65();
    virtual void SetTryMode65(bool value);
    virtual void WaitWhileBusy();
    virtual bool OpenLink();
    // Closes the link once every command sent on it is complete (or about
    // 10 s have passed): the commands whose completion never came are added
    // to UnconfirmedCommands.
    virtual void CloseLink();

#define PM_PLAIN(Name) virtual void Name();
#define PM_COMMAND(Name, Format, ...) virtual void Name(PM_PARAMS(__VA_ARGS__));
#define PM_ACTION(Name, Format, Window, ...) virtual int32_t Name(PM_PARAMS(__VA_ARGS__));
#define PM_VALUE(Result, Name, Window) virtual Result Name();
#define PM_READER(Name, Window, ...) virtual void Name(PM_PARAMS(__VA_ARGS__));
#define PM_OWN(Result, Name, Params) virtual Result Name Params;
#include "pmdde/vocabulary.def"

    // The host's state (the reply's integer cut to its low byte); 9 is busy.
    uint8_t GetPMState();

    // The commands whose completion had not come when a link was closed,
    // since the last call (an action reports them once it has ended).
    int TakeUnconfirmedCommands();

protected:
    // Asks `query`; the reply cut to `window` characters (0: whole).
    std::string Ask(const std::string& query, size_t window = 0);

    // One field of a reply into an output of the matching kind, with the
    // scanners above (so that an override of a scanner applies).
    void ReadField(const std::string& reply, int& pos, float& out) { out = ExtractNumber(reply, pos); }
    void ReadField(const std::string& reply, int& pos, int32_t& out) { out = ExtractInteger(reply, pos); }
    void ReadField(const std::string& reply, int& pos, uint8_t& out) { out = static_cast<uint8_t>(ExtractInteger(reply, pos) & 0xFF); }
    void ReadField(const std::string& reply, int& pos, std::string& out) { ExtractQuoted(reply, pos, out); }
    // NOTE: each output is stored before the next field is read, so a
    // failure part-way leaves the earlier outputs written, the later ones not.
    template <class... Out>
    void ReadFields(const std::string& reply, Out&... outs) {
        int pos = 1;
        (ReadField(reply, pos, outs), ...);
    }

    // Fills the object or selection list from `query`.
    void FillObjects(std::unique_ptr<TPmObjectList>& list, const std::string& query);

    std::unique_ptr<TPmObjectList> objects_;
    std::unique_ptr<TPmObjectList> selection_;
    std::unique_ptr<TPmPrivatesList> privates_;
    std::unique_ptr<TPmFontList> fonts_;

private:
    // Raises EPmCommandRefused for a command the host did not carry out.
    void ThrowIfRefused();

    bool tryMode65_ = false;
    int unconfirmed_ = 0;
};

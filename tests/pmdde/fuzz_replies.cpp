// libFuzzer target: one arbitrary reply, given to every operation of TPmDDE
// that reads a reply (the readers, the action queries, the list queries and
// their items, the guide, selection and private-data queries, the state) and
// to the scanners directly, field by field. A failure must be one of the
// program's exceptions: no crash, no read outside the reply, no hang.
// The input's first bytes also go through the number formats as a float.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <tuple>
#include <type_traits>
#include <utility>

#include "platform/locale.h"
#include "platform/standin/dde_conversation.h"
#include "pmdde/PMDDE1.h"
#include "pmdde/replies.h"

namespace {

// Answers every query with the same reply.
class ReplyHost : public platform::standin::DdeServer {
public:
    Verdict Execute(const std::string&) override { return Verdict::Done; }
    std::optional<std::string> Request(const std::string&) override { return reply; }
    std::string reply;
};

template <class T>
T Blank() {
    if constexpr (std::is_same_v<T, ShortText>)
        return ShortText("");
    else
        return T{};
}

// Calls `op` with blank arguments, as lvalues so that outputs bind to them.
template <class R, class... A, size_t... I>
void CallBlank(TPmDDE& pm, R (TPmDDE::*op)(A...), std::index_sequence<I...>) {
    std::tuple<std::decay_t<A>...> args{Blank<std::decay_t<A>>()...};
    (void)(pm.*op)(std::get<I>(args)...);
}

template <class R, class... A>
void Attempt(TPmDDE& pm, R (TPmDDE::*op)(A...)) {
    try {
        CallBlank(pm, op, std::index_sequence_for<A...>());
    } catch (const Exception&) {
    }
}

template <class F>
void Attempt(F&& f) {
    try {
        f();
    } catch (const Exception&) {
    }
}

void ScanFieldByField(const std::string& reply) {
    const int end = static_cast<int>(reply.size()) + 2;
    for (int pos = 1; pos <= end;) replies::NextField(reply, pos);
    for (int pos = 1; pos <= end;) {
        const int before = pos;
        Attempt([&] { replies::ExtractNumber(reply, pos); });
        if (pos <= before) __builtin_trap();  // a scanner that does not advance would hang its caller
    }
    for (int pos = 1; pos <= end;) Attempt([&] { replies::ExtractInteger(reply, pos); });
    std::string text;
    for (int pos = 1, last = 0; pos < static_cast<int>(reply.size()) && pos != last;) {
        last = pos;
        replies::ExtractQuoted(reply, pos, text);
    }
    if (text.size() > reply.size()) __builtin_trap();
}

void FormatTheFirstBytes(const uint8_t* data, size_t size) {
    if (size < sizeof(float)) return;
    float value;
    std::memcpy(&value, data, sizeof value);
    (void)format::Fixed(value, 2);
    (void)format::Rounded(value, 3);
    (void)format::Grouped(value);
    (void)format::General(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::ProcessNumberFormat() = platform::NumberFormat{'.', ','};
    ReplyHost host;
    host.reply.assign(reinterpret_cast<const char*>(data), size);
    platform::standin::DdeConversation conv;
    conv.server = &host;
    TPmDDE pm;
    pm.DDEConv = &conv;
    (void)pm.OpenLink();

#define PM_ACTION(Name, Format, Window, ...) Attempt(pm, &TPmDDE::Name);
#define PM_VALUE(Result, Name, Window) Attempt(pm, &TPmDDE::Name);
#define PM_READER(Name, Window, ...) Attempt(pm, &TPmDDE::Name);
#include "pmdde/vocabulary.def"

    Attempt([&] { pm.GetPMState(); });
    Attempt([&] {
        std::string text;
        pm.GetMasterPage(text);
    });

    // The lists, then every item they hold.
    for (auto fill : {&TPmDDE::GetObjectIDList, &TPmDDE::GetObjectIDListTop, &TPmDDE::GetSelectIDList,
                      &TPmDDE::GetSelectIDListTop, &TPmDDE::GetFontList})
        Attempt(pm, fill);
    Attempt([&] {
        const int count = pm.ObjectCount();
        for (int i = 0; i <= count; ++i) (void)pm.ObjectItem(i).Extent24();
    });
    Attempt([&] {
        const int count = pm.SelectCount();
        for (int i = 0; i <= count; ++i) (void)pm.SelectItem(i).Extent13();
    });
    Attempt([&] { pm.SelectItem(-1); });
    Attempt([&] {
        for (int i = 0; i <= pm.FontCount(); ++i) (void)pm.FontItem(i).Name.size();
    });
    Attempt([&] {
        int32_t count = 0;
        std::vector<std::string> names;
        pm.GetStyleNames(count, names);
        if (count >= 0 && names.size() > static_cast<size_t>(count)) __builtin_trap();
    });

    // Guides into arrays smaller, equal and larger than any count the reply may hold.
    for (size_t length : {0, 1, 3, 64}) {
        Attempt([&] {
            int32_t count = 0;
            std::vector<float> positions(length);
            pm.GetHorizGuides(count, positions);
        });
        Attempt([&] {
            int32_t count = 0;
            std::vector<float> positions(length);
            pm.GetVertGuides(count, positions);
        });
    }

    Attempt([&] {
        int32_t number = 0;
        std::string text;
        pm.GetPrivateString("a", "b", 1, 2, 3, number, text);
    });
    Attempt([&] {
        pm.GetPrivateList("a", "b", 4, 0, 0);
        for (int i = 0; i <= pm.PrivateCount(); ++i) (void)pm.PrivateItem(i).Text2.size();
    });

    // The reply as texts of the special commands.
    Attempt([&] { pm.Book(1, 3, {host.reply, host.reply}); });
    Attempt([&] { pm.Import(host.reply, 1, 0, 0, 0, 0, 2, {{host.reply, host.reply}}); });

    ScanFieldByField(host.reply);
    FormatTheFirstBytes(data, size);
    return 0;
}

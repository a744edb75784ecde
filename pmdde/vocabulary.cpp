// The bodies of the regular rows of vocabulary.def, generated from the rows,
// and of the one reader that does not read its reply. The other irregular
// operations are in special_commands.cpp, list_queries.cpp and
// private_data.cpp.
#include "pmdde/PMDDE1.h"

#define PM_PLAIN(Name) \
    void TPmDDE::Name() { ExecCommand(#Name); }
#define PM_COMMAND(Name, Format, ...) \
    void TPmDDE::Name(PM_PARAMS(__VA_ARGS__)) { ExecCommand(format::Compose(Format, {PM_ARGS(__VA_ARGS__)})); }
#define PM_ACTION(Name, Format, Window, ...)                                        \
    int32_t TPmDDE::Name(PM_PARAMS(__VA_ARGS__)) {                                   \
        int32_t first = 0;                                                           \
        ReadFields(Ask(format::Compose(Format, {PM_ARGS(__VA_ARGS__)}), Window), first); \
        return first;                                                                \
    }
#define PM_VALUE(Result, Name, Window)   \
    Result TPmDDE::Name() {              \
        Result value = 0;                \
        ReadFields(Ask(#Name, Window), value); \
        return value;                    \
    }
#define PM_READER(Name, Window, ...) \
    void TPmDDE::Name(PM_PARAMS(__VA_ARGS__)) { ReadFields(Ask(#Name, Window), PM_ARGS(__VA_ARGS__)); }
#include "pmdde/vocabulary.def"

// The whole reply, unread, in place of the caller's text.
void TPmDDE::GetMasterPage(std::string& reply) { reply = Ask("GetMasterPage"); }

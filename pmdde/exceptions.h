// The failures of the command link, one class per kind, each with its fixed
// Russian message. Message arguments taken from the host (commands, queries,
// replies) are ANSI and are converted into the UTF-8 message.
#pragma once

#include <string>
#include <string_view>

#include "platform/exception.h"

#define PM_EXCEPTION(Name) \
    class Name : public Exception { \
    public: \
        using Exception::Exception; \
    };
PM_EXCEPTION(EPmNotFound)
PM_EXCEPTION(EPmCantExecuteCommand)
PM_EXCEPTION(EPmCantExecuteQuery)
PM_EXCEPTION(EPmCantExtractNumber)
PM_EXCEPTION(EPmObjectsIdxError)
PM_EXCEPTION(EArrTooLittle)
#undef PM_EXCEPTION

// The host refused a command sent earlier, or was too busy to carry it out
// (found at the next query). Carries the command (ANSI, as the caller gave
// it) so that an action can say where it was.
class EPmCommandRefused : public Exception {
public:
    EPmCommandRefused(std::string ansiCommand, bool busy);
    const std::string& Command() const { return command_; }
    bool Busy() const { return busy_; }

private:
    std::string command_;
    bool busy_;
};

namespace pmmsg {
// Builders of the exact messages; `ansi` arguments are host texts.
std::string NoDdeClient();
std::string NotFound();
std::string CantExecuteCommand(const std::string& ansiCommand);
std::string CantExecuteQuery(const std::string& ansiQuery);
// A refused or busy command; with `paragraph` > 0, the paragraph of a walk
// (counted from 1) at which it was found.
std::string CommandRefused(const std::string& ansiCommand, bool busy, int paragraph = 0);
// Commands whose completion never came before the link was closed.
std::string CommandsUnconfirmed(int count);
std::string CantExtractNumber(const std::string& ansiReply, int from, int to);
std::string ObjectsIdxError();
std::string ArrTooLittle();
// Caller errors of the private-data operations.
std::string BadDataClass(long long dataClass);
std::string CountAboveIds(long long count, long long ids);
// Failures of command composition: a format that does not fit its values, a
// command longer than the host takes.
std::string BadFormat(std::string_view format);
std::string FormatTooLong();
}  // namespace pmmsg

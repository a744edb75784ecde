// The Russian messages of the command link, byte for byte.
#include "pmdde/exceptions.h"

#include "platform/locale.h"

namespace pmmsg {

std::string NoDdeClient() { return "Нет клиента DDE.."; }
std::string NotFound() { return "Не могу установить связь с PageMaker"; }

std::string CantExecuteCommand(const std::string& ansiCommand) {
    return "Не могу выполнить команду PageMaker - " + platform::AnsiToUtf8(ansiCommand);
}

std::string CantExecuteQuery(const std::string& ansiQuery) {
    return "Не могу получить данные от PageMaker - " + platform::AnsiToUtf8(ansiQuery);
}

std::string CommandRefused(const std::string& ansiCommand, bool busy, int paragraph) {
    return std::string(busy ? "PageMaker занят и не выполнил команду «" : "PageMaker не выполнил команду «") +
           platform::AnsiToUtf8(ansiCommand) + (paragraph > 0 ? "» (абзац " + std::to_string(paragraph) + ")" : "»");
}

std::string CommandsUnconfirmed(int count) { return "PageMaker не подтвердил " + std::to_string(count) + " команд"; }

std::string CantExtractNumber(const std::string& ansiReply, int from, int to) {
    return "Невозможно извлечь числовое значение из строки " + platform::AnsiToUtf8(ansiReply) +
           ", с позиции " + std::to_string(from) + " до " + std::to_string(to);
}

std::string BadFormat(std::string_view format) { return "Формат «" + std::string(format) + "» неверен или не подходит к значению"; }
std::string FormatTooLong() { return "Format result longer than 4096 characters"; }
std::string ObjectsIdxError() { return "Нет элемента PageMaker с таким номером"; }
std::string ArrTooLittle() { return "ArrTooLittle"; }

std::string BadDataClass(long long dataClass) {
    return "Класс данных PageMaker должен быть от 0 до 4, а не " + std::to_string(dataClass);
}

std::string CountAboveIds(long long count, long long ids) {
    return "Число идентификаторов " + std::to_string(count) + " больше длины их списка " + std::to_string(ids);
}

}  // namespace pmmsg

EPmCommandRefused::EPmCommandRefused(std::string ansiCommand, bool busy)
    : Exception(pmmsg::CommandRefused(ansiCommand, busy)), command_(std::move(ansiCommand)), busy_(busy) {}

// The main window's own texts: the host-state messages, the captions of its
// message boxes, the tracking choices, and the failures it raises itself. One
// place, so that the handlers and the tests use the same bytes. (The controls'
// captions stay with their declarations in rolemark.h, the run's summary line
// with its plural rules in run_summary.cpp.)
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pmdde/host_codes.h"

namespace workbench::text {

inline constexpr const char* kInstalled = "Rolemark установлен!";
inline constexpr const char* kInstallCaption = "Инсталляция";

inline constexpr const char* kStateCaption = "Проблемы при работе";
inline constexpr const char* kCloseHelp = "Закройте помощь PageMaker и вернитесь к публикации";
inline constexpr const char* kOpenPublication = "Для начала откройте публикацию";
inline constexpr const char* kTextMode = "Сначала перейдите в текстовый режим";
inline constexpr const char* kPlaceObject = "Сначала поместите объект";
inline constexpr const char* kNoText = "Текст отсутствует";

inline constexpr const char* kEmptyList = "Список действующих лиц пуст";
inline constexpr const char* kEmptyListCaption = "Ошибочка вышла";

// A failure that carries no message of its own (not a std::exception).
inline constexpr const char* kUnexpectedFailure = "Непредвиденная ошибка";

inline constexpr const char* kNoClipboard = "Не удалось открыть буфер обмена: его занимает другая программа";
// The host's Copy of paragraph `paragraph` (of the walk, from 1) never
// reached the clipboard.
inline std::string CopyNotArrived(int paragraph) {
    return "Не удалось прочитать начало абзаца " + std::to_string(paragraph) + ": буфер обмена занят другой программой";
}

// The tracking choices, by the host's tracking number; the first is the default.
inline const std::vector<std::string> kTrackings = {"Без трекинга", "Очень жидкий", "Жидкий", "Нормальный", "Плотный", "Очень плотный"};

// A field a run reads holds no number: the field's caption and its text.
inline std::string NotANumber(const std::string& field, const std::string& text) {
    return "В поле «" + field + "» не число: «" + text + "»";
}

// A list holds no more entries.
inline constexpr const char* kListFull = "Unable to insert a line";

// The name file could not be written or read (`file` in UTF-8), or a line of
// a Unicode file has characters that the ANSI code page lacks.
inline std::string CannotCreateFile(const std::string& file) { return "Cannot create file " + file; }
inline std::string CannotOpenFile(const std::string& file) { return "Cannot open file " + file; }
inline std::string NotInCodePage(size_t line, const std::string& file) {
    return "Строка " + std::to_string(line) + " файла " + file + " содержит знаки, которых нет в кодировке Windows";
}

// The registry key or one of its values could not be written.
inline std::string NoRegistryKey(const std::string& key) { return "Не удалось открыть раздел реестра " + key; }
inline std::string NoRegistryValue(const std::string& name) { return "Не удалось записать в реестр значение " + name; }

// The host states, by their table key (pmcodes::StateTableKey), that stop
// an action with a message; `atRun` selects the run's table, which also names
// states 2, 3, 4 and 9. Null: no message.
inline const char* StateMessage(uint8_t state, bool atRun) {
    switch (state) {
        case pmcodes::kHelpOpen: return kCloseHelp;
        case pmcodes::kNoPublication: return kOpenPublication;
        case pmcodes::kNoObject: return kPlaceObject;
        case pmcodes::kWithoutText: return kNoText;
        case pmcodes::kOutsideText2:
        case pmcodes::kOutsideText3:
        case pmcodes::kOutsideText4:
        case pmcodes::kBusy: return atRun ? kTextMode : nullptr;
        default: return nullptr;
    }
}

}  // namespace workbench::text

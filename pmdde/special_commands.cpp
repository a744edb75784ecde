// Commands that choose between two texts or build their text from a list:
// New, Crop, Move, Book, ChangeEnv and Import.
#include "pmdde/PMDDE1.h"

void TPmDDE::New(Int pages) {
    // 0 asks for the host's default: the bare command word.
    ExecCommand(pages == 0 ? std::string("New") : format::Compose("New %d", {pages}));
}

void TPmDDE::Crop(Byte handle, Real first, Real second) {
    // Handles 0, 2, 3 and 4 take one value, the first; all others take both.
    const bool oneValue = handle == 0 || handle == 2 || handle == 3 || handle == 4;
    ExecCommand(oneValue ? format::Compose("crop %d %f", {handle, first})
                         : format::Compose("crop %d %f %f", {handle, first, second}));
}

void TPmDDE::Move(Byte refPoint, Real x, Real y) {
    // Unlike Crop, the reference points 3 and 4 move along the vertical only.
    if (refPoint == 0 || refPoint == 2)
        ExecCommand(format::Compose("move %d %f", {refPoint, x}));
    else if (refPoint == 3 || refPoint == 4)
        ExecCommand(format::Compose("move %d %f", {refPoint, y}));
    else
        ExecCommand(format::Compose("move %d %f %f", {refPoint, x, y}));
}

void TPmDDE::Book(Byte mode, Int count, const std::vector<std::string>& texts) {
    std::string command = format::Compose("Book %d %d", {mode, count});
    // NOTE: a count above the list's length sends the texts there are; the
    // count itself still goes out as the caller gave it.
    for (int32_t i = 0; i < count && static_cast<size_t>(i) < texts.size(); ++i)
        command = format::Compose("%s \"%s\"", {command, texts[static_cast<size_t>(i)]});
    ExecCommand(command);
}

void TPmDDE::ChangeEnv(EnvOptions options) {
    // Built as a 40-character short text; four options never reach that.
    BoundedText<40> command("ChangeEnv");
    for (int32_t option = 1; option <= 4; ++option)
        if (options & (1u << option)) command = format::Compose("%s %d", {command, option});
    ExecCommand(command);
}

void TPmDDE::Import(Text file, Int value, SByte flag1, SByte flag2, SByte flag3, SByte flag4, Int count,
                    const std::vector<ImportOption>& options) {
    // A short text: each step is cut to 255 characters. Only a file text that
    // makes the first step pass 4096 characters fails (in Compose).
    ShortText command = format::Compose("Import \"%s\" %d %d %d %d %d", {file, value, flag1, flag2, flag3, flag4});
    for (int32_t i = 0; i < count && static_cast<size_t>(i) < options.size(); ++i) {
        const ImportOption& option = options[static_cast<size_t>(i)];
        command = format::Compose("%s %s %s ", {command, option.OptionName, option.OptionValue});
    }
    ExecCommand(command);
}

// The system clipboard, as plain ANSI text.
#pragma once

#include <optional>
#include <string>

namespace platform {

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // Empties the clipboard. False when it could not be opened (another
    // program holds it).
    [[nodiscard]] virtual bool Clear() = 0;
    // The text on the clipboard ("" when it holds no text); nothing when the
    // clipboard could not be opened.
    [[nodiscard]] virtual std::optional<std::string> ReadText() = 0;
    // Replaces the content by `text` (what a host's Copy does). False when
    // the clipboard could not be opened.
    [[nodiscard]] virtual bool SetText(const std::string& text) = 0;
};

}  // namespace platform

// The system clipboard, as plain ANSI text.
#pragma once

#include <cstdint>
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
    // Waits up to `ms` until no other program holds the clipboard open (a
    // clipboard tool may open it after every change), without opening it
    // for longer than a look. False when it is still held.
    [[nodiscard]] virtual bool WaitUntilFree(unsigned ms) = 0;
    // The system's count of clipboard changes: it moves with every emptying
    // or filling, whichever program makes it; 0 when it cannot be read.
    [[nodiscard]] virtual uint32_t SequenceNumber() = 0;
    // The process of the window that owns the clipboard's content; 0 when no
    // window owns it.
    [[nodiscard]] virtual uint32_t OwnerProcess() = 0;
};

}  // namespace platform

// The system clipboard as CF_TEXT, with a bounded retry when another
// program has it open.
#include <windows.h>

#include <cstring>

#include "platform/win32/services.h"

namespace platform::win32 {

Clipboard::Clipboard() {
    // "STATIC" is a system class, so no class of our own is registered.
    owner_ = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
}

Clipboard::~Clipboard() {
    if (owner_) DestroyWindow(static_cast<HWND>(owner_));
}

bool Clipboard::Open(void* owner) {
    const DWORD started = GetTickCount();
    for (;;) {
        if (OpenClipboard(static_cast<HWND>(owner))) return true;
        // Unsigned difference: right across the tick count's wrap.
        if (GetTickCount() - started >= openWaitMs_) return false;
        Sleep(kRetryPauseMs);
    }
}

bool Clipboard::Clear() {
    // NOTE: emptied without an owner. An owner would be sent
    // WM_DESTROYCLIPBOARD when the host's Copy empties the clipboard in turn,
    // while this thread waits in a synchronous DDE request; Wine's wait does
    // not handle sent messages, and both sides stalled for the full 10 s.
    if (!Open(nullptr)) return false;
    bool emptied = EmptyClipboard() != FALSE;
    CloseClipboard();
    return emptied;
}

std::optional<std::string> Clipboard::ReadText() {
    if (!Open(owner_)) return std::nullopt;
    std::string text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const auto* bytes = static_cast<const char*>(GlobalLock(data))) {
            // NOTE: the block need not hold a zero (a careless writer); the
            // text stops at the first zero or at the block's end.
            size_t size = GlobalSize(data);
            const void* zero = std::memchr(bytes, 0, size);
            text.assign(bytes, zero ? static_cast<const char*>(zero) - bytes : size);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

bool Clipboard::SetText(const std::string& text) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (!block) return false;
    if (auto* bytes = static_cast<char*>(GlobalLock(block))) {
        std::memcpy(bytes, text.c_str(), text.size() + 1);
        GlobalUnlock(block);
    } else {
        GlobalFree(block);
        return false;
    }
    if (!Open(owner_)) {
        GlobalFree(block);
        return false;
    }
    bool placed = EmptyClipboard() && SetClipboardData(CF_TEXT, block);
    CloseClipboard();
    // Once placed, the block belongs to the clipboard.
    if (!placed) GlobalFree(block);
    return placed;
}

}  // namespace platform::win32

namespace platform::win32 {

bool Clipboard::WaitUntilFree(unsigned ms) {
    const DWORD started = GetTickCount();
    for (;;) {
        // NOTE: opened with no window and closed at once, which changes
        // nothing: neither the sequence number nor the owner moves.
        if (OpenClipboard(nullptr)) {
            CloseClipboard();
            return true;
        }
        if (GetTickCount() - started >= ms) return false;
        Sleep(kFreePollMs);
    }
}

uint32_t Clipboard::SequenceNumber() { return GetClipboardSequenceNumber(); }

uint32_t Clipboard::OwnerProcess() {
    DWORD process = 0;
    if (const HWND owner = GetClipboardOwner()) GetWindowThreadProcessId(owner, &process);
    return process;
}

}  // namespace platform::win32

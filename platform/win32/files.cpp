// Replacing a file: a temporary file from GetTempFileName in the target's
// folder, flushed, then moved over the target with write-through.
#include <windows.h>

#include <algorithm>

#include "platform/files.h"

namespace platform {
namespace {

bool WriteAll(HANDLE handle, const std::string& bytes) {
    size_t written = 0;
    while (written < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - written, 1u << 20));
        DWORD n = 0;
        if (!WriteFile(handle, bytes.data() + written, chunk, &n, nullptr) || n == 0) return false;
        written += n;
    }
    return FlushFileBuffers(handle) != FALSE;
}

}  // namespace

bool ReplaceFileContent(const std::filesystem::path& file, const std::string& bytes) {
    // The target must be one we may write: a read-only file, or one another
    // program holds open without sharing, fails here, before anything is
    // written. (The attribute is checked as well: an administrator may open
    // a read-only file for writing on some systems.)
    const DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return false;
    HANDLE target = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (target == INVALID_HANDLE_VALUE) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND) return false;
    } else {
        CloseHandle(target);
    }
    std::wstring folder = file.parent_path().wstring();
    if (folder.empty()) folder = L".";
    // A fresh name for every save (the function makes the file, so the name
    // is ours); names left by a crash are skipped over.
    wchar_t temporary[MAX_PATH];
    if (!GetTempFileNameW(folder.c_str(), L"rm~", 0, temporary)) return false;
    HANDLE handle = CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool done = handle != INVALID_HANDLE_VALUE && WriteAll(handle, bytes);
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    done = done && MoveFileExW(temporary, file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!done) DeleteFileW(temporary);
    return done;
}

}  // namespace platform

// Replacing a file on a POSIX system, with the Windows rules the program
// meets there: a read-only file is not replaced.
#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

bool ReplaceFileContent(const std::filesystem::path& file, const std::string& bytes) {
    struct stat target {};
    if (stat(file.c_str(), &target) == 0 && (target.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
    std::string temporary = (file.parent_path() / ("~rm" + file.filename().string() + ".XXXXXX")).string();
    const int fd = mkstemp(temporary.data());
    if (fd < 0) return false;
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
        if (n <= 0) break;
        written += static_cast<size_t>(n);
    }
    const bool complete = written == bytes.size() && fsync(fd) == 0;
    if (close(fd) != 0 || !complete || rename(temporary.c_str(), file.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace platform

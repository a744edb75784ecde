// Reading and writing name files.
#include "workbench/namefile.h"

#include <fstream>
#include <system_error>

#include "platform/exception.h"

namespace namefile {
namespace {

std::string Utf8Name(const std::filesystem::path& file) {
    const auto name = file.u8string();
    return std::string(name.begin(), name.end());
}

// The temporary file beside `file`: same folder, so that the final rename
// stays on one volume.
std::filesystem::path TemporaryBeside(const std::filesystem::path& file) {
    std::filesystem::path temporary = file;
    temporary += ".saving~";
    return temporary;
}

bool WriteWhole(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    out.close();
    return !out.fail();
}

}  // namespace

std::string Join(const std::vector<std::string>& entries) {
    std::string text;
    for (const std::string& entry : entries) {
        text += entry;
        text += "\r\n";
    }
    return text;
}

std::vector<std::string> Split(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
    return lines;
}

void Save(const std::filesystem::path& file, const std::vector<std::string>& entries) {
    const std::filesystem::path temporary = TemporaryBeside(file);
    std::error_code ignored;
    if (!WriteWhole(temporary, Join(entries))) {
        std::filesystem::remove(temporary, ignored);
        throw Exception("Cannot create file " + Utf8Name(file));
    }
    std::error_code error;
    std::filesystem::rename(temporary, file, error);
    if (error) {
        std::filesystem::remove(temporary, ignored);
        throw Exception("Cannot create file " + Utf8Name(file));
    }
}

std::vector<std::string> Open(const std::filesystem::path& file) {
    std::error_code error;
    const bool folder = std::filesystem::is_directory(file, error);
    std::ifstream in(file, std::ios::binary);
    if (folder || !in) throw Exception("Cannot open file " + Utf8Name(file));
    std::string bytes;
    char block[65536];
    while (in.read(block, sizeof block) || in.gcount() > 0) bytes.append(block, static_cast<size_t>(in.gcount()));
    if (in.bad()) throw Exception("Cannot open file " + Utf8Name(file));
    return Split(bytes);
}

}  // namespace namefile

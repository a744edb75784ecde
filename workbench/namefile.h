// The name file: a cast of character names as plain ANSI text, one name per
// line, every line ended by CR LF.
//
// Saving never leaves a half-written file: the bytes go to a temporary file
// beside the target, which replaces the target only once it is on the disk.
// Reading accepts CR LF, a lone LF and a lone CR as line ends, and text that
// current editors write (UTF-8, UTF-16 with a byte-order mark), converted to
// the ANSI code page, so files edited elsewhere read the same.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace namefile {

// Every entry followed by CR LF, in order.
std::string Join(const std::vector<std::string>& entries);

// The lines of `text`: it ends at its first NUL byte; a line ends at CR LF, LF
// or CR; an empty line is an empty entry; a final line end adds no entry.
std::vector<std::string> Split(std::string_view text);

// Writes Join(entries) to `file`, replacing it. Throws Exception "Cannot
// create file <file>" (the name in UTF-8) when the file cannot be written,
// also when it is read-only or another program holds it; the previous file,
// if any, is then untouched.
void Save(const std::filesystem::path& file, const std::vector<std::string>& entries);

// Split of the whole file. Throws Exception "Cannot open file <file>" when it
// cannot be opened or read, also when it does not exist. A file with a UTF-8
// or UTF-16 byte-order mark, or valid UTF-8 with more than ASCII in it, is
// converted to the ANSI code page line by line; a line the code page cannot
// hold throws an Exception that names it. Any other file is taken as ANSI.
std::vector<std::string> Open(const std::filesystem::path& file);

}  // namespace namefile

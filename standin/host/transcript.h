// The record of everything the stand-in host received, in arrival order:
// every command and query with its outcome and the time since the host
// started, plus the host's own events (connect, drop, quit). Tests read it
// in memory; the program also writes it to a file, one JSON object a line,
// flushed line by line so that a killed host still leaves its record, or,
// deferred, only when asked (a benchmark's host, whose file writing would
// otherwise weigh on every exchange).
#pragma once

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace standin {

struct TranscriptEntry {
    enum class Kind { Command, Query, Event };
    double seconds = 0;                // since the host started
    Kind kind = Kind::Event;
    std::string text;                  // ANSI, as received; an event's name
    bool accepted = true;              // command carried out, query answered
    std::optional<std::string> reply;  // a query's reply (ANSI); nothing when refused
    std::string note;                  // why it was not plain: fault, unknown word, bad value
};

class Transcript {
public:
    void Add(TranscriptEntry entry);
    const std::vector<TranscriptEntry>& Entries() const { return entries_; }

    // From now on every entry is also written to `path` (replaced).
    [[nodiscard]] bool OpenFile(const std::filesystem::path& path, std::string& error);
    // Entries reach the file only at Flush() from now on.
    void Defer() { deferred_ = true; }
    // Writes the entries the file lacks.
    void Flush();

    // The file's line for `entry`: a JSON object with t, kind ("command",
    // "query", "event"), text, ok, reply (queries; null when refused) and
    // note (when there is one); texts in UTF-8.
    static std::string Line(const TranscriptEntry& entry);

private:
    std::vector<TranscriptEntry> entries_;
    std::ofstream file_;
    size_t written_ = 0;  // entries in the file
    bool deferred_ = false;
};

}  // namespace standin

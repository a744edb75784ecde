// The transcript and its JSON-lines file.
#include "standin/host/transcript.h"

#include <nlohmann/json.hpp>

#include "platform/locale.h"

namespace standin {

void Transcript::Add(TranscriptEntry entry) {
    entries_.push_back(std::move(entry));
    if (!deferred_) Flush();
}

void Transcript::Flush() {
    if (!file_.is_open()) return;
    for (; written_ < entries_.size(); ++written_) file_ << Line(entries_[written_]) << '\n';
    file_.flush();
}

bool Transcript::OpenFile(const std::filesystem::path& path, std::string& error) {
    file_.close();
    file_.clear();
    file_.open(path, std::ios::binary | std::ios::trunc);
    if (!file_) {
        error = "cannot write the transcript " + path.u8string();
        return false;
    }
    written_ = 0;
    Flush();
    return true;
}

std::string Transcript::Line(const TranscriptEntry& entry) {
    static constexpr const char* kKinds[] = {"command", "query", "event"};
    nlohmann::ordered_json line;
    line["t"] = entry.seconds;
    line["kind"] = kKinds[static_cast<int>(entry.kind)];
    line["text"] = platform::AnsiToUtf8(entry.text);
    line["ok"] = entry.accepted;
    if (entry.kind == TranscriptEntry::Kind::Query)
        line["reply"] = entry.reply ? nlohmann::json(platform::AnsiToUtf8(*entry.reply)) : nlohmann::json(nullptr);
    if (!entry.note.empty()) line["note"] = entry.note;
    return line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace standin

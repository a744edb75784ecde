// The story host: positions are character indexes into the story text.
#include "story_host.h"

#include <algorithm>
#include <sstream>

namespace testhost {
namespace {

std::vector<std::string> Words(const std::string& command) {
    std::istringstream in(command);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

std::string Quoted(const std::string& command) {
    const size_t open = command.find('"');
    const size_t close = command.rfind('"');
    return open == std::string::npos || close == open ? std::string() : command.substr(open + 1, close - open - 1);
}

}  // namespace

void StoryHost::SetStory(std::vector<Paragraph> paragraphs) {
    paragraphs_ = std::move(paragraphs);
    text_.clear();
    starts_.clear();
    for (size_t i = 0; i < paragraphs_.size(); ++i) {
        starts_.push_back(static_cast<int32_t>(text_.size()));
        text_ += paragraphs_[i].text;
        if (i + 1 < paragraphs_.size()) text_ += '\r';
    }
    selStart_ = selEnd_ = 0;
}

size_t StoryHost::ParagraphAt(int32_t position) const {
    size_t index = 0;
    while (index + 1 < starts_.size() && starts_[index + 1] <= position) ++index;
    return index;
}

int32_t StoryHost::ParagraphEnd(size_t index) const {
    return starts_[index] + static_cast<int32_t>(paragraphs_[index].text.size());
}

void StoryHost::Log(const std::string& line) {
    transcript.push_back(line);
    if (onExchange) onExchange(line);
}

bool StoryHost::Accept(const std::string& service, const std::string& topic) {
    if (service != "PageMaker") return false;
    Log("connect");
    return true;
}

bool StoryHost::Execute(const std::string& command) {
    Log("exec " + command);
    const std::vector<std::string> w = Words(command);
    const int32_t length = static_cast<int32_t>(text_.size());
    auto number = [&](size_t i) { return i < w.size() ? std::stoi(w[i]) : 0; };
    if (w.empty()) return false;
    if (w[0] == "TextCursor") {
        int32_t ip = selStart_;
        const int motion = number(1), count = number(2);
        if (motion == 10 && count == 1) ip = length;
        if (motion == 11 && count == 1) ip = 0;
        if (motion == 6 && count == 1 && !stuck) {
            const size_t p = ParagraphAt(ip);
            ip = p + 1 < starts_.size() ? starts_[p + 1] : length;
        }
        if (motion == 6 && count == 0) ip = ParagraphEnd(ParagraphAt(ip));
        if (motion == 7 && count == 0) ip = starts_[ParagraphAt(ip)];
        selStart_ = selEnd_ = ip;
    } else if (w[0] == "TextSelect") {
        const int32_t n = number(2);
        if (number(1) == 0) selEnd_ = std::min(selStart_ + n, length);
        else selEnd_ = std::max(selStart_, selEnd_ - n);
    } else if (w[0] == "SetTextCursor") {
        selStart_ = std::clamp(number(2) - base, 0, length);
        selEnd_ = std::clamp(number(3) - base, selStart_, length);
    } else if (w[0] == "Copy") {
        (void)clipboard_.SetText(text_.substr(static_cast<size_t>(selStart_), static_cast<size_t>(selEnd_ - selStart_)));
    } else if (w[0] == "SuppressAutosave") {
        autosaveSuppressed = number(1) != 0;
    } else if (w[0] == "StyleBegin") {
        styleBegun = Quoted(command);
    }
    return true;
}

std::optional<std::string> StoryHost::Request(const std::string& item) {
    Log("ask " + item);
    if (refused.count(item)) return std::nullopt;
    if (item == "GetPMState") {
        int answer = state;
        if (!states.empty()) {
            answer = states.front();
            states.pop_front();
        }
        return std::to_string(answer);
    }
    if (item == "GetTextCursor") {
        const std::string reply = std::to_string(storyId) + "," + std::to_string(selStart_ + base) + "," + std::to_string(selEnd_ + base);
        if (idAdvances) ++storyId;
        return reply;
    }
    if (item == "GetStyle") return "\"" + paragraphs_.at(ParagraphAt(selStart_)).style + "\"";
    if (item == "GetStyleNames") {
        std::string reply = std::to_string(styleNames.size());
        for (const std::string& name : styleNames) reply += ",\"" + name + "\"";
        return reply;
    }
    if (item == "GetFontList") {
        std::string reply = std::to_string(fontNames.size());
        for (const std::string& name : fontNames) reply += ",\"" + name + "\",0,0,0";
        return reply;
    }
    const StyleReplies replies = styles.count(styleBegun) ? styles.at(styleBegun) : StyleReplies{};
    if (item == "GetFont") return replies.font;
    if (item == "GetSize") return replies.size;
    if (item == "GetTrack") return replies.track;
    if (item == "GetLeading") return replies.leading;
    if (item == "GetWidth") return replies.width;
    if (item == "GetTypeOptions") return replies.typeOptions;
    return std::nullopt;
}

}  // namespace testhost

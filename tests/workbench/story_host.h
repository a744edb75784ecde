// A small host for the main window's tests: one story of paragraphs with
// styles, a selection, the commands and queries the window uses, and a
// transcript of every exchange in order ("connect", "exec <command>",
// "ask <query>", and "disconnect" from the conversation below).
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/standin/dde_conversation.h"
#include "platform/standin/services.h"

namespace testhost {

struct Paragraph {
    std::string style;
    std::string text;  // without its paragraph end
};

// What the style queries answer between StyleBegin and StyleEnd, as reply texts.
struct StyleReplies {
    std::string font = "\"Times\"";
    std::string size = "12";
    std::string track = "0";
    std::string leading = "-1";
    std::string width = "100";
    std::string typeOptions = "0,0,0,0,0,0";
};

class StoryHost : public platform::standin::DdeServer {
public:
    explicit StoryHost(platform::Clipboard& clipboard) : clipboard_(clipboard) {}

    // The story: the paragraphs joined by CR, each paragraph but the last
    // ending in one. The selection becomes an insertion point at 0.
    void SetStory(std::vector<Paragraph> paragraphs);
    const std::string& StoryText() const { return text_; }
    // Where paragraph `index` starts, as the host reports positions.
    int32_t StartOf(size_t index) const { return starts_.at(index) + base; }
    void Select(int32_t start, int32_t end) { selStart_ = start - base; selEnd_ = end - base; }
    int32_t SelectionStart() const { return selStart_ + base; }
    int32_t SelectionEnd() const { return selEnd_ + base; }

    bool Accept(const std::string& service, const std::string& topic) override;
    bool Execute(const std::string& command) override;
    std::optional<std::string> Request(const std::string& item) override;

    std::vector<std::string> transcript;

    // GetPMState: the queued answers first, then `state`.
    std::deque<int> states;
    int state = 7;
    // Added to every position the host reports and subtracted from every
    // position it is given.
    int32_t base = 0;
    // The first number of GetTextCursor; with `idAdvances` it grows by one
    // after every answer.
    int32_t storyId = 5;
    bool idAdvances = false;
    // "TextCursor 6 1" leaves the insertion point where it is.
    bool stuck = false;
    // Queries answered with nothing (the client's request fails).
    std::set<std::string> refused;
    // Called with each exchange's transcript line, after it was logged.
    std::function<void(const std::string&)> onExchange;

    std::vector<std::string> styleNames;
    std::vector<std::string> fontNames;
    std::map<std::string, StyleReplies> styles;  // by name; others answer the defaults
    bool autosaveSuppressed = false;
    std::string styleBegun;  // the last StyleBegin's name

private:
    size_t ParagraphAt(int32_t position) const;
    int32_t ParagraphEnd(size_t index) const;
    void Log(const std::string& line);

    platform::Clipboard& clipboard_;
    std::string text_;
    std::vector<Paragraph> paragraphs_;
    std::vector<int32_t> starts_;
    int32_t selStart_ = 0, selEnd_ = 0;
};

// The client side, logging "disconnect" into the host's transcript whenever
// an open conversation ends.
class LoggingConversation : public platform::standin::DdeConversation {
public:
    explicit LoggingConversation(StoryHost& host) : host_(host) { server = &host; }
    void Disconnect() override {
        if (Connected()) host_.transcript.push_back("disconnect");
        DdeConversation::Disconnect();
    }

private:
    StoryHost& host_;
};

}  // namespace testhost

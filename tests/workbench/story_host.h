// The host behind the main window's tests: the stand-in's host model (in
// strict mode) over a publication the test describes, with a transcript of
// every exchange in order ("connect", "exec <command>", "ask <query>", and
// "disconnect" from the conversation below). Where a test needs a reply the
// model would not give, it scripts that reply.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/standin/dde_conversation.h"
#include "standin/host/host.h"

namespace testhost {

struct Paragraph {
    std::string style;
    std::string text;  // without its paragraph end
};

class StoryHost : public platform::standin::DdeServer {
public:
    explicit StoryHost(platform::Clipboard& clipboard) : clipboard_(clipboard) { Rebuild(); }

    // Each of these describes the publication anew and puts a new model in
    // place (its faults cleared, the selection an insertion point at 0
    // unless Select sets it). Styles are listed in the given order, then any
    // other style the story names; a style's formatting is `Format(name)`
    // until SetStyleFormat gives it one.
    void SetStyles(std::vector<std::string> names);
    void SetFonts(std::vector<std::string> names);
    void SetStyleFormat(const std::string& name, const standin::CharFormat& format);
    void SetStory(std::vector<Paragraph> paragraphs);
    void Select(int anchor, int caret);

    // Times, 12 points, no tracking, automatic leading, 100 % wide.
    static standin::CharFormat Format();

    standin::PageMakerHost& model() { return *model_; }
    const standin::Story& story() const { return model_->publication().story; }
    int SelectionStart() const { return story().SelectionStart(); }
    int SelectionEnd() const { return story().SelectionEnd(); }

    bool Accept(const std::string& service, const std::string& topic) override;
    Verdict Execute(const std::string& command) override;
    std::optional<std::string> Request(const std::string& item) override;
    After AfterExchange() override { return model_->AfterExchange(); }

    std::vector<std::string> transcript;
    // Called with each exchange's transcript line, after it was logged and
    // before it is answered.
    std::function<void(const std::string&)> onExchange;
    // Scripted replies by query, answered instead of the model's (nothing:
    // the query is refused).
    std::map<std::string, std::optional<std::string>> replies;
    // Command words acknowledged without reaching the model, for tests that
    // read what the program sends rather than what the host makes of it.
    std::set<std::string> acknowledged;

private:
    void Rebuild();

    platform::Clipboard& clipboard_;
    std::vector<std::string> styleNames_, fontNames_;
    std::map<std::string, standin::CharFormat> formats_;
    std::vector<Paragraph> paragraphs_;
    int anchor_ = 0, caret_ = 0;
    std::unique_ptr<standin::PageMakerHost> model_;
};

// The client side, logging "disconnect" into the host's transcript whenever
// an open conversation ends.
class LoggingConversation : public platform::standin::DdeConversation {
public:
    explicit LoggingConversation(StoryHost& host) : host_(host) { server = &host; }
    int Disconnect() override {
        if (Connected()) host_.transcript.push_back("disconnect");
        return DdeConversation::Disconnect();
    }

private:
    StoryHost& host_;
};

}  // namespace testhost

// The test host: a publication built from the test's description, and the
// exchanges passed to the model unless a script answers them.
#include "story_host.h"

namespace testhost {

standin::CharFormat StoryHost::Format() {
    standin::CharFormat format;
    format.font = "Times";
    return format;
}

void StoryHost::SetStyles(std::vector<std::string> names) {
    styleNames_ = std::move(names);
    Rebuild();
}

void StoryHost::SetFonts(std::vector<std::string> names) {
    fontNames_ = std::move(names);
    Rebuild();
}

void StoryHost::SetStyleFormat(const std::string& name, const standin::CharFormat& format) {
    formats_[name] = format;
    Rebuild();
}

void StoryHost::SetStory(std::vector<Paragraph> paragraphs) {
    paragraphs_ = std::move(paragraphs);
    anchor_ = caret_ = 0;
    Rebuild();
}

void StoryHost::Select(int anchor, int caret) {
    anchor_ = anchor;
    caret_ = caret;
    Rebuild();
}

void StoryHost::Rebuild() {
    standin::Publication pub;
    pub.storyId = 5;
    for (const std::string& name : fontNames_) pub.fonts.push_back({name});
    auto style = [&](const std::string& name) {
        int index = pub.StyleIndex(name);
        if (index >= 0) return index;
        pub.styles.push_back({name, formats_.count(name) ? formats_.at(name) : Format()});
        return static_cast<int>(pub.styles.size()) - 1;
    };
    for (const std::string& name : styleNames_) style(name);
    std::vector<Paragraph> paragraphs = paragraphs_;
    if (paragraphs.empty()) paragraphs.push_back({pub.styles.empty() ? "Body" : pub.styles.front().name, ""});
    for (const Paragraph& p : paragraphs) {
        const int index = style(p.style);
        pub.story.AddParagraph(p.text, index, pub.formats.Intern(pub.styles[static_cast<size_t>(index)].format));
    }
    pub.story.Select(anchor_, caret_);
    model_ = std::make_unique<standin::PageMakerHost>(std::move(pub), clipboard_);
    model_->strict = true;
}

bool StoryHost::Accept(const std::string& service, const std::string& topic) {
    if (!model_->Accept(service, topic)) return false;
    transcript.push_back("connect");
    return true;
}

StoryHost::Verdict StoryHost::Execute(const std::string& command) {
    transcript.push_back("exec " + command);
    if (onExchange) onExchange(transcript.back());
    if (acknowledged.count(command.substr(0, command.find(' ')))) return Verdict::Done;
    return model_->Execute(command);
}

std::optional<std::string> StoryHost::Request(const std::string& item) {
    transcript.push_back("ask " + item);
    if (onExchange) onExchange(transcript.back());
    if (auto scripted = replies.find(item); scripted != replies.end()) return scripted->second;
    return model_->Request(item);
}

}  // namespace testhost

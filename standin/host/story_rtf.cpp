// Writing the story as RTF.
#include "standin/host/story_rtf.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace standin {
namespace {

void AppendEscaped(std::string& rtf, std::string_view ansi) {
    static constexpr char kHex[] = "0123456789abcdef";
    for (unsigned char c : ansi) {
        if (c == '\\' || c == '{' || c == '}') {
            rtf += '\\';
            rtf += static_cast<char>(c);
        } else if (c == Story::kParagraphEnd) {
            rtf += "\\par\n";
        } else if (c == '\t') {
            rtf += "\\tab ";
        } else if (c >= 0x80) {
            rtf += "\\'";
            rtf += kHex[c >> 4];
            rtf += kHex[c & 15];
        } else if (c >= 0x20) {
            rtf += static_cast<char>(c);
        }
    }
}

long Round(double value) { return std::lround(value); }

}  // namespace

std::string StoryRtf(const Publication& pub, int paragraphs) {
    const Story& story = pub.story;
    const int shown = std::clamp(paragraphs, 0, story.ParagraphCount());
    const int end = shown == story.ParagraphCount() ? story.Length() : story.ParagraphStart(shown);
    std::map<std::string, int> fonts;
    story.ForEachRun(0, end, [&](int, int, FormatId id) { fonts.emplace(pub.formats[id].font, 0); });
    std::string rtf = "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl";
    int number = 0;
    for (auto& [name, index] : fonts) {
        index = number++;
        rtf += "{\\f" + std::to_string(index) + "\\fnil\\fcharset204 ";
        AppendEscaped(rtf, name);
        rtf += ";}";
    }
    rtf += "}\n\\pard ";
    story.ForEachRun(0, end, [&](int from, int to, FormatId id) {
        const CharFormat& f = pub.formats[id];
        rtf += "\\plain\\f" + std::to_string(fonts[f.font]) + "\\fs" + std::to_string(Round(f.size * 2));
        if (f.typeStyle & kBold) rtf += "\\b";
        if (f.typeStyle & kItalic) rtf += "\\i";
        if (f.typeStyle & TypeStyleBit(3)) rtf += "\\ul";
        if (f.typeStyle & TypeStyleBit(4)) rtf += "\\strike";
        if (const long twips = Round(LetterSpacingEm(f) * f.size * 20)) rtf += "\\expndtw" + std::to_string(twips);
        if (f.width != 100) rtf += "\\charscalex" + std::to_string(Round(f.width));
        if (f.shift > 0) rtf += "\\up" + std::to_string(Round(f.shift * 2));
        if (f.shift < 0) rtf += "\\dn" + std::to_string(Round(-f.shift * 2));
        rtf += ' ';
        AppendEscaped(rtf, std::string_view(story.Text()).substr(static_cast<size_t>(from), static_cast<size_t>(to - from)));
    });
    if (shown < story.ParagraphCount())
        rtf += "\\plain\\i [" + std::to_string(story.ParagraphCount() - shown) + " more paragraphs are not shown here]";
    return rtf + "}";
}

}  // namespace standin

// The JSON and HTML dumps, and the atomic file write.
#include "standin/host/dump.h"

#include <cmath>
#include <fstream>
#include <system_error>

#include <nlohmann/json.hpp>

#include "platform/locale.h"
#include "standin/host/format_json.h"
#include "standin/host/numbers.h"

namespace standin {
namespace {

using nlohmann::ordered_json;

ordered_json FontsJson(const Publication& pub) {
    ordered_json fonts = ordered_json::array();
    for (const auto& font : pub.fonts)
        fonts.push_back({{"name", platform::AnsiToUtf8(font.name)}, {"info", {font.info1, font.info2, font.info3}}});
    return fonts;
}

std::string HtmlEscape(std::string_view utf8) {
    std::string out;
    for (char c : utf8) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\t': out += "&#9;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string RunCss(const CharFormat& f) {
    std::string css = "font-family:'" + HtmlEscape(platform::AnsiToUtf8(f.font)) + "';font-size:" + ShortestNumber(f.size) + "pt";
    if (f.typeStyle & kBold) css += ";font-weight:bold";
    if (f.typeStyle & kItalic) css += ";font-style:italic";
    std::string lines;
    if (f.typeStyle & TypeStyleBit(3)) lines += " underline";
    if (f.typeStyle & TypeStyleBit(4)) lines += " line-through";
    if (!lines.empty()) css += ";text-decoration:" + lines.substr(1);
    if (f.typeStyle & TypeStyleBit(7)) css += ";color:white;background:black";
    if (const float spacing = LetterSpacingEm(f); spacing != 0) css += ";letter-spacing:" + ShortestNumber(spacing) + "em";
    if (f.width != 100) css += ";display:inline-block;transform-origin:left;transform:scaleX(" + ShortestNumber(f.width / 100) + ")";
    if (f.shift != 0) css += ";vertical-align:" + ShortestNumber(f.shift) + "pt";
    if (f.leading != kAutoLeading) css += ";line-height:" + ShortestNumber(f.leading) + "pt";
    return css;
}

std::string RunTitle(const CharFormat& f) {
    return HtmlEscape(FormatToJson(f).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

}  // namespace

std::string DumpJson(const Publication& pub, const HostFacts& facts) {
    const Story& story = pub.story;
    ordered_json root;
    root["name"] = pub.name;
    root["story"] = pub.storyId;
    root["fonts"] = FontsJson(pub);
    ordered_json styles = ordered_json::array();
    for (const auto& style : pub.styles) {
        ordered_json item = {{"name", platform::AnsiToUtf8(style.name)}};
        item.update(FormatToJson(style.format));
        styles.push_back(item);
    }
    root["styles"] = styles;
    ordered_json paragraphs = ordered_json::array();
    for (int p = 0; p < story.ParagraphCount(); ++p) {
        const int start = story.ParagraphStart(p);
        ordered_json runs = ordered_json::array();
        story.ForEachRun(start, story.ParagraphEnd(p), [&](int from, int to, FormatId id) {
            ordered_json run = {{"from", from - start}, {"to", to - start}};
            run.update(FormatToJson(pub.formats[id]));
            runs.push_back(run);
        });
        paragraphs.push_back({{"style", platform::AnsiToUtf8(pub.styles[static_cast<size_t>(story.ParagraphStyle(p))].name)},
                              {"text", platform::AnsiToUtf8(story.ParagraphText(p))},
                              {"runs", runs}});
    }
    root["paragraphs"] = paragraphs;
    root["selection"] = {story.Anchor(), story.Caret()};
    root["host"] = {{"autosave_suppressed", facts.autosaveSuppressed}, {"exchanges", facts.exchanges}};
    return root.dump(1, '\t', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::string DumpHtml(const Publication& pub, const HostFacts& facts) {
    const Story& story = pub.story;
    std::string page =
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + HtmlEscape(pub.name) +
        "</title>\n<style>body{font-family:sans-serif;margin:1em 2em}"
        "p{margin:0 0 .3em 11em;text-indent:0;position:relative;min-height:1em}"
        ".style{position:absolute;left:-11em;width:10em;font:9pt sans-serif;color:#888;text-align:right}"
        ".facts{font-size:9pt;color:#555}</style></head><body>\n<h1>" +
        HtmlEscape(pub.name) + "</h1>\n<p class=\"facts\">" + std::to_string(story.ParagraphCount()) + " paragraphs, " +
        std::to_string(story.Length()) + " characters; selection " + std::to_string(story.Anchor()) + " to " +
        std::to_string(story.Caret()) + "; autosave " + (facts.autosaveSuppressed ? "suppressed" : "on") + "; " +
        std::to_string(facts.exchanges) + " exchanges. Hover a run to see its attributes.</p>\n";
    for (int p = 0; p < story.ParagraphCount(); ++p) {
        const int start = story.ParagraphStart(p);
        page += "<p><span class=\"style\">" + HtmlEscape(platform::AnsiToUtf8(pub.styles[static_cast<size_t>(story.ParagraphStyle(p))].name)) + "</span>";
        story.ForEachRun(start, story.ParagraphEnd(p), [&](int from, int to, FormatId id) {
            const CharFormat& f = pub.formats[id];
            page += "<span style=\"" + RunCss(f) + "\" title=\"" + RunTitle(f) + "\">" +
                    HtmlEscape(platform::AnsiToUtf8(story.Text().substr(static_cast<size_t>(from), static_cast<size_t>(to - from)))) + "</span>";
        });
        page += "</p>\n";
    }
    return page + "</body></html>\n";
}

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view content, std::string& error) {
    std::filesystem::path temporary = path;
    temporary += ".tmp";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(content.data(), static_cast<std::streamsize>(content.size()));
        file.close();
        if (!file) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            error = "cannot write " + path.u8string();
            return false;
        }
    }
    std::error_code failed;
    std::filesystem::rename(temporary, path, failed);
    if (failed) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        error = "cannot replace " + path.u8string() + ": " + failed.message();
        return false;
    }
    return true;
}

}  // namespace standin

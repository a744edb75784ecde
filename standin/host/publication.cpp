// Reading the publication file.
#include "standin/host/publication.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "platform/locale.h"
#include "standin/host/format_json.h"

namespace standin {
namespace {

using nlohmann::json;

// The longest story held: positions travel as 32-bit integers.
constexpr size_t kMaxStoryLength = size_t{1} << 30;

// Each reader returns false with `error` set.
class Reader {
public:
    explicit Reader(std::string& error) : error_(error) {}

    bool Fail(const std::string& where, const std::string& problem) {
        error_ = where + ": " + problem;
        return false;
    }

    bool Text(const json& value, const std::string& where, std::string& ansi, bool allowEmpty = true) {
        if (!value.is_string()) return Fail(where, "expected a text");
        const std::string utf8 = value.get<std::string>();
        ansi = platform::Utf8ToAnsi(utf8);
        if (platform::AnsiToUtf8(ansi) != utf8) return Fail(where, "holds characters that the ANSI code page lacks");
        if (!allowEmpty && ansi.empty()) return Fail(where, "must not be empty");
        for (unsigned char c : ansi)
            if (c < 0x20 && c != '\t') return Fail(where, "holds a control character or a line break");
        return true;
    }

    bool Integer(const json& value, const std::string& where, int64_t min, int64_t max, int64_t& out) {
        if (!value.is_number_integer()) return Fail(where, "expected a whole number");
        out = value.get<int64_t>();
        if (out < min || out > max) return Fail(where, std::to_string(out) + " is outside " + std::to_string(min) + " to " + std::to_string(max));
        return true;
    }

    bool Fonts(const json& list, Publication& pub) {
        if (!list.is_array()) return Fail("fonts", "expected a list");
        for (size_t i = 0; i < list.size(); ++i) {
            const std::string where = "fonts[" + std::to_string(i) + "]";
            const json& item = list[i];
            FontEntry font;
            if (item.is_string()) {
                if (!Text(item, where, font.name, false)) return false;
            } else if (item.is_object()) {
                for (const auto& [key, value] : item.items())
                    if (key != "name" && key != "info") return Fail(where + "." + key, "unknown key");
                if (!Text(item.value("name", json()), where + ".name", font.name, false)) return false;
                if (item.contains("info")) {
                    const json& info = item["info"];
                    if (!info.is_array() || info.size() != 3) return Fail(where + ".info", "expected three whole numbers");
                    int32_t* fields[] = {&font.info1, &font.info2, &font.info3};
                    for (size_t k = 0; k < 3; ++k) {
                        int64_t v = 0;
                        if (!Integer(info[k], where + ".info[" + std::to_string(k) + "]", INT32_MIN, INT32_MAX, v)) return false;
                        *fields[k] = static_cast<int32_t>(v);
                    }
                }
            } else {
                return Fail(where, "expected a font name or {\"name\", \"info\"}");
            }
            pub.fonts.push_back(font);
        }
        return true;
    }

    bool Styles(const json& list, Publication& pub) {
        if (!list.is_array() || list.empty()) return Fail("styles", "expected a list of at least one style");
        CharFormat defaults;
        defaults.font = pub.fonts.empty() ? "Times New Roman" : pub.fonts.front().name;
        for (size_t i = 0; i < list.size(); ++i) {
            const std::string where = "styles[" + std::to_string(i) + "]";
            Style style{"", defaults};
            if (!list[i].is_object()) return Fail(where, "expected an object");
            if (!Text(list[i].value("name", json()), where + ".name", style.name, false)) return false;
            if (pub.StyleIndex(style.name) >= 0) return Fail(where + ".name", "a second style of that name");
            if (!FormatFromJson(list[i], {"name"}, where, style.format, error_)) return false;
            pub.styles.push_back(style);
        }
        return true;
    }

    bool Paragraph(const json& item, const std::string& where, Publication& pub) {
        std::string text;
        int style = 0;
        const json* runs = nullptr;
        if (item.is_string()) {
            if (!Text(item, where, text)) return false;
        } else if (item.is_object()) {
            for (const auto& [key, value] : item.items())
                if (key != "style" && key != "text" && key != "runs") return Fail(where + "." + key, "unknown key");
            std::string styleName;
            if (!Text(item.value("style", json()), where + ".style", styleName)) return false;
            style = pub.StyleIndex(styleName);
            if (style < 0) return Fail(where + ".style", "no style \"" + platform::AnsiToUtf8(styleName) + "\"");
            if (!Text(item.value("text", json()), where + ".text", text)) return false;
            if (item.contains("runs")) runs = &item["runs"];
        } else {
            return Fail(where, "expected a text or {\"style\", \"text\", \"runs\"}");
        }
        if (pub.story.Text().size() + text.size() + 1 > kMaxStoryLength) return Fail(where, "the story grows too long");
        const CharFormat& base = pub.styles[static_cast<size_t>(style)].format;
        pub.story.AddParagraph(text, style, pub.formats.Intern(base));
        return !runs || Runs(*runs, where + ".runs", static_cast<int>(text.size()), base, pub);
    }

    bool Runs(const json& list, const std::string& where, int length, const CharFormat& base, Publication& pub) {
        if (!list.is_array()) return Fail(where, "expected a list");
        const int start = pub.story.ParagraphStart(pub.story.ParagraphCount() - 1);
        for (size_t i = 0; i < list.size(); ++i) {
            const std::string at = where + "[" + std::to_string(i) + "]";
            if (!list[i].is_object()) return Fail(at, "expected an object");
            int64_t from = 0, to = 0;
            if (!Integer(list[i].value("from", json()), at + ".from", 0, length, from)) return false;
            if (!Integer(list[i].value("to", json()), at + ".to", from, length, to)) return false;
            CharFormat format = base;
            if (!FormatFromJson(list[i], {"from", "to"}, at, format, error_)) return false;
            const FormatId id = pub.formats.Intern(format);
            pub.story.Reformat(start + static_cast<int>(from), start + static_cast<int>(to), [id](FormatId) { return id; });
        }
        return true;
    }

    bool FaultOptions(const json& object, Faults& faults) {
        if (!object.is_object()) return Fail("faults", "expected an object");
        for (const auto& [name, value] : object.items()) {
            std::vector<json> values = value.is_array() ? value.get<std::vector<json>>() : std::vector<json>{value};
            for (const json& one : values) {
                if (!one.is_string() && !one.is_number()) return Fail("faults." + name, "expected a text or a number");
                std::string problem;
                if (!SetFaultOption(faults, name, one.is_string() ? one.get<std::string>() : one.dump(), problem))
                    return Fail("faults." + name, problem);
            }
        }
        return true;
    }

private:
    std::string& error_;
};

}  // namespace

int Publication::StyleIndex(std::string_view styleName) const {
    for (size_t i = 0; i < styles.size(); ++i)
        if (styles[i].name == styleName) return static_cast<int>(i);
    return -1;
}

std::optional<Publication> ParsePublication(std::string_view text, std::string& error) {
    json root;
    try {
        root = json::parse(text);
    } catch (const json::parse_error& e) {
        error = std::string("not valid JSON: ") + e.what();
        return std::nullopt;
    }
    Reader read(error);
    if (!root.is_object()) {
        read.Fail("publication", "expected a JSON object");
        return std::nullopt;
    }
    static const char* const kKeys[] = {"name", "story", "fonts", "styles", "paragraphs", "selection", "faults", "host"};
    for (const auto& [key, value] : root.items()) {
        if (std::find(std::begin(kKeys), std::end(kKeys), key) == std::end(kKeys)) {
            read.Fail(key, "unknown key");
            return std::nullopt;
        }
    }

    Publication pub;
    if (root.contains("name")) {
        if (!root["name"].is_string()) {
            read.Fail("name", "expected a text");
            return std::nullopt;
        }
        pub.name = root["name"].get<std::string>();
    }
    int64_t storyId = 1;
    if (root.contains("story") && !read.Integer(root["story"], "story", 0, INT32_MAX, storyId)) return std::nullopt;
    pub.storyId = static_cast<int32_t>(storyId);
    if (root.contains("fonts") && !read.Fonts(root["fonts"], pub)) return std::nullopt;
    if (!read.Styles(root.value("styles", json()), pub)) return std::nullopt;

    const json paragraphs = root.value("paragraphs", json::array());
    if (!paragraphs.is_array()) {
        read.Fail("paragraphs", "expected a list");
        return std::nullopt;
    }
    for (size_t i = 0; i < paragraphs.size(); ++i)
        if (!read.Paragraph(paragraphs[i], "paragraphs[" + std::to_string(i) + "]", pub)) return std::nullopt;
    if (paragraphs.empty()) pub.story.AddParagraph("", 0, pub.formats.Intern(pub.styles.front().format));

    if (root.contains("selection")) {
        const json& selection = root["selection"];
        int64_t anchor = 0, caret = 0;
        if (!selection.is_array() || selection.size() != 2) {
            read.Fail("selection", "expected [anchor, caret]");
            return std::nullopt;
        }
        if (!read.Integer(selection[0], "selection[0]", 0, pub.story.Length(), anchor) ||
            !read.Integer(selection[1], "selection[1]", 0, pub.story.Length(), caret))
            return std::nullopt;
        pub.story.Select(static_cast<int>(anchor), static_cast<int>(caret));
    }
    if (root.contains("faults") && !read.FaultOptions(root["faults"], pub.faults)) return std::nullopt;
    return pub;
}

std::optional<Publication> LoadPublication(const std::filesystem::path& path, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot read the publication " + path.u8string();
        return std::nullopt;
    }
    std::ostringstream text;
    text << file.rdbuf();
    auto pub = ParsePublication(text.str(), error);
    if (!pub) error = path.u8string() + ": " + error;
    return pub;
}

}  // namespace standin

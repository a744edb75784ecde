// The attribute table: each key with its reader and writer.
#include "standin/host/format_json.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "platform/locale.h"
#include "standin/host/numbers.h"

namespace standin {
namespace {

using nlohmann::json;

// Reads `value` into the format; an empty result means success, otherwise
// the problem.
using Reader = std::function<std::string(const json& value, CharFormat& format)>;
using Writer = std::function<json(const CharFormat& format)>;

struct Attribute {
    std::string_view key;
    Reader read;
    Writer write;
};

std::string ReadNumber(const json& value, float& out) {
    if (!value.is_number()) return "expected a number";
    const double number = value.get<double>();
    if (!std::isfinite(number)) return "expected a finite number";
    out = static_cast<float>(number);
    return {};
}

std::string ReadInteger(const json& value, int32_t& out) {
    if (!value.is_number_integer()) return "expected a whole number";
    const auto number = value.get<int64_t>();
    if (number < INT32_MIN || number > INT32_MAX) return "out of range";
    out = static_cast<int32_t>(number);
    return {};
}

// Floats are written through the shortest text that reads back as the same
// float, so 58.3f appears as 58.3 and not 58.29999923706055.
json WriteNumber(float value) { return json::parse(ShortestNumber(value)); }

template <class T>
Attribute Plain(std::string_view key, T CharFormat::*member) {
    Reader read = [member](const json& value, CharFormat& f) {
        if constexpr (std::is_same_v<T, float>) return ReadNumber(value, f.*member);
        else return ReadInteger(value, f.*member);
    };
    Writer write = [member](const CharFormat& f) {
        if constexpr (std::is_same_v<T, float>) return WriteNumber(f.*member);
        else return json(f.*member);
    };
    return {key, read, write};
}

std::string ReadFont(const json& value, CharFormat& f) {
    if (!value.is_string() || value.get<std::string>().empty()) return "expected a font name";
    const std::string utf8 = value.get<std::string>();
    f.font = platform::Utf8ToAnsi(utf8);
    if (platform::AnsiToUtf8(f.font) != utf8) return "holds characters that the ANSI code page lacks";
    return {};
}

std::string ReadTypeStyle(const json& value, CharFormat& f) {
    if (!value.is_array()) return "expected a list of type style names";
    int32_t bits = 0;
    for (const auto& name : value) {
        auto found = name.is_string() ? std::find(kTypeStyleNames.begin(), kTypeStyleNames.end(), name.get<std::string>())
                                      : kTypeStyleNames.end();
        if (found == kTypeStyleNames.end()) return "unknown type style " + name.dump();
        bits |= TypeStyleBit(static_cast<int>(found - kTypeStyleNames.begin()) + 1);
    }
    f.typeStyle = bits;
    return {};
}

json WriteTypeStyle(const CharFormat& f) {
    json names = json::array();
    for (size_t i = 0; i < kTypeStyleNames.size(); ++i)
        if (f.typeStyle & TypeStyleBit(static_cast<int>(i) + 1)) names.push_back(kTypeStyleNames[i]);
    return names;
}

std::string ReadTypeOptions(const json& value, CharFormat& f) {
    if (!value.is_array() || value.size() != f.typeOptions.size()) return "expected four numbers";
    auto options = f.typeOptions;
    for (size_t i = 0; i < options.size(); ++i) {
        std::string problem = ReadNumber(value[i], options[i]);
        if (!problem.empty()) return problem;
    }
    f.typeOptions = options;
    return {};
}

json WriteTypeOptions(const CharFormat& f) {
    json options = json::array();
    for (float option : f.typeOptions) options.push_back(WriteNumber(option));
    return options;
}

const std::vector<Attribute>& Attributes() {
    static const std::vector<Attribute> table = {
        {"font", ReadFont, [](const CharFormat& f) { return json(platform::AnsiToUtf8(f.font)); }},
        Plain("size", &CharFormat::size),
        Plain("track", &CharFormat::track),
        Plain("kern", &CharFormat::kern),
        Plain("width", &CharFormat::width),
        {"type_style", ReadTypeStyle, WriteTypeStyle},
        Plain("shift", &CharFormat::shift),
        Plain("leading", &CharFormat::leading),
        {"type_options", ReadTypeOptions, WriteTypeOptions},
    };
    return table;
}

}  // namespace

nlohmann::ordered_json FormatToJson(const CharFormat& format) {
    nlohmann::ordered_json object;
    for (const auto& attribute : Attributes()) object[std::string(attribute.key)] = attribute.write(format);
    return object;
}

bool FormatFromJson(const nlohmann::json& object, std::initializer_list<std::string_view> ignore, const std::string& where,
                    CharFormat& format, std::string& error) {
    if (!object.is_object()) {
        error = where + ": expected an object";
        return false;
    }
    CharFormat changed = format;
    for (const auto& [key, value] : object.items()) {
        if (std::find(ignore.begin(), ignore.end(), key) != ignore.end()) continue;
        auto attribute = std::find_if(Attributes().begin(), Attributes().end(), [&](const Attribute& a) { return a.key == key; });
        std::string problem = attribute == Attributes().end() ? "unknown key" : attribute->read(value, changed);
        if (!problem.empty()) {
            error = where + "." + key + ": " + problem;
            return false;
        }
    }
    std::string range = RangeError(changed);
    if (!range.empty()) {
        error = where + ": " + range;
        return false;
    }
    format = std::move(changed);
    return true;
}

}  // namespace standin

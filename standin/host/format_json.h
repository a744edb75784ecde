// Character formats as JSON objects: the one table of attribute keys that
// the publication file, the dump and the style sheet share.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "standin/host/char_format.h"

namespace standin {

// Every attribute of `format`, in table order; texts in UTF-8.
nlohmann::ordered_json FormatToJson(const CharFormat& format);

// Sets the attributes that `object` names onto `format`. Keys in `ignore`
// belong to the caller. False with "<where>.<key>: <problem>" in `error` for
// an unknown key, a value of the wrong kind or out of range.
[[nodiscard]] bool FormatFromJson(const nlohmann::json& object, std::initializer_list<std::string_view> ignore,
                                  const std::string& where, CharFormat& format, std::string& error);

}  // namespace standin

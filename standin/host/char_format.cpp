// Comparison and interning of character formats.
#include "standin/host/char_format.h"

#include <cmath>
#include <iterator>
#include <tuple>

#include "standin/host/numbers.h"

namespace standin {
namespace {

auto Fields(const CharFormat& f) {
    return std::tie(f.font, f.size, f.track, f.kern, f.width, f.typeStyle, f.shift, f.leading, f.typeOptions);
}

std::string Number(double value) { return ShortestNumber(static_cast<float>(value)); }

// Bounds of the numeric attributes (the host's dialog ranges).
struct Bound {
    const char* name;
    double min, max;
};

std::string Check(const Bound& bound, double value) {
    if (std::isfinite(value) && value >= bound.min && value <= bound.max) return {};
    return std::string(bound.name) + " " + Number(value) + " is outside " + Number(bound.min) + " to " + Number(bound.max);
}

}  // namespace

float LetterSpacingEm(const CharFormat& f) {
    // none, very loose, loose, normal, tight, very tight
    constexpr float kTrackSpacing[] = {0, 0.06f, 0.03f, 0, -0.02f, -0.04f};
    const bool known = f.track >= 0 && f.track < static_cast<int32_t>(std::size(kTrackSpacing));
    return (known ? kTrackSpacing[f.track] : 0) + f.kern;
}

std::string RangeError(const CharFormat& f) {
    const std::pair<Bound, double> checks[] = {
        {{"size", 4, 650}, f.size},
        {{"track", 0, 5}, static_cast<double>(f.track)},
        {{"kern", -1, 1}, f.kern},
        {{"width", 5, 250}, f.width},
        {{"shift", -1600, 1600}, f.shift},
        {{"leading", 0, 1300}, f.leading == kAutoLeading ? 0 : f.leading},
        {{"small caps size", 1, 200}, f.typeOptions[0]},
        {{"super/subscript size", 1, 200}, f.typeOptions[1]},
        {{"superscript position", 0, 500}, f.typeOptions[2]},
        {{"subscript position", 0, 500}, f.typeOptions[3]},
    };
    for (const auto& [bound, value] : checks) {
        std::string error = Check(bound, value);
        if (!error.empty()) return error;
    }
    if (f.typeStyle & ~0xFE) return "type style " + Number(f.typeStyle) + " has unknown bits";
    return {};
}

bool CharFormat::operator==(const CharFormat& other) const { return Fields(*this) == Fields(other); }
bool CharFormat::operator<(const CharFormat& other) const { return Fields(*this) < Fields(other); }

FormatId FormatTable::Intern(const CharFormat& format) {
    auto found = ids_.find(format);
    if (found != ids_.end()) return found->second;
    const auto id = static_cast<FormatId>(formats_.size());
    formats_.push_back(format);
    ids_.emplace(format, id);
    return id;
}

}  // namespace standin

// Conversions between the clock, the date-time number and the bytes the
// registry holds for the shared values.
#include "handoff/handoff.h"

#include <cmath>
#include <cstring>

namespace handoff {
namespace {

// Days from 1970-01-01 to a proleptic Gregorian date (H. Hinnant's
// days_from_civil), exact for every year the clock can report.
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

const int64_t kEpochDays = DaysFromCivil(1899, 12, 30);
// 0001-01-01 and 10000-01-01, in days from the epoch.
const int64_t kFirstDay = DaysFromCivil(1, 1, 1) - kEpochDays;
const int64_t kPastLastDay = DaysFromCivil(10000, 1, 1) - kEpochDays;

int64_t MsOfDay(const platform::LocalTime& t) {
    return ((int64_t{t.hour} * 60 + t.minute) * 60 + t.second) * 1000 + t.milliseconds;
}

}  // namespace

int64_t MillisecondsOf(const platform::LocalTime& time) {
    return (DaysFromCivil(time.year, time.month, time.day) - kEpochDays) * kMsPerDay + MsOfDay(time);
}

double DateTimeOf(const platform::LocalTime& time) {
    const int64_t days = DaysFromCivil(time.year, time.month, time.day) - kEpochDays;
    const double fraction = static_cast<double>(MsOfDay(time)) / kMsPerDay;
    return days >= 0 ? days + fraction : days - fraction;
}

std::optional<int64_t> MillisecondsOfDateTime(double value) {
    if (!std::isfinite(value) || value <= kFirstDay - 1 || value >= kPastLastDay) return std::nullopt;
    const double days = std::trunc(value);
    const int64_t msOfDay = std::llround(std::fabs(value - days) * kMsPerDay);
    return static_cast<int64_t>(days) * kMsPerDay + msOfDay;
}

std::string DateTimeBytes(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    std::string bytes(8, '\0');
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<char>(bits >> (8 * i));
    return bytes;
}

std::optional<double> DateTimeOfValue(const platform::RegValue& value) {
    if (value.type != platform::RegBinary || value.data.size() != 8) return std::nullopt;
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits |= uint64_t{static_cast<unsigned char>(value.data[i])} << (8 * i);
    double number;
    std::memcpy(&number, &bits, sizeof number);
    return number;
}

std::optional<std::string> TextOfValue(const platform::RegValue& value) {
    if (value.type != platform::RegSz && value.type != platform::RegExpandSz) return std::nullopt;
    return value.data.substr(0, value.data.find('\0'));
}

std::optional<uint32_t> DwordOfValue(const platform::RegValue& value) {
    if (value.type != platform::RegDword || value.data.size() != 4) return std::nullopt;
    uint32_t number = 0;
    for (int i = 0; i < 4; ++i) number |= uint32_t{static_cast<unsigned char>(value.data[i])} << (8 * i);
    return number;
}

std::string DwordBytes(uint32_t value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(value >> (8 * i));
    return bytes;
}

std::string TextBytes(const std::string& text) {
    return text + '\0';
}

}  // namespace handoff

// The registry values through which the plug-in starts the program, and the
// date-time number kept in LastRun: the one place that names and decodes
// them, linked by both deliverables (so it depends on platform/ alone).
//
// One key under the current user's root:
//   AppPath  REG_SZ      the program's executable, written by the program
//   FromAdd  REG_DWORD   1 from the plug-in's launch until the program's
//                        start-up resets it to 0
//   LastRun  REG_BINARY  8 bytes: when the plug-in last started the program
// A date-time number is a little-endian IEEE double: whole days since
// 30 December 1899, with the local time of day as the fraction (0.5 is noon),
// to the millisecond. Before that day the whole part is negative and the
// fraction still counts forward from midnight (-1.25 is 29 December 1899,
// 06:00).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/clock.h"
#include "platform/registry.h"

namespace handoff {

inline constexpr char kKeyPath[] = "Software\\Kestrova\\Rolemark";
inline constexpr char kAppPath[] = "AppPath";
inline constexpr char kFromAdd[] = "FromAdd";
inline constexpr char kLastRun[] = "LastRun";

inline constexpr int64_t kMsPerDay = 86400000;

// Milliseconds since 30 December 1899, 00:00, on a straight line (negative
// before it). Any proleptic Gregorian date is accepted.
int64_t MillisecondsOf(const platform::LocalTime& time);

// The date-time number of `time`.
double DateTimeOf(const platform::LocalTime& time);

// The moment a date-time number names, rounded to the millisecond; nothing
// for NaN, infinities and numbers outside the years 1 to 9999.
std::optional<int64_t> MillisecondsOfDateTime(double value);

// The 8 stored bytes of a date-time number, and back: nothing unless the
// value is REG_BINARY of exactly 8 bytes.
std::string DateTimeBytes(double value);
std::optional<double> DateTimeOfValue(const platform::RegValue& value);

// The path a REG_SZ or REG_EXPAND_SZ value holds: its bytes up to the first
// zero, or all of them when the writer left the zero out. Environment
// variables are not expanded. Nothing for any other type.
std::optional<std::string> TextOfValue(const platform::RegValue& value);

// The number a REG_DWORD of exactly 4 bytes holds; nothing otherwise.
std::optional<uint32_t> DwordOfValue(const platform::RegValue& value);

// The stored bytes of a REG_DWORD (little-endian), and of a REG_SZ text with
// its terminating zero.
std::string DwordBytes(uint32_t value);
std::string TextBytes(const std::string& text);

}  // namespace handoff

// The shared registry values: the date-time number kept in LastRun and the
// bytes each kind of value is stored as.
#include <gtest/gtest.h>

#include <cmath>

#include "handoff/handoff.h"

namespace {

using platform::LocalTime;

TEST(HandoffTest, DateTimeNumbersOfKnownMoments) {
    EXPECT_EQ(0.0, handoff::DateTimeOf({1899, 12, 30, 0, 0, 0, 0}));
    EXPECT_EQ(2.0, handoff::DateTimeOf({1900, 1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(36526.5, handoff::DateTimeOf({2000, 1, 1, 12, 0, 0, 0}));
    EXPECT_EQ(36585.75, handoff::DateTimeOf({2000, 2, 29, 18, 0, 0, 0}));
    EXPECT_EQ(-1.25, handoff::DateTimeOf({1899, 12, 29, 6, 0, 0, 0}));
    EXPECT_EQ(2958465.0, handoff::DateTimeOf({9999, 12, 31, 0, 0, 0, 0}));
}

// Every millisecond stamp survives the trip through the double.
TEST(HandoffTest, MillisecondsSurviveTheDateTimeNumber) {
    const LocalTime days[] = {{1899, 12, 29, 0, 0, 0, 0}, {1970, 1, 1, 0, 0, 0, 0},
                              {2026, 12, 7, 0, 0, 0, 0}, {9999, 12, 31, 0, 0, 0, 0}};
    for (const LocalTime& day : days) {
        for (int ms = 0; ms < handoff::kMsPerDay; ms += 7919) {
            LocalTime t = day;
            t.hour = ms / 3600000, t.minute = ms / 60000 % 60, t.second = ms / 1000 % 60, t.milliseconds = ms % 1000;
            auto back = handoff::MillisecondsOfDateTime(handoff::DateTimeOf(t));
            ASSERT_TRUE(back) << day.year << " +" << ms;
            ASSERT_EQ(handoff::MillisecondsOf(t), *back) << day.year << " +" << ms;
        }
        LocalTime last = day;
        last.hour = 23, last.minute = 59, last.second = 59, last.milliseconds = 999;
        EXPECT_EQ(handoff::MillisecondsOf(last), handoff::MillisecondsOfDateTime(handoff::DateTimeOf(last)));
    }
}

TEST(HandoffTest, NumbersOutsideTheCalendarAreNotDates) {
    for (double value : {std::nan(""), HUGE_VAL, -HUGE_VAL, 2958466.0, -693594.0, 1e300})
        EXPECT_FALSE(handoff::MillisecondsOfDateTime(value)) << value;
    EXPECT_TRUE(handoff::MillisecondsOfDateTime(2958465.999));
    EXPECT_TRUE(handoff::MillisecondsOfDateTime(-693593.999));
}

TEST(HandoffTest, StoredBytesAreLittleEndian) {
    EXPECT_EQ(std::string("\x00\x00\x00\x00\x00\x00\xf0\x3f", 8), handoff::DateTimeBytes(1.0));
    EXPECT_EQ(std::string("\x01\x00\x00\x00", 4), handoff::DwordBytes(1));
    EXPECT_EQ(std::string("ab\0", 3), handoff::TextBytes("ab"));
}

// Each kind of value decodes only from its own type and size.
TEST(HandoffTest, ValuesDecodeFromTheirOwnTypeAndSize) {
    EXPECT_EQ(36526.5, handoff::DateTimeOfValue({platform::RegBinary, handoff::DateTimeBytes(36526.5)}));
    EXPECT_EQ(0x01020304u, handoff::DwordOfValue({platform::RegDword, handoff::DwordBytes(0x01020304)}));
    EXPECT_EQ(std::string("C:\\a b"), handoff::TextOfValue({platform::RegSz, handoff::TextBytes("C:\\a b")}));
    EXPECT_FALSE(handoff::DwordOfValue({platform::RegDword, std::string("\x01\0\0", 3)}));
    EXPECT_FALSE(handoff::DwordOfValue({platform::RegBinary, handoff::DwordBytes(1)}));
    EXPECT_FALSE(handoff::DateTimeOfValue({platform::RegDword, handoff::DateTimeBytes(1.0)}));
    EXPECT_FALSE(handoff::TextOfValue({platform::RegDword, handoff::DwordBytes(1)}));
}

}  // namespace

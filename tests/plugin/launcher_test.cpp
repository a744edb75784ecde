// The plug-in's launch against the stand-in registry, clock and shell: the
// two-second guard on both sides, damaged or missing values, the order of
// the writes around the shell call.
#include <gtest/gtest.h>

#include <limits>

#include "platform/standin/services.h"
#include "handoff/handoff.h"
#include "plugin/launcher.h"

namespace {

using platform::LocalTime;
using platform::RegValue;

const std::string kPath = "C:\\Program Files\\Rolemark\\rolemark.exe";

// `base` moved on by `ms` milliseconds (within the same day).
LocalTime Later(LocalTime base, int ms) {
    int64_t total = ((int64_t{base.hour} * 60 + base.minute) * 60 + base.second) * 1000 + base.milliseconds + ms;
    base.milliseconds = static_cast<int>(total % 1000);
    base.second = static_cast<int>(total / 1000 % 60);
    base.minute = static_cast<int>(total / 60000 % 60);
    base.hour = static_cast<int>(total / 3600000);
    return base;
}

RegValue Stamp(const LocalTime& time) {
    return {platform::RegBinary, handoff::DateTimeBytes(handoff::DateTimeOf(time))};
}

class LauncherTest : public ::testing::Test {
protected:
    void SetUp() override {
        clock.now = LocalTime{2026, 12, 7, 10, 0, 0, 0};
        values()[handoff::kAppPath] = {platform::RegSz, handoff::TextBytes(kPath)};
        // Sentinels: a write shows as a change.
        values()[handoff::kFromAdd] = {platform::RegDword, handoff::DwordBytes(0xdeadbeef)};
    }
    std::map<std::string, RegValue>& values() { return registry.keys[handoff::kKeyPath]; }
    void Run() { launcher::RunMain(registry, clock, shell); }

    // A start: the path handed to the shell with the default action, FromAdd
    // set to 1 and LastRun stamped with `stamp`.
    void ExpectStarted(const std::string& path, const LocalTime& stamp) {
        ASSERT_EQ(1u, shell.calls.size());
        EXPECT_EQ("", shell.calls[0].verb);
        EXPECT_EQ(path, shell.calls[0].file);
        EXPECT_EQ(platform::RegDword, values()[handoff::kFromAdd].type);
        EXPECT_EQ(handoff::DwordBytes(1), values()[handoff::kFromAdd].data);
        EXPECT_EQ(platform::RegBinary, values()[handoff::kLastRun].type);
        EXPECT_EQ(Stamp(stamp).data, values()[handoff::kLastRun].data);
    }
    // Nothing started and every value as it was.
    void ExpectUntouched(const std::map<std::string, RegValue>& before) {
        EXPECT_EQ(0u, shell.calls.size());
        ASSERT_EQ(before.size(), values().size());
        for (const auto& [name, value] : before) {
            EXPECT_EQ(value.type, values()[name].type) << name;
            EXPECT_EQ(value.data, values()[name].data) << name;
        }
    }

    platform::standin::Registry registry;
    platform::standin::Clock clock;
    platform::standin::Shell shell;
};

TEST_F(LauncherTest, WithoutLastRunStartsAndStampsTheTime) {
    Run();
    ExpectStarted(kPath, clock.now);
}

TEST_F(LauncherTest, ExactlyTwoSecondsAfterLastRunStarts) {
    values()[handoff::kLastRun] = Stamp(clock.now);
    clock.now = Later(clock.now, 2000);
    Run();
    ExpectStarted(kPath, clock.now);
}

TEST_F(LauncherTest, JustUnderTwoSecondsAfterLastRunWritesNothing) {
    values()[handoff::kLastRun] = Stamp(clock.now);
    clock.now = Later(clock.now, 1999);
    auto before = values();
    Run();
    ExpectUntouched(before);
}

TEST_F(LauncherTest, LastRunEqualToNowWritesNothing) {
    values()[handoff::kLastRun] = Stamp(clock.now);
    auto before = values();
    Run();
    ExpectUntouched(before);
}

// A clock set back leaves a LastRun in the future; it must not block starts
// until the clock catches up.
TEST_F(LauncherTest, LastRunLaterThanNowIsStaleAndReplaced) {
    for (int ahead : {1, 1500, 86400000 - 3600000 * 10 - 1}) {
        shell.calls.clear();
        values()[handoff::kLastRun] = Stamp(Later(clock.now, ahead));
        Run();
        ExpectStarted(kPath, clock.now);
    }
}

TEST_F(LauncherTest, TwoCallsWithinTwoSecondsStartOnce) {
    Run();
    LocalTime first = clock.now;
    clock.now = Later(first, 1999);
    Run();
    ExpectStarted(kPath, first);
    clock.now = Later(first, 2000);
    Run();
    EXPECT_EQ(2u, shell.calls.size());
    EXPECT_EQ(Stamp(clock.now).data, values()[handoff::kLastRun].data);
}

TEST_F(LauncherTest, FromAddIsSetBeforeTheShellCallAndLastRunAfterIt) {
    const RegValue oldStamp = Stamp(Later(clock.now, -5000));
    values()[handoff::kLastRun] = oldStamp;
    LocalTime returned = Later(clock.now, 1500);
    shell.onExecute = [&](const platform::standin::Shell::Call&) {
        EXPECT_EQ(handoff::DwordBytes(1), values()[handoff::kFromAdd].data);
        EXPECT_EQ(oldStamp.data, values()[handoff::kLastRun].data);
        clock.now = returned;  // the launch took 1.5 s
    };
    Run();
    ExpectStarted(kPath, returned);
}

// Damaged LastRun values count as missing: they start the program and are
// replaced by a proper stamp.
TEST_F(LauncherTest, LastRunOfWrongTypeOrSizeIsIgnored) {
    const std::string recent = Stamp(clock.now).data;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const RegValue damaged[] = {
        {platform::RegDword, recent},            // right bytes, wrong type
        {platform::RegBinary, recent.substr(0, 7)},
        {platform::RegBinary, recent + '\0'},
        {platform::RegBinary, ""},
        {platform::RegBinary, handoff::DateTimeBytes(nan)},
        {platform::RegBinary, handoff::DateTimeBytes(1e300)},
    };
    for (const RegValue& value : damaged) {
        SCOPED_TRACE(::testing::PrintToString(value.data) + " type " + std::to_string(value.type));
        shell.calls.clear();
        values()[handoff::kLastRun] = value;
        Run();
        ExpectStarted(kPath, clock.now);
    }
}

TEST_F(LauncherTest, ExpandableAppPathIsTakenLiterally) {
    values()[handoff::kAppPath] = {platform::RegExpandSz, handoff::TextBytes("%ProgramFiles%\\rolemark.exe")};
    Run();
    ExpectStarted("%ProgramFiles%\\rolemark.exe", clock.now);
}

TEST_F(LauncherTest, AppPathWithoutTerminatingZeroIsReadToItsEnd) {
    values()[handoff::kAppPath] = {platform::RegSz, kPath};
    Run();
    ExpectStarted(kPath, clock.now);
}

TEST_F(LauncherTest, AppPathStopsAtItsFirstZero) {
    values()[handoff::kAppPath] = {platform::RegSz, kPath + '\0' + "C:\\other.exe" + '\0'};
    Run();
    ExpectStarted(kPath, clock.now);
}

// Paths on both sides of 128 bytes and far beyond reach the shell whole.
TEST_F(LauncherTest, LongAppPathIsPassedWhole) {
    for (size_t length : {127u, 128u, 300u}) {
        shell.calls.clear();
        values().erase(handoff::kLastRun);
        std::string path = "C:\\" + std::string(length - 16, 'd') + "\\rolemark.exe";
        ASSERT_EQ(length, path.size());
        values()[handoff::kAppPath] = {platform::RegSz, handoff::TextBytes(path)};
        Run();
        ExpectStarted(path, clock.now);
    }
}

// Without a usable path there is nothing to start: the shell is not asked,
// but the mark and the stamp are written as on a start the shell refused.
TEST_F(LauncherTest, NoUsableAppPathAsksNoShellButMarksAndStamps) {
    const std::optional<RegValue> paths[] = {
        std::nullopt,
        RegValue{platform::RegSz, std::string(1, '\0')},
        RegValue{platform::RegSz, ""},
        RegValue{platform::RegBinary, handoff::TextBytes(kPath)},
        RegValue{platform::RegDword, handoff::DwordBytes(1)},
    };
    for (const auto& path : paths) {
        if (path) values()[handoff::kAppPath] = *path; else values().erase(handoff::kAppPath);
        values().erase(handoff::kLastRun);
        values()[handoff::kFromAdd] = {platform::RegDword, handoff::DwordBytes(0xdeadbeef)};
        shell.calls.clear();
        Run();
        EXPECT_EQ(0u, shell.calls.size());
        EXPECT_EQ(handoff::DwordBytes(1), values()[handoff::kFromAdd].data);
        EXPECT_EQ(platform::RegBinary, values()[handoff::kLastRun].type);
        EXPECT_EQ(8u, values()[handoff::kLastRun].data.size());
    }
}

TEST_F(LauncherTest, MissingKeyIsNeitherCreatedNorStarted) {
    registry.keys.clear();
    Run();
    EXPECT_EQ(0u, shell.calls.size());
    EXPECT_TRUE(registry.keys.empty());
}

TEST_F(LauncherTest, RefusedFromAddWriteStartsNothing) {
    registry.failWrites = true;
    auto before = values();
    Run();
    ExpectUntouched(before);
}

}  // namespace

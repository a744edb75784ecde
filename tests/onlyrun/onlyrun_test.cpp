// The running-application detector against the stand-in window list and
// application: the matching rules, the events, and the chained idle handler.
#include <gtest/gtest.h>

#include <memory>

#include "onlyrun/onlyrun.h"
#include "platform/standin/services.h"

namespace {

const std::string kPm65 = "Adobe PageMaker 6.5";
const std::string kPm60 = "Adobe PageMaker 6.0";

// The stand-in list, also noting which titles each walk looked at.
class RecordingWindows : public platform::standin::WindowList {
public:
    void ForEachTitle(const std::function<bool(const std::string&)>& visit) override {
        visited.clear();
        platform::standin::WindowList::ForEachTitle([&](const std::string& title) {
            visited.push_back(title);
            return visit(title);
        });
        log.push_back("walk done");
    }
    std::vector<std::string> visited;
    std::vector<std::string> log;
};

class OnlyIfRunningTest : public ::testing::Test {
protected:
    void SetUp() override {
        detector.OnApplicationFound = [this](TOnlyIfRunning& sender, const std::string& app) {
            EXPECT_EQ(&sender, &detector);
            windows.log.push_back("found [" + app + "]");
        };
        detector.OnApplicationNotFound = [this](TOnlyIfRunning& sender, const std::string& app) {
            EXPECT_EQ(&sender, &detector);
            windows.log.push_back("not found [" + app + "]");
        };
    }
    // Runs one check and returns the event it fired.
    std::string Check() {
        windows.log.clear();
        detector.CheckRunning();
        return windows.log.size() == 2 ? windows.log[1] : "(log: " + std::to_string(windows.log.size()) + " lines)";
    }

    platform::standin::Application app;
    RecordingWindows windows;
    TOnlyIfRunning detector{app, windows};
};

// Entries are prefixes; FoundApp is the entry, not the window's title.
TEST_F(OnlyIfRunningTest, TitleStartingWithEntryIsFoundAsTheEntry) {
    detector.SetAppTitles({kPm65, kPm60});
    windows.titles = {"Диспетчер задач", kPm65 + " - [Гамлет.pm6]"};
    EXPECT_EQ("found [" + kPm65 + "]", Check());
}

TEST_F(OnlyIfRunningTest, TitleEqualToEntryIsFound) {
    detector.SetAppTitles({kPm60});
    windows.titles = {kPm60};
    EXPECT_EQ("found [" + kPm60 + "]", Check());
}

TEST_F(OnlyIfRunningTest, TitleOneByteShorterThanEntryIsNotFound) {
    detector.SetAppTitles({kPm65});
    windows.titles = {kPm65.substr(0, kPm65.size() - 1)};
    EXPECT_EQ("not found []", Check());
}

TEST_F(OnlyIfRunningTest, CaseIsSignificant) {
    detector.SetAppTitles({kPm65});
    windows.titles = {"ADOBE PAGEMAKER 6.5 - x", "adobe pagemaker 6.5"};
    EXPECT_EQ("not found []", Check());
    EXPECT_EQ(windows.titles, windows.visited);
}

TEST_F(OnlyIfRunningTest, EntryMatchesOnlyAtTheTitlesStart) {
    detector.SetAppTitles({kPm65});
    windows.titles = {"Help - " + kPm65};
    EXPECT_EQ("not found []", Check());
}

// Cyrillic ANSI bytes compare as bytes.
TEST_F(OnlyIfRunningTest, BytesAboveAsciiCompareExactly) {
    detector.SetAppTitles({"\xcf\xe5\xf0\xe2\xfb\xe9"});
    windows.titles = {"\xef\xe5\xf0\xe2\xfb\xe9 x", "\xcf\xe5\xf0\xe2\xfb\xe9 x"};
    EXPECT_EQ("found [\xcf\xe5\xf0\xe2\xfb\xe9]", Check());
    EXPECT_EQ(2u, windows.visited.size());
}

TEST_F(OnlyIfRunningTest, NoEntriesIsNotFoundAfterWalkingEveryWindow) {
    windows.titles = {kPm65, "", kPm60};
    EXPECT_EQ("not found []", Check());
    EXPECT_EQ(windows.titles, windows.visited);
}

TEST_F(OnlyIfRunningTest, EmptyEntryMatchesFirstTitledWindow) {
    detector.SetAppTitles({""});
    windows.titles = {"", "Калькулятор", kPm65};
    EXPECT_EQ("found []", Check());
    EXPECT_EQ((std::vector<std::string>{"", "Калькулятор"}), windows.visited);
}

TEST_F(OnlyIfRunningTest, EmptyEntryWithOnlyUntitledWindowsIsNotFound) {
    detector.SetAppTitles({""});
    windows.titles = {"", ""};
    EXPECT_EQ("not found []", Check());
}

TEST_F(OnlyIfRunningTest, LaterMatchingEntryWins) {
    windows.titles = {kPm65 + " - x"};
    detector.SetAppTitles({"Adobe", kPm65});
    EXPECT_EQ("found [" + kPm65 + "]", Check());
    detector.SetAppTitles({kPm65, "Adobe"});
    EXPECT_EQ("found [Adobe]", Check());
}

TEST_F(OnlyIfRunningTest, FirstMatchingWindowEndsTheWalk) {
    detector.SetAppTitles({kPm65, kPm60});
    windows.titles = {"Проводник", kPm60 + " - a", kPm65 + " - b", "Блокнот"};
    EXPECT_EQ("found [" + kPm60 + "]", Check());
    EXPECT_EQ((std::vector<std::string>{"Проводник", kPm60 + " - a"}), windows.visited);
}

// Titles are read into 256 bytes, so an entry counts by its first 255.
TEST_F(OnlyIfRunningTest, LongEntryIsComparedByItsFirst255Bytes) {
    const std::string entry = std::string(255, 'P') + "QQQQQ";
    detector.SetAppTitles({entry});
    windows.titles = {std::string(254, 'P')};
    EXPECT_EQ("not found []", Check());
    windows.titles = {std::string(255, 'P')};
    EXPECT_EQ("found [" + entry + "]", Check());
}

TEST_F(OnlyIfRunningTest, FoundAppOfAnEarlierCheckIsNotReportedAgain) {
    detector.SetAppTitles({kPm65});
    windows.titles = {kPm65};
    EXPECT_EQ("found [" + kPm65 + "]", Check());
    windows.titles = {"Блокнот"};
    EXPECT_EQ("not found []", Check());
}

TEST_F(OnlyIfRunningTest, EventFiresAfterTheWalk) {
    detector.SetAppTitles({kPm65});
    windows.titles = {kPm65};
    Check();
    EXPECT_EQ((std::vector<std::string>{"walk done", "found [" + kPm65 + "]"}), windows.log);
}

TEST_F(OnlyIfRunningTest, SetAppTitlesReplacesWithACopy) {
    std::vector<std::string> titles{kPm65, kPm60};
    detector.SetAppTitles({"old"});
    detector.SetAppTitles(titles);
    titles.push_back("later");
    EXPECT_EQ((std::vector<std::string>{kPm65, kPm60}), detector.AppTitles());
}

// The chained idle handler and the application's hook.
class OnlyIfRunningHookTest : public OnlyIfRunningTest {
protected:
    void SetUp() override {
        app.SetOnIdle([this](void* sender, bool& done) {
            ++savedCalls;
            savedSender = sender;
            savedDone = done;
            done = savedSetsDone;
        });
    }
    int savedCalls = 0;
    void* savedSender = reinterpret_cast<void*>(0xdeadbeef);
    bool savedDone = false;
    bool savedSetsDone = true;
};

TEST_F(OnlyIfRunningHookTest, IdleMomentChecksThenCallsSavedHandlerWithTheLoopsSender) {
    detector.Loaded();
    detector.SetAppTitles({kPm65});
    windows.titles = {kPm65};
    detector.OnApplicationFound = nullptr;
    detector.OnApplicationNotFound = nullptr;
    app.Run();  // the queue is empty: one idle call
    EXPECT_EQ(1, windows.enumerations);
    EXPECT_EQ(1, savedCalls);
    EXPECT_EQ(static_cast<void*>(&app), savedSender);
    EXPECT_TRUE(savedDone);
}

TEST_F(OnlyIfRunningHookTest, CheckRunningPassesItselfAsSenderAndATrueDoneFlag) {
    detector.Loaded();
    detector.CheckRunning();
    EXPECT_EQ(1, savedCalls);
    EXPECT_EQ(static_cast<void*>(&detector), savedSender);
    EXPECT_TRUE(savedDone);
}

TEST_F(OnlyIfRunningHookTest, DoneFlagGoesThroughToTheSavedHandlerAndBack) {
    detector.Loaded();
    int sender = 0;
    bool done = false;
    detector.ApplicationIdle(&sender, done);
    EXPECT_FALSE(savedDone);
    EXPECT_TRUE(done);  // the saved handler set it
    savedSetsDone = false;
    done = true;
    detector.ApplicationIdle(&sender, done);
    EXPECT_FALSE(done);
    EXPECT_EQ(static_cast<void*>(&sender), savedSender);
}

TEST_F(OnlyIfRunningTest, CheckLeavesTheDoneFlagAlone) {
    for (bool start : {true, false}) {
        bool done = start;
        detector.ApplicationIdle(nullptr, done);
        EXPECT_EQ(start, done);
    }
}

TEST_F(OnlyIfRunningHookTest, DestructorPutsTheSavedHandlerBack) {
    {
        TOnlyIfRunning second(app, windows);
        second.Loaded();
        bool done = true;
        app.OnIdle()(&app, done);
        EXPECT_EQ(1, windows.enumerations);
        EXPECT_EQ(1, savedCalls);
    }
    bool done = true;
    app.OnIdle()(&app, done);
    EXPECT_EQ(1, windows.enumerations);  // no check any more
    EXPECT_EQ(2, savedCalls);
}

TEST_F(OnlyIfRunningHookTest, ComponentNeverLoadedLeavesTheHandlerAlone) {
    { TOnlyIfRunning unused(app, windows); }
    ASSERT_TRUE(app.OnIdle());
    bool done = true;
    app.OnIdle()(&app, done);
    EXPECT_EQ(1, savedCalls);
}

TEST_F(OnlyIfRunningHookTest, SecondLoadedDoesNotChainTheComponentToItself) {
    detector.Loaded();
    detector.Loaded();
    app.Run();
    EXPECT_EQ(1, windows.enumerations);
    EXPECT_EQ(1, savedCalls);
}

// The main window's handler closes the window, which destroys the component
// while its event is still running.
TEST_F(OnlyIfRunningHookTest, EventHandlerMayDestroyTheComponent) {
    auto owned = std::make_unique<TOnlyIfRunning>(app, windows);
    owned->Loaded();
    int fired = 0;
    owned->OnApplicationNotFound = [&](TOnlyIfRunning&, const std::string&) {
        ++fired;
        owned.reset();
    };
    app.Run();
    EXPECT_EQ(1, fired);
    EXPECT_EQ(nullptr, owned);
    EXPECT_EQ(1, savedCalls);  // still chained after the component went
    bool done = true;
    app.OnIdle()(&app, done);  // and the saved handler is back in place
    EXPECT_EQ(2, savedCalls);
}

}  // namespace

// Fault injection of the host stand-in, the fault options' syntax and the
// program's command line.
#include "standin/host/options.h"
#include "tests/standin/host_fixture.h"

namespace standin {
namespace {

class FaultsTest : public HostFixture {
protected:
    void Set(const std::string& name, const std::string& value) {
        std::string error;
        ASSERT_TRUE(SetFaultOption(host->faults, name, value, error)) << error;
    }
};

TEST_F(FaultsTest, TheNthCommandIsRefusedAndNotCarriedOut) {
    Set("refuse-command", "2");
    EXPECT_TRUE(Send("TextCursor 10 1"));
    EXPECT_FALSE(Send("TextCursor 11 1"));
    EXPECT_EQ(Last().note, "refused (fault)");
    EXPECT_TRUE(Send("TextSelect 1 2"));
    EXPECT_EQ(Cursor(), "1,33,35");
}

TEST_F(FaultsTest, ACommandWordAndItsKthOccurrenceAreRefused) {
    Set("refuse-command", "textselect#2");
    Set("refuse-command", "Copy");
    EXPECT_TRUE(Send("TextSelect 0 1"));
    EXPECT_FALSE(Send("try TextSelect 0 1"));
    EXPECT_TRUE(Send("TextSelect 0 1"));
    EXPECT_FALSE(Send("Copy"));
    EXPECT_FALSE(Send("Copy"));
    EXPECT_EQ(Cursor(), "1,0,2");
}

TEST_F(FaultsTest, EmptyReplyToTheNthQueryAndToANamedQuery) {
    Set("empty-reply", "2");
    Set("empty-reply", "GetStyle#2");
    EXPECT_EQ(Ask("GetPMState"), "7");
    EXPECT_EQ(Ask("GetPMState"), "");
    EXPECT_EQ(Last().note, "empty reply (fault)");
    EXPECT_TRUE(Last().reply.has_value());
    EXPECT_EQ(Ask("GetStyle"), "\"Реплика\"");
    EXPECT_EQ(Ask("getstyle"), "");
    EXPECT_EQ(Ask("GetStyle"), "\"Реплика\"");
}

TEST_F(FaultsTest, BadNumberSpoilsTheFirstNumberOfTheSelectedReply) {
    Set("bad-number", "GetTextCursor#2");
    EXPECT_EQ(Cursor(), "1,0,0");
    EXPECT_EQ(Cursor(), "1x,0,0");
    EXPECT_EQ(Last().note, "number spoilt (fault)");
    EXPECT_EQ(Cursor(), "1,0,0");
    Set("bad-number", "GetStyle");
    EXPECT_EQ(Ask("GetStyle"), "\"Реплика\"");  // no number to spoil
}

TEST_F(FaultsTest, ADelayedReplyWaitsTheConfiguredTimeThenAnswers) {
    Set("delay-reply", "GetTextCursor");
    Set("delay-seconds", "12.5");
    EXPECT_EQ(Ask("GetPMState"), "7");
    EXPECT_TRUE(pauses.empty());
    EXPECT_EQ(Cursor(), "1,0,0");
    EXPECT_EQ(pauses, std::vector<double>{12.5});
    EXPECT_EQ(Last().note, "reply delayed 12.5 s (fault)");
}

TEST_F(FaultsTest, BusyAnswersNineForItsSpanOfStateQuestions) {
    Set("busy", "2");
    Set("busy-from", "2");
    std::string answers;
    for (int i = 0; i < 4; ++i) answers += Ask("GetPMState");
    EXPECT_EQ(answers, "7997");
}

TEST_F(FaultsTest, ScriptedStatesComeFirstThenTheRealState) {
    Set("states", "1,6");
    Set("states", "3");
    Send("TextSelect 0 2");
    std::string answers;
    for (int i = 0; i < 5; ++i) answers += Ask("GetPMState") + " ";
    EXPECT_EQ(answers, "1 6 3 8 8 ");
}

TEST_F(FaultsTest, TheConversationDropsAfterTheNthExchangeOnly) {
    Set("drop-after", "3");
    std::vector<PageMakerHost::After> after;
    for (int i = 0; i < 4; ++i) {
        Ask("GetPMState");
        after.push_back(host->AfterExchange());
    }
    using A = PageMakerHost::After;
    EXPECT_EQ(after, (std::vector<A>{A::Continue, A::Continue, A::DropConversation, A::Continue}));
    std::string order;
    for (const auto& entry : host->transcript().Entries()) order += entry.text + " ";
    EXPECT_EQ(order, "start GetPMState GetPMState GetPMState drop GetPMState ");
}

TEST_F(FaultsTest, TheHostQuitsAfterTheNthExchange) {
    Set("quit-after", "2");
    Send("TextCursor 10 1");
    EXPECT_EQ(host->AfterExchange(), PageMakerHost::After::Continue);
    Ask("GetPMState");
    EXPECT_EQ(host->AfterExchange(), PageMakerHost::After::Quit);
    EXPECT_EQ(Last().text, "quit");
    EXPECT_EQ(Last().note, "after exchange 2");
}

TEST_F(FaultsTest, AStalledNextParagraphDoesNotMove) {
    Set("stall-paragraph", "2");
    std::string seen;
    for (int i = 0; i < 3; ++i) {
        Send("TextCursor 6 1");
        seen += Cursor() + " ";
    }
    EXPECT_EQ(seen, "1,10,10 1,10,10 1,11,11 ");
}

TEST_F(FaultsTest, AStallWithCountZeroNeverMovesAgain) {
    Set("stall-paragraph", "1");
    Set("stall-count", "0");
    for (int i = 0; i < 3; ++i) Send("TextCursor 6 1");
    EXPECT_EQ(Cursor(), "1,0,0");
    EXPECT_EQ(host->transcript().Entries().rbegin()[1].note, "did not move (fault)");
    Send("TextCursor 6 0");  // other moves still work
    EXPECT_EQ(Cursor(), "1,9,9");
}

TEST_F(FaultsTest, FaultsFromThePublicationFileApply) {
    Load(R"({"styles": [{"name": "S"}], "paragraphs": ["abc"],
             "faults": {"states": [1, 2], "refuse-command": ["Copy", 3], "busy": 1}})");
    EXPECT_EQ(Ask("GetPMState"), "9");
    EXPECT_EQ(Ask("GetPMState"), "1");
    Send("TextSelect 0 1");
    EXPECT_FALSE(Send("Copy"));
    EXPECT_FALSE(Send("TextSelect 0 1"));
}

// --- Option syntax --------------------------------------------------------------

TEST(FaultOptionTest, BadValuesAreRejectedWithTheExpectedForm) {
    const struct {
        const char *name, *value, *error;
    } cases[] = {
        {"refuse-command", "0", "fault option refuse-command: expected SEL, got \"0\""},
        {"refuse-command", "Copy#0", "fault option refuse-command: expected SEL, got \"Copy#0\""},
        {"empty-reply", "Get Style", "fault option empty-reply: expected SEL, got \"Get Style\""},
        {"delay-seconds", "601", "fault option delay-seconds: expected S, got \"601\""},
        {"delay-seconds", "1,5", "fault option delay-seconds: expected S, got \"1,5\""},
        {"states", "7,,8", "fault option states: expected N,N,..., got \"7,,8\""},
        {"states", "256", "fault option states: expected N,N,..., got \"256\""},
        {"busy", "-1", "fault option busy: expected N, got \"-1\""},
        {"busy-from", "0", "fault option busy-from: expected M, got \"0\""},
        {"quit-after", "x", "fault option quit-after: expected N, got \"x\""},
        {"slow", "1", "unknown fault option \"slow\""},
    };
    for (const auto& c : cases) {
        Faults faults;
        faults.busyCount = 42;
        std::string error;
        EXPECT_FALSE(SetFaultOption(faults, c.name, c.value, error)) << c.name << " " << c.value;
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(faults.busyCount, 42);
    }
}

TEST(FaultOptionTest, BoundaryValuesAreAccepted) {
    Faults faults;
    std::string error;
    EXPECT_TRUE(SetFaultOption(faults, "delay-seconds", "600", error));
    EXPECT_TRUE(SetFaultOption(faults, "delay-seconds", "0", error));
    EXPECT_TRUE(SetFaultOption(faults, "states", "0,255", error));
    EXPECT_TRUE(SetFaultOption(faults, "refuse-command", "1", error));
    EXPECT_EQ(faults.states, (std::vector<int>{0, 255}));
    EXPECT_EQ(faults.delaySeconds, 0);
}

TEST(CommandLineTest, PathsStrictnessAndFaultsInOrder) {
    std::string error;
    auto options = ParseCommandLine({"--pub", "пьеса.json", "--busy", "3", "--dump", "d.json", "--strict", "--refuse-command", "Copy#2"}, error);
    ASSERT_TRUE(options) << error;
    EXPECT_TRUE(options->strict);
    EXPECT_EQ(options->pub.u8string(), "пьеса.json");
    EXPECT_EQ(options->dump.u8string(), "d.json");
    EXPECT_TRUE(options->transcript.empty());
    Faults faults;
    faults.busyCount = 1;
    ASSERT_TRUE(ApplyFaultOptions(*options, faults, error)) << error;
    EXPECT_EQ(faults.busyCount, 3);
    ASSERT_EQ(faults.refuseCommand.size(), 1u);
    EXPECT_EQ(faults.refuseCommand[0].word, "copy");
    EXPECT_EQ(faults.refuseCommand[0].occurrence, 2);
}

TEST(CommandLineTest, MistakesAreNamed) {
    const struct {
        std::vector<std::string> args;
        const char* error;
    } cases[] = {
        {{"--pub"}, "option --pub needs a value"},
        {{"play.json"}, "unexpected argument \"play.json\""},
        {{"--busy", "many"}, "fault option busy: expected N, got \"many\""},
        {{"--fast", "1"}, "unknown fault option \"fast\""},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseCommandLine(c.args, error));
        EXPECT_EQ(error, c.error);
    }
}

TEST(CommandLineTest, UsageListsEveryFaultOption) {
    const std::string usage = Usage();
    for (const auto& option : kFaultOptions) EXPECT_NE(usage.find("--" + std::string(option.name) + " "), std::string::npos) << option.name;
}

}  // namespace
}  // namespace standin

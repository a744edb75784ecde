// The command link against an in-process server: prefixes, the busy wait,
// failures and their messages, the state reading, the link's bracket.
#include <algorithm>

#include "tests/pmdde/scripted_host.h"

namespace {

class CommandLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        conv.server = &host;
        pm.DDEConv = &conv;
    }
    ScriptedHost host;
    platform::standin::DdeConversation conv;
    TPmDDE pm;
};

TEST_F(CommandLinkTest, TryPrefixGoesOutButTheMessageNamesTheBareCommand) {
    pm.OpenLink();
    pm.SetTryMode65(true);
    pm.ExecCommand("SelectAll");
    EXPECT_EQ(host.log.back(), "exec try SelectAll");
    conv.DropByServer();
    EXPECT_EQ(MessageOf<EPmCantExecuteCommand>([&] { pm.ExecCommand("SelectAll"); }),
              "Не могу выполнить команду PageMaker - SelectAll");
}

// The query after a refused command is not sent: the action ends there.
TEST_F(CommandLinkTest, RefusedOrBusyCommandFailsTheNextQueryWhichIsNotSent) {
    pm.OpenLink();
    pm.SetTryMode65(true);
    host.verdicts["try TextSelect 0 4"] = ScriptedHost::Verdict::Refused;
    host.replies["GetPMState"] = "7";
    pm.TextSelect(0, 4);
    pm.TextSelect(1, 4);
    EXPECT_EQ(MessageOf<EPmCommandRefused>([&] { (void)pm.GetPMState(); }),
              "PageMaker не выполнил команду «TextSelect 0 4»");
    EXPECT_EQ(host.log.back(), "exec try TextSelect 1 4") << "expected the later command sent, no query";
    EXPECT_EQ(pm.GetPMState(), 7) << "expected the refusal reported once";
    host.verdicts["try Copy"] = ScriptedHost::Verdict::Busy;
    pm.Copy();
    EXPECT_EQ(MessageOf<EPmCommandRefused>([&] { (void)pm.GetPMState(); }), "PageMaker занят и не выполнил команду «Copy»");
}

TEST_F(CommandLinkTest, QueriesNeverCarryTheTryPrefix) {
    pm.OpenLink();
    pm.SetTryMode65(true);
    host.replies["GetSize"] = "12";
    std::string reply = "sentinel";
    pm.ExecQuery("GetSize", reply);
    EXPECT_EQ(reply, "12");
    EXPECT_EQ(host.log.back(), "ask GetSize");
}

TEST_F(CommandLinkTest, BusyWaitCallsTheHandlerThenSendsOnce) {
    pm.OpenLink();
    pm.LongOperation = true;
    host.queued["GetPMState"] = {"9", "9", "9", "7"};
    int calls = 0;
    pm.OnWaitIfBusy = [&](TPmDDE& sender) {
        EXPECT_EQ(&sender, &pm);
        ++calls;
    };
    pm.ExecCommand("Copy");
    EXPECT_EQ(calls, 3);
    const std::vector<std::string> expected = {"ask GetPMState", "ask GetPMState", "ask GetPMState", "ask GetPMState", "exec Copy"};
    EXPECT_EQ(host.log, expected);
}

TEST_F(CommandLinkTest, BusyWaitWithoutHandlerAsksFourTimes) {
    pm.OpenLink();
    pm.LongOperation = true;
    host.queued["GetPMState"] = {"9", "9", "9", "7"};
    pm.ExecCommand("Copy");
    EXPECT_EQ(std::count(host.log.begin(), host.log.end(), "ask GetPMState"), 4);
    EXPECT_EQ(std::count(host.log.begin(), host.log.end(), "exec Copy"), 1);
}

TEST_F(CommandLinkTest, HandlerThatThrowsLeavesTheCommandUnsent) {
    pm.OpenLink();
    pm.LongOperation = true;
    host.queued["GetPMState"] = {"9", "7"};
    pm.OnWaitIfBusy = [](TPmDDE&) { throw Exception("gave up"); };
    EXPECT_EQ(MessageOf<Exception>([&] { pm.ExecCommand("Copy"); }), "gave up");
    EXPECT_EQ(std::count(host.log.begin(), host.log.end(), "exec Copy"), 0);
    EXPECT_TRUE(conv.Connected());
}

TEST_F(CommandLinkTest, EmptyReplyRaisesNamingTheQuery) {
    pm.OpenLink();
    host.replies["GetSize"] = "";
    std::string reply = "sentinel";
    EXPECT_EQ(MessageOf<EPmCantExecuteQuery>([&] { pm.ExecQuery("GetSize", reply); }),
              "Не могу получить данные от PageMaker - GetSize");
    EXPECT_EQ(reply, "");
}

TEST_F(CommandLinkTest, StateIsTheFirstIntegerOfTheFirstTenCharacters) {
    pm.OpenLink();
    host.queued["GetPMState"] = {"7,1,2", "    99999999", "263"};
    EXPECT_EQ(pm.GetPMState(), 7);
    EXPECT_EQ(pm.GetPMState(), 999999 & 0xFF);  // read from "    999999" only
    EXPECT_EQ(pm.GetPMState(), 7);  // 263 = 256 + 7: the low byte
}

TEST_F(CommandLinkTest, OpenLinkOnAnOpenLinkReconnects) {
    pm.OpenLink();
    pm.OpenLink();
    EXPECT_EQ(conv.connects, 2);
    EXPECT_EQ(conv.disconnects, 1);
    EXPECT_TRUE(conv.Connected());
    EXPECT_EQ(conv.service, "PageMaker");
    EXPECT_EQ(conv.topic, "");
}

TEST_F(CommandLinkTest, NoServerRaisesNotFoundAfterOneLaunch) {
    conv.server = nullptr;
    conv.SetServiceApplication("c:\\pm65\\pm65.exe");
    std::string launched;
    conv.launch = [&](const std::string& commandLine) {
        launched = commandLine;
        return true;
    };
    EXPECT_EQ(MessageOf<EPmNotFound>([&] { pm.OpenLink(); }), "Не могу установить связь с PageMaker");
    EXPECT_EQ(launched, "c:\\pm65\\pm65.exe");
    EXPECT_EQ(conv.launches, 1);
}

TEST_F(CommandLinkTest, LaunchedServerAnswersTheSecondConnect) {
    conv.server = nullptr;
    conv.launch = [&](const std::string&) {
        conv.server = &host;
        return true;
    };
    EXPECT_TRUE(pm.OpenLink());
    EXPECT_TRUE(conv.Connected());
}

TEST_F(CommandLinkTest, WithoutConversationOpenRaisesAndCloseDoesNothing) {
    TPmDDE bare;
    EXPECT_EQ(MessageOf<Exception>([&] { bare.OpenLink(); }), "Нет клиента DDE..");
    bare.CloseLink();
    EXPECT_EQ(MessageOf<EPmCantExecuteCommand>([&] { bare.ExecCommand("Copy"); }), "Не могу выполнить команду PageMaker - Copy");
    std::string reply;
    EXPECT_THROW(bare.ExecQuery("GetSize", reply), EPmCantExecuteQuery);
}

TEST_F(CommandLinkTest, CloseLinkOnAClosedLinkDoesNothing) {
    pm.CloseLink();
    EXPECT_EQ(conv.disconnects, 0);
}

TEST_F(CommandLinkTest, WaitExecRefusesASecondCommandBeforeCompletion) {
    pm.OpenLink();
    pm.WaitExec = true;
    pm.ExecCommand("Copy");
    EXPECT_THROW(pm.ExecCommand("Paste"), EPmCantExecuteCommand);
    std::string reply;
    EXPECT_THROW(pm.ExecQuery("GetPMState", reply), EPmCantExecuteQuery);
    conv.Complete();
    pm.ExecCommand("Paste");
    EXPECT_EQ(host.log.back(), "exec Paste");
}

TEST_F(CommandLinkTest, DestructionClosesTheLink) {
    {
        TPmDDE local;
        local.DDEConv = &conv;
        local.OpenLink();
    }
    EXPECT_FALSE(conv.Connected());
}

}  // namespace

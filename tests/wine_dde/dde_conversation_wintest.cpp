// The DDEML conversation's four operations against scripted_server in a
// second process: what reaches the host, in which order and with which bytes;
// the waiting mark; closing from either side; item names at the atom limit;
// both kinds of server (by hand, and on DDEML with its extra acknowledgements).
#include <windows.h>

#include <ddeml.h>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win32/dde_conversation.h"

namespace {

using platform::win32::DdeConversation;
using platform::win32::DdeInstance;

// The process's one instance, made on first use and ended at exit.
DdeInstance& Instance() {
    static DdeInstance instance;
    return instance;
}

std::string ProgramFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

// Lets window messages through until `done` or `ms` have passed.
bool PumpUntil(const std::function<bool()>& done, DWORD ms = 5000) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > ms) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
    return true;
}

}  // namespace

// Runs first, while the process has no DDEML instance yet.
TEST(DdeConversationWithoutInstance, NeverConnectsAndRefusesEverything) {
    DdeConversation conversation;
    EXPECT_FALSE(conversation.Connect("PageMaker", ""));
    EXPECT_FALSE(conversation.Connected());
    EXPECT_FALSE(conversation.ExecuteText("Copy", false));
    EXPECT_EQ(std::nullopt, conversation.RequestText("GetPMState"));
    conversation.Disconnect();
}

class DdeConversationTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(Instance().Ok()); }

    void TearDown() override {
        conversation.Disconnect();
        if (server_.hProcess) {
            TerminateProcess(server_.hProcess, 0);
            WaitForSingleObject(server_.hProcess, 10000);
            CloseHandle(server_.hProcess);
            CloseHandle(server_.hThread);
        }
        DeleteFileA(ready_.c_str());
        DeleteFileA(transcript_.c_str());
    }

    // Starts scripted_server with `options` (ANSI) and waits until it serves.
    void StartServer(const std::string& options = "") {
        char folder[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, folder);
        const std::string base = std::string(folder) + "dde_conversation_wintest." + std::to_string(GetCurrentProcessId()) + "." +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ready_ = base + ".ready";
        transcript_ = base + ".transcript";
        DeleteFileA(ready_.c_str());
        std::string commandLine = "\"" + ProgramFolder() + "..\\bin\\scripted_server.exe\" --lifetime 120 --ready \"" + ready_ +
                                  "\" --transcript \"" + transcript_ + "\" " + options;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &server_))
            << "cannot start " << commandLine;
        ASSERT_TRUE(PumpUntil([&] { return GetFileAttributesA(ready_.c_str()) != INVALID_FILE_ATTRIBUTES; }, 30000))
            << "the scripted server did not offer its service";
    }

    // The lines the host received so far.
    std::vector<std::string> Transcript() const {
        std::ifstream file(transcript_, std::ios::binary);
        std::vector<std::string> lines;
        for (std::string line; std::getline(file, line);) lines.push_back(line);
        return lines;
    }

    DdeConversation conversation;

private:
    PROCESS_INFORMATION server_{};
    std::string ready_, transcript_;
};

TEST_F(DdeConversationTest, SecondInstanceIsNotUsable) {
    DdeInstance second;
    EXPECT_FALSE(second.Ok());
    EXPECT_TRUE(Instance().Ok());
}

TEST_F(DdeConversationTest, CommandsAndQueriesArriveInOrderWithTheirBytes) {
    // "Реплика,1" and "Арий" in code page 1251.
    const std::string reply = "\xD0\xE5\xEF\xEB\xE8\xEA\xE0,1";
    const std::string font = "Font \"\xC0\xF0\xE8\xE9\"";
    StartServer("--reply GetStyle=" + reply);
    ASSERT_TRUE(conversation.Connect("PageMaker", ""));
    EXPECT_TRUE(conversation.Connected());
    EXPECT_TRUE(conversation.ExecuteText(font, false));
    EXPECT_EQ(reply, conversation.RequestText("GetStyle").value_or("(nothing)"));
    EXPECT_TRUE(conversation.ExecuteText("Copy", false));
    EXPECT_EQ("2,1,0", conversation.RequestText("GetTextCursor").value_or("(nothing)"));
    const std::vector<std::string> expected = {"connect", "command " + font, "query GetStyle", "command Copy", "query GetTextCursor"};
    EXPECT_EQ(expected, Transcript());
}

TEST_F(DdeConversationTest, NamedTopicReachesTheHost) {
    StartServer();
    ASSERT_TRUE(conversation.Connect("PageMaker", "Story"));
    EXPECT_EQ(std::vector<std::string>{"connect Story"}, Transcript());
}

TEST_F(DdeConversationTest, WaitingMarkHoldsUntilTheCommandCompletes) {
    StartServer();
    ASSERT_TRUE(conversation.Connect("PageMaker", ""));
    ASSERT_TRUE(conversation.ExecuteText("Copy", true));
    EXPECT_FALSE(conversation.ExecuteText("Paste", false));
    EXPECT_EQ(std::nullopt, conversation.RequestText("GetPMState"));
    std::optional<std::string> state;
    EXPECT_TRUE(PumpUntil([&] { return (state = conversation.RequestText("GetPMState")).has_value(); }));
    EXPECT_EQ("7", state.value_or("(nothing)"));
    const std::vector<std::string> expected = {"connect", "command Copy", "query GetPMState"};
    EXPECT_EQ(expected, Transcript());
}

TEST_F(DdeConversationTest, ConnectOnAnOpenConversationOpensANewOne) {
    StartServer();
    ASSERT_TRUE(conversation.Connect("PageMaker", ""));
    ASSERT_TRUE(conversation.Connect("PageMaker", ""));
    EXPECT_TRUE(conversation.ExecuteText("Copy", false));
    EXPECT_EQ("7", conversation.RequestText("GetPMState").value_or("(nothing)"));
    const std::vector<std::string> expected = {"connect", "connect", "command Copy", "query GetPMState"};
    EXPECT_EQ(expected, Transcript());
}

TEST_F(DdeConversationTest, DisconnectTwiceIsHarmlessAndRefusesWhatFollows) {
    StartServer();
    ASSERT_TRUE(conversation.Connect("PageMaker", ""));
    conversation.Disconnect();
    conversation.Disconnect();
    EXPECT_FALSE(conversation.Connected());
    EXPECT_FALSE(conversation.ExecuteText("Copy", false));
    EXPECT_EQ(std::nullopt, conversation.RequestText("GetPMState"));
    EXPECT_EQ(std::vector<std::string>{"connect"}, Transcript());
}

TEST_F(DdeConversationTest, ItemNamesUpTo255CharactersReachTheHost) {
    StartServer();
    ASSERT_TRUE(conversation.Connect("PageMaker", ""));
    const std::string longest(255, 'x'), tooLong(256, 'y');
    EXPECT_EQ("", conversation.RequestText(longest).value_or("(nothing)"));  // unknown: an empty reply
    EXPECT_EQ(std::nullopt, conversation.RequestText(tooLong));
    EXPECT_EQ("7", conversation.RequestText("GetPMState").value_or("(nothing)"));
    const std::vector<std::string> expected = {"connect", "query " + longest, "query GetPMState"};
    EXPECT_EQ(expected, Transcript());
}

TEST_F(DdeConversationTest, HostEndingTheConversationClosesTheLink) {
    StartServer("--drop-after 1");
    ASSERT_TRUE(conversation.Connect("PageMaker", ""));
    EXPECT_EQ("7", conversation.RequestText("GetPMState").value_or("(nothing)"));
    EXPECT_TRUE(PumpUntil([&] { return !conversation.Connected(); }));
    EXPECT_FALSE(conversation.ExecuteText("Copy", false));
    EXPECT_EQ(std::nullopt, conversation.RequestText("GetPMState"));
    const std::vector<std::string> expected = {"connect", "query GetPMState"};
    EXPECT_EQ(expected, Transcript());
}

TEST_F(DdeConversationTest, RefusedQueryGivesNothingAndTheLinkGoesOn) {
    StartServer("--refuse-queries");
    ASSERT_TRUE(conversation.Connect("PageMaker", ""));
    EXPECT_EQ(std::nullopt, conversation.RequestText("GetFont"));
    EXPECT_TRUE(conversation.Connected());
    EXPECT_TRUE(conversation.ExecuteText("Copy", false));
    EXPECT_EQ(0u, conversation.Statistics().staleAckRetries);
    EXPECT_EQ(0u, conversation.Statistics().lateReplies);
}

// The late reply could be taken for the next answer: the conversation takes
// no further request, and a fresh one answers as usual.
TEST_F(DdeConversationTest, AfterATimeoutTheConversationTakesNoFurtherRequest) {
    StartServer("--slow GetFont=11000 --reply GetFont=late");
    ASSERT_TRUE(conversation.Connect("PageMaker", ""));
    EXPECT_EQ(std::nullopt, conversation.RequestText("GetFont"));  // 10 s
    EXPECT_TRUE(conversation.RequestTimedOut());
    EXPECT_EQ(std::nullopt, conversation.RequestText("GetPMState"));
    ASSERT_TRUE(conversation.Connect("PageMaker", ""));
    EXPECT_FALSE(conversation.RequestTimedOut());
    EXPECT_EQ("0,1,0", conversation.RequestText("GetTextCursor").value_or("(nothing)"));
    const std::vector<std::string> expected = {"connect", "query GetFont", "connect", "query GetTextCursor"};
    EXPECT_EQ(expected, Transcript());
}

// W8: the verdict comes with the completion, before the next reply.
TEST_F(DdeConversationTest, RefusedCommandIsKnownOnceTheNextReplyHasCome) {
    StartServer("--refuse-commands");
    ASSERT_TRUE(conversation.Connect("PageMaker", ""));
    ASSERT_TRUE(conversation.ExecuteText("TextSelect 0 4", false));
    ASSERT_TRUE(conversation.ExecuteText("Copy", false));
    EXPECT_EQ("7", conversation.RequestText("GetPMState").value_or("(nothing)"));
    const std::optional<DdeRefusal> refusal = conversation.TakeRefusal();
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ("TextSelect 0 4", refusal->command);
    EXPECT_FALSE(refusal->busy) << "Wine passes no status word";
    EXPECT_FALSE(conversation.TakeRefusal().has_value()) << "expected it reported once";
    EXPECT_EQ(0, conversation.Disconnect());
}

TEST_F(DdeConversationTest, UnknownServiceWithMissingProgramFailsAndKeepsThePath) {
    conversation.SetServiceApplication("C:\\pm65\\pm65.exe");
    EXPECT_FALSE(conversation.Connect("NoSuchService", ""));
    EXPECT_FALSE(conversation.Connected());
    EXPECT_EQ("C:\\pm65\\pm65.exe", conversation.ServiceApplication());
}

HDDEDATA CALLBACK IgnoreEverything(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) { return nullptr; }

TEST_F(DdeConversationTest, PokesAndAdviseLoopsAreRefusedNotLeftUnanswered) {
    StartServer();
    // A client of its own: the conversation offers no pokes or advise loops.
    DWORD id = 0;
    ASSERT_EQ(static_cast<UINT>(DMLERR_NO_ERROR), DdeInitializeA(&id, &IgnoreEverything, APPCMD_CLIENTONLY, 0));
    const HSZ service = DdeCreateStringHandleA(id, "PageMaker", CP_WINANSI);
    const HSZ item = DdeCreateStringHandleA(id, "Story", CP_WINANSI);
    const HCONV conv = DdeConnect(id, service, nullptr, nullptr);
    ASSERT_NE(nullptr, conv);
    char text[] = "text";
    DdeClientTransaction(reinterpret_cast<LPBYTE>(text), sizeof text, conv, item, CF_TEXT, XTYP_POKE, 5000, nullptr);
    EXPECT_NE(static_cast<UINT>(DMLERR_POKEACKTIMEOUT), DdeGetLastError(id));
    EXPECT_EQ(nullptr, DdeClientTransaction(nullptr, 0, conv, item, CF_TEXT, XTYP_ADVSTART, 5000, nullptr));
    EXPECT_NE(static_cast<UINT>(DMLERR_ADVACKTIMEOUT), DdeGetLastError(id));
    DdeDisconnect(conv);
    DdeFreeStringHandle(id, item);
    DdeFreeStringHandle(id, service);
    DdeUninitialize(id);
    ASSERT_TRUE(conversation.Connect("PageMaker", ""));
    EXPECT_EQ("7", conversation.RequestText("GetPMState").value_or("(nothing)"));
}

// Rounds of two commands and one query whose reply counts what the host
// received; returns the first round that differed, or -1.
int FirstLostRound(DdeConversation& conversation, int rounds) {
    for (int round = 0; round < rounds; ++round) {
        if (!conversation.ExecuteText("TextSelect 0 1", false) || !conversation.ExecuteText("Copy", false)) return round;
        const std::string expected = std::to_string(2 * (round + 1)) + "," + std::to_string(round) + ",0";
        if (conversation.RequestText("GetTextCursor") != expected) return round;
    }
    return -1;
}

TEST_F(DdeConversationTest, HandWrittenHostNeedsNoAcknowledgementsTaken) {
    StartServer();
    ASSERT_TRUE(conversation.Connect("PageMaker", ""));
    EXPECT_EQ(-1, FirstLostRound(conversation, 300));
    EXPECT_FALSE(conversation.ServerAddsAckAfterData());
    const auto& counters = conversation.Statistics();
    EXPECT_EQ(600u, counters.executes);
    EXPECT_EQ(300u, counters.requests);
    EXPECT_EQ(0u, counters.trailingAcks);
    EXPECT_EQ(0u, counters.releasedReplies);
    EXPECT_EQ(0u, counters.staleAckRetries);
}

TEST_F(DdeConversationTest, DdemlHostsTrailingAcknowledgementsAndBlocksAreTakenCareOf) {
    StartServer("--ddeml");
    ASSERT_TRUE(conversation.Connect("PageMaker", ""));
    EXPECT_EQ(-1, FirstLostRound(conversation, 300));
    EXPECT_TRUE(conversation.ServerAddsAckAfterData());
    const auto& counters = conversation.Statistics();
    EXPECT_EQ(300u, counters.requests);
    EXPECT_EQ(300u, counters.trailingAcks);
    EXPECT_EQ(300u, counters.releasedReplies);
    EXPECT_EQ(0u, counters.staleAckRetries);
}

// The path real Windows takes (no Wine steps), run here where Wine's DDEML
// behaves like Windows': a hand-written host, queries, a refused query, and
// the first command of a conversation (later ones need the Wine steps).
class WindowsPathTest : public DdeConversationTest {
protected:
    DdeConversation windows{true};
    void TearDown() override {
        windows.Disconnect();
        DdeConversationTest::TearDown();
    }
};

TEST_F(WindowsPathTest, QueriesAndACommandReachAHandWrittenHost) {
    const std::string reply = "\xD0\xE5\xEF\xEB\xE8\xEA\xE0,1";  // "Реплика,1" in code page 1251
    StartServer("--reply GetStyle=" + reply);
    ASSERT_TRUE(windows.Connect("PageMaker", ""));
    EXPECT_EQ(reply, windows.RequestText("GetStyle").value_or("(nothing)"));
    EXPECT_EQ("0,1,0", windows.RequestText("GetTextCursor").value_or("(nothing)"));
    ASSERT_TRUE(windows.ExecuteText("Copy", true));
    EXPECT_FALSE(windows.ExecuteText("Paste", false));
    EXPECT_TRUE(PumpUntil([&] { return windows.ExecuteText("Paste", false); }));  // the completion cleared the mark
    EXPECT_EQ(1u, windows.Statistics().completions);
    const std::vector<std::string> expected = {"connect", "query GetStyle", "query GetTextCursor", "command Copy", "command Paste"};
    // The last command is not waited for: the host notes it when it comes.
    PumpUntil([&] { return Transcript().size() >= expected.size(); });
    EXPECT_EQ(expected, Transcript());
}

TEST_F(WindowsPathTest, RefusedQueryGivesNothingAndTheLinkStaysOpen) {
    StartServer("--refuse-queries");
    ASSERT_TRUE(windows.Connect("PageMaker", ""));
    EXPECT_EQ(std::nullopt, windows.RequestText("GetFont"));
    EXPECT_TRUE(windows.Connected());
    EXPECT_EQ(std::nullopt, windows.RequestText("GetFont"));
    EXPECT_EQ(2u, windows.Statistics().requests);
}

// Against Wine's DDEML server the Wine steps show in the counters (see
// DdemlHostsTrailingAcknowledgementsAndBlocksAreTakenCareOf); on the Windows
// path none is taken, and the first answer still arrives.
TEST_F(WindowsPathTest, TakesNoWineStepAgainstADdemlHost) {
    StartServer("--ddeml");
    ASSERT_TRUE(windows.Connect("PageMaker", ""));
    EXPECT_EQ("7", windows.RequestText("GetPMState").value_or("(nothing)"));
    EXPECT_FALSE(windows.ServerAddsAckAfterData());
    EXPECT_EQ(0u, windows.Statistics().trailingAcks);
    EXPECT_EQ(0u, windows.Statistics().releasedReplies);
}

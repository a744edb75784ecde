// Readers and action queries against a scripted host: what each reads from
// its reply, the reading windows on both sides, outputs written up to a
// failure, and the queries' independence of the command switches.
#include <cmath>

#include "tests/pmdde/scripted_host.h"

namespace {

constexpr float kRealSentinel = -777.25f;
constexpr int32_t kIntSentinel = static_cast<int32_t>(0xDEADBEEF);
constexpr uint8_t kByteSentinel = 0xAB;

class QueriesTest : public HostedPmDDE {};

TEST_F(QueriesTest, SizeReadsOneNumber) {
    host.queued["GetSize"] = {"12.5", "12,0", ""};
    EXPECT_EQ(pm.GetSize(), 12.5f);
    EXPECT_EQ(pm.GetSize(), 12.0f);
    EXPECT_EQ(MessageOf<EPmCantExecuteQuery>([&] { pm.GetSize(); }), "Не могу получить данные от PageMaker - GetSize");
}

TEST_F(QueriesTest, TrackIsTruncatedTowardZero) {
    host.queued["GetTrack"] = {"2.9", "-1.5"};
    EXPECT_EQ(pm.GetTrack(), 2);
    EXPECT_EQ(pm.GetTrack(), -1);
}

TEST_F(QueriesTest, LeadingAndWidthReadNegativeNumbers) {
    host.replies["GetLeading"] = "-1";
    host.replies["GetWidth"] = "95.5,0";
    EXPECT_EQ(pm.GetLeading(), -1.0f);
    EXPECT_EQ(pm.GetWidth(), 95.5f);
}

TEST_F(QueriesTest, LockGuidesReadsOnlyFiveCharacters) {
    host.queued["GetLockGuides"] = {"1", "12345", "123456", "12345678"};
    EXPECT_EQ(pm.GetLockGuides(), 1);
    EXPECT_EQ(pm.GetLockGuides(), 12345);
    EXPECT_EQ(pm.GetLockGuides(), 12345);
    EXPECT_EQ(pm.GetLockGuides(), 12345);
    host.replies["GetSnapToGuides"] = "0,1";
    EXPECT_EQ(pm.GetSnapToGuides(), 0);
}

TEST_F(QueriesTest, LockReadsTenCharacters) {
    // Read whole, the eleven digits would not fit 32 bits.
    host.queued["GetLock"] = {"0,7,8", "1000000000", "10000000009"};
    EXPECT_EQ(pm.GetLock(), 0);
    EXPECT_EQ(pm.GetLock(), 1000000000);
    EXPECT_EQ(pm.GetLock(), 1000000000);
}

TEST_F(QueriesTest, TypeOptionsReadsFiveRealsAndALowByte) {
    host.replies["GetTypeOptions"] = "1.5,-2,3.25,4,5.5,300";
    float r[5] = {kRealSentinel, kRealSentinel, kRealSentinel, kRealSentinel, kRealSentinel};
    uint8_t b = kByteSentinel;
    pm.GetTypeOptions(r[0], r[1], r[2], r[3], r[4], b);
    EXPECT_EQ(r[0], 1.5f);
    EXPECT_EQ(r[1], -2.0f);
    EXPECT_EQ(r[2], 3.25f);
    EXPECT_EQ(r[3], 4.0f);
    EXPECT_EQ(r[4], 5.5f);
    EXPECT_EQ(b, 44);
}

TEST_F(QueriesTest, TypeOptionsFailingPartWayKeepsTheOutputsWritten) {
    host.replies["GetTypeOptions"] = "1,2,3,4";
    float r[5] = {kRealSentinel, kRealSentinel, kRealSentinel, kRealSentinel, kRealSentinel};
    uint8_t b = kByteSentinel;
    EXPECT_EQ(MessageOf<EPmCantExtractNumber>([&] { pm.GetTypeOptions(r[0], r[1], r[2], r[3], r[4], b); }),
              "Невозможно извлечь числовое значение из строки 1,2,3,4, с позиции 9 до 10");
    EXPECT_EQ(r[0], 1.0f);
    EXPECT_EQ(r[3], 4.0f);
    EXPECT_EQ(r[4], kRealSentinel);
    EXPECT_EQ(b, kByteSentinel);
}

TEST_F(QueriesTest, FontAndStyleAppendTheQuotedText) {
    host.replies["GetFont"] = "\"Times\"";
    host.replies["GetStyle"] = "\"Body, first\",3";
    std::string font, prefixed = "abc", style;
    pm.GetFont(font);
    pm.GetFont(prefixed);
    pm.GetStyle(style);
    EXPECT_EQ(font, "Times");
    EXPECT_EQ(prefixed, "abcTimes");
    EXPECT_EQ(style, "Body, first");
}

TEST_F(QueriesTest, ReplyWithoutQuotesLeavesTheTextAsItWas) {
    host.replies["GetFont"] = "12";
    std::string font = "sentinel";
    pm.GetFont(font);
    EXPECT_EQ(font, "sentinel");
}

TEST_F(QueriesTest, MasterPageGivesTheReplyUnread) {
    host.replies["GetMasterPage"] = "\"A-Master\",1,\"x,\"y";
    std::string text = "sentinel";
    pm.GetMasterPage(text);
    EXPECT_EQ(text, "\"A-Master\",1,\"x,\"y");
}

TEST_F(QueriesTest, TextCursorReadsThreeIntegersInOrder) {
    host.replies["GetTextCursor"] = "3,10,20";
    int32_t a = kIntSentinel, b = kIntSentinel, c = kIntSentinel;
    pm.GetTextCursor(a, b, c);
    EXPECT_EQ(a, 3);
    EXPECT_EQ(b, 10);
    EXPECT_EQ(c, 20);
}

TEST_F(QueriesTest, PageRectReadsWithinFiftyCharacters) {
    // 50 characters hold the fourth number's first two digits only.
    const std::string field = std::string(12, ' ') + "1.5,";
    host.replies["GetPageRect"] = field + field + field + "42.125";
    float r[4] = {kRealSentinel, kRealSentinel, kRealSentinel, kRealSentinel};
    pm.GetPageRect(r[0], r[1], r[2], r[3]);
    EXPECT_EQ(r[0], 1.5f);
    EXPECT_EQ(r[2], 1.5f);
    EXPECT_EQ(r[3], 42.0f);
}

TEST_F(QueriesTest, PageRectNumberCutOffEntirelyRaises) {
    host.replies["GetPageRect"] = std::string(15, ' ') + "1," + std::string(15, ' ') + "2," + std::string(15, ' ') +
                                  "3,4";
    float r[4] = {kRealSentinel, kRealSentinel, kRealSentinel, kRealSentinel};
    EXPECT_THROW(pm.GetPageRect(r[0], r[1], r[2], r[3]), EPmCantExtractNumber);
    EXPECT_EQ(r[2], 3.0f);
    EXPECT_EQ(r[3], kRealSentinel);
}

TEST_F(QueriesTest, ChangeReturnsTheFirstNumberOfItsWindow) {
    host.queued["Change \"a\" \"b\" -1 0 1 2 3"] = {"4", "7," + std::string(50, 'x'), std::string(45, 'x')};
    EXPECT_EQ(pm.Change("a", "b", -1, 0, 1, 2, 3), 4);
    EXPECT_EQ(pm.Change("a", "b", -1, 0, 1, 2, 3), 7);
    // The failure names the reply as read: its first 40 characters.
    EXPECT_EQ(MessageOf<EPmCantExtractNumber>([&] { pm.Change("a", "b", -1, 0, 1, 2, 3); }),
              "Невозможно извлечь числовое значение из строки " + std::string(40, 'x') + ", с позиции 1 до 42");
}

TEST_F(QueriesTest, Change2AsksTheSameQueryAsChange) {
    host.anyReply = "5";
    EXPECT_EQ(pm.Change2("x y", "z", 1, 2, 3, 4, 5), 5);
    EXPECT_EQ(Last(), "ask Change \"x y\" \"z\" 1 2 3 4 5");
}

TEST_F(QueriesTest, ActionQueriesKeepTheirFinalBlank) {
    host.anyReply = "1";
    pm.ChangeWindow(2);
    EXPECT_EQ(Last(), "ask ChangeWindow 2 ");
    pm.DisplaySpecial(-1);
    EXPECT_EQ(Last(), "ask DisplaySpecial -1 ");
    pm.ChangeParaAttr2(1.5f, -2, "Body", 7);
    EXPECT_EQ(Last(), "ask ChangeParaAttr2 1.50 -2 \"Body\" 7 ");
}

TEST_F(QueriesTest, ActionQueriesUseTheProcessDecimalSeparator) {
    host.anyReply = "1";
    platform::ProcessNumberFormat() = platform::NumberFormat{',', ' '};
    pm.ChangeParaAttr1("Body", 1.5f, -2, 3, -4, 5);
    EXPECT_EQ(Last(), "ask ChangeParaAttr1 \"Body\" 1,50 -2,00 3 -4 5");
}

TEST_F(QueriesTest, ActionQueryWithoutANumberRaisesAfterItWasAsked) {
    host.anyReply = "\"done\"";
    EXPECT_THROW(pm.CloseStory(1), EPmCantExtractNumber);
    EXPECT_EQ(Last(), "ask CloseStory 1 ");
}

TEST_F(QueriesTest, QueriesIgnoreTryModeAndTheBusyWait) {
    pm.SetTryMode65(true);
    pm.LongOperation = true;
    host.anyReply = "3";
    EXPECT_EQ(pm.ChangeNext(), 3);
    EXPECT_EQ(pm.GetTrack(), 3);
    const std::vector<std::string> expected = {"ask ChangeNext", "ask GetTrack"};
    EXPECT_EQ(host.log, expected);
}

TEST_F(QueriesTest, RefusedQueryStoresNothing) {
    int32_t a = kIntSentinel, b = kIntSentinel, c = kIntSentinel;
    EXPECT_EQ(MessageOf<EPmCantExecuteQuery>([&] { pm.GetTextCursor(a, b, c); }),
              "Не могу получить данные от PageMaker - GetTextCursor");
    EXPECT_EQ(a, kIntSentinel);
    EXPECT_EQ(c, kIntSentinel);
}

}  // namespace

// The reply scanners as pure functions of a reply and a position: where each
// one leaves the position, the number grammar and its bounds, quoted texts,
// and the exact failure message.
#include <gtest/gtest.h>

#include <climits>

#include "platform/locale.h"
#include "pmdde/exceptions.h"
#include "pmdde/replies.h"

namespace {

class RepliesTest : public ::testing::Test {
protected:
    // One field read from position 1 by `scanner`; nothing when it is refused.
    template <class T>
    static std::optional<T> Read(T (*scanner)(const std::string&, int&), const std::string& reply) {
        int pos = 1;
        try {
            return scanner(reply, pos);
        } catch (const EPmCantExtractNumber&) {
            return std::nullopt;
        }
    }
    static std::optional<float> Number(const std::string& reply) { return Read(&replies::ExtractNumber, reply); }
    static std::optional<int32_t> Integer(const std::string& reply) { return Read(&replies::ExtractInteger, reply); }
    static std::string Quoted(const std::string& reply, int& pos, std::string text = "") {
        replies::ExtractQuoted(reply, pos, text);
        return text;
    }
};

TEST_F(RepliesTest, NextFieldStopsAtEachCommaAndStepsPastIt) {
    int pos = 1;
    EXPECT_EQ(replies::NextField("12,34", pos), "12");
    EXPECT_EQ(pos, 4);
    EXPECT_EQ(replies::NextField("12,34", pos), "34");
    EXPECT_EQ(pos, 7);
    EXPECT_EQ(replies::NextField("12,34", pos), "");
    EXPECT_EQ(pos, 8);
}

TEST_F(RepliesTest, NextFieldOnACommaOrPastTheEndGivesAnEmptyField) {
    int pos = 1;
    EXPECT_EQ(replies::NextField(",x", pos), "");
    EXPECT_EQ(pos, 2);
    pos = 40;
    EXPECT_EQ(replies::NextField("abc", pos), "");
    EXPECT_EQ(pos, 41);
    pos = INT_MAX;
    EXPECT_EQ(replies::NextField("abc", pos), "");
    EXPECT_EQ(pos, INT_MAX);
}

TEST_F(RepliesTest, NumbersFollowTheStrictGrammar) {
    EXPECT_EQ(Number(" 2.5"), 2.5f);
    EXPECT_EQ(Number("   -3.75"), -3.75f);
    EXPECT_EQ(Number("+1.5e2"), 150.0f);
    EXPECT_EQ(Number("2E-1"), 0.2f);
    EXPECT_EQ(Number(".5"), 0.5f);
    EXPECT_EQ(Number("7,8"), 7.0f);
    // Refused: a trailing blank, a point as the last character, empty fields,
    // lone signs, a bare exponent, other blanks than the space, other characters.
    for (const char* bad : {"2.5 ", "2.", "", "   ", "-", "+", "1e", "1e+", "e5", "\t1", "1x", "0x10", "1.5.2", "--1"})
        EXPECT_EQ(Number(bad), std::nullopt) << "field \"" << bad << "\"";
}

TEST_F(RepliesTest, NumbersIgnoreTheProcessDecimalSeparator) {
    const platform::NumberFormat saved = platform::ProcessNumberFormat();
    platform::ProcessNumberFormat() = platform::NumberFormat{',', ' '};
    EXPECT_EQ(Number("2.5"), 2.5f);
    int pos = 1;
    EXPECT_EQ(replies::ExtractNumber("2,5", pos), 2.0f);
    EXPECT_EQ(pos, 3);
    platform::ProcessNumberFormat() = saved;
}

TEST_F(RepliesTest, OnlyTheFirstTwentyCharactersOfAFieldCount) {
    // 25 digits are read as their first 20.
    EXPECT_EQ(Number("1234567890123456789012345"), 12345678901234567890.0f);
    // A bad character at 21 is never seen; at 20 it is.
    EXPECT_EQ(Number("1234567890123456789" "0x"), 12345678901234567890.0f);
    EXPECT_EQ(Number("1234567890123456789x"), std::nullopt);
    // Twenty blanks before the digits leave nothing but blanks.
    EXPECT_EQ(Number(std::string(19, ' ') + "5"), 5.0f);
    EXPECT_EQ(Number(std::string(20, ' ') + "5"), std::nullopt);
}

TEST_F(RepliesTest, NumbersOutsideSinglePrecisionAreRefused) {
    EXPECT_EQ(Number("3.4e38"), 3.4e38f);
    EXPECT_EQ(Number("-3.4e38"), -3.4e38f);
    EXPECT_EQ(Number("1e39"), std::nullopt);
    EXPECT_EQ(Number("-1e39"), std::nullopt);
}

TEST_F(RepliesTest, IntegersAreTruncatedTowardZero) {
    EXPECT_EQ(Integer("12.9"), 12);
    EXPECT_EQ(Integer("-3.7"), -3);
    EXPECT_EQ(Integer("-0.5"), 0);
    EXPECT_EQ(Integer("1e3"), 1000);
}

TEST_F(RepliesTest, IntegersOutside32BitsAreRefused) {
    // The single-precision neighbours of 2^31 on both sides.
    EXPECT_EQ(Integer("2147483520"), 2147483520);
    EXPECT_EQ(Integer("2147483648"), std::nullopt);
    EXPECT_EQ(Integer("-2147483648"), INT32_MIN);
    EXPECT_EQ(Integer("-2147483904"), std::nullopt);
    EXPECT_EQ(Integer("1234567890123456789012345"), std::nullopt);
}

TEST_F(RepliesTest, FailureNamesTheReplyTheFieldStartAndThePositionAfterIt) {
    int pos = 4;
    const std::string message = [&] {
        try {
            replies::ExtractNumber("12,ab,3", pos);
        } catch (const EPmCantExtractNumber& e) {
            return e.Message();
        }
        return std::string("<no exception>");
    }();
    EXPECT_EQ(message, "Невозможно извлечь числовое значение из строки 12,ab,3, с позиции 4 до 7");
}

TEST_F(RepliesTest, FailurePastTheEndNamesBothPositions) {
    int pos = 6;
    try {
        replies::ExtractInteger("1,2,3", pos);
        ADD_FAILURE() << "expected EPmCantExtractNumber, got a value";
    } catch (const EPmCantExtractNumber& e) {
        EXPECT_EQ(e.Message(), "Невозможно извлечь числовое значение из строки 1,2,3, с позиции 6 до 7");
    }
}

TEST_F(RepliesTest, QuotedTextLeavesThePositionOnTheNextField) {
    const std::string reply = "\"Times\",12";
    int pos = 1;
    EXPECT_EQ(Quoted(reply, pos), "Times");
    EXPECT_EQ(pos, 9);
    EXPECT_EQ(replies::ExtractInteger(reply, pos), 12);
}

TEST_F(RepliesTest, QuotedTextIsAppendedAndKeepsItsCommas) {
    int pos = 1;
    EXPECT_EQ(Quoted("\"a,b\",1", pos, "abc"), "abca,b");
    pos = 1;
    EXPECT_EQ(Quoted("  x \"\",5", pos, "keep"), "keep");
    EXPECT_EQ(pos, 8);
}

TEST_F(RepliesTest, UnterminatedQuoteLosesTheLastCharacter) {
    int pos = 1;
    EXPECT_EQ(Quoted("\"Times", pos), "Time");
    EXPECT_EQ(pos, 8);
}

TEST_F(RepliesTest, NoOpeningQuoteBeforeTheLastCharacterReadsNothing) {
    int pos = 1;
    EXPECT_EQ(Quoted("12,34", pos, "s"), "s");
    EXPECT_EQ(pos, 5);
    pos = 1;
    EXPECT_EQ(Quoted("abc\"", pos, "s"), "s");
    EXPECT_EQ(pos, 4);
    // At or past the last character nothing moves.
    pos = 4;
    EXPECT_EQ(Quoted("\"ab\"", pos, "s"), "s");
    EXPECT_EQ(pos, 4);
    pos = 100;
    EXPECT_EQ(Quoted("\"ab\"", pos, "s"), "s");
    EXPECT_EQ(pos, 100);
}

TEST_F(RepliesTest, PositionsBelowOneStartAtTheFirstCharacter) {
    int pos = 0;
    EXPECT_EQ(replies::NextField("5,6", pos), "5");
    EXPECT_EQ(pos, 3);
    pos = -7;
    EXPECT_EQ(Quoted("\"x\"", pos), "x");
}

}  // namespace

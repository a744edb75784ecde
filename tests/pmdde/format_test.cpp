// Number formats of command texts (%f, %3.0f, %n, %g) from single-precision
// values with the process's separators, and composing a whole text (the
// placeholders, kinds and the 4096-character limit).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/exception.h"
#include "platform/locale.h"
#include "pmdde/format.h"

namespace {

class FormatTest : public ::testing::Test {
protected:
    FormatTest() : saved_(platform::ProcessNumberFormat()) { Separators('.', ','); }
    ~FormatTest() override { platform::ProcessNumberFormat() = saved_; }
    static void Separators(char decimal, char thousands) {
        platform::ProcessNumberFormat() = platform::NumberFormat{decimal, thousands};
    }
    static std::string ConvertMessage(std::string_view fmt, std::initializer_list<FormatArg> args) {
        try {
            format::Compose(fmt, args);
        } catch (const EConvertError& e) {
            return e.Message();
        }
        return "<no exception>";
    }

private:
    platform::NumberFormat saved_;
};

TEST_F(FormatTest, FixedHasTwoDecimalsRoundedHalfAwayFromZero) {
    EXPECT_EQ(format::Fixed(10, 2), "10.00");
    EXPECT_EQ(format::Fixed(-2, 2), "-2.00");
    EXPECT_EQ(format::Fixed(0.05f, 2), "0.05");
    EXPECT_EQ(format::Fixed(0.1f, 2), "0.10");
    EXPECT_EQ(format::Fixed(0.125f, 2), "0.13");
    EXPECT_EQ(format::Fixed(-0.125f, 2), "-0.13");
    // The single-precision value is rounded, not its decimal spelling.
    EXPECT_EQ(format::Fixed(2.675f, 2), "2.67");
    EXPECT_EQ(format::Fixed(0.995f, 2), "1.00");
    EXPECT_EQ(format::Fixed(1234567, 2), "1234567.00");
}

TEST_F(FormatTest, RoundedIsAWholeNumberPaddedToThree) {
    EXPECT_EQ(format::Rounded(5, 3), "  5");
    EXPECT_EQ(format::Rounded(95, 3), " 95");
    EXPECT_EQ(format::Rounded(1200, 3), "1200");
    EXPECT_EQ(format::Rounded(-5, 3), " -5");
    EXPECT_EQ(format::Rounded(0.4f, 3), "  0");
    EXPECT_EQ(format::Rounded(999.5f, 3), "1000");
    EXPECT_EQ(format::Rounded(-999.5f, 3), "-1000");
}

TEST_F(FormatTest, GroupedSeparatesThousands) {
    EXPECT_EQ(format::Grouped(1234.5f), "1,234.50");
    EXPECT_EQ(format::Grouped(999.5f), "999.50");
    EXPECT_EQ(format::Grouped(1000), "1,000.00");
    EXPECT_EQ(format::Grouped(1234567), "1,234,567.00");
    EXPECT_EQ(format::Grouped(-1234.5f), "-1,234.50");
}

TEST_F(FormatTest, GeneralIsTheShortestFormWithFifteenDigits) {
    EXPECT_EQ(format::General(100), "100");
    EXPECT_EQ(format::General(95.5f), "95.5");
    EXPECT_EQ(format::General(0), "0");
    EXPECT_EQ(format::General(-0.0f), "0");
    EXPECT_EQ(format::General(-2.5f), "-2.5");
    EXPECT_EQ(format::General(0.1f), "0.100000001490116");
    EXPECT_EQ(format::General(std::ldexp(1.0f, -16)), "1.52587890625E-5");
    EXPECT_EQ(format::General(std::numeric_limits<float>::denorm_min()), "1.40129846432482E-45");
}

TEST_F(FormatTest, GeneralSwitchesToScientificOutsideItsRange) {
    // The float nearest 0.0001 lies below it; the next one up is fixed.
    EXPECT_EQ(format::General(1e-4f), "9.99999974737875E-5");
    EXPECT_EQ(format::General(std::nextafter(1e-4f, 1.0f)), "0.000100000004749745");
    // The float nearest 10^15 lies below it; the next one up is scientific.
    EXPECT_EQ(format::General(1e15f), "999999986991104");
    EXPECT_EQ(format::General(std::nextafter(1e15f, 1e30f)), "1.00000005409997E15");
}

TEST_F(FormatTest, SeparatorsAreReadAtEachCall) {
    Separators(',', ' ');
    EXPECT_EQ(format::Fixed(10, 2), "10,00");
    EXPECT_EQ(format::Grouped(1234.5f), "1 234,50");
    EXPECT_EQ(format::General(95.5f), "95,5");
    EXPECT_EQ(format::General(std::ldexp(1.0f, -16)), "1,52587890625E-5");
    EXPECT_EQ(format::Rounded(95, 3), " 95");
    Separators('.', ',');
    EXPECT_EQ(format::Fixed(10, 2), "10.00");
}

TEST_F(FormatTest, ValuesThatAreNotFiniteAreWords) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(format::Fixed(inf, 2), "INF");
    EXPECT_EQ(format::Fixed(-inf, 2), "-INF");
    EXPECT_EQ(format::Grouped(nan), "NAN");
    EXPECT_EQ(format::Rounded(inf, 3), "INF");
    EXPECT_EQ(format::General(-inf), "-INF");
    EXPECT_EQ(format::Compose("Size %f", {nan}), "Size NAN");
}

TEST_F(FormatTest, ComposeFillsEachPlaceholderInOrder) {
    const std::string text = "a \"b\"";
    EXPECT_EQ(format::Compose("X \"%s\" %d %d %d %f %3.0f %n %g %%",
                              {text, int32_t{-7}, int8_t{-128}, uint8_t{255}, 1.5f, 95.0f, 1234.5f, 95.5f}),
              "X \"a \"b\"\" -7 -128 255 1.50  95 1,234.50 95.5 %");
    EXPECT_EQ(format::Compose("ChangeNext", {}), "ChangeNext");
}

TEST_F(FormatTest, ComposeRefusesAMissingOrMismatchedArgument) {
    const std::string incompatible = "Формат «Size %f» неверен или не подходит к значению";
    EXPECT_EQ(ConvertMessage("Size %f", {int32_t{1}}), incompatible);
    EXPECT_EQ(ConvertMessage("Size %f", {}), incompatible);
    EXPECT_EQ(ConvertMessage("Tool %x", {int32_t{1}}), "Формат «Tool %x» неверен или не подходит к значению");
}

TEST_F(FormatTest, ComposedTextMayHoldAtMost4096Characters) {
    // "Font \"" and "\"" take 7 characters.
    const std::string fits(4096 - 7, 'x'), over(4096 - 6, 'x');
    EXPECT_EQ(format::Compose("Font \"%s\"", {fits}).size(), 4096u);
    EXPECT_EQ(ConvertMessage("Font \"%s\"", {over}), "Format result longer than 4096 characters");
    // The limit holds for the literal part behind the last placeholder too.
    EXPECT_EQ(ConvertMessage("Font \"%s\"xx", {std::string(4096 - 8, 'x')}),
              "Format result longer than 4096 characters");
}

TEST_F(FormatTest, BoundedTextsKeepTheirFirstCharacters) {
    EXPECT_EQ(ShortText(std::string(255, 'a')).str().size(), 255u);
    EXPECT_EQ(ShortText(std::string(256, 'a')).str().size(), 255u);
    EXPECT_EQ(BoundedText<40>("0123456789012345678901234567890123456789xyz").str(),
              "0123456789012345678901234567890123456789");
    EXPECT_EQ(ShortText("short").str(), "short");
}

}  // namespace

#include "core/Angles.h"
#include "core/Rounding.h"

#include <gtest/gtest.h>

using namespace velumbra;

TEST(RoundDown, WholeOddLosesOneWholeEvenStays)
{
    EXPECT_EQ(RoundDown(41), 40);
    EXPECT_EQ(RoundDown(42), 42);
    EXPECT_EQ(RoundDown(40.7), 40);
    EXPECT_EQ(RoundDown(1), 0);
    EXPECT_EQ(RoundDown(3), 2);
    EXPECT_EQ(RoundDown(0), 0);
    EXPECT_EQ(RoundDown(2.6), 2);
    EXPECT_EQ(RoundDown(2.51), 2);
    EXPECT_EQ(RoundDown(-1), -2);
    EXPECT_EQ(RoundDown(33), 32);
    EXPECT_EQ(RoundDown(320), 320);
}

TEST(FormatDMS, PositiveAngle)
{
    EXPECT_EQ(FormatDMS(3725.5), QStringLiteral("  1°  2' 5.50\""));
    EXPECT_EQ(FormatDMS(0), QStringLiteral("  0°  0' 0.00\""));
    EXPECT_EQ(FormatDMS(45296.25), QStringLiteral(" 12° 34' 56.25\""));
    EXPECT_EQ(FormatDMS(360000), QStringLiteral("100°  0' 0.00\""));
}

TEST(FormatDMS, NegativeDegreesShowAbsoluteMinutesAndSeconds)
{
    EXPECT_EQ(FormatDMS(-3725.5), QStringLiteral(" -1°  2' 5.50\""));
}

TEST(FormatDMS, NegativeMinutesUnderOneDegreeShowAbsoluteSeconds)
{
    EXPECT_EQ(FormatDMS(-65.5), QStringLiteral("  0° -1' 5.50\""));
}

TEST(FormatDMS, NegativeSecondsUnderOneMinuteKeepTheirSign)
{
    EXPECT_EQ(FormatDMS(-30), QStringLiteral("  0°  0' -30.00\""));
}

TEST(ImageAngles, DirectionFromXTowardsDownwardY)
{
    EXPECT_DOUBLE_EQ(vectorAngleDegrees(0, 0), 0.0);
    EXPECT_DOUBLE_EQ(vectorAngleDegrees(1, 0), 0.0);
    EXPECT_DOUBLE_EQ(vectorAngleDegrees(0, 1), 90.0);
    EXPECT_DOUBLE_EQ(vectorAngleDegrees(-1, 0), 180.0);
    EXPECT_DOUBLE_EQ(vectorAngleDegrees(0, -1), 270.0);
}


namespace velumbra {
namespace {

// Typed coordinates for a GOTO: the usual ways to write them, and what is
// refused (out of range, minutes or seconds of 60, a decimal part before
// minutes, stray text).
TEST(TypedCoordinates, RightAscensionAndDeclinationAreReadOrRefused)
{
    const struct {
        const char* text;
        bool ra; // read as a right ascension, else as a declination
        std::optional<double> value;
    } cases[] = {
        {"5:35:17.3", true, 5 + 35 / 60.0 + 17.3 / 3600},
        {"05h35m17s", true, 5 + 35 / 60.0 + 17 / 3600.0},
        {"5 35 17", true, 5 + 35 / 60.0 + 17 / 3600.0},
        {"5h35m", true, 5 + 35 / 60.0},
        {" 5.588 ", true, 5.588},
        {"0", true, 0.0},
        {"24:00:00", true, std::nullopt},
        {"-1:00", true, std::nullopt},
        {"5:60:00", true, std::nullopt},
        {"5.5:10", true, std::nullopt},
        {"abc", true, std::nullopt},
        {"", true, std::nullopt},
        {"-5°23'28\"", false, -(5 + 23 / 60.0 + 28 / 3600.0)},
        {"+22 00", false, 22.0},
        {"-0:30:00", false, -0.5},
        {"-05:23:28", false, -(5 + 23 / 60.0 + 28 / 3600.0)},
        {"89,5", false, 89.5},
        {"90:00:01", false, std::nullopt},
        {"-91", false, std::nullopt},
        {"12:30:60", false, std::nullopt},
        {"1-2", false, std::nullopt},
    };
    for (const auto& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        const std::optional<double> got = c.ra ? parseRightAscension(text) : parseDeclination(text);
        ASSERT_EQ(got.has_value(), c.value.has_value()) << c.text;
        if (got) {
            EXPECT_NEAR(*got, *c.value, 1e-9) << c.text;
        }
    }
}

TEST(TypedCoordinates, FormattedPositionsRoundOnceAndReadBack)
{
    EXPECT_EQ(formatRightAscension(5 + 35 / 60.0 + 17.4 / 3600), QStringLiteral("05h35m17s"));
    EXPECT_EQ(formatRightAscension(23.99999), QStringLiteral("00h00m00s")); // 23:59:59.96 rounds to a new day
    EXPECT_EQ(formatRightAscension(-1), QStringLiteral("23h00m00s"));
    EXPECT_EQ(formatDeclination(-(5 + 23 / 60.0 + 28 / 3600.0)), QStringLiteral("-05°23'28\""));
    EXPECT_EQ(formatDeclination(59.99999999), QStringLiteral("+60°00'00\""));
    EXPECT_EQ(formatDeclination(-0.0000001), QStringLiteral("+00°00'00\""));
    for (double dec : {-89.5, -12.3456, 0.0, 45.25, 90.0}) {
        const std::optional<double> back = parseDeclination(formatDeclination(dec));
        ASSERT_TRUE(back) << dec;
        EXPECT_NEAR(*back, dec, 1.0 / 3600) << dec;
    }
}

} // namespace
} // namespace velumbra

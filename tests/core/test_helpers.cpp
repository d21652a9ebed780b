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


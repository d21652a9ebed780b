// Total focal length, sampling, field of view and the measured pixel size,
// with the optics profile's read-back rules.
#include "IniFixture.h"
#include "settings/Optics.h"

#include <cmath>
#include <limits>

namespace velumbra::test {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

OpticsControls optics(double focal, bool barlowOn, double barlow, bool reducerOn, double reducer)
{
    OpticsControls o;
    o.TNI_Focale = focal;
    o.CKB_Barlow = barlowOn;
    o.TNI_Barlow = barlow;
    o.CKB_Reducteur = reducerOn;
    o.TNI_Reducteur = reducer;
    return o;
}

CameraControls camera(double pixel, double givenAtWidth)
{
    CameraControls c;
    c.TNI_Larg_Pix = pixel;
    c.TNI_NbPix_X = givenAtWidth;
    return c;
}

TEST(Optics, EffectiveFocalMultipliesTheCheckedFactors)
{
    struct Case {
        const char* what;
        OpticsControls in;
        double expected;
    };
    const Case cases[] = {
        {"Barlow and reducer", optics(2000, true, 2.0, true, 0.63), 2520},
        {"Barlow only", optics(2000, true, 2.0, false, 0.63), 4000},
        {"reducer only", optics(2000, false, 2.0, true, 0.63), 1260},
        {"neither", optics(2000, false, 2.0, false, 0.63), 2000},
        {"unchecked factors are ignored even when absurd", optics(1000, false, 0, false, -3), 1000},
        {"Barlow 3x on 800 mm", optics(800, true, 3.0, false, 0.5), 2400},
        // Values the fields never let through are held to their ranges.
        {"focal 0 counts as 1 mm", optics(0, false, 2, false, 1), 1},
        {"negative focal counts as 1 mm", optics(-500, true, 2, false, 1), 2},
        {"Barlow below 1 counts as 1", optics(2000, true, 0.5, false, 1), 2000},
        {"Barlow 500 counts as 10", optics(2000, true, 500, false, 1), 20000},
        {"reducer 0 counts as 0.01", optics(2000, false, 2, true, 0), 20},
        {"reducer 5 counts as 1", optics(2000, false, 2, true, 5), 2000},
        {"focal NaN takes the initial 2000", optics(kNaN, false, 2, false, 1), 2000},
        {"Barlow NaN takes the initial 2.0", optics(1000, true, kNaN, false, 1), 2000},
        {"reducer NaN takes the initial 0.63", optics(1000, false, 2, true, kNaN), 630},
    };
    for (const Case& c : cases) EXPECT_NEAR(ComputeEffectiveFocal(c.in), c.expected, 1e-9) << c.what;
}

TEST(Optics, PixelSizeScalesToTheImageWidth)
{
    struct Case {
        double pixel, givenAt;
        int width;
        double expected;
    };
    const Case cases[] = {
        {5.6, 640, 320, 11.2}, {7.4, 640, 640, 7.4}, {7.4, 640, 1280, 3.7}, {9.0, 320, 800, 3.6},
        {7.4, 640, 0, 0},      {7.4, 640, -320, 0},  {0, 640, 640, 0},      {-7.4, 640, 640, 0},
        {7.4, 0, 640, 0},      {kNaN, 640, 640, 0},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(scaledPixelSize(camera(c.pixel, c.givenAt), c.width), c.expected, 1e-12)
            << c.pixel << " um at " << c.givenAt << ", image " << c.width;
}

TEST(Optics, SamplingAndFieldOfView)
{
    struct Case {
        double pixel, givenAt, focal;
        int width, height;
        double sampling, fieldX, fieldY;
        FieldUnit unit;
    };
    const Case cases[] = {
        // 7.4 um at 2000 mm: 0.7632"/pixel, 488.4" x 366.3" shown in minutes.
        {7.4, 640, 2000, 640, 480, 0.7632, 8.14, 6.105, FieldUnit::Minutes},
        // 5.6 um given at 640 on a 320-wide image counts as 11.2 um.
        {5.6, 640, 2000, 320, 240, 1.1551, 6.160, 4.620, FieldUnit::Minutes},
        // Long focal: a small field stays in seconds.
        {5.6, 160, 20000, 100, 100, 0.092407, 9.2407, 9.2407, FieldUnit::Seconds},
        // Short focal: the field passes two degrees.
        {7.4, 640, 100, 640, 480, 15.2636, 2.7135, 2.0351, FieldUnit::Degrees},
    };
    for (const Case& c : cases) {
        const auto r = ComputeSampling(camera(c.pixel, c.givenAt), c.focal, c.width, c.height);
        ASSERT_TRUE(r.has_value()) << c.focal;
        EXPECT_NEAR(r->TNI_Echantillonnage, c.sampling, 5e-5 * std::max(1.0, c.sampling)) << c.focal;
        EXPECT_NEAR(r->TNI_ChampX, c.fieldX, 5e-3) << c.focal;
        EXPECT_NEAR(r->TNI_ChampY, c.fieldY, 5e-3) << c.focal;
        EXPECT_EQ(r->unit, c.unit) << c.focal;
    }
}

TEST(Optics, FieldUnitSwitchesAboveTwoMinutesAndTwoDegrees)
{
    struct Case {
        double fieldX;
        double shownX;
        FieldUnit unit;
        const char* caption;
    };
    const Case cases[] = {
        {0, 0, FieldUnit::Seconds, "(Secondes)"},
        {120, 120, FieldUnit::Seconds, "(Secondes)"},
        {120.06, 2.001, FieldUnit::Minutes, "(Minutes)"},
        {7200, 120, FieldUnit::Minutes, "(Minutes)"},
        {7200.36, 2.0001, FieldUnit::Degrees, "(Degrés)"},
        {36000, 10, FieldUnit::Degrees, "(Degrés)"},
    };
    for (const Case& c : cases) {
        // The height follows the width's unit even when it alone would not.
        const SamplingResult r = fieldInUnit(1.0, c.fieldX, 90);
        EXPECT_NEAR(r.TNI_ChampX, c.shownX, 1e-9) << c.fieldX;
        EXPECT_NEAR(r.TNI_ChampY * c.fieldX, 90 * c.shownX, 1e-6) << c.fieldX;
        EXPECT_EQ(r.unit, c.unit) << c.fieldX;
        EXPECT_EQ(fieldUnitCaption(r.unit), QString::fromUtf8(c.caption)) << c.fieldX;
    }
}

TEST(Optics, SamplingKeepsTheShownValuesWhenItCannotBeComputed)
{
    struct Case {
        const char* what;
        double pixel, givenAt, focal;
        int width;
    };
    const Case cases[] = {
        {"no image width yet", 7.4, 640, 2000, 0},
        {"negative image width", 7.4, 640, 2000, -640},
        {"focal 0", 7.4, 640, 0, 640},
        {"negative focal", 7.4, 640, -2000, 640},
        {"focal NaN", 7.4, 640, kNaN, 640},
        {"infinite focal", 7.4, 640, std::numeric_limits<double>::infinity(), 640},
        {"pixel size 0", 0, 640, 2000, 640},
        {"negative pixel size", -7.4, 640, 2000, 640},
        {"pixel size NaN", kNaN, 640, 2000, 640},
        {"resolution 0", 7.4, 0, 2000, 640},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(ComputeSampling(camera(c.pixel, c.givenAt), c.focal, c.width, 480).has_value()) << c.what;
}

using OpticsProfile = IniFixture;

TEST_F(OpticsProfile, ReadBackWithinTheFieldRanges)
{
    struct Case {
        QByteArray file;
        double focal, barlow, reducer;
        bool barlowOn, reducerOn;
    };
    const Case cases[] = {
        {"", 2000, 2.0, 0.63, false, false},
        {"[Optique.C8]\nFocale=2030\nBarlowChecked=1\nBarlow=2500\nReducteurChecked=1\nReducteur=630\n", 2030, 2.5,
         0.63, true, true},
        {"[Optique.C8]\nBarlow=500\nReducteur=5\n", 2000, 1.0, 0.01, false, false},
        {"[Optique.C8]\nBarlow=-2000\nReducteur=-630\n", 2000, 1.0, 0.01, false, false},
        // Refused by the fields, which keep what they held.
        {"[Optique.C8]\nFocale=0\nBarlow=20000\nReducteur=1500\n", 1250, 3.0, 0.5, false, false},
        {"[Optique.C8]\nFocale=100000\nBarlow=10001\nReducteur=1001\n", 1250, 3.0, 0.5, false, false},
        {"[Optique.C8]\nFocale=99999\nBarlow=10000\nReducteur=1000\n", 99999, 10.0, 1.0, false, false},
        {"[Optique.C8]\nFocale=abc\nBarlow=0x7D0\n", 2000, 2.0, 0.63, false, false},
        {"[Optique.Autre]\nFocale=500\n", 2000, 2.0, 0.63, false, false},
    };
    OpticsControls held;
    held.TNI_Focale = 1250;
    held.TNI_Barlow = 3.0;
    held.TNI_Reducteur = 0.5;
    for (const Case& c : cases) {
        put(c.file);
        const OpticsControls o = ReadOpticsProfile(open(), QStringLiteral("C8"), held);
        EXPECT_DOUBLE_EQ(o.TNI_Focale, c.focal) << c.file.constData();
        EXPECT_DOUBLE_EQ(o.TNI_Barlow, c.barlow) << c.file.constData();
        EXPECT_DOUBLE_EQ(o.TNI_Reducteur, c.reducer) << c.file.constData();
        EXPECT_EQ(o.CKB_Barlow, c.barlowOn) << c.file.constData();
        EXPECT_EQ(o.CKB_Reducteur, c.reducerOn) << c.file.constData();
    }
}

} // namespace
} // namespace velumbra::test

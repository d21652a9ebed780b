#include "processing/DisplayMapping.h"

#include <gtest/gtest.h>

using namespace velumbra;

namespace {

ThresholdControls thresholds(int lo, int hi)
{
    ThresholdControls s;
    s.SCB_Minimum = lo;
    s.SCB_Maximum = hi;
    return s;
}

std::array<uint8_t, 3> pixel(const DisplayMapping& m, int r, int g, int b)
{
    uint8_t bgr[3] = {1, 2, 3};
    m.pixel(r, g, b, bgr);
    return {bgr[2], bgr[1], bgr[0]};
}

} // namespace

TEST(DisplayMapping, LinearStretchBetweenTheThresholds)
{
    DisplayMapping m;
    m.prepare(thresholds(1000, 2000), {});
    EXPECT_EQ(m.level(1500), 128);
    EXPECT_EQ(m.level(999), 0);
    EXPECT_EQ(m.level(1000), 0);
    EXPECT_EQ(m.level(3000), 255);
    EXPECT_EQ(m.level(1999), 255);
    EXPECT_EQ(m.level(1996), 254);
    // A high threshold below the low one does not invert the image.
    m.prepare(thresholds(2000, 1000), {});
    EXPECT_EQ(m.level(2500), 128);
    EXPECT_EQ(m.level(1500), 0);
}

TEST(DisplayMapping, TableFollowsTheFormulaForAnyThresholds)
{
    // The table is filled by runs; every value must still map as
    // (v - lo) x 256 div span.
    DisplayMapping m;
    for (const auto& [lo, hi] : {std::pair{0, 1}, std::pair{0, 255}, std::pair{7, 300}, std::pair{1000, 2000},
                                  std::pair{65000, 65535}, std::pair{12345, 100}, std::pair{65535, 65535}}) {
        m.prepare(thresholds(lo, hi), {});
        const int span = std::max(1, std::abs(hi - lo));
        for (int v = 0; v < 65536; ++v)
            ASSERT_EQ(m.level(v), DisplayMapping::linearLevel(v, lo, span)) << lo << ".." << hi << " at " << v;
    }
}

TEST(DisplayMapping, EqualThresholdsGiveBlackOrWhite)
{
    DisplayMapping m;
    m.prepare(thresholds(1000, 1000), {});
    EXPECT_EQ(m.level(1000), 0);
    EXPECT_EQ(m.level(1001), 255);
    EXPECT_EQ(m.level(0), 0);
    EXPECT_EQ(m.level(65535), 255);
}

TEST(DisplayMapping, GreyAndColourChannels)
{
    DisplayMapping m;
    auto s = thresholds(0, 256); // level = value
    s.RDB_NB = true;
    s.RDB_Couleur = false;
    s.CKB_Red = s.CKB_Green = s.CKB_Blue = false;
    m.prepare(s, {});
    EXPECT_EQ(pixel(m, 200, 50, 100), (std::array<uint8_t, 3>{0, 0, 0}));
    s.CKB_Red = s.CKB_Blue = true;
    m.prepare(s, {});
    EXPECT_EQ(pixel(m, 200, 50, 100), (std::array<uint8_t, 3>{150, 150, 150}));
    s.CKB_Green = true;
    m.prepare(s, {});
    EXPECT_EQ(pixel(m, 200, 50, 101), (std::array<uint8_t, 3>{117, 117, 117}));
    s.RDB_NB = false;
    s.RDB_Couleur = true;
    s.CKB_Green = false;
    m.prepare(s, {});
    EXPECT_EQ(pixel(m, 200, 50, 100), (std::array<uint8_t, 3>{200, 0, 100}));
}

TEST(DisplayMapping, EqualizerIsNeutralAtFiftyAndIgnoredWhenOff)
{
    EqualizerControls eq;
    eq.CKB_EQ = true;
    DisplayMapping plain, shaped;
    plain.prepare(thresholds(100, 5100), {});
    shaped.prepare(thresholds(100, 5100), eq);
    for (int v = 0; v < 6000; v += 7) ASSERT_EQ(plain.level(v), shaped.level(v)) << v;

    eq.TRKB_EQ.fill(100);
    eq.CKB_EQ = false;
    shaped.prepare(thresholds(100, 5100), eq);
    for (int v = 0; v < 6000; v += 7) ASSERT_EQ(plain.level(v), shaped.level(v)) << v;
}

TEST(DisplayMapping, EqualizerLiftsFaintLevelsWithoutMovingTheThresholds)
{
    EqualizerControls eq;
    eq.CKB_EQ = true;
    eq.TRKB_EQ[0] = 75; // first band x2
    DisplayMapping plain, shaped;
    plain.prepare(thresholds(0, 256), {});
    shaped.prepare(thresholds(0, 256), eq);
    // The first control point (23.2) doubles; faint levels below it rise.
    EXPECT_EQ(shaped.level(23), 2 * plain.level(23));
    EXPECT_GT(shaped.level(10), plain.level(10));
    // The ends stay black and white, the upper bands are untouched.
    EXPECT_EQ(shaped.level(0), 0);
    EXPECT_EQ(shaped.level(255), 255);
    EXPECT_EQ(shaped.level(200), plain.level(200));

    eq.TRKB_EQ[9] = 0; // last band /4
    const auto curve = DisplayMapping::equalizerCurve(eq);
    EXPECT_LT(curve[232], 100);
}

TEST(Thresholds, EvolvingThresholdDoublesTheBound)
{
    ThresholdControls s;
    s.CKB_Seuils_Evol = true;
    s.thresholdRatioMax = 1.0;
    s.TNI_Max = 40000;
    s.TNI_Seuil_MaxMax = 30000;
    s.SCB_Maximum_Max = 30000;
    Thresholds::applyEvolving(s);
    EXPECT_EQ(s.SCB_Maximum, 40000);
    EXPECT_EQ(s.TNI_Seuil_Max, 40000);
    EXPECT_EQ(s.TNI_Seuil_MaxMax, 65535);
    EXPECT_EQ(s.SCB_Maximum_Max, 65535);

    // A ratio set by the user is kept as the range grows.
    s.TNI_Min = 400;
    Thresholds::SCB_MinimumScroll(s, 100, false);
    EXPECT_DOUBLE_EQ(s.thresholdRatioMin, 0.25);
    s.TNI_Min = 2000;
    Thresholds::applyEvolving(s);
    EXPECT_EQ(s.SCB_Minimum, 500);
}

TEST(Thresholds, HandlersUpdateMirrorsBoundsAndAskForRenders)
{
    ThresholdControls s;
    EXPECT_TRUE(Thresholds::SCB_MaximumScroll(s, 3000, false));
    EXPECT_EQ(s.TNI_Seuil_Max, 3000);
    EXPECT_FALSE(Thresholds::SCB_MaximumScroll(s, 3100, true)); // loading settings
    s.TNI_Seuil_Max = 1201; // RoundDown: 1200
    EXPECT_FALSE(Thresholds::TNI_Seuil_MaxExit(s, false, false));
    EXPECT_EQ(s.SCB_Maximum, 1200);
    EXPECT_TRUE(Thresholds::TNI_Seuil_MaxExit(s, false, true));
    s.TNI_Seuil_MaxMax = 1000;
    Thresholds::TNI_Seuil_MaxMaxExit(s);
    EXPECT_EQ(s.SCB_Maximum_Max, 1000);
    s.TNI_Seuil_Max = 5000; // beyond the bar: the bar keeps its bound
    Thresholds::TNI_Seuil_MaxExit(s, false, false);
    EXPECT_EQ(s.SCB_Maximum, 1000);
    s.CKB_Seuils_Evol = false;
    EXPECT_FALSE(Thresholds::CKB_Seuils_EvolClick(s, true)); // box unchecked
    s.CKB_Seuils_Evol = true;
    s.thresholdRatioMax = 3;
    EXPECT_FALSE(Thresholds::CKB_Seuils_EvolClick(s, false));
    EXPECT_TRUE(Thresholds::CKB_Seuils_EvolClick(s, true));
    EXPECT_EQ(s.thresholdRatioMax, 1.0);
}

// Whatever moves a threshold or a bound, the bar position (what the mapping
// uses) and the field agree, and both stay inside the bar's bounds.
TEST(Thresholds, BarsAndFieldsAlwaysShowTheThresholdUsed)
{
    struct Case {
        const char* what;
        void (*change)(ThresholdControls&); // checks whether a render is asked for
        int minimum, maximum;
    };
    const Case cases[] = {
        {"upper bound of the low bar below it",
         [](ThresholdControls& s) {
             s.TNI_Seuil_MinMax = 200;
             EXPECT_TRUE(Thresholds::TNI_Seuil_MinMaxExit(s));
         },
         200, 2500},
        {"lower bound of the high bar above it",
         [](ThresholdControls& s) {
             s.TNI_Seuil_MaxMin = 4000;
             EXPECT_TRUE(Thresholds::TNI_Seuil_MaxMinExit(s));
         },
         500, 4000},
        {"upper bound of the high bar below it",
         [](ThresholdControls& s) {
             s.TNI_Seuil_MaxMax = 1000;
             EXPECT_TRUE(Thresholds::TNI_Seuil_MaxMaxExit(s));
         },
         500, 1000},
        {"a bound that leaves the threshold inside",
         [](ThresholdControls& s) {
             s.TNI_Seuil_MinMin = 100;
             EXPECT_FALSE(Thresholds::TNI_Seuil_MinMinExit(s));
         },
         500, 2500},
        {"a typed threshold beyond the bound",
         [](ThresholdControls& s) {
             s.TNI_Seuil_MaxMax = 2000;
             Thresholds::TNI_Seuil_MaxMaxExit(s);
             s.TNI_Seuil_Max = 3000;
             Thresholds::TNI_Seuil_MaxExit(s, false, false);
         },
         500, 2000},
        {"evolving thresholds below the lower bounds",
         [](ThresholdControls& s) {
             s.TNI_Seuil_MaxMin = s.TNI_Seuil_MinMin = 300;
             Thresholds::TNI_Seuil_MaxMinExit(s);
             Thresholds::TNI_Seuil_MinMinExit(s);
             s.CKB_Seuils_Evol = true;
             s.TNI_Min = 10;
             s.TNI_Max = 120;
             Thresholds::applyEvolving(s);
         },
         300, 300},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        ThresholdControls s;
        s.SCB_Minimum = 500;
        s.TNI_Seuil_Min = 500;
        k.change(s);
        EXPECT_EQ(s.SCB_Minimum, k.minimum);
        EXPECT_EQ(s.SCB_Maximum, k.maximum);
        EXPECT_EQ(s.TNI_Seuil_Min, s.SCB_Minimum);
        EXPECT_EQ(s.TNI_Seuil_Max, s.SCB_Maximum);
        EXPECT_GE(s.SCB_Minimum, s.SCB_Minimum_Min);
        EXPECT_LE(s.SCB_Minimum, std::max(s.SCB_Minimum_Min, s.SCB_Minimum_Max));
        EXPECT_GE(s.SCB_Maximum, s.SCB_Maximum_Min);
        EXPECT_LE(s.SCB_Maximum, std::max(s.SCB_Maximum_Min, s.SCB_Maximum_Max));
    }
}

#include "app/LiveImageGestures.h"

#include <gtest/gtest.h>

using namespace velumbra;

namespace {

class Gestures : public ::testing::Test {
protected:
    void SetUp() override
    {
        ctx.running = true;
        ctx.imageWidth = 640;
        ctx.imageHeight = 480;
        zone.starPos = {100, 100};
        zone.zoneOffset = {5, -5};
    }
    GestureEffects click(int x, int y, Qt::MouseButton b, Qt::KeyboardModifiers k = Qt::NoModifier)
    {
        return gestures.mouseUp({x, y}, b, k, ctx, zone, flags);
    }
    LiveImageGestures gestures;
    GestureContext ctx;
    ZoneState zone;
    RunFlags flags;
};

} // namespace

TEST_F(Gestures, IgnoredWhileNoSourceRuns)
{
    ctx.running = false;
    const auto fx = click(300, 200, Qt::LeftButton);
    EXPECT_TRUE(fx.ignored);
    EXPECT_EQ(zone.starPos, (Point{100, 100}));
    EXPECT_FALSE(flags.targetActive);
}

TEST_F(Gestures, RightClickCentresTheDisplayZoneOnTheClick)
{
    click(300, 200, Qt::RightButton);
    EXPECT_EQ(zone.prevZoneOffset, (Point{5, -5}));
    EXPECT_EQ(zone.zoneOffset, (Point{200, 100}));
    EXPECT_EQ(zone.starPos, (Point{100, 100}));
}

TEST_F(Gestures, ShiftRightCentresOnTheImageCentre)
{
    click(300, 200, Qt::RightButton, Qt::ShiftModifier);
    EXPECT_EQ(zone.zoneOffset, (Point{220, 140}));
}

TEST_F(Gestures, CtrlOrAltRightDoNothing)
{
    click(300, 200, Qt::RightButton, Qt::ControlModifier);
    click(300, 200, Qt::RightButton, Qt::AltModifier);
    EXPECT_EQ(zone.zoneOffset, (Point{5, -5}));
}

TEST_F(Gestures, LeftClickMovesTheTargetAndKeepsTheZoneInPlace)
{
    const auto fx = click(300, 200, Qt::LeftButton);
    EXPECT_EQ(zone.prevStarPos, (Point{100, 100}));
    EXPECT_EQ(zone.starPos, (Point{300, 200}));
    // The zone centre starPos + zoneOffset stays where it was.
    EXPECT_EQ(zone.zoneOffset, (Point{5 - 200, -5 - 100}));
    EXPECT_TRUE(fx.storeTarget);
    EXPECT_EQ(fx.target, (Point{300, 200}));
    EXPECT_TRUE(flags.targetActive);
}

TEST_F(Gestures, LinkedZonesFollowTheTarget)
{
    ctx.CKB_Zones_Liees = true;
    click(300, 200, Qt::LeftButton);
    EXPECT_EQ(zone.zoneOffset, (Point{5, -5}));
}

TEST_F(Gestures, ShiftLeftTakesTheImageCentreWithoutStoringATarget)
{
    const auto fx = click(300, 200, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(zone.starPos, (Point{320, 240}));
    EXPECT_FALSE(fx.storeTarget);
}

TEST_F(Gestures, DarkOrFlatIntegrationLocksTheZones)
{
    ctx.integratingDarkOrFlat = true;
    ctx.CKB_Suivi = true;
    const auto right = click(300, 200, Qt::RightButton);
    const auto left = click(300, 200, Qt::LeftButton);
    EXPECT_EQ(zone.zoneOffset, (Point{5, -5}));
    EXPECT_EQ(zone.starPos, (Point{100, 100}));
    EXPECT_FALSE(left.starSearch);
    EXPECT_FALSE(right.starSearch);
}

TEST_F(Gestures, CtrlLeftMovesTheReticleOnlyWhenShown)
{
    EXPECT_FALSE(click(50, 60, Qt::LeftButton, Qt::ControlModifier).moveReticle);
    ctx.CKB_Reticule = true;
    const auto fx = click(50, 60, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_TRUE(fx.moveReticle);
    EXPECT_EQ(fx.reticleCentre, (Point{50, 60}));
    EXPECT_EQ(zone.starPos, (Point{100, 100}));
}

TEST_F(Gestures, ShiftCtrlLeftGuidesOnlyWithAMount)
{
    EXPECT_FALSE(click(130, 90, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier).guideMove);
    ctx.mountSelected = true;
    const auto fx = click(130, 90, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_TRUE(fx.guideMove);
    EXPECT_EQ(fx.guideOffset, (Point{30, -10}));
}

TEST_F(Gestures, AltLeftMeasuresAngleAndDistanceBetweenTheLastTwoPoints)
{
    ctx.TNI_Echantillonnage = 2.0;
    ctx.TNI_DistObjet = 384400;
    click(0, 0, Qt::LeftButton, Qt::AltModifier);
    const auto fx = click(300, 400, Qt::LeftButton, Qt::AltModifier);
    ASSERT_TRUE(fx.measured);
    // 500 pixels at 2"/pixel = 1000" = 0° 16' 40"
    EXPECT_DOUBLE_EQ(gestures.angleArcSeconds, 1000.0);
    EXPECT_EQ(fx.angleText, QStringLiteral("  0° 16' 40.00\""));
    // sin(1000") x 384400 = 1863.6...
    EXPECT_EQ(fx.distanceText, QStringLiteral("1.86e+03"));
    EXPECT_EQ(zone.starPos, (Point{100, 100}));
}

TEST_F(Gestures, StarSearchAfterPlainOrShiftLeftWithTracking)
{
    EXPECT_FALSE(click(300, 200, Qt::LeftButton).starSearch); // tracking off
    ctx.CKB_Suivi = true;
    EXPECT_TRUE(click(300, 200, Qt::LeftButton).starSearch);
    EXPECT_TRUE(click(300, 200, Qt::LeftButton, Qt::ShiftModifier).starSearch);
    EXPECT_FALSE(click(300, 200, Qt::LeftButton, Qt::AltModifier).starSearch);
    EXPECT_FALSE(click(300, 200, Qt::LeftButton, Qt::ControlModifier).starSearch);
}

#include "processing/FramePipeline.h"

#include <gtest/gtest.h>
#include <random>

using namespace velumbra;

namespace {
constexpr double kAspect = 1.3333333333333333;
}

TEST(DisplayZone, CentredStarKeepsTheWholeZoneInside)
{
    const auto g = computeDisplayZone({320, 240}, {0, 0}, 320, kAspect, 640, 480);
    EXPECT_EQ(g.halfWidth, 160);
    EXPECT_EQ(g.halfHeight, 120);
    EXPECT_EQ(g.displayZone, (Rect{160, 120, 481, 361}));
    EXPECT_EQ(g.zoneRect, (Rect{0, 0, 321, 241}));
}

TEST(DisplayZone, StarNearLeftEdgeStaysAtZoneCentre)
{
    const auto g = computeDisplayZone({10, 240}, {0, 0}, 320, kAspect, 640, 480);
    EXPECT_EQ(g.displayZone.left, 0);
    EXPECT_EQ(g.zoneRect.left, 160 - 10); // c - ex
    EXPECT_EQ(g.displayZone.right, 171);
    EXPECT_EQ(g.zoneRect.right, 321);
    // The star at x = 10 lands on the zone centre column.
    EXPECT_EQ(10 - g.displayZone.left + g.zoneRect.left, g.halfWidth);
}

TEST(DisplayZone, StarNearRightAndBottomEdges)
{
    const auto g = computeDisplayZone({635, 478}, {0, 0}, 320, kAspect, 640, 480);
    EXPECT_EQ(g.displayZone.right, 640);
    EXPECT_EQ(g.displayZone.bottom, 480);
    EXPECT_EQ(g.displayZone.left, 475);
    EXPECT_EQ(g.displayZone.top, 358);
    EXPECT_EQ(g.zoneRect.left, 0);
    EXPECT_EQ(g.zoneRect.top, 0);
    EXPECT_EQ(g.zoneRect.width(), g.displayZone.width());
    EXPECT_EQ(g.zoneRect.height(), g.displayZone.height());
}

TEST(DisplayZone, StarNearTopEdgeWithOffset)
{
    // The offset moves the centre: star at y = 200 shifted up by 190.
    const auto g = computeDisplayZone({320, 200}, {0, -190}, 320, kAspect, 640, 480);
    EXPECT_EQ(g.displayZone.top, 0);
    EXPECT_EQ(g.zoneRect.top, 120 - 10);
}

TEST(DisplayZone, CentreNeverLeavesTheReachOfTheFrame)
{
    // A target far outside the frame still leaves a one-pixel zone inside.
    const auto g = computeDisplayZone({-5000, -5000}, {0, 0}, 320, kAspect, 640, 480);
    EXPECT_EQ(g.displayZone, (Rect{0, 0, 2, 2}));
    EXPECT_EQ(g.zoneRect, (Rect{319, 239, 321, 241}));
    const auto h = computeDisplayZone({9000, 9000}, {0, 0}, 320, kAspect, 640, 480);
    EXPECT_EQ(h.displayZone, (Rect{639, 479, 640, 480}));
    EXPECT_EQ(h.zoneRect, (Rect{0, 0, 1, 1}));
}

TEST(DisplayZone, ZoneLargerThanTheFrame)
{
    const auto g = computeDisplayZone({160, 120}, {0, 0}, 800, kAspect, 320, 240);
    EXPECT_EQ(g.displayZone, (Rect{0, 0, 320, 240}));
    EXPECT_EQ(g.zoneRect.left, 400 - 160);
    EXPECT_EQ(g.zoneRect.top, 300 - 120);
    EXPECT_EQ(g.zoneRect.width(), 320);
    EXPECT_EQ(g.zoneRect.height(), 240);
}

TEST(DisplayZone, EveryZoneFitsTheFrameAndMatchesItsZoneRect)
{
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> pos(-2000, 2000), size(20, 800), dim(1, 800);
    for (int i = 0; i < 5000; ++i) {
        const int w = dim(rng), h = std::min(600, dim(rng));
        const int zone = size(rng);
        const auto g = computeDisplayZone({pos(rng), pos(rng)}, {pos(rng), pos(rng)}, zone, kAspect, w, h);
        const Rect& d = g.displayZone;
        ASSERT_GE(d.left, 0);
        ASSERT_GE(d.top, 0);
        ASSERT_LE(d.right, w);
        ASSERT_LE(d.bottom, h);
        ASSERT_FALSE(d.isEmpty());
        ASSERT_EQ(g.zoneRect.width(), d.width());
        ASSERT_EQ(g.zoneRect.height(), d.height());
        ASSERT_GE(g.zoneRect.left, 0);
        ASSERT_LE(g.zoneRect.right, 2 * g.halfWidth + 1);
    }
}

// The live zone, the summed cells and the shown result must agree on the
// zone's height for every camera shape, not only 4:3.
TEST(DisplayZone, NominalSizeMatchesTheZoneForEveryAspect)
{
    struct Case {
        int size;
        double aspect;
        ZoneSize expected;
    };
    const Case cases[] = {
        {640, kLoopAspect, {640, 480}},
        {641, kLoopAspect, {640, 480}},      // the odd column is the zone's centre, not summed
        {400, 640.0 / 360.0, {400, 224}},    // 16:9: 200 / 1.78 = 112.5, halves to even
        {352, 352.0 / 288.0, {352, 288}},    // CIF
        {100, 0.0, {100, 76}},               // no aspect yet: 4:3 (37.5 -> 38)
    };
    for (const Case& c : cases) {
        const ZoneSize z = nominalZoneSize(c.size, c.aspect);
        EXPECT_EQ(z.width, c.expected.width) << c.size << " @ " << c.aspect;
        EXPECT_EQ(z.height, c.expected.height) << c.size << " @ " << c.aspect;
        const auto g = computeDisplayZone({400, 300}, {0, 0}, c.size, c.aspect, 800, 600);
        EXPECT_EQ(2 * g.halfWidth, z.width);
        EXPECT_EQ(2 * g.halfHeight, z.height);
    }
}

TEST(DisplayZone, DetectionZoneLimitFollowsTheFrameWidth)
{
    EXPECT_EQ(maxDetectionZone(640), 320);
    EXPECT_EQ(maxDetectionZone(320), 270);
    EXPECT_EQ(maxDetectionZone(40), 3);
    EXPECT_EQ(maxDetectionZone(0), 3);
}

#include "results/ResultClicks.h"

#include <gtest/gtest.h>
#include <vector>

using namespace velumbra;

namespace {

struct RecordingStages : PipelineStages {
    bool TrackObject(Point& starPos, int detectSize, int slot, bool track) override
    {
        calls.push_back({starPos, detectSize, slot, track});
        starPos = {starPos.x + found.x, starPos.y + found.y};
        return true;
    }
    Point found; // where the pass finds the star, from where it looked
    struct Call {
        Point at;
        int size;
        int slot;
        bool track;
    };
    std::vector<Call> calls;
};

struct RecordingActions : ResultClickActions {
    void setDriftReference(Point s) override { drift.push_back(s); }
    void placeReticle(Point offset) override { reticle.push_back(offset); }
    void measurePoints(Point a, Point b) override { measures.push_back({a, b}); }
    void showPixel(Point at, int r, int g, int b) override { pixels.push_back({at, r, g, b}); }
    std::vector<Point> drift;
    std::vector<Point> reticle;
    std::vector<std::pair<Point, Point>> measures;
    struct Pixel {
        Point at;
        int r, g, b;
    };
    std::vector<Pixel> pixels;
};

// A 640 x 480 frame, the star at its centre, a 320 x 240 result image.
class Clicks : public ::testing::Test {
protected:
    Clicks()
    {
        core.buffers.create();
        core.buffers.setFrameSize(640, 480);
        core.zone.starPos = {320, 240};
        links.liveDisplayRunning = true;
    }
    bool click(Point at, ClickButton b, ClickModifier m = ClickModifier::None)
    {
        return clicks.released(at, b, m, 320, 240);
    }

    ManualClock clock;
    ImageCore core{clock};
    RecordingStages stages;
    RecordingActions actions;
    ResultClickLinks links;
    ResultClicks clicks{core, stages, links, actions};
};

} // namespace

TEST(ClickModifiers, OnlyExactlyOneModifierCounts)
{
    EXPECT_EQ(exactModifier(true, false, false), ClickModifier::Shift);
    EXPECT_EQ(exactModifier(false, true, false), ClickModifier::Ctrl);
    EXPECT_EQ(exactModifier(false, false, true), ClickModifier::Alt);
    EXPECT_EQ(exactModifier(true, true, false), ClickModifier::None);
    EXPECT_EQ(exactModifier(false, true, true), ClickModifier::None);
    EXPECT_EQ(exactModifier(false, false, false), ClickModifier::None);
}

TEST_F(Clicks, NothingHappensWithoutLiveDisplayOrTurbo)
{
    links.liveDisplayRunning = false;
    EXPECT_FALSE(click({10, 10}, ClickButton::Left));
    EXPECT_EQ(core.zone.starPos, (Point{320, 240}));
    EXPECT_FALSE(core.flags.targetActive);
    core.flags.turboMode = true;
    EXPECT_TRUE(click({10, 10}, ClickButton::Left));
    EXPECT_TRUE(core.flags.targetActive);
}

TEST_F(Clicks, LeftClickMovesTheStarWhileTheDisplayZoneStays)
{
    clock.advanceMs(1234);
    ASSERT_TRUE(click({200, 100}, ClickButton::Left));
    EXPECT_EQ(core.zone.starPos, (Point{360, 220}));
    EXPECT_EQ(core.zone.prevStarPos, (Point{320, 240}));
    EXPECT_EQ(core.zone.zoneOffset, (Point{-40, 20}));
    // The display zone is still centred where it was: the frame centre.
    EXPECT_EQ(core.zone.displayZone, (Rect{160, 120, 481, 361}));
    ASSERT_EQ(actions.drift.size(), 1u);
    EXPECT_EQ(actions.drift[0], (Point{360, 220}));
    EXPECT_TRUE(stages.calls.empty()); // no tracking pass without tracking
}

// The drift reference is the clicked point, not where the pass then finds
// the star; and the pass runs once per click.
TEST_F(Clicks, LeftClickTracksOnceFromTheClickedPoint)
{
    core.controls.CKB_Suivi = true;
    stages.found = {3, -2};
    ASSERT_TRUE(click({200, 100}, ClickButton::Left));
    ASSERT_EQ(stages.calls.size(), 1u);
    EXPECT_EQ(stages.calls[0].at, (Point{360, 220}));
    EXPECT_EQ(core.zone.starPos, (Point{363, 218}));
    ASSERT_EQ(actions.drift.size(), 1u);
    EXPECT_EQ(actions.drift[0], (Point{360, 220}));
}

// Under 2x2 binning a result pixel is two frame pixels: every gesture moves
// by the frame distance of what was clicked.
TEST_F(Clicks, OffsetsFollowTheBinning)
{
    core.controls.CKB_Reticule = true;
    for (const int b : {1, 2}) {
        SCOPED_TRACE(b);
        core.controls.MNU_Binning_2x2 = b == 2;
        core.zone.starPos = {320, 240};
        core.zone.zoneOffset = {};
        actions = {};

        ASSERT_TRUE(click({200, 100}, ClickButton::Left)); // 40, -20 from the centre
        EXPECT_EQ(core.zone.starPos, (Point{320 + 40 * b, 240 - 20 * b}));
        EXPECT_EQ(core.zone.zoneOffset, (Point{-40 * b, 20 * b}));

        core.zone.zoneOffset = {};
        ASSERT_TRUE(click({260, 60}, ClickButton::Right)); // 100, -60
        EXPECT_EQ(core.zone.zoneOffset, (Point{100 * b, -60 * b}));

        core.zone.zoneOffset = {};
        ASSERT_TRUE(click({170, 130}, ClickButton::Left, ClickModifier::Ctrl)); // 10, 10
        ASSERT_EQ(actions.reticle.size(), 1u);
        EXPECT_EQ(actions.reticle[0], (Point{10 * b, 10 * b}));

        ASSERT_TRUE(click({10, 20}, ClickButton::Left, ClickModifier::Alt));
        ASSERT_TRUE(click({40, 60}, ClickButton::Left, ClickModifier::Alt));
        ASSERT_EQ(actions.measures.size(), 2u);
        EXPECT_EQ(actions.measures[1].first, (Point{10 * b, 20 * b}));
        EXPECT_EQ(actions.measures[1].second, (Point{40 * b, 60 * b}));
    }
}

TEST_F(Clicks, LinkedZonesFollowTheStar)
{
    links.CKB_Zones_Liees = true;
    core.zone.zoneOffset = {5, 5};
    ASSERT_TRUE(click({200, 100}, ClickButton::Left));
    EXPECT_EQ(core.zone.starPos, (Point{365, 225}));
    EXPECT_EQ(core.zone.zoneOffset, (Point{5, 5}));
}

TEST_F(Clicks, ShiftLeftCentresTheStarAndTrackingRunsAtOnce)
{
    core.zone.starPos = {100, 50};
    core.controls.CKB_Suivi = true;
    core.controls.TNI_Taille_ZDetect = 41.9;
    ASSERT_TRUE(click({3, 3}, ClickButton::Left, ClickModifier::Shift));
    EXPECT_EQ(core.zone.starPos, (Point{320, 240}));
    EXPECT_EQ(core.zone.zoneOffset, (Point{-220, -190}));
    ASSERT_EQ(stages.calls.size(), 1u);
    EXPECT_EQ(stages.calls[0].at, (Point{320, 240}));
    EXPECT_EQ(stages.calls[0].size, 41);
    EXPECT_TRUE(stages.calls[0].track);
}

TEST_F(Clicks, DarkIntegrationKeepsTheStarInPlace)
{
    core.controls.integration.RDB_Dark = true;
    ASSERT_TRUE(click({200, 100}, ClickButton::Left));
    ASSERT_TRUE(click({200, 100}, ClickButton::Left, ClickModifier::Shift));
    EXPECT_EQ(core.zone.starPos, (Point{320, 240}));
    EXPECT_TRUE(actions.drift.empty());
}

TEST_F(Clicks, RightClicksMoveTheDisplayZone)
{
    core.zone.zoneOffset = {10, 0};
    ASSERT_TRUE(click({260, 60}, ClickButton::Right));
    EXPECT_EQ(core.zone.zoneOffset, (Point{110, -60}));
    EXPECT_EQ(core.zone.prevZoneOffset, (Point{10, 0}));
    EXPECT_EQ(core.zone.starPos, (Point{320, 240}));

    core.zone.starPos = {300, 200};
    ASSERT_TRUE(click({0, 0}, ClickButton::Right, ClickModifier::Shift));
    EXPECT_EQ(core.zone.zoneOffset, (Point{20, 40}));

    ASSERT_TRUE(click({0, 0}, ClickButton::Right, ClickModifier::Ctrl));
    ASSERT_TRUE(click({0, 0}, ClickButton::Right, ClickModifier::Alt));
    EXPECT_EQ(core.zone.zoneOffset, (Point{20, 40}));
}

TEST_F(Clicks, CtrlPlacesTheReticleOnlyWhenItIsShown)
{
    core.zone.zoneOffset = {7, -3};
    ASSERT_TRUE(click({170, 130}, ClickButton::Left, ClickModifier::Ctrl));
    EXPECT_TRUE(actions.reticle.empty());
    core.controls.CKB_Reticule = true;
    ASSERT_TRUE(click({170, 130}, ClickButton::Left, ClickModifier::Ctrl));
    ASSERT_EQ(actions.reticle.size(), 1u);
    EXPECT_EQ(actions.reticle[0], (Point{17, 7}));
    EXPECT_EQ(core.zone.starPos, (Point{320, 240}));
}

TEST_F(Clicks, AltClicksPairTheMeasuringPoints)
{
    ASSERT_TRUE(click({10, 20}, ClickButton::Left, ClickModifier::Alt));
    ASSERT_TRUE(click({40, 60}, ClickButton::Left, ClickModifier::Alt));
    ASSERT_EQ(actions.measures.size(), 2u);
    EXPECT_EQ(actions.measures[1].first, (Point{10, 20}));
    EXPECT_EQ(actions.measures[1].second, (Point{40, 60}));
}

TEST_F(Clicks, MovesStoreThePositionAndReadThePixelInsideTheImage)
{
    uint8_t* row = pixelRow(core.buffers.result, 7);
    row[4 * 5 + kRed] = 200;
    row[4 * 5 + kGreen] = 100;
    row[4 * 5 + kBlue] = 50;
    clicks.moved({5, 7}, 320, 240);
    EXPECT_EQ(clicks.probe.position, (Point{5, 7}));
    EXPECT_EQ(clicks.probe.sourceCode, 3);
    EXPECT_TRUE(actions.pixels.empty()); // information window off

    core.controls.CKB_Info_Image = true;
    clicks.moved({5, 7}, 320, 240);
    ASSERT_EQ(actions.pixels.size(), 1u);
    EXPECT_EQ(actions.pixels[0].r, 200);
    EXPECT_EQ(actions.pixels[0].g, 100);
    EXPECT_EQ(actions.pixels[0].b, 50);
    clicks.moved({320, 7}, 320, 240);
    clicks.moved({-1, 7}, 320, 240);
    EXPECT_EQ(actions.pixels.size(), 1u);
}

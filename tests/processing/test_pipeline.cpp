#include "simulator/StarField.h"
#include "processing/ImageCore.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

using namespace velumbra;

namespace {

struct RecordingStages : PipelineStages {
    struct Track { int slot; bool track; };
    std::vector<Track> tracks;
    std::vector<Plane> integrations;
    bool TrackObject(Point&, int, int slot, bool track) override
    {
        tracks.push_back({slot, track});
        return true;
    }
    void IntegrateAndRender(Plane plane, bool, bool, bool) override { integrations.push_back(plane); }
};

class Pipeline : public ::testing::Test {
protected:
    void SetUp() override
    {
        core.buffers.create();
        core.buffers.setFrameSize(640, 480);
        renderStarField(core.buffers.frameSlots[0], 640, 480, 11);
        core.zone.starPos = {320, 240};
        core.controls.TNI_Taille_ZAffich = 320;
        core.pipeline.UpdateDisplayZone();
    }
    bool frame(bool newFrame) { return core.pipeline.ProcessFrame(newFrame); }
    bool resultIsBlack() const
    {
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x)
                if ((core.buffers.result.pixel(x, y) & 0xffffffu) != 0) return false;
        return true;
    }
    ManualClock clock{QDateTime(QDate(2026, 3, 14), QTime(23, 59, 58, 7))};
    ImageCore core{clock};
};

} // namespace

TEST_F(Pipeline, InactiveTargetShowsAndStampsButSelectsNothing)
{
    core.controls.CKB_Dateheure = true;
    core.flags.targetActive = false;
    EXPECT_FALSE(frame(true));
    // The frame is on the display.
    EXPECT_EQ(core.buffers.display.pixel(100, 100), core.buffers.frameSlots[0].pixel(100, 100));
    // The stamp ends with the milliseconds, three digits.
    EXPECT_TRUE(core.pipeline.timestampText().endsWith(QStringLiteral("007")));
    EXPECT_TRUE(core.pipeline.timestampText().contains(QStringLiteral("23:59:58")));
    // Red text at the bottom-right of the display zone.
    int red = 0;
    const Rect z = core.zone.displayZone;
    for (int y = z.bottom - 20; y < z.bottom; ++y)
        for (int x = z.right - 150; x < z.right; ++x)
            if (core.buffers.display.pixel(x, y) == qRgb(255, 0, 0)) ++red;
    EXPECT_GT(red, 10);
    EXPECT_TRUE(resultIsBlack());
}

TEST_F(Pipeline, ActiveTargetCopiesNewFramesToTheResult)
{
    core.flags.targetActive = true;
    EXPECT_TRUE(frame(true));
    const Rect d = core.zone.displayZone;
    const Rect r = core.zone.zoneRect;
    for (int y = 0; y < d.height(); y += 7)
        for (int x = 0; x < d.width(); x += 7)
            ASSERT_EQ(core.buffers.result.pixel(r.left + x, r.top + y),
                      core.buffers.frameSlots[0].pixel(d.left + x, d.top + y));
}

TEST_F(Pipeline, ReshownFramesAreNotCopied)
{
    core.flags.targetActive = true;
    frame(true);
    const QImage before = core.buffers.result.copy();
    core.buffers.frameSlots[0].fill(QColor(200, 100, 50));
    EXPECT_TRUE(frame(false));
    EXPECT_EQ(core.buffers.result, before);
    // The display does show the re-shown frame.
    EXPECT_EQ(core.buffers.display.pixel(200, 300) & 0xffffffu, 0xc86432u);
}

TEST_F(Pipeline, ZoneOutlineIsMergedOntoTheDisplay)
{
    core.buffers.frameSlots[0].fill(Qt::black);
    core.flags.targetActive = true;
    frame(true);
    const Rect d = core.zone.displayZone;
    int lit = 0;
    for (int x = d.left; x < d.right; ++x)
        if ((core.buffers.display.pixel(x, d.top) & 0xffffffu) != 0) ++lit;
    EXPECT_GT(lit, d.width() / 4);
    // The inside of the zone is untouched.
    EXPECT_EQ(core.buffers.display.pixel((d.left + d.right) / 2, (d.top + d.bottom) / 2) & 0xffffffu, 0u);
}

TEST_F(Pipeline, AutoguidingSpacesTrackingPasses)
{
    RecordingStages stages;
    core.pipeline.setStages(&stages);
    core.flags.targetActive = true;
    core.controls.CKB_Suivi = true;
    core.controls.CKB_Autoguidage = true;
    core.controls.SPED_Intervalle_Guidage = 3;
    std::vector<int> tracked;
    for (int i = 1; i <= 9; ++i) {
        const size_t before = stages.tracks.size();
        frame(true);
        if (stages.tracks.size() > before) tracked.push_back(i);
    }
    EXPECT_EQ(tracked, (std::vector<int>{1, 4, 7}));
    EXPECT_TRUE(stages.tracks.front().track);
    core.pipeline.setStages(nullptr);
}

TEST_F(Pipeline, AFrameShownAgainIsNeverGuided)
{
    RecordingStages stages;
    core.pipeline.setStages(&stages);
    core.flags.targetActive = true;
    core.controls.CKB_Suivi = true;
    core.controls.CKB_Autoguidage = true;
    core.controls.SPED_Intervalle_Guidage = 2;
    // Ticks without a new grab between the new frames: only new frames count
    // towards the guiding interval, and only they are guided.
    const bool ticks[] = {true, false, false, true, false, true, true, false};
    std::vector<int> guided;
    for (int i = 0; i < 8; ++i) {
        const size_t before = stages.tracks.size();
        frame(ticks[i]);
        if (stages.tracks.size() > before) guided.push_back(i);
    }
    EXPECT_EQ(guided, (std::vector<int>{0, 5}));
    core.pipeline.setStages(nullptr);
}

TEST_F(Pipeline, StatisticsOnlyWhileIntegratingADark)
{
    RecordingStages stages;
    core.pipeline.setStages(&stages);
    core.flags.targetActive = true;
    core.controls.CKB_Suivi = true;
    core.controls.integration = {true, false, false, true, false};
    core.controls.BTN_Demarrer_Add_Enabled = false; // running
    frame(true);
    ASSERT_EQ(stages.tracks.size(), 1u);
    EXPECT_FALSE(stages.tracks[0].track);
    ASSERT_EQ(stages.integrations.size(), 1u);
    EXPECT_EQ(stages.integrations[0], Dark);
    // The whole frame is the display zone while a dark is integrated.
    core.zone.starPos = {300, 200};
    frame(true);
    EXPECT_EQ(core.zone.displayZone, (Rect{0, 0, 640, 480}));
    // A re-shown frame is not integrated.
    frame(false);
    EXPECT_EQ(stages.integrations.size(), 2u);
    core.pipeline.setStages(nullptr);
}

TEST_F(Pipeline, NeverTouchesPixelsOutsideTheFrame)
{
    // Fill the unused part of the display with a sentinel; any write beyond
    // imageWidth x imageHeight would change it.
    std::mt19937 rng(9);
    std::uniform_int_distribution<int> pos(-3000, 3000), zone(-50, 2000), detect(-10, 900), dim(1, 800);
    core.flags.targetActive = true;
    for (int i = 0; i < 300; ++i) {
        const int w = dim(rng), h = std::min(600, dim(rng));
        core.buffers.setFrameSize(w, h);
        core.buffers.display.fill(QColor(1, 2, 3));
        core.controls.TNI_Taille_ZAffich = zone(rng);
        core.controls.TNI_Taille_ZDetect = detect(rng);
        core.controls.MNU_Binning_2x2 = (i % 3 == 0);
        core.zone.starPos = {pos(rng), pos(rng)};
        core.zone.zoneOffset = {pos(rng), pos(rng)};
        frame(true);
        for (int y = 0; y < 600; y += 3) {
            const int from = y < h ? w : 0;
            for (int x = from; x < 800; x += 3)
                ASSERT_EQ(core.buffers.display.pixel(x, y) & 0xffffffu, 0x010203u) << w << "x" << h;
        }
    }
}

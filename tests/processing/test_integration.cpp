#include "processing/CoreStages.h"
#include "processing/LoopRing.h"
#include "processing/ImageCore.h"
#include "processing/Raster.h"

#include <gtest/gtest.h>
#include <functional>

using namespace velumbra;

namespace {

struct CountingView : IntegrationView {
    int stops = 0;
    int lastCount = -1;
    void showCount(int count) override { lastCount = count; }
};

// An image core with a small frame whose display zone covers it whole.
class Integration : public ::testing::Test {
protected:
    static constexpr int W = 64, H = 48;
    void SetUp() override
    {
        core.buffers.create();
        core.buffers.setFrameSize(W, H);
        wholeFrameZone();
        core.controls.TNI_Taille_ZAffich = W;
        core.flags.loadingSettings = false;
        core.controls.PNL_Integration.SPED_Nb_Bitmap = 0; // no stop count unless a test sets one
        core.controls.GRB_Seuils.CKB_Seuils_Evol = false; // fixed thresholds unless a test sets them evolving
        core.integrator.setView(&view);
    }
    void wholeFrameZone()
    {
        core.zone.displayZone = {0, 0, W, H};
        core.zone.zoneRect = core.zone.displayZone;
    }
    // Fills the zone frame, one value per pixel and channel.
    void fillZone(const std::function<int(int x, int y)>& value)
    {
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x) {
                const int v = value(x, y);
                core.buffers.zoneFrame.setPixel(x, y, qRgb(v, v, v));
            }
    }
    void fillZone(int v) { fillZone([v](int, int) { return v; }); }
    void add(Plane plane, int count = 1)
    {
        for (int i = 0; i < count; ++i) core.integrator.IntegrateAndRender(plane, true, false, false);
    }
    void mode(bool unique, bool boucle, bool dark, bool flat)
    {
        auto& m = core.controls.integration;
        m.CKB_Integration = true;
        m.RDB_Unique = unique;
        m.RDB_Boucle = boucle;
        m.RDB_Dark = dark;
        m.RDB_Flat = flat;
    }
    int32_t cell(Plane p, int x, int y, int c = kChannelRed) const { return core.integrator.planes.sum(p)[planeIndex(x, y, c)]; }
    int32_t result(int x, int y, int c = kChannelRed) const { return core.integrator.planes.result()[planeIndex(x, y, c)]; }
    void setDarkLevel(int percent)
    {
        core.controls.PNL_Integration.SCB_Seuil_dark = 100 - percent;
        core.controls.TNI_MaxDark = percent;
    }

    ManualClock clock;
    ImageCore core{clock};
    CountingView view;
};

} // namespace

// ---------------------------------------------------------------- loop mode

TEST_F(Integration, LoopModeKeepsTheSumOfTheLastFrames)
{
    mode(false, true, false, false);
    core.controls.PNL_Integration.SPED_Nb_Bitmap = 3;
    core.integrator.BTN_Demarrer_AddClick();
    ASSERT_TRUE(core.loop.allocated());
    ASSERT_EQ(core.loop.size(), 4);
    const int expected[] = {10, 30, 60, 90, 120}; // 10, 10+20, ..., 30+40+50
    for (int k = 1; k <= 5; ++k) {
        fillZone(10 * k);
        add(Light);
        EXPECT_EQ(cell(Light, 5, 5), expected[k - 1]) << "after frame " << k;
        EXPECT_EQ(cell(Light, 62, 47, kChannelBlue), expected[k - 1]) << "after frame " << k;
        EXPECT_EQ(core.loop.loopCount, std::min(k, 3));
        if (k == 4) {
            EXPECT_EQ(core.loop.loopWrite, 4);
            EXPECT_EQ(core.loop.loopOldest, 1);
        }
    }
    EXPECT_EQ(view.lastCount, 3);
    EXPECT_TRUE(core.integrator.running());
    core.integrator.BTN_Arreter_AddClick();
    EXPECT_FALSE(core.loop.allocated());
    EXPECT_FALSE(core.integrator.running());
}

TEST_F(Integration, LoopModeDarkUsesTheLoopCountWhenRenderingWithoutAFrame)
{
    // 2 dark frames of 10: dark sum 20, mean 10 per frame.
    mode(false, false, true, false);
    fillZone(10);
    add(Dark, 2);
    mode(false, true, false, false);
    core.controls.PNL_Integration.SPED_Nb_Bitmap = 3;
    core.integrator.BTN_Demarrer_AddClick();
    fillZone(50);
    add(Light, 4); // sum of the last 3: 150
    setDarkLevel(100);
    // A threshold change renders without adding: the dark of 3 frames goes.
    core.integrator.renderCurrent();
    EXPECT_EQ(result(7, 7), 150 - 30);
}

// -------------------------------------------------------------- single mode

TEST_F(Integration, SingleModeStopsOnTheCountWithTheLastFrameShown)
{
    mode(true, false, false, false);
    core.controls.PNL_Integration.SPED_Nb_Bitmap = 3;
    core.integrator.BTN_Demarrer_AddClick();
    ASSERT_FALSE(core.controls.BTN_Demarrer_Add_Enabled);
    fillZone(20);
    add(Light, 2);
    EXPECT_TRUE(core.integrator.running());
    add(Light);
    EXPECT_FALSE(core.integrator.running());
    EXPECT_TRUE(core.controls.BTN_Demarrer_Add_Enabled);
    EXPECT_EQ(core.integrator.stats.frameCount[Light], 3);
    // The stop renders the sum including the frame that reached the count.
    EXPECT_EQ(result(3, 3), 60);
    EXPECT_EQ(core.controls.GRB_Seuils.TNI_Max, 60);
}

TEST_F(Integration, FramesReachTheIntegrationOnlyWhileItRuns)
{
    CoreStages stages(core);
    core.pipeline.setStages(&stages);
    core.buffers.frameSlots[0].fill(qRgb(30, 30, 30));
    core.zone.starPos = {W / 2, H / 2};
    core.flags.targetActive = true;
    mode(true, false, false, false);
    core.controls.PNL_Integration.SPED_Nb_Bitmap = 3;
    core.pipeline.ProcessFrame(true); // not running yet: nothing added
    EXPECT_EQ(core.integrator.stats.frameCount[Light], 0);
    core.integrator.BTN_Demarrer_AddClick();
    for (int i = 0; i < 5; ++i) core.pipeline.ProcessFrame(true);
    EXPECT_EQ(core.integrator.stats.frameCount[Light], 3);
    core.pipeline.ProcessFrame(false); // a re-shown frame is never added
    EXPECT_EQ(core.integrator.stats.frameCount[Light], 3);
    const Rect zr = core.zone.zoneRect;
    EXPECT_EQ(cell(Light, zr.left + 2, zr.top + 2), 90);
    core.pipeline.setStages(nullptr);
}

TEST_F(Integration, SingleFrameGoesThroughTheCorrectionsWhenIntegrationIsOff)
{
    CoreStages stages(core);
    core.pipeline.setStages(&stages);
    core.buffers.frameSlots[0].fill(qRgb(30, 30, 30));
    core.zone.starPos = {W / 2, H / 2};
    core.flags.targetActive = true;
    core.flags.permanentView = true;
    core.controls.MNU_Binning_2x2 = true;
    for (int i = 0; i < 3; ++i) core.pipeline.ProcessFrame(true);
    // Each frame restarts the sum: one frame binned 2x2.
    const Rect zr = core.zone.zoneRect;
    EXPECT_EQ(core.integrator.stats.frameCount[Light], 1);
    EXPECT_EQ(cell(Light, (zr.left + 2) / 2, (zr.top + 2) / 2), 120);
    core.pipeline.setStages(nullptr);
}

// --------------------------------------------------------------------- dark

TEST_F(Integration, DarkSubtractionScalesTheDarkToTheLightCount)
{
    mode(false, false, true, false);
    fillZone([](int x, int) { return x < 32 ? 20 : 60; });
    add(Dark, 5); // dark sums 100 and 300
    mode(true, false, false, false);
    fillZone(50);
    add(Light, 10); // light sums 500
    setDarkLevel(100);
    core.integrator.renderCurrent();
    EXPECT_EQ(result(10, 10), 500 - 2 * 100);
    EXPECT_EQ(result(40, 10), 0); // 2 x 300 > 500: never below 0
    EXPECT_EQ(core.controls.GRB_Seuils.TNI_Min, 0);
    EXPECT_EQ(core.controls.GRB_Seuils.TNI_Max, 300);
    // Planes are untouched by the correction.
    EXPECT_EQ(cell(Light, 10, 10), 500);

    // 29 % of 2 x 50 is exactly 29; 0.29 in floating point gives 28.999999999999996.
    fillZone([](int x, int) { return x < 32 ? 10 : 60; });
    core.integrator.planes.zero(Dark);
    core.integrator.stats.frameCount[Dark] = 0;
    add(Dark, 5);
    setDarkLevel(29);
    core.integrator.renderCurrent();
    EXPECT_EQ(result(10, 10), 500 - 29);
}

TEST_F(Integration, FirstDarkLevelTakesTheShownFrameThroughThePlanes)
{
    mode(false, false, true, false);
    fillZone(10);
    add(Dark);
    core.controls.integration = IntegrationMode{}; // integration off
    core.integrator.setSourceRunning(true);
    CoreStages stages(core);
    core.pipeline.setStages(&stages);
    core.buffers.frameSlots[0].fill(qRgb(50, 50, 50));
    core.zone.starPos = {W / 2, H / 2};
    core.flags.targetActive = true;
    core.pipeline.ProcessFrame(true); // plain copy into the result image
    EXPECT_EQ(core.integrator.stats.frameCount[Light], 0);
    core.controls.GRB_Seuils.SCB_Maximum = 256;
    core.controls.PNL_Integration.SCB_Seuil_dark = 0; // level 100
    core.integrator.SCB_Seuil_darkChange();
    EXPECT_EQ(core.controls.TNI_MaxDark, 100);
    EXPECT_EQ(core.integrator.stats.frameCount[Light], 1);
    const Rect zr = core.zone.zoneRect;
    EXPECT_EQ(cell(Light, zr.left + 3, zr.top + 3), 50);
    EXPECT_EQ(core.buffers.result.pixel(zr.left + 3, zr.top + 3), qRgb(40, 40, 40));
    core.pipeline.setStages(nullptr);
}

TEST_F(Integration, LoopRingIsCappedAndReported)
{
    mode(false, true, false, false);
    core.controls.TNI_Taille_ZAffich = 640;
    core.controls.PNL_Integration.SPED_Nb_Bitmap = 999;
    core.integrator.BTN_Demarrer_AddClick();
    // 999 bitmaps of 640 x 481 would take 1.2 GB.
    EXPECT_LT(core.loop.size(), 999);
    EXPECT_EQ(core.controls.PNL_Integration.SPED_Nb_Bitmap, core.loop.size() - 1);
    EXPECT_LE(int64_t(core.loop.size()) * 640 * 481 * 4, 512ll * 1024 * 1024);
    core.integrator.BTN_Arreter_AddClick();
    EXPECT_FALSE(core.loop.allocated());
}

TEST_F(Integration, AddingInLoopModeWithoutARingDoesNotFail)
{
    mode(false, true, false, false); // "Ajouter" before any Start
    fillZone(10);
    core.integrator.BTN_AjouterClick();
    core.integrator.BTN_AjouterClick();
    EXPECT_EQ(cell(Light, 5, 5), 20);
    EXPECT_EQ(core.loop.loopCount, 1); // the loop length bounds the count
}

TEST_F(Integration, DarkLevelZeroOrNoDarkFramesLeavesTheSum)
{
    mode(true, false, false, false);
    fillZone(50);
    add(Light, 2);
    setDarkLevel(100); // no dark frames yet
    core.integrator.renderCurrent();
    EXPECT_EQ(result(10, 10), 100);
}

TEST_F(Integration, SmartDarkReplacesHotCellsAt1x1)
{
    // Dark: one frame; the cell at (10,10) reads 230, (20,10) reads 229.
    mode(false, false, true, false);
    fillZone([](int x, int y) { return y == 10 && x == 10 ? 230 : (y == 10 && x == 20 ? 229 : 5); });
    add(Dark);
    mode(true, false, false, false);
    fillZone([](int x, int y) {
        if (y == 10 && (x == 10 || x == 20)) return 250;
        if (y == 10 && x == 12) return 110; // on the box border of (10,10)
        return 100;
    });
    add(Light);
    core.controls.PNL_Integration.RDB_Dark_Smart = true;
    core.controls.PNL_Integration.RDB_Dark_Sub = false;
    core.controls.PNL_Integration.SPED_RDark = 1;
    setDarkLevel(10); // hot above 255 - 25.5
    core.integrator.renderCurrent();
    // Border of columns 9..12, rows 9..11: ten cells, one of them 110.
    EXPECT_EQ(result(10, 10), (9 * 100 + 110) / 10);
    EXPECT_EQ(result(20, 10), 250); // 229 is not hot
    EXPECT_EQ(result(30, 30), 100);
}

TEST_F(Integration, SmartDarkThresholdIsExactAtWholeLevels)
{
    // At 20 % the threshold is exactly 255 - 51 = 204.
    mode(false, false, true, false);
    fillZone([](int x, int y) { return y == 10 && x == 10 ? 204 : (y == 10 && x == 20 ? 205 : 0); });
    add(Dark);
    mode(true, false, false, false);
    fillZone([](int x, int y) { return y == 10 && (x == 10 || x == 20) ? 250 : 100; });
    add(Light);
    core.controls.PNL_Integration.RDB_Dark_Smart = true;
    setDarkLevel(20);
    core.integrator.renderCurrent();
    EXPECT_EQ(result(10, 10), 250); // 204 does not exceed 204
    EXPECT_EQ(result(20, 10), 100); // 205 does
}

TEST_F(Integration, SmartDarkThresholdAt2x2)
{
    core.controls.MNU_Binning_2x2 = true;
    // Dark cells sum four pixels: 921 is hot at 10 % (1023 - 102.3), 920 is not.
    mode(false, false, true, false);
    fillZone([](int x, int y) {
        if (y / 2 == 5 && x / 2 == 5) return x % 2 == 0 && y % 2 == 0 ? 231 : 230; // 921
        if (y / 2 == 5 && x / 2 == 15) return 230;                                  // 920
        return 3;
    });
    add(Dark);
    mode(true, false, false, false);
    fillZone([](int x, int y) { return y / 2 == 5 && (x / 2 == 5 || x / 2 == 15) ? 200 : 50; });
    add(Light);
    core.controls.PNL_Integration.RDB_Dark_Smart = true;
    setDarkLevel(10);
    core.integrator.renderCurrent();
    EXPECT_EQ(result(5, 5), 200);
    EXPECT_EQ(result(15, 5), 800);
}

TEST_F(Integration, ResetInDarkModeKeepsLightAndFlat)
{
    mode(true, false, false, false);
    fillZone(40);
    add(Light, 2);
    mode(false, false, false, true);
    add(Flat, 3);
    mode(false, false, true, false);
    add(Dark, 4);
    setDarkLevel(30);
    core.integrator.BTN_Reset_AddClick();
    EXPECT_EQ(cell(Dark, 5, 5), 0);
    EXPECT_EQ(core.integrator.stats.frameCount[Dark], 0);
    EXPECT_EQ(core.controls.PNL_Integration.SCB_Seuil_dark, 100);
    EXPECT_EQ(core.controls.TNI_MaxDark, 0);
    EXPECT_EQ(cell(Light, 5, 5), 80);
    EXPECT_EQ(cell(Flat, 5, 5), 120);
    EXPECT_EQ(core.integrator.stats.frameCount[Light], 2);
    EXPECT_EQ(core.integrator.stats.frameCount[Flat], 3);
}

TEST_F(Integration, StopInDarkModeRecordsTheDarkMeansAndClearsTheLevel)
{
    mode(false, false, true, false);
    core.controls.PNL_Integration.SPED_Nb_Bitmap = 0;
    core.integrator.BTN_Demarrer_AddClick();
    EXPECT_FALSE(core.controls.CKB_Suivi);
    fillZone([](int x, int) { return x < 32 ? 8 : 12; });
    add(Dark, 4);
    setDarkLevel(25);
    core.integrator.BTN_Arreter_AddClick();
    EXPECT_EQ(core.controls.TNI_MaxDark, 0);
    EXPECT_DOUBLE_EQ(core.integrator.stats.darkMeanMin, 8.0);
    EXPECT_DOUBLE_EQ(core.integrator.stats.darkMeanMax, 12.0);
}

// --------------------------------------------------------------------- flat

TEST_F(Integration, FlatCellAtTheMeanLeavesTheValueUnchanged)
{
    mode(false, false, false, true);
    // Flat columns of 60, 120, 180 and 120 over the 64 columns: mean 120.
    fillZone([](int x, int) { return x % 4 == 3 ? 120 : 60 * (1 + x % 4); });
    core.integrator.BTN_Demarrer_AddClick();
    add(Flat);
    core.integrator.BTN_Arreter_AddClick();
    EXPECT_TRUE(core.controls.PNL_Integration.CKB_Active_Flat_Enabled);
    EXPECT_DOUBLE_EQ(core.integrator.stats.flatMean[0], 120.0);
    mode(true, false, false, false);
    fillZone(255);
    core.integrator.BTN_Reset_AddClick();
    add(Light, 3); // 765, odd
    core.controls.CKB_Active_Flat = true;
    core.integrator.CKB_Active_FlatClick();
    EXPECT_EQ(result(1, 5), 765);  // flat 120 = mean
    EXPECT_EQ(result(0, 5), 1530); // flat 60
    EXPECT_EQ(result(2, 5), 510);  // flat 180
}

TEST_F(Integration, FlatEvensOutAVignettedField)
{
    const auto vignette = [](int x, int y) {
        const double dx = (x - 32) / 32.0, dy = (y - 24) / 24.0;
        return 2 * int(100 - 40 * (dx * dx + dy * dy) / 2); // even, 60..200
    };
    mode(false, false, false, true);
    fillZone(vignette);
    core.integrator.BTN_Demarrer_AddClick();
    add(Flat, 4);
    core.integrator.BTN_Arreter_AddClick();
    mode(true, false, false, false);
    fillZone([&](int x, int y) { return vignette(x, y) / 2; });
    add(Light, 4);
    core.controls.CKB_Active_Flat = true;
    core.integrator.CKB_Active_FlatClick();
    int lo = 1 << 30, hi = 0, rawLo = 1 << 30, rawHi = 0;
    for (int x = 0; x < W; ++x)
        for (int y = 0; y < H; ++y) {
            lo = std::min(lo, result(x, y));
            hi = std::max(hi, result(x, y));
            rawLo = std::min(rawLo, cell(Light, x, y));
            rawHi = std::max(rawHi, cell(Light, x, y));
        }
    EXPECT_GT(rawHi - rawLo, 100);
    EXPECT_LE(hi - lo, 1);
}

TEST_F(Integration, FlatMeanAt2x2CountsOnlyFilledCells)
{
    core.controls.MNU_Binning_2x2 = true;
    mode(false, false, false, true);
    fillZone(100);
    add(Flat);
    core.integrator.FlatMeans();
    EXPECT_DOUBLE_EQ(core.integrator.stats.flatMean[0], 400.0);
    mode(true, false, false, false);
    add(Light);
    core.controls.CKB_Active_Flat = true;
    core.integrator.CKB_Active_FlatClick();
    EXPECT_EQ(result(3, 3), 400); // a uniform flat changes nothing
}

// ------------------------------------------------------ saturation, binning

TEST_F(Integration, SumsSaturateAt65535)
{
    mode(true, false, false, false);
    core.controls.PNL_Integration.SPED_Nb_Bitmap = 0;
    fillZone(255);
    add(Light, 256);
    EXPECT_EQ(cell(Light, 4, 4), 65280);
    add(Light);
    EXPECT_EQ(cell(Light, 4, 4), 65535);
    add(Light, 3);
    EXPECT_EQ(cell(Light, 4, 4), 65535);
    EXPECT_EQ(core.integrator.stats.frameCount[Light], 260);
}

TEST_F(Integration, Binning2x2SumsFourPixelsAndHalvesTheResult)
{
    core.controls.MNU_Binning_2x2 = true;
    core.controls.integration.CKB_Integration = true;
    core.controls.TNI_Taille_ZAffich = 320;
    core.buffers.setFrameSize(640, 480);
    core.zone.starPos = {320, 240};
    core.pipeline.UpdateDisplayZone();
    fillZone([](int x, int y) { return (x + 3 * y) % 60; });
    core.integrator.IntegrateAndRender(Light, true, false, true);
    for (int cx : {0, 7, 80, 159})
        for (int cy : {0, 9, 119}) {
            int expected = 0;
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx) expected += (2 * cx + dx + 3 * (2 * cy + dy)) % 60;
            EXPECT_EQ(cell(Light, cx, cy), expected) << cx << "," << cy;
        }
    EXPECT_EQ(cell(Light, 160, 60), 0); // the zone's odd last column makes no whole cell
    EXPECT_EQ(core.buffers.resultWidth, 160);
    EXPECT_EQ(core.buffers.resultHeight, 120);
    EXPECT_EQ(cellMax(2), 1023);
}

// ---------------------------------------------------------------- inversion

TEST_F(Integration, InverseWritesTheComplementAndItsRange)
{
    mode(true, false, false, false);
    fillZone([](int x, int) { return x < 32 ? 0 : 100; });
    add(Light);
    core.controls.GRB_Seuils.CKB_Inverse = true;
    core.integrator.renderCurrent();
    EXPECT_EQ(result(3, 3), 65535);
    EXPECT_EQ(result(40, 3), 65435);
    // The range is taken over the written values, from the start value
    // cellMax x frames, then shown complemented.
    EXPECT_EQ(core.controls.GRB_Seuils.TNI_Max, 0);
    EXPECT_EQ(core.controls.GRB_Seuils.TNI_Min, 65535 - 255);
}

TEST_F(Integration, InverseAlsoAppliesWithADark)
{
    mode(false, false, true, false);
    fillZone(10);
    add(Dark);
    mode(true, false, false, false);
    fillZone([](int x, int) { return x < 32 ? 30 : 100; });
    add(Light);
    setDarkLevel(100);
    core.controls.GRB_Seuils.CKB_Inverse = true;
    core.integrator.renderCurrent();
    EXPECT_EQ(result(3, 3), 65535 - 20);
    EXPECT_EQ(result(40, 3), 65535 - 90);
    // The range follows the same rule as without correction.
    EXPECT_EQ(core.controls.GRB_Seuils.TNI_Max, 20);
    EXPECT_EQ(core.controls.GRB_Seuils.TNI_Min, 65535 - 255);
}

// ---------------------------------------------------------- result picture

TEST_F(Integration, RenderMapsTheThresholdsIntoTheResultImage)
{
    mode(true, false, false, false);
    fillZone([](int x, int) { return x < 32 ? 10 : 60; });
    add(Light, 50); // 500 and 3000
    auto& s = core.controls.GRB_Seuils;
    s.SCB_Minimum = 0;
    s.SCB_Maximum = 1000;
    core.integrator.renderCurrent();
    EXPECT_EQ(core.buffers.result.pixel(3, 3), qRgb(128, 128, 128));
    EXPECT_EQ(core.buffers.result.pixel(40, 3), qRgb(255, 255, 255));
    s.CKB_Green = false;
    core.integrator.renderCurrent();
    EXPECT_EQ(core.buffers.result.pixel(3, 3), qRgb(128, 0, 128));
}

TEST_F(Integration, EvolvingThresholdsFollowTheSum)
{
    mode(true, false, false, false);
    auto& s = core.controls.GRB_Seuils;
    s.CKB_Seuils_Evol = true;
    ASSERT_TRUE(Thresholds::CKB_Seuils_EvolClick(s, true));
    s.TNI_Seuil_MaxMax = 3000;
    s.SCB_Maximum_Max = 3000;
    fillZone(200);
    add(Light, 10); // max 2000
    EXPECT_EQ(s.SCB_Maximum, 2000);
    EXPECT_EQ(s.TNI_Seuil_MaxMax, 3000);
    add(Light, 6); // max 3200: the bound doubles
    EXPECT_EQ(s.SCB_Maximum, 3200);
    EXPECT_EQ(s.TNI_Seuil_MaxMax, 6400);
    EXPECT_EQ(s.SCB_Maximum_Max, 6400);
    add(Light, 10); // 5200 fits
    EXPECT_EQ(s.SCB_Maximum, 5200);
    EXPECT_EQ(s.TNI_Seuil_MaxMax, 6400);
}

// ----------------------------------------------------------------- timings

namespace {
// A clock that moves 5 ms each time it is read.
class TickingClock final : public Clock {
public:
    QDateTime now() const override { return t_ = t_.addMSecs(5); }

private:
    mutable QDateTime t_{QDate(2026, 1, 1), QTime(23, 59, 59, 990)};
};
struct TimingView : IntegrationView {
    IntegrationTimings last;
    int shown = 0;
    void showTimings(const IntegrationTimings& t) override { last = t, ++shown; }
};
} // namespace

TEST(IntegrationTimings, EachPartIsTimedEvenAcrossMidnight)
{
    TickingClock clock;
    ImageCore core(clock);
    core.buffers.create();
    core.buffers.setFrameSize(64, 48);
    core.zone.displayZone = core.zone.zoneRect = {0, 0, 64, 48};
    core.controls.PNL_Integration.SPED_Nb_Bitmap = 0;
    TimingView view;
    core.integrator.setView(&view);
    core.integrator.IntegrateAndRender(Light, true, false, true);
    EXPECT_EQ(view.shown, 1);
    EXPECT_EQ(view.last.EDT_Temps_addition, 5);
    EXPECT_EQ(view.last.EDT_Temps_Dark_Flat, 5);
    EXPECT_EQ(view.last.EDT_Temps_Seuils, 5);
    EXPECT_EQ(view.last.EDT_Temps_Collage, 5);
}

// ------------------------------------------------------ zone at the frame edge

TEST_F(Integration, ZoneCutByTheTopLeftEdgeStaysAlignedWithTheLiveZone)
{
    core.buffers.setFrameSize(640, 480);
    core.controls.TNI_Taille_ZAffich = 100;
    core.zone.starPos = {10, 6};
    core.pipeline.UpdateDisplayZone();
    const Rect dz = core.zone.displayZone;
    const Rect zr = core.zone.zoneRect;
    ASSERT_EQ(dz.left, 0);
    ASSERT_EQ(dz.top, 0);
    ASSERT_EQ(zr.left, 40);
    ASSERT_GT(zr.top, 0);
    // A bright pixel at sensor (10, 6) lands at the zone centre.
    core.buffers.frameSlots[0].fill(qRgb(5, 5, 5));
    core.buffers.frameSlots[0].setPixel(10, 6, qRgb(250, 250, 250));
    core.buffers.zoneFrame.fill(qRgb(0, 0, 0));
    copyRect(core.buffers.frameSlots[0], dz, 640, 480, core.buffers.zoneFrame, {zr.left, zr.top});
    core.controls.integration.CKB_Integration = true;
    core.controls.GRB_Seuils.SCB_Maximum = 256;
    core.integrator.IntegrateAndRender(Light, true, false, true);
    EXPECT_EQ(cell(Light, 50, 6 + zr.top), 250);
    EXPECT_EQ(core.buffers.result.pixel(50, 6 + zr.top), qRgb(250, 250, 250));
    EXPECT_EQ(cell(Light, 10, 6), 0); // outside the frame: untouched
}

TEST_F(Integration, DarkCellsStayMatchedToTheSensorPixels)
{
    // Dark of the whole frame, one warm sensor pixel at (15, 12).
    core.buffers.setFrameSize(640, 480);
    core.zone.displayZone = core.zone.zoneRect = {0, 0, 640, 480};
    mode(false, false, true, false);
    fillZone([](int x, int y) { return x == 15 && y == 12 ? 40 : 0; });
    add(Dark);
    // A light zone cut by the left edge.
    mode(true, false, false, false);
    core.controls.TNI_Taille_ZAffich = 100;
    core.zone.starPos = {20, 30};
    core.pipeline.UpdateDisplayZone();
    const Rect dz = core.zone.displayZone;
    const Rect zr = core.zone.zoneRect;
    ASSERT_EQ(dz.left, 0);
    ASSERT_GT(zr.left, 0);
    ASSERT_EQ(dz.top, 0);
    fillZone(100);
    add(Light);
    setDarkLevel(100);
    core.integrator.renderCurrent();
    const int zx = zr.left + 15, zy = zr.top + (12 - dz.top);
    EXPECT_EQ(result(zx, zy), 60);
    EXPECT_EQ(result(zx + 1, zy), 100);
}

TEST(IntegrationPlanes, TwoCoresKeepTheirOwnPlanes)
{
    ManualClock clock;
    ImageCore first(clock), second(clock);
    const int values[] = {40, 90};
    ImageCore* cores[] = {&first, &second};
    for (int k = 0; k < 2; ++k) {
        ImageCore& core = *cores[k];
        core.buffers.create();
        core.buffers.setFrameSize(64, 48);
        core.zone.displayZone = core.zone.zoneRect = {0, 0, 64, 48};
        core.controls.TNI_Taille_ZAffich = 64;
        core.controls.integration.CKB_Integration = true;
        core.controls.PNL_Integration.SPED_Nb_Bitmap = 0;
        core.buffers.zoneFrame.fill(qRgb(values[k], values[k], values[k]));
    }
    // Interleaved, as two runs in one process would go.
    for (int i = 0; i < 3; ++i)
        for (ImageCore* core : cores) core->integrator.IntegrateAndRender(Light, true, false, true);
    for (int k = 0; k < 2; ++k) {
        SCOPED_TRACE(k);
        const IntegrationPlanes& planes = cores[k]->integrator.planes;
        EXPECT_EQ(planes.sum(Light)[planeIndex(10, 10, kChannelGreen)], 3 * values[k]);
        EXPECT_EQ(planes.result()[planeIndex(10, 10, kChannelGreen)], 3 * values[k]);
    }
    // Resetting one core leaves the other's sum.
    first.integrator.BTN_Reset_AddClick();
    EXPECT_EQ(first.integrator.planes.sum(Light)[planeIndex(10, 10, 0)], 0);
    EXPECT_EQ(second.integrator.planes.sum(Light)[planeIndex(10, 10, 0)], 270);
}

TEST_F(Integration, ResultHasTheNominalZoneSizeAndEverySummedColumn)
{
    struct Case {
        int zone;
        bool binning2x2;
        int frameWidth, frameHeight;
        Point target;
        int width, height;
        int lastLit; // result column of the frame's last column, or the result's last column
    };
    const Case cases[] = {
        {640, false, 800, 600, {400, 300}, 640, 480, 639},
        {320, true, 800, 600, {400, 300}, 160, 120, 159},
        {200, false, 800, 600, {400, 300}, 200, 150, 199},
        {21, false, 800, 600, {400, 300}, 20, 16, 19},
        {640, false, 640, 480, {320, 240}, 640, 480, 639}, // the whole frame
        {800, false, 800, 600, {400, 300}, 800, 600, 799},
        {640, true, 640, 480, {320, 240}, 320, 240, 319},
        {200, false, 800, 600, {750, 300}, 200, 150, 149}, // cut by the frame's right edge
    };
    mode(true, false, false, false);
    fillZone(200);
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << "zone " << k.zone << (k.binning2x2 ? " at 2x2" : "") << " in "
                                        << k.frameWidth << "x" << k.frameHeight << " at " << k.target.x);
        core.buffers.setFrameSize(k.frameWidth, k.frameHeight);
        core.zone.starPos = k.target;
        core.controls.MNU_Binning_2x2 = k.binning2x2;
        core.controls.TNI_Taille_ZAffich = k.zone;
        core.pipeline.UpdateDisplayZone();
        core.integrator.BTN_Reset_AddClick();
        core.integrator.IntegrateAndRender(Light, true, false, true);
        EXPECT_EQ(core.buffers.resultWidth, k.width);
        EXPECT_EQ(core.buffers.resultHeight, k.height);
        // The last column and row holding pixels of the frame show the sum,
        // not the black of a cell never summed; past the frame stays black.
        const int b = k.binning2x2 ? 2 : 1;
        for (int y : {0, k.height / 2, k.height - 1})
            EXPECT_GT(qRed(core.buffers.result.pixel(k.lastLit, y)), 0) << "row " << y;
        EXPECT_EQ(result(k.lastLit, k.height - 1), 200 * b * b);
        if (k.lastLit + 1 < k.width) {
            EXPECT_EQ(core.buffers.result.pixel(k.lastLit + 1, 0) & 0xffffff, 0u);
        }
    }
}

// Dark and flat masters cover the whole frame: the frame's last column is
// corrected like any other and counts in the flat mean.
TEST_F(Integration, MastersCorrectTheLastColumnOfTheFrame)
{
    mode(false, false, true, false);
    core.integrator.BTN_Demarrer_AddClick();
    fillZone([](int x, int) { return x == W - 1 ? 30 : 10; }); // a warm last column
    add(Dark, 2);
    core.integrator.BTN_Arreter_AddClick();
    mode(false, false, false, true);
    core.integrator.BTN_Demarrer_AddClick();
    fillZone([](int x, int) { return x == W - 1 ? 50 : 100; }); // a shadow on the last column
    add(Flat);
    core.integrator.BTN_Arreter_AddClick();
    EXPECT_DOUBLE_EQ(core.integrator.stats.flatMean[0], (100.0 * (W - 1) + 50) / W);

    mode(true, false, false, false);
    core.integrator.BTN_Reset_AddClick();
    fillZone([](int x, int) { return x == W - 1 ? 30 + 40 : 10 + 80; }); // dark + light through the flat
    add(Light, 2);
    setDarkLevel(100);
    core.controls.CKB_Active_Flat = true;
    core.integrator.CKB_Active_FlatClick();
    const double mean = core.integrator.stats.flatMean[0];
    EXPECT_EQ(result(0, 7), int(mean / 100 * 160));
    EXPECT_EQ(result(W - 1, 7), int(mean / 50 * 80)) << "dark subtracted and flat divided on the last column too";
}

TEST_F(Integration, DarkControlsAfterTheCaptureStoppedKeepTheStack)
{
    struct Case {
        const char* what;
        bool sourceRunning;
    };
    // A five-frame stack whose integration box was unchecked at stop.
    const Case cases[] = {{"source stopped", false}, {"source running", true}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        core.integrator.planes.zero(Light);
        core.integrator.stats.frameCount[Light] = 0;
        mode(true, false, false, false);
        fillZone(100);
        add(Light, 5);
        core.controls.GRB_Seuils.SCB_Maximum = 256;
        core.integrator.renderCurrent();
        core.controls.integration = IntegrationMode{};
        core.integrator.setSourceRunning(k.sourceRunning);
        setDarkLevel(0);
        core.integrator.SCB_Seuil_darkChange(); // the dark slider touched at level 0
        core.controls.PNL_Integration.SPED_RDark = 3;
        core.integrator.SCB_Seuil_darkChange(); // the radius changed
        core.integrator.SCB_Seuil_darkChange();
        EXPECT_EQ(core.integrator.stats.frameCount[Light], 5);
        EXPECT_EQ(cell(Light, 10, 10), 500);
        EXPECT_EQ(result(10, 10), 500);
    }
}

TEST_F(Integration, ZoneCellsOutsideTheFrameAreNotBrightenedByTheFlat)
{
    // A flat master of the whole 160 x 120 frame, rendered when it stopped.
    core.buffers.setFrameSize(160, 120);
    core.zone.displayZone = core.zone.zoneRect = {0, 0, 160, 120};
    mode(false, false, false, true);
    fillZone(140);
    add(Flat, 5);
    core.integrator.IntegrateAndRender(Flat, false, false, true);
    ASSERT_GT(qRed(core.buffers.result.pixel(5, 5)), 0);
    core.integrator.FlatMeans();
    core.controls.CKB_Active_Flat = true;
    // Lights tracked to a star near the top-left corner: the zone is cut by
    // the top and left edges of the frame.
    mode(true, false, false, false);
    core.controls.TNI_Taille_ZAffich = 160;
    core.zone.starPos = {64, 44};
    core.pipeline.UpdateDisplayZone();
    ASSERT_EQ(core.zone.zoneRect.left, 16);
    ASSERT_EQ(core.zone.zoneRect.top, 16);
    fillZone(16);
    add(Light, 5);
    core.controls.GRB_Seuils.SCB_Minimum = 0;
    core.controls.GRB_Seuils.SCB_Maximum = 1280;
    core.integrator.renderCurrent();
    const auto red = [&](int x, int y) { return qRed(core.buffers.result.pixel(x, y)); };
    EXPECT_EQ(red(50, 50), 16); // the background, unchanged by a uniform flat
    for (const auto& [x, y] : {std::pair{5, 5}, std::pair{150, 5}, std::pair{5, 110}, std::pair{15, 60}})
        EXPECT_EQ(red(x, y), 0) << x << "," << y;
}

TEST_F(Integration, AjouterAddsNothingWhileIntegrationIsOff)
{
    struct StateView : CountingView {
        int stateChanges = 0;
        void integrationStateChanged() override { ++stateChanges; }
    } stateView;
    core.integrator.setView(&stateView);
    core.controls.integration = IntegrationMode{}; // integration off
    core.controls.PNL_Integration.SPED_Nb_Bitmap = 1; // the default count
    fillZone(80);
    core.integrator.BTN_AjouterClick();
    EXPECT_EQ(core.integrator.stats.frameCount[Light], 0);
    EXPECT_EQ(cell(Light, 10, 10), 0);
    EXPECT_EQ(stateView.stateChanges, 0); // no Stop fired
    // With the box checked the shown zone is added once.
    mode(true, false, false, false);
    core.controls.PNL_Integration.SPED_Nb_Bitmap = 0;
    core.integrator.BTN_AjouterClick();
    EXPECT_EQ(core.integrator.stats.frameCount[Light], 1);
    EXPECT_EQ(cell(Light, 10, 10), 80);
    core.integrator.setView(&view);
}

TEST_F(Integration, BinningIsLockedExactlyWhileARunSums)
{
    EXPECT_FALSE(core.integrator.binningLocked());
    mode(true, false, false, false);
    core.controls.PNL_Integration.SPED_Nb_Bitmap = 2;
    core.integrator.BTN_Demarrer_AddClick();
    EXPECT_TRUE(core.integrator.binningLocked());
    add(Light, 2); // the stop count ends the run
    EXPECT_FALSE(core.integrator.binningLocked());
}

// Darks taken with the cap on and flats taken on the panel correct the
// simulated sky through the program's own integration, as real ones
// correct a real camera: the background comes out even from the centre to
// the corners and no hot pixel is left.
#include "processing/ImageCore.h"
#include "simulator/SkySimulator.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <vector>

using namespace velumbra;

namespace {

constexpr int W = 640, H = 480;
constexpr int kFrames = 16;

class DarkFlatCorrection : public ::testing::Test {
protected:
    void SetUp() override
    {
        core.buffers.create();
        core.buffers.setFrameSize(W, H);
        core.zone.displayZone = {0, 0, W, H};
        core.zone.zoneRect = core.zone.displayZone;
        core.controls.TNI_Taille_ZAffich = W;
        core.flags.loadingSettings = false;
        core.controls.PNL_Integration.SPED_Nb_Bitmap = 0;
        core.controls.GRB_Seuils.CKB_Seuils_Evol = false;
        // A town sky: the glow stands well above the noise in a 1/25 s frame.
        SkyParameters p;
        p.background = 500;
        sky.setParameters(p);
    }
    void mode(bool unique, bool dark, bool flat)
    {
        auto& m = core.controls.integration;
        m.CKB_Integration = true;
        m.RDB_Unique = unique;
        m.RDB_Boucle = false;
        m.RDB_Dark = dark;
        m.RDB_Flat = flat;
    }
    // Frames of the camera in a mode, summed into a plane as a run of the
    // integration panel does.
    void take(CameraMode camera, Plane plane)
    {
        SkyParameters p = sky.parameters();
        p.mode = camera;
        sky.setParameters(p);
        core.integrator.BTN_Demarrer_AddClick();
        for (int i = 0; i < kFrames; ++i) {
            clock.advanceMs(40);
            sky.render(core.buffers.zoneFrame, W, H);
            core.integrator.IntegrateAndRender(plane, true, false, false);
        }
        core.integrator.BTN_Arreter_AddClick();
    }
    int32_t result(int x, int y) const { return core.integrator.planes.result()[planeIndex(x, y, kChannelGreen)]; }
    int32_t light(int x, int y) const { return core.integrator.planes.sum(Light)[planeIndex(x, y, kChannelGreen)]; }
    double boxMedian(int cx, int cy, bool corrected) const
    {
        std::vector<int32_t> v;
        for (int y = cy - 20; y < cy + 20; ++y)
            for (int x = cx - 20; x < cx + 20; ++x) v.push_back(corrected ? result(x, y) : light(x, y));
        std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(v.size() / 2), v.end());
        return v[v.size() / 2];
    }

    ManualClock clock;
    ImageCore core{clock};
    SkySimulator sky{clock, 41};
};

} // namespace

TEST_F(DarkFlatCorrection, CorrectedBackgroundIsEvenAndHotPixelsAreGone)
{
    mode(false, true, false);
    core.integrator.RDB_DarkClick();
    take(CameraMode::Cap, Dark);
    mode(false, false, true);
    core.integrator.RDB_FlatClick();
    take(CameraMode::Panel, Flat);
    mode(true, false, false);
    core.integrator.RDB_UniqueClick();
    take(CameraMode::Sky, Light);

    core.controls.PNL_Integration.SCB_Seuil_dark = 0;
    core.controls.TNI_MaxDark = 100; // subtract the whole dark
    core.controls.CKB_Active_Flat = true;
    core.integrator.CKB_Active_FlatClick();
    core.integrator.IntegrateAndRender(Light, false, false, true);

    const double centre = boxMedian(W / 2, H / 2, true);
    const double rawCentre = boxMedian(W / 2, H / 2, false);
    ASSERT_GT(centre, kFrames * 10);
    const int corners[4][2] = {{30, 30}, {W - 30, 30}, {30, H - 30}, {W - 30, H - 30}};
    for (const auto& c : corners) {
        EXPECT_NEAR(boxMedian(c[0], c[1], true) / centre, 1.0, 0.02) << c[0] << "," << c[1];
        // Uncorrected, the vignetting shows.
        EXPECT_LT(boxMedian(c[0], c[1], false) / rawCentre, 0.9) << c[0] << "," << c[1];
    }

    // Every hot pixel stood out of the raw sum and sits in the background after correction.
    int hotFound = 0;
    const auto& dark = core.integrator.planes.sum(Dark);
    for (int y = 2; y < H - 2; ++y)
        for (int x = 2; x < W - 2; ++x) {
            if (dark[planeIndex(x, y, kChannelGreen)] < kFrames * 25) continue; // an ordinary pixel
            ++hotFound;
            const auto localMedian = [&](bool corrected) {
                std::vector<int32_t> around;
                for (int dy = -2; dy <= 2; ++dy)
                    for (int dx = -2; dx <= 2; ++dx)
                        if (dx || dy) around.push_back(corrected ? result(x + dx, y + dy) : light(x + dx, y + dy));
                std::nth_element(around.begin(), around.begin() + 12, around.end());
                return double(around[12]);
            };
            EXPECT_GT(light(x, y) - localMedian(false), 400) << x << "," << y;
            EXPECT_LT(std::abs(result(x, y) - localMedian(true)), 250) << x << "," << y;
        }
    EXPECT_EQ(hotFound, sky.parameters().hotPixels);
}

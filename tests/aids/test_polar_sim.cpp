// Polar alignment and the pixel-size measurement on the simulated sky: the
// frames go through the program's own tracking and the sequencer, and the
// results are held against the simulator's truth.
#include "NightRig.h"
#include "aids/PixelSizeMeasure.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace velumbra::test {
namespace {

double radians(double arcmin)
{
    return arcmin / 60.0 * std::numbers::pi / 180.0;
}

// A star at the meridian drifts in declination by the azimuth error times
// the hour angle it turned through, whatever its declination: two minutes
// of it give the error and the way to turn, near the equator and well off it.
TEST(PolarSim, BigourdanFindsTheAzimuthErrorAndTheWayToTurn)
{
    struct Case {
        double azimuth;     // arc minutes along the horizon
        double declination; // degrees
    };
    const Case cases[] = {{30.0, 2.0}, {-30.0, 2.0}, {30.0, 30.0}, {30.0, 60.0}};
    for (const Case& k : cases) {
        SimulatedMount m;
        m.polarAzimuth = k.azimuth;
        ManualClock probe{QDateTime(QDate(2026, 10, 3), QTime(22, 0))};
        MountModel where(probe, m);
        // The default camera: 7.4 µm pixels at 2000 mm, 0.7632 arc seconds per pixel.
        Night night(m, {where.siderealTime(), k.declination}, true, 0.7632);
        BigourdanStep step(night);
        night.seq.setStep(Operation::Bigourdan, &step);
        ASSERT_TRUE(night.pickStar(80));
        night.seq.arm(Operation::Bigourdan);
        night.execute();
        for (int s = 0; s < 120; ++s) night.frame(1000);
        ASSERT_FALSE(night.lost);
        ASSERT_TRUE(night.bigourdan.computed);
        // The angle between the two axes: an azimuth error seen at the pole's altitude.
        const double truth = radians(std::fabs(k.azimuth)) * std::cos(m.latitude * std::numbers::pi / 180);
        const double measured = night.bigourdan.result.polarError;
        ::testing::Test::RecordProperty("measuredArcminAt" + std::to_string(int(k.declination)),
                                        std::to_string(measured * 10800 / std::numbers::pi));
        EXPECT_NEAR(measured, truth, 0.1 * truth) << k.azimuth << "' at " << k.declination << " deg";
        // The screw turns by the error, not by a declination-swollen one.
        EXPECT_NEAR(night.bigourdan.result.mm, night.settings.TNI_Rayon_Az * truth,
                    0.1 * night.settings.TNI_Rayon_Az * truth) << k.declination;
        // The mount's pole east of the true one is brought back by turning west.
        EXPECT_EQ(night.bigourdan.EDT_Correct, k.azimuth > 0 ? QStringLiteral("Ouest") : QStringLiteral("Est"))
            << k.azimuth;
    }
}

// Near the pole the star turns about the mount's axis; the drawn centre
// lies as far from the star as the axis is from the pole.
TEST(PolarSim, KingDrawsTheCentreAtThePolarError)
{
    SimulatedMount m;
    m.polarAzimuth = 20.0 / std::cos(m.latitude * std::numbers::pi / 180); // 20' on the sky
    m.polarAltitude = 15.0;
    ManualClock probe{QDateTime(QDate(2026, 10, 3), QTime(22, 0))};
    MountModel where(probe, m);
    Night night(m, {where.siderealTime() + 6.0, 88.5}, true);
    KingStep step(night);
    night.seq.setStep(Operation::King, &step);
    ASSERT_TRUE(night.pickStar(100));
    night.seq.arm(Operation::King);
    night.execute();
    for (int s = 0; s < 600; ++s) night.frame(1000);
    ASSERT_FALSE(night.lost);
    const double truth = std::hypot(20.0, 15.0) * 60; // arc seconds
    const double drawn = night.king.radius * night.settings.TNI_Echantillonnage;
    ::testing::Test::RecordProperty("drawnArcsec", std::to_string(drawn));
    EXPECT_NEAR(drawn, truth, 0.1 * truth);
}

// The tracking stopped, a star near the equator drifts at the sidereal
// rate: its travel gives the size of a pixel.
TEST(PolarSim, PixelSizeFromTheDriftMatchesTheSensor)
{
    SimulatedMount m;
    ManualClock probe{QDateTime(QDate(2026, 10, 3), QTime(22, 0))};
    MountModel where(probe, m);
    Night night(m, {where.siderealTime(), 0.5}, false);
    struct Sizes : PixelSizeView {
        double effectiveFocal() const override { return kFocal; }
        void setResolution(int, int) override {}
        void setPixelSize(double um) override { last = um; }
        double last = 0;
    } sizes;
    PixelSizeStep step(sizes);
    night.seq.setStep(Operation::PixelSize, &step);
    // A star on the side it drifts away from, so that it crosses the frame.
    SkyParameters p = night.sky.parameters();
    ASSERT_TRUE(night.pickStar(60));
    night.seq.arm(Operation::PixelSize);
    night.execute();
    for (int s = 0; s < 40 && night.seq.measuringFor(Operation::PixelSize); ++s) night.frame(500);
    const double truth = pixelFor(p.scale) * std::cos(0.5 * std::numbers::pi / 180); // the drift is slower off the equator
    ::testing::Test::RecordProperty("measuredMicrometres", std::to_string(sizes.last));
    EXPECT_NEAR(sizes.last, pixelFor(p.scale), 0.02 * pixelFor(p.scale)) << "truth at this declination " << truth;
}

} // namespace
} // namespace velumbra::test

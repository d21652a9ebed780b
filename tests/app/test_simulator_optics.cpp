// The sky simulator seen through the observer's optics: the camera takes the
// total focal length, the pixel size and the resolution it was given at from
// a preferences profile, and the program computes its sampling from the same
// profile. What the measurements read off the frames then matches the sky's
// truth: a star's declination, the worm's periodic error, the guide speeds.
#include "../aids/GuidingRig.h"
#include "../aids/NightRig.h"
#include "aids/PeriodicError.h"
#include "aids/SkyDrift.h"
#include "settings/Optics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace velumbra::test {
namespace {

struct Profile {
    const char* name;
    OpticsControls optics;
    CameraControls camera;
};

// The preferences of a first start, and a short refractor behind a sensor of
// 5.6 µm pixels read 2 × 2 (the pixel size given at the full 1280 columns).
const Profile kProfiles[] = {
    {"defaults", OpticsControls{}, CameraControls{}},
    {"binned", OpticsControls{1000, false, 2.0, false, 0.63, false}, CameraControls{5.6, 5.6, 1280, 960}},
};

// What the program hands the simulated camera.
CameraOptics opticsOf(const Profile& p)
{
    return {ComputeEffectiveFocal(p.optics), p.camera.TNI_Larg_Pix, p.camera.TNI_NbPix_X};
}

// What the program shows in "Sec.Arc/pixel" for that frame size.
double samplingOf(const Profile& p, int width, int height)
{
    return ComputeSampling(p.camera, ComputeEffectiveFocal(p.optics), width, height).value().TNI_Echantillonnage;
}

// The measurements' view of the optics (the pixel angles of Bigourdan and
// the periodic error).
void useProfile(PolarSettings& s, const Profile& p)
{
    s.TNI_Larg_Pix = p.camera.TNI_Larg_Pix;
    s.TNI_Haut_Pix = p.camera.TNI_Haut_Pix;
    s.TNI_NbPix_X = p.camera.TNI_NbPix_X;
    s.TNI_NbPix_Y = p.camera.TNI_NbPix_Y;
    s.effectiveFocal = ComputeEffectiveFocal(p.optics);
    s.TNI_Echantillonnage = samplingOf(p, kWidth, kHeight);
}

class SimulatorOptics : public ::testing::TestWithParam<Profile> {};

// A star at +41° drifting with the drive stopped: the declination operation
// reads it back from the program's sampling.
TEST_P(SimulatorOptics, DeclinationOfAStarAtPlus41)
{
    const Profile& profile = GetParam();
    const double sampling = samplingOf(profile, kWidth, kHeight);
    SimulatedMount m;
    ManualClock probe{QDateTime(QDate(2026, 10, 3), QTime(22, 0))};
    MountModel where(probe, m);
    Night night(m, {where.siderealTime() + 1.0, 41.0}, false, SkyParameters{}.scale);
    night.sky.setOptics(opticsOf(profile));
    struct Sink : OrientationView {
        double scale = 0;
        OrientationResult last;
        double sampling() const override { return scale; }
        void showOrientation(const OrientationResult& r) override { last = r; }
    } sink;
    sink.scale = sampling;
    OrientationStep step(sink);
    night.seq.setStep(Operation::Orientation, &step);
    ASSERT_TRUE(night.pickStar(170));
    night.seq.arm(Operation::Orientation);
    night.execute();
    // About 150 pixels of drift, whatever the scale.
    const double seconds = 150 * sampling / (kSiderealRate * std::cos(41.0 * std::numbers::pi / 180));
    for (int ms = 0; ms < seconds * 1000; ms += 500) night.frame(500);
    ASSERT_FALSE(night.lost);
    EXPECT_NEAR(sink.last.declination, 41.0, 1.5) << "at " << sampling << "\"/pixel";
}

// Least-squares amplitude of a sine of known period (with an offset and a
// slope for the slow drift of an imperfect alignment).
double amplitudeAt(const std::vector<std::pair<double, double>>& points, double period)
{
    const double w = 2 * std::numbers::pi / period;
    double m[4][5] = {};
    for (auto [t, v] : points) {
        const double f[4] = {std::sin(w * t), std::cos(w * t), 1.0, t};
        for (int i = 0; i < 4; ++i) {
            for (int j = 0; j < 4; ++j) m[i][j] += f[i] * f[j];
            m[i][4] += f[i] * v;
        }
    }
    for (int i = 0; i < 4; ++i)
        for (int k = i + 1; k < 4; ++k) {
            const double r = m[k][i] / m[i][i];
            for (int j = i; j < 5; ++j) m[k][j] -= r * m[i][j];
        }
    double x[4];
    for (int i = 3; i >= 0; --i) {
        double s = m[i][4];
        for (int j = i + 1; j < 4; ++j) s -= m[i][j] * x[j];
        x[i] = s / m[i][i];
    }
    return std::hypot(x[0], x[1]);
}

// A worm of ±30″ on a star of the equator: the periodic-error chart swings ±30″.
TEST_P(SimulatorOptics, PeriodicErrorOfThirtyArcSeconds)
{
    const Profile& profile = GetParam();
    SimulatedMount m;
    m.periodicAmplitude = 30.0;
    m.periodicPeriod = 240.0;
    m.periodicSecond = 0.0;
    m.periodicThird = 0.0;
    ManualClock probe{QDateTime(QDate(2026, 10, 3), QTime(22, 0))};
    MountModel where(probe, m);
    Night night(m, {where.siderealTime(), 0.0}, true, SkyParameters{}.scale);
    night.sky.setOptics(opticsOf(profile));
    useProfile(night.settings, profile);
    struct Sink : PeriodicErrorView {
        const Night* night = nullptr;
        std::vector<std::pair<double, double>> points;
        PolarSettings polarSettings() const override { return night->settings; }
        void showPeriodicError(const PeriodicErrorFrame& f) override
        {
            if (f.point) points.emplace_back(f.TNI_Duree_Pose, f.drift);
        }
    } sink;
    sink.night = &night;
    PeriodicErrorStep step(sink, night.messages, QLatin1Char('.'));
    night.seq.setStep(Operation::PeriodicError, &step);
    ASSERT_TRUE(night.pickStar(120));
    night.seq.arm(Operation::PeriodicError);
    night.execute();
    for (int s = 0; s < 360; s += 2) night.frame(2000);
    ASSERT_FALSE(night.lost);
    ASSERT_GT(sink.points.size(), 150u);
    EXPECT_NEAR(amplitudeAt(sink.points, 240.0), 30.0, 3.0) << "at " << samplingOf(profile, kWidth, kHeight)
                                                           << "\"/pixel";
}

// The calibration ("Apprendre") measures the mount's guide rate.
TEST_P(SimulatorOptics, CalibratedSpeedsAreTheGuideRate)
{
    const Profile& profile = GetParam();
    struct Rig : GuidingRig {
        using GuidingRig::GuidingRig;
        double sampling = 0; // the program's, not the sky's
        double TNI_Echantillonnage() const override { return sampling; }
    } rig(MountInterface::LX200, SkyParameters{});
    rig.sampling = samplingOf(profile, GuidingRig::kWidth, GuidingRig::kHeight);
    rig.sky.setOptics(opticsOf(profile));
    rig.star = rig.pickGuideStar(); // the field as these optics see it
    ASSERT_GE(rig.star, 0);
    rig.core.zone.starPos = GuidingRig::rounded(rig.truth());
    rig.core.pipeline.ProcessFrame(false);
    const double rate = rig.simMount.rate(West);
    // About 30 pixels each way.
    rig.durationTest = std::round(30 * rig.sampling / rate * 1000);
    ASSERT_TRUE(rig.mount.mount_connect(Mount::ConnectCause::Button));
    rig.calibrate(100, int(4 * rig.durationTest / 100) + 20);
    ASSERT_FALSE(rig.messages.lines.isEmpty());
    EXPECT_EQ(rig.messages.lines.last(), QStringLiteral("Execution terminée"));
    for (double v : {rig.settings.TNI_Vitesse_Ouest, rig.settings.TNI_Vitesse_Nord, rig.settings.TNI_Vitesse_Est,
                     rig.settings.TNI_Vitesse_Sud})
        EXPECT_NEAR(v, rate, 0.08 * rate) << "at " << rig.sampling << "\"/pixel";
}

INSTANTIATE_TEST_SUITE_P(Profiles, SimulatorOptics, ::testing::ValuesIn(kProfiles),
                         [](const auto& info) { return std::string(info.param.name); });

// The camera's scale is the program's sampling at every frame width, so a
// star moves on the frame by as many pixels as the program expects.
TEST(SimulatorOptics, AStarMovesByThePixelsTheProgramExpects)
{
    for (const Profile& profile : kProfiles)
        for (int width : {320, 640}) {
            const int height = width * 3 / 4;
            ManualClock clock{QDateTime(QDate(2026, 10, 3), QTime(22, 0))};
            SkySimulator sky(clock);
            sky.setOptics(opticsOf(profile));
            sky.mount().setTracking(true);
            const Equatorial at{sky.mount().siderealTime(), 20.0};
            sky.mount().pointAt(at);
            const int id = sky.brightestStarInView(width, height, 40);
            ASSERT_GE(id, 0);
            const QPointF before = sky.starPosition(id, width, height);
            sky.mount().pointAt({at.raHours, at.decDegrees + 60.0 / 3600}); // one arc minute north
            const QPointF after = sky.starPosition(id, width, height);
            const double pixels = std::hypot(after.x() - before.x(), after.y() - before.y());
            EXPECT_NEAR(pixels, 60.0 / samplingOf(profile, width, height), 0.01 * pixels)
                << profile.name << " " << width;
        }
}

} // namespace
} // namespace velumbra::test

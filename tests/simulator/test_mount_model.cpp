// The mount's physics as the camera shows it: star positions on the image
// against the rates, pulses, periodic error, polar error, backlash, slews
// and focuser a user would set.
#include "simulator/SkyObjects.h"
#include "simulator/SkySimulator.h"
#include "tests/simulator/SimTestSupport.h"

#include <gtest/gtest.h>
#include <cmath>
#include <limits>
#include <numbers>

using namespace velumbra;

namespace {

constexpr int W = 640, H = 480;
constexpr double kScale = 1.5;
constexpr double kPi = std::numbers::pi;

double cosDeg(double d) { return std::cos(d * kPi / 180); }
double sinDeg(double d) { return std::sin(d * kPi / 180); }

// A sky without seeing motion at 1.5"/px, orientation 0, seen through a
// diagonal (west +x, north +y; straight through north is -y), pointed at
// (ra, dec), and a bright star near the centre to follow.
struct Scene {
    ManualClock clock;
    SkySimulator sky{clock, 21};
    int star = -1;
    explicit Scene(double dec, double ra = 5.0, SimulatedMount settings = {}, bool diagonal = true)
    {
        SkyParameters p;
        p.jitter = 0;
        p.scale = kScale;
        p.diagonal = diagonal;
        sky.setParameters(p);
        sky.mount().setSettings(settings);
        sky.mount().pointAt({ra, dec});
        star = sky.brightestStarInView(W, H, 200);
    }
    QPointF at() { return sky.starPosition(star, W, H); }
};

} // namespace

// 15.041"/s x cos(dec) without tracking, nothing with it.
TEST(MountModel, TrackingOffDriftsAtTheSiderealRateTrackingOnStays)
{
    for (double dec : {0.0, 25.0, 50.0, 70.0, -35.0}) {
        Scene s(dec);
        ASSERT_GE(s.star, 0) << dec;
        const QPointF start = s.at();
        s.clock.advanceMs(20000);
        const QPointF tracked = s.at();
        EXPECT_NEAR(tracked.x() - start.x(), 0.0, 1e-3) << dec;
        EXPECT_NEAR(tracked.y() - start.y(), 0.0, 1e-3) << dec;
        s.sky.mount().setTracking(false);
        s.clock.advanceMs(8000);
        const QPointF drifted = s.at();
        const double arcsec = (drifted.x() - tracked.x()) * kScale;
        EXPECT_NEAR(arcsec / 8.0, 15.041 * cosDeg(dec), 15.041 * cosDeg(dec) * 0.005) << dec;
        // Only the projection's curvature off the centre bends the path.
        EXPECT_NEAR(drifted.y(), tracked.y(), 0.2) << dec;
    }
}

// A pulse of t ms at the guide rate: 0.5 x 15.041 x t/1000 x cos(dec) in
// right ascension, 0.5 x 15.041 x t/1000 in declination, and then nothing.
TEST(MountModel, GuidePulseMovesTheStarByTheGuideRate)
{
    struct Case {
        MountDirection direction;
        double ms;
        double dec;
        double dx, dy; // image direction of the star's move (west +x, north +y)
    };
    const Case cases[] = {
        {MountDirection::West, 500, 0, -1, 0},   {MountDirection::East, 500, 0, 1, 0},
        {MountDirection::West, 2000, 60, -1, 0}, {MountDirection::East, 120, 45, 1, 0},
        {MountDirection::North, 1000, 30, 0, -1}, {MountDirection::South, 250, 30, 0, 1},
    };
    for (const Case& c : cases) {
        Scene s(c.dec);
        ASSERT_GE(s.star, 0);
        const QPointF before = s.at();
        s.sky.mount().pulse(c.direction, c.ms);
        s.clock.advanceMs(qint64(c.ms) + 3000); // the pulse ends by itself
        const QPointF after = s.at();
        const bool ra = c.direction == MountDirection::East || c.direction == MountDirection::West;
        const double expected = 0.5 * 15.041 * c.ms / 1000 * (ra ? cosDeg(c.dec) : 1.0);
        EXPECT_NEAR((after.x() - before.x()) * kScale, c.dx * expected, 0.005 + expected * 0.002)
            << int(c.direction) << " " << c.ms;
        EXPECT_NEAR((after.y() - before.y()) * kScale, c.dy * expected, 0.005 + expected * 0.002)
            << int(c.direction) << " " << c.ms;
        EXPECT_FALSE(s.sky.mount().moving(c.direction));
    }
    // Straight through the telescope the image is not turned over: the
    // same northward pulse moves the star the other way along y, x unchanged.
    Scene straight(30, 5.0, {}, false), mirrored(30, 5.0, {}, true);
    const QPointF s0 = straight.at(), m0 = mirrored.at();
    for (Scene* sc : {&straight, &mirrored}) {
        sc->sky.mount().pulse(MountDirection::North, 1000);
        sc->clock.advanceMs(4000);
    }
    EXPECT_NEAR(straight.at().y() - s0.y(), -(mirrored.at().y() - m0.y()), 1e-6);
    EXPECT_GT(straight.at().y() - s0.y(), 1.0) << "a northward move sends the star south, down the image";
    EXPECT_NEAR(straight.at().x() - s0.x(), mirrored.at().x() - m0.x(), 1e-6);
}

// The rates of the paddle in multiples of the sidereal rate.
TEST(MountModel, PaddleRatesMoveAtTheirMultiples)
{
    const std::pair<MountRate, double> rates[] = {{MountRate::Guide, 0.5}, {MountRate::Centre, 8}, {MountRate::Find, 64}};
    for (auto [rate, factor] : rates) {
        Scene s(0.0);
        const QPointF before = s.at();
        s.sky.mount().setRate(rate);
        s.sky.mount().startMove(MountDirection::North);
        s.clock.advanceMs(200);
        s.sky.mount().stopMove(MountDirection::North);
        s.clock.advanceMs(1000);
        EXPECT_NEAR((before.y() - s.at().y()) * kScale, factor * 15.041 * 0.2, factor * 15.041 * 0.2 * 0.002);
    }
}

// The worm's error shows in the star's right ascension with the set
// amplitude (the fundamental) and period, and repeats exactly.
TEST(MountModel, PeriodicErrorShowsItsAmplitudeAndPeriod)
{
    struct Case {
        double amplitude, period, dec;
    };
    for (const Case& c : {Case{5.0, 300, 0}, Case{12.0, 480, 40}, Case{20.0, 600, 65}}) {
        SimulatedMount m;
        m.periodicAmplitude = c.amplitude;
        m.periodicPeriod = c.period;
        Scene s(c.dec, 5.0, m);
        ASSERT_GE(s.star, 0);
        const int samples = 400;
        const qint64 stepMs = qint64(2 * c.period * 1000) / samples; // two periods, in whole milliseconds
        double re = 0, im = 0, lo = 1e9, hi = -1e9;
        std::vector<double> ra;
        for (int i = 0; i < samples; ++i) {
            // Right ascension of the star relative to the field, arc seconds of RA.
            const double v = -(s.at().x() - W / 2.0) * kScale / cosDeg(c.dec);
            ra.push_back(v);
            const double w = 2 * kPi * i * stepMs / 1000.0 / c.period;
            re += v * std::cos(w);
            im += v * std::sin(w);
            lo = std::min(lo, v), hi = std::max(hi, v);
            s.clock.advanceMs(stepMs);
        }
        const double fundamental = 2 * std::hypot(re, im) / samples;
        EXPECT_NEAR(fundamental, c.amplitude, c.amplitude * 0.01) << c.amplitude;
        EXPECT_GT(hi - lo, 1.8 * c.amplitude); // the harmonics add to the swing
        for (int i = 0; i < samples / 2; ++i) EXPECT_NEAR(ra[i], ra[i + samples / 2], 1e-3) << i;
    }
}

// A mount pole displaced by dAz (east) and dAlt (up) makes a star drift in
// declination at 15.041"/s x (dAlt sin H + dAz cos(latitude) cos H), toward
// south for a positive value: a star on the meridian drifts south when the
// polar axis points east of the pole, a star in the east drifts north when
// it points too high, the classical rules of drift alignment.
TEST(MountModel, PolarErrorGivesTheDeclinationDriftOfTheGeometry)
{
    struct Case {
        double azimuth, altitude; // arc minutes
        double hourAngle;         // hours, west positive
        double dec;
    };
    const Case cases[] = {
        {20, 0, 0, 0}, {-20, 0, 0, 30}, {0, 20, -6, 0}, {0, -15, 3, 20}, {10, 10, 1.5, 45}, {30, -10, -2, -10},
    };
    for (const Case& c : cases) {
        SimulatedMount m;
        m.latitude = 46;
        m.polarAzimuth = c.azimuth;
        m.polarAltitude = c.altitude;
        ManualClock clock;
        SkySimulator sky(clock, 22);
        SkyParameters p;
        p.diagonal = true; // north +y
        p.jitter = 0;
        p.scale = kScale;
        sky.setParameters(p);
        sky.mount().setSettings(m);
        sky.mount().pointAt({sky.mount().siderealTime() - c.hourAngle, c.dec});
        const int star = sky.brightestStarInView(W, H, 150);
        ASSERT_GE(star, 0);
        const double y0 = sky.starPosition(star, W, H).y();
        clock.advanceMs(60000);
        const double drift = (sky.starPosition(star, W, H).y() - y0) * kScale / 60.0; // "/s toward north
        const double h = c.hourAngle * 15;
        const double expected =
            -15.041 * (c.altitude / 60 * kPi / 180 * sinDeg(h) + c.azimuth / 60 * kPi / 180 * cosDeg(46) * cosDeg(h));
        EXPECT_NEAR(drift, expected, std::abs(expected) * 0.03 + 1e-4)
            << c.azimuth << " " << c.altitude << " H " << c.hourAngle << " dec " << c.dec;
        EXPECT_GT(std::abs(expected), 1e-3);
    }
    // Aligned, nothing drifts.
    Scene aligned(30);
    const QPointF a = aligned.at();
    aligned.clock.advanceMs(600000);
    EXPECT_NEAR(aligned.at().y(), a.y(), 1e-3);
}

// Near the pole the field turns about it at the sidereal rate when the
// drive is off: the line between two stars turns by 15.041"/s x t.
TEST(MountModel, FieldRotatesAboutThePoleNearIt)
{
    ManualClock clock;
    SkySimulator sky(clock, 23);
    SkyParameters p;
    p.jitter = 0;
    p.scale = 6.0; // a wide field around the pole
    sky.setParameters(p);
    sky.mount().pointAt({0.0, 89.9});
    sky.mount().setTracking(false);
    const int a = sky.brightestStarInView(W, H, 60);
    ASSERT_GE(a, 0);
    int b = -1;
    double farthest = 0;
    for (int margin : {200, 150, 100, 60}) {
        const int candidate = sky.brightestStarInView(W, H, margin, 1e9);
        if (candidate < 0 || candidate == a) continue;
        const double d = std::hypot(sky.starPosition(candidate, W, H).x() - sky.starPosition(a, W, H).x(),
                                    sky.starPosition(candidate, W, H).y() - sky.starPosition(a, W, H).y());
        if (d > farthest) farthest = d, b = candidate;
    }
    ASSERT_GE(b, 0);
    auto angle = [&] {
        const QPointF pa = sky.starPosition(a, W, H), pb = sky.starPosition(b, W, H);
        return std::atan2(pb.y() - pa.y(), pb.x() - pa.x());
    };
    const double before = angle();
    clock.advanceMs(300000);
    const double turned = std::abs(std::remainder(angle() - before, 2 * kPi)) * 180 / kPi;
    EXPECT_NEAR(turned, 15.041 * 300 / 3600, 15.041 * 300 / 3600 * 0.02);
}

// The declination gears' play: after a reversal the motor turns through
// the play before the star moves again.
TEST(MountModel, DeclinationBacklashDelaysTheReversal)
{
    SimulatedMount m;
    m.decBacklash = 20;
    Scene s(20, 5.0, m);
    MountModel& mount = s.sky.mount();
    mount.setRate(MountRate::Guide); // 7.52"/s
    const auto move = [&](MountDirection d, int ms) {
        mount.startMove(d);
        s.clock.advanceMs(ms);
        mount.stopMove(d);
    };
    move(MountDirection::North, 4000); // takes up the play northward, then moves
    const double y0 = s.at().y();
    move(MountDirection::South, 2000); // 15" of motor: inside the play
    EXPECT_NEAR(s.at().y(), y0, 1e-3);
    move(MountDirection::South, 2000); // 30" of motor: 10" past the play
    EXPECT_NEAR((s.at().y() - y0) * kScale, 30.08 - 20, 0.02);
    move(MountDirection::South, 1000); // already pushing: all of it
    EXPECT_NEAR((s.at().y() - y0) * kScale, 30.08 - 20 + 7.52, 0.02);
}

TEST(MountModel, SlewsToTheCatalogueAtTheSlewRateAndRefusesBelowTheHorizon)
{
    ASSERT_TRUE(SkyObjects::find(QStringLiteral("m31")).has_value());
    ASSERT_TRUE(SkyObjects::find(QStringLiteral(" M 42 ")).has_value());
    EXPECT_FALSE(SkyObjects::find(QStringLiteral("M 999")).has_value());
    EXPECT_FALSE(SkyObjects::find(QString()).has_value());

    ManualClock clock;
    SkySimulator sky(clock, 24);
    MountModel& mount = sky.mount();
    for (const char* name : {"M 31", "Vega", "M 13", "Jupiter", "NGC 7000"}) {
        const SkyObject o = *SkyObjects::find(QString::fromLatin1(name));
        const Equatorial from = mount.currentPointing();
        if (mount.altitude({o.raHours, o.decDegrees}) < 0) {
            EXPECT_EQ(mount.slewTo({o.raHours, o.decDegrees}), SlewResult::BelowHorizon) << name;
            EXPECT_FALSE(mount.slewing());
            EXPECT_NEAR(mount.currentPointing().decDegrees, from.decDegrees, 1e-9);
            continue;
        }
        ASSERT_EQ(mount.slewTo({o.raHours, o.decDegrees}), SlewResult::Started) << name;
        EXPECT_TRUE(mount.slewing());
        // Both axes at 500 x sidereal: the longer one sets the time.
        const double dra = std::abs(std::remainder(o.raHours - from.raHours, 24.0)) * 15 * 3600;
        const double ddec = std::abs(o.decDegrees - from.decDegrees) * 3600;
        const double seconds = std::max(dra, ddec) / (500 * 15.041);
        clock.advanceMs(qint64(seconds * 1000 * 0.9));
        EXPECT_TRUE(mount.slewing()) << name;
        clock.advanceMs(qint64(seconds * 1000 * 0.1) + 50);
        EXPECT_FALSE(mount.slewing()) << name;
        const Equatorial now = mount.currentPointing();
        EXPECT_NEAR(std::remainder(now.raHours - o.raHours, 24.0) * 54000, 0.0, 0.5) << name;
        EXPECT_NEAR((now.decDegrees - o.decDegrees) * 3600, 0.0, 0.5) << name;
        EXPECT_LT(mount.pointingError(), 1.0) << name; // no polar error: the truth agrees
    }
    // Something below the horizon now: the antipode of the zenith.
    const double lst = mount.siderealTime();
    EXPECT_EQ(mount.slewTo({std::fmod(lst + 12, 24), -mount.settings().latitude}), SlewResult::BelowHorizon);
}

TEST(MountModel, SyncChangesWhatTheMountBelievesNotWhereItPoints)
{
    ManualClock clock;
    SkySimulator sky(clock, 25);
    MountModel& mount = sky.mount();
    const Equatorial truth = mount.truePointing();
    mount.sync({truth.raHours + 0.01, truth.decDegrees - 0.1}); // 540" of RA, 360" of Dec off
    const Equatorial believed = mount.currentPointing();
    EXPECT_NEAR(believed.raHours, truth.raHours + 0.01, 1e-9);
    EXPECT_NEAR(believed.decDegrees, truth.decDegrees - 0.1, 1e-9);
    EXPECT_NEAR(mount.truePointing().raHours, truth.raHours, 1e-9);
    const double expected = std::hypot(540 * cosDeg(truth.decDegrees), 360);
    EXPECT_NEAR(mount.pointingError(), expected, 3.0);
    clock.advanceMs(60000); // tracking keeps both
    EXPECT_NEAR(mount.currentPointing().raHours, believed.raHours, 1e-9);
}

TEST(MountModel, FocuserRunsAtItsSpeedsAndBlursAsModelled)
{
    ManualClock clock;
    SkySimulator sky(clock, 26);
    MountModel& mount = sky.mount();
    const double best = mount.settings().bestFocus;
    EXPECT_DOUBLE_EQ(mount.focuserPosition(), best);
    mount.focuserMove(FocuserDirection::Out, true);
    clock.advanceMs(2000);
    mount.focuserStop();
    clock.advanceMs(1000);
    EXPECT_NEAR(mount.focuserPosition(), best + 2 * mount.settings().focuserFast, 1e-6);
    mount.focuserMove(FocuserDirection::In, false);
    clock.advanceMs(5000);
    mount.focuserStop();
    EXPECT_NEAR(mount.focuserPosition(), best + 2 * mount.settings().focuserFast - 5 * mount.settings().focuserSlow,
                1e-6);
    EXPECT_NEAR(sky.defocusDiameterPixels(),
                (2 * mount.settings().focuserFast - 5 * mount.settings().focuserSlow) *
                    sky.parameters().defocusPerStep / sky.parameters().scale,
                1e-6);
}

// Whatever a device passes on, the model stays whole and keeps its state.
TEST(MountModel, NonsenseRequestsChangeNothing)
{
    ManualClock clock;
    SkySimulator sky(clock, 27);
    MountModel& mount = sky.mount();
    const Equatorial before = mount.currentPointing();
    const double nan = std::nan("");
    mount.startMove(MountDirection(7), 10.0);
    mount.pulse(MountDirection(-1), 100);
    mount.startMove(MountDirection::North, nan);
    mount.pulse(MountDirection::East, std::numeric_limits<double>::infinity());
    mount.sync({nan, 10});
    mount.pointAt({1, nan});
    EXPECT_EQ(mount.slewTo({nan, nan}), SlewResult::BelowHorizon);
    mount.setFocuserPosition(nan);
    SimulatedMount bad;
    bad.latitude = nan;
    bad.polarAzimuth = std::numeric_limits<double>::infinity();
    mount.setSettings(bad);
    EXPECT_FALSE(mount.moving(MountDirection(9)));
    clock.advanceMs(5000);
    EXPECT_NEAR(mount.currentPointing().raHours, before.raHours, 1e-12);
    EXPECT_NEAR(mount.currentPointing().decDegrees, before.decDegrees, 1e-12);
    EXPECT_TRUE(std::isfinite(mount.pointingError()));
    SkyParameters p;
    p.scale = nan;
    p.exposureMs = -5;
    sky.setParameters(p);
    QImage img(800, 600, QImage::Format_RGB32), small(10, 10, QImage::Format_Grayscale8);
    small.fill(7);
    const QImage untouched = small;
    sky.render(img, W, H);
    sky.render(small, W, H); // not a 32-bit bitmap: left alone
    sky.render(img, -3, 100000);
    EXPECT_EQ(small, untouched);
    EXPECT_GT(sky.parameters().scale, 0);
}

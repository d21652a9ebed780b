#include "core/ImageBuffers.h"
#include "simulator/SkySimulator.h"

#include <gtest/gtest.h>
#include <cmath>
#include <numbers>

using namespace velumbra;

namespace {

constexpr int W = 640, H = 480;

SkyParameters still()
{
    SkyParameters p;
    p.jitter = 0;
    p.tracking = true;
    return p;
}

// Light-weighted centre of the pixels above the background in a box.
QPointF centroid(const QImage& img, QPointF around, int half = 6, int floor = 40)
{
    double sx = 0, sy = 0, sw = 0;
    for (int y = int(around.y()) - half; y <= int(around.y()) + half; ++y)
        for (int x = int(around.x()) - half; x <= int(around.x()) + half; ++x) {
            if (x < 0 || y < 0 || x >= W || y >= H) continue;
            const double v = qGreen(img.pixel(x, y)) - floor;
            if (v <= 0) continue;
            sx += v * (x + 0.5);
            sy += v * (y + 0.5);
            sw += v;
        }
    return sw > 0 ? QPointF(sx / sw, sy / sw) : QPointF(-1, -1);
}

double spread(const QImage& img, QPointF c, int half = 10, int floor = 30)
{
    double s = 0, sw = 0;
    for (int y = int(c.y()) - half; y <= int(c.y()) + half; ++y)
        for (int x = int(c.x()) - half; x <= int(c.x()) + half; ++x) {
            const double v = qGreen(img.pixel(x, y)) - floor;
            if (v <= 0) continue;
            s += v * ((x + 0.5 - c.x()) * (x + 0.5 - c.x()) + (y + 0.5 - c.y()) * (y + 0.5 - c.y()));
            sw += v;
        }
    return sw > 0 ? std::sqrt(s / sw) : 0;
}

double meanGreen(const QImage& img)
{
    double s = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) s += qGreen(img.pixel(x, y));
    return s / (W * H);
}

} // namespace

TEST(SkySimulator, UntrackedFieldDriftsAtTheSiderealRate)
{
    for (double dec : {0.0, 30.0, 60.0}) {
        ManualClock clock;
        SkySimulator sky(clock, 3);
        SkyParameters p = still();
        p.tracking = false;
        p.declination = dec;
        p.scale = 2.0;
        sky.setParameters(p);
        clock.advanceMs(60000);
        const double expected = kSiderealRate * std::cos(dec * std::numbers::pi / 180) * 60 / 2.0;
        const QPointF shift = sky.fieldShift();
        EXPECT_NEAR(shift.x(), expected, expected * 0.01) << "declination " << dec;
        EXPECT_NEAR(shift.y(), 0.0, 1e-9);
    }
}

TEST(SkySimulator, StarsMoveAlongTheOrientation)
{
    ManualClock clock;
    SkySimulator sky(clock, 4);
    SkyParameters p = still();
    p.tracking = false;
    p.declination = 40;
    p.orientation = 30;
    p.scale = 1.5;
    sky.setParameters(p);
    const int star = sky.brightestStarInView(W, H, 150);
    ASSERT_GE(star, 0);
    const QPointF before = sky.starPosition(star, W, H);
    clock.advanceMs(10000);
    const QPointF after = sky.starPosition(star, W, H);
    const double dist = kSiderealRate * std::cos(40 * std::numbers::pi / 180) * 10 / 1.5;
    EXPECT_NEAR(after.x() - before.x(), dist * std::cos(std::numbers::pi / 6), dist * 0.01);
    EXPECT_NEAR(after.y() - before.y(), dist * std::sin(std::numbers::pi / 6), dist * 0.01);
}

TEST(SkySimulator, RenderedStarsSitAtTheirTruePositions)
{
    ManualClock clock;
    SkySimulator sky(clock, 5);
    SkyParameters p = still();
    p.tracking = false;
    p.declination = 0;
    sky.setParameters(p);
    QImage img(800, 600, kPixelFormat);
    for (int step = 0; step < 3; ++step) {
        const int star = sky.brightestStarInView(W, H, 40);
        ASSERT_GE(star, 0);
        sky.render(img, W, H);
        const QPointF truth = sky.starPosition(star, W, H);
        const QPointF seen = centroid(img, truth);
        EXPECT_NEAR(seen.x(), truth.x(), 0.5) << "step " << step;
        EXPECT_NEAR(seen.y(), truth.y(), 0.5) << "step " << step;
        clock.advanceMs(4000);
    }
}

TEST(SkySimulator, TrackingPeriodicErrorPolarDriftAndMountMoves)
{
    ManualClock clock;
    SkySimulator sky(clock, 6);
    SkyParameters p = still();
    p.scale = 2.0;
    p.periodicAmplitude = 8.0;
    p.periodicPeriod = 400.0;
    p.polarDrift = 3.0; // arc seconds per minute
    sky.setParameters(p);
    clock.advanceMs(100000); // a quarter period
    QPointF s = sky.fieldShift();
    EXPECT_NEAR(s.x(), 8.0 / 2.0, 1e-6);
    EXPECT_NEAR(s.y(), 3.0 * 100 / 60 / 2.0, 1e-6);
    clock.advanceMs(100000); // half a period: back through zero
    EXPECT_NEAR(sky.fieldShift().x(), 0.0, 1e-6);

    // A guide move west for 10 s moves the field against the drift direction.
    SkySimulator moved(clock, 6);
    SkyParameters m = still();
    m.scale = 2.0;
    moved.setParameters(m);
    moved.startMove(SkyMove::West, MountRate::Guide);
    clock.advanceMs(10000);
    moved.stopMove(SkyMove::West);
    clock.advanceMs(10000);
    EXPECT_NEAR(moved.fieldShift().x(), -0.5 * kSiderealRate * 10 / 2.0, 1e-6);
    moved.startMove(SkyMove::North, 4.0);
    clock.advanceMs(5000);
    EXPECT_NEAR(moved.fieldShift().y(), -4.0 * 5 / 2.0, 1e-6);
}

TEST(SkySimulator, SameSeedAndClockGiveTheSameFrames)
{
    ManualClock clockA, clockB;
    SkySimulator a(clockA, 11), b(clockB, 11), c(clockB, 12);
    QImage ia(800, 600, kPixelFormat), ib(800, 600, kPixelFormat), ic(800, 600, kPixelFormat);
    for (int i = 0; i < 3; ++i) {
        a.render(ia, W, H);
        b.render(ib, W, H);
        c.render(ic, W, H);
        EXPECT_EQ(ia, ib);
        EXPECT_NE(ia, ic);
        clockA.advanceMs(40);
        clockB.advanceMs(40);
    }
}

TEST(SkySimulator, ExposureFocusHotPixelsAndPlanet)
{
    ManualClock clock;
    SkySimulator sky(clock, 8);
    SkyParameters p = still();
    p.readNoise = 0;
    p.hotPixels = 0;
    sky.setParameters(p);
    QImage img(800, 600, kPixelFormat);
    sky.render(img, W, H);
    const double base = meanGreen(img);
    sky.setExposureMs(p.exposureMs * 2);
    sky.render(img, W, H);
    EXPECT_NEAR(meanGreen(img) / base, 2.0, 0.15);

    // Defocus widens the stars.
    sky.setExposureMs(p.exposureMs);
    const int star = sky.brightestStarInView(W, H, 40);
    sky.render(img, W, H);
    const double sharp = spread(img, sky.starPosition(star, W, H));
    sky.setFocuserPosition(400);
    sky.render(img, W, H);
    EXPECT_GT(spread(img, sky.starPosition(star, W, H)), sharp * 1.5);
    EXPECT_GT(sky.starSigma(), 3.0);

    // Hot pixels stay on the sensor while the sky drifts.
    SkySimulator hot(clock, 8);
    SkyParameters h = still();
    h.tracking = false;
    h.hotPixels = 64;
    h.readNoise = 0;
    hot.setParameters(h);
    hot.render(img, W, H);
    QImage later(800, 600, kPixelFormat);
    clock.advanceMs(30000);
    hot.render(later, W, H);
    int steady = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            if (qGreen(img.pixel(x, y)) >= 250 && qGreen(later.pixel(x, y)) >= 250) ++steady;
    EXPECT_GE(steady, 10);

    // Planet mode: a bright, warm disc of the given radius at the planet's position.
    SkySimulator planet(clock, 9);
    SkyParameters pl = still();
    pl.planet = true;
    pl.planetRadius = 50;
    planet.setParameters(pl);
    planet.render(img, W, H);
    const QPointF c = planet.planetPosition(W, H);
    const QRgb centre = img.pixel(int(c.x()), int(c.y()));
    EXPECT_GT(qRed(centre), 120);
    EXPECT_GT(qRed(centre), qBlue(centre));
    EXPECT_LT(qGreen(img.pixel(int(c.x()) + 60, int(c.y()))), 60);
}

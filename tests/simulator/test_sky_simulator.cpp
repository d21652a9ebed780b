#include "core/ImageBuffers.h"
#include "simulator/SkySimulator.h"
#include "tests/simulator/SimTestSupport.h"

#include <gtest/gtest.h>
#include <cmath>
#include <numbers>

using namespace velumbra;
using namespace simtest;

namespace {

constexpr int W = 640, H = 480;

SkyParameters still()
{
    SkyParameters p;
    p.jitter = 0;
    return p;
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
        p.scale = 2.0;
        sky.setParameters(p);
        sky.mount().pointAt({5.0, dec});
        sky.mount().setTracking(false);
        const int star = sky.brightestStarInView(W, H, 150);
        ASSERT_GE(star, 0) << "declination " << dec;
        const QPointF before = sky.starPosition(star, W, H);
        clock.advanceMs(10000);
        const QPointF after = sky.starPosition(star, W, H);
        const double expected = kSiderealRate * std::cos(dec * std::numbers::pi / 180) * 10 / 2.0;
        EXPECT_NEAR(after.x() - before.x(), expected, expected * 0.01) << "declination " << dec;
        EXPECT_NEAR(after.y() - before.y(), 0.0, 0.3) << "declination " << dec;
    }
}

TEST(SkySimulator, StarsMoveAlongTheOrientation)
{
    ManualClock clock;
    SkySimulator sky(clock, 4);
    SkyParameters p = still();
    p.orientation = 30;
    p.scale = 1.5;
    sky.setParameters(p);
    sky.mount().pointAt({5.0, 40.0});
    sky.mount().setTracking(false);
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
    sky.setParameters(still());
    sky.mount().pointAt({5.0, 0.0});
    sky.mount().setTracking(false);
    QImage img(800, 600, kPixelFormat);
    for (int step = 0; step < 3; ++step) {
        const int star = sky.brightestStarInView(W, H, 40, 250);
        ASSERT_GE(star, 0);
        sky.render(img, W, H);
        // The frame is exposed over the last 40 ms: the star stood half of
        // that earlier, on average.
        clock.advanceMs(-20);
        const QPointF truth = sky.starPosition(star, W, H);
        clock.advanceMs(20);
        const QPointF seen = centroid(img, truth, 6, 12);
        EXPECT_NEAR(seen.x(), truth.x(), 0.3) << "step " << step;
        EXPECT_NEAR(seen.y(), truth.y(), 0.3) << "step " << step;
        clock.advanceMs(4000);
    }
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
    p.bias = 0;
    p.darkCurrent = 0;
    p.background = 50;
    p.exposureMs = 200;
    sky.setParameters(p);
    QImage img(800, 600, kPixelFormat);
    sky.render(img, W, H);
    const double base = meanGreen(img);
    sky.setExposureMs(p.exposureMs * 2);
    sky.render(img, W, H);
    EXPECT_NEAR(meanGreen(img) / base, 2.0, 0.15);

    // Defocus widens the stars.
    sky.setExposureMs(40);
    const int star = sky.brightestStarInView(W, H, 40, 200);
    ASSERT_GE(star, 0);
    sky.render(img, W, H);
    const double sharp = fwhm(img, sky.starPosition(star, W, H), 12, 0);
    sky.mount().setFocuserPosition(sky.mount().settings().bestFocus + 400);
    sky.setExposureMs(400); // the spread light needs a longer exposure to stand out
    sky.render(img, W, H);
    EXPECT_GT(fwhm(img, sky.starPosition(star, W, H), 30, 20), sharp * 1.5);
    EXPECT_GT(sky.defocusDiameterPixels(), 3.0);

    // Hot pixels stay on the sensor while the sky drifts.
    SkySimulator hot(clock, 8);
    SkyParameters h = still();
    h.hotPixels = 64;
    h.readNoise = 0;
    h.exposureMs = 2000;
    hot.setParameters(h);
    hot.mount().setTracking(false);
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

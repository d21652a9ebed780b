// The simulated camera's signal as measured on its frames: integration,
// saturation, noise without pattern, seeing, darks and flats, long-exposure
// lines.
#include "simulator/SkySimulator.h"
#include "tests/simulator/SimTestSupport.h"

#include <gtest/gtest.h>
#include <cmath>
#include <numeric>

using namespace velumbra;
using namespace simtest;

namespace {

constexpr int W = 640, H = 480;

QImage frame() { return QImage(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat); }

double median(std::vector<double> v)
{
    std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(v.size() / 2), v.end());
    return v[v.size() / 2];
}

// Median over the frame of the green channel of a sum of frames.
double frameMedian(const std::vector<double>& sum) { return median(sum); }

void addTo(std::vector<double>& sum, const QImage& img)
{
    sum.resize(std::size_t(W) * H, 0.0);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) sum[std::size_t(y) * W + x] += qGreen(img.pixel(x, y));
}

// Correlation of a channel with itself shifted along rows by lag.
double rowCorrelation(const QImage& img, int channel, int lag)
{
    auto value = [&](int x, int y) {
        const QRgb p = img.pixel(x, y);
        return double(channel == 0 ? qBlue(p) : channel == 1 ? qGreen(p) : qRed(p));
    };
    double mean = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) mean += value(x, y);
    mean /= W * H;
    double num = 0, den = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const double a = value(x, y) - mean;
            den += a * a;
            if (x + lag < W) num += a * (value(x + lag, y) - mean);
        }
    return num / den * double(W) / double(W - lag);
}

} // namespace

// A 5 s exposure holds the light of 125 exposures of 40 ms: sky glow and
// thermal signal alike.
TEST(CameraSignal, ExposureIntegratesLight)
{
    SkyParameters p;
    p.background = 30;
    p.bias = 10; // no clipping of the short frames' noise at black
    p.hotPixels = 0;
    ManualClock clock;
    SkySimulator sky(clock, 31);
    sky.setParameters(p);
    QImage img = frame();
    std::vector<double> shortSum;
    for (int i = 0; i < 125; ++i) {
        clock.advanceMs(40);
        sky.render(img, W, H);
        addTo(shortSum, img);
    }
    sky.setExposureMs(5000);
    sky.render(img, W, H);
    std::vector<double> longFrame;
    addTo(longFrame, img);
    const double shortLight = frameMedian(shortSum) - 125 * p.bias;
    const double longLight = frameMedian(longFrame) - p.bias;
    EXPECT_NEAR(longLight / shortLight, 1.0, 0.03);
    EXPECT_NEAR(longLight, 5 * (p.background + p.darkCurrent), 5 * (p.background + p.darkCurrent) * 0.15);

    // A star's light grows with the exposure while it stays below saturation.
    SkySimulator stars(clock, 32);
    SkyParameters q;
    q.jitter = 0;
    q.hotPixels = 0;
    stars.setParameters(q);
    const int star = stars.brightestStarInView(W, H, 40, 40.0);
    ASSERT_GE(star, 0);
    const QPointF at = stars.starPosition(star, W, H);
    double previous = 0;
    for (double ms : {40.0, 120.0, 200.0}) {
        stars.setExposureMs(ms);
        double light = 0;
        for (int i = 0; i < 8; ++i) { // a few frames average the noise down
            clock.advanceMs(qint64(ms));
            stars.render(img, W, H);
            light += boxLight(img, at, 8, boxMean(img, int(at.x()) + 20, int(at.y()) - 10, 20, 20)) / 8;
        }
        const double expected = stars.starFlux(star);
        EXPECT_NEAR(light, expected, expected * 0.12) << ms;
        if (previous > 0) {
            EXPECT_NEAR(light / previous, ms == 120.0 ? 3.0 : 5.0 / 3.0, 0.25) << ms;
        }
        previous = light;
    }
}

// A saturated core reads 255 in every pixel: the noise is added before
// clipping, so nothing pits it.
TEST(CameraSignal, SaturatedCoreIsFlatAt255)
{
    for (double ms : {40.0, 1000.0, 5000.0}) {
        ManualClock clock;
        SkySimulator sky(clock, 33);
        SkyParameters p;
        p.exposureMs = ms;
        sky.setParameters(p);
        const int star = sky.brightestStarInView(W, H, 40);
        ASSERT_GE(star, 0);
        clock.advanceMs(qint64(ms));
        QImage img = frame();
        sky.render(img, W, H);
        const QPointF c = sky.starPosition(star, W, H);
        int saturated = 0, pitted = 0;
        for (int y = int(c.y()) - 1; y <= int(c.y()) + 1; ++y)
            for (int x = int(c.x()) - 1; x <= int(c.x()) + 1; ++x) {
                const QRgb px = img.pixel(x, y);
                if (qGreen(px) == 255) ++saturated;
                else ++pitted;
            }
        EXPECT_EQ(saturated, 9) << ms;
        EXPECT_EQ(pitted, 0) << ms;
        // The core is round and its edge soft: not a square block.
        const int r = 6;
        EXPECT_LT(qGreen(img.pixel(int(c.x()) + r, int(c.y()) + r)), qGreen(img.pixel(int(c.x()) + r, int(c.y()))) + 1)
            << ms;
    }
}

// No pattern along the rows at any lag up to 200 pixels, in any channel,
// nor between channels or from one frame to the next.
TEST(CameraSignal, BackgroundNoiseHasNoRepeatingPattern)
{
    ManualClock clock;
    SkySimulator sky(clock, 34);
    SkyParameters p;
    p.mode = CameraMode::Cap;
    p.readNoise = 4;
    p.bias = 20;
    p.hotPixels = 0;
    sky.setParameters(p);
    QImage a = frame(), b = frame();
    sky.render(a, W, H);
    clock.advanceMs(40);
    sky.render(b, W, H);
    for (int c = 0; c < 3; ++c) {
        double worst = 0;
        for (int lag = 1; lag <= 200; ++lag) worst = std::max(worst, std::abs(rowCorrelation(a, c, lag)));
        EXPECT_LT(worst, 0.05) << "channel " << c;
    }
    double ab = 0, aa = 0, bb = 0, rg = 0, rr = 0, gg = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const double u = qGreen(a.pixel(x, y)) - 20.0, v = qGreen(b.pixel(x, y)) - 20.0;
            const double r = qRed(a.pixel(x, y)) - 20.0;
            ab += u * v, aa += u * u, bb += v * v, rg += r * u, rr += r * r;
            gg += u * u;
        }
    EXPECT_LT(std::abs(ab / std::sqrt(aa * bb)), 0.05);
    EXPECT_LT(std::abs(rg / std::sqrt(rr * gg)), 0.05);
    EXPECT_NE(a, b);
}

// The seeing changes from frame to frame: star width and position jump in
// short exposures, and the motion averages out in long ones.
TEST(CameraSignal, SeeingVariesAndAveragesOut)
{
    ManualClock clock;
    SkySimulator sky(clock, 35);
    SkyParameters p;
    p.jitter = 1.5;
    p.hotPixels = 0;
    sky.setParameters(p);
    const int star = sky.brightestStarInView(W, H, 60, 200);
    ASSERT_GE(star, 0);
    const QPointF truth = sky.starPosition(star, W, H);
    auto spreadOf = [&](double ms, std::vector<double>* widths) {
        sky.setExposureMs(ms);
        QImage img = frame();
        double s2 = 0;
        const int n = 24;
        for (int i = 0; i < n; ++i) {
            clock.advanceMs(qint64(std::max(ms, 700.0)));
            sky.render(img, W, H);
            const double floor = boxMedian(img, int(truth.x()) + 25, int(truth.y()) - 10, 20, 20);
            const QPointF c = centroid(img, truth, 10, floor + 3);
            s2 += (c.x() - truth.x()) * (c.x() - truth.x()) + (c.y() - truth.y()) * (c.y() - truth.y());
            if (widths) widths->push_back(fwhm(img, truth, 10, floor));
        }
        return std::sqrt(s2 / n);
    };
    std::vector<double> widths;
    const double quick = spreadOf(40, &widths);
    const double jitterPixels = p.jitter / p.scale * std::sqrt(2.0);
    EXPECT_GT(quick, 0.5 * jitterPixels);
    EXPECT_LT(quick, 1.6 * jitterPixels);
    const double mean = std::accumulate(widths.begin(), widths.end(), 0.0) / double(widths.size());
    double var = 0;
    for (double w : widths) var += (w - mean) * (w - mean);
    EXPECT_GT(std::sqrt(var / double(widths.size())) / mean, 0.03);
    const double slow = spreadOf(3000, nullptr);
    EXPECT_LT(slow, 0.5 * quick);
}

// Cap on: no light, only the black level, the read noise and the thermal
// signal, which grows with the exposure, hot pixels at their places.
// Flat panel: even light through the vignetting and the dust.
TEST(CameraSignal, CapAndPanelShowTheSensorAlone)
{
    ManualClock clock;
    SkySimulator sky(clock, 36);
    SkyParameters p;
    p.mode = CameraMode::Cap;
    p.hotPixels = 30;
    sky.setParameters(p);
    QImage shortDark = frame(), longDark = frame(), skyFrame = frame();
    sky.render(shortDark, W, H);
    sky.setExposureMs(5000);
    sky.render(longDark, W, H);
    const double rise = boxMedian(longDark, 100, 100, 200, 200) - boxMedian(shortDark, 100, 100, 200, 200);
    EXPECT_NEAR(rise, p.darkCurrent * 4.96, 1.0);
    int hot = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) hot += qGreen(longDark.pixel(x, y)) == 255;
    EXPECT_GE(hot, 25);
    EXPECT_LE(hot, 30);
    // The same hot pixels in the sky.
    p.mode = CameraMode::Sky;
    p.exposureMs = 5000;
    sky.setParameters(p);
    sky.render(skyFrame, W, H);
    int shared = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) shared += qGreen(longDark.pixel(x, y)) == 255 && qGreen(skyFrame.pixel(x, y)) == 255;
    EXPECT_GE(shared, hot);

    p.mode = CameraMode::Panel;
    p.exposureMs = 40;
    p.readNoise = 0.5;
    p.hotPixels = 0;
    sky.setParameters(p);
    QImage flat = frame();
    sky.render(flat, W, H);
    const double centre = boxMedian(flat, W / 2 - 20, H / 2 - 20, 40, 40) - p.bias;
    const double corner = boxMedian(flat, 0, 0, 12, 12) - p.bias;
    EXPECT_NEAR(centre, p.panelLevel, p.panelLevel * 0.03);
    EXPECT_NEAR(corner / centre, 1 - p.vignetting, 0.03);
    // Dust: somewhere the light dips below the smooth fall-off.
    double deepest = 0;
    for (int y = 2; y < H - 2; y += 2)
        for (int x = 2; x < W - 2; x += 2) {
            const double dx = (x + 0.5 - W / 2.0) / (W / 2.0), dy = (y + 0.5 - H / 2.0) / (H / 2.0);
            const double smooth = p.panelLevel * (1 - p.vignetting * (dx * dx * W * W + dy * dy * H * H) / (W * W + H * H));
            deepest = std::max(deepest, 1 - (boxMedian(flat, x - 1, y - 1, 3, 3) - p.bias) / smooth);
        }
    EXPECT_GT(deepest, 0.035);
}

// Lines held low integrate; the frame read after they rise carries the
// whole exposure in their rows. Each line set has its own exposure.
TEST(CameraSignal, LongExposureLinesIntegrateWhileLow)
{
    ManualClock clock;
    SkySimulator sky(clock, 37);
    SkyParameters p;
    p.background = 40;
    p.hotPixels = 0;
    p.bias = 6;
    sky.setParameters(p);
    QImage img = frame();
    auto rowsMedian = [&](bool odd) {
        std::vector<double> v;
        for (int y = 0; y < H; ++y)
            if (SkySimulator::oddLine(y, H) == odd)
                for (int x = 200; x < 440; x += 3) v.push_back(qGreen(img.pixel(x, y)));
        return median(v);
    };
    EXPECT_TRUE(SkySimulator::oddLine(2, 480) && SkySimulator::oddLine(3, 480) && !SkySimulator::oddLine(4, 480));
    EXPECT_TRUE(SkySimulator::oddLine(1, 240) && !SkySimulator::oddLine(2, 240));

    sky.setIntegrating(LineSet::Odd, true);
    sky.setIntegrating(LineSet::Even, true);
    clock.advanceMs(1000);
    sky.render(img, W, H); // read while integrating: the lines read empty
    EXPECT_NEAR(rowsMedian(true), p.bias, 1.0);
    clock.advanceMs(1000);
    sky.setIntegrating(LineSet::Odd, false);
    sky.setIntegrating(LineSet::Even, false);
    clock.advanceMs(30);
    sky.render(img, W, H);
    const double twoSeconds = 2 * (p.background + p.darkCurrent);
    EXPECT_NEAR(rowsMedian(true) - p.bias, twoSeconds, twoSeconds * 0.1);
    EXPECT_NEAR(rowsMedian(false) - p.bias, twoSeconds, twoSeconds * 0.1);
    clock.advanceMs(40);
    sky.render(img, W, H); // delivered once: live frames again
    EXPECT_LT(rowsMedian(true) - p.bias, 3.0);

    // Self-guiding: the odd set exposes 0.5 s while the even set keeps
    // giving live frames.
    sky.setIntegrating(LineSet::Odd, true);
    clock.advanceMs(500);
    sky.setIntegrating(LineSet::Odd, false);
    sky.render(img, W, H);
    EXPECT_NEAR(rowsMedian(true) - p.bias, 0.5 * (p.background + p.darkCurrent), 4.0);
    EXPECT_LT(rowsMedian(false) - p.bias, 3.0);
}

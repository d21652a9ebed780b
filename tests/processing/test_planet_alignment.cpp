// Lucky imaging's measures on drawn discs whose truth is known: the shift
// of a disc to a fraction of a pixel, over a quarter of the frame and under
// a haze, and a sharpness that falls as the blur grows.
#include "processing/PlanetAlignment.h"

#include <QImage>
#include <cmath>
#include <gtest/gtest.h>
#include <random>

using namespace velumbra;

namespace {

// A banded disc of radius 40 whose edge is blurred by a Gaussian of sigma
// blur, at (cx, cy), on a sky of 10 per channel; noise when seeded.
QImage drawDisc(double cx, double cy, double blur, double gain = 1.0, uint32_t seed = 0, int w = 320, int h = 240)
{
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, seed ? 1.0 : 0.0);
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const double r = std::hypot(x - cx, y - cy);
            const double edge = 0.5 * std::erfc((r - 40.0) / (std::sqrt(2.0) * std::max(blur, 0.3)));
            const double bands = 1.0 + 0.25 * std::sin((y - cy) * 0.35) * std::exp(-blur * blur * 0.06);
            const double v = 10 + gain * 180 * edge * bands + (seed ? noise(rng) : 0.0);
            const uint32_t g = uint32_t(std::clamp(int(std::lround(v)), 0, 255));
            row[x] = 0xFF000000u | g << 16 | g << 8 | g;
        }
    }
    return image;
}

TEST(PlanetFrames, FindsTheShiftToAFractionOfAPixel)
{
    const struct {
        double dx, dy, gain;
        const char* what;
    } cases[] = {
        {0.3, -0.7, 1.0, "a fraction of a pixel"},
        {12.25, -8.5, 1.0, "a few pixels"},
        {75.4, 55.1, 1.0, "a quarter of the frame"},
        {-3.6, 2.2, 0.6, "under a haze"},
    };
    PlanetFrames frames;
    ASSERT_TRUE(frames.setReference(drawDisc(120, 100, 1.0, 1.0, 1), 320, 240));
    for (const auto& c : cases) {
        QPointF shift;
        ASSERT_TRUE(frames.align(drawDisc(120 + c.dx, 100 + c.dy, 1.0, c.gain, 2), 320, 240, shift)) << c.what;
        EXPECT_NEAR(shift.x(), c.dx, 0.05) << c.what;
        EXPECT_NEAR(shift.y(), c.dy, 0.05) << c.what;
    }
}

TEST(PlanetFrames, SharpnessFallsWithTheBlurAndIgnoresTheLevel)
{
    PlanetFrames frames;
    double previous = 1e300;
    for (double blur : {0.5, 1.0, 2.0, 3.0}) {
        const double s = frames.sharpness(drawDisc(160, 120, blur), 320, 240);
        EXPECT_LT(s, previous) << "blur " << blur;
        previous = s;
    }
    const double bright = frames.sharpness(drawDisc(160, 120, 1.0), 320, 240);
    const double dim = frames.sharpness(drawDisc(160, 120, 1.0, 0.6), 320, 240);
    EXPECT_NEAR(dim / bright, 1.0, 0.05);
}

TEST(PlanetFrames, AnEmptySkyHasNoDisc)
{
    QImage sky(320, 240, QImage::Format_RGB32);
    sky.fill(QColor(12, 12, 12));
    PlanetFrames frames;
    EXPECT_FALSE(frames.findDisc(sky, 320, 240).ok);
    EXPECT_EQ(frames.sharpness(sky, 320, 240), 0.0);
    EXPECT_FALSE(frames.setReference(sky, 320, 240));
    QPointF shift;
    EXPECT_FALSE(frames.align(drawDisc(100, 100, 1.0), 320, 240, shift)) << "no reference yet";
    ASSERT_TRUE(frames.setReference(drawDisc(100, 100, 1.0), 320, 240));
    EXPECT_FALSE(frames.align(sky, 320, 240, shift));
}

} // namespace

namespace {

// The best percent of the last frames: a frame is kept when it reaches the
// k-th best of the window it closes.
TEST(RollingBest, KeepsAFrameThatRanksAmongTheBestOfTheLastOnes)
{
    const struct {
        const char* what;
        int percent, window;
        std::vector<double> scores;
        std::vector<bool> kept;
    } cases[] = {
        {"rising scores: each is the best so far", 10, 5, {1, 2, 3, 4}, {true, true, true, true}},
        {"falling scores: none beats the first", 10, 5, {5, 4, 3, 2}, {true, false, false, false}},
        {"the best leaves the window", 10, 3, {9, 1, 2, 3, 4}, {true, false, false, true, true}},
        {"half of the window", 50, 4, {4, 3, 2, 1, 5}, {true, false, false, false, true}},
        {"all of them", 100, 3, {3, 1, 2}, {true, true, true}},
    };
    for (const auto& c : cases) {
        RollingBest best;
        for (std::size_t i = 0; i < c.scores.size(); ++i)
            EXPECT_EQ(best.accept(c.scores[i], c.percent, c.window), c.kept[i]) << c.what << ", frame " << i;
    }
}

} // namespace

// The drawings on the live image: reticle scale and drawing, the target
// marker, the saturation view, the histogram and the pixel readout.
#include "processing/Overlays.h"

#include <gtest/gtest.h>

#include <random>

namespace velumbra::test {
namespace {

QImage white(int w = 800, int h = 600)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

TEST(Reticle, ScaleFollowsTheSampling)
{
    struct Case {
        double sampling;
        int step, extent, divisor;
        QChar sign;
    };
    const Case cases[] = {
        {1.0, 30, 640, 1, QLatin1Char('"')},      // k 1
        {10.0, 600, 6400, 60, QLatin1Char('\'')}, // k 0.1: minutes
        {0.5, 15, 320, 1, QLatin1Char('"')},      // k 2
        {0.1, 2, 64, 1, QLatin1Char('"')},        // k 10
        {0.02, 1, 13, 1, QLatin1Char('"')},       // k 50: finer than the table
        {2.0, 60, 1280, 60, QLatin1Char('\'')},   // k 0.5
        {500, 36000, 320000, 3600, QChar(0x00B0)}, // k 0.002
    };
    for (const Case& c : cases) {
        const auto s = reticleScale(c.sampling, 640);
        ASSERT_TRUE(s.has_value()) << c.sampling;
        EXPECT_EQ(s->step, c.step) << c.sampling;
        EXPECT_EQ(s->extent, c.extent) << c.sampling;
        EXPECT_EQ(s->divisor, c.divisor) << c.sampling;
        EXPECT_EQ(s->sign, c.sign) << c.sampling;
    }
    EXPECT_EQ(QString::number(600.0 / 60, 'g', 3), QStringLiteral("10")) << "the first minute label";
    for (double bad : {0.0, -1.0, std::nan("")}) EXPECT_FALSE(reticleScale(bad, 640).has_value()) << bad;
}

TEST(Reticle, CirclesEveryTickAndNothingWithoutASampling)
{
    ReticleOptions o;
    o.cross = false;
    o.sampling = 1.0;
    QImage layer = white();
    DrawReticle(layer, {400, 300}, 640, o);
    // Circles at 30, 60 ... pixels: on the circle the white turns; between them it stays.
    for (int r : {30, 60, 270}) EXPECT_NE(layer.pixel(400 + r, 300), qRgb(255, 255, 255)) << r;
    for (int r : {15, 45, 100}) EXPECT_EQ(layer.pixel(400 + r, 300), qRgb(255, 255, 255)) << r;

    o.sampling = 0;
    o.cross = true;
    QImage none = white();
    DrawReticle(none, {400, 300}, 640, o);
    EXPECT_EQ(none, white());
}

TEST(Reticle, TheCrossFollowsTheOrientationAndTheDiagonal)
{
    ReticleOptions o;
    o.circles = false;
    o.sampling = 1.0;
    o.orientation = 90; // the westward axis down the image
    QImage layer = white();
    DrawReticle(layer, {400, 300}, 640, o);
    EXPECT_NE(layer.pixel(400, 500), qRgb(255, 255, 255)) << "along the orientation";
    EXPECT_NE(layer.pixel(600, 300), qRgb(255, 255, 255)) << "a quarter turn back";
    EXPECT_EQ(layer.pixel(550, 450), qRgb(255, 255, 255));
}

TEST(Target, OutlineAndCentreMark)
{
    const QRgb red = qRgb(255, 0, 0);
    struct Case {
        int outline, mark;
        Point probe;
        bool drawn;
    };
    const Case cases[] = {
        {0, 0, {20, 20}, true},   // the square's diagonals reach its corners
        {0, 0, {17, 17}, true},
        {1, 0, {14, 14}, true},   // inside a circle they stop at 0.707 of the half-size
        {1, 0, {17, 17}, false},
        {2, 0, {5, 5}, false},    // no outline: no diagonals either
        {0, 1, {5, 5}, false},    // a point, not the diagonals
        {0, 1, {0, 0}, true},
    };
    for (const Case& c : cases) {
        QImage img(200, 200, QImage::Format_RGB32);
        img.fill(Qt::black);
        DrawTarget(img, {100, 100}, c.mark, c.outline, Qt::red, 20);
        EXPECT_EQ(img.pixel(100 + c.probe.x, 100 + c.probe.y) == red, c.drawn)
            << c.outline << "/" << c.mark << " at " << c.probe.x;
    }
}

TEST(Saturation, OnlyPixelsAtTheThreshold)
{
    QImage frame(4, 1, QImage::Format_RGB32);
    frame.setPixel(0, 0, qRgb(255, 0, 0));
    frame.setPixel(1, 0, qRgb(254, 254, 254));
    frame.setPixel(2, 0, qRgb(0, 0, 255));
    frame.setPixel(3, 0, qRgb(10, 200, 10));
    QImage view(4, 1, QImage::Format_RGB32);
    view.fill(Qt::black);
    MarkSaturation(frame, view, 4, 1, 255);
    EXPECT_EQ(view.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(view.pixel(1, 0), qRgb(0, 0, 0));
    EXPECT_EQ(view.pixel(2, 0), qRgb(255, 0, 0));
    MarkSaturation(frame, view, 4, 1, 200);
    EXPECT_EQ(view.pixel(3, 0), qRgb(255, 0, 0));
    MarkSaturation(frame, view, 100, 100, 0); // sizes beyond the images are cut to them
    EXPECT_EQ(view.pixel(1, 0), qRgb(255, 0, 0));
}

QImage randomFrame(int w, int h, uint32_t seed, int darkShare)
{
    QImage img(w, h, QImage::Format_RGB32);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            // Mostly a dark sky of a few levels, some bright pixels.
            const uint32_t v = int(rng() % 100) < darkShare ? (0xff000000u | (0x010101u * (rng() % 4)))
                                                            : (0xff000000u | (rng() & 0xffffffu));
            img.setPixel(x, y, v);
        }
    return img;
}

// The one-pass view is the black fill then the marks, for widths that are
// not a whole number of vector steps and every kind of threshold.
TEST(Saturation, OnePassViewEqualsFillThenMarks)
{
    for (int w : {1, 3, 4, 37, 64}) {
        const QImage frame = randomFrame(w + 2, 9, uint32_t(w), 30);
        for (int t : {-5, 0, 1, 2, 128, 254, 255, 256, 300}) {
            QImage expected(w + 2, 9, QImage::Format_RGB32), view(w + 2, 9, QImage::Format_RGB32);
            expected.fill(Qt::black);
            MarkSaturation(frame, expected, w, 9, t);
            view.fill(Qt::green); // left over from an earlier frame
            ShowSaturation(frame, view, w, 9, t);
            for (int y = 0; y < 9; ++y)
                for (int x = 0; x < w; ++x)
                    ASSERT_EQ(view.pixel(x, y), expected.pixel(x, y)) << "w " << w << " t " << t << " at " << x;
            // Beyond the shown width the view is not touched.
            EXPECT_EQ(view.pixel(w, 0), QColor(Qt::green).rgb());
        }
    }
}

// The counts are the plain per-channel counts, for any width, and each
// frame is counted afresh.
TEST(HistogramPicture, CountsEqualAPlainCountFrameAfterFrame)
{
    Histogram h;
    for (int w : {1, 5, 8, 33}) {
        for (uint32_t seed : {1u, 2u}) {
            const QImage frame = randomFrame(w + 3, 7, seed * 100 + uint32_t(w), 80);
            std::array<int, 256> r{}, g{}, b{};
            for (int y = 0; y < 6; ++y)
                for (int x = 0; x < w; ++x) {
                    const QRgb v = frame.pixel(x, y);
                    ++r[size_t(qRed(v))];
                    ++g[size_t(qGreen(v))];
                    ++b[size_t(qBlue(v))];
                }
            h.count(frame, w, 6);
            EXPECT_EQ(h.pixels, w * 6);
            EXPECT_EQ(h.red, r) << w;
            EXPECT_EQ(h.green, g) << w;
            EXPECT_EQ(h.blue, b) << w;
            // A copy keeps the counts.
            const Histogram copy = h;
            EXPECT_EQ(copy.green, g);
        }
    }
}

TEST(HistogramPicture, CountsPointsAndTop)
{
    QImage frame(10, 10, QImage::Format_RGB32);
    frame.fill(qRgb(10, 20, 30));
    frame.setPixel(0, 0, qRgb(255, 20, 30));
    Histogram h;
    h.count(frame, 10, 10);
    EXPECT_EQ(h.pixels, 100);
    EXPECT_EQ(h.red[10], 99);
    EXPECT_EQ(h.red[255], 1);
    EXPECT_EQ(h.green[20], 100);
    EXPECT_EQ(histogramTop(100, 100), 100);
    EXPECT_EQ(histogramTop(307200, 1000), 30720);

    QImage picture(256, 101, QImage::Format_RGB32);
    drawHistogram(picture, h, 100, {});
    EXPECT_EQ(qRed(picture.pixel(255, 100)), 255);      // 1 % of the pixels at scale 100: RoundDown(1) is 0
    EXPECT_EQ(qGreen(picture.pixel(20, 0)), 255);       // all of them: the top
    EXPECT_EQ(qBlue(picture.pixel(30, 0)), 255);
    drawHistogram(picture, h, 200, {});                 // twice the scale: 1 % is two rows up
    EXPECT_EQ(qRed(picture.pixel(255, 98)), 255);
    EXPECT_EQ(picture.pixel(128, 50), qRgb(0, 0, 0));
    drawHistogram(picture, h, 100, {128, -1, -1, -1});
    EXPECT_EQ(picture.pixel(128, 50), qRgb(255, 0, 0)) << "the level under the mouse";
}

TEST(PixelReadout, InsideTheImageOnly)
{
    QImage img(10, 10, QImage::Format_RGB32);
    img.fill(qRgb(1, 2, 3));
    EXPECT_EQ(pixelAt(img, 9, 9, 10, 10), qRgb(1, 2, 3));
    for (Point p : {Point{10, 0}, Point{-1, 0}, Point{0, 10}, Point{5, 5}})
        EXPECT_FALSE(pixelAt(img, p.x, p.y, p.x == 5 ? 4 : 10, 10).has_value()) << p.x << "," << p.y;
}

} // namespace
} // namespace velumbra::test

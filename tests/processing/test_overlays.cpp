// The drawings on the live image: reticle scale and drawing, the target
// marker, the saturation view, the histogram and the pixel readout.
#include "processing/Overlays.h"

#include <gtest/gtest.h>

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

#include "core/ImageBuffers.h"
#include "processing/FramePipeline.h"
#include "processing/Raster.h"

#include <QPainter>
#include <gtest/gtest.h>
#include <random>

using namespace velumbra;

namespace {
QImage noiseImage(int w, int h, uint32_t seed)
{
    QImage img(w, h, kPixelFormat);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.setPixel(x, y, 0xff000000u | (rng() & 0xffffffu));
    return img;
}
} // namespace

TEST(MergePaint, WhiteLayerLeavesTheImageUnchanged)
{
    QImage image = noiseImage(64, 48, 1);
    const QImage before = image.copy();
    QImage layer(64, 48, kPixelFormat);
    layer.fill(Qt::white);
    mergePaintRect(layer, {0, 0, 64, 48}, 64, 48, image, {0, 0});
    EXPECT_EQ(image, before);
}

TEST(MergePaint, MatchesThePainterRasterOperation)
{
    QImage image = noiseImage(40, 30, 2);
    QImage expected = image.copy();
    const QImage layer = noiseImage(40, 30, 3);
    {
        QPainter p(&expected);
        p.setCompositionMode(QPainter::RasterOp_NotSourceOrDestination);
        p.drawImage(QPoint(5, 4), layer, QRect(2, 3, 20, 15));
    }
    mergePaintRect(layer, {2, 3, 22, 18}, 40, 30, image, {5, 4});
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(image.pixel(x, y) & 0xffffffu, expected.pixel(x, y) & 0xffffffu) << x << "," << y;
}

TEST(MergePaint, ZoneOutlineShowsOnlyOnItsDots)
{
    QImage layer(100, 80, kPixelFormat);
    DrawZoneFrame(layer, {10, 10, 60, 50});
    QImage image(100, 80, kPixelFormat);
    image.fill(QColor(20, 20, 20));
    mergePaintRect(layer, {0, 0, 100, 80}, 100, 80, image, {0, 0});
    // Inside and outside the outline nothing changes.
    EXPECT_EQ(image.pixel(30, 30) & 0xffffffu, 0x141414u);
    EXPECT_EQ(image.pixel(5, 5) & 0xffffffu, 0x141414u);
    // Some pixels of the top edge become light (OR NOT olive).
    int lit = 0;
    for (int x = 10; x < 60; ++x)
        if ((image.pixel(x, 10) & 0xffffffu) != 0x141414u) ++lit;
    EXPECT_GT(lit, 10);
    EXPECT_LT(lit, 50); // dotted, not solid
}

TEST(CopyRect, ClipsToSourceLimitsAndDestination)
{
    const QImage src = noiseImage(50, 40, 4);
    QImage dst(30, 20, kPixelFormat);
    dst.fill(Qt::black);
    // Source limited to 20 x 10 of the bitmap; destination offset negative.
    copyRect(src, {-5, -5, 100, 100}, 20, 10, dst, {-3, 2});
    // src (0,0) is placed at dst (-3+5, 2+5) = (2, 7); src (3,0) at (5, 7)
    EXPECT_EQ(dst.pixel(2, 7), src.pixel(0, 0));
    EXPECT_EQ(dst.pixel(5, 7), src.pixel(3, 0));
    // Rows beyond the source limit (y >= 10) are not copied: dst row 17 and below stay black.
    EXPECT_EQ(dst.pixel(2, 17) & 0xffffffu, 0u);
    EXPECT_EQ(dst.pixel(2, 16), src.pixel(0, 9));
    // Nothing left of the placed block.
    EXPECT_EQ(dst.pixel(1, 7) & 0xffffffu, 0u);
}

TEST(CopyRect, DestinationFullyOutsideCopiesNothing)
{
    const QImage src = noiseImage(10, 10, 5);
    QImage dst(10, 10, kPixelFormat);
    dst.fill(Qt::black);
    copyRect(src, {0, 0, 10, 10}, 10, 10, dst, {10, 0});
    copyRect(src, {0, 0, 10, 10}, 10, 10, dst, {-10, 0});
    copyRect(src, {0, 0, 10, 10}, 10, 10, dst, {0, 700});
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) ASSERT_EQ(dst.pixel(x, y) & 0xffffffu, 0u);
}

TEST(MergePaint, OutlineMergeEqualsFullMergeOfTheZoneLayer)
{
    std::mt19937 rng(8);
    std::uniform_int_distribution<int> coord(-30, 130);
    for (int i = 0; i < 200; ++i) {
        int l = coord(rng), t = coord(rng), r = coord(rng), b = coord(rng);
        if (r < l) std::swap(l, r);
        if (b < t) std::swap(t, b);
        const Rect zone{l, t, r + 1, b + 1};
        QImage layer(100, 80, kPixelFormat);
        DrawZoneFrame(layer, zone);
        QImage full = noiseImage(100, 80, uint32_t(i));
        QImage outline = full.copy();
        const Point at{coord(rng) / 3, coord(rng) / 3};
        mergePaintRect(layer, zone, 100, 80, full, at);
        mergePaintOutline(layer, zone, 100, 80, outline, at);
        ASSERT_EQ(outline, full) << i;
    }
}

TEST(CopyRect, WholeRowsOfEqualBitmapsCopyAsOneBlock)
{
    const QImage src = noiseImage(800, 60, 6);
    QImage dst(800, 60, kPixelFormat);
    dst.fill(Qt::black);
    copyRect(src, {0, 10, 800, 30}, 800, 60, dst, {0, 5});
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 800; x += 7) {
            const bool inside = y >= 5 && y < 25;
            ASSERT_EQ(dst.pixel(x, y), inside ? src.pixel(x, y + 5) : qRgb(0, 0, 0)) << x << "," << y;
        }
}

// The reticle is merged through its drawn runs only: the result must be the
// full merge's, for any rectangle and offset, and must follow the layer when
// it is drawn again or the rectangle moves.
TEST(PaintSpans, SameAsTheFullMergeAndFollowsTheLayer)
{
    QImage layer(200, 150, kPixelFormat);
    const auto drawLayer = [&](int seed) {
        layer.fill(Qt::white);
        QPainter p(&layer);
        p.setPen(QPen(QColor(0, 255 - seed, 255), 1, Qt::DotLine));
        p.drawEllipse(QPoint(100 + seed, 75), 40, 30);
        p.drawLine(seed, 0, 199, 149 - seed);
        p.setPen(Qt::black);
        p.drawText(10 + seed, 20, QStringLiteral("30\""));
    };
    struct Case {
        Rect rect;
        Point at;
    };
    const Case cases[] = {
        {{0, 0, 200, 150}, {0, 0}},     // the whole layer
        {{20, 10, 180, 140}, {20, 10}}, // a part, in place
        {{-30, -5, 250, 170}, {-30, -5}}, // beyond the layer and the image: clipped
        {{0, 0, 200, 150}, {150, 100}}, // shifted past the image's corner
    };
    PaintSpans spans;
    for (int seed : {0, 7}) {
        drawLayer(seed);
        for (const Case& c : cases) {
            const QImage base = noiseImage(220, 160, 11u + uint32_t(seed));
            QImage full = base, quick = base;
            mergePaintRect(layer, c.rect, 200, 150, full, c.at);
            spans.merge(layer, c.rect, 200, 150, quick, c.at);
            EXPECT_EQ(quick, full) << "seed " << seed << " rect " << c.rect.left << "," << c.rect.top;
        }
    }
    EXPECT_GT(spans.spanCount(), 0u);
    // A white layer leaves the image alone and has no runs.
    layer.fill(Qt::white);
    QImage image = noiseImage(220, 160, 5), before = image;
    spans.merge(layer, {0, 0, 200, 150}, 200, 150, image, {0, 0});
    EXPECT_EQ(image, before);
    EXPECT_EQ(spans.spanCount(), 0u);
}

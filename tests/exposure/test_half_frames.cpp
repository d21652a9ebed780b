#include "core/ImageBuffers.h"
#include "exposure/HalfFrames.h"

#include <gtest/gtest.h>

using namespace velumbra;

namespace {

QImage filled(int width, int height, int value)
{
    QImage image(width, height, kPixelFormat);
    image.fill(qRgb(value, value, value));
    return image;
}

// Red, green, blue at one pixel.
std::array<int, 3> rgbAt(const QImage& image, int x, int y)
{
    const QRgb p = image.pixel(x, y);
    return {qRed(p), qGreen(p), qBlue(p)};
}

} // namespace

TEST(HalfFrames, RowsOfEachSet)
{
    struct Case {
        int width;
        std::vector<int> set0, set1;
    };
    const Case cases[] = {
        {640, {0, 1, 4, 5, 8, 9}, {2, 3, 6, 7, 10, 11}},
        {320, {0, 2, 4, 6, 8, 10}, {1, 3, 5, 7, 9, 11}},
    };
    for (const auto& c : cases) {
        for (int y = 0; y < 12; ++y) {
            const bool in0 = std::find(c.set0.begin(), c.set0.end(), y) != c.set0.end();
            const bool in1 = std::find(c.set1.begin(), c.set1.end(), y) != c.set1.end();
            EXPECT_EQ(halfFrameRow(c.width, 0, y), in0) << c.width << " row " << y;
            EXPECT_EQ(halfFrameRow(c.width, 1, y), in1) << c.width << " row " << y;
        }
    }
    EXPECT_FALSE(halfFrameRow(352, 0, 0));
    EXPECT_FALSE(halfFrameRow(352, 1, 1));
}

TEST(HalfFrames, MeasureBlackensTheOtherSetAndAveragesOverAllPixels)
{
    for (int width : {320, 640}) {
        const int height = width * 3 / 4;
        QImage image(width, height, kPixelFormat);
        image.fill(qRgb(90, 60, 30));
        const HalfFrameMeans m = measureHalfFrame(image, width, height, 1);
        // Half the rows kept: each mean is half the kept value.
        EXPECT_DOUBLE_EQ(m.rgb[0], 45.0) << width;
        EXPECT_DOUBLE_EQ(m.rgb[1], 30.0) << width;
        EXPECT_DOUBLE_EQ(m.rgb[2], 15.0) << width;
        for (int y = 0; y < 8; ++y) {
            const auto expected = halfFrameRow(width, 1, y) ? std::array<int, 3>{90, 60, 30} : std::array<int, 3>{};
            EXPECT_EQ(rgbAt(image, width - 1, y), expected) << width << " row " << y;
        }
    }
}

TEST(HalfFrames, EqualizeScalesTheDimmerHalf)
{
    struct Case {
        int width, v0, v1;
        int expect0, expect1; // kept-row values after equalizing
    };
    const Case cases[] = {
        {640, 40, 100, 100, 100}, // slot 1 brighter: slot 0 scaled by 2.5
        {320, 100, 40, 100, 100}, // slot 0 brighter: slot 1 scaled
        {320, 30, 90, 90, 90},
        {640, 200, 100, 200, 200},
        {640, 0, 50, 0, 50},      // nothing to scale on black
        {320, 120, 250, 250, 250},
    };
    for (const auto& c : cases) {
        const int height = 48;
        QImage a = filled(c.width, height, c.v0), b = filled(c.width, height, c.v1);
        const HalfFrameMeans m1 = measureHalfFrame(b, c.width, height, 1);
        const HalfFrameMeans m0 = measureHalfFrame(a, c.width, height, 0);
        equalizeHalfFrames(a, m0, b, m1, c.width, height);
        const int row0 = 0, row1 = c.width == 640 ? 2 : 1;
        EXPECT_EQ(rgbAt(a, 5, row0)[0], c.expect0) << c.width << " " << c.v0 << "/" << c.v1;
        EXPECT_EQ(rgbAt(b, 5, row1)[0], c.expect1) << c.width << " " << c.v0 << "/" << c.v1;
        mergeHalfFrames(a, b, c.width, height);
        EXPECT_EQ(rgbAt(a, 5, row0)[1], c.expect0);
        EXPECT_EQ(rgbAt(a, 5, row1)[1], c.expect1) << "the merged frame holds both sets";
    }
}

TEST(HalfFrames, ScaledValuesTruncateAndSaturate)
{
    QImage a = filled(320, 8, 3), b = filled(320, 8, 0);
    // Slot 1 rows at 200 and 7: its sum (over half the rows) vs slot 0's 3s.
    for (int y = 1; y < 8; y += 2) {
        auto* row = b.scanLine(y);
        for (int x = 0; x < 320; ++x) {
            row[4 * x] = 7;
            row[4 * x + 1] = 200;
            row[4 * x + 2] = 7;
        }
    }
    const HalfFrameMeans m1 = measureHalfFrame(b, 320, 8, 1);
    const HalfFrameMeans m0 = measureHalfFrame(a, 320, 8, 0);
    // factor = (3.5 + 100 + 3.5) / (1.5 * 3) = 23.777...: 3 * f = 71.33 -> 71.
    equalizeHalfFrames(a, m0, b, m1, 320, 8);
    EXPECT_EQ(rgbAt(a, 0, 0), (std::array<int, 3>{71, 71, 71}));
    // Brighter values clip at 255.
    QImage c = filled(320, 8, 200), d = filled(320, 8, 250);
    const HalfFrameMeans n1 = measureHalfFrame(d, 320, 8, 1);
    const HalfFrameMeans n0 = measureHalfFrame(c, 320, 8, 0);
    equalizeHalfFrames(c, n0, d, n1, 320, 8);
    EXPECT_EQ(rgbAt(c, 0, 0)[0], 250);
    EXPECT_EQ(rgbAt(d, 0, 1)[0], 250);
}

TEST(HalfFrames, OtherWidthsAreLeftAlone)
{
    QImage a = filled(352, 8, 40), b = filled(352, 8, 100);
    const HalfFrameMeans m = measureHalfFrame(a, 352, 8, 0);
    EXPECT_EQ(m.sum(), 0.0);
    equalizeHalfFrames(a, m, b, m, 352, 8);
    EXPECT_EQ(rgbAt(a, 3, 1)[0], 40);
    EXPECT_EQ(rgbAt(b, 3, 0)[0], 100);
}

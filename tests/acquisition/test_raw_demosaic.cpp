#include "core/ImageBuffers.h"
#include "acquisition/RawDemosaic.h"

#include <gtest/gtest.h>
#include <vector>

using namespace velumbra;

namespace {

// 4 x 4 source whose bytes make every neighbourhood give a different mean:
// with i = x + 4y, red = i², green = 255 - i², blue = i² + 30. Left/right
// neighbours average to i² + 1, above/below to i² + 16, the four sides to
// i² + 8 (8.5 truncated), the diagonals to i² + 17.
QImage squaresSource()
{
    QImage img(4, 4, kPixelFormat);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const int i = x + 4 * y;
            img.setPixel(x, y, qRgb(i * i, 255 - i * i, i * i + 30));
        }
    return img;
}

struct Expected {
    int x, y;
    int r, g, b;
};

void checkMode(int mode, const std::vector<Expected>& pixels)
{
    const QImage src = squaresSource();
    QImage dst(4, 4, kPixelFormat);
    dst.fill(qRgb(1, 2, 3));
    RawDemosaic(src, dst, 4, 4, mode);
    for (const Expected& e : pixels) {
        const QRgb p = dst.pixel(e.x, e.y);
        EXPECT_EQ(qRed(p), e.r) << "mode " << mode << " pixel " << e.x << "," << e.y;
        EXPECT_EQ(qGreen(p), e.g) << "mode " << mode << " pixel " << e.x << "," << e.y;
        EXPECT_EQ(qBlue(p), e.b) << "mode " << mode << " pixel " << e.x << "," << e.y;
    }
    // The outermost rows and columns are not written.
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            if (x == 0 || y == 0 || x == 3 || y == 3) {
                EXPECT_EQ(dst.pixel(x, y) & 0xffffffu, 0x010203u) << "border " << x << "," << y;
            }
}

} // namespace

TEST(RawDemosaic, Mode1GreenRedRowsOverBlueGreen)
{
    checkMode(0, {{1, 1, 41, 230, 56},    // green site in a blue row
                  {2, 1, 53, 210, 66},    // blue site
                  {1, 2, 81, 165, 128},   // red site
                  {2, 2, 101, 155, 146}}); // green site in a red row
}

TEST(RawDemosaic, Mode2RedGreenOverGreenBlue)
{
    // (1,1) is a blue site: B is its own blue byte.
    checkMode(1, {{1, 1, 42, 221, 55},
                  {2, 1, 52, 219, 67},
                  {1, 2, 82, 174, 127},
                  {2, 2, 100, 146, 147}});
}

TEST(RawDemosaic, Mode3BlueGreenOverGreenRed)
{
    checkMode(2, {{1, 1, 25, 221, 72},
                  {2, 1, 37, 219, 82},
                  {1, 2, 97, 174, 112},
                  {2, 2, 117, 146, 130}});
}

TEST(RawDemosaic, Mode4GreenBlueOverRedGreen)
{
    checkMode(3, {{1, 1, 26, 230, 71},
                  {2, 1, 36, 210, 83},
                  {1, 2, 98, 165, 111},
                  {2, 2, 116, 155, 131}});
}

TEST(RawDemosaic, WorksOnTheUsedPartOfLargeBuffersOnly)
{
    QImage src(800, 600, kPixelFormat), dst(800, 600, kPixelFormat);
    src.fill(qRgb(100, 150, 200));
    dst.fill(qRgb(0, 0, 0));
    RawDemosaic(src, dst, 320, 240, 0);
    // Inside: a uniform mosaic gives each colour its own byte.
    EXPECT_EQ(dst.pixel(100, 100) & 0xffffffu, qRgb(100, 150, 200) & 0xffffffu);
    EXPECT_EQ(dst.pixel(318, 238) & 0xffffffu, qRgb(100, 150, 200) & 0xffffffu);
    // Column 319 and row 239 are the border of the used part; beyond is untouched.
    EXPECT_EQ(dst.pixel(319, 100) & 0xffffffu, 0u);
    EXPECT_EQ(dst.pixel(100, 239) & 0xffffffu, 0u);
    EXPECT_EQ(dst.pixel(500, 400) & 0xffffffu, 0u);
    // Too small to have an inside: nothing happens.
    QImage tiny(2, 2, kPixelFormat);
    tiny.fill(0);
    RawDemosaic(src, tiny, 2, 2, 0);
    EXPECT_EQ(tiny.pixel(1, 1) & 0xffffffu, 0u);
}

namespace {

// Every interior pixel of the first `width` columns of src, demosaiced whole,
// equals the same pixel demosaiced from a 4 x 4 crop (too narrow for the
// vector paths; a crop from even coordinates keeps the sites).
void expectSameAsCrops(const QImage& src, int width, int mode, const char* what)
{
    const int height = src.height();
    QImage whole(src.width(), height, kPixelFormat);
    whole.fill(0);
    RawDemosaic(src, whole, width, height, mode);
    for (int y = 1; y <= height - 2; ++y)
        for (int x = 1; x <= width - 2; ++x) {
            const int x0 = (x - 1) & ~1, y0 = (y - 1) & ~1;
            const QImage crop = src.copy(x0, y0, 4, 4);
            QImage one(4, 4, kPixelFormat);
            one.fill(0);
            RawDemosaic(crop, one, 4, 4, mode);
            ASSERT_EQ(whole.pixel(x, y) & 0xffffffu, one.pixel(x - x0, y - y0) & 0xffffffu)
                << what << " width " << width << " mode " << mode << " at " << x << "," << y;
        }
}

void fillRandom(QImage& img, uint32_t seed)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            img.setPixel(x, y, seed | 0xff000000u);
        }
}

} // namespace

TEST(RawDemosaic, WholeRowsAgreeWithPixelByPixelWork)
{
    // Wide rows go through the vector path, a small crop through the plain one.
    QImage src(800, 6, kPixelFormat);
    fillRandom(src, 12345);
    for (int width : {800, 799, 37, 12, 9})
        for (int mode = 0; mode < 4; ++mode) expectSameAsCrops(src, width, mode, "aligned rows");
}

TEST(RawDemosaic, RowsAtAnyByteOffsetGiveTheSamePixels)
{
    // Frames handed over by a driver need not start on a vector boundary, and
    // the row sums inside the kernel are read at every pixel offset: each
    // start offset and width must give the pixel-by-pixel result, never a fault.
    struct Case {
        int offsetBytes;
        int width;
        int stridePixels;
    };
    const Case cases[] = {{4, 800, 801}, {8, 799, 803}, {12, 64, 67}, {20, 21, 23}, {28, 13, 15}, {36, 11, 11}};
    for (const Case& c : cases) {
        const int height = 5;
        std::vector<uint8_t> memory(size_t(c.offsetBytes) + size_t(c.stridePixels) * 4 * height + 64);
        QImage src(memory.data() + c.offsetBytes, c.width, height, c.stridePixels * 4, kPixelFormat);
        fillRandom(src, uint32_t(c.offsetBytes * 7919 + c.width));
        for (int mode = 0; mode < 4; ++mode) {
            SCOPED_TRACE(testing::Message() << "offset " << c.offsetBytes);
            expectSameAsCrops(src, c.width, mode, "offset rows");
        }
    }
}

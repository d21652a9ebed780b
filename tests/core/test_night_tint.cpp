// The red live image of the night mode: brightness kept, in red only.
#include "core/NightTint.h"

#include <gtest/gtest.h>

namespace velumbra::test {
namespace {

TEST(NightTint, EachPixelKeepsItsBrightestChannelInRed)
{
    const struct {
        QRgb in;
        QRgb out;
    } cases[] = {
        {qRgb(0, 0, 0), qRgb(0, 0, 0)},          // the night sky stays black
        {qRgb(255, 255, 255), qRgb(255, 0, 0)},  // a saturated star stays at full level
        {qRgb(10, 200, 40), qRgb(200, 0, 0)},    // a green pixel is as bright in red
        {qRgb(3, 7, 90), qRgb(90, 0, 0)},        // so is a blue one
        {qRgb(120, 30, 30), qRgb(120, 0, 0)},
    };
    QImage in(5, 1, QImage::Format_RGB32);
    for (int x = 0; x < 5; ++x) in.setPixel(x, 0, cases[x].in);
    QImage out;
    redTint(in, out);
    ASSERT_EQ(out.size(), in.size());
    for (int x = 0; x < 5; ++x) EXPECT_EQ(out.pixel(x, 0), cases[x].out) << x;
    // The image shown is left as it was.
    for (int x = 0; x < 5; ++x) EXPECT_EQ(in.pixel(x, 0), cases[x].in) << x;
}

TEST(NightTint, TheOutputIsReusedWhileItsSizeFits)
{
    QImage in(800, 600, QImage::Format_RGB32);
    in.fill(qRgb(0, 100, 0));
    QImage out;
    redTint(in, out);
    const uchar* buffer = out.constBits();
    in.fill(qRgb(0, 0, 50));
    redTint(in, out);
    EXPECT_EQ(out.constBits(), buffer); // no new image for the next frame
    EXPECT_EQ(out.pixel(799, 599), qRgb(50, 0, 0));
    // Another size gets a new image of that size.
    redTint(QImage(320, 240, QImage::Format_RGB32), out);
    EXPECT_EQ(out.size(), QSize(320, 240));
}

TEST(NightTint, OtherFormatsAndNothing)
{
    QImage gray(2, 2, QImage::Format_Grayscale8);
    gray.fill(77);
    QImage out;
    redTint(gray, out);
    EXPECT_EQ(out.pixel(1, 1), qRgb(77, 0, 0));
    redTint(QImage(), out);
    EXPECT_TRUE(out.isNull());
}

} // namespace
} // namespace velumbra::test

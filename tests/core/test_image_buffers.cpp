#include "core/ImageBuffers.h"

#include <gtest/gtest.h>

namespace velumbra {
namespace {

TEST(ImageBuffers, CreatedOnceAtFullSizeWithBlackSlots)
{
    ImageBuffers b;
    EXPECT_FALSE(b.created());
    b.create();
    ASSERT_TRUE(b.created());
    for (const QImage& slot : b.frameSlots) {
        EXPECT_EQ(slot.size(), QSize(800, 600));
        EXPECT_EQ(slot.format(), QImage::Format_RGB32);
        EXPECT_EQ(slot.pixel(799, 599) & 0xffffffu, 0u);
    }
    EXPECT_EQ(b.reticleLayer.pixel(0, 0) & 0xffffffu, 0xffffffu);
    // A second create keeps the existing content.
    b.frameSlots[0].setPixel(3, 4, qRgb(1, 2, 3));
    const uchar* before = b.frameSlots[0].constBits();
    b.create();
    EXPECT_EQ(b.frameSlots[0].constBits(), before);
    EXPECT_EQ(b.frameSlots[0].pixel(3, 4), qRgb(1, 2, 3));
}

TEST(ImageBuffers, PixelBytesAreBlueGreenRed)
{
    ImageBuffers b;
    b.create();
    b.frameSlots[0].setPixel(2, 1, qRgb(10, 20, 30));
    const uint8_t* p = pixelRow(b.frameSlots[0], 1) + 2 * kBytesPerPixel;
    EXPECT_EQ(p[kBlue], 30);
    EXPECT_EQ(p[kGreen], 20);
    EXPECT_EQ(p[kRed], 10);
}

TEST(ImageBuffers, FrameSizeNeverExceedsTheBuffers)
{
    ImageBuffers b;
    EXPECT_TRUE(b.setFrameSize(640, 480));
    EXPECT_FALSE(b.setFrameSize(1024, 768));
    EXPECT_EQ(b.imageWidth, 800);
    EXPECT_EQ(b.imageHeight, 600);
    EXPECT_FALSE(b.setFrameSize(-5, 10));
    EXPECT_EQ(b.imageWidth, 0);
}

} // namespace
} // namespace velumbra

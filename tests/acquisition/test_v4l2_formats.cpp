#include "core/ImageBuffers.h"
#include "simulator/SkySimulator.h"
#include "acquisition/V4l2Driver.h"
#include "acquisition/V4l2Formats.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <linux/videodev2.h>
#include <map>

using namespace velumbra;

namespace {

v4l2_capability caps(const char* card, uint32_t version, uint32_t capabilities, uint32_t deviceCaps = 0)
{
    v4l2_capability c{};
    std::strncpy(reinterpret_cast<char*>(c.card), card, sizeof c.card - 1);
    c.version = version;
    c.capabilities = capabilities;
    c.device_caps = deviceCaps;
    return c;
}

// A w x h JPEG: left half red, right half blue.
std::vector<uint8_t> jpegTwoHalves(int w, int h)
{
    std::vector<uint8_t> rgb(size_t(w * h * 3));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = rgb.data() + (y * w + x) * 3;
            p[0] = x < w / 2 ? 220 : 10;
            p[1] = 10;
            p[2] = x < w / 2 ? 10 : 220;
        }
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &mem, &size);
    c.image_width = JDIMENSION(w);
    c.image_height = JDIMENSION(h);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = rgb.data() + c.next_scanline * w * 3;
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<uint8_t> out(mem, mem + size);
    free(mem);
    return out;
}

} // namespace

TEST(V4l2Formats, ChooserEntriesAndCaptureDevices)
{
    EXPECT_EQ(describeV4l2Device(caps("HD Pro Webcam C920", 0x060109, V4L2_CAP_VIDEO_CAPTURE)),
              QStringLiteral("HD Pro Webcam C920 6.1.9"));

    std::map<QString, v4l2_capability> nodes;
    nodes[QStringLiteral("/dev/video0")] =
        caps("Cam A", 0x050a00, V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING | V4L2_CAP_DEVICE_CAPS,
             V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING);
    // The metadata node of the same camera: the whole device captures, this node does not.
    nodes[QStringLiteral("/dev/video1")] =
        caps("Cam A", 0x050a00, V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_META_CAPTURE | V4L2_CAP_DEVICE_CAPS,
             V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING);
    nodes[QStringLiteral("/dev/video3")] = caps("Old cam", 0x020600, V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_READWRITE);
    nodes[QStringLiteral("/dev/video4")] = caps("Output", 0x010000, V4L2_CAP_VIDEO_OUTPUT | V4L2_CAP_STREAMING);
    nodes[QStringLiteral("/dev/video9")] = caps("Last", 0x010203, V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING);
    // Nodes that exist but cannot be opened are listed with the reason.
    std::map<QString, int> refusals{{QStringLiteral("/dev/video2"), EACCES}, {QStringLiteral("/dev/video5"), EBUSY}};
    const auto entries = enumerateV4l2Devices([&](const QString& path) -> V4l2Probe {
        if (auto it = nodes.find(path); it != nodes.end()) return {it->second, 0};
        if (auto it = refusals.find(path); it != refusals.end()) return {std::nullopt, it->second};
        return {std::nullopt, ENOENT};
    });
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].path, QStringLiteral("/dev/video0"));
    EXPECT_EQ(entries[0].description, QStringLiteral("Cam A 5.10.0"));
    EXPECT_EQ(entries[1].path, QStringLiteral("/dev/video2"));
    EXPECT_TRUE(entries[1].description.startsWith(QStringLiteral("/dev/video2 (accès refusé")));
    EXPECT_TRUE(entries[1].description.contains(QStringLiteral("groupe video")));
    EXPECT_EQ(entries[2].path, QStringLiteral("/dev/video3"));
    EXPECT_TRUE(entries[3].description.contains(QStringLiteral("un autre programme")));
    EXPECT_EQ(entries[4].description, QStringLiteral("Last 1.2.3"));
}

TEST(V4l2Formats, FormatChoiceKeepsAFittingFormatElsePicksTheBestThatFits)
{
    const FormatChoice mjpg720{V4L2_PIX_FMT_MJPEG, "MJPG", 1280, 720};
    const FormatChoice yuyv720{V4L2_PIX_FMT_YUYV, "YUYV", 1280, 720};
    const FormatChoice mjpg480{V4L2_PIX_FMT_MJPEG, "MJPG", 640, 480};
    const FormatChoice yuyv480{V4L2_PIX_FMT_YUYV, "YUYV", 640, 480};
    const FormatChoice yuyv600{V4L2_PIX_FMT_YUYV, "YUYV", 800, 600};
    const FormatChoice yuyv240{V4L2_PIX_FMT_YUYV, "YUYV", 320, 240};
    const FormatChoice yuyv400{V4L2_PIX_FMT_YUYV, "YUYV", 352, 288};

    EXPECT_EQ(*chooseV4l2Format({mjpg720, yuyv480}, yuyv240, 800, 600), yuyv240);
    EXPECT_EQ(*chooseV4l2Format({mjpg720, mjpg480, yuyv480, yuyv240}, mjpg720, 800, 600), yuyv480);
    EXPECT_EQ(*chooseV4l2Format({yuyv720, yuyv600, yuyv240}, yuyv720, 800, 600), yuyv600);
    EXPECT_EQ(*chooseV4l2Format({yuyv720, yuyv400, yuyv240}, yuyv720, 800, 600), yuyv400);
    EXPECT_FALSE(chooseV4l2Format({mjpg720, yuyv720}, mjpg720, 800, 600).has_value());
    EXPECT_EQ(v4l2BitsPerPixel(V4L2_PIX_FMT_YUYV), 16);
    EXPECT_EQ(v4l2BitsPerPixel(V4L2_PIX_FMT_MJPEG), 0);
    EXPECT_EQ(fourccText(V4L2_PIX_FMT_YUYV), QStringLiteral("YUYV"));
}

TEST(V4l2Formats, ConvertsYuyvAndMjpegFramesTo24BitColour)
{
    FrameConverter conv = FrameConverter::detached();
    ASSERT_TRUE(conv.valid());
    QImage target(800, 600, kPixelFormat);
    target.fill(0);

    // YUYV 4 x 2: left pair mid grey, right pair a saturated red (Y 82, U 90, V 240).
    const uint8_t yuyv[] = {128, 128, 128, 128, 82, 90, 82, 240, 128, 128, 128, 128, 82, 90, 82, 240};
    ASSERT_TRUE(conv.convert(yuyv, sizeof yuyv, V4L2_PIX_FMT_YUYV, 4, 2, 8, target));
    const QRgb grey = target.pixel(0, 1), red = target.pixel(3, 0);
    EXPECT_NEAR(qRed(grey), qGreen(grey), 2);
    EXPECT_NEAR(qBlue(grey), qGreen(grey), 2);
    EXPECT_GT(qGreen(grey), 110);
    EXPECT_GT(qRed(red), 200);
    EXPECT_LT(qGreen(red), 40);
    EXPECT_LT(qBlue(red), 40);

    const std::vector<uint8_t> jpeg = jpegTwoHalves(32, 16);
    ASSERT_TRUE(conv.convert(jpeg.data(), jpeg.size(), V4L2_PIX_FMT_MJPEG, 32, 16, 0, target))
        << conv.lastError().toStdString();
    EXPECT_GT(qRed(target.pixel(4, 8)), 180);
    EXPECT_LT(qBlue(target.pixel(4, 8)), 60);
    EXPECT_GT(qBlue(target.pixel(28, 8)), 180);
    EXPECT_LT(qRed(target.pixel(28, 8)), 60);

    // A damaged frame is refused and the target keeps its pixels.
    target.fill(qRgb(1, 2, 3));
    std::vector<uint8_t> junk(300, 0x5a);
    EXPECT_FALSE(conv.convert(junk.data(), junk.size(), V4L2_PIX_FMT_MJPEG, 32, 16, 0, target));
    EXPECT_EQ(target.pixel(4, 8) & 0xffffffu, 0x010203u);
    // A frame larger than the bitmap is refused.
    EXPECT_FALSE(conv.convert(yuyv, sizeof yuyv, V4L2_PIX_FMT_YUYV, 1024, 768, 2048, target));
}

TEST(V4l2Driver, RefusesNodesThatAreNoCameraAndListsTheSimulatorLast)
{
    for (const char* path : {"/dev/null", "/dev/video-absent"}) {
        V4l2Driver driver(QString::fromLatin1(path));
        EXPECT_FALSE(driver.connect()) << path;
        EXPECT_FALSE(driver.isConnected());
        EXPECT_TRUE(driver.lastError().contains(QString::fromLatin1(path)));
        QImage target(800, 600, kPixelFormat);
        EXPECT_EQ(driver.grab(target, 0), GrabResult::Failed);
        EXPECT_TRUE(driver.formatChoices().empty());
        EXPECT_FALSE(driver.startStream(33000, [] {}));
    }
    ManualClock clock;
    SkySimulator sky(clock);
    SystemDriverCatalogue catalogue(sky);
    const QStringList entries = catalogue.describeDrivers();
    ASSERT_FALSE(entries.isEmpty());
    EXPECT_EQ(entries.last(), QStringLiteral("Simulateur de ciel 1.0"));
    auto simulator = catalogue.createDriver(int(entries.size()) - 1);
    ASSERT_TRUE(simulator);
    EXPECT_TRUE(simulator->connect());
    EXPECT_EQ(simulator->readFormat().width, 640);
    EXPECT_FALSE(catalogue.createDriver(int(entries.size())));
    EXPECT_FALSE(catalogue.createDriver(-1));
}

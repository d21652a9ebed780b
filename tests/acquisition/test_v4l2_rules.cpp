#include "core/ImageBuffers.h"
#include "acquisition/RawDemosaic.h"
#include "acquisition/V4l2Controls.h"
#include "acquisition/V4l2Errors.h"
#include "acquisition/V4l2Formats.h"
#include "acquisition/V4l2Queue.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <linux/videodev2.h>
#include <map>

using namespace velumbra;

TEST(V4l2Errors, ReasonsSayWhatToDo)
{
    const struct {
        int error;
        const char* words;
    } cases[] = {
        {EACCES, "groupe video"},    {EPERM, "groupe video"},       {EBUSY, "un autre programme"},
        {ENODEV, "caméra débranchée"}, {ENXIO, "caméra débranchée"}, {ENOENT, "absent"},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(v4l2ErrorReason(c.error).contains(QString::fromUtf8(c.words)))
            << c.error << " " << v4l2ErrorReason(c.error).toStdString();
    EXPECT_FALSE(v4l2ErrorReason(EIO).isEmpty());
    EXPECT_TRUE(v4l2NodeAbsent(ENOENT));
    EXPECT_FALSE(v4l2NodeAbsent(EACCES));
}

TEST(V4l2Formats, OnlyDecodableFormatsThatFitTheBuffersAreOffered)
{
    const FormatChoice yuyv480{V4L2_PIX_FMT_YUYV, "YUYV", 640, 480}, yuyv600{V4L2_PIX_FMT_YUYV, "YUYV", 800, 600},
        yuyv720{V4L2_PIX_FMT_YUYV, "YUYV", 1280, 720}, yuyvTall{V4L2_PIX_FMT_YUYV, "YUYV", 640, 601},
        mjpg480{V4L2_PIX_FMT_MJPEG, "MJPG", 640, 480}, h264{V4L2_PIX_FMT_H264, "H264", 640, 480};
    const auto offered = offeredV4l2Formats({yuyv480, yuyv600, yuyv720, yuyvTall, mjpg480, h264}, v4lconvertDecodes,
                                            800, 600);
    EXPECT_EQ(offered, (std::vector<FormatChoice>{yuyv480, yuyv600, mjpg480}));

    // What libv4lconvert itself says it decodes.
    const struct {
        uint32_t format;
        bool decodes;
    } cases[] = {
        {V4L2_PIX_FMT_YUYV, true},   {V4L2_PIX_FMT_MJPEG, true},  {V4L2_PIX_FMT_YUV420, true},
        {V4L2_PIX_FMT_SBGGR8, true}, {V4L2_PIX_FMT_BGR24, true},  {V4L2_PIX_FMT_H264, false},
        {V4L2_PIX_FMT_HEVC, false},  {fourcc('Z', 'Z', 'Z', 'Z'), false},
    };
    for (const auto& c : cases) EXPECT_EQ(v4lconvertDecodes(c.format), c.decodes) << fourccText(c.format).toStdString();
}

TEST(V4l2Formats, ARawMosaicIsHandedOverUndecodedForTheRawStep)
{
    // A BGGR sensor seeing a flat colour: blue 50, green 100, red 200.
    constexpr int W = 8, H = 6, stride = 10;
    std::vector<uint8_t> frame(stride * H, 0);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) frame[size_t(y * stride + x)] = (y & 1) ? ((x & 1) ? 200 : 100) : ((x & 1) ? 100 : 50);
    QImage mosaic(W, H, kPixelFormat);
    mosaic.fill(0);
    ASSERT_TRUE(copyMosaic(frame.data(), frame.size(), W, H, stride, mosaic));
    EXPECT_EQ(mosaic.pixel(1, 1) & 0xffffffu, qRgb(200, 200, 200) & 0xffffffu);
    // "Mode 3" is the blue-green over green-red layout: the colour comes back once.
    QImage colour(W, H, kPixelFormat);
    RawDemosaic(mosaic, colour, W, H, 2);
    for (int y = 1; y < H - 1; ++y)
        for (int x = 1; x < W - 1; ++x) ASSERT_EQ(colour.pixel(x, y) & 0xffffffu, qRgb(200, 100, 50) & 0xffffffu);
    // A short frame or one larger than the bitmap is refused.
    EXPECT_FALSE(copyMosaic(frame.data(), frame.size() - 3, W, H, stride, mosaic));
    QImage small(4, 4, kPixelFormat);
    EXPECT_FALSE(copyMosaic(frame.data(), frame.size(), W, H, stride, small));
    EXPECT_TRUE(isBayer8(V4L2_PIX_FMT_SGRBG8));
    EXPECT_FALSE(isBayer8(V4L2_PIX_FMT_YUYV));
}

namespace {

v4l2_queryctrl query(uint32_t id, const char* name, uint32_t type, int min, int max, int step, uint32_t flags = 0)
{
    v4l2_queryctrl q{};
    q.id = id;
    std::strncpy(reinterpret_cast<char*>(q.name), name, sizeof q.name - 1);
    q.type = type;
    q.minimum = min;
    q.maximum = max;
    q.step = step;
    q.flags = flags;
    return q;
}

} // namespace

TEST(V4l2Controls, TheDialogShowsEachKindOfControl)
{
    // The driver answers for menu items 1 and 3 only, as uvcvideo does for the exposure mode.
    const std::map<uint32_t, QString> exposureModes{{1, QStringLiteral("Manual Mode")},
                                                    {3, QStringLiteral("Aperture Priority Mode")}};
    const auto menu = [&](uint32_t index) -> std::optional<QString> {
        auto it = exposureModes.find(index);
        if (it == exposureModes.end()) return std::nullopt;
        return it->second;
    };
    using K = DriverControl::Kind;
    const auto mode = driverControlFrom(
        query(V4L2_CID_EXPOSURE_AUTO, "Auto Exposure", V4L2_CTRL_TYPE_MENU, 0, 3, 1, V4L2_CTRL_FLAG_UPDATE), 3, menu);
    ASSERT_TRUE(mode);
    EXPECT_EQ(mode->kind, K::Menu);
    EXPECT_EQ(mode->items, (std::vector<DriverControl::Item>{{1, QStringLiteral("Manual Mode")},
                                                             {3, QStringLiteral("Aperture Priority Mode")}}));
    EXPECT_EQ(mode->value, 3);
    EXPECT_TRUE(mode->updatesOthers);

    const auto time = driverControlFrom(query(V4L2_CID_EXPOSURE_ABSOLUTE, "Exposure Time", V4L2_CTRL_TYPE_INTEGER, 3,
                                              2047, 1, V4L2_CTRL_FLAG_INACTIVE),
                                        250, menu);
    ASSERT_TRUE(time);
    EXPECT_EQ(time->kind, K::Slider);
    EXPECT_FALSE(time->enabled);
    EXPECT_EQ(time->name, QStringLiteral("Exposure Time"));
    EXPECT_EQ(time->maximum, 2047);

    const auto rates = driverControlFrom(query(0x00981234, "Link Freq", V4L2_CTRL_TYPE_INTEGER_MENU, 0, 1, 1), 0,
                                         [](uint32_t i) -> std::optional<QString> { return QString::number(100 * (i + 1)); });
    ASSERT_TRUE(rates);
    EXPECT_EQ(rates->items.size(), 2u);
    EXPECT_EQ(rates->items[1].label, QStringLiteral("200"));

    const auto wb = driverControlFrom(query(V4L2_CID_AUTO_WHITE_BALANCE, "WB Auto", V4L2_CTRL_TYPE_BOOLEAN, 0, 1, 1), 1,
                                      menu);
    ASSERT_TRUE(wb);
    EXPECT_EQ(wb->kind, K::CheckBox);
    EXPECT_TRUE(wb->enabled);

    // What the dialog cannot set is left out.
    const v4l2_queryctrl hidden[] = {
        query(1, "Disabled", V4L2_CTRL_TYPE_INTEGER, 0, 10, 1, V4L2_CTRL_FLAG_DISABLED),
        query(2, "Read only", V4L2_CTRL_TYPE_INTEGER, 0, 10, 1, V4L2_CTRL_FLAG_READ_ONLY),
        query(3, "Button", V4L2_CTRL_TYPE_BUTTON, 0, 0, 0),
        query(4, "Class", V4L2_CTRL_TYPE_CTRL_CLASS, 0, 0, 0),
        query(5, "Empty menu", V4L2_CTRL_TYPE_MENU, 0, 2, 1),
    };
    for (const v4l2_queryctrl& q : hidden)
        EXPECT_FALSE(driverControlFrom(q, 0, [](uint32_t) { return std::optional<QString>(); }))
            << reinterpret_cast<const char*>(q.name);
}

TEST(V4l2Queue, TheFreshestFrameIsDecodedAndStaleOnesGoBack)
{
    struct Case {
        const char* what;
        std::vector<FilledBuffer> filled;
        size_t bufferCount;
        std::optional<uint32_t> use;
        std::vector<uint32_t> requeue;
    };
    const Case cases[] = {
        {"one frame", {{2, 1000, false}}, 4, 2, {}},
        {"newest by time stamp", {{1, 3000, false}, {2, 1000, false}, {3, 2000, false}}, 4, 1, {2, 3}},
        {"a damaged newest", {{0, 1000, false}, {1, 2000, true}}, 4, 0, {1}},
        {"all damaged", {{0, 1000, true}}, 4, std::nullopt, {0}},
        // Every buffer full: the camera dropped frames since, all have waited.
        {"queue was full", {{0, 1000, false}, {1, 2000, false}, {2, 3000, false}, {3, 4000, false}}, 4, std::nullopt,
         {0, 1, 2, 3}},
        {"nothing", {}, 4, std::nullopt, {}},
    };
    BufferChoice choice;
    for (const Case& c : cases) {
        chooseFreshBuffer(c.filled, c.bufferCount, choice);
        EXPECT_EQ(choice.use, c.use) << c.what;
        EXPECT_EQ(choice.requeue, c.requeue) << c.what;
    }
}

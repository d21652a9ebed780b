#include "core/ImageBuffers.h"
#include "acquisition/V4l2Driver.h"
#include "acquisition/V4l2Io.h"

#include <cerrno>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/videodev2.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

using namespace velumbra;

namespace {

// A camera as the kernel shows it: buffers go round between the program's
// queue and the camera's; with none queued the camera drops its frames.
// Like uvcvideo, it refuses a new frame rate or format while streaming.
struct FakeCamera {
    int openError = 0;
    bool unplugged = false;
    uint32_t pixelFormat = V4L2_PIX_FMT_BGR24;
    int width = 8, height = 4;
    std::vector<FormatChoice> formats;
    bool streaming = false;
    std::vector<std::vector<uint8_t>> buffers;
    std::vector<int64_t> stamps;
    std::deque<uint32_t> queued, done;
    v4l2_fract period{0, 0};
    std::function<void()> onPoll; // the camera delivers while the program waits

    int bytesPerLine() const { return pixelFormat == V4L2_PIX_FMT_BGR24 ? width * 3 : width; }
    size_t imageSize() const { return size_t(bytesPerLine()) * size_t(height); }

    // One frame: every byte the given level, or the given bytes.
    void deliver(int64_t us, uint8_t level, const std::vector<uint8_t>& bytes = {})
    {
        if (queued.empty()) return; // dropped
        const uint32_t i = queued.front();
        queued.pop_front();
        if (bytes.empty())
            std::fill(buffers[i].begin(), buffers[i].end(), level);
        else
            std::copy(bytes.begin(), bytes.end(), buffers[i].begin());
        stamps[i] = us;
        done.push_back(i);
    }
};

class FakeIo final : public V4l2Io {
public:
    explicit FakeIo(FakeCamera& cam) : cam_(cam) {}
    int open(const QString&) override
    {
        if (cam_.openError) {
            errno = cam_.openError;
            return -1;
        }
        return ::open("/dev/null", O_RDONLY); // a real descriptor for the stream notifier
    }
    void close(int fd) override { ::close(fd); }
    void* map(int, size_t, int64_t offset) override
    {
        const size_t i = size_t(offset / 4096);
        return i < cam_.buffers.size() ? cam_.buffers[i].data() : MAP_FAILED;
    }
    void unmap(void*, size_t) override {}
    int poll(int, int, short& revents) override
    {
        if (cam_.unplugged) {
            revents = POLLERR | POLLHUP;
            return 1;
        }
        if (cam_.done.empty() && cam_.onPoll) cam_.onPoll();
        revents = cam_.done.empty() ? 0 : POLLIN;
        return cam_.done.empty() ? 0 : 1;
    }
    std::unique_ptr<FrameConverter> converter(int) override
    {
        return std::make_unique<FrameConverter>(FrameConverter::detached());
    }
    int ioctl(int, unsigned long request, void* arg) override
    {
        if (cam_.unplugged) return error(ENODEV);
        switch (request) {
        case VIDIOC_QUERYCAP: {
            auto* c = static_cast<v4l2_capability*>(arg);
            *c = {};
            c->capabilities = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
            return 0;
        }
        case VIDIOC_G_FMT: {
            auto* f = static_cast<v4l2_format*>(arg);
            f->fmt.pix.width = uint32_t(cam_.width);
            f->fmt.pix.height = uint32_t(cam_.height);
            f->fmt.pix.pixelformat = cam_.pixelFormat;
            f->fmt.pix.bytesperline = uint32_t(cam_.bytesPerLine());
            f->fmt.pix.sizeimage = uint32_t(cam_.imageSize());
            return 0;
        }
        case VIDIOC_ENUM_FMT: {
            auto* d = static_cast<v4l2_fmtdesc*>(arg);
            std::vector<uint32_t> codes;
            for (const FormatChoice& f : cam_.formats)
                if (std::find(codes.begin(), codes.end(), f.pixelFormat) == codes.end()) codes.push_back(f.pixelFormat);
            if (d->index >= codes.size()) return error(EINVAL);
            d->pixelformat = codes[d->index];
            std::strcpy(reinterpret_cast<char*>(d->description), fourccText(d->pixelformat).toLatin1().constData());
            return 0;
        }
        case VIDIOC_ENUM_FRAMESIZES: {
            auto* s = static_cast<v4l2_frmsizeenum*>(arg);
            uint32_t n = 0;
            for (const FormatChoice& f : cam_.formats)
                if (f.pixelFormat == s->pixel_format && n++ == s->index) {
                    s->type = V4L2_FRMSIZE_TYPE_DISCRETE;
                    s->discrete = {uint32_t(f.width), uint32_t(f.height)};
                    return 0;
                }
            return error(EINVAL);
        }
        case VIDIOC_REQBUFS: {
            auto* r = static_cast<v4l2_requestbuffers*>(arg);
            if (cam_.streaming) return error(EBUSY);
            cam_.buffers.assign(r->count, std::vector<uint8_t>(cam_.imageSize()));
            cam_.stamps.assign(r->count, 0);
            cam_.queued.clear();
            cam_.done.clear();
            return 0;
        }
        case VIDIOC_QUERYBUF: {
            auto* b = static_cast<v4l2_buffer*>(arg);
            if (b->index >= cam_.buffers.size()) return error(EINVAL);
            b->length = uint32_t(cam_.buffers[b->index].size());
            b->m.offset = b->index * 4096;
            return 0;
        }
        case VIDIOC_QBUF: cam_.queued.push_back(static_cast<v4l2_buffer*>(arg)->index); return 0;
        case VIDIOC_DQBUF: {
            if (cam_.done.empty()) return error(EAGAIN);
            auto* b = static_cast<v4l2_buffer*>(arg);
            b->index = cam_.done.front();
            cam_.done.pop_front();
            b->bytesused = uint32_t(cam_.imageSize());
            b->timestamp = {cam_.stamps[b->index] / 1000000, cam_.stamps[b->index] % 1000000};
            b->flags = 0;
            return 0;
        }
        case VIDIOC_STREAMON: cam_.streaming = true; return 0;
        case VIDIOC_STREAMOFF:
            cam_.streaming = false;
            cam_.queued.clear();
            cam_.done.clear();
            return 0;
        case VIDIOC_G_PARM: {
            auto* p = static_cast<v4l2_streamparm*>(arg);
            p->parm.capture.capability = V4L2_CAP_TIMEPERFRAME;
            p->parm.capture.timeperframe = cam_.period;
            return 0;
        }
        case VIDIOC_S_PARM:
            if (cam_.streaming) return error(EBUSY);
            cam_.period = static_cast<v4l2_streamparm*>(arg)->parm.capture.timeperframe;
            return 0;
        default: return error(EINVAL);
        }
    }

private:
    static int error(int e)
    {
        errno = e;
        return -1;
    }
    FakeCamera& cam_;
};

V4l2Driver driverFor(FakeCamera& cam)
{
    return V4l2Driver(QStringLiteral("/dev/video0"), std::make_unique<FakeIo>(cam));
}

int green(const QImage& img, int x, int y) { return qGreen(img.pixel(x, y)); }

} // namespace

TEST(V4l2Driver, AGrabNeverShowsAFrameThatWaitedInAFullQueue)
{
    FakeCamera cam;
    V4l2Driver driver = driverFor(cam);
    ASSERT_TRUE(driver.connect()) << driver.lastError().toStdString();
    QImage target(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
    // A slow refresh: the camera filled every buffer and dropped its later frames.
    for (int i = 1; i <= 6; ++i) cam.deliver(i * 33000, uint8_t(10 * i));
    cam.onPoll = [&] { cam.deliver(7 * 33000, 70); };
    ASSERT_EQ(driver.grab(target, 100), GrabResult::Frame);
    EXPECT_EQ(green(target, 1, 1), 70);
    // A quick refresh: the newest of the queued frames, the others go back.
    cam.onPoll = nullptr;
    cam.deliver(8 * 33000, 80);
    cam.deliver(9 * 33000, 90);
    ASSERT_EQ(driver.grab(target, 100), GrabResult::Frame);
    EXPECT_EQ(green(target, 1, 1), 90);
    EXPECT_EQ(cam.queued.size(), 4u); // every buffer is back with the camera
    EXPECT_EQ(driver.grab(target, 0), GrabResult::NoFrame);
}

TEST(V4l2Driver, TheFrameRateIsSetBeforeTheStreamStarts)
{
    FakeCamera cam;
    V4l2Driver driver = driverFor(cam);
    ASSERT_TRUE(driver.connect());
    ASSERT_TRUE(driver.startStream(33000, [] {}));
    EXPECT_EQ(cam.period.numerator, 33000u);
    EXPECT_EQ(cam.period.denominator, 1000000u);
    EXPECT_TRUE(cam.streaming);
    EXPECT_EQ(cam.queued.size(), 4u);
    driver.stopStream();
}

TEST(V4l2Driver, FailuresNameTheirCause)
{
    const struct {
        int openError;
        const char* words;
    } refusals[] = {{EBUSY, "un autre programme"}, {EACCES, "groupe video"}, {ENOENT, "absent"}};
    for (const auto& r : refusals) {
        FakeCamera cam;
        cam.openError = r.openError;
        V4l2Driver driver = driverFor(cam);
        EXPECT_FALSE(driver.connect());
        EXPECT_TRUE(driver.lastError().contains(QString::fromUtf8(r.words))) << driver.lastError().toStdString();
    }
    FakeCamera cam;
    V4l2Driver driver = driverFor(cam);
    ASSERT_TRUE(driver.connect());
    cam.unplugged = true;
    QImage target(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
    EXPECT_EQ(driver.grab(target, 100), GrabResult::Failed);
    EXPECT_TRUE(driver.lastError().contains(QStringLiteral("caméra débranchée"))) << driver.lastError().toStdString();
}

TEST(V4l2Driver, OffersOnlyFormatsItCanShow)
{
    FakeCamera cam;
    cam.formats = {{V4L2_PIX_FMT_YUYV, "", 640, 480},
                   {V4L2_PIX_FMT_YUYV, "", 1280, 720},
                   {V4L2_PIX_FMT_H264, "", 640, 480},
                   {V4L2_PIX_FMT_MJPEG, "", 800, 600}};
    V4l2Driver driver = driverFor(cam);
    ASSERT_TRUE(driver.connect());
    std::vector<std::pair<uint32_t, int>> offered;
    for (const FormatChoice& f : driver.formatChoices()) offered.push_back({f.pixelFormat, f.width});
    EXPECT_EQ(offered, (std::vector<std::pair<uint32_t, int>>{{V4L2_PIX_FMT_YUYV, 640}, {V4L2_PIX_FMT_MJPEG, 800}}));
}

TEST(V4l2Driver, ARawMosaicIsDecodedOnlyWhenTheRawStepIsOff)
{
    FakeCamera cam;
    cam.pixelFormat = V4L2_PIX_FMT_SBGGR8;
    V4l2Driver driver = driverFor(cam);
    ASSERT_TRUE(driver.connect());
    // Blue 50, green 100, red 200 on a BGGR sensor.
    std::vector<uint8_t> frame(cam.imageSize());
    for (int y = 0; y < cam.height; ++y)
        for (int x = 0; x < cam.width; ++x)
            frame[size_t(y * cam.width + x)] = (y & 1) ? ((x & 1) ? 200 : 100) : ((x & 1) ? 100 : 50);
    QImage target(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);

    driver.setRawMosaic(true);
    cam.deliver(1000, 0, frame);
    ASSERT_EQ(driver.grab(target, 100), GrabResult::Frame);
    EXPECT_EQ(target.pixel(1, 1) & 0xffffffu, qRgb(200, 200, 200) & 0xffffffu); // the red site's own byte
    EXPECT_EQ(target.pixel(2, 2) & 0xffffffu, qRgb(50, 50, 50) & 0xffffffu);    // a blue site

    driver.setRawMosaic(false);
    cam.deliver(2000, 0, frame);
    ASSERT_EQ(driver.grab(target, 100), GrabResult::Frame);
    const QRgb decoded = target.pixel(2, 2);
    EXPECT_GT(qRed(decoded), qBlue(decoded)); // colour rebuilt by the decoder
}

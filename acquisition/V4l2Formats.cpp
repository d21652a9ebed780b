#include "acquisition/V4l2Formats.h"
#include "core/ImageBuffers.h"
#include "acquisition/V4l2Errors.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <tuple>
#include <linux/videodev2.h>
#include <libv4l-plugin.h>
#include <libv4lconvert.h>

namespace velumbra {

QString fourccText(uint32_t code)
{
    QString s;
    for (int i = 0; i < 4; ++i) {
        const char c = char((code >> (8 * i)) & 0xff);
        s += (c >= 32 && c < 127) ? QChar(c) : QChar('?');
    }
    return s.trimmed();
}

QString describeV4l2Device(const v4l2_capability& caps)
{
    const QString card = QString::fromUtf8(reinterpret_cast<const char*>(caps.card),
                                           int(strnlen(reinterpret_cast<const char*>(caps.card), sizeof caps.card)));
    const QString version = QStringLiteral("%1.%2.%3")
                                .arg((caps.version >> 16) & 0xff)
                                .arg((caps.version >> 8) & 0xff)
                                .arg(caps.version & 0xff);
    return card.trimmed() + QLatin1Char(' ') + version;
}

bool isV4l2CaptureDevice(const v4l2_capability& caps)
{
    const uint32_t c = (caps.capabilities & V4L2_CAP_DEVICE_CAPS) ? caps.device_caps : caps.capabilities;
    return (c & V4L2_CAP_VIDEO_CAPTURE) && (c & (V4L2_CAP_STREAMING | V4L2_CAP_READWRITE));
}

std::vector<V4l2DeviceEntry> enumerateV4l2Devices(const std::function<V4l2Probe(const QString& path)>& probe)
{
    std::vector<V4l2DeviceEntry> entries;
    for (int i = 0; i < 10; ++i) {
        const QString path = QStringLiteral("/dev/video%1").arg(i);
        const V4l2Probe p = probe(path);
        if (p.caps) {
            if (isV4l2CaptureDevice(*p.caps)) entries.push_back({path, describeV4l2Device(*p.caps)});
        } else if (p.error != 0 && !v4l2NodeAbsent(p.error)) {
            entries.push_back({path, QStringLiteral("%1 (%2)").arg(path, v4l2ErrorReason(p.error))});
        }
    }
    return entries;
}

int v4l2BitsPerPixel(uint32_t f)
{
    switch (f) {
    case V4L2_PIX_FMT_BGR24: case V4L2_PIX_FMT_RGB24: return 24;
    case V4L2_PIX_FMT_BGR32: case V4L2_PIX_FMT_RGB32: case V4L2_PIX_FMT_XBGR32: case V4L2_PIX_FMT_XRGB32: return 32;
    case V4L2_PIX_FMT_YUYV: case V4L2_PIX_FMT_UYVY: case V4L2_PIX_FMT_YVYU: case V4L2_PIX_FMT_RGB565: return 16;
    case V4L2_PIX_FMT_YUV420: case V4L2_PIX_FMT_YVU420: case V4L2_PIX_FMT_NV12: return 12;
    case V4L2_PIX_FMT_GREY: case V4L2_PIX_FMT_SBGGR8: case V4L2_PIX_FMT_SGBRG8: case V4L2_PIX_FMT_SGRBG8:
    case V4L2_PIX_FMT_SRGGB8: return 8;
    default: return 0;
    }
}

std::optional<FormatChoice> chooseV4l2Format(const std::vector<FormatChoice>& available,
                                              const FormatChoice& current, int maxWidth, int maxHeight)
{
    auto fits = [&](const FormatChoice& f) {
        return f.width > 0 && f.height > 0 && f.width <= maxWidth && f.height <= maxHeight;
    };
    if (fits(current)) return current;
    std::optional<FormatChoice> best;
    auto rank = [](const FormatChoice& f) {
        const bool vga = f.width == 640 && f.height == 480;
        const bool uncompressed = v4l2BitsPerPixel(f.pixelFormat) > 0;
        return std::make_tuple(vga, f.width * f.height, uncompressed);
    };
    for (const FormatChoice& f : available)
        if (fits(f) && (!best || rank(f) > rank(*best))) best = f;
    return best;
}

std::vector<FormatChoice> offeredV4l2Formats(const std::vector<FormatChoice>& available,
                                             const std::function<bool(uint32_t pixelFormat)>& decodable,
                                             int maxWidth, int maxHeight)
{
    std::vector<FormatChoice> out;
    for (const FormatChoice& f : available)
        if (f.width > 0 && f.height > 0 && f.width <= maxWidth && f.height <= maxHeight && decodable(f.pixelFormat))
            out.push_back(f);
    return out;
}

bool isBayer8(uint32_t f)
{
    return f == V4L2_PIX_FMT_SBGGR8 || f == V4L2_PIX_FMT_SGBRG8 || f == V4L2_PIX_FMT_SGRBG8
        || f == V4L2_PIX_FMT_SRGGB8;
}

bool copyMosaic(const uint8_t* source, size_t sourceSize, int width, int height, int bytesPerLine,
                QImage& target)
{
    if (width <= 0 || height <= 0 || width > target.width() || height > target.height()) return false;
    const size_t stride = size_t(std::max(bytesPerLine, width));
    if (sourceSize < stride * size_t(height - 1) + size_t(width)) return false;
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = source + stride * size_t(y);
        uint8_t* out = pixelRow(target, y);
        for (int x = 0; x < width; ++x, out += kBytesPerPixel) {
            out[kBlue] = out[kGreen] = out[kRed] = in[x];
            out[3] = 0xff;
        }
    }
    return true;
}

namespace {

// libv4lconvert asks the device what it is; a detached converter answers
// for a plain capture device and refuses everything else.
int detachedIoctl(void*, int, unsigned long request, void* arg)
{
    if (request == VIDIOC_QUERYCAP) {
        auto* caps = static_cast<v4l2_capability*>(arg);
        std::memset(caps, 0, sizeof *caps);
        std::strcpy(reinterpret_cast<char*>(caps->driver), "memory");
        std::strcpy(reinterpret_cast<char*>(caps->card), "memory");
        caps->capabilities = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING | V4L2_CAP_DEVICE_CAPS;
        caps->device_caps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
        return 0;
    }
    errno = EINVAL;
    return -1;
}
ssize_t detachedRead(void*, int, void*, size_t)
{
    errno = EINVAL;
    return -1;
}
ssize_t detachedWrite(void*, int, const void*, size_t)
{
    errno = EINVAL;
    return -1;
}
libv4l_dev_ops detachedOps()
{
    libv4l_dev_ops ops{};
    ops.ioctl = detachedIoctl;
    ops.read = detachedRead;
    ops.write = detachedWrite;
    return ops;
}

// A device that knows one pixel format: libv4lconvert, asked for 24-bit
// colour, picks it as its source only when it can decode it.
int oneFormatIoctl(void* priv, int, unsigned long request, void* arg)
{
    const uint32_t format = *static_cast<const uint32_t*>(priv);
    switch (request) {
    case VIDIOC_QUERYCAP: return detachedIoctl(priv, -1, request, arg);
    case VIDIOC_ENUM_FMT: {
        auto* d = static_cast<v4l2_fmtdesc*>(arg);
        if (d->index != 0 || d->type != V4L2_BUF_TYPE_VIDEO_CAPTURE) break;
        d->pixelformat = format;
        d->flags = 0;
        return 0;
    }
    case VIDIOC_TRY_FMT:
    case VIDIOC_G_FMT: {
        auto* f = static_cast<v4l2_format*>(arg);
        if (f->type != V4L2_BUF_TYPE_VIDEO_CAPTURE) break;
        f->fmt.pix.pixelformat = format;
        if (f->fmt.pix.width == 0 || f->fmt.pix.height == 0) {
            f->fmt.pix.width = 640;
            f->fmt.pix.height = 480;
        }
        f->fmt.pix.field = V4L2_FIELD_NONE;
        return 0;
    }
    default: break;
    }
    errno = EINVAL;
    return -1;
}

} // namespace

bool v4lconvertDecodes(uint32_t pixelFormat)
{
    if (pixelFormat == V4L2_PIX_FMT_BGR24) return true;
    static const libv4l_dev_ops ops = [] {
        libv4l_dev_ops o = detachedOps();
        o.ioctl = oneFormatIoctl;
        return o;
    }();
    uint32_t format = pixelFormat;
    v4lconvert_data* data = v4lconvert_create_with_dev_ops(-1, &format, &ops);
    if (!data) return false;
    v4l2_format wanted{};
    wanted.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    wanted.fmt.pix.width = 640;
    wanted.fmt.pix.height = 480;
    wanted.fmt.pix.pixelformat = V4L2_PIX_FMT_BGR24;
    wanted.fmt.pix.field = V4L2_FIELD_NONE;
    v4l2_format source{};
    const bool ok = v4lconvert_try_format(data, &wanted, &source) == 0 && source.fmt.pix.pixelformat == pixelFormat
                 && wanted.fmt.pix.pixelformat == V4L2_PIX_FMT_BGR24;
    v4lconvert_destroy(data);
    return ok;
}

FrameConverter::FrameConverter(int fd) : data_(v4lconvert_create(fd)) {}

FrameConverter FrameConverter::detached()
{
    static libv4l_dev_ops ops = detachedOps();
    FrameConverter c;
    c.data_ = v4lconvert_create_with_dev_ops(-1, nullptr, &ops);
    return c;
}

FrameConverter::~FrameConverter()
{
    if (data_) v4lconvert_destroy(data_);
}

FrameConverter::FrameConverter(FrameConverter&& other) noexcept : data_(other.data_), bgr_(std::move(other.bgr_))
{
    other.data_ = nullptr;
}

bool FrameConverter::convert(const uint8_t* source, size_t sourceSize, uint32_t pixelFormat, int width,
                             int height, int bytesPerLine, QImage& target)
{
    if (!data_ || width <= 0 || height <= 0 || width > target.width() || height > target.height()) return false;
    v4l2_format src{};
    src.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    src.fmt.pix.width = uint32_t(width);
    src.fmt.pix.height = uint32_t(height);
    src.fmt.pix.pixelformat = pixelFormat;
    src.fmt.pix.field = V4L2_FIELD_NONE;
    src.fmt.pix.bytesperline = uint32_t(bytesPerLine);
    src.fmt.pix.sizeimage = uint32_t(sourceSize);
    v4l2_format dst = src;
    dst.fmt.pix.pixelformat = V4L2_PIX_FMT_BGR24;
    dst.fmt.pix.bytesperline = uint32_t(width * 3);
    dst.fmt.pix.sizeimage = uint32_t(width * height * 3);
    if (bgr_.size() < dst.fmt.pix.sizeimage) bgr_.resize(dst.fmt.pix.sizeimage);
    const int n = v4lconvert_convert(data_, &src, &dst, const_cast<uint8_t*>(source), int(sourceSize),
                                     bgr_.data(), int(dst.fmt.pix.sizeimage));
    if (n < width * height * 3) return false;
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = bgr_.data() + size_t(y) * size_t(width) * 3;
        uint8_t* out = pixelRow(target, y);
        for (int x = 0; x < width; ++x, in += 3, out += kBytesPerPixel) {
            out[kBlue] = in[0];
            out[kGreen] = in[1];
            out[kRed] = in[2];
            out[3] = 0xff;
        }
    }
    return true;
}

QString FrameConverter::lastError() const
{
    return data_ ? QString::fromLocal8Bit(v4lconvert_get_error_message(data_)) : QString();
}

} // namespace velumbra

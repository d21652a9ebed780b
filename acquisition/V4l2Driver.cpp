#include "acquisition/V4l2Driver.h"
#include "core/ImageBuffers.h"
#include "acquisition/IndiCameraDriver.h"
#include "acquisition/SimulatorDriver.h"
#include "indi/IndiClient.h"
#include "acquisition/V4l2Controls.h"
#include "acquisition/V4l2Errors.h"

#include <QObject>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace velumbra {
namespace {

constexpr unsigned kBufferCount = 4;

V4l2Probe probeDevice(const QString& path)
{
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NONBLOCK);
    if (fd < 0) return {std::nullopt, errno};
    v4l2_capability caps{};
    const bool ok = ::ioctl(fd, VIDIOC_QUERYCAP, &caps) == 0;
    const int error = errno;
    ::close(fd);
    if (!ok) return {std::nullopt, error == ENOTTY || error == EINVAL ? 0 : error};
    return {caps, 0};
}

QString describeFormat(const v4l2_fmtdesc& d)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(d.description));
}

} // namespace

V4l2Driver::V4l2Driver(QString path, std::unique_ptr<V4l2Io> io) : path_(std::move(path)), io_(std::move(io)) {}

V4l2Driver::~V4l2Driver() { disconnect(); }

bool V4l2Driver::xioctl(unsigned long request, void* arg)
{
    int r;
    do {
        r = io_->ioctl(fd_, request, arg);
    } while (r == -1 && errno == EINTR);
    return r != -1;
}

bool V4l2Driver::fail(const QString& what)
{
    error_ = QStringLiteral("%1 : %2 (%3)").arg(path_, what, v4l2ErrorReason(errno));
    return false;
}

// The device reported an error or hung up: after an unplug every request
// fails with ENODEV, which names the cause.
GrabResult V4l2Driver::lost()
{
    v4l2_capability caps{};
    if (xioctl(VIDIOC_QUERYCAP, &caps))
        error_ = QObject::tr("%1 : la caméra ne répond plus").arg(path_);
    else
        fail(QObject::tr("la caméra ne répond plus"));
    return GrabResult::Failed;
}

bool V4l2Driver::connect()
{
    if (fd_ >= 0) return true;
    fd_ = io_->open(path_);
    if (fd_ < 0) return fail(QObject::tr("ouverture impossible"));
    v4l2_capability caps{};
    if (!xioctl(VIDIOC_QUERYCAP, &caps) || !isV4l2CaptureDevice(caps)) {
        fail(QObject::tr("pas un périphérique de capture"));
        disconnect();
        return false;
    }
    converter_ = io_->converter(fd_);
    const FormatChoice current = currentFormat();
    const auto chosen = chooseV4l2Format(formatChoices(), current, kMaxFrameWidth, kMaxFrameHeight);
    // A device whose every format is too large keeps its own: the size check tells the user.
    if (chosen && !(*chosen == current)) setFormat(*chosen);
    format_ = currentFormat();
    if (!startCapture()) {
        disconnect();
        return false;
    }
    return true;
}

void V4l2Driver::disconnect()
{
    stopStream();
    stopCapture();
    converter_.reset();
    if (fd_ >= 0) io_->close(fd_);
    fd_ = -1;
}

FormatChoice V4l2Driver::currentFormat()
{
    if (fd_ < 0) return {};
    v4l2_format f{};
    f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (!xioctl(VIDIOC_G_FMT, &f)) return {};
    bytesPerLine_ = int(f.fmt.pix.bytesperline);
    return {f.fmt.pix.pixelformat, fourccText(f.fmt.pix.pixelformat), int(f.fmt.pix.width), int(f.fmt.pix.height)};
}

VideoFormat V4l2Driver::readFormat()
{
    if (fd_ < 0) return {};
    return {format_.width, format_.height, v4l2BitsPerPixel(format_.pixelFormat), format_.pixelFormat};
}

bool V4l2Driver::setFormat(const FormatChoice& choice)
{
    v4l2_format f{};
    f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    f.fmt.pix.width = uint32_t(choice.width);
    f.fmt.pix.height = uint32_t(choice.height);
    f.fmt.pix.pixelformat = choice.pixelFormat;
    f.fmt.pix.field = V4L2_FIELD_ANY;
    if (!xioctl(VIDIOC_S_FMT, &f)) return fail(QObject::tr("format refusé"));
    return true;
}

bool V4l2Driver::startCapture()
{
    v4l2_requestbuffers req{};
    req.count = kBufferCount;
    req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    req.memory = V4L2_MEMORY_MMAP;
    if (!xioctl(VIDIOC_REQBUFS, &req) || req.count < 1) return fail(QObject::tr("pas de tampons vidéo"));
    buffers_.resize(req.count);
    filled_.reserve(req.count);
    choice_.requeue.reserve(req.count);
    for (unsigned i = 0; i < req.count; ++i) {
        v4l2_buffer b{};
        b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        b.memory = V4L2_MEMORY_MMAP;
        b.index = i;
        if (!xioctl(VIDIOC_QUERYBUF, &b)) return fail(QObject::tr("tampon vidéo inaccessible"));
        void* p = io_->map(fd_, b.length, b.m.offset);
        if (p == MAP_FAILED) return fail(QObject::tr("tampon vidéo inaccessible"));
        buffers_[i] = {p, b.length, 0};
        if (!xioctl(VIDIOC_QBUF, &b)) return fail(QObject::tr("tampon vidéo refusé"));
    }
    v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (!xioctl(VIDIOC_STREAMON, &type)) return fail(QObject::tr("démarrage du flux refusé"));
    capturing_ = true;
    return true;
}

void V4l2Driver::stopCapture()
{
    if (fd_ >= 0 && capturing_) {
        v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        xioctl(VIDIOC_STREAMOFF, &type);
    }
    capturing_ = false;
    for (Buffer& b : buffers_)
        if (b.start) io_->unmap(b.start, b.length);
    buffers_.clear();
    if (fd_ >= 0) {
        v4l2_requestbuffers req{};
        req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        req.memory = V4L2_MEMORY_MMAP;
        xioctl(VIDIOC_REQBUFS, &req);
    }
}

bool V4l2Driver::queueBuffer(uint32_t index)
{
    v4l2_buffer b{};
    b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    b.memory = V4L2_MEMORY_MMAP;
    b.index = index;
    return xioctl(VIDIOC_QBUF, &b);
}

bool V4l2Driver::decode(uint32_t index, QImage& target)
{
    const Buffer& buffer = buffers_[index];
    const auto* bytes = static_cast<const uint8_t*>(buffer.start);
    // A raw mosaic goes undecoded to the RAW step, which rebuilds the colour once.
    if (rawMosaic_ && isBayer8(format_.pixelFormat))
        return copyMosaic(bytes, buffer.used, format_.width, format_.height, bytesPerLine_, target);
    return converter_->convert(bytes, buffer.used, format_.pixelFormat, format_.width, format_.height,
                               bytesPerLine_, target);
}

GrabResult V4l2Driver::grab(QImage& target, int timeoutMs)
{
    if (fd_ < 0 || !capturing_) {
        error_ = QObject::tr("%1 : caméra non connectée").arg(path_);
        return GrabResult::Failed;
    }
    // Two rounds at most: when the queue was full, its frames are stale and
    // the grab waits once more for the next one.
    for (int round = 0; round < 2; ++round) {
        short revents = 0;
        const int ready = io_->poll(fd_, timeoutMs, revents);
        if (ready < 0 && errno != EINTR) return fail(QObject::tr("attente d'image")), GrabResult::Failed;
        if (revents & (POLLERR | POLLHUP | POLLNVAL)) return lost();
        if (ready <= 0) return GrabResult::NoFrame;

        // Drain the queue: everything the camera filled since the last grab.
        filled_.clear();
        for (;;) {
            v4l2_buffer b{};
            b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
            b.memory = V4L2_MEMORY_MMAP;
            if (!xioctl(VIDIOC_DQBUF, &b)) {
                if (errno == EAGAIN) break;
                const int error = errno;
                for (const FilledBuffer& f : filled_) queueBuffer(f.index);
                errno = error;
                fail(QObject::tr("la caméra ne répond plus"));
                return GrabResult::Failed;
            }
            const bool known = b.index < buffers_.size();
            if (known) buffers_[b.index].used = b.bytesused;
            filled_.push_back({b.index, int64_t(b.timestamp.tv_sec) * 1000000 + b.timestamp.tv_usec,
                               (b.flags & V4L2_BUF_FLAG_ERROR) != 0 || !known});
        }
        if (filled_.empty()) return GrabResult::NoFrame;
        chooseFreshBuffer(filled_, buffers_.size(), choice_);
        for (uint32_t index : choice_.requeue)
            if (!queueBuffer(index)) return fail(QObject::tr("la caméra ne répond plus")), GrabResult::Failed;
        if (!choice_.use) continue;
        const bool decoded = decode(*choice_.use, target);
        if (!queueBuffer(*choice_.use)) return fail(QObject::tr("la caméra ne répond plus")), GrabResult::Failed;
        return decoded ? GrabResult::Frame : GrabResult::NoFrame;
    }
    return GrabResult::NoFrame;
}

void V4l2Driver::setFramePeriod(int framePeriodUs)
{
    v4l2_streamparm parm{};
    parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (!xioctl(VIDIOC_G_PARM, &parm) || !(parm.parm.capture.capability & V4L2_CAP_TIMEPERFRAME)) return;
    parm.parm.capture.timeperframe.numerator = uint32_t(std::max(framePeriodUs, 1));
    parm.parm.capture.timeperframe.denominator = 1000000;
    xioctl(VIDIOC_S_PARM, &parm); // a camera that keeps its own rate is fine
}

bool V4l2Driver::startStream(int framePeriodUs, std::function<void()> frameReady)
{
    if (fd_ < 0 || !capturing_) return false;
    // Cameras take a new frame rate only while not streaming (uvcvideo
    // answers EBUSY): stop, set the period, start again.
    stopCapture();
    setFramePeriod(framePeriodUs);
    if (!startCapture()) return false;
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [cb = std::move(frameReady)] { cb(); });
    return true;
}

void V4l2Driver::stopStream()
{
    // The stream may stop from inside the notifier's own signal: let Qt delete it afterwards.
    if (notifier_) {
        notifier_->setEnabled(false);
        notifier_.release()->deleteLater();
    }
}

std::vector<FormatChoice> V4l2Driver::formatChoices()
{
    std::vector<FormatChoice> out;
    if (fd_ < 0) return out;
    std::vector<FormatChoice> all;
    for (uint32_t i = 0;; ++i) {
        v4l2_fmtdesc d{};
        d.index = i;
        d.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (!xioctl(VIDIOC_ENUM_FMT, &d)) break;
        for (uint32_t j = 0;; ++j) {
            v4l2_frmsizeenum s{};
            s.index = j;
            s.pixel_format = d.pixelformat;
            if (!xioctl(VIDIOC_ENUM_FRAMESIZES, &s)) break;
            if (s.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
                all.push_back({d.pixelformat, describeFormat(d), int(s.discrete.width), int(s.discrete.height)});
                continue;
            }
            // Stepwise sizes: offer the usual ones inside the range.
            static const int kSizes[][2] = {{320, 240}, {640, 480}, {800, 600}, {1024, 768}, {1280, 720}};
            for (const auto& wh : kSizes)
                if (uint32_t(wh[0]) >= s.stepwise.min_width && uint32_t(wh[0]) <= s.stepwise.max_width
                    && uint32_t(wh[1]) >= s.stepwise.min_height && uint32_t(wh[1]) <= s.stepwise.max_height)
                    all.push_back({d.pixelformat, describeFormat(d), wh[0], wh[1]});
            break;
        }
    }
    return offeredV4l2Formats(all, v4lconvertDecodes, kMaxFrameWidth, kMaxFrameHeight);
}

bool V4l2Driver::applyFormat(const FormatChoice& choice)
{
    if (fd_ < 0) return false;
    const bool streaming = notifier_ != nullptr;
    if (streaming) return false; // the format changes only between runs of the stream
    stopCapture();
    const bool ok = setFormat(choice);
    format_ = currentFormat();
    return startCapture() && ok;
}

std::vector<DriverControl> V4l2Driver::controls()
{
    std::vector<DriverControl> out;
    if (fd_ < 0) return out;
    v4l2_queryctrl q{};
    q.id = V4L2_CTRL_FLAG_NEXT_CTRL;
    while (xioctl(VIDIOC_QUERYCTRL, &q)) {
        v4l2_control c{q.id, q.default_value};
        if (!(q.flags & V4L2_CTRL_FLAG_WRITE_ONLY)) xioctl(VIDIOC_G_CTRL, &c);
        const auto menuItem = [&](uint32_t index) -> std::optional<QString> {
            v4l2_querymenu m{};
            m.id = q.id;
            m.index = index;
            if (!xioctl(VIDIOC_QUERYMENU, &m)) return std::nullopt; // an item the driver skips
            if (q.type == V4L2_CTRL_TYPE_INTEGER_MENU) return QString::number(m.value);
            return QString::fromUtf8(reinterpret_cast<const char*>(m.name),
                                     int(strnlen(reinterpret_cast<const char*>(m.name), sizeof m.name)));
        };
        if (auto dc = driverControlFrom(q, c.value, menuItem)) out.push_back(std::move(*dc));
        q.id |= V4L2_CTRL_FLAG_NEXT_CTRL;
    }
    return out;
}

bool V4l2Driver::setControl(uint32_t id, double value)
{
    if (fd_ < 0) return false;
    v4l2_control c{id, int(value)};
    return xioctl(VIDIOC_S_CTRL, &c) || fail(QObject::tr("réglage refusé"));
}

// How long the list waits for a connected server to name its cameras.
constexpr int kIndiListWaitMs = 1500;

QStringList SystemDriverCatalogue::describeDrivers()
{
    devices_ = enumerateV4l2Devices(probeDevice);
    QStringList list;
    for (const auto& d : devices_) list << d.description;
    list << SimulatorDriver::driverName() + QLatin1Char(' ') + SimulatorDriver::driverVersion();
    indiCameras_.clear();
    if (indi_) {
        IndiClient& client = indi_->client;
        if (!client.isConnected() && indiAutoConnect_)
            client.connectToServer(indi_->settings.host, indi_->settings.port, true);
        client.waitFor([&] { return !client.devicesOfKind(IndiCameraKind).empty(); }, kIndiListWaitMs);
        indiCameras_ = client.devicesOfKind(IndiCameraKind);
    }
    for (const QString& camera : indiCameras_) list << IndiCameraDriver::driverName() + QLatin1Char(' ') + camera;
    return list;
}

QStringList SystemDriverCatalogue::describeWithoutConnecting()
{
    indiAutoConnect_ = false;
    QStringList list = describeDrivers();
    indiAutoConnect_ = true;
    return list;
}

std::unique_ptr<VideoDriver> SystemDriverCatalogue::createDriver(int index)
{
    if (index < 0) return nullptr;
    if (index < int(devices_.size())) return std::make_unique<V4l2Driver>(devices_[size_t(index)].path);
    if (index == int(devices_.size())) return std::make_unique<SimulatorDriver>(sky_);
    const size_t indi = size_t(index) - devices_.size() - 1;
    if (indi_ && indi < indiCameras_.size()) {
        indi_->settings.camera = indiCameras_[indi];
        return std::make_unique<IndiCameraDriver>(indi_->client, indiCameras_[indi], indi_->settings.cameraOptions,
                                                  indi_->messages);
    }
    return nullptr;
}

} // namespace velumbra

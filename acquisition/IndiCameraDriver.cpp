#include "acquisition/IndiCameraDriver.h"

#include "acquisition/RawDemosaic.h"
#include "core/ImageBuffers.h"
#include "core/Messages.h"
#include "indi/IndiClient.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <cmath>

namespace velumbra {

namespace {
constexpr int kConnectWaitMs = 10000;
const QString kCcdInfo = QStringLiteral("CCD_INFO");
const QString kCcdFrame = QStringLiteral("CCD_FRAME");
const QString kCcdBinning = QStringLiteral("CCD_BINNING");
const QString kCcdExposure = QStringLiteral("CCD_EXPOSURE");
const QString kCcdGain = QStringLiteral("CCD_GAIN");
const QString kVideoStream = QStringLiteral("CCD_VIDEO_STREAM");
const QString kStreamFrame = QStringLiteral("CCD_STREAM_FRAME");
const QString kStreamExposure = QStringLiteral("STREAMING_EXPOSURE");
const QString kLimits = QStringLiteral("LIMITS");

// The value brought into the element's range, where the device gives one.
double withinRange(const IndiProperty* p, QStringView element, double value)
{
    const IndiElement* e = p ? p->element(element) : nullptr;
    if (!e || e->maximum <= e->minimum) return value;
    return std::clamp(value, e->minimum, e->maximum);
}
} // namespace

IndiFrameRequest chooseIndiFrame(int sensorWidth, int sensorHeight, const IndiCameraOptions& options, int maxWidth,
                                 int maxHeight)
{
    IndiFrameRequest r;
    r.binning = std::clamp(options.binning, 1, 4);
    const int binnedWidth = std::max(1, sensorWidth / r.binning);
    const int binnedHeight = std::max(1, sensorHeight / r.binning);
    r.outWidth = std::min(binnedWidth, maxWidth);
    r.outHeight = std::min(binnedHeight, maxHeight);
    const int cornerX = options.frameX < 0 ? (binnedWidth - r.outWidth) / 2
                                           : std::clamp(options.frameX, 0, binnedWidth - r.outWidth);
    const int cornerY = options.frameY < 0 ? (binnedHeight - r.outHeight) / 2
                                           : std::clamp(options.frameY, 0, binnedHeight - r.outHeight);
    r.x = cornerX * r.binning;
    r.y = cornerY * r.binning;
    r.width = r.outWidth * r.binning;
    r.height = r.outHeight * r.binning;
    return r;
}

IndiCameraDriver::IndiCameraDriver(IndiClient& client, QString device, IndiCameraOptions& options,
                                   MessageSink& messages)
    : client_(client), device_(std::move(device)), options_(options), messages_(messages)
{
    QObject::connect(&client_, &IndiClient::blobArrived, this, &IndiCameraDriver::onBlob);
    QObject::connect(&client_, &IndiClient::serverLost, this, &IndiCameraDriver::onServerLost);
    applyDepth();
}

IndiCameraDriver::~IndiCameraDriver() { disconnect(); }

bool IndiCameraDriver::fail(const QString& why)
{
    error_ = why;
    return false;
}

bool IndiCameraDriver::connect()
{
    if (connected_) return true;
    error_.clear();
    lost_ = false;
    if (!client_.isConnected()) return fail(QStringLiteral("serveur INDI non connecté"));
    if (!client_.connectDevice(device_)) return fail(QStringLiteral("caméra INDI \"%1\" absente").arg(device_));
    const bool ready = client_.waitFor([&] {
        const IndiProperty* info = client_.property(device_, kCcdInfo);
        return client_.deviceConnected(device_) && info && info->number(u"CCD_MAX_X") > 0
            && info->number(u"CCD_MAX_Y") > 0 && client_.property(device_, kCcdFrame)
            && client_.property(device_, kCcdExposure);
    }, kConnectWaitMs);
    if (!ready) return fail(QStringLiteral("caméra INDI \"%1\" ne répond pas").arg(device_));
    client_.receiveBlobs(device_);
    client_.sendSwitches(device_, QStringLiteral("CCD_TRANSFER_FORMAT"), {{"FORMAT_FITS", true}});
    client_.sendSwitches(device_, QStringLiteral("CCD_COMPRESSION"), {{"INDI_DISABLED", true}});
    if (latest_.isNull()) latest_ = QImage(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
    if (!applyGeometry()) return false;
    if (options_.gain >= 0) client_.sendNumbers(device_, kCcdGain, {{"GAIN", options_.gain}});
    connected_ = true;
    fresh_ = false;
    inFlight_ = false;
    frameProblem_.clear();
    return true;
}

void IndiCameraDriver::disconnect()
{
    stopStream();
    if (connected_ && inFlight_ && client_.isConnected())
        client_.sendSwitches(device_, QStringLiteral("CCD_ABORT_EXPOSURE"), {{"ABORT", true}});
    connected_ = false;
    inFlight_ = false;
    fresh_ = false;
}

bool IndiCameraDriver::applyGeometry()
{
    const IndiProperty* info = client_.property(device_, kCcdInfo);
    if (!info) return fail(QStringLiteral("caméra INDI sans taille de capteur"));
    const int sensorWidth = int(info->number(u"CCD_MAX_X"));
    const int sensorHeight = int(info->number(u"CCD_MAX_Y"));
    if (sensorWidth <= 0 || sensorHeight <= 0) return fail(QStringLiteral("caméra INDI sans taille de capteur"));
    const IndiProperty* binning = client_.property(device_, kCcdBinning);
    if (!binning) options_.binning = 1;
    else options_.binning = std::clamp(options_.binning, 1, std::max(1, int(binning->elements.front().maximum)));
    request_ = chooseIndiFrame(sensorWidth, sensorHeight, options_, kMaxFrameWidth, kMaxFrameHeight);
    if (binning)
        client_.sendNumbers(device_, kCcdBinning, {{"HOR_BIN", request_.binning}, {"VER_BIN", request_.binning}});
    sendFrame(sensorWidth, sensorHeight);
    fresh_ = false;
    return true;
}

// Exposures read the subframe (CCD_FRAME, unbinned pixels). The video
// stream is cut from the whole binned sensor (CCD_STREAM_FRAME, binned
// pixels): a camera whose image area is itself a subframe streams nothing.
void IndiCameraDriver::sendFrame(int sensorWidth, int sensorHeight)
{
    if (!videoStream_) {
        client_.sendNumbers(device_, kCcdFrame, {{"X", request_.x}, {"Y", request_.y}, {"WIDTH", request_.width},
                                                 {"HEIGHT", request_.height}});
        return;
    }
    client_.sendNumbers(device_, kCcdFrame, {{"X", 0}, {"Y", 0}, {"WIDTH", sensorWidth}, {"HEIGHT", sensorHeight}});
    client_.sendNumbers(device_, kStreamFrame, {{"X", request_.x / request_.binning}, {"Y", request_.y / request_.binning},
                                                {"WIDTH", request_.outWidth}, {"HEIGHT", request_.outHeight}});
}

void IndiCameraDriver::applyDepth()
{
    if (options_.mapping == IndiDepthMapping::Stretch) depth_.stretch(options_.stretchLow, options_.stretchHigh);
    else depth_.topBits();
}

VideoFormat IndiCameraDriver::readFormat()
{
    if (!connected_) return {};
    return {request_.outWidth, request_.outHeight, 16, fourcc('F', 'I', 'T', 'S')};
}

bool IndiCameraDriver::startExposure()
{
    if (!connected_ || lost_) return false;
    if (!client_.sendNumbers(device_, kCcdExposure, {{"CCD_EXPOSURE_VALUE", options_.exposureMs / 1000.0}})) {
        if (!client_.serverAlive()) lost_ = true;
        return fail(lost_ ? QStringLiteral("serveur INDI perdu") : QStringLiteral("pose refusée par la caméra INDI"));
    }
    inFlight_ = true;
    return true;
}

void IndiCameraDriver::onBlob(const IndiBlob& blob)
{
    if (!connected_ || blob.device != device_) return;
    QString why;
    if (blob.format == QLatin1String(".stream")) {
        // A frame of the video stream: the exposure loop is not involved.
        if (!videoStream_) return;
        if (readStreamFrame(blob.data, why)) {
            lastFrameTime_ = blob.arrival;
            fresh_ = true;
            frameProblem_.clear();
        } else if (why != frameProblem_) {
            frameProblem_ = why;
            messages_.showMessage(false, QStringLiteral("Caméra INDI \"%1\": %2").arg(device_, why));
        }
        if (fresh_ && frameReady_) frameReady_();
        return;
    }
    inFlight_ = false;
    FitsFrameInfo info;
    if (!blob.format.startsWith(QLatin1String(".fits"))) why = QStringLiteral("format %1 non lu").arg(blob.format);
    else if (parseFitsFrame(blob.data, info, why)) {
        if (info.width > kMaxFrameWidth || info.height > kMaxFrameHeight)
            why = QStringLiteral("image de %1 x %2, au plus %3 x %4: choisir un cadre ou un binning")
                      .arg(info.width).arg(info.height).arg(kMaxFrameWidth).arg(kMaxFrameHeight);
    }
    if (why.isEmpty()) {
        decodeFitsFrame(blob.data, info, depth_, latest_);
        latestInfo_ = info;
        lastFrameTime_ = info.dateObs.isValid() ? info.dateObs : blob.arrival;
        fresh_ = true;
        frameProblem_.clear();
    } else if (why != frameProblem_) {
        // A refused frame is said once, never shown cut.
        frameProblem_ = why;
        messages_.showMessage(false, QStringLiteral("Caméra INDI \"%1\": %2").arg(device_, why));
    }
    if (looping_) startExposure();
    if (fresh_ && frameReady_) frameReady_();
}

void IndiCameraDriver::onServerLost()
{
    if (!connected_) return;
    lost_ = true;
    inFlight_ = false;
    error_ = QStringLiteral("serveur INDI perdu");
    // The source asks for the frame and learns the camera is gone.
    if ((looping_ || videoStream_) && frameReady_) frameReady_();
}

GrabResult IndiCameraDriver::grab(QImage& target, int timeoutMs)
{
    if (lost_ || !client_.isConnected()) {
        if (error_.isEmpty()) error_ = QStringLiteral("serveur INDI perdu");
        return GrabResult::Failed;
    }
    if (!connected_) return GrabResult::Failed;
    if (!fresh_) {
        // The stream brings frames by itself; otherwise one exposure is asked.
        if (!videoStream_ && !inFlight_ && !startExposure()) return GrabResult::Failed;
        client_.waitFor([&] { return fresh_ || lost_; }, timeoutMs);
        if (lost_) return GrabResult::Failed;
        if (!fresh_) return GrabResult::NoFrame;
    }
    fresh_ = false;
    const int w = latestInfo_.width, h = latestInfo_.height;
    const int mode = rawModeOfFits(latestInfo_);
    if (mode >= 0 && !rawMosaic_) {
        RawDemosaic(latest_, target, w, h, mode);
    } else {
        for (int y = 0; y < h; ++y) std::memcpy(pixelRow(target, y), pixelRow(std::as_const(latest_), y), size_t(w) * 4);
    }
    return GrabResult::Frame;
}

bool IndiCameraDriver::offersVideoStream() const
{
    return client_.property(device_, kVideoStream) && client_.property(device_, kStreamFrame);
}

bool IndiCameraDriver::startStream(int framePeriodUs, std::function<void()> frameReady)
{
    if (!connected_) return false;
    frameReady_ = std::move(frameReady);
    if (offersVideoStream()) return startVideoStream(framePeriodUs);
    looping_ = true;
    if (!inFlight_) return startExposure();
    return true;
}

void IndiCameraDriver::stopStream()
{
    if (videoStream_) stopVideoStream();
    looping_ = false;
    frameReady_ = nullptr;
}

bool IndiCameraDriver::startVideoStream(int framePeriodUs)
{
    // The subframe and binning of the exposures, raw frames, the exposure
    // asked, and the server's preview rate at least the rate asked.
    client_.sendSwitches(device_, QStringLiteral("CCD_STREAM_ENCODER"), {{"RAW", true}});
    videoStream_ = true;
    if (!applyGeometry()) {
        videoStream_ = false;
        return false;
    }
    const double exposureS = withinRange(client_.property(device_, kStreamExposure), u"STREAMING_EXPOSURE_VALUE",
                                         options_.exposureMs / 1000.0);
    client_.sendNumbers(device_, kStreamExposure, {{"STREAMING_EXPOSURE_VALUE", exposureS}});
    if (framePeriodUs > 0)
        client_.sendNumbers(device_, kLimits, {{"LIMITS_PREVIEW_FPS",
                                                withinRange(client_.property(device_, kLimits), u"LIMITS_PREVIEW_FPS",
                                                            std::ceil(1e6 / framePeriodUs))}});
    if (!client_.sendSwitches(device_, kVideoStream, {{"STREAM_ON", true}})) {
        videoStream_ = false;
        if (!client_.serverAlive()) lost_ = true;
        return fail(lost_ ? QStringLiteral("serveur INDI perdu") : QStringLiteral("flux vidéo refusé par la caméra INDI"));
    }
    videoStream_ = true;
    fresh_ = false;
    return true;
}

void IndiCameraDriver::stopVideoStream()
{
    videoStream_ = false;
    if (client_.isConnected()) {
        client_.sendSwitches(device_, kVideoStream, {{"STREAM_OFF", true}});
        applyGeometry(); // the exposures' subframe again
    }
    fresh_ = false;
}

bool IndiCameraDriver::readStreamFrame(const QByteArray& data, QString& why)
{
    // The stream's frame is the subframe asked, binned or not as the device does it.
    const qsizetype bytes = data.size();
    const std::pair<int, int> sizes[] = {{request_.outWidth, request_.outHeight}, {request_.width, request_.height}};
    for (auto [w, h] : sizes) {
        const qsizetype pixels = qsizetype(w) * h;
        if (pixels <= 0 || (bytes != pixels && bytes != pixels * 3)) continue;
        if (w > kMaxFrameWidth || h > kMaxFrameHeight) {
            why = QStringLiteral("image de %1 x %2, au plus %3 x %4: choisir un cadre ou un binning")
                      .arg(w).arg(h).arg(kMaxFrameWidth).arg(kMaxFrameHeight);
            return false;
        }
        const bool colour = bytes == pixels * 3;
        const auto* in = reinterpret_cast<const uint8_t*>(data.constData());
        for (int y = 0; y < h; ++y) {
            auto* out = reinterpret_cast<uint32_t*>(pixelRow(latest_, y));
            for (int x = 0; x < w; ++x) {
                if (colour) {
                    out[x] = 0xFF000000u | uint32_t(in[0]) << 16 | uint32_t(in[1]) << 8 | in[2];
                    in += 3;
                } else {
                    const uint32_t v = *in++;
                    out[x] = 0xFF000000u | v << 16 | v << 8 | v;
                }
            }
        }
        latestInfo_.width = w;
        latestInfo_.height = h;
        latestInfo_.planes = colour ? 3 : 1;
        latestInfo_.bitpix = 8;
        latestInfo_.topDown = true;
        // A grey stream of a colour sensor is its mosaic, with the device's pattern.
        const IndiProperty* cfa = colour ? nullptr : client_.property(device_, QStringLiteral("CCD_CFA"));
        const IndiElement* pattern = cfa ? cfa->element(u"CFA_TYPE") : nullptr;
        latestInfo_.bayerPattern = pattern ? pattern->text.trimmed() : QString();
        latestInfo_.bayerXOffset = cfa ? int(cfa->number(u"CFA_OFFSET_X")) : 0;
        latestInfo_.bayerYOffset = cfa ? int(cfa->number(u"CFA_OFFSET_Y")) : 0;
        return true;
    }
    why = QStringLiteral("image du flux de %1 octets, %2 x %3 attendu").arg(bytes).arg(request_.outWidth).arg(request_.outHeight);
    return false;
}

std::vector<FormatChoice> IndiCameraDriver::formatChoices() { return {currentFormat()}; }

FormatChoice IndiCameraDriver::currentFormat()
{
    return {fourcc('F', 'I', 'T', 'S'), QStringLiteral("FITS"), request_.outWidth, request_.outHeight};
}

bool IndiCameraDriver::applyFormat(const FormatChoice& choice)
{
    return choice.width == request_.outWidth && choice.height == request_.outHeight;
}

std::vector<DriverControl> IndiCameraDriver::controls()
{
    std::vector<DriverControl> list;
    if (const IndiProperty* e = client_.property(device_, kCcdExposure); e && !e->elements.empty()) {
        const IndiElement& v = e->elements.front();
        list.push_back({Exposure, QStringLiteral("Pose (ms)"), DriverControl::Kind::Slider, std::max(1.0, v.minimum * 1000),
                        std::min(600000.0, v.maximum * 1000), 1, options_.exposureMs});
    }
    if (const IndiProperty* g = client_.property(device_, kCcdGain); g && !g->elements.empty()) {
        const IndiElement& v = g->elements.front();
        list.push_back({Gain, QStringLiteral("Gain"), DriverControl::Kind::Slider, v.minimum, v.maximum,
                        v.step > 0 ? v.step : 1, v.value});
    }
    if (const IndiProperty* b = client_.property(device_, kCcdBinning); b && !b->elements.empty()) {
        DriverControl c{Binning, QStringLiteral("Binning"), DriverControl::Kind::Menu, 1, b->elements.front().maximum,
                        1, double(options_.binning)};
        for (int i = 1; i <= int(b->elements.front().maximum) && i <= 4; ++i)
            c.items.push_back({i, QStringLiteral("%1 x %1").arg(i)});
        c.updatesOthers = true;
        list.push_back(c);
    }
    DriverControl depth{DepthMapping, QStringLiteral("16 bits vers 8 bits"), DriverControl::Kind::Menu, 0, 1, 1,
                        double(int(options_.mapping))};
    depth.items = {{0, QStringLiteral("8 bits de poids fort")}, {1, QStringLiteral("Etirement")}};
    depth.updatesOthers = true;
    list.push_back(depth);
    const bool stretch = options_.mapping == IndiDepthMapping::Stretch;
    list.push_back({StretchLow, QStringLiteral("Etirement: bas"), DriverControl::Kind::Slider, 0, 65534, 1,
                    double(options_.stretchLow), {}, stretch});
    list.push_back({StretchHigh, QStringLiteral("Etirement: haut"), DriverControl::Kind::Slider, 1, 65535, 1,
                    double(options_.stretchHigh), {}, stretch});
    if (const IndiProperty* info = client_.property(device_, kCcdInfo)) {
        const int bw = int(info->number(u"CCD_MAX_X")) / request_.binning;
        const int bh = int(info->number(u"CCD_MAX_Y")) / request_.binning;
        // -1: centred on the sensor.
        list.push_back({FrameX, QStringLiteral("Cadre X (-1 centré)"), DriverControl::Kind::Slider, -1,
                        double(std::max(0, bw - request_.outWidth)), 1, double(options_.frameX), {},
                        bw > request_.outWidth, true});
        list.push_back({FrameY, QStringLiteral("Cadre Y (-1 centré)"), DriverControl::Kind::Slider, -1,
                        double(std::max(0, bh - request_.outHeight)), 1, double(options_.frameY), {},
                        bh > request_.outHeight, true});
    }
    return list;
}

bool IndiCameraDriver::setControl(uint32_t id, double value)
{
    switch (id) {
    case Exposure:
        options_.exposureMs = std::max(1.0, value);
        if (videoStream_)
            client_.sendNumbers(device_, kStreamExposure,
                                {{"STREAMING_EXPOSURE_VALUE", withinRange(client_.property(device_, kStreamExposure),
                                                                          u"STREAMING_EXPOSURE_VALUE",
                                                                          options_.exposureMs / 1000.0)}});
        return true;
    case Gain:
        options_.gain = value;
        return client_.sendNumbers(device_, kCcdGain, {{"GAIN", value}}) || fail(QStringLiteral("réglage refusé"));
    case Binning: options_.binning = std::clamp(int(value), 1, 4); return applyGeometry();
    case DepthMapping:
        options_.mapping = int(value) == 1 ? IndiDepthMapping::Stretch : IndiDepthMapping::TopBits;
        applyDepth();
        return true;
    case StretchLow:
        options_.stretchLow = std::clamp(int(value), 0, 65534);
        options_.stretchHigh = std::max(options_.stretchHigh, options_.stretchLow + 1);
        applyDepth();
        return true;
    case StretchHigh:
        options_.stretchHigh = std::clamp(int(value), 1, 65535);
        options_.stretchLow = std::min(options_.stretchLow, options_.stretchHigh - 1);
        applyDepth();
        return true;
    case FrameX: options_.frameX = std::max(-1, int(value)); return applyGeometry();
    case FrameY: options_.frameY = std::max(-1, int(value)); return applyGeometry();
    default: return fail(QStringLiteral("réglage inconnu"));
    }
}

} // namespace velumbra

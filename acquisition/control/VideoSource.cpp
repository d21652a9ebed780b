#include "acquisition/control/VideoSource.h"
#include "acquisition/BmpReader.h"
#include "core/DebugLog.h"
#include "core/ImageBuffers.h"
#include "acquisition/RawDemosaic.h"
#include "core/Rounding.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace velumbra {
namespace {

// A grab waits at most this long, so a camera that stalls slows the
// interface down without freezing it; after kStallMs without any frame the
// capture stops.
constexpr int kGrabTimeoutMs = 250;
constexpr qint64 kStallMs = 5000;
const QString kCameraMessage =
    QStringLiteral("Impossible de demarrer la camera, verifier le branchement et les pilotes.");

} // namespace

VideoSource::VideoSource(FrameSink& sink, MessageSink& messages, const Clock& clock,
                         VideoDriverCatalogue& catalogue, DriverChooser& chooser)
    : sink_(sink), messages_(messages), clock_(clock), catalogue_(catalogue), chooser_(chooser), rate_(clock)
{
    timer1_.setObjectName(QStringLiteral("Timer1"));
    QObject::connect(&timer1_, &QTimer::timeout, [this] { Timer1Timer(); });
}

VideoSource::~VideoSource()
{
    timer1_.stop();
    if (driver_) driver_->disconnect();
}

bool VideoSource::turboMode() const { return sink_.streamMode(); }

int VideoSource::refreshIntervalMs() const
{
    return std::clamp(RoundDown(controls.TNI_Tps_Rafraichissement), 1, 10000);
}

int VideoSource::requestedFramePeriodUs() const
{
    return int(std::trunc(controls.TNI_Tps_Rafraichissement)) * 1000;
}

void VideoSource::notify()
{
    if (controlsChanged) controlsChanged();
}

void VideoSource::notifyPlay()
{
    if (playControlChanged) playControlChanged();
}

void VideoSource::setRefreshTime(double ms)
{
    controls.TNI_Tps_Rafraichissement = std::clamp(ms, 33.0, 10000.0);
    if (timer1_.isActive()) timer1_.setInterval(refreshIntervalMs());
}

// ---- Driver chooser and start ------------------------------------------------

bool VideoSource::GetDriver()
{
    const QStringList entries = catalogue_.describeDrivers();
    const auto chosen = chooser_.choose(entries);
    if (!chosen) return false;
    driverIndex_ = *chosen;
    return true;
}

void VideoSource::BTN_StartClick()
{
    retired_.reset();
    const int previous = driverIndex_;
    if (!GetDriver()) return;
    if (playback_) stopPlayback();
    playControlVisible_ = false;
    notifyPlay();
    // The same driver still connected (after a refused format) keeps its settings.
    if (driver_ && driverIndex_ != previous) stopDriver();
    if (!driver_) {
        driver_ = catalogue_.createDriver(driverIndex_);
        if (!driver_ || !driver_->connect()) {
            // The cause (rights, a camera held by another program, unplugged) says what to do.
            const QString cause = driver_ ? driver_->lastError() : QString();
            driver_.reset();
            messages_.showMessage(false, kCameraMessage);
            if (!cause.isEmpty()) messages_.showMessage(false, cause);
            notify();
            return;
        }
    }
    controls.MNU_Format_Enabled = true;
    controls.MNU_Source_Enabled = true;
    if (!readAndCheckFormat()) {
        notify();
        return;
    }
    Start();
}

bool VideoSource::readAndCheckFormat()
{
    const VideoFormat f = driver_->readFormat();
    if (controls.debugActive) logFormat(f);
    if (!checkFrameSize(f.width, f.height, messages_)) return false;
    sink_.setStreamMode(false);
    applyFrameSize(f.width, f.height);
    return true;
}

void VideoSource::logFormat(const VideoFormat& f)
{
    DebugLog log;
    if (!log.open(controls.debugLogPath)) return;
    // The driver's format as a bitmap header would describe it.
    const bool packed = f.bitCount > 0;
    const qint64 stride = (qint64(f.width) * f.bitCount + 31) / 32 * 4;
    const auto field = [&](const char* name, qint64 value) {
        log.write(QString::fromLatin1(name).leftJustified(15), QString::number(value));
    };
    field("bisize", 40);
    field("biWidth", f.width);
    field("biHeight", f.height);
    field("biPlanes", 1);
    field("biBitCount", f.bitCount);
    field("biCompression", f.pixelFormat);
    field("biSizeImage", packed ? stride * f.height : 0);
    field("biXPelsPerMeter", 0);
    field("biYPelsPerMeter", 0);
    field("biClrUsed", 0);
    field("biClrImportant", 0);
    log.write(QStringLiteral("VideoCap1.CapWidth  "), QString::number(f.width));
    log.write(QStringLiteral("VideoCap1.CapHeight "), QString::number(f.height));
    log.write(QStringLiteral("bmiHeader.biBitCount"), QString::number(f.bitCount));
    log.close();
}

void VideoSource::applyFrameSize(int width, int height)
{
    sink_.frameBuffers().setFrameSize(width, height);
    sink_.frameSizeChanged(width, height);
}

void VideoSource::Start()
{
    running_ = true;
    startCommon();
    if (!sink_.streamMode() || playback_) {
        timer1_.start(refreshIntervalMs());
    } else if (driver_) {
        driver_->startStream(requestedFramePeriodUs(), [this] { VideoStreamCallback(); });
    }
    notify();
}

void VideoSource::startCommon()
{
    sink_.captureStarting(firstStart_, !playback_);
    firstStart_ = false;
    if (!playback_) {
        controls.BTN_Start_Enabled = false;
        controls.BTN_Stop_Enabled = true;
        controls.BTN_Turbo_Enabled = true;
        controls.MNU_Format_Enabled = true;
        controls.MNU_Pilote_Enabled = false;
    }
    rate_.reset();
    lastFrameMs_ = clock_.steadyMs();
    hooks_->captureStarted(playback_);

    if (playback_) {
        sink_.processFrame(true);
        if (playKind_ != PlaybackKind::Image) hooks_->addCalibrationFrame(playKind_);
        hooks_->frameShown();
    }
}

// ---- Stop --------------------------------------------------------------------

void VideoSource::stopDriver()
{
    if (!driver_) return;
    if (sink_.streamMode()) leaveStreamMode();
    timer1_.stop();
    driver_->disconnect();
    retired_ = std::move(driver_);
}

void VideoSource::stopPlayback()
{
    timer1_.stop();
    playback_ = false;
    for (auto& b : playButtons.group) b.down = false;
    playControlVisible_ = false;
    notifyPlay();
}

void VideoSource::BTN_StopClick()
{
    hooks_->stopLongExposure();
    stopDriver();
    if (playback_) stopPlayback();
    timer1_.stop();
    running_ = false;
    controls.BTN_Start_Enabled = true;
    controls.BTN_Stop_Enabled = false;
    controls.BTN_Turbo_Enabled = false;
    controls.MNU_Format_Enabled = false;
    controls.MNU_Source_Enabled = false;
    controls.MNU_Pilote_Enabled = true;
    hooks_->captureStopped();
    sink_.captureStopped();
    notify();
}

void VideoSource::driverFailed(const QString& why)
{
    const QString cause = !why.isEmpty() ? why : (driver_ ? driver_->lastError() : QString());
    messages_.showMessage(false, QStringLiteral("La camera ne repond plus, capture arretee.")
                                     + (cause.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(cause)));
    hooks_->cameraFailed();
    BTN_StopClick();
}

// ---- Stream mode ---------------------------------------------------------------

void VideoSource::BTN_TurboClick()
{
    if (!driver_ || !running_) return;
    if (!sink_.streamMode()) {
        controls.BTN_Turbo_Caption = controls.BTN_Turbo_Caption_Frame;
        controls.BTN_Stop_Enabled = false;
        sink_.setStreamMode(true);
        timer1_.stop();
        if (!driver_->startStream(requestedFramePeriodUs(), [this] { VideoStreamCallback(); })) {
            messages_.showMessage(false, QStringLiteral("Le mode flux n'a pas pu demarrer."));
            leaveStreamMode();
        }
    } else {
        leaveStreamMode();
    }
    notify();
}

void VideoSource::setTurboCaptions(const QString& stream, const QString& frame)
{
    controls.BTN_Turbo_Caption_Stream = stream;
    controls.BTN_Turbo_Caption_Frame = frame;
    controls.BTN_Turbo_Caption = turboMode() ? frame : stream;
    notify();
}

void VideoSource::leaveStreamMode()
{
    if (driver_) driver_->stopStream();
    controls.BTN_Stop_Enabled = true;
    controls.BTN_Turbo_Caption = controls.BTN_Turbo_Caption_Stream;
    sink_.setStreamMode(false);
    if (driver_ && running_) timer1_.start(refreshIntervalMs());
}

// ---- Frames --------------------------------------------------------------------

void VideoSource::showRate(const std::optional<QString>& text)
{
    if (!text) return;
    controls.EDT_FPS = *text;
    notify();
}

bool VideoSource::decodeInto(int slot, const std::function<GrabResult(QImage&)>& fill)
{
    QImage& target = sink_.frameBuffers().frameSlots[size_t(std::clamp(slot, 0, 2))];
    // With the RAW step on, a camera's own mosaic is not decoded by the driver too.
    if (driver_) driver_->setRawMosaic(controls.CKB_RAW);
    if (!controls.CKB_RAW) return fill(target) == GrabResult::Frame;
    if (scratch_.isNull()) scratch_ = QImage(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
    if (fill(scratch_) != GrabResult::Frame) return false;
    RawDemosaic(scratch_, target, sink_.frameBuffers().imageWidth, sink_.frameBuffers().imageHeight,
                controls.rawMode);
    return true;
}

bool VideoSource::grabFrame(int slot)
{
    if (!driver_ || !sink_.frameBuffers().created()) return false;
    targetSlot_ = slot;
    GrabResult result = GrabResult::NoFrame;
    const bool decoded = decodeInto(slot, [&](QImage& img) {
        result = driver_->grab(img, kGrabTimeoutMs);
        return result;
    });
    if (result == GrabResult::Failed) {
        driverFailed();
        return false;
    }
    if (decoded) {
        if (slot == 0) sink_.frameBuffers().frameTime = driver_->frameTime();
        lastFrameMs_ = clock_.steadyMs();
        showRate(rate_.frameDelivered(5));
    } else if (result == GrabResult::NoFrame && lastFrameMs_ >= 0
               && clock_.steadyMs() - lastFrameMs_ > kStallMs) {
        driverFailed(QStringLiteral("aucune image depuis %1 s").arg(kStallMs / 1000));
        return false;
    }
    return decoded;
}

void VideoSource::Timer1Timer()
{
    if (holdBack()) return;
    if (hooks_->longExposureTakesTick()) return;
    if (playback_) {
        switch (playTick(playButtons, playIndex_, int(playList_.size()))) {
        case PlayStep::Load: LoadImage(); break;
        case PlayStep::Reshow:
            sink_.processFrame(false);
            hooks_->frameShown();
            break;
        case PlayStep::Idle: break;
        }
        notifyPlay();
        return;
    }
    if (!driver_) return;
    // A tick without a new frame shows the last one again; it is not a new
    // frame, so nothing is integrated twice.
    const bool fresh = grabFrame(0);
    if (!driver_) return; // the driver failed and capture stopped
    const bool selected = sink_.processFrame(fresh);
    hooks_->countFrameForSaving(selected);
    hooks_->frameShown();
}

void VideoSource::VideoStreamCallback()
{
    if (!driver_ || !sink_.streamMode()) return;
    if (holdBack()) return;
    GrabResult result = GrabResult::NoFrame;
    const bool decoded = decodeInto(targetSlot_, [&](QImage& img) {
        result = driver_->grab(img, 0);
        return result;
    });
    if (result == GrabResult::Failed) {
        driverFailed();
        return;
    }
    if (!decoded) return;
    if (targetSlot_ == 0) sink_.frameBuffers().frameTime = driver_->frameTime();
    showRate(rate_.frameDelivered(30));
    const bool selected = sink_.processFrame(true);
    hooks_->countFrameForSaving(selected);
    hooks_->frameShown();
}

// ---- Format ----------------------------------------------------------------------

void VideoSource::MNU_FormatClick(const FormatChoice& choice)
{
    if (!driver_) return;
    if (sink_.streamMode()) leaveStreamMode();
    const FormatChoice previous = driver_->currentFormat();
    if (!driver_->applyFormat(choice)) {
        messages_.showMessage(false, QStringLiteral("Format refusé par le pilote : %1").arg(driver_->lastError()));
    }
    const bool ok = readAndCheckFormat();
    // A refused format is not kept while capturing: the buffers still have the
    // old size, so the driver goes back to the format the capture runs in.
    if (!ok && running_ && !driver_->applyFormat(previous)) {
        driverFailed();
        return;
    }
    hooks_->formatChanged(ok);
    if (ok) sink_.placeDisplayZone();
    notify();
}

void VideoSource::MNU_SourceChange(uint32_t controlId, double value)
{
    if (!driver_) return;
    if (!driver_->setControl(controlId, value)) {
        messages_.showMessage(false, driver_->lastError());
        return;
    }
    // A camera read through a subframe or binning changes its frame size
    // with these settings: the buffers follow at once.
    const VideoFormat f = driver_->readFormat();
    const auto& buffers = sink_.frameBuffers();
    if (!f.valid() || (f.width == buffers.imageWidth && f.height == buffers.imageHeight)) return;
    if (!checkFrameSize(f.width, f.height, messages_)) return;
    applyFrameSize(f.width, f.height);
    hooks_->formatChanged(true);
    sink_.placeDisplayZone();
    notify();
}

// ---- Playback --------------------------------------------------------------------

void VideoSource::openPlayback(QStringList files, PlaybackKind kind)
{
    if (files.isEmpty()) return;
    if (playback_) stopPlayback();
    hooks_->stopIntegration();
    if (driver_) {
        if (kind == PlaybackKind::Image) hooks_->stopLongExposure();
        BTN_StopClick();
    }
    playback_ = true;
    lastFolder_ = QFileInfo(files.first()).absolutePath();
    std::sort(files.begin(), files.end());
    playList_ = files;
    playIndex_ = 0;
    playKind_ = kind;
    if (!startPlayback()) {
        playback_ = false;
        running_ = false;
        notify();
        notifyPlay();
    }
}

bool VideoSource::loadEntry(int index)
{
    if (index < 0 || index >= playList_.size()) return false;
    const QString& path = playList_[index];
    EDT_Fichier = path;
    QImage& target = controls.CKB_RAW ? (scratch_.isNull() ? (scratch_ = QImage(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat)) : scratch_)
                                      : sink_.frameBuffers().frameSlots[0];
    const BmpReadResult r = readBmpFile(path, target);
    if (!r.ok) {
        messages_.showMessage(false, bmpErrorMessage(path, r.error));
        return false;
    }
    sink_.frameBuffers().setFrameSize(r.width, r.height);
    if (controls.CKB_RAW) RawDemosaic(scratch_, sink_.frameBuffers().frameSlots[0], r.width, r.height, controls.rawMode);
    return true;
}

bool VideoSource::startPlayback()
{
    sink_.frameBuffers().create();
    // The first file that reads well starts the list; refused ones were reported.
    int first = 0;
    while (first < playList_.size() && !loadEntry(first)) ++first;
    if (first >= playList_.size()) return false;
    playIndex_ = first;
    sink_.setStreamMode(false);
    applyFrameSize(sink_.frameBuffers().imageWidth, sink_.frameBuffers().imageHeight);
    playButtons.resetForStart();
    playControlVisible_ = true;
    hooks_->playbackKindChosen(playKind_);
    Start();
    notifyPlay();
    return true;
}

void VideoSource::LoadImage()
{
    if (!loadEntry(playIndex_)) return; // reported; the list goes on
    const bool selected = sink_.processFrame(true);
    hooks_->countFrameForSaving(selected);
    hooks_->frameShown();
}

void VideoSource::playButtonPressed(PlayButton button)
{
    playButtons.press(button);
    notifyPlay();
}

void VideoSource::setLoop(bool down)
{
    playButtons.SPDB_Loop = down;
    notifyPlay();
}

} // namespace velumbra

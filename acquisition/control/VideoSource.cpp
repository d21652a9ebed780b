#include "acquisition/control/VideoSource.h"
#include "acquisition/BmpReader.h"
#include "core/DebugLog.h"
#include "core/ImageBuffers.h"
#include "acquisition/RawDemosaic.h"
#include "core/Rounding.h"
#include "processing/ImageCore.h"

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

VideoSource::VideoSource(ImageCore& core, MessageSink& messages, const Clock& clock,
                         VideoDriverCatalogue& catalogue, DriverChooser& chooser)
    : core_(core), messages_(messages), clock_(clock), catalogue_(catalogue), chooser_(chooser), rate_(clock)
{
    timer1_.setObjectName(QStringLiteral("Timer1"));
    QObject::connect(&timer1_, &QTimer::timeout, [this] { Timer1Timer(); });
}

VideoSource::~VideoSource()
{
    timer1_.stop();
    if (driver_) driver_->disconnect();
}

bool VideoSource::turboMode() const { return core_.flags.turboMode; }

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
    core_.flags.turboMode = false;
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
    core_.buffers.setFrameSize(width, height);
    if (height > 0) core_.zone.displayAspect = double(width) / double(height);
    // Detection zone no larger than min(320, width - 50).
    const double detectMax = std::max(3, std::min(320, width - 50));
    core_.controls.TNI_Taille_ZDetect = std::min(core_.controls.TNI_Taille_ZDetect, detectMax);
    core_.controls.TNI_Taille_ZAffich = std::min(core_.controls.TNI_Taille_ZAffich, double(width));
    core_.flags.zoneDirty = true;
}

void VideoSource::Start()
{
    running_ = true;
    startCommon();
    if (!core_.flags.turboMode || playback_) {
        timer1_.start(refreshIntervalMs());
    } else if (driver_) {
        driver_->startStream(requestedFramePeriodUs(), [this] { VideoStreamCallback(); });
    }
    notify();
}

void VideoSource::startCommon()
{
    const int w = core_.buffers.imageWidth, h = core_.buffers.imageHeight;
    ZoneState& zone = core_.zone;
    if (firstStart_) {
        reticleCentre_ = {w / 2, h / 2};
        zone.starPos = {w / 2, h / 2};
        lastSize_ = {w, h};
        lastSizeStored_ = true;
        zone.zoneOffset = {0, 0};
        firstStart_ = false;
    } else if (lastSizeStored_ && w != lastSize_.x && h != lastSize_.y && lastSize_.x > 0 && lastSize_.y > 0) {
        reticleCentre_.x = int(roundHalfEven(double(reticleCentre_.x) * w / lastSize_.x));
        reticleCentre_.y = int(roundHalfEven(double(reticleCentre_.y) * h / lastSize_.y));
        lastSize_ = {w, h};
    }
    // A target outside the new frame comes back to its centre.
    if (zone.starPos.x >= w || zone.starPos.y >= h) zone.starPos = {w / 2, h / 2};
    zone.prevStarPos = zone.starPos;
    if (h > 0) zone.displayAspect = double(w) / double(h);
    core_.controls.TNI_Taille_ZAffich = std::min(w, savedDisplayZoneSize);
    core_.controls.TNI_Taille_ZDetect = std::min(core_.controls.TNI_Taille_ZDetect,
                                                 double(std::max(3, std::min(320, w - 50))));

    if (!playback_) {
        controls.BTN_Start_Enabled = false;
        controls.BTN_Stop_Enabled = true;
        controls.BTN_Turbo_Enabled = true;
        controls.MNU_Format_Enabled = true;
        controls.MNU_Pilote_Enabled = false;
        core_.buffers.clearDisplay();
    }
    controls.MNU_Operations_Enabled = true;
    core_.flags.loadingSettings = false;
    core_.flags.targetActive = true;
    core_.flags.zoneDirty = true;
    core_.pipeline.UpdateDisplayZone();
    rate_.reset();
    lastFrameTime_ = clock_.now();
    hooks_->captureStarted(playback_);

    if (playback_) {
        bool selected = false;
        core_.pipeline.ProcessFrame(true, selected);
        if (playKind_ != PlaybackKind::Image) hooks_->addCalibrationFrame(playKind_);
        hooks_->frameShown();
    }
}

// ---- Stop --------------------------------------------------------------------

void VideoSource::stopDriver()
{
    if (!driver_) return;
    if (core_.flags.turboMode) leaveStreamMode();
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
    controls.MNU_Operations_Enabled = false;
    controls.BTN_Start_Enabled = true;
    controls.BTN_Stop_Enabled = false;
    controls.BTN_Turbo_Enabled = false;
    controls.MNU_Format_Enabled = false;
    controls.MNU_Source_Enabled = false;
    controls.MNU_Pilote_Enabled = true;
    hooks_->captureStopped();
    savedDisplayZoneSize = RoundDown(core_.controls.TNI_Taille_ZAffich);
    core_.flags.targetActive = false;
    notify();
}

void VideoSource::driverFailed(const QString& why)
{
    const QString cause = !why.isEmpty() ? why : (driver_ ? driver_->lastError() : QString());
    messages_.showMessage(false, QStringLiteral("La camera ne repond plus, capture arretee.")
                                     + (cause.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(cause)));
    BTN_StopClick();
}

// ---- Stream mode ---------------------------------------------------------------

void VideoSource::BTN_TurboClick()
{
    if (!driver_ || !running_) return;
    if (!core_.flags.turboMode) {
        controls.BTN_Turbo_Caption = QStringLiteral("Image");
        controls.BTN_Stop_Enabled = false;
        controls.BTN_Poselongue_Enabled = false;
        core_.flags.turboMode = true;
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

void VideoSource::leaveStreamMode()
{
    if (driver_) driver_->stopStream();
    controls.BTN_Stop_Enabled = true;
    controls.BTN_Turbo_Caption = QStringLiteral("Flux");
    controls.BTN_Poselongue_Enabled = true;
    core_.flags.turboMode = false;
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
    QImage& target = core_.buffers.frameSlots[size_t(std::clamp(slot, 0, 2))];
    // With the RAW step on, a camera's own mosaic is not decoded by the driver too.
    if (driver_) driver_->setRawMosaic(controls.CKB_RAW);
    if (!controls.CKB_RAW) return fill(target) == GrabResult::Frame;
    if (scratch_.isNull()) scratch_ = QImage(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
    if (fill(scratch_) != GrabResult::Frame) return false;
    RawDemosaic(scratch_, target, core_.buffers.imageWidth, core_.buffers.imageHeight, controls.rawMode);
    return true;
}

bool VideoSource::grabFrame(int slot)
{
    if (!driver_ || !core_.buffers.created()) return false;
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
        lastFrameTime_ = clock_.now();
        showRate(rate_.frameDelivered(5));
    } else if (result == GrabResult::NoFrame && lastFrameTime_.isValid()
               && lastFrameTime_.msecsTo(clock_.now()) > kStallMs) {
        driverFailed(QStringLiteral("aucune image depuis %1 s").arg(kStallMs / 1000));
        return false;
    }
    return decoded;
}

void VideoSource::Timer1Timer()
{
    if (hooks_->longExposureTakesTick()) return;
    if (playback_) {
        switch (playTick(playButtons, playIndex_, int(playList_.size()))) {
        case PlayStep::Load: LoadImage(); break;
        case PlayStep::Reshow: {
            bool selected = false;
            core_.pipeline.ProcessFrame(false, selected);
            hooks_->frameShown();
            break;
        }
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
    bool selected = false;
    core_.pipeline.ProcessFrame(fresh, selected);
    hooks_->countFrameForSaving(selected, true);
    hooks_->frameShown();
}

void VideoSource::VideoStreamCallback()
{
    if (!driver_ || !core_.flags.turboMode) return;
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
    showRate(rate_.frameDelivered(30));
    bool selected = false;
    core_.pipeline.ProcessFrame(true, selected);
    hooks_->countFrameForSaving(selected, true);
    hooks_->frameShown();
}

// ---- Format ----------------------------------------------------------------------

void VideoSource::MNU_FormatClick(const FormatChoice& choice)
{
    if (!driver_) return;
    if (core_.flags.turboMode) leaveStreamMode();
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
    if (ok) core_.pipeline.UpdateDisplayZone();
    notify();
}

void VideoSource::MNU_SourceChange(uint32_t controlId, double value)
{
    if (driver_ && !driver_->setControl(controlId, value))
        messages_.showMessage(false, driver_->lastError());
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
                                      : core_.buffers.frameSlots[0];
    const BmpReadResult r = readBmpFile(path, target);
    if (!r.ok) {
        messages_.showMessage(false, bmpErrorMessage(path, r.error));
        return false;
    }
    core_.buffers.setFrameSize(r.width, r.height);
    if (controls.CKB_RAW) RawDemosaic(scratch_, core_.buffers.frameSlots[0], r.width, r.height, controls.rawMode);
    return true;
}

bool VideoSource::startPlayback()
{
    core_.buffers.create();
    // The first file that reads well starts the list; refused ones were reported.
    int first = 0;
    while (first < playList_.size() && !loadEntry(first)) ++first;
    if (first >= playList_.size()) return false;
    playIndex_ = first;
    core_.flags.turboMode = false;
    applyFrameSize(core_.buffers.imageWidth, core_.buffers.imageHeight);
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
    bool selected = false;
    core_.pipeline.ProcessFrame(true, selected);
    hooks_->countFrameForSaving(selected, false);
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

#include "exposure/LongExposure.h"

#include "core/ImageBuffers.h"
#include "core/Rounding.h"
#include "core/SteadyClock.h"

namespace velumbra {

namespace {
constexpr ExposureLine kAllLines[] = {ExposureLine::Odd, ExposureLine::Even, ExposureLine::Amplifier,
                                      ExposureLine::Mode};
// How soon an exposure end held back by a running frame is tried again.
constexpr int kHeldBackMs = 5;
}

LongExposure::LongExposure(ExposurePort& port, const SteadyClock& clock, ImageBuffers& frames)
    : port_(port), clock_(clock), frames_(frames)
{
    exposureTimer_.setSingleShot(false);
    guideTimer_.setSingleShot(false);
    connect(&exposureTimer_, &QTimer::timeout, this, &LongExposure::TMR_ExposureTimer);
    connect(&guideTimer_, &QTimer::timeout, this, &LongExposure::TMR_Exposure_GuideTimer);
}

// Whatever ends the program, the camera is not left with its lines low.
LongExposure::~LongExposure()
{
    hooks_ = &noHooks_; // the windows may be gone already
    if (!linesAtStop_) writeStopByte();
}

void LongExposure::setEnabled(bool on)
{
    const bool running = !on && active();
    enabled_ = on;
    if (!running) return;
    // The camera is no longer driven from here: the run ends with every
    // line raised, the mode line too, whatever "Permanent" says.
    writeStopByte();
    hooks_->showMessage(QStringLiteral("Pose longue arrêtée : l'option « Vesta modifiée » a été décochée."));
}

void LongExposure::setLineSettings(const LongExposureLineSettings& s)
{
    settings_ = s;
    lines_.configure(s);
}

void LongExposure::configure()
{
    lines_.configure(settings_);
    // Choosing one set after "Alterner" ends the alternation.
    const auto choice = GuideLineChoice(settings_.CBX_Ligne_guidage);
    alternate_ = choice == GuideLineChoice::Alterner;
    guideLine_ = choice == GuideLineChoice::Paires ? ExposureLine::Even : ExposureLine::Odd;
}

void LongExposure::write()
{
    pending_ = false;
    quint8 stop = portByte_;
    for (ExposureLine line : kAllLines) stop = lines_.raise(stop, line);
    linesAtStop_ = stop == portByte_;
    hooks_->showPortByte(portByte_);
    if (port_.writePort(lines_.portAddress(), portByte_) || portFailing_) return;
    // The port is gone (an adapter unplugged, its driver unloaded): a run
    // ends here, with every line raised for when the port comes back.
    portFailing_ = true;
    const bool running = display.CKB_Longuepose_Active;
    writeStopByte();
    portFailing_ = false;
    if (running) hooks_->portLost();
}

ExposureLine LongExposure::otherSet() const
{
    return guideLine_ == ExposureLine::Odd ? ExposureLine::Even : ExposureLine::Odd;
}

int LongExposure::exposureInterval() const
{
    const int length = std::max(1, controls.SPED_Vesta_Pose);
    // Alternating sets share the exposure: each half exposes for half of it.
    return alternating() ? std::max(1, length / 2) : length;
}

// ---- Window ---------------------------------------------------------------------

void LongExposure::BTN_Demarrer_PoseClick()
{
    if (active()) return;
    if (!enabled_) {
        hooks_->showMessage(QStringLiteral("Pose longue impossible : l'option « Vesta modifiée » n'est pas cochée."));
        return;
    }
    configure();
    setActive(true);
    if (!active()) return;
    display.BTN_Arreter_Enabled = true;
    display.BTN_Demarrer_Enabled = false;
    display.TNI_Posenum = 1;
    changed();
}

void LongExposure::BTN_Arreter_PoseClick()
{
    setActive(false);
    display.BTN_Demarrer_Enabled = true;
    display.BTN_Arreter_Enabled = false;
    display.PGB_Position = 0;
    changed();
}

void LongExposure::closeWindow()
{
    if (active()) BTN_Arreter_PoseClick();
    windowOpen_ = false;
    changed();
}

void LongExposure::CKB_Selfguide_ActiveClick(bool on)
{
    controls.CKB_Selfguide_Active = on;
    if (!active()) return;
    if (on) {
        armGuide_ = true;
        guideTotal_ = guideLeft_ = std::max(1, controls.SPED_Vesta_Pose_Guidage) / 1000.0;
        guideStart_ = clock_.nowMs();
        guideTimer_.setInterval(std::max(1, controls.SPED_Vesta_Pose_Guidage));
    } else {
        armGuide_ = false;
        guideTimer_.stop();
    }
}

void LongExposure::SPED_Vesta_PoseChange(int ms) { controls.SPED_Vesta_Pose = std::max(1, ms); }
void LongExposure::SPED_Vesta_Pose_GuidageChange(int ms) { controls.SPED_Vesta_Pose_Guidage = std::max(1, ms); }

// ---- Activation -----------------------------------------------------------------

void LongExposure::setActive(bool on)
{
    if (on) {
        if (!enabled_) return;
        // The exposures and their countdown ride on the refresh tick: without
        // it a run would sit with its lines low and never read out. (Motion
        // detection says so itself, once, rather than at every frame.)
        if (const QString why = hooks_->whyNoRun(); !why.isEmpty()) {
            if (!singleShot_) hooks_->showMessage(why);
            changed();
            return;
        }
        display.CKB_Longuepose_Active = true;
        exposureGap_ = false;
        if (alternating()) guideLine_ = ExposureLine::Odd;
        for (ExposureLine line : kAllLines) lower(line);
        port_.retry(lines_.portAddress());
        write();
        if (!display.CKB_Longuepose_Active) return; // no port
        exposureTimer_.setInterval(exposureInterval());
        guideTimer_.setInterval(std::max(1, controls.SPED_Vesta_Pose_Guidage));
        armExposure_ = true;
        armGuide_ = controls.CKB_Selfguide_Active;
        exposureTotal_ = exposureLeft_ = exposureInterval() / 1000.0;
        guideTotal_ = guideLeft_ = std::max(1, controls.SPED_Vesta_Pose_Guidage) / 1000.0;
        exposureStart_ = guideStart_ = clock_.nowMs();
        display.TNI_Timer = RoundDown(exposureLeft_);
        display.PGB_Max = RoundDown(exposureTotal_);
        display.PGB_Position = RoundDown(exposureLeft_);
    } else {
        const bool wasActive = display.CKB_Longuepose_Active;
        display.CKB_Longuepose_Active = false;
        armExposure_ = armGuide_ = false;
        exposureTimer_.stop();
        guideTimer_.stop();
        if (wasActive || enabled_) {
            raise(ExposureLine::Odd);
            raise(ExposureLine::Even);
            raise(ExposureLine::Amplifier);
            if (!settings_.CKB_LongueposePermanent) raise(ExposureLine::Mode);
            write();
        }
        exposureGap_ = guideGap_ = true;
        endSingleShot();
    }
    changed();
}

// However a single-shot run ends, detection is told, so that it goes on and
// the next run is an ordinary one.
void LongExposure::endSingleShot()
{
    if (!singleShot_) return;
    singleShot_ = false;
    hooks_->singleShotDone();
}

bool LongExposure::startSingleShot()
{
    if (!enabled_ || active()) return false;
    configure();
    singleShot_ = true;
    setActive(true);
    if (!active()) singleShot_ = false;
    return singleShot_;
}

// ---- Refresh tick ---------------------------------------------------------------

void LongExposure::raiseAmplifierEarly()
{
    if (lines_.raised(current(), ExposureLine::Amplifier)) return;
    raise(ExposureLine::Amplifier);
    write();
}

bool LongExposure::Timer1Tick()
{
    // Without a run the lines are idle and the camera streams as usual:
    // the live video goes on while the window waits for "Demarrer".
    const bool running = active() && enabled_;
    if (!running) return false;
    if (armExposure_) {
        armExposure_ = false;
        exposureTimer_.start();
    }
    if (armGuide_) {
        armGuide_ = false;
        guideTimer_.start();
    }
    const qint64 now = clock_.nowMs();
    exposureLeft_ = exposureTotal_ - double(now - exposureStart_) / 1000.0;
    display.PGB_Position = RoundDown(exposureTotal_ - exposureLeft_);
    guideLeft_ = guideTotal_ - double(now - guideStart_) / 1000.0;
    const double advance = settings_.SPED_Avance / 1000.0;

    if (controls.CKB_Selfguide_Active && guideLeft_ <= -0.5 && !guideGap_)
        TMR_Exposure_GuideTimer();
    else if (controls.CKB_Selfguide_Active && advance > guideLeft_)
        raiseAmplifierEarly();

    if (active()) {
        if (exposureLeft_ <= -0.5 && !exposureGap_)
            TMR_ExposureTimer();
        else if (advance > exposureLeft_)
            raiseAmplifierEarly();
    }
    display.TNI_Timer = RoundDown(exposureLeft_);
    hooks_->processFrame(false);
    changed();
    return true;
}

// ---- Exposure timer -------------------------------------------------------------

void LongExposure::TMR_ExposureTimer()
{
    if (!active()) {
        exposureTimer_.stop();
        return;
    }
    if (exposureGap_) {
        exposureTimer_.stop();
        exposureTimer_.setInterval(exposureInterval());
        exposureGap_ = false;
        exposureTimer_.start();
        // Each half of an alternating exposure is timed from its own start,
        // so a long gap between the halves takes nothing from the second.
        exposureStart_ = clock_.nowMs();
        if (controls.CKB_Selfguide_Active) {
            lower(otherSet());
        } else {
            lower(ExposureLine::Odd);
            lower(ExposureLine::Even);
        }
        lower(ExposureLine::Amplifier);
        write();
        return;
    }
    if (hooks_->frameRoutineRunning()) {
        // Here from a wait inside the frame routine: the readout would land
        // in the slot of the frame under way. The exposure ends as soon as
        // that frame is through, as when the wait held the thread.
        exposureTimer_.start(kHeldBackMs);
        return;
    }
    endExposure();
}

// A grab that fails stops the capture, and the capture stop ends the run
// with the stop byte: nothing of the exposure's end may follow it.
bool LongExposure::grab(int slot)
{
    hooks_->grabFrame(slot);
    return active();
}

void LongExposure::endExposure()
{
    exposureTimer_.stop();
    if (!grab(0)) return;
    if (controls.CKB_Selfguide_Active) {
        raise(otherSet());
    } else {
        raise(ExposureLine::Odd);
        raise(ExposureLine::Even);
    }
    raise(ExposureLine::Amplifier);
    write();
    if (!active()) return;

    bool process = true;
    if (alternating()) {
        finishAlternateHalf(process);
    } else {
        ++display.TNI_Posenum;
        if (!grab(0)) return;
    }
    if (!active()) return;
    if (process) {
        const bool selected = hooks_->processFrame(true);
        if (!(singleShot_ && hooks_->detectionSaving())) hooks_->countFrameForSaving(selected);
    }

    exposureTimer_.setInterval(std::max(1, settings_.SPED_Vesta_Interpose));
    exposureGap_ = true;
    exposureTotal_ = exposureLeft_ = exposureInterval() / 1000.0;
    display.PGB_Max = RoundDown(exposureTotal_);
    if (singleShot_) {
        setActive(false);
    } else {
        armExposure_ = true;
    }
    hooks_->autoguideOffsetStep();

    if (active() && controls.SPED_Nb_Poses > 0 && display.TNI_Posenum >= controls.SPED_Nb_Poses + 1) {
        display.TNI_Posenum = 0;
        armExposure_ = false;
        BTN_Arreter_PoseClick();
    }
    changed();
}

// The two halves of an alternating exposure: the even set is read first and
// kept in slot 1; the odd set, read next into slot 0, completes the frame.
void LongExposure::finishAlternateHalf(bool& process)
{
    const int width = frames_.imageWidth, height = frames_.imageHeight;
    if (guideLine_ == ExposureLine::Odd) {
        if (!grab(1)) return;
        hooks_->saveHalfFrame(1, QStringLiteral("Video2.bmp"));
        if (controls.CKB_Egaliser) means1_ = measureHalfFrame(frames_.frameSlots[1], width, height, 1);
        if (!handGuidingOver()) return;
        guideLine_ = ExposureLine::Even;
        process = false;
        return;
    }
    if (!grab(0)) return;
    hooks_->saveHalfFrame(0, QStringLiteral("Video1.bmp"));
    if (controls.CKB_Egaliser) {
        const HalfFrameMeans means0 = measureHalfFrame(frames_.frameSlots[0], width, height, 0);
        equalizeHalfFrames(frames_.frameSlots[0], means0, frames_.frameSlots[1], means1_, width, height);
    }
    if (!handGuidingOver()) return;
    guideLine_ = ExposureLine::Odd;
    mergeHalfFrames(frames_.frameSlots[0], frames_.frameSlots[1], width, height);
    ++display.TNI_Posenum;
    hooks_->stepOffset();
}

// The guide exposures pass to the set just read out. One still running on
// the other set ends here unread, and the guide cycle starts again with a
// gap: that set then begins its half at the end of the exposure gap, no
// earlier, and lasts as long as the half before. False when the run ended.
bool LongExposure::handGuidingOver()
{
    guideTimer_.stop();
    if (!guideGap_) {
        raise(guideLine_);
        write();
        if (!active()) return false;
    }
    guideGap_ = true;
    guideTimer_.setInterval(std::max(1, settings_.SPED_Vesta_Interpose));
    armGuide_ = true;
    return true;
}

// ---- Guide timer ----------------------------------------------------------------

void LongExposure::TMR_Exposure_GuideTimer()
{
    if (!active()) {
        guideTimer_.stop();
        return;
    }
    if (guideGap_) {
        guideTimer_.stop();
        guideTimer_.setInterval(std::max(1, controls.SPED_Vesta_Pose_Guidage));
        guideGap_ = false;
        guideTimer_.start();
        guideStart_ = clock_.nowMs();
        lower(guideLine_);
        lower(ExposureLine::Amplifier);
        write();
        return;
    }
    guideTimer_.stop();
    if (!grab(2)) return;
    raise(guideLine_);
    raise(ExposureLine::Amplifier);
    write();
    if (!grab(2)) return;
    guideTimer_.setInterval(std::max(1, settings_.SPED_Vesta_Interpose));
    guideGap_ = true;
    guideTotal_ = guideLeft_ = std::max(1, controls.SPED_Vesta_Pose_Guidage) / 1000.0;
    if (singleShot_) {
        setActive(false);
    } else {
        armGuide_ = true;
    }
    changed();
}

// ---- Rest bytes -----------------------------------------------------------------

void LongExposure::writeIdleByte()
{
    raise(ExposureLine::Odd);
    raise(ExposureLine::Even);
    raise(ExposureLine::Amplifier);
    if (settings_.CKB_LongueposePermanent)
        lower(ExposureLine::Mode);
    else
        raise(ExposureLine::Mode);
    write();
}

void LongExposure::writeStopByte()
{
    // The lines first: whatever follows, the amplifier is off.
    for (ExposureLine line : kAllLines) raise(line);
    write();
    exposureTimer_.stop();
    guideTimer_.stop();
    armExposure_ = armGuide_ = false;
    if (display.CKB_Longuepose_Active) {
        display.CKB_Longuepose_Active = false;
        exposureGap_ = guideGap_ = true;
        endSingleShot();
        display.BTN_Demarrer_Enabled = true;
        display.BTN_Arreter_Enabled = false;
        display.PGB_Position = 0;
        changed();
    }
}

void LongExposure::writeZeroByte()
{
    change(0);
    write();
}

// ---- Test group -----------------------------------------------------------------

void LongExposure::BTN_TestWriteClick(const QString& digits)
{
    const auto value = parseBinaryDigits(digits);
    if (!value) return;
    change(*value);
    write();
}

void LongExposure::BTN_TestPlusClick(const QString& digits)
{
    const auto value = parseBinaryDigits(digits);
    if (!value) return;
    const auto next = stepTestValue(*value, +1);
    if (!next) return;
    change(*next);
    write();
}

void LongExposure::BTN_TestMoinsClick(const QString& digits)
{
    const auto value = parseBinaryDigits(digits);
    if (!value) return;
    const auto next = stepTestValue(*value, -1);
    if (!next) return;
    change(*next);
    write();
}

void LongExposure::BTN_Start_PoseClick()
{
    lines_.configure(settings_);
    change(lines_.testStart(current()));
    write();
}

void LongExposure::BTN_Stpo_PoseClick()
{
    lines_.configure(settings_);
    change(lines_.testStop(current()));
    write();
}

void LongExposure::CKB_LongueposePermanentClick(bool checked)
{
    settings_.CKB_LongueposePermanent = checked;
    if (active()) return;
    if (checked)
        lower(ExposureLine::Mode);
    else
        raise(ExposureLine::Mode);
    write();
}

} // namespace velumbra

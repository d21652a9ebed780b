#pragma once
#include "exposure/HalfFrames.h"
#include "exposure/LongExposureLines.h"

#include <QObject>
#include <QString>
#include <QTimer>

namespace velumbra {

class ImageBuffers;
class SteadyClock;

// Where the line bytes go: the port layer's writePort in the program, a
// recording port in the tests. The port keeps one output byte per register,
// shared with the parallel guide box wired to the same port.
class ExposurePort {
public:
    virtual ~ExposurePort() = default;
    // False when the byte reached no port (none there, or it vanished); the
    // byte is the register's output byte all the same.
    virtual bool writePort(quint16 address, quint8 value) = 0;
    // The last byte written to that register by anyone, 0 before any.
    virtual quint8 outputByte(quint16 address) const = 0;
    // A new run tries again a port that failed before.
    virtual void retry(quint16 /*address*/) {}
};

// What a run asks of the rest of the program.
class LongExposureHooks {
public:
    virtual ~LongExposureHooks() = default;
    // One frame from the camera into that slot of the frame buffers.
    virtual bool grabFrame(int /*slot*/) { return false; }
    // ProcessFrame; returns Selected.
    virtual bool processFrame(bool /*newFrame*/) { return false; }
    // A frame is going through ProcessFrame (a wait inside it let a timer
    // through): no frame may be grabbed into its slot now.
    virtual bool frameRoutineRunning() const { return false; }
    // The result window's frame count for sequence saving.
    virtual void countFrameForSaving(bool /*selected*/) {}
    // A motion detection started this exposure and its "save" action is on:
    // such frames do not count towards sequence saving.
    virtual bool detectionSaving() const { return false; }
    // Writes a half frame as a BMP file of the current folder.
    virtual void saveHalfFrame(int /*slot*/, const QString& /*name*/) {}
    // The next offset of the offset file, after a merged self-guided frame,
    // and the autoguider's offset step after each exposure.
    virtual void stepOffset() {}
    virtual void autoguideOffsetStep() {}
    // The test field of the preferences shows the byte just written.
    virtual void showPortByte(quint8 /*value*/) {}
    // CKB_Longuepose_Active, the run buttons, the countdown changed.
    virtual void runChanged() {}
    // A single-shot run (motion detection's action) ended.
    virtual void singleShotDone() {}
    // The port stopped taking bytes during a run, which has ended.
    virtual void portLost() {}
    // Why a run cannot start now (no capture, or frames streamed without
    // the refresh tick that carries the exposures); empty when it can. The
    // user's starts show it; a single shot of motion detection is silent.
    virtual QString whyNoRun() const { return {}; }
    // A line of the message panel.
    virtual void showMessage(const QString& /*text*/) {}
};

// The values of the long-exposure window, read on every use.
struct LongExposureControls {
    int SPED_Vesta_Pose = 5000;          // ms
    int SPED_Nb_Poses = 0;               // 0 = unlimited
    bool CKB_Selfguide_Active = false;
    int SPED_Vesta_Pose_Guidage = 500;   // ms
    bool CKB_Egaliser = true;
};

// The display of the long-exposure window.
struct LongExposureDisplay {
    int TNI_Posenum = 0;
    int TNI_Timer = 0;          // countdown, s
    int PGB_Max = 0, PGB_Position = 0;
    bool CKB_Longuepose_Active = false;
    bool BTN_Demarrer_Enabled = true, BTN_Arreter_Enabled = false;
};

// The long exposures of a modified webcam: the exposure and gap cycle on two
// timers, the countdown on the refresh tick, the amplifier raised ahead of
// the readout, the count limit, and self-guiding on the other line set with
// its half frames merged. Each group of line changes starts from the port's
// output byte, so the guide box's lines keep what it gave them, and is
// written at once.
class LongExposure : public QObject {
    Q_OBJECT
public:
    LongExposure(ExposurePort& port, const SteadyClock& clock, ImageBuffers& frames);
    ~LongExposure() override;

    void setHooks(LongExposureHooks* hooks) { hooks_ = hooks ? hooks : &noHooks_; }
    // The camera option CKB_VestaMod: nothing runs without it, and
    // switching it off ends a run with every line raised.
    void setEnabled(bool on);
    bool enabled() const { return enabled_; }
    void setLineSettings(const LongExposureLineSettings& s);
    const LongExposureLineSettings& lineSettings() const { return settings_; }

    LongExposureControls controls;
    LongExposureDisplay display;

    // The window
    void openWindow() { windowOpen_ = true; }
    void closeWindow();
    bool windowOpen() const { return windowOpen_; }
    void BTN_Demarrer_PoseClick();
    void BTN_Arreter_PoseClick();
    void CKB_Selfguide_ActiveClick(bool on);
    void SPED_Vesta_PoseChange(int ms);
    void SPED_Vesta_Pose_GuidageChange(int ms);

    // CKB_Longuepose_Active of the main window.
    void setActive(bool on);
    bool active() const { return display.CKB_Longuepose_Active; }
    // Motion detection's action: one exposure, then the run ends itself.
    bool startSingleShot();
    bool singleShot() const { return singleShot_; }

    // The refresh tick: true when the long exposures own it (a run active,
    // whose countdown it runs); otherwise the live grab keeps it.
    bool Timer1Tick();
    void TMR_ExposureTimer();
    void TMR_Exposure_GuideTimer();

    // Capture start: every line at rest. Capture stop, close and errors:
    // every line raised, so the camera's amplifier is never left powered.
    void writeIdleByte();
    void writeStopByte();
    // First activation of the main window.
    void writeZeroByte();

    // The preferences test group.
    void BTN_TestWriteClick(const QString& digits);
    void BTN_TestPlusClick(const QString& digits);
    void BTN_TestMoinsClick(const QString& digits);
    void BTN_Start_PoseClick();
    void BTN_Stpo_PoseClick();
    void CKB_LongueposePermanentClick(bool checked);

    // The byte last written to the lines' port.
    quint8 portByte() const { return portByte_; }
    bool alternate() const { return alternate_; }
    ExposureLine guideLine() const { return guideLine_; }
    bool exposureGap() const { return exposureGap_; }
    bool guideGap() const { return guideGap_; }
    double exposureLeft() const { return exposureLeft_; }
    const QTimer& exposureTimer() const { return exposureTimer_; }
    const QTimer& guideTimer() const { return guideTimer_; }

private:
    void configure();
    void write();
    // The byte the next change starts from: the port's, unless changes not
    // yet written are under way.
    quint8 current() const { return pending_ ? portByte_ : port_.outputByte(lines_.portAddress()); }
    void raise(ExposureLine line) { change(lines_.raise(current(), line)); }
    void lower(ExposureLine line) { change(lines_.lower(current(), line)); }
    void change(quint8 byte)
    {
        portByte_ = byte;
        pending_ = true;
    }
    ExposureLine otherSet() const;
    bool alternating() const { return controls.CKB_Selfguide_Active && alternate_; }
    int exposureInterval() const;
    bool grab(int slot);
    void endExposure();
    void finishAlternateHalf(bool& process);
    bool handGuidingOver();
    void raiseAmplifierEarly();
    void changed() { hooks_->runChanged(); }
    bool refuseStart(bool quiet);
    void endSingleShot();

    ExposurePort& port_;
    const SteadyClock& clock_;
    ImageBuffers& frames_;
    LongExposureHooks noHooks_;
    LongExposureHooks* hooks_ = &noHooks_;
    LongExposureLineSettings settings_;
    ExposureLines lines_;
    QTimer exposureTimer_, guideTimer_;

    bool enabled_ = false;
    bool windowOpen_ = false;
    bool singleShot_ = false;
    quint8 portByte_ = 0; // the last byte written, or the one being made
    bool pending_ = false;
    ExposureLine guideLine_ = ExposureLine::Odd;
    bool alternate_ = false;
    bool exposureGap_ = true, guideGap_ = true;
    bool armExposure_ = false, armGuide_ = false;
    qint64 exposureStart_ = 0, guideStart_ = 0;
    double exposureTotal_ = 0, guideTotal_ = 0, exposureLeft_ = 0, guideLeft_ = 0;
    HalfFrameMeans means1_;
    bool linesAtStop_ = true;
    bool portFailing_ = false;
};

} // namespace velumbra

#pragma once
#include "exposure/LongExposure.h"
#include "results/BmpWriter.h"

#include <QObject>

namespace velumbra {

class ShellGuiding;
class TFRM_Alv;
class TFRM_Longuepose;
class TFRM_Pref;

// The long exposures wired to the windows: "Pose longue" and "Longue pose
// active" of the main window, the long-exposure window, the preferences'
// line configuration and test group, the camera's frames and the result
// window's sequence saving, the idle and stop bytes at capture start and
// stop, and motion detection's single exposure.
class ShellLongExposure : public QObject, private LongExposureHooks {
    Q_OBJECT
public:
    ShellLongExposure(TFRM_Alv& main, TFRM_Pref& pref, LongExposure& exposure, TFRM_Longuepose& window,
                      ShellGuiding& guiding);
    // The stop byte is the last write of the program.
    ~ShellLongExposure() override;

    // What the video source asks (through the main window).
    bool longExposureTakesTick() { return exposure_.Timer1Tick(); }
    void captureStarted(bool playback);
    void captureStopping();
    bool active() const { return exposure_.active(); }
    // Motion detection's action "Lancer une pose longue", and why it
    // cannot run with the modified camera on (empty: it can, or the option
    // is off).
    bool startSingleLongExposure();
    QString whyNoSingleExposure() const { return exposure_.enabled() ? whyNoRun() : QString(); }

    void BTN_PoselongueClick();
    void CKB_Longuepose_ActiveClick(bool checked);

private:
    // The line configuration of the preferences and the window's lengths.
    void takeSettings(bool withLengths);
    void showControls();
    void windowClosed();
    void testClick(void (LongExposure::*click)(const QString&));

    // LongExposureHooks
    bool grabFrame(int slot) override;
    bool processFrame(bool newFrame) override;
    bool frameRoutineRunning() const override;
    void countFrameForSaving(bool selected) override;
    bool detectionSaving() const override;
    void saveHalfFrame(int slot, const QString& name) override;
    void stepOffset() override;
    void autoguideOffsetStep() override;
    void showPortByte(quint8 value) override;
    void runChanged() override;
    void singleShotDone() override;
    void portLost() override;
    QString whyNoRun() const override;
    void showMessage(const QString& text) override;

    TFRM_Alv& main_;
    TFRM_Pref& pref_;
    LongExposure& exposure_;
    TFRM_Longuepose& window_;
    ShellGuiding& guiding_;
    BmpWriter bmp_;
    bool zeroWritten_ = false;
};

} // namespace velumbra

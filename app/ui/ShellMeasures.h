#pragma once
#include "processing/MotionDetection.h"
#include "resources/QtSoundPlayer.h"

#include <QObject>

namespace velumbra {

class ShellLongExposure;
class TFRM_Alv;
class TFRM_Alv_Child;
class TFRM_FWHM;
class TFRM_ImgRef;
class TFRM_Prg_Action;

// What the quality, focus and motion measures ask of the other windows:
// the sounds, tracking turned on for the focus measure, the result
// window's automatic saving started by a detection (and its stop ending
// the action), detection switched on and off.
class ShellMeasures : public QObject, private DetectionActionHooks {
    Q_OBJECT
public:
    ShellMeasures(TFRM_Alv& main, TFRM_Alv_Child* child, TFRM_FWHM* fwhm, TFRM_ImgRef* reference,
                  TFRM_Prg_Action* action);
    ~ShellMeasures() override;

    SoundPlayer& sound() { return sound_; }
    // The long exposures that the action "Lancer une pose longue" starts.
    void setLongExposure(ShellLongExposure* longExposure) { longExposure_ = longExposure; }

private:
    // DetectionActionHooks. Without the modified camera the long-exposure
    // action says so once and leaves detection running.
    bool startSingleLongExposure() override;
    void startAutomaticSaving() override;

    TFRM_Alv& main_;
    TFRM_Alv_Child* child_;
    QtSoundPlayer sound_;
    ShellLongExposure* longExposure_ = nullptr;
    bool saidNoLongExposure_ = false;
};

} // namespace velumbra

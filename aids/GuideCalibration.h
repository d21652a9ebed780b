#pragma once
#include "aids/OperationSequencer.h"
#include "telescope/MountRequests.h"

#include <functional>
#include <memory>

namespace velumbra {

class MountTimer;
class SteadyClock;

// Where the calibration reads its settings and leaves the speeds: the
// preferences' "Durée pour chaque direction" and the motor speed fields,
// and the main window's sampling.
class CalibrationView {
public:
    virtual ~CalibrationView() = default;
    virtual double TNI_Duree_test() const = 0;      // ms
    virtual double TNI_Echantillonnage() const = 0; // arc seconds per pixel
    // TNI_Vitesse_Ouest, _Nord, _Est or _Sud, in arc seconds per second.
    virtual void setSpeed(MoveDirection d, double arcsecPerSecond) = 0;
};

// The four lines "Apprendre" shows before the calibration is armed, one per line.
QString calibrationInstructions(const NamedTexts& texts);

// "Apprendre": the calibration of the guiding speeds, run as operation
// 13/14. Each frame the star's travel since the motion began gives the
// speed of that motion; the motions run West, North, East, South for
// TNI_Duree_test each.
//
// The length of each motion is kept by TMR_Appr on the monotonic clock, so
// a calibration across midnight measures true times. TMR_Appr ends the
// motion under way itself, frames or not: a camera that stops sending must
// not leave the mount running. The next frame starts the next motion; the
// last motion's end is the end of the calibration (`finished`). When the
// measurement ends early (star lost at the border, "Arrêter", the camera
// lost), the motion under way is stopped: left alone it would move the
// mount until someone noticed.
class GuideCalibrationStep final : public OperationStep {
public:
    GuideCalibrationStep(MountRequests& mount, const SteadyClock& clock, CalibrationView& view,
                         std::unique_ptr<MountTimer> TMR_Appr);
    ~GuideCalibrationStep() override;

    bool begin(const OperationStart& start) override;
    bool frame(Point starPos, int elapsedMs, bool verdict) override;
    void leave(bool byAbort, int elapsedMs) override;

    int calStep() const { return calStep_; }
    // TMR_Appr: enabled while a motion runs; fired once its interval is past.
    bool timerEnabled() const { return timerEnabled_; }
    int timerInterval() const { return interval_; }
    void TMR_ApprTimer();

    // The last motion ran its time: the sequencer ends the measurement.
    std::function<void()> finished;

private:
    bool timerFired() const;
    void nextMotion(Point starPos);
    void stopMotion();

    MountRequests& mount_;
    const SteadyClock& clock_;
    CalibrationView& view_;
    std::unique_ptr<MountTimer> timer_;
    int calStep_ = 0;
    bool motionRunning_ = false;
    qint64 startMs_ = 0;
    Point startPos_;
    bool timerEnabled_ = false;
    int interval_ = 0;
};

} // namespace velumbra

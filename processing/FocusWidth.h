#pragma once
#include "processing/FocusCues.h"
#include "processing/MeasureRing.h"
#include "processing/TrackingHandOffs.h"

namespace velumbra {

class SoundPlayer;
struct PipelineControls;

// The figures of the "Mise au point" tab.
struct FocusFigures {
    static constexpr double kNoBest = 99999;
    double TNI_FWHM = 0; // running mean of the width
    double TNI_Meilleur_FWHM = kNoBest;
    double TNI_Pire_FWHM = 0;
};

// The autofocus of the hand paddle, which takes the width once the focus
// measure has gathered a full set of values after each focuser move.
class AutofocusHandOff {
public:
    virtual ~AutofocusHandOff() = default;
    // The autofocus waits for measurements (its afRunning).
    virtual bool waitingForWidth() const = 0;
    virtual void autofocus_step(double width) = 0;
};

// The star width: the diameter of a disc with as many pixels as the zone
// has above the focus threshold. Each tracking pass with "Active" checked
// gives one value; its running mean, best (smallest) and worst follow.
class FocusWidth final : public FocusMeasure {
public:
    explicit FocusWidth(PipelineControls& controls) : controls_(controls) {}

    static double widthOf(int focusCount);

    void focusPass(int focusCount) override;

    // "Active" checked, and "Reset" while it is: empty ring, no value counted
    // for the autofocus, figures back to their start.
    void reset();
    // The preferences' measure count changed: the ring starts again.
    void setRingLength(int n) { ring_.setLength(n); }

    void setSound(SoundPlayer* sound) { sound_ = sound; }
    void setDisplay(CueDisplay* display) { display_ = display ? display : &noDisplay_; }
    void setAutofocus(AutofocusHandOff* autofocus) { autofocus_ = autofocus; }
    // The autofocus's timer ends a focuser move: the count starts again.
    void resetMeasureCount() { measureCount_ = 0; }
    int measureCount() const { return measureCount_; }

    const FocusFigures& figures() const { return figures_; }
    const MeasureRing& ring() const { return ring_; }
    double prevFocus() const { return prevFocus_; }

private:
    PipelineControls& controls_;
    FocusFigures figures_;
    MeasureRing ring_;
    double prevFocus_ = 0;
    int measureCount_ = 0;
    SoundPlayer* sound_ = nullptr;
    CueDisplay noDisplay_;
    CueDisplay* display_ = &noDisplay_;
    AutofocusHandOff* autofocus_ = nullptr;
};

} // namespace velumbra

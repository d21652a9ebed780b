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

// What a focus sample is worth to the autofocus. A width needs a star that
// stands out of the background with an unsaturated core: no pixel above the
// threshold, a width under one pixel, a threshold the background reaches (so
// that most of the zone counts) are no star; a core at the top of the scale
// hides its true peak, so half of it is not half the star's maximum.
enum class FocusSampleKind { Star, NoStar, Saturated };
// Intensities from this level up count as a saturated core.
inline constexpr int kSaturatedIntensity = 250;
FocusSampleKind classifyFocusSample(const FocusSample& s, double width);

// The autofocus of the hand paddle, fed every pass's width and sample while
// it runs; it gathers its own sets of fresh values after each focuser move.
class AutofocusHandOff {
public:
    virtual ~AutofocusHandOff() = default;
    // setSize: the preferences' number of values behind a mean.
    virtual void focusReading(double width, const FocusSample& sample, int setSize) = 0;
};

// The star width: the diameter of a disc with as many pixels as the zone
// has above the focus threshold. Each tracking pass with "Active" checked
// gives one value; its running mean, best (smallest) and worst follow.
class FocusWidth final : public FocusMeasure {
public:
    explicit FocusWidth(PipelineControls& controls) : controls_(controls) {}

    static double widthOf(int focusCount);

    void focusPass(int focusCount) override { focusSample(FocusSample{focusCount}); }
    void focusSample(const FocusSample& s) override;

    // "Active" checked, and "Reset" while it is: empty ring, no value counted
    // for the autofocus, figures back to their start.
    void reset();
    // The preferences' measure count changed: the ring starts again.
    void setRingLength(int n) { ring_.setLength(n); }

    void setSound(SoundPlayer* sound) { sound_ = sound; }
    void setDisplay(CueDisplay* display) { display_ = display ? display : &noDisplay_; }
    void setAutofocus(AutofocusHandOff* autofocus) { autofocus_ = autofocus; }

    const FocusFigures& figures() const { return figures_; }
    const MeasureRing& ring() const { return ring_; }
    double prevFocus() const { return prevFocus_; }

private:
    PipelineControls& controls_;
    FocusFigures figures_;
    MeasureRing ring_;
    double prevFocus_ = 0;
    SoundPlayer* sound_ = nullptr;
    CueDisplay noDisplay_;
    CueDisplay* display_ = &noDisplay_;
    AutofocusHandOff* autofocus_ = nullptr;
};

} // namespace velumbra

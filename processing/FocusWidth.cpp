#include "processing/FocusWidth.h"
#include "core/Sound.h"
#include "processing/PipelineControls.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace velumbra {

double FocusWidth::widthOf(int focusCount)
{
    return 2.0 * std::sqrt(std::max(focusCount, 0) / std::numbers::pi);
}

FocusSampleKind classifyFocusSample(const FocusSample& s, double width)
{
    if (s.count <= 0 || !(width >= 1.0)) return FocusSampleKind::NoStar;
    if (s.zonePixels > 0 && 2LL * s.count > s.zonePixels) return FocusSampleKind::NoStar;
    if (s.peak < 0) return FocusSampleKind::Star; // the count alone is known
    if (s.threshold <= s.floor) return FocusSampleKind::NoStar;
    if (s.peak >= kSaturatedIntensity) return FocusSampleKind::Saturated;
    return FocusSampleKind::Star;
}

void FocusWidth::focusSample(const FocusSample& sample)
{
    const SelectionControls& c = controls_.selection;
    ring_.setLength(c.SPED_Nb_Mesures);
    prevFocus_ = figures_.TNI_FWHM;
    const double width = widthOf(sample.count);
    figures_.TNI_FWHM = ring_.add(width, true);
    if (ring_.full()) {
        if (figures_.TNI_FWHM < figures_.TNI_Meilleur_FWHM) figures_.TNI_Meilleur_FWHM = figures_.TNI_FWHM;
        if (figures_.TNI_FWHM > figures_.TNI_Pire_FWHM) figures_.TNI_Pire_FWHM = figures_.TNI_FWHM;
    }
    // The text beside the target shows the mean and the best.
    controls_.TNI_FWHM = figures_.TNI_FWHM;
    controls_.TNI_Meilleur_FWHM = figures_.TNI_Meilleur_FWHM;

    if (autofocus_) autofocus_->focusReading(width, sample, ring_.length());

    const FocusFigures& f = figures_;
    if (c.CKB_GROS_FWHM) {
        display_->showLargeValue(f.TNI_FWHM);
        FocusLamps(*display_, true, prevFocus_, f.TNI_FWHM, f.TNI_Meilleur_FWHM, f.TNI_Pire_FWHM, c.cues);
    }
    if (c.CKB_Son_MAP && sound_)
        FocusSound(*sound_, c.cueNames, true, prevFocus_, f.TNI_FWHM, f.TNI_Meilleur_FWHM, f.TNI_Pire_FWHM, c.cues);
}

void FocusWidth::reset()
{
    ring_.clear();
    figures_ = FocusFigures{};
    controls_.TNI_FWHM = figures_.TNI_FWHM;
    controls_.TNI_Meilleur_FWHM = figures_.TNI_Meilleur_FWHM;
}

} // namespace velumbra

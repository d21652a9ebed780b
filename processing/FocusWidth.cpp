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

void FocusWidth::focusPass(int focusCount)
{
    const SelectionControls& c = controls_.selection;
    ring_.setLength(c.SPED_Nb_Mesures);
    prevFocus_ = figures_.TNI_FWHM;
    figures_.TNI_FWHM = ring_.add(widthOf(focusCount), true);
    if (ring_.full()) {
        if (figures_.TNI_FWHM < figures_.TNI_Meilleur_FWHM) figures_.TNI_Meilleur_FWHM = figures_.TNI_FWHM;
        if (figures_.TNI_FWHM > figures_.TNI_Pire_FWHM) figures_.TNI_Pire_FWHM = figures_.TNI_FWHM;
    }
    // The text beside the target shows the mean and the best.
    controls_.TNI_FWHM = figures_.TNI_FWHM;
    controls_.TNI_Meilleur_FWHM = figures_.TNI_Meilleur_FWHM;

    if (autofocus_ && autofocus_->waitingForWidth()) {
        ++measureCount_;
        if (measureCount_ >= ring_.length()) autofocus_->autofocus_step(figures_.TNI_FWHM);
    }

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
    measureCount_ = 0;
    figures_ = FocusFigures{};
    controls_.TNI_FWHM = figures_.TNI_FWHM;
    controls_.TNI_Meilleur_FWHM = figures_.TNI_Meilleur_FWHM;
}

} // namespace velumbra

#include "processing/QualitySelection.h"
#include "core/Rounding.h"
#include "core/Sound.h"
#include "processing/FocusCues.h"
#include "processing/SelectionControls.h"

namespace velumbra {

bool QualitySelection::selectByQuality(const QImage& zoneFrame, double threshold, const SelectionControls& c)
{
    ring_.setLength(c.SPED_Nb_Mesures);
    lastScore_ = sizer_.encodedSize(zoneFrame, zoneFrame.width(), zoneFrame.height(), c.jpegQuality)
                     .value_or(0);
    const double score = double(lastScore_);
    prevQuality_ = RoundDown(figures_.TNI_Qualite_Actuelle);
    const double mean = ring_.add(score);
    figures_.TNI_Qualite_Actuelle = mean;
    if (ring_.full()) {
        if (mean > figures_.TNI_Meilleure_Qualite) {
            figures_.TNI_Meilleure_Qualite = mean;
            figures_.SCB_Selection_Max = RoundDown(mean);
        }
        if (mean < figures_.TNI_Pire_Qualite) {
            figures_.TNI_Pire_Qualite = mean;
            figures_.SCB_Selection_Min = RoundDown(mean);
        }
    }
    // The frame's own score decides, not the mean.
    return score >= threshold;
}

bool QualitySelection::selectByBrightness(int meanBrightness, double threshold)
{
    figures_.TNI_Qualite_Actuelle = meanBrightness;
    return meanBrightness > threshold;
}

void QualitySelection::cues(const SelectionControls& c, SoundPlayer& sound, CueDisplay& display) const
{
    const QualityFigures& f = figures_;
    if (c.CKB_Select_Son)
        FocusSound(sound, c.cueNames, false, prevQuality_, f.TNI_Qualite_Actuelle, f.TNI_Meilleure_Qualite,
                   f.TNI_Pire_Qualite, c.cues);
    if (c.CKB_GROS_Select) {
        display.showLargeValue(f.TNI_Qualite_Actuelle);
        FocusLamps(display, false, prevQuality_, f.TNI_Qualite_Actuelle, f.TNI_Meilleure_Qualite,
                   f.TNI_Pire_Qualite, c.cues);
    }
}

void QualitySelection::rememberForSave()
{
    selected_ = {figures_.TNI_Qualite_Actuelle, figures_.TNI_Meilleure_Qualite, figures_.TNI_Pire_Qualite};
}

void QualitySelection::BTN_Reset_SelectionClick(bool nonvide)
{
    ring_.clear();
    figures_ = QualityFigures{};
    figures_.SCB_Selection_Max = nonvide ? QualityFigures::kBrightnessMaximum : QualityFigures::kQualityMaximum;
}

} // namespace velumbra

#pragma once
#include "processing/JpegSize.h"
#include "processing/MeasureRing.h"

#include <QImage>

namespace velumbra {

class CueDisplay;
class SoundPlayer;
struct SelectionControls;

// The figures of the "Select.Imag." tab, as its fields and slider show them.
struct QualityFigures {
    static constexpr double kNoWorst = 9999999;
    static constexpr int kQualityMaximum = 9999999; // SCB_Selection's top for "DCT"
    static constexpr int kBrightnessMaximum = 768;  // and for "Non-vide"

    double TNI_Qualite_Actuelle = 0; // running mean (or the zone's brightness with "Non-vide")
    double TNI_Meilleure_Qualite = 0;
    double TNI_Pire_Qualite = kNoWorst;
    int SCB_Selection_Min = 0;
    int SCB_Selection_Max = kQualityMaximum;
};

// The quality of the last selected frame and the figures then, for the
// parameter record of a saved image.
struct SelectedQuality {
    double selectedQuality = 0;
    double selectedBest = 0;
    double selectedWorst = 0;
};

// Frame selection by sharpness ("DCT") or by brightness ("Non-vide").
// Sharpness is the size of the zone frame's JPEG image: a sharp frame keeps
// fine detail, which compresses worse, so its image is larger.
class QualitySelection {
public:
    // "DCT": scores zoneFrame (the whole bitmap, as the zone was copied into
    // it), updates the running mean and, once the ring is full, the best and
    // worst; returns score >= threshold. A frame the encoder cannot score
    // scores 0.
    bool selectByQuality(const QImage& zoneFrame, double threshold, const SelectionControls& c);
    // "Non-vide": shows the zone's mean brightness and selects it above the threshold.
    bool selectByBrightness(int meanBrightness, double threshold);

    // The sound and the large indicator after the selection stage.
    void cues(const SelectionControls& c, SoundPlayer& sound, CueDisplay& display) const;

    // A frame was selected with "DCT" on: its figures go with the saved image.
    void rememberForSave();

    // "Reset": empty ring, figures and slider back to their start.
    void BTN_Reset_SelectionClick(bool nonvide);
    // Checking "DCT" or "Non-vide" sets the slider's top.
    void CKB_SelectionClick() { figures_.SCB_Selection_Max = QualityFigures::kQualityMaximum; }
    void CKB_NonvideClick() { figures_.SCB_Selection_Max = QualityFigures::kBrightnessMaximum; }

    // The preferences' measure count changed: the ring starts again.
    void setRingLength(int n) { ring_.setLength(n); }

    const QualityFigures& figures() const { return figures_; }
    const SelectedQuality& selected() const { return selected_; }
    const MeasureRing& ring() const { return ring_; }
    // The score of the last frame measured (bytes), and the mean before it.
    std::size_t lastScore() const { return lastScore_; }
    int prevQuality() const { return prevQuality_; }
    long encoderHeapBlocks() const { return sizer_.heapBlocks(); }

private:
    QualityFigures figures_;
    SelectedQuality selected_;
    MeasureRing ring_;
    JpegSizer sizer_;
    std::size_t lastScore_ = 0;
    int prevQuality_ = 0;
};

} // namespace velumbra

#pragma once
#include "processing/FocusCues.h"

namespace velumbra {

// Control values of the quality and focus measures that are not the frame
// routine's own (CKB_Selection, CKB_Nonvide, TNI_Seuil_Selection and CKB_MAP
// are; the focus threshold sits with tracking). The two tabs write their
// boxes; the preferences' values are copied in by the main window when they
// change.
struct SelectionControls {
    // "Select.Imag." tab
    bool CKB_Select_Son = false;  // "Son"
    bool CKB_GROS_Select = false; // "GROS"
    // "Mise au point" tab
    bool CKB_Son_MAP = false;  // "Son"
    bool CKB_GROS_FWHM = false; // "GROS"

    // Preferences
    // JPEG quality of the measure, 1..100: RoundDown of the preferences'
    // TNI_Finesse_Selection (101 - slider position).
    int jpegQuality = 30;
    int SPED_Nb_Mesures = 10;       // values behind each running mean, 2..50
    CueSensitivity cues;            // "Precision Finale", "Sensibilité à la variation"
    // Language texts naming the cue sounds.
    CueNames cueNames;
};

} // namespace velumbra

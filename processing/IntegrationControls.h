#pragma once
#include <array>

namespace velumbra {

// Values of the integration panel's controls that the integration reads on
// every call. The panel writes them from its change handlers.
struct IntegrationPanelControls {
    int SPED_Nb_Bitmap = 1;       // loop length, or stop count (0 = no limit)
    bool RDB_Dark_Sub = true;     // "Sub.": subtract the dark
    bool RDB_Dark_Smart = false;  // "Smart": replace hot cells
    int SPED_RDark = 1;           // radius of the smart-dark box, 1..9
    int SCB_Seuil_dark = 100;     // dark level = 100 - position
    double TNI_MaxFlat = 0;       // frames in the flat master
    bool CKB_Active_Flat_Enabled = false; // a flat master exists
};

// Values of the threshold group "Seuils". Scroll-bar positions and their
// bounds are whole plane units; the numeric mirrors keep two decimals.
struct ThresholdControls {
    int SCB_Minimum = 0;
    int SCB_Minimum_Min = 0;
    int SCB_Minimum_Max = 65535;
    int SCB_Maximum = 2500;
    int SCB_Maximum_Min = 0;
    int SCB_Maximum_Max = 65535;
    double TNI_Seuil_Min = 0;
    double TNI_Seuil_Max = 2500;
    double TNI_Seuil_MinMin = 0;
    double TNI_Seuil_MinMax = 65535;
    double TNI_Seuil_MaxMin = 0;
    double TNI_Seuil_MaxMax = 65535;
    double TNI_Min = 0; // range of the last render, read-only
    double TNI_Max = 0;
    bool CKB_Seuils_Evol = true;
    bool RDB_NB = false;
    bool RDB_Couleur = true;
    bool CKB_Red = true;
    bool CKB_Green = true;
    bool CKB_Blue = true;
    bool CKB_Inverse = false;
    // Ratio of each threshold to the matching range value when the user
    // last set it; evolving thresholds keep that proportion.
    double thresholdRatioMin = 1.0;
    double thresholdRatioMax = 1.0;
};

// The display equalizer: ten sliders 0..100, 50 = neutral.
struct EqualizerControls {
    static constexpr int kBands = 10;
    static constexpr int kNeutral = 50;
    bool CKB_EQ = false;
    std::array<int, kBands> TRKB_EQ{50, 50, 50, 50, 50, 50, 50, 50, 50, 50};
};

} // namespace velumbra

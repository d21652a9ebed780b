#pragma once
#include "processing/Planes.h"
#include "processing/TrackingControls.h"
#include "processing/IntegrationControls.h"
#include "processing/SelectionControls.h"

namespace velumbra {

// The values of the controls that the frame routine reads on every frame.
// The windows keep it in step with their controls, so a change takes effect
// at the next frame. Names are those of the controls.
struct PipelineControls {
    // Display source
    bool CKB_Satur = false;          // "Seuil. satur."
    double TNI_Seuil_Satur = 255;
    bool CKB_Longuepose_Active = false;
    bool CKB_Selfguide_Active = false;
    double SPED_Vesta_Pose = 5000;   // long-exposure window: the length, for the parameter record
    bool CKB_Histogramme = false;    // information window
    bool CKB_Dateheure = false;      // preferences: time stamp

    // Zones
    double TNI_Taille_ZDetect = 40;  // 3..320
    double TNI_Taille_ZAffich = 320; // 20..800

    // Tracking
    bool CKB_Suivi = false;
    bool CKB_Autoguidage = false;
    double SPED_Intervalle_Guidage = 10; // frames between two tracking passes
    bool RDB_Derive = false;
    bool CKB_Intensite_Min = false;
    bool CKB_Intensite_Max = false;
    bool CKB_FWHM = false;
    bool CKB_MAP = false;
    double TNI_FWHM = 0;
    double TNI_Meilleur_FWHM = 0;

    // Integration
    IntegrationMode integration;
    bool BTN_Demarrer_Add_Enabled = true; // disabled while integration runs
    bool MNU_Binning_2x2 = false;
    double TNI_MaxDark = 0;
    bool CKB_Active_Flat = false;

    // Selection
    bool CKB_Selection = false;
    bool CKB_Nonvide = false;
    // Lucky imaging: keep a frame when its sharpness is among the best
    // SPED_Meilleures_Pct percent of the last SPED_Meilleures_Sur frames.
    bool CKB_Meilleures = false;
    int SPED_Meilleures_Pct = 10;
    int SPED_Meilleures_Sur = 100;
    double TNI_Seuil_Selection = 0;
    bool CKB_Detection_Mvt = false;
    double TNI_Seuil_Detection_Niveau = 0;
    double TNI_Seuil_Detection_Nbre = 0;
    bool CKB_Detection_Action = false;
    // The tabs "Select.Imag." and "Mise au point" and their preferences.
    SelectionControls selection;

    // Overlays
    bool CKB_Reticule = false;
    bool CKB_Cercles = false;  // concentric circles of the reticle
    bool CKB_Croix = false;    // graduated cross of the reticle
    double TNI_Orient = 0;     // camera orientation, degrees: image axes to sky axes
    bool CKB_Info_Image = false;

    // Marker shapes: 0 square, 1 circle, other none; 0 cross, 1 point, other none.
    unsigned char markerShape = 0;
    unsigned char crossShape = 0;

    // Integration panel, threshold group and equalizer window
    IntegrationPanelControls PNL_Integration;
    ThresholdControls GRB_Seuils;
    EqualizerControls TFRM_Equal;

    bool integratingDarkOrFlat() const
    {
        return integration.CKB_Integration && (integration.RDB_Dark || integration.RDB_Flat);
    }
    int binning() const { return MNU_Binning_2x2 ? 2 : 1; }

    // Tracking panel and the settings a tracking pass reads.
    TrackingControls tracking;
};

} // namespace velumbra

#pragma once

namespace velumbra {

// Control values the tracking pass reads on every frame. The tracking
// panel writes the method and inversion; the focus fields and the two
// preferences are written by their own windows. CKB_Suivi, RDB_Derive (the
// fourth method), CKB_MAP, CKB_Nonvide, CKB_Autoguidage and the detection
// size sit with the frame routine's controls; the tolerance
// (SPED_Sensibilite) is copied into ZoneState::tolerance.
struct TrackingControls {
    // Method, first checked in this order: Somax, Colimacon, Cadres, then RDB_Derive.
    bool RDB_Somax = false;           // "Somme Axes"
    bool RDB_Colimacon = true;        // "Pixel Brillant"
    bool RDB_Cadres = false;          // "Detect.Bords"
    bool CKB_Inversion_Video = false; // "Inverser": follow a dark object
    // "Recalage": while a stack runs, each frame is laid on the run's first
    // by its stars (turn and shift, to a fraction of a pixel) instead of the
    // zone following one star to the whole pixel.
    bool RDB_Recalage = false;

    // Focus measure ("Mise au point" tab): pixels above SPED_Seuil_MAP are
    // counted; with CKB_FWHM_Auto each pass sets the threshold to half the
    // previous pass's brightest pixel.
    bool CKB_FWHM_Auto = false;
    int SPED_Seuil_MAP = 500;

    // Preferences: autoguiding dead zone in pixels (also the drift method's
    // smallest step) and "Debug actif".
    int SPED_Neutre = 2;
    bool CKB_Debug = false;
};

} // namespace velumbra

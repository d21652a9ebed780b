#pragma once
#include "telescope/MountRequests.h"

namespace velumbra {

class Pause;

// The controls a correction reads, named after them: the preferences'
// dead zone, allowed directions and alternation, and the main window's
// camera orientation and sampling.
struct GuideSettings {
    int SPED_Neutre = 0;          // pixels an axis error may reach without correction
    bool CKB_Correct_Nord = true; // "+Dec"
    bool CKB_Correct_Sud = true;  // "-Dec"
    bool CKB_Correct_Est = true;  // "-A.D."
    bool CKB_Correct_Ouest = true; // "+A.D."
    bool CKB_Separes = true;      // one axis per pass, alternating
    int SPED_Delai_Separes = 25;  // ms, the pause before each alternating pass
    double TNI_Orient = 0;        // camera orientation, degrees
    double TNI_Echantillonnage = 1; // arc seconds per pixel
};

// What one correction decided for one axis.
struct AxisCorrection {
    bool handled = false;         // the axis had its turn (and a direction)
    MoveDirection direction = West;
    int pixels = 0;               // the axis error, pxRA or pxDec
    double arcsec = 0;            // the same on the sky
    bool moved = false;           // mount_move was asked; otherwise mount_stop
};

// One correction: the angle on the sky, the two axis errors and what was
// asked of each axis.
struct Correction {
    int dx = 0, dy = 0;           // the star's offset, pixels
    double theta = 0;             // degrees on the sky, [0, 360)
    int pxRA = 0, pxDec = 0;
    bool stoppedFirst = false;    // an alternating pass: full stop and pause first
    AxisCorrection ra, dec;
};

// The pure part of guide_correct: the angle, the two roundings, the
// directions, the dead zone and the allowed directions, for the axis turn
// of this pass (0: both axes; 1 RA; 2 Dec).
Correction planCorrection(int dx, int dy, const GuideSettings& s, int axisTurn);

// guide_correct: the star's pixel offset from the guiding reference turned
// into one timed move (or a stop) per axis.
class GuideCorrector {
public:
    GuideCorrector(MountRequests& mount, Pause& pause) : mount_(mount), pause_(pause) {}

    // Sends the correction of (dx, dy) and returns what was decided. With
    // CKB_Separes each call corrects the other axis than the last one,
    // after a full stop and a pause of SPED_Delai_Separes.
    Correction guide_correct(int dx, int dy, const GuideSettings& s);

    // Guiding starts again: the next alternating pass is the RA one.
    void restart() { guideAxisTurn_ = 0; }
    int guideAxisTurn() const { return guideAxisTurn_; }

private:
    void apply(const AxisCorrection& a);

    MountRequests& mount_;
    Pause& pause_;
    int guideAxisTurn_ = 0;
};

} // namespace velumbra

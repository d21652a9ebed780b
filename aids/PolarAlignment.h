#pragma once
#include "aids/OperationSequencer.h"
#include "core/Geometry.h"

#include <QString>

class QImage;

namespace velumbra {

enum class AdjustAxis { Azimuth, Altitude };

// "Est"/"Ouest" for the azimuth, "le bas"/"le haut" for the altitude.
QString direction_word(AdjustAxis axis, bool flag, const NamedTexts& texts = NamedTexts::builtIn());

// General format with 4 significant digits, as the corrections are shown.
QString general4(double v);

// The mount and optics values both procedures read.
struct PolarSettings {
    double TNI_Orient = 0;       // camera orientation, degrees
    bool RDB_Sud = true;         // Bigourdan star near the meridian; else near the East or West horizon
    bool CKB_Inverse_Az = false;
    bool CKB_Inverse_Alt = false;
    double TNI_Rayon_Az = 15, TNI_Rayon_Alt = 15; // mm
    double TNI_Fil_Az = 1, TNI_Fil_Alt = 1;       // screw pitch, mm
    double TNI_Larg_Pix = 7.4, TNI_Haut_Pix = 7.4; // µm
    double TNI_NbPix_X = 640, TNI_NbPix_Y = 480;   // resolution the size was given at
    double effectiveFocal = 2000;                  // mm
    bool CKB_RenvoiCoude = false;                  // diagonal mirror
    double TNI_Echantillonnage = 1;                // arc seconds per pixel
    // The direction words of the correction instruction; never null.
    const NamedTexts* texts = &NamedTexts::builtIn();
};

// What the Bigourdan computation reads besides the settings.
struct BigourdanDrift {
    double TNI_Long_Trainee_X = 1; // drift length along x, pixels (at least 1)
    double TNI_Long_Trainee_Y = 1;
    double driftEW = 1;            // cos θ of the drift in sky directions
    double driftNS = 0;            // sin θ
    double TNI_Duree_Pose = 1;     // seconds
    int imageWidth = 640;
    int imageHeight = 480;
};

struct BigourdanResult {
    double northSouth = 0; // A, radians
    double eastWest = 0;   // B, radians
    double polarError = 0; // P, radians
    double mm = 0;         // at the adjusting screw
    double turns = 0;
    double TNI_Erreur_Vitesse = 0; // tracking speed error, arc seconds per second
    QString EDT_Deplacement, EDT_Tours, EDT_AngleTraineeNS, EDT_AngleTraineeEO, EDT_Erreur_polaire;
};

// The angle in radians of a drift of (trailX, trailY) image pixels: the
// sensor's pixel size scaled to the image width, seen at the focal length.
double driftAngle(const PolarSettings& s, int imageWidth, int imageHeight, double trailX, double trailY);

// The polar error from a declination drift: the drift's angle, the time it
// took and the star's declination give the angle between the polar axis
// and the pole, then the screw's travel and turns.
BigourdanResult bigourdanComputation(const PolarSettings& s, const BigourdanDrift& d);

// What one Bigourdan frame shows.
struct BigourdanFrame {
    QString EDT_Correct;          // the direction to turn
    bool computed = false;        // three seconds had passed: the numbers below are new
    BigourdanDrift drift;
    BigourdanResult result;
};

struct KingResult {
    Point centre;         // the mount's axis on the image
    double radius = 0;    // pixels from the star to the centre
    double bearing = 0;   // degrees, from the star to the centre
    int kingDX = 0, kingDY = 0; // correction in sky directions, pixels
    double TNI_Duree_Pose_King = 0;
    QString EDT_CorrectKingEO, EDT_CorrectKingNS;
    QString EDT_DistanceX_DMS, EDT_DistanceY_DMS;
    QString EDT_Deplacement_EstOuest, EDT_Deplacement_NordSud;
    QString EDT_Deplacement_EstOuest_Tours, EDT_Deplacement_NordSud_Tours;
};

// Where the King drawing goes on the display image.
struct KingDrawing {
    Point star;
    Point centre;
    bool circle = false;  // the centre lies inside the image
    Point lineEnd;        // 100 pixels from the star toward the centre
    QString label;        // the star's distance from the centre as an angle
};

// Draws the centre, the line and its label, in not-xor so a second
// drawing of the same figure erases it.
void drawKing(QImage& image, const KingDrawing& drawing);

// The window's side of polar alignment.
class PolarAlignmentView {
public:
    virtual ~PolarAlignmentView() = default;
    virtual PolarSettings polarSettings() const = 0;
    virtual void bigourdanStarted() {}
    virtual void kingStarted() {}
    virtual void showBigourdan(const BigourdanFrame& frame) = 0;
    virtual void showKing(const KingResult& result, const KingDrawing& drawing) = 0;
    // "Arrêter" left the King measurement: a pause ends, the pause button goes.
    virtual void kingPauseEnded() {}
};

// Bigourdan: a star near the meridian (or the East or West horizon)
// drifts in declination when the polar axis is off.
class BigourdanStep final : public OperationStep {
public:
    explicit BigourdanStep(PolarAlignmentView& view) : view_(view) {}
    bool begin(const OperationStart& start) override;
    bool frame(Point starPos, int elapsedMs, bool verdict) override;
    const BigourdanFrame& last() const { return last_; }

private:
    PolarAlignmentView& view_;
    OperationStart start_;
    BigourdanFrame last_;
};

// King: a star near the pole turns about the mount's axis; the chord it
// travels gives the axis on the image.
class KingStep final : public OperationStep {
public:
    explicit KingStep(PolarAlignmentView& view) : view_(view) {}
    bool begin(const OperationStart& start) override;
    bool frame(Point starPos, int elapsedMs, bool verdict) override;
    void leave(bool byAbort, int elapsedMs) override;

    // "Pause pour corriger l'orientation de la monture" / "Reactiver".
    void BTN_PauseClick() { paused_ = !paused_; }
    void clearPause() { paused_ = false; }
    bool paused() const { return paused_; }
    const KingResult& last() const { return last_; }

private:
    PolarAlignmentView& view_;
    OperationStart start_;
    bool paused_ = false;
    KingResult last_;
};

} // namespace velumbra

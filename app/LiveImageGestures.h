#pragma once
#include "core/Geometry.h"
#include "processing/ZoneState.h"

#include <QString>
#include <Qt>

namespace velumbra {

// What a click on the live image may act on, read from the controls.
struct GestureContext {
    bool running = false;               // refresh timer or stream running
    bool integratingDarkOrFlat = false; // CKB_Integration with Dark or Flat
    bool CKB_Zones_Liees = false;
    bool CKB_Suivi = false;
    bool CKB_Reticule = false;
    bool mountSelected = false;         // a mount interface chosen in the preferences
    int imageWidth = 0;
    int imageHeight = 0;
    double TNI_Echantillonnage = 1.0;   // arc seconds per pixel
    double TNI_DistObjet = 0.1;
};

// What the click asks of the rest of the program besides the zone state.
struct GestureEffects {
    bool ignored = true;
    bool storeTarget = false;  // the click is the new tracking target
    Point target;
    bool moveReticle = false;
    Point reticleCentre;
    bool guideMove = false;    // move the telescope by this offset
    Point guideOffset;
    bool starSearch = false;   // star search around this point
    Point searchAt;
    bool measured = false;
    QString angleText;         // EDT_Angle_Calcule
    QString distanceText;      // EDT_Distance_Calculee
};

// Angle between two points of the image (arc seconds, through the sampling)
// and the matching distance at the object's distance, with their texts.
struct Measurement {
    double angleArcSeconds = 0;
    double distance = 0;
    QString angleText;
    QString distanceText;
};
Measurement measureBetween(Point previous, Point last, double sampling, double objectDistance);

// Mouse gestures on the live image (button released).
class LiveImageGestures {
public:
    GestureEffects mouseUp(Point click, Qt::MouseButton button, Qt::KeyboardModifiers keys,
                           const GestureContext& ctx, ZoneState& zone, RunFlags& flags);

    Point previousPoint;
    Point lastPoint;
    double angleArcSeconds = 0;
    double distance = 0;
};

} // namespace velumbra

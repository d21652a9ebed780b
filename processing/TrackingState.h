#pragma once
#include "core/Geometry.h"

#include <QtGlobal>

namespace velumbra {

struct DriftVector {
    double x = 0.0;
    double y = 0.0;
};

// What the tracking pass leaves for the other parts: zone sums for the
// focus measure and the "Non-vide" selection, and the state of the
// preprogrammed-drift method (its rate is set by the drift definition).
struct TrackingState {
    int detectHalf = 0;
    int zoneSum = 0;     // sum of intensities when the focus measure is off
    int focusTotal = 0;  // the same while CKB_MAP is checked
    int focusCount = 0;  // pixels brighter than SPED_Seuil_MAP
    int prevIntensityMax = 0;
    int meanBrightness = 0;

    DriftVector driftRate;  // pixels per second
    DriftVector driftAccum; // fractional pixels not yet applied
    qint64 driftLastTime = -1; // steady milliseconds of the last prediction; -1: none yet
    int driftDuration = 0;     // seconds of the last drift definition
    Point driftReference;      // target the prediction started from
};

} // namespace velumbra

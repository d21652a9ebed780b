#pragma once
#include "core/Geometry.h"

namespace velumbra {

// Zone geometry and run flags shared by every stage of the image core.
struct ZoneState {
    Point starPos;
    Point prevStarPos;
    Point zoneOffset;
    Point prevZoneOffset;
    Rect displayZone;
    Rect zoneRect;
    double displayAspect = 1.33333;
    int intensityMin = 255;
    int intensityMax = 0;
    int tolerance = 0;
};

struct RunFlags {
    bool targetActive = false;
    bool zoneDirty = false;
    bool loadingSettings = true;
    bool permanentView = false;
    bool turboMode = false;
};

} // namespace velumbra

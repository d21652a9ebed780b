#pragma once
#include "core/Geometry.h"
#include "core/Rounding.h"

#include <algorithm>
#include <cmath>

namespace velumbra {

// Display-zone rules shared by the frame routine, the integration, the
// video source and the zone controls.

// displayAspect before a camera gives its own ratio.
inline constexpr double kInitialDisplayAspect = 1.33333;
// Loop integration keeps the zone at 4:3 and at most 640 wide: its ring of
// zone bitmaps is allocated once for the run.
inline constexpr double kLoopAspect = 1.3333333333333333;
inline constexpr int kLoopZoneMaxWidth = 640;

// Largest detection zone for a frame width: 50 pixels narrower than the
// frame, within 3..320.
constexpr int maxDetectionZone(int frameWidth) { return std::max(3, std::min(320, frameWidth - 50)); }

// The zone's width/height ratio: 4:3 in loop integration, else the camera's.
inline double zoneAspect(bool loopIntegration, double displayAspect)
{
    return loopIntegration ? kLoopAspect : displayAspect;
}

// Half height of a zone of the given half width: halfWidth / aspect rounded
// to nearest, halves to even; an aspect that is not a positive number counts as 4:3.
inline int zoneHalfHeight(int halfWidth, double aspect)
{
    if (!(aspect > 0.0) || !std::isfinite(aspect)) aspect = kLoopAspect;
    return static_cast<int>(roundHalfEven(halfWidth / aspect));
}

// Nominal size of a display zone of the given size (the summed cells,
// without the zone's extra centre column and row).
struct ZoneSize {
    int width = 0;
    int height = 0;
};
inline ZoneSize nominalZoneSize(int zoneSize, double aspect)
{
    const int c = static_cast<int>(std::trunc(zoneSize * 0.5));
    return {2 * c, 2 * zoneHalfHeight(c, aspect)};
}

// Zone geometry and run flags shared by every stage of the image core.
struct ZoneState {
    Point starPos;
    Point prevStarPos;
    Point zoneOffset;
    Point prevZoneOffset;
    Rect displayZone;
    Rect zoneRect;
    double displayAspect = kInitialDisplayAspect;
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

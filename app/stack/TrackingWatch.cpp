#include "app/stack/TrackingWatch.h"

#include <algorithm>

namespace velumbra::stack {

bool TrackingWatch::lost(const TrackedFrame& frame)
{
    ++trackedFrames_;
    const int contrast = std::max(0, frame.intensityMax - frame.intensityMin);
    if (referenceContrast_ < 0) referenceContrast_ = contrast;
    const bool faded = 2 * contrast < referenceContrast_;
    const bool isLost = !frame.insideFrame || faded;
    if (isLost) ++lostFrames_;
    return isLost;
}

} // namespace velumbra::stack

#include "aids/PixelSizeMeasure.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace velumbra {
namespace {

constexpr double kArcsecPerRadian = 648000.0 / std::numbers::pi;
constexpr double kSiderealArcsecPerSecond = 15.041017;
constexpr double kMinMeasureSeconds = 2;
constexpr double kPixelSizeMin = 1.0;        // micrometres
constexpr double kPixelSizeMax = 10000000;   // the pixel-size field's top

} // namespace

double measuredPixelSize(double distancePixels, double seconds, double effectiveFocal)
{
    constexpr double oneArcsec = 1.0 / kArcsecPerRadian;
    double angle = oneArcsec;
    if (distancePixels > 0 && seconds >= kMinMeasureSeconds)
        angle = oneArcsec * kSiderealArcsecPerSecond * seconds / distancePixels;
    // Beyond a quarter turn the tangent no longer means a size; the field's
    // top stands for "too large to tell".
    if (!(angle < std::numbers::pi / 2)) return kPixelSizeMax;
    const double size = std::tan(angle) * effectiveFocal * 1000;
    if (!(size >= kPixelSizeMin)) return kPixelSizeMin;
    return std::min(size, kPixelSizeMax);
}

bool PixelSizeStep::begin(const OperationStart& start)
{
    reference_ = start.position;
    view_.setResolution(start.imageWidth, start.imageHeight);
    return true;
}

bool PixelSizeStep::frame(Point starPos, int elapsedMs, bool /*verdict*/)
{
    const double d = std::hypot(double(starPos.x - reference_.x), double(starPos.y - reference_.y));
    view_.setPixelSize(measuredPixelSize(d, elapsedMs * 0.001, view_.effectiveFocal()));
    return true;
}

} // namespace velumbra

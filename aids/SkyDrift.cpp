#include "aids/SkyDrift.h"

#include "core/Angles.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace velumbra {
namespace {

constexpr double kSiderealArcsecPerSecond = 15.041017;
constexpr double kArcsecPerRadian = 648000.0 / std::numbers::pi;

} // namespace

OrientationResult orientationFrom(Point offset, int elapsedMs, double sampling)
{
    OrientationResult r;
    const double a = vectorAngleDegrees(offset.x, offset.y);
    r.TNI_Orient = a;
    // Halves go to the even neighbour, as the slider's rounding does.
    r.SCB_Orient = int(std::nearbyint(a - 0.5));
    const double d = std::hypot(double(offset.x), double(offset.y));
    r.TNI_Vitesse_Etoile = elapsedMs > 0 ? d / (elapsedMs * 0.001) * sampling : 0;
    const double c = std::min(1.0, r.TNI_Vitesse_Etoile / kSiderealArcsecPerSecond);
    const double arcsec = std::acos(c) * kArcsecPerRadian;
    r.declination = arcsec / 3600.0;
    r.EDT_Decl_Etoile = FormatDMS(arcsec);
    return r;
}

bool OrientationStep::begin(const OperationStart& start)
{
    start_ = start.position;
    last_.reset();
    return true;
}

bool OrientationStep::frame(Point starPos, int elapsedMs, bool /*verdict*/)
{
    // A frame within the millisecond of "Executer" has no speed to tell.
    if (elapsedMs <= 0) return true;
    last_ = orientationFrom({starPos.x - start_.x, starPos.y - start_.y}, elapsedMs, view_.sampling());
    view_.showOrientation(*last_);
    return true;
}

void OrientationStep::leave(bool /*byAbort*/, int /*elapsedMs*/)
{
    // Nothing measured (no frame after "Executer"): nothing to report.
    if (last_) view_.orientationMeasured(*last_);
    last_.reset();
}

bool DriftDefinitionStep::begin(const OperationStart& start)
{
    start_ = start.position;
    return true;
}

bool DriftDefinitionStep::frame(Point starPos, int elapsedMs, bool /*verdict*/)
{
    if (elapsedMs <= 0) return true;
    const double t = elapsedMs * 0.001;
    view_.setDriftRate((starPos.x - start_.x) / t, (starPos.y - start_.y) / t);
    return true;
}

void DriftDefinitionStep::leave(bool /*byAbort*/, int elapsedMs)
{
    view_.driftDefined(int(std::nearbyint(elapsedMs * 0.001 - 0.5)));
}

} // namespace velumbra

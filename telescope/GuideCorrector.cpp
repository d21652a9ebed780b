#include "telescope/GuideCorrector.h"
#include "core/Angles.h"
#include "core/Pause.h"
#include "core/Rounding.h"

#include <algorithm>
#include <cmath>

namespace velumbra {
namespace {

// Pixel counts from a real product; a value that is no number (a field
// left in a bad state) counts as no error at all.
int wholePixels(double v, bool roundToNearest)
{
    if (!std::isfinite(v)) return 0;
    v = std::clamp(v, -1e9, 1e9);
    return int(roundToNearest ? roundHalfEven(v) : std::trunc(v));
}

} // namespace

Correction planCorrection(int dx, int dy, const GuideSettings& s, int axisTurn)
{
    Correction c;
    c.dx = dx;
    c.dy = dy;
    const double d = std::hypot(double(dx), double(dy));
    const double a = vectorAngleDegrees(dx, dy);
    c.theta = std::isfinite(s.TNI_Orient) ? reducedDegrees(a - s.TNI_Orient + 360.0) : a;
    const double rad = c.theta * M_PI / 180.0;
    // The two axes round differently: RA to nearest, Dec toward zero.
    c.pxRA = wholePixels(std::fabs(std::cos(rad)) * d - 0.5, true);
    c.pxDec = wholePixels(std::fabs(std::sin(rad)) * d - 0.5, false);
    const double arcRA = s.TNI_Echantillonnage * c.pxRA;
    const double arcDec = s.TNI_Echantillonnage * c.pxDec;
    c.stoppedFirst = s.CKB_Separes;

    const double t = c.theta;
    if (!s.CKB_Separes || axisTurn == 1) {
        AxisCorrection& ra = c.ra;
        ra.handled = true;
        ra.direction = (t > 270 && t < 360) || (t >= 0 && t <= 90) ? West : East;
        ra.pixels = c.pxRA;
        ra.arcsec = arcRA;
        const bool allowed = ra.direction == West ? s.CKB_Correct_Ouest : s.CKB_Correct_Est;
        ra.moved = s.SPED_Neutre < c.pxRA && allowed;
    }
    // A null angle leaves the Dec axis alone.
    if ((!s.CKB_Separes || axisTurn == 2) && t != 0) {
        AxisCorrection& dec = c.dec;
        dec.handled = true;
        dec.direction = t > 0 && t <= 180 ? South : North;
        dec.pixels = c.pxDec;
        dec.arcsec = arcDec;
        const bool allowed = dec.direction == South ? s.CKB_Correct_Sud : s.CKB_Correct_Nord;
        dec.moved = s.SPED_Neutre < c.pxDec && allowed;
    }
    return c;
}

Correction GuideCorrector::guide_correct(int dx, int dy, const GuideSettings& s)
{
    if (s.CKB_Separes) guideAxisTurn_ = guideAxisTurn_ % 2 + 1;
    const Correction c = planCorrection(dx, dy, s, guideAxisTurn_);
    if (s.CKB_Separes) {
        mount_.mount_stop_all();
        pause_.wait(std::clamp(s.SPED_Delai_Separes, 0, 400));
    }
    if (c.ra.handled) apply(c.ra);
    if (c.dec.handled) apply(c.dec);
    return c;
}

void GuideCorrector::apply(const AxisCorrection& a)
{
    if (a.moved) mount_.mount_move(a.direction, false, a.arcsec);
    else mount_.mount_stop(a.direction);
}

} // namespace velumbra

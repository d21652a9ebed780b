#pragma once
#include <QString>

namespace velumbra {

// Degrees, minutes and seconds text of an angle given in arc seconds,
// e.g. "  1° 01' 01.50\"".
QString FormatDMS(double arcSeconds);

// Direction of a pixel vector in degrees, [0, 360), from +x towards +y
// (image y points down); 0 for a zero vector.
double vectorAngleDegrees(double dx, double dy);

// An angle in degrees brought into [0, 360) by whole turns.
double reducedDegrees(double a);

} // namespace velumbra

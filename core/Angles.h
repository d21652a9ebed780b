#pragma once
#include <QString>
#include <optional>

namespace velumbra {

// Degrees, minutes and seconds text of an angle given in arc seconds,
// e.g. "  1° 01' 01.50\"".
QString FormatDMS(double arcSeconds);

// Direction of a pixel vector in degrees, [0, 360), from +x towards +y
// (image y points down); 0 for a zero vector.
double vectorAngleDegrees(double dx, double dy);

// An angle in degrees brought into [0, 360) by whole turns.
double reducedDegrees(double a);

// A typed sexagesimal value: "5:35:17.3", "5h35m17s", "5 35 17", "-5°23'28\"",
// "+22 00", or a decimal "5.588". Parts after the first are 0..59.999; a
// sign only in front. Empty when the text is none of these.
std::optional<double> parseSexagesimal(const QString& text);
// Right ascension in hours, [0, 24); declination in degrees, [-90, 90].
std::optional<double> parseRightAscension(const QString& text);
std::optional<double> parseDeclination(const QString& text);
// "05h35m17s" (hours, whole seconds); "+22°00'52\"" (degrees, whole arc seconds).
QString formatRightAscension(double hours);
QString formatDeclination(double degrees);

} // namespace velumbra

#include "core/Angles.h"

#include <cmath>

namespace velumbra {

QString FormatDMS(double arcSeconds)
{
    const double wholeDegrees = std::trunc(arcSeconds / 3600.0);
    const double wholeMinutes = std::trunc(arcSeconds / 60.0);
    double minutes = wholeMinutes - 60.0 * wholeDegrees;
    double seconds = arcSeconds - 60.0 * wholeMinutes;
    if (wholeDegrees <= -1.0) {
        minutes = std::fabs(minutes);
        seconds = std::fabs(seconds);
    } else if (minutes <= -1.0) {
        seconds = std::fabs(seconds);
    }
    // -0 must not print as "-0"
    const double deg = wholeDegrees == 0.0 ? 0.0 : wholeDegrees;
    if (minutes == 0.0) minutes = 0.0;
    if (seconds == 0.0) seconds = 0.0;
    return QStringLiteral("%1° %2' %3\"")
        .arg(deg, 3, 'f', 0)
        .arg(minutes, 2, 'f', 0)
        .arg(seconds, 2, 'f', 2);
}

double vectorAngleDegrees(double dx, double dy)
{
    if (dx == 0.0 && dy == 0.0) return 0.0;
    double a = std::atan2(dy, dx) * 180.0 / M_PI;
    if (a < 0.0) a += 360.0;
    if (a >= 360.0) a -= 360.0;
    return a;
}

double reducedDegrees(double a)
{
    return a - 360.0 * std::floor(a / 360.0);
}

} // namespace velumbra

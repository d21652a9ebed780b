#include "core/Angles.h"

#include <QRegularExpression>
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

std::optional<double> parseSexagesimal(const QString& text)
{
    static const QRegularExpression form(QStringLiteral(
        "^\\s*([+-])?\\s*(\\d+(?:[.,]\\d+)?)(?:\\s*[:hHd°\\s]\\s*(\\d+(?:[.,]\\d+)?)"
        "(?:\\s*[:mM'\\s]\\s*(\\d+(?:[.,]\\d+)?)\\s*[sS\"]?)?\\s*[mM']?)?\\s*$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch()) return std::nullopt;
    auto number = [&](int i) { return m.captured(i).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(); };
    const double whole = number(2);
    double value = whole;
    if (m.hasCaptured(3) && !m.captured(3).isEmpty()) {
        // A decimal first part takes no minutes after it.
        if (m.captured(2).contains(QLatin1Char('.')) || m.captured(2).contains(QLatin1Char(','))) return std::nullopt;
        const double minutes = number(3);
        if (minutes >= 60) return std::nullopt;
        value += minutes / 60;
        if (m.hasCaptured(4) && !m.captured(4).isEmpty()) {
            if (m.captured(3).contains(QLatin1Char('.')) || m.captured(3).contains(QLatin1Char(','))) return std::nullopt;
            const double seconds = number(4);
            if (seconds >= 60) return std::nullopt;
            value += seconds / 3600;
        }
    }
    return m.captured(1) == QLatin1String("-") ? -value : value;
}

std::optional<double> parseRightAscension(const QString& text)
{
    const std::optional<double> h = parseSexagesimal(text);
    if (!h || *h < 0 || *h >= 24) return std::nullopt;
    return h;
}

std::optional<double> parseDeclination(const QString& text)
{
    const std::optional<double> d = parseSexagesimal(text);
    if (!d || *d < -90 || *d > 90) return std::nullopt;
    return d;
}

namespace {
// Whole seconds of a value in units, as (units, minutes, seconds), rounded once.
void splitSexagesimal(double value, long long& units, int& minutes, int& seconds)
{
    const long long total = std::llround(std::fabs(value) * 3600.0);
    units = total / 3600;
    minutes = int(total / 60 % 60);
    seconds = int(total % 60);
}
} // namespace

QString formatRightAscension(double hours)
{
    long long h = 0;
    int m = 0, s = 0;
    double reduced = std::fmod(hours, 24.0);
    if (reduced < 0) reduced += 24.0;
    splitSexagesimal(reduced, h, m, s);
    if (h >= 24) h -= 24;
    return QStringLiteral("%1h%2m%3s").arg(h, 2, 10, QLatin1Char('0')).arg(m, 2, 10, QLatin1Char('0')).arg(s, 2, 10, QLatin1Char('0'));
}

QString formatDeclination(double degrees)
{
    long long d = 0;
    int m = 0, s = 0;
    splitSexagesimal(degrees, d, m, s);
    const bool negative = degrees < 0 && (d > 0 || m > 0 || s > 0);
    return QStringLiteral("%1%2°%3'%4\"")
        .arg(negative ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(d, 2, 10, QLatin1Char('0'))
        .arg(m, 2, 10, QLatin1Char('0'))
        .arg(s, 2, 10, QLatin1Char('0'));
}

} // namespace velumbra

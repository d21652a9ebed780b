#include "simulator/Lx200Responder.h"
#include "simulator/SkyObjects.h"

#include <QString>
#include <array>
#include <cmath>

namespace velumbra {
namespace {

constexpr char kAck = 0x06;

// Replies to a slew and a sync. A slew answers '0' when it starts; '1' and
// a reason when the target is below the horizon; '2' and a reason when there
// is nothing to slew to.
constexpr char kSlewBelow[] = "1Objet sous l'horizon#";
constexpr char kNoTarget[] = "2Aucun objet choisi#";
constexpr char kSynced[] = " Coordonnees synchronisees #";
constexpr char kProduct[] = "Velumbra LX200#";
constexpr char kFirmware[] = "1.0#";
constexpr char kFirmwareDate[] = "Nov 30 2026#";
constexpr char kFirmwareTime[] = "20:00:00#";
constexpr char kSiteName[] = "Velumbra#";
// The sidereal drive's frequency, in the controller's units.
constexpr char kTrackingFrequency[] = "60.1#";
// A date set answers 1, then the two lines the controller shows while it
// updates its planetary data.
constexpr char kDateSet[] = "1Updating Planetary Data#                                #";

std::optional<MountDirection> directionOf(char c)
{
    switch (c) {
    case 'e': return MountDirection::East;
    case 'w': return MountDirection::West;
    case 'n': return MountDirection::North;
    case 's': return MountDirection::South;
    default: return std::nullopt;
    }
}

QByteArray twoDigits(int v) { return QByteArray::number(v).rightJustified(2, '0'); }

QByteArrayView trimmed(QByteArrayView text)
{
    while (!text.isEmpty() && (text.front() == ' ' || text.front() == '\t')) text = text.sliced(1);
    while (!text.isEmpty() && (text.back() == ' ' || text.back() == '\t')) text.chop(1);
    return text;
}

// Whole digits, 1 to maxDigits of them.
std::optional<int> digits(QByteArrayView text, int maxDigits)
{
    if (text.isEmpty() || text.size() > maxDigits) return std::nullopt;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

// The separators the controllers and planetarium programs put between
// degrees, minutes and seconds: '*', ':', the degree sign of the
// controller's character set (0xDF), an apostrophe.
bool separator(char c) { return c == '*' || c == ':' || c == '\'' || c == char(0xDF); }

// Splits "a<sep>b<sep>c" (c optional); false on anything else.
bool threeFields(QByteArrayView text, QByteArrayView& a, QByteArrayView& b, QByteArrayView& c)
{
    qsizetype first = -1, second = -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!separator(text[i])) continue;
        if (first < 0) first = i;
        else if (second < 0) second = i;
        else return false;
    }
    if (first < 0) return false;
    a = text.first(first);
    b = second < 0 ? text.sliced(first + 1) : text.sliced(first + 1, second - first - 1);
    c = second < 0 ? QByteArrayView() : text.sliced(second + 1);
    return true;
}

// "sD*MM" or "sD*MM:SS", degrees of 1 to degreeDigits digits, the sign
// optional: signed degrees, or nothing.
std::optional<double> parseAngle(QByteArrayView text, int degreeDigits)
{
    text = trimmed(text);
    double sign = 1;
    if (!text.isEmpty() && (text.front() == '+' || text.front() == '-')) {
        sign = text.front() == '-' ? -1 : 1;
        text = text.sliced(1);
    }
    QByteArrayView d, m, s;
    if (!threeFields(text, d, m, s)) return std::nullopt;
    const auto degrees = digits(d, degreeDigits), minutes = digits(m, 2);
    const auto seconds = s.isEmpty() ? std::optional(0) : digits(s, 2);
    if (!degrees || !minutes || !seconds || *minutes > 59 || *seconds > 59) return std::nullopt;
    return sign * (*degrees + *minutes / 60.0 + *seconds / 3600.0);
}

// "sDD*MM" or "sDDD*MM" from degrees, rounded to the minute.
QByteArray formatDegreesMinutes(double degrees, int degreeDigits)
{
    const long total = std::lround(std::abs(degrees) * 60);
    const char sign = degrees < 0 && total > 0 ? '-' : '+';
    return sign + QByteArray::number(total / 60).rightJustified(degreeDigits, '0') + '*' + twoDigits(int(total % 60));
}

// The planets of the star catalogue's numbers 900 to 909, as the hand
// paddle numbers them; only those of the built-in table can be reached.
constexpr std::array<const char*, 10> kPlanetNumbers = {"Sun",     "Mercury", "Venus",   "Moon",    "Mars",
                                                         "Jupiter", "Saturn",  "Uranus", "Neptune", "Pluto"};

std::optional<SkyObject> catalogueObject(char catalogue, int n)
{
    switch (catalogue) {
    case 'M': return SkyObjects::find(QStringLiteral("M %1").arg(n));
    case 'C': return SkyObjects::find(QStringLiteral("NGC %1").arg(n));
    case 'S':
        if (n >= 900 && n <= 909) return SkyObjects::find(QString::fromLatin1(kPlanetNumbers[std::size_t(n - 900)]));
        // The named stars of the table, numbered from 1 in its order.
        for (const SkyObject& o : SkyObjects::all())
            if (o.kind == SkyObjectKind::Star && --n == 0) return o;
        return std::nullopt;
    default: return std::nullopt;
    }
}

} // namespace

Lx200Responder::Lx200Responder(MountModel& mount)
    : mount_(mount), utcOffsetSeconds_(mount.clock().now().offsetFromUtc())
{
}

QDateTime Lx200Responder::localTime() const
{
    return mount_.clock().now().toUTC().addMSecs(shiftMs_).toOffsetFromUtc(utcOffsetSeconds_);
}

QByteArray Lx200Responder::receive(QByteArrayView bytes)
{
    QByteArray reply;
    for (char c : bytes) {
        // Only the set commands carry a ':' (in their coordinates); in any
        // other a ':' starts the next command.
        if (c == ':' && !(inCommand_ && body_.startsWith('S'))) {
            inCommand_ = true;
            body_.clear();
        } else if (!inCommand_) {
            if (c == kAck) reply += 'P';
        } else if (c == '#') {
            inCommand_ = false;
            reply += command(body_);
            body_.clear();
        } else if (body_.size() >= kMaxCommand) {
            inCommand_ = false; // no command is that long: line noise
            body_.clear();
        } else {
            body_ += c;
        }
    }
    return reply;
}

QByteArray Lx200Responder::command(QByteArrayView body)
{
    if (body.isEmpty()) return {};
    switch (body.front()) {
    case 'M':
        if (body == "MS") return slew();
        if (body.startsWith("Mg")) return pulseGuide(body.sliced(2));
        return move(body.sliced(1));
    case 'Q': return stop(body.sliced(1));
    case 'R':
        if (body.size() == 2) {
            const std::optional<MountRate> rate = body[1] == 'G'   ? MountRate::Guide
                                                  : body[1] == 'C' ? MountRate::Centre
                                                  : body[1] == 'M' ? MountRate::Find
                                                  : body[1] == 'S' ? std::optional(MountRate::Slew)
                                                                   : std::nullopt;
            if (rate) mount_.setRate(*rate);
        }
        return {};
    case 'F': return focuser(body.sliced(1));
    case 'G': return query(body.sliced(1));
    case 'S': return set(body.sliced(1));
    case 'L': return select(body.sliced(1));
    case 'C':
        if (body == "CM" || body == "CS") return syncToTarget();
        return {};
    case 'U':
        if (body.size() == 1) long_ = !long_;
        return {};
    case 'D':
        // The slew's progress bar: a bar while the mount slews, none after.
        if (body.size() == 1) return mount_.slewing() ? QByteArray("\x7f#") : QByteArray("#");
        return {};
    default: return {};
    }
}

QByteArray Lx200Responder::move(QByteArrayView direction)
{
    if (direction.size() != 1) return {};
    if (const auto d = directionOf(direction[0])) mount_.startMove(*d);
    return {};
}

QByteArray Lx200Responder::stop(QByteArrayView direction)
{
    if (direction.isEmpty()) mount_.stopAll();
    else if (direction.size() == 1)
        if (const auto d = directionOf(direction[0])) mount_.stopMove(*d);
    return {};
}

QByteArray Lx200Responder::focuser(QByteArrayView body)
{
    if (body.size() != 1) return {};
    switch (body[0]) {
    case 'F': focuserFast_ = true; break;
    case 'S': focuserFast_ = false; break;
    // "+" counts the position up (the program's "OUT"), "-" down ("IN").
    case '+': mount_.focuserMove(FocuserDirection::Out, focuserFast_); break;
    case '-': mount_.focuserMove(FocuserDirection::In, focuserFast_); break;
    case 'Q': mount_.focuserStop(); break;
    default: break;
    }
    return {};
}

QByteArray Lx200Responder::query(QByteArrayView what)
{
    if (what == "R") return formatRa(mount_.currentPointing().raHours, long_) + '#';
    if (what == "D") return formatDec(mount_.currentPointing().decDegrees, long_) + '#';
    if (what == "r") return formatRa(targetRa_.value_or(0), long_) + '#';
    if (what == "d") return formatDec(targetDec_.value_or(0), long_) + '#';
    if (what == "S") return formatRa(mount_.siderealTime(), true) + '#';
    if (what == "t") return formatDegreesMinutes(mount_.settings().latitude, 2) + '#';
    // Longitude the controller's way: degrees west, east negative.
    if (what == "g") return formatDegreesMinutes(-mount_.settings().longitude, 3) + '#';
    if (what == "c") return "24#";
    if (what == "M" || what == "N" || what == "O" || what == "P") return kSiteName;
    if (what == "T") return kTrackingFrequency;
    if (what == "G") {
        // Hours to add to the local time to get UTC, to the tenth.
        const long tenths = std::lround(-utcOffsetSeconds_ / 360.0);
        const QByteArray hours = QByteArray::number(std::abs(tenths) / 10.0, 'f', 1).rightJustified(4, '0');
        return (tenths < 0 ? '-' : '+') + hours + '#';
    }
    if (what == "L") return localTime().time().toString(QStringLiteral("HH:mm:ss")).toLatin1() + '#';
    if (what == "C") return localTime().date().toString(QStringLiteral("MM/dd/yy")).toLatin1() + '#';
    if (what == "VP") return kProduct;
    if (what == "VN") return kFirmware;
    if (what == "VD") return kFirmwareDate;
    if (what == "VT") return kFirmwareTime;
    return {};
}

QByteArray Lx200Responder::set(QByteArrayView body)
{
    if (body.isEmpty()) return {};
    const char which = body[0];
    if (which == 't' || which == 'g') return setSite(which, body.sliced(1));
    if (which == 'L' || which == 'C' || which == 'G') return setTime(which, body.sliced(1));
    if (which != 'r' && which != 'd') return {};
    const QByteArrayView value = body.sliced(1);
    const std::optional<double> parsed = which == 'r' ? parseRa(value) : parseDec(value);
    if (!parsed) return "0";
    (which == 'r' ? targetRa_ : targetDec_) = parsed;
    return "1";
}

// ":St sDD*MM" latitude, ":Sg sDDD*MM" longitude in degrees west (east
// negative, 0..360 west taken too).
QByteArray Lx200Responder::setSite(char which, QByteArrayView value)
{
    const std::optional<double> angle = parseAngle(value, which == 't' ? 2 : 3);
    if (!angle || std::abs(*angle) > (which == 't' ? 90.0 : 360.0)) return "0";
    SimulatedMount site = mount_.settings();
    if (which == 't') {
        site.latitude = *angle;
    } else {
        double east = std::fmod(-*angle, 360.0);
        if (east <= -180) east += 360;
        if (east > 180) east -= 360;
        site.longitude = east;
    }
    mount_.setSettings(site);
    return "1";
}

// ":SL HH:MM:SS" local time, ":SC MM/DD/YY" local date, ":SG sHH.H" the
// hours to add to the local time to get UTC. Each keeps the others as the
// controller shows them: a new offset keeps the local time and moves UTC.
QByteArray Lx200Responder::setTime(char which, QByteArrayView value)
{
    value = trimmed(value);
    const QDateTime local = localTime();
    if (which == 'G') {
        double sign = 1;
        if (!value.isEmpty() && (value.front() == '+' || value.front() == '-')) {
            sign = value.front() == '-' ? -1 : 1;
            value = value.sliced(1);
        }
        const qsizetype point = value.indexOf('.');
        const auto whole = digits(point < 0 ? value : value.first(point), 2);
        const auto tenth = point < 0 ? std::optional(0) : digits(value.sliced(point + 1), 1);
        if (!whole || !tenth || *whole * 10 + *tenth > 240) return "0";
        const int offset = -int(std::lround(sign * (*whole * 3600 + *tenth * 360)));
        shiftMs_ += qint64(utcOffsetSeconds_ - offset) * 1000;
        utcOffsetSeconds_ = offset;
        return "1";
    }
    QDateTime wanted;
    if (which == 'L') {
        QByteArrayView h, m, s;
        if (!threeFields(value, h, m, s)) return "0";
        const auto hours = digits(h, 2), minutes = digits(m, 2), seconds = s.isEmpty() ? std::optional(0) : digits(s, 2);
        if (!hours || !minutes || !seconds || *hours > 23 || *minutes > 59 || *seconds > 59) return "0";
        wanted = QDateTime(local.date(), QTime(*hours, *minutes, *seconds), Qt::OffsetFromUTC, utcOffsetSeconds_);
    } else {
        const qsizetype first = value.indexOf('/'), second = first < 0 ? -1 : value.sliced(first + 1).indexOf('/');
        if (second < 0) return "0";
        const auto month = digits(value.first(first), 2), day = digits(value.sliced(first + 1, second), 2),
                   year = digits(value.sliced(first + second + 2), 2);
        if (!month || !day || !year) return "0";
        // Two-digit years: 51..99 in the last century, as planetarium programs read them.
        const QDate date(*year > 50 ? 1900 + *year : 2000 + *year, *month, *day);
        if (!date.isValid()) return "0";
        wanted = QDateTime(date, local.time(), Qt::OffsetFromUTC, utcOffsetSeconds_);
    }
    shiftMs_ += local.msecsTo(wanted);
    return which == 'C' ? QByteArray(kDateSet) : QByteArray("1");
}

QByteArray Lx200Responder::select(QByteArrayView body)
{
    // "LM 31", "LC 7000", "LS 905": the number with or without a blank
    // before it. An object the table lacks leaves nothing to slew to.
    targetRa_.reset();
    targetDec_.reset();
    if (body.isEmpty()) return {};
    const std::optional<int> n = digits(trimmed(body.sliced(1)), 5);
    if (!n) return {};
    if (const std::optional<SkyObject> o = catalogueObject(body[0], *n)) {
        targetRa_ = o->raHours;
        targetDec_ = o->decDegrees;
    }
    return {};
}

QByteArray Lx200Responder::slew()
{
    if (!targetRa_ || !targetDec_) return kNoTarget;
    if (mount_.slewTo({*targetRa_, *targetDec_}) == SlewResult::BelowHorizon) return kSlewBelow;
    return "0";
}

QByteArray Lx200Responder::syncToTarget()
{
    if (!targetRa_ || !targetDec_) return kNoTarget;
    mount_.sync({*targetRa_, *targetDec_});
    return kSynced;
}

QByteArray Lx200Responder::pulseGuide(QByteArrayView body)
{
    // "Mgn0500": a direction, then the length in milliseconds.
    if (body.size() < 2) return {};
    const auto d = directionOf(body[0]);
    const std::optional<int> ms = digits(body.sliced(1), 5);
    if (d && ms) mount_.pulse(*d, *ms);
    return {};
}

QByteArray Lx200Responder::formatRa(double hours, bool longFormat)
{
    if (!std::isfinite(hours)) hours = 0;
    hours = std::fmod(hours, 24.0);
    if (hours < 0) hours += 24.0;
    if (longFormat) {
        const long total = std::lround(hours * 3600) % 86400;
        return twoDigits(int(total / 3600)) + ':' + twoDigits(int(total / 60 % 60)) + ':' + twoDigits(int(total % 60));
    }
    const long tenths = std::lround(hours * 600) % 14400; // tenths of a minute
    return twoDigits(int(tenths / 600)) + ':' + twoDigits(int(tenths / 10 % 60)) + '.' +
           QByteArray::number(int(tenths % 10));
}

QByteArray Lx200Responder::formatDec(double degrees, bool longFormat)
{
    if (!std::isfinite(degrees)) degrees = 0;
    degrees = std::clamp(degrees, -90.0, 90.0);
    // The sign of what is shown: a place a hair south of the equator reads +00.
    if (longFormat) {
        const long total = std::lround(std::abs(degrees) * 3600);
        const char sign = degrees < 0 && total > 0 ? '-' : '+';
        return sign + twoDigits(int(total / 3600)) + '*' + twoDigits(int(total / 60 % 60)) + ':' +
               twoDigits(int(total % 60));
    }
    const long total = std::lround(std::abs(degrees) * 60);
    const char sign = degrees < 0 && total > 0 ? '-' : '+';
    return sign + twoDigits(int(total / 60)) + '*' + twoDigits(int(total % 60));
}

std::optional<double> Lx200Responder::parseRa(QByteArrayView text)
{
    // "HH:MM:SS" or the short "HH:MM.T".
    QByteArrayView h, m, s;
    if (!threeFields(trimmed(text), h, m, s)) return std::nullopt;
    const std::optional<int> hours = digits(h, 2);
    if (!hours || *hours > 23) return std::nullopt;
    double minutes = 0;
    if (s.isEmpty() && m.size() == 4 && m[2] == '.') {
        const auto whole = digits(m.first(2), 2), tenth = digits(m.sliced(3), 1);
        if (!whole || !tenth) return std::nullopt;
        minutes = *whole + *tenth / 10.0;
    } else {
        const auto whole = digits(m, 2);
        const auto seconds = s.isEmpty() ? std::optional(0) : digits(s, 2);
        if (!whole || !seconds || *seconds > 59) return std::nullopt;
        minutes = *whole + *seconds / 60.0;
    }
    if (minutes >= 60) return std::nullopt;
    return *hours + minutes / 60.0;
}

std::optional<double> Lx200Responder::parseDec(QByteArrayView text)
{
    // "sDD*MM:SS" or the short "sDD*MM"; the sign may be left out.
    const std::optional<double> value = parseAngle(text, 2);
    if (!value || std::abs(*value) > 90) return std::nullopt;
    return value;
}

} // namespace velumbra

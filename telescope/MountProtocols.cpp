#include "telescope/MountProtocols.h"
#include "telescope/ComIo.h"

#include <algorithm>
#include <cmath>

namespace velumbra {

MoveDirection swapped(MoveDirection d, const MountSettings& s)
{
    const bool invert = axisOf(d) == Axis::RA ? s.CKB_InverseAD : s.CKB_InverseDEC;
    return invert ? opposite(d) : d;
}

QString directionName(MoveDirection d)
{
    switch (d) {
    case East: return QStringLiteral("Est");
    case West: return QStringLiteral("Ouest");
    case North: return QStringLiteral("Nord");
    case South: return QStringLiteral("Sud");
    }
    return {};
}

namespace {

double speedOf(const MountSettings& s, MoveDirection d)
{
    switch (d) {
    case East: return s.TNI_Vitesse_Est;
    case West: return s.TNI_Vitesse_Ouest;
    case North: return s.TNI_Vitesse_Nord;
    case South: return s.TNI_Vitesse_Sud;
    }
    return 0;
}

// Truncation toward zero into 0..65535; a value that is not a number gives 0.
int clampedMs(double ms)
{
    if (!(ms > 0)) return 0;
    return ms >= kMaxMoveMs ? kMaxMoveMs : int(ms);
}

} // namespace

int moveDurationMs(const MountSettings& s, MoveDirection d, bool inMs, double amount)
{
    int ms = 0;
    if (inMs) {
        ms = clampedMs(amount);
    } else {
        const double speed = std::max(speedOf(s, d), 0.1);
        ms = clampedMs(std::trunc(amount / speed * 1000));
    }
    if (s.RDB_Temps_Inertie)
        ms = std::max(0, ms - clampedMs(s.TNI_Tps_Inertie));
    else if (s.RDB_Pourcent_Inertie)
        ms = clampedMs(std::trunc((100 - std::clamp(s.SPED_Pourcent_Inertie, 0, 100)) * 0.01 * ms));
    return ms;
}

namespace lx200 {

namespace {
const char kDirectionLetter[] = {'e', 'w', 'n', 's'};
}

QByteArray move(MoveDirection d) { return QByteArray("#:M") + kDirectionLetter[d] + '#'; }
QByteArray stop(MoveDirection d) { return QByteArray("#:Q") + kDirectionLetter[d] + '#'; }
QByteArray stopAll() { return "#:Q#"; }
QByteArray rate(int index)
{
    static const char letters[] = {'G', 'C', 'M', 'S'};
    if (index < 0 || index > 3) return {};
    return QByteArray("#:R") + letters[index] + '#';
}
QByteArray focuserSpeed(bool fast) { return fast ? "#:FF#" : "#:FS#"; }
QByteArray focuserMove(int direction) { return direction == 0 ? "#:F-#" : "#:F+#"; }
QByteArray focuserStop() { return "#:FQ#"; }

} // namespace lx200

quint8 tolvirByte(int durationMs, MoveDirection d)
{
    static const int code[] = {1, 0, 2, 3}; // East, West, North, South on the box
    const int steps = std::min(63, std::max(0, durationMs) / 15);
    return quint8(steps * 4 + code[d]);
}

VarnekLine varnekLine(const MountSettings& s, MoveDirection d)
{
    int pin = 2, active = 1;
    switch (d) {
    case East: pin = s.TNI_Bit_Est, active = s.TNI_Est_ActiveValue; break;
    case West: pin = s.TNI_Bit_Ouest, active = s.TNI_Ouest_ActiveValue; break;
    case North: pin = s.TNI_Bit_Nord, active = s.TNI_Nord_ActiveValue; break;
    case South: pin = s.TNI_Bit_Sud, active = s.TNI_Sud_ActiveValue; break;
    }
    // Pins 2..9 are the data lines D0..D7.
    return {std::clamp(pin, 2, 9) - 2, std::clamp(active, 0, 1)};
}

quint8 varnekGo(quint8 shadow, VarnekLine line) { return quint8(shadow | (line.active << line.bit)); }
quint8 varnekStop(quint8 shadow, VarnekLine line) { return quint8(shadow & ~((line.active & 1) << line.bit)); }

quint8 focuserControlStart(quint8 control, int direction, int active)
{
    const int bit = direction == 0 ? 1 : 2;
    return active == 1 ? quint8(control & ~bit) : control;
}

quint8 focuserControlStop(quint8 control, int direction, int active)
{
    const int value = std::clamp(active, 0, 1) * (direction == 0 ? 1 : 2);
    return quint8(control | value);
}

quint16 varnekAddress(const MountSettings& s) { return hex_to_int(s.CBX_AG_PortParallele.left(4)); }

std::vector<LineStep> dremlaCode(bool stop, MoveDirection d)
{
    std::vector<LineStep> steps{{LineStep::Latch, false}};
    for (int i = 0; i < 8; ++i) {
        steps.push_back({LineStep::Data, false});
        steps.push_back({LineStep::Clock, false});
        steps.push_back({LineStep::Clock, true});
    }
    if (!stop) {
        // A one, then as many zeros as the direction's place: West, East, North, South.
        static const int zeros[] = {1, 0, 2, 3};
        for (int i = 0; i <= zeros[d]; ++i) {
            steps.push_back({LineStep::Clock, false});
            steps.push_back({LineStep::Data, i == 0});
            steps.push_back({LineStep::Clock, true});
        }
    }
    steps.push_back({LineStep::Clock, false});
    steps.push_back({LineStep::Latch, true});
    return steps;
}

QString binaryDigits(quint8 value) { return QStringLiteral("%1").arg(value, 8, 2, QLatin1Char('0')); }

} // namespace velumbra

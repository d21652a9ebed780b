#pragma once
#include "telescope/MountSettings.h"

#include <QByteArray>
#include <vector>

namespace velumbra {

enum class Axis { RA, Dec };
inline Axis axisOf(MoveDirection d) { return d == East || d == West ? Axis::RA : Axis::Dec; }
inline MoveDirection opposite(MoveDirection d) { return MoveDirection(int(d) ^ 1); }
// The direction the mount is told after the axis inversions of the settings.
MoveDirection swapped(MoveDirection d, const MountSettings& s);
QString directionName(MoveDirection d); // "Est", "Ouest", "Nord", "Sud"

// The longest pulse a timer or a serial-box byte carries. Longer moves are
// clamped, never wrapped round to a short pulse.
inline constexpr int kMaxMoveMs = 65535;

// Milliseconds of a move: the amount itself when it is in milliseconds, else
// arcseconds over the direction's speed (at least 0.1 arcsec/s); then less
// the inertia time or percentage; 0..65535. Not meaningful for CONTINUOUS_MOVE.
int moveDurationMs(const MountSettings& s, MoveDirection d, bool inMs, double amount);

// LX200 commands, before the CR/LF of the settings.
namespace lx200 {
QByteArray move(MoveDirection d);      // "#:Me#" ...
QByteArray stop(MoveDirection d);      // "#:Qe#" ...
QByteArray stopAll();                  // "#:Q#"
QByteArray rate(int index);            // "#:RG#", "#:RC#", "#:RM#", "#:RS#"; empty out of range
QByteArray focuserSpeed(bool fast);    // "#:FF#" / "#:FS#"
QByteArray focuserMove(int direction); // 0 "IN" "#:F-#", 1 "OUT" "#:F+#"
QByteArray focuserStop();              // "#:FQ#"
} // namespace lx200

// The serial box: one byte per pulse, the length in 15 ms steps (at most 63)
// in bits 7..2, the direction in bits 1..0 (0 West, 1 East, 2 North, 3 South).
quint8 tolvirByte(int durationMs, MoveDirection d);
inline constexpr int kTolvirChunkMs = 945;

// The parallel box: one data line per direction; the focuser on control
// register bits 0 (pin 1, "IN") and 1 (pin 14, "OUT"), which the port
// hardware inverts.
struct VarnekLine {
    int bit;    // data bit, pin - 2
    int active; // 0 or 1
};
VarnekLine varnekLine(const MountSettings& s, MoveDirection d);
quint8 varnekGo(quint8 shadow, VarnekLine line);
quint8 varnekStop(quint8 shadow, VarnekLine line);
quint8 focuserControlStart(quint8 control, int direction, int active);
quint8 focuserControlStop(quint8 control, int direction, int active);
quint16 varnekAddress(const MountSettings& s);

// The clocked box: a code clocked out on DTR (data) and RTS (clock), framed
// by the break condition (latch).
struct LineStep {
    enum Line { Data, Clock, Latch } line;
    bool on;
    bool operator==(const LineStep&) const = default;
};
// The stop code when stop is true, else the code of d.
std::vector<LineStep> dremlaCode(bool stop, MoveDirection d = East);

// Text of a byte as eight binary digits, most significant first.
QString binaryDigits(quint8 value);

} // namespace velumbra

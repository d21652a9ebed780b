#pragma once
#include "simulator/MountModel.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <optional>

namespace velumbra {

// The hand controller of the simulated mount: LX200 commands in, replies
// out, bytes only. It answers what this program sends (moves, stops, rates,
// focuser, the position query, object selection and the slew) and what
// planetarium programs send (targets by coordinates, slew, sync, pulse
// guiding, product name and firmware, sidereal time, the slew's progress
// bar, and on connecting the time format, site name, tracking frequency,
// site, local time, date and UTC offset, which they may also set).
//
// The site is the mount's own (MountModel's latitude and longitude), so a
// site set here moves the sky's sidereal time and horizon with it. The
// controller's clock starts at the simulator's clock and zone; a time,
// date or UTC offset set here shifts the controller's clock only, as on a
// hand controller, while the sky keeps the simulator's clock.
//
// A command runs from ':' to '#'. Everything outside a command (the '#' this
// program puts in front, carriage returns, line feeds, line noise) is
// skipped, except the ACK byte (0x06), answered with the mount's alignment
// ('P', polar). A ':' inside a command starts a new one, as a controller
// does after a cut-off transmission, except in the set commands, whose
// coordinates hold colons; a command longer than any real one is dropped. Unknown commands get no reply, as on the real controller.
class Lx200Responder {
public:
    explicit Lx200Responder(MountModel& mount);

    // Takes bytes as they arrive, in any split; returns the reply bytes.
    QByteArray receive(QByteArrayView bytes);

    // Position format: long (HH:MM:SS and sDD*MM:SS) at start; ":U#" toggles
    // the short one (HH:MM.T and sDD*MM).
    bool longFormat() const { return long_; }

    // The longest command body kept (":Sd -89*59:59#" is 12).
    static constexpr qsizetype kMaxCommand = 32;

    // The position texts, without the closing '#'.
    static QByteArray formatRa(double hours, bool longFormat);
    static QByteArray formatDec(double degrees, bool longFormat);
    // Parses what ":Sr" and ":Sd" carry; nothing when out of range or no number.
    static std::optional<double> parseRa(QByteArrayView text);
    static std::optional<double> parseDec(QByteArrayView text);

    // The controller's local time: the simulator's clock, shifted by what
    // was set, at the controller's UTC offset.
    QDateTime localTime() const;

private:
    QByteArray command(QByteArrayView body);
    QByteArray move(QByteArrayView body);
    QByteArray stop(QByteArrayView body);
    QByteArray focuser(QByteArrayView body);
    QByteArray query(QByteArrayView body);
    QByteArray set(QByteArrayView body);
    QByteArray setSite(char which, QByteArrayView value);
    QByteArray setTime(char which, QByteArrayView value);
    QByteArray select(QByteArrayView body);
    QByteArray slew();
    QByteArray syncToTarget();
    QByteArray pulseGuide(QByteArrayView body);

    MountModel& mount_;
    QByteArray body_;
    bool inCommand_ = false;
    bool long_ = true;
    bool focuserFast_ = false;
    // The target of the next slew or sync: set by coordinates (":Sr", ":Sd")
    // or by an object of the catalogues (":L").
    std::optional<double> targetRa_, targetDec_;
    // The controller's clock: its UTC offset (east positive, seconds) and
    // how far the time set is from the simulator's clock.
    int utcOffsetSeconds_ = 0;
    qint64 shiftMs_ = 0;
};

} // namespace velumbra

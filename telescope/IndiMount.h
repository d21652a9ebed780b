#pragma once
#include "telescope/MountRequests.h"
#include "telescope/MountTimer.h"

#include <QObject>
#include <QString>
#include <array>
#include <memory>
#include <optional>

namespace velumbra {

class IndiClient;
class SteadyClock;
struct IndiProperty;

// An INDI mount behind the mount requests: continuous moves
// (TELESCOPE_MOTION_NS/WE at the paddle's TELESCOPE_SLEW_RATE), timed guide
// pulses (TELESCOPE_TIMED_GUIDE_NS/WE where the mount has them, else a move
// at the guide rate stopped by the axis timer), GOTO and the position
// (EQUATORIAL_EOD_COORD with ON_COORD_SET), sync and abort.
//
// As with the serial mount: every timed move ends at its deadline (each
// request first ends the moves whose time is up, and the axis timer ends
// it otherwise); closing stops first; a lost server counts every move as
// stopped (the client says it once).
class IndiMount final : public QObject, public MountRequests {
    Q_OBJECT
public:
    IndiMount(IndiClient& client, QString device, MountSettings& settings,
              std::array<std::unique_ptr<MountTimer>, 2> timers, const SteadyClock& clock);
    ~IndiMount() override;

    // Connects the device (waiting at most a few seconds), stops it, and
    // sends the paddle's rate. False with lastError() otherwise.
    bool connect();
    void disconnect();
    bool linkUp() const { return linkUp_; }
    QString lastError() const { return error_; }

    void mount_move(MoveDirection d, bool inMs, double amount) override;
    void mount_stop(MoveDirection d) override;
    void mount_stop_all() override;
    Pulse lastPulse(Axis axis) const override { return pulses_[int(axis)]; }
    bool moving(MoveDirection d) const { return moving_[d]; }
    // A timed move under way on the axis (a guide pulse or a timed motion).
    bool timedMoveUnderWay(Axis axis) const { return deadline_[int(axis)] != 0; }

    // The paddle's rate, 0 guide .. 3 slew: the element of that rank in TELESCOPE_SLEW_RATE.
    void set_rate(int index);
    // RA in hours, Dec in degrees (JNow).
    bool goTo(double raHours, double decDegrees);
    bool sync(double raHours, double decDegrees);
    void abort();
    struct Position {
        double raHours = 0;
        double decDegrees = 0;
        bool slewing = false;
    };
    std::optional<Position> position() const;
    bool hasTimedGuide() const;

    void axisTimer(Axis axis);

private:
    void onServerLost();
    void endOverdueMoves();
    void endTimedMove(Axis axis);
    bool setMotion(Axis axis, std::optional<MoveDirection> d);
    bool guideProperty(Axis axis) const;

    IndiClient& client_;
    QString device_;
    MountSettings& settings_;
    std::array<std::unique_ptr<MountTimer>, 2> timers_;
    const SteadyClock& clock_;
    bool linkUp_ = false;
    std::array<bool, 4> moving_{};
    std::array<bool, 2> timedMotion_{}; // a timed move made with motion (no timed guide)
    std::array<qint64, 2> deadline_{};  // 0: no timed move
    std::array<Pulse, 2> pulses_{};
    QString error_;
};

} // namespace velumbra

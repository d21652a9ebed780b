#pragma once
// A mount that records the requests autoguiding makes of it, and a pause
// that records its waits in the same list, so a test reads the calls in
// the order they were made.
#include "core/Pause.h"
#include "telescope/MountRequests.h"

#include <QString>
#include <QStringList>
#include <cmath>

namespace velumbra::test {

struct RecordingMount final : MountRequests {
    QStringList calls;
    // Directions whose move is under way, so a new one is not sent (as the
    // LX200 mount does).
    bool busy[4] = {};
    Pulse pulses[2];
    // Pulse length the recording mount gives an amount: 200 ms per arc second.
    static int msOf(double arcsec) { return int(std::lround(arcsec * 200)); }

    void mount_move(MoveDirection d, bool inMs, double amount) override
    {
        calls << QStringLiteral("move %1 %2%3").arg(directionName(d)).arg(amount).arg(inMs ? " ms" : "");
        if (busy[d]) return;
        Pulse& p = pulses[int(axisOf(d))];
        p = {p.count + 1, d, inMs ? int(amount) : msOf(amount)};
    }
    void mount_stop(MoveDirection d) override { calls << QStringLiteral("stop %1").arg(directionName(d)); }
    void mount_stop_all() override { calls << QStringLiteral("stop all"); }
    Pulse lastPulse(Axis a) const override { return pulses[int(a)]; }
};

struct RecordingPause final : Pause {
    explicit RecordingPause(QStringList& calls) : calls_(calls) {}

protected:
    void run(int ms) override { calls_ << QStringLiteral("pause %1").arg(ms); }

private:
    QStringList& calls_;
};

} // namespace velumbra::test

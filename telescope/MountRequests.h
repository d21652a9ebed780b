#pragma once
#include "telescope/MountProtocols.h"
#include "telescope/MountSettings.h"

#include <QtGlobal>

namespace velumbra {

// The requests autoguiding and the guiding calibration make of the mount:
// the program's Mount, or a recording one in the tests.
class MountRequests {
public:
    virtual ~MountRequests() = default;
    virtual void mount_move(MoveDirection d, bool inMs, double amount) = 0;
    virtual void mount_stop(MoveDirection d) = 0;
    virtual void mount_stop_all() = 0;

    // The last timed move that went out on an axis: `count` grows by one
    // with each, so a caller sees whether its request sent a pulse (a move
    // already under way in that direction is not sent again) and how long.
    struct Pulse {
        quint64 count = 0;
        MoveDirection direction = East; // as sent, after the inversions
        int ms = 0;
    };
    virtual Pulse lastPulse(Axis axis) const = 0;
};

} // namespace velumbra

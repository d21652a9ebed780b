#pragma once
#include "simulator/MountModel.h"

#include <QByteArrayView>

namespace velumbra {

// The serial guide box at the mount's guide port: each byte it receives
// closes one relay for a time, at the mount's guide rate. Bits 7 to 2 hold
// the time in steps of 15 ms (0 to 945 ms), bits 1 and 0 the relay: 0 West,
// 1 East, 2 North, 3 South. A byte for an axis whose relay is still closed
// ends that pulse and starts the new one, so the bytes of a continuous move,
// sent before the last pulse runs out, keep the mount moving.
class SerialGuideBox {
public:
    explicit SerialGuideBox(MountModel& mount) : mount_(mount) {}

    void receive(QByteArrayView bytes);

    struct Pulse {
        MountDirection direction;
        int ms;
    };
    static Pulse decode(quint8 byte);

private:
    MountModel& mount_;
};

} // namespace velumbra

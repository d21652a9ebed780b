#pragma once
#include "simulator/MountModel.h"

#include <QtGlobal>

namespace velumbra {

// The clocked guide box on a serial port's control lines: DTR carries the
// data, RTS the clock, the break condition the latch. Each rising clock
// edge shifts the data level into an eight-bit register; each rising latch
// edge copies the register to the four relay outputs: bit 0 West, bit 1
// East, bit 2 North, bit 3 South. A code of eight zeros and then a one
// followed by as many zeros as the relay's place selects that relay alone;
// eight zeros alone open them all. A closed relay moves the mount at its
// guide rate until the outputs change.
class ClockedBox {
public:
    explicit ClockedBox(MountModel& mount) : mount_(mount) {}

    // The UART registers as written: modem control (bit 0 DTR, bit 1 RTS)
    // and line control (bit 6 break).
    void writeModemControl(quint8 value);
    void writeLineControl(quint8 value);

    quint8 outputs() const { return outputs_; }

private:
    void lines(bool data, bool clock, bool latch);

    MountModel& mount_;
    bool data_ = false, clock_ = false, latch_ = false;
    quint8 shift_ = 0;
    quint8 outputs_ = 0;
};

} // namespace velumbra

#pragma once
#include "simulator/SkySimulator.h"

#include <QtGlobal>

namespace velumbra {

// Which connector pins the parallel box and the long-exposure camera are
// wired to: data pins 2 to 9 (data register bits 0 to 7). The defaults are
// the program's own.
struct ParallelWiring {
    int east = 6, west = 7, north = 8, south = 9;
    int oddLines = 2, evenLines = 3, amplifier = 4, longExposure = 5;
};

// What hangs on the simulated parallel port: the guide box, whose data
// lines each close a relay while they are high (the mount moves at its
// guide rate); the focuser box on control pins 1 (in) and 14 (out), whose
// register bits the port inverts, so a cleared bit is a high pin; and the
// modified camera, whose sets of sensor lines integrate while their line
// and the long-exposure mode line are low and are read out into the next
// frame when they rise. The amplifier line changes nothing in the
// simulated sensor (it has no amplifier glow). The box sees only the
// register bytes.
class ParallelBox {
public:
    explicit ParallelBox(SkySimulator& sky, ParallelWiring wiring = {}) : sky_(sky), wiring_(wiring) {}

    void writeData(quint8 value);
    void writeControl(quint8 value);

    const ParallelWiring& wiring() const { return wiring_; }
    // The levels of data pins 2 (bit 0) to 9 (bit 7), as a meter on the
    // connector would show them.
    quint8 dataPins() const { return data_; }

    // The cable pulled out: the relays open, the camera's lines go back to
    // rest (its pull-ups), the focuser stops; the port's writes fail until
    // it is plugged in again.
    void unplug();
    void plugIn() { plugged_ = true; }
    bool plugged() const { return plugged_; }

private:
    bool high(int pin) const;

    SkySimulator& sky_;
    ParallelWiring wiring_;
    // Before the first write nothing moves and nothing integrates.
    quint8 data_ = 0;
    std::array<bool, 4> moving_{};
    std::array<bool, 2> integrating_{};
    int focuser_ = 0; // -1 in, +1 out, 0 still
    bool plugged_ = true;
};

} // namespace velumbra

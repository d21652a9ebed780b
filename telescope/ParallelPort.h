#pragma once
#include "core/SteadyClock.h"

#include <QString>
#include <memory>
#include <vector>

namespace velumbra {

// One parallel port's output registers. Every call returns 0 or the system
// error number.
class ParallelPort {
public:
    virtual ~ParallelPort() = default;
    virtual int writeData(quint8 value) = 0;
    virtual int writeControl(quint8 value) = 0;
};

// Opens the Nth parallel port of the system (0 for LPT1).
class ParallelPorts {
public:
    virtual ~ParallelPorts() = default;
    virtual std::unique_ptr<ParallelPort> open(int index, int& error) = 0;
    virtual QString deviceName(int index) const = 0;
};

// Linux: /dev/parportN through ppdev, claimed at open (PPCLAIM), data written
// with PPWDATA, control with PPWCONTROL, released at close.
class PpdevPorts final : public ParallelPorts {
public:
    std::unique_ptr<ParallelPort> open(int index, int& error) override;
    QString deviceName(int index) const override;
};

// Ports in memory recording every register write, for the tests and the
// simulator.
class SimulatedPorts final : public ParallelPorts {
public:
    enum class Register { Data, Control };
    struct Write {
        int port;
        Register reg;
        quint8 value;
        qint64 atMs; // on the clock below, 0 without one
    };
    std::unique_ptr<ParallelPort> open(int index, int& error) override;
    QString deviceName(int index) const override;

    std::vector<Write> writes;
    int openError = 0;  // an open fails with it when set (no port, no rights)
    int writeError = 0; // every write fails with it when set
    int opened = 0;
    const SteadyClock* clock = nullptr;
};

} // namespace velumbra

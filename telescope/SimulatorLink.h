#pragma once
#include "telescope/ComIo.h"
#include "telescope/ModemLines.h"
#include "telescope/ParallelPort.h"

namespace velumbra {

class SimulatorDevices;

// How the serial layer and the port lines reach the simulated observatory:
// the way they reach hardware, through the same interfaces, so the mount
// layer and the long exposures cannot tell.

// Opens the simulator's items of the serial port list (kSimulatorDevice
// paths) as the pseudo-terminals of the attached devices, through the
// system opener like any serial device; the boxes' port also carries the
// clocked box on its control lines, which a pseudo-terminal lacks. Other
// paths go to the system opener unchanged. Without devices attached the
// simulator's items fail to open as a missing device does.
class SimulatorSerialOpener final : public SerialOpener {
public:
    explicit SimulatorSerialOpener(SerialOpener& system) : system_(system) {}
    void attach(SimulatorDevices* devices) { devices_ = devices; }
    std::unique_ptr<SerialDevice> open(const QString& path, int& error) override;

private:
    SerialOpener& system_;
    SimulatorDevices* devices_ = nullptr;
};

// The parallel ports of the system, and where a port has no device (no
// /dev/parportN, as on most machines now) the simulated observatory's
// parallel box and camera lines, when devices are attached.
class SimulatorParallelPorts final : public ParallelPorts {
public:
    explicit SimulatorParallelPorts(ParallelPorts& system) : system_(system) {}
    void attach(SimulatorDevices* devices) { devices_ = devices; }
    std::unique_ptr<ParallelPort> open(int index, int& error) override;
    QString deviceName(int index) const override;

private:
    ParallelPorts& system_;
    SimulatorDevices* devices_ = nullptr;
};

} // namespace velumbra

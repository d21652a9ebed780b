#pragma once
#include "core/Clock.h"
#include "core/Pause.h"
#include "core/SteadyClock.h"
#include "telescope/Autoguider.h"
#include "telescope/ComIo.h"
#include "telescope/IndiMountLink.h"
#include "telescope/Mount.h"
#include "telescope/MountSettings.h"
#include "telescope/OffsetList.h"
#include "telescope/ParallelPort.h"
#include "telescope/PortAccess.h"
#include "telescope/SimulatorLink.h"
#include "telescope/TermiosSerial.h"
#include "telescope/TrafficLog.h"

namespace velumbra {

class IndiClient;
class MessageSink;
class SimulatorDevices;

// The telescope floor as the program runs it: the Linux serial and parallel
// devices, the message-loop timers and waits, the traffic log, the mount
// layer, autoguiding. The moves are stopped and the link closed when it goes.
class Telescope {
public:
    explicit Telescope(MessageSink& messages);
    ~Telescope();
    Telescope(const Telescope&) = delete;
    Telescope& operator=(const Telescope&) = delete;

    // The simulated observatory the simulator's port items reach, and the
    // parallel ports without a device; nullptr detaches it. The devices
    // outlive the telescope or are detached first.
    void attachSimulator(SimulatorDevices* devices);
    // The INDI connection the "INDI" interface uses; it outlives the telescope.
    void attachIndi(IndiClient& client, IndiSettings& indiSettings);

    MountSettings settings;
    TrafficLog traffic;
    SystemSteadyClock clock;
    SystemClock dayClock; // the guide log's times of day
    // The serial reads' waits; the frame sources skip their ticks while
    // pause.pausing().
    EventLoopPause pause;

private:
    MessageSink& messages_;
    TermiosOpener termios_;
    SimulatorSerialOpener opener_{termios_};
    PpdevPorts ppdev_;
    SimulatorParallelPorts parallelPorts_{ppdev_};

public:
    ComIo com;
    PortAccess ports; // writePort for the parallel box and the long exposures
    std::unique_ptr<IndiMountLink> indi;
    Mount mount;
    // Autoguiding over the mount, and the offsets of "Decal.+1".
    Autoguider autoguider;
    OffsetList offsets;
};

} // namespace velumbra

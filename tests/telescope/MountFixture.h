#pragma once
// A mount layer on test time: a manual clock and timers, simulated parallel
// ports and modem lines, and the serial line either a pseudo-terminal or a
// peer in memory.
#include "core/Messages.h"
#include "telescope/ComIo.h"
#include "telescope/Mount.h"
#include "telescope/MountTimer.h"
#include "telescope/ParallelPort.h"
#include "telescope/PortAccess.h"
#include "telescope/SimulatedSerial.h"
#include "telescope/TermiosSerial.h"
#include "telescope/TrafficLog.h"

#include "PtyPair.h"

#include <memory>
#include <vector>

namespace velumbra::test {

struct RecordingView final : MountView {
    struct Move {
        Axis axis;
        QString direction;
        int ms;
    };
    void linkControlsChanged(const LinkControls& c) override { controls.push_back(c); }
    void showAxisMove(Axis a, const QString& d, int ms) override { moves.push_back({a, d, ms}); }
    void showTestValue(const QString& v) override { testValues.push_back(v); }
    std::vector<LinkControls> controls;
    std::vector<Move> moves;
    std::vector<QString> testValues;
};

// Which serial line the fixture's mount talks through.
enum class Wire { Pty, Memory };

struct MountFixture {
    explicit MountFixture(MountInterface choice, Wire wire = Wire::Pty)
        : line(timeline.clock()), memoryOpener(line),
          com(wire == Wire::Pty ? static_cast<SerialOpener&>(termios) : memoryOpener, timeline.pause()),
          ports(parports, traffic, messages, settings),
          mount(settings, MountDevices{com, ports, traffic, messages, timeline.clock(), timeline.make(), timeline.make()})
    {
        settings.interface = choice;
        settings.CBX_AG_PortSerie = wire == Wire::Pty ? pty.path() : QStringLiteral("/dev/simulated");
        settings.serialDevicePath.clear();
        settings.RDB_Pourcent_Inertie = false; // no compensation unless a test asks
        mount.setView(&view);
        parports.clock = &timeline.clock();
        line.modem.clock = &timeline.clock();
    }
    ~MountFixture() { mount.setView(nullptr); }

    ManualTimeline timeline;
    RecordingMessages messages;
    MountSettings settings;
    TrafficLog traffic;
    PtyPair pty;
    TermiosOpener termios;
    SimulatedSerialLine line;
    SimulatedSerialOpener memoryOpener;
    SimulatedPorts parports;
    ComIo com;
    PortAccess ports;
    Mount mount;
    RecordingView view;
};

} // namespace velumbra::test

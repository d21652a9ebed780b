// The simulated guide boxes and camera lines: what a byte, a register write
// or a line level does to the mount and the camera; and the
// pseudo-terminal that carries a device's bytes.
#include "simulator/ClockedBox.h"
#include "simulator/ParallelBox.h"
#include "simulator/PtyPeer.h"
#include "simulator/SerialGuideBox.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

using namespace velumbra;

namespace {

constexpr double kGuide = 0.5 * 15.041; // arc seconds per second

struct Sky {
    ManualClock clock;
    SkySimulator sky{clock, 5};
    Sky() { sky.mount().pointAt({5.0, 30.0}); }
    MountModel& mount() { return sky.mount(); }
    double raArcsec() { return mount().currentPointing().raHours * 15 * 3600; }
    double decArcsec() { return mount().currentPointing().decDegrees * 3600; }
};

} // namespace

TEST(SerialGuideBox, ByteCodes)
{
    struct Case {
        quint8 byte;
        MountDirection direction;
        int ms;
    };
    const Case cases[] = {
        {0x35, MountDirection::East, 195}, {0xFE, MountDirection::North, 945}, {0x00, MountDirection::West, 0},
        {0xFF, MountDirection::South, 945}, {0x07, MountDirection::South, 15}, {0x80, MountDirection::West, 480},
    };
    for (const Case& c : cases) {
        const SerialGuideBox::Pulse p = SerialGuideBox::decode(c.byte);
        EXPECT_EQ(p.direction, c.direction) << int(c.byte);
        EXPECT_EQ(p.ms, c.ms) << int(c.byte);
    }
}

// Each byte a pulse at the guide rate; a byte for a busy axis replaces its
// pulse, so a continuous move's bytes, sent every 0.9 pulse, move without
// a gap and end one pulse after the last byte.
TEST(SerialGuideBox, BytesBecomeTimedPulses)
{
    struct Step {
        int atMs;
        quint8 byte;
    };
    struct Case {
        std::vector<Step> bytes;
        double raSeconds, decSeconds; // time moved at the guide rate, signed
    };
    const Case cases[] = {
        {{{0, 0x35}}, 0.195, 0},
        {{{0, 0xFE}}, 0, 0.945},
        {{{0, 0x34 /* 195 ms West */}}, -0.195, 0},
        {{{0, 0x37 /* 195 ms South */}, {0, 0x35}}, 0.195, -0.195},
        {{{0, 0x35}, {175, 0x35}, {350, 0x35}, {525, 0x35}}, 0.720, 0},
        {{{0, 0xFD /* 945 East */}, {100, 0x34 /* 195 West */}}, 0.100 - 0.195, 0},
    };
    for (const Case& c : cases) {
        Sky s;
        SerialGuideBox box(s.mount());
        const double ra0 = s.raArcsec(), dec0 = s.decArcsec();
        int now = 0;
        for (const Step& step : c.bytes) {
            s.clock.advanceMs(step.atMs - now);
            now = step.atMs;
            const char byte = char(step.byte);
            box.receive(QByteArrayView(&byte, 1));
        }
        s.clock.advanceMs(3000);
        EXPECT_NEAR(s.raArcsec() - ra0, c.raSeconds * kGuide, 1e-3) << int(c.bytes.front().byte);
        EXPECT_NEAR(s.decArcsec() - dec0, c.decSeconds * kGuide, 1e-3) << int(c.bytes.front().byte);
    }
}

namespace {

// Clocks bits into the box as a UART's registers would carry them, one
// line change per write.
struct ClockedWire {
    ClockedBox& box;
    quint8 modem = 0, line = 0;
    void set(quint8& reg, quint8 bit, bool on, bool isModem)
    {
        reg = on ? quint8(reg | bit) : quint8(reg & ~bit);
        if (isModem) box.writeModemControl(reg);
        else box.writeLineControl(reg);
    }
    void code(const std::vector<int>& bits)
    {
        set(line, 0x40, false, false);
        for (int b : bits) {
            set(modem, 0x02, false, true);
            set(modem, 0x01, b != 0, true);
            set(modem, 0x02, true, true);
        }
        set(modem, 0x02, false, true);
        set(line, 0x40, true, false);
    }
};

} // namespace

TEST(ClockedBox, CodesSelectOneRelayAndMoveAtTheGuideRate)
{
    const std::vector<int> zeros(8, 0);
    auto with = [&](std::vector<int> tail) {
        std::vector<int> bits = zeros;
        bits.insert(bits.end(), tail.begin(), tail.end());
        return bits;
    };
    struct Case {
        std::vector<int> bits;
        quint8 outputs;
        double ra, dec; // guide-rate seconds per second of closed relay
    };
    const Case cases[] = {
        {with({1}), 0x01, -1, 0},
        {with({1, 0}), 0x02, 1, 0},
        {with({1, 0, 0}), 0x04, 0, 1},
        {with({1, 0, 0, 0}), 0x08, 0, -1},
        {zeros, 0x00, 0, 0},
        {with({1, 0, 0, 0, 0}), 0x00, 0, 0}, // a relay the box lacks
    };
    for (const Case& c : cases) {
        Sky s;
        ClockedBox box(s.mount());
        ClockedWire wire{box};
        const double ra0 = s.raArcsec(), dec0 = s.decArcsec();
        wire.code(c.bits);
        EXPECT_EQ(box.outputs(), c.outputs);
        s.clock.advanceMs(1000);
        wire.code(zeros); // the stop code
        EXPECT_EQ(box.outputs(), 0);
        s.clock.advanceMs(1000);
        EXPECT_NEAR(s.raArcsec() - ra0, c.ra * kGuide, 1e-3) << int(c.outputs);
        EXPECT_NEAR(s.decArcsec() - dec0, c.dec * kGuide, 1e-3) << int(c.outputs);
    }
}

// Bits shifted in while the latch is held do nothing until it rises; a
// clock edge without a latch changes no relay.
TEST(ClockedBox, OutputsChangeOnlyAtTheLatch)
{
    Sky s;
    ClockedBox box(s.mount());
    ClockedWire wire{box};
    wire.set(wire.line, 0x40, false, false);
    for (int b : {0, 0, 0, 0, 0, 0, 0, 0, 1, 0}) {
        wire.set(wire.modem, 0x02, false, true);
        wire.set(wire.modem, 0x01, b != 0, true);
        wire.set(wire.modem, 0x02, true, true);
    }
    EXPECT_EQ(box.outputs(), 0);
    EXPECT_FALSE(s.mount().moving(MountDirection::East));
    wire.set(wire.line, 0x40, true, false);
    EXPECT_EQ(box.outputs(), 0x02);
    EXPECT_TRUE(s.mount().moving(MountDirection::East));
    wire.set(wire.line, 0x40, true, false); // the latch stays up: no new edge
    EXPECT_TRUE(s.mount().moving(MountDirection::East));
}

// Data lines close the relays while high; the camera's line sets integrate
// while they and the long-exposure mode line are low.
TEST(ParallelBox, DataLinesMoveTheMountAndDriveTheCamera)
{
    struct Case {
        quint8 data;
        bool east, west, north, south, odd, even;
    };
    const Case cases[] = {
        {0x0F, false, false, false, false, false, false}, // idle: camera lines high
        {0x10, true, false, false, false, true, true},     // pin 6; all camera lines low: both sets integrate
        {0x2F, false, true, false, false, false, false},
        {0x4F, false, false, true, false, false, false},
        {0x8F, false, false, false, true, false, false},
        {0x05, false, false, false, false, false, true},   // even set and mode line low
        {0x06, false, false, false, false, true, false},   // odd set and mode line low
        {0x0E, false, false, false, false, false, false},  // odd set low, mode line high: no integration
        {0x07, false, false, false, false, false, false},  // readout: sets high, mode low
        {0x08, false, false, false, false, false, false},  // mode line high: a normal webcam
        {0x50, true, false, true, false, true, true},
    };
    for (const Case& c : cases) {
        Sky s;
        ParallelBox box(s.sky);
        box.writeData(c.data);
        EXPECT_EQ(s.mount().moving(MountDirection::East), c.east) << int(c.data);
        EXPECT_EQ(s.mount().moving(MountDirection::West), c.west) << int(c.data);
        EXPECT_EQ(s.mount().moving(MountDirection::North), c.north) << int(c.data);
        EXPECT_EQ(s.mount().moving(MountDirection::South), c.south) << int(c.data);
        EXPECT_EQ(s.sky.integrating(LineSet::Odd), c.odd) << int(c.data);
        EXPECT_EQ(s.sky.integrating(LineSet::Even), c.even) << int(c.data);
    }
}

TEST(ParallelBox, RelayMovesAtTheGuideRateWhileTheLineIsHigh)
{
    Sky s;
    ParallelBox box(s.sky, ParallelWiring{.east = 2, .west = 3, .north = 4, .south = 5, .oddLines = 6,
                                          .evenLines = 7, .amplifier = 8, .longExposure = 9});
    const double ra0 = s.raArcsec(), dec0 = s.decArcsec();
    box.writeData(0x80 | 0x01); // rewired: pin 2 East; pin 9 (mode) high
    s.clock.advanceMs(1500);
    box.writeData(0x80 | 0x04); // East off, North on
    s.clock.advanceMs(500);
    box.writeData(0x80);
    s.clock.advanceMs(2000);
    EXPECT_NEAR(s.raArcsec() - ra0, 1.5 * kGuide, 1e-3);
    EXPECT_NEAR(s.decArcsec() - dec0, 0.5 * kGuide, 1e-3);
    EXPECT_FALSE(s.sky.integrating(LineSet::Odd));
}

// The port inverts control pins 1 and 14: a cleared bit is a high pin.
TEST(ParallelBox, FocuserOnTheControlLines)
{
    struct Case {
        quint8 control;
        double steps; // in one second at the slow speed (20 steps/s)
    };
    const Case cases[] = {{0x0B, 0}, {0x0A, -20}, {0x09, 20}, {0x08, 0}, {0xFE, -20}, {0xFD, 20}};
    for (const Case& c : cases) {
        Sky s;
        ParallelBox box(s.sky);
        box.writeControl(0x0B); // both pins low
        const double before = s.mount().focuserPosition();
        box.writeControl(c.control);
        s.clock.advanceMs(1000);
        box.writeControl(0x0B);
        s.clock.advanceMs(1000);
        EXPECT_NEAR(s.mount().focuserPosition() - before, c.steps, 1e-6) << int(c.control);
    }
}

// The peer serves what the program writes on the slave as the event loop
// runs, and the reply comes back on the slave; the program may close and
// reopen its side.
TEST(PtyPeer, ServesTheSlaveThroughTheEventLoop)
{
    QByteArray seen;
    PtyPeer peer([&](QByteArrayView bytes) {
        seen += bytes.toByteArray();
        return QByteArray("<") + bytes.toByteArray() + ">";
    });
    ASSERT_TRUE(peer.ok()) << peer.error().toStdString();
    ASSERT_TRUE(peer.path().startsWith(QLatin1String("/dev/"))) << peer.path().toStdString();
    for (int round = 0; round < 2; ++round) {
        const int fd = ::open(peer.path().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, ":GR#", 4), 4);
        QByteArray reply;
        QElapsedTimer t;
        t.start();
        while (reply.size() < 6 && t.elapsed() < 2000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 5) > 0) {
                char b[64];
                const ssize_t n = ::read(fd, b, sizeof b);
                if (n > 0) reply.append(b, n);
            }
        }
        EXPECT_EQ(reply, "<:GR#>") << round;
        ::close(fd);
    }
    EXPECT_EQ(seen, ":GR#:GR#");
}

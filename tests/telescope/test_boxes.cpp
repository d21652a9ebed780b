// The parallel box and the clocked box against simulated registers.
#include "telescope/MountProtocols.h"

#include "MountFixture.h"

#include <gtest/gtest.h>

namespace velumbra {
namespace {

using test::MountFixture;
using test::Wire;
using Reg = SimulatedPorts::Register;

struct Varnek : ::testing::Test {
    MountFixture f{MountInterface::Varnek, Wire::Memory};
    std::vector<int> data() const
    {
        std::vector<int> v;
        for (const auto& w : f.parports.writes)
            if (w.reg == Reg::Data) v.push_back(w.value);
        return v;
    }
    std::vector<int> control() const
    {
        std::vector<int> v;
        for (const auto& w : f.parports.writes)
            if (w.reg == Reg::Control) v.push_back(w.value);
        return v;
    }
};

TEST_F(Varnek, OneDataLinePerDirection)
{
    struct Case {
        MoveDirection d;
        int go;
    };
    // Pins 6, 7, 8, 9 are data bits 4, 5, 6, 7.
    const Case cases[] = {{East, 0x10}, {West, 0x20}, {North, 0x40}, {South, 0x80}};
    for (const Case& c : cases) {
        f.parports.writes.clear();
        f.mount.mount_move(c.d, false, CONTINUOUS_MOVE);
        f.mount.mount_stop(c.d);
        EXPECT_EQ(data(), (std::vector<int>{c.go, 0})) << c.d;
        EXPECT_EQ(f.view.testValues.back(), QStringLiteral("00000000"));
    }
    EXPECT_TRUE(f.messages.lines.isEmpty());
    EXPECT_EQ(f.parports.writes.front().port, 0); // $378 is LPT1
}

TEST_F(Varnek, OppositeLineReleasedFirstOtherAxisKept)
{
    f.mount.mount_move(West, false, CONTINUOUS_MOVE);
    f.mount.mount_move(North, true, 300);
    f.mount.mount_move(East, false, CONTINUOUS_MOVE);
    EXPECT_EQ(data(), (std::vector<int>{0x20, 0x60, 0x40, 0x50}));
    f.timeline.advanceMs(300);
    EXPECT_EQ(data().back(), 0x10);
    EXPECT_EQ(f.view.moves.back().direction, QStringLiteral("Nord"));
}

TEST_F(Varnek, PinsActiveValuesAndAddressFromTheSettings)
{
    f.settings.TNI_Bit_Est = 2;
    f.settings.TNI_Bit_Nord = 3;
    f.settings.TNI_Nord_ActiveValue = 0;
    f.settings.CBX_AG_PortParallele = QStringLiteral("$278 (LPT2)");
    f.mount.mount_move(East, false, CONTINUOUS_MOVE);
    f.mount.mount_move(North, false, CONTINUOUS_MOVE); // active 0: the line never moves
    f.mount.mount_stop(North);
    EXPECT_EQ(data(), (std::vector<int>{0x01, 0x01, 0x01}));
    EXPECT_EQ(f.parports.writes.back().port, 1);
    f.settings.TNI_Bit_Sud = 42; // out of range: clamped to pin 9, no crash
    f.mount.mount_move(South, false, CONTINUOUS_MOVE);
    EXPECT_EQ(data().back(), 0x81);
}

TEST_F(Varnek, FocuserOnTheInvertedControlLines)
{
    f.ports.writePort(0x37A, 0x03);
    f.parports.writes.clear();
    f.mount.focuser_move(0, true);
    f.mount.focuser_stop(0);
    f.mount.focuser_move(1, false);
    f.mount.focuser_stop(1);
    EXPECT_EQ(control(), (std::vector<int>{0x02, 0x03, 0x01, 0x03}));
    f.settings.TNI_Focus_In_Activevalue = 0;
    f.ports.writePort(0x37A, 0x00);
    f.mount.focuser_move(0, false);
    f.mount.focuser_stop(0);
    EXPECT_EQ(control().back(), 0x00);
}

// The status registers ($379, $279, ...) only read: a write there is refused
// with a message, once per address, and reaches no register.
TEST_F(Varnek, StatusRegistersRefuseWrites)
{
    for (const QString& item : {QStringLiteral("$379"), QStringLiteral("$279")}) {
        f.settings.CBX_AG_PortParallele = item;
        f.mount.mount_move(East, false, CONTINUOUS_MOVE);
        f.mount.mount_stop(East);
    }
    EXPECT_TRUE(f.parports.writes.empty());
    ASSERT_EQ(f.messages.lines.size(), 2) << f.messages.lines.join('\n').toStdString();
    EXPECT_TRUE(f.messages.lines[0].contains(QStringLiteral("$379")));
    EXPECT_TRUE(f.messages.lines[0].contains(QStringLiteral("($378)")));
    EXPECT_TRUE(f.messages.lines[1].contains(QStringLiteral("($278)")));
    EXPECT_FALSE(f.ports.writePort(0x3BD, 0x01));
    EXPECT_EQ(f.ports.outputByte(0x3BD), 0);
}

// A setting changed while a move runs: the stop releases the line the move
// drove, on the port it drove it, through the inversion it started with.
TEST(SettingsChangedMidMove, TheStopReleasesWhatWasStarted)
{
    struct Case {
        const char* what;
        MountInterface choice;
        void (*change)(MountSettings&);
    };
    const Case cases[] = {
        {"pin", MountInterface::Varnek, [](MountSettings& s) { s.TNI_Bit_Est = 2; }},
        {"port", MountInterface::Varnek,
         [](MountSettings& s) { s.CBX_AG_PortParallele = QStringLiteral("$278 (LPT2)"); }},
        {"inversion", MountInterface::Varnek, [](MountSettings& s) { s.CKB_InverseAD = true; }},
        {"inversion", MountInterface::LX200, [](MountSettings& s) { s.CKB_InverseAD = true; }},
        {"inversion", MountInterface::Dremla, [](MountSettings& s) { s.CKB_InverseAD = true; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MountFixture f{c.choice, Wire::Memory};
        f.settings.CBX_AG_PortSerie = QStringLiteral("$03F8 (COM1)");
        f.settings.serialDevicePath = QStringLiteral("/dev/simulated");
        f.mount.mount_move(East, false, CONTINUOUS_MOVE);
        const size_t modemWrites = f.line.modem.writes.size();
        c.change(f.settings);
        f.mount.mount_stop(East);
        EXPECT_FALSE(f.mount.moving(East));
        switch (c.choice) {
        case MountInterface::Varnek:
            // LPT1's data pins as last written: the East line (pin 6) is down,
            // and nothing was raised on another pin or port.
            ASSERT_FALSE(f.parports.writes.empty());
            EXPECT_EQ(f.parports.writes.back().port, 0);
            EXPECT_EQ(f.parports.writes.back().value, 0x00);
            break;
        case MountInterface::LX200:
            EXPECT_TRUE(f.line.receivedBytes().endsWith("#:Me##:Qe#")) << f.line.receivedBytes().toStdString();
            break;
        default: EXPECT_GT(f.line.modem.writes.size(), modemWrites) << "the stop code"; break;
        }
    }
}

TEST_F(Varnek, WritesLoggedWhileTrafficIsOn)
{
    f.settings.CKB_Historique_Comm = true;
    f.mount.mount_move(East, false, CONTINUOUS_MOVE);
    f.settings.CKB_Historique_Comm = false;
    f.mount.mount_stop(East);
    EXPECT_EQ(f.traffic.lines(), QStringList{QStringLiteral("0378 : 00010000")});
    EXPECT_EQ(data(), (std::vector<int>{0x10, 0x00}));
}

TEST_F(Varnek, NoPortIsReportedOnceAndWritesStillLogged)
{
    f.parports.openError = ENOENT;
    f.settings.CKB_Historique_Comm = true;
    f.mount.mount_move(East, false, CONTINUOUS_MOVE);
    f.mount.mount_stop(East);
    ASSERT_EQ(f.messages.lines.size(), 1);
    EXPECT_TRUE(f.messages.lines[0].contains(QStringLiteral("parport0"))) << f.messages.lines[0].toStdString();
    EXPECT_EQ(f.traffic.lines().size(), 2);
    EXPECT_FALSE(f.ports.portAccess(0x378));
}

TEST_F(Varnek, AccessDeniedNamesTheGroup)
{
    f.parports.openError = EACCES;
    f.mount.mount_move(North, false, CONTINUOUS_MOVE);
    ASSERT_EQ(f.messages.lines.size(), 1);
    EXPECT_TRUE(f.messages.lines[0].contains(QStringLiteral("« lp »")));
}

TEST_F(Varnek, AddressesOutsideTheFourPorts)
{
    f.settings.CBX_AG_PortParallele = QStringLiteral("$368");
    f.mount.mount_move(North, false, CONTINUOUS_MOVE);
    f.mount.mount_stop(North);
    ASSERT_EQ(f.messages.lines.size(), 1);
    EXPECT_TRUE(f.messages.lines[0].contains(QStringLiteral("$368")));
    EXPECT_TRUE(f.parports.writes.empty());
    int port = -1, reg = -1;
    EXPECT_TRUE(PortAccess::portOfAddress(0x37A, port, reg));
    EXPECT_EQ(port, 0);
    EXPECT_EQ(reg, 2);
    f.ports.writePort(0x37A, 0x0B);
    EXPECT_EQ(f.parports.writes.back().reg, Reg::Control);
    EXPECT_EQ(f.parports.writes.back().value, 0x0B);
}

// The clocked box's codes read back from the register writes: each bit is
// DTR at a rising edge of RTS, a code ends when the break goes on.
struct DecodedCodes {
    std::vector<std::vector<int>> codes;
    bool tripled = true; // every change written three times in a row
};

DecodedCodes decode(const std::vector<SimulatedModemLines::Write>& writes, size_t from)
{
    DecodedCodes out;
    quint8 mcr = 0, lcr = 0;
    std::vector<int> bits;
    bool framing = false;
    for (size_t i = from; i < writes.size(); ++i) {
        const auto& w = writes[i];
        if (i + 2 >= writes.size() || writes[i + 1].value != w.value || writes[i + 2].value != w.value ||
            writes[i + 1].reg != w.reg || writes[i + 2].reg != w.reg)
            out.tripled = false;
        i += 2;
        if (w.reg == SimulatedModemLines::Register::ModemControl) {
            const bool rising = !(mcr & ModemLines::kRts) && (w.value & ModemLines::kRts);
            mcr = w.value;
            if (rising && framing) bits.push_back(mcr & ModemLines::kDtr);
        } else {
            const bool latchOn = w.value & ModemLines::kBreak;
            if (!latchOn) {
                framing = true;
                bits.clear();
            } else if (framing && !(lcr & ModemLines::kBreak)) {
                out.codes.push_back(bits);
                framing = false;
            }
            lcr = w.value;
        }
    }
    return out;
}

struct Dremla : ::testing::Test {
    MountFixture f{MountInterface::Dremla, Wire::Memory};
    size_t afterInit = 0;
    void SetUp() override
    {
        f.settings.CBX_AG_PortSerie = QStringLiteral("$02F8 (COM2)");
        f.settings.serialDevicePath = QStringLiteral("/dev/simulated");
        ASSERT_TRUE(f.mount.mount_connect());
        afterInit = f.line.modem.writes.size();
    }
    static std::vector<int> code(std::initializer_list<int> tail)
    {
        std::vector<int> c(8, 0);
        c.insert(c.end(), tail);
        return c;
    }
};

TEST_F(Dremla, InitialisationThenTheStopSequence)
{
    const auto& w = f.line.modem.writes;
    ASSERT_GE(w.size(), 9u);
    std::vector<int> first;
    for (size_t i = 0; i < 9; ++i) {
        EXPECT_EQ(w[i].reg, SimulatedModemLines::Register::ModemControl);
        first.push_back(w[i].value);
    }
    EXPECT_EQ(first, (std::vector<int>{0, 0, 0, 8, 8, 8, 0, 0, 0}));
    const DecodedCodes d = decode(w, 9);
    EXPECT_TRUE(d.tripled);
    EXPECT_EQ(d.codes, (std::vector<std::vector<int>>{code({})}));
    EXPECT_EQ(f.line.modem.lineControl & ModemLines::kBreak, ModemLines::kBreak); // latched at the end
}

TEST_F(Dremla, EachDirectionAfterTheStopCode)
{
    struct Case {
        MoveDirection d;
        std::vector<int> tail;
    };
    const Case cases[] = {{West, {1}}, {East, {1, 0}}, {North, {1, 0, 0}}, {South, {1, 0, 0, 0}}};
    for (const Case& c : cases) {
        const size_t from = f.line.modem.writes.size();
        f.mount.mount_move(c.d, false, CONTINUOUS_MOVE);
        const DecodedCodes d = decode(f.line.modem.writes, from);
        EXPECT_TRUE(d.tripled);
        std::vector<int> expected(8, 0);
        expected.insert(expected.end(), c.tail.begin(), c.tail.end());
        EXPECT_EQ(d.codes, (std::vector<std::vector<int>>{code({}), expected})) << c.d;
        EXPECT_TRUE(f.mount.moving(c.d));
    }
}

TEST_F(Dremla, StopCodeOnlyWhileMovingAndItClearsAllFlags)
{
    f.mount.mount_stop(North);
    EXPECT_EQ(f.line.modem.writes.size(), afterInit);
    f.mount.mount_move(South, true, 400);
    EXPECT_TRUE(f.mount.moving(South));
    const size_t from = f.line.modem.writes.size();
    f.timeline.advanceMs(400);
    EXPECT_EQ(decode(f.line.modem.writes, from).codes, (std::vector<std::vector<int>>{code({})}));
    EXPECT_FALSE(f.mount.moving(South));
    EXPECT_FALSE(f.mount.timer(Axis::Dec).active());
}

TEST_F(Dremla, RegisterWritesLoggedAtTheUartAddresses)
{
    f.settings.CKB_Historique_Comm = true;
    f.mount.mount_move(West, false, CONTINUOUS_MOVE);
    ASSERT_FALSE(f.traffic.lines().isEmpty());
    EXPECT_TRUE(f.traffic.lines().contains(QStringLiteral("02FB : 00000000"))); // latch off, base + 3
    EXPECT_TRUE(f.traffic.lines().contains(QStringLiteral("02FC : 00000011"))); // data and clock, base + 4
}

TEST(DremlaLink, ComItemsWithoutAnAddressFailSilently)
{
    MountFixture f{MountInterface::Dremla, Wire::Memory};
    f.settings.CBX_AG_PortSerie = QStringLiteral("       COM4");
    EXPECT_FALSE(f.mount.mount_connect());
    EXPECT_TRUE(f.messages.lines.isEmpty());
    EXPECT_TRUE(f.view.controls.empty());
    EXPECT_TRUE(f.line.modem.writes.empty());
}

TEST(InterfaceChoice, WhatEachChoiceTurnsOn)
{
    using G = InterfaceControls::Group;
    EXPECT_EQ(interfaceControlsFor(MountInterface::Aucun), (InterfaceControls{false, false, false, G::Unchanged}));
    EXPECT_EQ(interfaceControlsFor(MountInterface::LX200), (InterfaceControls{true, true, false, G::Serial}));
    EXPECT_EQ(interfaceControlsFor(MountInterface::Tolvir), (InterfaceControls{true, false, true, G::Serial}));
    EXPECT_EQ(interfaceControlsFor(MountInterface::Varnek), (InterfaceControls{true, false, false, G::Parallel}));
    EXPECT_EQ(interfaceControlsFor(MountInterface::Dremla), (InterfaceControls{true, false, false, G::Serial}));
    const LinkControls down = linkControlsFor(false);
    EXPECT_TRUE(down.RDB_Dremla && down.BTN_Connecter);
    EXPECT_FALSE(down.BTN_Deconnecter || down.BTN_Nord || down.BTN_Stop);
}

} // namespace
} // namespace velumbra

// The telescope preferences as the mount layer reads them.
#include "settings/MountLink.h"
#include "telescope/SerialPortItems.h"

#include <gtest/gtest.h>

namespace velumbra::test {
namespace {

TEST(MountLink, ListChoicesBecomeTheItemsTexts)
{
    struct Case {
        int port, baud, parity, bits, stop;
        const char* serial;
        const char* speed;
        const char* parityText;
        const char* bitsText;
        const char* stopText;
    };
    const Case cases[] = {
        {0, 6, 3, 1, 0, "$03F8 (COM1)", "9600", "Aucune", "8", "1"},
        {2, 0, 0, 0, 1, "       COM3", "150", "Paire", "7", "1.5"},
        {7, 14, 2, 1, 2, "       COM8", "256000", "Marque", "8", "2"},
        // An index that names no item falls back to the list's first.
        {9, 15, 4, 2, 3, "$03F8 (COM1)", "150", "Paire", "7", "1"},
    };
    for (const Case& k : cases) {
        AutoguidePrefs a;
        a.CBX_AG_PortSerie = k.port;
        a.CBX_AG_Vitesse = k.baud;
        a.CBX_AG_Parite = k.parity;
        a.CBX_AG_Databits = k.bits;
        a.CBX_AG_StopBits = k.stop;
        MountSettings m;
        applyToMount(a, m);
        EXPECT_EQ(m.CBX_AG_PortSerie, QLatin1String(k.serial));
        EXPECT_EQ(m.CBX_AG_Vitesse, QLatin1String(k.speed));
        EXPECT_EQ(m.CBX_AG_Parite, QLatin1String(k.parityText));
        EXPECT_EQ(m.CBX_AG_Databits, QLatin1String(k.bitsText));
        EXPECT_EQ(m.CBX_AG_StopBits, QLatin1String(k.stopText));
    }
}

TEST(MountLink, AnotherSerialDeviceIsTakenByItsPath)
{
    AutoguidePrefs a;
    a.CBX_AG_PortSerie = 4;
    a.serialDevice = QStringLiteral("/dev/pts/7");
    MountSettings m;
    applyToMount(a, m);
    EXPECT_EQ(m.CBX_AG_PortSerie, QStringLiteral("/dev/pts/7"));
}

// The simulator's items are kept by their text, as another device, and
// stand for the simulator's devices when the mount opens the port.
TEST(MountLink, SimulatorItemsReachTheSimulatorDevices)
{
    const std::pair<QString, QString> items[] = {{kSimulatorLx200Item, QStringLiteral("simulateur:lx200")},
                                                 {kSimulatorBoxesItem, QStringLiteral("simulateur:boxes")}};
    for (const auto& [text, device] : items) {
        AutoguidePrefs a;
        a.serialDevice = text;
        MountSettings m;
        applyToMount(a, m);
        EXPECT_EQ(m.CBX_AG_PortSerie, text);
        EXPECT_EQ(serialPortItemOf(m.CBX_AG_PortSerie).devicePath, device);
    }
}

TEST(MountLink, NumbersAndChoicesReachTheMount)
{
    AutoguidePrefs a;
    a.interface = MountInterface::Varnek;
    a.CBX_AG_PortParallele = 2;
    a.TNI_Bit_Est = 3.9;
    a.TNI_Sud_ActiveValue = 0;
    a.TNI_Vitesse_Nord = 7.25;
    a.RDB_Temps_Inertie = true;
    a.RDB_Pourcent_Inertie = false;
    a.TNI_Tps_Inertie = 150;
    a.SPED_Duree_impulsions = 405;
    a.CKB_InverseDEC = true;
    a.CKB_LF = true;
    MountSettings m;
    m.paddleRate = 3;
    applyToMount(a, m);
    EXPECT_EQ(m.interface, MountInterface::Varnek);
    EXPECT_EQ(m.CBX_AG_PortParallele, QStringLiteral("$3BC (LPT3)"));
    EXPECT_EQ(m.TNI_Bit_Est, 3) << "pins are whole numbers";
    EXPECT_EQ(m.TNI_Sud_ActiveValue, 0);
    EXPECT_DOUBLE_EQ(m.TNI_Vitesse_Nord, 7.25);
    EXPECT_TRUE(m.RDB_Temps_Inertie);
    EXPECT_FALSE(m.RDB_Pourcent_Inertie);
    EXPECT_DOUBLE_EQ(m.TNI_Tps_Inertie, 150);
    EXPECT_EQ(m.SPED_Duree_impulsions, 405);
    EXPECT_TRUE(m.CKB_InverseDEC);
    EXPECT_TRUE(m.CKB_LF);
    EXPECT_EQ(m.paddleRate, 3) << "not a preference: left as it was";
}

} // namespace
} // namespace velumbra::test

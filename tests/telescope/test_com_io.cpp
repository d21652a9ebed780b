// The serial layer over a pseudo-terminal: line settings, reads after the
// pause, the failure messages; the port list and the address texts.
#include "core/Pause.h"
#include "telescope/ComIo.h"
#include "telescope/SerialPortItems.h"
#include "telescope/SimulatedSerial.h"
#include "telescope/TermiosSerial.h"

#include "PtyPair.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <thread>

namespace velumbra {
namespace {

using test::PtyPair;

// A pause that really sleeps: bytes written on the master side need a
// moment to reach the slave's input queue, as they do on a real line.
class SleepPause final : public Pause {
protected:
    void run(int ms) override
    {
        slept += ms;
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }

public:
    int slept = 0;
};

TEST(HexToInt, AddressTexts)
{
    struct Case {
        const char* text;
        int value;
    };
    const Case cases[] = {
        {"$378", 888},   {"03F8", 1016}, {"", 0},         {"   ", 0},       {"$3BC", 956},     {"$2BC", 700},
        {"3bc", 0x300},  {"$", 0},       {"12345", 0x2345}, {"3$78", 0x3078}, {"FFFF", 65535}, {"$37A", 890},
    };
    for (const Case& c : cases) EXPECT_EQ(hex_to_int(QString::fromLatin1(c.text)), c.value) << c.text;
}

TEST(LineCodes, ComparedByVisibleText)
{
    EXPECT_EQ(parityCode(QStringLiteral("Paire")), 2);
    EXPECT_EQ(parityCode(QStringLiteral("Impaire")), 1);
    EXPECT_EQ(parityCode(QStringLiteral("Marque")), 3);
    EXPECT_EQ(parityCode(QStringLiteral("Aucune")), 0);
    EXPECT_EQ(parityCode(QStringLiteral("paire")), 0);
    EXPECT_EQ(stopBitsCode(QStringLiteral("1")), 0);
    EXPECT_EQ(stopBitsCode(QStringLiteral("1.5")), 1);
    EXPECT_EQ(stopBitsCode(QStringLiteral("2")), 2);
    EXPECT_EQ(stopBitsCode(QStringLiteral("3")), 0);
}

TEST(SerialPortItems, DevicesPresentFirstThenTheStoredComItems)
{
    QTemporaryDir tree;
    ASSERT_TRUE(tree.isValid());
    const QDir root(tree.filePath(QStringLiteral("dev")));
    const QDir sys(tree.filePath(QStringLiteral("sys")));
    ASSERT_TRUE(QDir().mkpath(root.path()));
    for (const char* name : {"ttyUSB0", "ttyUSB1", "ttyACM0", "ttyS0", "ttyS1", "ttyS2", "ttyS10", "tty0", "null"}) {
        QFile f(root.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(root.mkpath(QStringLiteral("serial/by-id")));
    ASSERT_TRUE(QFile::link(root.filePath(QStringLiteral("ttyUSB1")),
                            root.filePath(QStringLiteral("serial/by-id/usb-FTDI_FT232R-if00-port0"))));
    // An adapter unplugged: its link points at nothing.
    ASSERT_TRUE(QFile::link(root.filePath(QStringLiteral("ttyUSB7")), root.filePath(QStringLiteral("serial/by-id/usb-gone"))));
    // The kernel's word on the UARTs: ttyS1 has none, ttyS10 says nothing.
    for (const auto& [name, type] : {std::pair{"ttyS0", "4\n"}, std::pair{"ttyS1", "0\n"}, std::pair{"ttyS2", "4\n"}}) {
        const QString dir = sys.filePath(QStringLiteral("class/tty/") + QLatin1String(name));
        ASSERT_TRUE(QDir().mkpath(dir));
        QFile f(dir + QStringLiteral("/type"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(type);
    }

    const QStringList kept{QStringLiteral("$03F8 (COM1)"), QStringLiteral("       COM5"), root.filePath(QStringLiteral("ttyUSB0")),
                           QString()};
    const auto items = serialPortItems(root.path(), kept, sys.path());
    QStringList texts;
    for (const SerialPortItem& i : items) texts << i.text;
    EXPECT_EQ(texts, QStringList({QStringLiteral("usb-FTDI_FT232R-if00-port0"), root.filePath(QStringLiteral("ttyUSB0")),
                                  root.filePath(QStringLiteral("ttyACM0")), root.filePath(QStringLiteral("ttyS0")),
                                  root.filePath(QStringLiteral("ttyS2")), root.filePath(QStringLiteral("ttyS10")),
                                  QStringLiteral("$03F8 (COM1)"), QStringLiteral("       COM5"),
                                  QStringLiteral("Simulateur (LX200)"), QStringLiteral("Simulateur (boîtiers série)")}));
    EXPECT_EQ(items[0].portName, QStringLiteral("ttyUSB1"));
    EXPECT_EQ(items[3].portName, QStringLiteral("ttyS0"));
    EXPECT_EQ(items[3].devicePath, root.filePath(QStringLiteral("ttyS0")));
    // The stored COM items keep their device and the clocked box's UART address.
    EXPECT_EQ(items[6].portName, QStringLiteral("COM1"));
    EXPECT_EQ(items[6].uartBase, 0x3F8);
    EXPECT_EQ(items[6].devicePath, root.filePath(QStringLiteral("ttyS0")));
    EXPECT_EQ(items[7].portName, QStringLiteral("COM5"));
    EXPECT_EQ(items[7].devicePath, root.filePath(QStringLiteral("ttyS4")));
    // Last, the simulator's two devices, opened through the simulator's opener.
    EXPECT_EQ(items[8].devicePath, QStringLiteral("simulateur:lx200"));
    EXPECT_EQ(items[9].devicePath, QStringLiteral("simulateur:boxes"));
    EXPECT_EQ(items[9].uartBase, 0);

    // No device at all: what the settings name, then the simulator.
    QTemporaryDir empty;
    const auto none = serialPortItems(empty.path(), {QStringLiteral("$02F8 (COM2)")}, empty.path());
    ASSERT_EQ(none.size(), 3u);
    EXPECT_EQ(none[0].text, QStringLiteral("$02F8 (COM2)"));
    EXPECT_EQ(none[0].uartBase, 0x2F8);
    const QString dev = root.path();
    // Stored texts come back to their devices.
    EXPECT_EQ(serialPortItemOf(QStringLiteral("       COM3"), dev).devicePath, root.filePath(QStringLiteral("ttyS2")));
    const SerialPortItem byId = serialPortItemOf(QStringLiteral("usb-FTDI_FT232R-if00-port0"), dev);
    EXPECT_EQ(QFileInfo(byId.devicePath).canonicalFilePath(), QFileInfo(root.filePath(QStringLiteral("ttyUSB1"))).canonicalFilePath());
    EXPECT_EQ(serialPortItemOf(QStringLiteral("/dev/pts/7"), dev).devicePath, QStringLiteral("/dev/pts/7"));
    EXPECT_TRUE(serialPortItemOf(QStringLiteral("  "), dev).devicePath.isEmpty());
}

struct ComIoOnPty : ::testing::Test {
    PtyPair pty;
    TermiosOpener opener;
    SleepPause pause;
    ComIo com{opener, pause};
    void SetUp() override { ASSERT_TRUE(pty.ok()); }
};

TEST_F(ComIoOnPty, OpensAndSetsTheLine)
{
    ASSERT_TRUE(com.open_com(1, pty.path()));
    EXPECT_TRUE(com.isOpen());
    com.set_com(1, 19200, 0, 8, 2);
    com.set_timeout(1, 1000, 100);
    com.set_buf(1, 4096, 4096);
    LineRecord now;
    ASSERT_EQ(com.device(1)->getLine(now), 0);
    EXPECT_EQ(now.baudRate, 19200);
    EXPECT_EQ(now.stopBits, 2);
    EXPECT_EQ(now.xonChar, 17);
    EXPECT_EQ(now.xoffChar, 19);
    // A rate without a B constant of its own.
    com.set_com(1, 14400, 0, 8, 0);
    ASSERT_EQ(com.device(1)->getLine(now), 0);
    EXPECT_EQ(now.baudRate, 14400);
    EXPECT_EQ(now.stopBits, 0);
    // A pseudo-terminal keeps 8 bits without parity whatever it is told, so
    // those reach a device in memory below.
}

TEST(ComIoLine, SetComChangesTheFourValuesAndTheFlowCharacters)
{
    ManualSteadyClock clock;
    SimulatedSerialLine line(clock);
    line.line = {4800, 0, 8, 0, 'a', 'b'};
    SimulatedSerialOpener opener(line);
    SleepPause pause;
    ComIo com(opener, pause);
    com.open_com(1, QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(opener.lastPath, QStringLiteral("/dev/ttyS0"));
    com.set_com(1, 115200, 3, 7, 1);
    EXPECT_EQ(line.line.baudRate, 115200);
    EXPECT_EQ(line.line.parity, 3);
    EXPECT_EQ(line.line.byteSize, 7);
    EXPECT_EQ(line.line.stopBits, 1);
    EXPECT_EQ(line.line.xonChar, 17);
    EXPECT_EQ(line.line.xoffChar, 19);
    line.failWith = EIO;
    try {
        com.set_com(1, 9600, 0, 8, 0);
        FAIL() << "no exception";
    } catch (const ExCom& e) {
        EXPECT_EQ(e.text(), QStringLiteral("get_com, erreur = 5"));
    }
}

TEST_F(ComIoOnPty, WritesBytesUnchanged)
{
    com.open_com(1, pty.path());
    com.set_com(1, 9600, 0, 8, 0);
    const QByteArray text("#:Mn#\r\n\x00\xff", 9);
    com.put_string(1, text);
    com.put_byte(1, 0x0A);
    EXPECT_EQ(pty.read(10), text + '\n');
}

TEST_F(ComIoOnPty, GetStringWithNothingReceivedIsEmptyAfterThePause)
{
    com.open_com(1, pty.path());
    EXPECT_EQ(com.get_string(1), QByteArray());
    EXPECT_EQ(pause.slept, 200);
}

TEST_F(ComIoOnPty, GetStringReturnsAtMost256AndLeavesTheRest)
{
    com.open_com(1, pty.path());
    com.set_com(1, 9600, 0, 8, 0);
    QByteArray sent;
    for (int i = 0; i < 300; ++i) sent += char('A' + i % 26);
    pty.write(sent);
    const QByteArray first = com.get_string(1);
    EXPECT_EQ(first, sent.left(256));
    EXPECT_EQ(com.get_string(1), sent.mid(256));
    EXPECT_EQ(com.get_string(1), QByteArray());
}

TEST_F(ComIoOnPty, ClosedPortReadsEmptyAndWritesFail)
{
    com.open_com(1, pty.path());
    com.close_com(1);
    EXPECT_FALSE(com.isOpen());
    EXPECT_EQ(com.get_string(1), QByteArray());
    try {
        com.put_string(1, "#:Q#");
        FAIL() << "no exception";
    } catch (const ExCom& e) {
        EXPECT_EQ(e.text(), QStringLiteral("put_string, erreur = 9"));
    }
}

TEST_F(ComIoOnPty, PeerGoneMakesWritesFail)
{
    com.open_com(1, pty.path());
    pty.closeAll();
    try {
        com.put_byte(1, 0x35);
        FAIL() << "no exception";
    } catch (const ExCom& e) {
        EXPECT_EQ(e.text(), QStringLiteral("put_byte, erreur = 5"));
    }
}

TEST(ComIoOpen, FailuresNameTheOperationAndTheError)
{
    TermiosOpener opener;
    SleepPause pause;
    ComIo com(opener, pause);
    struct Case {
        QString path;
        QString text;
    };
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("notes.txt"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("kept");
    }
    const Case cases[] = {
        {dir.filePath(QStringLiteral("missing")), QStringLiteral("open_com, erreur = 2")},
        {file, QStringLiteral("open_com, erreur = 25")},
        {dir.path(), QStringLiteral("open_com, erreur = 21")},
    };
    for (const Case& c : cases) {
        try {
            com.open_com(1, c.path);
            ADD_FAILURE() << "opened " << c.path.toStdString();
        } catch (const ExCom& e) {
            EXPECT_EQ(e.text(), c.text) << c.path.toStdString();
        }
        EXPECT_EQ(com.device(1), nullptr);
    }
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("kept"));
}

} // namespace
} // namespace velumbra

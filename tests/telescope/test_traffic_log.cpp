// The traffic log's three line formats and its 101-line limit.
#include "telescope/TrafficLog.h"

#include <gtest/gtest.h>

namespace velumbra {
namespace {

TEST(TrafficLog, TheThreeFormats)
{
    EXPECT_EQ(TrafficLog::textLine(QStringLiteral("COM1"), "#:Mn#"), QStringLiteral("COM1 : 233A4D6E23 \"#:Mn#\""));
    EXPECT_EQ(TrafficLog::textLine(QStringLiteral("COM2"), "#:Q#\r\n"),
              QStringLiteral("COM2 : 233A51230D0A \"#:Q#\r\n\""));
    EXPECT_EQ(TrafficLog::byteLine(QStringLiteral("COM1"), 0x5D), QStringLiteral("COM1 : 3544 \"5D\""));
    EXPECT_EQ(TrafficLog::byteLine(QStringLiteral("COM1"), 0x05), QStringLiteral("COM1 : 3035 \"05\""));
    EXPECT_EQ(TrafficLog::byteLine(QStringLiteral("ttyUSB0"), 0xFE), QStringLiteral("ttyUSB0 : 4645 \"FE\""));
    EXPECT_EQ(TrafficLog::portWriteLine(0x378, 0x40), QStringLiteral("0378 : 01000000"));
    EXPECT_EQ(TrafficLog::portWriteLine(0x378, 7), QStringLiteral("0378 : 00000111"));
    EXPECT_EQ(TrafficLog::portWriteLine(0x3FC, 0xFF), QStringLiteral("03FC : 11111111"));
    EXPECT_EQ(TrafficLog::portWriteLine(0x2BC, 0), QStringLiteral("02BC : 00000000"));
}

TEST(TrafficLog, The102ndLinePushesOutTheFirst)
{
    TrafficLog log;
    int dropped = 0;
    log.onAppend = [&](const QString&, bool drop) { dropped += drop; };
    for (int i = 0; i < 101; ++i) log.logPortWrite(quint16(i), 0);
    EXPECT_EQ(log.lines().size(), 101);
    EXPECT_EQ(dropped, 0);
    log.logPortWrite(0x378, 1);
    EXPECT_EQ(log.lines().size(), 101);
    EXPECT_EQ(dropped, 1);
    EXPECT_EQ(log.lines().front(), QStringLiteral("0001 : 00000000"));
    EXPECT_EQ(log.lines().back(), QStringLiteral("0378 : 00000001"));
    for (int i = 0; i < 500; ++i) log.logByte(QStringLiteral("COM1"), quint8(i));
    EXPECT_EQ(log.lines().size(), 101);
    EXPECT_EQ(log.lines().back(), TrafficLog::byteLine(QStringLiteral("COM1"), quint8(499)));
}

TEST(TrafficLog, CrAndLfShownRawCountAsTheLinesTheyMake)
{
    struct Case {
        QByteArray end;
        int linesPerEntry;
    };
    const Case cases[] = {{"", 1}, {"\r", 2}, {"\n", 2}, {"\r\n", 2}, {"\n\r", 3}};
    for (const Case& c : cases) {
        TrafficLog log;
        log.logText(QStringLiteral("COM1"), "#:Mn#" + c.end);
        EXPECT_EQ(log.lines().size(), c.linesPerEntry) << c.end.toHex().constData();
        const QString hex = QString::fromLatin1(c.end.toHex().toUpper());
        EXPECT_EQ(log.lines().front(), QStringLiteral("COM1 : 233A4D6E23%1 \"#:Mn#").arg(hex) +
                                           (c.linesPerEntry == 1 ? QStringLiteral("\"") : QString()));
        for (int i = 0; i < 150; ++i) log.logText(QStringLiteral("COM1"), "#:Qn#" + c.end);
        EXPECT_EQ(log.lines().size(), 101) << c.end.toHex().constData();
        EXPECT_EQ(log.lines().back(), c.linesPerEntry == 1 ? QStringLiteral("COM1 : 233A516E23 \"#:Qn#\"")
                                                           : QStringLiteral("\""))
            << c.end.toHex().constData();
    }
}

} // namespace
} // namespace velumbra

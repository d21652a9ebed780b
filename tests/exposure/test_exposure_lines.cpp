#include "exposure/LongExposureLines.h"
#include "telescope/MountProtocols.h"

#include <gtest/gtest.h>

using namespace velumbra;

namespace {

struct LineCase {
    const char* name;
    LongExposureLineSettings settings;
    ExposureLine line;
    quint8 before, raised, lowered;
};

LongExposureLineSettings withAmp(double pin, double value)
{
    LongExposureLineSettings s;
    s.TNI_Bit_Amp_Active = pin;
    s.TNI_Amp_ActiveValue = value;
    return s;
}

} // namespace

TEST(ExposureLines, RaiseAndLowerFollowPinAndActiveValue)
{
    const LineCase cases[] = {
        {"odd on pin 2", {}, ExposureLine::Odd, 0x00, 0x01, 0x00},
        {"even on pin 3", {}, ExposureLine::Even, 0xFF, 0xFF, 0xFD},
        {"mode on pin 5", {}, ExposureLine::Mode, 0x00, 0x08, 0x00},
        {"amplifier on pin 9", withAmp(9, 1), ExposureLine::Amplifier, 0x01, 0x81, 0x01},
        {"pin 7.9 truncates to 7", withAmp(7.9, 1), ExposureLine::Amplifier, 0x00, 0x20, 0x00},
        {"active 0 leaves the bit set", withAmp(4, 0), ExposureLine::Amplifier, 0x04, 0x04, 0x04},
        {"active 0 leaves the bit clear", withAmp(4, 0), ExposureLine::Amplifier, 0x00, 0x00, 0x00},
        {"other bits kept", {}, ExposureLine::Amplifier, 0xA3, 0xA7, 0xA3},
    };
    for (const auto& c : cases) {
        ExposureLines lines;
        lines.configure(c.settings);
        EXPECT_EQ(lines.raise(c.before, c.line), c.raised) << c.name;
        EXPECT_EQ(lines.lower(c.before, c.line), c.lowered) << c.name;
    }
}

TEST(ExposureLines, TestStartAndStopPutEveryLineAtItsLevel)
{
    LongExposureLineSettings s;
    s.TNI_Amp_ActiveValue = 0;
    ExposureLines lines;
    lines.configure(s);
    // Start: complement of the active values (odd, even, mode low; amplifier 1).
    EXPECT_EQ(lines.testStart(0xF0), 0xF4);
    // Stop: the active values (amplifier 0).
    EXPECT_EQ(lines.testStop(0x04), 0x0B);
}

TEST(ExposureLines, PortListEntriesGiveTheirAddress)
{
    const std::pair<int, quint16> cases[] = {{0, 0x378}, {1, 0x278}, {2, 0x3BC}, {3, 0x2BC},
                                             {12, 0x37A}, {14, 0x27A}, {-1, 0x378}, {99, 0x378}};
    for (auto [index, address] : cases) EXPECT_EQ(portAddressOfEntry(index), address) << index;
    EXPECT_EQ(parallelPortList().size(), 15);
}

TEST(ExposureLines, TestFieldDigits)
{
    EXPECT_EQ(binaryDigits(7), QStringLiteral("00000111"));
    EXPECT_EQ(binaryDigits(0x80), QStringLiteral("10000000"));
    const std::pair<const char*, int> cases[] = {{"00000111", 7}, {"1", 1}, {"10", 2}, {"11111111", 255},
                                                 {"", -1}, {"111111111", -1}, {"0000002", -1}, {"abc", -1}};
    for (auto [text, value] : cases) {
        const auto parsed = parseBinaryDigits(QString::fromLatin1(text));
        EXPECT_EQ(parsed ? int(*parsed) : -1, value) << text;
    }
}

TEST(ExposureLines, TestValueStepsStopAtTheBounds)
{
    EXPECT_FALSE(stepTestValue(255, +1));
    EXPECT_FALSE(stepTestValue(0, -1));
    EXPECT_EQ(stepTestValue(254, +1).value_or(0), 255);
    EXPECT_EQ(stepTestValue(1, -1).value_or(9), 0);
}

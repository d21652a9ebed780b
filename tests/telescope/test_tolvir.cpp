// The serial box: one byte per pulse, through a pseudo-terminal on test time.
#include "telescope/MountProtocols.h"

#include "MountFixture.h"

#include <gtest/gtest.h>

namespace velumbra {
namespace {

using test::MountFixture;

TEST(TolvirByte, LengthInStepsDirectionInLowBits)
{
    struct Case {
        int ms;
        MoveDirection d;
        int byte;
    };
    const Case cases[] = {
        {195, East, 0x35}, {945, North, 0xFE}, {945, West, 0xFC}, {110, South, 0x1F}, {14, East, 0x01},
        {15, West, 0x04},  {5000, South, 0xFF}, {0, North, 0x02}, {-40, East, 0x01},
    };
    for (const Case& c : cases) EXPECT_EQ(tolvirByte(c.ms, c.d), c.byte) << c.ms << " ms dir " << c.d;
}

struct Tolvir : ::testing::Test {
    MountFixture f{MountInterface::Tolvir};
    void SetUp() override
    {
        ASSERT_TRUE(f.pty.ok());
        ASSERT_TRUE(f.mount.mount_connect());
        EXPECT_EQ(f.pty.read(1, 50), QByteArray()); // no rate command for the box
    }
    QByteArray bytes(std::initializer_list<int> values)
    {
        QByteArray b;
        for (int v : values) b += char(v);
        return b;
    }
};

TEST_F(Tolvir, SinglePulses)
{
    f.mount.mount_move(East, true, 195);
    EXPECT_EQ(f.pty.read(1), bytes({0x35}));
    f.mount.mount_move(North, true, 945);
    EXPECT_EQ(f.pty.read(1), bytes({0xFE}));
}

TEST_F(Tolvir, TwoSecondsAreThreeBytesOnTheirTicks)
{
    f.mount.mount_move(East, true, 2000);
    EXPECT_EQ(f.pty.read(1), bytes({0xFD})); // 63 steps East
    EXPECT_EQ(f.mount.tolvirRemaining(Axis::RA), 2000);
    f.timeline.advanceMs(944);
    EXPECT_EQ(f.pty.read(1, 50), QByteArray());
    f.timeline.advanceMs(1);
    EXPECT_EQ(f.pty.read(1), bytes({0xFD}));
    EXPECT_EQ(f.mount.tolvirRemaining(Axis::RA), 1055);
    f.timeline.advanceMs(944);
    EXPECT_EQ(f.pty.read(1, 50), QByteArray());
    f.timeline.advanceMs(1);
    EXPECT_EQ(f.pty.read(1), bytes({0x1D})); // 110 ms: 7 steps East
    EXPECT_EQ(f.mount.tolvirRemaining(Axis::RA), 110);
    EXPECT_TRUE(f.mount.timer(Axis::RA).active());
    f.timeline.advanceMs(110);
    EXPECT_FALSE(f.mount.timer(Axis::RA).active());
    EXPECT_FALSE(f.mount.moving(East));
    f.timeline.advanceMs(3000);
    EXPECT_EQ(f.pty.read(1, 50), QByteArray());
    ASSERT_EQ(f.view.moves.size(), 3u);
    EXPECT_EQ(f.view.moves[2].ms, 110);
}

TEST_F(Tolvir, EachChunkPassesTheInertiaAgain)
{
    f.settings.RDB_Temps_Inertie = true;
    f.settings.TNI_Tps_Inertie = 100;
    f.mount.mount_move(West, true, 2000); // 1900, then 955 - 100, then 0
    EXPECT_EQ(f.pty.read(1), bytes({0xFC}));
    f.timeline.advanceMs(945);
    EXPECT_EQ(f.pty.read(1), bytes({(855 / 15) * 4}));
    f.timeline.advanceMs(855);
    EXPECT_FALSE(f.mount.timer(Axis::RA).active());
    EXPECT_EQ(f.pty.read(1, 50), QByteArray());
}

TEST_F(Tolvir, StopSendsNothing)
{
    f.mount.mount_move(South, true, 2000);
    EXPECT_EQ(f.pty.read(1), bytes({0xFF}));
    f.mount.mount_stop(South);
    EXPECT_FALSE(f.mount.moving(South));
    EXPECT_EQ(f.mount.tolvirRemaining(Axis::Dec), 0);
    f.timeline.advanceMs(5000);
    EXPECT_EQ(f.pty.read(1, 50), QByteArray());
    EXPECT_FALSE(f.mount.timer(Axis::Dec).active());
}

TEST_F(Tolvir, ContinuousMoveRepeatsItsPulse)
{
    f.settings.SPED_Duree_impulsions = 195;
    f.mount.mount_move(North, false, CONTINUOUS_MOVE);
    EXPECT_EQ(f.mount.timer(Axis::Dec).interval(), 175);
    f.timeline.advanceMs(175 * 3);
    EXPECT_EQ(f.pty.read(4), bytes({0x36, 0x36, 0x36, 0x36}));
    f.mount.mount_stop(North);
    f.timeline.advanceMs(1000);
    EXPECT_EQ(f.pty.read(1, 50), QByteArray());
    EXPECT_FALSE(f.mount.timer(Axis::Dec).active());
}

TEST_F(Tolvir, InvertedAxisKeepsItsDirectionAcrossChunks)
{
    f.settings.CKB_InverseAD = true;
    f.mount.mount_move(East, true, 1500);
    f.timeline.advanceMs(945);
    EXPECT_EQ(f.pty.read(2), bytes({0xFC, (555 / 15) * 4})); // West both times
}

TEST_F(Tolvir, AnOppositeMoveEndsTheFirstOnItsAxis)
{
    // East 2000 ms, then West 1500 ms 100 ms later: the rest is West, and
    // stopping the East move that ended leaves the West one running.
    f.mount.mount_move(East, true, 2000);
    f.timeline.advanceMs(100);
    f.mount.mount_move(West, true, 1500);
    f.mount.mount_stop(East);
    EXPECT_FALSE(f.mount.moving(East));
    f.timeline.advanceMs(3000);
    EXPECT_EQ(f.pty.read(3), bytes({0xFD, 0xFC, (555 / 15) * 4})); // East 945, West 945, West 555
    EXPECT_EQ(f.pty.read(1, 50), QByteArray());
    EXPECT_FALSE(f.mount.moving(West));
}

TEST_F(Tolvir, ByteLoggedEvenWithTrafficOff)
{
    f.settings.CKB_Historique_Comm = false;
    f.mount.mount_move(East, true, 195);
    ASSERT_EQ(f.traffic.lines().size(), 1);
    EXPECT_TRUE(f.traffic.lines().front().endsWith(QStringLiteral(" : 3335 \"35\"")));
}

} // namespace
} // namespace velumbra

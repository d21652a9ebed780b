// LX200 commands byte for byte through a pseudo-terminal, on test time.
#include "telescope/MountProtocols.h"

#include "MountFixture.h"

#include <gtest/gtest.h>
#include <thread>

namespace velumbra {
namespace {

using test::MountFixture;

struct Lx200 : ::testing::Test {
    MountFixture f{MountInterface::LX200};
    // Connected, the rate command of the link's opening read away.
    void connect()
    {
        ASSERT_TRUE(f.pty.ok());
        ASSERT_TRUE(f.mount.mount_connect());
        EXPECT_EQ(f.pty.read(5), QByteArray("#:RG#") + suffix());
    }
    QByteArray suffix() const
    {
        return QByteArray(f.settings.CKB_CR ? "\r" : "") + QByteArray(f.settings.CKB_LF ? "\n" : "");
    }
    QByteArray sent(const QByteArray& command) const { return command + suffix(); }
};

TEST(Lx200Wire, EachCommandWithEachLineEnding)
{
    struct Request {
        const char* what;
        std::function<void(Mount&)> run;
        std::vector<QByteArray> commands;
    };
    const std::vector<Request> requests = {
        {"East", [](Mount& m) { m.mount_move(East, false, CONTINUOUS_MOVE); }, {"#:Me#"}},
        {"stop East", [](Mount& m) { m.mount_stop(East); }, {"#:Qe#"}},
        {"West", [](Mount& m) { m.mount_move(West, false, CONTINUOUS_MOVE); }, {"#:Mw#"}},
        {"stop West", [](Mount& m) { m.mount_stop(West); }, {"#:Qw#"}},
        {"North", [](Mount& m) { m.mount_move(North, false, CONTINUOUS_MOVE); }, {"#:Mn#"}},
        {"stop North", [](Mount& m) { m.mount_stop(North); }, {"#:Qn#"}},
        {"South", [](Mount& m) { m.mount_move(South, false, CONTINUOUS_MOVE); }, {"#:Ms#"}},
        {"stop South", [](Mount& m) { m.mount_stop(South); }, {"#:Qs#"}},
        {"rate Guide", [](Mount& m) { m.set_rate(0); }, {"#:RG#"}},
        {"rate Centre", [](Mount& m) { m.set_rate(1); }, {"#:RC#"}},
        {"rate Find", [](Mount& m) { m.set_rate(2); }, {"#:RM#"}},
        {"rate Slew", [](Mount& m) { m.set_rate(3); }, {"#:RS#"}},
        {"focuser IN slow", [](Mount& m) { m.focuser_move(0, false); }, {"#:FS#", "#:F-#"}},
        {"focuser stop", [](Mount& m) { m.focuser_stop(0); }, {"#:FQ#"}},
        {"focuser OUT fast", [](Mount& m) { m.focuser_move(1, true); }, {"#:FF#", "#:F+#"}},
        {"focuser stop", [](Mount& m) { m.focuser_stop(1); }, {"#:FQ#"}},
        {"declination", [](Mount& m) { m.send_lx200("#:GD#"); }, {"#:GD#"}},
        {"select", [](Mount& m) { m.send_lx200("#:LM 31#"); }, {"#:LM 31#"}},
    };
    for (int ending = 0; ending < 4; ++ending) {
        MountFixture g{MountInterface::LX200};
        g.settings.CKB_CR = ending & 1;
        g.settings.CKB_LF = ending & 2;
        const QByteArray end = QByteArray(g.settings.CKB_CR ? "\r" : "") + QByteArray(g.settings.CKB_LF ? "\n" : "");
        ASSERT_TRUE(g.mount.mount_connect());
        ASSERT_EQ(g.pty.read(5), "#:RG#" + end);
        for (const Request& r : requests) {
            r.run(g.mount);
            QByteArray expected;
            for (const QByteArray& c : r.commands) expected += c + end;
            EXPECT_EQ(g.pty.read(expected.size()), expected) << r.what << " ending " << ending;
        }
    }
}

TEST_F(Lx200, CrThenLf)
{
    f.settings.CKB_CR = true;
    f.settings.CKB_LF = true;
    connect();
    f.mount.mount_move(North, false, CONTINUOUS_MOVE);
    EXPECT_EQ(f.pty.read(7), QByteArray("#:Mn#\r\n"));
}

TEST_F(Lx200, ConnectionSendsThePaddleRateUnlessAutoguidingMadeIt)
{
    f.settings.paddleRate = 2;
    ASSERT_TRUE(f.mount.mount_connect());
    EXPECT_EQ(f.pty.read(5), QByteArray("#:RM#"));
    f.mount.mount_disconnect();
    ASSERT_TRUE(f.mount.mount_connect(Mount::ConnectCause::Autoguiding));
    f.mount.mount_move(East, false, CONTINUOUS_MOVE);
    EXPECT_EQ(f.pty.read(5), QByteArray("#:Me#"));
    ASSERT_FALSE(f.view.controls.empty());
    EXPECT_EQ(f.view.controls.back(), linkControlsFor(true));
    EXPECT_FALSE(f.view.controls.back().BTN_Connecter);
    EXPECT_TRUE(f.view.controls.back().BTN_Stop);
}

TEST_F(Lx200, EastWhileWestRunsStopsWestFirst)
{
    connect();
    f.mount.mount_move(West, false, CONTINUOUS_MOVE);
    EXPECT_EQ(f.pty.read(5), QByteArray("#:Mw#"));
    f.mount.mount_move(East, false, CONTINUOUS_MOVE);
    EXPECT_EQ(f.pty.read(10), QByteArray("#:Qw##:Me#"));
    EXPECT_TRUE(f.mount.moving(East));
    EXPECT_FALSE(f.mount.moving(West));
    f.mount.mount_move(South, false, CONTINUOUS_MOVE);
    f.mount.mount_move(North, false, CONTINUOUS_MOVE);
    EXPECT_EQ(f.pty.read(15), QByteArray("#:Ms##:Qs##:Mn#"));
}

TEST_F(Lx200, SecondEastIgnoredAndItsTimerKept)
{
    connect();
    f.mount.mount_move(East, true, 800);
    EXPECT_EQ(f.pty.read(5), QByteArray("#:Me#"));
    f.timeline.advanceMs(300);
    f.mount.mount_move(East, true, 2000);
    EXPECT_EQ(f.pty.read(1, 100), QByteArray());
    EXPECT_EQ(f.mount.timer(Axis::RA).interval(), 800);
    f.timeline.advanceMs(499);
    EXPECT_EQ(f.pty.read(1, 50), QByteArray());
    f.timeline.advanceMs(1);
    EXPECT_EQ(f.pty.read(5), QByteArray("#:Qe#"));
    EXPECT_FALSE(f.mount.timer(Axis::RA).active());
}

TEST_F(Lx200, InversionSwapsMovesAndStops)
{
    f.settings.CKB_InverseAD = true;
    connect();
    f.mount.mount_move(East, false, CONTINUOUS_MOVE);
    EXPECT_EQ(f.pty.read(5), QByteArray("#:Mw#"));
    f.mount.mount_stop(East);
    EXPECT_EQ(f.pty.read(5), QByteArray("#:Qw#"));
    f.settings.CKB_InverseDEC = true;
    f.mount.mount_move(North, true, 100);
    EXPECT_EQ(f.pty.read(5), QByteArray("#:Ms#"));
    f.timeline.advanceMs(100);
    EXPECT_EQ(f.pty.read(5), QByteArray("#:Qs#"));
}

TEST_F(Lx200, TimedMoveEndsOnItsTimerAndShowsItself)
{
    f.settings.TNI_Vitesse_Nord = 2.0;
    connect();
    f.mount.mount_move(North, false, 3.0); // 3 arcsec at 2 arcsec/s
    EXPECT_EQ(f.pty.read(5), QByteArray("#:Mn#"));
    ASSERT_EQ(f.view.moves.size(), 1u);
    EXPECT_EQ(f.view.moves[0].axis, Axis::Dec);
    EXPECT_EQ(f.view.moves[0].direction, QStringLiteral("Nord"));
    EXPECT_EQ(f.view.moves[0].ms, 1500);
    f.timeline.advanceMs(1499);
    EXPECT_EQ(f.pty.read(1, 50), QByteArray());
    f.timeline.advanceMs(1);
    EXPECT_EQ(f.pty.read(5), QByteArray("#:Qn#"));
}

TEST_F(Lx200, SpeedZeroCountsAsOneTenth)
{
    f.settings.TNI_Vitesse_Est = 0;
    connect();
    f.mount.mount_move(East, false, 1.0);
    EXPECT_EQ(f.mount.timer(Axis::RA).interval(), 10000);
    f.timeline.advanceMs(9999);
    EXPECT_TRUE(f.mount.moving(East));
    f.timeline.advanceMs(1);
    EXPECT_EQ(f.pty.read(10), QByteArray("#:Me##:Qe#"));
}

TEST_F(Lx200, LongMovesAreClampedNotWrapped)
{
    connect();
    f.mount.mount_move(West, true, 70000); // 70000 mod 65536 would be 4464
    EXPECT_EQ(f.mount.timer(Axis::RA).interval(), 65535);
    f.timeline.advanceMs(65534);
    EXPECT_TRUE(f.mount.moving(West));
    f.timeline.advanceMs(1);
    EXPECT_FALSE(f.mount.moving(West));
    EXPECT_EQ(f.pty.read(10), QByteArray("#:Mw##:Qw#"));
}

TEST_F(Lx200, ContinuousMoveDisablesItsAxisTimer)
{
    connect();
    f.mount.mount_move(South, true, 500);
    f.mount.mount_move(South, false, CONTINUOUS_MOVE);
    EXPECT_FALSE(f.mount.timer(Axis::Dec).active());
    f.timeline.advanceMs(5000);
    EXPECT_TRUE(f.mount.moving(South));
    f.mount.BTN_StopClick();
    EXPECT_EQ(f.pty.read(10), QByteArray("#:Ms##:Qs#"));
}

TEST_F(Lx200, TestButtonsMoveWhilePressed)
{
    connect();
    f.mount.testButtonPressed(North);
    f.mount.testButtonReleased(North);
    f.mount.testButtonPressed(West);
    f.mount.BTN_StopClick();
    EXPECT_EQ(f.pty.read(20), QByteArray("#:Mn##:Qn##:Mw##:Qw#"));
}

TEST_F(Lx200, PositionQueryReadsTheReply)
{
    connect();
    f.mount.send_lx200("#:GD#");
    EXPECT_EQ(f.pty.read(5), QByteArray("#:GD#"));
    f.pty.write("+45*12#");
    // The reply reaches the port's queue in its own time on a real line.
    QByteArray reply;
    for (int i = 0; i < 50 && reply.isEmpty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        reply = f.mount.readReply();
    }
    EXPECT_EQ(reply, QByteArray("+45*12#"));
}

TEST(MoveDuration, InertiaAndSpeed)
{
    MountSettings s;
    s.RDB_Pourcent_Inertie = true;
    s.SPED_Pourcent_Inertie = 25;
    EXPECT_EQ(moveDurationMs(s, East, true, 400), 300);
    s.RDB_Pourcent_Inertie = false;
    s.RDB_Temps_Inertie = true;
    s.TNI_Tps_Inertie = 100;
    EXPECT_EQ(moveDurationMs(s, East, true, 80), 0);
    EXPECT_EQ(moveDurationMs(s, East, true, 1000), 900);
    s.RDB_Temps_Inertie = false;
    s.TNI_Vitesse_Sud = 0;
    EXPECT_EQ(moveDurationMs(s, South, false, 1), 10000);
    s.TNI_Vitesse_Sud = -3;
    EXPECT_EQ(moveDurationMs(s, South, false, 1), 10000);
    s.TNI_Vitesse_Ouest = 4;
    EXPECT_EQ(moveDurationMs(s, West, false, 1), 250);
    EXPECT_EQ(moveDurationMs(s, West, false, -5), 0);
    EXPECT_EQ(moveDurationMs(s, West, true, 12.9), 12);
    EXPECT_EQ(moveDurationMs(s, West, true, 1e12), 65535);
    EXPECT_EQ(moveDurationMs(s, West, true, std::nan("")), 0);
    EXPECT_EQ(moveDurationMs(s, West, false, 1e300), 65535);
}

TEST(Lx200Commands, Texts)
{
    EXPECT_EQ(lx200::move(East), QByteArray("#:Me#"));
    EXPECT_EQ(lx200::stop(South), QByteArray("#:Qs#"));
    EXPECT_EQ(lx200::stopAll(), QByteArray("#:Q#"));
    EXPECT_EQ(lx200::rate(3), QByteArray("#:RS#"));
    EXPECT_TRUE(lx200::rate(4).isEmpty());
    EXPECT_TRUE(lx200::rate(-1).isEmpty());
}

} // namespace
} // namespace velumbra

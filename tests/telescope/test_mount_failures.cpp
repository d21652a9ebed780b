// A lost link: one message, the moves stopped, a stop first at reconnection;
// stops at disconnection and at exit; moves that their timer missed.
#include "MountFixture.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace velumbra {
namespace {

using test::MountFixture;
using test::PtyPair;
using test::Wire;

TEST(LinkLoss, PeerClosingMidMoveIsReportedOnceAndTheNextLinkStopsFirst)
{
    MountFixture f{MountInterface::LX200};
    ASSERT_TRUE(f.mount.mount_connect());
    f.mount.mount_move(East, true, 500);
    f.mount.mount_move(North, true, 800);
    EXPECT_EQ(f.pty.read(15), QByteArray("#:RG##:Me##:Mn#"));
    f.pty.closeAll();
    f.timeline.advanceMs(500); // the East stop meets the closed peer
    ASSERT_EQ(f.messages.lines.size(), 1);
    EXPECT_EQ(f.messages.lines[0],
              QStringLiteral("put_string, erreur = 5 : liaison avec la monture coupée, mouvements arrêtés."));
    EXPECT_FALSE(f.mount.linkUp());
    EXPECT_FALSE(f.mount.timer(Axis::RA).active());
    EXPECT_FALSE(f.mount.timer(Axis::Dec).active());
    EXPECT_FALSE(f.mount.moving(North));
    EXPECT_EQ(f.view.controls.back(), linkControlsFor(false));

    // The guiding goes on asking: the link cannot come back, nothing more is said.
    for (int frame = 0; frame < 20; ++frame) {
        f.mount.mount_move(West, false, 2.0);
        f.timeline.advanceMs(100);
    }
    EXPECT_EQ(f.messages.lines.size(), 1);

    // A new peer: the first command on it is the stop.
    PtyPair again;
    ASSERT_TRUE(again.ok());
    f.settings.CBX_AG_PortSerie = again.path();
    f.mount.mount_move(South, true, 300);
    EXPECT_EQ(again.read(14), QByteArray("#:Q##:RG##:Ms#"));
    f.timeline.advanceMs(300);
    EXPECT_EQ(again.read(5), QByteArray("#:Qs#"));
    // An explicit connection attempt that fails is always reported.
    f.mount.mount_disconnect();
    again.closeAll();
    f.settings.CBX_AG_PortSerie = QStringLiteral("/nonexistent/tty");
    EXPECT_FALSE(f.mount.mount_connect());
    EXPECT_EQ(f.messages.lines.back(), QStringLiteral("open_com, erreur = 2"));
}

TEST(LinkLoss, WriteFailuresInTicksAreOneMessage)
{
    MountFixture f{MountInterface::Tolvir, Wire::Memory};
    ASSERT_TRUE(f.mount.mount_connect());
    f.mount.mount_move(East, false, CONTINUOUS_MOVE);
    f.line.failWith = EIO;
    f.timeline.advanceMs(5000);
    for (int i = 0; i < 10; ++i) f.mount.mount_move(North, true, 100);
    EXPECT_EQ(f.messages.lines.size(), 1);
    EXPECT_TRUE(f.messages.lines[0].startsWith(QStringLiteral("put_byte, erreur = 5")));
    EXPECT_FALSE(f.mount.timer(Axis::RA).active());
}

TEST(LinkLoss, ATickFailingInsideAReplyWaitIsHandledThere)
{
    MountFixture f{MountInterface::LX200, Wire::Memory};
    ASSERT_TRUE(f.mount.mount_connect());
    f.mount.mount_move(East, true, 100);
    f.line.input = "+45*12#";
    f.line.failWith = EIO; // the adapter is pulled out during the 200 ms wait
    EXPECT_EQ(f.mount.readReply(), QByteArray());
    ASSERT_EQ(f.messages.lines.size(), 1);
    EXPECT_TRUE(f.messages.lines[0].startsWith(QStringLiteral("put_string, erreur = 5")));
    EXPECT_FALSE(f.mount.linkUp());
    EXPECT_FALSE(f.mount.moving(East));
}

TEST(LinkOpen, PermissionDeniedNamesTheGroup)
{
    MountFixture f{MountInterface::LX200, Wire::Memory};
    f.line.openError = EACCES;
    EXPECT_FALSE(f.mount.mount_connect());
    ASSERT_EQ(f.messages.lines.size(), 1);
    EXPECT_TRUE(f.messages.lines[0].startsWith(QStringLiteral("open_com, erreur = 13 : accès refusé à /dev/simulated")));
    EXPECT_TRUE(f.messages.lines[0].contains(QStringLiteral("« dialout »")));
}

TEST(LinkOpen, BadLineSettingsAreAMessageNotACrash)
{
    MountFixture f{MountInterface::LX200};
    f.settings.CBX_AG_Vitesse = QStringLiteral("vite");
    EXPECT_FALSE(f.mount.mount_connect());
    ASSERT_EQ(f.messages.lines.size(), 1);
    EXPECT_EQ(f.messages.lines[0], QStringLiteral("set_com, erreur = 22"));
    EXPECT_FALSE(f.com.isOpen());
}

TEST(LinkOpen, AFileIsNeverTakenForAPort)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Velumbra.ini"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Prefs]\n");
    }
    MountFixture f{MountInterface::LX200};
    f.settings.CBX_AG_PortSerie = path;
    f.mount.mount_move(East, false, CONTINUOUS_MOVE);
    ASSERT_EQ(f.messages.lines.size(), 1);
    EXPECT_TRUE(f.messages.lines[0].startsWith(QStringLiteral("open_com, erreur = 25")));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("[Prefs]\n"));
}

TEST(Disconnection, StopsSentBeforeTheLinkCloses)
{
    {
        MountFixture f{MountInterface::LX200};
        ASSERT_TRUE(f.mount.mount_connect());
        f.mount.mount_move(West, true, 5000);
        f.mount.focuser_move(1, false);
        f.mount.mount_disconnect();
        EXPECT_EQ(f.pty.read(29), QByteArray("#:RG##:Mw##:FS##:F+##:Q##:FQ#"));
        ASSERT_EQ(f.messages.lines.size(), 1);
        EXPECT_FALSE(f.mount.timer(Axis::RA).active());
        f.timeline.advanceMs(6000); // no timer reconnects the link to end its move
        EXPECT_FALSE(f.mount.linkUp());
        EXPECT_EQ(f.view.controls.back(), linkControlsFor(false));
    }
    {
        MountFixture f{MountInterface::Varnek, Wire::Memory};
        f.mount.mount_move(East, false, CONTINUOUS_MOVE);
        f.mount.mount_move(South, false, CONTINUOUS_MOVE);
        f.ports.writePort(0x378, f.ports.outputByte(0x378) | 0x01); // a long-exposure line stays as it is
        f.mount.closeForExit();
        EXPECT_EQ(f.parports.writes.back().value, 0x01);
    }
    {
        MountFixture f{MountInterface::Dremla, Wire::Memory};
        f.settings.CBX_AG_PortSerie = QStringLiteral("$03F8 (COM1)");
        f.settings.serialDevicePath = QStringLiteral("/dev/simulated");
        f.mount.mount_move(North, false, CONTINUOUS_MOVE);
        const size_t before = f.line.modem.writes.size();
        f.mount.mount_disconnect();
        EXPECT_GT(f.line.modem.writes.size(), before); // the stop code
        EXPECT_FALSE(f.mount.moving(North));
        EXPECT_FALSE(f.line.open);
    }
}

TEST(Disconnection, NothingSentWhenIdle)
{
    MountFixture f{MountInterface::LX200};
    ASSERT_TRUE(f.mount.mount_connect());
    EXPECT_EQ(f.pty.read(5), QByteArray("#:RG#"));
    f.mount.mount_disconnect();
    EXPECT_EQ(f.pty.read(1, 50), QByteArray());
    EXPECT_TRUE(f.messages.lines.isEmpty());
}

TEST(Deadlines, AHeldBackTimerIsOvertakenByTheNextRequest)
{
    MountFixture f{MountInterface::LX200, Wire::Memory};
    ASSERT_TRUE(f.mount.mount_connect());
    f.mount.mount_move(East, true, 300);
    f.timeline.clock().advanceMs(1000); // time passes, the timer does not fire
    f.mount.mount_move(North, false, CONTINUOUS_MOVE);
    EXPECT_EQ(f.line.receivedBytes(), QByteArray("#:RG##:Me##:Qe##:Mn#"));
    EXPECT_FALSE(f.mount.timer(Axis::RA).active());
}

TEST(Deadlines, ZeroLengthMoveStillEnds)
{
    MountFixture f{MountInterface::LX200, Wire::Memory};
    f.settings.RDB_Temps_Inertie = true;
    f.settings.TNI_Tps_Inertie = 100;
    ASSERT_TRUE(f.mount.mount_connect());
    f.mount.mount_move(South, true, 80); // inertia leaves 0 ms
    f.timeline.advanceMs(0);
    f.timeline.advanceMs(1);
    EXPECT_EQ(f.line.receivedBytes(), QByteArray("#:RG##:Ms##:Qs#"));
}

} // namespace
} // namespace velumbra

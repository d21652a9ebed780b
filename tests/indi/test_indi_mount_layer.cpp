// The "INDI" interface of the mount layer: the requests the paddle and the
// autoguider make reach the telescope and focuser simulators; after the
// server is lost and restarted, the next request connects again.
#include "IndiServer.h"

#include "core/Messages.h"
#include "indi/IndiClient.h"
#include "telescope/Telescope.h"

#include <gtest/gtest.h>

namespace velumbra {
namespace {

const QString kMount = QStringLiteral("Telescope Simulator");

bool motionNorth(const IndiClient& client)
{
    const IndiProperty* p = client.property(kMount, QStringLiteral("TELESCOPE_MOTION_NS"));
    return p && p->isOn(u"MOTION_NORTH");
}

TEST(IndiMountLayer, TheMountRequestsReachTheIndiMountAndFocuser)
{
    if (!test::IndiServer::available()) GTEST_SKIP() << "indiserver is not installed";
    test::IndiServer server({"indi_simulator_telescope", "indi_simulator_focus"});
    ASSERT_TRUE(server.start());
    RecordingMessages messages;
    IndiClient client(messages);
    IndiSettings indiSettings;
    indiSettings.port = server.port();
    Telescope telescope(messages);
    telescope.attachIndi(client, indiSettings);
    telescope.settings.interface = MountInterface::Indi;
    telescope.settings.RDB_Pourcent_Inertie = false;
    Mount& mount = telescope.mount;

    // The first request connects the server and the mount.
    mount.mount_move(North, false, CONTINUOUS_MOVE);
    ASSERT_TRUE(mount.linkUp()) << messages.lines.join('\n').toStdString();
    EXPECT_TRUE(test::waitUntil([&] { return motionNorth(client); }, 3000));
    mount.mount_stop(North);
    EXPECT_TRUE(test::waitUntil([&] { return !motionNorth(client); }, 3000));

    // A guide pulse as the autoguider sends it: counted, and ended by the mount.
    const quint64 before = mount.lastPulse(Axis::RA).count;
    mount.mount_move(West, true, 300);
    EXPECT_EQ(mount.lastPulse(Axis::RA).count, before + 1);
    EXPECT_EQ(mount.lastPulse(Axis::RA).ms, 300);
    EXPECT_TRUE(test::waitUntil([&] {
        const IndiProperty* p = client.property(kMount, QStringLiteral("TELESCOPE_TIMED_GUIDE_WE"));
        return p && p->state == IndiProperty::State::Busy;
    }, 2000)) << "the pulse reached the mount";

    // The focus buttons.
    ASSERT_TRUE(test::waitUntil([&] { return !client.devicesOfKind(IndiFocuserKind).empty(); }, 5000));
    mount.focuser_move(1, false);
    ASSERT_NE(telescope.indi->focuser(), nullptr);
    EXPECT_TRUE(telescope.indi->focuser()->moving());
    mount.focuser_stop(1);
    EXPECT_FALSE(telescope.indi->focuser()->moving());

    // Lost, then back: the next request connects again and moves.
    mount.mount_move(North, false, CONTINUOUS_MOVE);
    server.kill();
    ASSERT_TRUE(test::waitUntil([&] { return !client.isConnected(); }, 5000));
    mount.mount_move(North, false, CONTINUOUS_MOVE); // nothing answers: one message from the failed connection at most
    EXPECT_FALSE(mount.moving(North));
    ASSERT_TRUE(server.start());
    mount.mount_move(North, false, CONTINUOUS_MOVE);
    EXPECT_TRUE(mount.linkUp()) << messages.lines.join('\n').toStdString();
    EXPECT_TRUE(test::waitUntil([&] { return motionNorth(client); }, 3000));
    mount.mount_stop_all();
    EXPECT_TRUE(test::waitUntil([&] { return !motionNorth(client); }, 3000));
    EXPECT_EQ(messages.lines.filter(QStringLiteral("Serveur INDI perdu")).size(), 1) << messages.lines.join('\n').toStdString();
}

} // namespace
} // namespace velumbra

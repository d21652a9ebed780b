// The INDI focuser simulator behind the focus buttons: in and out.
#include "IndiServer.h"

#include "core/Messages.h"
#include "indi/IndiClient.h"
#include "telescope/IndiFocuser.h"

#include <gtest/gtest.h>

namespace velumbra {
namespace {

TEST(IndiFocuserTest, MovesOutAndInWhileAButtonIsHeld)
{
    if (!test::IndiServer::available()) GTEST_SKIP() << "indiserver is not installed";
    test::IndiServer server({"indi_simulator_focus"});
    ASSERT_TRUE(server.start());
    RecordingMessages messages;
    IndiClient client(messages);
    ASSERT_TRUE(client.connectToServer(QStringLiteral("localhost"), server.port()));
    ASSERT_TRUE(test::waitUntil([&] { return !client.devicesOfKind(IndiFocuserKind).empty(); }, 10000));
    IndiFocuser focuser(client, client.devicesOfKind(IndiFocuserKind).front());
    ASSERT_TRUE(focuser.connect()) << focuser.lastError().toStdString();
    ASSERT_TRUE(test::waitUntil([&] { return focuser.position().has_value(); }, 3000));

    struct Case {
        int direction;
        double sign;
    };
    for (const Case c : {Case{1, +1}, Case{0, -1}}) {
        SCOPED_TRACE(c.direction);
        const double before = *focuser.position();
        focuser.focuser_move(c.direction, false);
        EXPECT_TRUE(focuser.moving());
        test::waitUntil([] { return false; }, 600);
        focuser.focuser_stop(c.direction);
        EXPECT_FALSE(focuser.moving());
        test::waitUntil([] { return false; }, 300);
        const double stopped = *focuser.position();
        EXPECT_GT((stopped - before) * c.sign, 0) << before << " -> " << stopped;
        test::waitUntil([] { return false; }, 500);
        EXPECT_NEAR(*focuser.position(), stopped, 1e-6) << "still moving after release";
    }
    EXPECT_TRUE(messages.lines.isEmpty()) << messages.lines.join('\n').toStdString();
}

} // namespace
} // namespace velumbra

// The INDI telescope simulator behind the mount requests: GOTO, timed guide
// pulses, continuous moves at the paddle's rate, abort, a lost server.
#include "IndiServer.h"

#include "core/Messages.h"
#include "core/SteadyClock.h"
#include "indi/IndiClient.h"
#include "telescope/IndiMount.h"

#include <gtest/gtest.h>

#include <cmath>

namespace velumbra {
namespace {

using test::IndiServer;
using test::waitUntil;

const QString kMount = QStringLiteral("Telescope Simulator");
constexpr double kSiderealArcsecPerS = 15.041067;

class IndiMountTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!IndiServer::available()) GTEST_SKIP() << "indiserver is not installed";
        ASSERT_TRUE(server.start());
        ASSERT_TRUE(client.connectToServer(QStringLiteral("localhost"), server.port()));
        ASSERT_TRUE(waitUntil([&] { return !client.devicesOfKind(IndiMountKind).empty(); }, 10000));
        mount = makeMount();
        ASSERT_TRUE(mount->connect()) << mount->lastError().toStdString();
    }
    std::unique_ptr<IndiMount> makeMount()
    {
        return std::make_unique<IndiMount>(
            client, kMount, settings,
            std::array<std::unique_ptr<MountTimer>, 2>{std::make_unique<QtMountTimer>(), std::make_unique<QtMountTimer>()},
            steady);
    }
    const IndiProperty& coords() { return *client.property(kMount, QStringLiteral("EQUATORIAL_EOD_COORD")); }
    // Waits for the next position the mount reports, then gives it.
    IndiMount::Position nextPosition()
    {
        bool updated = false;
        QObject context;
        QObject::connect(&client, &IndiClient::propertyUpdated, &context, [&](const IndiProperty& p) {
            if (p.name == QLatin1String("EQUATORIAL_EOD_COORD")) updated = true;
        });
        waitUntil([&] { return updated; }, 3000);
        return *mount->position();
    }
    bool settledAt(double ra, double dec, int timeoutMs)
    {
        return waitUntil([&] {
            const auto p = mount->position();
            return p && !p->slewing && std::abs(p->raHours - ra) < 0.01 && std::abs(p->decDegrees - dec) < 0.01;
        }, timeoutMs);
    }

    IndiServer server{{"indi_simulator_telescope"}};
    RecordingMessages messages;
    IndiClient client{messages};
    MountSettings settings;
    SystemSteadyClock steady;
    std::unique_ptr<IndiMount> mount;
};

TEST_F(IndiMountTest, AGotoReachesItsCoordinatesAndSyncPlacesTheMount)
{
    const double ra = nextPosition().raHours;
    ASSERT_TRUE(mount->sync(ra, 60));
    ASSERT_TRUE(settledAt(ra, 60, 5000)) << "sync";
    const double targetRa = std::fmod(ra + 0.1, 24.0);
    ASSERT_TRUE(mount->goTo(targetRa, 62));
    EXPECT_TRUE(settledAt(targetRa, 62, 15000)) << mount->position()->raHours << " " << mount->position()->decDegrees;
}

TEST_F(IndiMountTest, ATimedGuidePulseMovesByGuideRateTimesItsLength)
{
    ASSERT_TRUE(waitUntil([&] { return mount->hasTimedGuide(); }, 3000));
    const double ra0 = nextPosition().raHours;
    ASSERT_TRUE(mount->sync(ra0, 45));
    ASSERT_TRUE(settledAt(ra0, 45, 5000));
    const double guideRate = client.property(kMount, QStringLiteral("GUIDE_RATE"))->number(u"GUIDE_RATE_NS");
    ASSERT_GT(guideRate, 0);
    struct Case {
        MoveDirection direction;
        int ms;
        double decSign; // the sign of the change in declination
    };
    const Case cases[] = {{North, 1500, +1}, {South, 1000, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.direction));
        const auto before = nextPosition();
        const quint64 count = mount->lastPulse(Axis::Dec).count;
        const qint64 start = steady.nowMs();
        mount->mount_move(c.direction, true, c.ms);
        const MountRequests::Pulse pulse = mount->lastPulse(Axis::Dec);
        EXPECT_EQ(pulse.count, count + 1);
        // The preferences' inertia compensation shortens it, as for every mount.
        EXPECT_EQ(pulse.ms, c.ms * (100 - settings.SPED_Pourcent_Inertie) / 100);
        EXPECT_TRUE(mount->moving(c.direction));
        // The move ends at its deadline.
        ASSERT_TRUE(waitUntil([&] { return !mount->timedMoveUnderWay(Axis::Dec); }, c.ms + 1000));
        EXPECT_GE(steady.nowMs() - start, pulse.ms);
        EXPECT_LT(steady.nowMs() - start, pulse.ms + 500); // the axis timer, on a busy machine
        EXPECT_FALSE(mount->moving(c.direction));
        waitUntil([&] {
            const IndiProperty* p = client.property(kMount, QStringLiteral("TELESCOPE_TIMED_GUIDE_NS"));
            return p && p->state != IndiProperty::State::Busy;
        }, 3000);
        const auto after = nextPosition();
        const double movedArcsec = (after.decDegrees - before.decDegrees) * 3600;
        const double expected = c.decSign * guideRate * kSiderealArcsecPerS * pulse.ms / 1000.0;
        EXPECT_NEAR(movedArcsec, expected, std::abs(expected) * 0.10) << "guide rate " << guideRate;
    }
}

TEST_F(IndiMountTest, AContinuousMoveGoesAtThePaddlesRateAndStopsOnRelease)
{
    const double ra0 = nextPosition().raHours;
    ASSERT_TRUE(mount->sync(ra0, 30));
    ASSERT_TRUE(settledAt(ra0, 30, 5000));
    double moved[2] = {0, 0};
    const int rates[2] = {0, 3};
    for (int i = 0; i < 2; ++i) {
        settings.paddleRate = rates[i];
        mount->set_rate(rates[i]);
        const auto before = nextPosition();
        mount->mount_move(North, false, CONTINUOUS_MOVE);
        waitUntil([] { return false; }, 700);
        mount->mount_stop(North);
        EXPECT_FALSE(mount->moving(North));
        waitUntil([&] { return !client.property(kMount, QStringLiteral("TELESCOPE_MOTION_NS"))->isOn(u"MOTION_NORTH"); }, 2000);
        const auto stopped = nextPosition();
        moved[i] = stopped.decDegrees - before.decDegrees;
        const auto later = nextPosition();
        EXPECT_NEAR(later.decDegrees, stopped.decDegrees, 1e-4) << "still moving after release";
    }
    EXPECT_GT(moved[0], 0);
    EXPECT_GT(moved[1], 4 * moved[0]) << "the slew rate moves faster than the guide rate";
}

TEST_F(IndiMountTest, AbortStopsASlew)
{
    const double ra0 = nextPosition().raHours;
    ASSERT_TRUE(mount->sync(ra0, 60));
    ASSERT_TRUE(settledAt(ra0, 60, 5000));
    ASSERT_TRUE(mount->goTo(ra0, 0));
    ASSERT_TRUE(waitUntil([&] { return mount->position()->slewing && mount->position()->decDegrees < 59; }, 5000));
    mount->abort();
    ASSERT_TRUE(waitUntil([&] { return !mount->position()->slewing; }, 3000));
    const auto stopped = nextPosition();
    const auto later = nextPosition();
    EXPECT_NEAR(later.decDegrees, stopped.decDegrees, 1e-3);
    EXPECT_GT(stopped.decDegrees, 10) << "far from the target: the slew did stop";
}

TEST_F(IndiMountTest, ALostServerStopsTheMovesAndARestartedOneIsTakenUpAgain)
{
    mount->mount_move(North, false, CONTINUOUS_MOVE);
    mount->mount_move(East, true, 5000);
    ASSERT_TRUE(mount->moving(North));
    server.kill();
    ASSERT_TRUE(waitUntil([&] { return !client.isConnected(); }, 5000));
    EXPECT_FALSE(mount->linkUp());
    EXPECT_FALSE(mount->moving(North));
    EXPECT_FALSE(mount->timedMoveUnderWay(Axis::RA));
    mount->mount_move(South, false, CONTINUOUS_MOVE); // nothing to send: no hang, no message
    EXPECT_FALSE(mount->moving(South));
    EXPECT_EQ(messages.lines.size(), 1) << messages.lines.join('\n').toStdString();

    ASSERT_TRUE(server.start());
    ASSERT_TRUE(client.connectToServer(QStringLiteral("localhost"), server.port()));
    ASSERT_TRUE(waitUntil([&] { return !client.devicesOfKind(IndiMountKind).empty(); }, 10000));
    ASSERT_TRUE(mount->connect()) << mount->lastError().toStdString();
    mount->mount_move(North, false, CONTINUOUS_MOVE);
    EXPECT_TRUE(waitUntil([&] { return client.property(kMount, QStringLiteral("TELESCOPE_MOTION_NS"))->isOn(u"MOTION_NORTH"); }, 3000));
    mount->mount_stop_all();
    EXPECT_EQ(messages.lines.size(), 1);
}

} // namespace
} // namespace velumbra

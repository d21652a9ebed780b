// Counts heap allocations made by guiding passes: the correction, the star
// watch and the guide log's line must cost the frame routine nothing.
#include "core/Clock.h"
#include "core/Messages.h"
#include "core/SteadyClock.h"
#include "telescope/Autoguider.h"

#include "GuideFixture.h"
#include "tests/AllocationCounter.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace velumbra;
using velumbra::testsupport::allocations;

namespace {

// Counts moves without keeping them: a recording list would allocate.
struct CountingMount final : MountRequests {
    void mount_move(MoveDirection d, bool, double amount) override { pulse = {pulse.count + 1, d, int(amount * 200)}; }
    void mount_stop(MoveDirection) override { ++stops; }
    void mount_stop_all() override { ++stops; }
    Pulse lastPulse(Axis) const override { return pulse; }
    Pulse pulse;
    int stops = 0;
};

struct NoWait final : Pause {
protected:
    void run(int) override {}
};

} // namespace

TEST(GuidingAllocation, CorrectionsAndTheirLogLinesAllocateNothing)
{
    ASSERT_EQ(velumbra::testsupport::probeAllocations(), 1); // the counter sees allocations
    CountingMount mount;
    NoWait pause;
    RecordingMessages messages;
    ManualClock clock;
    ManualSteadyClock steady;
    Autoguider guider({mount, pause, messages, clock, steady});
    GuideSettings s;
    s.CKB_Separes = true;
    guider.settingsSource = [s] { return s; };
    QTemporaryDir dir;
    const GuideLogSetup setup;
    guider.start(&setup, dir.path());
    ASSERT_TRUE(guider.log().isOpen());
    guider.guideStar({3, -4, false, 90}); // the reference brightness is taken

    const long before = allocations.load();
    for (int i = 0; i < 50; ++i) {
        clock.advanceMs(400);
        steady.advanceMs(400);
        guider.guideStar({(i % 7) - 3, (i % 5) - 2, false, 80 + i % 9});
    }
    EXPECT_EQ(allocations.load() - before, 0);
    EXPECT_GE(mount.pulse.count, 20u);
    guider.stop();
}

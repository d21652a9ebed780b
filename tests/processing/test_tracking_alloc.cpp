// Counts heap allocations made by tracking passes inside the frame routine.
#include "processing/CoreStages.h"
#include "processing/ImageCore.h"
#include "tests/processing/TestFrames.h"

#include "tests/AllocationCounter.h"

#include <gtest/gtest.h>

using namespace velumbra;
using velumbra::testsupport::allocations;

TEST(TrackingAllocation, SteadyTrackingAllocatesNothing)
{
    ASSERT_EQ(velumbra::testsupport::probeAllocations(), 1); // the counter sees allocations
    ManualClock clock;
    ImageCore core(clock);
    CoreStages stages(core);
    core.pipeline.setStages(&stages);
    core.buffers.create();
    testframes::DriftingStar still;
    still.perFrame = {0.0, 0.0};
    still.start = {200.0, 150.0};
    const testframes::FrameSource source = testframes::driftingStarSource(still);
    core.buffers.setFrameSize(source.width, source.height);
    source.render(0, core.buffers.frameSlots[0]);
    core.zone.starPos = {200, 150};
    core.flags.targetActive = true;
    core.controls.CKB_Suivi = true;
    core.controls.CKB_MAP = true;

    TrackingControls& t = core.controls.tracking;
    bool* methods[] = {&t.RDB_Somax, &t.RDB_Colimacon, &t.RDB_Cadres, &core.controls.RDB_Derive};
    for (bool* method : methods) {
        t.RDB_Somax = t.RDB_Colimacon = t.RDB_Cadres = core.controls.RDB_Derive = false;
        *method = true;
        for (int i = 0; i < 3; ++i) core.pipeline.ProcessFrame(true); // zone set-up
        const long before = allocations.load();
        for (int i = 0; i < 30; ++i) {
            clock.advanceMs(40);
            core.pipeline.ProcessFrame(true);
        }
        EXPECT_EQ(allocations.load() - before, 0);
    }
    core.pipeline.setStages(nullptr);
}

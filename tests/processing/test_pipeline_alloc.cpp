// Counts heap allocations made while frames go through the routine.
#include "simulator/StarField.h"
#include "processing/ImageCore.h"

#include "tests/AllocationCounter.h"

#include <gtest/gtest.h>

using namespace velumbra;
using velumbra::testsupport::allocations;

TEST(PipelineAllocation, SteadyFramesAllocateNothing)
{
    ManualClock clock;
    ImageCore core(clock);
    core.buffers.create();
    core.buffers.setFrameSize(800, 600);
    renderStarField(core.buffers.frameSlots[0], 800, 600, 3);
    core.zone.starPos = {400, 300};
    core.flags.targetActive = true;
    for (int i = 0; i < 3; ++i) core.pipeline.ProcessFrame(true); // zone set-up
    // The counter does see allocations.
    ASSERT_EQ(velumbra::testsupport::probeAllocations(), 1);

    const long before = allocations.load();
    for (int i = 0; i < 50; ++i) core.pipeline.ProcessFrame(i % 2 == 0);
    EXPECT_EQ(allocations.load() - before, 0);
}

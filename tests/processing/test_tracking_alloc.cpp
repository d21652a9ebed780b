// Counts heap allocations made by tracking passes inside the frame routine.
#include "processing/CoreStages.h"
#include "processing/ImageCore.h"
#include "tests/processing/TestFrames.h"

#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <new>

namespace {
std::atomic<long> allocations{0};
}

void* operator new(std::size_t n)
{
    ++allocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

using namespace velumbra;

TEST(TrackingAllocation, SteadyTrackingAllocatesNothing)
{
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

// Counts heap allocations made while frames go through the routine.
#include "acquisition/StarField.h"
#include "processing/CoreStages.h"
#include "processing/ImageCore.h"

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
    const long probe = allocations.load();
    // Called directly: a new-expression pair may be optimised away.
    ::operator delete(::operator new(sizeof(int)));
    ASSERT_EQ(allocations.load() - probe, 1);

    const long before = allocations.load();
    for (int i = 0; i < 50; ++i) core.pipeline.ProcessFrame(i % 2 == 0);
    EXPECT_EQ(allocations.load() - before, 0);
}

TEST(PipelineAllocation, IntegratingWithDarkAndFlatAllocatesNothing)
{
    ManualClock clock;
    ImageCore core(clock);
    CoreStages stages(core);
    core.pipeline.setStages(&stages);
    core.buffers.create();
    core.buffers.setFrameSize(800, 600);
    renderStarField(core.buffers.frameSlots[0], 800, 600, 5);
    core.zone.starPos = {400, 300};
    core.flags.targetActive = true;
    core.flags.permanentView = true;
    auto& mode = core.controls.integration;
    mode.CKB_Integration = true;
    mode.RDB_Unique = false;
    mode.RDB_Boucle = true;
    core.controls.PNL_Integration.SPED_Nb_Bitmap = 10;
    core.controls.TNI_MaxDark = 30;
    core.controls.CKB_Active_Flat = true;
    core.integrator.stats.frameCount[Dark] = 1;
    core.integrator.BTN_Demarrer_AddClick(); // allocates the loop ring once
    for (int i = 0; i < 3; ++i) core.pipeline.ProcessFrame(true);

    const long before = allocations.load();
    for (int i = 0; i < 50; ++i) core.pipeline.ProcessFrame(true);
    EXPECT_EQ(allocations.load() - before, 0);
    EXPECT_EQ(core.loop.loopCount, 10);
    core.pipeline.setStages(nullptr);
}

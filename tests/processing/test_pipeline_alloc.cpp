// Counts heap allocations made while frames go through the routine.
#include "acquisition/StarField.h"
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
    // A direct call: the compiler may drop a new/delete expression pair.
    ::operator delete(::operator new(sizeof(int)));
    ASSERT_EQ(allocations.load() - probe, 1);

    const long before = allocations.load();
    for (int i = 0; i < 50; ++i) core.pipeline.ProcessFrame(i % 2 == 0);
    EXPECT_EQ(allocations.load() - before, 0);
}

#include "core/Clock.h"
#include "bench/JpegReference.h"
#include "processing/ImageCore.h"
#include "processing/Raster.h"

#include <benchmark/benchmark.h>

namespace velumbra::bench {
namespace {

// One frame through the routine with the target active and no optional stage:
// the display copy, the zone outline and the copy of the zone to the result.
void BM_ProcessFrame(benchmark::State& state)
{
    const int width = int(state.range(0));
    const int height = int(state.range(1));
    ManualClock clock;
    ImageCore core(clock);
    core.buffers.create();
    core.buffers.setFrameSize(width, height);
    copyRect(referenceFrame(), {0, 0, width, height}, width, height, core.buffers.frameSlots[0], {0, 0});
    core.zone.starPos = {width / 2, height / 2};
    core.controls.TNI_Taille_ZAffich = 320; // the zone size field's default
    core.flags.targetActive = true;
    bool selected = false;
    for (auto _ : state) {
        core.pipeline.ProcessFrame(true, selected);
        benchmark::DoNotOptimize(selected);
    }
}
BENCHMARK(BM_ProcessFrame)->Args({640, 480})->Args({800, 600})->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace velumbra::bench

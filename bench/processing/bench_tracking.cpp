#include "core/Clock.h"
#include "bench/JpegReference.h"
#include "processing/CoreStages.h"
#include "processing/ImageCore.h"
#include "processing/Raster.h"

#include <benchmark/benchmark.h>

namespace velumbra::bench {
namespace {

enum Method : int { Somax, Colimacon, Cadres, Derive };

// One tracking pass on the reference frame: the zone is detectSize wide
// (320 gives the largest zone, 321 x 321 pixels), centred on the frame.
void BM_TrackObject(benchmark::State& state)
{
    const auto method = Method(state.range(0));
    const int detectSize = int(state.range(1));
    ManualClock clock;
    ImageCore core(clock);
    CoreStages stages(core);
    core.buffers.create();
    core.buffers.setFrameSize(kMaxFrameWidth, kMaxFrameHeight);
    copyRect(referenceFrame(), {0, 0, kMaxFrameWidth, kMaxFrameHeight}, kMaxFrameWidth, kMaxFrameHeight,
             core.buffers.frameSlots[0], {0, 0});
    TrackingControls& t = core.controls.tracking;
    t.RDB_Somax = method == Somax;
    t.RDB_Colimacon = method == Colimacon;
    t.RDB_Cadres = method == Cadres;
    core.controls.RDB_Derive = method == Derive;
    core.controls.TNI_Taille_ZDetect = detectSize;
    core.tracking.driftRate = {3.0, -2.0};
    stages.tracker().restartDrift({400, 300});
    for (auto _ : state) {
        core.zone.starPos = {400, 300};
        clock.advanceMs(40);
        benchmark::DoNotOptimize(stages.TrackObject(core.zone.starPos, detectSize, 0, true));
    }
    static const char* names[] = {"Somax", "Colimacon", "Cadres", "Derive"};
    state.SetLabel(names[method]);
}
BENCHMARK(BM_TrackObject)
    ->ArgsProduct({{Somax, Colimacon, Cadres, Derive}, {320, 40}})
    ->ArgNames({"method", "detectSize"})
    ->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace velumbra::bench

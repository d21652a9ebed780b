#include "core/Clock.h"
#include "core/ImageBuffers.h"
#include "acquisition/RawDemosaic.h"
#include "simulator/SkySimulator.h"
#include "bench/JpegReference.h"

#include <benchmark/benchmark.h>

namespace velumbra::bench {
namespace {

// RAW step on a full 800 x 600 frame (goal: at most half of BM_JpegReference).
void BM_RawDemosaic(benchmark::State& state)
{
    const QImage& source = referenceFrame();
    QImage destination(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
    for (auto _ : state) {
        RawDemosaic(source, destination, kMaxFrameWidth, kMaxFrameHeight, 1);
        benchmark::DoNotOptimize(destination.constBits());
    }
}
BENCHMARK(BM_RawDemosaic)->Unit(benchmark::kMicrosecond);

// One simulated 640 x 480 frame of a drifting star field (goal: at most BM_JpegReference).
void BM_SimulatorFrame(benchmark::State& state)
{
    ManualClock clock;
    SkySimulator sky(clock, 42);
    SkyParameters p;
    p.planet = state.range(0) != 0;
    sky.setParameters(p);
    sky.mount().setTracking(false);
    QImage frame(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
    for (auto _ : state) {
        clock.advanceMs(33);
        sky.render(frame, 640, 480);
        benchmark::DoNotOptimize(frame.constBits());
    }
}
BENCHMARK(BM_SimulatorFrame)->Arg(0)->Arg(1)->ArgName("planet")->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace velumbra::bench

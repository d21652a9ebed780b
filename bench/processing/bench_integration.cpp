#include "core/Clock.h"
#include "bench/JpegReference.h"
#include "processing/ImageCore.h"
#include "processing/Raster.h"

#include <benchmark/benchmark.h>
#include <algorithm>

namespace velumbra::bench {
namespace {

// An 800 x 600 zone covering the whole reference frame.
void setUpWholeFrame(ImageCore& core)
{
    core.buffers.create();
    core.buffers.setFrameSize(800, 600);
    copyRect(referenceFrame(), {0, 0, 800, 600}, 800, 600, core.buffers.zoneFrame, {0, 0});
    core.zone.displayZone = core.zone.zoneRect = {0, 0, 800, 600};
    core.controls.TNI_Taille_ZAffich = 800;
    core.controls.integration.CKB_Integration = true;
    core.controls.PNL_Integration.SPED_Nb_Bitmap = 0;
    core.integrator.planes.zero(Light);
}

// One frame added to the Light plane at 1x1, no render.
void BM_IntegrateAdd(benchmark::State& state)
{
    ManualClock clock;
    ImageCore core(clock);
    setUpWholeFrame(core);
    for (auto _ : state) {
        core.integrator.IntegrateAndRender(Light, true, false, false);
        if (core.integrator.stats.frameCount[Light] >= 200) { // stay below saturation
            core.integrator.planes.zero(Light);
            core.integrator.stats.frameCount[Light] = 0;
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_IntegrateAdd)->Unit(benchmark::kMicrosecond);

// One frame added and rendered with dark subtraction and flat division.
void BM_IntegrateAddRenderDarkFlat(benchmark::State& state)
{
    ManualClock clock;
    ImageCore core(clock);
    setUpWholeFrame(core);
    for (Plane p : {Dark, Flat}) {
        core.integrator.planes.zero(p);
        for (int i = 0; i < 4; ++i) core.integrator.IntegrateAndRender(p, true, false, false);
    }
    core.integrator.FlatMeans();
    core.controls.TNI_MaxDark = 20;
    core.controls.CKB_Active_Flat = true;
    core.controls.GRB_Seuils.SCB_Maximum = 20000;
    for (auto _ : state) {
        core.integrator.IntegrateAndRender(Light, true, false, true);
        if (core.integrator.stats.frameCount[Light] >= 200) {
            core.integrator.planes.zero(Light);
            core.integrator.stats.frameCount[Light] = 0;
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_IntegrateAddRenderDarkFlat)->Unit(benchmark::kMicrosecond);

// Loop mode over 10 frames: each add also subtracts the oldest ring frame.
void BM_IntegrateLoopAdd(benchmark::State& state)
{
    ManualClock clock;
    ImageCore core(clock);
    setUpWholeFrame(core);
    auto& mode = core.controls.integration;
    mode.RDB_Unique = false;
    mode.RDB_Boucle = true;
    core.controls.TNI_Taille_ZAffich = 640;
    core.zone.starPos = {400, 300};
    core.pipeline.UpdateDisplayZone();
    core.controls.PNL_Integration.SPED_Nb_Bitmap = 10;
    core.integrator.BTN_Demarrer_AddClick();
    for (int i = 0; i < 12; ++i) core.integrator.IntegrateAndRender(Light, true, false, false);
    for (auto _ : state) {
        core.integrator.IntegrateAndRender(Light, true, false, false);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_IntegrateLoopAdd)->Unit(benchmark::kMicrosecond);

// Memory floors of this plane layout, for reading the figures above: one
// clamping pass over the Light plane (what adding a frame cannot go below),
// and one pass reading Light, Dark and Flat and writing resultPlane (what
// a corrected render cannot go below, before the 8-bit mapping).
void BM_PlaneFloorAdd(benchmark::State& state)
{
    IntegrationPlanes planes;
    for (auto _ : state) {
        for (int x = 0; x < kMaxFrameWidth - 1; ++x) {
            int32_t* __restrict cell = planes.sum(Light) + planeIndex(x, 0, 0);
            for (int i = 0; i < kMaxFrameHeight * kPlaneChannels; ++i)
                cell[i] = std::clamp(cell[i] + 1, 0, int(kSumCeiling));
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PlaneFloorAdd)->Unit(benchmark::kMicrosecond);

void BM_PlaneFloorRender(benchmark::State& state)
{
    IntegrationPlanes planes;
    for (auto _ : state) {
        for (int x = 0; x < kMaxFrameWidth - 1; ++x) {
            int32_t* __restrict cell = planes.sum(Light) + planeIndex(x, 0, 0);
            const int32_t* __restrict dark = planes.sum(Dark) + planeIndex(x, 0, 0);
            const int32_t* __restrict flat = planes.sum(Flat) + planeIndex(x, 0, 0);
            int32_t* __restrict out = planes.result() + planeIndex(x, 0, 0);
            for (int i = 0; i < kMaxFrameHeight * kPlaneChannels; ++i) {
                const int32_t v = std::clamp(cell[i] + 1, 0, int(kSumCeiling));
                cell[i] = v;
                out[i] = v + dark[i] + flat[i];
            }
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PlaneFloorRender)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace velumbra::bench

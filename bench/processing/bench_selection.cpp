#include "core/Clock.h"
#include "bench/JpegReference.h"
#include "processing/CoreStages.h"
#include "processing/ImageCore.h"
#include "processing/Raster.h"

#include <benchmark/benchmark.h>

namespace velumbra::bench {
namespace {

// The quality measure alone: the score of the whole 800 x 600 zone frame at
// quality 30, with the running mean, as BM_JpegReference encodes it.
void BM_QualityMeasure(benchmark::State& state)
{
    QImage zoneFrame(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
    copyRect(referenceFrame(), {0, 0, 800, 600}, 800, 600, zoneFrame, {0, 0});
    QualitySelection quality;
    SelectionControls controls;
    controls.jpegQuality = 30;
    for (auto _ : state) benchmark::DoNotOptimize(quality.selectByQuality(zoneFrame, 0, controls));
    state.counters["bytes"] = double(quality.lastScore());
}
BENCHMARK(BM_QualityMeasure)->Unit(benchmark::kMicrosecond);

// The whole per-frame path at 800 x 600: tracking on the brightest pixel,
// quality selection, loop integration over 10 frames with the result
// rendered on every frame.
void BM_ProcessFrameSelectedLoop(benchmark::State& state)
{
    const bool quality = state.range(0) != 0;
    ManualClock clock;
    ImageCore core(clock);
    CoreStages stages(core);
    core.pipeline.setStages(&stages);
    core.buffers.create();
    core.buffers.setFrameSize(800, 600);
    copyRect(referenceFrame(), {0, 0, 800, 600}, 800, 600, core.buffers.frameSlots[0], {0, 0});
    core.zone.starPos = {400, 300};
    core.flags.targetActive = true;
    core.flags.permanentView = true;
    core.controls.CKB_Suivi = true;
    core.controls.CKB_Selection = quality;
    core.controls.TNI_Seuil_Selection = 0;
    core.controls.selection.jpegQuality = 30;
    auto& mode = core.controls.integration;
    mode.CKB_Integration = true;
    mode.RDB_Unique = false;
    mode.RDB_Boucle = true;
    core.controls.TNI_Taille_ZAffich = 640;
    core.controls.PNL_Integration.SPED_Nb_Bitmap = 10;
    core.pipeline.UpdateDisplayZone();
    core.integrator.BTN_Demarrer_AddClick();
    for (int i = 0; i < 12; ++i) core.pipeline.ProcessFrame(true); // the ring fills
    bool selected = false;
    for (auto _ : state) {
        core.pipeline.ProcessFrame(true, selected);
        benchmark::DoNotOptimize(selected);
    }
    if (!selected || core.loop.loopCount < 10) state.SkipWithError("frames not selected into the loop");
    core.pipeline.setStages(nullptr);
}
BENCHMARK(BM_ProcessFrameSelectedLoop)->Arg(1)->Arg(0)->ArgName("quality")->Unit(benchmark::kMicrosecond);

// Motion detection over a whole 800 x 600 frame.
void BM_MotionMeasure(benchmark::State& state)
{
    const QImage& live = referenceFrame();
    QImage reference = live.copy();
    reference.fill(Qt::black);
    for (auto _ : state) benchmark::DoNotOptimize(motionMeasure(live, reference, 800, 600, 10, 100));
}
BENCHMARK(BM_MotionMeasure)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace velumbra::bench

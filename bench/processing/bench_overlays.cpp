#include "bench/JpegReference.h"
#include "core/Clock.h"
#include "processing/CoreStages.h"
#include "processing/ImageCore.h"
#include "processing/Overlays.h"
#include "processing/Raster.h"

#include <benchmark/benchmark.h>

namespace velumbra::bench {
namespace {

// The information window's share of a frame: the histogram picture drawn
// again from the counts, as the window does.
struct DrawingInfo : InfoView {
    void histogramCounted(const Histogram& h) override
    {
        drawHistogram(picture, h, 100, marks);
        benchmark::DoNotOptimize(picture.constBits());
    }
    QImage picture{256, 101, QImage::Format_RGB32};
    HistogramMarks marks{120, 80, 40, 250};
};

// A frame of 800 x 600 with the target active, tracking off.
struct OverlayRig {
    OverlayRig()
    {
        core.buffers.create();
        core.buffers.setFrameSize(kW, kH);
        copyRect(referenceFrame(), {0, 0, kW, kH}, kW, kH, core.buffers.frameSlots[0], {0, 0});
        core.zone.starPos = {kW / 2, kH / 2};
        core.controls.TNI_Taille_ZAffich = 320;
        core.flags.targetActive = true;
        core.pipeline.setStages(&stages);
        stages.setInfoView(&info);
        // The reticle is drawn once into its layer, then merged with each frame.
        core.buffers.reticleLayer.fill(Qt::white);
        ReticleOptions o;
        o.orientation = 23;
        o.sampling = 1.0;
        DrawReticle(core.buffers.reticleLayer, {kW / 2, kH / 2}, kW, o);
        core.pipeline.reticleRect = {0, 0, kW, kH};
    }
    ~OverlayRig() { core.pipeline.setStages(nullptr); }
    void overlaysOn()
    {
        core.controls.CKB_Reticule = true;
        core.controls.CKB_Satur = true;
        core.controls.TNI_Seuil_Satur = 200;
        core.controls.CKB_Histogramme = true;
        core.controls.CKB_Info_Image = true;
    }

    static constexpr int kW = 800, kH = 600;
    ManualClock clock;
    ImageCore core{clock};
    CoreStages stages{core};
    DrawingInfo info;
};

// The overlays alone, as the frame routine runs them on each frame: the
// saturation view (drawn black with its red marks), the histogram counted and drawn, the
// target marker, and the reticle merged onto the display.
void BM_OverlayStages(benchmark::State& state)
{
    OverlayRig rig;
    rig.overlaysOn();
    ImageBuffers& b = rig.core.buffers;
    PaintSpans spans;
    for (auto _ : state) {
        rig.stages.MarkSaturation(200);
        rig.stages.UpdateHistogram();
        rig.stages.DrawTarget(rig.core.zone.starPos, 20, 0, 0);
        spans.merge(b.reticleLayer, rig.core.pipeline.reticleRect, kMaxFrameWidth, kMaxFrameHeight, b.display, {0, 0});
        benchmark::DoNotOptimize(b.display.constBits());
    }
}
BENCHMARK(BM_OverlayStages)->Unit(benchmark::kMicrosecond);

// Each overlay alone: 0 saturation view, 1 histogram, 2 target, 3 reticle merge.
void BM_OverlayPart(benchmark::State& state)
{
    OverlayRig rig;
    rig.overlaysOn();
    ImageBuffers& b = rig.core.buffers;
    const int part = int(state.range(0));
    PaintSpans spans;
    for (auto _ : state) {
        switch (part) {
        case 0:
            rig.stages.MarkSaturation(200);
            break;
        case 1: rig.stages.UpdateHistogram(); break;
        case 2: rig.stages.DrawTarget(rig.core.zone.starPos, 20, 0, 0); break;
        default:
            spans.merge(b.reticleLayer, rig.core.pipeline.reticleRect, kMaxFrameWidth, kMaxFrameHeight, b.display,
                        {0, 0});
        }
        benchmark::DoNotOptimize(b.display.constBits());
    }
}
BENCHMARK(BM_OverlayPart)->DenseRange(0, 3)->ArgName("part")->Unit(benchmark::kMicrosecond);

// The whole frame routine at 800 x 600, with the overlays off (0) and on (1):
// the difference is what the overlays add to a frame.
void BM_ProcessFrameOverlays(benchmark::State& state)
{
    OverlayRig rig;
    if (state.range(0)) rig.overlaysOn();
    bool selected = false;
    for (auto _ : state) {
        rig.core.pipeline.ProcessFrame(true, selected);
        benchmark::DoNotOptimize(selected);
    }
}
BENCHMARK(BM_ProcessFrameOverlays)->Arg(0)->Arg(1)->ArgName("overlays")->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace velumbra::bench

#include "bench/JpegReference.h"
#include "core/Clock.h"
#include "core/Messages.h"
#include "core/Pause.h"
#include "core/SteadyClock.h"
#include "processing/CoreStages.h"
#include "processing/ImageCore.h"
#include "processing/Raster.h"
#include "telescope/Autoguider.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace velumbra::bench {
namespace {

// A mount that takes the requests and sends nothing: what is measured is
// the guiding's own work, not a serial line's.
struct SilentMount final : MountRequests {
    void mount_move(MoveDirection d, bool, double amount) override
    {
        pulse = {pulse.count + 1, d, int(amount * 100)};
    }
    void mount_stop(MoveDirection) override {}
    void mount_stop_all() override {}
    Pulse lastPulse(Axis) const override { return pulse; }
    Pulse pulse;
};

struct NoWait final : Pause {
protected:
    void run(int) override {}
};

// One frame of 640 x 480 through the frame routine with tracking (the
// brightest pixel in a 40-pixel zone), without (guiding 0) and with
// autoguiding (guiding 1): a correction on every frame, the worst interval,
// each one written to the guide log and flushed. The difference between
// the two is the whole per-frame cost of guiding.
void BM_FrameTrackingOrGuiding(benchmark::State& state)
{
    const bool guiding = state.range(0) != 0;
    ManualClock clock;
    ManualSteadyClock steady;
    ImageCore core(clock);
    CoreStages stages(core);
    core.buffers.create();
    core.buffers.setFrameSize(640, 480);
    copyRect(referenceFrame(), {0, 0, 640, 480}, 640, 480, core.buffers.frameSlots[0], {0, 0});
    core.pipeline.setStages(&stages);
    core.zone.starPos = {320, 240};
    core.controls.TNI_Taille_ZAffich = 320;
    core.controls.TNI_Taille_ZDetect = 40;
    core.controls.CKB_Suivi = true;
    core.flags.targetActive = true;

    SilentMount mount;
    NoWait pause;
    RecordingMessages messages;
    Autoguider guider({mount, pause, messages, clock, steady});
    GuideSettings settings;
    settings.CKB_Separes = false;
    guider.settingsSource = [settings] { return settings; };
    QTemporaryDir dir;
    const GuideLogSetup setup;
    if (guiding) {
        stages.tracker().setGuideCorrection(&guider);
        core.controls.CKB_Autoguidage = true;
        core.controls.SPED_Intervalle_Guidage = 1;
        guider.start(&setup, dir.path());
    }
    bool selected = false;
    for (auto _ : state) {
        // The star seen 3 pixels right and 2 up of the reference each time.
        core.zone.starPos = {317, 242};
        clock.advanceMs(40);
        steady.advanceMs(40);
        core.pipeline.ProcessFrame(true, selected);
        benchmark::DoNotOptimize(selected);
    }
    guider.stop();
    stages.tracker().setGuideCorrection(nullptr);
    core.pipeline.setStages(nullptr);
    state.SetLabel(guiding ? "guiding, a correction each frame" : "tracking");
}
BENCHMARK(BM_FrameTrackingOrGuiding)->ArgNames({"guiding"})->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace velumbra::bench

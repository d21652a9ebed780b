// Quality selection on simulated sky frames whose seeing changes from frame
// to frame: the frames it keeps have the sharper stars.
#include "simulator/SkySimulator.h"
#include "processing/CoreStages.h"
#include "processing/ImageCore.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <numeric>
#include <vector>

using namespace velumbra;

namespace {

struct SimFrame {
    double trueFwhm = 0; // pixels
    double score = 0;
    bool selected = false;
};

// Runs the frames through the routine with "DCT" on at the given threshold.
std::vector<SimFrame> runFrames(double threshold, const std::vector<double>& seeings)
{
    ManualClock clock;
    SkySimulator sky(clock, 7);
    ImageCore core(clock);
    CoreStages stages(core);
    core.pipeline.setStages(&stages);
    core.buffers.create();
    core.buffers.setFrameSize(640, 480);
    core.zone.starPos = {320, 240};
    core.controls.TNI_Taille_ZAffich = 400;
    core.flags.targetActive = true;
    core.controls.CKB_Selection = true;
    core.controls.TNI_Seuil_Selection = threshold;
    core.controls.selection.SPED_Nb_Mesures = 10;
    std::vector<SimFrame> frames;
    for (const double seeing : seeings) {
        SkyParameters p = sky.parameters();
        p.seeing = seeing;
        p.jitter = 0;
        sky.setParameters(p);
        clock.advanceMs(40);
        sky.render(core.buffers.frameSlots[0], 640, 480);
        SimFrame f;
        f.trueFwhm = sky.seeingFwhmPixels(); // the frame just rendered
        f.selected = core.pipeline.ProcessFrame(true);
        f.score = double(core.quality.lastScore());
        frames.push_back(f);
    }
    core.pipeline.setStages(nullptr);
    return frames;
}

double meanFwhm(const std::vector<SimFrame>& frames, bool selected)
{
    double sum = 0;
    int n = 0;
    for (const SimFrame& f : frames)
        if (f.selected == selected) {
            sum += f.trueFwhm;
            ++n;
        }
    return n ? sum / n : 0;
}

} // namespace

TEST(QualitySelectionSim, KeptFramesHaveSharperStarsThanRejectedOnes)
{
    // Seeing from 1.5" to 6" in an order with no trend.
    std::vector<double> seeings;
    for (int i = 0; i < 30; ++i) seeings.push_back(1.5 + 4.5 * ((i * 7) % 30) / 29.0);

    const std::vector<SimFrame> scored = runFrames(0, seeings);
    double mean = 0, best = 0;
    for (const SimFrame& f : scored) {
        mean += f.score / double(scored.size());
        best = std::max(best, f.score);
    }
    ASSERT_GT(best, mean);
    const double threshold = (mean + best) / 2;

    const std::vector<SimFrame> run = runFrames(threshold, seeings);
    const auto kept = std::count_if(run.begin(), run.end(), [](const SimFrame& f) { return f.selected; });
    ASSERT_GT(kept, 0);
    ASSERT_LT(kept, long(run.size()));
    EXPECT_LT(meanFwhm(run, true), meanFwhm(run, false))
        << kept << " kept of " << run.size() << " at threshold " << threshold;
}

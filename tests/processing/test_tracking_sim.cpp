// End-to-end tracking: frames of a drifting star go through the frame
// routine and the tracked position is compared with the star's true one.
#include "simulator/SkySimulator.h"
#include "processing/CoreStages.h"
#include "processing/ImageCore.h"
#include "tests/processing/TestFrames.h"

#include <cmath>
#include <memory>
#include <memory>
#include <string>
#include <gtest/gtest.h>
#include <cmath>
#include <numbers>

using namespace velumbra;
using namespace velumbra::testframes;

namespace {

enum class Method { Somax, Colimacon, Cadres, Derive };

struct RunResult {
    double meanError = 0.0;
    double maxError = 0.0;
    int lostFrames = 0; // the true star outside the detection zone
};

class TrackingRun {
public:
    TrackingRun(Method method, int msPerFrame) : msPerFrame_(msPerFrame)
    {
        core_.buffers.create();
        core_.pipeline.setStages(&stages_);
        core_.flags.targetActive = true;
        core_.controls.CKB_Suivi = true;
        core_.controls.TNI_Taille_ZDetect = 40;
        TrackingControls& t = core_.controls.tracking;
        t.RDB_Somax = method == Method::Somax;
        t.RDB_Colimacon = method == Method::Colimacon;
        t.RDB_Cadres = method == Method::Cadres;
        core_.controls.RDB_Derive = method == Method::Derive;
    }
    ~TrackingRun() { core_.pipeline.setStages(nullptr); }

    ImageCore& core() { return core_; }
    Tracker& tracker() { return stages_.tracker(); }

    // The star is designated on the first frame, as a click on it would.
    RunResult follow(const FrameSource& source, int frames)
    {
        core_.buffers.setFrameSize(source.width, source.height);
        RunResult run;
        double total = 0.0;
        const int half = int(core_.controls.TNI_Taille_ZDetect) / 2;
        for (int n = 0; n < frames; ++n) {
            const PointF truth = source.render(n, core_.buffers.frameSlots[0]);
            if (n == 0) {
                core_.zone.starPos = {int(std::lround(truth.x)), int(std::lround(truth.y))};
                tracker().restartDrift(core_.zone.starPos);
            }
            clock_.advanceMs(msPerFrame_);
            core_.pipeline.ProcessFrame(true);
            const double dx = core_.zone.starPos.x - truth.x;
            const double dy = core_.zone.starPos.y - truth.y;
            const double error = std::hypot(dx, dy);
            total += error;
            run.maxError = std::max(run.maxError, error);
            if (std::abs(dx) > half || std::abs(dy) > half) ++run.lostFrames;
        }
        run.meanError = total / frames;
        ::testing::Test::RecordProperty("meanError", std::to_string(run.meanError));
        ::testing::Test::RecordProperty("maxError", std::to_string(run.maxError));
        return run;
    }

private:
    ManualClock clock_;
    ImageCore core_{clock_};
    CoreStages stages_{core_};
    int msPerFrame_;
};

std::string methodName(const ::testing::TestParamInfo<Method>& info)
{
    switch (info.param) {
    case Method::Somax: return "Somax";
    case Method::Colimacon: return "Colimacon";
    default: return "Cadres";
    }
}

class FollowsDriftingStar : public ::testing::TestWithParam<Method> {};

TEST_P(FollowsDriftingStar, ForThreeHundredFrames)
{
    TrackingRun run(GetParam(), 100);
    const RunResult r = run.follow(driftingStarSource(DriftingStar{}), 300);
    EXPECT_EQ(r.lostFrames, 0);
    EXPECT_LT(r.meanError, 1.5);
    EXPECT_LT(r.maxError, 4.0);
}

INSTANTIATE_TEST_SUITE_P(Methods, FollowsDriftingStar,
                         ::testing::Values(Method::Somax, Method::Colimacon, Method::Cadres),
                         methodName);

// The same runs on the sky simulator: the mount does not track, so the
// field drifts at the sidereal rate x cos(declination) (5 pixels a second
// here), with seeing jitter, read and shot noise, hot pixels and vignetting.
// Each method is given the object it is made for: a star kept below
// saturation for the axis sums and the brightest pixel (a flat-topped star
// has no single brightest pixel), a planet's disc for the edge method.
FrameSource skySimulatorSource(Method method, int width, int height)
{
    struct Sky {
        ManualClock clock;
        std::unique_ptr<SkySimulator> sim;
        int star = -1;
    };
    auto sky = std::make_shared<Sky>();
    sky->sim = std::make_unique<SkySimulator>(sky->clock, 7);
    SkyParameters p;
    p.scale = 1.5;
    p.jitter = 0.3; // a steady night: the star's true place is well defined
    p.exposureMs = 10.0;
    p.hotPixels = 0; // the brightest-pixel method would take a hot pixel in its zone for the star
    p.planet = method == Method::Cadres;
    p.planetRadius = 25.0;
    sky->sim->setParameters(p);
    MountModel& mount = sky->sim->mount();
    mount.setTracking(false);
    if (p.planet) {
        // The planet starts left of the centre so its drift keeps it in view.
        const Equatorial at = mount.currentPointing();
        mount.pointAt({at.raHours - 140 * p.scale / std::cos(at.decDegrees * std::numbers::pi / 180) / 54000.0,
                       at.decDegrees});
    } else {
        mount.pointAt({5.0, 60.0});
    }
    const bool planet = p.planet;
    FrameSource source;
    source.width = width;
    source.height = height;
    source.render = [sky, width, height, planet](int n, QImage& slot) {
        if (n > 0) sky->clock.advanceMs(100);
        sky->sim->render(slot, width, height);
        QPointF at;
        if (planet) {
            at = sky->sim->planetPosition(width, height);
        } else {
            // A bright star far enough from the edges to stay in view for the run.
            if (sky->star < 0) sky->star = sky->sim->brightestStarInView(width, height, 200, 200.0);
            at = sky->sim->starPosition(sky->star, width, height);
        }
        return PointF{at.x(), at.y()};
    };
    return source;
}

class FollowsSimulatedSky : public ::testing::TestWithParam<Method> {};

TEST_P(FollowsSimulatedSky, ForThreeHundredFrames)
{
    TrackingRun run(GetParam(), 100);
    if (GetParam() == Method::Cadres) run.core().controls.TNI_Taille_ZDetect = 80; // the whole disc
    const RunResult r = run.follow(skySimulatorSource(GetParam(), 640, 480), 300);
    EXPECT_EQ(r.lostFrames, 0);
    EXPECT_LT(r.meanError, 1.5);
}

INSTANTIATE_TEST_SUITE_P(Methods, FollowsSimulatedSky,
                         ::testing::Values(Method::Somax, Method::Colimacon, Method::Cadres),
                         methodName);

TEST(DriftMethod, FollowsProgrammedDriftOnEmptySky)
{
    // No star at all: only the programmed rate moves the target.
    DriftingStar sky;
    sky.withStar = false;
    sky.perFrame = {0.7, -0.35};
    sky.start = {100.0, 220.0};
    TrackingRun run(Method::Derive, 100);
    run.core().tracking.driftRate = {7.0, -3.5}; // pixels per second at 10 frames a second
    const RunResult r = run.follow(driftingStarSource(sky), 300);
    EXPECT_EQ(r.lostFrames, 0);
    EXPECT_LT(r.maxError, 2.5);
    EXPECT_LT(r.meanError, 1.5);
}

} // namespace

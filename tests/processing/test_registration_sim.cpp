// Registration on the simulated sky: a field turning as on an alt-azimuth
// mount and drifting through a polar error. The truth is the simulator's
// own star positions; the measure comes from the pixels only.
#include "processing/StarRegistration.h"
#include "simulator/SkySimulator.h"
#include "tests/processing/WholeFrameCore.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace velumbra;

namespace {

constexpr int kWidth = 800, kHeight = 600;

// The turn and shift that take the frame now onto the frame at `reference`,
// from the simulator's positions of the stars in view (pixel centres at
// whole numbers, as the finder gives them).
struct TrueField {
    std::vector<int> ids;
    std::vector<QPointF> positions;
};

TrueField starsInView(SkySimulator& sky, int count)
{
    TrueField field;
    for (int id : sky.starsInView(kWidth, kHeight, 40)) {
        if (int(field.ids.size()) >= count) break;
        field.ids.push_back(id);
        field.positions.push_back(sky.starPosition(id, kWidth, kHeight) - QPointF(0.5, 0.5));
    }
    return field;
}

TEST(RegistrationSim, ATurningDriftingFieldIsFollowedToATenthOfAPixel)
{
    ManualClock clock;
    SkySimulator sky(clock, 5u);
    SkyParameters p = sky.parameters();
    p.fieldRotation = 0.5; // degrees per minute
    p.exposureMs = 400;
    p.seeing = 2.5;
    p.jitter = 0; // the seeing's image motion is real motion, but no part of the truth the simulator tells
    sky.setParameters(p);
    SimulatedMount m = sky.mount().settings();
    m.polarAzimuth = 40; // arc minutes: the field drifts in declination
    sky.mount().setSettings(m);
    sky.mount().pointAt({5.0, 40.0});
    sky.mount().setTracking(true);

    QImage frame(kWidth, kHeight, QImage::Format_RGB32);
    StarFinder finder;
    StarMatcher matcher;
    sky.render(frame, kWidth, kHeight);
    const TrueField reference = starsInView(sky, 60);
    ASSERT_GE(reference.ids.size(), 20u) << "too few stars in the simulated field";
    const std::vector<FoundStar> referenceStars = finder.find(frame, kWidth, kHeight);
    ASSERT_GE(referenceStars.size(), 20u);

    const QPointF centre(kWidth / 2.0, kHeight / 2.0);
    double shift2 = 0, turn2 = 0, travelled = 0;
    int registered = 0;
    constexpr int kFrames = 100;
    for (int n = 1; n <= kFrames; ++n) {
        clock.advanceMs(6000); // ten minutes in all: a five-degree turn
        sky.render(frame, kWidth, kHeight);
        std::vector<QPointF> now;
        for (int id : reference.ids) now.push_back(sky.starPosition(id, kWidth, kHeight) - QPointF(0.5, 0.5));
        const RigidTransform truth = fitRigid(now, reference.positions);

        const MatchResult r = matcher.match(referenceStars, finder.find(frame, kWidth, kHeight));
        if (!r.ok) continue;
        ++registered;
        const QPointF e = r.transform.apply(centre) - truth.apply(centre);
        shift2 += e.x() * e.x() + e.y() * e.y();
        const double dt = r.transform.degrees() - truth.degrees();
        turn2 += dt * dt;
        travelled = std::hypot(truth.shiftOf(centre).x(), truth.shiftOf(centre).y());
        if (n == kFrames) {
            EXPECT_NEAR(std::abs(truth.degrees()), 5.0, 0.1) << "the simulator turns the field";
        }
    }
    RecordProperty("shiftRms", std::to_string(std::sqrt(shift2 / std::max(registered, 1))));
    RecordProperty("turnRms", std::to_string(std::sqrt(turn2 / std::max(registered, 1))));
    EXPECT_EQ(registered, kFrames);
    ASSERT_GT(registered, 0);
    EXPECT_LT(std::sqrt(shift2 / registered), 0.1) << "pixels at the frame's centre";
    EXPECT_LT(std::sqrt(turn2 / registered), 0.02) << "degrees";
    EXPECT_GT(travelled, 2.0) << "the field drifted";
}

// The live stack with "Recalage": a field turning by a degree a second is
// laid frame by frame on the first, where the plain stack trails its stars;
// a starless frame is refused and not counted.
double outerCores(const IntegrationPlanes& planes, int width, int height)
{
    std::vector<int32_t> values;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (std::hypot(x - width / 2.0, y - height / 2.0) > 150) values.push_back(planes.sum(Light)[planeIndex(x, y, 1)]);
    std::partial_sort(values.begin(), values.begin() + 200, values.end(), std::greater<int32_t>());
    double sum = 0;
    for (int i = 0; i < 200; ++i) sum += values[std::size_t(i)];
    return sum / 200;
}

struct LiveRun {
    int stacked = 0;
    double cores = 0;
};

LiveRun liveStack(bool registration, int blankAt)
{
    constexpr int w = 640, h = 480;
    ManualClock clock;
    ImageCore core(clock);
    CoreStages stages(core);
    test::feedWholeFrames(core, stages, w, h);
    PipelineControls& c = core.controls;
    c.CKB_Suivi = registration;
    c.tracking = TrackingControls{};
    c.tracking.RDB_Colimacon = !registration;
    c.tracking.RDB_Recalage = registration;
    c.integration.CKB_Integration = true;
    c.integration.RDB_Unique = true;
    core.integrator.RDB_UniqueClick();
    c.PNL_Integration.SPED_Nb_Bitmap = 0;
    core.integrator.BTN_Demarrer_AddClick();

    SkySimulator sky(clock, 21u);
    SkyParameters p = sky.parameters();
    p.fieldRotation = 60; // a degree a second
    p.exposureMs = 200;
    sky.setParameters(p);
    for (int n = 0; n < 24; ++n) {
        clock.advanceMs(200);
        sky.render(core.buffers.frameSlots[0], w, h);
        if (n == blankAt) core.buffers.frameSlots[0].fill(QColor(12, 12, 12));
        core.pipeline.ProcessFrame(true);
    }
    LiveRun run;
    run.stacked = core.integrator.stats.frameCount[Light];
    run.cores = outerCores(core.integrator.planes, w, h);
    core.pipeline.setStages(nullptr);
    return run;
}

TEST(RegistrationSim, TheLiveStackHoldsATurningFieldStill)
{
    const LiveRun plain = liveStack(false, -1);
    const LiveRun registered = liveStack(true, 10);
    EXPECT_EQ(plain.stacked, 24);
    EXPECT_EQ(registered.stacked, 23) << "the starless frame is refused";
    EXPECT_GT(registered.cores, 1.3 * plain.cores) << registered.cores << " vs " << plain.cores;
}

} // namespace

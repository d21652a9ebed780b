// The guiding calibration "Apprendre": on tables of star positions with a
// recording mount, then over the simulated sky and LX200 mount.
#include "aids/GuideCalibration.h"
#include "core/SteadyClock.h"
#include "telescope/MountTimer.h"

#include "GuidingRig.h"
#include "../telescope/GuideFixture.h"

#include <gtest/gtest.h>

#include <map>

namespace velumbra::test {
namespace {

struct SpeedFields final : CalibrationView {
    double duration = 1000;
    double sampling = 1.5;
    std::map<MoveDirection, double> speeds;
    double TNI_Duree_test() const override { return duration; }
    double TNI_Echantillonnage() const override { return sampling; }
    void setSpeed(MoveDirection d, double v) override { speeds[d] = v; }
};

struct Calibrating : ::testing::Test {
    RecordingMount mount;
    ManualTimeline timeline;
    SpeedFields fields;
    GuideCalibrationStep step{mount, timeline.clock(), fields, timeline.make()};
    // A frame `ms` after the last with the star at `at`; `elapsedMs` is what
    // the sequencer passes (the step keeps its own monotonic time).
    bool frame(int ms, Point at, int elapsedMs = 0)
    {
        timeline.advanceMs(ms);
        return step.frame(at, elapsedMs, true);
    }
};

TEST_F(Calibrating, FourMotionsOfTheTestLengthThenTheEnd)
{
    step.begin({});
    // The star moves 4 pixels each 250 ms along each motion: 16 pixels, 24
    // arc seconds a second.
    Point at{100, 100};
    const Point way[] = {{-4, 0}, {0, -4}, {4, 0}, {0, 4}};
    EXPECT_TRUE(frame(0, at));
    EXPECT_EQ(mount.calls, (QStringList{"move Ouest 999999"}));
    EXPECT_EQ(step.timerInterval(), 1000);
    for (int motion = 0; motion < 4; ++motion) {
        for (int i = 0; i < 4; ++i) {
            at = {at.x + way[motion].x, at.y + way[motion].y};
            EXPECT_TRUE(frame(250, at) || (motion == 3 && i == 3)) << motion << " " << i;
        }
    }
    EXPECT_EQ(mount.calls, (QStringList{"move Ouest 999999", "stop Ouest", "move Nord 999999", "stop Nord",
                                        "move Est 999999", "stop Est", "move Sud 999999", "stop Sud"}));
    EXPECT_EQ(step.calStep(), 5);
    // Each field kept the speed of the last frame before its motion ended:
    // 12 pixels in 750 ms, the fourth frame starting the next motion.
    for (MoveDirection d : {West, North, East, South}) EXPECT_DOUBLE_EQ(fields.speeds[d], 12 * 1.5 / 0.75) << d;
    step.leave(false, 0);
    EXPECT_EQ(mount.calls.size(), 8); // nothing more to stop
}

TEST_F(Calibrating, TheMotionsTimeIsMonotonicWhateverTheTimeOfDaySays)
{
    step.begin({});
    frame(0, {50, 50});
    // The sequencer's time of day went through midnight (or the clock was
    // set back): the speed comes from the monotonic clock alone.
    frame(500, {45, 50}, -86399500);
    EXPECT_DOUBLE_EQ(fields.speeds[West], 5 * 1.5 / 0.5);
    frame(400, {41, 50}, 86000000);
    EXPECT_DOUBLE_EQ(fields.speeds[West], 9 * 1.5 / 0.9);
    EXPECT_EQ(step.calStep(), 1);
}

TEST_F(Calibrating, TimerIntervalAndShortestElapsed)
{
    struct Case {
        double duration;
        int interval;
    };
    // round(duration - 0.5), halves to even
    const Case cases[] = {{1000, 1000}, {1001, 1000}, {1002, 1002}, {999.7, 999}, {250, 250}};
    for (const Case& k : cases) {
        fields.duration = k.duration;
        step.begin({});
        frame(0, {10, 10});
        EXPECT_EQ(step.timerInterval(), k.interval) << k.duration;
        EXPECT_TRUE(step.timerEnabled());
    }
    // A move seen on the frame that starts the motion counts 10 ms at least.
    fields.duration = 1000;
    step.begin({});
    frame(0, {10, 10});
    frame(0, {11, 10});
    EXPECT_DOUBLE_EQ(fields.speeds[West], 1 * 1.5 / 0.01);
}

TEST_F(Calibrating, LeavingEarlyStopsTheMotionUnderWay)
{
    struct Case {
        int frames; // of 250 ms before leaving
        const char* lastCall;
    };
    const Case cases[] = {{1, "stop Ouest"}, {5, "stop Nord"}, {13, "stop Sud"}};
    for (const Case& k : cases) {
        mount.calls.clear();
        step.begin({});
        frame(0, {10, 10});
        for (int i = 0; i < k.frames; ++i) frame(250, {10, 10});
        step.leave(true, 0);
        EXPECT_EQ(mount.calls.last(), QString::fromUtf8(k.lastCall)) << k.frames;
        EXPECT_FALSE(step.timerEnabled());
    }
}

TEST_F(Calibrating, EachMotionEndsOnItsOwnClockWhenTheFramesStop)
{
    const char* motions[] = {"Ouest", "Nord", "Est", "Sud"};
    for (int last = 0; last < 4; ++last) {
        // Frames of 250 ms up to the middle of motion `last`, then none.
        mount.calls.clear();
        int finished = 0;
        step.finished = [&finished] { ++finished; };
        step.begin({});
        frame(0, {10, 10});
        for (int i = 0; i < 4 * last + 2; ++i) frame(250, {10, 10});
        timeline.advanceMs(499);
        EXPECT_EQ(mount.calls.last(), QStringLiteral("move %1 999999").arg(motions[last])) << last;
        timeline.advanceMs(1);
        EXPECT_EQ(mount.calls.last(), QStringLiteral("stop %1").arg(motions[last])) << last;
        timeline.advanceMs(60000);
        EXPECT_EQ(mount.calls.size(), 2 * last + 2) << last; // nothing more moves
        // The last motion's end is the calibration's end; before it, the
        // next frame starts the next motion.
        EXPECT_EQ(finished, last == 3 ? 1 : 0) << last;
        EXPECT_EQ(frame(0, {10, 10}), last != 3) << last;
        if (last != 3) {
            EXPECT_EQ(mount.calls.last(), QStringLiteral("move %1 999999").arg(motions[last + 1]));
        }
        step.leave(true, 0);
    }
}

TEST(CalibrationInstructions, FourNumberedLines)
{
    const QStringList lines = calibrationInstructions(NamedTexts::builtIn()).split(QLatin1Char('\n'));
    EXPECT_EQ(lines, (QStringList{"1-Demarrer le suivi du telescope", "2-Cliquer sur une etoile",
                                  "3-Cliquer sur le bouton \"Executer\"", "4-Attendre le message de fin d'execution"}));
}

// The LX200 commands on the line since the start, with the time of each.
std::vector<std::pair<QByteArray, qint64>> commandsOf(const GuidingRig& rig)
{
    std::vector<std::pair<QByteArray, qint64>> out;
    for (const SimulatedSerialLine::Byte& b : rig.line.received) {
        if (b.value == '#' && (out.empty() || (out.back().first.endsWith('#') && out.back().first.size() > 1)))
            out.push_back({"#", b.atMs});
        else if (!out.empty())
            out.back().first += char(b.value);
    }
    return out;
}

// The camera stops sending in the middle of the West motion: the mount
// stops at the motion's time all the same; when frames come back the
// calibration goes on to its end.
TEST(CalibrationOverTheSimulator, TheMotionStopsOnTimeWithoutFrames)
{
    SkyParameters p;
    p.scale = 1.0;
    p.exposureMs = 10;
    GuidingRig rig(MountInterface::LX200, p);
    ASSERT_GE(rig.star, 0);
    ASSERT_TRUE(rig.mount.mount_connect(Mount::ConnectCause::Button));
    rig.sequencer.arm(Operation::GuideCalibration);
    rig.sequencer.BTN_ExecuterClick(rig.core.zone.starPos, GuidingRig::kWidth, GuidingRig::kHeight);
    for (int i = 0; i < 4; ++i) rig.frame(100);
    rig.timeline.advanceMs(5000);
    rig.simMount.runUntil(rig.timeline.clock().nowMs());
    const auto commands = commandsOf(rig);
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[1].first, "#:Mw#");
    EXPECT_EQ(commands[2].first, "#:Qw#");
    EXPECT_EQ(commands[2].second - commands[1].second, 1000);
    EXPECT_FALSE(rig.sky.mount().moving(MountDirection::West));
    EXPECT_TRUE(rig.sequencer.measuring());

    int frames = 0;
    while (rig.sequencer.measuring() && frames < 60) {
        rig.frame(100);
        ++frames;
    }
    EXPECT_FALSE(rig.sequencer.measuring());
    EXPECT_EQ(rig.messages.lines.last(), QStringLiteral("Execution terminée"));
    EXPECT_EQ(commandsOf(rig).back().first, "#:Qs#");
}

// Over the simulated sky and LX200 mount, one second per direction, from
// two seconds before midnight.
TEST(CalibrationOverTheSimulator, OneSecondPerDirectionEndsWithExecutionTerminee)
{
    SkyParameters p;
    p.scale = 1.0;
    p.jitter = 0.3;
    p.exposureMs = 10;
    GuidingRig rig(MountInterface::LX200, p);
    ASSERT_GE(rig.star, 0);
    rig.settings.TNI_Vitesse_Est = rig.settings.TNI_Vitesse_Ouest = 0;
    rig.settings.TNI_Vitesse_Nord = rig.settings.TNI_Vitesse_Sud = 0;
    // "Connecter" first, as a user does: the link comes up at the guide rate.
    ASSERT_TRUE(rig.mount.mount_connect(Mount::ConnectCause::Button));
    const int frames = rig.calibrate(100, 100);
    EXPECT_LE(frames, 45); // four seconds and a frame or two
    EXPECT_FALSE(rig.sequencer.measuring());
    EXPECT_TRUE(rig.sequencer.armedFor(Operation::GuideCalibration));
    EXPECT_TRUE(rig.opView.execute);
    ASSERT_FALSE(rig.messages.lines.isEmpty());
    EXPECT_EQ(rig.messages.lines.last(), QStringLiteral("Execution terminée"));

    // Each motion started, then stopped one second later.
    QByteArray commands;
    std::vector<qint64> times;
    for (const SimulatedSerialLine::Byte& b : rig.line.received) {
        if (b.value == ':') times.push_back(b.atMs);
        commands += char(b.value);
    }
    // The guide rate set by "Connecter", then the four motions.
    EXPECT_EQ(commands, QByteArray("#:RG##:Mw##:Qw##:Mn##:Qn##:Me##:Qe##:Ms##:Qs#"));
    ASSERT_EQ(times.size(), 9u);
    times.erase(times.begin());
    for (size_t i = 0; i < 8; i += 2) {
        EXPECT_GE(times[i + 1] - times[i], 1000) << i;
        EXPECT_LE(times[i + 1] - times[i], 1100) << i;
    }
    // One second at 7.52"/s on a 1"/pixel image, measured to a pixel or so.
    for (double v : {rig.settings.TNI_Vitesse_Ouest, rig.settings.TNI_Vitesse_Nord, rig.settings.TNI_Vitesse_Est,
                     rig.settings.TNI_Vitesse_Sud})
        EXPECT_NEAR(v, 7.52, 2.0);
}

} // namespace
} // namespace velumbra::test

// Long exposures of the simulated camera through the program's port layer:
// the lines reach the simulated parallel box, whose camera integrates while
// they are low and delivers the exposure at readout.
#include "core/ImageBuffers.h"
#include "core/Messages.h"
#include "core/SteadyClock.h"
#include "exposure/LongExposure.h"
#include "exposure/PortAccessLines.h"
#include "simulator/ParallelBox.h"
#include "simulator/SimulatorDevices.h"
#include "simulator/SkySimulator.h"
#include "telescope/ComIo.h"
#include "telescope/Mount.h"
#include "telescope/MountSettings.h"
#include "telescope/MountTimer.h"
#include "telescope/ParallelPort.h"
#include "telescope/PortAccess.h"
#include "telescope/SimulatedSerial.h"
#include "telescope/SimulatorLink.h"
#include "telescope/TrafficLog.h"
#include "tests/simulator/SimTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <memory>

using namespace velumbra;

namespace {

constexpr int W = 640, H = 480;
constexpr int kRefreshMs = 50;
const QString kStopLine = QStringLiteral("0378 : 00001111");

struct SimCamera final : LongExposureHooks {
    SkySimulator* sky = nullptr;
    ImageBuffers* frames = nullptr;
    QImage exposure; // the last frame processed as new
    int exposures = 0;
    bool grabFrame(int slot) override
    {
        sky->render(frames->frameSlots[std::size_t(slot)], W, H);
        return true;
    }
    bool processFrame(bool newFrame) override
    {
        if (newFrame) {
            exposure = frames->frameSlots[0].copy(0, 0, W, H);
            ++exposures;
        }
        return true;
    }
};

struct LongExposureObservatory {
    LongExposureObservatory()
    {
        SkyParameters p;
        p.jitter = 0;
        p.readNoise = 0.5;
        p.gain = 0.1;
        p.hotPixels = 0;
        // A soft night: the stars spread enough for 5 s not to saturate them.
        p.seeing = 10.0;
        p.exposureMs = 5000; // a star that a 5 s exposure does not saturate
        sky.setParameters(p);
        sky.mount().pointAt({5.0, 30.0});
        star = sky.brightestStarInView(W, H, 60, 180);
        p.exposureMs = 40;
        sky.setParameters(p);
        noParport.openError = ENOENT; // a machine without a parallel port
        parports.attach(&devices);
        settings.CKB_Historique_Comm = true;
        frames.create();
        frames.setFrameSize(W, H);
        camera.sky = &sky;
        camera.frames = &frames;
        le = std::make_unique<LongExposure>(lines, steady, frames);
        le->setHooks(&camera);
        le->setEnabled(true);
        le->setLineSettings({});
    }
    void tick()
    {
        skyClock.advanceMs(kRefreshMs);
        steady.advanceMs(kRefreshMs);
        // The timers' own ticks, as the event loop would deliver them.
        if (le->exposureTimer().isActive() && steady.nowMs() - exposureStarted >= le->exposureTimer().interval()) {
            exposureStarted = steady.nowMs();
            le->TMR_ExposureTimer();
        }
        if (!le->exposureTimer().isActive()) exposureStarted = steady.nowMs();
        le->Timer1Tick();
    }
    // One exposure of this length; the frame it delivered.
    QImage expose(int ms)
    {
        le->controls.SPED_Vesta_Pose = ms;
        le->controls.SPED_Nb_Poses = 1;
        const int before = camera.exposures;
        le->BTN_Demarrer_PoseClick();
        for (int t = 0; t < ms + 3000 && camera.exposures == before; t += kRefreshMs) tick();
        for (int i = 0; i < 10; ++i) tick(); // the run ends itself
        return camera.exposure;
    }

    ManualClock skyClock;
    ManualSteadyClock steady;
    SkySimulator sky{skyClock, 33};
    SimulatorDevices devices{sky};
    RecordingMessages messages;
    MountSettings settings;
    TrafficLog traffic;
    SimulatedPorts noParport;
    SimulatorParallelPorts parports{noParport};
    PortAccess ports{parports, traffic, messages, settings};
    PortAccessLines lines{ports};
    ImageBuffers frames;
    SimCamera camera;
    std::unique_ptr<LongExposure> le;
    qint64 exposureStarted = 0;
    int star = -1;
};

// The parallel guide box on the observatory's port, its pulses on test time.
struct GuideBoxOnThePort {
    explicit GuideBoxOnThePort(LongExposureObservatory& o)
        : line(timeline.clock()), opener(line), com(opener, timeline.pause()),
          mount(o.settings, MountDevices{com, o.ports, o.traffic, o.messages, timeline.clock(), timeline.make(),
                                         timeline.make()})
    {
        o.settings.interface = MountInterface::Varnek;
        o.settings.RDB_Pourcent_Inertie = false;
    }
    ManualTimeline timeline;
    SimulatedSerialLine line;
    SimulatedSerialOpener opener;
    ComIo com;
    Mount mount;
};

} // namespace

// Guiding and a long exposure on one port: each changes only its own lines
// on the connector, whatever the other did before.
TEST(LongExposureSim, GuidePulsesAndExposuresShareThePort)
{
    LongExposureObservatory o;
    GuideBoxOnThePort box{o};
    const ParallelBox& pins = o.devices.parallelBox();
    MountModel& mount = o.sky.mount();
    o.le->writeIdleByte();
    ASSERT_EQ(pins.dataPins(), 0x0F);

    // A pulse East while the camera rests: its four lines stay high.
    box.mount.mount_move(East, true, 1000);
    EXPECT_EQ(pins.dataPins(), 0x1F);
    EXPECT_TRUE(mount.moving(MountDirection::East));
    EXPECT_FALSE(o.sky.integrating(LineSet::Odd));

    // An exposure starts during the pulse: the East line stays high.
    o.le->controls.SPED_Vesta_Pose = 2000;
    o.le->controls.SPED_Nb_Poses = 1;
    o.le->BTN_Demarrer_PoseClick();
    EXPECT_EQ(pins.dataPins(), 0x10);
    EXPECT_TRUE(mount.moving(MountDirection::East));
    EXPECT_TRUE(o.sky.integrating(LineSet::Odd));

    // The pulse ends: only its line falls, the camera integrates on.
    box.timeline.advanceMs(1000);
    EXPECT_EQ(pins.dataPins(), 0x00);
    EXPECT_FALSE(mount.moving(MountDirection::East));
    EXPECT_TRUE(o.sky.integrating(LineSet::Even));

    // A move North through the readout and the end of the run.
    box.mount.mount_move(North, false, CONTINUOUS_MOVE);
    EXPECT_EQ(pins.dataPins(), 0x40);
    for (int i = 0; i < 60 && o.camera.exposures == 0; ++i) o.tick();
    ASSERT_EQ(o.camera.exposures, 1);
    o.tick();
    EXPECT_FALSE(o.le->active());
    EXPECT_EQ(pins.dataPins(), 0x4F);
    EXPECT_TRUE(mount.moving(MountDirection::North));
    box.mount.mount_stop(North);
    EXPECT_EQ(pins.dataPins(), 0x0F);
    EXPECT_TRUE(o.messages.lines.isEmpty()) << o.messages.lines.join('\n').toStdString();
}

// A status register chosen as the camera's port: the run is refused, said.
TEST(LongExposureSim, AStatusRegisterIsRefused)
{
    LongExposureObservatory o;
    LongExposureLineSettings s;
    s.CBX_Vesta_Port = int(parallelPortList().indexOf(QStringLiteral("$279")));
    o.le->setLineSettings(s);
    o.le->BTN_Demarrer_PoseClick();
    EXPECT_FALSE(o.le->active());
    ASSERT_EQ(o.messages.lines.size(), 1);
    EXPECT_TRUE(o.messages.lines[0].contains(QStringLiteral("$279"))) << o.messages.lines[0].toStdString();
    EXPECT_FALSE(o.sky.integrating(LineSet::Odd));
}

TEST(LongExposureSim, LightGrowsWithTheExposureLength)
{
    LongExposureObservatory o;
    ASSERT_GE(o.star, 0);
    o.le->writeIdleByte();
    const QImage live = [&] {
        QImage img(W, H, kPixelFormat);
        o.sky.render(img, W, H);
        return img;
    }();
    const QImage two = o.expose(2000);
    ASSERT_EQ(o.camera.exposures, 1);
    EXPECT_FALSE(o.le->active());
    const QImage five = o.expose(5000);
    ASSERT_EQ(o.camera.exposures, 2);

    const double bias = o.sky.parameters().bias;
    const double bg2 = simtest::boxMedian(two, 0, 0, W, H) - bias;
    const double bg5 = simtest::boxMedian(five, 0, 0, W, H) - bias;
    const double bgLive = simtest::boxMedian(live, 0, 0, W, H) - bias;
    EXPECT_GT(bg2, 10.0);
    EXPECT_LT(bgLive, 3.0) << "a live frame holds almost nothing";
    EXPECT_NEAR(bg5 / bg2, 2.5, 0.25);

    // The star where the simulator's truth puts it, its light in the same ratio.
    const QPointF truth = o.sky.starPosition(o.star, W, H);
    const QPointF at2 = simtest::centroid(two, truth, 12, bias + bg2);
    const QPointF at5 = simtest::centroid(five, truth, 12, bias + bg5);
    EXPECT_NEAR(at2.x(), truth.x(), 1.0);
    EXPECT_NEAR(at2.y(), truth.y(), 1.0);
    EXPECT_NEAR(at5.x(), truth.x(), 1.0);
    EXPECT_NEAR(at5.y(), truth.y(), 1.0);
    const double flux2 = simtest::boxLight(two, truth, 16, bias + bg2);
    const double flux5 = simtest::boxLight(five, truth, 16, bias + bg5);
    EXPECT_GT(flux2, 100.0);
    EXPECT_NEAR(flux5 / flux2, 2.5, 0.25);
    std::printf("background %.1f / %.1f, flux %.0f / %.0f, star at %.2f,%.2f truth %.2f,%.2f\n", bg5, bg2, flux5, flux2, at5.x(), at5.y(), truth.x(), truth.y());
    int peak = 0;
    for (int y = int(truth.y()) - 3; y <= int(truth.y()) + 3; ++y)
        for (int x = int(truth.x()) - 3; x <= int(truth.x()) + 3; ++x) peak = std::max(peak, simtest::green(five, x, y));
    EXPECT_LT(peak, 255) << "the star is not saturated";

    // After the run the lines rest raised (the mode line too, without
    // "Permanent"); at capture stop the stop byte is the last write.
    ASSERT_FALSE(o.traffic.lines().isEmpty());
    EXPECT_EQ(o.traffic.lines().last(), kStopLine);
    o.le->writeStopByte();
    EXPECT_EQ(o.traffic.lines().last(), kStopLine);
    EXPECT_FALSE(o.sky.integrating(LineSet::Odd));
    EXPECT_FALSE(o.sky.integrating(LineSet::Even));
}

TEST(LongExposureSim, ClosingMidExposureLeavesEveryLineRaised)
{
    LongExposureObservatory o;
    o.le->controls.SPED_Vesta_Pose = 5000;
    o.le->BTN_Demarrer_PoseClick();
    for (int i = 0; i < 20; ++i) o.tick();
    ASSERT_TRUE(o.sky.integrating(LineSet::Odd));
    EXPECT_NE(o.traffic.lines().last(), kStopLine);
    o.le.reset(); // the program ends with the exposure running
    EXPECT_EQ(o.traffic.lines().last(), kStopLine);
    EXPECT_FALSE(o.sky.integrating(LineSet::Odd));
    EXPECT_FALSE(o.sky.integrating(LineSet::Even));
}

// The simulated port's cable pulled mid-exposure: one message, the run ends
// with its lines at rest (the camera stops integrating), nothing is written
// while the port is gone; plugged in again, a new run exposes as before.
TEST(LongExposureSim, APortPulledMidExposureEndsTheRunAndTheNextRunWorks)
{
    LongExposureObservatory o;
    o.le->controls.SPED_Vesta_Pose = 5000;
    o.le->BTN_Demarrer_PoseClick();
    for (int i = 0; i < 20; ++i) o.tick();
    ASSERT_TRUE(o.sky.integrating(LineSet::Odd));
    o.devices.parallelBox().unplug();
    EXPECT_FALSE(o.sky.integrating(LineSet::Odd)) << "the camera's lines went back to rest";
    const int exposures = o.camera.exposures;
    for (int i = 0; i < 120; ++i) o.tick();
    EXPECT_FALSE(o.le->active());
    EXPECT_EQ(o.le->portByte() & 0x0F, 0x0F);
    EXPECT_EQ(o.camera.exposures, exposures) << "no readout of a cut exposure";
    ASSERT_EQ(o.messages.lines.size(), 1) << o.messages.lines.join('\n').toStdString();
    EXPECT_EQ(o.messages.lines[0].toStdString(), QStringLiteral("Écriture impossible sur le port parallèle %1 : %2.")
                                                     .arg(o.parports.deviceName(0), QString::fromLocal8Bit(std::strerror(ENODEV)))
                                                     .toStdString());

    // Started again while the port is still gone: reported again, no run.
    o.le->BTN_Demarrer_PoseClick();
    EXPECT_FALSE(o.le->active());
    EXPECT_EQ(o.messages.lines.size(), 2);

    o.devices.parallelBox().plugIn();
    const QImage frame = o.expose(2000);
    EXPECT_EQ(o.camera.exposures, exposures + 1);
    EXPECT_FALSE(frame.isNull());
    EXPECT_EQ(o.traffic.lines().last(), kStopLine);
    EXPECT_EQ(o.messages.lines.size(), 2);
}

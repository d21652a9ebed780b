// The program's mount layer against the simulated observatory, reached as
// hardware is: "Simulateur (LX200)" and "Simulateur (boîtiers série)"
// through real pseudo-terminals, the parallel box and the camera lines
// through the port layer. The star the simulated camera sees moves by what
// the commands ask, and the mount reports where a GOTO took it.
#include "core/Messages.h"
#include "simulator/SimulatorDevices.h"
#include "simulator/SkyObjects.h"
#include "simulator/SkySimulator.h"
#include "telescope/ComIo.h"
#include "telescope/HandPaddle.h"
#include "telescope/Autofocus.h"
#include "processing/FocusWidth.h"
#include "processing/PipelineControls.h"
#include "processing/CoreStages.h"
#include "processing/ImageCore.h"
#include "telescope/Mount.h"
#include "telescope/MountTimer.h"
#include "telescope/ParallelPort.h"
#include "telescope/PortAccess.h"
#include "telescope/SerialPortItems.h"
#include "telescope/SimulatorLink.h"
#include "telescope/TermiosSerial.h"
#include "telescope/TrafficLog.h"
#include "tests/simulator/SimTestSupport.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QThread>
#include <cerrno>
#include <cmath>
#include <numbers>

using namespace velumbra;

namespace {

constexpr int W = 640, H = 480;
constexpr double kScale = 1.5;
constexpr double kGuide = 0.5 * 15.041;
double cosDeg(double d) { return std::cos(d * std::numbers::pi / 180); }

struct Observatory;

// The serial layer's waits: time passes for the sky and the mount layer
// alike, and the simulated devices serve what reached them meanwhile.
class ServingPause final : public Pause {
public:
    explicit ServingPause(Observatory& o) : o_(o) {}

protected:
    void run(int ms) override;

private:
    Observatory& o_;
};

struct Observatory {
    static constexpr double kDec = 30.0;
    explicit Observatory(MountInterface choice, const QString& serialItem = kSimulatorLx200Item)
    {
        SkyParameters p;
        p.jitter = 0;
        p.scale = kScale;
        sky.setParameters(p);
        sky.mount().pointAt({5.0, kDec});
        star = sky.brightestStarInView(W, H, 150);
        noParport.openError = ENOENT; // a machine without a parallel port
        opener.attach(&devices);
        parports.attach(&devices);
        settings.interface = choice;
        settings.CBX_AG_PortSerie = serialItem;
        settings.RDB_Pourcent_Inertie = false;
        settings.RDB_Temps_Inertie = false;
    }
    // Every device and the kernel's line get their turn: a reply written on
    // the master side reaches the slave's queue a moment later, later still
    // on a loaded machine, so the turns last some fifty milliseconds.
    void serve()
    {
        for (int i = 0; i < 25; ++i) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QThread::msleep(2);
        }
    }
    void advance(int ms)
    {
        skyClock.advanceMs(ms);
        timeline.advanceMs(ms);
        serve();
    }
    QPointF starAt() { return sky.starPosition(star, W, H); }

    ManualClock skyClock;
    SkySimulator sky{skyClock, 21};
    SimulatorDevices devices{sky};
    ManualTimeline timeline;
    ServingPause pause{*this};
    RecordingMessages messages;
    MountSettings settings;
    TrafficLog traffic;
    TermiosOpener termios;
    SimulatorSerialOpener opener{termios};
    SimulatedPorts noParport;
    SimulatorParallelPorts parports{noParport};
    ComIo com{opener, pause};
    PortAccess ports{parports, traffic, messages, settings};
    Mount mount{settings, MountDevices{com, ports, traffic, messages, timeline.clock(), timeline.make(), timeline.make()}};
    int star = -1;
};

void ServingPause::run(int ms) { o_.advance(ms); }

// The star's move in arc seconds on the sky (west +x, north -y on this camera).
struct Move {
    double x, y;
};
Move starMoveFor(Observatory& o, const std::function<void()>& act)
{
    const QPointF before = o.starAt();
    act();
    o.advance(3000); // whatever ran has ended
    const QPointF after = o.starAt();
    return {(after.x() - before.x()) * kScale, (after.y() - before.y()) * kScale};
}

} // namespace

// A timed move through each interface: East and West along x by the guide
// rate x time x cos(dec), North and South along y by the guide rate x time.
TEST(SimulatorEndToEnd, PulseMovesTheStarThroughEachInterface)
{
    struct Case {
        MountInterface interface;
        const QString& item;
        MoveDirection direction;
        int ms;
        double movedMs; // what reaches the mount: the serial box counts in steps of 15 ms
    };
    const Case cases[] = {
        {MountInterface::LX200, kSimulatorLx200Item, East, 1000, 1000},
        {MountInterface::LX200, kSimulatorLx200Item, South, 600, 600},
        {MountInterface::Tolvir, kSimulatorBoxesItem, East, 600, 600},
        {MountInterface::Tolvir, kSimulatorBoxesItem, North, 400, 390},
        {MountInterface::Varnek, kSimulatorLx200Item, West, 800, 800},
        {MountInterface::Varnek, kSimulatorLx200Item, North, 500, 500},
        {MountInterface::Dremla, kSimulatorBoxesItem, West, 700, 700},
        {MountInterface::Dremla, kSimulatorBoxesItem, South, 900, 900},
    };
    for (const Case& c : cases) {
        Observatory o(c.interface, c.item);
        ASSERT_GE(o.star, 0);
        ASSERT_TRUE(o.devices.lx200Port().ok() && o.devices.guideBoxPort().ok());
        ASSERT_TRUE(o.mount.mount_connect()) << int(c.interface);
        o.serve();
        const Move m = starMoveFor(o, [&] {
            o.mount.mount_move(c.direction, true, c.ms);
            o.serve();
            o.advance(c.ms); // the axis timer ends the move
        });
        const bool ra = c.direction == East || c.direction == West;
        // Straight through the telescope (north up): a move north sends the
        // star down the image, a move east sends it right.
        const double sign = ra ? (c.direction == East ? 1 : -1) : (c.direction == North ? 1 : -1);
        const double expected = sign * kGuide * c.movedMs / 1000 * (ra ? cosDeg(Observatory::kDec) : 1.0);
        const char* name = c.interface == MountInterface::LX200    ? "LX200"
                           : c.interface == MountInterface::Tolvir ? "serial box"
                           : c.interface == MountInterface::Varnek ? "parallel box"
                                                                   : "clocked box";
        EXPECT_NEAR(ra ? m.x : m.y, expected, 0.02) << name << " " << c.direction;
        EXPECT_NEAR(ra ? m.y : m.x, 0.0, 0.02) << name << " " << c.direction;
        EXPECT_TRUE(o.messages.lines.isEmpty()) << name;
    }
}

// A continuous serial-box move of 2000 ms goes out as 945, 945 and 105 ms
// pulses; the mount moves for their sum.
TEST(SimulatorEndToEnd, SerialBoxLongMoveInChunks)
{
    Observatory o(MountInterface::Tolvir, kSimulatorBoxesItem);
    ASSERT_TRUE(o.mount.mount_connect());
    const Move m = starMoveFor(o, [&] {
        o.mount.mount_move(East, true, 2000);
        o.serve();
        o.advance(945);
        o.advance(945);
        o.advance(110);
    });
    EXPECT_NEAR(m.x, kGuide * 1.995 * cosDeg(Observatory::kDec), 0.02);
}

// The hand paddle itself on the simulated mount: its GOTO to M 31 and to
// Jupiter, then its position query shows where the mount went.
TEST(SimulatorEndToEnd, HandPaddleGotoAndPosition)
{
    Observatory o(MountInterface::LX200);
    HandPaddle paddle(o.mount, o.pause);
    int unguided = 0;
    paddle.endAutoguiding = [&] { ++unguided; };
    const SkyObject m31 = *SkyObjects::find(QStringLiteral("M 31"));
    const QByteArray reply = paddle.BTN_GOTOClick(HandPaddle::objectText(Catalogue::Messier, 31, 0));
    EXPECT_EQ(reply, "0");
    EXPECT_EQ(gotoReplyText(reply), QStringLiteral("GOTO accepté"));
    EXPECT_TRUE(o.sky.mount().slewing());
    // The window's timer asks while the slew runs; the mount says when it ends.
    EXPECT_TRUE(paddle.slewing());
    QByteArray dec, ra;
    paddle.BTN_Position_ActuelleClick([&](const QByteArray& d) { dec = d; }, [&](const QByteArray& a) { ra = a; });
    const QString raOnTheWay = readableRa(ra);
    EXPECT_TRUE(raOnTheWay.contains(QLatin1Char('h')) && raOnTheWay.endsWith(QLatin1Char('s')))
        << raOnTheWay.toStdString();
    o.advance(120000);
    ASSERT_FALSE(o.sky.mount().slewing());
    EXPECT_FALSE(paddle.slewing());
    paddle.BTN_Position_ActuelleClick([&](const QByteArray& d) { dec = d; }, [&](const QByteArray& a) { ra = a; });
    EXPECT_EQ(readableDec(dec), QString::fromUtf8("+41°16′08″")) << dec.constData();
    EXPECT_EQ(readableRa(ra), QStringLiteral("00h42m44s")) << ra.constData();
    // Below the horizon: refused, in words.
    const QByteArray refused = paddle.BTN_GOTOClick(HandPaddle::objectText(Catalogue::Etoile, 9999, 0));
    EXPECT_FALSE(gotoReplyText(refused).isEmpty());
    const Equatorial there = o.sky.mount().truePointing();
    EXPECT_NEAR(there.raHours, m31.raHours, 1.0 / 3600);
    EXPECT_NEAR(there.decDegrees, m31.decDegrees, 1.0 / 3600);

    // Jupiter: the mount takes the planet's number and slews to it.
    EXPECT_EQ(paddle.BTN_GOTOClick(HandPaddle::objectText(Catalogue::Planete, 1, 5)).left(1), "0");
    o.advance(120000);
    EXPECT_GT(std::abs(o.sky.mount().truePointing().decDegrees - m31.decDegrees), 1.0);
    EXPECT_EQ(unguided, 3);
    EXPECT_TRUE(o.messages.lines.isEmpty());
}

// The hand paddle's GOTO: stop, select "M 31", slew, the mount answers 0;
// once there, the position query reports M 31 and the optics look at it.
TEST(SimulatorEndToEnd, GotoM31AndThePositionQuery)
{
    Observatory o(MountInterface::LX200);
    ASSERT_TRUE(o.mount.mount_connect());
    o.mount.send_lx200("#:Q#");
    o.pause.wait(100);
    o.mount.send_lx200("#:LM 31#");
    o.mount.send_lx200("#:MS#");
    EXPECT_EQ(o.mount.readReply(), "0");
    EXPECT_TRUE(o.sky.mount().slewing());
    o.advance(120000);
    EXPECT_FALSE(o.sky.mount().slewing());

    o.mount.send_lx200("#:GD#");
    const QByteArray dec = o.mount.readReply();
    o.pause.wait(500);
    o.mount.send_lx200("#:GR#");
    const QByteArray ra = o.mount.readReply();
    EXPECT_EQ(dec, "+41*16:08#");
    EXPECT_EQ(ra, "00:42:44#");
    EXPECT_EQ(dec.left(6), "+41*16") << "what the paddle shows";
    EXPECT_EQ(ra.left(7), "00:42:4");
    const SkyObject m31 = *SkyObjects::find(QStringLiteral("M 31"));
    const Equatorial there = o.sky.mount().truePointing();
    EXPECT_NEAR(there.raHours, m31.raHours, 1.0 / 3600);
    EXPECT_NEAR(there.decDegrees, m31.decDegrees, 1.0 / 3600);
    EXPECT_TRUE(o.messages.lines.isEmpty());
}

// Without the simulator attached its items open nothing, as an absent device.
TEST(SimulatorEndToEnd, SimulatorItemsNeedTheDevices)
{
    Observatory o(MountInterface::LX200);
    o.opener.attach(nullptr);
    EXPECT_FALSE(o.mount.mount_connect());
    EXPECT_FALSE(o.mount.linkUp());
}

// The long-exposure lines on the parallel port: the camera integrates while
// they are low, frames read empty meanwhile, and the frame after they rise
// carries the whole exposure.
TEST(SimulatorEndToEnd, LongExposureLinesOnTheParallelPort)
{
    Observatory o(MountInterface::Aucun);
    QImage frame(W, H, QImage::Format_RGB32);
    auto background = [&] {
        o.sky.render(frame, W, H);
        return simtest::boxMean(frame, 20, 20, 120, 60);
    };
    o.ports.writePort(0x378, 0x07); // idle: sets high, long-exposure mode low
    const double normal = background();
    o.ports.writePort(0x378, 0x00); // exposing: every line low
    EXPECT_TRUE(o.sky.integrating(LineSet::Odd));
    EXPECT_TRUE(o.sky.integrating(LineSet::Even));
    o.skyClock.advanceMs(1000);
    const double during = background();
    o.skyClock.advanceMs(2000);
    o.ports.writePort(0x378, 0x07); // readout
    const double exposed = background();
    // 8 grey levels a second of sky: 3 s bring about 24 over the 40 ms frame.
    EXPECT_GT(exposed - normal, 15.0);
    EXPECT_LT(during, normal + 1.0) << "rows still integrating read empty";
    EXPECT_LT(std::abs(background() - normal), 1.0) << "the next frame is an ordinary one";
}

namespace {

// The program's autofocus on the simulated observatory: the focuser through
// the LX200 link, the move timer on test time, the focus measure fed with the
// pixels above half the peak around the star of each rendered frame.
struct FocusBench final : AutofocusLinks {
    static constexpr int kFrameMs = 100;
    explicit FocusBench(Observatory& o) : o(o), timer(o.timeline.make())
    {
        timer->onTimeout = [this] { af.TMR_AutofocusTimer(); };
        focus.setAutofocus(&af);
        star = o.sky.brightestStarInView(W, H, 60, 230);
    }
    void focuser_move(int d, bool fast) override
    {
        o.mount.focuser_move(d, fast);
        ++moves;
    }
    void focuser_stop(int d) override { o.mount.focuser_stop(d); }
    void startMoveTimer(int ms) override { timer->start(ms); }
    void stopMoveTimer() override { timer->stop(); }
    void setFocusMeasure(bool on) override
    {
        if (on) focus.reset();
    }
    void showAutofocus(bool, int) override {}
    void report(const QString& text) override { o.messages.showMessage(false, text); }

    // One frame: time passes, the camera renders, the measure counts.
    void frame()
    {
        o.advance(kFrameMs);
        o.sky.render(image, W, H);
        const QPointF c = o.sky.starPosition(star, W, H);
        const int x0 = std::max(0, int(c.x()) - 30), x1 = std::min(W, int(c.x()) + 30);
        const int y0 = std::max(0, int(c.y()) - 30), y1 = std::min(H, int(c.y()) + 30);
        int peak = 0, floor = 255;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                peak = std::max(peak, qGreen(image.pixel(x, y)));
                floor = std::min(floor, qGreen(image.pixel(x, y)));
            }
        int count = 0; // "Auto": the threshold is half the zone's peak
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) count += qGreen(image.pixel(x, y)) > peak / 2;
        focus.focusSample({count, peak, floor, peak / 2, (x1 - x0) * (y1 - y0)});
    }
    // The width the optics give now: the seeing and the defocus blur together.
    double trueFwhm() { return std::hypot(o.sky.seeingFwhmPixels(), o.sky.defocusDiameterPixels()); }

    Observatory& o;
    std::unique_ptr<MountTimer> timer;
    PipelineControls controls;
    FocusWidth focus{controls};
    Autofocus af{*this};
    QImage image{W, H, QImage::Format_RGB32};
    int star = -1;
    int moves = 0;
};

} // namespace

// From three depths of focus away (the distance whose blur equals the
// seeing), the autofocus brings the star back within 15 % of its best width;
// a stop width the seeing does not allow ends at the hunt's limit.
TEST(SimulatorEndToEnd, AutofocusConvergesOnTheSimulatedFocuser)
{
    // Outside focus the first move ("IN") goes the right way; inside it the
    // star grows, the direction reverses and the steps halve.
    for (const int side : {+1, -1}) {
        Observatory o(MountInterface::LX200);
        ASSERT_TRUE(o.mount.mount_connect());
        FocusBench b(o);
        ASSERT_GE(b.star, 0);
        MountModel& m = o.sky.mount();
        const double best = m.settings().bestFocus;
        const double seeingPx = o.sky.seeingFwhmPixels();
        // Depth of focus in steps: the blur grows linearly with the distance.
        m.setFocuserPosition(best + 100);
        const double depth = seeingPx / o.sky.defocusDiameterPixels() * 100;

        // The stop width: what the measure reads in focus, and a little more.
        m.setFocuserPosition(best);
        b.focus.reset();
        for (int i = 0; i < 30; ++i) b.frame();
        const double inFocus = b.focus.figures().TNI_FWHM;
        ASSERT_GT(inFocus, 1.0);

        m.setFocuserPosition(best + side * 3 * depth);
        const double startTrue = b.trueFwhm();
        b.af.start({10000, inFocus * 1.08}, false);
        std::vector<double> widths;
        int frames = 0;
        for (; frames < 4000 && b.af.active(); ++frames) {
            const bool waiting = b.af.waitingForWidth();
            b.frame();
            if (waiting && b.af.active() && !b.af.waitingForWidth()) widths.push_back(b.af.lastWidth());
        }
        EXPECT_FALSE(b.af.active()) << "no end after " << frames << " frames";
        const double finalTrue = b.trueFwhm();
        std::printf("autofocus from %+.1f steps (depth of focus %.1f, true FWHM %.2f px): %d moves in %d frames, "
                    "ends %+.1f steps from best, true FWHM %.2f px (best %.2f px, measured in focus %.2f px); "
                    "widths before each move:",
                    side * 3 * depth, depth, startTrue, b.moves, frames, m.focuserPosition() - best, finalTrue, seeingPx,
                    inFocus);
        for (double w : widths) std::printf(" %.2f", w);
        std::printf(", stop at %.2f\n", b.focus.figures().TNI_FWHM);
        EXPECT_LE(finalTrue, 1.15 * seeingPx) << side;
        ASSERT_EQ(o.messages.lines.size(), 1) << o.messages.lines.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(o.messages.lines[0].contains(QStringLiteral("est atteinte"))) << o.messages.lines[0].toStdString();
        o.messages.lines.clear();
        if (side < 0) continue;

        // Again, with a stop width below what the seeing allows: the second
        // run waits for widths of its own, hunts, and ends at the limit in
        // focus, saying so.
        // Shorter first steps from nearer: the hunt comes sooner.
        m.setFocuserPosition(best + depth);
        const int movesBefore = b.moves;
        b.af.start({2000, inFocus * 0.5}, false);
        for (frames = 0; frames < 4000 && b.af.active(); ++frames) b.frame();
        EXPECT_FALSE(b.af.active()) << "no end after " << frames << " frames";
        EXPECT_GT(b.moves - movesBefore, 2);
        // This bench renders a frame every 100 ms, so a move of the shortest
        // step starts and stops within one frame and leaves the focuser
        // where it was: the hunt ends where the 125 ms steps left it.
        EXPECT_LE(b.trueFwhm(), 1.35 * seeingPx);
        std::printf("below the seeing: %d moves in %d frames, true FWHM %.2f px\n", b.moves - movesBefore, frames,
                    b.trueFwhm());
        ASSERT_EQ(o.messages.lines.size(), 1);
        EXPECT_TRUE(o.messages.lines[0].startsWith(QStringLiteral("Autofocus arrêté"))) << o.messages.lines[0].toStdString();
    }
}


namespace {

// The whole road from the default settings: the frame routine with its
// tracking ("Pixel Brillant", a 40-pixel zone) and focus measure as they
// start, the preferences' autofocus group as it starts ("Fin", 10 s, a stop
// width of 4 px), the focuser through the LX200 link, the simulated camera
// at the default optics' 0.7632"/pixel.
struct PipelineFocusBench final : AutofocusLinks {
    static constexpr int kFrameMs = 100;
    explicit PipelineFocusBench(Observatory& o) : o(o), timer(o.timeline.make())
    {
        timer->onTimeout = [this] { af.TMR_AutofocusTimer(); };
        core.buffers.create();
        core.buffers.setFrameSize(W, H);
        core.pipeline.setStages(&stages);
        core.flags.targetActive = true;
        core.controls.CKB_Suivi = true;
        core.focus.setAutofocus(&af);
    }
    ~PipelineFocusBench() override
    {
        core.focus.setAutofocus(nullptr);
        core.pipeline.setStages(nullptr);
    }
    void focuser_move(int d, bool fast) override { o.mount.focuser_move(d, fast); }
    void focuser_stop(int d) override { o.mount.focuser_stop(d); }
    void startMoveTimer(int ms) override { timer->start(ms); }
    void stopMoveTimer() override { timer->stop(); }
    void setFocusMeasure(bool on) override
    {
        core.controls.CKB_MAP = on;
        if (on) core.focus.reset();
    }
    void holdAutoThreshold(bool on) override { core.controls.tracking.CKB_FWHM_Auto = on; }
    void showAutofocus(bool, int) override {}
    void report(const QString& text) override { o.messages.showMessage(false, text); }

    void frame()
    {
        o.advance(kFrameMs);
        o.sky.render(core.buffers.frameSlots[0], W, H);
        core.pipeline.ProcessFrame(true);
    }
    double trueFwhm() { return std::hypot(o.sky.seeingFwhmPixels(), o.sky.defocusDiameterPixels()); }

    Observatory& o;
    std::unique_ptr<MountTimer> timer;
    ImageCore core{o.skyClock};
    CoreStages stages{core};
    Autofocus af{*this};
};

} // namespace

// A user's first autofocus: a star clicked, "Demarrer" with every setting as
// it comes. Before, the default threshold (500, above any pixel) read 0 and
// the search ended at once on it, and a set mixing empty readings stopped
// on a width under one pixel. Now it reaches focus from either side and says
// why it ended.
TEST(SimulatorEndToEnd, AutofocusFromTheDefaultSettingsReachesFocus)
{
    for (const int side : {+1, -1}) {
        Observatory o(MountInterface::LX200);
        SkyParameters p = o.sky.parameters();
        p.scale = 0.7632;
        o.sky.setParameters(p);
        ASSERT_TRUE(o.mount.mount_connect());
        PipelineFocusBench b(o);
        MountModel& m = o.sky.mount();
        const double best = m.settings().bestFocus;
        const double seeingPx = o.sky.seeingFwhmPixels();
        m.setFocuserPosition(best + 100);
        const double depth = seeingPx / o.sky.defocusDiameterPixels() * 100;

        // The star the user clicks: bright, not saturated.
        o.sky.render(b.core.buffers.frameSlots[0], W, H);
        const int star = o.sky.brightestStarInView(W, H, 60, 200);
        ASSERT_GE(star, 0);
        m.setFocuserPosition(best + side * 3 * depth);
        const QPointF at = o.sky.starPosition(star, W, H);
        b.core.zone.starPos = {int(std::lround(at.x())), int(std::lround(at.y()))};
        const double startTrue = b.trueFwhm();

        b.af.start(AutofocusSettings{}, false);
        int frames = 0;
        for (; frames < 6000 && b.af.active(); ++frames) b.frame();
        std::printf("autofocus from the defaults, %+.0f steps (true FWHM %.2f px): %d moves in %d frames, ends "
                    "%+.1f steps from best, true FWHM %.2f px (seeing %.2f px)\n",
                    side * 3 * depth, startTrue, b.af.moves(), frames, m.focuserPosition() - best, b.trueFwhm(),
                    seeingPx);
        EXPECT_FALSE(b.af.active()) << "no end after " << frames << " frames";
        EXPECT_GT(b.af.moves(), 2) << side;
        EXPECT_LE(b.trueFwhm(), 1.2 * seeingPx) << side;
        EXPECT_LT(b.trueFwhm(), 0.5 * startTrue) << side;
        ASSERT_EQ(o.messages.lines.size(), 1) << side;
        EXPECT_TRUE(b.af.lastEnd() == AutofocusEnd::Reached || b.af.lastEnd() == AutofocusEnd::Limit)
            << o.messages.lines[0].toStdString();
        EXPECT_TRUE(o.messages.lines[0].contains(QStringLiteral("px"))) << o.messages.lines[0].toStdString();
    }
}

#pragma once
// A guiding bench on test time. The sky simulator's field is moved by the
// simulator's LX200 responder, or its serial guide box, as the bytes
// arrive on the in-memory serial line; the program's mount layer writes them; the frame routine
// tracks a star in the rendered frames and hands it to the calibration
// (through the operation sequencer) or to autoguiding.
//
// One clock drives everything: the mount's monotonic test clock; the sky's
// time of day follows it. Each command takes effect on the sky at the
// millisecond it was written.
#include "simulator/Lx200Responder.h"
#include "simulator/SerialGuideBox.h"
#include "simulator/SkySimulator.h"
#include "aids/GuideCalibration.h"
#include "aids/OperationSequencer.h"
#include "core/Clock.h"
#include "core/Messages.h"
#include "processing/CoreStages.h"
#include "processing/ImageCore.h"
#include "telescope/Autoguider.h"
#include "telescope/ComIo.h"
#include "telescope/Mount.h"
#include "telescope/MountTimer.h"
#include "telescope/ParallelPort.h"
#include "telescope/PortAccess.h"
#include "telescope/SimulatedSerial.h"
#include "telescope/TrafficLog.h"

#include <QPointF>

#include <array>
#include <cmath>

namespace velumbra::test {

// The mount at the other end of the line: the simulator's own LX200
// responder, or its serial guide box, fed each byte at the millisecond it
// was written, so the sky moves as the real devices would move it.
class SimulatedGuideMount {
public:
    SimulatedGuideMount(MountInterface kind, const SimulatedSerialLine& line, SkySimulator& sky, ManualClock& skyClock,
                        const SteadyClock& steady)
        : kind_(kind), line_(line), responder_(sky.mount()), box_(sky.mount()), skyClock_(skyClock),
          skyStart_(skyClock.now()), steadyStart_(steady.nowMs()), sky_(sky)
    {
    }
    // The speed a direction moves the field at: the guide rate.
    double rate(MoveDirection) const { return sky_.mount().rateArcsecPerSecond(MountRate::Guide); }

    // Every byte written up to now, in time order; the mount ends its own pulses.
    void runUntil(qint64 nowMs)
    {
        while (next_ < line_.received.size() && line_.received[next_].atMs <= nowMs) {
            const SimulatedSerialLine::Byte& b = line_.received[next_++];
            skyAt(b.atMs);
            const char byte = char(b.value);
            if (kind_ == MountInterface::Tolvir) box_.receive(QByteArrayView(&byte, 1));
            else responder_.receive(QByteArrayView(&byte, 1)); // the program reads no reply while guiding
        }
        skyAt(nowMs);
    }
    // The sky's time of day at a moment of the mount's clock.
    void skyAt(qint64 steadyMs) { skyClock_.set(skyStart_.addMSecs(steadyMs - steadyStart_)); }

private:
    MountInterface kind_;
    const SimulatedSerialLine& line_;
    Lx200Responder responder_;
    SerialGuideBox box_;
    ManualClock& skyClock_;
    QDateTime skyStart_;
    qint64 steadyStart_;
    SkySimulator& sky_;
    size_t next_ = 0;
};

// The sky of the guiding runs: 1 arc second per pixel, the drift turned by
// `orientation` degrees on the image, a little seeing jitter.
inline SkyParameters guidingSky(double orientation)
{
    SkyParameters p;
    p.scale = 1.0;
    p.orientation = orientation;
    p.jitter = 0.5;
    p.exposureMs = 10;
    return p;
}

// The drive's worm: ±10 arc seconds over 8 minutes, its fundamental alone.
inline SimulatedMount wormDrive()
{
    SimulatedMount m;
    m.periodicAmplitude = 10;
    m.periodicPeriod = 480;
    m.periodicSecond = 0;
    m.periodicThird = 0;
    return m;
}

struct NoOperationView final : OperationView {
    void setActionLabel(const QString&) override {}
    void setExecuteEnabled(bool on) override { execute = on; }
    void setAbortEnabled(bool) override {}
    void setOperationsMenuEnabled(bool) override {}
    void overlaysOn() override {}
    bool execute = false;
};

struct GuidingRig : CalibrationView {
    static constexpr int kWidth = 400, kHeight = 300;

    GuidingRig(MountInterface kind, const SkyParameters& p, const SimulatedMount& m = {}, uint32_t seed = 3)
        : line(timeline.clock()), opener(line), com(opener, timeline.pause()),
          ports(parports, traffic, messages, settings),
          mount(settings, MountDevices{com, ports, traffic, messages, timeline.clock(), timeline.make(), timeline.make()}),
          sky(skyClock, seed), simMount(kind, line, sky, skyClock, timeline.clock()),
          guider({mount, timeline.pause(), messages, skyClock, timeline.clock()})
    {
        settings.interface = kind;
        settings.CBX_AG_PortSerie = QStringLiteral("/dev/simulated");
        parports.clock = &timeline.clock();
        line.modem.clock = &timeline.clock();
        sky.setParameters(p);
        sky.mount().setSettings(m);
        sky.mount().pointAt({sky.mount().siderealTime(), 0.0}); // on the meridian, on the equator
        core.buffers.create();
        core.buffers.setFrameSize(kWidth, kHeight);
        core.pipeline.setStages(&stages);
        core.flags.targetActive = true;
        core.controls.CKB_Suivi = true;
        core.controls.TNI_Taille_ZDetect = 40;
        // Sums of the axes: a hot pixel in the zone does not take the star's place.
        core.controls.tracking.RDB_Somax = true;
        stages.setMeasurement([this](Point at, bool verdict) { sequencer.frame(at, verdict); });
        sequencer.setStep(Operation::GuideCalibration, &calibration);
        calibration.finished = [this] { sequencer.endMeasurement(); };
        stages.tracker().setGuideCorrection(&guider);
        star = pickGuideStar();
        if (star >= 0) core.zone.starPos = rounded(truth());
    }
    ~GuidingRig() override
    {
        stages.tracker().setGuideCorrection(nullptr);
        core.pipeline.setStages(nullptr);
    }

    // A star a user would choose: well inside the frame, so the calibration
    // keeps it in view, bright without saturating (a flat top has no
    // brightest pixel).
    int pickGuideStar()
    {
        const int best = sky.brightestStarInView(kWidth, kHeight, 110);
        if (best < 0) return best;
        // The exposure set for a peak of about 150.
        const double sigma = sky.seeingFwhmPixels() / 2.3548;
        const double peak = sky.starFlux(best) / (2 * M_PI * sigma * sigma);
        SkyParameters p = sky.parameters();
        p.exposureMs = std::clamp(p.exposureMs * 150 / peak, 0.5, 400.0);
        sky.setParameters(p);
        return best;
    }

    static Point rounded(QPointF p) { return {int(std::lround(p.x())), int(std::lround(p.y()))}; }
    QPointF truth() { return sky.starPosition(star, kWidth, kHeight); }

    // One frame `ms` after the last: the mount's timers and commands act on
    // the sky, the frame is rendered and goes through the frame routine.
    void frame(int ms)
    {
        timeline.advanceMs(ms);
        simMount.runUntil(timeline.clock().nowMs());
        sky.render(core.buffers.frameSlots[0], kWidth, kHeight);
        core.pipeline.ProcessFrame(true);
        simMount.runUntil(timeline.clock().nowMs());
    }

    // CalibrationView: the speeds go where the mount reads them.
    double TNI_Duree_test() const override { return durationTest; }
    double TNI_Echantillonnage() const override { return sky.parameters().scale; }
    void setSpeed(MoveDirection d, double v) override
    {
        double* fields[] = {&settings.TNI_Vitesse_Est, &settings.TNI_Vitesse_Ouest, &settings.TNI_Vitesse_Nord,
                            &settings.TNI_Vitesse_Sud};
        *fields[d] = v;
    }

    // "Executer" of the armed calibration, then frames until it ends.
    int calibrate(int msPerFrame, int maxFrames)
    {
        sequencer.arm(Operation::GuideCalibration);
        sequencer.BTN_ExecuterClick(core.zone.starPos, kWidth, kHeight);
        int frames = 0;
        while (sequencer.measuring() && frames < maxFrames) {
            frame(msPerFrame);
            ++frames;
        }
        return frames;
    }

    ManualTimeline timeline;
    RecordingMessages messages;
    MountSettings settings;
    TrafficLog traffic;
    SimulatedSerialLine line;
    SimulatedSerialOpener opener;
    SimulatedPorts parports;
    ComIo com;
    PortAccess ports;
    Mount mount;
    ManualClock skyClock{QDateTime(QDate(2026, 9, 1), QTime(23, 59, 58))};
    SkySimulator sky;
    SimulatedGuideMount simMount;
    ImageCore core{skyClock};
    CoreStages stages{core};
    NoOperationView opView;
    OperationSequencer sequencer{skyClock, messages, opView};
    double durationTest = 1000;
    GuideCalibrationStep calibration{mount, timeline.clock(), *this, timeline.make()};
    Autoguider guider;
    int star = -1;
};

} // namespace velumbra::test

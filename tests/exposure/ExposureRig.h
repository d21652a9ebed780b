#pragma once
#include "core/ImageBuffers.h"
#include "core/SteadyClock.h"
#include "exposure/LongExposure.h"

#include <QString>
#include <map>
#include <utility>
#include <vector>

namespace velumbra::test {

// Every byte written, with its address and, given a clock, its time; the
// output byte of each address, kept as the port layer keeps it.
struct RecordingPort final : ExposurePort {
    std::vector<std::pair<quint16, quint8>> writes;
    std::vector<qint64> times;
    const SteadyClock* clock = nullptr;
    std::map<quint16, quint8> output;
    // Writes fail (nothing recorded) while set: the port vanished.
    bool gone = false;
    int retries = 0;
    bool writePort(quint16 address, quint8 value) override
    {
        output[address] = value;
        if (gone) return false;
        writes.emplace_back(address, value);
        times.push_back(clock ? clock->nowMs() : 0);
        return true;
    }
    quint8 outputByte(quint16 address) const override
    {
        const auto it = output.find(address);
        return it == output.end() ? quint8(0) : it->second;
    }
    void retry(quint16) override { ++retries; }
    quint8 last() const { return writes.empty() ? quint8(0xEE) : writes.back().second; }
};

// What the run asked of the program, in order.
struct RecordingHooks final : LongExposureHooks {
    ImageBuffers* frames = nullptr;
    const RecordingPort* port = nullptr;
    std::vector<QString> calls;
    std::vector<QString> messages;
    // Port writes made before each half frame was saved.
    std::vector<std::size_t> writesBeforeSave;
    // Empty: the refresh tick runs with a live camera.
    QString noRun;
    int processedNew = 0, processedOld = 0, counted = 0;
    bool selected = true;
    bool saving = false;
    bool frameRunning = false; // a frame is in ProcessFrame, waiting inside it
    // Each grab fills its slot with this value (blue, green, red alike).
    std::array<int, 3> fill{{10, 20, 30}};

    bool grabFrame(int slot) override
    {
        calls.push_back(QStringLiteral("grab%1").arg(slot));
        if (frames && frames->created()) frames->frameSlots[slot].fill(qRgb(fill[slot], fill[slot], fill[slot]));
        return true;
    }
    bool processFrame(bool newFrame) override
    {
        (newFrame ? processedNew : processedOld)++;
        if (newFrame) calls.push_back(QStringLiteral("process"));
        return selected;
    }
    bool frameRoutineRunning() const override { return frameRunning; }
    void countFrameForSaving(bool sel) override { counted += sel ? 1 : 0; }
    bool detectionSaving() const override { return saving; }
    void saveHalfFrame(int slot, const QString& name) override
    {
        calls.push_back(QStringLiteral("save%1:%2").arg(slot).arg(name));
        writesBeforeSave.push_back(port ? port->writes.size() : 0);
    }
    void stepOffset() override { calls.push_back(QStringLiteral("offset")); }
    void portLost() override { calls.push_back(QStringLiteral("portLost")); }
    void singleShotDone() override { calls.push_back(QStringLiteral("singleShotDone")); }
    QString whyNoRun() const override { return noRun; }
    void showMessage(const QString& text) override { messages.push_back(text); }
};

struct ExposureRig {
    RecordingPort port;
    ManualSteadyClock clock;
    ImageBuffers frames;
    RecordingHooks hooks;
    LongExposure le{port, clock, frames};

    ExposureRig()
    {
        frames.create();
        frames.setFrameSize(640, 480);
        hooks.frames = &frames;
        hooks.port = &port;
        port.clock = &clock;
        le.setHooks(&hooks);
        le.setEnabled(true);
        LongExposureLineSettings s;
        le.setLineSettings(s);
    }
    // Refresh ticks every `periodMs` until `ms` have passed; the exposure
    // timer's own tick fires when its interval has run out since it started,
    // as the event loop would.
    void run(qint64 ms, int periodMs = 100)
    {
        for (qint64 t = 0; t < ms; t += periodMs) {
            clock.advanceMs(periodMs);
            fireDue();
            le.Timer1Tick();
        }
    }
    void fireDue()
    {
        if (le.exposureTimer().isActive() && clock.nowMs() - exposureStarted >= le.exposureTimer().interval()) {
            exposureStarted = clock.nowMs();
            le.TMR_ExposureTimer();
        }
        if (le.guideTimer().isActive() && clock.nowMs() - guideStarted >= le.guideTimer().interval()) {
            guideStarted = clock.nowMs();
            le.TMR_Exposure_GuideTimer();
        }
        if (!le.exposureTimer().isActive()) exposureStarted = clock.nowMs();
        if (!le.guideTimer().isActive()) guideStarted = clock.nowMs();
    }
    qint64 exposureStarted = 0, guideStarted = 0;
};

} // namespace velumbra::test

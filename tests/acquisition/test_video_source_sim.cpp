#include "core/ImageBuffers.h"
#include "acquisition/SimulatorDriver.h"
#include "simulator/SkySimulator.h"
#include "acquisition/control/VideoSource.h"
#include "processing/ImageCore.h"

#include <gtest/gtest.h>

using namespace velumbra;

namespace {

class FirstEntryChooser final : public DriverChooser {
public:
    std::optional<int> choose(const QStringList&) override { return 0; }
};

class FormatHooks final : public VideoSourceHooks {
public:
    bool lastFormatAccepted = true;
    void formatChanged(bool ok) override { lastFormatAccepted = ok; }
};

// The sky simulator as the only driver.
class SimulatorCatalogue final : public VideoDriverCatalogue {
public:
    explicit SimulatorCatalogue(SkySimulator& sky) : sky_(sky) {}
    QStringList describeDrivers() override { return {QStringLiteral("Simulateur de ciel 1.0")}; }
    std::unique_ptr<VideoDriver> createDriver(int index) override
    {
        return index == 0 ? std::make_unique<SimulatorDriver>(sky_) : nullptr;
    }

private:
    SkySimulator& sky_;
};

} // namespace

TEST(VideoSource, ARefusedFormatKeepsTheCaptureGoingInTheOldOne)
{
    ManualClock clock;
    ImageCore core{clock};
    core.buffers.create();
    RecordingMessages messages;
    SkySimulator sky(clock, 7u);
    SimulatorCatalogue catalogue(sky);
    FirstEntryChooser chooser;
    FormatHooks hooks;
    VideoSource source(core, messages, clock, catalogue, chooser);
    source.setHooks(&hooks);
    source.BTN_StartClick();
    ASSERT_TRUE(source.timer1().isActive());
    ASSERT_EQ(core.buffers.imageWidth, 640);

    source.MNU_FormatClick({fourcc('B', 'G', 'R', '3'), QStringLiteral("RGB 24 bits"), 1024, 768});
    EXPECT_FALSE(hooks.lastFormatAccepted);
    ASSERT_FALSE(messages.lines.isEmpty());
    EXPECT_TRUE(messages.lines.join(QLatin1Char(' ')).contains(QStringLiteral("1024x768")));
    const int refusalLines = int(messages.lines.size());
    EXPECT_EQ(source.driver()->currentFormat().width, 640);

    // Well past the stall limit, frames keep coming in the old format.
    const int framesBefore = source.frameCounter();
    for (int i = 0; i < 80; ++i) {
        clock.advanceMs(100);
        source.Timer1Timer();
    }
    ASSERT_TRUE(source.driver());
    EXPECT_TRUE(source.timer1().isActive());
    EXPECT_EQ(source.frameCounter() - framesBefore, 80);
    EXPECT_EQ(core.buffers.imageWidth, 640);
    EXPECT_EQ(messages.lines.size(), refusalLines);
}

// A tick that comes while the user-interface thread waits for a serial reply
// is skipped: the frame being processed is not overtaken by the next.
TEST(VideoSource, TicksDuringAWaitAreSkipped)
{
    struct TickingPause final : Pause {
        VideoSource* source = nullptr;
        int framesDuring = -1;
        void run(int) override
        {
            const int before = source->frameCounter();
            source->Timer1Timer();
            framesDuring = source->frameCounter() - before;
        }
    };
    ManualClock clock;
    ImageCore core{clock};
    core.buffers.create();
    RecordingMessages messages;
    SkySimulator sky(clock, 7u);
    SimulatorCatalogue catalogue(sky);
    FirstEntryChooser chooser;
    VideoSource source(core, messages, clock, catalogue, chooser);
    TickingPause pause;
    pause.source = &source;
    source.setPause(&pause);
    source.BTN_StartClick();
    ASSERT_TRUE(source.timer1().isActive());

    pause.wait(200);
    EXPECT_EQ(pause.framesDuring, 0);
    const int before = source.frameCounter();
    clock.advanceMs(100);
    source.Timer1Timer();
    EXPECT_EQ(source.frameCounter() - before, 1) << "after the wait the ticks count again";
}

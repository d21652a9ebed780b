#include "core/ImageBuffers.h"
#include "acquisition/control/VideoSource.h"
#include "processing/FrameCountHook.h"
#include "processing/ImageCore.h"

#include <QFile>
#include <QTimeZone>
#include <QTemporaryDir>
#include <deque>
#include <gtest/gtest.h>

using namespace velumbra;

namespace {

// A camera whose frames are a flat colour and whose failures are scripted.
class FakeDriver final : public VideoDriver {
public:
    int width = 640, height = 480;
    bool connectOk = true;
    std::deque<GrabResult> script; // results of the next grabs; Frame when empty
    QRgb colour = qRgb(40, 80, 120);
    bool connected = false;
    bool streaming = false;
    int framePeriodUs = 0;
    std::function<void()> frameReady;
    int grabs = 0;
    bool* destroyed = nullptr;

    ~FakeDriver() override
    {
        if (destroyed) *destroyed = true;
    }
    bool connect() override { return connected = connectOk; }
    void disconnect() override
    {
        connected = false;
        stopStream();
    }
    bool isConnected() const override { return connected; }
    VideoFormat readFormat() override { return {width, height, 16, 0}; }
    GrabResult grab(QImage& target, int) override
    {
        ++grabs;
        GrabResult r = GrabResult::Frame;
        if (!script.empty()) {
            r = script.front();
            script.pop_front();
        }
        if (r == GrabResult::Frame) {
            for (int y = 0; y < height && y < target.height(); ++y)
                for (int x = 0; x < width && x < target.width(); ++x) target.setPixel(x, y, colour);
        }
        return r;
    }
    bool startStream(int periodUs, std::function<void()> ready) override
    {
        framePeriodUs = periodUs;
        frameReady = std::move(ready);
        return streaming = true;
    }
    void stopStream() override
    {
        streaming = false;
        frameReady = nullptr;
    }
    bool isStreaming() const override { return streaming; }
    std::vector<FormatChoice> formatChoices() override { return {{0, "x", 640, 480}, {0, "x", 1024, 768}}; }
    FormatChoice currentFormat() override { return {0, "x", width, height}; }
    bool applyFormat(const FormatChoice& c) override
    {
        width = c.width;
        height = c.height;
        return true;
    }
    std::vector<DriverControl> controls() override { return {}; }
    bool setControl(uint32_t, double) override { return true; }
    bool rawMosaic = false;
    void setRawMosaic(bool on) override { rawMosaic = on; }
    QString lastError() const override { return QStringLiteral("device unplugged"); }
    // The camera's own time of each frame; invalid: it says none.
    QDateTime stamp;
    QDateTime frameTime() const override { return stamp; }
};

class FakeCatalogue final : public VideoDriverCatalogue {
public:
    QStringList entries{QStringLiteral("Fake cam 1.0.0")};
    std::function<void(FakeDriver&)> configure;
    FakeDriver* last = nullptr;
    QStringList describeDrivers() override { return entries; }
    std::unique_ptr<VideoDriver> createDriver(int index) override
    {
        if (index < 0 || index >= entries.size()) return nullptr;
        auto d = std::make_unique<FakeDriver>();
        if (configure) configure(*d);
        last = d.get();
        return d;
    }
};

class FakeChooser final : public DriverChooser {
public:
    std::optional<int> answer = 0;
    QStringList shown;
    std::optional<int> choose(const QStringList& entries) override
    {
        shown = entries;
        return answer;
    }
};

class CountingHooks final : public VideoSourceHooks {
public:
    int shown = 0, started = 0, stopped = 0, saved = 0, calibration = 0;
    bool lastFormatAccepted = true;
    void frameShown() override { ++shown; }
    void captureStarted(bool) override { ++started; }
    void captureStopped() override { ++stopped; }
    void formatChanged(bool ok) override { lastFormatAccepted = ok; }
    void countFrameForSaving(bool selected) override { saved += selected; }
    void addCalibrationFrame(PlaybackKind) override { ++calibration; }
};

struct Rig {
    ManualClock clock;
    ImageCore core{clock};
    RecordingMessages messages;
    FakeCatalogue catalogue;
    FakeChooser chooser;
    CountingHooks hooks;
    VideoSource source{core, messages, clock, catalogue, chooser};
    Rig()
    {
        core.buffers.create();
        source.setHooks(&hooks);
    }
};

// Counts what the frame routine hands to integration.
class IntegrationCounter final : public PipelineStages {
public:
    int added = 0;
    void IntegrateAndRender(Plane, bool add, bool, bool) override { added += add; }
};

void writeBmp(const QString& path, int w, int h, QRgb colour)
{
    QImage img(w, h, QImage::Format_RGB888);
    img.fill(colour);
    ASSERT_TRUE(img.save(path, "BMP"));
}

} // namespace

TEST(VideoSource, StartsTheDriverAndGrabsOnEachTick)
{
    Rig r;
    r.source.BTN_StartClick();
    ASSERT_TRUE(r.source.driver());
    EXPECT_EQ(r.chooser.shown, QStringList{QStringLiteral("Fake cam 1.0.0")});
    EXPECT_TRUE(r.source.timer1().isActive());
    EXPECT_EQ(r.source.timer1().interval(), 50);
    const VideoSourceControls& c = r.source.controls;
    EXPECT_FALSE(c.BTN_Start_Enabled);
    EXPECT_TRUE(c.BTN_Stop_Enabled);
    EXPECT_TRUE(c.BTN_Turbo_Enabled);
    EXPECT_TRUE(c.MNU_Format_Enabled);
    EXPECT_FALSE(c.MNU_Pilote_Enabled);
    EXPECT_EQ(r.core.buffers.imageWidth, 640);
    EXPECT_EQ(r.core.zone.starPos, (Point{320, 240}));
    EXPECT_TRUE(r.core.flags.targetActive);
    EXPECT_NEAR(r.core.zone.displayAspect, 640.0 / 480.0, 1e-9);

    for (int i = 0; i < 5; ++i) {
        r.clock.advanceMs(100);
        r.source.Timer1Timer();
    }
    EXPECT_EQ(r.hooks.shown, 5);
    EXPECT_EQ(r.source.frameCounter(), 5);
    EXPECT_EQ(c.EDT_FPS, QStringLiteral("10"));
    // The frame went through the pipeline onto the display image.
    EXPECT_EQ(r.core.buffers.display.pixel(10, 10) & 0xffffffu, qRgb(40, 80, 120) & 0xffffffu);

    r.source.BTN_StopClick();
    EXPECT_FALSE(r.source.timer1().isActive());
    EXPECT_FALSE(r.source.driver());
    EXPECT_TRUE(c.BTN_Start_Enabled);
    EXPECT_FALSE(c.BTN_Stop_Enabled);
    EXPECT_TRUE(c.MNU_Pilote_Enabled);
    EXPECT_FALSE(r.core.flags.targetActive);
    EXPECT_EQ(r.hooks.stopped, 1);
}

TEST(VideoSource, NoDriverConfirmedOrNoneThatConnects)
{
    Rig r;
    r.chooser.answer = std::nullopt;
    r.source.BTN_StartClick();
    EXPECT_FALSE(r.source.driver());
    EXPECT_TRUE(r.messages.lines.isEmpty());

    // No capture driver: an empty list, "OK" connects index -1.
    r.catalogue.entries.clear();
    r.chooser.answer = -1;
    r.source.BTN_StartClick();
    EXPECT_EQ(r.messages.lines.value(0),
              QStringLiteral("Impossible de demarrer la camera, verifier le branchement et les pilotes."));

    Rig s;
    s.catalogue.configure = [](FakeDriver& d) { d.connectOk = false; };
    s.source.BTN_StartClick();
    EXPECT_FALSE(s.source.driver());
    EXPECT_FALSE(s.source.timer1().isActive());
    // The driver's reason follows the message, so the user knows what to mend.
    EXPECT_EQ(s.messages.lines,
              (QStringList{QStringLiteral("Impossible de demarrer la camera, verifier le branchement et les pilotes."),
                           QStringLiteral("device unplugged")}));
}

TEST(VideoSource, OversizeFormatIsRefusedAndAnotherFormatCanBeChosen)
{
    Rig r;
    r.catalogue.configure = [](FakeDriver& d) {
        d.width = 1024;
        d.height = 768;
    };
    r.source.BTN_StartClick();
    ASSERT_EQ(r.messages.lines.size(), 2);
    EXPECT_TRUE(r.messages.lines[1].contains(QStringLiteral("1024x768")));
    EXPECT_FALSE(r.source.timer1().isActive());
    EXPECT_TRUE(r.source.controls.BTN_Start_Enabled);
    ASSERT_TRUE(r.source.driver()); // stays connected for the format dialog
    EXPECT_TRUE(r.source.controls.MNU_Format_Enabled);
    EXPECT_LE(r.core.buffers.imageWidth, 800);

    FakeDriver* first = r.catalogue.last;
    r.source.MNU_FormatClick({0, "x", 640, 480});
    EXPECT_TRUE(r.hooks.lastFormatAccepted);
    EXPECT_EQ(r.core.buffers.imageWidth, 640);
    // Starting again keeps the same connected driver and its new format.
    r.source.BTN_StartClick();
    EXPECT_EQ(r.catalogue.last, first);
    EXPECT_TRUE(r.source.timer1().isActive());

    r.source.MNU_FormatClick({0, "x", 1024, 768});
    EXPECT_FALSE(r.hooks.lastFormatAccepted);
    EXPECT_EQ(r.core.buffers.imageWidth, 640); // the buffers keep the last good size
}

TEST(VideoSource, StreamModeTogglesControlsAndTimer)
{
    Rig r;
    r.source.setRefreshTime(33);
    r.source.BTN_StartClick();
    FakeDriver* d = r.catalogue.last;
    EXPECT_EQ(r.source.timer1().interval(), 32); // RoundDown(33)
    r.source.BTN_TurboClick();
    EXPECT_TRUE(r.source.turboMode());
    EXPECT_EQ(r.source.controls.BTN_Turbo_Caption, QStringLiteral("Image"));
    EXPECT_FALSE(r.source.controls.BTN_Stop_Enabled);
    EXPECT_FALSE(r.source.timer1().isActive());
    ASSERT_TRUE(d->streaming);
    EXPECT_EQ(d->framePeriodUs, 33000);
    for (int i = 0; i < 30; ++i) {
        r.clock.advanceMs(33);
        d->frameReady();
    }
    EXPECT_EQ(r.hooks.shown, 30);
    EXPECT_EQ(r.source.controls.EDT_FPS, QStringLiteral("30.3"));
    r.source.BTN_TurboClick();
    EXPECT_FALSE(d->streaming);
    EXPECT_EQ(r.source.controls.BTN_Turbo_Caption, QStringLiteral("Flux"));
    EXPECT_TRUE(r.source.controls.BTN_Stop_Enabled);
    EXPECT_TRUE(r.source.timer1().isActive());
}

TEST(VideoSource, ADriverFailingMidRunStopsCleanly)
{
    for (bool stream : {false, true}) {
        Rig r;
        bool destroyed = false;
        r.catalogue.configure = [&](FakeDriver& d) {
            d.script = {GrabResult::Frame, GrabResult::NoFrame, GrabResult::Frame, GrabResult::Failed};
            d.destroyed = &destroyed;
        };
        r.source.BTN_StartClick();
        FakeDriver* d = r.catalogue.last;
        if (stream) r.source.BTN_TurboClick();
        for (int i = 0; i < 6 && r.source.driver(); ++i) {
            if (stream)
                d->frameReady ? d->frameReady() : void();
            else
                r.source.Timer1Timer();
        }
        EXPECT_FALSE(r.source.driver()) << "stream " << stream;
        EXPECT_FALSE(r.source.timer1().isActive());
        EXPECT_FALSE(r.source.turboMode());
        EXPECT_TRUE(r.source.controls.BTN_Start_Enabled);
        EXPECT_FALSE(r.core.flags.targetActive);
        ASSERT_FALSE(r.messages.lines.isEmpty());
        EXPECT_TRUE(r.messages.lines.last().startsWith(QStringLiteral("La camera ne repond plus")));
        EXPECT_TRUE(r.messages.lines.last().contains(QStringLiteral("device unplugged")));
        // Ticks after the stop do nothing.
        r.source.Timer1Timer();
        r.source.VideoStreamCallback();
        // The failed driver lives until the next start, then goes.
        EXPECT_FALSE(destroyed);
        r.chooser.answer = std::nullopt;
        r.source.BTN_StartClick();
        EXPECT_TRUE(destroyed);
    }
}

TEST(VideoSource, RawModeRebuildsColourFromTheMosaic)
{
    Rig r;
    r.catalogue.configure = [](FakeDriver& d) { d.colour = qRgb(100, 150, 200); };
    r.source.controls.CKB_RAW = true;
    r.source.controls.rawMode = 1;
    r.core.buffers.frameSlots[0].fill(qRgb(7, 7, 7));
    r.source.BTN_StartClick();
    r.source.Timer1Timer();
    // The camera hands its mosaic over undecoded: colour is rebuilt once.
    EXPECT_TRUE(r.catalogue.last->rawMosaic);
    const QImage& slot = r.core.buffers.frameSlots[0];
    EXPECT_EQ(slot.pixel(5, 5) & 0xffffffu, qRgb(100, 150, 200) & 0xffffffu);
    EXPECT_EQ(slot.pixel(0, 5) & 0xffffffu, qRgb(7, 7, 7) & 0xffffffu); // border not written
    r.source.controls.CKB_RAW = false;
    r.source.Timer1Timer();
    EXPECT_FALSE(r.catalogue.last->rawMosaic);
}

TEST(VideoSource, PlaybackSortsTheListReportsBadFilesAndGoesOn)
{
    QTemporaryDir dir;
    writeBmp(dir.filePath(QStringLiteral("b.bmp")), 320, 240, qRgb(0, 200, 0));
    writeBmp(dir.filePath(QStringLiteral("a.bmp")), 320, 240, qRgb(200, 0, 0));
    QFile junk(dir.filePath(QStringLiteral("c.bmp")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("BM not really a bitmap");
    junk.close();
    writeBmp(dir.filePath(QStringLiteral("d.bmp")), 320, 240, qRgb(0, 0, 200));

    Rig r;
    r.source.openPlayback({dir.filePath(QStringLiteral("d.bmp")), dir.filePath(QStringLiteral("c.bmp")),
                           dir.filePath(QStringLiteral("a.bmp")), dir.filePath(QStringLiteral("b.bmp"))},
                          PlaybackKind::Image);
    ASSERT_TRUE(r.source.playback());
    EXPECT_TRUE(r.source.playbackList().first().endsWith(QStringLiteral("a.bmp")));
    EXPECT_TRUE(r.source.playControlVisible());
    EXPECT_TRUE(r.source.EDT_Fichier.endsWith(QStringLiteral("a.bmp")));
    EXPECT_EQ(r.core.buffers.imageWidth, 320);
    EXPECT_EQ(r.core.buffers.display.pixel(10, 10) & 0xffffffu, qRgb(200, 0, 0) & 0xffffffu);
    EXPECT_TRUE(r.source.timer1().isActive());
    EXPECT_EQ(r.source.lastFolder(), QFileInfo(dir.path()).absoluteFilePath());

    r.source.playButtonPressed(PlayButton::PlayForward);
    for (int i = 0; i < 4; ++i) r.source.Timer1Timer();
    EXPECT_EQ(r.source.playbackIndex(), 3);
    ASSERT_EQ(r.messages.lines.size(), 1);
    EXPECT_TRUE(r.messages.lines[0].contains(QStringLiteral("c.bmp")));
    EXPECT_EQ(r.core.buffers.frameSlots[0].pixel(10, 10) & 0xffffffu, qRgb(0, 0, 200) & 0xffffffu);
    EXPECT_FALSE(r.source.playButtons[PlayButton::PlayForward].down);

    // A list of which no file reads ends the playback with its messages.
    Rig s;
    s.source.openPlayback({dir.filePath(QStringLiteral("c.bmp"))}, PlaybackKind::Image);
    EXPECT_FALSE(s.source.playback());
    EXPECT_FALSE(s.source.timer1().isActive());
    EXPECT_EQ(s.messages.lines.size(), 1);
}

TEST(VideoSource, PlaybackOfOneDarkAndLeavingItForTheDriver)
{
    QTemporaryDir dir;
    writeBmp(dir.filePath(QStringLiteral("dark.bmp")), 640, 480, qRgb(3, 3, 3));
    Rig r;
    r.source.openPlayback({dir.filePath(QStringLiteral("dark.bmp"))}, PlaybackKind::Dark);
    EXPECT_EQ(r.hooks.calibration, 1);
    r.source.Timer1Timer();
    const PlayButtons& b = r.source.playButtons;
    EXPECT_FALSE(b[PlayButton::PlayForward].enabled);
    EXPECT_FALSE(b[PlayButton::BACK1].enabled);
    r.source.setLoop(true);
    r.source.Timer1Timer();
    EXPECT_TRUE(b[PlayButton::PlayForward].enabled);
    EXPECT_TRUE(b[PlayButton::BACK1].enabled);

    r.source.BTN_StartClick(); // "Demarrer" leaves the playback
    EXPECT_FALSE(r.source.playback());
    EXPECT_FALSE(r.source.playControlVisible());
    EXPECT_TRUE(r.source.driver());
}

TEST(VideoSource, DebugActiveLogsTheFormatRead)
{
    QTemporaryDir dir;
    Rig r;
    r.source.controls.debugActive = true;
    r.source.controls.debugLogPath = dir.filePath(QStringLiteral("Debug.log"));
    QFile old(r.source.controls.debugLogPath);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("previous run\n");
    old.close();
    r.source.BTN_StartClick();
    QFile log(r.source.controls.debugLogPath);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 14); // truncated first
    EXPECT_EQ(lines[0], QStringLiteral("bisize          = 40"));
    EXPECT_EQ(lines[1], QStringLiteral("biWidth         = 640"));
    EXPECT_EQ(lines[4], QStringLiteral("biBitCount      = 16"));
    EXPECT_EQ(lines[6], QStringLiteral("biSizeImage     = 614400"));
    EXPECT_EQ(lines[10], QStringLiteral("biClrImportant  = 0"));
    EXPECT_EQ(lines[11], QStringLiteral("VideoCap1.CapWidth   = 640"));
    EXPECT_EQ(lines[12], QStringLiteral("VideoCap1.CapHeight  = 480"));
    EXPECT_EQ(lines[13], QStringLiteral("bmiHeader.biBitCount = 16"));
}

TEST(VideoSource, ACameraThatStopsDeliveringIsStoppedAfterFiveSeconds)
{
    Rig r;
    r.catalogue.configure = [](FakeDriver& d) { d.script.assign(200, GrabResult::NoFrame); };
    r.source.BTN_StartClick();
    // Refresh ticks without frames still show the last frame again.
    for (int i = 0; i < 50; ++i) {
        r.clock.advanceMs(100);
        r.source.Timer1Timer();
    }
    EXPECT_TRUE(r.source.driver());
    EXPECT_EQ(r.hooks.shown, 50);
    EXPECT_TRUE(r.messages.lines.isEmpty());
    r.clock.advanceMs(200);
    r.source.Timer1Timer();
    EXPECT_FALSE(r.source.driver());
    EXPECT_FALSE(r.source.timer1().isActive());
    ASSERT_EQ(r.messages.lines.size(), 1);
    EXPECT_TRUE(r.messages.lines[0].contains(QStringLiteral("aucune image")));
}

TEST(VideoSource, ATickWithoutANewFrameIntegratesNothing)
{
    // Nothing in time and a frame the decoder refused look alike to the source:
    // the tick shows the last frame again, as an old frame.
    Rig r;
    r.catalogue.configure = [](FakeDriver& d) {
        d.script = {GrabResult::Frame, GrabResult::NoFrame, GrabResult::NoFrame, GrabResult::Frame};
    };
    IntegrationCounter stages;
    r.core.pipeline.setStages(&stages);
    r.core.controls.integration.CKB_Integration = true;
    r.core.controls.BTN_Demarrer_Add_Enabled = false; // integration running
    r.source.BTN_StartClick();
    for (int i = 0; i < 4; ++i) {
        r.clock.advanceMs(100);
        r.source.Timer1Timer();
    }
    EXPECT_EQ(r.hooks.shown, 4);
    EXPECT_EQ(stages.added, 2);
    r.core.pipeline.setStages(nullptr);
}

namespace {
// What the frame routine hands on for recording: each new frame's time.
class TimeRecorder final : public FrameCountHook {
public:
    std::vector<QDateTime> times;
    void frameCounted(bool) override {}
    void frameArrived(const QImage&, int, int, const QDateTime& time) override { times.push_back(time); }
};
} // namespace

// The time a camera gives its frame goes with that frame, by tick and by
// stream, and only with it: a frame without one, or a tick without a new
// frame, does not carry an older frame's time.
TEST(VideoSource, EachFrameCarriesTheTimeTheCameraGaveIt)
{
    Rig r;
    TimeRecorder recorder;
    r.core.frameCountHook = &recorder;
    r.source.BTN_StartClick();
    FakeDriver* d = r.catalogue.last;
    ASSERT_NE(d, nullptr);
    const QDateTime t0(QDate(2024, 3, 1), QTime(21, 0, 0, 250), Qt::UTC);
    d->stamp = t0;
    r.source.Timer1Timer();
    d->script = {GrabResult::NoFrame};
    r.source.Timer1Timer(); // shows the last frame again: not recorded
    d->stamp = QDateTime();
    r.source.Timer1Timer();
    r.source.BTN_TurboClick();
    ASSERT_TRUE(d->streaming);
    d->stamp = t0.addMSecs(40);
    d->frameReady();
    ASSERT_EQ(recorder.times.size(), 3u);
    EXPECT_EQ(recorder.times[0], t0);
    EXPECT_FALSE(recorder.times[1].isValid()) << "a frame without a time of its own takes none";
    EXPECT_EQ(recorder.times[2], t0.addMSecs(40));
    r.core.frameCountHook = nullptr;
}

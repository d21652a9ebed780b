#include "ExposureRig.h"

#include <gtest/gtest.h>

using namespace velumbra;
using namespace velumbra::test;

namespace {

constexpr quint8 kLowNibble = 0x0F;

} // namespace

TEST(LongExposureCycle, BytesOfOneExposureWithoutSelfGuiding)
{
    ExposureRig rig;
    rig.le.controls.SPED_Vesta_Pose = 1000;
    rig.le.writeZeroByte();
    rig.le.BTN_Demarrer_PoseClick();
    ASSERT_TRUE(rig.le.active());
    EXPECT_EQ(rig.port.last() & kLowNibble, 0x00) << "activation lowers the four lines";
    EXPECT_EQ(rig.port.writes.back().first, 0x378);

    // Until the first readout: the amplifier comes up early, nothing else.
    while (rig.hooks.processedNew == 0 && rig.clock.nowMs() < 1'010'000) rig.run(50, 50);
    ASSERT_EQ(rig.hooks.processedNew, 1);
    // The readout write: odd, even and amplifier raised, mode line low.
    const auto readout = std::find_if(rig.port.writes.begin(), rig.port.writes.end(),
                                      [](auto w) { return (w.second & 0x03) == 0x03; });
    ASSERT_NE(readout, rig.port.writes.end());
    EXPECT_EQ(readout->second, 0x07);
    EXPECT_EQ(rig.port.last(), 0x07) << "bit 3 stays low through the gap";

    rig.le.BTN_Arreter_PoseClick();
    EXPECT_EQ(rig.port.last(), 0x0F) << "Arrêter raises the mode line without Permanent";
    EXPECT_FALSE(rig.le.exposureTimer().isActive());
}

TEST(LongExposureCycle, PermanentKeepsTheModeLineLowAfterTheRun)
{
    ExposureRig rig;
    LongExposureLineSettings s;
    s.CKB_LongueposePermanent = true;
    rig.le.setLineSettings(s);
    rig.le.writeIdleByte();
    EXPECT_EQ(rig.port.last(), 0x07);
    rig.le.BTN_Demarrer_PoseClick();
    rig.le.BTN_Arreter_PoseClick();
    EXPECT_EQ(rig.port.last(), 0x07);
    rig.le.writeStopByte();
    EXPECT_EQ(rig.port.last(), 0x0F) << "capture stop raises every line";
}

TEST(LongExposureCycle, AmplifierRaisedOnTheFirstTickUnderTheAdvance)
{
    ExposureRig rig;
    LongExposureLineSettings s;
    s.SPED_Avance = 400;
    rig.le.setLineSettings(s);
    rig.le.controls.SPED_Vesta_Pose = 5000;
    rig.le.BTN_Demarrer_PoseClick();
    rig.run(100, 100); // arms the timer
    rig.run(200, 100); // first gap ends: the exposure starts
    ASSERT_FALSE(rig.le.exposureGap());
    bool raisedSeen = false;
    for (int i = 0; i < 60 && rig.hooks.processedNew == 0; ++i) {
        rig.clock.advanceMs(100);
        rig.fireDue();
        if (rig.hooks.processedNew) break;
        const auto before = rig.port.writes.size();
        rig.le.Timer1Tick();
        const double left = rig.le.exposureLeft();
        const bool amp = (rig.port.last() & 0x04) != 0;
        if (left < 0.4 && !raisedSeen) {
            EXPECT_TRUE(amp) << "left " << left;
            EXPECT_EQ(rig.port.writes.size(), before + 1);
            raisedSeen = true;
        } else if (left >= 0.4) {
            EXPECT_FALSE(amp) << "left " << left;
        }
    }
    EXPECT_TRUE(raisedSeen);
    EXPECT_EQ(rig.hooks.processedNew, 1);
}

TEST(LongExposureCycle, CountLimitStopsAfterTheThirdExposure)
{
    ExposureRig rig;
    rig.le.controls.SPED_Vesta_Pose = 1000;
    rig.le.controls.SPED_Nb_Poses = 3;
    rig.le.BTN_Demarrer_PoseClick();
    EXPECT_EQ(rig.le.display.TNI_Posenum, 1);
    rig.run(20'000);
    EXPECT_EQ(rig.hooks.processedNew, 3);
    EXPECT_EQ(rig.le.display.TNI_Posenum, 0);
    EXPECT_FALSE(rig.le.active());
    EXPECT_TRUE(rig.le.display.BTN_Demarrer_Enabled);
    EXPECT_FALSE(rig.le.display.BTN_Arreter_Enabled);
    EXPECT_EQ(rig.port.last(), 0x0F);
    EXPECT_EQ(rig.hooks.counted, 3);
}

TEST(LongExposureCycle, OverdueEndIsForcedFromTheRefreshTick)
{
    ExposureRig rig;
    rig.le.controls.SPED_Vesta_Pose = 1000;
    rig.le.BTN_Demarrer_PoseClick();
    rig.run(400); // armed; activation started the exposure at once
    ASSERT_FALSE(rig.le.exposureGap());
    // The timer's own tick never comes (a blocked loop): the refresh tick
    // ends the exposure once it is half a second late.
    rig.clock.advanceMs(1000);
    rig.le.Timer1Tick();
    EXPECT_EQ(rig.hooks.processedNew, 0);
    rig.clock.advanceMs(200);
    rig.le.Timer1Tick();
    EXPECT_EQ(rig.hooks.processedNew, 1);
}

TEST(LongExposureCycle, AnEndDueInsideAFrameWaitsForThatFrame)
{
    ExposureRig rig;
    rig.le.controls.SPED_Vesta_Pose = 1000;
    rig.le.BTN_Demarrer_PoseClick();
    rig.run(900);
    ASSERT_FALSE(rig.le.exposureGap());
    const size_t writes = rig.port.writes.size();
    const std::vector<QString> calls = rig.hooks.calls;
    // A frame waits inside its routine (a guide pause) and the loop brings
    // the exposure's tick: nothing is grabbed over that frame, no line moves.
    rig.hooks.frameRunning = true;
    rig.clock.advanceMs(100);
    rig.le.TMR_ExposureTimer();
    EXPECT_EQ(rig.hooks.calls, calls);
    EXPECT_EQ(rig.port.writes.size(), writes);
    // The frame is through: the exposure ends at the timer's next tick.
    rig.hooks.frameRunning = false;
    rig.clock.advanceMs(5);
    rig.fireDue();
    EXPECT_EQ(rig.hooks.processedNew, 1);
    ASSERT_GT(rig.hooks.calls.size(), calls.size());
    EXPECT_EQ(rig.hooks.calls[calls.size()], QStringLiteral("grab0"));
    EXPECT_EQ(rig.hooks.calls.back(), QStringLiteral("process"));
    EXPECT_EQ(rig.port.last() & 0x03, 0x03) << "the readout raises both line sets";
}

TEST(LongExposureCycle, ActiveValueZeroLeavesTheAmplifierAlone)
{
    for (const char* start : {"00000000", "00000100"}) {
        ExposureRig rig;
        LongExposureLineSettings s;
        s.TNI_Amp_ActiveValue = 0;
        rig.le.setLineSettings(s);
        rig.le.BTN_TestWriteClick(QString::fromLatin1(start));
        const int amp = rig.port.last() & 0x04;
        rig.le.controls.SPED_Vesta_Pose = 1000;
        rig.le.controls.SPED_Nb_Poses = 2;
        rig.le.BTN_Demarrer_PoseClick();
        rig.run(10'000);
        EXPECT_EQ(rig.hooks.processedNew, 2);
        for (auto [address, value] : rig.port.writes) EXPECT_EQ(value & 0x04, amp) << start;
        rig.le.BTN_Start_PoseClick();
        EXPECT_EQ(rig.port.last() & 0x04, 0x04) << "the test Start sets the amplifier to 1";
    }
}

TEST(LongExposureCycle, TestButtonsWriteTheirByte)
{
    ExposureRig rig;
    std::vector<quint8> shown;
    struct ShowHooks : LongExposureHooks {
        std::vector<quint8>* shown;
        bool grabFrame(int) override { return false; }
        bool processFrame(bool) override { return false; }
        void showPortByte(quint8 v) override { shown->push_back(v); }
    } hooks;
    hooks.shown = &shown;
    rig.le.setHooks(&hooks);

    rig.le.BTN_TestPlusClick(QStringLiteral("11111111"));
    rig.le.BTN_TestMoinsClick(QStringLiteral("00000000"));
    rig.le.BTN_TestWriteClick(QStringLiteral("12"));
    EXPECT_TRUE(rig.port.writes.empty()) << "+ at 255, - at 0 and bad digits write nothing";

    rig.le.BTN_TestPlusClick(QStringLiteral("00000111"));
    rig.le.BTN_TestMoinsClick(QStringLiteral("00000111"));
    rig.le.BTN_TestWriteClick(QStringLiteral("10000001"));
    ASSERT_EQ(rig.port.writes.size(), 3u);
    EXPECT_EQ(rig.port.writes[0].second, 8);
    EXPECT_EQ(rig.port.writes[1].second, 6);
    EXPECT_EQ(rig.port.writes[2].second, 0x81);
    EXPECT_EQ(shown, (std::vector<quint8>{8, 6, 0x81}));
}

TEST(LongExposureCycle, PermanentClickMovesTheModeLineOnlyWhenIdle)
{
    ExposureRig rig;
    rig.le.writeIdleByte();
    rig.le.CKB_LongueposePermanentClick(true);
    EXPECT_EQ(rig.port.last(), 0x07);
    rig.le.CKB_LongueposePermanentClick(false);
    EXPECT_EQ(rig.port.last(), 0x0F);
    rig.le.BTN_Demarrer_PoseClick();
    const auto count = rig.port.writes.size();
    rig.le.CKB_LongueposePermanentClick(true);
    EXPECT_EQ(rig.port.writes.size(), count);
}

TEST(LongExposureCycle, NothingRunsWithoutTheModifiedCamera)
{
    ExposureRig rig;
    rig.le.setEnabled(false);
    rig.le.BTN_Demarrer_PoseClick();
    EXPECT_FALSE(rig.le.active());
    EXPECT_FALSE(rig.le.startSingleShot());
    EXPECT_TRUE(rig.port.writes.empty());
    EXPECT_FALSE(rig.le.Timer1Tick()) << "the live grab keeps the tick";
    rig.le.openWindow();
    EXPECT_FALSE(rig.le.Timer1Tick()) << "an open window without a run leaves the live video going";
}

TEST(LongExposureCycle, SingleShotEndsAfterOneExposure)
{
    for (bool detectionSaving : {false, true}) {
        ExposureRig rig;
        rig.hooks.saving = detectionSaving;
        rig.le.controls.SPED_Vesta_Pose = 1000;
        ASSERT_TRUE(rig.le.startSingleShot());
        rig.run(5000);
        EXPECT_EQ(rig.hooks.processedNew, 1);
        EXPECT_FALSE(rig.le.active());
        EXPECT_FALSE(rig.le.singleShot());
        EXPECT_EQ(rig.hooks.counted, detectionSaving ? 0 : 1);
        EXPECT_EQ(rig.port.last(), 0x0F);
    }
}

TEST(LongExposureFaults, StopByteFirstAtCaptureStopAndAtTheEnd)
{
    ExposureRig rig;
    rig.le.controls.SPED_Vesta_Pose = 3000;
    rig.le.BTN_Demarrer_PoseClick();
    rig.run(500);
    ASSERT_EQ(rig.port.last() & kLowNibble, 0x00);
    rig.le.writeStopByte();
    EXPECT_EQ(rig.port.last(), 0x0F);
    EXPECT_FALSE(rig.le.active());
    EXPECT_FALSE(rig.le.exposureTimer().isActive());
    const auto count = rig.port.writes.size();
    rig.run(5000);
    EXPECT_EQ(rig.port.writes.size(), count) << "nothing moves the lines after the stop";
}

TEST(LongExposureFaults, DestroyedMidExposureRaisesEveryLine)
{
    RecordingPort port;
    {
        ManualSteadyClock clock;
        ImageBuffers frames;
        LongExposure le(port, clock, frames);
        le.setEnabled(true);
        le.BTN_Demarrer_PoseClick();
        ASSERT_EQ(port.last() & kLowNibble, 0);
    }
    EXPECT_EQ(port.last(), 0x0F);
}

TEST(LongExposureFaults, ChoosingOneLineSetEndsTheAlternation)
{
    ExposureRig rig;
    rig.le.controls.CKB_Selfguide_Active = true;
    LongExposureLineSettings s;
    s.CBX_Ligne_guidage = int(GuideLineChoice::Alterner);
    rig.le.setLineSettings(s);
    rig.le.BTN_Demarrer_PoseClick();
    EXPECT_TRUE(rig.le.alternate());
    rig.le.BTN_Arreter_PoseClick();

    const std::pair<GuideLineChoice, ExposureLine> cases[] = {{GuideLineChoice::Impaires, ExposureLine::Odd},
                                                              {GuideLineChoice::Paires, ExposureLine::Even}};
    for (auto [choice, line] : cases) {
        s.CBX_Ligne_guidage = int(choice);
        rig.le.setLineSettings(s);
        rig.le.BTN_Demarrer_PoseClick();
        EXPECT_FALSE(rig.le.alternate());
        EXPECT_EQ(rig.le.guideLine(), line);
        EXPECT_EQ(rig.le.exposureTimer().interval(), 5000) << "the exposure is not halved any more";
        rig.le.BTN_Arreter_PoseClick();
    }
}

TEST(LongExposureSelfGuiding, AlternationOverFourExposuresMergesTheHalves)
{
    ExposureRig rig;
    rig.frames.setFrameSize(320, 240);
    rig.hooks.fill = {{0x50, 0x0A, 0x33}};
    rig.le.controls.CKB_Selfguide_Active = true;
    rig.le.controls.CKB_Egaliser = false;
    rig.le.controls.SPED_Vesta_Pose = 2000;
    rig.le.controls.SPED_Vesta_Pose_Guidage = 500;
    rig.le.BTN_Demarrer_PoseClick();
    ASSERT_TRUE(rig.le.alternate());
    EXPECT_EQ(rig.le.exposureTimer().interval(), 1000) << "each half exposes for half the length";

    std::vector<ExposureLine> guideLines;
    std::vector<QString> halfEvents;
    int merged = 0;
    for (int step = 0; step < 400 && halfEvents.size() < 4; ++step) {
        const auto before = rig.hooks.calls.size();
        rig.run(50, 50);
        for (auto i = before; i < rig.hooks.calls.size(); ++i) {
            const QString& c = rig.hooks.calls[i];
            if (c.startsWith(QLatin1String("save"))) {
                halfEvents.push_back(c);
                guideLines.push_back(rig.le.guideLine());
            }
            if (c == QLatin1String("process")) {
                ++merged;
                // Slot 0 holds its own value ORed with slot 1's.
                const QRgb p = rig.frames.frameSlots[0].pixel(10, 10);
                EXPECT_EQ(qBlue(p), 0x50 | 0x0A);
            }
        }
    }
    ASSERT_EQ(halfEvents.size(), 4u);
    EXPECT_EQ(halfEvents[0], QStringLiteral("save1:Video2.bmp"));
    EXPECT_EQ(halfEvents[1], QStringLiteral("save0:Video1.bmp"));
    EXPECT_EQ(halfEvents[2], QStringLiteral("save1:Video2.bmp"));
    EXPECT_EQ(halfEvents[3], QStringLiteral("save0:Video1.bmp"));
    EXPECT_EQ(guideLines, (std::vector<ExposureLine>{ExposureLine::Even, ExposureLine::Odd, ExposureLine::Even,
                                                    ExposureLine::Odd}));
    EXPECT_EQ(merged, 2) << "one frame per pair of halves";
    EXPECT_EQ(rig.le.display.TNI_Posenum, 3);
    // Guide exposures ran on the guide line set meanwhile: slot 2 was read.
    EXPECT_NE(std::count(rig.hooks.calls.begin(), rig.hooks.calls.end(), QStringLiteral("grab2")), 0);
}

TEST(LongExposureSelfGuiding, GuideSetAndExposureSetMoveApart)
{
    ExposureRig rig;
    LongExposureLineSettings s;
    s.CBX_Ligne_guidage = int(GuideLineChoice::Impaires);
    rig.le.setLineSettings(s);
    rig.le.controls.CKB_Selfguide_Active = true;
    rig.le.controls.SPED_Vesta_Pose = 3000;
    rig.le.controls.SPED_Vesta_Pose_Guidage = 500;
    rig.le.BTN_Demarrer_PoseClick();
    // Watch the bytes: the even set (exposure) stays low while the odd set
    // (guide) goes up for each guide readout.
    bool oddUpEvenLow = false;
    for (int i = 0; i < 40; ++i) {
        rig.run(50, 50);
        const quint8 b = rig.port.last();
        if ((b & 0x01) && !(b & 0x02)) oddUpEvenLow = true;
    }
    EXPECT_TRUE(oddUpEvenLow);
    EXPECT_EQ(rig.hooks.processedNew, 0) << "no main exposure has ended yet";
}

// The camera fails while an exposure is read: the capture stops (which
// writes the stop byte), and nothing of the exposure's end follows it.
TEST(LongExposureFaults, FailedGrabLeavesTheStopByteLast)
{
    struct FailingCamera : LongExposureHooks {
        LongExposure* le = nullptr;
        int failOnSlot = 0;
        int processed = 0;
        bool grabFrame(int slot) override
        {
            if (slot == failOnSlot) le->writeStopByte(); // the capture stop
            return false;
        }
        bool processFrame(bool newFrame) override
        {
            processed += newFrame ? 1 : 0;
            return true;
        }
    };
    for (int slot : {0, 2}) {
        ExposureRig rig;
        FailingCamera camera;
        camera.le = &rig.le;
        camera.failOnSlot = slot;
        rig.le.setHooks(&camera);
        // With self-guiding the guide exposure (0.5 s) ends long before the main one.
        rig.le.controls.SPED_Vesta_Pose = slot == 2 ? 5000 : 1000;
        rig.le.controls.CKB_Selfguide_Active = slot == 2;
        LongExposureLineSettings s;
        s.CBX_Ligne_guidage = int(GuideLineChoice::Impaires);
        rig.le.setLineSettings(s);
        rig.le.BTN_Demarrer_PoseClick();
        rig.run(3000);
        EXPECT_FALSE(rig.le.active()) << slot;
        EXPECT_EQ(rig.port.last(), 0x0F) << slot;
        EXPECT_EQ(camera.processed, 0) << slot;
        EXPECT_FALSE(rig.le.exposureTimer().isActive());
        EXPECT_FALSE(rig.le.guideTimer().isActive());
        rig.le.setHooks(nullptr);
    }
}

// The port vanishes at each moment of a run (the start, mid-exposure, the
// readout, the self-guiding half): the run ends once, with the lines raised
// in the program's state, nothing more is written, and a new run, once the
// port is back, tries it again and exposes normally.
TEST(LongExposureFaults, AVanishingPortEndsTheRunAndANewRunTriesItAgain)
{
    struct Case {
        const char* when;
        qint64 runBeforeMs;
        bool selfGuide;
        bool singleShot;
    };
    const Case cases[] = {
        {"at the start", 0, false, false},
        {"mid-exposure", 1200, false, false},
        {"at the readout", 3000, false, false},
        {"in a self-guided half", 1700, true, false},
        {"in motion detection's single exposure", 1200, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.when);
        ExposureRig rig;
        rig.le.controls.SPED_Vesta_Pose = 3000;
        rig.le.controls.CKB_Selfguide_Active = c.selfGuide;
        rig.le.controls.SPED_Vesta_Pose_Guidage = 700;
        rig.port.gone = c.runBeforeMs == 0;
        if (c.singleShot)
            EXPECT_TRUE(rig.le.startSingleShot());
        else
            rig.le.BTN_Demarrer_PoseClick();
        if (c.runBeforeMs > 0) {
            ASSERT_TRUE(rig.le.active());
            rig.run(c.runBeforeMs - 100);
            rig.port.gone = true;
            rig.run(2000); // the next change of the lines meets the missing port
        }
        EXPECT_FALSE(rig.le.active());
        EXPECT_FALSE(rig.le.exposureTimer().isActive());
        EXPECT_FALSE(rig.le.guideTimer().isActive());
        EXPECT_EQ(rig.le.portByte() & kLowNibble, 0x0F) << "every line raised for when the port returns";
        EXPECT_TRUE(rig.le.display.BTN_Demarrer_Enabled);
        const auto lost = std::count(rig.hooks.calls.begin(), rig.hooks.calls.end(), QStringLiteral("portLost"));
        EXPECT_EQ(lost, 1);
        EXPECT_EQ(std::count(rig.hooks.calls.begin(), rig.hooks.calls.end(), QStringLiteral("singleShotDone")),
                  c.singleShot ? 1 : 0);

        const int processed = rig.hooks.processedNew;
        rig.port.gone = false;
        rig.port.writes.clear();
        rig.le.BTN_Demarrer_PoseClick();
        EXPECT_EQ(rig.port.retries, 2) << "each start tries the port again";
        ASSERT_TRUE(rig.le.active());
        rig.run(3500);
        EXPECT_GT(rig.hooks.processedNew, processed) << "the new run exposes and reads out";
    }
}

// However a run started by motion detection ends, detection is told once
// (it goes on), and the user's next run is an ordinary one: three
// exposures, each counted for the timed saving.
TEST(LongExposureCycle, EveryEndOfASingleShotGivesDetectionBack)
{
    struct Ending {
        const char* how;
        void (*end)(ExposureRig&);
    };
    const Ending endings[] = {
        {"read out", [](ExposureRig& r) { r.run(2000); }},
        {"Arrêter", [](ExposureRig& r) { r.le.BTN_Arreter_PoseClick(); }},
        {"main window's box unchecked", [](ExposureRig& r) { r.le.setActive(false); }},
        {"window closed", [](ExposureRig& r) { r.le.closeWindow(); }},
        {"capture stopped", [](ExposureRig& r) { r.le.writeStopByte(); }},
        {"camera option off and on", [](ExposureRig& r) {
             r.le.setEnabled(false);
             r.le.setEnabled(true);
         }},
    };
    const auto done = [](const ExposureRig& r) {
        return std::count(r.hooks.calls.begin(), r.hooks.calls.end(), QStringLiteral("singleShotDone"));
    };
    for (const Ending& e : endings) {
        SCOPED_TRACE(e.how);
        ExposureRig rig;
        rig.hooks.saving = true;
        rig.le.controls.SPED_Vesta_Pose = 1000;
        rig.le.openWindow();
        ASSERT_TRUE(rig.le.startSingleShot());
        rig.run(300);
        e.end(rig);
        EXPECT_FALSE(rig.le.active());
        EXPECT_EQ(done(rig), 1);

        const int processed = rig.hooks.processedNew, counted = rig.hooks.counted;
        rig.le.openWindow();
        rig.le.controls.SPED_Nb_Poses = 3;
        rig.le.BTN_Demarrer_PoseClick();
        rig.run(20'000);
        EXPECT_EQ(rig.hooks.processedNew - processed, 3);
        EXPECT_EQ(rig.hooks.counted - counted, 3);
        EXPECT_EQ(done(rig), 1);
    }
}

// Without the refresh tick (capture stopped, or frames streamed) a run
// would sit with its lines low: "Demarrer" and the main window's box are
// refused with the reason, detection's single exposure quietly; the lines
// stay untouched.
TEST(LongExposureFaults, NoRunWithoutTheRefreshTick)
{
    ExposureRig rig;
    rig.hooks.noRun = QStringLiteral("no capture");
    rig.le.openWindow();
    rig.le.BTN_Demarrer_PoseClick();
    rig.le.setActive(true);
    EXPECT_FALSE(rig.le.startSingleShot());
    EXPECT_FALSE(rig.le.active());
    EXPECT_TRUE(rig.le.display.BTN_Demarrer_Enabled);
    EXPECT_EQ(rig.hooks.messages, std::vector<QString>(2, QStringLiteral("no capture")));
    rig.run(3000);
    EXPECT_TRUE(rig.port.writes.empty());

    rig.hooks.noRun.clear();
    rig.le.BTN_Demarrer_PoseClick();
    EXPECT_TRUE(rig.le.active());
}

// The modified-camera option switched off mid-run ends the run with every
// line raised (the mode line too, even with "Permanent") and says so;
// "Demarrer" then says why nothing starts.
TEST(LongExposureFaults, CameraOptionOffEndsTheRun)
{
    for (bool permanent : {false, true}) {
        SCOPED_TRACE(permanent);
        ExposureRig rig;
        LongExposureLineSettings s;
        s.CKB_LongueposePermanent = permanent;
        rig.le.setLineSettings(s);
        rig.le.controls.SPED_Vesta_Pose = 3000;
        rig.le.openWindow();
        rig.le.BTN_Demarrer_PoseClick();
        rig.run(1200);
        ASSERT_EQ(rig.port.last() & kLowNibble, 0x00);
        rig.le.setEnabled(false);
        EXPECT_EQ(rig.port.last(), 0x0F);
        EXPECT_FALSE(rig.le.active());
        EXPECT_TRUE(rig.le.display.BTN_Demarrer_Enabled);
        EXPECT_EQ(rig.hooks.messages.size(), 1u);
        const auto writes = rig.port.writes.size();
        rig.run(5000);
        EXPECT_EQ(rig.port.writes.size(), writes);
        EXPECT_EQ(rig.hooks.processedNew, 0);
        rig.le.BTN_Demarrer_PoseClick();
        EXPECT_FALSE(rig.le.active());
        EXPECT_EQ(rig.hooks.messages.size(), 2u);
    }
}

// Alternating self-guiding, as the lines show it: each line set is low for
// half the exposure before its readout, the even set (Video2) then the odd
// one (Video1), whatever the gap between the halves.
TEST(LongExposureSelfGuiding, AlternatingHalvesAreEqualOnTheLines)
{
    constexpr int kPeriod = 20; // refresh tick, ms
    for (int gap : {100, 1000, 5500}) {
        SCOPED_TRACE(gap);
        ExposureRig rig;
        LongExposureLineSettings s;
        s.CBX_Ligne_guidage = int(GuideLineChoice::Alterner);
        s.SPED_Vesta_Interpose = gap;
        rig.le.setLineSettings(s);
        rig.le.controls.CKB_Selfguide_Active = true;
        rig.le.controls.CKB_Egaliser = false;
        rig.le.controls.SPED_Vesta_Pose = 5000;
        rig.le.controls.SPED_Vesta_Pose_Guidage = 500;
        rig.le.BTN_Demarrer_PoseClick();
        rig.run(30'000, kPeriod);
        ASSERT_GE(rig.hooks.writesBeforeSave.size(), 4u);
        for (std::size_t k = 0; k < 4; ++k) {
            SCOPED_TRACE(k);
            // The readout is the last write before the half frame is saved;
            // the half began where its set last went low.
            const quint8 bit = k % 2 == 0 ? 0x02 : 0x01;
            std::size_t i = rig.hooks.writesBeforeSave[k] - 1;
            ASSERT_NE(rig.port.writes[i].second & bit, 0) << "the set is read out";
            const qint64 readout = rig.port.times[i];
            while (i > 0 && !(rig.port.writes[i - 1].second & bit)) --i;
            const qint64 half = readout - rig.port.times[i];
            EXPECT_GE(half, 2500);
            EXPECT_LE(half, 2500 + 2 * kPeriod);
        }
    }
}

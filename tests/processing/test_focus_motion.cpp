// The focus width and its hand-off to the autofocus, motion detection and
// its actions, and the two measures kept apart when both run.
#include "simulator/StarField.h"
#include "core/Sound.h"
#include "processing/CoreStages.h"
#include "processing/ImageCore.h"

#include <gtest/gtest.h>
#include <vector>

using namespace velumbra;

namespace {

struct RecordingDisplay : CueDisplay {
    std::vector<double> values;
    std::vector<CueLamps> lamps;
    void showLargeValue(double v) override { values.push_back(v); }
    void setLamps(const CueLamps& l) override { lamps.push_back(l); }
};

struct FakeAutofocus : AutofocusHandOff {
    std::vector<double> widths;
    std::vector<int> peaks;
    int setSize = 0;
    void focusReading(double width, const FocusSample& s, int n) override
    {
        widths.push_back(width);
        peaks.push_back(s.peak);
        setSize = n;
    }
};

QImage greyImage(int value)
{
    QImage img(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
    img.fill(qRgb(value, value, value));
    return img;
}

// Changes the first `count` pixels of a width-wide frame by `delta` on each channel.
void changePixels(QImage& img, int width, int count, int delta)
{
    for (int i = 0; i < count; ++i) {
        const int x = i % width, y = i / width;
        const QRgb p = img.pixel(x, y);
        img.setPixel(x, y, qRgb(qRed(p) + delta, qGreen(p) + delta, qBlue(p) + delta));
    }
}

class CoreFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        core.buffers.create();
        core.buffers.setFrameSize(640, 480);
        renderStarField(core.buffers.frameSlots[0], 640, 480, 4);
        core.zone.starPos = {320, 240};
        core.controls.TNI_Taille_ZAffich = 320;
        core.flags.targetActive = true;
        core.pipeline.setStages(&stages);
        core.pipeline.UpdateDisplayZone();
    }
    ManualClock clock;
    ImageCore core{clock};
    CoreStages stages{core};
};

} // namespace

// ------------------------------------------------------------------ focus

TEST(FocusWidthMeasure, WidthIsTheDiameterOfADiscOfTheCountedPixels)
{
    struct Case { int count; double width; };
    const Case cases[] = {{314, 19.99}, {0, 0.0}, {1, 1.128}, {100, 11.284}, {-5, 0.0}};
    for (const Case& t : cases) EXPECT_NEAR(FocusWidth::widthOf(t.count), t.width, 0.005) << t.count;
}

TEST(FocusWidthMeasure, BestIsSmallestWorstLargestOnceTheRingIsFull)
{
    PipelineControls controls;
    controls.selection.SPED_Nb_Mesures = 3;
    FocusWidth focus(controls);
    focus.reset();
    // Widths of counts 314 (19.99) then 100 (11.28) then 25 (5.64) ...
    const int counts[] = {314, 314, 314, 100, 100, 25, 25, 400};
    std::vector<double> means;
    for (const int c : counts) {
        focus.focusPass(c);
        means.push_back(focus.figures().TNI_FWHM);
        EXPECT_EQ(controls.TNI_FWHM, focus.figures().TNI_FWHM) << "the target's text shows the mean";
    }
    EXPECT_NEAR(means[1], FocusWidth::widthOf(314), 1e-9) << "two values of N = 3 are the mean";
    EXPECT_NEAR(focus.figures().TNI_Meilleur_FWHM, FocusWidth::widthOf(25), 1e-9);
    EXPECT_NEAR(focus.figures().TNI_Pire_FWHM, FocusWidth::widthOf(314), 1e-9);
    EXPECT_EQ(controls.TNI_Meilleur_FWHM, focus.figures().TNI_Meilleur_FWHM);

    focus.reset();
    EXPECT_EQ(focus.figures().TNI_FWHM, 0);
    EXPECT_EQ(focus.figures().TNI_Meilleur_FWHM, 99999);
    EXPECT_EQ(focus.figures().TNI_Pire_FWHM, 0);
    EXPECT_FALSE(focus.ring().full());
}

// The autofocus gets each pass's own width (not the running mean, whose
// ring counts missing values as 0) with what the pass saw, and the set size.
TEST(FocusWidthMeasure, AutofocusGetsEveryPassWidthAndSample)
{
    PipelineControls controls;
    controls.selection.SPED_Nb_Mesures = 4;
    FocusWidth focus(controls);
    FakeAutofocus autofocus;
    focus.setAutofocus(&autofocus);
    focus.focusSample({314, 120, 10, 60, 1600});
    focus.focusPass(100);
    ASSERT_EQ(autofocus.widths.size(), 2u);
    EXPECT_NEAR(autofocus.widths[0], 19.99, 0.01);
    EXPECT_NEAR(autofocus.widths[1], FocusWidth::widthOf(100), 1e-9);
    EXPECT_LT(focus.figures().TNI_FWHM, autofocus.widths[0]) << "the running mean still counts empty slots";
    EXPECT_EQ(autofocus.peaks, (std::vector<int>{120, -1}));
    EXPECT_EQ(autofocus.setSize, 4);
}

// What a sample is worth: a star, no star, or a saturated core.
TEST(FocusWidthMeasure, ImpossibleSamplesAreNoStar)
{
    struct Row {
        FocusSample s;
        FocusSampleKind kind;
        const char* why;
    };
    const std::vector<Row> rows = {
        {{20, 120, 10, 60, 1600}, FocusSampleKind::Star, "a star standing out"},
        {{0, 120, 10, 60, 1600}, FocusSampleKind::NoStar, "no pixel above the threshold"},
        {{0, 40, 10, 250, 1600}, FocusSampleKind::NoStar, "a fixed threshold above every pixel"},
        {{900, 30, 14, 15, 1600}, FocusSampleKind::NoStar, "half of a faint peak under the background"},
        {{1000, 60, 5, 30, 1600}, FocusSampleKind::NoStar, "most of the zone counted"},
        {{12, 60, 30, 30, 1600}, FocusSampleKind::NoStar, "the background reaches the threshold"},
        {{40, 255, 12, 127, 1600}, FocusSampleKind::Saturated, "a clipped core"},
        {{40, 250, 12, 125, 1600}, FocusSampleKind::Saturated, "at the saturation level"},
        {{40, 249, 12, 124, 1600}, FocusSampleKind::Star, "just below it"},
        {{1, -1, 0, 0, 0}, FocusSampleKind::Star, "a count alone: one pixel is 1.13 px"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(classifyFocusSample(r.s, FocusWidth::widthOf(r.s.count)), r.kind) << r.why;
    // A width under one pixel, whatever the count says.
    EXPECT_EQ(classifyFocusSample({5, 120, 10, 60, 1600}, 0.517), FocusSampleKind::NoStar);
}

TEST(FocusWidthMeasure, SoundAndLargeIndicatorFollowTheirBoxes)
{
    PipelineControls controls;
    controls.selection.SPED_Nb_Mesures = 2;
    FocusWidth focus(controls);
    RecordingSound sound;
    RecordingDisplay display;
    focus.setSound(&sound);
    focus.setDisplay(&display);
    focus.reset();
    focus.focusPass(400);
    focus.focusPass(400);
    EXPECT_TRUE(sound.played.isEmpty());
    EXPECT_TRUE(display.values.empty());

    controls.selection.CKB_Son_MAP = true;
    controls.selection.CKB_GROS_FWHM = true;
    // The best follows the mean before the cue: a narrower star is at once
    // the best, and reached; the same width again stays reached.
    focus.focusPass(100);
    focus.focusPass(100);
    focus.focusPass(900); // wider: worse
    EXPECT_EQ(sound.played, (QStringList{QStringLiteral("TOP"), QStringLiteral("TOP"), QStringLiteral("NON")}));
    ASSERT_EQ(display.values.size(), 3u);
    EXPECT_NEAR(display.values[2], FocusWidth::widthOf(900), 1e-9);
    ASSERT_EQ(display.lamps.size(), 3u);
    EXPECT_EQ(display.lamps[1].PNL_Vert, QColor(0, 255, 0));
    EXPECT_EQ(display.lamps[2].PNL_Rouge, QColor(255, 0, 0));
}

// ------------------------------------------------- both measures at once

TEST_F(CoreFixture, QualityAndFocusEachKeepTheirOwnRing)
{
    // The figures of each measure alone, then with both on: the same.
    auto run = [&](bool quality, bool focus) {
        ImageCore c(clock);
        CoreStages s(c);
        c.buffers.create();
        c.buffers.setFrameSize(640, 480);
        c.zone.starPos = {320, 240};
        c.controls.TNI_Taille_ZAffich = 320;
        c.controls.TNI_Taille_ZDetect = 40;
        c.controls.CKB_Suivi = true;
        c.controls.CKB_Selection = quality;
        c.controls.CKB_MAP = focus;
        c.controls.tracking.SPED_Seuil_MAP = 60;
        c.controls.selection.SPED_Nb_Mesures = 4;
        c.flags.targetActive = true;
        c.pipeline.setStages(&s);
        c.focus.reset();
        for (int i = 0; i < 7; ++i) {
            renderStarField(c.buffers.frameSlots[0], 640, 480, uint32_t(30 + i), 60 + 20 * i);
            c.pipeline.ProcessFrame(true);
        }
        return std::pair{c.quality.figures(), c.focus.figures()};
    };
    const auto qualityAlone = run(true, false).first;
    const auto focusAlone = run(false, true).second;
    const auto [q, f] = run(true, true);
    ASSERT_GT(qualityAlone.TNI_Qualite_Actuelle, 1000);
    ASSERT_GT(focusAlone.TNI_FWHM, 0);
    EXPECT_EQ(q.TNI_Qualite_Actuelle, qualityAlone.TNI_Qualite_Actuelle);
    EXPECT_EQ(q.TNI_Meilleure_Qualite, qualityAlone.TNI_Meilleure_Qualite);
    EXPECT_EQ(q.TNI_Pire_Qualite, qualityAlone.TNI_Pire_Qualite);
    EXPECT_EQ(f.TNI_FWHM, focusAlone.TNI_FWHM);
    EXPECT_EQ(f.TNI_Meilleur_FWHM, focusAlone.TNI_Meilleur_FWHM);
    EXPECT_EQ(f.TNI_Pire_FWHM, focusAlone.TNI_Pire_FWHM);
}

TEST_F(CoreFixture, SelectedFramesLeaveTheirFiguresForTheSavedImage)
{
    core.controls.CKB_Selection = true;
    core.controls.selection.SPED_Nb_Mesures = 2;
    // A threshold above any score: nothing is selected, nothing remembered.
    core.controls.TNI_Seuil_Selection = 1e9;
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(core.pipeline.ProcessFrame(true));
    EXPECT_EQ(core.quality.selected().selectedQuality, 0);
    core.controls.TNI_Seuil_Selection = 0;
    EXPECT_TRUE(core.pipeline.ProcessFrame(true));
    const QualityFigures& f = core.quality.figures();
    EXPECT_EQ(core.quality.selected().selectedQuality, f.TNI_Qualite_Actuelle);
    EXPECT_EQ(core.quality.selected().selectedBest, f.TNI_Meilleure_Qualite);
    EXPECT_EQ(core.quality.selected().selectedWorst, f.TNI_Pire_Qualite);
    EXPECT_GT(f.TNI_Meilleure_Qualite, 0);
}

TEST_F(CoreFixture, QualityCuesRunAfterTheSelectionStage)
{
    RecordingSound sound;
    RecordingDisplay display;
    stages.setSound(&sound);
    stages.setCueDisplay(&display);
    core.controls.CKB_Selection = true;
    core.controls.selection.CKB_Select_Son = true;
    core.controls.selection.CKB_GROS_Select = true;
    core.controls.selection.SPED_Nb_Mesures = 2;
    // Before the ring is full the worst is 9999999: no step is large enough.
    core.pipeline.ProcessFrame(true);
    EXPECT_TRUE(sound.played.isEmpty());
    // Then best and worst are the mean: reached.
    core.pipeline.ProcessFrame(true);
    EXPECT_EQ(sound.played, QStringList{QStringLiteral("TOP")});
    ASSERT_EQ(display.values.size(), 2u);
    EXPECT_EQ(display.values[1], core.quality.figures().TNI_Qualite_Actuelle);
    ASSERT_EQ(display.lamps.size(), 1u);
    EXPECT_EQ(display.lamps[0].PNL_Vert, QColor(0, 255, 0));
    core.controls.selection.CKB_Select_Son = false;
    core.pipeline.ProcessFrame(true);
    EXPECT_EQ(sound.played.size(), 1);
    EXPECT_EQ(display.values.size(), 3u);
}

// ------------------------------------------------------------------ motion

TEST(MotionMeasure, CountThresholdOfOnePercentOn640x480)
{
    const QImage reference = greyImage(50);
    struct Case { int changed; bool detected; int fraction; };
    const Case cases[] = {{3072, false, 100}, {3073, true, 100}, {0, false, 0}, {3104, true, 101}};
    for (const Case& t : cases) {
        QImage live = reference.copy();
        changePixels(live, 640, t.changed, 30);
        const MotionResult r = motionMeasure(live, reference, 640, 480, 5, 100);
        EXPECT_EQ(r.changedPixels, t.changed);
        EXPECT_EQ(r.detected, t.detected) << t.changed;
        EXPECT_EQ(r.fraction, t.fraction) << t.changed;
    }
}

TEST(MotionMeasure, LevelIsAMeanChangePerChannelStrictlyExceeded)
{
    struct Case { int delta; int level; bool counted; };
    const Case cases[] = {{20, 20, false}, {20, 19, true}, {-20, 20, false}, {-20, 19, true},
                          {1, 0, true}, {0, 0, false}, {255 - 50, 255, false}};
    const QImage reference = greyImage(50);
    for (const Case& t : cases) {
        QImage live = reference.copy();
        changePixels(live, 640, 10, t.delta);
        EXPECT_EQ(motionMeasure(live, reference, 640, 480, t.level, 1).changedPixels, t.counted ? 10 : 0)
            << t.delta << " at L " << t.level;
    }
    // Pixels outside the frame size are not compared.
    QImage live = reference.copy();
    live.setPixel(700, 10, qRgb(255, 255, 255));
    live.setPixel(10, 500, qRgb(255, 255, 255));
    EXPECT_EQ(motionMeasure(live, reference, 640, 480, 1, 1).changedPixels, 0);
}

// A threshold at 0 selects every frame and runs no action, but "Actuel"
// still shows the measure: the user sees what to set the thresholds to.
TEST_F(CoreFixture, MotionThresholdsAtZeroSelectEverythingAndStillShowTheMeasure)
{
    struct Hooks : DetectionActionHooks {
        int savings = 0;
        void startAutomaticSaving() override { ++savings; }
    } hooks;
    core.motion.setHooks(&hooks);
    core.motion.actions.CKB_Action_Sauvegarder = true;
    core.controls.CKB_Detection_Mvt = true;
    core.controls.CKB_Detection_Action = true;
    core.buffers.frameSlots[0].fill(Qt::black);
    core.motion.defineReference(core.buffers.frameSlots[0], 640, 480);

    struct Case { double level, count; int changedRows; int shown; };
    for (const Case t : {Case{0, 100, 24, 500}, Case{10, 0, 48, 1000}, Case{0, 0, 12, 250}, Case{0, 0, 0, 0}}) {
        core.controls.TNI_Seuil_Detection_Niveau = t.level;
        core.controls.TNI_Seuil_Detection_Nbre = t.count;
        core.buffers.frameSlots[0].fill(Qt::black);
        changePixels(core.buffers.frameSlots[0], 640, 640 * t.changedRows, 60);
        EXPECT_TRUE(core.pipeline.ProcessFrame(true));
        EXPECT_EQ(core.motion.TNI_Diff_actuel(), t.shown) << t.level << " " << t.count;
    }
    EXPECT_EQ(hooks.savings, 0) << "no action without both thresholds";
    EXPECT_FALSE(core.motion.singleShot());
    // With both above 0 a still frame is measured and not selected.
    core.controls.TNI_Seuil_Detection_Niveau = 10;
    core.controls.TNI_Seuil_Detection_Nbre = 100;
    core.buffers.frameSlots[0].fill(Qt::black);
    EXPECT_FALSE(core.pipeline.ProcessFrame(true));
    EXPECT_EQ(core.motion.TNI_Diff_actuel(), 0);
}

TEST_F(CoreFixture, DetectionIsIdleWithoutReferenceAndAfterAFormatChange)
{
    core.controls.CKB_Detection_Mvt = true;
    core.controls.TNI_Seuil_Detection_Niveau = 10;
    core.controls.TNI_Seuil_Detection_Nbre = 100;
    EXPECT_TRUE(core.pipeline.ProcessFrame(true)) << "no reference: every frame";
    core.motion.defineReference(core.buffers.frameSlots[0], 640, 480);
    EXPECT_FALSE(core.pipeline.ProcessFrame(true));
    core.buffers.setFrameSize(320, 240);
    core.frameSizeChanged(320, 240);
    EXPECT_FALSE(core.motion.referencePresent());
    EXPECT_TRUE(core.pipeline.ProcessFrame(true));
    core.motion.defineReference(core.buffers.frameSlots[0], 320, 240);
    EXPECT_FALSE(core.pipeline.ProcessFrame(true));
    // The same size again keeps it; a new run's first start does not.
    core.frameSizeChanged(320, 240);
    EXPECT_TRUE(core.motion.referencePresent());
    core.captureStarting(true, true);
    EXPECT_FALSE(core.motion.referencePresent());
}

TEST_F(CoreFixture, ActionsAndSingleShotThroughARun)
{
    struct Hooks : DetectionActionHooks {
        bool longExposureExists = false;
        int longExposures = 0, savings = 0;
        bool startSingleLongExposure() override
        {
            ++longExposures;
            return longExposureExists;
        }
        void startAutomaticSaving() override { ++savings; }
    } hooks;
    RecordingSound sound;
    stages.setSound(&sound);
    core.motion.setHooks(&hooks);
    core.controls.CKB_Detection_Mvt = true;
    core.controls.CKB_Detection_Action = true;
    core.controls.TNI_Seuil_Detection_Niveau = 10;
    core.controls.TNI_Seuil_Detection_Nbre = 100;
    const QImage still = core.buffers.frameSlots[0].copy();
    core.motion.defineReference(still, 640, 480);
    QImage moving = still.copy();
    changePixels(moving, 640, 640 * 20, 60);
    auto frame = [&](const QImage& img) {
        core.buffers.frameSlots[0] = img.copy();
        return core.pipeline.ProcessFrame(true);
    };

    struct Step {
        bool longExposure, saving, soundFile;
        bool singleShotAfter;
        int longExposures, savings, sounds;
    };
    const Step steps[] = {
        // The sound alone: detection goes on, every detected frame plays it.
        {false, false, true, false, 0, 0, 1},
        // A long exposure while the program has none: nothing waits for it.
        {true, false, false, false, 1, 0, 0},
        // Automatic saving: detection waits until the saving stops.
        {false, true, true, true, 0, 1, 1},
    };
    for (const Step& s : steps) {
        hooks.longExposures = hooks.savings = 0;
        sound.played.clear();
        core.motion.actions = {s.longExposure, s.saving, s.soundFile, QStringLiteral("/tmp/alerte.wav")};
        EXPECT_FALSE(frame(still));
        EXPECT_TRUE(frame(moving));
        EXPECT_EQ(core.motion.singleShot(), s.singleShotAfter);
        EXPECT_EQ(hooks.longExposures, s.longExposures);
        EXPECT_EQ(hooks.savings, s.savings);
        EXPECT_EQ(sound.played.size(), s.sounds);
        if (s.sounds) {
            EXPECT_EQ(sound.played.last(), QStringLiteral("file:/tmp/alerte.wav"));
        }
        EXPECT_TRUE(frame(moving));
        if (!s.singleShotAfter) {
            // Detection went on: the action ran again, a still frame is not kept.
            EXPECT_EQ(sound.played.size(), 2 * s.sounds);
            EXPECT_EQ(hooks.longExposures, 2 * s.longExposures);
            EXPECT_FALSE(frame(still));
        } else {
            // While the action runs every frame is kept and nothing runs again.
            EXPECT_TRUE(frame(still));
            EXPECT_EQ(hooks.savings, 1);
            EXPECT_EQ(sound.played.size(), s.sounds);
            core.motion.automaticSavingStopped();
            EXPECT_FALSE(core.motion.singleShot());
            EXPECT_FALSE(frame(still));
        }
    }
    // Once the long exposure exists, it holds detection until it is done.
    hooks.longExposureExists = true;
    core.motion.actions = {true, false, false, {}};
    EXPECT_TRUE(frame(moving));
    EXPECT_TRUE(core.motion.singleShot());
    EXPECT_TRUE(frame(still));
    core.motion.longExposureDone();
    EXPECT_FALSE(frame(still));
    // Without "Action" nothing runs.
    core.controls.CKB_Detection_Action = false;
    hooks.longExposures = 0;
    EXPECT_TRUE(frame(moving));
    EXPECT_EQ(hooks.longExposures, 0);
    EXPECT_FALSE(core.motion.singleShot());
}

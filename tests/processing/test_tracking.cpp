#include "core/DebugLog.h"
#include "processing/CoreStages.h"
#include "processing/ImageCore.h"
#include "tests/processing/TestFrames.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace velumbra;
using velumbra::testframes::putGrey;

namespace {

enum class Method { Somax, Colimacon, Cadres, Derive };

const char* name(Method m)
{
    static const char* names[] = {"Somax", "Colimacon", "Cadres", "Derive"};
    return names[int(m)];
}

struct RecordingGuide : GuideCorrection {
    std::vector<Point> offsets;
    void guide_correct(int dx, int dy) override { offsets.push_back({dx, dy}); }
};

struct RecordingStars : GuideCorrection {
    std::vector<GuideStar> stars;
    void guideStar(const GuideStar& s) override { stars.push_back(s); }
};

struct RecordingFocus : FocusMeasure {
    std::vector<int> counts;
    void focusPass(int focusCount) override { counts.push_back(focusCount); }
};

class Tracking : public ::testing::Test {
protected:
    void SetUp() override
    {
        core.buffers.create();
        core.buffers.setFrameSize(640, 480);
        fill(100);
        core.zone.starPos = {320, 240};
        core.controls.TNI_Taille_ZDetect = 40;
        core.controls.CKB_Suivi = true;
    }
    Tracker& tracker() { return stages.tracker(); }
    QImage& slot() { return core.buffers.frameSlots[0]; }
    void fill(int v) { slot().fill(QColor(v, v, v)); }
    void put(int x, int y, int v) { putGrey(slot(), x, y, v); }
    void use(Method m)
    {
        TrackingControls& t = core.controls.tracking;
        t.RDB_Somax = m == Method::Somax;
        t.RDB_Colimacon = m == Method::Colimacon;
        t.RDB_Cadres = m == Method::Cadres;
        core.controls.RDB_Derive = m == Method::Derive;
    }
    bool pass(bool track = true) { return tracker().TrackObject(core.zone.starPos, 40, 0, track); }
    Point star() const { return core.zone.starPos; }

    ManualClock clock{QDateTime(QDate(2026, 6, 21), QTime(22, 30))};
    ImageCore core{clock};
    CoreStages stages{core};
};

// --- Uniform zones: nothing to follow --------------------------------------

TEST_F(Tracking, UniformZones)
{
    // Brightest pixel: the running maximum starts at 0, so a pixel must beat
    // the tolerance; with none the first pixel scanned (top-left) wins.
    use(Method::Colimacon);
    fill(4);
    core.zone.tolerance = 5;
    EXPECT_TRUE(pass());
    EXPECT_EQ(star(), (Point{320, 240}));
    core.zone.tolerance = 0;
    EXPECT_TRUE(pass());
    EXPECT_EQ(star(), (Point{300, 220}));

    // Axis sums: the first column and row.
    use(Method::Somax);
    fill(100);
    core.zone.starPos = {320, 240};
    pass();
    EXPECT_EQ(star(), (Point{300, 220}));

    // Drift without a rate stays.
    use(Method::Derive);
    core.zone.starPos = {320, 240};
    tracker().restartDrift(star());
    clock.advanceMs(1000);
    pass();
    EXPECT_EQ(star(), (Point{320, 240}));

    // Edges: a bright zone and a black one give fewer than four edges, so
    // the position stays and no frame is drawn; both extremes are reported.
    use(Method::Cadres);
    const QImage before = core.buffers.display.copy();
    for (int level : {100, 0}) {
        for (bool inverted : {false, true}) {
            fill(level);
            core.controls.tracking.CKB_Inversion_Video = inverted;
            EXPECT_TRUE(pass());
            EXPECT_EQ(star(), (Point{320, 240})) << level << inverted;
            EXPECT_EQ(core.zone.intensityMax, level);
            EXPECT_EQ(core.zone.intensityMin, level); // "IMin=" no longer shows 255
        }
    }
    EXPECT_TRUE(core.buffers.display == before);
}

// --- Statistics gathered by every method ------------------------------------

class EveryMethod : public Tracking, public ::testing::WithParamInterface<std::tuple<Method, bool>> {};

TEST_P(EveryMethod, GathersDarkestAndBrightestPixel)
{
    const auto [method, inverted] = GetParam();
    use(method);
    core.controls.tracking.CKB_Inversion_Video = inverted;
    put(310, 230, 10);
    put(330, 250, 200);
    pass();
    EXPECT_EQ(core.zone.intensityMin, 10) << name(method);
    EXPECT_EQ(core.zone.intensityMax, 200) << name(method);
}

TEST_P(EveryMethod, NeverReadsPastTheFrameEdge)
{
    // Stale bright pixels just outside a 640 x 480 frame, in the unused part
    // of the buffer: a zone touching the edge must not see them.
    const auto [method, inverted] = GetParam();
    use(method);
    core.controls.tracking.CKB_Inversion_Video = inverted;
    for (int y = 0; y < 600; ++y) put(640, y, 255);
    for (int x = 0; x < 800; ++x) put(x, 480, 255);
    for (const Point at : {Point{620, 240}, Point{320, 460}, Point{620, 460}}) {
        core.zone.starPos = at;
        EXPECT_FALSE(pass()) << name(method) << " at " << at.x << "," << at.y;
        EXPECT_EQ(core.zone.intensityMax, 100) << name(method) << " at " << at.x << "," << at.y;
        EXPECT_LT(star().x + 20, 640);
        EXPECT_LT(star().y + 20, 480);
    }
}

INSTANTIATE_TEST_SUITE_P(Methods, EveryMethod,
                         ::testing::Values(std::tuple{Method::Somax, false}, std::tuple{Method::Somax, true},
                                           std::tuple{Method::Colimacon, false},
                                           std::tuple{Method::Colimacon, true}, std::tuple{Method::Cadres, false},
                                           std::tuple{Method::Cadres, true}, std::tuple{Method::Derive, false}),
                         [](const auto& info) {
                             return std::string(name(std::get<0>(info.param))) +
                                    (std::get<1>(info.param) ? "Inverted" : "");
                         });

// --- Choosing the target ------------------------------------------------------

TEST_F(Tracking, ToleranceKeepsFirstOfTwoNearEqualStars)
{
    fill(0);
    put(310, 235, 200);
    put(330, 245, 205);
    for (Method m : {Method::Colimacon, Method::Somax}) {
        use(m);
        core.zone.tolerance = 10;
        core.zone.starPos = {320, 240};
        pass();
        EXPECT_EQ(star(), (Point{310, 235})) << name(m);
        core.zone.tolerance = 0;
        core.zone.starPos = {320, 240};
        pass();
        EXPECT_EQ(star(), (Point{330, 245})) << name(m);
    }
}

TEST_F(Tracking, InvertedMethodsFollowDarkObjects)
{
    core.controls.tracking.CKB_Inversion_Video = true;
    use(Method::Colimacon);
    put(312, 251, 20);
    EXPECT_TRUE(pass());
    EXPECT_EQ(star(), (Point{312, 251}));
    EXPECT_EQ(core.zone.intensityMin, 20);
    EXPECT_EQ(core.zone.intensityMax, 100); // "IMax=" is set in this mode too

    put(312, 251, 100);
    for (int y = -3; y <= 3; ++y)
        for (int x = -3; x <= 3; ++x)
            if (x * x + y * y <= 9) put(327 + x, 233 + y, 10);
    for (Method m : {Method::Somax, Method::Cadres}) {
        use(m);
        core.zone.starPos = {320, 240};
        pass();
        EXPECT_EQ(star(), (Point{327, 233})) << name(m);
    }
}

TEST_F(Tracking, EdgesFrameADiscAndDrawDottedGreenRectangle)
{
    use(Method::Cadres);
    fill(0);
    for (int y = -3; y <= 3; ++y)
        for (int x = -3; x <= 3; ++x)
            if (x * x + y * y <= 9) put(327 + x, 233 + y, 200);
    core.buffers.display.fill(QColor(10, 20, 30));
    EXPECT_TRUE(pass());
    EXPECT_EQ(star(), (Point{327, 233}));
    // Outline (324,230)-(330,236); not-xor with green inverts red and blue.
    const auto rgb = [&](int x, int y) { return core.buffers.display.pixel(x, y) & 0xffffffu; };
    EXPECT_EQ(rgb(324, 230), 0xf514e1u);
    EXPECT_EQ(rgb(325, 230), 0x0a141eu) << "dotted";
    EXPECT_EQ(rgb(326, 230), 0xf514e1u);
    EXPECT_EQ(rgb(330, 236), 0xf514e1u);
    EXPECT_EQ(rgb(327, 233), 0x0a141eu) << "inside untouched";
    EXPECT_EQ(rgb(323, 230), 0x0a141eu) << "outside untouched";
}

// --- Clamping the zone --------------------------------------------------------

TEST(ClampDetectZone, KeepsEveryScanInsideTheFrame)
{
    struct Case { Point in; Point out; bool moved; };
    const Case cases[] = {
        {{5, 240}, {21, 240}, true},   // near the left border
        {{20, 240}, {21, 240}, true},  // zone would reach column 0
        {{21, 240}, {21, 240}, false},
        {{619, 240}, {619, 240}, false},
        {{620, 240}, {619, 240}, true}, // zone would reach column 640
        {{320, 460}, {320, 459}, true}, // and row 480
        {{320, 459}, {320, 459}, false},
        {{-50, 900}, {21, 459}, true},
    };
    for (const Case& c : cases) {
        Point p = c.in;
        EXPECT_EQ(ClampDetectZone(p, 20, 640, 480), c.moved) << c.in.x << "," << c.in.y;
        EXPECT_EQ(p, c.out) << c.in.x << "," << c.in.y;
    }
}

TEST_F(Tracking, StarNearLeftBorderReportsTheClamp)
{
    use(Method::Colimacon);
    fill(3);
    core.zone.tolerance = 5;
    core.zone.starPos = {5, 240};
    EXPECT_FALSE(pass());
    EXPECT_EQ(star(), (Point{21, 240}));
    core.zone.starPos = {25, 240};
    EXPECT_TRUE(pass());
}

TEST_F(Tracking, ZoneLargerThanTheFrameReadsOnlyTheFrame)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    DebugLog log;
    ASSERT_TRUE(log.open(dir.filePath(QStringLiteral("Debug.log"))));
    tracker().setDebugLog(&log);
    // A 30 x 30 frame inside buffers holding stale white outside it.
    slot().fill(Qt::white);
    core.buffers.setFrameSize(30, 30);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) put(x, y, 50);
    put(12, 14, 200);
    for (Method m : {Method::Somax, Method::Colimacon, Method::Cadres, Method::Derive}) {
        use(m);
        core.zone.starPos = {12, 14};
        EXPECT_FALSE(pass()) << name(m);
        EXPECT_EQ(core.zone.intensityMax, 200) << name(m);
        EXPECT_EQ(star(), (Point{21, 21})) << name(m);
    }
    QFile file(dir.filePath(QStringLiteral("Debug.log")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().isEmpty()) << "nothing logged while Debug is off";
    file.close();

    // With "Debug actif" the edge scan reports where it would have read.
    core.controls.tracking.CKB_Debug = true;
    use(Method::Cadres);
    core.zone.starPos = {12, 14};
    pass();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QStringList expected = {
        QStringLiteral("Erreur GetLum dans Cadres"), QStringLiteral("XY=21,21"), QStringLiteral("XXYY=30,1"),
        QStringLiteral("Position X,Y : 12,14"), QStringLiteral("XLeft,Ytop,Xright,Ybot : 1,1,41,41")};
    EXPECT_EQ(lines, expected);
}

// --- Sums, focus measure and mean brightness -----------------------------------

TEST_F(Tracking, ZoneSumAndMeanBrightness)
{
    use(Method::Colimacon);
    core.zone.tolerance = 5;
    fill(90);
    pass();
    EXPECT_EQ(core.tracking.zoneSum, 41 * 41 * 90);
    // 151290 / RoundDown(41 * 41 = 1681 -> 1680) = 90.05, RoundDown -> 90
    EXPECT_EQ(core.tracking.meanBrightness, 90);
    // Edge and drift methods sum the zone rows Y-h .. Y+h-1 only.
    use(Method::Cadres);
    pass();
    EXPECT_EQ(core.tracking.zoneSum, 41 * 40 * 90);
    EXPECT_EQ(core.tracking.meanBrightness, 87); // RoundDown(147600 / 1680 = 87.86)
}

TEST_F(Tracking, FocusMeasureCountsPixelsAboveThreshold)
{
    RecordingFocus focus;
    tracker().setFocusMeasure(&focus);
    use(Method::Colimacon);
    core.controls.CKB_MAP = true;
    core.controls.tracking.SPED_Seuil_MAP = 150;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) put(319 + x, 239 + y, 200);
    put(300, 220, 150); // equal to the threshold: not above
    pass();
    EXPECT_EQ(core.tracking.focusCount, 9);
    EXPECT_EQ(core.tracking.focusTotal, (41 * 41 - 10) * 100 + 9 * 200 + 150);
    EXPECT_EQ(core.tracking.zoneSum, 0);
    EXPECT_EQ(focus.counts, std::vector<int>{9});

    // Auto threshold: half the previous pass's brightest pixel.
    core.controls.tracking.CKB_FWHM_Auto = true;
    pass();
    EXPECT_EQ(core.controls.tracking.SPED_Seuil_MAP, 100);
    EXPECT_EQ(core.tracking.focusCount, 9 + 1);
}

TEST_F(Tracking, StatisticsOnlyPassFeedsNonVideAndMovesNothing)
{
    use(Method::Colimacon);
    put(330, 245, 250);
    core.zone.intensityMin = 7;
    core.zone.intensityMax = 8;
    core.tracking.meanBrightness = -1;
    EXPECT_TRUE(pass(false));
    EXPECT_EQ(core.tracking.meanBrightness, -1) << "without Non-vide nothing is gathered";

    core.controls.CKB_Nonvide = true;
    core.controls.CKB_MAP = true;
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(pass(false));
        EXPECT_EQ(core.tracking.meanBrightness, 97); // RoundDown((1639*100 + 250) / 1680), each pass afresh
    }
    EXPECT_EQ(star(), (Point{320, 240}));
    EXPECT_EQ(core.zone.intensityMin, 7);
    EXPECT_EQ(core.zone.intensityMax, 8);
}

// --- Position hand-over -------------------------------------------------------

TEST_F(Tracking, AutoguidingHandsOffsetInsteadOfMovingTarget)
{
    RecordingGuide guide;
    tracker().setGuideCorrection(&guide);
    use(Method::Colimacon);
    fill(0);
    put(326, 236, 200);
    core.zone.prevStarPos = {1, 1};
    core.controls.CKB_Autoguidage = true;
    EXPECT_TRUE(pass());
    ASSERT_EQ(guide.offsets.size(), 1u);
    EXPECT_EQ(guide.offsets[0], (Point{6, -4}));
    EXPECT_EQ(star(), (Point{320, 240}));
    EXPECT_EQ(core.zone.prevStarPos, (Point{1, 1}));

    core.controls.CKB_Autoguidage = false;
    core.controls.TNI_Taille_ZAffich = 320;
    pass();
    EXPECT_EQ(star(), (Point{326, 236}));
    EXPECT_EQ(core.zone.prevStarPos, (Point{320, 240}));
    EXPECT_EQ(guide.offsets.size(), 1u);
    // The display zone is recomputed around the new position.
    EXPECT_EQ(core.zone.displayZone, (Rect{326 - 160, 236 - 120, 326 + 160 + 1, 236 + 120 + 1}));
}

TEST_F(Tracking, AutoguidingTellsTheClampAndHowFarTheStarStandsOut)
{
    RecordingStars guide;
    tracker().setGuideCorrection(&guide);
    core.controls.CKB_Autoguidage = true;
    struct Case {
        const char* what;
        Point reference;
        int background, star;
        bool inverted;
        bool clamped;
        int brightness; // star above the zone's mean (below it when inverted)
    };
    const Case cases[] = {
        {"bright star", {320, 240}, 20, 200, false, false, 180},
        {"faint star", {320, 240}, 20, 30, false, false, 10},
        {"zone at the border", {10, 240}, 20, 200, false, true, 180},
        {"dark spot", {320, 240}, 100, 20, true, false, 80},
    };
    for (const Case& k : cases) {
        use(Method::Colimacon);
        core.controls.tracking.CKB_Inversion_Video = k.inverted;
        fill(k.background);
        put(k.reference.x + 3, k.reference.y - 2, k.star);
        core.zone.starPos = k.reference;
        guide.stars.clear();
        EXPECT_EQ(pass(), !k.clamped) << k.what;
        ASSERT_EQ(guide.stars.size(), 1u) << k.what;
        const GuideStar& g = guide.stars[0];
        EXPECT_EQ(g.clamped, k.clamped) << k.what;
        // One star pixel barely moves the mean of a 41 x 41 zone.
        EXPECT_NEAR(g.brightness, k.brightness, 1) << k.what;
        if (!k.clamped) EXPECT_EQ((Point{g.dx, g.dy}), (Point{3, -2})) << k.what;
    }
    tracker().setGuideCorrection(nullptr);
}

// --- Preprogrammed drift --------------------------------------------------------

TEST_F(Tracking, DriftMovesInWholeStepsAboveTheDeadZone)
{
    use(Method::Derive);
    core.controls.tracking.SPED_Neutre = 6; // RoundDown(6) = 6 pixels
    core.tracking.driftRate = {1.0, 0.0};
    tracker().restartDrift(star());
    clock.advanceMs(6000);
    pass();
    EXPECT_EQ(star().x, 320);
    clock.advanceMs(1000);
    pass();
    EXPECT_EQ(star().x, 326); // 7 pixels owed, RoundDown(7) = 6 applied, 1 kept

    // Past midnight the time of day starts again from 0.
    core.controls.tracking.SPED_Neutre = 0;
    core.tracking.driftRate = {3.0, 0.0};
    clock.set(QDateTime(QDate(2026, 6, 21), QTime(23, 59, 59, 0)));
    tracker().restartDrift(star());
    clock.advanceMs(2000);
    pass();
    EXPECT_EQ(star(), (Point{332, 240}));

    // Summer time ends two seconds in: the time of day goes back an hour, the drift does not.
    const QTimeZone paris("Europe/Paris");
    ASSERT_TRUE(paris.isValid());
    clock.set(QDateTime(QDate(2026, 10, 25), QTime(0, 59, 59), Qt::UTC).toTimeZone(paris));
    tracker().restartDrift(star());
    clock.advanceMs(2000);
    ASSERT_EQ(clock.now().time().hour(), 2);
    pass();
    EXPECT_EQ(star(), (Point{338, 240}));
}

TEST_F(Tracking, DriftWhileAutoguidingNeedsADefinedDrift)
{
    RecordingGuide guide;
    tracker().setGuideCorrection(&guide);
    use(Method::Derive);
    core.controls.CKB_Autoguidage = true;
    core.tracking.driftRate = {4.0, 0.0};
    tracker().restartDrift(star());
    clock.advanceMs(2000);
    pass();
    core.tracking.driftDuration = 12;
    clock.advanceMs(2000);
    pass();
    ASSERT_EQ(guide.offsets.size(), 2u);
    EXPECT_EQ(guide.offsets[0], (Point{0, 0}));
    EXPECT_EQ(guide.offsets[1].y, 0);
    EXPECT_GE(guide.offsets[1].x, 8);
}

// --- Clicks and the frame routine ------------------------------------------------

TEST_F(Tracking, StarSearchRunsAtTheGivenPointOnlyWithTrackingOn)
{
    use(Method::Colimacon);
    fill(0);
    put(331, 229, 220);
    put(101, 98, 220);
    core.controls.TNI_Taille_ZDetect = 41.9; // truncated to 41
    core.controls.CKB_Suivi = false;
    EXPECT_TRUE(tracker().starSearch({320, 240}));
    EXPECT_EQ(star(), (Point{320, 240}));
    core.controls.CKB_Suivi = true;
    EXPECT_TRUE(tracker().starSearch({320, 240}));
    EXPECT_EQ(star(), (Point{331, 229}));
    EXPECT_EQ(core.tracking.detectHalf, 20);

    // Away from starPos: the star near the point is found there.
    EXPECT_TRUE(tracker().starSearch({110, 90}));
    EXPECT_EQ(star(), (Point{101, 98}));
    EXPECT_EQ(core.zone.prevStarPos, (Point{331, 229}));

    // Autoguiding: starPos stays, the offset from the point goes to the mount.
    RecordingGuide guide;
    tracker().setGuideCorrection(&guide);
    core.controls.CKB_Autoguidage = true;
    EXPECT_TRUE(tracker().starSearch({325, 235}));
    EXPECT_EQ(star(), (Point{101, 98}));
    ASSERT_EQ(guide.offsets.size(), 1u);
    EXPECT_EQ(guide.offsets[0], (Point{6, -6}));
    tracker().setGuideCorrection(nullptr);
}

TEST_F(Tracking, FrameRoutineTracksThroughTheCoreStages)
{
    core.pipeline.setStages(&stages);
    core.flags.targetActive = true;
    use(Method::Colimacon);
    fill(0);
    put(330, 245, 200);

    core.controls.CKB_Suivi = false; // statistics only
    core.pipeline.ProcessFrame(true);
    EXPECT_EQ(star(), (Point{320, 240}));
    core.controls.CKB_Suivi = true;
    EXPECT_TRUE(core.pipeline.ProcessFrame(true));
    EXPECT_EQ(star(), (Point{330, 245}));
    EXPECT_TRUE(core.pipeline.lastTrackingVerdict());

    // While autoguiding, a pass every third frame hands its offset over.
    RecordingGuide guide;
    tracker().setGuideCorrection(&guide);
    core.controls.CKB_Autoguidage = true;
    core.controls.SPED_Intervalle_Guidage = 3;
    core.pipeline.resetGuideTick();
    put(330, 245, 0);
    put(334, 243, 200);
    for (int i = 0; i < 7; ++i) core.pipeline.ProcessFrame(true);
    EXPECT_EQ(guide.offsets.size(), 3u);
    EXPECT_EQ(guide.offsets.front(), (Point{4, -2}));
    EXPECT_EQ(star(), (Point{330, 245}));
    core.pipeline.setStages(nullptr);
}

} // namespace

// The operation sequencer and the measurements it runs, fed tables of star
// positions on a clock the tests advance.
#include "aids/OperationSequencer.h"
#include "aids/PixelSizeMeasure.h"
#include "aids/PolarAlignment.h"
#include "core/Angles.h"
#include "core/Clock.h"
#include "core/Messages.h"

#include <QImage>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace velumbra::test {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct RecordingView : OperationView {
    void setActionLabel(const QString& t) override { label = t; }
    void setExecuteEnabled(bool on) override { execute = on; }
    void setAbortEnabled(bool on) override { abort = on; }
    void setOperationsMenuEnabled(bool on) override { menu = on; }
    void overlaysOn() override { ++overlays; }
    QString label = QStringLiteral("Aucune");
    bool execute = false, abort = false, menu = false;
    int overlays = 0;
};

struct CountingStep : OperationStep {
    bool begin(const OperationStart& s) override
    {
        start = s;
        ++begun;
        return starts;
    }
    bool frame(Point p, int elapsedMs, bool) override
    {
        positions.push_back(p);
        elapsed.push_back(elapsedMs);
        return goOn;
    }
    void leave(bool byAbort, int elapsedMs) override
    {
        left.push_back(byAbort);
        leftAfterMs.push_back(elapsedMs);
    }
    OperationStart start;
    int begun = 0;
    bool goOn = true;
    bool starts = true;
    std::vector<Point> positions;
    std::vector<int> leftAfterMs;
    std::vector<int> elapsed;
    std::vector<bool> left;
};

class Sequencer : public ::testing::Test {
protected:
    ManualClock clock{QDateTime(QDate(2026, 9, 1), QTime(23, 59, 58))};
    RecordingMessages messages;
    RecordingView view;
    OperationSequencer seq{clock, messages, view};
};

TEST_F(Sequencer, EveryOperationArmsMeasuresAndComesBack)
{
    struct Case {
        Operation op;
        const char* label; // while armed and measuring
        bool overlays;
    };
    const Case cases[] = {
        {Operation::Bigourdan, "M.en station", true},  {Operation::King, "M.en station", true},
        {Operation::PixelSize, "Aucune", false},        {Operation::Orientation, "Orientation", false},
        {Operation::PeriodicError, "Err.Periodique", true}, {Operation::DriftDefinition, "Def. Derive", false},
        {Operation::GuideCalibration, "Appr.Guidage", true},
    };
    for (const Case& k : cases) {
        RecordingView v;
        RecordingMessages m;
        OperationSequencer s(clock, m, v);
        CountingStep step;
        s.setStep(k.op, &step);
        s.arm(k.op);
        EXPECT_EQ(s.state(), int(k.op));
        EXPECT_EQ(v.label, QLatin1String(k.label)) << k.label;
        EXPECT_TRUE(v.execute);
        s.frame({1, 1}, true);
        EXPECT_TRUE(step.positions.empty()) << "armed: no measuring";

        s.BTN_ExecuterClick({100, 200}, 640, 480);
        EXPECT_EQ(s.state(), int(k.op) + 1);
        EXPECT_EQ(v.label, QLatin1String(k.label));
        EXPECT_EQ(v.overlays, k.overlays ? 1 : 0) << k.label;
        EXPECT_FALSE(v.execute);
        EXPECT_TRUE(v.abort);
        EXPECT_EQ(step.begun, 1);
        EXPECT_EQ(step.start.position, (Point{100, 200}));
        EXPECT_EQ(step.start.imageWidth, 640);

        // "Arrêter" while measuring: armed again, with the message.
        s.BTN_AbortClick();
        EXPECT_EQ(s.state(), int(k.op));
        EXPECT_TRUE(v.execute);
        EXPECT_EQ(m.lines, QStringList{QStringLiteral("Execution terminée")});
        EXPECT_EQ(step.left, std::vector<bool>{true});

        // "Arrêter" while armed: the operation ends.
        s.BTN_AbortClick();
        EXPECT_EQ(s.state(), 0);
        EXPECT_EQ(v.label, QStringLiteral("Aucune"));
        EXPECT_TRUE(v.menu);
        EXPECT_FALSE(v.execute);
        EXPECT_FALSE(v.abort);
        s.BTN_AbortClick();
        EXPECT_EQ(s.state(), 0) << "idle: nothing";
    }
}

// A run that ends gives the Operations menu back, except to the operations
// whose own window is still open (it gives the menu back when it closes).
TEST_F(Sequencer, TheMenuComesBackWhenARunEnds)
{
    const struct {
        Operation op;
        bool menuAfterRun;
    } cases[] = {
        {Operation::Bigourdan, false},  {Operation::King, false},           {Operation::PixelSize, true},
        {Operation::Orientation, true}, {Operation::PeriodicError, false}, {Operation::DriftDefinition, true},
        {Operation::GuideCalibration, true},
    };
    for (const auto& k : cases) {
        for (const bool lost : {true, false}) {
            RecordingView v;
            RecordingMessages m;
            OperationSequencer s(clock, m, v);
            s.arm(k.op);
            s.BTN_ExecuterClick({10, 10}, 640, 480);
            EXPECT_FALSE(v.menu);
            if (lost) s.frame({0, 0}, false); // the star reached the border
            else s.endMeasurement();
            EXPECT_EQ(s.state(), int(k.op));
            EXPECT_EQ(v.menu, k.menuAfterRun) << int(k.op);
        }
    }
}

TEST_F(Sequencer, ExecuterOnlyWhenArmed)
{
    CountingStep step;
    seq.setStep(Operation::King, &step);
    seq.BTN_ExecuterClick({1, 1}, 640, 480);
    EXPECT_EQ(seq.state(), 0);
    seq.arm(Operation::King);
    seq.BTN_ExecuterClick({1, 1}, 640, 480);
    seq.BTN_ExecuterClick({5, 5}, 640, 480);
    EXPECT_EQ(seq.state(), 4);
    EXPECT_EQ(step.begun, 1) << "a second click while measuring restarts nothing";
}

TEST_F(Sequencer, AStarLostOrAStepThatEndsGoesBackToArmed)
{
    CountingStep step;
    seq.setStep(Operation::Bigourdan, &step);
    seq.arm(Operation::Bigourdan);
    seq.BTN_ExecuterClick({10, 10}, 640, 480);
    clock.advanceMs(1500);
    seq.frame({11, 10}, true);
    clock.advanceMs(1500); // past midnight
    seq.frame({12, 10}, false);
    EXPECT_EQ(step.elapsed, (std::vector<int>{1500, 3000})) << "the last frame is still measured";
    EXPECT_EQ(seq.state(), 1);
    EXPECT_TRUE(view.execute);
    EXPECT_EQ(step.left, std::vector<bool>{false});
    EXPECT_EQ(messages.lines, QStringList{QStringLiteral("Execution terminée")});

    seq.BTN_ExecuterClick({10, 10}, 640, 480);
    step.goOn = false;
    seq.frame({11, 10}, true);
    EXPECT_EQ(seq.state(), 1);
}

// Elapsed times come from the steady clock: across midnight and across the
// changes of summer time (Paris, 2026) two minutes stay two minutes.
TEST(SequencerClock, ElapsedTimeIgnoresTheTimeOfDay)
{
    const QTimeZone paris("Europe/Paris");
    ASSERT_TRUE(paris.isValid());
    struct Case {
        const char* what;
        QDateTime start;
    };
    const Case cases[] = {
        {"midnight", QDateTime(QDate(2026, 9, 1), QTime(23, 59))},
        {"summer time ends", QDateTime(QDate(2026, 10, 25), QTime(0, 59), Qt::UTC).toTimeZone(paris)},
        {"summer time begins", QDateTime(QDate(2026, 3, 29), QTime(0, 59), Qt::UTC).toTimeZone(paris)},
    };
    for (const Case& k : cases) {
        ManualClock clock(k.start);
        RecordingMessages messages;
        RecordingView view;
        OperationSequencer seq(clock, messages, view);
        CountingStep step;
        seq.setStep(Operation::PeriodicError, &step);
        seq.arm(Operation::PeriodicError);
        seq.BTN_ExecuterClick({10, 10}, 640, 480);
        for (int i = 0; i < 2; ++i) {
            clock.advanceMs(60000);
            seq.frame({10 + i, 10}, true);
        }
        seq.BTN_AbortClick();
        EXPECT_EQ(step.elapsed, (std::vector<int>{60000, 120000})) << k.what;
        EXPECT_EQ(step.leftAfterMs, std::vector<int>{120000}) << k.what;
    }
}

TEST_F(Sequencer, ClosingEndsWhateverRuns)
{
    CountingStep step;
    seq.setStep(Operation::King, &step);
    seq.arm(Operation::King);
    seq.BTN_ExecuterClick({1, 1}, 640, 480);
    seq.endAll();
    EXPECT_EQ(seq.state(), 0);
    EXPECT_EQ(step.left, std::vector<bool>{true});
    EXPECT_TRUE(view.menu);
    EXPECT_FALSE(view.execute);
    EXPECT_FALSE(view.abort);
}

struct PolarView : PolarAlignmentView {
    PolarSettings polarSettings() const override { return settings; }
    void showBigourdan(const BigourdanFrame& f) override { bigourdan.push_back(f); }
    void showKing(const KingResult& r, const KingDrawing& d) override
    {
        king.push_back(r);
        drawings.push_back(d);
    }
    void kingPauseEnded() override { ++pauseEnded; }
    PolarSettings settings;
    std::vector<BigourdanFrame> bigourdan;
    std::vector<KingResult> king;
    std::vector<KingDrawing> drawings;
    int pauseEnded = 0;
};

class Polar : public Sequencer {
protected:
    void SetUp() override
    {
        seq.setStep(Operation::Bigourdan, &bigourdan);
        seq.setStep(Operation::King, &king);
    }
    // Runs a measurement from `start`, one frame per entry, `stepMs` apart.
    void run(Operation op, Point start, const std::vector<Point>& frames, int stepMs)
    {
        seq.arm(op);
        seq.BTN_ExecuterClick(start, 640, 480);
        for (Point p : frames) {
            clock.advanceMs(stepMs);
            seq.frame(p, true);
        }
    }
    PolarView pv;
    BigourdanStep bigourdan{pv};
    KingStep king{pv};
};

TEST_F(Polar, BigourdanDirectionFollowsTheDriftAndTheInversion)
{
    struct Case {
        bool south, inverseAz, inverseAlt;
        Point to; // from (100, 100)
        double orient;
        const char* word;
    };
    const Case cases[] = {
        {true, false, false, {100, 110}, 0, "Ouest"},   // θ = 90
        {true, true, false, {100, 110}, 0, "Est"},
        {true, false, false, {100, 90}, 0, "Est"},      // θ = 270
        {true, false, false, {110, 100}, 180, "Est"},   // θ = 180 counts with the second half
        {false, false, false, {100, 110}, 0, "le haut"},
        {false, false, true, {100, 110}, 0, "le bas"},
        {false, true, false, {100, 90}, 0, "le bas"},
    };
    for (const Case& k : cases) {
        pv.settings.RDB_Sud = k.south;
        pv.settings.CKB_Inverse_Az = k.inverseAz;
        pv.settings.CKB_Inverse_Alt = k.inverseAlt;
        pv.settings.TNI_Orient = k.orient;
        pv.bigourdan.clear();
        run(Operation::Bigourdan, {100, 100}, {k.to}, 500);
        seq.BTN_AbortClick();
        seq.BTN_AbortClick();
        ASSERT_EQ(pv.bigourdan.size(), 1u);
        EXPECT_EQ(pv.bigourdan[0].EDT_Correct, QLatin1String(k.word)) << k.to.x << "," << k.to.y << " " << k.word;
    }
}

TEST_F(Polar, BigourdanComputesFromThreeSeconds)
{
    run(Operation::Bigourdan, {100, 100}, {{100, 101}, {100, 102}, {100, 103}, {100, 104}}, 1000);
    ASSERT_EQ(pv.bigourdan.size(), 4u);
    EXPECT_FALSE(pv.bigourdan[0].computed);
    EXPECT_FALSE(pv.bigourdan[1].computed);
    EXPECT_TRUE(pv.bigourdan[2].computed);
    EXPECT_DOUBLE_EQ(pv.bigourdan[3].drift.TNI_Duree_Pose, 4.0);
    EXPECT_DOUBLE_EQ(pv.bigourdan[3].drift.TNI_Long_Trainee_Y, 4);
    EXPECT_DOUBLE_EQ(pv.bigourdan[3].drift.TNI_Long_Trainee_X, 1) << "at least one pixel";
    EXPECT_GT(pv.bigourdan[3].result.polarError, 0);
}

// The polar error worked out by hand: 7.4 µm at 2000 mm is 3.7e-6 rad per
// pixel; a drift of 40 pixels straight north-south in 60 s.
TEST(BigourdanComputation, WorkedExample)
{
    PolarSettings s;
    s.TNI_Rayon_Az = 80;
    s.TNI_Fil_Az = 0.8;
    BigourdanDrift d;
    d.TNI_Long_Trainee_X = 1;
    d.TNI_Long_Trainee_Y = 40;
    d.driftEW = 0;
    d.driftNS = 1;
    d.TNI_Duree_Pose = 60;
    const BigourdanResult r = bigourdanComputation(s, d);
    const double px = std::atan(7.4e-3 / 2000);
    const double drift = std::hypot(px, 40 * px);
    const double H = 7.29209081940111e-5 * 60;
    const double c = (std::cos(drift) - std::cos(H) * std::cos(H)) /
                     (std::sin(H) * std::sin(H));
    const double P = std::acos(std::clamp(c, -1.0, 1.0));
    EXPECT_NEAR(r.northSouth, drift, 1e-15);
    EXPECT_NEAR(r.polarError, P, 1e-9); // the direct formula loses digits to cancellation
    EXPECT_NEAR(r.mm, 80 * P, 1e-8);
    EXPECT_EQ(r.EDT_Tours, QString::number(80 * P / 0.8, 'g', 4));
    EXPECT_EQ(r.EDT_Erreur_polaire, FormatDMS(P * 206264.80624709636));
    EXPECT_GT(P, 0.001) << "a drift of 30\" in a minute means a sizeable error";
}

TEST(BigourdanComputation, NoDriftAndDegenerateCasesGiveADefinedError)
{
    struct Case {
        const char* what;
        double driftNS, duree;
    };
    const Case cases[] = {
        {"no drift", 0, 60},
        {"no time", 1, 0},
    };
    for (const Case& k : cases) {
        PolarSettings s;
        BigourdanDrift d;
        d.TNI_Long_Trainee_Y = k.driftNS == 0 ? 1 : 40;
        d.TNI_Long_Trainee_X = 1;
        d.driftNS = k.driftNS;
        d.driftEW = 0;
        d.TNI_Duree_Pose = k.duree;
        const BigourdanResult r = bigourdanComputation(s, d);
        EXPECT_TRUE(std::isfinite(r.polarError)) << k.what;
        EXPECT_FALSE(r.EDT_Erreur_polaire.contains(QStringLiteral("nan"), Qt::CaseInsensitive)) << k.what;
        EXPECT_FALSE(r.EDT_Deplacement.contains(QStringLiteral("nan"), Qt::CaseInsensitive)) << k.what;
    }
    PolarSettings s;
    BigourdanDrift still;
    still.driftNS = 0;
    still.TNI_Duree_Pose = 60;
    EXPECT_EQ(bigourdanComputation(s, still).polarError, 0.0);
    EXPECT_EQ(bigourdanComputation(s, still).EDT_Tours, QStringLiteral("0"));
}

// A star turning about a centre: after t seconds it has moved along the
// circle by ω t radians, starting at `start` radians (image axes).
std::vector<Point> turningAbout(Point centre, double radius, const std::vector<double>& seconds,
                                double start = M_PI / 2)
{
    std::vector<Point> out;
    for (double t : seconds) {
        const double a = start + 7.29209081940111e-5 * t;
        out.push_back({int(std::lround(centre.x + radius * std::cos(a))), int(std::lround(centre.y + radius * std::sin(a)))});
    }
    return out;
}

// The centre is found where the star turns about; a diagonal mirror shows
// the sky turning the other way, and the same track then puts the centre
// on the other side of the star's path.
TEST_F(Polar, KingFindsTheCentreAndTheMirrorFlipsIt)
{
    const Point centre{320, 300};
    const double radius = 250;
    const std::vector<double> times{0, 600, 1200, 1800};
    struct Case {
        bool mirror;
        double sense; // +1 as the sky turns seen straight, -1 through a mirror
        bool onTrueCentre;
    };
    const Case cases[] = {{false, 1, true}, {true, -1, true}, {true, 1, false}};
    for (const Case& k : cases) {
        std::vector<Point> path;
        for (double t : times) {
            const double a = -M_PI / 2 + k.sense * 7.29209081940111e-5 * t; // the star starts above the centre
            path.push_back({int(std::lround(centre.x + radius * std::cos(a))),
                            int(std::lround(centre.y + radius * std::sin(a)))});
        }
        pv.settings.CKB_RenvoiCoude = k.mirror;
        pv.king.clear();
        run(Operation::King, path[0], {path.begin() + 1, path.end()}, 600000);
        seq.BTN_AbortClick();
        seq.BTN_AbortClick();
        const KingResult& r = pv.king.back();
        // Otherwise mirrored through the middle of the chord: above the image.
        const double midX = 0.5 * (path.front().x + path.back().x), midY = 0.5 * (path.front().y + path.back().y);
        const double wantX = k.onTrueCentre ? centre.x : 2 * midX - centre.x;
        const double wantY = k.onTrueCentre ? centre.y : 2 * midY - centre.y;
        EXPECT_NEAR(r.centre.x, wantX, 0.03 * radius) << k.mirror << k.sense;
        EXPECT_NEAR(r.centre.y, wantY, 0.03 * radius) << k.mirror << k.sense;
        EXPECT_NEAR(r.radius, std::hypot(wantX - path.back().x, wantY - path.back().y), 0.03 * radius);
        EXPECT_EQ(pv.drawings.back().circle, k.onTrueCentre) << "the mirrored centre falls above the image";
    }
}

TEST_F(Polar, KingNothingBeforeThreeSecondsThenCorrections)
{
    pv.settings.TNI_Echantillonnage = 2;
    pv.settings.TNI_Rayon_Az = 100;
    pv.settings.TNI_Fil_Az = 0.0001; // counts as 0.001
    const auto path = turningAbout({300, 100}, 150, {0, 2, 200});
    run(Operation::King, path[0], {path[1]}, 2000);
    EXPECT_EQ(pv.king.back().kingDX, 0);
    EXPECT_EQ(pv.king.back().TNI_Duree_Pose_King, 0);
    clock.advanceMs(198000);
    seq.frame(path[2], true);
    const KingResult& r = pv.king.back();
    EXPECT_NE(r.kingDY, 0);
    const double ex = std::fabs(r.kingDX * 2.0);
    EXPECT_EQ(r.EDT_DistanceX_DMS, FormatDMS(ex));
    EXPECT_EQ(r.EDT_Deplacement_EstOuest, QString::number(ex * 4.84813681109536e-6 * 100, 'g', 4));
    EXPECT_EQ(r.EDT_Deplacement_EstOuest_Tours, QString::number(ex * 4.84813681109536e-6 * 100 / 0.001, 'g', 4));
    EXPECT_EQ(r.EDT_CorrectKingNS, r.kingDY > 0 ? QStringLiteral("le haut") : QStringLiteral("le bas"));
}

TEST_F(Polar, KingPauseFreezesTheCentreAndTheCorrection)
{
    const auto path = turningAbout({320, 40}, 200, {0, 120, 240, 360, 480});
    run(Operation::King, path[0], {path[1], path[2]}, 120000);
    const KingResult before = pv.king.back();
    king.BTN_PauseClick();
    // The user turns the mount: the star jumps, the centre stays.
    clock.advanceMs(120000);
    seq.frame({path[3].x + 30, path[3].y - 20}, true);
    EXPECT_EQ(pv.king.back().centre, before.centre);
    EXPECT_EQ(pv.king.back().kingDX, before.kingDX);
    EXPECT_EQ(pv.king.back().kingDY, before.kingDY);
    EXPECT_EQ(pv.drawings.back().star, (Point{path[3].x + 30, path[3].y - 20})) << "the line starts at the star";
    // Released: computed again from the start taken by "Executer".
    king.BTN_PauseClick();
    clock.advanceMs(120000);
    seq.frame(path[4], true);
    EXPECT_NEAR(pv.king.back().centre.x, 320, 12);
    // "Arrêter" ends a pause.
    king.BTN_PauseClick();
    seq.BTN_AbortClick();
    EXPECT_FALSE(king.paused());
    EXPECT_EQ(pv.pauseEnded, 1);
}

TEST(KingDrawing, DrawnTwiceErasesItself)
{
    QImage image(640, 480, QImage::Format_RGB32);
    image.fill(QColor(30, 40, 50));
    const QImage before = image;
    KingDrawing d{{100, 100}, {200, 150}, true, {189, 144}, QString()};
    drawKing(image, d);
    EXPECT_NE(image, before);
    drawKing(image, d);
    EXPECT_EQ(image, before);
}

TEST(PixelSize, MeasuredFromTheSkyDrift)
{
    struct Case {
        const char* what;
        double distance, seconds, focal;
        double expected;
    };
    const Case cases[] = {
        {"100 pixels in 10 s at 2000 mm", 100, 10, 2000, 14.58},
        {"before 2 s one pixel is one arc second", 100, 1.9, 2000, 9.696},
        {"no movement: one arc second", 0, 10, 2000, 9.696},
        {"exactly 2 s counts the drift", 10, 2, 2000, 29.168},
        {"short focal never shows below 1 um", 100, 10, 100, 1},
        {"focal 0 shows 1 um", 100, 10, 0, 1},
        {"focal NaN shows 1 um", 100, 10, kNaN, 1},
        {"negative distance: one arc second", -5, 10, 2000, 9.696},
        {"a quarter turn is beyond any size", 1, 1e6, 2000, 10000000},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(measuredPixelSize(c.distance, c.seconds, c.focal), c.expected, 5e-3) << c.what;
}


struct PixelView : PixelSizeView {
    double effectiveFocal() const override { return 2000; }
    void setResolution(int w, int h) override { resolution = {w, h}; }
    void setPixelSize(double um) override { sizes.push_back(um); }
    Point resolution;
    std::vector<double> sizes;
};

TEST_F(Sequencer, PixelSizeMeasureTakesTheResolutionThenTheDrift)
{
    PixelView pv;
    PixelSizeStep step(pv);
    seq.setStep(Operation::PixelSize, &step);
    seq.arm(Operation::PixelSize);
    seq.BTN_ExecuterClick({50, 240}, 320, 240);
    EXPECT_EQ(pv.resolution, (Point{320, 240}));
    clock.advanceMs(1000);
    seq.frame({60, 240}, true);
    clock.advanceMs(9000);
    seq.frame({150, 240}, false);
    ASSERT_EQ(pv.sizes.size(), 2u);
    EXPECT_NEAR(pv.sizes[0], 9.696, 5e-3) << "before 2 s";
    EXPECT_NEAR(pv.sizes[1], 14.58, 5e-3);
    EXPECT_EQ(seq.state(), 5);
}

} // namespace
} // namespace velumbra::test

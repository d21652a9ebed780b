// guide_correct on tables of offsets, the offset file, the lost star and
// the guide log; the correction also through the mount's LX200 bytes.
#include "core/Clock.h"
#include "core/Messages.h"
#include "core/SteadyClock.h"
#include "processing/ZoneState.h"
#include "telescope/Autoguider.h"
#include "telescope/GuideCorrector.h"
#include "telescope/GuideLog.h"
#include "telescope/OffsetList.h"

#include "GuideFixture.h"
#include "MountFixture.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace velumbra::test {
namespace {

GuideSettings bothAxes(double orient = 0, double sampling = 1.5)
{
    GuideSettings s;
    s.CKB_Separes = false;
    s.SPED_Neutre = 0;
    s.TNI_Orient = orient;
    s.TNI_Echantillonnage = sampling;
    return s;
}

struct Correcting : ::testing::Test {
    QStringList calls;
    RecordingMount mount;
    RecordingPause pause{calls};
    GuideCorrector corrector{mount, pause};
    Correction correct(int dx, int dy, const GuideSettings& s)
    {
        mount.calls.clear();
        calls.clear();
        const Correction c = corrector.guide_correct(dx, dy, s);
        // One list in the order of the calls: the pause is recorded apart.
        QStringList all = mount.calls;
        if (!calls.isEmpty()) all.insert(s.CKB_Separes ? 1 : 0, calls.first());
        calls = all;
        return c;
    }
};

TEST_F(Correcting, TheExamplesDirectionsPixelErrorsAndCalls)
{
    struct Case {
        int dx, dy;
        double orient;
        double theta;
        int pxRA, pxDec;
        QStringList calls;
    };
    // Sampling 1.5 arc seconds per pixel: the amounts are 1.5 x the pixels.
    const Case cases[] = {
        {0, 0, 0, 0.0, 0, 0, {"stop Ouest"}}, // the dead zone 0 >= 0 stops; Dec left alone
        {3, -4, 10, 296.87, 2, 3, {"move Ouest 3", "move Nord 4.5"}},   // round of 1.76, truncation of 3.96
        {6, 2, 45, 333.43, 5, 2, {"move Ouest 7.5", "move Nord 3"}},
        {-5, 0, 0, 180.0, 4, 0, {"move Est 6", "stop Sud"}},           // 4.5 rounds to even; South 0 stopped
    };
    for (const Case& k : cases) {
        const Correction c = correct(k.dx, k.dy, bothAxes(k.orient));
        EXPECT_NEAR(c.theta, k.theta, 0.005) << k.dx << "," << k.dy;
        EXPECT_EQ(c.pxRA, k.pxRA) << k.dx << "," << k.dy;
        EXPECT_EQ(c.pxDec, k.pxDec) << k.dx << "," << k.dy;
        EXPECT_EQ(calls, k.calls) << k.dx << "," << k.dy;
    }
}

TEST_F(Correcting, RoundingsAndDirectionBoundaries)
{
    struct Case {
        int dx, dy;
        const char* ra; // direction and pixels
        int pxRA;
        const char* dec; // nullptr: Dec left alone
        int pxDec;
    };
    const Case cases[] = {
        // On the axes the products are exact, so the halves show the roundings.
        // RA to nearest, halves to even: 3 -> 2.5 -> 2, 4 -> 3.5 -> 4, 6 -> 5.5 -> 6.
        {3, 0, "Ouest", 2, nullptr, 0},
        {4, 0, "Ouest", 4, nullptr, 0},
        {6, 0, "Ouest", 6, nullptr, 0},
        // Dec toward zero: 7 -> 6.5 -> 6; 90 degrees is still West for RA and South for Dec.
        {0, 7, "Ouest", 0, "Sud", 6},
        {0, -7, "Est", 0, "Nord", 6},  // 270: East and North
        {-6, 0, "Est", 6, "Sud", 0},   // 180: East, and South for Dec
    };
    for (const Case& k : cases) {
        const Correction c = correct(k.dx, k.dy, bothAxes());
        EXPECT_EQ(directionName(c.ra.direction), QString::fromUtf8(k.ra)) << k.dx << "," << k.dy;
        EXPECT_EQ(c.pxRA, k.pxRA) << k.dx << "," << k.dy;
        EXPECT_EQ(c.dec.handled, k.dec != nullptr) << k.dx << "," << k.dy;
        if (k.dec) EXPECT_EQ(directionName(c.dec.direction), QString::fromUtf8(k.dec)) << k.dx << "," << k.dy;
        EXPECT_EQ(c.pxDec, k.pxDec) << k.dx << "," << k.dy;
    }
}

TEST_F(Correcting, DeadZoneAndAllowedDirectionsStopInsteadOfMoving)
{
    struct Case {
        const char* what;
        int neutre;
        bool ouest, nord;
        QStringList calls;
    };
    // (+6, +2) at 45 degrees: West 5 pixels, North 2 pixels.
    const Case cases[] = {
        {"no dead zone", 0, true, true, {"move Ouest 7.5", "move Nord 3"}},
        {"dead zone 2 keeps Dec", 2, true, true, {"move Ouest 7.5", "stop Nord"}},
        {"dead zone 5 keeps both", 5, true, true, {"stop Ouest", "stop Nord"}},
        {"dead zone 4 moves RA", 4, true, true, {"move Ouest 7.5", "stop Nord"}},
        {"+A.D. not allowed", 0, false, true, {"stop Ouest", "move Nord 3"}},
        {"+Dec not allowed", 0, true, false, {"move Ouest 7.5", "stop Nord"}},
    };
    for (const Case& k : cases) {
        GuideSettings s = bothAxes(45);
        s.SPED_Neutre = k.neutre;
        s.CKB_Correct_Ouest = k.ouest;
        s.CKB_Correct_Nord = k.nord;
        s.CKB_Correct_Est = false; // the other side of each axis never matters here
        s.CKB_Correct_Sud = false;
        correct(6, 2, s);
        EXPECT_EQ(calls, k.calls) << k.what;
    }
}

TEST_F(Correcting, AlternatingAxesStopAllPauseThenOneAxis)
{
    GuideSettings s = bothAxes(10);
    s.CKB_Separes = true;
    s.SPED_Delai_Separes = 40;
    const QStringList expected[] = {
        {"stop all", "pause 40", "move Ouest 3"},
        {"stop all", "pause 40", "move Nord 4.5"},
        {"stop all", "pause 40", "move Ouest 3"},
    };
    for (const QStringList& e : expected) {
        correct(3, -4, s);
        EXPECT_EQ(calls, e);
    }
    // Guiding switched on again begins with RA.
    corrector.restart();
    correct(3, -4, s);
    EXPECT_EQ(calls.last(), QStringLiteral("move Ouest 3"));
}

TEST(CorrectingThroughTheMount, Lx200BytesAndTheirStops)
{
    MountFixture f{MountInterface::LX200, Wire::Memory};
    f.settings.TNI_Vitesse_Ouest = 5;
    f.settings.TNI_Vitesse_Nord = 5;
    ASSERT_TRUE(f.mount.mount_connect(Mount::ConnectCause::Autoguiding));
    EXPECT_EQ(f.line.receivedBytes(), QByteArray()); // guiding connects without the rate command
    QStringList unused;
    RecordingPause pause{unused};
    GuideCorrector corrector{f.mount, pause};
    corrector.guide_correct(3, -4, bothAxes(10)); // West 3" and North 4.5" at 5"/s: 600 and 900 ms
    EXPECT_EQ(f.line.receivedBytes(), QByteArray("#:Mw##:Mn#"));
    EXPECT_EQ(f.mount.lastPulse(Axis::RA).ms, 600);
    EXPECT_EQ(f.mount.lastPulse(Axis::Dec).ms, 900);
    f.timeline.advanceMs(600);
    EXPECT_EQ(f.line.receivedBytes(), QByteArray("#:Mw##:Mn##:Qw#"));
    f.timeline.advanceMs(300);
    EXPECT_EQ(f.line.receivedBytes(), QByteArray("#:Mw##:Mn##:Qw##:Qn#"));
}

TEST(CorrectingThroughTheMount, TolvirPulseCountedOnceForItsWholeLength)
{
    MountFixture f{MountInterface::Tolvir, Wire::Memory};
    f.settings.TNI_Vitesse_Est = 1;
    ASSERT_TRUE(f.mount.mount_connect(Mount::ConnectCause::Autoguiding));
    f.mount.mount_move(East, false, 2); // 2000 ms: three bytes on the ticks
    EXPECT_EQ(f.mount.lastPulse(Axis::RA).count, 1u);
    EXPECT_EQ(f.mount.lastPulse(Axis::RA).ms, 2000);
    f.timeline.advanceMs(2100);
    EXPECT_EQ(f.line.received.size(), 3u);
    EXPECT_EQ(f.mount.lastPulse(Axis::RA).count, 1u); // the re-issued chunks are the same pulse
}

// ---- the offset file ----------------------------------------------------

struct Offsets : ::testing::Test {
    QTemporaryDir dir;
    QString write(const QByteArray& text)
    {
        const QString path = dir.filePath(QStringLiteral("Decalage.txt"));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
        return path;
    }
    OffsetList list;
};

TEST_F(Offsets, CommentNoCommaTrailingCommaGiveTwoEntriesThatWrap)
{
    ASSERT_TRUE(list.load_offset_file(write("// decalages de la nuit, 1,2\n5,-3\n7\n2,\n-1,4\n")));
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.entry(0), (Point{5, -3}));
    EXPECT_EQ(list.entry(1), (Point{-1, 4}));

    ZoneState zone;
    zone.starPos = {100, 80};
    zone.zoneOffset = {10, 20};
    const OffsetConditions on{true, true, true, false};
    const Point expected[] = {{105, 77}, {104, 81}, {109, 78}};
    for (int i = 0; i < 3; ++i) {
        const Point before = zone.starPos;
        ASSERT_TRUE(apply_next_offset(list, on, zone));
        EXPECT_EQ(zone.prevStarPos, before);
        EXPECT_EQ(zone.starPos, expected[i]) << i;
    }
    // The display zone went the other way each time: (10,20) - (5,-3) - (-1,4) - (5,-3).
    EXPECT_EQ(zone.zoneOffset, (Point{1, 22}));
}

TEST_F(Offsets, EachConditionMustHoldAndLinkedZonesFollow)
{
    ASSERT_TRUE(list.load_offset_file(write("5,-3\n")));
    struct Case {
        OffsetConditions c;
        bool applied;
        Point zoneOffset;
    };
    const Case cases[] = {
        {{false, true, true, false}, false, {0, 0}},
        {{true, false, true, false}, false, {0, 0}},
        {{true, true, false, false}, false, {0, 0}},
        {{true, true, true, true}, true, {0, 0}}, // linked: the display zone follows the star
        {{true, true, true, false}, true, {-5, 3}},
    };
    for (const Case& k : cases) {
        ZoneState zone;
        zone.starPos = {50, 50};
        EXPECT_EQ(apply_next_offset(list, k.c, zone).has_value(), k.applied);
        EXPECT_EQ(zone.starPos, (k.applied ? Point{55, 47} : Point{50, 50}));
        EXPECT_EQ(zone.zoneOffset, k.zoneOffset);
    }
}

TEST_F(Offsets, LineRules)
{
    struct Case {
        QByteArray text;
        std::vector<Point> entries;
    };
    const Case cases[] = {
        {"a,b\n", {{0, 0}}},                    // counted, each part 0
        {" 12 , -7 \r\n", {{12, -7}}},          // blanks and CR LF
        {"1,2,3\n", {{1, 0}}},                  // "2,3" is no number
        {"99999999999,1\n", {{0, 1}}},          // beyond 32 bits: 0
        {",4\n", {{0, 4}}},
        {"3,4 // note\n8,9", {{8, 9}}},         // "//" anywhere skips the line; no final newline
        {"", {}},
        {"\n\n,\n", {}},
    };
    for (const Case& k : cases) {
        ASSERT_TRUE(list.load_offset_file(write(k.text)));
        ASSERT_EQ(list.count(), int(k.entries.size())) << k.text.constData();
        for (size_t i = 0; i < k.entries.size(); ++i) EXPECT_EQ(list.entry(int(i)), k.entries[i]) << k.text.constData();
        EXPECT_EQ(list.nextIndex(), 0);
    }
}

TEST_F(Offsets, AtMost1024EntriesAndAMissingFileChangesNothing)
{
    QByteArray text;
    for (int i = 0; i < 1100; ++i) text += QByteArray::number(i) + ",1\n";
    ASSERT_TRUE(list.load_offset_file(write(text)));
    EXPECT_EQ(list.count(), 1024);
    EXPECT_EQ(list.entry(1023), (Point{1023, 1}));
    list.takeNext();
    EXPECT_FALSE(list.load_offset_file(dir.filePath(QStringLiteral("absent.txt"))));
    EXPECT_FALSE(list.load_offset_file(QString()));
    EXPECT_EQ(list.count(), 1024);
    EXPECT_EQ(list.nextIndex(), 1);
}

TEST_F(Offsets, HugeOffsetsSaturateInsteadOfWrapping)
{
    ASSERT_TRUE(list.load_offset_file(write("2147483647,-2147483648\n")));
    ZoneState zone;
    zone.starPos = {100, -100};
    ASSERT_TRUE(apply_next_offset(list, {true, true, true, false}, zone));
    EXPECT_EQ(zone.starPos, (Point{2147483647, -2147483647 - 1}));
    EXPECT_EQ(zone.zoneOffset, (Point{-2147483647, 2147483647}));
}

// ---- the lost star and the log ------------------------------------------

struct Guiding : ::testing::Test {
    QStringList pauses;
    RecordingMount mount;
    RecordingPause pause{pauses};
    RecordingMessages messages;
    ManualClock clock{QDateTime(QDate(2026, 9, 1), QTime(22, 15, 3))};
    ManualSteadyClock steady;
    Autoguider guider{{mount, pause, messages, clock, steady}};
    QTemporaryDir dir;

    void SetUp() override
    {
        guider.settingsSource = [] { return bothAxes(10); };
    }
    void frame(int dx, int dy, int brightness, bool clamped = false)
    {
        clock.advanceMs(1000);
        steady.advanceMs(1000);
        guider.guideStar({dx, dy, clamped, brightness});
    }
    int moves() const { return int(mount.calls.filter(QStringLiteral("move")).size()); }
    QStringList logLines() const
    {
        QFile f(guider.log().path());
        if (!f.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
};

TEST_F(Guiding, AStarAtTheBorderStopsCorrectionsSaidOnceAndResumes)
{
    guider.start();
    frame(3, -4, 90);
    EXPECT_EQ(moves(), 2);
    frame(3, -4, 90, true);
    frame(3, -4, 90, true);
    frame(3, -4, 90, true);
    EXPECT_EQ(moves(), 2); // no correction toward a zone pushed off the border
    EXPECT_TRUE(guider.starLost());
    ASSERT_EQ(messages.lines.size(), 1);
    EXPECT_TRUE(messages.lines[0].contains(QStringLiteral("bord de l'image")));
    frame(3, -4, 90);
    EXPECT_FALSE(guider.starLost());
    EXPECT_EQ(moves(), 4);
    ASSERT_EQ(messages.lines.size(), 2);
    EXPECT_TRUE(messages.lines[1].contains(QStringLiteral("retrouvée")));
}

TEST_F(Guiding, AFadedStarIsLostBelowAThirdOfItsStartingBrightness)
{
    guider.start();
    struct Step {
        int brightness;
        bool corrected;
    };
    const Step steps[] = {{90, true}, {60, true}, {31, true}, {29, false}, {12, false}, {30, true}, {95, true}};
    int expected = 0;
    for (const Step& s : steps) {
        frame(3, -4, s.brightness);
        if (s.corrected) expected += 2;
        EXPECT_EQ(moves(), expected) << s.brightness;
        EXPECT_EQ(guider.starLost(), !s.corrected) << s.brightness;
    }
    EXPECT_EQ(messages.lines.size(), 2); // lost once, found once
    EXPECT_EQ(guider.referenceBrightness(), 90);
}

TEST_F(Guiding, NoStarAtAllIsLostFromTheFirstFrameAndTheWatchRestarts)
{
    guider.start();
    frame(3, -4, Autoguider::kFaintestStar - 1);
    EXPECT_EQ(moves(), 0);
    EXPECT_TRUE(guider.starLost());
    guider.stop();
    guider.start(); // a new run: a new reference and nothing lost yet
    EXPECT_FALSE(guider.starLost());
    frame(3, -4, 20);
    EXPECT_EQ(moves(), 2);
    EXPECT_EQ(guider.referenceBrightness(), 20);
}

TEST_F(Guiding, TheLogHoldsTheSettingsThenOneLinePerCorrection)
{
    GuideLogSetup setup;
    setup.mount.interface = MountInterface::LX200;
    setup.mount.TNI_Vitesse_Est = 7.25;
    setup.mount.TNI_Vitesse_Ouest = 7.5;
    setup.mount.TNI_Vitesse_Nord = 6.75;
    setup.mount.TNI_Vitesse_Sud = 6.5;
    setup.guide = bothAxes(10);
    setup.SPED_Intervalle_Guidage = 5;
    guider.start(&setup, dir.path());
    ASSERT_TRUE(guider.log().isOpen());
    EXPECT_EQ(QFileInfo(guider.log().path()).fileName(), QStringLiteral("Guidage_2026-09-01_22-15-03.txt"));
    frame(3, -4, 90);          // West 3" = 600 ms, North 4.5" = 900 ms
    mount.busy[West] = true;   // the mount still moves West: that pulse is not sent
    frame(6, 2, 88);           // West 6 pixels, South 0 stopped
    frame(0, 0, 87, true);     // lost: a comment line
    frame(-5, 0, 86);          // found: a comment, then θ 170: East 4 pixels = 6" = 1200 ms, South stopped
    guider.stop();

    const QStringList lines = logLines();
    const QStringList header = lines.filter(QRegularExpression(QStringLiteral("^#")));
    EXPECT_TRUE(header.join(QLatin1Char('\n'))
                    .contains(QStringLiteral("Est 7.25 ; Ouest 7.5 ; Nord 6.75 ; Sud 6.5")));
    EXPECT_TRUE(header.join(QLatin1Char('\n')).contains(QStringLiteral("Echantillonnage : 1.5 Sec.Arc/pixel ; orientation : 10")));
    EXPECT_TRUE(header.join(QLatin1Char('\n')).contains(QStringLiteral("intervalle de guidage : 5 images")));
    EXPECT_TRUE(header.join(QLatin1Char('\n')).contains(QStringLiteral("Interface : LX200")));
    const int columns = int(lines.indexOf(QString::fromLatin1(kGuideLogColumns)));
    ASSERT_GE(columns, 0);
    const QStringList body = lines.mid(columns + 1);
    const QStringList expected = {
        "22:15:04.000\t1.000\t3\t-4\t296.87\tOuest\t2\t600\tNord\t3\t900\t90",
        "22:15:05.000\t2.000\t6\t2\t8.43\tOuest\t6\t0\tSud\t0\t0\t88",
        "# 22:15:06.000 etoile perdue : bord de l'image, corrections suspendues",
        "# 22:15:07.000 etoile retrouvee, corrections reprises",
        "22:15:07.000\t4.000\t-5\t0\t170.00\tEst\t4\t1200\tSud\t0\t0\t86",
    };
    EXPECT_EQ(body, expected);
}

TEST_F(Guiding, TheLogReadsBackAlongTheSkysAxes)
{
    GuideLogSetup setup;
    setup.guide = bothAxes(10, 1.5);
    guider.start(&setup, dir.path());
    frame(3, -4, 90);  // θ 296.87: 5 pixels = 7.5" at that angle
    frame(0, 0, 90);   // θ 0
    frame(3, -4, 2);   // lost: a comment, no point
    guider.stop();
    QFile f(guider.log().path());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const GuideLogRun run = readGuideLog(f);
    EXPECT_DOUBLE_EQ(run.sampling, 1.5);
    ASSERT_EQ(run.points.size(), 2u);
    EXPECT_DOUBLE_EQ(run.points[0].seconds, 1.0);
    EXPECT_EQ(run.points[0].dx, 3);
    EXPECT_EQ(run.points[0].dy, -4);
    // θ is written with two decimals: the components follow it to that.
    EXPECT_NEAR(run.points[0].raArcsec, 7.5 * std::cos(296.87 * M_PI / 180), 1e-9);
    EXPECT_NEAR(run.points[0].decArcsec, 7.5 * std::sin(296.87 * M_PI / 180), 1e-9);
    EXPECT_DOUBLE_EQ(run.points[1].raArcsec, 0.0);
    EXPECT_DOUBLE_EQ(run.points[1].seconds, 2.0);
}

TEST_F(Guiding, TheLogNeverWritesOverAFileAndAFailureIsSaidOnceGuidingGoesOn)
{
    const QString taken = dir.filePath(QStringLiteral("Guidage_2026-09-01_22-15-03.txt"));
    {
        QFile f(taken);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not a log");
    }
    GuideLogSetup setup;
    guider.start(&setup, dir.path());
    EXPECT_EQ(guider.log().path(), dir.filePath(QStringLiteral("Guidage_2026-09-01_22-15-03_2.txt")));
    QFile f(taken);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("not a log"));
    guider.stop();

    guider.start(&setup, dir.filePath(QStringLiteral("no/such/folder")));
    EXPECT_FALSE(guider.log().isOpen());
    ASSERT_EQ(messages.lines.size(), 1);
    EXPECT_TRUE(messages.lines[0].startsWith(QStringLiteral("Journal de guidage : impossible de créer")));
    frame(3, -4, 90);
    EXPECT_EQ(moves(), 2); // guiding goes on without its log
    EXPECT_EQ(messages.lines.size(), 1);
}

TEST_F(Guiding, AClickCorrectsWithoutLoggingWhenGuidingIsOff)
{
    guider.guide_correct(3, -4);
    EXPECT_EQ(mount.calls, (QStringList{"move Ouest 3", "move Nord 4.5"}));
    EXPECT_FALSE(guider.log().isOpen());
    EXPECT_EQ(guider.lastCorrection().pxDec, 3);
}

} // namespace
} // namespace velumbra::test

// Orientation, declination, drift definition and the periodic-error
// recording, run by the sequencer on tables of star positions.
#include "aids/OperationSequencer.h"
#include "aids/PeriodicError.h"
#include "aids/SkyDrift.h"
#include "core/Angles.h"
#include "core/Clock.h"
#include "core/Messages.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace velumbra::test {
namespace {

struct QuietView : OperationView {
    void setActionLabel(const QString&) override {}
    void setExecuteEnabled(bool) override {}
    void setAbortEnabled(bool) override {}
    void setOperationsMenuEnabled(bool) override {}
    void overlaysOn() override {}
};

class Steps : public ::testing::Test {
protected:
    // Arms `op`, executes at `start`, then one frame per entry `stepMs` apart.
    void run(Operation op, Point start, const std::vector<Point>& frames, int stepMs, bool lastLost = false)
    {
        seq.arm(op);
        seq.BTN_ExecuterClick(start, 640, 480);
        for (size_t i = 0; i < frames.size(); ++i) {
            clock.advanceMs(stepMs);
            seq.frame(frames[i], !(lastLost && i + 1 == frames.size()));
        }
    }
    ManualClock clock;
    RecordingMessages messages;
    QuietView view;
    OperationSequencer seq{clock, messages, view};
};

struct Orientation : OrientationView {
    double sampling() const override { return scale; }
    void showOrientation(const OrientationResult& r) override { shown.push_back(r); }
    double scale = 1.0;
    std::vector<OrientationResult> shown;
};

TEST_F(Steps, OrientationAndDeclinationFromTheDrift)
{
    struct Case {
        const char* what;
        Point to;        // from (300, 200), 10 s later
        double scale;    // arc seconds per pixel
        double orient;
        int slider;
        double declination;
    };
    const Case cases[] = {
        {"toward -x: 180, the slider's half goes to the even 180", {149, 200}, 1.0, 180, 180, 0},
        {"toward +y", {300, 275}, 2.0, 90, 90, std::acos(15.0 / 15.041017) * 180 / M_PI},
        {"7.52 arc seconds per second: about 60 degrees", {300 + 75, 200}, 1.002667, 0, 0, 60.0},
        {"faster than the sky: declination 0", {300, 40}, 1.0, 270, 270, 0},
    };
    for (const Case& k : cases) {
        Orientation ov;
        ov.scale = k.scale;
        OrientationStep step(ov);
        seq.setStep(Operation::Orientation, &step);
        run(Operation::Orientation, {300, 200}, {k.to}, 10000);
        seq.BTN_AbortClick();
        seq.BTN_AbortClick();
        ASSERT_EQ(ov.shown.size(), 1u) << k.what;
        EXPECT_DOUBLE_EQ(ov.shown[0].TNI_Orient, k.orient) << k.what;
        EXPECT_EQ(ov.shown[0].SCB_Orient, k.slider) << k.what;
        EXPECT_NEAR(ov.shown[0].declination, k.declination, 0.05) << k.what;
    }
    const OrientationResult r = orientationFrom({75, 0}, 10000, 1.002667);
    EXPECT_EQ(r.EDT_Decl_Etoile, FormatDMS(std::acos(r.TNI_Vitesse_Etoile / 15.041017) * 648000 / M_PI));
    EXPECT_TRUE(r.EDT_Decl_Etoile.startsWith(QStringLiteral(" 60° "))) << r.EDT_Decl_Etoile.toStdString();
}

TEST_F(Steps, AFrameWithinTheMillisecondOfExecuterIsSkipped)
{
    Orientation ov;
    OrientationStep step(ov);
    seq.setStep(Operation::Orientation, &step);
    run(Operation::Orientation, {300, 200}, {{305, 200}}, 0);
    EXPECT_TRUE(ov.shown.empty());
    clock.advanceMs(1000);
    seq.frame({310, 200}, true);
    ASSERT_EQ(ov.shown.size(), 1u);
    EXPECT_TRUE(std::isfinite(ov.shown[0].TNI_Vitesse_Etoile));
}

struct Drift : DriftView {
    void setDriftRate(double x, double y) override { rates.push_back({x, y}); }
    void driftDefined(int s) override { durations.push_back(s); }
    std::vector<std::pair<double, double>> rates;
    std::vector<int> durations;
};

TEST_F(Steps, DriftDefinitionRateAndDuration)
{
    Drift dv;
    DriftDefinitionStep step(dv);
    seq.setStep(Operation::DriftDefinition, &step);
    run(Operation::DriftDefinition, {100, 100}, {{105, 98}, {110, 96}}, 5000);
    ASSERT_EQ(dv.rates.size(), 2u);
    EXPECT_DOUBLE_EQ(dv.rates[1].first, 1.0);
    EXPECT_DOUBLE_EQ(dv.rates[1].second, -0.4);
    clock.advanceMs(2700); // "Arrêter" 12.7 s after "Executer"
    seq.BTN_AbortClick();
    EXPECT_EQ(dv.durations, std::vector<int>{12});
    EXPECT_EQ(seq.state(), 11);

    // A star lost ends it the same way: 4.5 s gives round(4.0) = 4.
    run(Operation::DriftDefinition, {100, 100}, {{101, 100}}, 4500, true);
    EXPECT_EQ(dv.durations, (std::vector<int>{12, 4}));
}

struct PeView : PeriodicErrorView {
    PolarSettings polarSettings() const override { return settings; }
    void showPeriodicError(const PeriodicErrorFrame& f) override { frames.push_back(f); }
    PolarSettings settings;
    std::vector<PeriodicErrorFrame> frames;
};

class PeriodicErrorRun : public Steps {
protected:
    QByteArray fileText() const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("pe.txt"));
    PeView pv;
    PeriodicErrorStep step{pv, messages, QLatin1Char(',')};
    void SetUp() override { seq.setStep(Operation::PeriodicError, &step); }
};

TEST_F(PeriodicErrorRun, PointsFromThreeSecondsWithTheirSignAndFileLines)
{
    step.setOutput(true, path);
    // 7.4 µm at 2000 mm: 0.7632 arc seconds per pixel; a drift toward +x.
    run(Operation::PeriodicError, {100, 100}, {{101, 100}, {102, 100}, {104, 100}, {108, 100}}, 1000);
    ASSERT_EQ(pv.frames.size(), 4u);
    EXPECT_FALSE(pv.frames[1].point);
    ASSERT_TRUE(pv.frames[2].point);
    EXPECT_EQ(pv.frames[2].EDT_Senserreur, QStringLiteral("0"));
    const double perPixel = std::atan(7.4e-3 / 2000) * 206264.80624709636;
    // The trail counts at least one pixel on each axis.
    EXPECT_NEAR(pv.frames[2].drift, -std::sqrt(16 + 1) * perPixel, 1e-9) << "toward +x unturned: negative";
    EXPECT_NEAR(pv.frames[3].TNI_Erreur_Vitesse, -std::sqrt(64 + 1) * perPixel / 4, 1e-9);
    seq.BTN_AbortClick();
    EXPECT_FALSE(step.fileOpen());
    const QByteArray expected = periodicErrorLine(3, pv.frames[2].drift, QLatin1Char(',')) +
                                periodicErrorLine(4, pv.frames[3].drift, QLatin1Char(','));
    EXPECT_EQ(fileText(), expected);
    EXPECT_TRUE(expected.startsWith("3;-3,14667")) << expected.constData();
    EXPECT_TRUE(expected.endsWith("\r\n"));
    // "Arrêter" again ends the operation.
    seq.BTN_AbortClick();
    EXPECT_EQ(seq.state(), 0);
}

TEST_F(PeriodicErrorRun, LineFormatFollowsTheDecimalPoint)
{
    EXPECT_EQ(periodicErrorLine(12.5, -3.18, QLatin1Char('.')), QByteArray("12.5;-3.18\r\n"));
    EXPECT_EQ(periodicErrorLine(12.5, -3.18, QLatin1Char(',')), QByteArray("12,5;-3,18\r\n"));
    EXPECT_EQ(periodicErrorLine(1.0 / 3, 100, QLatin1Char('.')), QByteArray("0.333333333333333;100\r\n"));
}

TEST_F(PeriodicErrorRun, WithoutTheFileOptionNothingIsWritten)
{
    step.setOutput(false, path);
    run(Operation::PeriodicError, {100, 100}, {{101, 100}, {102, 100}, {104, 100}}, 1000);
    EXPECT_EQ(pv.frames.size(), 3u);
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(PeriodicErrorRun, AStarLostClosesTheFileAndTheNextStartTruncatesIt)
{
    step.setOutput(true, path);
    run(Operation::PeriodicError, {100, 100}, {{101, 100}, {102, 100}, {104, 100}}, 1000, true);
    EXPECT_EQ(seq.state(), 9);
    EXPECT_FALSE(step.fileOpen());
    EXPECT_EQ(fileText().count('\n'), 1);
    run(Operation::PeriodicError, {100, 100}, {{101, 100}}, 1000);
    EXPECT_EQ(fileText(), QByteArray()) << "created anew";
}

TEST_F(PeriodicErrorRun, AnOutputThatIsNotAFileKeepsTheOperationArmed)
{
    for (const QString& bad : {dir.path(), QString(), QStringLiteral("/dev/null")}) {
        step.setOutput(true, bad);
        seq.arm(Operation::PeriodicError);
        seq.BTN_ExecuterClick({1, 1}, 640, 480);
        EXPECT_EQ(seq.state(), 9) << bad.toStdString();
        EXPECT_TRUE(messages.lines.join(QLatin1Char(' ')).contains(QStringLiteral("Ne peut écrire dans")));
    }
    // Through a link, the file it names is written and the link stays.
    const QString real = dir.filePath(QStringLiteral("real.txt"));
    const QString link = dir.filePath(QStringLiteral("link.txt"));
    ASSERT_TRUE(QFile::link(real, link));
    step.setOutput(true, link);
    run(Operation::PeriodicError, {100, 100}, {{101, 100}, {102, 100}, {104, 100}}, 1000);
    seq.BTN_AbortClick();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    QFile f(real);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().count('\n'), 1);
}

} // namespace
} // namespace velumbra::test

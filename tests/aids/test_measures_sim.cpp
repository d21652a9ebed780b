// The measuring aids on the simulated sky, held against its truth: the
// camera's orientation and a star's declination from the drift with the
// tracking stopped, and the worm's periodic error from the recorded file.
#include "NightRig.h"
#include "aids/PeriodicError.h"
#include "aids/SkyDrift.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <numbers>
#include <vector>

namespace velumbra::test {
namespace {

struct OrientationSink : OrientationView {
    explicit OrientationSink(double scale) : scale(scale) {}
    double sampling() const override { return scale; }
    void showOrientation(const OrientationResult& r) override
    {
        last = r;
        ++shown;
    }
    double scale;
    OrientationResult last;
    int shown = 0;
};

struct PeriodicSink : PeriodicErrorView {
    explicit PeriodicSink(const Night& night) : night(night) {}
    PolarSettings polarSettings() const override { return night.settings; }
    void showPeriodicError(const PeriodicErrorFrame& f) override { points += f.point ? 1 : 0; }
    const Night& night;
    int points = 0;
};

double angleBetween(double a, double b)
{
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return std::min(d, 360.0 - d);
}

void setOrientation(Night& night, double degrees)
{
    SkyParameters p = night.sky.parameters();
    p.orientation = degrees;
    night.sky.setParameters(p);
    night.settings.TNI_Orient = degrees;
}

struct Orientation {
    double orientation; // degrees, the camera's true turn
    double declination; // degrees
};

class OrientationSim : public ::testing::TestWithParam<Orientation> {};

// With the drive stopped the star drifts west at 15.04 cos(dec) arc seconds
// per second: its direction on the image is the camera's orientation, its
// speed the star's declination.
TEST_P(OrientationSim, DriftGivesTheCameraTurnAndTheStarsDeclination)
{
    const Orientation c = GetParam();
    constexpr double kScale = 3.5;
    SimulatedMount m;
    ManualClock probe{QDateTime(QDate(2026, 10, 3), QTime(22, 0))};
    MountModel where(probe, m);
    Night night(m, {where.siderealTime() + 1.0, c.declination}, false, kScale);
    setOrientation(night, c.orientation);
    OrientationSink sink(kScale);
    OrientationStep step(sink);
    night.seq.setStep(Operation::Orientation, &step);
    ASSERT_TRUE(night.pickStar(160));
    night.seq.arm(Operation::Orientation);
    night.execute();
    for (int s = 0; s < 60; ++s) night.frame(500);
    ASSERT_FALSE(night.lost);
    ASSERT_GT(sink.shown, 50);
    ::testing::Test::RecordProperty("orientation", std::to_string(sink.last.TNI_Orient));
    ::testing::Test::RecordProperty("declination", std::to_string(sink.last.declination));
    EXPECT_LE(angleBetween(sink.last.TNI_Orient, c.orientation), 1.0) << sink.last.TNI_Orient;
    EXPECT_NEAR(sink.last.declination, c.declination, 2.0);
}

INSTANTIATE_TEST_SUITE_P(Sky, OrientationSim,
                         ::testing::Values(Orientation{0, 20}, Orientation{37.5, 45}, Orientation{135, 60},
                                           Orientation{250, 30}, Orientation{318, 25}));

// Least squares of v = a sin(wt) + b cos(wt) + c at one period: the
// residual, and the amplitude.
struct SineFit {
    double residual = 0;
    double amplitude = 0;
};

SineFit fitAt(const std::vector<std::pair<double, double>>& points, double period)
{
    const double w = 2 * std::numbers::pi / period;
    double m[3][4] = {};
    for (auto [t, v] : points) {
        const double f[3] = {std::sin(w * t), std::cos(w * t), 1.0};
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) m[i][j] += f[i] * f[j];
            m[i][3] += f[i] * v;
        }
    }
    for (int i = 0; i < 3; ++i) {
        for (int k = i + 1; k < 3; ++k) {
            const double r = m[k][i] / m[i][i];
            for (int j = i; j < 4; ++j) m[k][j] -= r * m[i][j];
        }
    }
    double x[3];
    for (int i = 2; i >= 0; --i) {
        double s = m[i][3];
        for (int j = i + 1; j < 3; ++j) s -= m[i][j] * x[j];
        x[i] = s / m[i][i];
    }
    SineFit fit;
    fit.amplitude = std::hypot(x[0], x[1]);
    for (auto [t, v] : points) {
        const double e = v - (x[0] * std::sin(w * t) + x[1] * std::cos(w * t) + x[2]);
        fit.residual += e * e;
    }
    return fit;
}

// A worm of ±10 arc seconds over 8 minutes, on a star of the equator: two
// turns of the worm recorded to the file give back its amplitude and period.
TEST(PeriodicErrorSim, FileGivesTheWormsAmplitudeAndPeriod)
{
    SimulatedMount m;
    m.periodicAmplitude = 10.0;
    m.periodicPeriod = 480.0;
    m.periodicSecond = 0.0;
    m.periodicThird = 0.0;
    ManualClock probe{QDateTime(QDate(2026, 10, 3), QTime(22, 0))};
    MountModel where(probe, m);
    constexpr double kScale = 0.5;
    Night night(m, {where.siderealTime(), 0.0}, true, kScale);
    setOrientation(night, 30.0);
    PeriodicSink sink(night);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ep.txt"));
    PeriodicErrorStep step(sink, night.messages, QLatin1Char(','));
    step.setOutput(true, path);
    night.seq.setStep(Operation::PeriodicError, &step);
    ASSERT_TRUE(night.pickStar(120));
    night.seq.arm(Operation::PeriodicError);
    night.execute();
    for (int s = 0; s < 2 * 480; ++s) night.frame(1000);
    ASSERT_FALSE(night.lost);
    night.seq.BTN_AbortClick();
    EXPECT_FALSE(step.fileOpen());

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    std::vector<std::pair<double, double>> points;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.trimmed().isEmpty()) continue;
        ASSERT_TRUE(line.endsWith('\r')) << line.toStdString();
        const QList<QByteArray> f = line.trimmed().replace(',', '.').split(';');
        ASSERT_EQ(f.size(), 2) << line.toStdString();
        points.emplace_back(f[0].toDouble(), f[1].toDouble());
    }
    ASSERT_EQ(int(points.size()), sink.points);
    ASSERT_GT(points.size(), 900u);
    EXPECT_GE(points.front().first, 3.0);

    double bestPeriod = 0;
    SineFit best{1e300, 0};
    for (double period = 240; period <= 960; period += 0.5) {
        const SineFit f = fitAt(points, period);
        if (f.residual < best.residual) {
            best = f;
            bestPeriod = period;
        }
    }
    ::testing::Test::RecordProperty("period", std::to_string(bestPeriod));
    ::testing::Test::RecordProperty("amplitude", std::to_string(best.amplitude));
    EXPECT_NEAR(bestPeriod, 480.0, 48.0);
    EXPECT_NEAR(best.amplitude, 10.0, 1.0);
}

} // namespace
} // namespace velumbra::test

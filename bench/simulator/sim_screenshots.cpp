// Renders the simulator's reference views as PNG files, to be looked at side
// by side: the default star field, a 5 s exposure (tracked, then with the
// drive off), a defocused field and the planet.
//   velumbra-sim-screenshots OUTPUT_DIR
#include "core/Clock.h"
#include "core/ImageBuffers.h"
#include "simulator/SkySimulator.h"

#include <QDir>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

using namespace velumbra;

namespace {

constexpr int kWidth = 640, kHeight = 480;
constexpr uint32_t kSeed = 20260101u; // the program's own sky

// A line of figures beside each file: sky level and noise of the green
// channel, the stars found (local peaks 6 noise deviations above the sky)
// and how many of them are saturated.
void describe(const QImage& frame)
{
    std::vector<int> green;
    green.reserve(std::size_t(kWidth) * kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) green.push_back(qGreen(frame.pixel(x, y)));
    std::vector<int> sorted = green;
    std::nth_element(sorted.begin(), sorted.begin() + std::ptrdiff_t(sorted.size() / 2), sorted.end());
    const double median = sorted[sorted.size() / 2];
    double s2 = 0;
    int n = 0;
    for (int v : green)
        if (std::abs(v - median) < 15) s2 += (v - median) * (v - median), ++n;
    const double sd = std::sqrt(s2 / std::max(n, 1));
    int stars = 0, saturated = 0;
    for (int y = 3; y < kHeight - 3; ++y)
        for (int x = 3; x < kWidth - 3; ++x) {
            const int v = green[std::size_t(y) * kWidth + x];
            if (v < median + 6 * sd) continue;
            bool peak = true;
            for (int dy = -3; dy <= 3 && peak; ++dy)
                for (int dx = -3; dx <= 3 && peak; ++dx) {
                    const int w = green[std::size_t(y + dy) * kWidth + x + dx];
                    if (w > v || (w == v && (dy < 0 || (dy == 0 && dx < 0)))) peak = false;
                }
            if (!peak) continue;
            ++stars;
            if (v >= 255) ++saturated;
        }
    std::printf("  sky %.0f, noise %.1f, %d stars, %d saturated\n", median, sd, stars, saturated);
}

bool shoot(const QString& dir, const char* name, const std::function<void(SkySimulator&, ManualClock&)>& setUp)
{
    ManualClock clock;
    SkySimulator sky(clock, kSeed);
    setUp(sky, clock);
    QImage frame(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
    clock.advanceMs(40);
    sky.render(frame, kWidth, kHeight);
    const QString path = QDir(dir).filePath(QString::fromLatin1(name));
    if (!frame.copy(0, 0, kWidth, kHeight).save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    describe(frame);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(dir)) return 1;
    bool ok = shoot(dir, "sim-star-field.png", [](SkySimulator&, ManualClock&) {});
    ok = shoot(dir, "sim-exposure-5s.png", [](SkySimulator& sky, ManualClock& clock) {
        sky.setExposureMs(5000);
        clock.advanceMs(5000);
    }) && ok;
    ok = shoot(dir, "sim-exposure-5s-untracked.png", [](SkySimulator& sky, ManualClock& clock) {
        sky.setExposureMs(5000);
        sky.mount().setTracking(false);
        clock.advanceMs(5000);
    }) && ok;
    ok = shoot(dir, "sim-defocused.png", [](SkySimulator& sky, ManualClock&) {
        sky.mount().setFocuserPosition(sky.mount().settings().bestFocus + 600);
    }) && ok;
    ok = shoot(dir, "sim-planet.png", [](SkySimulator& sky, ManualClock&) {
        SkyParameters p = sky.parameters();
        p.planet = true;
        p.exposureMs = 20;
        sky.setParameters(p);
    }) && ok;
    return ok ? 0 : 1;
}

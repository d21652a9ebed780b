#include "processing/StarRegistration.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <random>

namespace velumbra::bench {
namespace {

// 50 stars (FWHM 3 px) on a noisy 800 x 600 background, seen through a turn
// and shift: the reference frame's stars and the frame to register.
QImage starFrame(const RigidTransform& view)
{
    std::mt19937 rng(77);
    std::uniform_real_distribution<double> ux(20, 780), uy(20, 580), up(40, 200);
    std::normal_distribution<double> noise(0, 1.5);
    struct Star {
        double x, y, peak;
    };
    std::vector<Star> stars;
    for (int i = 0; i < 50; ++i) stars.push_back({ux(rng), uy(rng), up(rng)});
    std::vector<double> light(800 * 600, 20.0);
    const double s2 = 2 * std::pow(3.0 / 2.3548, 2);
    for (const Star& s : stars) {
        const QPointF p = view.applyInverse({s.x, s.y});
        for (int y = std::max(0, int(p.y()) - 8); y <= std::min(599, int(p.y()) + 8); ++y)
            for (int x = std::max(0, int(p.x()) - 8); x <= std::min(799, int(p.x()) + 8); ++x)
                light[std::size_t(y) * 800 + x] += s.peak * std::exp(-((x - p.x()) * (x - p.x()) + (y - p.y()) * (y - p.y())) / s2);
    }
    QImage image(800, 600, QImage::Format_RGB32);
    for (int y = 0; y < 600; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
        for (int x = 0; x < 800; ++x) {
            const uint32_t v = uint32_t(std::clamp(int(std::lround(light[std::size_t(y) * 800 + x] + noise(rng))), 0, 255));
            row[x] = 0xFF000000u | v << 16 | v << 8 | v;
        }
    }
    return image;
}

// Detection, matching against the reference's stars, and the bilinear
// resampling of the whole frame onto the reference grid.
void BM_RegisterStars(benchmark::State& state)
{
    StarFinder finder;
    const std::vector<FoundStar> reference = finder.find(starFrame({}), 800, 600);
    const QImage frame = starFrame({1.5 * M_PI / 180, 6.3, -4.1});
    QImage target(800, 600, QImage::Format_RGB32);
    std::vector<uint8_t> coverage;
    StarMatcher matcher;
    RowSplit rows;
    int matched = 0;
    for (auto _ : state) {
        const MatchResult r = matcher.match(reference, finder.find(frame, 800, 600));
        resampleRigid(frame, 800, 600, r.transform, target, &coverage, state.range(0) == 2 ? &rows : nullptr);
        matched = r.matched;
        benchmark::ClobberMemory();
    }
    state.counters["matched"] = matched;
}
// Wall time: with the second core (cores = 2) the resampling's rows are shared.
BENCHMARK(BM_RegisterStars)->Arg(1)->Arg(2)->ArgName("cores")->UseRealTime()->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace velumbra::bench

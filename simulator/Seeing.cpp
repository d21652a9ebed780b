#include "simulator/Seeing.h"
#include "simulator/CounterNoise.h"

#include <cmath>

namespace velumbra {
namespace {

enum Stream : uint32_t { SlowX = 1, SlowY, SlowWidth, FastX, FastY, FastWidth };
// Shares of the image motion: most of it is fast.
constexpr double kSlowMotion = 0.45, kFastMotion = 0.89;
constexpr double kSlowWidth = 0.12, kFastWidth = 0.10;

} // namespace

// Normal values at whole steps, joined by a smooth step; the joins lower the
// variance a little, which the shares above allow for.
double SeeingModel::smoothNoise(uint32_t stream, double x) const
{
    const double f = std::floor(x);
    const auto i = uint32_t(int64_t(f));
    const uint32_t key = noiseKey(seed_, stream, 0);
    const double a = unitNormal(key, i), b = unitNormal(key, i + 1);
    const double u = x - f;
    const double s = u * u * (3 - 2 * u);
    return (a + (b - a) * s) * 1.25;
}

SeeingSample SeeingModel::at(double seconds, double jitter) const
{
    const double slow = seconds / kSlowSeconds, fast = seconds / kFastSeconds;
    SeeingSample s;
    s.dx = jitter * (kSlowMotion * smoothNoise(SlowX, slow) + kFastMotion * smoothNoise(FastX, fast));
    s.dy = jitter * (kSlowMotion * smoothNoise(SlowY, slow) + kFastMotion * smoothNoise(FastY, fast));
    s.widthFactor = std::exp(kSlowWidth * smoothNoise(SlowWidth, slow) + kFastWidth * smoothNoise(FastWidth, fast));
    return s;
}

} // namespace velumbra

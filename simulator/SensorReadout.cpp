#include "simulator/SensorReadout.h"
#include "simulator/CounterNoise.h"

#include <algorithm>
#include <cmath>

namespace velumbra {
namespace {

inline uint32_t level(float signal, float gain, float readVariance, float bias, uint32_t key, uint32_t counter)
{
    const float sd = std::sqrt(std::max(gain * signal + readVariance, 0.0f));
    const float v = bias + 0.5f + signal + sd * unitNormal(key, counter);
    return uint32_t(int32_t(std::clamp(v, 0.0f, 255.0f)));
}

} // namespace

// Every step is lane-wise (the noise is a hash of the pixel's number), so
// the loop runs eight pixels at a time where the processor allows it.
__attribute__((target_clones("arch=x86-64-v4", "avx2", "default"))) void
readOutSpan(uint32_t* out, int n, const float* response, const float* thermal, const float* blue, const float* green,
            const float* red, const SensorConstants& k, uint32_t counter0)
{
    const float sb = k.sky[0], sg = k.sky[1], sr = k.sky[2], t = k.seconds;
    const float gain = k.gain, rv = k.readVariance, bias = k.bias;
    const uint32_t kb = k.keys[0], kg = k.keys[1], kr = k.keys[2];
    for (int x = 0; x < n; ++x) {
        const float r = response[x], th = thermal[x] * t;
        const uint32_t i = counter0 + uint32_t(x);
        const uint32_t b = level(r * (sb + blue[x]) + th, gain, rv, bias, kb, i);
        const uint32_t g = level(r * (sg + green[x]) + th, gain, rv, bias, kg, i);
        const uint32_t c = level(r * (sr + red[x]) + th, gain, rv, bias, kr, i);
        out[x] = 0xff000000u | (c << 16) | (g << 8) | b;
    }
}

} // namespace velumbra

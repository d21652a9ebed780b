#pragma once
#include <cstdint>

namespace velumbra {

// Noise drawn as a pure function of a key and a counter: a pixel's value in
// a frame depends on nothing else, so no pattern repeats along a row or from
// frame to frame, and a frame can be drawn in any order.

// A 32-bit integer hash with near-full avalanche in two multiply-xorshift
// rounds: cheap enough for every pixel of every frame.
constexpr uint32_t mixBits(uint32_t x)
{
    x ^= x >> 16;
    x *= 0x21f0aaadu;
    x ^= x >> 15;
    x *= 0x735a2d97u;
    x ^= x >> 15;
    return x;
}

// The key of one stream of draws: a seed, what is drawn, and its frame.
constexpr uint32_t noiseKey(uint32_t seed, uint32_t stream, uint32_t frame)
{
    return mixBits(seed ^ mixBits(stream * 0x9e3779b9u ^ mixBits(frame + 0x632be5abu)));
}

// A uniform value in [0, 1).
constexpr float unitUniform(uint32_t key, uint32_t counter)
{
    return float(mixBits(counter ^ key) >> 8) * (1.0f / 16777216.0f);
}

// A standard normal value: the four bytes of one hash summed are an
// Irwin-Hall sum of four uniforms (mean 510, deviation 147.8), Gaussian to
// well within what a camera's noise can show, and cheap enough for every
// pixel of every frame.
constexpr float unitNormal(uint32_t key, uint32_t counter)
{
    const uint32_t h = mixBits(counter ^ key);
    const uint32_t pairs = (h & 0x00ff00ffu) + ((h >> 8) & 0x00ff00ffu);
    const uint32_t sum = (pairs & 0xffffu) + (pairs >> 16);
    return (float(sum) - 510.0f) * (1.0f / 147.8006f);
}

} // namespace velumbra

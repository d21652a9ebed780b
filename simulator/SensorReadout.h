#pragma once
#include <cstdint>

namespace velumbra {

// What the sensor adds to the light of one row: the same for every pixel of a frame.
struct SensorConstants {
    float sky[3] = {0, 0, 0}; // even light over the exposure: sky glow or panel, blue, green, red
    float seconds = 0;        // exposure, for the thermal signal
    float gain = 1;           // variance of the shot noise per grey level of signal
    float readVariance = 0;
    float bias = 0;           // black level
    uint32_t keys[3] = {0, 0, 0}; // noise streams of the frame's three channels
};

// Reads out n pixels into out (0xffRRGGBB words): per channel, the signal
// (response x (even light + the light drawn), plus the thermal signal), its
// shot noise and the read noise drawn as one normal value, the black level,
// clipping to 0..255 and rounding. counter0 numbers the first pixel in the
// noise streams. Kept apart so it can be built for the vector units.
void readOutSpan(uint32_t* out, int n, const float* response, const float* thermal, const float* blue,
                 const float* green, const float* red, const SensorConstants& k, uint32_t counter0);

} // namespace velumbra

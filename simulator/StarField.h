#pragma once
#include <QImage>
#include <cstdint>

namespace velumbra {

// A quick synthetic star field with sky background and noise, deterministic
// for a seed. Used as a test frame and as the benchmark reference frame.
void renderStarField(QImage& target, int width, int height, uint32_t seed, int starCount = 60);

} // namespace velumbra

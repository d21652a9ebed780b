#include "simulator/StarField.h"
#include "core/ImageBuffers.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace velumbra {

void renderStarField(QImage& target, int width, int height, uint32_t seed, int starCount)
{
    width = std::min(width, target.width());
    height = std::min(height, target.height());
    std::mt19937 rng(seed);
    std::normal_distribution<float> noise(0.0f, 3.0f);
    std::uniform_real_distribution<float> ux(0.0f, float(width));
    std::uniform_real_distribution<float> uy(0.0f, float(height));
    std::uniform_real_distribution<float> ub(20.0f, 240.0f);

    struct Star { float x, y, peak, sigma; };
    std::vector<Star> stars;
    for (int i = 0; i < starCount; ++i)
        stars.push_back({ux(rng), uy(rng), ub(rng), 1.0f + std::fmod(ub(rng), 1.5f)});

    for (int y = 0; y < height; ++y) {
        uint8_t* row = pixelRow(target, y);
        for (int x = 0; x < width; ++x) {
            const float v = 18.0f + noise(rng);
            const uint8_t b = uint8_t(std::clamp(v, 0.0f, 255.0f));
            row[x * 4 + kBlue] = b;
            row[x * 4 + kGreen] = b;
            row[x * 4 + kRed] = b;
            row[x * 4 + 3] = 0xff;
        }
    }
    for (const Star& s : stars) {
        const int r = int(std::ceil(s.sigma * 4));
        for (int y = std::max(0, int(s.y) - r); y < std::min(height, int(s.y) + r + 1); ++y) {
            uint8_t* row = pixelRow(target, y);
            for (int x = std::max(0, int(s.x) - r); x < std::min(width, int(s.x) + r + 1); ++x) {
                const float dx = x - s.x, dy = y - s.y;
                const float add = s.peak * std::exp(-(dx * dx + dy * dy) / (2 * s.sigma * s.sigma));
                for (int c = 0; c < 3; ++c)
                    row[x * 4 + c] = uint8_t(std::min(255.0f, row[x * 4 + c] + add));
            }
        }
    }
}

} // namespace velumbra

#pragma once
// Deterministic test frames for the tracking checks: a sky background with
// noise and one Gaussian star moving at a known rate. A run only needs a
// FrameSource, so the same checks can be pointed at another renderer.
#include "core/ImageBuffers.h"

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>

namespace velumbra::testframes {

struct PointF {
    double x = 0.0;
    double y = 0.0;
};

// Renders frame n (from 0) into a frame slot and returns where the star's
// centre truly is, in frame pixels.
struct FrameSource {
    int width = 0;
    int height = 0;
    std::function<PointF(int n, QImage& slot)> render;
};

struct DriftingStar {
    int width = 400;
    int height = 300;
    PointF start{80.0, 70.0};
    PointF perFrame{0.8, 0.5}; // pixels per frame
    double sigma = 1.6;        // star profile, pixels
    double peak = 180.0;       // above the background
    double background = 40.0;
    double noise = 6.0; // standard deviation of the per-pixel noise
    bool withStar = true;
    uint32_t seed = 1;
};

// Small fast generator; the noise is the sum of four uniforms (close to a
// Gaussian) so the frames are the same on every machine.
class NoiseSource {
public:
    explicit NoiseSource(uint32_t seed) : state_(seed * 2654435761u + 1u) {}
    double next(double sigma)
    {
        double sum = 0.0;
        for (int i = 0; i < 4; ++i) sum += uniform();
        return (sum - 2.0) * sigma * 1.7320508; // variance of 4 uniforms is 1/3
    }

private:
    double uniform()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return (state_ & 0xffffff) / double(0x1000000);
    }
    uint32_t state_;
};

inline void putGrey(QImage& img, int x, int y, int v)
{
    v = std::clamp(v, 0, 255);
    uint8_t* p = pixelRow(img, y) + size_t(x) * kBytesPerPixel;
    p[kBlue] = p[kGreen] = p[kRed] = uint8_t(v);
}

inline FrameSource driftingStarSource(DriftingStar s)
{
    FrameSource source;
    source.width = s.width;
    source.height = s.height;
    source.render = [s](int n, QImage& slot) {
        NoiseSource noise(s.seed + uint32_t(n) * 7919u);
        const PointF c{s.start.x + s.perFrame.x * n, s.start.y + s.perFrame.y * n};
        const double k = 1.0 / (2.0 * s.sigma * s.sigma);
        for (int y = 0; y < s.height; ++y) {
            for (int x = 0; x < s.width; ++x) {
                double v = s.background + noise.next(s.noise);
                const double dx = x - c.x, dy = y - c.y;
                const double r2 = dx * dx + dy * dy;
                if (s.withStar && r2 < 100.0) v += s.peak * std::exp(-r2 * k);
                putGrey(slot, x, y, int(std::lround(v)));
            }
        }
        return c;
    };
    return source;
}

} // namespace velumbra::testframes

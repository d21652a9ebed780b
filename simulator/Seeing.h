#pragma once
#include <cstdint>

namespace velumbra {

// The atmosphere's state at one moment: the star width as a factor of the
// night's seeing, and the image motion in arc seconds along two
// perpendicular directions of the image.
struct SeeingSample {
    double widthFactor = 1;
    double dx = 0, dy = 0;
};

// Seeing that changes from frame to frame: a slow component (cells of air
// drifting over the telescope, seconds) and a fast one (tens of
// milliseconds), both smooth in time, so a short exposure freezes one state
// and a long one averages the motion out into a wider star.
class SeeingModel {
public:
    explicit SeeingModel(uint32_t seed) : seed_(seed) {}
    // jitter: RMS image motion in arc seconds.
    SeeingSample at(double seconds, double jitter) const;

    static constexpr double kSlowSeconds = 6.0;
    static constexpr double kFastSeconds = 0.06;

private:
    double smoothNoise(uint32_t stream, double x) const;
    uint32_t seed_;
};

} // namespace velumbra

#pragma once
#include <array>

namespace velumbra {

// One correction on the sky: seconds since guiding began and the star's
// offset along right ascension and declination, arc seconds (d cos θ and
// d sin θ times the sampling, as the guide log has them).
struct GuideTracePoint {
    double seconds = 0;
    double raArcsec = 0;
    double decArcsec = 0;
};

// The last corrections of a guiding run, for the live graph: a ring of
// fixed size (adding never allocates), oldest first, with the RMS of each
// axis over what it holds.
class GuideTrace {
public:
    static constexpr int kCapacity = 600;

    void clear() { count_ = 0, next_ = 0; }
    void add(const GuideTracePoint& p);
    int size() const { return count_; }
    bool empty() const { return count_ == 0; }
    // i from 0 (the oldest held) to size() - 1 (the last).
    const GuideTracePoint& at(int i) const;
    double raRms() const;
    double decRms() const;

private:
    double rms(double GuideTracePoint::*value) const;

    std::array<GuideTracePoint, kCapacity> points_{};
    int count_ = 0;
    int next_ = 0;
};

// The point of one correction: the offset (dx, dy) in pixels at the angle θ
// on the sky (degrees), with the sampling in arc seconds per pixel.
GuideTracePoint guideTracePoint(double seconds, int dx, int dy, double thetaDegrees, double sampling);

} // namespace velumbra

#include "telescope/GuideTrace.h"

#include <cmath>
#include <numbers>

namespace velumbra {

void GuideTrace::add(const GuideTracePoint& p)
{
    points_[size_t(next_)] = p;
    next_ = (next_ + 1) % kCapacity;
    if (count_ < kCapacity) ++count_;
}

const GuideTracePoint& GuideTrace::at(int i) const
{
    const int oldest = count_ < kCapacity ? 0 : next_;
    return points_[size_t((oldest + i) % kCapacity)];
}

double GuideTrace::rms(double GuideTracePoint::*value) const
{
    if (count_ == 0) return 0;
    double sum = 0;
    for (int i = 0; i < count_; ++i) sum += (at(i).*value) * (at(i).*value);
    return std::sqrt(sum / count_);
}

double GuideTrace::raRms() const { return rms(&GuideTracePoint::raArcsec); }
double GuideTrace::decRms() const { return rms(&GuideTracePoint::decArcsec); }

GuideTracePoint guideTracePoint(double seconds, int dx, int dy, double thetaDegrees, double sampling)
{
    const double d = std::hypot(double(dx), double(dy)) * sampling;
    const double a = thetaDegrees * std::numbers::pi / 180;
    return {seconds, d * std::cos(a), d * std::sin(a)};
}

} // namespace velumbra

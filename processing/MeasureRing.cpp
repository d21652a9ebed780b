#include "processing/MeasureRing.h"

#include <algorithm>

namespace velumbra {

void MeasureRing::setLength(int n)
{
    n = std::clamp(n, kMinLength, kMaxLength);
    if (n == n_) return;
    n_ = n;
    clear();
}

double MeasureRing::add(double v, bool clampAtZero)
{
    index_ = (index_ % n_) + 1;
    const int oldest = (index_ % n_) + 1;
    slots_[size_t(index_)] = v;
    sum_ = sum_ - slots_[size_t(oldest)] + v;
    if (clampAtZero && sum_ < 0.0) sum_ = 0.0;
    if (index_ == n_) full_ = true;
    return mean();
}

void MeasureRing::clear()
{
    slots_.fill(0.0);
    index_ = 0;
    sum_ = 0.0;
    full_ = false;
}

} // namespace velumbra

#pragma once
#include <algorithm>
#include <climits>
#include <cmath>

namespace velumbra {

// The file keeps no real numbers: a field's value is stored as an integer,
// rounded to nearest with halves to the even neighbour (Round) or cut toward
// zero (Trunc), some keys after scaling by 1000. A value beyond the int
// range stores as the nearest int; a NaN stores as 0.
namespace Stored {

inline int toInt(double whole)
{
    if (std::isnan(whole)) return 0;
    return int(std::clamp(whole, double(INT_MIN), double(INT_MAX)));
}

// std::nearbyint follows the default rounding mode, which is to nearest, ties to even.
inline int Round(double v) { return toInt(std::nearbyint(v)); }
inline int Trunc(double v) { return toInt(std::trunc(v)); }
inline int RoundThousandths(double v) { return toInt(std::nearbyint(v * 1000.0)); }
inline int TruncThousandths(double v) { return toInt(std::trunc(v * 1000.0)); }
inline int Bool(bool on) { return on ? 1 : 0; }

} // namespace Stored
} // namespace velumbra

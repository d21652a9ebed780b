#pragma once
#include <cmath>

namespace velumbra {

// Round to nearest, halves to the even neighbour.
inline double roundHalfEven(double x) { return std::nearbyint(x); }

// x - 0.5 rounded to nearest with halves to even: 41 -> 40, 42 -> 42, 40.7 -> 40.
// Every numeric field value turned into a pixel count goes through it.
inline int RoundDown(double x) { return static_cast<int>(std::nearbyint(x - 0.5)); }

} // namespace velumbra

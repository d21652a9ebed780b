#pragma once
#include "core/Geometry.h"

#include <cstdint>
#include <vector>

namespace velumbra::stack {

// Which of the red, green and blue channels of a plane are looked at.
struct ChannelSet {
    bool red = true, green = true, blue = true;
    bool has(int channel) const { return channel == 0 ? red : (channel == 1 ? green : blue); }
};

// Figures of the result planes over the cells the result image shows.
struct PlaneFigures {
    int32_t low = 0;        // the value at the low fraction of the values
    int32_t high = 0;       // the value at the high fraction, above `low` when it can be
    int64_t cells = 0;      // cells looked at
    int64_t saturated = 0;  // cells with a used channel at the sum ceiling
};

// Percentiles of a plane by a histogram of its values (0..65535), one
// pass over the cells: a sort of a whole result would cost a visible part of
// the run. A single hot pixel among a million cells moves neither end.
class ResultStretch {
public:
    ResultStretch();

    // Low and high percentiles of `result` (lowFraction and highFraction of
    // the values are at or below them) over `cells` and the used channels,
    // and the cells of `sums` that reached the ceiling. `result` and `sums`
    // are planes laid out as the integration keeps them.
    PlaneFigures measure(const int32_t* result, const int32_t* sums, const Rect& cells, ChannelSet channels,
                         double lowFraction, double highFraction);

private:
    std::vector<uint32_t> histogram_;
};

} // namespace velumbra::stack

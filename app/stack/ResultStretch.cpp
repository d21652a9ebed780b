#include "app/stack/ResultStretch.h"
#include "processing/Planes.h"

#include <algorithm>
#include <cmath>

namespace velumbra::stack {

ResultStretch::ResultStretch() : histogram_(std::size_t(kSumCeiling) + 1, 0) {}

PlaneFigures ResultStretch::measure(const int32_t* result, const int32_t* sums, const Rect& cells,
                                    ChannelSet channels, double lowFraction, double highFraction)
{
    std::fill(histogram_.begin(), histogram_.end(), 0u);
    PlaneFigures f;
    int64_t values = 0;
    for (int x = std::max(cells.left, 0); x < std::min(cells.right, kPlaneColumns); ++x) {
        for (int y = std::max(cells.top, 0); y < std::min(cells.bottom, kPlaneRows); ++y) {
            const std::size_t at = planeIndex(x, y, 0);
            bool full = false;
            for (int c = 0; c < kPlaneChannels; ++c) {
                if (!channels.has(c)) continue;
                ++histogram_[std::size_t(std::clamp(result[at + c], 0, kSumCeiling))];
                full = full || sums[at + c] >= kSumCeiling;
                ++values;
            }
            ++f.cells;
            f.saturated += full ? 1 : 0;
        }
    }
    if (values == 0) {
        f.high = 1;
        return f;
    }
    // The value at rank ceil(fraction x values): the first whose running count reaches it.
    auto valueAt = [&](double fraction) {
        const int64_t rank = std::max<int64_t>(1, int64_t(std::ceil(fraction * double(values))));
        int64_t running = 0;
        for (int v = 0; v <= kSumCeiling; ++v) {
            running += histogram_[std::size_t(v)];
            if (running >= rank) return int32_t(v);
        }
        return kSumCeiling;
    };
    f.low = valueAt(lowFraction);
    f.high = valueAt(highFraction);
    // An even image still needs a span: its values then show white, not black.
    if (f.high <= f.low) {
        if (f.low > 0) f.low = f.high - 1;
        else f.high = f.low + 1;
    }
    return f;
}

} // namespace velumbra::stack

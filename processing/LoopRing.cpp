#include "processing/LoopRing.h"

#include <algorithm>

namespace velumbra {

int LoopRing::AllocateLoopFrames(int count, int width, int height)
{
    if (allocated_) FreeLoopFrames(size());
    count = std::max(count, 0);
    frames_.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        QImage image(std::max(width, 1), std::max(height, 1), kPixelFormat);
        image.fill(Qt::black);
        frames_.push_back(std::move(image));
    }
    allocated_ = true;
    return count;
}

void LoopRing::FreeLoopFrames(int count)
{
    const auto n = std::min<size_t>(static_cast<size_t>(std::max(count, 0)), frames_.size());
    frames_.erase(frames_.end() - static_cast<std::ptrdiff_t>(n), frames_.end());
    frames_.clear();
    allocated_ = false;
}

} // namespace velumbra

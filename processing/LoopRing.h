#pragma once
#include "core/ImageBuffers.h"

#include <QImage>
#include <cstdint>
#include <vector>

namespace velumbra {

// Ring of zone-sized bitmaps used by loop integration; slots counted from 1.
class LoopRing {
public:
    // Frees an existing ring first; returns the number of bitmaps created.
    int AllocateLoopFrames(int count, int width, int height);
    void FreeLoopFrames(int count);
    bool allocated() const { return allocated_; }
    int size() const { return static_cast<int>(frames_.size()); }
    QImage& frame(int slotFromOne) { return frames_[static_cast<size_t>(slotFromOne - 1)]; }

    uint16_t loopWrite = 0;
    uint16_t loopOldest = 0;
    int32_t loopCount = 0;

private:
    std::vector<QImage> frames_;
    bool allocated_ = false;
};

} // namespace velumbra

#include "acquisition/ImageBuffers.h"

#include <algorithm>

namespace velumbra {

void ImageBuffers::ensure(QImage& image, Qt::GlobalColor fill)
{
    if (image.isNull()) {
        image = QImage(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
        image.fill(fill);
    }
}

void ImageBuffers::create()
{
    for (auto& slot : frameSlots) ensure(slot, Qt::black);
    ensure(zoneFrame, Qt::black);
    ensure(saturationView, Qt::black);
    ensure(reticleLayer, Qt::white);
    ensure(zoneLayer, Qt::white);
    ensure(motionReference, Qt::black);
    ensure(display, Qt::black);
    ensure(result, Qt::black);
}

void ImageBuffers::release()
{
    for (auto& slot : frameSlots) slot = QImage();
    zoneFrame = saturationView = reticleLayer = zoneLayer = motionReference = QImage();
    display = result = QImage();
}

bool ImageBuffers::setFrameSize(int width, int height)
{
    imageWidth = std::clamp(width, 0, kMaxFrameWidth);
    imageHeight = std::clamp(height, 0, kMaxFrameHeight);
    return imageWidth == width && imageHeight == height;
}

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

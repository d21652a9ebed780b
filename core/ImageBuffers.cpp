#include "core/ImageBuffers.h"

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
    ensure(reticleLayer, Qt::white);
    ensure(zoneLayer, Qt::white);
    ensure(motionReference, Qt::black);
    ensure(display, Qt::black);
    ensure(result, Qt::black);
}

void ImageBuffers::release()
{
    for (auto& slot : frameSlots) slot = QImage();
    zoneFrame = reticleLayer = zoneLayer = motionReference = QImage();
    display = result = QImage();
}

bool ImageBuffers::setFrameSize(int width, int height)
{
    imageWidth = std::clamp(width, 0, kMaxFrameWidth);
    imageHeight = std::clamp(height, 0, kMaxFrameHeight);
    return imageWidth == width && imageHeight == height;
}

} // namespace velumbra

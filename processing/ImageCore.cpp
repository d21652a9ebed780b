#include "processing/ImageCore.h"
#include "core/Rounding.h"

#include <algorithm>

#include <utility>

namespace velumbra {

void ImageCore::frameSizeChanged(int width, int height)
{
    if (height > 0) zone.displayAspect = double(width) / double(height);
    controls.TNI_Taille_ZDetect = std::min(controls.TNI_Taille_ZDetect, double(maxDetectionZone(width)));
    controls.TNI_Taille_ZAffich = std::min(controls.TNI_Taille_ZAffich, double(width));
    flags.zoneDirty = true;
    // A reference of another size compares nothing of this frame.
    if (motion.referencePresent() && (width != motion.referenceWidth() || height != motion.referenceHeight()))
        motion.forgetReference();
}

void ImageCore::captureStarting(bool firstStart, bool live)
{
    const int w = buffers.imageWidth, h = buffers.imageHeight;
    if (firstStart) {
        motion.forgetReference();
        zone.starPos = {w / 2, h / 2};
        zone.zoneOffset = {0, 0};
    }
    // A target outside the new frame comes back to its centre.
    if (zone.starPos.x >= w || zone.starPos.y >= h) zone.starPos = {w / 2, h / 2};
    zone.prevStarPos = zone.starPos;
    if (h > 0) zone.displayAspect = double(w) / double(h);
    controls.TNI_Taille_ZAffich = std::min(w, savedDisplayZoneSize_);
    zoneSizeApplied_ = true;
    controls.TNI_Taille_ZDetect = std::min(controls.TNI_Taille_ZDetect, double(maxDetectionZone(w)));
    if (live) buffers.clearDisplay();
    flags.loadingSettings = false;
    flags.targetActive = true;
    flags.zoneDirty = true;
    pipeline.UpdateDisplayZone();
}

void ImageCore::captureStopped()
{
    savedDisplayZoneSize_ = RoundDown(controls.TNI_Taille_ZAffich);
    flags.targetActive = false;
}

int ImageCore::displayZoneSizeToKeep() const
{
    return zoneSizeApplied_ ? RoundDown(controls.TNI_Taille_ZAffich) : savedDisplayZoneSize_;
}

bool ImageCore::processFrame(bool newFrame)
{
    bool selected = false;
    if (pipeline.running()) return selected; // not recorded either: it is not processed
    // The time goes with this frame only: a later frame of a source that says
    // nothing does not inherit it.
    const QDateTime time = std::exchange(buffers.frameTime, QDateTime());
    if (newFrame && frameCountHook)
        frameCountHook->frameArrived(buffers.frameSlots[0], buffers.imageWidth, buffers.imageHeight, time);
    pipeline.ProcessFrame(newFrame, selected);
    return selected;
}

} // namespace velumbra

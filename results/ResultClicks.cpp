#include "results/ResultClicks.h"
#include "core/ImageBuffers.h"

#include <cmath>

namespace velumbra {

ClickModifier exactModifier(bool shift, bool ctrl, bool alt)
{
    if (shift && !ctrl && !alt) return ClickModifier::Shift;
    if (ctrl && !shift && !alt) return ClickModifier::Ctrl;
    if (alt && !shift && !ctrl) return ClickModifier::Alt;
    return ClickModifier::None;
}

bool readShownPixel(const QImage& image, int width, int height, Point at, int& red, int& green, int& blue)
{
    if (image.isNull() || at.x < 0 || at.y < 0 || at.x >= width || at.y >= height || at.x >= image.width() ||
        at.y >= image.height())
        return false;
    const uint8_t* p = pixelRow(image, at.y) + at.x * kBytesPerPixel;
    red = p[kRed];
    green = p[kGreen];
    blue = p[kBlue];
    return true;
}

bool ResultClicks::released(Point at, ClickButton button, ClickModifier modifier, int w, int h)
{
    if (!links_.liveDisplayRunning && !core_.flags.turboMode) return false;
    core_.flags.targetActive = true;
    ZoneState& z = core_.zone;
    // Offset of the click from the image centre, in frame pixels.
    const int b = core_.controls.binning();
    const Point d{(at.x - w / 2) * b, (at.y - h / 2) * b};

    if (button == ClickButton::Left) {
        switch (modifier) {
        case ClickModifier::None:
            if (core_.controls.integration.RDB_Dark) break;
            moveStar({z.starPos.x + d.x + z.zoneOffset.x, z.starPos.y + d.y + z.zoneOffset.y}, true);
            break;
        case ClickModifier::Shift:
            if (core_.controls.integration.RDB_Dark) break;
            moveStar({core_.buffers.imageWidth / 2, core_.buffers.imageHeight / 2}, false);
            break;
        case ClickModifier::Ctrl:
            if (core_.controls.CKB_Reticule) actions_->placeReticle({d.x + z.zoneOffset.x, d.y + z.zoneOffset.y});
            break;
        case ClickModifier::Alt:
            previousPoint = currentPoint;
            currentPoint = {at.x * b, at.y * b};
            actions_->measurePoints(previousPoint, currentPoint);
            break;
        }
    } else if (button == ClickButton::Right) {
        if (modifier == ClickModifier::None) {
            z.prevZoneOffset = z.zoneOffset;
            z.zoneOffset = {z.zoneOffset.x + d.x, z.zoneOffset.y + d.y};
            redraw();
        } else if (modifier == ClickModifier::Shift) {
            z.prevZoneOffset = z.zoneOffset;
            z.zoneOffset = {core_.buffers.imageWidth / 2 - z.starPos.x, core_.buffers.imageHeight / 2 - z.starPos.y};
            redraw();
        }
    }
    return true;
}

// The clicked position is the drift reference, stored before the tracking
// pass moves starPos onto the star. The pass runs here and only here: under
// autoguiding each pass sends a correction to the mount.
void ResultClicks::moveStar(Point newStar, bool designated)
{
    ZoneState& z = core_.zone;
    z.prevStarPos = z.starPos;
    z.starPos = newStar;
    if (designated) actions_->setDriftReference(z.starPos);
    compensateZone();
    redraw();
    if (core_.controls.CKB_Suivi) {
        const int detect = int(std::trunc(core_.controls.TNI_Taille_ZDetect));
        stages_.TrackObject(z.starPos, detect, 0, true);
        actions_->zonesChanged();
    }
}

// Unlinked zones: the display zone stays where it was while the detection
// zone moves. Linked zones: it follows the star.
void ResultClicks::compensateZone()
{
    if (links_.CKB_Zones_Liees) return;
    ZoneState& z = core_.zone;
    z.prevZoneOffset = z.zoneOffset;
    z.zoneOffset = {z.prevZoneOffset.x + z.prevStarPos.x - z.starPos.x,
                    z.prevZoneOffset.y + z.prevStarPos.y - z.starPos.y};
}

void ResultClicks::redraw()
{
    core_.pipeline.UpdateDisplayZone();
    actions_->zonesChanged();
}

void ResultClicks::moved(Point at, int w, int h)
{
    probe = {at, 3};
    if (!core_.controls.CKB_Info_Image) return;
    int r = 0, g = 0, b = 0;
    if (readShownPixel(core_.buffers.result, w, h, at, r, g, b)) actions_->showPixel(at, r, g, b);
}

} // namespace velumbra

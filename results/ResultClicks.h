#pragma once
#include "core/Geometry.h"
#include "processing/ImageCore.h"
#include "processing/PipelineStages.h"

#include <QImage>

namespace velumbra {

enum class ClickButton { Left, Right, Other };
// Only exactly one of Shift, Ctrl or Alt counts; any other combination is None.
enum class ClickModifier { None, Shift, Ctrl, Alt };
ClickModifier exactModifier(bool shift, bool ctrl, bool alt);

// Main-window state the clicks read.
struct ResultClickLinks {
    bool liveDisplayRunning = false; // the refresh timer runs
    bool CKB_Zones_Liees = false;    // the display zone follows the star
};

// What other parts do on a click or a move over the result image. Each does
// nothing until its part provides it.
class ResultClickActions {
public:
    virtual ~ResultClickActions() = default;
    // Reference of the drift method: the clicked star position and the time of day.
    virtual void setDriftReference(Point /*starPos*/) {}
    // The star or the display zone moved: the live image shows the new zones.
    virtual void zonesChanged() {}
    // Reticle redrawn at this offset from the star (frame pixels).
    virtual void placeReticle(Point /*offsetFromStar*/) {}
    // Angle and distance between two measuring points (frame pixels).
    virtual void measurePoints(Point /*previous*/, Point /*current*/) {}
    // Information window: a pixel of the result image.
    virtual void showPixel(Point /*at*/, int /*red*/, int /*green*/, int /*blue*/) {}
};

// Pointer position for the information window; code 1 is the live image,
// 3 the result image.
struct PixelProbe {
    Point position;
    int sourceCode = 0;
};

// Reads the pixel at `at` of the shown part (width x height) of an RGB32
// image; false outside it.
bool readShownPixel(const QImage& image, int width, int height, Point at, int& red, int& green, int& blue);

// Clicks and moves on the result image: move the star (detection zone), the
// display zone, the reticle or the measuring points. Under 2x2 binning one
// result pixel covers two frame pixels, so offsets from the image centre and
// measuring points are scaled to frame pixels.
class ResultClicks {
public:
    // `links` is read at every click; its owner keeps it in step with the main window.
    ResultClicks(ImageCore& core, PipelineStages& stages, const ResultClickLinks& links, ResultClickActions& actions)
        : core_(core), stages_(stages), links_(links), actions_(&actions) {}
    void setActions(ResultClickActions& actions) { actions_ = &actions; }

    PixelProbe probe;
    Point previousPoint; // measuring points, frame pixels
    Point currentPoint;

    // A button released at `at` over a result image of w x h. False when
    // the click is ignored (no live display and no turbo mode).
    bool released(Point at, ClickButton button, ClickModifier modifier, int w, int h);
    void moved(Point at, int w, int h);

private:
    // `designated`: the click names the star (a new drift reference).
    void moveStar(Point newStar, bool designated);
    void compensateZone();
    void redraw();

    ImageCore& core_;
    PipelineStages& stages_;
    const ResultClickLinks& links_;
    ResultClickActions* actions_;
};

} // namespace velumbra

#pragma once
#include "core/Clock.h"
#include "processing/ZoneState.h"
#include "core/Geometry.h"
#include "core/ImageBuffers.h"
#include "processing/PipelineControls.h"
#include "processing/PipelineStages.h"
#include "processing/Raster.h"

#include <QFont>
#include <QString>

namespace velumbra {

// Geometry of the display zone for a target at starPos + zoneOffset.
struct DisplayZoneGeometry {
    Rect displayZone; // inside the frame, right/bottom exclusive
    Rect zoneRect;    // same pixels counted from the full zone's corner
    int halfWidth = 0;  // c
    int halfHeight = 0; // hy
};

// r is the width/height ratio of the zone.
DisplayZoneGeometry computeDisplayZone(Point starPos, Point zoneOffset, int zoneSize, double aspect,
                                       int imageWidth, int imageHeight);

// Draws the dotted olive outline of zoneRect on a white zone layer.
void DrawZoneFrame(QImage& zoneLayer, const Rect& zoneRect);

// The one routine every new or re-shown frame goes through.
class FramePipeline {
public:
    FramePipeline(ImageBuffers& buffers, ZoneState& zone, RunFlags& flags, PipelineControls& controls,
                  const Clock& clock);

    void setStages(PipelineStages* stages) { stages_ = stages ? stages : &noStages_; }
    void setView(PipelineView* view) { view_ = view ? view : &noView_; }
    const Clock& clock() const { return clock_; }

    // A frame delivered while another goes through the routine (from a
    // wait inside it that runs the message loop: a guide pause, a serial
    // read) is dropped: it would overwrite the frame under way halfway.
    void ProcessFrame(bool NewFrame, bool& Selected);
    bool ProcessFrame(bool newFrame)
    {
        bool selected = false;
        ProcessFrame(newFrame, selected);
        return selected;
    }

    // Recomputes displayZone and zoneRect from the zone controls and
    // redraws the zone outline.
    void UpdateDisplayZone();

    Rect targetRect() const { return targetRect_; }
    const QString& timestampText() const { return timestampText_; }
    int guideTick() const { return guideTick_; }
    void resetGuideTick() { guideTick_ = 0; }
    bool lastTrackingVerdict() const { return trackingVerdict_; }
    // A frame is going through the routine: the sources hold theirs back.
    bool running() const { return running_; }
    // Reticle rectangle through which the reticle layer is merged.
    Rect reticleRect;
    // Whether the result image is rendered from the sum planes (integration,
    // or a binning, dark or flat correction of single frames); otherwise it
    // is a copy of the zone's pixels.
    bool resultFromPlanes() const;

private:
    void chooseDisplaySource();
    void stampTime();
    void track(bool newFrame);
    void drawTextMarks();
    void drawMarks();
    void select(bool& selected);
    bool motionThresholdsSet() const
    {
        return controls_.TNI_Seuil_Detection_Niveau > 0 && controls_.TNI_Seuil_Detection_Nbre > 0;
    }
    void handOver(bool newFrame);
    void copyZoneToZoneFrame();
    void copyZoneToResult();
    bool advanceGuideTick();
    void drawRedText(QImage& image, const QString& text, int x, int y);
    void drawZoneOutline();

    ImageBuffers& buffers_;
    ZoneState& zone_;
    RunFlags& flags_;
    PipelineControls& controls_;
    const Clock& clock_;
    PipelineStages noStages_;
    PipelineView noView_;
    PipelineStages* stages_ = &noStages_;
    PipelineView* view_ = &noView_;

    int guideTick_ = 0;
    bool running_ = false;
    QString timestampText_;
    Rect targetRect_;
    int half_ = 0;
    int detectSize_ = 0;
    bool trackingVerdict_ = true;
    QFont font_;
    // The outline last drawn on zoneLayer, and the layer's key after it.
    Rect outlineDrawn_;
    qint64 outlineKey_ = 0;
    PaintSpans reticleSpans_;
};

} // namespace velumbra

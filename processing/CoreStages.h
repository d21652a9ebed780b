#pragma once
#include <functional>
#include "core/Sound.h"
#include "processing/FocusCues.h"
#include "processing/Overlays.h"
#include "processing/PipelineStages.h"
#include "processing/Tracker.h"

namespace velumbra {

struct ImageCore;

// The information window: the histogram counted on each frame, and the
// colour of the pixel under the mouse read again on each frame.
class InfoView {
public:
    virtual ~InfoView() = default;
    virtual void histogramCounted(const Histogram&) {}
    // The image and the position the readout reads (the live frame, or the result image).
    virtual void pixelReadout() {}
};

// The stages of the frame routine as the image core provides them. Each
// subsystem part adds its own forwarding here (tracking, integration,
// quality, overlays, motion, measurements); a stage not yet provided keeps
// the do-nothing default of PipelineStages.
class CoreStages : public PipelineStages {
public:
    explicit CoreStages(ImageCore& core);

    // Tracking
    bool TrackObject(Point& starPos, int detectSize, int slot, bool track) override
    {
        return tracker_.TrackObject(starPos, detectSize, slot, track);
    }
    Tracker& tracker() { return tracker_; }
    // The frame's last stage: the running measurement gets the star and the verdict.
    void measurementStep(Point starPos, bool verdict) override
    {
        if (measurement_) measurement_(starPos, verdict);
    }
    void setMeasurement(std::function<void(Point, bool)> step) { measurement_ = std::move(step); }
    void IntegrateAndRender(Plane plane, bool add, bool restart, bool render) override;
    bool registerFrame() override;

    // Selection: quality, brightness, motion, and the cues after them.
    bool selectByQuality() override;
    bool selectByBrightness() override;
    bool selectBest() override;
    bool motionDetectionReady() override;
    bool detectMotion() override;
    void selectionCues() override;
    void rememberQualityForSave() override;

    // Overlays: the target marker, the saturation view, and what the
    // information window shows (the histogram, the pixel under the mouse).
    void DrawTarget(Point at, int half, unsigned char marker, unsigned char cross) override;
    void UpdateHistogram() override;
    void refreshPixelReadout() override;
    Histogram& histogram() { return histogram_; }
    void setInfoView(InfoView* view) { info_ = view ? view : &noInfo_; }

    // Where the cues go: the sounds, and the large indicator with its lamps.
    void setSound(SoundPlayer* sound);
    void setCueDisplay(CueDisplay* display);

private:
    ImageCore& core_;
    Tracker tracker_{core_};
    std::function<void(Point, bool)> measurement_;
    SilentSound silent_;
    SoundPlayer* sound_ = &silent_;
    CueDisplay noDisplay_;
    CueDisplay* display_ = &noDisplay_;
    Histogram histogram_;
    InfoView noInfo_;
    InfoView* info_ = &noInfo_;
};

} // namespace velumbra

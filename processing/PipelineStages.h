#pragma once
#include "core/Geometry.h"
#include "processing/Planes.h"

namespace velumbra {

// The stages of the frame routine that other parts of the image core fill
// in. Each does nothing until its part provides it.
class PipelineStages {
public:
    virtual ~PipelineStages() = default;

    // Saturation view and histogram
    virtual void UpdateHistogram() {}

    // Tracking: scans the detection zone around starPos in the given slot;
    // moves starPos when track is true. Returns the verdict for measurements.
    virtual bool TrackObject(Point& /*starPos*/, int /*detectSize*/, int /*slot*/, bool /*track*/)
    {
        return true;
    }
    // End-of-exposure flag of the long exposure for the slot analysed (0 or 1).
    virtual int exposureEndFlag(int /*slot*/) { return 0; }

    // Marks
    virtual void DrawTarget(Point /*at*/, int /*half*/, unsigned char /*marker*/, unsigned char /*cross*/) {}
    virtual void refreshPixelReadout() {}

    // Selection. Quality and brightness tests read zoneFrame.
    virtual bool selectByQuality() { return true; }
    virtual bool selectByBrightness() { return true; }
    // The best frames of the last ones by sharpness; reads zoneFrame.
    virtual bool selectBest() { return true; }
    virtual bool motionDetectionReady() { return false; }
    virtual bool detectMotion() { return false; }
    virtual void selectionCues() {}
    virtual void rememberQualityForSave() {}

    // Registration: lays the working frame on the stack's first; false when
    // it cannot, and the frame is then not added.
    virtual bool registerFrame() { return true; }

    // Integration
    virtual void IntegrateAndRender(Plane /*plane*/, bool /*add*/, bool /*restart*/, bool /*render*/) {}

    // Measurement in progress
    virtual void measurementStep(Point /*starPos*/, bool /*verdict*/) {}
};

// What the frame routine asks of the windows that show its images.
class PipelineView {
public:
    virtual ~PipelineView() = default;
    virtual void setSelectedLamp(bool /*selected*/) {}
    virtual void repaintDisplay() {}
    virtual void repaintResult() {}
};

} // namespace velumbra

#pragma once
#include "acquisition/FrameSink.h"
#include "core/Clock.h"
#include "processing/LoopRing.h"
#include "processing/MotionDetection.h"
#include "processing/QualitySelection.h"
#include "processing/ZoneState.h"
#include "core/Geometry.h"
#include "core/ImageBuffers.h"
#include "processing/FocusWidth.h"
#include "processing/FrameCountHook.h"
#include "processing/FramePipeline.h"
#include "processing/Integrator.h"
#include "processing/LiveRegistration.h"
#include "processing/PlanetAlignment.h"
#include "processing/PipelineControls.h"
#include "processing/TrackingState.h"

namespace velumbra {

// The shared state of the image work and the frame routine over it. The
// main window owns one for the whole run; tests and the batch tools make
// their own. The video source delivers its frames to it as a FrameSink.
struct ImageCore final : FrameSink {
    explicit ImageCore(const Clock& clock)
        : pipeline(buffers, zone, flags, controls, clock),
          integrator(buffers, zone, flags, controls, loop, pipeline, clock)
    {
    }

    ImageBuffers buffers;
    ZoneState zone;
    RunFlags flags;
    PipelineControls controls;
    LoopRing loop;
    FramePipeline pipeline;
    // Sequence saving by frame count; the sources call it after ProcessFrame.
    FrameCountHook* frameCountHook = nullptr;
    void countFrameForSaving(bool Selected)
    {
        if (frameCountHook) frameCountHook->frameCounted(Selected);
    }
    TrackingState tracking;
    Integrator integrator;
    // Frame selection by sharpness or brightness, the focus width, motion
    // detection: each keeps its own figures.
    QualitySelection quality;
    // The sharpness of the last frames, for "Meilleures".
    PlanetFrames planetFrames;
    RollingBest bestFrames;
    FocusWidth focus{controls};
    MotionDetection motion;
    // Frames laid on the stack's first by their stars ("Recalage").
    LiveRegistration registration;

    // FrameSink
    ImageBuffers& frameBuffers() override { return buffers; }
    void frameSizeChanged(int width, int height) override;
    void captureStarting(bool firstStart, bool live) override;
    void captureStopped() override;
    void setStreamMode(bool on) override { flags.turboMode = on; }
    bool streamMode() const override { return flags.turboMode; }
    void placeDisplayZone() override { pipeline.UpdateDisplayZone(); }
    bool processFrame(bool newFrame) override;
    bool frameRoutineRunning() const override { return pipeline.running(); }

    // The display-zone size kept for the next start (settings key Taille_Zaffich).
    int savedDisplayZoneSize() const { return savedDisplayZoneSize_; }
    // The display-zone size to keep for the next run: the slider's once a
    // capture has applied the kept size to it, else the kept size itself (a
    // run that never started a source must not lose it).
    int displayZoneSizeToKeep() const;
    void setSavedDisplayZoneSize(int size) { savedDisplayZoneSize_ = size; }

private:
    // The display-zone size in use when capture stopped, given back at the
    // next start (at most the new frame width).
    int savedDisplayZoneSize_ = 640;
    bool zoneSizeApplied_ = false;
};

} // namespace velumbra

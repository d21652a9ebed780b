#pragma once
#include "core/Clock.h"
#include "processing/LoopRing.h"
#include "processing/ZoneState.h"
#include "core/Geometry.h"
#include "core/ImageBuffers.h"
#include "processing/FrameCountHook.h"
#include "processing/FramePipeline.h"
#include "processing/Integrator.h"
#include "processing/PipelineControls.h"
#include "processing/TrackingState.h"

namespace velumbra {

// The shared state of the image work and the frame routine over it. The
// main window owns one for the whole run; tests and the batch tools make
// their own.
struct ImageCore {
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
};

} // namespace velumbra

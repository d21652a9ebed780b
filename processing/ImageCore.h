#pragma once
#include "acquisition/Clock.h"
#include "acquisition/Geometry.h"
#include "acquisition/ImageBuffers.h"
#include "processing/FramePipeline.h"
#include "processing/Integrator.h"
#include "processing/PipelineControls.h"

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
    Integrator integrator;
};

} // namespace velumbra

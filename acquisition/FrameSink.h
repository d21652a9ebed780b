#pragma once
#include "core/ImageBuffers.h"

namespace velumbra {

// Where the video source delivers its frames: the image core in the
// program. The source writes into the frame slots of frameBuffers() and sets
// the frame size there; everything the frame then goes through (zone,
// tracking, integration) belongs to the sink.
class FrameSink {
public:
    virtual ~FrameSink() = default;

    virtual ImageBuffers& frameBuffers() = 0;
    // A capture format or a played image gave frames of this size (already
    // set in the buffers); the zones shrink to fit it.
    virtual void frameSizeChanged(int width, int height) = 0;
    // Capture starts on frames of the current size. The first start of the
    // run centres the target; a live start (not playback) clears the display.
    virtual void captureStarting(bool firstStart, bool live) = 0;
    virtual void captureStopped() = 0;
    // Stream mode: frames come from the driver's own rhythm, not from Timer1.
    virtual void setStreamMode(bool on) = 0;
    virtual bool streamMode() const = 0;
    // The display zone is placed again over the current frame size.
    virtual void placeDisplayZone() = 0;
    // The frame routine over slot 0; true when the frame was selected.
    // A frame shown again (no new grab) is not a new frame.
    virtual bool processFrame(bool newFrame) = 0;
    // A frame is going through the routine (a wait inside it lets timers
    // run): the sources neither write a slot nor deliver a frame meanwhile.
    virtual bool frameRoutineRunning() const { return false; }
};

} // namespace velumbra

#pragma once

namespace velumbra::stack {

// What the tracking of one frame left behind.
struct TrackedFrame {
    bool insideFrame = true; // false when the detection zone was pushed back at the frame border
    int intensityMin = 255;  // darkest and brightest levels of the detection zone
    int intensityMax = 0;
};

// Tells, frame by frame, whether tracking still holds its object. The object
// is lost when the detection zone is pinned at the frame border (the object
// left the field, or the zone ran after noise), or when the contrast of the
// detection zone falls below half of what it was on the first tracked frame:
// what tracking then follows is the background.
class TrackingWatch {
public:
    bool lost(const TrackedFrame& frame);
    int lostFrames() const { return lostFrames_; }
    int trackedFrames() const { return trackedFrames_; }

private:
    int referenceContrast_ = -1;
    int lostFrames_ = 0;
    int trackedFrames_ = 0;
};

} // namespace velumbra::stack

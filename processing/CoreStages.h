#pragma once
#include "processing/PipelineStages.h"
#include "processing/Tracker.h"

namespace velumbra {

struct ImageCore;

// The stages of the frame routine as the image core provides them. Each
// subsystem part adds its own forwarding here (tracking, integration,
// quality, overlays, motion, measurements); a stage not yet provided keeps
// the do-nothing default of PipelineStages.
class CoreStages : public PipelineStages {
public:
    explicit CoreStages(ImageCore& core) : core_(core) {}

    // Tracking
    bool TrackObject(Point& starPos, int detectSize, int slot, bool track) override
    {
        return tracker_.TrackObject(starPos, detectSize, slot, track);
    }
    Tracker& tracker() { return tracker_; }
    void IntegrateAndRender(Plane plane, bool add, bool restart, bool render) override;

private:
    [[maybe_unused]] ImageCore& core_;
    Tracker tracker_{core_};
};

} // namespace velumbra

#pragma once
#include "processing/PipelineStages.h"

namespace velumbra {

struct ImageCore;

// The stages of the frame routine as the image core provides them. Each
// subsystem part adds its own forwarding here (tracking, integration,
// quality, overlays, motion, measurements); a stage not yet provided keeps
// the do-nothing default of PipelineStages.
class CoreStages : public PipelineStages {
public:
    explicit CoreStages(ImageCore& core) : core_(core) {}

    void IntegrateAndRender(Plane plane, bool add, bool restart, bool render) override;

private:
    [[maybe_unused]] ImageCore& core_;
};

} // namespace velumbra

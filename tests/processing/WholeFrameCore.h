#pragma once
// An image core fed whole frames by the tests, as a running capture feeds it:
// the stages in place, the frame size set, the display zone the whole frame.
#include "processing/CoreStages.h"
#include "processing/ImageCore.h"

namespace velumbra::test {

inline void feedWholeFrames(ImageCore& core, CoreStages& stages, int width, int height)
{
    core.buffers.create();
    core.pipeline.setStages(&stages);
    core.buffers.setFrameSize(width, height);
    core.zone.displayAspect = double(width) / height;
    core.zone.starPos = {width / 2, height / 2};
    core.flags.targetActive = true;
    core.flags.loadingSettings = false;
    core.controls.TNI_Taille_ZAffich = width;
}

} // namespace velumbra::test

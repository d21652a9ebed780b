#include "processing/CoreStages.h"
#include "processing/ImageCore.h"

namespace velumbra {

CoreStages::CoreStages(ImageCore& core) : core_(core)
{
    tracker_.setFocusMeasure(&core_.focus);
    core_.focus.setSound(sound_);
    core_.motion.setSound(sound_);
}

void CoreStages::IntegrateAndRender(Plane plane, bool add, bool restart, bool render)
{
    core_.integrator.IntegrateAndRender(plane, add, restart, render);
}

bool CoreStages::selectByQuality()
{
    const bool selected = core_.quality.selectByQuality(core_.buffers.zoneFrame, core_.controls.TNI_Seuil_Selection,
                                                        core_.controls.selection);
    return selected;
}

bool CoreStages::selectByBrightness()
{
    const bool selected =
        core_.quality.selectByBrightness(core_.tracking.meanBrightness, core_.controls.TNI_Seuil_Selection);
    return selected;
}

bool CoreStages::selectBest()
{
    const ZoneState& z = core_.zone;
    const PipelineControls& c = core_.controls;
    // zoneFrame holds the zone at zoneRect: what lies before it is black.
    const double score = core_.planetFrames.sharpness(core_.buffers.zoneFrame, z.zoneRect.right, z.zoneRect.bottom);
    return core_.bestFrames.accept(score, c.SPED_Meilleures_Pct, c.SPED_Meilleures_Sur);
}

bool CoreStages::motionDetectionReady() { return core_.motion.ready(); }

bool CoreStages::detectMotion()
{
    const PipelineControls& c = core_.controls;
    // The new frame itself is compared, not the display with its marks: the
    // program's own drawings are no motion.
    // With a threshold at 0 the measure is only shown: no action runs.
    const bool armed = c.TNI_Seuil_Detection_Niveau > 0 && c.TNI_Seuil_Detection_Nbre > 0;
    const bool found = core_.motion.detectMotion(core_.buffers.frameSlots[0], core_.buffers.imageWidth,
                                                 core_.buffers.imageHeight, c.TNI_Seuil_Detection_Niveau,
                                                 c.TNI_Seuil_Detection_Nbre, c.CKB_Detection_Action && armed);
    return found;
}

void CoreStages::selectionCues() { core_.quality.cues(core_.controls.selection, *sound_, *display_); }

void CoreStages::rememberQualityForSave() { core_.quality.rememberForSave(); }

void CoreStages::setSound(SoundPlayer* sound)
{
    sound_ = sound ? sound : &silent_;
    core_.focus.setSound(sound_);
    core_.motion.setSound(sound_);
}

void CoreStages::setCueDisplay(CueDisplay* display)
{
    display_ = display ? display : &noDisplay_;
    core_.focus.setDisplay(display_);
}

} // namespace velumbra

namespace velumbra {

void CoreStages::DrawTarget(Point at, int half, unsigned char marker, unsigned char cross)
{
    velumbra::DrawTarget(core_.buffers.display, at, cross, marker, QColor(255, 0, 0), half);
}

void CoreStages::UpdateHistogram()
{
    histogram_.count(core_.buffers.frameSlots[0], core_.buffers.imageWidth, core_.buffers.imageHeight);
    info_->histogramCounted(histogram_);
}

void CoreStages::refreshPixelReadout()
{
    info_->pixelReadout();
}

bool CoreStages::registerFrame()
{
    ImageBuffers& b = core_.buffers;
    // A run that starts (nothing summed yet) starts from this frame.
    const bool restart = core_.integrator.stats.frameCount[Light] == 0;
    return core_.registration.apply(b.frameSlots[0], b.imageWidth, b.imageHeight, restart);
}

} // namespace velumbra

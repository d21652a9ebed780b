#include "results/CoreParameters.h"
#include "core/Version.h"

#include <algorithm>
#include <cmath>

namespace velumbra {

ParameterValues parameterValuesOf(const ImageCore& core, int resultWidth, int resultHeight)
{
    ParameterValues v;
    v.resultWidth = resultWidth;
    v.resultHeight = resultHeight;
    v.imageWidth = core.buffers.imageWidth;
    v.imageHeight = core.buffers.imageHeight;
    v.displayZoneLeft = core.zone.displayZone.left;
    v.displayZoneTop = core.zone.displayZone.top;

    const PipelineControls& c = core.controls;
    const IntegrationMode& mode = c.integration;
    v.CKB_Integration = mode.CKB_Integration;
    v.RDB_Boucle = mode.RDB_Boucle;
    v.SPED_Nb_Bitmap = c.PNL_Integration.SPED_Nb_Bitmap;
    // The frame counter shows the count of the current mode's sum.
    const Plane plane = CurrentPlane(mode);
    const bool loop = mode.CKB_Integration && mode.RDB_Boucle;
    v.EDT_NBCaps = QString::number(loop ? core.loop.loopCount : core.integrator.stats.frameCount[plane]);
    v.CKB_Longuepose_Active = c.CKB_Longuepose_Active;
    v.SPED_Vesta_Pose = c.SPED_Vesta_Pose;

    const ThresholdControls& s = c.GRB_Seuils;
    v.TNI_Min = s.TNI_Min;
    v.TNI_Max = s.TNI_Max;
    v.TNI_Seuil_Min = s.TNI_Seuil_Min;
    v.TNI_Seuil_Max = s.TNI_Seuil_Max;
    v.TNI_Dark = core.integrator.stats.frameCount[Dark];
    v.TNI_MaxDark = c.TNI_MaxDark;
    v.CKB_Active_Flat = c.CKB_Active_Flat;
    v.RDB_NB = s.RDB_NB;
    v.CKB_Red = s.CKB_Red;
    v.CKB_Green = s.CKB_Green;
    v.CKB_Blue = s.CKB_Blue;

    v.CKB_Suivi = c.CKB_Suivi;
    // Methods are tried in the tracking pass's order.
    if (c.tracking.RDB_Somax) v.tracking = TrackingMethod::SommeAxes;
    else if (c.tracking.RDB_Colimacon) v.tracking = TrackingMethod::PixelBrillant;
    else v.tracking = TrackingMethod::Other;
    v.TNI_Taille_ZDetect = c.TNI_Taille_ZDetect;
    v.CKB_Inversion_Video = c.tracking.CKB_Inversion_Video;

    v.CKB_Selection = c.CKB_Selection;
    v.TNI_Seuil_Selection = c.TNI_Seuil_Selection;
    const SelectedQuality& q = core.quality.selected();
    v.selectedQuality = q.selectedQuality;
    v.selectedBest = q.selectedBest;
    v.selectedWorst = q.selectedWorst;
    return v;
}

FitsKeywords fitsKeywordsOf(const ImageCore& core, const ParameterValues& v)
{
    const PipelineControls& c = core.controls;
    FitsKeywords k;
    k.frames = v.EDT_NBCaps.toInt();
    k.binning = c.binning();
    k.darkFrames = CurrentPlane(c.integration) == Light ? int(v.TNI_Dark) : 0;
    k.flatApplied = CurrentPlane(c.integration) == Light && v.CKB_Active_Flat;
    k.grey = c.GRB_Seuils.RDB_NB;
    k.inverted = c.GRB_Seuils.CKB_Inverse;
    // Each long exposure lasts SPED_Vesta_Pose; a webcam's own exposure is not known.
    if (v.CKB_Longuepose_Active) k.exposureSeconds = v.SPED_Vesta_Pose / 1000.0 * std::max(1, k.frames);
    k.creator = programTitle();
    k.displayLow = int32_t(std::lround(v.TNI_Seuil_Min));
    k.displayHigh = int32_t(std::lround(v.TNI_Seuil_Max));
    if (!core.pipeline.resultFromPlanes()) {
        // A single frame shown as it came: its own 8-bit levels, no threshold.
        k.frames = 1;
        k.darkFrames = 0;
        k.flatApplied = false;
        k.grey = false;
        k.inverted = false;
        k.displayLow = 0;
        k.displayHigh = 255;
    }
    return k;
}

FitsValues resultValuesOf(const ImageCore& core, int resultWidth, int resultHeight)
{
    if (!core.pipeline.resultFromPlanes()) return imageValues(core.buffers.result, resultWidth, resultHeight);
    const ThresholdControls& s = core.controls.GRB_Seuils;
    return resultValues(core.integrator.planes.result(), core.integrator.renderedCells(), resultWidth, resultHeight,
                        s.RDB_NB, s.CKB_Red, s.CKB_Green, s.CKB_Blue);
}

} // namespace velumbra

#include "processing/FramePipeline.h"
#include "processing/Overlays.h"
#include "core/Rounding.h"
#include "processing/Raster.h"

#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace velumbra {

DisplayZoneGeometry computeDisplayZone(Point starPos, Point zoneOffset, int zoneSize, double aspect,
                                       int imageWidth, int imageHeight)
{
    DisplayZoneGeometry g;
    const int c = static_cast<int>(std::trunc(zoneSize * 0.5));
    const int hy = zoneHalfHeight(c, aspect);
    g.halfWidth = c;
    g.halfHeight = hy;

    int ex = std::max(starPos.x + zoneOffset.x, 1 - c);
    ex = std::min(ex, c + imageWidth - 1);
    int ey = std::max(starPos.y + zoneOffset.y, 1 - hy);
    ey = std::min(ey, hy + imageHeight - 1);

    const int left = std::max(ex - c, 0);
    const int right = std::min(c + ex, imageWidth - 1);
    const int top = std::max(ey - hy, 0);
    const int bottom = std::min(ey + hy, imageHeight - 1);

    g.displayZone = {left, top, right + 1, bottom + 1};
    g.zoneRect = {c + left - ex, hy + top - ey, std::max(right + c - ex, 0) + 1,
                  std::max(bottom + hy - ey, 0) + 1};
    return g;
}

void DrawZoneFrame(QImage& zoneLayer, const Rect& r)
{
    zoneLayer.fill(Qt::white);
    QPainter p(&zoneLayer);
    p.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    QPen pen(QColor(128, 128, 0));
    pen.setStyle(Qt::DotLine);
    pen.setWidth(1);
    p.setPen(pen);
    const QPoint pts[] = {{r.left, r.top}, {r.right - 1, r.top}, {r.right - 1, r.bottom - 1},
                          {r.left, r.bottom - 1}, {r.left, r.top}};
    p.drawPolyline(pts, 5);
}

FramePipeline::FramePipeline(ImageBuffers& buffers, ZoneState& zone, RunFlags& flags,
                             PipelineControls& controls, const Clock& clock)
    : buffers_(buffers), zone_(zone), flags_(flags), controls_(controls), clock_(clock)
{
    font_.setPixelSize(12);
}

void FramePipeline::UpdateDisplayZone()
{
    const bool loop = controls_.integration.RDB_Boucle && controls_.integration.CKB_Integration;
    const double aspect = zoneAspect(loop, zone_.displayAspect);
    // The field's range is 20..800; a stray value must not open the zone past the buffers.
    const int size = std::clamp(RoundDown(controls_.TNI_Taille_ZAffich), 20, kMaxFrameWidth);
    const auto g = computeDisplayZone(zone_.starPos, zone_.zoneOffset, size,
                                      aspect, buffers_.imageWidth, buffers_.imageHeight);
    zone_.displayZone = g.displayZone;
    zone_.zoneRect = g.zoneRect;
    drawZoneOutline();
}

void FramePipeline::drawZoneOutline()
{
    // Tracking recomputes the zone on every pass; the layer is redrawn only
    // when the outline moved or the layer was touched since.
    QImage& layer = buffers_.zoneLayer;
    if (layer.isNull()) return;
    if (layer.cacheKey() == outlineKey_ && outlineDrawn_ == zone_.zoneRect) return;
    DrawZoneFrame(layer, zone_.zoneRect);
    outlineDrawn_ = zone_.zoneRect;
    outlineKey_ = layer.cacheKey();
}

void FramePipeline::ProcessFrame(bool NewFrame, bool& Selected)
{
    Selected = false;
    if (running_ || !buffers_.created()) return;
    struct Running {
        bool& flag;
        explicit Running(bool& f) : flag(f) { flag = true; }
        ~Running() { flag = false; }
    } running(running_);

    // Registration lays the new frame on the stack's first before anything
    // looks at it; a frame it cannot lay is not added.
    const bool registering = NewFrame && controls_.CKB_Suivi && controls_.tracking.RDB_Recalage &&
                             controls_.integration.CKB_Integration && !controls_.BTN_Demarrer_Add_Enabled &&
                             CurrentPlane(controls_.integration) == Light;
    const bool refused = registering && !stages_->registerFrame();

    chooseDisplaySource();
    if (controls_.CKB_Histogramme) stages_->UpdateHistogram();

    detectSize_ = RoundDown(controls_.TNI_Taille_ZDetect);
    half_ = RoundDown(detectSize_ * 0.5);

    flags_.zoneDirty = false;
    if (!(zone_.starPos == zone_.prevStarPos) || !(zone_.zoneOffset == zone_.prevZoneOffset)) {
        flags_.zoneDirty = true;
        zone_.prevStarPos = zone_.starPos;
        zone_.prevZoneOffset = zone_.zoneOffset;
    }

    if (controls_.CKB_Dateheure) stampTime();

    if (!flags_.targetActive) return;

    track(NewFrame);
    const Point s = zone_.starPos;
    targetRect_ = {s.x - half_, s.y - half_, s.x + half_, s.y + half_};
    if (controls_.CKB_Suivi) drawTextMarks();

    if (flags_.zoneDirty) {
        if (controls_.integratingDarkOrFlat()) {
            zone_.displayZone = {0, 0, buffers_.imageWidth, buffers_.imageHeight};
            zone_.zoneRect = zone_.displayZone;
            drawZoneOutline();
        } else {
            UpdateDisplayZone();
        }
    }

    drawMarks();
    select(Selected);
    if (refused) Selected = false;
    if (controls_.CKB_Selection) stages_->selectionCues();

    if (Selected) {
        view_->setSelectedLamp(true);
        if (controls_.CKB_Selection) stages_->rememberQualityForSave();
        handOver(NewFrame);
    } else {
        view_->setSelectedLamp(false);
    }

    if (controls_.CKB_Reticule)
        reticleSpans_.merge(buffers_.reticleLayer, reticleRect, kMaxFrameWidth, kMaxFrameHeight, buffers_.display,
                            {reticleRect.left, reticleRect.top});
    if (flags_.turboMode) view_->repaintDisplay();
    if (controls_.CKB_Info_Image) stages_->refreshPixelReadout();

    stages_->measurementStep(zone_.starPos, trackingVerdict_);
}

void FramePipeline::chooseDisplaySource()
{
    const int w = buffers_.imageWidth, h = buffers_.imageHeight;
    // The saturation view is drawn straight onto the display: black, red
    // where a channel of the working frame reaches the threshold.
    if (controls_.CKB_Satur) {
        ShowSaturation(buffers_.frameSlots[0], buffers_.display, w, h, saturationLevel(controls_.TNI_Seuil_Satur));
        return;
    }
    const QImage* source = &buffers_.frameSlots[0];
    if (controls_.CKB_Longuepose_Active && controls_.CKB_Selfguide_Active) source = &buffers_.frameSlots[2];
    copyRect(*source, {0, 0, w, h}, w, h, buffers_.display, {0, 0});
}

void FramePipeline::stampTime()
{
    const QDateTime now = clock_.now();
    const QLocale locale = QLocale::system();
    timestampText_ = locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
                     now.time().toString(QStringLiteral("HH:mm:ss")) + locale.decimalPoint() +
                     QStringLiteral("%1").arg(now.time().msec(), 3, 10, QLatin1Char('0'));
    const QFontMetrics fm(font_);
    const Rect& z = zone_.displayZone;
    drawRedText(buffers_.display, timestampText_, z.right - fm.horizontalAdvance(timestampText_),
                z.bottom - fm.height());
}

void FramePipeline::drawRedText(QImage& image, const QString& text, int x, int y)
{
    QPainter p(&image);
    p.setFont(font_);
    p.setPen(QColor(255, 0, 0));
    const QFontMetrics fm(font_);
    p.drawText(x, y + fm.ascent(), text);
}

bool FramePipeline::advanceGuideTick()
{
    const int interval = std::max(1, static_cast<int>(std::trunc(controls_.SPED_Intervalle_Guidage)));
    guideTick_ = (guideTick_ % interval) + 1;
    return guideTick_ == 1;
}

void FramePipeline::track(bool newFrame)
{
    if (!controls_.CKB_Suivi || controls_.integratingDarkOrFlat()) {
        if (!controls_.CKB_Autoguidage || advanceGuideTick())
            trackingVerdict_ = stages_->TrackObject(zone_.starPos, detectSize_, 0, false);
    } else if (controls_.CKB_Longuepose_Active) {
        const int slot = controls_.CKB_Selfguide_Active ? 2 : 0;
        const bool on = stages_->exposureEndFlag(slot) == 1 || controls_.RDB_Derive;
        trackingVerdict_ = stages_->TrackObject(zone_.starPos, detectSize_, slot, on);
    } else if (controls_.CKB_Autoguidage) {
        // A frame shown again is not new: guiding on it would send the same
        // correction twice.
        if (newFrame && advanceGuideTick()) trackingVerdict_ = stages_->TrackObject(zone_.starPos, detectSize_, 0, true);
    } else {
        // Registered frames hold still: the zone stays where it is.
        trackingVerdict_ = stages_->TrackObject(zone_.starPos, detectSize_, 0, !controls_.tracking.RDB_Recalage);
    }
}

void FramePipeline::drawTextMarks()
{
    const QFontMetrics fm(font_);
    const Rect& t = targetRect_;
    if (controls_.CKB_Intensite_Min) {
        const QString text = QStringLiteral("IMin=%1").arg(zone_.intensityMin);
        drawRedText(buffers_.display, text, t.left - fm.horizontalAdvance(text), t.top - fm.height());
    }
    if (controls_.CKB_Intensite_Max) {
        const QString text = QStringLiteral("IMax=%1").arg(zone_.intensityMax);
        drawRedText(buffers_.display, text, t.right, t.top - fm.height());
    }
    if (controls_.CKB_FWHM && controls_.CKB_MAP) {
        const QString text = QStringLiteral("FWHM/FMin=%1/%2")
                                 .arg(controls_.TNI_FWHM, 0, 'g', 4)
                                 .arg(controls_.TNI_Meilleur_FWHM, 0, 'g', 4);
        drawRedText(buffers_.display, text, t.left - fm.horizontalAdvance(text), t.bottom);
    }
}

void FramePipeline::drawMarks()
{
    stages_->DrawTarget(zone_.starPos, half_, controls_.markerShape, controls_.crossShape);
    const Rect& zr = zone_.zoneRect;
    // The zone layer is white but for the outline: merging its border is enough.
    mergePaintOutline(buffers_.zoneLayer, zr, kMaxFrameWidth, kMaxFrameHeight, buffers_.display,
                      {zone_.displayZone.left, zone_.displayZone.top});
}

void FramePipeline::copyZoneToZoneFrame()
{
    copyRect(buffers_.frameSlots[0], zone_.displayZone, buffers_.imageWidth, buffers_.imageHeight,
             buffers_.zoneFrame, {zone_.zoneRect.left, zone_.zoneRect.top});
}

void FramePipeline::copyZoneToResult()
{
    copyRect(buffers_.frameSlots[0], zone_.displayZone, buffers_.imageWidth, buffers_.imageHeight,
             buffers_.result, {zone_.zoneRect.left, zone_.zoneRect.top});
    if (controls_.CKB_Dateheure) {
        const QFontMetrics fm(font_);
        drawRedText(buffers_.result, timestampText_, buffers_.resultWidth - fm.horizontalAdvance(timestampText_),
                    buffers_.resultHeight - fm.height());
    }
}

void FramePipeline::select(bool& selected)
{
    if (controls_.CKB_Selection) {
        copyZoneToZoneFrame();
        selected = stages_->selectByQuality();
        return;
    }
    if (controls_.CKB_Nonvide) {
        selected = stages_->selectByBrightness();
        if (selected) copyZoneToZoneFrame();
        return;
    }
    if (controls_.CKB_Meilleures) {
        copyZoneToZoneFrame();
        selected = stages_->selectBest();
        return;
    }
    if (controls_.CKB_Detection_Mvt && stages_->motionDetectionReady()) {
        // "Actuel" follows every frame; a threshold at 0 selects them all.
        const bool found = stages_->detectMotion();
        selected = motionThresholdsSet() ? found : true;
    } else {
        selected = true;
    }
    if (controls_.integration.CKB_Integration || controls_.MNU_Binning_2x2 || controls_.TNI_MaxDark > 0 ||
        controls_.CKB_Active_Flat)
        copyZoneToZoneFrame();
}

bool FramePipeline::resultFromPlanes() const
{
    return controls_.integration.CKB_Integration || controls_.MNU_Binning_2x2 || controls_.TNI_MaxDark > 0 ||
           controls_.CKB_Active_Flat;
}

void FramePipeline::handOver(bool newFrame)
{
    if (controls_.integration.CKB_Integration) {
        if (!controls_.BTN_Demarrer_Add_Enabled && newFrame)
            stages_->IntegrateAndRender(CurrentPlane(controls_.integration), true, false, flags_.permanentView);
        return;
    }
    if (resultFromPlanes()) {
        if (newFrame) {
            // A restarted sum starts from an empty plane.
            stages_->IntegrateAndRender(CurrentPlane(controls_.integration), true, true, flags_.permanentView);
        }
    } else if (newFrame) {
        copyZoneToResult();
    }
    if (flags_.turboMode) view_->repaintResult();
}

} // namespace velumbra

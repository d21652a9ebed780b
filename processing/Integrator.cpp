#include "processing/Integrator.h"
#include "acquisition/Rounding.h"
#include "processing/FramePipeline.h"
#include "processing/Raster.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <climits>
#include <cmath>

namespace velumbra {

namespace {

// Whole part of num / den for num >= 0, den > 0, exact: a double estimate
// corrected with integer products (divisions are slow in the per-cell pass).
inline int64_t floorRatio(int64_t num, int64_t den)
{
    int64_t q = static_cast<int64_t>(double(num) / double(den));
    while (q > 0 && q * den > num) --q;
    while ((q + 1) * den <= num) ++q;
    return q;
}

inline int64_t floorDiv(int64_t a, int64_t b)
{
    const int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

inline int32_t clampSum(int32_t v) { return v < 0 ? 0 : (v > kSumCeiling ? kSumCeiling : v); }

// Budget for the loop ring, so a large frame count cannot exhaust memory.
constexpr int64_t kLoopRingBudgetBytes = 512ll * 1024 * 1024;

} // namespace

Integrator::Integrator(ImageBuffers& buffers, ZoneState& zone, RunFlags& flags, PipelineControls& controls,
                       LoopRing& loop, FramePipeline& pipeline, const Clock& clock)
    : buffers_(buffers), zone_(zone), flags_(flags), controls_(controls), loop_(loop), pipeline_(pipeline),
      clock_(clock)
{
    font_.setPixelSize(12);
}

bool Integrator::loopMode() const
{
    return controls_.integration.CKB_Integration && controls_.integration.RDB_Boucle;
}

int Integrator::sumCount(Plane plane) const
{
    if (plane == Light && loopMode()) return loop_.loopCount;
    return stats.frameCount[plane];
}

int Integrator::elapsedSince(int startMs) const
{
    int ms = clock_.msecsOfDay() - startMs;
    if (ms < 0) ms += 24 * 60 * 60 * 1000; // crossed midnight
    return ms;
}

int Integrator::zoneSliderPosition() const
{
    return std::clamp(RoundDown(controls_.TNI_Taille_ZAffich), 20, kMaxFrameWidth);
}

// Rows and columns of zone pixels that are summed, one cell per binning
// step. Cells are counted from the full zone's corner, so the stack keeps
// the target where the live zone shows it even when the frame edge cuts
// the zone. The last zone column is left out; only whole cells inside the
// zone, the zone bitmap and (in loop mode) the ring bitmaps are summed.
Integrator::Span Integrator::accumulationSpan(int b, bool useRing) const
{
    const Rect& zr = zone_.zoneRect;
    int width = buffers_.zoneFrame.width();
    int height = buffers_.zoneFrame.height();
    if (useRing && loop_.size() > 0) {
        width = std::min(width, loop_.frame(1).width());
        height = std::min(height, loop_.frame(1).height());
    }
    Span s;
    s.x0 = std::max(zr.left, 0);
    s.y0 = std::max(zr.top, 0);
    const int xLimit = std::min(zr.right - 1, std::min(zr.right, width) - b + 1);
    const int lastRow = std::min(zr.bottom - 1, buffers_.result.height() * b - 1);
    const int yLimit = std::min(lastRow + 1, std::min(zr.bottom, height) - b + 1);
    s.xEnd = std::max(s.x0, xLimit);
    s.yEnd = std::max(s.y0, yLimit);
    s.cx0 = s.x0 / b;
    s.cy0 = s.y0 / b;
    s.cxEnd = s.xEnd > s.x0 ? (s.x0 + ((s.xEnd - 1 - s.x0) / b) * b) / b + 1 : s.cx0;
    s.cyEnd = s.yEnd > s.y0 ? (s.y0 + ((s.yEnd - 1 - s.y0) / b) * b) / b + 1 : s.cy0;
    return s;
}

void Integrator::accumulate(Plane plane, const Span& s, int b, bool add, bool subtractOldest, bool writeResult)
{
    int32_t* sums = sumPlanes[plane];
    const uint8_t* zoneBits = buffers_.zoneFrame.constBits();
    const qsizetype zoneStride = buffers_.zoneFrame.bytesPerLine();
    const uint8_t* ringBits = nullptr;
    qsizetype ringStride = 0;
    if (subtractOldest) {
        const QImage& oldest = loop_.frame(loop_.loopOldest);
        ringBits = oldest.constBits();
        ringStride = oldest.bytesPerLine();
    }
    const bool inverse = controls_.GRB_Seuils.CKB_Inverse;
    int32_t lo = stats.planeMin[plane];
    int32_t hi = stats.planeMax[plane];

    for (int x = s.x0; x < s.xEnd; x += b) {
        const int cx = x / b;
        int32_t* column = sums + planeIndex(cx, 0, 0);
        int32_t* resultColumn = resultPlane + planeIndex(cx, 0, 0);
        const uint8_t* zonePixel = zoneBits + qsizetype(x) * kBytesPerPixel;
        const uint8_t* ringPixel = ringBits ? ringBits + qsizetype(x) * kBytesPerPixel : nullptr;
        for (int y = s.y0; y < s.yEnd; y += b) {
            int32_t* cell = column + (y / b) * kPlaneChannels;
            int32_t r = cell[kChannelRed], g = cell[kChannelGreen], bl = cell[kChannelBlue];
            if (add) {
                for (int dy = 0; dy < b; ++dy) {
                    const uint8_t* p = zonePixel + (y + dy) * zoneStride;
                    for (int dx = 0; dx < b; ++dx, p += kBytesPerPixel) {
                        r += p[kRed];
                        g += p[kGreen];
                        bl += p[kBlue];
                    }
                    if (ringPixel) {
                        const uint8_t* q = ringPixel + (y + dy) * ringStride;
                        for (int dx = 0; dx < b; ++dx, q += kBytesPerPixel) {
                            r -= q[kRed];
                            g -= q[kGreen];
                            bl -= q[kBlue];
                        }
                    }
                }
            }
            r = clampSum(r);
            g = clampSum(g);
            bl = clampSum(bl);
            cell[kChannelRed] = r;
            cell[kChannelGreen] = g;
            cell[kChannelBlue] = bl;
            if (writeResult) {
                int32_t* out = resultColumn + (y / b) * kPlaneChannels;
                if (inverse) {
                    r = kSumCeiling - r;
                    g = kSumCeiling - g;
                    bl = kSumCeiling - bl;
                }
                out[kChannelRed] = r;
                out[kChannelGreen] = g;
                out[kChannelBlue] = bl;
                lo = std::min({lo, r, g, bl});
                hi = std::max({hi, r, g, bl});
            }
        }
    }
    stats.planeMin[plane] = lo;
    stats.planeMax[plane] = hi;
}

// Dark and flat correction of the plane into resultPlane. Every rounding is
// done on exact integers, so whole values stay whole: a 100 % dark taken at
// the same count is removed exactly, a cell at the flat mean is unchanged.
void Integrator::correct(Plane plane, const Span& s, int b)
{
    const auto& pc = controls_.PNL_Integration;
    const int64_t level = std::llround(std::clamp(controls_.TNI_MaxDark, 0.0, 100.0) * 100); // 1/100 %
    const int32_t cm = cellMax(b);
    const int64_t darkFrames = stats.frameCount[Dark];
    const bool darkOn = level > 0 && darkFrames > 0 && plane != Dark;
    const bool smart = pc.RDB_Dark_Smart;
    // A flat is never divided by itself.
    const bool flatOn = controls_.CKB_Active_Flat && plane != Flat;
    const bool inverse = controls_.GRB_Seuils.CKB_Inverse;
    const int radius = std::clamp(pc.SPED_RDark, 1, 9);

    // Subtraction: floor(level% x d x frames / darkFrames).
    const int64_t subNum = level * std::max(0, sumCount(plane));
    const int64_t subDen = 10000 * std::max<int64_t>(darkFrames, 1);
    // Smart dark: hot when floor(d / darkFrames) > cellMax - level x (2.56 b^2 - 0.01),
    // compared in units of 1/10000 so that whole thresholds stay whole.
    const int64_t threshold = int64_t(cm) * 10000 - level * (256 * b * b - 1);
    const int64_t hotFrom = std::max<int64_t>(0, floorDiv(threshold, 10000) + 1) * std::max<int64_t>(darkFrames, 1);

    const int32_t* sums = sumPlanes[plane];
    const int32_t* dark = sumPlanes[Dark];
    const int32_t* flat = sumPlanes[Flat];
    const int64_t flatCells = std::max<int64_t>(flatCells_, 1);
    int32_t lo = stats.planeMin[plane];
    int32_t hi = stats.planeMax[plane];
    const Rect& zr = zone_.zoneRect;
    const Rect& dz = zone_.displayZone;

    for (int x = s.x0; x < s.xEnd; x += b) {
        const int cx = x / b;
        // Dark and flat cells of the same sensor pixels as this zone column.
        const int dcx = std::clamp((dz.left + x - zr.left) / b, 0, kPlaneColumns - 1);
        for (int y = s.y0; y < s.yEnd; y += b) {
            const int cy = y / b;
            const int dcy = std::clamp((dz.top + y - zr.top) / b, 0, kPlaneRows - 1);
            int32_t out[kPlaneChannels];
            for (int c = 0; c < kPlaneChannels; ++c) {
                int64_t v = sums[planeIndex(cx, cy, c)];
                if (darkOn) {
                    const int64_t d = dark[planeIndex(dcx, dcy, c)];
                    if (!smart) {
                        v -= std::min(v, floorRatio(subNum * d, subDen));
                    } else if (d >= hotFrom) {
                        // Hot cell: mean of the border of the box around it.
                        int64_t sum = 0;
                        int count = 0;
                        const int i0 = cx - radius, i1 = cx + radius + 1;
                        const int j0 = cy - radius, j1 = cy + radius;
                        for (int i = std::max(i0, s.cx0); i <= std::min(i1, s.cxEnd - 1); ++i)
                            for (int j = std::max(j0, s.cy0); j <= std::min(j1, s.cyEnd - 1); ++j)
                                if (i == i0 || i == i1 || j == j0 || j == j1) {
                                    sum += sums[planeIndex(i, j, c)];
                                    ++count;
                                }
                        if (count > 0) v = sum / count;
                    }
                }
                if (flatOn) {
                    const int64_t f = flat[planeIndex(dcx, dcy, c)];
                    const int64_t num = flatSum_[c] * v;
                    v = f > 1 ? floorRatio(num, flatCells * f) : floorRatio(num, flatCells);
                    v = std::min<int64_t>(v, kSumCeiling);
                }
                const int32_t written = inverse ? kSumCeiling - int32_t(v) : int32_t(v);
                out[c] = written;
                lo = std::min(lo, written);
                hi = std::max(hi, written);
            }
            int32_t* cell = resultPlane + planeIndex(cx, cy, 0);
            cell[0] = out[0];
            cell[1] = out[1];
            cell[2] = out[2];
        }
    }
    stats.planeMin[plane] = lo;
    stats.planeMax[plane] = hi;
}

void Integrator::mapToResult(const Span& s, int b)
{
    mapping_.prepare(controls_.GRB_Seuils, controls_.TFRM_Equal);
    QImage& image = buffers_.result;
    uint8_t* bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    for (int cy = s.cy0; cy < s.cyEnd && cy < image.height(); ++cy) {
        uint8_t* row = bits + cy * stride;
        for (int cx = s.cx0; cx < s.cxEnd && cx < image.width(); ++cx) {
            const int32_t* cell = resultPlane + planeIndex(cx, cy, 0);
            mapping_.pixel(cell[kChannelRed], cell[kChannelGreen], cell[kChannelBlue], row + cx * kBytesPerPixel);
        }
    }

    // The shown size follows the full display zone, halved by 2x2 binning.
    int width = buffers_.imageWidth, height = buffers_.imageHeight;
    if (!controls_.integratingDarkOrFlat()) {
        const int size = zoneSliderPosition();
        const int c = static_cast<int>(std::trunc(size * 0.5));
        const double aspect = loopMode() ? 1.3333333333333333
                                         : (zone_.displayAspect > 0 ? zone_.displayAspect : 1.3333333333333333);
        const int hy = static_cast<int>(roundHalfEven(c / aspect));
        width = 2 * c + 1;
        height = 2 * hy + 1;
    }
    buffers_.resultWidth = std::clamp(width / b, 1, image.width());
    buffers_.resultHeight = std::clamp(height / b, 1, image.height());

    if (controls_.CKB_Dateheure) {
        const QString& text = pipeline_.timestampText();
        QPainter p(&image);
        p.setFont(font_);
        p.setPen(QColor(255, 0, 0));
        const QFontMetrics fm(font_);
        p.drawText(buffers_.resultWidth - fm.horizontalAdvance(text) - 1,
                   buffers_.resultHeight - fm.height() + fm.ascent(), text);
    }
}

void Integrator::showRange(Plane plane)
{
    auto& s = controls_.GRB_Seuils;
    if (s.CKB_Inverse) {
        s.TNI_Max = kSumCeiling - stats.planeMax[plane];
        s.TNI_Min = kSumCeiling - stats.planeMin[plane];
    } else {
        s.TNI_Max = stats.planeMax[plane];
        s.TNI_Min = stats.planeMin[plane];
    }
}

void Integrator::IntegrateAndRender(Plane plane, bool add, bool restart, bool render)
{
    if (!buffers_.created()) return;
    const int t0 = clock_.msecsOfDay();
    const int b = controls_.binning();
    const bool loop = loopMode();
    const bool ringReady = loop && loop_.allocated() && loopSize >= 1 && loop_.size() >= loopSize;

    bool subtractOldest = false;
    if (loop && add && ringReady) {
        loop_.loopWrite = uint16_t((loop_.loopWrite % loopSize) + 1);
        loop_.loopOldest = uint16_t((loop_.loopWrite % loopSize) + 1);
        const Rect& zr = zone_.zoneRect;
        copyRect(buffers_.zoneFrame, zr, buffers_.zoneFrame.width(), buffers_.zoneFrame.height(),
                 loop_.frame(loop_.loopWrite), {zr.left, zr.top});
        subtractOldest = loop_.loopCount >= loopSize - 1;
    }

    // The stop count ends the run once this frame is in the sum, so the
    // shown result, the dark means and the flat means all include it.
    bool stopAfter = false;
    if (add) {
        if (restart) {
            stats.frameCount[plane] = 1;
        } else if (loop) {
            if (loop_.loopCount < loopSize - 1) ++loop_.loopCount;
        } else {
            ++stats.frameCount[plane];
            const int stopCount = controls_.PNL_Integration.SPED_Nb_Bitmap;
            stopAfter = stopCount > 0 && stats.frameCount[plane] >= stopCount;
        }
        view_->showCount(sumCount(plane));
    }

    stats.planeMin[plane] = int32_t(std::min<int64_t>(int64_t(cellMax(b)) * sumCount(plane), INT32_MAX));
    stats.planeMax[plane] = 0;

    const bool darkOn = std::llround(std::clamp(controls_.TNI_MaxDark, 0.0, 100.0) * 100) > 0;
    const bool flatOn = controls_.CKB_Active_Flat && plane != Flat;
    const bool corrected = darkOn || flatOn;
    const Span span = accumulationSpan(b, loop && ringReady);
    accumulate(plane, span, b, add, subtractOldest, !corrected);
    timings_.EDT_Temps_addition = elapsedSince(t0);

    const int t1 = clock_.msecsOfDay();
    if (render && corrected) correct(plane, span, b);
    showRange(plane);
    timings_.EDT_Temps_Dark_Flat = elapsedSince(t1);

    const int t2 = clock_.msecsOfDay();
    if (controls_.GRB_Seuils.CKB_Seuils_Evol) Thresholds::applyEvolving(controls_.GRB_Seuils);
    view_->thresholdsChanged();
    if (plane == Flat && !controls_.PNL_Integration.CKB_Active_Flat_Enabled) {
        controls_.PNL_Integration.CKB_Active_Flat_Enabled = true;
        view_->integrationStateChanged();
    }
    timings_.EDT_Temps_Seuils = elapsedSince(t2);

    const int t3 = clock_.msecsOfDay();
    if (render) {
        mapToResult(span, b);
        view_->resultRendered();
    }
    timings_.EDT_Temps_Collage = elapsedSince(t3);
    view_->showTimings(timings_);

    if (stopAfter) BTN_Arreter_AddClick();
}

void Integrator::renderCurrent()
{
    IntegrateAndRender(CurrentPlane(controls_.integration), false, !controls_.integration.CKB_Integration, true);
}

void Integrator::FlatMeans()
{
    // Over the cells that a whole frame fills at the current binning: at
    // 2x2 only a quarter of the plane holds sums.
    const int b = controls_.binning();
    const int w = buffers_.imageWidth, h = buffers_.imageHeight;
    const int columns = std::max(0, std::min((w - 2) / b + 1, w / b));
    const int rows = std::max(0, h / b);
    int64_t sum[3] = {0, 0, 0};
    for (int x = 0; x < columns; ++x)
        for (int y = 0; y < rows; ++y)
            for (int c = 0; c < kPlaneChannels; ++c) sum[c] += sumPlanes[Flat][planeIndex(x, y, c)];
    flatCells_ = std::max<int64_t>(int64_t(columns) * rows, 1);
    for (int c = 0; c < kPlaneChannels; ++c) {
        flatSum_[c] = sum[c];
        stats.flatMean[c] = double(sum[c]) / double(flatCells_);
    }
}

void Integrator::freeRing()
{
    if (loop_.allocated()) loop_.FreeLoopFrames(loop_.size());
}

void Integrator::BTN_Demarrer_AddClick()
{
    auto& pc = controls_.PNL_Integration;
    const auto& mode = controls_.integration;
    if (loopMode()) {
        if (pc.SPED_Nb_Bitmap <= 0) pc.SPED_Nb_Bitmap = 1;
        const int w = zoneSliderPosition();
        const int h = static_cast<int>(roundHalfEven(w / 1.3333333333333333));
        const int64_t frameBytes = int64_t(w) * (h + 1) * kBytesPerPixel;
        const int fit = int(std::max<int64_t>(2, kLoopRingBudgetBytes / frameBytes));
        loopSize = std::min(pc.SPED_Nb_Bitmap + 1, fit);
        freeRing();
        const int created = loop_.AllocateLoopFrames(loopSize, w, h + 1);
        pc.SPED_Nb_Bitmap = std::max(1, created - 1);
        BTN_Reset_AddClick();
        loop_.loopCount = 0;
    } else {
        loopSize = pc.SPED_Nb_Bitmap + 1;
        if (mode.CKB_Integration && (mode.RDB_Dark || mode.RDB_Flat)) {
            zone_.prevStarPos = zone_.starPos;
            zone_.starPos = {buffers_.imageWidth / 2, buffers_.imageHeight / 2};
            controls_.CKB_Suivi = false;
            view_->suiviLocked(true);
        }
    }
    controls_.BTN_Demarrer_Add_Enabled = false;
    view_->integrationStateChanged();
}

void Integrator::BTN_Arreter_AddClick()
{
    auto& pc = controls_.PNL_Integration;
    const auto& mode = controls_.integration;
    const bool darkMode = mode.CKB_Integration && mode.RDB_Dark;
    const bool flatMode = mode.CKB_Integration && mode.RDB_Flat;
    if (loopMode()) freeRing();
    if (darkMode) {
        view_->suiviLocked(false);
        controls_.TNI_MaxDark = 0;
        pc.SCB_Seuil_dark = 100;
        previousDarkLevel_ = 0;
    }
    if (flatMode) {
        view_->suiviLocked(false);
        pc.TNI_MaxFlat = stats.frameCount[Flat];
        pc.CKB_Active_Flat_Enabled = true;
        FlatMeans();
    }
    controls_.BTN_Demarrer_Add_Enabled = true;
    if (!flags_.permanentView) IntegrateAndRender(CurrentPlane(mode), false, false, true);
    if (darkMode && stats.frameCount[Dark] > 0) {
        stats.darkMeanMax = double(stats.planeMax[Dark]) / stats.frameCount[Dark];
        stats.darkMeanMin = double(stats.planeMin[Dark]) / stats.frameCount[Dark];
    }
    view_->integrationStateChanged();
}

void Integrator::BTN_Reset_AddClick()
{
    auto& pc = controls_.PNL_Integration;
    const auto& mode = controls_.integration;
    buffers_.clearDisplay();
    buffers_.clearResult();
    if (mode.CKB_Integration && mode.RDB_Dark) {
        zeroPlane(Dark);
        pc.SCB_Seuil_dark = 100;
        controls_.TNI_MaxDark = 0;
        previousDarkLevel_ = 0;
        stats.darkMeanMin = stats.darkMeanMax = 0;
    } else if (mode.CKB_Integration && mode.RDB_Flat) {
        zeroPlane(Flat);
        pc.TNI_MaxFlat = 0;
        pc.CKB_Active_Flat_Enabled = false;
        controls_.CKB_Active_Flat = false;
    } else {
        zeroPlane(Light);
    }
    const Plane p = CurrentPlane(mode);
    stats.planeMax[p] = stats.planeMin[p] = stats.frameCount[p] = 0;
    controls_.GRB_Seuils.TNI_Max = controls_.GRB_Seuils.TNI_Min = 0;
    loop_.loopWrite = loop_.loopOldest = 0;
    loop_.loopCount = 0;
    loopSize = pc.SPED_Nb_Bitmap + 1;
    view_->showCount(0);
    view_->thresholdsChanged();
    view_->operationsMenuEnabled();
    view_->integrationStateChanged();
    view_->resultRendered();
}

void Integrator::enterWholeFrameZone(Point star)
{
    const int w = buffers_.imageWidth, h = buffers_.imageHeight;
    zone_.prevStarPos = zone_.starPos;
    zone_.starPos = star;
    zone_.prevZoneOffset = zone_.zoneOffset;
    zone_.zoneOffset = {0, 0};
    flags_.zoneDirty = true;
    zone_.displayZone = {0, 0, w, h};
    zone_.zoneRect = zone_.displayZone;
    if (!buffers_.zoneLayer.isNull()) DrawZoneFrame(buffers_.zoneLayer, zone_.zoneRect);
    if (w >= 20) controls_.TNI_Taille_ZAffich = w;
    view_->zoneSliderChanged(w, w, false);
}

void Integrator::showPlaneFigures(Plane plane)
{
    view_->showCount(plane == Light ? sumCount(Light) : stats.frameCount[plane]);
    controls_.GRB_Seuils.TNI_Max = stats.planeMax[plane];
    controls_.GRB_Seuils.TNI_Min = stats.planeMin[plane];
    view_->thresholdsChanged();
}

void Integrator::CKB_IntegrationClick()
{
    auto& mode = controls_.integration;
    loop_.loopWrite = loop_.loopOldest = 0;
    if (mode.CKB_Integration) {
        view_->ajouterEnabled(true);
        if (mode.RDB_Boucle) {
            RDB_BoucleClick();
        } else if (mode.RDB_Dark || mode.RDB_Flat) {
            enterWholeFrameZone({buffers_.imageWidth / 2, buffers_.imageHeight / 2});
        } else {
            pipeline_.UpdateDisplayZone();
        }
    } else {
        mode.RDB_Unique = true;
        mode.RDB_Boucle = mode.RDB_Dark = mode.RDB_Flat = false;
        RDB_UniqueClick();
        view_->ajouterEnabled(false);
    }
    view_->integrationStateChanged();
}

void Integrator::RDB_UniqueClick()
{
    freeRing();
    flags_.zoneDirty = true;
    const int w = std::max(buffers_.imageWidth, 20);
    const int position = std::min(zoneSliderPosition(), w);
    controls_.TNI_Taille_ZAffich = position;
    view_->zoneSliderChanged(w, position, true);
    pipeline_.UpdateDisplayZone();
    showPlaneFigures(Light);
    IntegrateAndRender(Light, false, false, true);
}

void Integrator::RDB_BoucleClick()
{
    flags_.zoneDirty = true;
    const int position = std::min(640, zoneSliderPosition());
    controls_.TNI_Taille_ZAffich = position;
    view_->zoneSliderChanged(640, position, true);
    pipeline_.UpdateDisplayZone();
    showPlaneFigures(Light);
    IntegrateAndRender(Light, false, false, true);
}

void Integrator::RDB_DarkClick()
{
    freeRing();
    enterWholeFrameZone({(buffers_.imageWidth - 1) / 2, (buffers_.imageHeight - 1) / 2});
    showPlaneFigures(Dark);
    IntegrateAndRender(Dark, false, false, true);
}

void Integrator::RDB_FlatClick()
{
    freeRing();
    enterWholeFrameZone({buffers_.imageWidth / 2, buffers_.imageHeight / 2});
    controls_.CKB_Active_Flat = false;
    view_->integrationStateChanged();
    showPlaneFigures(Flat);
    IntegrateAndRender(Flat, false, false, true);
}

void Integrator::CKB_Active_FlatClick()
{
    FlatMeans();
    IntegrateAndRender(Light, false, !controls_.integration.CKB_Integration, true);
}

void Integrator::SCB_Seuil_darkChange()
{
    auto& pc = controls_.PNL_Integration;
    pc.SCB_Seuil_dark = std::clamp(pc.SCB_Seuil_dark, 0, 100);
    controls_.TNI_MaxDark = 100 - pc.SCB_Seuil_dark;
    const bool integrating = controls_.integration.CKB_Integration;
    if (!integrating && previousDarkLevel_ == 0 && buffers_.created()) {
        // The shown frame went straight to the result image: take it back
        // through the planes so the new level applies to it.
        copyRect(buffers_.result, {0, 0, buffers_.result.width(), buffers_.result.height()},
                 buffers_.result.width(), buffers_.result.height(), buffers_.zoneFrame, {0, 0});
        zeroPlane(Light);
        IntegrateAndRender(Light, true, true, true);
    }
    IntegrateAndRender(Light, false, !integrating, true);
    // Whole part, not RoundDown: a level of 1 must not count as "no dark".
    previousDarkLevel_ = static_cast<int>(std::trunc(controls_.TNI_MaxDark));
}

void Integrator::BTN_AjouterClick()
{
    IntegrateAndRender(CurrentPlane(controls_.integration), true, false, flags_.permanentView);
}

} // namespace velumbra

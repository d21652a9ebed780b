#include "processing/Tracker.h"
#include "core/DebugLog.h"
#include "core/Rounding.h"

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace velumbra {
namespace {

// Zone sizes past the widest frame only cost time: every scan is clipped.
constexpr int kLargestDetectSize = 2 * kMaxFrameWidth;

inline const uint8_t* pixelAt(const QImage& img, int x, int y)
{
    return pixelRow(img, y) + size_t(x) * kBytesPerPixel;
}

// The scans below are written as simple loops over one row so that the
// compiler can vectorise them.

// (red + green + blue) div 3 of n pixels; s * 21846 >> 16 is exact for s <= 765.
inline void rowIntensities(const uint8_t* __restrict p, int n, uint8_t* __restrict out)
{
    for (int i = 0; i < n; ++i) {
        const uint16_t sum = uint16_t(p[4 * i] + p[4 * i + 1] + p[4 * i + 2]);
        out[i] = uint8_t((uint32_t(sum) * 21846u) >> 16);
    }
}

// Smallest of red, green and blue of n pixels.
inline void rowDarkestChannels(const uint8_t* __restrict p, int n, uint8_t* __restrict out)
{
    for (int i = 0; i < n; ++i) out[i] = std::min({p[4 * i], p[4 * i + 1], p[4 * i + 2]});
}

// GetLum: (red + green + blue) / 3 passed through RoundDown, which takes one
// off the whole odd quotients (a sum of 123 gives 40).
inline int GetLum(int sum) { return RoundDown(sum / 3.0); }

// GetLum never decreases with the sum, so "GetLum >= level" is "sum >= the
// smallest sum reaching level": the edge scan compares sums only.
int firstSumReaching(int level)
{
    int sum = 0;
    while (sum <= 765 && GetLum(sum) < level) ++sum;
    return sum;
}

// Marks the pixels of a row whose channel sum is at least (or, for a dark
// object, below) `limit`; returns how many.
inline int rowCounting(const uint8_t* __restrict p, int n, int limit, bool below, int* __restrict columns)
{
    const uint16_t l = uint16_t(limit);
    int count = 0;
    if (below) {
        for (int i = 0; i < n; ++i) {
            const uint16_t sum = uint16_t(p[4 * i] + p[4 * i + 1] + p[4 * i + 2]);
            const int counts = sum < l;
            count += counts;
            columns[i] += counts;
        }
    } else {
        for (int i = 0; i < n; ++i) {
            const uint16_t sum = uint16_t(p[4 * i] + p[4 * i + 1] + p[4 * i + 2]);
            const int counts = sum >= l;
            count += counts;
            columns[i] += counts;
        }
    }
    return count;
}

// Extremes and sums of a row of intensities.
struct RowFigures {
    int lo = 255;
    int hi = 0;
    int sum = 0;
    int above = 0; // above the focus threshold
};

inline RowFigures rowFigures(const uint8_t* __restrict e, int n, int threshold)
{
    uint8_t lo = 255, hi = 0;
    for (int i = 0; i < n; ++i) {
        lo = std::min(lo, e[i]);
        hi = std::max(hi, e[i]);
    }
    int sum = 0, above = 0;
    for (int i = 0; i < n; ++i) sum += e[i];
    if (threshold < 255) {
        const uint8_t limit = uint8_t(std::max(threshold, -1) + 1); // e > threshold  <=>  e >= limit
        for (int i = 0; i < n; ++i) above += e[i] >= limit;
    }
    return {lo, hi, sum, above};
}

} // namespace

bool ClampDetectZone(Point& p, int half, int width, int height)
{
    const int c = half + 1;
    bool moved = false;
    // A zone touching column 0 or the last column (or row) is moved so that
    // its far side ends one pixel inside the frame.
    if (p.x <= half) {
        p.x = c;
        moved = true;
    } else if (p.x >= width - half) {
        p.x = width - c;
        moved = true;
    }
    if (p.y <= half) {
        p.y = c;
        moved = true;
    } else if (p.y >= height - half) {
        p.y = height - c;
        moved = true;
    }
    return moved;
}

Tracker::Tracker(ImageCore& core) : core_(core), clock_(core.pipeline.clock()) {}

const QImage* Tracker::slotImage(int slot) const
{
    if (slot < 0 || slot >= ImageBuffers::kSlotCount) slot = 0;
    const QImage& img = core_.buffers.frameSlots[size_t(slot)];
    return img.isNull() ? nullptr : &img;
}

Tracker::Span Tracker::clip(long long x0, long long x1, long long y0, long long y1) const
{
    return {int(std::max<long long>(x0, 0)), int(std::min<long long>(x1, frameW_ - 1)),
            int(std::max<long long>(y0, 0)), int(std::min<long long>(y1, frameH_ - 1))};
}

Tracker::Pass Tracker::newPass() const
{
    Pass pass;
    pass.focusOn = core_.controls.CKB_MAP;
    pass.focusThreshold = core_.controls.tracking.SPED_Seuil_MAP;
    return pass;
}

void Tracker::storeMeanBrightness(int zoneTotal)
{
    const double side = core_.controls.TNI_Taille_ZDetect + 1.0;
    const double square = side * side;
    int pixels = 0;
    if (std::isfinite(square) && square < 1e9) pixels = RoundDown(square);
    core_.tracking.meanBrightness = pixels > 0 ? RoundDown(double(zoneTotal) / pixels) : 0;
}

bool Tracker::TrackObject(Point& starPos, int detectSize, int slot, bool track)
{
    TrackingState& st = core_.tracking;
    TrackingControls& tc = core_.controls.tracking;
    const QImage* img = slotImage(slot);
    frameW_ = img ? std::clamp(core_.buffers.imageWidth, 0, img->width()) : 0;
    frameH_ = img ? std::clamp(core_.buffers.imageHeight, 0, img->height()) : 0;
    const int h = std::clamp(detectSize, 0, kLargestDetectSize) / 2;
    st.detectHalf = h;

    if (!track) {
        // Statistics only: the sums the "Non-vide" selection reads.
        if (core_.controls.CKB_Nonvide) {
            Pass pass = newPass();
            if (img) ZoneStatistics(*img, starPos, h, pass);
            st.zoneSum = pass.zoneSum;
            st.focusTotal = pass.focusTotal;
            st.focusCount = pass.focusCount;
            storeMeanBrightness(pass.focusOn ? pass.focusTotal : pass.zoneSum);
        }
        return true;
    }

    Point centre = starPos;
    bool clamped = ClampDetectZone(centre, h, frameW_, frameH_);
    if (tc.CKB_FWHM_Auto && core_.controls.CKB_MAP) tc.SPED_Seuil_MAP = RoundDown(st.prevIntensityMax * 0.5);

    Pass pass = newPass();
    Point found = centre;
    if (tc.RDB_Somax) {
        if (img) found = TrackSomax(*img, centre, h, pass);
    } else if (tc.RDB_Colimacon) {
        if (img) found = TrackColimacon(*img, centre, h, pass);
    } else if (tc.RDB_Cadres) {
        if (img) {
            ZoneStatistics(*img, centre, h, pass);
            found = TrackCadres(*img, centre, h, starPos, pass);
        }
    } else if (core_.controls.RDB_Derive) {
        found = PredictDrift(starPos);
        if (img) ZoneStatistics(*img, centre, h, pass);
    }
    core_.zone.intensityMin = pass.intensityMin;
    core_.zone.intensityMax = pass.intensityMax;
    st.zoneSum = pass.zoneSum;
    st.focusTotal = pass.focusTotal;
    st.focusCount = pass.focusCount;

    if (core_.controls.CKB_Autoguidage) {
        // The guiding reference stays; the mount brings the star back to it.
        storeMeanBrightness(pass.focusOn ? pass.focusTotal : pass.zoneSum);
        const int mean = st.meanBrightness;
        const int brightness = tc.CKB_Inversion_Video ? mean - pass.intensityMin : pass.intensityMax - mean;
        guide_->guideStar({found.x - starPos.x, found.y - starPos.y, clamped, brightness});
    } else {
        core_.zone.prevStarPos = starPos;
        clamped = ClampDetectZone(found, h, frameW_, frameH_) || clamped;
        starPos = found;
    }

    st.prevIntensityMax = pass.intensityMax;
    storeMeanBrightness(pass.focusOn ? pass.focusTotal : pass.zoneSum);
    if (pass.focusOn)
        focus_->focusSample({pass.focusCount, pass.intensityMax, pass.intensityMin, pass.focusThreshold,
                             (2 * h + 1) * (2 * h)});
    core_.pipeline.UpdateDisplayZone();
    return !clamped;
}

void Tracker::ZoneStatistics(const QImage& img, Point c, int h, Pass& pass)
{
    const Span s = clip(c.x - h, c.x + h, c.y - h, c.y + h - 1);
    if (s.empty()) return;
    const int n = s.x1 - s.x0 + 1;
    for (int y = s.y0; y <= s.y1; ++y) {
        rowIntensities(pixelAt(img, s.x0, y), n, line_.data());
        const RowFigures f = rowFigures(line_.data(), n, pass.countAbove());
        pass.accountRow(f.sum, f.above);
        pass.intensityMin = std::min(pass.intensityMin, f.lo);
        pass.intensityMax = std::max(pass.intensityMax, f.hi);
    }
}

Point Tracker::TrackSomax(const QImage& img, Point c, int h, Pass& pass)
{
    Point found = c;
    const Span s = clip(c.x - h, c.x + h, c.y - h, c.y + h - 1);
    if (s.empty()) return found;
    const int n = s.x1 - s.x0 + 1;
    int* columns = columnSums_.data() + s.x0;
    std::fill(columns, columns + n, 0);
    for (int y = s.y0; y <= s.y1; ++y) {
        const uint8_t* e = line_.data();
        rowIntensities(pixelAt(img, s.x0, y), n, line_.data());
        const RowFigures f = rowFigures(e, n, pass.countAbove());
        for (int i = 0; i < n; ++i) columns[i] += e[i];
        rowSums_[size_t(y)] = f.sum;
        pass.accountRow(f.sum, f.above);
        pass.intensityMin = std::min(pass.intensityMin, f.lo);
        pass.intensityMax = std::max(pass.intensityMax, f.hi);
    }

    // The brightest (or darkest) column and row; a near-tie within the
    // tolerance keeps the one met first.
    const int tol = core_.zone.tolerance;
    const bool dark = core_.controls.tracking.CKB_Inversion_Video;
    auto choose = [&](const auto& sums, int from, int to, int& chosen) {
        int best = dark ? 100000000 : 0;
        for (int i = from; i <= to; ++i) {
            const int sum = sums[size_t(i)];
            if (dark ? sum < best - tol : sum > best + tol) {
                chosen = i;
                best = sum;
            }
        }
    };
    choose(columnSums_, s.x0, s.x1, found.x);
    choose(rowSums_, s.y0, s.y1, found.y);
    return found;
}

Point Tracker::TrackColimacon(const QImage& img, Point c, int h, Pass& pass)
{
    Point found = c;
    const Span s = clip(c.x - h, c.x + h, c.y - h, c.y + h);
    if (s.empty()) return found;
    const int n = s.x1 - s.x0 + 1;
    const int tol = core_.zone.tolerance;
    const bool dark = core_.controls.tracking.CKB_Inversion_Video;
    // The target is the first pixel, in row-major order, that beats the
    // running extreme by more than the tolerance. A row is walked pixel by
    // pixel only when its own extreme can beat it.
    int lo = pass.intensityMin, hi = pass.intensityMax;
    int target = dark ? pass.intensityMin : pass.intensityMax;
    for (int y = s.y0; y <= s.y1; ++y) {
        const uint8_t* row = pixelAt(img, s.x0, y);
        const uint8_t* e = line_.data();
        rowIntensities(row, n, line_.data());
        const RowFigures f = rowFigures(e, n, pass.countAbove());
        pass.accountRow(f.sum, f.above);
        hi = std::max(hi, f.hi);
        lo = std::min(lo, f.lo);
        if (dark) {
            // The darkest channel of the darkest pixel.
            rowDarkestChannels(row, n, darkest_.data());
            const uint8_t* v = darkest_.data();
            if (*std::min_element(v, v + n) < target - tol)
                for (int i = 0; i < n; ++i)
                    if (v[i] < target - tol) {
                        target = v[i];
                        found = {s.x0 + i, y};
                    }
        } else if (f.hi > target + tol) {
            for (int i = 0; i < n; ++i)
                if (e[i] > target + tol) {
                    target = e[i];
                    found = {s.x0 + i, y};
                }
        }
    }
    // Inverted, "IMin=" is the darkest channel that moved the target;
    // otherwise "IMax=" is the brightest pixel that did.
    pass.intensityMin = dark ? target : lo;
    pass.intensityMax = dark ? hi : target;
    return found;
}

Point Tracker::TrackCadres(const QImage& img, Point c, int h, Point starPos, Pass& pass)
{
    const int t = RoundDown(pass.intensityMax * 0.5);
    const bool dark = core_.controls.tracking.CKB_Inversion_Video;
    const int L = c.x - h, R = c.x + h, T = c.y - h, B = c.y + h;

    // Counting pixels per row (over columns L..R) and per column (over rows
    // T..B-1), gathered in one read of the zone.
    const Span s = clip(L, R, T, B - 1);
    if (!s.empty()) {
        const int n = s.x1 - s.x0 + 1;
        int* columns = columnSums_.data() + s.x0;
        std::fill(columns, columns + n, 0);
        // Bright object: GetLum > t, that is GetLum >= t + 1. Dark: GetLum < t.
        const int limit = firstSumReaching(dark ? t : t + 1);
        for (int y = s.y0; y <= s.y1; ++y) {
            const int count = rowCounting(pixelAt(img, s.x0, y), n, limit, dark, columns);
            rowSums_[size_t(y)] = count;
        }
    }
    if (R >= L && B - 1 >= T && (L < 0 || T < 0 || R >= frameW_ || B - 1 >= frameH_)) {
        // The zone is larger than the frame: pixels outside it are not read.
        Point first{L, T};
        if (L >= 0 && T >= 0 && L < frameW_ && T < frameH_) first = R >= frameW_ ? Point{frameW_, T} : Point{L, frameH_};
        reportOutsideRead(c, first, starPos, L, T, R, B);
    }
    auto rowCount = [&](int y) { return y >= s.y0 && y <= s.y1 && !s.empty() ? rowSums_[size_t(y)] : 0; };
    auto columnCount = [&](int x) { return x >= s.x0 && x <= s.x1 && !s.empty() ? columnSums_[size_t(x)] : 0; };

    // An edge is the first line, scanning inwards, whose count exceeds that
    // of the last non-empty line before it.
    auto findEdge = [](int from, int to, int step, int start, auto count, int& edge) {
        int prev = start, n = 0;
        for (int i = from; step > 0 ? i <= to : i >= to; i += step) {
            n += count(i);
            if (n > 0) {
                if (n > prev) {
                    edge = i - step;
                    return true;
                }
                prev = n;
                n = 0;
            }
        }
        return false;
    };
    int top = 0, bottom = 0, left = 0, right = 0;
    int edges = 0;
    edges += findEdge(T, B - 1, 1, R - L, rowCount, top);
    edges += findEdge(B - 1, T, -1, R - L, rowCount, bottom);
    edges += findEdge(L, R, 1, B - T, columnCount, left);
    edges += findEdge(R - 1, L, -1, B - T, columnCount, right);
    if (edges < 4) return starPos;
    drawEdgeFrame(left, top, right, bottom);
    return {(left + right) / 2, (top + bottom) / 2};
}

void Tracker::reportOutsideRead(Point centre, Point pixel, Point starPos, int l, int t, int r, int b)
{
    if (!core_.controls.tracking.CKB_Debug || !debugLog_) return;
    const auto pair = [](int a, int b) { return QString::number(a) + QLatin1Char(',') + QString::number(b); };
    debugLog_->writeLine(QStringLiteral("Erreur GetLum dans Cadres"));
    debugLog_->writeLine(QStringLiteral("XY=") + pair(centre.x, centre.y));
    debugLog_->writeLine(QStringLiteral("XXYY=") + pair(pixel.x, pixel.y));
    debugLog_->writeLine(QStringLiteral("Position X,Y : ") + pair(starPos.x, starPos.y));
    debugLog_->writeLine(QStringLiteral("XLeft,Ytop,Xright,Ybot : ") + pair(l, t) + QLatin1Char(',') + pair(r, b));
}

void Tracker::drawEdgeFrame(int left, int top, int right, int bottom)
{
    QImage& img = core_.buffers.display;
    if (img.isNull() || right <= left || bottom <= top) return;
    // Dotted pure green pen in not-xor mode: red and blue are inverted,
    // green is kept. The outline is walked once so no pixel is hit twice.
    int step = 0;
    auto plot = [&](int x, int y) {
        if ((step++ & 1) == 0 && x >= 0 && y >= 0 && x < img.width() && y < img.height())
            reinterpret_cast<uint32_t*>(img.scanLine(y))[x] ^= 0x00ff00ffu;
    };
    for (int x = left; x < right; ++x) plot(x, top);
    for (int y = top; y < bottom; ++y) plot(right, y);
    for (int x = right; x > left; --x) plot(x, bottom);
    for (int y = bottom; y > top; --y) plot(left, y);
}

Point Tracker::PredictDrift(Point starPos)
{
    TrackingState& st = core_.tracking;
    const qint64 now = clock_.steadyMs();
    const qint64 elapsed = st.driftLastTime < 0 ? 0 : std::max<qint64>(0, now - st.driftLastTime);
    st.driftLastTime = now;
    const double dt = elapsed * 0.001;
    st.driftAccum.x += dt * st.driftRate.x;
    st.driftAccum.y += dt * st.driftRate.y;

    const int stepPixels = std::max(1, RoundDown(core_.controls.tracking.SPED_Neutre));
    auto move = [stepPixels](double& accum) {
        // A rate that is not a number, or one that would throw the zone off
        // any frame, is dropped.
        if (!std::isfinite(accum) || std::abs(accum) > 1e6) accum = 0.0;
        if (std::abs(accum) <= stepPixels) return 0;
        const int n = RoundDown(accum);
        accum -= n;
        return n;
    };
    const int dx = move(st.driftAccum.x);
    const int dy = move(st.driftAccum.y);
    if (core_.controls.CKB_Autoguidage && st.driftDuration < 1) return starPos;
    return {starPos.x + dx, starPos.y + dy};
}

void Tracker::restartDrift(Point reference)
{
    TrackingState& st = core_.tracking;
    st.driftReference = reference;
    st.driftLastTime = clock_.steadyMs();
    st.driftAccum = {};
}

bool Tracker::starSearch(Point at)
{
    if (!core_.controls.CKB_Suivi) return true;
    const double size = core_.controls.TNI_Taille_ZDetect;
    const int detectSize = std::isfinite(size) ? int(std::clamp(std::trunc(size), 0.0, double(kLargestDetectSize))) : 0;
    ZoneState& z = core_.zone;
    const Point before = z.starPos;
    Point found = at;
    const bool inside = TrackObject(found, detectSize, 0, true);
    if (!core_.controls.CKB_Autoguidage) {
        z.prevStarPos = before;
        z.starPos = found;
        core_.pipeline.UpdateDisplayZone();
    }
    return inside;
}

} // namespace velumbra

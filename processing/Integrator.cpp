#include "processing/Integrator.h"
#include "core/Rounding.h"
#include "processing/PlaneKernels.h"
#include "processing/FramePipeline.h"
#include "processing/Raster.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <numeric>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velumbra {

bool planeAvx2Supported()
{
#if defined(__x86_64__) || defined(__i386__)
    static const bool supported = __builtin_cpu_supports("avx2");
    return supported;
#else
    return false;
#endif
}

namespace {

inline int64_t floorDiv(int64_t a, int64_t b)
{
    const int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

// Budget for the loop ring, so a large frame count cannot exhaust memory.
constexpr int64_t kLoopRingBudgetBytes = 512ll * 1024 * 1024;

} // namespace

// Flat gain per flat value and channel, flatMean / f, kept for the flat
// master it was made from: rebuilt only when FlatMeans changes it.
struct Integrator::FlatGains {
    int64_t sum[3] = {-1, -1, -1};
    int64_t cells = 0;
    double gain[3][65536];
};

Integrator::Integrator(ImageBuffers& buffers, ZoneState& zone, RunFlags& flags, PipelineControls& controls,
                       LoopRing& loop, FramePipeline& pipeline, const Clock& clock)
    : buffers_(buffers), zone_(zone), flags_(flags), controls_(controls), loop_(loop), pipeline_(pipeline),
      clock_(clock), flatGains_(std::make_unique<FlatGains>()), darkAmounts_(std::make_unique<int32_t[]>(65536))
{
    font_.setPixelSize(12);
}

Integrator::~Integrator() = default;

void Integrator::allowAvx2(bool allowed)
{
    avx2Allowed_ = allowed;
    mapping_.allowAvx2(allowed);
}

bool Integrator::avx2() const { return avx2Allowed_ && planeAvx2Supported(); }

bool Integrator::loopMode() const
{
    return controls_.integration.CKB_Integration && controls_.integration.RDB_Boucle;
}

int Integrator::sumCount(Plane plane) const
{
    if (plane == Light && loopMode()) return loop_.loopCount;
    return stats.frameCount[plane];
}

// The dark level TNI_MaxDark in hundredths of a percent, within 0..100 %.
int64_t Integrator::darkLevelHundredths() const
{
    return std::llround(std::clamp(controls_.TNI_MaxDark, 0.0, 100.0) * 100);
}

int Integrator::elapsedSince(qint64 startMs) const { return int(std::max<qint64>(0, clock_.steadyMs() - startMs)); }

void Integrator::updateResultSize()
{
    // The shown size is the nominal display zone, halved by 2x2 binning;
    // dark and flat masters cover the whole frame.
    const int b = controls_.binning();
    int width = buffers_.imageWidth, height = buffers_.imageHeight;
    if (!controls_.integratingDarkOrFlat()) {
        const ZoneSize zone = nominalZoneSize(zoneSliderPosition(), zoneAspect(loopMode(), zone_.displayAspect));
        width = zone.width;
        height = zone.height;
    }
    buffers_.resultWidth = std::clamp(width / b, 1, kMaxFrameWidth);
    buffers_.resultHeight = std::clamp(height / b, 1, kMaxFrameHeight);
}

int Integrator::zoneSliderMaximum() const
{
    return loopMode() ? kLoopZoneMaxWidth : std::max(buffers_.imageWidth, 20);
}

int Integrator::zoneSliderPosition() const
{
    return std::clamp(RoundDown(controls_.TNI_Taille_ZAffich), 20, kMaxFrameWidth);
}

// Rows and columns of zone pixels that are summed, one cell per binning
// step. Cells are counted from the full zone's corner, so the stack keeps
// the target where the live zone shows it even when the frame edge cuts
// the zone. Every whole cell inside the zone, the zone bitmap and (in loop
// mode) the ring bitmaps is summed, the last column included.
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
    const int xLimit = std::min(zr.right, width) - b + 1;
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

namespace {

struct AccumulationPass {
    int32_t* sums;
    int32_t* result;
    int16_t* strip; // new pixels of a strip of columns, each in plane order
    const uint8_t* zoneBits;
    qsizetype zoneStride;
    const uint8_t* ringBits;
    qsizetype ringStride;
    int x0, xEnd, y0, yEnd;
    int32_t lo, hi;
    // Called after each strip with its zone columns [from, to), while the
    // strip's sums are still in the cache.
    void (*afterStrip)(void* context, int from, int to);
    void* afterStripContext;
    bool avx2; // accumulateColumnAvx2 may run
};

constexpr int kStripColumns = Integrator::kStripColumns;
constexpr int kStripStride = kPlaneRows * kPlaneChannels;
constexpr std::ptrdiff_t kPlaneColumnStride = std::ptrdiff_t(kPlaneRows) * kPlaneChannels;

// Sums of the binning x binning pixels of a strip of cell columns, each
// column laid out as in the plane (red, green, blue per cell), minus the
// oldest ring frame in loop mode. Each zone row is read once, left to right.
template <int B, bool Subtract>
void gatherStrip(const AccumulationPass& a, int x, int columns)
{
    int n = 0;
    for (int y = a.y0; y < a.yEnd; y += B, n += kPlaneChannels) {
        for (int k = 0; k < columns; ++k) {
            const int px = x + k * B;
            int r = 0, g = 0, bl = 0;
            for (int dy = 0; dy < B; ++dy) {
                const uint8_t* p = a.zoneBits + (y + dy) * a.zoneStride + qsizetype(px) * kBytesPerPixel;
                for (int dx = 0; dx < B; ++dx, p += kBytesPerPixel) {
                    r += p[kRed];
                    g += p[kGreen];
                    bl += p[kBlue];
                }
                if constexpr (Subtract) {
                    const uint8_t* q = a.ringBits + (y + dy) * a.ringStride + qsizetype(px) * kBytesPerPixel;
                    for (int dx = 0; dx < B; ++dx, q += kBytesPerPixel) {
                        r -= q[kRed];
                        g -= q[kGreen];
                        bl -= q[kBlue];
                    }
                }
            }
            int16_t* out = a.strip + k * kStripStride + n;
            out[kChannelRed] = int16_t(r);
            out[kChannelGreen] = int16_t(g);
            out[kChannelBlue] = int16_t(bl);
        }
    }
}

#if defined(__SSE2__)
// gatherStrip at 1x1 for a whole strip, eight pixels of a row at a time:
// bytes widened to 16 bits, blue-green-red-unused turned into red, green,
// blue, and each pixel's four words stored at its cell. The fourth word
// lands on the next cell's red, which the next row overwrites; past the
// last row it falls in the spare values at the end of the strip column.
template <bool Subtract>
void gatherFullStrip1x1(const AccumulationPass& a, int x)
{
    static_assert(kStripColumns == 8 && kBlue == 0 && kGreen == 1 && kRed == 2);
    static_assert(kStripStride >= (kPlaneRows - 1) * kPlaneChannels + 1); // room for the last spare word
    const __m128i zero = _mm_setzero_si128();
    int n = 0;
    for (int y = a.y0; y < a.yEnd; ++y, n += kPlaneChannels) {
        const uint8_t* p = a.zoneBits + y * a.zoneStride + qsizetype(x) * kBytesPerPixel;
        const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
        __m128i words[4] = {_mm_unpacklo_epi8(first, zero), _mm_unpackhi_epi8(first, zero),
                            _mm_unpacklo_epi8(second, zero), _mm_unpackhi_epi8(second, zero)};
        if constexpr (Subtract) {
            const uint8_t* q = a.ringBits + y * a.ringStride + qsizetype(x) * kBytesPerPixel;
            const __m128i oldFirst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
            const __m128i oldSecond = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + 16));
            words[0] = _mm_sub_epi16(words[0], _mm_unpacklo_epi8(oldFirst, zero));
            words[1] = _mm_sub_epi16(words[1], _mm_unpackhi_epi8(oldFirst, zero));
            words[2] = _mm_sub_epi16(words[2], _mm_unpacklo_epi8(oldSecond, zero));
            words[3] = _mm_sub_epi16(words[3], _mm_unpackhi_epi8(oldSecond, zero));
        }
        for (int w = 0; w < 4; ++w) {
            // blue, green, red, unused -> red, green, blue, unused in each pixel
            __m128i v = _mm_shufflelo_epi16(words[w], _MM_SHUFFLE(3, 0, 1, 2));
            v = _mm_shufflehi_epi16(v, _MM_SHUFFLE(3, 0, 1, 2));
            int16_t* low = a.strip + (2 * w) * kStripStride + n;
            int16_t* high = low + kStripStride;
            _mm_storel_epi64(reinterpret_cast<__m128i*>(low), v);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(high), _mm_unpackhi_epi64(v, v));
        }
    }
}
#endif

// One pass over the zone, specialised so that the common cases run without
// a test per cell. Each plane column is contiguous in memory: the new
// pixels of a strip of columns are gathered first, then each column is
// added, clamped and copied in one straight loop the compiler vectorises.
template <int B, bool Add, bool Subtract, bool Write, bool Store, bool Inverse>
void runAccumulation(AccumulationPass& a)
{
    int32_t lo = a.lo, hi = a.hi;
    for (int x = a.x0; x < a.xEnd; x += kStripColumns * B) {
        const int columns = std::min(kStripColumns, (a.xEnd - x + B - 1) / B);
        // At 1x1 the AVX2 kernel adds whole strips straight from the frame
        // rows, in blocks of 8 rows; the rows it leaves go the general way.
        int y0 = a.y0;
        if constexpr (Add && B == 1) {
            if (a.avx2 && columns == kStripColumns) {
                const std::size_t first = planeIndex(x, a.y0, 0);
                const qsizetype offset = qsizetype(x) * kBytesPerPixel;
                const uint8_t* ring = Subtract ? a.ringBits + a.y0 * a.ringStride + offset : nullptr;
                y0 += addStrip1x1Avx2(a.sums + first, a.result + first, kPlaneColumnStride, a.yEnd - a.y0,
                                      a.zoneBits + a.y0 * a.zoneStride + offset, a.zoneStride, ring, a.ringStride,
                                      Write, Store, Inverse, lo, hi);
            }
        }
        if (y0 < a.yEnd) {
            AccumulationPass rest = a;
            rest.y0 = y0;
            const int values = ((a.yEnd - y0 + B - 1) / B) * kPlaneChannels;
            if constexpr (Add) {
#if defined(__SSE2__)
                if (B == 1 && columns == kStripColumns && a.yEnd - y0 < kPlaneRows) gatherFullStrip1x1<Subtract>(rest, x);
                else
#endif
                    gatherStrip<B, Subtract>(rest, x, columns);
            }
            for (int k = 0; k < columns; ++k) {
                const std::size_t first = planeIndex((x + k * B) / B, y0 / B, 0);
                int32_t* __restrict cell = a.sums + first;
                int32_t* __restrict out = a.result + first;
                const int16_t* __restrict added = a.strip + k * kStripStride;
                const int done = a.avx2 ? accumulateColumnAvx2(cell, Add ? added : nullptr, out, values, Write,
                                                               Store, Inverse, lo, hi)
                                        : 0;
                for (int i = done; i < values; ++i) {
                    int32_t v = cell[i];
                    if constexpr (Add) v += added[i];
                    v = v < 0 ? 0 : (v > kSumCeiling ? kSumCeiling : v);
                    cell[i] = v;
                    if constexpr (Write) {
                        const int32_t w = Inverse ? kSumCeiling - v : v;
                        if constexpr (Store) out[i] = w;
                        lo = w < lo ? w : lo;
                        hi = w > hi ? w : hi;
                    }
                }
            }
        }
        if (a.afterStrip) a.afterStrip(a.afterStripContext, x, x + columns * B);
    }
    a.lo = lo;
    a.hi = hi;
}

template <int B, bool Add, bool Subtract>
void dispatchWrite(AccumulationPass& a, bool write, bool store, bool inverse)
{
    if (!write) runAccumulation<B, Add, Subtract, false, false, false>(a);
    else if (store && inverse) runAccumulation<B, Add, Subtract, true, true, true>(a);
    else if (store) runAccumulation<B, Add, Subtract, true, true, false>(a);
    else if (inverse) runAccumulation<B, Add, Subtract, true, false, true>(a);
    else runAccumulation<B, Add, Subtract, true, false, false>(a);
}

template <int B>
void dispatchAdd(AccumulationPass& a, bool add, bool subtract, bool write, bool store, bool inverse)
{
    if (!add) dispatchWrite<B, false, false>(a, write, store, inverse);
    else if (subtract) dispatchWrite<B, true, true>(a, write, store, inverse);
    else dispatchWrite<B, true, false>(a, write, store, inverse);
}

} // namespace

void Integrator::accumulate(Plane plane, const Span& s, int b, bool add, bool subtractOldest, bool writeResult,
                            bool storeResult, CorrectionPass* correction)
{
    if (s.xEnd <= s.x0 || s.yEnd <= s.y0) return;
    AccumulationPass a{};
    struct Fused {
        Integrator* self;
        CorrectionPass* pass;
    };
    Fused fused{this, correction};
    if (correction) {
        a.afterStripContext = &fused;
        a.afterStrip = [](void* context, int from, int to) {
            auto* f = static_cast<Fused*>(context);
            f->self->correctColumnsVector(*f->pass, from, to);
        };
    }
    a.sums = planes.sum(plane);
    a.result = planes.result();
    a.strip = strip_.data();
    a.zoneBits = buffers_.zoneFrame.constBits();
    a.zoneStride = buffers_.zoneFrame.bytesPerLine();
    if (subtractOldest) {
        const QImage& oldest = loop_.frame(loop_.loopOldest);
        a.ringBits = oldest.constBits();
        a.ringStride = oldest.bytesPerLine();
    }
    a.x0 = s.x0;
    a.xEnd = s.xEnd;
    a.y0 = s.y0;
    a.yEnd = s.yEnd;
    a.lo = stats.planeMin[plane];
    a.hi = stats.planeMax[plane];
    a.avx2 = avx2();
    const bool inverse = controls_.GRB_Seuils.CKB_Inverse;
    const bool subtract = add && subtractOldest;
    if (b == 2) dispatchAdd<2>(a, add, subtract, writeResult, storeResult, inverse);
    else dispatchAdd<1>(a, add, subtract, writeResult, storeResult, inverse);
    stats.planeMin[plane] = a.lo;
    stats.planeMax[plane] = a.hi;
}

void Integrator::prepareFlatGains()
{
    FlatGains& flatGains = *flatGains_;
    if (flatGains.cells == flatCells_ && std::equal(flatSum_, flatSum_ + 3, flatGains.sum)) return;
    for (int c = 0; c < kPlaneChannels; ++c) {
        const double mean = double(flatSum_[c]) / double(flatCells_);
        flatGains.gain[c][0] = flatGains.gain[c][1] = mean; // no flat signal: scaled by the mean
        for (int f = 2; f < 65536; ++f) flatGains_->gain[c][f] = mean / f;
        flatGains.sum[c] = flatSum_[c];
    }
    flatGains.cells = flatCells_;
}

struct Integrator::CorrectionPass {
    const int32_t* sums;
    int x0, xEnd, cy0, cells, b, dx, dcy0;
    int64_t subNum, subDen, hotFrom, flatCells;
    const int64_t* flatSum;
    int32_t lo, hi;
    bool subtract, smart, flatOn, inverse;
    CorrectionConstants vector; // for correctColumnsVector
};

namespace {

// Whole part of num / den from a floating-point estimate of it, corrected
// with integer products.
inline int64_t exactFloor(double estimate, int64_t num, int64_t den)
{
    // Estimates are never negative here, so truncation is the floor; the
    // estimate is off by far less than one, so one step either way fixes it.
    int64_t q = static_cast<int64_t>(estimate);
    if (q * den > num) --q;
    else if ((q + 1) * den <= num) ++q;
    return q;
}

// Dark amount to subtract for every dark value: floor(d x num / den), built
// once per render by steps instead of a division per cell.
void buildDarkAmounts(int32_t* darkAmounts, int64_t num, int64_t den)
{
    const int64_t step = num / den, rest = num % den;
    int64_t q = 0, r = 0;
    for (int d = 0; d < 65536; ++d) {
        darkAmounts[d] = int32_t(std::min<int64_t>(q, kSumCeiling));
        q += step;
        r += rest;
        if (r >= den) {
            r -= den;
            ++q;
        }
    }
}

} // namespace

// Dark and flat correction of the plane into resultPlane. Every rounding is
// done on exact integers, so whole values stay whole: a 100 % dark taken at
// the same count is removed exactly, a cell at the flat mean is unchanged.
// A floating-point estimate is corrected with integer products, which keeps
// divisions out of the per-cell loop.
template <bool DarkSub, bool DarkSmart, bool FlatOn, bool Inverse>
void Integrator::correctColumns(CorrectionPass& p, const Span& s, int radius)
{
    int32_t lo = p.lo, hi = p.hi;
    for (int x = p.x0; x < p.xEnd; x += p.b) {
        const int cx = x / p.b;
        const int dcx = std::clamp((p.dx + x) / p.b, 0, kPlaneColumns - 1);
        const int32_t* v0 = p.sums + planeIndex(cx, p.cy0, 0);
        const int32_t* d0 = planes.sum(Dark) + planeIndex(dcx, p.dcy0, 0);
        const int32_t* f0 = planes.sum(Flat) + planeIndex(dcx, p.dcy0, 0);
        int32_t* out = planes.result() + planeIndex(cx, p.cy0, 0);
        for (int k = 0; k < p.cells; ++k) {
            for (int c = 0; c < kPlaneChannels; ++c) {
                const int i = k * kPlaneChannels + c;
                int64_t v = v0[i];
                if constexpr (DarkSub) {
                    v -= std::min<int64_t>(v, darkAmounts_[std::clamp(d0[i], 0, kSumCeiling)]);
                }
                if constexpr (DarkSmart) {
                    if (d0[i] >= p.hotFrom) v = hotCellValue(p.sums, s, cx, p.cy0 + k, c, radius, v);
                }
                if constexpr (FlatOn) {
                    const int64_t f = f0[i];
                    const int64_t den = f > 1 ? p.flatCells * f : p.flatCells;
                    v = std::min<int64_t>(exactFloor(double(v) * flatGains_->gain[c][f], p.flatSum[c] * v, den),
                                          kSumCeiling);
                }
                const int32_t written = Inverse ? kSumCeiling - int32_t(v) : int32_t(v);
                out[i] = written;
                lo = std::min(lo, written);
                hi = std::max(hi, written);
            }
        }
    }
    p.lo = lo;
    p.hi = hi;
}


// The same correction as correctColumns without the smart dark, for the
// zone columns [from, to), in blocks of values on processors that allow it;
// the few values left at the end of a column go through the plain formulas.
void Integrator::correctColumnsVector(CorrectionPass& p, int from, int to)
{
    const CorrectionConstants& k = p.vector;
    int32_t lo = p.lo, hi = p.hi;
    const int count = p.cells * kPlaneChannels;
    for (int x = from; x < to; x += p.b) {
        const int cx = x / p.b;
        const int dcx = std::clamp((p.dx + x) / p.b, 0, kPlaneColumns - 1);
        const int32_t* v0 = p.sums + planeIndex(cx, p.cy0, 0);
        const int32_t* d0 = planes.sum(Dark) + planeIndex(dcx, p.dcy0, 0);
        const int32_t* f0 = planes.sum(Flat) + planeIndex(dcx, p.dcy0, 0);
        int32_t* out = planes.result() + planeIndex(cx, p.cy0, 0);
        for (int i = correctColumnAvx2(k, v0, d0, f0, out, count, lo, hi); i < count; ++i) {
            int64_t v = v0[i];
            if (k.dark)
                v -= std::min<int64_t>(v, std::min<int64_t>(std::clamp(d0[i], 0, kSumCeiling) * p.subNum / p.subDen,
                                                            kSumCeiling));
            if (k.flat) {
                const int64_t den = p.flatCells * std::clamp(f0[i], 1, kSumCeiling);
                v = std::min<int64_t>(p.flatSum[i % kPlaneChannels] * v / den, kSumCeiling);
            }
            const int32_t written = k.inverse ? kSumCeiling - int32_t(v) : int32_t(v);
            out[i] = written;
            lo = std::min(lo, written);
            hi = std::max(hi, written);
        }
    }
    p.lo = lo;
    p.hi = hi;
}

// Settings of the correction pass; whether the vector path may run it.
bool Integrator::prepareCorrection(Plane plane, const Span& s, int b, CorrectionPass& p)
{
    const auto& pc = controls_.PNL_Integration;
    const int64_t level = darkLevelHundredths();
    const int64_t darkFrames = std::max<int64_t>(stats.frameCount[Dark], 1);
    const bool darkOn = level > 0 && stats.frameCount[Dark] > 0 && plane != Dark;
    p.smart = darkOn && pc.RDB_Dark_Smart;
    p.subtract = darkOn && !pc.RDB_Dark_Smart;
    // A flat is never divided by itself.
    p.flatOn = controls_.CKB_Active_Flat && plane != Flat;
    p.inverse = controls_.GRB_Seuils.CKB_Inverse;

    p.sums = planes.sum(plane);
    p.x0 = s.x0;
    p.xEnd = s.xEnd;
    p.cy0 = s.cy0;
    p.cells = s.cyEnd - s.cy0;
    p.b = b;
    // Dark and flat cells of the same sensor pixels as the zone cells.
    const Rect& zr = zone_.zoneRect;
    const Rect& dz = zone_.displayZone;
    p.dx = dz.left - zr.left;
    p.dcy0 = std::clamp((dz.top + s.y0 - zr.top) / b, 0, kPlaneRows - p.cells);
    // Subtraction: floor(level% x d x frames / darkFrames).
    p.subNum = level * std::max(0, sumCount(plane));
    p.subDen = 10000 * darkFrames;
    // Smart dark: hot when floor(d / darkFrames) > cellMax - level x (2.56 b^2 - 0.01),
    // compared in units of 1/10000 so that whole thresholds stay whole.
    const int64_t threshold = int64_t(cellMax(b)) * 10000 - level * (256 * b * b - 1);
    p.hotFrom = std::max<int64_t>(0, floorDiv(threshold, 10000) + 1) * darkFrames;
    p.flatCells = std::max<int64_t>(flatCells_, 1);
    p.flatSum = flatSum_;
    p.lo = stats.planeMin[plane];
    p.hi = stats.planeMax[plane];

    // The vector path keeps every product of its divisions below 2^53.
    constexpr int64_t kExact = int64_t(1) << 36, kExactCells = int64_t(1) << 20;
    const bool flatExact = std::all_of(flatSum_, flatSum_ + kPlaneChannels,
                                       [&](int64_t sum) { return sum >= 0 && sum <= kExact; })
                        && p.flatCells <= kExactCells;
    const bool darkExact = p.subNum >= 0 && p.subNum <= kExact && p.subDen <= kExact;
    p.vector.dark = p.subtract;
    p.vector.flat = p.flatOn;
    p.vector.inverse = p.inverse;
    p.vector.darkNum = double(p.subNum);
    p.vector.darkDen = double(p.subDen);
    if (p.subtract && darkExact) {
        // Small ratios divide by a multiplication: with l = ceil(log2 B) and
        // magic = ceil(2^(31 + l) / B), (n x magic) >> (31 + l) = n div B for n < 2^31.
        const int64_t g = std::gcd(p.subNum, p.subDen);
        const int64_t a = p.subNum / g, bDen = p.subDen / g;
        if (a < (int64_t(1) << 15) && bDen <= (int64_t(1) << 17)) {
            int l = 0;
            while ((int64_t(1) << l) < bDen) ++l;
            const int64_t magic = ((int64_t(1) << (31 + l)) + bDen - 1) / bDen;
            p.vector.darkSmall = true;
            p.vector.darkA = int32_t(a);
            p.vector.darkMagic = uint32_t(magic);
            p.vector.darkShift = 31 + l;
        }
    }
    for (int c = 0; c < kPlaneChannels; ++c) p.vector.flatSum[c] = double(flatSum_[c]);
    p.vector.flatCells = double(p.flatCells);
    const bool vector = !p.smart && (flatExact || !p.flatOn) && (darkExact || !p.subtract) && avx2();
    if (p.subtract && !vector) buildDarkAmounts(darkAmounts_.get(), p.subNum, p.subDen);
    return vector;
}

// The correction pass on its own, after the accumulation: the smart dark
// reads neighbouring cells, and without AVX2 the plain loops run.
void Integrator::correct(Plane plane, const Span& s, CorrectionPass& p)
{
    if (p.flatOn) prepareFlatGains();
    const int radius = std::clamp(controls_.PNL_Integration.SPED_RDark, 1, 9);
    using Pass = void (Integrator::*)(CorrectionPass&, const Span&, int);
    // [subtract][smart][flat][inverse]
    static constexpr Pass passes[2][2][2][2] = {
        {{{&Integrator::correctColumns<false, false, false, false>, &Integrator::correctColumns<false, false, false, true>},
          {&Integrator::correctColumns<false, false, true, false>, &Integrator::correctColumns<false, false, true, true>}},
         {{&Integrator::correctColumns<false, true, false, false>, &Integrator::correctColumns<false, true, false, true>},
          {&Integrator::correctColumns<false, true, true, false>, &Integrator::correctColumns<false, true, true, true>}}},
        {{{&Integrator::correctColumns<true, false, false, false>, &Integrator::correctColumns<true, false, false, true>},
          {&Integrator::correctColumns<true, false, true, false>, &Integrator::correctColumns<true, false, true, true>}},
         {{&Integrator::correctColumns<true, true, false, false>, &Integrator::correctColumns<true, true, false, true>},
          {&Integrator::correctColumns<true, true, true, false>, &Integrator::correctColumns<true, true, true, true>}}}};
    (this->*passes[p.subtract][p.smart][p.flatOn][p.inverse])(p, s, radius);
    stats.planeMin[plane] = p.lo;
    stats.planeMax[plane] = p.hi;
}

// Hot cell: mean of the border of the box of columns i - R .. i + R + 1 and
// rows j - R .. j + R, over the border cells inside the summed zone.
int64_t Integrator::hotCellValue(const int32_t* sums, const Span& s, int cx, int cy, int c, int radius,
                                 int64_t fallback)
{
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
    return count > 0 ? sum / count : fallback;
}

void Integrator::mapToResult(const Span& s, int b)
{
    mapping_.prepare(controls_.GRB_Seuils, controls_.TFRM_Equal);
    QImage& image = buffers_.result;

    updateResultSize();

    uint8_t* bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    const int cxEnd = std::min(s.cxEnd, image.width());
    const int cyEnd = std::min(s.cyEnd, image.height());
    // Strips of 16 columns: the plane columns are read in memory order while
    // each image row is written a cache line at a time.
    constexpr int kStrip = 16;
    if (cyEnd > s.cy0) {
        for (int strip = s.cx0; strip < cxEnd; strip += kStrip) {
            const int columns = std::min(kStrip, cxEnd - strip);
            mapping_.mapBlock(planes.result() + planeIndex(strip, s.cy0, 0), std::ptrdiff_t(kPlaneRows) * kPlaneChannels,
                              columns, cyEnd - s.cy0, bits + s.cy0 * stride + strip * kBytesPerPixel, stride);
        }
    }
    // Zone cells outside the frame hold no light: shown black, whatever an
    // earlier render (a dark or flat master, another zone) left there.
    const int shownWidth = buffers_.resultWidth, shownHeight = buffers_.resultHeight;
    const int mappedTop = std::min(s.cy0, shownHeight), mappedBottom = std::clamp(cyEnd, mappedTop, shownHeight);
    const int mappedLeft = std::min(s.cx0, shownWidth), mappedRight = std::clamp(cxEnd, mappedLeft, shownWidth);
    renderedCells_ = {mappedLeft, mappedTop, mappedRight, mappedBottom};
    for (int y = 0; y < shownHeight; ++y) {
        uint8_t* row = bits + y * stride;
        if (y < mappedTop || y >= mappedBottom || mappedRight <= mappedLeft) {
            std::memset(row, 0, std::size_t(shownWidth) * kBytesPerPixel);
            continue;
        }
        std::memset(row, 0, std::size_t(mappedLeft) * kBytesPerPixel);
        std::memset(row + mappedRight * kBytesPerPixel, 0, std::size_t(shownWidth - mappedRight) * kBytesPerPixel);
    }

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
    const qint64 t0 = clock_.steadyMs();
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
            // This frame is the first one: the plane starts empty.
            planes.zero(plane);
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

    const bool darkOn = darkLevelHundredths() > 0;
    const bool flatOn = controls_.CKB_Active_Flat && plane != Flat;
    const bool corrected = darkOn || flatOn;
    const Span span = accumulationSpan(b, loop && ringReady);
    // The vector correction runs on each strip of columns right after its
    // sums, while they are still in the cache.
    CorrectionPass correction{};
    const bool correcting = render && corrected;
    const bool fuse = correcting && prepareCorrection(plane, span, b, correction);
    // resultPlane holds the values of the last render: a pass that does not
    // render keeps only the range of the values it would write.
    accumulate(plane, span, b, add, subtractOldest, !corrected, render, fuse ? &correction : nullptr);
    if (fuse) {
        stats.planeMin[plane] = correction.lo;
        stats.planeMax[plane] = correction.hi;
    }
    timings_.EDT_Temps_addition = elapsedSince(t0);

    const qint64 t1 = clock_.steadyMs();
    if (correcting && !fuse) correct(plane, span, correction);
    showRange(plane);
    timings_.EDT_Temps_Dark_Flat = elapsedSince(t1);

    const qint64 t2 = clock_.steadyMs();
    if (controls_.GRB_Seuils.CKB_Seuils_Evol) Thresholds::applyEvolving(controls_.GRB_Seuils);
    view_->thresholdsChanged();
    if (plane == Flat && !controls_.PNL_Integration.CKB_Active_Flat_Enabled) {
        controls_.PNL_Integration.CKB_Active_Flat_Enabled = true;
        view_->integrationStateChanged();
    }
    timings_.EDT_Temps_Seuils = elapsedSince(t2);

    const qint64 t3 = clock_.steadyMs();
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
    const int columns = std::max(0, w / b);
    const int rows = std::max(0, h / b);
    int64_t sum[3] = {0, 0, 0};
    for (int x = 0; x < columns; ++x)
        for (int y = 0; y < rows; ++y)
            for (int c = 0; c < kPlaneChannels; ++c) sum[c] += planes.sum(Flat)[planeIndex(x, y, c)];
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
        const int h = static_cast<int>(roundHalfEven(w / kLoopAspect));
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
    view_->zoneSliderChanged(zoneSliderMaximum(), zoneSliderPosition(), false);
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
    view_->zoneSliderChanged(zoneSliderMaximum(), zoneSliderPosition(), true);
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
        planes.zero(Dark);
        pc.SCB_Seuil_dark = 100;
        controls_.TNI_MaxDark = 0;
        previousDarkLevel_ = 0;
        stats.darkMeanMin = stats.darkMeanMax = 0;
    } else if (mode.CKB_Integration && mode.RDB_Flat) {
        planes.zero(Flat);
        pc.TNI_MaxFlat = 0;
        pc.CKB_Active_Flat_Enabled = false;
        controls_.CKB_Active_Flat = false;
    } else {
        planes.zero(Light);
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
    const int position = std::min(kLoopZoneMaxWidth, zoneSliderPosition());
    controls_.TNI_Taille_ZAffich = position;
    view_->zoneSliderChanged(kLoopZoneMaxWidth, position, true);
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
    // Only a live single frame is taken back: after the source stopped the
    // result image is a stretched stack, and a stack is never overwritten.
    const bool liveFrame = sourceRunning_ && stats.frameCount[Light] <= 1;
    if (!integrating && previousDarkLevel_ == 0 && liveFrame && buffers_.created()) {
        // The shown frame went straight to the result image: take it back
        // through the planes so the new level applies to it.
        copyRect(buffers_.result, {0, 0, buffers_.result.width(), buffers_.result.height()},
                 buffers_.result.width(), buffers_.result.height(), buffers_.zoneFrame, {0, 0});
        IntegrateAndRender(Light, true, true, true);
    }
    IntegrateAndRender(Light, false, !integrating, true);
    // Whole part, not RoundDown: a level of 1 must not count as "no dark".
    previousDarkLevel_ = static_cast<int>(std::trunc(controls_.TNI_MaxDark));
}

void Integrator::BTN_AjouterClick()
{
    // Offered only while the integration box is checked.
    if (!controls_.integration.CKB_Integration) return;
    IntegrateAndRender(CurrentPlane(controls_.integration), true, false, flags_.permanentView);
}

} // namespace velumbra

#include "processing/DisplayMapping.h"
#include "core/Rounding.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <type_traits>

namespace velumbra {

namespace {
constexpr int kBytesPerWord = 4;
inline uint32_t clampLevelIndex(int32_t v) { return static_cast<uint32_t>(v < 0 ? 0 : (v > 65535 ? 65535 : v)); }
} // namespace

int DisplayMapping::linearLevel(int32_t v, int lo, int span)
{
    const int64_t d = int64_t(v) - lo;
    if (d < 0) return 0;
    return int(std::min<int64_t>((d * 256) / span, 255));
}

void DisplayMapping::mapBlock(const int32_t* cells, std::ptrdiff_t columnStride, int columns, int rows,
                              uint8_t* pixels, std::ptrdiff_t rowStride) const
{
    if (linear_ && columns >= 8 && rows >= 8 && avx2Allowed_ && planeAvx2Supported()) {
        // Whole blocks of 8 x 8 cells by vectors, then the right columns
        // and the bottom rows one pixel at a time.
        const int wide = columns & ~7, tall = rows & ~7;
        mapBlocksAvx2(vector_, cells, columnStride, wide, tall, pixels, rowStride);
        if (wide < columns)
            mapPixels(cells + wide * columnStride, columnStride, columns - wide, tall, pixels + wide * kBytesPerWord,
                      rowStride);
        if (tall < rows)
            mapPixels(cells + std::ptrdiff_t(tall) * 3, columnStride, columns, rows - tall, pixels + tall * rowStride,
                      rowStride);
        return;
    }
    mapPixels(cells, columnStride, columns, rows, pixels, rowStride);
}

void DisplayMapping::mapPixels(const int32_t* cells, std::ptrdiff_t columnStride, int columns, int rows,
                               uint8_t* pixels, std::ptrdiff_t rowStride) const
{
    // Pixels are built as words: blue, green, red, then the unused byte.
    static_assert(std::endian::native == std::endian::little);
    const uint8_t* table = table_.data();
    const uint32_t maskRed = maskRed_, maskGreen = maskGreen_, maskBlue = maskBlue_, greyScale = greyScale_;
    const auto run = [&](auto grey) {
        for (int r = 0; r < rows; ++r, pixels += rowStride) {
            const int32_t* cell = cells + std::ptrdiff_t(r) * 3;
            uint8_t* out = pixels;
            for (int k = 0; k < columns; ++k, cell += columnStride, out += kBytesPerWord) {
                uint32_t r = uint32_t(cell[0]), g = uint32_t(cell[1]), b = uint32_t(cell[2]);
                if ((r | g | b) > 65535u) { // a value outside 0..65535: clamp each
                    r = clampLevelIndex(cell[0]);
                    g = clampLevelIndex(cell[1]);
                    b = clampLevelIndex(cell[2]);
                }
                const uint32_t red = table[r] & maskRed;
                const uint32_t green = table[g] & maskGreen;
                const uint32_t blue = table[b] & maskBlue;
                uint32_t word;
                if constexpr (decltype(grey)::value) {
                    word = (((red + green + blue) * greyScale) >> 16) * 0x010101u;
                } else {
                    word = blue | (green << 8) | (red << 16);
                }
                uint32_t old;
                std::memcpy(&old, out, sizeof old);
                word |= old & 0xff000000u;
                std::memcpy(out, &word, sizeof word);
            }
        }
    };
    if (grey_) run(std::true_type{});
    else run(std::false_type{});
}

std::array<uint8_t, 256> DisplayMapping::equalizerCurve(const EqualizerControls& eq)
{
    // Control points at 1/11 .. 10/11 of the level range; the ends stay
    // fixed at black and white so the thresholds keep their meaning.
    constexpr int kPoints = EqualizerControls::kBands + 2;
    double px[kPoints], py[kPoints];
    px[0] = py[0] = 0.0;
    px[kPoints - 1] = py[kPoints - 1] = 255.0;
    for (int k = 0; k < EqualizerControls::kBands; ++k) {
        const double x = 255.0 * (k + 1) / (EqualizerControls::kBands + 1);
        const int slider = std::clamp(eq.TRKB_EQ[size_t(k)], 0, 100);
        const double gain = std::exp2((slider - EqualizerControls::kNeutral) / 25.0);
        px[k + 1] = x;
        py[k + 1] = std::clamp(x * gain, 0.0, 255.0);
    }
    std::array<uint8_t, 256> curve{};
    int seg = 0;
    for (int o = 0; o < 256; ++o) {
        while (seg < kPoints - 2 && o > px[seg + 1]) ++seg;
        const double t = (o - px[seg]) / (px[seg + 1] - px[seg]);
        const double y = py[seg] + t * (py[seg + 1] - py[seg]);
        curve[size_t(o)] = uint8_t(std::clamp<long>(std::lround(y), 0, 255));
    }
    return curve;
}

void DisplayMapping::prepare(const ThresholdControls& s, const EqualizerControls& eq)
{
    const int lo = s.SCB_Minimum;
    int span = std::abs(s.SCB_Maximum - lo);
    if (span == 0) span = 1;
    std::array<uint8_t, 256> curve;
    if (eq.CKB_EQ) {
        curve = equalizerCurve(eq);
    } else {
        for (int k = 0; k < 256; ++k) curve[size_t(k)] = uint8_t(k);
    }
    // Level k starts at the first value v with (v - lo) x 256 >= k x span:
    // fill the table by runs, one division per level instead of per value.
    int64_t start = 0;
    for (int k = 0; k < 256; ++k) {
        const int64_t next = k == 255 ? 65536 : std::clamp<int64_t>(lo + ((int64_t(k) + 1) * span + 255) / 256, 0, 65536);
        if (next > start) {
            std::fill(table_.begin() + start, table_.begin() + next, curve[size_t(k)]);
            start = next;
        }
    }
    grey_ = s.RDB_NB;
    maskRed_ = s.CKB_Red ? 0xff : 0;
    maskGreen_ = s.CKB_Green ? 0xff : 0;
    maskBlue_ = s.CKB_Blue ? 0xff : 0;
    const int n = int(s.CKB_Red) + int(s.CKB_Green) + int(s.CKB_Blue);
    greyScale_ = n == 0 ? 0 : (65536 + n - 1) / n;

    // Without the tone curve the blocks compute the levels: span division
    // by a multiplication, exact for numerators below 2^31 (see mapBlocksAvx2).
    linear_ = !eq.CKB_EQ && lo >= 0 && lo <= 65535 && span <= 65535;
    if (linear_) {
        int l = 0;
        while ((1 << l) < span) ++l;
        vector_.lo = lo;
        vector_.magic = uint32_t(((int64_t(1) << (31 + l)) + span - 1) / span);
        vector_.shift = 31 + l;
        vector_.maskRed = maskRed_;
        vector_.maskGreen = maskGreen_;
        vector_.maskBlue = maskBlue_;
        vector_.grey = grey_;
        vector_.greyScale = greyScale_;
    }
}

namespace Thresholds {

namespace {
int wholePart(double v) { return static_cast<int>(std::trunc(v)); }
int clampPosition(int v) { return std::clamp(v, 0, 65535); }
} // namespace

bool SCB_MaximumScroll(ThresholdControls& s, int position, bool loadingSettings)
{
    if (s.CKB_Seuils_Evol) s.thresholdRatioMax = position / std::max(0.001, s.TNI_Max);
    s.SCB_Maximum = position;
    s.TNI_Seuil_Max = position;
    return !loadingSettings;
}

bool SCB_MinimumScroll(ThresholdControls& s, int position, bool loadingSettings)
{
    if (s.CKB_Seuils_Evol) s.thresholdRatioMin = position / std::max(0.001, s.TNI_Min);
    s.SCB_Minimum = position;
    s.TNI_Seuil_Min = position;
    return !loadingSettings;
}

namespace {
// Keeps a threshold inside its scroll bar's bounds (an upper bound below the
// lower one counts as the lower one), with its field showing the same value.
bool keepInBounds(int& position, double& field, int lowest, int highest)
{
    const int kept = std::clamp(position, lowest, std::max(lowest, highest));
    if (kept == position) return false;
    position = kept;
    field = kept;
    return true;
}
bool keepMinimumInBounds(ThresholdControls& s)
{
    return keepInBounds(s.SCB_Minimum, s.TNI_Seuil_Min, s.SCB_Minimum_Min, s.SCB_Minimum_Max);
}
bool keepMaximumInBounds(ThresholdControls& s)
{
    return keepInBounds(s.SCB_Maximum, s.TNI_Seuil_Max, s.SCB_Maximum_Min, s.SCB_Maximum_Max);
}
} // namespace

bool TNI_Seuil_MaxExit(ThresholdControls& s, bool loadingSettings, bool permanentView)
{
    s.SCB_Maximum = RoundDown(s.TNI_Seuil_Max);
    keepMaximumInBounds(s);
    if (s.CKB_Seuils_Evol) s.thresholdRatioMax = s.SCB_Maximum / double(std::max(1, wholePart(s.TNI_Max)));
    return !loadingSettings && permanentView;
}

bool TNI_Seuil_MinExit(ThresholdControls& s, bool loadingSettings, bool permanentView)
{
    s.SCB_Minimum = RoundDown(s.TNI_Seuil_Min);
    keepMinimumInBounds(s);
    if (s.CKB_Seuils_Evol) s.thresholdRatioMin = s.SCB_Minimum / double(std::max(1, wholePart(s.TNI_Min)));
    return !loadingSettings && permanentView;
}

bool TNI_Seuil_MinMinExit(ThresholdControls& s)
{
    s.SCB_Minimum_Min = clampPosition(RoundDown(s.TNI_Seuil_MinMin));
    return keepMinimumInBounds(s);
}
bool TNI_Seuil_MinMaxExit(ThresholdControls& s)
{
    s.SCB_Minimum_Max = clampPosition(RoundDown(s.TNI_Seuil_MinMax));
    return keepMinimumInBounds(s);
}
bool TNI_Seuil_MaxMinExit(ThresholdControls& s)
{
    s.SCB_Maximum_Min = clampPosition(RoundDown(s.TNI_Seuil_MaxMin));
    return keepMaximumInBounds(s);
}
bool TNI_Seuil_MaxMaxExit(ThresholdControls& s)
{
    s.SCB_Maximum_Max = clampPosition(RoundDown(s.TNI_Seuil_MaxMax));
    return keepMaximumInBounds(s);
}

bool CKB_Seuils_EvolClick(ThresholdControls& s, bool initialised)
{
    if (!initialised || !s.CKB_Seuils_Evol) return false;
    s.thresholdRatioMin = s.thresholdRatioMax = 1.0;
    return true;
}

void applyEvolving(ThresholdControls& s)
{
    const int hi = int(std::min<double>(65535, std::trunc(std::max(0.001, s.TNI_Max) * s.thresholdRatioMax)));
    if (s.TNI_Seuil_MaxMax < hi) {
        s.TNI_Seuil_MaxMax = std::min(65535, 2 * hi);
        s.SCB_Maximum_Max = wholePart(s.TNI_Seuil_MaxMax);
    }
    s.SCB_Maximum = hi;
    s.TNI_Seuil_Max = hi;

    const int lo = int(std::min<double>(65535, std::trunc(std::max(0.001, s.TNI_Min) * s.thresholdRatioMin)));
    if (s.TNI_Seuil_MinMax < lo) {
        s.TNI_Seuil_MinMax = std::min(65535, 2 * lo);
        s.SCB_Minimum_Max = wholePart(s.TNI_Seuil_MinMax);
    }
    s.SCB_Minimum = lo;
    s.TNI_Seuil_Min = lo;
    // A threshold that falls below its bar's lower bound stays at the bound.
    keepMaximumInBounds(s);
    keepMinimumInBounds(s);
}

} // namespace Thresholds

} // namespace velumbra

#pragma once
#include "processing/IntegrationControls.h"
#include "processing/PlaneKernels.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace velumbra {

// Maps corrected plane values (0..65535) to 8-bit display levels: a linear
// stretch between the two thresholds, optionally shaped by the equalizer.
class DisplayMapping {
public:
    // Rebuilds the table from the thresholds and the equalizer; called once
    // per render, never per cell.
    void prepare(const ThresholdControls& seuils, const EqualizerControls& eq);

    // Linear level of one value: 0 at or below lo, 255 from lo + span on.
    static int linearLevel(int32_t v, int lo, int span);

    uint8_t level(int32_t v) const
    {
        return table_[static_cast<uint32_t>(v < 0 ? 0 : (v > 65535 ? 65535 : v))];
    }

    // Composes the output pixel bytes (blue, green, red) of one cell.
    void pixel(int32_t red, int32_t green, int32_t blue, uint8_t* bgr) const
    {
        const unsigned r = level(red) & maskRed_, g = level(green) & maskGreen_, b = level(blue) & maskBlue_;
        if (grey_) {
            // Mean of the checked channels: sum x (65536 / n), exact for sums up to 765.
            const uint8_t v = uint8_t(((r + g + b) * greyScale_) >> 16);
            bgr[0] = bgr[1] = bgr[2] = v;
        } else {
            bgr[0] = uint8_t(b);
            bgr[1] = uint8_t(g);
            bgr[2] = uint8_t(r);
        }
    }

    // Maps a block of cells into 32-bit pixels: `columns` cell columns
    // `columnStride` values apart, `rows` cells of three channels down each,
    // to the first `columns` pixels of `rows` image rows `rowStride` bytes
    // apart. Same bytes as pixel(); the unused fourth byte is kept.
    void mapBlock(const int32_t* cells, std::ptrdiff_t columnStride, int columns, int rows, uint8_t* pixels,
                  std::ptrdiff_t rowStride) const;

    // Tone curve of the equalizer on linear levels: ten control points over
    // the span, each slider scaling its point (50 = unchanged, 100 = x4,
    // 0 = /4); levels between points are interpolated linearly.
    static std::array<uint8_t, 256> equalizerCurve(const EqualizerControls& eq);

    // Whether the vector kernels may run (when the processor has them).
    void allowAvx2(bool allowed) { avx2Allowed_ = allowed; }

private:
    void mapPixels(const int32_t* cells, std::ptrdiff_t columnStride, int columns, int rows, uint8_t* pixels,
                   std::ptrdiff_t rowStride) const;

    std::array<uint8_t, 65536> table_{};
    bool grey_ = false;
    unsigned maskRed_ = 0xff, maskGreen_ = 0xff, maskBlue_ = 0xff;
    unsigned greyScale_ = 0; // 65536 / checked channels, rounded up; 0 with none
    bool linear_ = false;    // no tone curve: the levels follow the formula
    MappingConstants vector_;
    bool avx2Allowed_ = true;
};

// Threshold handlers of the "Seuils" group. Each returns whether the result
// must be rendered again (without adding a frame).
namespace Thresholds {

bool SCB_MaximumScroll(ThresholdControls& s, int position, bool loadingSettings);
bool SCB_MinimumScroll(ThresholdControls& s, int position, bool loadingSettings);
bool TNI_Seuil_MaxExit(ThresholdControls& s, bool loadingSettings, bool permanentView);
bool TNI_Seuil_MinExit(ThresholdControls& s, bool loadingSettings, bool permanentView);
// A new bound moves a threshold outside it onto it; these return whether a
// threshold moved (the result must then be rendered again).
bool TNI_Seuil_MinMinExit(ThresholdControls& s);
bool TNI_Seuil_MinMaxExit(ThresholdControls& s);
bool TNI_Seuil_MaxMinExit(ThresholdControls& s);
bool TNI_Seuil_MaxMaxExit(ThresholdControls& s);
bool CKB_Seuils_EvolClick(ThresholdControls& s, bool initialised);

// Evolving thresholds: after a render showed the new range in TNI_Min and
// TNI_Max, move both thresholds to keep the user's proportion, doubling a
// scroll bar's upper bound when the threshold outgrows it.
void applyEvolving(ThresholdControls& s);

} // namespace Thresholds

} // namespace velumbra

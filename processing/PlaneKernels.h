#pragma once
#include <cstddef>
#include <cstdint>

namespace velumbra {

// Whether this processor has the AVX2 kernels below (defined in a file
// built for any x86-64). Their users may still turn them off.
bool planeAvx2Supported();

// Constants of one correction pass, shared by every column.
struct CorrectionConstants {
    bool dark = false;    // subtract min(floor(clamp(d, 0, 65535) x darkNum / darkDen), 65535), never below 0
    bool flat = false;    // floor(flatSum[c] x v / (flatCells x clamp(f, 1, 65535))), at most 65535
    bool inverse = false; // write 65535 - v
    double darkNum = 0, darkDen = 1;
    // With darkNum / darkDen = darkA / darkB in lowest terms, darkA < 2^15 and
    // darkB <= 2^17: floor(d x darkA / darkB) = (d x darkA x darkMagic) >> darkShift.
    bool darkSmall = false;
    int32_t darkA = 0;
    uint32_t darkMagic = 0;
    int darkShift = 0;
    double flatSum[3] = {0, 0, 0};
    double flatCells = 1;
};

// Corrects the first values of one plane column (red, green, blue per
// cell, starting with red) into out, widening lo and hi with each written
// value. Works in whole blocks of 24 values and returns how many it did;
// the caller finishes the rest. The divisions are exact as long as darkNum,
// darkDen, flatSum and flatCells x 65535 stay below 2^36.
int correctColumnAvx2(const CorrectionConstants& k, const int32_t* sums, const int32_t* dark, const int32_t* flat,
                      int32_t* out, int count, int32_t& lo, int32_t& hi);

// The accumulation of one plane column, for the first values only (whole
// blocks of 8; returns how many): adds the new values (none when added is
// null), clamps the sums to 0..65535 in place and, with write, widens lo and
// hi with the values to write (65535 - sum with inverse), storing them in
// out when store is set.
int accumulateColumnAvx2(int32_t* sums, const int16_t* added, int32_t* out, int count, bool write, bool store,
                         bool inverse, int32_t& lo, int32_t& hi);

// Adds a strip of 8 cell columns at 1x1 straight from the frame rows:
// blocks of 8 rows x 8 pixels are transposed in registers, so each plane
// column (columnStride values apart, starting at its first row) is read and
// written once while the frame rows stream through. pixels points at the
// strip's first pixel; with ring, that frame's pixels at the same place
// are subtracted. Sums are clamped to 0..65535 in place and, with write,
// lo and hi widened with the values to write (65535 - sum with inverse),
// stored in out (same layout as sums) when store is set. Does whole blocks
// of 8 rows only and returns how many rows it did; the caller adds the rest.
int addStrip1x1Avx2(int32_t* sums, int32_t* out, std::ptrdiff_t columnStride, int rows, const uint8_t* pixels,
                    std::ptrdiff_t pixelStride, const uint8_t* ring, std::ptrdiff_t ringStride, bool write, bool store,
                    bool inverse, int32_t& lo, int32_t& hi);

// The linear mapping without the equalizer: level = min((v - lo) x 256 div
// span, 255), 0 below lo, v first clamped to 0..65535; (n x magic) >> shift
// is n div span. The pixel is blue, green, red (masked) or their grey mean
// ((sum x greyScale) >> 16), the unused byte of the image kept.
struct MappingConstants {
    int32_t lo = 0; // 0..65535
    uint32_t magic = 0;
    int shift = 0;
    uint32_t maskRed = 0xff, maskGreen = 0xff, maskBlue = 0xff;
    bool grey = false;
    uint32_t greyScale = 0;
};

// Maps the blocks of 8 x 8 cells in the first columns & ~7 columns and
// rows & ~7 rows (cell columns columnStride values apart, rows 3 values
// apart) into the image rows rowStride bytes apart; the caller maps the rest.
void mapBlocksAvx2(const MappingConstants& m, const int32_t* cells, std::ptrdiff_t columnStride, int columns, int rows,
                   uint8_t* pixels, std::ptrdiff_t rowStride);

} // namespace velumbra

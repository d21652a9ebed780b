#pragma once
#include <cstdint>

namespace velumbra {

// Constants of one correction pass, shared by every column.
struct CorrectionConstants {
    bool dark = false;    // subtract darkAmounts[clamp(d, 0, 65535)], never below 0
    bool flat = false;    // floor(flatSum[c] x v / (flatCells x max(f, 1))), at most 65535
    bool inverse = false; // write 65535 - v
    const int32_t* darkAmounts = nullptr;
    double flatSum[3] = {0, 0, 0};
    double flatCells = 1;
};

// Corrects the first values of one plane column (red, green, blue per
// cell, starting with red) into out, widening lo and hi with each written
// value. Works in whole blocks of 24 values and returns how many it did;
// the caller finishes the rest. The flat division is exact as long as
// flatSum x 65535 and flatCells x 65535 stay below 2^53.
int correctColumnAvx2(const CorrectionConstants& k, const int32_t* sums, const int32_t* dark, const int32_t* flat,
                      int32_t* out, int count, int32_t& lo, int32_t& hi);

} // namespace velumbra

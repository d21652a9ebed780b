// Built with AVX2 code generation: call only after checking the processor.
// Nothing here may be an inline function shared with other files.
#include "processing/PlaneKernels.h"

#if defined(__AVX2__)
#include <immintrin.h>

namespace velumbra {

namespace {

// Exact floor(v x a / (f x b)) from an estimate q that is off by at most
// one: every product below is a whole number under 2^53, so exact in doubles.
inline __m128i exactQuotient(__m128i v, __m128i f, __m128i q, __m256d a, __m256d b)
{
    const __m256d one = _mm256_set1_pd(1.0);
    const __m256d num = _mm256_mul_pd(_mm256_cvtepi32_pd(v), a);
    const __m256d den = _mm256_mul_pd(_mm256_cvtepi32_pd(f), b);
    __m256d qd = _mm256_cvtepi32_pd(q);
    const __m256d product = _mm256_mul_pd(qd, den);
    const __m256d tooHigh = _mm256_cmp_pd(product, num, _CMP_GT_OQ);
    const __m256d tooLow = _mm256_cmp_pd(_mm256_add_pd(product, den), num, _CMP_LE_OQ);
    qd = _mm256_sub_pd(qd, _mm256_and_pd(tooHigh, one));
    qd = _mm256_add_pd(qd, _mm256_and_pd(tooLow, one));
    return _mm256_cvttpd_epi32(qd);
}

// Lanes whose estimate might not have the whole part of the true quotient:
// those nearer a whole number than the estimate's error (under a millionth
// of its size). Elsewhere the estimate's whole part is the exact quotient.
inline int uncertainLanes(__m256 estimate)
{
    const __m256 fraction = _mm256_sub_ps(estimate, _mm256_floor_ps(estimate));
    const __m256 bound = _mm256_mul_ps(estimate, _mm256_set1_ps(1e-6f));
    const __m256 nearLow = _mm256_cmp_ps(fraction, bound, _CMP_LT_OQ);
    const __m256 nearHigh = _mm256_cmp_ps(fraction, _mm256_sub_ps(_mm256_set1_ps(1.0f), bound), _CMP_GT_OQ);
    return _mm256_movemask_ps(_mm256_or_ps(nearLow, nearHigh));
}

// floor(n x magic / 2^shift) for n < 2^31, in 64-bit products of the even
// and the odd lanes.
inline __m256i divideByMagic(__m256i n, __m256i magic, __m128i shift)
{
    const __m256i even = _mm256_srl_epi64(_mm256_mul_epu32(n, magic), shift);
    const __m256i odd = _mm256_srl_epi64(_mm256_mul_epu32(_mm256_srli_epi64(n, 32), magic), shift);
    return _mm256_blend_epi32(even, _mm256_slli_epi64(odd, 32), 0xaa);
}

template <bool Dark, bool Flat, bool Inverse>
int run(const CorrectionConstants& k, const int32_t* sums, const int32_t* dark, const int32_t* flat, int32_t* out,
        int count, int32_t& lo, int32_t& hi)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i ceiling = _mm256_set1_epi32(65535);
    const __m256i one = _mm256_set1_epi32(1);
    const __m256 two = _mm256_set1_ps(2.0f);
    const __m256 estimateCap = _mm256_set1_ps(65536.0f);
    const __m256d flatCells = _mm256_set1_pd(k.flatCells);
    const __m256d darkNum = _mm256_set1_pd(k.darkNum), darkDen = _mm256_set1_pd(k.darkDen);
    const __m256 darkRatio = _mm256_set1_ps(float(k.darkNum / k.darkDen));
    const __m256i darkA = _mm256_set1_epi32(k.darkA);
    const __m256i darkMagic = _mm256_set1_epi32(int32_t(k.darkMagic));
    const __m128i darkShift = _mm_cvtsi32_si128(k.darkShift);
    // The channel of each lane in the three vectors of a 24-value block.
    __m256 scale[3];
    __m256d sumLow[3], sumHigh[3];
    for (int j = 0; j < 3; ++j) {
        alignas(32) float s[8];
        alignas(32) double d[8];
        for (int l = 0; l < 8; ++l) {
            const int c = (8 * j + l) % 3;
            d[l] = k.flatSum[c];
            s[l] = float(k.flatSum[c] / k.flatCells);
        }
        scale[j] = _mm256_load_ps(s);
        sumLow[j] = _mm256_load_pd(d);
        sumHigh[j] = _mm256_load_pd(d + 4);
    }
    __m256i vlo = _mm256_set1_epi32(lo), vhi = _mm256_set1_epi32(hi);
    int i = 0;
    for (; i + 24 <= count; i += 24) {
        for (int j = 0; j < 3; ++j) {
            const int at = i + 8 * j;
            __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sums + at));
            if constexpr (Dark) {
                __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dark + at));
                d = _mm256_min_epi32(_mm256_max_epi32(d, zero), ceiling);
                __m256i amount;
                if (k.darkSmall) {
                    amount = divideByMagic(_mm256_mullo_epi32(d, darkA), darkMagic, darkShift);
                } else {
                    __m256 estimate = _mm256_mul_ps(_mm256_cvtepi32_ps(d), darkRatio);
                    estimate = _mm256_min_ps(estimate, estimateCap);
                    amount = _mm256_cvttps_epi32(estimate);
                    if (uncertainLanes(estimate)) {
                        const __m128i ones = _mm256_castsi256_si128(one);
                        const __m128i low = exactQuotient(_mm256_castsi256_si128(d), ones,
                                                          _mm256_castsi256_si128(amount), darkNum, darkDen);
                        const __m128i high = exactQuotient(_mm256_extracti128_si256(d, 1), ones,
                                                           _mm256_extracti128_si256(amount, 1), darkNum, darkDen);
                        amount = _mm256_set_m128i(high, low);
                    }
                }
                amount = _mm256_min_epi32(amount, ceiling);
                v = _mm256_sub_epi32(v, _mm256_min_epi32(v, amount));
            }
            if constexpr (Flat) {
                __m256i f = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(flat + at));
                f = _mm256_min_epi32(_mm256_max_epi32(f, one), ceiling);
                // Estimate within a few millionths: reciprocal and one Newton step.
                const __m256 ff = _mm256_cvtepi32_ps(f);
                __m256 r = _mm256_rcp_ps(ff);
                r = _mm256_mul_ps(r, _mm256_sub_ps(two, _mm256_mul_ps(ff, r)));
                __m256 estimate = _mm256_mul_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(v), scale[j]), r);
                estimate = _mm256_min_ps(estimate, estimateCap);
                __m256i q = _mm256_cvttps_epi32(estimate);
                if (uncertainLanes(estimate)) {
                    const __m128i low = exactQuotient(_mm256_castsi256_si128(v), _mm256_castsi256_si128(f),
                                                      _mm256_castsi256_si128(q), sumLow[j], flatCells);
                    const __m128i high = exactQuotient(_mm256_extracti128_si256(v, 1), _mm256_extracti128_si256(f, 1),
                                                       _mm256_extracti128_si256(q, 1), sumHigh[j], flatCells);
                    q = _mm256_set_m128i(high, low);
                }
                v = _mm256_min_epi32(q, ceiling);
            }
            if constexpr (Inverse) v = _mm256_sub_epi32(ceiling, v);
            vlo = _mm256_min_epi32(vlo, v);
            vhi = _mm256_max_epi32(vhi, v);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + at), v);
        }
    }
    alignas(32) int32_t l8[8], h8[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(l8), vlo);
    _mm256_store_si256(reinterpret_cast<__m256i*>(h8), vhi);
    for (int l = 0; l < 8; ++l) {
        lo = l8[l] < lo ? l8[l] : lo;
        hi = h8[l] > hi ? h8[l] : hi;
    }
    return i;
}

using Kernel = int (*)(const CorrectionConstants&, const int32_t*, const int32_t*, const int32_t*, int32_t*, int,
                       int32_t&, int32_t&);

} // namespace

int correctColumnAvx2(const CorrectionConstants& k, const int32_t* sums, const int32_t* dark, const int32_t* flat,
                      int32_t* out, int count, int32_t& lo, int32_t& hi)
{
    // [dark][flat][inverse]
    static constexpr Kernel kernels[2][2][2] = {
        {{&run<false, false, false>, &run<false, false, true>}, {&run<false, true, false>, &run<false, true, true>}},
        {{&run<true, false, false>, &run<true, false, true>}, {&run<true, true, false>, &run<true, true, true>}}};
    return kernels[k.dark][k.flat][k.inverse](k, sums, dark, flat, out, count, lo, hi);
}

namespace {

template <bool Add, bool Write, bool Store, bool Inverse>
int accumulate(int32_t* sums, const int16_t* added, int32_t* out, int count, int32_t& lo, int32_t& hi)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i ceiling = _mm256_set1_epi32(65535);
    __m256i vlo = _mm256_set1_epi32(lo), vhi = _mm256_set1_epi32(hi);
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sums + i));
        if constexpr (Add) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(added + i));
            v = _mm256_add_epi32(v, _mm256_cvtepi16_epi32(a));
        }
        v = _mm256_min_epi32(_mm256_max_epi32(v, zero), ceiling);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(sums + i), v);
        if constexpr (Write) {
            const __m256i w = Inverse ? _mm256_sub_epi32(ceiling, v) : v;
            if constexpr (Store) _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), w);
            vlo = _mm256_min_epi32(vlo, w);
            vhi = _mm256_max_epi32(vhi, w);
        }
    }
    if constexpr (Write) {
        alignas(32) int32_t l8[8], h8[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(l8), vlo);
        _mm256_store_si256(reinterpret_cast<__m256i*>(h8), vhi);
        for (int l = 0; l < 8; ++l) {
            lo = l8[l] < lo ? l8[l] : lo;
            hi = h8[l] > hi ? h8[l] : hi;
        }
    }
    return i;
}

using AccumulateKernel = int (*)(int32_t*, const int16_t*, int32_t*, int, int32_t&, int32_t&);

} // namespace

int accumulateColumnAvx2(int32_t* sums, const int16_t* added, int32_t* out, int count, bool write, bool store,
                         bool inverse, int32_t& lo, int32_t& hi)
{
    // [add][write][store][inverse]; storing implies writing
    static constexpr AccumulateKernel kernels[2][2][2][2] = {
        {{{&accumulate<false, false, false, false>, &accumulate<false, false, false, false>},
          {&accumulate<false, false, false, false>, &accumulate<false, false, false, false>}},
         {{&accumulate<false, true, false, false>, &accumulate<false, true, false, true>},
          {&accumulate<false, true, true, false>, &accumulate<false, true, true, true>}}},
        {{{&accumulate<true, false, false, false>, &accumulate<true, false, false, false>},
          {&accumulate<true, false, false, false>, &accumulate<true, false, false, false>}},
         {{&accumulate<true, true, false, false>, &accumulate<true, true, false, true>},
          {&accumulate<true, true, true, false>, &accumulate<true, true, true, true>}}}};
    return kernels[added != nullptr][write][store && write][inverse && write](sums, added, out, count, lo, hi);
}

namespace {

// Transposes eight rows of eight 32-bit words in place: afterwards v[i]
// holds word i of each row.
inline void transpose8x8(__m256i v[8])
{
    __m256i t[8], u[8];
    for (int k = 0; k < 8; k += 2) {
        t[k] = _mm256_unpacklo_epi32(v[k], v[k + 1]);
        t[k + 1] = _mm256_unpackhi_epi32(v[k], v[k + 1]);
    }
    for (int k = 0; k < 8; k += 4) {
        u[k] = _mm256_unpacklo_epi64(t[k], t[k + 2]);
        u[k + 1] = _mm256_unpackhi_epi64(t[k], t[k + 2]);
        u[k + 2] = _mm256_unpacklo_epi64(t[k + 1], t[k + 3]);
        u[k + 3] = _mm256_unpackhi_epi64(t[k + 1], t[k + 3]);
    }
    for (int i = 0; i < 4; ++i) {
        v[i] = _mm256_permute2x128_si256(u[i], u[i + 4], 0x20);
        v[i + 4] = _mm256_permute2x128_si256(u[i], u[i + 4], 0x31);
    }
}

// Eight pixel words (blue, green, red, unused) of one column, eight rows,
// as the 24 plane values red, green, blue per row. Rows 0 to 3 are in the
// low half of words, 4 to 7 in the high half; each output half takes its
// four values from one half, so one byte shuffle makes each output.
inline void planeValues(__m256i words, __m256i out[3])
{
    constexpr char Z = -1;
    // values 0-7: red 0, green 0, blue 0, red 1 | green 1, blue 1, red 2, green 2
    const __m256i first = _mm256_setr_epi8(2, Z, Z, Z, 1, Z, Z, Z, 0, Z, Z, Z, 6, Z, Z, Z, //
                                           5, Z, Z, Z, 4, Z, Z, Z, 10, Z, Z, Z, 9, Z, Z, Z);
    // values 8-15: blue 2, red 3, green 3, blue 3 | red 4, green 4, blue 4, red 5
    const __m256i second = _mm256_setr_epi8(8, Z, Z, Z, 14, Z, Z, Z, 13, Z, Z, Z, 12, Z, Z, Z, //
                                            2, Z, Z, Z, 1, Z, Z, Z, 0, Z, Z, Z, 6, Z, Z, Z);
    // values 16-23: green 5, blue 5, red 6, green 6 | blue 6, red 7, green 7, blue 7
    const __m256i third = _mm256_setr_epi8(5, Z, Z, Z, 4, Z, Z, Z, 10, Z, Z, Z, 9, Z, Z, Z, //
                                           8, Z, Z, Z, 14, Z, Z, Z, 13, Z, Z, Z, 12, Z, Z, Z);
    out[0] = _mm256_shuffle_epi8(_mm256_permute4x64_epi64(words, 0x44), first);
    out[1] = _mm256_shuffle_epi8(words, second);
    out[2] = _mm256_shuffle_epi8(_mm256_permute4x64_epi64(words, 0xee), third);
}

template <bool Subtract, bool Write, bool Store, bool Inverse>
int addStrip(int32_t* sums, int32_t* out, std::ptrdiff_t columnStride, int rows, const uint8_t* pixels,
             std::ptrdiff_t pixelStride, const uint8_t* ring, std::ptrdiff_t ringStride, int32_t& lo, int32_t& hi)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i ceiling = _mm256_set1_epi32(65535);
    __m256i vlo = _mm256_set1_epi32(lo), vhi = _mm256_set1_epi32(hi);
    // The frame rows are far apart and each plane column is its own
    // stream: fetch both ahead, or the loads wait on the cache misses.
    constexpr int kAhead = 16;      // frame rows
    constexpr int kPlaneAhead = 32; // plane rows, three values each
    int y = 0;
    for (; y + 8 <= rows; y += 8) {
        __m256i rowsNew[8], rowsOld[8];
        for (int r = 0; r < 8; ++r) {
            rowsNew[r] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixels + (y + r) * pixelStride));
            if (y + kAhead + r < rows)
                _mm_prefetch(reinterpret_cast<const char*>(pixels + (y + kAhead + r) * pixelStride), _MM_HINT_T0);
        }
        transpose8x8(rowsNew);
        if constexpr (Subtract) {
            for (int r = 0; r < 8; ++r) {
                rowsOld[r] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(ring + (y + r) * ringStride));
                if (y + kAhead + r < rows)
                    _mm_prefetch(reinterpret_cast<const char*>(ring + (y + kAhead + r) * ringStride), _MM_HINT_T0);
            }
            transpose8x8(rowsOld);
        }
        for (int k = 0; k < 8; ++k) {
            __m256i added[3], removed[3];
            planeValues(rowsNew[k], added);
            if constexpr (Subtract) planeValues(rowsOld[k], removed);
            int32_t* cell = sums + k * columnStride + std::ptrdiff_t(y) * 3;
            // two lines ahead per block of 96 bytes: no line of the column is missed
            _mm_prefetch(reinterpret_cast<const char*>(cell + kPlaneAhead * 3), _MM_HINT_T0);
            _mm_prefetch(reinterpret_cast<const char*>(cell + kPlaneAhead * 3 + 16), _MM_HINT_T0);
            for (int j = 0; j < 3; ++j) {
                __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(cell + 8 * j));
                v = _mm256_add_epi32(v, added[j]);
                if constexpr (Subtract) v = _mm256_sub_epi32(v, removed[j]);
                v = _mm256_min_epi32(_mm256_max_epi32(v, zero), ceiling);
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(cell + 8 * j), v);
                if constexpr (Write) {
                    const __m256i w = Inverse ? _mm256_sub_epi32(ceiling, v) : v;
                    if constexpr (Store)
                        _mm256_storeu_si256(
                            reinterpret_cast<__m256i*>(out + k * columnStride + std::ptrdiff_t(y) * 3 + 8 * j), w);
                    vlo = _mm256_min_epi32(vlo, w);
                    vhi = _mm256_max_epi32(vhi, w);
                }
            }
        }
    }
    if constexpr (Write) {
        alignas(32) int32_t l8[8], h8[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(l8), vlo);
        _mm256_store_si256(reinterpret_cast<__m256i*>(h8), vhi);
        for (int l = 0; l < 8; ++l) {
            lo = l8[l] < lo ? l8[l] : lo;
            hi = h8[l] > hi ? h8[l] : hi;
        }
    }
    return y;
}

using StripKernel = int (*)(int32_t*, int32_t*, std::ptrdiff_t, int, const uint8_t*, std::ptrdiff_t, const uint8_t*,
                            std::ptrdiff_t, int32_t&, int32_t&);

template <bool Subtract>
StripKernel stripKernel(bool write, bool store, bool inverse)
{
    if (!write) return &addStrip<Subtract, false, false, false>;
    if (store) return inverse ? &addStrip<Subtract, true, true, true> : &addStrip<Subtract, true, true, false>;
    return inverse ? &addStrip<Subtract, true, false, true> : &addStrip<Subtract, true, false, false>;
}

} // namespace

int addStrip1x1Avx2(int32_t* sums, int32_t* out, std::ptrdiff_t columnStride, int rows, const uint8_t* pixels,
                    std::ptrdiff_t pixelStride, const uint8_t* ring, std::ptrdiff_t ringStride, bool write, bool store,
                    bool inverse, int32_t& lo, int32_t& hi)
{
    const StripKernel kernel = ring ? stripKernel<true>(write, store, inverse) : stripKernel<false>(write, store, inverse);
    return kernel(sums, out, columnStride, rows, pixels, pixelStride, ring, ringStride, lo, hi);
}

namespace {

inline __m256i permute(__m256i v, int a, int b, int c, int d, int e, int f, int g, int h)
{
    return _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(a, b, c, d, e, f, g, h));
}

// Eight pixel words of one cell column, eight rows from cells.
inline __m256i columnWords(const MappingConstants& m, const int32_t* cells, __m256i lo, __m256i magic, __m128i shift)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i ceiling = _mm256_set1_epi32(65535);
    const __m256i top = _mm256_set1_epi32(255);
    __m256i v[3];
    for (int j = 0; j < 3; ++j) {
        __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(cells + 8 * j));
        x = _mm256_min_epi32(_mm256_max_epi32(x, zero), ceiling);
        x = _mm256_max_epi32(_mm256_sub_epi32(x, lo), zero);
        v[j] = _mm256_min_epi32(divideByMagic(_mm256_slli_epi32(x, 8), magic, shift), top);
    }
    // Values 3p, 3p + 1, 3p + 2 of the 24 are the red, green, blue of row p.
    const __m256i red = _mm256_blend_epi32(_mm256_blend_epi32(permute(v[0], 0, 3, 6, 0, 0, 0, 0, 0),
                                                              permute(v[1], 0, 0, 0, 1, 4, 7, 0, 0), 0x38),
                                           permute(v[2], 0, 0, 0, 0, 0, 0, 2, 5), 0xc0);
    const __m256i green = _mm256_blend_epi32(_mm256_blend_epi32(permute(v[0], 1, 4, 7, 0, 0, 0, 0, 0),
                                                                permute(v[1], 0, 0, 0, 2, 5, 0, 0, 0), 0x18),
                                             permute(v[2], 0, 0, 0, 0, 0, 0, 3, 6), 0xe0);
    const __m256i blue = _mm256_blend_epi32(_mm256_blend_epi32(permute(v[0], 2, 5, 0, 0, 0, 0, 0, 0),
                                                               permute(v[1], 0, 0, 0, 3, 6, 0, 0, 0), 0x1c),
                                            permute(v[2], 0, 0, 0, 0, 0, 1, 4, 7), 0xe0);
    const __m256i r = _mm256_and_si256(red, _mm256_set1_epi32(int32_t(m.maskRed)));
    const __m256i g = _mm256_and_si256(green, _mm256_set1_epi32(int32_t(m.maskGreen)));
    const __m256i b = _mm256_and_si256(blue, _mm256_set1_epi32(int32_t(m.maskBlue)));
    if (m.grey) {
        const __m256i sum = _mm256_add_epi32(_mm256_add_epi32(r, g), b);
        const __m256i grey = _mm256_srli_epi32(_mm256_mullo_epi32(sum, _mm256_set1_epi32(int32_t(m.greyScale))), 16);
        return _mm256_mullo_epi32(grey, _mm256_set1_epi32(0x010101));
    }
    return _mm256_or_si256(_mm256_or_si256(b, _mm256_slli_epi32(g, 8)), _mm256_slli_epi32(r, 16));
}

} // namespace

void mapBlocksAvx2(const MappingConstants& m, const int32_t* cells, std::ptrdiff_t columnStride, int columns, int rows,
                   uint8_t* pixels, std::ptrdiff_t rowStride)
{
    const __m256i lo = _mm256_set1_epi32(m.lo);
    const __m256i magic = _mm256_set1_epi32(int32_t(m.magic));
    const __m128i shift = _mm_cvtsi32_si128(m.shift);
    const __m256i unused = _mm256_set1_epi32(int32_t(0xff000000u));
    for (int x = 0; x + 8 <= columns; x += 8) {
        for (int y = 0; y + 8 <= rows; y += 8) {
            __m256i c[8];
            for (int k = 0; k < 8; ++k)
                c[k] = columnWords(m, cells + (x + k) * columnStride + std::ptrdiff_t(y) * 3, lo, magic, shift);
            transpose8x8(c); // row i of the block from element i of each column
            for (int i = 0; i < 8; ++i) {
                const __m256i row = c[i];
                uint8_t* out = pixels + std::ptrdiff_t(y + i) * rowStride + std::ptrdiff_t(x) * 4;
                const __m256i old = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out));
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_or_si256(_mm256_and_si256(old, unused), row));
            }
        }
    }
}

} // namespace velumbra

#else

namespace velumbra {
int correctColumnAvx2(const CorrectionConstants&, const int32_t*, const int32_t*, const int32_t*, int32_t*, int,
                      int32_t&, int32_t&)
{
    return 0;
}
int accumulateColumnAvx2(int32_t*, const int16_t*, int32_t*, int, bool, bool, bool, int32_t&, int32_t&) { return 0; }
int addStrip1x1Avx2(int32_t*, int32_t*, std::ptrdiff_t, int, const uint8_t*, std::ptrdiff_t, const uint8_t*,
                    std::ptrdiff_t, bool, bool, bool, int32_t&, int32_t&)
{
    return 0;
}
void mapBlocksAvx2(const MappingConstants&, const int32_t*, std::ptrdiff_t, int, int, uint8_t*, std::ptrdiff_t) {}
} // namespace velumbra

#endif

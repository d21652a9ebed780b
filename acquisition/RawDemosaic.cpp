#include "acquisition/RawDemosaic.h"
#include "core/ImageBuffers.h"

#include <algorithm>
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace velumbra {
namespace {

// Site colour by mode, then (y parity, x parity).
constexpr BayerSite kLayout[4][2][2] = {
    {{BayerSite::Green, BayerSite::Red}, {BayerSite::Blue, BayerSite::Green}},
    {{BayerSite::Red, BayerSite::Green}, {BayerSite::Green, BayerSite::Blue}},
    {{BayerSite::Blue, BayerSite::Green}, {BayerSite::Green, BayerSite::Red}},
    {{BayerSite::Green, BayerSite::Blue}, {BayerSite::Red, BayerSite::Green}},
};

} // namespace

BayerSite bayerSite(int rawMode, int x, int y)
{
    rawMode = std::clamp(rawMode, 0, 3);
    return kLayout[rawMode][y & 1][x & 1];
}

namespace {

// Where each output colour of a site comes from.
enum Source { Own, LeftRight, UpDown, Cross, Diagonal, kSourceCount };

struct SiteRecipe {
    Source blue, green, red;
};

SiteRecipe recipe(BayerSite site, bool rowHasRed)
{
    switch (site) {
    case BayerSite::Red: return {Diagonal, Cross, Own};
    case BayerSite::Blue: return {Own, Cross, Diagonal};
    case BayerSite::Green:
        return rowHasRed ? SiteRecipe{UpDown, Own, LeftRight} : SiteRecipe{LeftRight, Own, UpDown};
    }
    return {Own, Own, Own};
}

// One pixel, plain arithmetic: used for the ends of rows.
void demosaicPixel(const uint8_t* up, const uint8_t* mid, const uint8_t* down, uint8_t* out, int x,
                   const SiteRecipe& r)
{
    constexpr int P = kBytesPerPixel;
    const int c = x * P, l = c - P, rt = c + P;
    auto value = [&](Source s, int ch) -> int {
        switch (s) {
        case Own: return mid[c + ch];
        case LeftRight: return (mid[l + ch] + mid[rt + ch]) / 2;
        case UpDown: return (up[c + ch] + down[c + ch]) / 2;
        case Cross: return (mid[l + ch] + mid[rt + ch] + up[c + ch] + down[c + ch]) / 4;
        case Diagonal: return (up[l + ch] + up[rt + ch] + down[l + ch] + down[rt + ch]) / 4;
        default: return 0;
        }
    };
    out[c + kBlue] = uint8_t(value(r.blue, kBlue));
    out[c + kGreen] = uint8_t(value(r.green, kGreen));
    out[c + kRed] = uint8_t(value(r.red, kRed));
}

} // namespace



#if defined(__x86_64__) || defined(__i386__)
#pragma GCC push_options
#pragma GCC target("avx2")
// Four pixels per 256-bit register, bytes widened to 16-bit lanes in pixel
// order. The vertical sums up + down of the row are made once and serve as
// the above/below mean of a pixel and, shifted by one pixel, as its
// diagonals. Returns the first x left to do.
static int demosaicRowAvx2(const uint8_t* up, const uint8_t* mid, const uint8_t* down, uint8_t* out, int width,
                           const SiteRecipe& oddSite, const SiteRecipe& evenSite)
{
    constexpr int kMaxLanes = (kMaxFrameWidth + 8) * 4;
    uint16_t vertical[kMaxLanes];
    if (width > kMaxFrameWidth) return 1;
    auto widen = [](const uint8_t* p) {
        return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    };
    int x = 0;
    for (; x + 4 <= width; x += 4)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(vertical + x * 4),
                           _mm256_add_epi16(widen(up + x * 4), widen(down + x * 4)));
    for (; x < width; ++x)
        for (int c = 0; c < 4; ++c) vertical[x * 4 + c] = uint16_t(up[x * 4 + c] + down[x * 4 + c]);

    // Lane masks for four pixels from an odd x: odd, even, odd, even.
    uint16_t masks[kSourceCount][16] = {};
    const SiteRecipe* sites[2] = {&oddSite, &evenSite};
    for (int p = 0; p < 4; ++p) {
        const SiteRecipe& s = *sites[p & 1];
        masks[s.blue][p * 4 + kBlue] = 0xffff;
        masks[s.green][p * 4 + kGreen] = 0xffff;
        masks[s.red][p * 4 + kRed] = 0xffff;
        masks[Own][p * 4 + 3] = 0xffff; // the unused byte follows the source
    }
    // Unaligned loads throughout: the sums are read at every pixel offset, and
    // a stack array is not reliably 32-byte aligned (sanitizer frames move it).
    auto mask = [&](Source s) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(masks[s])); };
    const __m256i mOwn = mask(Own), mLr = mask(LeftRight), mUd = mask(UpDown), mCross = mask(Cross),
                  mDiag = mask(Diagonal);
    auto four = [&](int px) {
        const uint8_t* m = mid + px * 4;
        const __m256i own = widen(m);
        const __m256i lr = _mm256_add_epi16(widen(m - 4), widen(m + 4));
        const __m256i ud = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(vertical + px * 4));
        const __m256i diag = _mm256_add_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(vertical + px * 4 - 4)),
                                              _mm256_loadu_si256(reinterpret_cast<const __m256i*>(vertical + px * 4 + 4)));
        const __m256i cross = _mm256_add_epi16(lr, ud);
        __m256i v = _mm256_and_si256(own, mOwn);
        v = _mm256_or_si256(v, _mm256_and_si256(_mm256_srli_epi16(lr, 1), mLr));
        v = _mm256_or_si256(v, _mm256_and_si256(_mm256_srli_epi16(ud, 1), mUd));
        v = _mm256_or_si256(v, _mm256_and_si256(_mm256_srli_epi16(cross, 2), mCross));
        return _mm256_or_si256(v, _mm256_and_si256(_mm256_srli_epi16(diag, 2), mDiag));
    };
    x = 1;
    for (; x + 7 <= width - 2; x += 8) {
        const __m256i packed = _mm256_packus_epi16(four(x), four(x + 4));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x * 4), _mm256_permute4x64_epi64(packed, 0xD8));
    }
    if (x + 3 <= width - 2) {
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(four(x), four(x)), 0xD8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x * 4), _mm256_castsi256_si128(packed));
        x += 4;
    }
    return x;
}
#pragma GCC pop_options
#endif

#if defined(__SSE2__)
// Four pixels at a time from x = 1: each pixel's bytes widened to 16-bit
// lanes, every candidate mean computed for all lanes, then each lane keeps
// the candidate its site asks for. Returns the first x left to do.
static int demosaicRowSse2(const uint8_t* up, const uint8_t* mid, const uint8_t* down, uint8_t* out, int width,
                    const SiteRecipe& oddSite, const SiteRecipe& evenSite)
{
    // Lane masks for a half of two pixels: first pixel at odd x, second at even x.
    uint16_t masks[kSourceCount][8] = {};
    const SiteRecipe* sites[2] = {&oddSite, &evenSite};
    for (int p = 0; p < 2; ++p) {
        masks[sites[p]->blue][p * 4 + kBlue] = 0xffff;
        masks[sites[p]->green][p * 4 + kGreen] = 0xffff;
        masks[sites[p]->red][p * 4 + kRed] = 0xffff;
        masks[Own][p * 4 + 3] = 0xffff; // the unused byte follows the source
    }
    const __m128i mOwn = _mm_loadu_si128(reinterpret_cast<const __m128i*>(masks[Own]));
    const __m128i mLr = _mm_loadu_si128(reinterpret_cast<const __m128i*>(masks[LeftRight]));
    const __m128i mUd = _mm_loadu_si128(reinterpret_cast<const __m128i*>(masks[UpDown]));
    const __m128i mCross = _mm_loadu_si128(reinterpret_cast<const __m128i*>(masks[Cross]));
    const __m128i mDiag = _mm_loadu_si128(reinterpret_cast<const __m128i*>(masks[Diagonal]));
    const __m128i zero = _mm_setzero_si128();
    auto load = [](const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    auto half = [&](__m128i own, __m128i l, __m128i r, __m128i u, __m128i d, __m128i ul, __m128i ur, __m128i dl,
                    __m128i dr) {
        const __m128i lr = _mm_add_epi16(l, r);
        const __m128i ud = _mm_add_epi16(u, d);
        const __m128i cross = _mm_srli_epi16(_mm_add_epi16(lr, ud), 2);
        const __m128i diag = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(ul, ur), _mm_add_epi16(dl, dr)), 2);
        __m128i v = _mm_and_si128(own, mOwn);
        v = _mm_or_si128(v, _mm_and_si128(_mm_srli_epi16(lr, 1), mLr));
        v = _mm_or_si128(v, _mm_and_si128(_mm_srli_epi16(ud, 1), mUd));
        v = _mm_or_si128(v, _mm_and_si128(cross, mCross));
        return _mm_or_si128(v, _mm_and_si128(diag, mDiag));
    };
    constexpr int P = kBytesPerPixel;
    int x = 1;
    for (; x + 3 <= width - 2; x += 4) {
        const int c = x * P;
        const __m128i own = load(mid + c), l = load(mid + c - P), r = load(mid + c + P);
        const __m128i u = load(up + c), d = load(down + c);
        const __m128i ul = load(up + c - P), ur = load(up + c + P), dl = load(down + c - P), dr = load(down + c + P);
        const __m128i lo = half(_mm_unpacklo_epi8(own, zero), _mm_unpacklo_epi8(l, zero), _mm_unpacklo_epi8(r, zero),
                                _mm_unpacklo_epi8(u, zero), _mm_unpacklo_epi8(d, zero), _mm_unpacklo_epi8(ul, zero),
                                _mm_unpacklo_epi8(ur, zero), _mm_unpacklo_epi8(dl, zero), _mm_unpacklo_epi8(dr, zero));
        const __m128i hi = half(_mm_unpackhi_epi8(own, zero), _mm_unpackhi_epi8(l, zero), _mm_unpackhi_epi8(r, zero),
                                _mm_unpackhi_epi8(u, zero), _mm_unpackhi_epi8(d, zero), _mm_unpackhi_epi8(ul, zero),
                                _mm_unpackhi_epi8(ur, zero), _mm_unpackhi_epi8(dl, zero), _mm_unpackhi_epi8(dr, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + c), _mm_packus_epi16(lo, hi));
    }
    return x;
}
#endif

void RawDemosaic(const QImage& source, QImage& destination, int width, int height, int rawMode)
{
    width = std::min({width, source.width(), destination.width()});
    height = std::min({height, source.height(), destination.height()});
    if (width < 3 || height < 3) return;
    rawMode = std::clamp(rawMode, 0, 3);
#if defined(__x86_64__) || defined(__i386__)
    static const bool useAvx2 = __builtin_cpu_supports("avx2");
#endif

    for (int y = 1; y <= height - 2; ++y) {
        const uint8_t* up = pixelRow(source, y - 1);
        const uint8_t* mid = pixelRow(source, y);
        const uint8_t* down = pixelRow(source, y + 1);
        uint8_t* out = pixelRow(destination, y);
        const bool rowHasRed = kLayout[rawMode][y & 1][0] == BayerSite::Red
                            || kLayout[rawMode][y & 1][1] == BayerSite::Red;
        const SiteRecipe even = recipe(kLayout[rawMode][y & 1][0], rowHasRed);
        const SiteRecipe odd = recipe(kLayout[rawMode][y & 1][1], rowHasRed);
        int x = 1;
#if defined(__x86_64__) || defined(__i386__)
        if (useAvx2)
            x = demosaicRowAvx2(up, mid, down, out, width, odd, even);
#endif
#if defined(__SSE2__)
        if (x == 1) x = demosaicRowSse2(up, mid, down, out, width, odd, even);
#endif
        for (; x <= width - 2; ++x) demosaicPixel(up, mid, down, out, x, (x & 1) ? odd : even);
    }
}

} // namespace velumbra

#include "processing/Raster.h"
#include "core/ImageBuffers.h"

#include <algorithm>
#include <cstring>

namespace velumbra {
namespace {

// Clips a copy of srcRect at dstPos; returns false when nothing remains.
bool clipCopy(Rect& s, Point& d, int srcW, int srcH, const QImage& src, const QImage& dst)
{
    srcW = std::min(srcW, src.width());
    srcH = std::min(srcH, src.height());
    // source limits
    if (s.left < 0) { d.x -= s.left; s.left = 0; }
    if (s.top < 0) { d.y -= s.top; s.top = 0; }
    s.right = std::min(s.right, srcW);
    s.bottom = std::min(s.bottom, srcH);
    // destination limits
    if (d.x < 0) { s.left -= d.x; d.x = 0; }
    if (d.y < 0) { s.top -= d.y; d.y = 0; }
    s.right = std::min(s.right, s.left + (dst.width() - d.x));
    s.bottom = std::min(s.bottom, s.top + (dst.height() - d.y));
    return s.right > s.left && s.bottom > s.top;
}

} // namespace

void copyRect(const QImage& src, Rect s, int srcWidth, int srcHeight, QImage& dst, Point d)
{
    if (!clipCopy(s, d, srcWidth, srcHeight, src, dst)) return;
    const size_t bytes = size_t(s.width()) * kBytesPerPixel;
    // Whole rows of two bitmaps of the same stride: one block copy.
    if (s.left == 0 && d.x == 0 && bytes == size_t(src.bytesPerLine()) && src.bytesPerLine() == dst.bytesPerLine()) {
        std::memcpy(pixelRow(dst, d.y), pixelRow(src, s.top), bytes * size_t(s.height()));
        return;
    }
    for (int y = s.top; y < s.bottom; ++y) {
        const uint8_t* from = pixelRow(src, y) + size_t(s.left) * kBytesPerPixel;
        uint8_t* to = pixelRow(dst, d.y + (y - s.top)) + size_t(d.x) * kBytesPerPixel;
        std::memcpy(to, from, bytes);
    }
}

void mergePaintRect(const QImage& src, Rect s, int srcWidth, int srcHeight, QImage& dst, Point d)
{
    if (!clipCopy(s, d, srcWidth, srcHeight, src, dst)) return;
    const int n = s.width();
    for (int y = s.top; y < s.bottom; ++y) {
        const uint32_t* from = reinterpret_cast<const uint32_t*>(pixelRow(src, y)) + s.left;
        uint32_t* to = reinterpret_cast<uint32_t*>(pixelRow(dst, d.y + (y - s.top))) + d.x;
        for (int x = 0; x < n; ++x) to[x] = (to[x] | ~from[x]) | 0xff000000u;
    }
}

void mergePaintOutline(const QImage& src, Rect s, int srcWidth, int srcHeight, QImage& dst, Point d)
{
    if (s.isEmpty()) return;
    const int dx = d.x - s.left, dy = d.y - s.top;
    auto line = [&](Rect part) { mergePaintRect(src, part, srcWidth, srcHeight, dst, {part.left + dx, part.top + dy}); };
    line({s.left, s.top, s.right, s.top + 1});
    if (s.bottom - 1 > s.top) line({s.left, s.bottom - 1, s.right, s.bottom});
    if (s.bottom - s.top > 2) {
        line({s.left, s.top + 1, s.left + 1, s.bottom - 1});
        if (s.right - 1 > s.left) line({s.right - 1, s.top + 1, s.right, s.bottom - 1});
    }
}

void PaintSpans::merge(const QImage& src, Rect s, int srcWidth, int srcHeight, QImage& dst, Point d)
{
    if (!clipCopy(s, d, srcWidth, srcHeight, src, dst)) return;
    if (!valid_ || src.cacheKey() != key_ || !(s == found_)) find(src, s);
    const int dx = d.x - s.left, dy = d.y - s.top;
    for (const Span& span : spans_) {
        const uint32_t* from = reinterpret_cast<const uint32_t*>(pixelRow(src, span.y));
        uint32_t* to = reinterpret_cast<uint32_t*>(pixelRow(dst, span.y + dy)) + dx;
        for (int x = span.left; x < span.right; ++x) to[x] = (to[x] | ~from[x]) | 0xff000000u;
    }
}

void PaintSpans::find(const QImage& src, Rect s)
{
    spans_.clear();
    for (int y = s.top; y < s.bottom; ++y) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(pixelRow(src, y));
        int x = s.left;
        while (x < s.right) {
            while (x < s.right && (row[x] & 0x00ffffffu) == 0x00ffffffu) ++x;
            const int left = x;
            while (x < s.right && (row[x] & 0x00ffffffu) != 0x00ffffffu) ++x;
            if (x > left) spans_.push_back({y, left, x});
        }
    }
    key_ = src.cacheKey();
    found_ = s;
    valid_ = true;
}

} // namespace velumbra

#pragma once
#include "core/Geometry.h"

#include <QImage>

#include <vector>

namespace velumbra {

// Bitmap copies used by the frame routine. Every copy is clipped to the
// source limits (srcWidth x srcHeight, within the source bitmap) and to the
// destination bitmap, so no zone size or offset can reach outside a buffer.

// Plain copy of srcRect of src to dst with its top-left corner at dstPos.
void copyRect(const QImage& src, Rect srcRect, int srcWidth, int srcHeight, QImage& dst, Point dstPos);

// Merge paint (destination OR NOT source): a white source leaves the
// destination unchanged, a dark line in the source shows as a light line.
void mergePaintRect(const QImage& src, Rect srcRect, int srcWidth, int srcHeight, QImage& dst, Point dstPos);

// Merge paint of the one-pixel border of srcRect only: the same result as
// mergePaintRect when the source is white inside and outside that border,
// as the zone layer is.
void mergePaintOutline(const QImage& src, Rect srcRect, int srcWidth, int srcHeight, QImage& dst, Point dstPos);

// Merge paint of a layer that changes seldom (the reticle) onto each frame:
// the layer's drawn (not white) runs are found once, and found again only
// when the layer was touched or the rectangle moved, so a frame merges just
// the drawn pixels. The same result as mergePaintRect onto an opaque image.
class PaintSpans {
public:
    void merge(const QImage& src, Rect srcRect, int srcWidth, int srcHeight, QImage& dst, Point dstPos);
    // Runs found by the last search (for the tests and the benchmarks).
    size_t spanCount() const { return spans_.size(); }

private:
    struct Span {
        int y, left, right; // source row and columns, right exclusive
    };
    void find(const QImage& src, Rect clipped);

    std::vector<Span> spans_;
    qint64 key_ = 0;
    Rect found_;
    bool valid_ = false;
};

} // namespace velumbra

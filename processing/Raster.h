#pragma once
#include "core/Geometry.h"

#include <QImage>

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

} // namespace velumbra

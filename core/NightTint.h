#pragma once
#include <QImage>

namespace velumbra {

// The live image for eyes kept dark-adapted: each pixel's brightness (its
// brightest channel) in red, green and blue off, so a star stays as bright
// as it was. `out` becomes an RGB32 image the size of `in`; it is reused
// while it has that size, so tinting each frame allocates nothing.
void redTint(const QImage& in, QImage& out);

} // namespace velumbra

#pragma once
#include <QImage>

namespace velumbra {

// Colour of a sensor site in the mosaic of modified cameras.
enum class BayerSite { Red, Green, Blue };

// Layout of the mosaic, as the preferences "Mode 1" .. "Mode 4" choose it (0..3).
BayerSite bayerSite(int rawMode, int x, int y);

// Bilinear demosaic of the width x height part of source into destination
// (both Format_RGB32 of the same size). Each pixel takes the byte of its site
// colour; the two other colours are the truncated means of the nearest sites
// of that colour. The outermost rows and columns of the destination are not
// written.
void RawDemosaic(const QImage& source, QImage& destination, int width, int height, int rawMode);

} // namespace velumbra

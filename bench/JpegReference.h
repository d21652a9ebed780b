#pragma once
#include <QImage>
#include <cstddef>
#include <vector>

namespace velumbra::bench {

// The frame every benchmark is measured against: an 800 x 600 star field
// with noise, as packed 24-bit BGR rows.
const QImage& referenceFrame();

// Baseline JPEG encode of a packed 24-bit RGB buffer; returns the size.
std::size_t encodeJpeg(const unsigned char* rgb, int width, int height, int quality,
                       std::vector<unsigned char>& out);

} // namespace velumbra::bench

#include "exposure/HalfFrames.h"

#include <algorithm>
#include <cmath>

namespace velumbra {

bool halfFrameWidth(int width) { return width == 320 || width == 640; }

bool halfFrameRow(int width, int half, int y)
{
    if (!halfFrameWidth(width) || y < 0) return false;
    const int q = 1280 / width;     // 2 at 640, 4 at 320
    const int period = 8 / q;       // 4 at 640, 2 at 320
    const int group = period / 2;   // rows kept together
    const int start = half == 0 ? 0 : 2 / (q / 2);
    return ((y - start + period) % period) < group;
}

HalfFrameMeans measureHalfFrame(QImage& image, int width, int height, int half)
{
    HalfFrameMeans means;
    width = std::min(width, image.width());
    height = std::min(height, image.height());
    if (!halfFrameWidth(width) || height <= 0) return means;
    const int bpp = image.depth() / 8;
    if (bpp < 3) return means;
    std::array<quint64, 3> sums{};
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        if (!halfFrameRow(width, half, y)) {
            for (int x = 0; x < width; ++x) std::fill(row + bpp * x, row + bpp * x + 3, uchar(0));
            continue;
        }
        for (int x = 0; x < width; ++x) {
            sums[2] += row[bpp * x];     // blue
            sums[1] += row[bpp * x + 1]; // green
            sums[0] += row[bpp * x + 2]; // red
        }
    }
    const double pixels = double(width) * height;
    for (std::size_t c = 0; c < 3; ++c) means.rgb[c] = double(sums[c]) / pixels;
    return means;
}

namespace {

void scaleHalf(QImage& image, int width, int height, int half, double factor)
{
    const int bpp = image.depth() / 8;
    if (bpp < 3) return;
    for (int y = 0; y < height; ++y) {
        if (!halfFrameRow(width, half, y)) continue;
        uchar* row = image.scanLine(y);
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) {
                uchar& v = row[bpp * x + c];
                v = uchar(std::min(std::trunc(v * factor), 255.0));
            }
    }
}

} // namespace

void equalizeHalfFrames(QImage& half0, const HalfFrameMeans& m0, QImage& half1, const HalfFrameMeans& m1, int width,
                        int height)
{
    width = std::min({width, half0.width(), half1.width()});
    height = std::min({height, half0.height(), half1.height()});
    if (!halfFrameWidth(width) || height <= 0) return;
    const double sum0 = m0.sum(), sum1 = m1.sum();
    if (sum1 > sum0)
        scaleHalf(half0, width, height, 0, sum1 / std::max(sum0, 1.0));
    else
        scaleHalf(half1, width, height, 1, sum0 / std::max(sum1, 1.0));
}

void mergeHalfFrames(QImage& into, const QImage& from, int width, int height)
{
    width = std::min({width, into.width(), from.width()});
    height = std::min({height, into.height(), from.height()});
    if (into.depth() != from.depth()) return;
    const int bytes = width * into.depth() / 8;
    for (int y = 0; y < height; ++y) {
        uchar* dst = into.scanLine(y);
        const uchar* src = from.constScanLine(y);
        for (int i = 0; i < bytes; ++i) dst[i] |= src[i];
    }
}

} // namespace velumbra

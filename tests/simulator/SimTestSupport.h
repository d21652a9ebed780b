#pragma once
// Measures taken on simulated frames, the way a user's software would take
// them: from the pixels, never from the model's insides.
#include "core/ImageBuffers.h"

#include <QImage>
#include <QPointF>
#include <algorithm>
#include <cmath>
#include <vector>

namespace simtest {

inline int green(const QImage& img, int x, int y) { return qGreen(img.pixel(x, y)); }

// Median of the green channel over a box.
inline double boxMedian(const QImage& img, int x0, int y0, int w, int h, int channel = 1)
{
    std::vector<int> v;
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) {
            const QRgb p = img.pixel(x, y);
            v.push_back(channel == 0 ? qBlue(p) : channel == 1 ? qGreen(p) : qRed(p));
        }
    std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(v.size() / 2), v.end());
    return v[v.size() / 2];
}

// Mean of the green channel over a box: the level under a star, unbiased
// by the rounding that a median of whole grey levels would keep.
inline double boxMean(const QImage& img, int x0, int y0, int w, int h)
{
    double s = 0;
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) s += green(img, x, y);
    return s / (w * h);
}

// Light-weighted centre of the pixels above floor in a box around a point.
inline QPointF centroid(const QImage& img, QPointF around, int half, double floor)
{
    double sx = 0, sy = 0, sw = 0;
    for (int y = int(around.y()) - half; y <= int(around.y()) + half; ++y)
        for (int x = int(around.x()) - half; x <= int(around.x()) + half; ++x) {
            if (x < 0 || y < 0 || x >= img.width() || y >= img.height()) continue;
            const double v = green(img, x, y) - floor;
            if (v <= 0) continue;
            sx += v * (x + 0.5);
            sy += v * (y + 0.5);
            sw += v;
        }
    return sw > 0 ? QPointF(sx / sw, sy / sw) : QPointF(-1, -1);
}

// Light above floor summed over a box.
inline double boxLight(const QImage& img, QPointF c, int half, double floor)
{
    double s = 0;
    for (int y = int(c.y()) - half; y <= int(c.y()) + half; ++y)
        for (int x = int(c.x()) - half; x <= int(c.x()) + half; ++x)
            if (x >= 0 && y >= 0 && x < img.width() && y < img.height()) s += green(img, x, y) - floor;
    return s;
}

// Full width at half maximum of a star: from the area of the pixels above
// half the peak (above the floor), as a disc's diameter.
inline double fwhm(const QImage& img, QPointF c, int half, double floor)
{
    double peak = 0;
    for (int y = int(c.y()) - half; y <= int(c.y()) + half; ++y)
        for (int x = int(c.x()) - half; x <= int(c.x()) + half; ++x)
            if (x >= 0 && y >= 0 && x < img.width() && y < img.height()) peak = std::max(peak, green(img, x, y) - floor);
    int above = 0;
    for (int y = int(c.y()) - half; y <= int(c.y()) + half; ++y)
        for (int x = int(c.x()) - half; x <= int(c.x()) + half; ++x)
            if (x >= 0 && y >= 0 && x < img.width() && y < img.height() && green(img, x, y) - floor >= peak / 2) ++above;
    return 2 * std::sqrt(above / 3.141592653589793);
}

} // namespace simtest

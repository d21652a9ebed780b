#include "processing/PlanetAlignment.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

namespace velumbra {

void PlanetFrames::toGrey(const QImage& frame, int width, int height)
{
    width_ = std::min(width, frame.width());
    height_ = std::min(height, frame.height());
    grey_.resize(std::size_t(std::max(0, width_)) * std::size_t(std::max(0, height_)));
    if (frame.format() != QImage::Format_RGB32) {
        width_ = height_ = 0;
        return;
    }
    for (int y = 0; y < height_; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(frame.constScanLine(y));
        float* g = grey_.data() + std::size_t(y) * std::size_t(width_);
        for (int x = 0; x < width_; ++x) {
            const uint32_t p = row[x];
            g[x] = float((p & 0xFF) + ((p >> 8) & 0xFF) + ((p >> 16) & 0xFF));
        }
    }
}

DiscFound PlanetFrames::findDisc(const QImage& frame, int width, int height)
{
    DiscFound disc;
    toGrey(frame, width, height);
    if (width_ < 8 || height_ < 8) return disc;
    // Background: the median; the disc's level: the 99.5th percentile, so
    // that a few hot pixels do not set it.
    std::array<int, 766> histogram{};
    for (float v : grey_) ++histogram[std::size_t(v)];
    const std::size_t n = grey_.size();
    int median = 0, high = 765;
    for (std::size_t seen = 0; median < 765; ++median)
        if (2 * (seen += std::size_t(histogram[std::size_t(median)])) >= n) break;
    for (std::size_t seen = 0; high > 0; --high)
        if (200 * (seen += std::size_t(histogram[std::size_t(high)])) >= n) break;
    if (high - median < 30) return disc; // nothing stands out of the sky
    const float level = float(median + 0.25 * (high - median));
    double sum = 0, sx = 0, sy = 0;
    int x0 = width_, y0 = height_, x1 = -1, y1 = -1;
    for (int y = 0; y < height_; ++y) {
        const float* g = grey_.data() + std::size_t(y) * std::size_t(width_);
        for (int x = 0; x < width_; ++x) {
            if (g[x] <= level) continue;
            const double w = g[x] - median;
            sum += w;
            sx += w * x;
            sy += w * y;
            x0 = std::min(x0, x), x1 = std::max(x1, x);
            y0 = std::min(y0, y), y1 = std::max(y1, y);
        }
    }
    if (!(sum > 0) || x1 - x0 < 3 || y1 - y0 < 3) return disc;
    disc.ok = true;
    disc.centre = {sx / sum, sy / sum};
    disc.box = QRect(QPoint(x0, y0), QPoint(x1, y1));
    disc.background = median;
    return disc;
}

double PlanetFrames::sharpness(const QImage& frame, int width, int height)
{
    const DiscFound disc = findDisc(frame, width, height);
    if (!disc.ok) return 0;
    const QRect box = disc.box.adjusted(-4, -4, 4, 4).intersected(QRect(1, 1, width_ - 2, height_ - 2));
    double energy = 0, level = 0;
    int count = 0;
    for (int y = box.top(); y <= box.bottom(); ++y) {
        const float* g = grey_.data() + std::size_t(y) * std::size_t(width_);
        for (int x = box.left(); x <= box.right(); ++x) {
            const double gx = g[x + 1] - g[x - 1];
            const double gy = g[x + width_] - g[x - width_];
            energy += gx * gx + gy * gy;
            level += g[x] - disc.background;
            ++count;
        }
    }
    if (count == 0 || !(level > 0)) return 0;
    const double mean = level / count;
    return energy / count / (mean * mean);
}

bool PlanetFrames::setReference(const QImage& frame, int width, int height)
{
    reference_.clear();
    const DiscFound disc = findDisc(frame, width, height);
    if (!disc.ok) return false;
    // The disc and its blurred edge, one pixel clear of the frame's border.
    refBox_ = disc.box.adjusted(-8, -8, 8, 8).intersected(QRect(1, 1, width_ - 2, height_ - 2));
    refCentre_ = disc.centre;
    const std::size_t cells = std::size_t(refBox_.width()) * std::size_t(refBox_.height());
    reference_.resize(cells);
    gradX_.resize(cells);
    gradY_.resize(cells);
    std::size_t i = 0;
    for (int y = refBox_.top(); y <= refBox_.bottom(); ++y)
        for (int x = refBox_.left(); x <= refBox_.right(); ++x, ++i) {
            const float* g = grey_.data() + std::size_t(y) * std::size_t(width_) + std::size_t(x);
            reference_[i] = g[0];
            gradX_[i] = 0.5f * (g[1] - g[-1]);
            gradY_[i] = 0.5f * (g[width_] - g[-width_]);
        }
    return true;
}

double PlanetFrames::sample(double x, double y) const
{
    x = std::clamp(x, 0.0, double(width_ - 1) - 1e-9);
    y = std::clamp(y, 0.0, double(height_ - 1) - 1e-9);
    const int x0 = int(x), y0 = int(y);
    const double fx = x - x0, fy = y - y0;
    const float* g = grey_.data() + std::size_t(y0) * std::size_t(width_) + std::size_t(x0);
    const int right = x0 + 1 < width_ ? 1 : 0;
    const int down = y0 + 1 < height_ ? width_ : 0;
    return (g[0] * (1 - fx) + g[right] * fx) * (1 - fy) + (g[down] * (1 - fx) + g[down + right] * fx) * fy;
}

RollingBest::RollingBest() : ring_(std::size_t(kMaxWindow)), scratch_(std::size_t(kMaxWindow)) {}

bool RollingBest::accept(double score, int percent, int window)
{
    window = std::clamp(window, 1, kMaxWindow);
    percent = std::clamp(percent, 1, 100);
    if (next_ >= window) next_ = 0;
    ring_[std::size_t(next_)] = score;
    next_ = (next_ + 1) % window;
    count_ = std::min(count_ + 1, window);
    // The k-th best of the window: the frame is kept when it reaches it.
    const int k = std::max(1, int(std::lround(count_ * percent / 100.0)));
    std::copy(ring_.begin(), ring_.begin() + count_, scratch_.begin());
    std::nth_element(scratch_.begin(), scratch_.begin() + (k - 1), scratch_.begin() + count_, std::greater<double>());
    return score >= scratch_[std::size_t(k - 1)];
}

bool PlanetFrames::align(const QImage& frame, int width, int height, QPointF& shift)
{
    if (reference_.empty()) return false;
    const DiscFound disc = findDisc(frame, width, height);
    if (!disc.ok) return false;
    double dx = disc.centre.x() - refCentre_.x(), dy = disc.centre.y() - refCentre_.y();
    // Gauss-Newton on the reference's gradients: the frame sampled at
    // x + shift, scaled to the reference's level, against the reference.
    double hxx = 0, hxy = 0, hyy = 0;
    for (std::size_t i = 0; i < reference_.size(); ++i) {
        hxx += double(gradX_[i]) * gradX_[i];
        hxy += double(gradX_[i]) * gradY_[i];
        hyy += double(gradY_[i]) * gradY_[i];
    }
    const double det = hxx * hyy - hxy * hxy;
    if (!(det > 0)) return false;
    double refSum = 0;
    for (float v : reference_) refSum += v;
    for (int iteration = 0; iteration < 12; ++iteration) {
        double frameSum = 0;
        std::size_t i = 0;
        for (int y = refBox_.top(); y <= refBox_.bottom(); ++y)
            for (int x = refBox_.left(); x <= refBox_.right(); ++x, ++i) frameSum += sample(x + dx, y + dy);
        if (!(frameSum > 0)) return false;
        const double gain = refSum / frameSum;
        double bx = 0, by = 0;
        i = 0;
        for (int y = refBox_.top(); y <= refBox_.bottom(); ++y)
            for (int x = refBox_.left(); x <= refBox_.right(); ++x, ++i) {
                const double e = gain * sample(x + dx, y + dy) - reference_[i];
                bx += gradX_[i] * e;
                by += gradY_[i] * e;
            }
        // frame(x + d) - ref(x) ~ grad . (d - d_true): step back by the solved offset
        const double sx = (hyy * bx - hxy * by) / det, sy = (hxx * by - hxy * bx) / det;
        dx -= sx;
        dy -= sy;
        if (!std::isfinite(dx) || !std::isfinite(dy) || std::abs(dx) > width_ || std::abs(dy) > height_) return false;
        if (sx * sx + sy * sy < 1e-6) break;
    }
    shift = {dx, dy};
    return true;
}

} // namespace velumbra

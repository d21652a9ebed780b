#include "processing/StarRegistration.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velumbra {

QPointF RigidTransform::apply(QPointF p) const
{
    const double c = std::cos(angle), s = std::sin(angle);
    return {c * p.x() - s * p.y() + tx, s * p.x() + c * p.y() + ty};
}

QPointF RigidTransform::applyInverse(QPointF p) const
{
    const double c = std::cos(angle), s = std::sin(angle);
    const double x = p.x() - tx, y = p.y() - ty;
    return {c * x + s * y, -s * x + c * y};
}

double RigidTransform::degrees() const { return angle * 180.0 / M_PI; }

QPointF RigidTransform::shiftOf(QPointF centre) const { return apply(centre) - centre; }

// ---------------------------------------------------------------------------
// Finding stars

const std::vector<FoundStar>& StarFinder::find(const QImage& frame, int width, int height)
{
    stars_.clear();
    width = std::min(width, frame.width());
    height = std::min(height, frame.height());
    const int r = std::max(2, settings_.radius);
    if (frame.format() != QImage::Format_RGB32 || width < 2 * r + 3 || height < 2 * r + 3) return stars_;
    width_ = width;
    grey_.resize(std::size_t(width) * std::size_t(height));

    // Grey as the sum of the three channels, and the histogram of every
    // other pixel of every other row for the background and its noise.
    std::array<int, 766> histogram{};
    int sampled = 0;
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(frame.constScanLine(y));
        uint16_t* g = grey_.data() + std::size_t(y) * std::size_t(width);
        for (int x = 0; x < width; ++x) {
            const uint32_t p = row[x];
            g[x] = uint16_t((p & 0xFF) + ((p >> 8) & 0xFF) + ((p >> 16) & 0xFF));
        }
        if (y % 2 == 0) {
            for (int x = 0; x < width; x += 2) ++histogram[g[x]];
            sampled += (width + 1) / 2;
        }
    }
    int median = 0;
    for (int seen = 0; median < 765; ++median) {
        seen += histogram[std::size_t(median)];
        if (2 * seen >= sampled) break;
    }
    // Median of the distances to the median: bins spread out both ways
    // until half the samples lie within.
    int spread = 0;
    for (int within = histogram[std::size_t(median)]; 2 * within < sampled && spread < 765;) {
        ++spread;
        if (median - spread >= 0) within += histogram[std::size_t(median - spread)];
        if (median + spread <= 765) within += histogram[std::size_t(median + spread)];
    }
    background_ = median;
    noise_ = std::max(0.75, 1.4826 * spread);
    const double threshold = background_ + std::max(settings_.sigmas * noise_, 6.0);
    const double neighbourLevel = background_ + 2.0 * noise_;

    std::vector<Candidate>& candidates = candidates_;
    candidates.clear();
    for (int y = r; y < height - r; ++y) {
        const uint16_t* up = grey_.data() + std::size_t(y - 1) * std::size_t(width);
        const uint16_t* mid = up + width;
        const uint16_t* down = mid + width;
        for (int x = r; x < width - r; ++x) {
            const int v = mid[x];
            if (v <= threshold) continue;
            // One maximum per plateau: earlier neighbours strictly lower, later ones not higher.
            if (!(v > mid[x - 1] && v > up[x - 1] && v > up[x] && v > up[x + 1] && v >= mid[x + 1] &&
                  v >= down[x - 1] && v >= down[x] && v >= down[x + 1]))
                continue;
            // A hot pixel stands alone; a star's light spills into its neighbours.
            const double level = std::max(neighbourLevel, background_ + 0.15 * (v - background_));
            const int lit = int(mid[x - 1] > level) + int(mid[x + 1] > level) + int(up[x] > level) + int(down[x] > level);
            if (lit < 2) continue;
            candidates.push_back({v, x, y});
        }
    }
    std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
        if (a.value != b.value) return a.value > b.value;
        return a.y != b.y ? a.y < b.y : a.x < b.x;
    });
    const double apart = 1.5 * r;
    for (const Candidate& c : candidates) {
        if (int(stars_.size()) >= settings_.maxStars) break;
        bool near = false;
        for (const FoundStar& s : stars_)
            if (std::abs(s.x - c.x) < apart && std::abs(s.y - c.y) < apart) {
                near = true;
                break;
            }
        if (near) continue;
        FoundStar star;
        if (centroid(c.x, c.y, height, star)) stars_.push_back(star);
    }
    return stars_;
}

bool StarFinder::centroid(int px, int py, int height, FoundStar& star)
{
    const int r = std::max(2, settings_.radius);
    const int width = width_;
    double cx = px, cy = py;
    for (int pass = 0; pass < 2; ++pass) {
        const int x0 = std::clamp(int(std::lround(cx)), r, width - r - 1);
        const int y0 = std::clamp(int(std::lround(cy)), r, height - r - 1);
        // Local background: median of the box's border.
        border_.clear();
        for (int d = -r; d <= r; ++d) {
            border_.push_back(grey_[std::size_t(y0 - r) * width + (x0 + d)]);
            border_.push_back(grey_[std::size_t(y0 + r) * width + (x0 + d)]);
            if (d != -r && d != r) {
                border_.push_back(grey_[std::size_t(y0 + d) * width + (x0 - r)]);
                border_.push_back(grey_[std::size_t(y0 + d) * width + (x0 + r)]);
            }
        }
        auto middle = border_.begin() + std::ptrdiff_t(border_.size() / 2);
        std::nth_element(border_.begin(), middle, border_.end());
        const double bg = *middle;
        double sum = 0, sx = 0, sy = 0;
        int peak = 0;
        const double reach = (r - 0.5) * (r - 0.5);
        for (int dy = -r + 1; dy < r; ++dy) {
            const uint16_t* row = grey_.data() + std::size_t(y0 + dy) * width;
            for (int dx = -r + 1; dx < r; ++dx) {
                if (dx * dx + dy * dy > reach) continue;
                const int v = row[x0 + dx];
                peak = std::max(peak, v);
                const double w = v - bg;
                if (w <= 0) continue;
                sum += w;
                sx += w * dx;
                sy += w * dy;
            }
        }
        if (!(sum > 0)) return false;
        cx = x0 + sx / sum;
        cy = y0 + sy / sum;
        star.flux = sum;
        star.saturated = peak >= 3 * 250;
        if (pass == 1) {
            // Refined with a Gaussian window the star's own size, moved onto
            // each new estimate: the noise of the faint wings weighs little,
            // and a symmetric star's centre is where the window settles.
            double s2 = 0;
            for (int dy = -r + 1; dy < r; ++dy) {
                const uint16_t* row = grey_.data() + std::size_t(y0 + dy) * width;
                for (int dx = -r + 1; dx < r; ++dx) {
                    const double w = row[x0 + dx] - bg;
                    if (w > 0 && dx * dx + dy * dy <= reach) s2 += w * ((x0 + dx - cx) * (x0 + dx - cx) + (y0 + dy - cy) * (y0 + dy - cy));
                }
            }
            const double sigma = std::clamp(std::sqrt(s2 / sum / 2.0), 0.7, r / 2.0);
            const double k = 1.0 / (2.0 * sigma * sigma);
            for (int iteration = 0; iteration < 4; ++iteration) {
                double ws = 0, wx = 0, wy = 0;
                for (int dy = -r + 1; dy < r; ++dy) {
                    const uint16_t* row = grey_.data() + std::size_t(y0 + dy) * width;
                    const double ry = y0 + dy - cy;
                    for (int dx = -r + 1; dx < r; ++dx) {
                        const double rx = x0 + dx - cx;
                        const double w = (row[x0 + dx] - bg) * std::exp(-(rx * rx + ry * ry) * k);
                        ws += w;
                        wx += w * rx;
                        wy += w * ry;
                    }
                }
                if (!(ws > 0)) break;
                const double mx = wx / ws, my = wy / ws;
                if (std::abs(mx) > 1.0 || std::abs(my) > 1.0) break; // not settling: keep the plain centre
                cx += 2.0 * mx; // the window's pull is half the offset for a Gaussian star
                cy += 2.0 * my;
                if (mx * mx + my * my < 1e-6) break;
            }
        }
    }
    star.x = cx;
    star.y = cy;
    return std::isfinite(cx) && std::isfinite(cy);
}

// ---------------------------------------------------------------------------
// Matching

RigidTransform fitRigid(const std::vector<QPointF>& from, const std::vector<QPointF>& to)
{
    RigidTransform t;
    const std::size_t n = std::min(from.size(), to.size());
    if (n == 0) return t;
    QPointF cf, ct;
    for (std::size_t i = 0; i < n; ++i) {
        cf += from[i];
        ct += to[i];
    }
    cf /= double(n);
    ct /= double(n);
    double num = 0, den = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const QPointF f = from[i] - cf, g = to[i] - ct;
        num += f.x() * g.y() - f.y() * g.x();
        den += f.x() * g.x() + f.y() * g.y();
    }
    t.angle = n >= 2 ? std::atan2(num, den) : 0.0;
    const double c = std::cos(t.angle), s = std::sin(t.angle);
    t.tx = ct.x() - (c * cf.x() - s * cf.y());
    t.ty = ct.y() - (s * cf.x() + c * cf.y());
    return t;
}

void StarMatcher::triangles(const std::vector<FoundStar>& stars, int count, std::vector<Triangle>& out)
{
    out.clear();
    const double tol = settings_.sideTolerance;
    for (int i = 0; i < count; ++i)
        for (int j = i + 1; j < count; ++j)
            for (int k = j + 1; k < count; ++k) {
                const int v[3] = {i, j, k};
                // side opposite vertex n
                double side[3];
                for (int n = 0; n < 3; ++n) {
                    const FoundStar& p = stars[std::size_t(v[(n + 1) % 3])];
                    const FoundStar& q = stars[std::size_t(v[(n + 2) % 3])];
                    side[n] = std::sqrt((p.x - q.x) * (p.x - q.x) + (p.y - q.y) * (p.y - q.y));
                }
                int order[3] = {0, 1, 2};
                std::sort(order, order + 3, [&](int a, int b) { return side[a] > side[b]; });
                const double a = side[order[0]], b = side[order[1]], c = side[order[2]];
                // Too small to be measured well, or sides too alike to tell the vertices apart.
                if (a < 10.0 || a - b < 2 * tol || b - c < 2 * tol || c < 3.0) continue;
                Triangle t;
                t.a = float(a);
                t.b = float(b);
                t.c = float(c);
                for (int n = 0; n < 3; ++n) t.v[n] = v[order[n]];
                const FoundStar& p0 = stars[std::size_t(t.v[0])];
                const FoundStar& p1 = stars[std::size_t(t.v[1])];
                const FoundStar& p2 = stars[std::size_t(t.v[2])];
                t.clockwise = (p1.x - p0.x) * (p2.y - p0.y) - (p1.y - p0.y) * (p2.x - p0.x) > 0;
                out.push_back(t);
            }
    std::sort(out.begin(), out.end(), [](const Triangle& x, const Triangle& y) { return x.a < y.a; });
}

namespace {

// Turn and shift from two point pairs; false when their distances disagree.
bool fromTwoPairs(QPointF f1, QPointF f2, QPointF t1, QPointF t2, double tolerance, RigidTransform& out)
{
    const QPointF df = f2 - f1, dt = t2 - t1;
    const double lf = std::hypot(df.x(), df.y()), lt = std::hypot(dt.x(), dt.y());
    if (lf < 10.0 || std::abs(lf - lt) > tolerance) return false;
    out.angle = std::atan2(dt.y(), dt.x()) - std::atan2(df.y(), df.x());
    const double c = std::cos(out.angle), s = std::sin(out.angle);
    const QPointF mf = (f1 + f2) / 2, mt = (t1 + t2) / 2;
    out.tx = mt.x() - (c * mf.x() - s * mf.y());
    out.ty = mt.y() - (s * mf.x() + c * mf.y());
    return true;
}

QPointF at(const FoundStar& s) { return {s.x, s.y}; }

} // namespace

MatchResult StarMatcher::match(const std::vector<FoundStar>& reference, const std::vector<FoundStar>& frame)
{
    MatchResult result;
    const int nr = std::min<int>(settings_.triangleStars, int(reference.size()));
    const int nf = std::min<int>(settings_.triangleStars, int(frame.size()));
    if (nr < 3 || nf < 3) return result;
    triangles(reference, nr, refTriangles_);
    triangles(frame, nf, frameTriangles_);

    // Every pair of triangles with the same sides and the same turn votes
    // for its three vertex pairs.
    votes_.assign(std::size_t(nr) * std::size_t(nf), 0);
    const float tol = float(settings_.sideTolerance);
    for (const Triangle& t : refTriangles_) {
        auto it = std::lower_bound(frameTriangles_.begin(), frameTriangles_.end(), t.a - tol,
                                   [](const Triangle& x, float a) { return x.a < a; });
        for (; it != frameTriangles_.end() && it->a <= t.a + tol; ++it) {
            if (std::abs(it->b - t.b) > tol || std::abs(it->c - t.c) > tol || it->clockwise != t.clockwise) continue;
            for (int n = 0; n < 3; ++n) ++votes_[std::size_t(t.v[n]) * std::size_t(nf) + std::size_t(it->v[n])];
        }
    }
    // Candidate pairs: each reference star with the frame star it shares the
    // most votes with, when that choice is mutual.
    pairs_.clear();
    for (int i = 0; i < nr; ++i) {
        int best = -1, bestVotes = 1;
        for (int j = 0; j < nf; ++j)
            if (votes_[std::size_t(i) * nf + j] > bestVotes) {
                bestVotes = votes_[std::size_t(i) * nf + j];
                best = j;
            }
        if (best < 0) continue;
        bool mutual = true;
        for (int k = 0; k < nr && mutual; ++k)
            if (k != i && votes_[std::size_t(k) * nf + best] > bestVotes) mutual = false;
        if (mutual) pairs_.push_back({i, best});
    }
    if (pairs_.size() < 2) return result;

    // The turn and shift that most candidate pairs agree on.
    RigidTransform best;
    int bestInliers = 0;
    const double reach = settings_.matchRadius;
    for (std::size_t p = 0; p < pairs_.size(); ++p)
        for (std::size_t q = p + 1; q < pairs_.size(); ++q) {
            RigidTransform t;
            if (!fromTwoPairs(at(frame[std::size_t(pairs_[p].second)]), at(frame[std::size_t(pairs_[q].second)]),
                              at(reference[std::size_t(pairs_[p].first)]), at(reference[std::size_t(pairs_[q].first)]),
                              2 * reach, t))
                continue;
            int inliers = 0;
            for (const auto& [i, j] : pairs_) {
                const QPointF d = t.apply(at(frame[std::size_t(j)])) - at(reference[std::size_t(i)]);
                if (d.x() * d.x() + d.y() * d.y() <= reach * reach) ++inliers;
            }
            if (inliers > bestInliers) {
                bestInliers = inliers;
                best = t;
            }
        }
    if (bestInliers < 2) return result;

    // Every star of the frame in reach of a reference star after the turn
    // and shift pairs with the nearest; the fit is refined on them, dropping
    // pairs far above the typical residual.
    std::vector<QPointF>& from = from_;
    std::vector<QPointF>& to = to_;
    RigidTransform t = best;
    for (int round = 0; round < 3; ++round) {
        pairs_.clear();
        for (std::size_t j = 0; j < frame.size(); ++j) {
            const QPointF p = t.apply(at(frame[j]));
            int nearest = -1;
            double d2best = reach * reach;
            for (std::size_t i = 0; i < reference.size(); ++i) {
                const double dx = reference[i].x - p.x(), dy = reference[i].y - p.y();
                const double d2 = dx * dx + dy * dy;
                if (d2 <= d2best) {
                    d2best = d2;
                    nearest = int(i);
                }
            }
            if (nearest >= 0) pairs_.push_back({nearest, int(j)});
        }
        residuals_.clear();
        for (const auto& [i, j] : pairs_) {
            const QPointF d = t.apply(at(frame[std::size_t(j)])) - at(reference[std::size_t(i)]);
            residuals_.push_back(std::hypot(d.x(), d.y()));
        }
        // One partner per reference star: the nearest.
        order_.resize(pairs_.size());
        std::iota(order_.begin(), order_.end(), 0);
        std::sort(order_.begin(), order_.end(), [&](int a, int b) {
            if (pairs_[std::size_t(a)].first != pairs_[std::size_t(b)].first)
                return pairs_[std::size_t(a)].first < pairs_[std::size_t(b)].first;
            return residuals_[std::size_t(a)] < residuals_[std::size_t(b)];
        });
        sorted_.assign(residuals_.begin(), residuals_.end());
        std::sort(sorted_.begin(), sorted_.end());
        const double typical = sorted_.empty() ? 0 : sorted_[sorted_.size() / 2];
        const double limit = round == 0 ? reach : std::max(0.25, 3.0 * typical);
        from.clear();
        to.clear();
        int lastReference = -1;
        for (int n : order_) {
            const auto [i, j] = pairs_[std::size_t(n)];
            if (i == lastReference) continue;
            lastReference = i;
            if (residuals_[std::size_t(n)] > limit) continue;
            from.push_back(at(frame[std::size_t(j)]));
            to.push_back(at(reference[std::size_t(i)]));
        }
        if (from.size() < 3) return result;
        t = fitRigid(from, to);
    }
    double sum2 = 0;
    for (std::size_t n = 0; n < from.size(); ++n) {
        const QPointF d = t.apply(from[n]) - to[n];
        sum2 += d.x() * d.x() + d.y() * d.y();
    }
    result.transform = t;
    result.matched = int(from.size());
    result.rms = std::sqrt(sum2 / double(from.size()));
    result.ok = result.matched >= settings_.minMatched && result.rms <= settings_.maxRms;
    return result;
}

// ---------------------------------------------------------------------------
// Resampling

namespace {

// The bilinear mix of the pixel pairs a[0], a[1] (upper row) and b[0], b[1]
// (lower row) with 8-bit weights (0..256): first down the columns, rounded
// to whole levels, then across. Whole shifts (a weight of 0) copy exactly.
#if defined(__SSE2__)
inline uint32_t mixFour(const uint32_t* a, const uint32_t* b, int fx, int fy)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i upper = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(a)), zero);
    const __m128i lower = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(b)), zero);
    const __m128i half = _mm_set1_epi16(128);
    __m128i v = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(upper, _mm_set1_epi16(short(256 - fy))),
                                            _mm_mullo_epi16(lower, _mm_set1_epi16(short(fy)))),
                              half);
    v = _mm_srli_epi16(v, 8);
    const __m128i wx = _mm_set_epi16(short(fx), short(fx), short(fx), short(fx), short(256 - fx), short(256 - fx),
                                     short(256 - fx), short(256 - fx));
    __m128i h = _mm_mullo_epi16(v, wx);
    h = _mm_add_epi16(_mm_add_epi16(h, _mm_srli_si128(h, 8)), half);
    h = _mm_srli_epi16(h, 8);
    return uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(h, zero))) | 0xFF000000u;
}
#else
inline uint32_t mixFour(const uint32_t* a, const uint32_t* b, int fx, int fy)
{
    uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const int v0 = (int((a[0] >> shift) & 0xFF) * (256 - fy) + int((b[0] >> shift) & 0xFF) * fy + 128) >> 8;
        const int v1 = (int((a[1] >> shift) & 0xFF) * (256 - fy) + int((b[1] >> shift) & 0xFF) * fy + 128) >> 8;
        out |= uint32_t((v0 * (256 - fx) + v1 * fx + 128) >> 8) << shift;
    }
    return out;
}
#endif

} // namespace

namespace {

struct ResamplePass {
    const uint32_t* src;
    std::size_t stride;
    QImage* target;
    uint8_t* coverage;
    int width, height;
    double c, s, tx, ty;
    int64_t stepX, stepY, limitX, limitY;
};

constexpr double kFixedOne = 4294967296.0; // 32 fractional bits
constexpr int64_t kHalfWeight = int64_t(1) << 23;

void resampleRows(void* context, int firstRow, int endRow)
{
    const ResamplePass& p = *static_cast<const ResamplePass*>(context);
    const int width = p.width, height = p.height;
    for (int y = firstRow; y < endRow; ++y) {
        auto* out = reinterpret_cast<uint32_t*>(p.target->scanLine(y));
        uint8_t* covered = p.coverage ? p.coverage + std::size_t(y) * std::size_t(width) : nullptr;
        // Source of this row's first pixel, then one step per pixel; the
        // 8-bit weights are the fraction rounded to 1/256 pixel.
        const double qy = y - p.ty;
        int64_t px = std::llround((p.c * -p.tx + p.s * qy) * kFixedOne);
        int64_t py = std::llround((-p.s * -p.tx + p.c * qy) * kFixedOne);
        for (int x = 0; x < width; ++x, px += p.stepX, py += p.stepY) {
            if (px < 0 || py < 0 || px > p.limitX || py > p.limitY) {
                out[x] = 0xFF000000u;
                continue;
            }
            const int64_t rx = px + kHalfWeight, ry = py + kHalfWeight;
            int x0 = int(rx >> 32), y0 = int(ry >> 32);
            int fx = int((rx >> 24) & 0xFF), fy = int((ry >> 24) & 0xFF);
            if (x0 >= width - 1) { // on the last column: its left neighbour mixed with nothing of it
                x0 = width - 2;
                fx = 256;
            }
            if (y0 >= height - 1) {
                y0 = height - 2;
                fy = 256;
            }
            const uint32_t* r0 = p.src + std::size_t(y0) * p.stride + std::size_t(x0);
            out[x] = mixFour(r0, r0 + p.stride, fx, fy);
            if (covered) covered[x] = 1;
        }
    }
}

} // namespace

void resampleRigid(const QImage& frame, int width, int height, const RigidTransform& transform, QImage& target,
                   std::vector<uint8_t>* coverage, RowSplit* rows)
{
    width = std::min({width, frame.width(), target.width()});
    height = std::min({height, frame.height(), target.height()});
    if (coverage) coverage->assign(std::size_t(std::max(0, width)) * std::size_t(std::max(0, height)), 0);
    if (width < 2 || height < 2 || frame.format() != QImage::Format_RGB32 || target.format() != QImage::Format_RGB32)
        return;
    ResamplePass pass;
    pass.src = reinterpret_cast<const uint32_t*>(frame.constBits());
    pass.stride = std::size_t(frame.bytesPerLine()) / 4;
    pass.target = &target;
    pass.coverage = coverage ? coverage->data() : nullptr;
    pass.width = width;
    pass.height = height;
    pass.c = std::cos(transform.angle);
    pass.s = std::sin(transform.angle);
    pass.tx = transform.tx;
    pass.ty = transform.ty;
    pass.stepX = std::llround(pass.c * kFixedOne);
    pass.stepY = std::llround(-pass.s * kFixedOne);
    pass.limitX = int64_t(width - 1) << 32;
    pass.limitY = int64_t(height - 1) << 32;
    (void)target.scanLine(0); // detached here, before any row is written from two threads
    if (rows) rows->run(height, resampleRows, &pass);
    else resampleRows(&pass, 0, height);
}

} // namespace velumbra

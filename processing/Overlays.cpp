#include "processing/Overlays.h"

#include "core/Rounding.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velumbra {
namespace {

constexpr double kRadPerDegree = std::numbers::pi / 180.0;
constexpr int kAxisLength = 800;  // pixels either side of the centre
constexpr int kArrowNear = 45, kArrowFar = 55;
constexpr double kArrowSpread = 5; // degrees

// x + 360 minus whole turns: into [0, 360).
double normalised(double degrees)
{
    const double x = degrees + 360.0;
    return x - 360.0 * std::trunc(x / 360.0);
}

QPoint along(Point c, double angle, double length)
{
    return {c.x + int(std::trunc(length * std::cos(angle))), c.y + int(std::trunc(length * std::sin(angle)))};
}

} // namespace

int reticleTickStep(double k)
{
    const int f = int(std::trunc(k));
    if (f == 0) {
        const std::pair<double, int> coarse[] = {{0.5, 60},    {0.25, 120},   {0.125, 300},  {0.05, 600},
                                                 {0.025, 900}, {0.0166, 1800}, {0.0088, 3600}, {0.0044, 7200},
                                                 {0.0022, 18000}};
        for (auto [from, step] : coarse)
            if (k >= from) return step;
        return 36000;
    }
    if (f == 1) return 30;
    if (f <= 3) return 15;
    if (f <= 6) return 10;
    if (f <= 9) return 5;
    if (f <= 32) return 2;
    // Beyond 32 pixels per arc second a circle every arc second is still apart.
    return 1;
}

std::optional<ReticleScale> reticleScale(double sampling, int imageWidth)
{
    if (!(sampling > 0) || !std::isfinite(sampling) || imageWidth <= 0) return std::nullopt;
    ReticleScale s;
    s.k = 1.0 / sampling;
    const double extent = std::nearbyint(imageWidth / s.k);
    if (!(extent < 1e7)) return std::nullopt; // a scale no frame could show
    s.extent = int(extent);
    s.step = reticleTickStep(s.k);
    if (s.step < 60) {
        s.divisor = 1;
        s.sign = QLatin1Char('"');
    } else if (s.step < 3600) {
        s.divisor = 60;
        s.sign = QLatin1Char('\'');
    } else {
        s.divisor = 3600;
        s.sign = QChar(0x00B0);
    }
    return s;
}

void DrawReticle(QImage& layer, Point c, int imageWidth, const ReticleOptions& o)
{
    const std::optional<ReticleScale> scale = reticleScale(o.sampling, imageWidth);
    if (!scale) return;
    const double alpha = o.orientation * kRadPerDegree;
    const double beta = normalised(o.diagonal ? o.orientation + 90 : o.orientation - 90) * kRadPerDegree;

    QPainter p(&layer);
    p.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    QPen pen(QColor(0, 255, 255));
    pen.setWidth(1);
    pen.setStyle(Qt::DotLine);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(9);
    p.setFont(font);

    if (o.circles)
        for (int s = scale->step; s <= scale->extent; s += scale->step) {
            const int m = int(std::trunc(s * scale->k));
            p.drawEllipse(QPoint(c.x, c.y), m, m);
        }
    if (!o.cross) return;

    const auto axis = [&](double a, int width) {
        pen.setStyle(Qt::SolidLine);
        pen.setWidth(width);
        p.setPen(pen);
        p.drawLine(along(c, a + std::numbers::pi, kAxisLength), along(c, a, kAxisLength));
        const double spread = kArrowSpread * kRadPerDegree;
        p.drawLine(along(c, a + spread, kArrowNear), along(c, a, kArrowFar));
        p.drawLine(along(c, a, kArrowFar), along(c, a - spread, kArrowNear));
    };
    axis(alpha, 2);
    axis(beta, 1);

    for (int s = scale->step; s <= scale->extent; s += scale->step) {
        const int P = int(std::trunc(s * scale->k));
        const QString text = QString::number(double(s) / scale->divisor, 'g', 3) + scale->sign;
        for (double a : {alpha, beta})
            for (int side : {1, -1}) p.drawText(along(c, a, side * P), text);
    }
    const double ends[] = {alpha, beta, alpha + std::numbers::pi, beta + std::numbers::pi};
    for (int i = 0; i < 4; ++i)
        p.drawText(QPoint(c.x + int(std::trunc(50 * std::cos(ends[i]))), c.y + int(std::trunc(60 * std::sin(ends[i])))),
                   o.axisNames[size_t(i)]);
}

// Drawn pixel by pixel: the marker is drawn on every frame, and a painter
// would allocate each time.
void DrawTarget(QImage& canvas, Point at, int centreMark, int outline, QColor colour, int half)
{
    const QRgb pen = colour.rgb();
    const int w = canvas.width(), h = canvas.height();
    const auto put = [&](int x, int y) {
        if (x >= 0 && y >= 0 && x < w && y < h) reinterpret_cast<QRgb*>(canvas.scanLine(y))[x] = pen;
    };
    int e = std::max(half, 0);
    if (outline == 0) {
        for (int i = -e; i <= e; ++i) {
            put(at.x + i, at.y - e);
            put(at.x + i, at.y + e);
            put(at.x - e, at.y + i);
            put(at.x + e, at.y + i);
        }
    } else if (outline == 1) {
        // A circle through the middle of the square's sides (midpoint steps).
        int x = e, y = 0, err = 1 - e;
        while (x >= y) {
            for (const auto& [dx, dy] : {std::pair{x, y}, std::pair{y, x}}) {
                put(at.x + dx, at.y + dy);
                put(at.x - dx, at.y + dy);
                put(at.x + dx, at.y - dy);
                put(at.x - dx, at.y - dy);
            }
            ++y;
            if (err < 0) {
                err += 2 * y + 1;
            } else {
                --x;
                err += 2 * (y - x) + 1;
            }
        }
        e = int(std::trunc(e * 0.707));
    } else {
        e = 0;
    }
    if (centreMark == 0) {
        for (int i = 0; i <= 2 * e; ++i) {
            put(at.x - e + i, at.y - e + i);
            put(at.x + e - 1 - i, at.y - e + i);
        }
    } else if (centreMark == 1) {
        put(at.x, at.y);
    }
}

int saturationLevel(double TNI_Seuil_Satur) { return int(std::floor(TNI_Seuil_Satur)); }

void MarkSaturation(const QImage& frame, QImage& view, int width, int height, int threshold)
{
    // The marks alone, over what the view holds; the frame routine draws the
    // whole view at once with ShowSaturation.
    width = std::min({width, frame.width(), view.width()});
    height = std::min({height, frame.height(), view.height()});
    for (int y = 0; y < height; ++y) {
        const uint32_t* in = reinterpret_cast<const uint32_t*>(frame.constScanLine(y));
        uint32_t* out = reinterpret_cast<uint32_t*>(view.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const uint32_t v = in[x];
            if (int(std::max({(v >> 16) & 0xffu, (v >> 8) & 0xffu, v & 0xffu})) >= threshold) out[x] = qRgb(255, 0, 0);
        }
    }
}

void ShowSaturation(const QImage& frame, QImage& view, int width, int height, int threshold)
{
    width = std::min({width, frame.width(), view.width()});
    height = std::min({height, frame.height(), view.height()});
    if (width <= 0 || height <= 0) return;
    const uint32_t red = qRgb(255, 0, 0), black = qRgb(0, 0, 0);
    const bool none = threshold > 255, all = threshold <= 0;
    const auto t1 = uint8_t(std::clamp(threshold, 1, 256) - 1);
    for (int y = 0; y < height; ++y) {
        const uint32_t* in = reinterpret_cast<const uint32_t*>(frame.constScanLine(y));
        uint32_t* out = reinterpret_cast<uint32_t*>(view.scanLine(y));
        int x = 0;
#if defined(__SSE2__)
        if (!none && !all) {
            const __m128i floor = _mm_set1_epi8(char(t1));
            const __m128i colour = _mm_set1_epi32(0x00ffffff);
            const __m128i redv = _mm_set1_epi32(int(red));
            const __m128i blackv = _mm_set1_epi32(int(black));
            const __m128i zero = _mm_setzero_si128();
            for (; x + 4 <= width; x += 4) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x));
                const __m128i below = _mm_cmpeq_epi32(_mm_and_si128(_mm_subs_epu8(v, floor), colour), zero);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x),
                                 _mm_or_si128(_mm_and_si128(below, blackv), _mm_andnot_si128(below, redv)));
            }
        }
#endif
        for (; x < width; ++x) {
            const uint32_t v = in[x];
            const uint32_t top = std::max({(v >> 16) & 0xffu, (v >> 8) & 0xffu, v & 0xffu});
            out[x] = !none && (all || top > t1) ? red : black;
        }
    }
}

void Histogram::count(const QImage& frame, int width, int height)
{
    width = std::clamp(width, 0, frame.width());
    height = std::clamp(height, 0, frame.height());
    pixels = width * height;
    // Red and green together in one table of level pairs, blue in four
    // tables taken in turn: two counter updates a pixel instead of three, and
    // runs of equal levels (a dark sky) do not wait on one counter. The
    // tables are made once and kept.
    redGreen_.cells.assign(size_t(256) * 256, 0);
    std::array<std::array<uint32_t, 256>, 4> b{};
    uint32_t* rg = redGreen_.cells.data();
    for (int y = 0; y < height; ++y) {
        const uint32_t* in = reinterpret_cast<const uint32_t*>(frame.constScanLine(y));
        int x = 0;
        for (; x + 4 <= width; x += 4) {
            for (int k = 0; k < 4; ++k) {
                const uint32_t v = in[x + k];
                ++rg[(v >> 8) & 0xffffu];
                ++b[size_t(k)][v & 0xffu];
            }
        }
        for (; x < width; ++x) {
            const uint32_t v = in[x];
            ++rg[(v >> 8) & 0xffffu];
            ++b[0][v & 0xffu];
        }
    }
    std::array<uint32_t, 256> g{};
    for (size_t r = 0; r < 256; ++r) {
        const uint32_t* row = rg + r * 256;
        uint32_t sum = 0;
        for (size_t i = 0; i < 256; ++i) {
            sum += row[i];
            g[i] += row[i];
        }
        red[r] = int(sum);
    }
    for (size_t i = 0; i < 256; ++i) {
        green[i] = int(g[i]);
        blue[i] = int(b[0][i] + b[1][i] + b[2][i] + b[3][i]);
    }
}

int histogramTop(int pixels, int scale)
{
    return scale > 0 ? RoundDown(double(pixels) * 100.0 / scale) : 0;
}

void drawHistogram(QImage& picture, const Histogram& h, int scale, const HistogramMarks& marks)
{
    picture.fill(Qt::black);
    if (h.pixels <= 0 || picture.width() < 256 || picture.height() < 101) return;
    const auto height = [&](int count) { return 100 - std::min(100, RoundDown(double(count) / h.pixels * scale)); };
    for (int i = 0; i < 256; ++i) {
        const int yr = height(h.red[size_t(i)]), yg = height(h.green[size_t(i)]), yb = height(h.blue[size_t(i)]);
        picture.setPixel(i, yr, picture.pixel(i, yr) | qRgb(255, 0, 0));
        picture.setPixel(i, yg, picture.pixel(i, yg) | qRgb(0, 255, 0));
        picture.setPixel(i, yb, picture.pixel(i, yb) | qRgb(0, 0, 255));
    }
    QPainter p(&picture);
    const auto line = [&](int x, QColor colour) {
        if (x < 0 || x > 255) return;
        p.setPen(colour);
        p.drawLine(x, 1, x, 100);
    };
    line(marks.red, QColor(255, 0, 0));
    line(marks.green, QColor(0, 128, 0));
    line(marks.blue, QColor(0, 0, 255));
    if (marks.saturation >= 0 && marks.saturation <= 255) {
        p.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        p.drawLine(marks.saturation, 1, marks.saturation, 100);
    }
}

std::optional<QRgb> pixelAt(const QImage& image, int x, int y, int width, int height)
{
    if (x < 0 || y < 0 || x >= std::min(width, image.width()) || y >= std::min(height, image.height())) return std::nullopt;
    return image.pixel(x, y);
}

} // namespace velumbra

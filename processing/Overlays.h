#pragma once
#include "core/Geometry.h"

#include <QColor>
#include <QImage>
#include <QString>

#include <array>
#include <vector>
#include <optional>

namespace velumbra {

// The reticle's tick step in arc seconds for `k` pixels per arc second:
// the finer the scale, the closer the circles and the graduations.
int reticleTickStep(double k);

// How the reticle is drawn for a frame `imageWidth` wide at `sampling` arc
// seconds per pixel: pixels per arc second, the arc seconds across the
// frame, the tick step, and how the graduations are labelled.
struct ReticleScale {
    double k = 0;       // pixels per arc second
    int extent = 0;     // arc seconds across the frame
    int step = 0;       // arc seconds between ticks
    int divisor = 1;    // 1, 60 or 3600
    QChar sign;         // '"', '\'' or '°'
};
// Nothing for a sampling that is not a positive number.
std::optional<ReticleScale> reticleScale(double sampling, int imageWidth);

struct ReticleOptions {
    bool cross = true;
    bool circles = true;
    double orientation = 0; // degrees: the westward drift on the image
    double sampling = 1;    // arc seconds per pixel
    bool diagonal = false;  // a diagonal mirror turns the north axis over
    // Names at the ends of the axes: along the orientation, a quarter turn
    // on, and the two opposite ends.
    std::array<QString, 4> axisNames{QStringLiteral("Ouest"), QStringLiteral("Nord"), QStringLiteral("Est"),
                                     QStringLiteral("Sud")};
};

// The graduated reticle around `centre` on `layer` (white where nothing is
// drawn): circles every tick step, the cross along the orientation and a
// quarter turn from it, its graduations and the names of its ends. A
// sampling that is not positive draws nothing.
void DrawReticle(QImage& layer, Point centre, int imageWidth, const ReticleOptions& options);

// The target marker: outline 0 a square, 1 a circle (its centre mark then
// fits inside it), other none; centre mark 0 the two diagonals, 1 a pixel.
void DrawTarget(QImage& canvas, Point at, int centreMark, int outline, QColor colour, int half);

// The level the saturation view marks from and the histogram's dotted line
// stands at, for the threshold field (a whole number 0..255): the value
// itself, so that 255 marks only a channel at 255.
int saturationLevel(double TNI_Seuil_Satur);

// Pixels of `frame` with a channel at or above `threshold` turn pure red in `view`.
void MarkSaturation(const QImage& frame, QImage& view, int width, int height, int threshold);
// The saturation view of a frame in one pass: red where MarkSaturation
// marks, black elsewhere within width x height (a black fill, then the marks).
void ShowSaturation(const QImage& frame, QImage& view, int width, int height, int threshold);

// Counts of each level per channel over the frame.
struct Histogram {
    std::array<int, 256> red{}, green{}, blue{};
    int pixels = 0;
    void count(const QImage& frame, int width, int height);

private:
    // Counts of (red, green) pairs, made once and kept between frames; a
    // copy of the histogram takes the counts only.
    struct Table {
        std::vector<uint32_t> cells;
        Table() = default;
        Table(const Table&) {}
        Table& operator=(const Table&) { return *this; }
    };
    Table redGreen_;
};

// The histogram picture, 256 x 101: a point per level and channel at
// `scale` (the share of the pixels that reaches the top is 1/scale), the
// three shown levels as lines, and the saturation threshold dotted.
struct HistogramMarks {
    int red = -1, green = -1, blue = -1; // levels under the mouse; -1: none
    int saturation = -1;                 // -1: not shown
};
void drawHistogram(QImage& picture, const Histogram& h, int scale, const HistogramMarks& marks);
// "Echelle": the pixel count at the top of the picture.
int histogramTop(int pixels, int scale);

// The colour of pixel (x, y) of an image, inside width x height; nothing outside.
std::optional<QRgb> pixelAt(const QImage& image, int x, int y, int width, int height);

} // namespace velumbra

#pragma once
#include <QImage>

#include <array>

namespace velumbra {

// A self-guided exposure reads the sensor's two line sets one after the
// other into two frames; each holds the rows of its own set. The rows come
// in groups: at 640 pixels wide two rows in every four (set 0: rows 0,1,4,5…,
// set 1: rows 2,3,6,7…), at 320 one row in two (even rows, odd rows).
// Other widths have no known layout and are left alone.
struct HalfFrameMeans {
    std::array<double, 3> rgb{}; // red, green, blue, over the full pixel count
    double sum() const { return rgb[0] + rgb[1] + rgb[2]; }
};

// Whether row `y` belongs to the set `half` (0 or 1) at this width; false
// for widths without a layout.
bool halfFrameRow(int width, int half, int y);
bool halfFrameWidth(int width);

// Blackens the rows of the other set and returns the means of the kept rows
// divided by width x height. The image holds blue, green, red bytes per pixel (24 or 32 bits).
HalfFrameMeans measureHalfFrame(QImage& image, int width, int height, int half);

// Scales the kept rows of the dimmer half so both carry the same light:
// factor = brighter sum / max(dimmer sum, 1), each value min(trunc(v*f), 255).
void equalizeHalfFrames(QImage& half0, const HalfFrameMeans& m0, QImage& half1, const HalfFrameMeans& m1, int width,
                        int height);

// The merged frame: every byte of `into` ORed with the same byte of `from`.
void mergeHalfFrames(QImage& into, const QImage& from, int width, int height);

} // namespace velumbra

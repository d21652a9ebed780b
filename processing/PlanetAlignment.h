#pragma once
#include <QImage>
#include <QPointF>
#include <QRect>
#include <vector>

namespace velumbra {

// A planet's disc on a frame: the light-weighted centre of the pixels well
// above the background, and the box that holds them.
struct DiscFound {
    bool ok = false;
    QPointF centre;
    QRect box;
    double background = 0;
};

// Lucky imaging of a planet. Sharpness ranks frames by the seeing: the mean
// squared gradient over the disc's box divided by the squared mean level, so
// a frame dimmed by a passing haze is not ranked as blurred. DiscAligner
// finds how far each frame's disc lies from the reference's to a fraction of
// a pixel: the centres first (the disc may wander over a quarter of the
// frame), then the shift that best lays the frame's disc on the reference's
// (least squares on the image gradients, the frame's level matched).
// Buffers grow once to the frame size.
class PlanetFrames {
public:
    // Grey levels (sum of the channels) of the frame, and its disc.
    DiscFound findDisc(const QImage& frame, int width, int height);
    double sharpness(const QImage& frame, int width, int height);

    // The reference the next frames are laid on; false when it has no disc.
    bool setReference(const QImage& frame, int width, int height);
    bool hasReference() const { return !reference_.empty(); }
    // Where the frame's disc lies relative to the reference's: frame pixel
    // (x + shift) shows what reference pixel x shows. False without a disc.
    bool align(const QImage& frame, int width, int height, QPointF& shift);

private:
    void toGrey(const QImage& frame, int width, int height);
    double sample(double x, double y) const;
    std::vector<float> grey_;
    int width_ = 0, height_ = 0;
    std::vector<float> reference_; // the reference's grey over refBox_
    std::vector<float> gradX_, gradY_;
    QRect refBox_;
    QPointF refCentre_;
};

// Lucky imaging in the live loop: the sharpness of the last frames seen (at
// most kMaxWindow); a new frame is kept when it ranks among the best percent
// of them. The ring and its scratch are sized once.
class RollingBest {
public:
    static constexpr int kMaxWindow = 1000;
    RollingBest();
    // Adds the frame's score; true when it is among the best `percent` of
    // the last `window` scores, itself included.
    bool accept(double score, int percent, int window);
    void clear() { count_ = next_ = 0; }
    int seen() const { return count_; }

private:
    std::vector<double> ring_, scratch_;
    int count_ = 0, next_ = 0;
};

} // namespace velumbra

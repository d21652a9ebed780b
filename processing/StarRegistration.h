#pragma once
#include "core/RowSplit.h"

#include <QImage>
#include <QPointF>
#include <cstdint>
#include <vector>

namespace velumbra {

// A star found on a frame: centroid in pixels (pixel centres at whole
// numbers), light above the local background, and whether its core is clipped.
struct FoundStar {
    double x = 0;
    double y = 0;
    double flux = 0;
    bool saturated = false;
};

// A turn about the origin followed by a shift: reference = R(angle) * frame + (tx, ty).
// Scale stays 1: the optics do not change between frames.
struct RigidTransform {
    double angle = 0; // radians, counter-clockwise in image coordinates (y down)
    double tx = 0;
    double ty = 0;

    QPointF apply(QPointF p) const;
    QPointF applyInverse(QPointF p) const;
    double degrees() const;
    // How far the frame's point `centre` lands from itself: the shift a user
    // reads for a frame turned about its middle.
    QPointF shiftOf(QPointF centre) const;
};

struct StarFinderSettings {
    int maxStars = 80;          // the brightest ones are kept
    double sigmas = 5.0;        // detection threshold above the background, in noise deviations
    int radius = 5;             // half-width of the centroid box
};

// Finds stars on Format_RGB32 frames: the background and its noise from the
// frame's histogram, local maxima above the threshold that more than one
// pixel holds (a hot pixel is alone), sub-pixel centroids of the light above
// each box's border median. Its buffers grow once to the frame size.
class StarFinder {
public:
    explicit StarFinder(StarFinderSettings settings = {}) : settings_(settings) {}
    // Stars of the top-left width x height of frame, brightest first.
    const std::vector<FoundStar>& find(const QImage& frame, int width, int height);
    const std::vector<FoundStar>& stars() const { return stars_; }
    double background() const { return background_; }
    double noise() const { return noise_; }

private:
    StarFinderSettings settings_;
    std::vector<uint16_t> grey_; // red + green + blue
    std::vector<FoundStar> stars_;
    std::vector<int> border_;
    struct Candidate {
        int value, x, y;
    };
    std::vector<Candidate> candidates_;
    int width_ = 0;
    double background_ = 0;
    double noise_ = 1;
    bool centroid(int px, int py, int height, FoundStar& star);
};

struct MatchSettings {
    int triangleStars = 25;      // the brightest of each list build the triangles
    double sideTolerance = 1.5;  // pixels, on each side of a triangle
    double matchRadius = 2.0;    // pixels, a star's distance to its partner after the fit
    int minMatched = 6;          // fewer pairs: the frame is not registered
    double maxRms = 1.0;         // pixels: a worse fit is not trusted
};

struct MatchResult {
    bool ok = false;
    RigidTransform transform; // frame -> reference
    int matched = 0;
    double rms = 0; // pixels, over the matched pairs
};

// Matches a frame's stars to the reference's by triangles of equal sides
// (a turn and a shift keep them; missing and extra stars only lose votes),
// then fits the turn and shift to every pair in reach, dropping outliers.
class StarMatcher {
public:
    explicit StarMatcher(MatchSettings settings = {}) : settings_(settings) {}
    MatchResult match(const std::vector<FoundStar>& reference, const std::vector<FoundStar>& frame);

private:
    struct Triangle {
        float a, b, c; // sides, longest first
        int v[3];      // vertices opposite a, b, c
        bool clockwise;
    };
    void triangles(const std::vector<FoundStar>& stars, int count, std::vector<Triangle>& out);
    MatchSettings settings_;
    std::vector<Triangle> refTriangles_, frameTriangles_;
    std::vector<int> votes_;
    std::vector<std::pair<int, int>> pairs_;
    std::vector<double> residuals_, sorted_;
    std::vector<int> order_;
    std::vector<QPointF> from_, to_;
};

// Least-squares turn and shift taking points `from` onto `to`.
RigidTransform fitRigid(const std::vector<QPointF>& from, const std::vector<QPointF>& to);

// Resamples the top-left width x height of frame onto the reference grid:
// each target pixel takes the bilinear mix of the four frame pixels around
// transform^-1(pixel). Target pixels whose source lies outside the frame are
// black and 0 in coverage (1 elsewhere) when coverage is given. target must
// be Format_RGB32 and at least width x height. With rows, the second core
// takes half the rows; the result is the same.
void resampleRigid(const QImage& frame, int width, int height, const RigidTransform& transform, QImage& target,
                   std::vector<uint8_t>* coverage = nullptr, RowSplit* rows = nullptr);

} // namespace velumbra

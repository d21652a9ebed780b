#pragma once

namespace velumbra {

// What a tracking pass found while autoguiding: the star's offset from the
// guiding reference, whether the detection zone had to be pushed back
// inside the frame, and how far the star stands out of the zone (its
// brightest pixel above the zone's mean; the darkest below it when
// following a dark object).
struct GuideStar {
    int dx = 0;
    int dy = 0;
    bool clamped = false;
    int brightness = 0;
};

// Where a tracking pass sends the star's offset while autoguiding is on.
// The autoguiding loop provides the real correction; until it is attached
// the offset is dropped.
class GuideCorrection {
public:
    virtual ~GuideCorrection() = default;
    virtual void guide_correct(int /*dx*/, int /*dy*/) {}
    // One tracking pass: by default the offset alone goes on.
    virtual void guideStar(const GuideStar& star) { guide_correct(star.dx, star.dy); }
};

// What one tracking pass saw for the focus measure: the number of zone
// pixels above the focus threshold, the threshold itself, the zone's
// brightest and darkest intensities and its size in pixels. A peak of -1
// means the pass did not say (the count alone is known).
struct FocusSample {
    int count = 0;
    int peak = -1;
    int floor = 0;
    int threshold = 0;
    int zonePixels = 0;
};

// The focus measure, run by each tracking pass while CKB_MAP is checked,
// with the number of zone pixels above the focus threshold.
class FocusMeasure {
public:
    virtual ~FocusMeasure() = default;
    virtual void focusPass(int /*focusCount*/) {}
    // The whole sample; by default the count alone goes on.
    virtual void focusSample(const FocusSample& s) { focusPass(s.count); }
};

} // namespace velumbra

#pragma once
#include "processing/StarRegistration.h"

#include <QImage>
#include <vector>

namespace velumbra {

// Registration of the live frames while a stack runs: the run's first frame
// is the reference; every later frame is found, matched to it by its stars
// and turned onto it in place. A frame that cannot be matched is refused and
// counted, never added blurred.
class LiveRegistration {
public:
    // restart: the run starts again, this frame is the new reference.
    // True when the frame may be added (the reference, or a frame laid on it).
    bool apply(QImage& frame, int width, int height, bool restart);

    bool hasReference() const { return !reference_.empty(); }
    const MatchResult& last() const { return last_; }
    int registered() const { return registered_; }
    int refused() const { return refused_; }
    // What the tracking panel shows: stars paired, the shift of the frame's
    // centre in pixels and the turn in degrees; a mark when refused.
    QString summary(int width, int height) const;

private:
    StarFinder finder_;
    StarMatcher matcher_;
    std::vector<FoundStar> reference_;
    QImage turned_;
    MatchResult last_;
    bool lastRefused_ = false;
    int registered_ = 0, refused_ = 0;
};

} // namespace velumbra

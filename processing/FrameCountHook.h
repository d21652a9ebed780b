#pragma once
#include <QDateTime>
#include <QImage>

namespace velumbra {

// Sequence saving by frame count: every frame source calls it after
// ProcessFrame with the selection verdict (the live and stream sources not
// while a long exposure runs).
class FrameCountHook {
public:
    virtual ~FrameCountHook() = default;
    virtual void frameCounted(bool Selected) = 0;
    // A new frame as the source gave it (width x height at the top left of
    // `frame`), before the frame routine: what a video recording keeps.
    // `time`: when it was taken as the source knows it, invalid when it does
    // not say (its arrival is then now).
    virtual void frameArrived(const QImage& /*frame*/, int /*width*/, int /*height*/, const QDateTime& /*time*/) {}
};

} // namespace velumbra

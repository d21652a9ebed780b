#pragma once

namespace velumbra {

// Sequence saving by frame count: every frame source calls it after
// ProcessFrame with the selection verdict (the live and stream sources not
// while a long exposure runs).
class FrameCountHook {
public:
    virtual ~FrameCountHook() = default;
    virtual void frameCounted(bool Selected) = 0;
};

} // namespace velumbra

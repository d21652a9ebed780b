#pragma once

namespace velumbra {

// Where a tracking pass sends the star's offset while autoguiding is on.
// The autoguiding loop provides the real correction; until it is attached
// the offset is dropped.
class GuideCorrection {
public:
    virtual ~GuideCorrection() = default;
    virtual void guide_correct(int /*dx*/, int /*dy*/) {}
};

// The focus measure, run by each tracking pass while CKB_MAP is checked,
// with the number of zone pixels above the focus threshold.
class FocusMeasure {
public:
    virtual ~FocusMeasure() = default;
    virtual void focusPass(int /*focusCount*/) {}
};

} // namespace velumbra

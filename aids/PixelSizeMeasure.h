#pragma once
#include "aids/OperationSequencer.h"

namespace velumbra {

// The pixel size from the sky's drift: a star that moved `distancePixels`
// in `seconds` with the mount's tracking stopped. Before two seconds or
// without movement one pixel counts as one arc second. Micrometres, never
// below 1.
double measuredPixelSize(double distancePixels, double seconds, double effectiveFocal);

// Where the measured size goes: the camera tab's pixel size and resolution.
class PixelSizeView {
public:
    virtual ~PixelSizeView() = default;
    virtual double effectiveFocal() const = 0;
    // "Executer": the resolution the size is measured at.
    virtual void setResolution(int width, int height) = 0;
    // Each frame: width and height of a pixel, then the sampling follows.
    virtual void setPixelSize(double micrometres) = 0;
};

// The star drifts at the sidereal rate with the tracking stopped; its
// travel in pixels over the time gives the angle of one pixel.
class PixelSizeStep final : public OperationStep {
public:
    explicit PixelSizeStep(PixelSizeView& view) : view_(view) {}
    bool begin(const OperationStart& start) override;
    bool frame(Point starPos, int elapsedMs, bool verdict) override;

private:
    PixelSizeView& view_;
    Point reference_;
};

} // namespace velumbra

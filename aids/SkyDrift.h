#pragma once
#include "aids/OperationSequencer.h"

#include <QString>

#include <optional>

namespace velumbra {

// What one frame of the orientation (or declination) measurement shows: the
// direction the star drifts on the image with the tracking stopped, and its
// speed, whose ratio to the sidereal rate is the cosine of its declination.
struct OrientationResult {
    double TNI_Orient = 0;         // degrees, [0, 360)
    int SCB_Orient = 0;            // the same, rounded for the slider
    double TNI_Vitesse_Etoile = 0; // arc seconds per second
    double declination = 0;        // degrees, 0..90
    QString EDT_Decl_Etoile;       // the declination in degrees, minutes, seconds
};

// The star's drift over `elapsedMs` at `sampling` arc seconds per pixel.
OrientationResult orientationFrom(Point offset, int elapsedMs, double sampling);

class OrientationView {
public:
    virtual ~OrientationView() = default;
    virtual double sampling() const = 0;
    virtual void showOrientation(const OrientationResult& result) = 0;
    // The measurement ended with this last result shown.
    virtual void orientationMeasured(const OrientationResult& /*result*/) {}
};

// States 7/8: the camera's orientation and the star's declination.
class OrientationStep final : public OperationStep {
public:
    explicit OrientationStep(OrientationView& view) : view_(view) {}
    bool begin(const OperationStart& start) override;
    bool frame(Point starPos, int elapsedMs, bool verdict) override;
    void leave(bool byAbort, int elapsedMs) override;

private:
    OrientationView& view_;
    Point start_;
    std::optional<OrientationResult> last_;
};

// Where a drift definition goes: the tracking's drift method.
class DriftView {
public:
    virtual ~DriftView() = default;
    // Pixels per second on each image axis.
    virtual void setDriftRate(double x, double y) = 0;
    // The definition ended: how long it lasted, in whole seconds; the
    // drift not yet applied is dropped.
    virtual void driftDefined(int durationSeconds) = 0;
};

// States 11/12: with the tracking running, the star's speed on the image
// becomes the drift rate of the drift method.
class DriftDefinitionStep final : public OperationStep {
public:
    explicit DriftDefinitionStep(DriftView& view) : view_(view) {}
    bool begin(const OperationStart& start) override;
    bool frame(Point starPos, int elapsedMs, bool verdict) override;
    void leave(bool byAbort, int elapsedMs) override;

private:
    DriftView& view_;
    Point start_;
};

} // namespace velumbra

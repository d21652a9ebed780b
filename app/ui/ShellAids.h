#pragma once
#include "aids/SkyDrift.h"

#include <QObject>

namespace velumbra {

class TFRM_Alv;
class TFRM_ErrPeriod;
class TFRM_Main;

// The short measuring operations of the main window and their windows:
// camera orientation and star declination, drift definition, periodic
// error. Their results go to the reticle panel, the "Decl." page, the
// polar-alignment window and the tracking's drift method.
class ShellAids : public QObject, private OrientationView, private DriftView {
    Q_OBJECT
public:
    ShellAids(TFRM_Alv& main, TFRM_Main& polar, TFRM_ErrPeriod& periodic);
    ~ShellAids() override;

    void startOrientation();
    void startDeclination();
    void startDriftDefinition();
    void showPeriodicError();

private:
    // Result window out of the way, tracking on, and not by the drift method.
    void prepare();
    double sampling() const override;
    void showOrientation(const OrientationResult& r) override;
    void orientationMeasured(const OrientationResult& r) override;
    void setDriftRate(double x, double y) override;
    void driftDefined(int durationSeconds) override;

    TFRM_Alv& main_;
    TFRM_Main& polar_;
    TFRM_ErrPeriod& periodic_;
    OrientationStep orientation_{*this};
    DriftDefinitionStep drift_{*this};
    bool declination_ = false; // the orientation run was started for the star's declination
};

} // namespace velumbra

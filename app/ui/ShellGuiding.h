#pragma once
#include "aids/GuideCalibration.h"

#include <QObject>

namespace velumbra {

class PNL_Autoguidage;
class ShellTelescope;
class Telescope;
class TFRM_Alv;
class TFRM_Pref;
class TFRM_Prg_Suivi;
struct GuideLogSetup;
struct GuideSettings;

// Autoguiding wired to the windows: "Autoguidage", "Def." and "Decal.+1"
// under the tracking panel; the tracking pass hands its offsets to the
// guiding; the autoguiding window shows the corrections and moves; the
// preferences' "Apprendre" runs the calibration and their offset file is
// loaded when chosen and when the settings are read.
class ShellGuiding : public QObject, private CalibrationView {
    Q_OBJECT
public:
    ShellGuiding(TFRM_Alv& main, TFRM_Pref& pref, Telescope& telescope, ShellTelescope& shellTelescope,
                 TFRM_Prg_Suivi& window);
    ~ShellGuiding() override;

    PNL_Autoguidage* panel() const { return panel_; }

    // The controls a correction reads, as they are now.
    GuideSettings guideSettings() const;
    GuideLogSetup logSetup() const;

    void CKB_AutoguidageClick(bool checked);
    void BTN_DecalerClick();
    void BTN_ApprendreClick();
    // load_offset_file of the preferences' file; false when it cannot be read.
    bool loadOffsetFile();

private:
    double TNI_Duree_test() const override;
    double TNI_Echantillonnage() const override;
    void setSpeed(MoveDirection d, double arcsecPerSecond) override;

    TFRM_Alv& main_;
    TFRM_Pref& pref_;
    Telescope& telescope_;
    ShellTelescope& shellTelescope_;
    TFRM_Prg_Suivi& window_;
    PNL_Autoguidage* panel_ = nullptr;
    GuideCalibrationStep calibration_;
};

} // namespace velumbra

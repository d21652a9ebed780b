#pragma once
#include <QWidget>

#include <functional>

class QCheckBox;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace velumbra {

class LongExposure;
class TNumInp;

// "Longue Pose": the exposure length and count, the countdown, self-guiding
// and the run buttons. It stays on top of every window; closing it stops a
// running exposure.
class TFRM_Longuepose : public QWidget {
    Q_OBJECT
public:
    explicit TFRM_Longuepose(LongExposure& exposure, QWidget* parent = nullptr);

    // Shows the run's state (count, countdown, buttons).
    void refresh();
    // Called after the window closed, once the run is stopped.
    std::function<void()> onClosed;

    QSpinBox* SPED_Vesta_Pose;
    QSpinBox* SPED_Nb_Poses;
    TNumInp* TNI_Posenum;
    TNumInp* TNI_Timer;
    QProgressBar* PGB_Decompte;
    QCheckBox* CKB_Selfguide_Active;
    QSpinBox* SPED_Vesta_Pose_Guidage;
    QCheckBox* CKB_Egaliser;
    QPushButton* BTN_Demarrer_Pose;
    QPushButton* BTN_Arreter_Pose;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    LongExposure& exposure_;
};

} // namespace velumbra

#pragma once
#include "processing/ImageCore.h"

#include <QWidget>

class QCheckBox;
class QPushButton;
class QSpinBox;

namespace velumbra {

class TNumInp;

// The "Mise au point" tab TBS_Mise_au_point: the focus width of the tracked
// star, its threshold ("Auto": half the brightest pixel), figures, sound
// and large display.
class FocusPanel : public QWidget {
    Q_OBJECT
public:
    explicit FocusPanel(ImageCore& core, QWidget* parent = nullptr);

    // The figures after the last tracking pass, and the threshold "Auto" set.
    void refresh();

    QCheckBox* CKB_MAP = nullptr;
    QCheckBox* CKB_Son_MAP = nullptr;
    QCheckBox* CKB_FWHM_Auto = nullptr;
    QCheckBox* CKB_GROS_FWHM = nullptr;
    QSpinBox* SPED_Seuil_MAP = nullptr;
    TNumInp* TNI_FWHM = nullptr;
    TNumInp* TNI_Meilleur_FWHM = nullptr;
    TNumInp* TNI_Pire_FWHM = nullptr;
    QPushButton* BTN_Reset_MAP = nullptr;

    void CKB_MAPClick();
    void BTN_Reset_MAPClick();
    void CKB_FWHM_AutoClick();

signals:
    // "Active" checked: tracking must run, the measure comes from its passes.
    void trackingWanted();
    void largeDisplayToggled(bool on);

private:
    void build();

    ImageCore& core_;
};

} // namespace velumbra

#pragma once
#include "processing/ImageCore.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;
class QScrollBar;
class QSpinBox;

namespace velumbra {

class TNumInp;

// The "Select.Imag." tab TBS_Select_Image: quality ("DCT") or brightness
// ("Non Vide") selection, its figures, threshold, sound and large display.
class SelectionPanel : public QWidget {
    Q_OBJECT
public:
    explicit SelectionPanel(ImageCore& core, QWidget* parent = nullptr);

    // The figures of the last frame; the slider's range follows the best and worst.
    void refresh();

    QCheckBox* CKB_Selection = nullptr;
    QCheckBox* CKB_Nonvide = nullptr;
    QCheckBox* CKB_Select_Son = nullptr;
    QCheckBox* CKB_GROS_Select = nullptr;
    TNumInp* TNI_Qualite_Actuelle = nullptr;
    TNumInp* TNI_Meilleure_Qualite = nullptr;
    TNumInp* TNI_Pire_Qualite = nullptr;
    TNumInp* TNI_Seuil_Selection = nullptr;
    QScrollBar* SCB_Selection = nullptr;
    QPushButton* BTN_Reset_Selection = nullptr;
    // "Meilleures": keep the sharpest percent of the last frames, on a page
    // of its own (TBS_Meilleures) beside this one.
    QWidget* bestPage() const { return bestPage_; }
    QCheckBox* CKB_Meilleures = nullptr;
    QSpinBox* SPED_Meilleures_Pct = nullptr;
    QSpinBox* SPED_Meilleures_Sur = nullptr;

    void CKB_SelectionClick();
    void CKB_NonvideClick();
    void CKB_MeilleuresClick();
    void BTN_Reset_SelectionClick();

signals:
    // "GROS" checked or unchecked: the large window shows the quality.
    void largeDisplayToggled(bool on);

private:
    void build();
    void applySliderRange();
    void SCB_SelectionChange(int position);

    ImageCore& core_;
    QWidget* bestPage_ = nullptr;
};

} // namespace velumbra

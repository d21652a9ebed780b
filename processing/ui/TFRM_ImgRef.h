#pragma once
#include "processing/ImageCore.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QPushButton;
class QSpinBox;
class QTimer;

namespace velumbra {

// "Image de référence": defines the motion detection's reference from the
// working frame, by hand or again and again on a timer.
class TFRM_ImgRef : public QWidget {
    Q_OBJECT
public:
    explicit TFRM_ImgRef(ImageCore& core, QWidget* parent = nullptr);

    QPushButton* BTN_Def_ImgRef_Manuel = nullptr;
    QCheckBox* CKB_Def_ImgRef_Auto = nullptr;
    QSpinBox* SPED_Definir_toutes_les = nullptr;
    QComboBox* CBX_Unite = nullptr;
    QPushButton* BTN_Ok = nullptr;
    QTimer* TMR_ImgRef = nullptr;

    void defineReference();
    void BTN_OkClick();
    void TMR_ImgRefTimer() { defineReference(); }

signals:
    // A reference was defined: the panel's lamp turns green.
    void referenceDefined();

private:
    void arm();

    ImageCore& core_;
};

} // namespace velumbra

#pragma once
#include "processing/ImageCore.h"

#include <QFrame>

class QCheckBox;
class QPushButton;
class QScrollBar;

namespace velumbra {

class TNumInp;

// The motion-detection panel PNL_Detection_Mvt: level and count thresholds,
// the last changed fraction, the action switch, the reference and action
// dialogs and the lamp telling whether a reference is loaded. Its controls
// work only while "Dtct.Mvt." is checked.
class MotionPanel : public QFrame {
    Q_OBJECT
public:
    explicit MotionPanel(ImageCore& core, QWidget* parent = nullptr);

    // "Dtct.Mvt." checked or unchecked.
    void setDetectionOn(bool on);
    // The last fraction and the reference lamp.
    void refresh();

    QScrollBar* SCB_Seuil_Detection_Niveau = nullptr;
    TNumInp* TNI_Seuil_Detection_Niveau = nullptr;
    QScrollBar* SCB_Seuil_Detection_Nbre = nullptr;
    TNumInp* TNI_Seuil_Detection_Nbre = nullptr;
    TNumInp* TNI_Diff_actuel = nullptr;
    QCheckBox* CKB_Detection_Action = nullptr;
    QPushButton* BTN_ImageRef = nullptr;
    QPushButton* BTN_Def_Action = nullptr;
    QFrame* PNL_ImageRefLoaded = nullptr;

signals:
    void referenceDialogRequested();
    void actionDialogRequested();

private:
    void build();

    ImageCore& core_;
};

} // namespace velumbra

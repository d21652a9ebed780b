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
    // A mean change of 20 grey levels per channel, above the sky's noise
    // and most of the seeing's twinkle; 0.1 % of the frame.
    static constexpr int kDefaultLevel = 20;
    static constexpr int kDefaultCount = 10;

    explicit MotionPanel(ImageCore& core, QWidget* parent = nullptr);

    // "Dtct.Mvt." checked or unchecked.
    void setDetectionOn(bool on);
    // The last fraction and the reference lamp.
    void refresh();
    // "Img. Ref.": the reference is the current frame, in one click.
    void BTN_ImageRefClick();

    QScrollBar* SCB_Seuil_Detection_Niveau = nullptr;
    TNumInp* TNI_Seuil_Detection_Niveau = nullptr;
    QScrollBar* SCB_Seuil_Detection_Nbre = nullptr;
    TNumInp* TNI_Seuil_Detection_Nbre = nullptr;
    TNumInp* TNI_Diff_actuel = nullptr;
    QCheckBox* CKB_Detection_Action = nullptr;
    QPushButton* BTN_ImageRef = nullptr;
    QPushButton* BTN_ImageRef_Auto = nullptr;
    QPushButton* BTN_Def_Action = nullptr;
    QFrame* PNL_ImageRefLoaded = nullptr;

signals:
    // "Auto...": the dialog that redefines the reference on a timer.
    void referenceDialogRequested();
    void referenceDefined();
    void actionDialogRequested();

private:
    void build();

    ImageCore& core_;
};

} // namespace velumbra

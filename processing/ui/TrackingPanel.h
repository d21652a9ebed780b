#pragma once
#include "processing/Tracker.h"

#include <QFrame>

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QSpinBox;
class QTimer;

namespace velumbra {

class TNumInp;

// The tracking panel PNL_Suivi: the "Suivi" switch, the method, the
// inversion, the tolerance and the detection-zone size. Its handlers write
// the control values the tracking pass reads at the next frame.
class TrackingPanel : public QFrame {
    Q_OBJECT
public:
    TrackingPanel(ImageCore& core, Tracker& tracker, QWidget* parent = nullptr);

    // CKB_Suivi is usable only while a source runs.
    void setCaptureRunning(bool running);
    bool captureRunning() const { return captureRunning_; }

    // Shows the control values held by the image core (after settings load).
    void showControls();

    // An operation needs the star followed: "Suivi" is checked and the
    // frame routine tracks from the next frame on, as after a click on the
    // box. `byEdges`: when tracking was off, "Detect.Bords" is chosen too.
    void switchOn(bool byEdges);

    QCheckBox* CKB_Suivi = nullptr;
    QRadioButton* RDB_Colimacon = nullptr;
    QRadioButton* RDB_Somax = nullptr;
    QRadioButton* RDB_Cadres = nullptr;
    QRadioButton* RDB_Derive = nullptr;
    // "Recalage": frames laid on the stack's first by their stars; the
    // label beside it tells the last frame's stars, shift and turn.
    QRadioButton* RDB_Recalage = nullptr;
    QLabel* LBL_Recalage = nullptr;
    QPushButton* BTN_SetDerive = nullptr; // "Def.": the drift definition
    QCheckBox* CKB_Inversion_Video = nullptr;
    QLabel* LBL_Tolerance = nullptr;
    QSpinBox* SPED_Sensibilite = nullptr;
    QScrollBar* SCB_Taille_ZDetect = nullptr;
    TNumInp* TNI_Taille_ZDetect = nullptr;

private:
    void build();
    void CKB_SuiviClick();
    void methodClick();
    void RDB_DeriveClick();
    void CKB_Inversion_VideoClick();
    void SPED_SensibiliteChange(int value);
    void SCB_Taille_ZDetectChange(int position);
    void TNI_Taille_ZDetectExit();
    void showRegistration();

    ImageCore& core_;
    Tracker& tracker_;
    bool captureRunning_ = false;
    QTimer* registrationTimer_ = nullptr;
};

} // namespace velumbra

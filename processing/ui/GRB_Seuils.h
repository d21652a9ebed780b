#pragma once
#include <QGroupBox>

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace velumbra {

struct ImageCore;
class IntegrationEvents;
class TNumInp;

// Threshold group "Seuils": the two thresholds with their mirrors and
// bounds, evolving thresholds, grey or colour display and channels.
class GRB_Seuils : public QGroupBox {
    Q_OBJECT
public:
    GRB_Seuils(ImageCore& core, IntegrationEvents& events, QWidget* parent = nullptr);

    // Copies the threshold values of the core into the widgets.
    void syncFromCore();

    QScrollBar* SCB_Minimum = nullptr;
    QScrollBar* SCB_Maximum = nullptr;
    TNumInp* TNI_Seuil_Min = nullptr;
    TNumInp* TNI_Seuil_Max = nullptr;
    TNumInp* TNI_Seuil_MinMin = nullptr;
    TNumInp* TNI_Seuil_MinMax = nullptr;
    TNumInp* TNI_Seuil_MaxMin = nullptr;
    TNumInp* TNI_Seuil_MaxMax = nullptr;
    TNumInp* TNI_Min = nullptr;
    TNumInp* TNI_Max = nullptr;
    QCheckBox* CKB_Seuils_Evol = nullptr;
    QLabel* LBL_SeuilMin = nullptr;
    QLabel* LBL_SeuilMax = nullptr;
    QLabel* LBL_SeuilBas = nullptr;
    QLabel* LBL_SeuilHaut = nullptr;
    QLabel* LBL_Actuel = nullptr;
    QRadioButton* RDB_NB = nullptr;
    QRadioButton* RDB_Couleur = nullptr;
    QCheckBox* CKB_Red = nullptr;
    QCheckBox* CKB_Green = nullptr;
    QCheckBox* CKB_Blue = nullptr;
    QCheckBox* CKB_Inverse = nullptr;
    QPushButton* BTN_Bascule_message = nullptr;
    QPushButton* BTN_EQ = nullptr;

signals:
    // ">": bring the message panel back to the front.
    void messageRequested();
    // "EQ": show the equalizer window.
    void equalizerRequested();

private:
    void buildControls();
    void connectHandlers();
    void render();
    void boundExit(TNumInp* field, double& value, bool (*apply)(struct ThresholdControls&));

    ImageCore& core_;
    IntegrationEvents& events_;
    bool syncing_ = false;
};

} // namespace velumbra

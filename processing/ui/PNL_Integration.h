#pragma once
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QSpinBox;
class QTabWidget;

namespace velumbra {

struct ImageCore;
class IntegrationEvents;
class TNumInp;

// Integration panel: mode, start/stop/reset, stop count, dark and flat pages.
class PNL_Integration : public QWidget {
    Q_OBJECT
public:
    PNL_Integration(ImageCore& core, IntegrationEvents& events, QWidget* parent = nullptr);

    // Copies the control values of the core into the widgets.
    void syncFromCore();
    // "Integration" is offered only while a source runs.
    void setSourceRunning(bool running);
    // Menu entries MNU_Binning_1x1 / MNU_Binning_2x2.
    void setBinning2x2(bool on);

    QCheckBox* CKB_Integration = nullptr;
    QRadioButton* RDB_Unique = nullptr;
    QRadioButton* RDB_Boucle = nullptr;
    QRadioButton* RDB_Dark = nullptr;
    QRadioButton* RDB_Flat = nullptr;
    QLabel* LBL_Nb_Images = nullptr;
    QSpinBox* SPED_Nb_Bitmap = nullptr;
    QPushButton* BTN_Demarrer_Add = nullptr;
    QPushButton* BTN_Arreter_Add = nullptr;
    QPushButton* BTN_Reset_Add = nullptr;
    QCheckBox* CKB_Visu_Permanente = nullptr;
    QLineEdit* EDT_NBCaps = nullptr;
    QTabWidget* PGC_Dark_Flat = nullptr;
    QWidget* TBS_Dark = nullptr;
    QScrollBar* SCB_Seuil_dark = nullptr;
    QLabel* LBL_DarkApplique = nullptr;
    TNumInp* TNI_MaxDark = nullptr;
    QRadioButton* RDB_Dark_Sub = nullptr;
    QRadioButton* RDB_Dark_Smart = nullptr;
    QSpinBox* SPED_RDark = nullptr;
    QWidget* TBS_Flat = nullptr;
    QCheckBox* CKB_Active_Flat = nullptr;
    TNumInp* TNI_MaxFlat = nullptr;

private:
    void buildControls();
    void connectHandlers();
    void CKB_IntegrationClick(bool checked);
    void modeClicked(QRadioButton* button);
    void SCB_Seuil_darkChange(int position);
    void TNI_MaxDarkExit();

    ImageCore& core_;
    IntegrationEvents& events_;
    bool syncing_ = false;
    bool sourceRunning_ = true;
};

} // namespace velumbra

#pragma once
#include <QDialog>

class QCheckBox;
class QRadioButton;
class QTabWidget;

namespace velumbra {

struct PipelineControls;
class DebugLog;

// Preferences dialog "Préferences". Pages are added as their parts are built.
class TFRM_Pref : public QDialog {
    Q_OBJECT
public:
    TFRM_Pref(PipelineControls& controls, DebugLog& debugLog, QWidget* parent = nullptr);

    QTabWidget* pages() const { return PGC_Pref; }
    QCheckBox* CKB_Debug = nullptr;
    QCheckBox* CKB_Dateheure = nullptr;
    QCheckBox* CKB_Intensite_Max = nullptr;
    QCheckBox* CKB_Intensite_Min = nullptr;
    QCheckBox* CKB_FWHM = nullptr;
    QCheckBox* CKB_IPS = nullptr;
    QRadioButton* RDB_Carre = nullptr;
    QRadioButton* RDB_Cercle = nullptr;
    QRadioButton* RDB_Croix = nullptr;
    QRadioButton* RDB_Point = nullptr;

    // The target page shows the values of the controls struct.
    void showMireControls();

    void CKB_DebugClick();

private:
    QWidget* buildMirePage();
    QWidget* buildDebugPage();

    PipelineControls& controls_;
    DebugLog& debugLog_;
    QTabWidget* PGC_Pref = nullptr;
};

} // namespace velumbra

#pragma once
#include "settings/Preferences.h"

#include <QDialog>
#include <array>
#include <functional>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QSpinBox;
class QStackedWidget;
class QTabWidget;
class QToolButton;

namespace velumbra {

struct PipelineControls;
class DebugLog;
class ProfileActions;
class TNumInp;
class PNL_Indi;
enum class ProfileKind;

// Preferences dialog "Préferences": thirteen tabs whose controls show the
// values of PrefsValues (and of the pipeline's controls for the target,
// tracking interval and dead zone) and write every change back there. The
// optics, mount and camera tabs read and write their profiles through
// ProfileActions; a write that fails is reported through writeFailed, the
// values stay as the user set them.
class TFRM_Pref : public QDialog {
    Q_OBJECT
public:
    TFRM_Pref(PipelineControls& controls, DebugLog& debugLog, PrefsValues& prefs, ProfileActions& profiles,
              QWidget* parent = nullptr);

    QTabWidget* pages() const { return PGC_Pref; }

    // The folder choosers ask this for a folder, given the one to start at;
    // an empty answer is a cancel. By default the platform's folder dialog.
    using FolderChooser = std::function<QString(const QString& start)>;
    void setFolderChooser(FolderChooser chooser) { chooseFolder_ = std::move(chooser); }
    // The same for the offset file: a file to read, given the current name.
    using FileChooser = std::function<QString(const QString& current)>;
    void setFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }

    // Every control shows the values of PrefsValues and of the pipeline's
    // controls; nothing is written and no signal of the dialog is raised.
    void showValues();
    // The target page shows the values of the controls struct.
    void showMireControls();

    void CKB_DebugClick();

    // Répertoires
    QLineEdit* EDT_Repertoire_Bitmaps = nullptr;
    QToolButton* BBTN_Bitmaps = nullptr;
    QLineEdit* EDT_Repertoire_drivers = nullptr;
    QToolButton* BBTN_Drivers = nullptr;
    // Optique
    QComboBox* CBX_Optique = nullptr;
    QPushButton* BTN_Nouveau_Optique = nullptr;
    QPushButton* BTN_Sup_Optique = nullptr;
    TNumInp* TNI_Focale = nullptr;
    QCheckBox* CKB_Barlow = nullptr;
    TNumInp* TNI_Barlow = nullptr;
    QCheckBox* CKB_Reducteur = nullptr;
    TNumInp* TNI_Reducteur = nullptr;
    TNumInp* TNI_Focale_Reelle = nullptr;
    QCheckBox* CKB_RenvoiCoude = nullptr;
    // Monture
    QComboBox* CBX_Monture = nullptr;
    QPushButton* BTN_Nouveau_Monture = nullptr;
    QPushButton* BTN_Sup_Monture = nullptr;
    TNumInp* TNI_Rayon_Az = nullptr;
    TNumInp* TNI_Fil_Az = nullptr;
    TNumInp* TNI_Rayon_Alt = nullptr;
    TNumInp* TNI_Fil_Alt = nullptr;
    // Contrôle du Telescope
    QRadioButton* RDB_Aucun = nullptr;
    QRadioButton* RDB_LX200 = nullptr;
    QRadioButton* RDB_Tolvir = nullptr;
    QRadioButton* RDB_Varnek = nullptr;
    QRadioButton* RDB_Dremla = nullptr;
    QRadioButton* RDB_INDI = nullptr; // the mount of the INDI server ([INDI] section)
    QPushButton* BTN_Connecter = nullptr;
    QPushButton* BTN_Deconnecter = nullptr;
    QStackedWidget* PCTRL_Interface = nullptr; // serial, parallel or INDI settings in front
    // The INDI server panel: the page of PCTRL_Interface shown for "INDI".
    void setIndiPanel(PNL_Indi* panel);
    PNL_Indi* indiPanel() const { return indiPanel_; }
    QComboBox* CBX_AG_PortSerie = nullptr;
    // Where the serial devices are looked for (tests give trees of their own).
    QString serialDevRoot = QStringLiteral("/dev");
    QString serialSysRoot = QStringLiteral("/sys");
    QComboBox* CBX_AG_Vitesse = nullptr;
    QComboBox* CBX_AG_Parite = nullptr;
    QComboBox* CBX_AG_Databits = nullptr;
    QComboBox* CBX_AG_StopBits = nullptr;
    QCheckBox* CKB_CR = nullptr;
    QCheckBox* CKB_LF = nullptr;
    QCheckBox* CKB_Historique_Comm = nullptr;
    QComboBox* CBX_AG_PortParallele = nullptr;
    TNumInp* TNI_Bit_Est = nullptr;
    TNumInp* TNI_Est_ActiveValue = nullptr;
    TNumInp* TNI_Bit_Ouest = nullptr;
    TNumInp* TNI_Ouest_ActiveValue = nullptr;
    TNumInp* TNI_Bit_Nord = nullptr;
    TNumInp* TNI_Nord_ActiveValue = nullptr;
    TNumInp* TNI_Bit_Sud = nullptr;
    TNumInp* TNI_Sud_ActiveValue = nullptr;
    TNumInp* TNI_Bit_Focus_In = nullptr;
    TNumInp* TNI_Focus_In_Activevalue = nullptr;
    TNumInp* TNI_Bit_Focus_Out = nullptr;
    TNumInp* TNI_Focus_Out_Activevalue = nullptr;
    QPushButton* BTN_Nord = nullptr;
    QPushButton* BTN_Sud = nullptr;
    QPushButton* BTN_Est = nullptr;
    QPushButton* BTN_Ouest = nullptr;
    QPushButton* BTN_Stop = nullptr;
    QSpinBox* SPED_Tps_Base_Autofocus = nullptr;
    TNumInp* TNI_FWHM_Stop = nullptr;
    // Camera
    QComboBox* CBX_Camera = nullptr;
    QPushButton* BTN_Nouveau_Camera = nullptr;
    QPushButton* BTN_Sup_Camera = nullptr;
    QCheckBox* CKB_VestaMod = nullptr;
    TNumInp* TNI_Larg_Pix = nullptr;
    TNumInp* TNI_Haut_Pix = nullptr;
    QPushButton* BTN_Calculer_TaillePix = nullptr;
    TNumInp* TNI_NbPix_X = nullptr;
    TNumInp* TNI_NbPix_Y = nullptr;
    QCheckBox* CKB_RAW = nullptr;
    std::array<QRadioButton*, 4> RDB_RAWMode{}; // "Mode 1" .. "Mode 4"
    // Longues Poses
    QComboBox* CBX_Vesta_Port = nullptr;
    QSpinBox* SPED_Vesta_Interpose = nullptr;
    TNumInp* TNI_Bit_Active_Odd = nullptr;
    TNumInp* TNI_Vesta_ActiveValue_Odd = nullptr;
    TNumInp* TNI_Bit_Active_Even = nullptr;
    TNumInp* TNI_Vesta_ActiveValue_Even = nullptr;
    TNumInp* TNI_Bit_Amp_Active = nullptr;
    TNumInp* TNI_Amp_ActiveValue = nullptr;
    TNumInp* TNI_Bit_Longexp_Active = nullptr;
    TNumInp* TNI_Longexp_ActiveValue = nullptr;
    QSpinBox* SPED_Avance = nullptr;
    QComboBox* CBX_Ligne_guidage = nullptr;
    QCheckBox* CKB_LongueposePermanent = nullptr;
    QLineEdit* EDT_TestValue = nullptr;
    QPushButton* BTN_TestPlus = nullptr;
    QPushButton* BTN_TestMoins = nullptr;
    QPushButton* BTN_TestWrite = nullptr;
    QPushButton* BTN_Start_Pose = nullptr;
    QPushButton* BTN_Stpo_Pose = nullptr;
    // Autoguidage
    QSpinBox* SPED_Neutre = nullptr;
    QSpinBox* SPED_Intervalle_Guidage = nullptr;
    QSpinBox* SPED_Duree_impulsions = nullptr;
    QCheckBox* CKB_InverseAD = nullptr;
    QCheckBox* CKB_InverseDEC = nullptr;
    QCheckBox* CKB_Correct_Nord = nullptr;
    QCheckBox* CKB_Correct_Sud = nullptr;
    QCheckBox* CKB_Correct_Est = nullptr;
    QCheckBox* CKB_Correct_Ouest = nullptr;
    TNumInp* TNI_Vitesse_Nord = nullptr;
    TNumInp* TNI_Vitesse_Sud = nullptr;
    TNumInp* TNI_Vitesse_Est = nullptr;
    TNumInp* TNI_Vitesse_Ouest = nullptr;
    QRadioButton* RDB_Temps_Inertie = nullptr;
    TNumInp* TNI_Tps_Inertie = nullptr;
    QRadioButton* RDB_Pourcent_Inertie = nullptr;
    QSpinBox* SPED_Pourcent_Inertie = nullptr;
    QCheckBox* CKB_Separes = nullptr;
    QSpinBox* SPED_Delai_Separes = nullptr;
    TNumInp* TNI_Duree_test = nullptr;
    QPushButton* BTN_Apprendre = nullptr;
    QCheckBox* CKB_Fichier_decalage = nullptr;
    QLineEdit* EDT_Fichier_Decalage = nullptr;
    QToolButton* BBTN_Fichier_Decalage = nullptr;
    QCheckBox* CKB_Affiche_Etendu = nullptr;
    // Mise en Station
    QCheckBox* CKB_Inverse_Az = nullptr;
    QCheckBox* CKB_Inverse_Alt = nullptr;
    // Selection d'images
    QScrollBar* SCB_Finesse_Selection = nullptr;
    TNumInp* TNI_Finesse_Selection = nullptr;
    // Mise au point
    QSpinBox* SPED_Nb_Mesures = nullptr;
    QScrollBar* SCB_Sensibilite_MAP = nullptr;
    TNumInp* TNI_Sensibilite_MAP = nullptr;
    QScrollBar* SCB_Precision_MAP = nullptr;
    TNumInp* TNI_Precision_MAP = nullptr;
    // Debug
    QCheckBox* CKB_Debug = nullptr;
    // Langue
    QComboBox* CBX_Langue = nullptr;
    // Mire
    QCheckBox* CKB_Dateheure = nullptr;
    QCheckBox* CKB_Intensite_Max = nullptr;
    QCheckBox* CKB_Intensite_Min = nullptr;
    QCheckBox* CKB_FWHM = nullptr;
    QCheckBox* CKB_IPS = nullptr;
    QRadioButton* RDB_Carre = nullptr;
    QRadioButton* RDB_Cercle = nullptr;
    QRadioButton* RDB_Croix = nullptr;
    QRadioButton* RDB_Point = nullptr;

signals:
    // A profile write or erasure failed: "Ne peut écrire dans <file>".
    void writeFailed(const QString& message);
    // The effective focal changed: sampling, reticle and angle follow.
    void opticsRefreshed();
    // The camera's pixel size or resolution changed, or another camera profile.
    void cameraChanged();
    void reticleRedraw();
    void vestaModToggled(bool on);
    // The image folder, ending with "/" unless empty.
    void bitmapFolderChanged(const QString& folder);
    void focusHistoryCleared();
    // The JPEG quality of the selection or a sensitivity of the focus cues
    // moved, also when the stored values are shown.
    void selectionSettingsChanged();
    void pixelSizeMeasureRequested();
    void interfaceChosen(velumbra::MountInterface chosen);
    void guideWindowShown(bool shown);
    // BBTN_Fichier_Decalage: a file was chosen and its name put in EDT_Fichier_Decalage.
    void offsetFileChosen(const QString& fileName);
    void okClicked();
    // A value of PrefsValues changed through one of the controls.
    void valuesChanged();

private:
    QWidget* buildFoldersPage();
    QWidget* buildOpticsPage();
    QWidget* buildMountPage();
    QWidget* buildTelescopePage();
    QWidget* buildCameraPage();
    QWidget* buildLongExposurePage();
    QWidget* buildAutoguidePage();
    QWidget* buildAlignmentPage();
    QWidget* buildSelectionPage();
    QWidget* buildFocusPage();
    QWidget* buildDebugPage();
    QWidget* buildLanguagePage();
    QWidget* buildMirePage();

    void connectFolders();
    void connectProfiles();
    void connectProfileFields();
    void connectTelescope();
    void connectLongExposure();
    void connectAutoguide();
    void connectOtherPages();

    // A control whose change only updates the value it stands for.
    void store(QAbstractButton* box, bool& target);
    void store(QComboBox* box, int& target);
    void store(QSpinBox* spin, int& target);
    void store(QSpinBox* spin, double& target);
    void store(TNumInp* field, double& target);
    void store(QLineEdit* edit, QString& target);

    // Profile tabs: the combo's list and text, and the fields of the tab.
    void showProfileList(ProfileKind kind);
    void showOptics();
    void showMount();
    void showCamera();
    void profileTextChanged(ProfileKind kind, const QString& text);
    void opticsRefresh();
    // Runs a profile action; a failed write goes out through writeFailed.
    template <class Action>
    void reportingWrites(Action&& action);

    void chooseBitmapFolder();
    void chooseDriversFolder();
    void bitmapFolderEdited(const QString& text);
    void interfaceClicked(MountInterface chosen);
    void showInterface(MountInterface chosen);
    PNL_Indi* indiPanel_ = nullptr;
    void showLongExposure();
    void showAutoguide();
    // CBX_AG_PortSerie lists the serial devices present and the `kept` texts.
    void fillSerialPorts(const QStringList& kept);
    void showOtherPages();

    PipelineControls& controls_;
    DebugLog& debugLog_;
    PrefsValues& prefs_;
    ProfileActions& profiles_;
    FolderChooser chooseFolder_;
    FileChooser chooseFile_;
    QTabWidget* PGC_Pref = nullptr;
    QWidget* TBS_Poselongue = nullptr;
    QWidget* TBS_Autoguidage = nullptr;
    // While showValues() runs, the change handlers neither write nor signal.
    int showing_ = 0;
};

} // namespace velumbra

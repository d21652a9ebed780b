#include "settings/ui/TFRM_Pref.h"
#include "telescope/LineSettingItems.h"
#include "core/DebugLog.h"
#include "indi/ui/PNL_Indi.h"
#include "processing/PipelineControls.h"
#include "results/ImageNaming.h"
#include "settings/IniFile.h"
#include "settings/Language.h"
#include "settings/ProfileActions.h"
#include "widgets/Named.h"
#include "widgets/SideTabStyle.h"
#include "widgets/TNumInp.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <vector>

namespace velumbra {

namespace {

// Marks the time the dialog shows values: the change handlers stay quiet.
class Showing {
public:
    explicit Showing(int& depth) : depth_(depth) { ++depth_; }
    ~Showing() { --depth_; }
    Showing(const Showing&) = delete;
    Showing& operator=(const Showing&) = delete;

private:
    int& depth_;
};

// Checks the button of `index` in an exclusive group, or none for -1.
void checkOnly(const std::vector<QRadioButton*>& buttons, int index)
{
    QButtonGroup* group = buttons.front()->group();
    if (group) group->setExclusive(false);
    for (std::size_t i = 0; i < buttons.size(); ++i) buttons[i]->setChecked(int(i) == index);
    if (group) group->setExclusive(true);
}

} // namespace

TFRM_Pref::TFRM_Pref(PipelineControls& controls, DebugLog& debugLog, PrefsValues& prefs, ProfileActions& profiles,
                     QWidget* parent)
    : QDialog(parent), controls_(controls), debugLog_(debugLog), prefs_(prefs), profiles_(profiles)
{
    setObjectName(QStringLiteral("TFRM_Pref"));
    setWindowTitle(QStringLiteral("Préferences"));
    chooseFolder_ = [this](const QString& start) {
        return QFileDialog::getExistingDirectory(this, QStringLiteral("Choisir un dossier"), start);
    };
    chooseFile_ = [this](const QString& current) {
        return QFileDialog::getOpenFileName(this, QStringLiteral("Fichier de decalage"), current,
                                            QStringLiteral("Texte (*.txt);;Tous les fichiers (*)"));
    };

    auto* layout = new QVBoxLayout(this);
    PGC_Pref = named(new QTabWidget(this), "PGC_Pref");
    // Thirteen captions do not fit in one row: the tabs run down the side.
    PGC_Pref->setTabPosition(QTabWidget::West);
    auto* sideTabs = new SideTabStyle;
    sideTabs->setParent(PGC_Pref->tabBar());
    PGC_Pref->tabBar()->setStyle(sideTabs);
    PGC_Pref->addTab(buildFoldersPage(), QStringLiteral("Répertoires"));
    PGC_Pref->addTab(buildOpticsPage(), QStringLiteral("Optique"));
    PGC_Pref->addTab(buildMountPage(), QStringLiteral("Monture"));
    PGC_Pref->addTab(buildTelescopePage(), QStringLiteral("Contrôle du Telescope"));
    PGC_Pref->addTab(buildCameraPage(), QStringLiteral("Camera"));
    PGC_Pref->addTab(TBS_Poselongue = buildLongExposurePage(), QStringLiteral("Longues Poses"));
    PGC_Pref->addTab(TBS_Autoguidage = buildAutoguidePage(), QStringLiteral("Autoguidage"));
    PGC_Pref->addTab(buildAlignmentPage(), QStringLiteral("Mise en Station"));
    PGC_Pref->addTab(buildSelectionPage(), QStringLiteral("Selection d'images"));
    PGC_Pref->addTab(buildFocusPage(), QStringLiteral("Mise au point"));
    PGC_Pref->addTab(buildDebugPage(), QStringLiteral("Debug"));
    PGC_Pref->addTab(buildLanguagePage(), QStringLiteral("Langue"));
    PGC_Pref->addTab(buildMirePage(), QStringLiteral("Mire"));
    layout->addWidget(PGC_Pref);
    auto* ok = named(new QPushButton(QStringLiteral("Ok"), this), "BTN_OK");
    connect(ok, &QPushButton::clicked, this, [this] {
        emit okClicked();
        accept();
    });
    layout->addWidget(ok, 0, Qt::AlignRight);
    // A dialog of fixed size: the user cannot stretch it.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connectFolders();
    connectProfiles();
    connectProfileFields();
    connectTelescope();
    connectLongExposure();
    connectAutoguide();
    connectOtherPages();
    showValues();
}

template <class Action>
void TFRM_Pref::reportingWrites(Action&& action)
{
    try {
        action();
    } catch (const IniWriteError& e) {
        emit writeFailed(e.message());
    }
}

// ---------------------------------------------------------------- storing

void TFRM_Pref::store(QAbstractButton* box, bool& target)
{
    connect(box, &QAbstractButton::toggled, this, [this, &target](bool on) {
        if (showing_) return;
        target = on;
        emit valuesChanged();
    });
}
void TFRM_Pref::store(QComboBox* box, int& target)
{
    connect(box, &QComboBox::currentIndexChanged, this, [this, &target](int index) {
        if (showing_ || index < 0) return;
        target = index;
        emit valuesChanged();
    });
}
void TFRM_Pref::store(QSpinBox* spin, int& target)
{
    connect(spin, &QSpinBox::valueChanged, this, [this, &target](int value) {
        if (showing_) return;
        target = value;
        emit valuesChanged();
    });
}
void TFRM_Pref::store(QSpinBox* spin, double& target)
{
    connect(spin, &QSpinBox::valueChanged, this, [this, &target](int value) {
        if (showing_) return;
        target = value;
        emit valuesChanged();
    });
}
void TFRM_Pref::store(TNumInp* field, double& target)
{
    // A field's value changes only when its typed text is committed.
    connect(field, &TNumInp::exited, this, [this, field, &target] {
        target = double(field->Value());
        emit valuesChanged();
    });
}
void TFRM_Pref::store(QLineEdit* edit, QString& target)
{
    connect(edit, &QLineEdit::textChanged, this, [this, &target](const QString& text) {
        if (showing_) return;
        target = text;
        emit valuesChanged();
    });
}

// ---------------------------------------------------------------- folders

void TFRM_Pref::connectFolders()
{
    connect(EDT_Repertoire_Bitmaps, &QLineEdit::textChanged, this, &TFRM_Pref::bitmapFolderEdited);
    connect(BBTN_Bitmaps, &QToolButton::clicked, this, &TFRM_Pref::chooseBitmapFolder);
    store(EDT_Repertoire_drivers, prefs_.EDT_Repertoire_drivers);
    connect(BBTN_Drivers, &QToolButton::clicked, this, &TFRM_Pref::chooseDriversFolder);
}

// Every change keeps the folder ending with "/"; the cursor stays where the
// user types, before the added separator.
void TFRM_Pref::bitmapFolderEdited(const QString& text)
{
    if (showing_) return;
    const QString folder = folderWithSeparator(text);
    if (folder != text) {
        const QSignalBlocker quiet(EDT_Repertoire_Bitmaps);
        const int cursor = EDT_Repertoire_Bitmaps->cursorPosition();
        EDT_Repertoire_Bitmaps->setText(folder);
        EDT_Repertoire_Bitmaps->setCursorPosition(cursor);
    }
    prefs_.EDT_Repertoire_Bitmaps = folder;
    emit bitmapFolderChanged(folder);
}

void TFRM_Pref::chooseBitmapFolder()
{
    const QString chosen = chooseFolder_ ? chooseFolder_(EDT_Repertoire_Bitmaps->text()) : QString();
    if (!chosen.isEmpty()) EDT_Repertoire_Bitmaps->setText(folderWithSeparator(chosen));
}

void TFRM_Pref::chooseDriversFolder()
{
    const QString chosen = chooseFolder_ ? chooseFolder_(EDT_Repertoire_Bitmaps->text()) : QString();
    if (!chosen.isEmpty()) EDT_Repertoire_drivers->setText(folderWithSeparator(chosen));
}

// ---------------------------------------------------------------- profiles

namespace {
struct ProfileControls {
    ProfileKind kind;
    QComboBox* list;
    QPushButton* add;
    QPushButton* erase;
};
} // namespace

void TFRM_Pref::connectProfiles()
{
    for (const ProfileControls& p : {ProfileControls{ProfileKind::Optics, CBX_Optique, BTN_Nouveau_Optique, BTN_Sup_Optique},
                                     ProfileControls{ProfileKind::Mount, CBX_Monture, BTN_Nouveau_Monture, BTN_Sup_Monture},
                                     ProfileControls{ProfileKind::Camera, CBX_Camera, BTN_Nouveau_Camera, BTN_Sup_Camera}}) {
        // Every typed character names another profile: no completion.
        p.list->setCompleter(nullptr);
        const ProfileKind kind = p.kind;
        connect(p.list, &QComboBox::editTextChanged, this,
                [this, kind](const QString& text) { profileTextChanged(kind, text); });
        connect(p.add, &QPushButton::clicked, this, [this, kind] {
            reportingWrites([&] { profiles_.addCurrent(kind); });
            showProfileList(kind);
        });
        connect(p.erase, &QPushButton::clicked, this, [this, kind] {
            reportingWrites([&] { profiles_.eraseCurrent(kind); });
            showProfileList(kind);
        });
    }
}

void TFRM_Pref::profileTextChanged(ProfileKind kind, const QString& text)
{
    if (showing_) return;
    reportingWrites([&] { profiles_.textChanged(kind, text); });
    switch (kind) {
    case ProfileKind::Optics:
        showOptics();
        emit opticsRefreshed();
        break;
    case ProfileKind::Mount: showMount(); break;
    case ProfileKind::Camera:
        showCamera();
        emit vestaModToggled(prefs_.camera.CKB_VestaMod);
        emit cameraChanged();
        break;
    }
}

void TFRM_Pref::showProfileList(ProfileKind kind)
{
    const Showing quiet(showing_);
    QComboBox* list = kind == ProfileKind::Optics ? CBX_Optique : kind == ProfileKind::Mount ? CBX_Monture : CBX_Camera;
    const QStringList& names = kind == ProfileKind::Optics  ? prefs_.opticsProfiles
                               : kind == ProfileKind::Mount ? prefs_.mountProfiles
                                                            : prefs_.cameraProfiles;
    const QString& text = kind == ProfileKind::Optics  ? prefs_.CBX_Optique
                          : kind == ProfileKind::Mount ? prefs_.CBX_Monture
                                                       : prefs_.CBX_Camera;
    const QString shown = text; // clear() empties the edit text the prefs hold a reference to
    list->clear();
    list->addItems(names);
    list->setCurrentIndex(names.indexOf(shown));
    list->setEditText(shown);
}

void TFRM_Pref::connectProfileFields()
{
    auto optics = [this](TNumInp* field, double OpticsControls::*value) {
        connect(field, &TNumInp::exited, this, [this, field, value] {
            prefs_.optics.*value = double(field->Value());
            opticsRefresh();
            reportingWrites([&] { profiles_.fieldLeft(ProfileKind::Optics); });
        });
    };
    optics(TNI_Focale, &OpticsControls::TNI_Focale);
    optics(TNI_Barlow, &OpticsControls::TNI_Barlow);
    optics(TNI_Reducteur, &OpticsControls::TNI_Reducteur);
    connect(CKB_Barlow, &QCheckBox::toggled, this, [this](bool on) {
        TNI_Barlow->setEnabled(on);
        if (showing_) return;
        prefs_.optics.CKB_Barlow = on;
        opticsRefresh();
    });
    connect(CKB_Reducteur, &QCheckBox::toggled, this, [this](bool on) {
        TNI_Reducteur->setEnabled(on);
        if (showing_) return;
        prefs_.optics.CKB_Reducteur = on;
        opticsRefresh();
    });
    connect(CKB_RenvoiCoude, &QCheckBox::toggled, this, [this](bool on) {
        if (showing_) return;
        prefs_.optics.CKB_RenvoiCoude = on;
        emit reticleRedraw();
    });

    auto mount = [this](TNumInp* field, double MountControls::*value) {
        connect(field, &TNumInp::exited, this, [this, field, value] {
            prefs_.mount.*value = double(field->Value());
            reportingWrites([&] { profiles_.fieldLeft(ProfileKind::Mount); });
        });
    };
    mount(TNI_Rayon_Az, &MountControls::TNI_Rayon_Az);
    mount(TNI_Fil_Az, &MountControls::TNI_Fil_Az);
    mount(TNI_Rayon_Alt, &MountControls::TNI_Rayon_Alt);
    mount(TNI_Fil_Alt, &MountControls::TNI_Fil_Alt);
    store(CKB_Inverse_Az, prefs_.mount.CKB_Inverse_Az);
    store(CKB_Inverse_Alt, prefs_.mount.CKB_Inverse_Alt);

    auto camera = [this](TNumInp* field, double CameraControls::*value) {
        connect(field, &TNumInp::exited, this, [this, field, value] {
            prefs_.camera.pixels.*value = double(field->Value());
            emit cameraChanged();
            reportingWrites([&] { profiles_.fieldLeft(ProfileKind::Camera); });
        });
    };
    camera(TNI_Larg_Pix, &CameraControls::TNI_Larg_Pix);
    camera(TNI_Haut_Pix, &CameraControls::TNI_Haut_Pix);
    camera(TNI_NbPix_X, &CameraControls::TNI_NbPix_X);
    camera(TNI_NbPix_Y, &CameraControls::TNI_NbPix_Y);
    connect(CKB_VestaMod, &QCheckBox::toggled, this, [this](bool on) {
        PGC_Pref->setTabVisible(PGC_Pref->indexOf(TBS_Poselongue), on);
        if (showing_) return;
        prefs_.camera.CKB_VestaMod = on;
        emit vestaModToggled(on);
    });
    connect(CKB_RAW, &QCheckBox::toggled, this, [this](bool on) {
        if (showing_) return;
        prefs_.camera.CKB_RAW = on;
        profiles_.cameraToVideo();
    });
    for (int mode = 0; mode < int(RDB_RAWMode.size()); ++mode)
        connect(RDB_RAWMode[mode], &QRadioButton::toggled, this, [this, mode](bool on) {
            if (showing_ || !on) return;
            prefs_.camera.RDB_RAWMode = mode;
            prefs_.camera.rawMode = mode;
            profiles_.cameraToVideo();
        });
    connect(BTN_Calculer_TaillePix, &QPushButton::clicked, this, &TFRM_Pref::pixelSizeMeasureRequested);
}

void TFRM_Pref::opticsRefresh()
{
    profiles_.opticsEdited();
    TNI_Focale_Reelle->setValue(prefs_.effectiveFocal);
    emit opticsRefreshed();
}

void TFRM_Pref::showOptics()
{
    const Showing quiet(showing_);
    const OpticsControls& o = prefs_.optics;
    TNI_Focale->setValue(o.TNI_Focale);
    TNI_Barlow->setValue(o.TNI_Barlow);
    TNI_Reducteur->setValue(o.TNI_Reducteur);
    CKB_Barlow->setChecked(o.CKB_Barlow);
    CKB_Reducteur->setChecked(o.CKB_Reducteur);
    TNI_Barlow->setEnabled(o.CKB_Barlow);
    TNI_Reducteur->setEnabled(o.CKB_Reducteur);
    CKB_RenvoiCoude->setChecked(o.CKB_RenvoiCoude);
    TNI_Focale_Reelle->setValue(prefs_.effectiveFocal);
}

void TFRM_Pref::showMount()
{
    const Showing quiet(showing_);
    const MountControls& m = prefs_.mount;
    TNI_Rayon_Az->setValue(m.TNI_Rayon_Az);
    TNI_Fil_Az->setValue(m.TNI_Fil_Az);
    TNI_Rayon_Alt->setValue(m.TNI_Rayon_Alt);
    TNI_Fil_Alt->setValue(m.TNI_Fil_Alt);
    CKB_Inverse_Az->setChecked(m.CKB_Inverse_Az);
    CKB_Inverse_Alt->setChecked(m.CKB_Inverse_Alt);
}

void TFRM_Pref::showCamera()
{
    const Showing quiet(showing_);
    const CameraProfile& c = prefs_.camera;
    TNI_Larg_Pix->setValue(c.pixels.TNI_Larg_Pix);
    TNI_Haut_Pix->setValue(c.pixels.TNI_Haut_Pix);
    TNI_NbPix_X->setValue(c.pixels.TNI_NbPix_X);
    TNI_NbPix_Y->setValue(c.pixels.TNI_NbPix_Y);
    CKB_VestaMod->setChecked(c.CKB_VestaMod);
    PGC_Pref->setTabVisible(PGC_Pref->indexOf(TBS_Poselongue), c.CKB_VestaMod);
    CKB_RAW->setChecked(c.CKB_RAW);
    checkOnly({RDB_RAWMode.begin(), RDB_RAWMode.end()}, c.RDB_RAWMode);
}

// ---------------------------------------------------------------- telescope

void TFRM_Pref::connectTelescope()
{
    const std::pair<QRadioButton*, MountInterface> choices[] = {
        {RDB_Aucun, MountInterface::Aucun},   {RDB_LX200, MountInterface::LX200}, {RDB_Tolvir, MountInterface::Tolvir},
        {RDB_Varnek, MountInterface::Varnek}, {RDB_Dremla, MountInterface::Dremla}, {RDB_INDI, MountInterface::Indi}};
    for (auto [button, chosen] : choices)
        connect(button, &QRadioButton::toggled, this, [this, chosen = chosen](bool on) {
            if (on && !showing_) interfaceClicked(chosen);
        });
    AutoguidePrefs& a = prefs_.autoguide;
    // COM1..COM8 keep their place in the list; any other device (a USB
    // adapter, a typed pseudo-terminal) is kept by its path.
    connect(CBX_AG_PortSerie, &QComboBox::currentTextChanged, this, [this](const QString& text) {
        if (showing_) return;
        AutoguidePrefs& a = prefs_.autoguide;
        const qsizetype com = serialPortChoices().indexOf(text);
        if (com >= 0) {
            a.CBX_AG_PortSerie = int(com);
            a.serialDevice.clear();
        } else {
            a.serialDevice = text.trimmed();
        }
        emit valuesChanged();
    });
    store(CBX_AG_Vitesse, a.CBX_AG_Vitesse);
    store(CBX_AG_Parite, a.CBX_AG_Parite);
    store(CBX_AG_Databits, a.CBX_AG_Databits);
    store(CBX_AG_StopBits, a.CBX_AG_StopBits);
    store(CKB_CR, a.CKB_CR);
    store(CKB_LF, a.CKB_LF);
    store(CKB_Historique_Comm, a.CKB_Historique_Comm);
    store(CBX_AG_PortParallele, a.CBX_AG_PortParallele);
    store(TNI_Bit_Est, a.TNI_Bit_Est);
    store(TNI_Est_ActiveValue, a.TNI_Est_ActiveValue);
    store(TNI_Bit_Ouest, a.TNI_Bit_Ouest);
    store(TNI_Ouest_ActiveValue, a.TNI_Ouest_ActiveValue);
    store(TNI_Bit_Nord, a.TNI_Bit_Nord);
    store(TNI_Nord_ActiveValue, a.TNI_Nord_ActiveValue);
    store(TNI_Bit_Sud, a.TNI_Bit_Sud);
    store(TNI_Sud_ActiveValue, a.TNI_Sud_ActiveValue);
    store(SPED_Tps_Base_Autofocus, prefs_.autoFocus.SPED_Tps_Base_Autofocus);
    store(TNI_FWHM_Stop, prefs_.autoFocus.TNI_FWHM_Stop);
}

void TFRM_Pref::interfaceClicked(MountInterface chosen)
{
    prefs_.autoguide.interface = chosen;
    showInterface(chosen);
    emit interfaceChosen(chosen);
    emit valuesChanged();
}

// The autoguiding tab exists for any interface but "Aucune"; the pulse
// length is the serial box's; the parallel box shows its own settings.
void TFRM_Pref::showInterface(MountInterface chosen)
{
    PGC_Pref->setTabVisible(PGC_Pref->indexOf(TBS_Autoguidage), chosen != MountInterface::Aucun);
    SPED_Duree_impulsions->setEnabled(chosen == MountInterface::Tolvir);
    if (chosen == MountInterface::Indi && indiPanel_) PCTRL_Interface->setCurrentWidget(indiPanel_);
    else PCTRL_Interface->setCurrentIndex(chosen == MountInterface::Varnek ? 1 : 0);
}

void TFRM_Pref::setIndiPanel(PNL_Indi* panel)
{
    if (indiPanel_) return;
    indiPanel_ = panel;
    PCTRL_Interface->addWidget(panel);
    showInterface(prefs_.autoguide.interface);
}

// ---------------------------------------------------------------- long exposure

void TFRM_Pref::connectLongExposure()
{
    LongExposurePrefs& e = prefs_.longExposure;
    store(CBX_Vesta_Port, e.CBX_Vesta_Port);
    store(SPED_Vesta_Interpose, e.SPED_Vesta_Interpose);
    store(TNI_Bit_Active_Odd, e.TNI_Bit_Active_Odd);
    store(TNI_Vesta_ActiveValue_Odd, e.TNI_Vesta_ActiveValue_Odd);
    store(TNI_Bit_Active_Even, e.TNI_Bit_Active_Even);
    store(TNI_Vesta_ActiveValue_Even, e.TNI_Vesta_ActiveValue_Even);
    store(TNI_Bit_Amp_Active, e.TNI_Bit_Amp_Active);
    store(TNI_Amp_ActiveValue, e.TNI_Amp_ActiveValue);
    store(TNI_Bit_Longexp_Active, e.TNI_Bit_Longexp_Active);
    store(TNI_Longexp_ActiveValue, e.TNI_Longexp_ActiveValue);
    store(SPED_Avance, e.SPED_Avance);
    store(CBX_Ligne_guidage, e.CBX_Ligne_guidage);
    store(CKB_LongueposePermanent, e.CKB_LongueposePermanent);
}

void TFRM_Pref::showLongExposure()
{
    const LongExposurePrefs& e = prefs_.longExposure;
    CBX_Vesta_Port->setCurrentIndex(e.CBX_Vesta_Port);
    SPED_Vesta_Interpose->setValue(e.SPED_Vesta_Interpose);
    TNI_Bit_Active_Odd->setValue(e.TNI_Bit_Active_Odd);
    TNI_Vesta_ActiveValue_Odd->setValue(e.TNI_Vesta_ActiveValue_Odd);
    TNI_Bit_Active_Even->setValue(e.TNI_Bit_Active_Even);
    TNI_Vesta_ActiveValue_Even->setValue(e.TNI_Vesta_ActiveValue_Even);
    TNI_Bit_Amp_Active->setValue(e.TNI_Bit_Amp_Active);
    TNI_Amp_ActiveValue->setValue(e.TNI_Amp_ActiveValue);
    TNI_Bit_Longexp_Active->setValue(e.TNI_Bit_Longexp_Active);
    TNI_Longexp_ActiveValue->setValue(e.TNI_Longexp_ActiveValue);
    SPED_Avance->setValue(e.SPED_Avance);
    CBX_Ligne_guidage->setCurrentIndex(e.CBX_Ligne_guidage);
    CKB_LongueposePermanent->setChecked(e.CKB_LongueposePermanent);
}

// ---------------------------------------------------------------- autoguiding

void TFRM_Pref::connectAutoguide()
{
    AutoguidePrefs& a = prefs_.autoguide;
    store(SPED_Neutre, controls_.tracking.SPED_Neutre);
    store(SPED_Intervalle_Guidage, controls_.SPED_Intervalle_Guidage);
    store(SPED_Duree_impulsions, a.SPED_Duree_impulsions);
    store(CKB_InverseAD, a.CKB_InverseAD);
    store(CKB_InverseDEC, a.CKB_InverseDEC);
    store(CKB_Correct_Nord, a.CKB_Correct_Nord);
    store(CKB_Correct_Sud, a.CKB_Correct_Sud);
    store(CKB_Correct_Est, a.CKB_Correct_Est);
    store(CKB_Correct_Ouest, a.CKB_Correct_Ouest);
    store(TNI_Vitesse_Nord, a.TNI_Vitesse_Nord);
    store(TNI_Vitesse_Sud, a.TNI_Vitesse_Sud);
    store(TNI_Vitesse_Est, a.TNI_Vitesse_Est);
    store(TNI_Vitesse_Ouest, a.TNI_Vitesse_Ouest);
    store(RDB_Temps_Inertie, a.RDB_Temps_Inertie);
    store(RDB_Pourcent_Inertie, a.RDB_Pourcent_Inertie);
    store(TNI_Tps_Inertie, a.TNI_Tps_Inertie);
    store(SPED_Pourcent_Inertie, a.SPED_Pourcent_Inertie);
    store(CKB_Separes, a.CKB_Separes);
    store(SPED_Delai_Separes, a.SPED_Delai_Separes);
    store(TNI_Duree_test, a.TNI_Duree_test);
    store(CKB_Fichier_decalage, a.CKB_Fichier_decalage);
    store(EDT_Fichier_Decalage, a.EDT_Fichier_Decalage);
    connect(BBTN_Fichier_Decalage, &QToolButton::clicked, this, [this] {
        const QString chosen = chooseFile_ ? chooseFile_(EDT_Fichier_Decalage->text()) : QString();
        if (chosen.isEmpty()) return;
        EDT_Fichier_Decalage->setText(chosen);
        emit offsetFileChosen(chosen);
    });
    connect(CKB_Affiche_Etendu, &QCheckBox::toggled, this, [this](bool on) {
        if (showing_) return;
        prefs_.autoguide.CKB_Affiche_Etendu = on;
        emit guideWindowShown(on);
    });
}

void TFRM_Pref::showAutoguide()
{
    const AutoguidePrefs& a = prefs_.autoguide;
    const MountInterface chosen = a.interface;
    checkOnly({RDB_Aucun, RDB_LX200, RDB_Tolvir, RDB_Varnek, RDB_Dremla, RDB_INDI},
              chosen == MountInterface::NoneChecked ? -1 : int(chosen));
    showInterface(chosen);
    // The devices present, and the port the settings name even when absent.
    const QString com = serialPortChoices().value(a.CBX_AG_PortSerie);
    fillSerialPorts({com, a.serialDevice});
    CBX_AG_PortSerie->setCurrentText(a.serialDevice.isEmpty() ? com : a.serialDevice);
    CBX_AG_Vitesse->setCurrentIndex(a.CBX_AG_Vitesse);
    CBX_AG_Parite->setCurrentIndex(a.CBX_AG_Parite);
    CBX_AG_Databits->setCurrentIndex(a.CBX_AG_Databits);
    CBX_AG_StopBits->setCurrentIndex(a.CBX_AG_StopBits);
    CKB_CR->setChecked(a.CKB_CR);
    CKB_LF->setChecked(a.CKB_LF);
    CKB_Historique_Comm->setChecked(a.CKB_Historique_Comm);
    CBX_AG_PortParallele->setCurrentIndex(a.CBX_AG_PortParallele);
    const std::pair<TNumInp*, double> fields[] = {
        {TNI_Bit_Est, a.TNI_Bit_Est},           {TNI_Est_ActiveValue, a.TNI_Est_ActiveValue},
        {TNI_Bit_Ouest, a.TNI_Bit_Ouest},       {TNI_Ouest_ActiveValue, a.TNI_Ouest_ActiveValue},
        {TNI_Bit_Nord, a.TNI_Bit_Nord},         {TNI_Nord_ActiveValue, a.TNI_Nord_ActiveValue},
        {TNI_Bit_Sud, a.TNI_Bit_Sud},           {TNI_Sud_ActiveValue, a.TNI_Sud_ActiveValue},
        {TNI_Vitesse_Nord, a.TNI_Vitesse_Nord}, {TNI_Vitesse_Sud, a.TNI_Vitesse_Sud},
        {TNI_Vitesse_Est, a.TNI_Vitesse_Est},   {TNI_Vitesse_Ouest, a.TNI_Vitesse_Ouest},
        {TNI_Tps_Inertie, a.TNI_Tps_Inertie},   {TNI_Duree_test, a.TNI_Duree_test},
        {TNI_FWHM_Stop, prefs_.autoFocus.TNI_FWHM_Stop}};
    for (auto [field, value] : fields) field->setValue(value);
    SPED_Tps_Base_Autofocus->setValue(prefs_.autoFocus.SPED_Tps_Base_Autofocus);
    SPED_Neutre->setValue(controls_.tracking.SPED_Neutre);
    SPED_Intervalle_Guidage->setValue(int(controls_.SPED_Intervalle_Guidage));
    SPED_Duree_impulsions->setValue(a.SPED_Duree_impulsions);
    CKB_InverseAD->setChecked(a.CKB_InverseAD);
    CKB_InverseDEC->setChecked(a.CKB_InverseDEC);
    CKB_Correct_Nord->setChecked(a.CKB_Correct_Nord);
    CKB_Correct_Sud->setChecked(a.CKB_Correct_Sud);
    CKB_Correct_Est->setChecked(a.CKB_Correct_Est);
    CKB_Correct_Ouest->setChecked(a.CKB_Correct_Ouest);
    checkOnly({RDB_Temps_Inertie, RDB_Pourcent_Inertie},
              a.RDB_Temps_Inertie ? 0 : a.RDB_Pourcent_Inertie ? 1 : -1);
    SPED_Pourcent_Inertie->setValue(a.SPED_Pourcent_Inertie);
    CKB_Separes->setChecked(a.CKB_Separes);
    SPED_Delai_Separes->setValue(a.SPED_Delai_Separes);
    CKB_Fichier_decalage->setChecked(a.CKB_Fichier_decalage);
    EDT_Fichier_Decalage->setText(a.EDT_Fichier_Decalage);
    CKB_Affiche_Etendu->setChecked(a.CKB_Affiche_Etendu);
}

// ---------------------------------------------------------------- other tabs

void TFRM_Pref::connectOtherPages()
{
    // The shown fields follow their sliders, also while values are shown.
    connect(SCB_Finesse_Selection, &QScrollBar::valueChanged, this, [this](int position) {
        if (!showing_) prefs_.selection.SCB_Finesse_Selection = position;
        SelectionPrefs shown;
        shown.SCB_Finesse_Selection = position;
        TNI_Finesse_Selection->setValue(shown.TNI_Finesse_Selection());
        emit selectionSettingsChanged();
    });
    connect(SCB_Sensibilite_MAP, &QScrollBar::valueChanged, this, [this](int position) {
        if (!showing_) prefs_.selection.SCB_Sensibilite_MAP = position;
        TNI_Sensibilite_MAP->setValue(position);
        emit selectionSettingsChanged();
    });
    connect(SCB_Precision_MAP, &QScrollBar::valueChanged, this, [this](int position) {
        if (!showing_) prefs_.selection.SCB_Precision_MAP = position;
        TNI_Precision_MAP->setValue(position);
        emit selectionSettingsChanged();
    });
    connect(SPED_Nb_Mesures, &QSpinBox::valueChanged, this, [this](int count) {
        if (showing_) return;
        prefs_.selection.SPED_Nb_Mesures = count;
        emit focusHistoryCleared();
    });
    connect(CKB_Debug, &QCheckBox::toggled, this, [this] { CKB_DebugClick(); });
    store(CBX_Langue, prefs_.CBX_Langue);

    connect(CKB_Intensite_Max, &QCheckBox::toggled, this, [this](bool on) { controls_.CKB_Intensite_Max = on; });
    connect(CKB_Intensite_Min, &QCheckBox::toggled, this, [this](bool on) { controls_.CKB_Intensite_Min = on; });
    connect(CKB_FWHM, &QCheckBox::toggled, this, [this](bool on) { controls_.CKB_FWHM = on; });
    connect(CKB_Dateheure, &QCheckBox::toggled, this, [this](bool on) { controls_.CKB_Dateheure = on; });
    store(CKB_IPS, prefs_.CKB_IPS);
    connect(RDB_Carre, &QRadioButton::clicked, this, [this] { controls_.markerShape = 0; });
    connect(RDB_Cercle, &QRadioButton::clicked, this, [this] { controls_.markerShape = 1; });
    connect(RDB_Croix, &QRadioButton::clicked, this, [this] { controls_.crossShape = 0; });
    connect(RDB_Point, &QRadioButton::clicked, this, [this] { controls_.crossShape = 1; });
}

void TFRM_Pref::showOtherPages()
{
    const SelectionPrefs& s = prefs_.selection;
    SCB_Finesse_Selection->setValue(s.SCB_Finesse_Selection);
    TNI_Finesse_Selection->setValue(s.TNI_Finesse_Selection());
    SCB_Sensibilite_MAP->setValue(s.SCB_Sensibilite_MAP);
    TNI_Sensibilite_MAP->setValue(SCB_Sensibilite_MAP->value());
    SCB_Precision_MAP->setValue(s.SCB_Precision_MAP);
    TNI_Precision_MAP->setValue(SCB_Precision_MAP->value());
    SPED_Nb_Mesures->setValue(s.SPED_Nb_Mesures);
    // Languages beyond the built-in one come with the language file; an
    // index outside the list (negative, or beyond it) selects none.
    CBX_Langue->setCurrentIndex(languageIndexFor(prefs_.CBX_Langue, CBX_Langue->count()));
    CKB_IPS->setChecked(prefs_.CKB_IPS);
}

void TFRM_Pref::showValues()
{
    const Showing quiet(showing_);
    EDT_Repertoire_Bitmaps->setText(prefs_.EDT_Repertoire_Bitmaps);
    EDT_Repertoire_drivers->setText(prefs_.EDT_Repertoire_drivers);
    for (ProfileKind kind : {ProfileKind::Optics, ProfileKind::Mount, ProfileKind::Camera}) showProfileList(kind);
    showOptics();
    showMount();
    showCamera();
    showLongExposure();
    showAutoguide();
    showOtherPages();
    showMireControls();
    if (indiPanel_) indiPanel_->refresh();
}

namespace {
// Shape 0 checks the first button, 1 the second, any other neither.
void showShape(QRadioButton* first, QRadioButton* second, unsigned char shape)
{
    checkOnly({first, second}, shape <= 1 ? shape : -1);
}
} // namespace

void TFRM_Pref::showMireControls()
{
    const PipelineControls c = controls_;
    CKB_Intensite_Max->setChecked(c.CKB_Intensite_Max);
    CKB_Intensite_Min->setChecked(c.CKB_Intensite_Min);
    CKB_FWHM->setChecked(c.CKB_FWHM);
    CKB_Dateheure->setChecked(c.CKB_Dateheure);
    showShape(RDB_Carre, RDB_Cercle, c.markerShape);
    showShape(RDB_Croix, RDB_Point, c.crossShape);
}

// Checked: create or empty Debug.log in the current directory and keep it
// open; unchecked: close it.
void TFRM_Pref::CKB_DebugClick()
{
    if (CKB_Debug->isChecked()) debugLog_.open(QStringLiteral("Debug.log"));
    else debugLog_.close();
}

} // namespace velumbra

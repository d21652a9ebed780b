// The folder tab and the three profile tabs (optics, mount, camera) with
// the polar-alignment tab that reverses the mount's corrections.
#include "settings/ui/PrefWidgets.h"
#include "settings/ui/TFRM_Pref.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace velumbra {

using namespace pref;

namespace {

// The top row of a profile tab: the editable list of profile names, then
// "Nouveau" and "Suppr.".
QHBoxLayout* profileRow(QComboBox* list, QPushButton* add, QPushButton* erase)
{
    list->setEditable(true);
    // The list mirrors the stored profiles: Enter in the field adds nothing.
    list->setInsertPolicy(QComboBox::NoInsert);
    list->setMinimumWidth(220);
    auto* row = new QHBoxLayout;
    row->addWidget(caption("LBL_Profil", QStringLiteral("Profil :")));
    row->addWidget(list, 1);
    row->addWidget(add);
    row->addWidget(erase);
    return row;
}

QWidget* page(const char* name) { return named(new QWidget, name); }

} // namespace

QWidget* TFRM_Pref::buildFoldersPage()
{
    QWidget* tab = page("TBS_Repertoires");
    auto* grid = new QGridLayout(tab);
    EDT_Repertoire_Bitmaps = named(new QLineEdit, "EDT_Repertoire_Bitmaps");
    EDT_Repertoire_Bitmaps->setToolTip(QStringLiteral("Dossier où les images sont enregistrées"));
    BBTN_Bitmaps = browseButton("BBTN_Bitmaps", QStringLiteral("Choisir le dossier des images"));
    const QString driversHint = QStringLiteral(
        "Dossier du pilote d'accès aux ports de Windows NT : conservé dans les réglages, sans usage sous Linux");
    EDT_Repertoire_drivers = named(new QLineEdit, "EDT_Repertoire_drivers", {}, driversHint);
    EDT_Repertoire_drivers->setPlaceholderText(QStringLiteral("Sans usage sous Linux"));
    BBTN_Drivers = browseButton("BBTN_Drivers", driversHint);
    grid->addWidget(caption("LBL_Repertoire_Bitmaps", QStringLiteral("Dossier des images :")), 0, 0);
    grid->addWidget(EDT_Repertoire_Bitmaps, 0, 1);
    grid->addWidget(BBTN_Bitmaps, 0, 2);
    // The folder of the Windows NT port driver means nothing on Linux: the
    // setting is kept for the settings file, not shown.
    EDT_Repertoire_drivers->setParent(tab);
    EDT_Repertoire_drivers->hide();
    BBTN_Drivers->setParent(tab);
    BBTN_Drivers->hide();
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(2, 1);
    return tab;
}

QWidget* TFRM_Pref::buildOpticsPage()
{
    QWidget* tab = page("TBS_Optique");
    auto* v = new QVBoxLayout(tab);
    CBX_Optique = named(new QComboBox, "CBX_Optique");
    BTN_Nouveau_Optique = named(new QPushButton, "BTN_Nouveau_Optique", QStringLiteral("Nouveau"));
    BTN_Sup_Optique = named(new QPushButton, "BTN_Sup_Optique", QStringLiteral("Suppr."));
    v->addLayout(profileRow(CBX_Optique, BTN_Nouveau_Optique, BTN_Sup_Optique));

    using L = OpticsLimits;
    TNI_Focale = numField("TNI_Focale", L::focalMin, L::focalMax);
    CKB_Barlow = named(new QCheckBox, "CKB_Barlow", QStringLiteral("Barlow"));
    TNI_Barlow = numField("TNI_Barlow", L::barlowMin, L::barlowMax);
    CKB_Reducteur = named(new QCheckBox, "CKB_Reducteur", QStringLiteral("Reducteur"));
    TNI_Reducteur = numField("TNI_Reducteur", L::reducerMin, L::reducerMax);
    TNI_Focale_Reelle = shownField("TNI_Focale_Reelle");
    CKB_RenvoiCoude = named(new QCheckBox, "CKB_RenvoiCoude", QStringLiteral("Renvoi coudé"));

    auto* grid = new QGridLayout;
    grid->addWidget(caption("LBL_Focale", QStringLiteral("Focale primaire (mm)")), 0, 0);
    grid->addWidget(TNI_Focale, 0, 1);
    grid->addWidget(CKB_Barlow, 1, 0);
    grid->addWidget(TNI_Barlow, 1, 1);
    grid->addWidget(CKB_Reducteur, 2, 0);
    grid->addWidget(TNI_Reducteur, 2, 1);
    grid->addWidget(caption("LBL_Focale_Reelle", QStringLiteral("Focale totale (mm)")), 3, 0);
    grid->addWidget(TNI_Focale_Reelle, 3, 1);
    grid->addWidget(CKB_RenvoiCoude, 4, 0, 1, 2);
    grid->setColumnStretch(2, 1);
    v->addLayout(grid);
    v->addStretch();
    return tab;
}

QWidget* TFRM_Pref::buildMountPage()
{
    QWidget* tab = page("TBS_Monture");
    auto* v = new QVBoxLayout(tab);
    CBX_Monture = named(new QComboBox, "CBX_Monture");
    BTN_Nouveau_Monture = named(new QPushButton, "BTN_Nouveau_Monture", QStringLiteral("Nouveau"));
    BTN_Sup_Monture = named(new QPushButton, "BTN_Sup_Monture", QStringLiteral("Suppr."));
    v->addLayout(profileRow(CBX_Monture, BTN_Nouveau_Monture, BTN_Sup_Monture));

    using L = MountLimits;
    TNI_Rayon_Az = numField("TNI_Rayon_Az", L::radiusMin, L::radiusMax);
    TNI_Fil_Az = numField("TNI_Fil_Az", L::pitchMin, L::pitchMax);
    TNI_Rayon_Alt = numField("TNI_Rayon_Alt", L::radiusMin, L::radiusMax);
    TNI_Fil_Alt = numField("TNI_Fil_Alt", L::pitchMin, L::pitchMax);
    const QString pitch = QStringLiteral("Pas de vis (mm entre 2 filetages):");
    auto* grid = new QGridLayout;
    grid->addWidget(caption("LBL_Rayon_Az", QStringLiteral("Rayon du dispositif de reglage en atimuth (mm):")), 0, 0);
    grid->addWidget(TNI_Rayon_Az, 0, 1);
    grid->addWidget(caption("LBL_Fil_Az", pitch), 1, 0);
    grid->addWidget(TNI_Fil_Az, 1, 1);
    // A gap between the azimuth pair and the altitude pair.
    grid->setRowMinimumHeight(2, 12);
    grid->addWidget(caption("LBL_Rayon_Alt", QStringLiteral("Rayon du dispositif de reglage en altitude (mm):")), 3, 0);
    grid->addWidget(TNI_Rayon_Alt, 3, 1);
    grid->addWidget(caption("LBL_Fil_Alt", pitch), 4, 0);
    grid->addWidget(TNI_Fil_Alt, 4, 1);
    grid->setColumnStretch(2, 1);
    v->addLayout(grid);
    v->addStretch();
    return tab;
}

QWidget* TFRM_Pref::buildCameraPage()
{
    QWidget* tab = page("TBS_Camera");
    auto* v = new QVBoxLayout(tab);
    CBX_Camera = named(new QComboBox, "CBX_Camera");
    BTN_Nouveau_Camera = named(new QPushButton, "BTN_Nouveau_Camera", QStringLiteral("Nouveau"));
    BTN_Sup_Camera = named(new QPushButton, "BTN_Sup_Camera", QStringLiteral("Suppr."));
    v->addLayout(profileRow(CBX_Camera, BTN_Nouveau_Camera, BTN_Sup_Camera));

    CKB_VestaMod = named(new QCheckBox, "CKB_VestaMod", QStringLiteral("Vesta modifiée"),
                         QStringLiteral("Camera modifiée pour les poses longues"));
    v->addWidget(CKB_VestaMod);

    using L = CameraLimits;
    TNI_Larg_Pix = numField("TNI_Larg_Pix", 0, L::pixelSizeMax);
    TNI_Haut_Pix = numField("TNI_Haut_Pix", 0, L::pixelSizeMax);
    TNI_NbPix_X = numField("TNI_NbPix_X", L::resolutionMin, L::resolutionMax);
    TNI_NbPix_Y = numField("TNI_NbPix_Y", L::resolutionMin, L::resolutionMax);
    BTN_Calculer_TaillePix = named(new QPushButton, "BTN_Calculer_TaillePix", QStringLiteral("Calculer automatiquement"));
    auto* grid = new QGridLayout;
    grid->addWidget(caption("LBL_TaillePixel", QStringLiteral("Taille d'un pixel (Lxl)")), 0, 0);
    grid->addWidget(TNI_Larg_Pix, 0, 1);
    grid->addWidget(caption(QStringLiteral("x")), 0, 2, Qt::AlignCenter);
    grid->addWidget(TNI_Haut_Pix, 0, 3);
    grid->addWidget(caption("LBL_Micron", QStringLiteral("µm")), 0, 4);
    grid->addWidget(BTN_Calculer_TaillePix, 1, 1, 1, 4);
    grid->addWidget(caption("LBL_Determine_resolution", QStringLiteral("Determinée à la resolution de :")), 2, 0);
    grid->addWidget(caption("LBL_Largeur_Pix", QStringLiteral("Largeur")), 2, 1, Qt::AlignBottom);
    grid->addWidget(caption("LBL_Hauteur_Pix", QStringLiteral("Hauteur")), 2, 3, Qt::AlignBottom);
    grid->addWidget(TNI_NbPix_X, 3, 1);
    grid->addWidget(caption(QStringLiteral("x")), 3, 2, Qt::AlignCenter);
    grid->addWidget(TNI_NbPix_Y, 3, 3);
    grid->addWidget(caption("LBL_Pixels_Camera", QStringLiteral("pixels")), 3, 4);
    grid->setColumnStretch(5, 1);
    v->addLayout(grid);

    auto* raw = named(new QGroupBox(QStringLiteral("Couleurs du capteur")), "GRB_RAW");
    auto* rawRow = new QHBoxLayout(raw);
    CKB_RAW = named(new QCheckBox, "CKB_RAW", QStringLiteral("RAW"),
                    QStringLiteral("Reconstruire les couleurs depuis la mosaïque du capteur"));
    rawRow->addWidget(CKB_RAW);
    auto* modes = new QButtonGroup(raw);
    for (int i = 0; i < 4; ++i) {
        const QByteArray name = "RDB_RAWMode_" + QByteArray::number(i + 1);
        RDB_RAWMode[i] = named(new QRadioButton(QStringLiteral("Mode %1").arg(i + 1)), name.constData());
        modes->addButton(RDB_RAWMode[i], i);
        rawRow->addWidget(RDB_RAWMode[i]);
    }
    rawRow->addStretch();
    v->addWidget(raw);
    // Camera kinds of the first drivers: kept by name, never shown.
    for (const char* name : {"RDB_Toucam", "RDB_Vesta"}) {
        auto* hidden = named(new QRadioButton(tab), name);
        hidden->hide();
    }
    v->addStretch();
    return tab;
}

QWidget* TFRM_Pref::buildAlignmentPage()
{
    QWidget* tab = page("TBS_MES");
    auto* v = new QVBoxLayout(tab);
    CKB_Inverse_Az = named(new QCheckBox, "CKB_Inverse_Az", QStringLiteral("Inverser les corrections en Azimuth"));
    CKB_Inverse_Alt = named(new QCheckBox, "CKB_Inverse_Alt", QStringLiteral("Inverser les corrections en Altitude"));
    v->addWidget(CKB_Inverse_Az);
    v->addWidget(CKB_Inverse_Alt);
    v->addStretch();
    return tab;
}

} // namespace velumbra

#include "settings/ui/TFRM_Pref.h"
#include "widgets/Named.h"
#include "core/DebugLog.h"
#include "processing/PipelineControls.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace velumbra {
TFRM_Pref::TFRM_Pref(PipelineControls& controls, DebugLog& debugLog, QWidget* parent)
    : QDialog(parent), controls_(controls), debugLog_(debugLog)
{
    setObjectName(QStringLiteral("TFRM_Pref"));
    setWindowTitle(QStringLiteral("Préferences"));
    auto* layout = new QVBoxLayout(this);
    PGC_Pref = named(new QTabWidget(this), "PGC_Pref");
    PGC_Pref->addTab(buildMirePage(), QStringLiteral("Mire"));
    PGC_Pref->addTab(buildDebugPage(), QStringLiteral("Debug"));
    layout->addWidget(PGC_Pref);
    auto* ok = named(new QPushButton(QStringLiteral("Ok"), this), "BTN_OK");
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignRight);
}

QWidget* TFRM_Pref::buildMirePage()
{
    auto* page = named(new QWidget, "TBS_Mire");
    auto* v = new QVBoxLayout(page);
    v->addWidget(named(new QLabel(QStringLiteral("Informations à afficher sur la mire")), "LBL_Informations_Mire"));
    CKB_Intensite_Max = named(new QCheckBox(QStringLiteral("Intensité Maximale(IMax)")), "CKB_Intensite_Max");
    CKB_Intensite_Min = named(new QCheckBox(QStringLiteral("Intensité Minimale(IMin)")), "CKB_Intensite_Min");
    CKB_FWHM = named(new QCheckBox(QStringLiteral("FWHM/FWHMMin (FWHM/FMin)")), "CKB_FWHM");
    CKB_IPS = named(new QCheckBox(QStringLiteral("Images/seconde (IPS)")), "CKB_IPS");
    CKB_Dateheure = named(new QCheckBox(QStringLiteral("Date et heure sur l'image")), "CKB_Dateheure");
    for (QCheckBox* c : {CKB_Intensite_Max, CKB_Intensite_Min, CKB_FWHM, CKB_IPS, CKB_Dateheure}) v->addWidget(c);
    connect(CKB_Intensite_Max, &QCheckBox::toggled, this, [this](bool on) { controls_.CKB_Intensite_Max = on; });
    connect(CKB_Intensite_Min, &QCheckBox::toggled, this, [this](bool on) { controls_.CKB_Intensite_Min = on; });
    connect(CKB_FWHM, &QCheckBox::toggled, this, [this](bool on) { controls_.CKB_FWHM = on; });
    connect(CKB_Dateheure, &QCheckBox::toggled, this, [this](bool on) { controls_.CKB_Dateheure = on; });

    auto* aspect = named(new QGroupBox(QStringLiteral("Aspect de la mire")), "GRB_Aspect_Mire");
    auto* g = new QHBoxLayout(aspect);
    RDB_Carre = named(new QRadioButton(QStringLiteral("Carré")), "RDB_Carre");
    RDB_Cercle = named(new QRadioButton(QStringLiteral("Cercle")), "RDB_Cercle");
    RDB_Croix = named(new QRadioButton(QStringLiteral("Croix")), "RDB_Croix");
    RDB_Point = named(new QRadioButton(QStringLiteral("Point")), "RDB_Point");
    auto* shapes = new QButtonGroup(aspect);
    auto* centres = new QButtonGroup(aspect);
    shapes->addButton(RDB_Carre);
    shapes->addButton(RDB_Cercle);
    centres->addButton(RDB_Croix);
    centres->addButton(RDB_Point);
    for (QRadioButton* r : {RDB_Carre, RDB_Cercle, RDB_Croix, RDB_Point}) g->addWidget(r);
    RDB_Carre->setChecked(true);
    RDB_Croix->setChecked(true);
    connect(RDB_Carre, &QRadioButton::clicked, this, [this] { controls_.markerShape = 0; });
    connect(RDB_Cercle, &QRadioButton::clicked, this, [this] { controls_.markerShape = 1; });
    connect(RDB_Croix, &QRadioButton::clicked, this, [this] { controls_.crossShape = 0; });
    connect(RDB_Point, &QRadioButton::clicked, this, [this] { controls_.crossShape = 1; });
    v->addWidget(aspect);
    v->addStretch();
    return page;
}

QWidget* TFRM_Pref::buildDebugPage()
{
    auto* page = named(new QWidget, "TBS_Debug");
    auto* v = new QVBoxLayout(page);
    CKB_Debug = named(new QCheckBox(QStringLiteral("Debug actif")), "CKB_Debug");
    v->addWidget(CKB_Debug);
    v->addStretch();
    connect(CKB_Debug, &QCheckBox::toggled, this, [this] { CKB_DebugClick(); });
    return page;
}

namespace {
// Shape 0 checks the first button, 1 the second, any other neither.
void showShape(QRadioButton* first, QRadioButton* second, unsigned char shape)
{
    QButtonGroup* group = first->group();
    group->setExclusive(false);
    first->setChecked(shape == 0);
    second->setChecked(shape == 1);
    group->setExclusive(true);
}
} // namespace

void TFRM_Pref::showMireControls()
{
    const PipelineControls c = controls_;
    CKB_Intensite_Max->setChecked(c.CKB_Intensite_Max);
    CKB_Intensite_Min->setChecked(c.CKB_Intensite_Min);
    CKB_FWHM->setChecked(c.CKB_FWHM);
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

#include "processing/ui/PNL_Integration.h"
#include "widgets/Named.h"
#include "widgets/TNumInp.h"
#include "processing/ImageCore.h"
#include "processing/ui/IntegrationEvents.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace velumbra {

PNL_Integration::PNL_Integration(ImageCore& core, IntegrationEvents& events, QWidget* parent)
    : QWidget(parent), core_(core), events_(events)
{
    setObjectName(QStringLiteral("PNL_Integration"));
    buildControls();
    connectHandlers();
    syncFromCore();
}

void PNL_Integration::buildControls()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    CKB_Integration = named(new QCheckBox(QStringLiteral("Integration"), this), "CKB_Integration");
    layout->addWidget(CKB_Integration);

    RDB_Unique = named(new QRadioButton(QStringLiteral("Unique"), this), "RDB_Unique");
    RDB_Boucle = named(new QRadioButton(QStringLiteral("Boucle"), this), "RDB_Boucle");
    RDB_Dark = named(new QRadioButton(QStringLiteral("Dark"), this), "RDB_Dark");
    RDB_Flat = named(new QRadioButton(QStringLiteral("Flat"), this), "RDB_Flat");
    RDB_Unique->setToolTip(QStringLiteral("Integration illimitée"));
    RDB_Boucle->setToolTip(QStringLiteral("Intégration en boucle (Planetaire)"));
    RDB_Dark->setToolTip(QStringLiteral("Integration d'un Dark"));
    RDB_Flat->setToolTip(QStringLiteral("Integration d'un Flat-Field"));
    auto* modes = new QButtonGroup(this);
    auto* modeGrid = new QGridLayout;
    modeGrid->setContentsMargins(0, 0, 0, 0);
    int index = 0;
    for (QRadioButton* b : {RDB_Unique, RDB_Boucle, RDB_Dark, RDB_Flat}) {
        modes->addButton(b);
        modeGrid->addWidget(b, index / 2, index % 2);
        ++index;
    }
    layout->addLayout(modeGrid);

    auto* run = new QGridLayout;
    SPED_Nb_Bitmap = named(new QSpinBox(this), "SPED_Nb_Bitmap");
    SPED_Nb_Bitmap->setRange(0, 999);
    SPED_Nb_Bitmap->setToolTip(QStringLiteral("Nombre d'images à compositer en temps réel"));
    EDT_NBCaps = named(new QLineEdit(this), "EDT_NBCaps");
    EDT_NBCaps->setReadOnly(true);
    EDT_NBCaps->setMaximumWidth(72);
    EDT_NBCaps->setText(QStringLiteral("0"));
    BTN_Demarrer_Add = named(new QPushButton(QStringLiteral("Start"), this), "BTN_Demarrer_Add");
    BTN_Arreter_Add = named(new QPushButton(QStringLiteral("Stop"), this), "BTN_Arreter_Add");
    BTN_Reset_Add = named(new QPushButton(QStringLiteral("Reset"), this), "BTN_Reset_Add");
    CKB_Visu_Permanente = named(new QCheckBox(QStringLiteral("Visu"), this), "CKB_Visu_Permanente");
    LBL_Nb_Images = named(new QLabel(QStringLiteral("Nb Images"), this), "LBL_Nb_Images");
    run->addWidget(LBL_Nb_Images, 0, 0);
    run->addWidget(SPED_Nb_Bitmap, 1, 0);
    run->addWidget(EDT_NBCaps, 1, 1);
    run->addWidget(CKB_Visu_Permanente, 1, 2);
    run->addWidget(BTN_Demarrer_Add, 2, 0);
    run->addWidget(BTN_Arreter_Add, 2, 1);
    run->addWidget(BTN_Reset_Add, 2, 2);
    layout->addLayout(run);

    PGC_Dark_Flat = named(new QTabWidget(this), "PGC_Dark_Flat");
    TBS_Dark = named(new QWidget, "TBS_Dark");
    auto* dark = new QGridLayout(TBS_Dark);
    SCB_Seuil_dark = named(new QScrollBar(Qt::Horizontal, TBS_Dark), "SCB_Seuil_dark");
    SCB_Seuil_dark->setRange(0, 100);
    SCB_Seuil_dark->setValue(0);
    SCB_Seuil_dark->setInvertedControls(false); // a scroll bar's keys and wheel run backwards by default
    // The bar shows the level itself (100 - the design's position), so the
    // right arrow, a drag to the right and the wheel up raise it.
    TNI_MaxDark = named(new TNumInp(TBS_Dark), "TNI_MaxDark");
    TNI_MaxDark->setDatatype(TDataType::dtLongint);
    TNI_MaxDark->setRange(0, 100);
    TNI_MaxDark->setMaximumWidth(56);
    RDB_Dark_Sub = named(new QRadioButton(QStringLiteral("Soust."), TBS_Dark), "RDB_Dark_Sub");
    RDB_Dark_Smart = named(new QRadioButton(QStringLiteral("Intel."), TBS_Dark), "RDB_Dark_Smart");
    RDB_Dark_Sub->setToolTip(QStringLiteral("Soustraction normale du Dark"));
    RDB_Dark_Smart->setToolTip(QStringLiteral("Soustraction intelligente du Dark"));
    SPED_RDark = named(new QSpinBox(TBS_Dark), "SPED_RDark");
    SPED_RDark->setRange(1, 9);
    // The level applied, in percent, under its heading.
    LBL_DarkApplique = named(new QLabel(QStringLiteral("Appliqué"), TBS_Dark), "LBL_DarkApplique");
    dark->addWidget(LBL_DarkApplique, 0, 2);
    dark->addWidget(SCB_Seuil_dark, 1, 0, 1, 2);
    dark->addWidget(TNI_MaxDark, 1, 2);
    dark->addWidget(RDB_Dark_Sub, 2, 0);
    dark->addWidget(RDB_Dark_Smart, 2, 1);
    dark->addWidget(SPED_RDark, 2, 2);
    PGC_Dark_Flat->addTab(TBS_Dark, QStringLiteral("Dark"));

    TBS_Flat = named(new QWidget, "TBS_Flat");
    auto* flat = new QHBoxLayout(TBS_Flat);
    CKB_Active_Flat = named(new QCheckBox(QStringLiteral("Actif"), TBS_Flat), "CKB_Active_Flat");
    CKB_Active_Flat->setToolTip(QStringLiteral("Application du flat-field"));
    TNI_MaxFlat = named(new TNumInp(TBS_Flat), "TNI_MaxFlat");
    TNI_MaxFlat->setRange(0, 2147483647.0);
    TNI_MaxFlat->setReadOnly(true);
    TNI_MaxFlat->setMaximumWidth(72);
    flat->addWidget(CKB_Active_Flat);
    flat->addWidget(TNI_MaxFlat);
    PGC_Dark_Flat->addTab(TBS_Flat, QStringLiteral("Flat"));
    layout->addWidget(PGC_Dark_Flat);
    layout->addStretch();
}

void PNL_Integration::connectHandlers()
{
    Integrator& integrator = core_.integrator;
    connect(CKB_Integration, &QCheckBox::toggled, this, [this](bool on) { CKB_IntegrationClick(on); });
    for (QRadioButton* b : {RDB_Unique, RDB_Boucle, RDB_Dark, RDB_Flat})
        connect(b, &QRadioButton::clicked, this, [this, b] { modeClicked(b); });
    connect(SPED_Nb_Bitmap, &QSpinBox::valueChanged, this, [this](int n) {
        if (!syncing_) core_.controls.PNL_Integration.SPED_Nb_Bitmap = n;
    });
    connect(BTN_Demarrer_Add, &QPushButton::clicked, this, [this, &integrator] {
        integrator.BTN_Demarrer_AddClick();
        syncFromCore();
    });
    connect(BTN_Arreter_Add, &QPushButton::clicked, this, [this, &integrator] {
        integrator.BTN_Arreter_AddClick();
        syncFromCore();
    });
    connect(BTN_Reset_Add, &QPushButton::clicked, this, [this, &integrator] {
        integrator.BTN_Reset_AddClick();
        syncFromCore();
    });
    connect(CKB_Visu_Permanente, &QCheckBox::toggled, this, [this](bool on) { core_.flags.permanentView = on; });
    connect(SCB_Seuil_dark, &QScrollBar::valueChanged, this, [this](int level) { SCB_Seuil_darkChange(100 - level); });
    // A level typed in the field moves the bar, which applies it.
    connect(TNI_MaxDark, &TNumInp::exited, this, [this] { TNI_MaxDarkExit(); });
    connect(TNI_MaxDark, &TNumInp::enterPressed, this, [this] { TNI_MaxDarkExit(); });
    connect(SPED_RDark, &QSpinBox::valueChanged, this, [this](int r) {
        if (syncing_) return;
        core_.controls.PNL_Integration.SPED_RDark = r;
        SCB_Seuil_darkChange(100 - SCB_Seuil_dark->value());
    });
    connect(RDB_Dark_Smart, &QRadioButton::toggled, this, [this, &integrator](bool smart) {
        if (syncing_) return;
        core_.controls.PNL_Integration.RDB_Dark_Smart = smart;
        core_.controls.PNL_Integration.RDB_Dark_Sub = !smart;
        if (core_.controls.TNI_MaxDark > 0 && !core_.flags.loadingSettings) integrator.renderCurrent();
    });
    connect(CKB_Active_Flat, &QCheckBox::toggled, this, [this, &integrator](bool on) {
        if (syncing_) return;
        core_.controls.CKB_Active_Flat = on;
        integrator.CKB_Active_FlatClick();
    });
    connect(&events_, &IntegrationEvents::countChanged, this,
            [this](int n) { EDT_NBCaps->setText(QString::number(n)); });
    connect(&events_, &IntegrationEvents::stateChanged, this, [this] { syncFromCore(); });
}

void PNL_Integration::CKB_IntegrationClick(bool checked)
{
    if (syncing_) return;
    core_.controls.integration.CKB_Integration = checked;
    core_.integrator.CKB_IntegrationClick();
    syncFromCore();
}

void PNL_Integration::modeClicked(QRadioButton* button)
{
    if (syncing_) return;
    auto& mode = core_.controls.integration;
    mode.RDB_Unique = button == RDB_Unique;
    mode.RDB_Boucle = button == RDB_Boucle;
    mode.RDB_Dark = button == RDB_Dark;
    mode.RDB_Flat = button == RDB_Flat;
    Integrator& integrator = core_.integrator;
    if (mode.RDB_Unique) integrator.RDB_UniqueClick();
    else if (mode.RDB_Boucle) integrator.RDB_BoucleClick();
    else if (mode.RDB_Dark) integrator.RDB_DarkClick();
    else integrator.RDB_FlatClick();
    syncFromCore();
}

void PNL_Integration::SCB_Seuil_darkChange(int position)
{
    if (syncing_) return;
    core_.controls.PNL_Integration.SCB_Seuil_dark = position;
    core_.integrator.SCB_Seuil_darkChange();
    TNI_MaxDark->setValue(core_.controls.TNI_MaxDark);
}

void PNL_Integration::TNI_MaxDarkExit()
{
    if (syncing_) return;
    SCB_Seuil_dark->setValue(static_cast<int>(std::clamp(TNI_MaxDark->asLongint(), 0L, 100L)));
}

void PNL_Integration::setBinning2x2(bool on) { core_.controls.MNU_Binning_2x2 = on; }

void PNL_Integration::setSourceRunning(bool running)
{
    sourceRunning_ = running;
    core_.integrator.setSourceRunning(running);
    syncFromCore();
}

void PNL_Integration::syncFromCore()
{
    syncing_ = true;
    const auto& c = core_.controls;
    const auto& pc = c.PNL_Integration;
    const auto& mode = c.integration;
    const bool on = mode.CKB_Integration;
    const bool running = core_.integrator.running();
    CKB_Integration->setChecked(on);
    RDB_Unique->setChecked(mode.RDB_Unique);
    RDB_Boucle->setChecked(mode.RDB_Boucle);
    RDB_Dark->setChecked(mode.RDB_Dark);
    RDB_Flat->setChecked(mode.RDB_Flat);
    SPED_Nb_Bitmap->setValue(pc.SPED_Nb_Bitmap);
    CKB_Integration->setEnabled(sourceRunning_ && !running);
    for (QWidget* w : std::initializer_list<QWidget*>{RDB_Unique, RDB_Boucle, RDB_Dark, RDB_Flat, SPED_Nb_Bitmap,
                                                     BTN_Demarrer_Add, BTN_Reset_Add})
        w->setEnabled(on && !running);
    BTN_Arreter_Add->setEnabled(running);
    CKB_Visu_Permanente->setChecked(core_.flags.permanentView);
    SCB_Seuil_dark->setValue(100 - pc.SCB_Seuil_dark);
    TNI_MaxDark->setValue(c.TNI_MaxDark);
    RDB_Dark_Sub->setChecked(!pc.RDB_Dark_Smart);
    RDB_Dark_Smart->setChecked(pc.RDB_Dark_Smart);
    SPED_RDark->setValue(pc.SPED_RDark);
    CKB_Active_Flat->setEnabled(pc.CKB_Active_Flat_Enabled);
    CKB_Active_Flat->setChecked(c.CKB_Active_Flat);
    TNI_MaxFlat->setValue(pc.TNI_MaxFlat);
    syncing_ = false;
}

} // namespace velumbra

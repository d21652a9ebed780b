#include "processing/ui/FocusPanel.h"
#include "widgets/Named.h"
#include "widgets/TNumInp.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>

namespace velumbra {

FocusPanel::FocusPanel(ImageCore& core, QWidget* parent) : QWidget(parent), core_(core)
{
    setObjectName(QStringLiteral("TBS_Mise_au_point"));
    setToolTip(QStringLiteral("Mise au point par FWHM sur une etoile."));
    build();
    // The threshold follows half the star's peak from the start: a fixed
    // threshold suits one star's brightness only.
    CKB_FWHM_Auto->setChecked(true);
    CKB_FWHM_AutoClick();
    refresh();
}

void FocusPanel::build()
{
    CKB_MAP = named(new QCheckBox, "CKB_MAP", QStringLiteral("Active"));
    CKB_Son_MAP = named(new QCheckBox, "CKB_Son_MAP", QStringLiteral("Son"),
                        QStringLiteral("Activer les informations sonores"));
    CKB_FWHM_Auto = named(new QCheckBox, "CKB_FWHM_Auto", QStringLiteral("Auto"));
    CKB_GROS_FWHM = named(new QCheckBox, "CKB_GROS_FWHM", QStringLiteral("GROS"));
    SPED_Seuil_MAP = named(new QSpinBox, "SPED_Seuil_MAP");
    SPED_Seuil_MAP->setRange(0, 1000);
    auto figure = [](const char* name) {
        auto* f = named(new TNumInp, name);
        f->setRange(0, 1e6L);
        f->setDigits(4);
        f->setReadOnly(true);
        f->setMinimumWidth(60);
        return f;
    };
    TNI_FWHM = figure("TNI_FWHM");
    TNI_Meilleur_FWHM = figure("TNI_Meilleur_FWHM");
    TNI_Pire_FWHM = figure("TNI_Pire_FWHM");
    BTN_Reset_MAP = named(new QPushButton, "BTN_Reset_MAP", QStringLiteral("Reset"));

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);
    grid->addWidget(CKB_MAP, 0, 0);
    grid->addWidget(CKB_Son_MAP, 0, 1);
    grid->addWidget(CKB_FWHM_Auto, 0, 2);
    grid->addWidget(CKB_GROS_FWHM, 0, 3);
    auto label = [](const char* name, const char* text) { return named(new QLabel(QString::fromUtf8(text)), name); };
    grid->addWidget(label("LBL_SeuilMAP", "Seuil:"), 1, 0);
    grid->addWidget(SPED_Seuil_MAP, 1, 1);
    grid->addWidget(label("LBL_FWHM", "FWHM"), 1, 2);
    grid->addWidget(TNI_FWHM, 1, 3);
    grid->addWidget(label("LBL_MeilleurMAP", "Meil.:"), 2, 0);
    grid->addWidget(TNI_Meilleur_FWHM, 2, 1);
    grid->addWidget(label("LBL_PireMAP", "Pire:"), 2, 2);
    grid->addWidget(TNI_Pire_FWHM, 2, 3);
    grid->addWidget(BTN_Reset_MAP, 3, 3);
    grid->setRowStretch(4, 1);

    connect(CKB_MAP, &QCheckBox::clicked, this, &FocusPanel::CKB_MAPClick);
    connect(BTN_Reset_MAP, &QPushButton::clicked, this, &FocusPanel::BTN_Reset_MAPClick);
    connect(CKB_FWHM_Auto, &QCheckBox::clicked, this, &FocusPanel::CKB_FWHM_AutoClick);
    connect(CKB_Son_MAP, &QCheckBox::toggled, this, [this](bool on) { core_.controls.selection.CKB_Son_MAP = on; });
    connect(CKB_GROS_FWHM, &QCheckBox::toggled, this, [this](bool on) {
        core_.controls.selection.CKB_GROS_FWHM = on;
        emit largeDisplayToggled(on);
    });
    connect(SPED_Seuil_MAP, &QSpinBox::valueChanged, this,
            [this](int value) { core_.controls.tracking.SPED_Seuil_MAP = value; });
}

void FocusPanel::CKB_MAPClick()
{
    core_.controls.CKB_MAP = CKB_MAP->isChecked();
    if (!CKB_MAP->isChecked()) return;
    emit trackingWanted();
    core_.focus.reset();
    refresh();
}

void FocusPanel::BTN_Reset_MAPClick()
{
    if (!CKB_MAP->isChecked()) return;
    core_.focus.reset();
    refresh();
}

void FocusPanel::CKB_FWHM_AutoClick()
{
    core_.controls.tracking.CKB_FWHM_Auto = CKB_FWHM_Auto->isChecked();
    SPED_Seuil_MAP->setEnabled(!CKB_FWHM_Auto->isChecked());
}

void FocusPanel::refresh()
{
    const FocusFigures& f = core_.focus.figures();
    TNI_FWHM->setValue(f.TNI_FWHM);
    TNI_Meilleur_FWHM->setValue(f.TNI_Meilleur_FWHM);
    TNI_Pire_FWHM->setValue(f.TNI_Pire_FWHM);
    const QSignalBlocker quiet(SPED_Seuil_MAP);
    SPED_Seuil_MAP->setValue(core_.controls.tracking.SPED_Seuil_MAP);
}

} // namespace velumbra

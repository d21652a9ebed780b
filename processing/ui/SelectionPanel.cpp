#include "processing/ui/SelectionPanel.h"
#include "widgets/Named.h"
#include "widgets/TNumInp.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>

namespace velumbra {

SelectionPanel::SelectionPanel(ImageCore& core, QWidget* parent) : QWidget(parent), core_(core)
{
    setObjectName(QStringLiteral("TBS_Select_Image"));
    setToolTip(QStringLiteral("Selection automatique des meilleures images par DCT"));
    build();
    refresh();
}

void SelectionPanel::build()
{
    CKB_Selection = named(new QCheckBox, "CKB_Selection", QStringLiteral("DCT"));
    CKB_Nonvide = named(new QCheckBox, "CKB_Nonvide", QStringLiteral("Non Vide"),
                        QStringLiteral("Utiliser cette fonction avec les poses longues pour selectionner les images non vides"));
    CKB_Select_Son = named(new QCheckBox, "CKB_Select_Son", QStringLiteral("Son"),
                           QStringLiteral("Activer les informations sonores"));
    CKB_GROS_Select = named(new QCheckBox, "CKB_GROS_Select", QStringLiteral("GROS"));
    auto figure = [](const char* name, bool readOnly) {
        auto* f = named(new TNumInp, name);
        f->setRange(0, QualityFigures::kNoWorst);
        f->setDigits(7);
        f->setReadOnly(readOnly);
        f->setMinimumWidth(70);
        return f;
    };
    TNI_Qualite_Actuelle = figure("TNI_Qualite_Actuelle", true);
    TNI_Meilleure_Qualite = figure("TNI_Meilleure_Qualite", true);
    TNI_Pire_Qualite = figure("TNI_Pire_Qualite", true);
    TNI_Seuil_Selection = figure("TNI_Seuil_Selection", false);
    SCB_Selection = named(new QScrollBar(Qt::Horizontal), "SCB_Selection");
    SCB_Selection->setRange(0, QualityFigures::kQualityMaximum);
    BTN_Reset_Selection = named(new QPushButton, "BTN_Reset_Selection", QStringLiteral("Reset"));

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);
    // The check boxes share the row by their captions' lengths, not by the
    // figures' columns below, so a longer caption is not cut.
    auto* boxes = new QHBoxLayout;
    boxes->setSpacing(6);
    for (QCheckBox* box : {CKB_Selection, CKB_Nonvide, CKB_Select_Son, CKB_GROS_Select}) boxes->addWidget(box);
    boxes->addStretch(1);
    grid->addLayout(boxes, 0, 0, 1, 4);
    auto label = [](const char* name, const char* text) { return named(new QLabel(QString::fromUtf8(text)), name); };
    grid->addWidget(label("LBL_Select_Actuelle", "Actuelle"), 1, 0);
    grid->addWidget(TNI_Qualite_Actuelle, 1, 1);
    grid->addWidget(label("LBL_Select_Meilleure", "Meilleure"), 1, 2);
    grid->addWidget(TNI_Meilleure_Qualite, 1, 3);
    grid->addWidget(label("LBL_Select_Seuil", "Seuil"), 2, 0);
    grid->addWidget(TNI_Seuil_Selection, 2, 1);
    grid->addWidget(label("LBL_Select_Pire", "Pire"), 2, 2);
    grid->addWidget(TNI_Pire_Qualite, 2, 3);
    grid->addWidget(SCB_Selection, 3, 0, 1, 3);
    grid->addWidget(BTN_Reset_Selection, 3, 3);
    CKB_Meilleures = named(new QCheckBox, "CKB_Meilleures", QStringLiteral("Meilleures"),
                           QStringLiteral("Garder les images les plus nettes parmi les dernieres (imagerie chanceuse)"));
    SPED_Meilleures_Pct = named(new QSpinBox, "SPED_Meilleures_Pct");
    SPED_Meilleures_Pct->setRange(1, 100);
    SPED_Meilleures_Pct->setSuffix(QStringLiteral(" %"));
    SPED_Meilleures_Pct->setValue(core_.controls.SPED_Meilleures_Pct);
    SPED_Meilleures_Sur = named(new QSpinBox, "SPED_Meilleures_Sur");
    SPED_Meilleures_Sur->setRange(2, RollingBest::kMaxWindow);
    SPED_Meilleures_Sur->setValue(core_.controls.SPED_Meilleures_Sur);
    grid->setRowStretch(4, 1);
    bestPage_ = named(new QWidget, "TBS_Meilleures");
    auto* best = new QGridLayout(bestPage_);
    best->setContentsMargins(4, 4, 4, 4);
    best->setHorizontalSpacing(6);
    best->addWidget(CKB_Meilleures, 0, 0);
    best->addWidget(SPED_Meilleures_Pct, 0, 1);
    best->addWidget(label("LBL_Meilleures_Sur", "des dernieres"), 1, 0);
    best->addWidget(SPED_Meilleures_Sur, 1, 1);
    best->setColumnStretch(2, 1);
    best->setRowStretch(2, 1);
    connect(CKB_Meilleures, &QCheckBox::clicked, this, &SelectionPanel::CKB_MeilleuresClick);
    connect(SPED_Meilleures_Pct, &QSpinBox::valueChanged, this, [this](int v) { core_.controls.SPED_Meilleures_Pct = v; });
    connect(SPED_Meilleures_Sur, &QSpinBox::valueChanged, this, [this](int v) {
        core_.controls.SPED_Meilleures_Sur = v;
        core_.bestFrames.clear(); // another window starts afresh
    });

    connect(CKB_Selection, &QCheckBox::clicked, this, &SelectionPanel::CKB_SelectionClick);
    connect(CKB_Nonvide, &QCheckBox::clicked, this, &SelectionPanel::CKB_NonvideClick);
    connect(CKB_Select_Son, &QCheckBox::toggled, this,
            [this](bool on) { core_.controls.selection.CKB_Select_Son = on; });
    connect(CKB_GROS_Select, &QCheckBox::toggled, this, [this](bool on) {
        core_.controls.selection.CKB_GROS_Select = on;
        emit largeDisplayToggled(on);
    });
    connect(SCB_Selection, &QScrollBar::valueChanged, this, &SelectionPanel::SCB_SelectionChange);
    connect(TNI_Seuil_Selection, &TNumInp::exited, this,
            [this] { core_.controls.TNI_Seuil_Selection = double(TNI_Seuil_Selection->Value()); });
    connect(BTN_Reset_Selection, &QPushButton::clicked, this, &SelectionPanel::BTN_Reset_SelectionClick);
}

void SelectionPanel::CKB_SelectionClick()
{
    const bool on = CKB_Selection->isChecked();
    if (on) CKB_Nonvide->setChecked(false);
    if (on && CKB_Meilleures->isChecked()) {
        CKB_Meilleures->setChecked(false);
        core_.controls.CKB_Meilleures = false;
    }
    core_.controls.CKB_Selection = on;
    core_.controls.CKB_Nonvide = CKB_Nonvide->isChecked();
    core_.quality.CKB_SelectionClick();
    applySliderRange();
}

void SelectionPanel::CKB_MeilleuresClick()
{
    const bool on = CKB_Meilleures->isChecked();
    // One selection at a time.
    if (on && CKB_Selection->isChecked()) CKB_Selection->click();
    if (on && CKB_Nonvide->isChecked()) CKB_Nonvide->click();
    core_.controls.CKB_Meilleures = on;
    core_.bestFrames.clear();
}

void SelectionPanel::CKB_NonvideClick()
{
    const bool on = CKB_Nonvide->isChecked();
    if (on) CKB_Selection->setChecked(false);
    if (on && CKB_Meilleures->isChecked()) {
        CKB_Meilleures->setChecked(false);
        core_.controls.CKB_Meilleures = false;
    }
    core_.controls.CKB_Nonvide = on;
    core_.controls.CKB_Selection = CKB_Selection->isChecked();
    core_.quality.CKB_NonvideClick();
    applySliderRange();
}

void SelectionPanel::BTN_Reset_SelectionClick()
{
    core_.quality.BTN_Reset_SelectionClick(CKB_Nonvide->isChecked());
    refresh();
    SCB_Selection->setValue(0);
}

void SelectionPanel::SCB_SelectionChange(int position)
{
    TNI_Seuil_Selection->setValue(position);
    core_.controls.TNI_Seuil_Selection = position;
}

// A narrower range moves the slider inside it, and the threshold with it.
void SelectionPanel::applySliderRange()
{
    const QualityFigures& f = core_.quality.figures();
    if (SCB_Selection->minimum() != f.SCB_Selection_Min || SCB_Selection->maximum() != f.SCB_Selection_Max)
        SCB_Selection->setRange(f.SCB_Selection_Min, f.SCB_Selection_Max);
}

void SelectionPanel::refresh()
{
    const QualityFigures& f = core_.quality.figures();
    TNI_Qualite_Actuelle->setValue(f.TNI_Qualite_Actuelle);
    TNI_Meilleure_Qualite->setValue(f.TNI_Meilleure_Qualite);
    TNI_Pire_Qualite->setValue(f.TNI_Pire_Qualite);
    applySliderRange();
}

} // namespace velumbra

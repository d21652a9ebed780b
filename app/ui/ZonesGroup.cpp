#include "app/ui/ZonesGroup.h"
#include "core/Rounding.h"
#include "widgets/TNumInp.h"
#include "processing/ImageCore.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

namespace velumbra {

ZonesGroup::ZonesGroup(ImageCore& core, QWidget* parent)
    : QGroupBox(QStringLiteral("Zones"), parent), core_(core)
{
    setObjectName(QStringLiteral("GRB_Zones"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(2);
    auto* size = new QLabel(QStringLiteral("Taille (Pixels)"), this);
    size->setObjectName(QStringLiteral("LBL_TaillePixels"));
    grid->addWidget(size, 0, 1, 1, 2);

    auto row = [&](int r, const char* labelName, const char* caption, QScrollBar*& bar, const char* barName,
                   TNumInp*& field, const char* fieldName, int lo, int hi, int value) {
        auto* label = new QLabel(QString::fromUtf8(caption), this);
        label->setObjectName(QString::fromLatin1(labelName));
        bar = new QScrollBar(Qt::Horizontal, this);
        bar->setObjectName(QString::fromLatin1(barName));
        bar->setRange(lo, hi);
        bar->setValue(value);
        bar->setMinimumWidth(90);
        field = new TNumInp(this);
        field->setObjectName(QString::fromLatin1(fieldName));
        field->setDatatype(TDataType::dtLongint);
        field->setRange(lo, hi);
        field->setValue(value);
        field->setFixedWidth(52);
        grid->addWidget(label, r, 0);
        grid->addWidget(bar, r, 1);
        grid->addWidget(field, r, 2);
    };
    row(1, "LBL_Detection", "Detection", SCB_Taille_ZDetect, "SCB_Taille_ZDetect", TNI_Taille_ZDetect,
        "TNI_Taille_ZDetect", 3, 320, 40);
    row(2, "LBL_Affichage", "Affichage", SCB_Taille_ZAffich, "SCB_Taille_ZAffich", TNI_Taille_ZAffich,
        "TNI_Taille_ZAffich", 20, 800, 320);
    SCB_Taille_ZDetect->setToolTip(QStringLiteral("Taille de la zone de detection pour le suivi ou stabilisation d'image"));
    SCB_Taille_ZAffich->setToolTip(QStringLiteral("Taille de la zone d'affichage selectionnée"));
    CKB_Zones_Liees = new QCheckBox(QStringLiteral("Les zones sont liées"), this);
    CKB_Zones_Liees->setObjectName(QStringLiteral("CKB_Zones_Liees"));
    grid->addWidget(CKB_Zones_Liees, 3, 0, 1, 3);
    grid->setRowStretch(4, 1);

    connect(SCB_Taille_ZDetect, &QScrollBar::valueChanged, this, [this] { SCB_Taille_ZDetectChange(); });
    connect(TNI_Taille_ZDetect, &TCustomNumInp::exited, this, [this] { TNI_Taille_ZDetectExit(); });
    connect(SCB_Taille_ZAffich, &QScrollBar::valueChanged, this, [this] { SCB_Taille_ZAffichChange(); });
    connect(TNI_Taille_ZAffich, &TCustomNumInp::exited, this, [this] { TNI_Taille_ZAffichExit(); });
}

void ZonesGroup::SCB_Taille_ZDetectChange()
{
    TNI_Taille_ZDetect->setValue(SCB_Taille_ZDetect->value());
    core_.controls.TNI_Taille_ZDetect = double(TNI_Taille_ZDetect->Value());
    core_.flags.zoneDirty = true;
}

void ZonesGroup::TNI_Taille_ZDetectExit()
{
    core_.controls.TNI_Taille_ZDetect = double(TNI_Taille_ZDetect->Value());
    SCB_Taille_ZDetect->setValue(RoundDown(core_.controls.TNI_Taille_ZDetect));
}

void ZonesGroup::syncFromCore()
{
    const int width = core_.buffers.imageWidth;
    if (width <= 0) return;
    const int detectMax = maxDetectionZone(width);
    SCB_Taille_ZDetect->setMaximum(detectMax);
    TNI_Taille_ZDetect->setMax(detectMax);
    SCB_Taille_ZAffich->setMaximum(core_.integrator.zoneSliderMaximum());
    TNI_Taille_ZAffich->setMax(core_.integrator.zoneSliderMaximum());
    // Through the sliders' own handlers: the fields, the zone and the
    // result size follow.
    SCB_Taille_ZDetect->setValue(RoundDown(core_.controls.TNI_Taille_ZDetect));
    SCB_Taille_ZDetectChange();
    SCB_Taille_ZAffich->setValue(RoundDown(core_.controls.TNI_Taille_ZAffich));
    SCB_Taille_ZAffichChange();
}

void ZonesGroup::SCB_Taille_ZAffichChange()
{
    TNI_Taille_ZAffich->setValue(SCB_Taille_ZAffich->value());
    core_.controls.TNI_Taille_ZAffich = double(TNI_Taille_ZAffich->Value());
    core_.integrator.updateResultSize();
    core_.flags.zoneDirty = true;
    core_.pipeline.UpdateDisplayZone();
    emit displayZoneResized();
}

void ZonesGroup::TNI_Taille_ZAffichExit()
{
    core_.controls.TNI_Taille_ZAffich = double(TNI_Taille_ZAffich->Value());
    SCB_Taille_ZAffich->setValue(RoundDown(core_.controls.TNI_Taille_ZAffich));
    // The slider keeps its maximum: the zone takes the size it shows.
    if (SCB_Taille_ZAffich->value() != RoundDown(core_.controls.TNI_Taille_ZAffich)) SCB_Taille_ZAffichChange();
}

} // namespace velumbra

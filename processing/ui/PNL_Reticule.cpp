#include "processing/ui/PNL_Reticule.h"
#include "processing/PipelineControls.h"
#include "widgets/Named.h"
#include "widgets/TNumInp.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

namespace velumbra {

PNL_Reticule::PNL_Reticule(PipelineControls& controls, QWidget* parent) : QFrame(parent), controls_(controls)
{
    setObjectName(QStringLiteral("PNL_Reticule"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 4, 6, 4);
    CKB_Cercles = named(new QCheckBox(QStringLiteral("Cercles")), "CKB_Cercles");
    CKB_Croix = named(new QCheckBox(QStringLiteral("Croix")), "CKB_Croix");
    CKB_Cercles->setToolTip(QStringLiteral("Affiche les cercles concentriques"));
    CKB_Croix->setToolTip(QStringLiteral("Affiche la croix graduée"));
    SCB_Orient = named(new QScrollBar(Qt::Horizontal), "SCB_Orient");
    SCB_Orient->setRange(0, 360);
    SCB_Orient->setToolTip(QStringLiteral("Orientation manuelle du réticule"));
    TNI_Orient = named(new TNumInp, "TNI_Orient");
    TNI_Orient->setRange(0, 360);
    TNI_Orient->setDigits(5);
    TNI_Orient->setReadOnly(true);
    TNI_Orient->setFixedWidth(60);
    TNI_Orient->setToolTip(QStringLiteral("Orientation du réticule"));
    grid->addWidget(CKB_Cercles, 0, 0);
    grid->addWidget(CKB_Croix, 0, 1);
    grid->addWidget(named(new QLabel(QStringLiteral("Orient.")), "LBL_Orient"), 1, 0);
    grid->addWidget(TNI_Orient, 1, 1, Qt::AlignLeft);
    grid->addWidget(SCB_Orient, 2, 0, 1, 2);
    BTN_Centrer_Reticule_Sur_Mire = named(new QPushButton(QStringLiteral("C/Mire")), "BTN_Centrer_Reticule_Sur_Mire");
    BTN_Centrer_Reticule_Sur_Ecran = named(new QPushButton(QStringLiteral("C/Ecr.")), "BTN_Centrer_Reticule_Sur_Ecran");
    BTN_Centrer_Reticule_Sur_Mire->setToolTip(QStringLiteral("Centrer le réticule sur la mire"));
    BTN_Centrer_Reticule_Sur_Ecran->setToolTip(QStringLiteral("Centrer le réticule sur l'ecran"));
    grid->addWidget(BTN_Centrer_Reticule_Sur_Mire, 3, 0);
    grid->addWidget(BTN_Centrer_Reticule_Sur_Ecran, 3, 1);
    grid->setRowStretch(4, 1);
    connect(BTN_Centrer_Reticule_Sur_Mire, &QPushButton::clicked, this, &PNL_Reticule::centreOnStar);
    connect(BTN_Centrer_Reticule_Sur_Ecran, &QPushButton::clicked, this, &PNL_Reticule::centreOnScreen);
    connect(CKB_Cercles, &QCheckBox::toggled, this, [this](bool on) {
        controls_.CKB_Cercles = on;
        emit reticleChanged();
    });
    connect(CKB_Croix, &QCheckBox::toggled, this, [this](bool on) {
        controls_.CKB_Croix = on;
        emit reticleChanged();
    });
    // Moving the slider by hand sets the orientation to its position.
    connect(SCB_Orient, &QScrollBar::valueChanged, this, [this](int position) {
        if (showing_) return;
        controls_.TNI_Orient = position;
        TNI_Orient->setValue(position);
        emit reticleChanged();
    });
}

void PNL_Reticule::setOrientation(double degrees, int sliderPosition)
{
    showing_ = true;
    SCB_Orient->setValue(sliderPosition);
    showing_ = false;
    controls_.TNI_Orient = degrees;
    TNI_Orient->setValue(degrees);
    emit reticleChanged();
}

double PNL_Reticule::orientation() const
{
    return controls_.TNI_Orient;
}

} // namespace velumbra

#include "processing/ui/PNL_Info_Image.h"
#include "processing/PipelineControls.h"
#include "widgets/Named.h"
#include "widgets/TNumInp.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QScrollBar>

#include <cmath>

namespace velumbra {

PNL_Info_Image::PNL_Info_Image(PipelineControls& controls, QWidget* parent) : QFrame(parent), controls_(controls)
{
    setObjectName(QStringLiteral("PNL_Info_Image"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 4, 6, 4);
    CKB_Satur = named(new QCheckBox(QStringLiteral("Seuil. satur.")), "CKB_Satur");
    CKB_Satur->setToolTip(QStringLiteral("Affiche les pixels saturés en fonction du seuil de saturation choisi"));
    SCB_Seuil_Satur = named(new QScrollBar(Qt::Horizontal), "SCB_Seuil_Satur");
    SCB_Seuil_Satur->setRange(0, 255);
    SCB_Seuil_Satur->setValue(255);
    SCB_Seuil_Satur->setToolTip(QStringLiteral("Choisir le seuil de saturation"));
    TNI_Seuil_Satur = named(new TNumInp, "TNI_Seuil_Satur");
    TNI_Seuil_Satur->setDatatype(TDataType::dtLongint);
    TNI_Seuil_Satur->setRange(0, 255);
    TNI_Seuil_Satur->setValue(255);
    TNI_Seuil_Satur->setFixedWidth(52);
    TNI_Seuil_Satur->setToolTip(QStringLiteral("Choisir le seuil de saturation"));
    controls_.CKB_Satur = false;
    controls_.TNI_Seuil_Satur = 255;
    grid->addWidget(CKB_Satur, 0, 0);
    grid->addWidget(TNI_Seuil_Satur, 0, 1, Qt::AlignLeft);
    grid->addWidget(SCB_Seuil_Satur, 1, 0, 1, 2);
    grid->setRowStretch(2, 1);

    connect(CKB_Satur, &QCheckBox::toggled, this, [this](bool on) {
        controls_.CKB_Satur = on;
        emit saturationChanged();
    });
    // The slider sets the field, then the frame is shown again.
    connect(SCB_Seuil_Satur, &QScrollBar::valueChanged, this, [this](int position) {
        if (showing_) return;
        controls_.TNI_Seuil_Satur = position;
        TNI_Seuil_Satur->setValue(position);
        emit saturationChanged();
    });
    // A value typed in the field moves the slider without a second redraw.
    connect(TNI_Seuil_Satur, &TNumInp::exited, this, [this] {
        const double v = double(TNI_Seuil_Satur->Value());
        controls_.TNI_Seuil_Satur = v;
        showing_ = true;
        SCB_Seuil_Satur->setValue(int(std::floor(v)));
        showing_ = false;
        emit saturationChanged();
    });
}

} // namespace velumbra

#include "processing/ui/TFRM_FWHM.h"
#include "widgets/Lamp.h"
#include "widgets/Named.h"
#include "widgets/TNumInp.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace velumbra {
namespace {

QFrame* lamp(const char* name)
{
    auto* panel = named(new QFrame, name);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setFixedSize(56, 56);
    panel->setAutoFillBackground(true);
    return panel;
}

void paint(QFrame* panel, const QColor& colour)
{
    QPalette p = panel->palette();
    p.setColor(QPalette::Window, shownLampColour(colour));
    panel->setPalette(p);
}

} // namespace

TFRM_FWHM::TFRM_FWHM(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("TFRM_FWHM"));
    setWindowTitle(QStringLiteral("Mise au point"));
    LBL_GROS_FWHM = named(new QLabel, "LBL_GROS_FWHM", QStringLiteral("FWHM:"));
    TNI_GROS_FWHM = named(new TNumInp, "TNI_GROS_FWHM");
    TNI_GROS_FWHM->setRange(0, 1e12L);
    TNI_GROS_FWHM->setDigits(4);
    TNI_GROS_FWHM->setReadOnly(true);
    TNI_GROS_FWHM->setFocusPolicy(Qt::NoFocus);
    QFont big = TNI_GROS_FWHM->font();
    big.setPixelSize(48);
    big.setBold(true);
    TNI_GROS_FWHM->setFont(big);
    TNI_GROS_FWHM->setMinimumWidth(260);
    QFont caption = LBL_GROS_FWHM->font();
    caption.setPixelSize(20);
    LBL_GROS_FWHM->setFont(caption);

    PNL_Rouge = lamp("PNL_Rouge");
    PNL_Orange = lamp("PNL_Orange");
    PNL_Vert = lamp("PNL_Vert");

    auto* v = new QVBoxLayout(this);
    v->addWidget(LBL_GROS_FWHM);
    v->addWidget(TNI_GROS_FWHM);
    auto* lamps = new QHBoxLayout;
    lamps->addStretch();
    for (QFrame* l : {PNL_Rouge, PNL_Orange, PNL_Vert}) lamps->addWidget(l);
    lamps->addStretch();
    v->addLayout(lamps);
    setLamps(lampsOff());
}

void TFRM_FWHM::showFor(const QString& caption)
{
    LBL_GROS_FWHM->setText(caption);
    setLamps(lampsOff());
    show();
    raise();
}

void TFRM_FWHM::showLargeValue(double value) { TNI_GROS_FWHM->setValue(value); }

void TFRM_FWHM::setLamps(const CueLamps& lamps)
{
    paint(PNL_Rouge, lamps.PNL_Rouge);
    paint(PNL_Orange, lamps.PNL_Orange);
    paint(PNL_Vert, lamps.PNL_Vert);
}

CueLamps TFRM_FWHM::lamps() const
{
    return {PNL_Rouge->palette().color(QPalette::Window), PNL_Orange->palette().color(QPalette::Window),
            PNL_Vert->palette().color(QPalette::Window)};
}

void TFRM_FWHM::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    emit closed();
}

} // namespace velumbra

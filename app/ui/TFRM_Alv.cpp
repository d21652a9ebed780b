#include "app/ui/TFRM_Alv.h"
#include "acquisition/StarField.h"
#include "app/ui/ImageView.h"
#include "processing/ui/GRB_Seuils.h"
#include "processing/ui/IntegrationEvents.h"
#include "processing/ui/PNL_Integration.h"
#include "processing/ui/TFRM_Equal.h"
#include "results/ui/TFRM_Alv_Child.h"

#include <QApplication>
#include <QDockWidget>
#include <QHBoxLayout>
#include <QScrollArea>

namespace velumbra {

TFRM_Alv::TFRM_Alv(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("TFRM_Alv"));
    setWindowTitle(QApplication::applicationName());
    resize(1024, 768);

    auto* central = new QWidget(this);
    auto* layout = new QHBoxLayout(central);
    SBX_Images = new QScrollArea(central);
    SBX_Images->setObjectName(QStringLiteral("SBX_Images"));
    SBX_Images->setBackgroundRole(QPalette::Dark);
    image1_ = new ImageView;
    image1_->setObjectName(QStringLiteral("Image1"));
    SBX_Images->setWidget(image1_);
    layout->addWidget(SBX_Images);
    setCentralWidget(central);

    core_.pipeline.setView(this);
    core_.pipeline.setStages(&stages_);
    wireIntegration();
}

TFRM_Alv::~TFRM_Alv()
{
    core_.pipeline.setView(nullptr);
    core_.pipeline.setStages(nullptr);
}

void TFRM_Alv::setResultWindow(TFRM_Alv_Child* child) { child_ = child; }

void TFRM_Alv::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    FormActivate();
}

void TFRM_Alv::FormActivate()
{
    core_.buffers.create();
    core_.zone.displayAspect = 1.33333;
    image1_->setSource(&core_.buffers.display, {core_.buffers.imageWidth, core_.buffers.imageHeight});
    if (child_) child_->setImage(&core_.buffers.result, core_.buffers.resultWidth, core_.buffers.resultHeight);
    if (shellInitialised_) return;
    shellInitialised_ = true;
    core_.flags.loadingSettings = false;
    // Until a source is started, show a still star field so the live and
    // result images can be checked.
    renderStarField(core_.buffers.frameSlots[0], 640, 480, 7);
    core_.zone.starPos = {320, 240};
    core_.flags.targetActive = true;
    showNewFrame(640, 480);
    core_.flags.targetActive = false;
}

bool TFRM_Alv::showNewFrame(int width, int height)
{
    core_.buffers.setFrameSize(width, height);
    image1_->setShownSize({core_.buffers.imageWidth, core_.buffers.imageHeight});
    bool selected = false;
    core_.pipeline.ProcessFrame(true, selected);
    image1_->update();
    if (child_) child_->refresh();
    return selected;
}

void TFRM_Alv::wireIntegration()
{
    integrationEvents_ = new IntegrationEvents(this);
    core_.integrator.setView(integrationEvents_);
    auto* panels = new QWidget;
    auto* column = new QVBoxLayout(panels);
    column->setContentsMargins(0, 0, 0, 0);
    pnlIntegration_ = new PNL_Integration(core_, *integrationEvents_, panels);
    grbSeuils_ = new GRB_Seuils(core_, *integrationEvents_, panels);
    column->addWidget(pnlIntegration_);
    column->addWidget(grbSeuils_);
    auto* dock = new QDockWidget(QStringLiteral("Intégration"), this);
    dock->setObjectName(QStringLiteral("DCK_Integration"));
    dock->setWidget(panels);
    addDockWidget(Qt::RightDockWidgetArea, dock);
    frmEqual_ = new TFRM_Equal(core_, this);
    connect(grbSeuils_, &GRB_Seuils::equalizerRequested, frmEqual_, [this] {
        frmEqual_->show();
        frmEqual_->raise();
    });
    // The result image follows the zone size and binning.
    connect(integrationEvents_, &IntegrationEvents::rendered, this, [this] {
        if (!child_) return;
        const QSize size(core_.buffers.resultWidth, core_.buffers.resultHeight);
        if (size != shownResultSize_) {
            shownResultSize_ = size;
            child_->setImage(&core_.buffers.result, size.width(), size.height());
        }
        child_->refresh();
    });
}

void TFRM_Alv::repaintDisplay() { image1_->repaint(); }
void TFRM_Alv::repaintResult()
{
    if (child_) child_->refresh();
}

} // namespace velumbra

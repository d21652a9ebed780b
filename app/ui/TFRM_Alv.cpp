#include "app/ui/TFRM_Alv.h"
#include "acquisition/StarField.h"
#include "acquisition/ui/GRB_Camera.h"
#include "acquisition/ui/VideoSourceUi.h"
#include "app/ui/ImageView.h"
#include "results/ui/TFRM_Alv_Child.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
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
    wireVideoSource();
}

TFRM_Alv::~TFRM_Alv()
{
    core_.pipeline.setView(nullptr);
    core_.pipeline.setStages(nullptr);
}

// The video source: camera group, driver, format and source dialogs, BMP
// playback. Placed simply here; the final layout and menus move its parts.
void TFRM_Alv::wireVideoSource()
{
    videoMessages_ = std::make_unique<StatusBarMessages>(statusBar());
    videoSource_ = std::make_unique<VideoSourceUi>(core_, *videoMessages_, clock_, this);
    videoSource_->onFrameShown = [this] {
        image1_->setShownSize({core_.buffers.imageWidth, core_.buffers.imageHeight});
        image1_->update();
        if (child_) child_->refresh();
    };
    if (auto* box = qobject_cast<QBoxLayout*>(centralWidget() ? centralWidget()->layout() : nullptr))
        box->addWidget(videoSource_->panel(), 0, Qt::AlignTop);
    else
        videoSource_->panel()->setParent(this);

    QMenu* video = menuBar()->addMenu(QStringLiteral("&Video"));
    video->setObjectName(QStringLiteral("MNU_Video"));
    video->addAction(videoSource_->MNU_Pilote);
    video->addAction(videoSource_->MNU_Format);
    video->addAction(videoSource_->MNU_Source);
    QMenu* fichier = findChild<QMenu*>(QStringLiteral("MNU_Fichier"));
    QMenu* ouvrir = (fichier ? fichier : video)->addMenu(QStringLiteral("Ouvrir"));
    ouvrir->setObjectName(QStringLiteral("MNU_Ouvrir"));
    ouvrir->addAction(videoSource_->MNU_Ouvrir_Image);
    ouvrir->addAction(videoSource_->MNU_Ouvrir_Dark);
    ouvrir->addAction(videoSource_->MNU_Ouvrir_Flat);
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

void TFRM_Alv::repaintDisplay() { image1_->repaint(); }
void TFRM_Alv::repaintResult()
{
    if (child_) child_->refresh();
}

} // namespace velumbra

#include "acquisition/ui/GRB_Camera.h"
#include "core/Rounding.h"
#include "acquisition/control/VideoSource.h"
#include "widgets/TNumInp.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

namespace velumbra {

CameraPanel::CameraPanel(VideoSource& source, QWidget* parent) : QGroupBox(QStringLiteral("Camera"), parent), source_(source)
{
    setObjectName(QStringLiteral("GRB_Camera"));
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Maximum);
    auto* grid = new QGridLayout(this);
    BTN_Start = new QPushButton(QStringLiteral("Demarrer"), this);
    BTN_Start->setObjectName(QStringLiteral("BTN_Start"));
    BTN_Stop = new QPushButton(QStringLiteral("Arreter"), this);
    BTN_Stop->setObjectName(QStringLiteral("BTN_Stop"));
    BTN_Turbo = new QPushButton(QStringLiteral("Flux"), this);
    BTN_Turbo->setObjectName(QStringLiteral("BTN_Turbo"));
    grid->addWidget(BTN_Start, 0, 0);
    grid->addWidget(BTN_Stop, 0, 1);
    grid->addWidget(BTN_Turbo, 0, 2);

    auto* label = new QLabel(QStringLiteral("Temps de rafraichissement"), this);
    label->setObjectName(QStringLiteral("LBL_Tps_Rafraichissement"));
    grid->addWidget(label, 1, 0, 1, 3);
    TNI_Tps_Rafraichissement = new TNumInp(this);
    TNI_Tps_Rafraichissement->setObjectName(QStringLiteral("TNI_Tps_Rafraichissement"));
    TNI_Tps_Rafraichissement->setDatatype(TDataType::dtDouble);
    TNI_Tps_Rafraichissement->setRange(33, 10000);
    TNI_Tps_Rafraichissement->setValue(source_.controls.TNI_Tps_Rafraichissement);
    grid->addWidget(TNI_Tps_Rafraichissement, 2, 2);
    SCB_Tps_Rafraichissement = new QScrollBar(Qt::Horizontal, this);
    SCB_Tps_Rafraichissement->setObjectName(QStringLiteral("SCB_Tps_Rafraichissement"));
    SCB_Tps_Rafraichissement->setRange(33, 10000);
    SCB_Tps_Rafraichissement->setValue(RoundDown(source_.controls.TNI_Tps_Rafraichissement));
    SCB_Tps_Rafraichissement->setToolTip(QStringLiteral("Definit le delai de rafraichissement des images"));
    grid->addWidget(SCB_Tps_Rafraichissement, 2, 0, 1, 2);

    auto* fpsLabel = new QLabel(QStringLiteral("Img/sec."), this);
    fpsLabel->setObjectName(QStringLiteral("LBL_IPS"));
    grid->addWidget(fpsLabel, 3, 0, 1, 2);
    EDT_FPS = new QLineEdit(this);
    EDT_FPS->setObjectName(QStringLiteral("EDT_FPS"));
    EDT_FPS->setReadOnly(true);
    EDT_FPS->setToolTip(QStringLiteral("Frequence d'affichage réelle"));
    EDT_FPS->setMaximumWidth(85);
    grid->addWidget(EDT_FPS, 3, 2);

    BTN_Poselongue = new QPushButton(QStringLiteral("Pose longue"), this);
    BTN_Poselongue->setObjectName(QStringLiteral("BTN_Poselongue"));
    BTN_Poselongue->setEnabled(false);
    CKB_Longuepose_Active = new QCheckBox(QStringLiteral("Longue pose active"), this);
    CKB_Longuepose_Active->setObjectName(QStringLiteral("CKB_Longuepose_Active"));
    CKB_Longuepose_Active->setEnabled(false);
    grid->addWidget(BTN_Poselongue, 4, 0);
    grid->addWidget(CKB_Longuepose_Active, 4, 1, 1, 2);

    connect(BTN_Start, &QPushButton::clicked, this, [this] { source_.BTN_StartClick(); });
    connect(BTN_Stop, &QPushButton::clicked, this, [this] { source_.BTN_StopClick(); });
    connect(BTN_Turbo, &QPushButton::clicked, this, [this] { source_.BTN_TurboClick(); });
    connect(SCB_Tps_Rafraichissement, &QScrollBar::valueChanged, this,
            &CameraPanel::SCB_Tps_RafraichissementChange);
    connect(TNI_Tps_Rafraichissement, &TNumInp::exited, this, &CameraPanel::TNI_Tps_RafraichissementExit);
    connect(TNI_Tps_Rafraichissement, &TNumInp::enterPressed, this, [this] {
        if (TNI_Tps_Rafraichissement->commitText()) TNI_Tps_RafraichissementExit();
    });
    refresh();
}

void CameraPanel::SCB_Tps_RafraichissementChange(int position)
{
    TNI_Tps_Rafraichissement->setValue(position);
    source_.setRefreshTime(position);
}

void CameraPanel::TNI_Tps_RafraichissementExit()
{
    const double v = double(TNI_Tps_Rafraichissement->Value());
    const QSignalBlocker block(SCB_Tps_Rafraichissement);
    SCB_Tps_Rafraichissement->setValue(RoundDown(v));
    source_.setRefreshTime(v);
}

void CameraPanel::refresh()
{
    const VideoSourceControls& c = source_.controls;
    BTN_Start->setEnabled(c.BTN_Start_Enabled);
    BTN_Stop->setEnabled(c.BTN_Stop_Enabled);
    BTN_Turbo->setEnabled(c.BTN_Turbo_Enabled && !fluxLocked_);
    BTN_Turbo->setText(c.BTN_Turbo_Caption);
    if (EDT_FPS->text() != c.EDT_FPS) {
        EDT_FPS->setText(c.EDT_FPS);
        if (source_.turboMode()) EDT_FPS->repaint();
    }
}

} // namespace velumbra

namespace velumbra {

void CameraPanel::setFluxLocked(bool locked)
{
    fluxLocked_ = locked;
    refresh();
}

} // namespace velumbra

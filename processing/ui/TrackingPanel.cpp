#include "processing/ui/TrackingPanel.h"
#include "widgets/Named.h"
#include "core/Rounding.h"
#include "widgets/TNumInp.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>

namespace velumbra {
TrackingPanel::TrackingPanel(ImageCore& core, Tracker& tracker, QWidget* parent)
    : QFrame(parent), core_(core), tracker_(tracker)
{
    setObjectName(QStringLiteral("PNL_Suivi"));
    setToolTip(QStringLiteral("Parametres de suivi ou stabilisation d'image"));
    setFrameShape(QFrame::StyledPanel);
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Maximum);
    build();
    showControls();
    setCaptureRunning(false);
}

void TrackingPanel::build()
{
    CKB_Suivi = named(new QCheckBox(this), "CKB_Suivi", QStringLiteral("Suivi"));
    RDB_Colimacon = named(new QRadioButton(this), "RDB_Colimacon", QStringLiteral("Pixel Brillant"),
                          QStringLiteral("Centrage sur le pixel le plus brillant de la zone de detection"));
    RDB_Somax = named(new QRadioButton(this), "RDB_Somax", QStringLiteral("Somme Axes"),
                      QStringLiteral("Centrage sur l'intersection des Axes X et Y les plus brillants"));
    RDB_Cadres = named(new QRadioButton(this), "RDB_Cadres", QStringLiteral("Detect.Bords"),
                       QStringLiteral("Centrage par detection des limites de l'objet"));
    RDB_Derive = named(new QRadioButton(this), "RDB_Derive", QStringLiteral("Derive"),
                       QStringLiteral("Suivi par dérive préprogrammée"));
    RDB_Recalage = named(new QRadioButton(this), "RDB_Recalage", QStringLiteral("Recalage"),
                         QStringLiteral("Pendant l'integration, chaque image est posee sur la premiere par ses etoiles "
                                        "(rotation et decalage a une fraction de pixel)"));
    LBL_Recalage = named(new QLabel(this), "LBL_Recalage");
    CKB_Inversion_Video = named(new QCheckBox(this), "CKB_Inversion_Video", QStringLiteral("Inverser"),
                                QStringLiteral("Suivi sur pixels sombres"));
    LBL_Tolerance = named(new QLabel(this), "LBL_Tolerance", QStringLiteral("Toler.:"));
    SPED_Sensibilite = named(new QSpinBox(this), "SPED_Sensibilite");
    SPED_Sensibilite->setRange(0, 255);
    LBL_Tolerance->setBuddy(SPED_Sensibilite);

    const QString zoneHint = QStringLiteral("Taille de la zone de detection pour le suivi ou stabilisation d'image");
    SCB_Taille_ZDetect = named(new QScrollBar(Qt::Horizontal, this), "SCB_Taille_ZDetect", {}, zoneHint);
    SCB_Taille_ZDetect->setRange(3, 320);
    SCB_Taille_ZDetect->setMinimumWidth(100);
    TNI_Taille_ZDetect = named(new TNumInp(this), "TNI_Taille_ZDetect");
    TNI_Taille_ZDetect->setRange(3, 320);
    TNI_Taille_ZDetect->setFixedWidth(48);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setSpacing(2);
    grid->addWidget(CKB_Suivi, 0, 0);
    grid->addWidget(RDB_Colimacon, 1, 0);
    grid->addWidget(RDB_Somax, 1, 1);
    grid->addWidget(RDB_Cadres, 2, 0);
    BTN_SetDerive = named(new QPushButton(this), "BTN_SetDerive", QStringLiteral("Def."),
                          QStringLiteral("Definir la direction et vitesse de la derive"));
    BTN_SetDerive->setFixedWidth(40);
    auto* drift = new QHBoxLayout;
    drift->setSpacing(2);
    drift->addWidget(RDB_Derive);
    drift->addWidget(BTN_SetDerive);
    drift->addStretch();
    grid->addLayout(drift, 2, 1);
    grid->addWidget(CKB_Inversion_Video, 3, 0);
    auto* tolerance = new QHBoxLayout;
    tolerance->addWidget(LBL_Tolerance);
    tolerance->addWidget(SPED_Sensibilite);
    grid->addLayout(tolerance, 3, 1);
    grid->addWidget(SCB_Taille_ZDetect, 4, 0);
    grid->addWidget(TNI_Taille_ZDetect, 4, 1);
    // Registration shares the switch's row: the panel keeps its height.
    auto* registration = new QHBoxLayout;
    registration->setSpacing(4);
    registration->addWidget(RDB_Recalage);
    registration->addWidget(LBL_Recalage);
    registration->addStretch();
    grid->addLayout(registration, 0, 1);
    registrationTimer_ = new QTimer(this);
    registrationTimer_->setInterval(500);
    connect(registrationTimer_, &QTimer::timeout, this, &TrackingPanel::showRegistration);

    connect(CKB_Suivi, &QCheckBox::clicked, this, &TrackingPanel::CKB_SuiviClick);
    for (QRadioButton* b : {RDB_Colimacon, RDB_Somax, RDB_Cadres, RDB_Recalage})
        connect(b, &QRadioButton::clicked, this, &TrackingPanel::methodClick);
    connect(RDB_Derive, &QRadioButton::clicked, this, &TrackingPanel::RDB_DeriveClick);
    connect(CKB_Inversion_Video, &QCheckBox::clicked, this, &TrackingPanel::CKB_Inversion_VideoClick);
    connect(SPED_Sensibilite, &QSpinBox::valueChanged, this, &TrackingPanel::SPED_SensibiliteChange);
    connect(SCB_Taille_ZDetect, &QScrollBar::valueChanged, this, &TrackingPanel::SCB_Taille_ZDetectChange);
    connect(TNI_Taille_ZDetect, &TNumInp::exited, this, &TrackingPanel::TNI_Taille_ZDetectExit);
}

void TrackingPanel::showControls()
{
    const PipelineControls& c = core_.controls;
    const QSignalBlocker b1(SPED_Sensibilite), b2(SCB_Taille_ZDetect);
    CKB_Suivi->setChecked(c.CKB_Suivi);
    RDB_Somax->setChecked(c.tracking.RDB_Somax);
    RDB_Colimacon->setChecked(!c.tracking.RDB_Somax && c.tracking.RDB_Colimacon);
    RDB_Cadres->setChecked(!c.tracking.RDB_Somax && !c.tracking.RDB_Colimacon && c.tracking.RDB_Cadres);
    RDB_Derive->setChecked(!RDB_Somax->isChecked() && !RDB_Colimacon->isChecked() && !RDB_Cadres->isChecked() &&
                           c.RDB_Derive);
    RDB_Recalage->setChecked(c.tracking.RDB_Recalage);
    CKB_Inversion_Video->setChecked(c.tracking.CKB_Inversion_Video);
    SPED_Sensibilite->setValue(core_.zone.tolerance);
    TNI_Taille_ZDetect->setValue(c.TNI_Taille_ZDetect);
    SCB_Taille_ZDetect->setValue(RoundDown(c.TNI_Taille_ZDetect));
}

void TrackingPanel::setCaptureRunning(bool running)
{
    captureRunning_ = running;
    CKB_Suivi->setEnabled(running);
}

void TrackingPanel::switchOn(bool byEdges)
{
    if (byEdges && !CKB_Suivi->isChecked()) {
        RDB_Cadres->setChecked(true);
        methodClick();
    }
    CKB_Suivi->setChecked(true);
    CKB_SuiviClick();
}

void TrackingPanel::CKB_SuiviClick()
{
    core_.controls.CKB_Suivi = CKB_Suivi->isChecked();
    core_.flags.zoneDirty = true;
}

void TrackingPanel::methodClick()
{
    TrackingControls& t = core_.controls.tracking;
    t.RDB_Somax = RDB_Somax->isChecked();
    t.RDB_Colimacon = RDB_Colimacon->isChecked();
    t.RDB_Cadres = RDB_Cadres->isChecked();
    t.RDB_Recalage = RDB_Recalage->isChecked();
    core_.controls.RDB_Derive = RDB_Derive->isChecked();
    if (t.RDB_Recalage) {
        registrationTimer_->start();
    } else {
        registrationTimer_->stop();
        LBL_Recalage->clear();
    }
}

void TrackingPanel::RDB_DeriveClick()
{
    methodClick();
    // The prediction starts again from the star where it is now.
    tracker_.restartDrift(core_.zone.starPos);
}

void TrackingPanel::CKB_Inversion_VideoClick()
{
    core_.controls.tracking.CKB_Inversion_Video = CKB_Inversion_Video->isChecked();
}

void TrackingPanel::SPED_SensibiliteChange(int value) { core_.zone.tolerance = value; }

void TrackingPanel::SCB_Taille_ZDetectChange(int position)
{
    TNI_Taille_ZDetect->setValue(position);
    core_.controls.TNI_Taille_ZDetect = position;
    core_.flags.zoneDirty = true;
}

void TrackingPanel::TNI_Taille_ZDetectExit()
{
    core_.controls.TNI_Taille_ZDetect = double(TNI_Taille_ZDetect->Value());
    SCB_Taille_ZDetect->setValue(RoundDown(core_.controls.TNI_Taille_ZDetect));
}

void TrackingPanel::showRegistration()
{
    LBL_Recalage->setText(core_.registration.summary(core_.buffers.imageWidth, core_.buffers.imageHeight));
}

} // namespace velumbra

#include "exposure/ui/TFRM_Longuepose.h"
#include "exposure/LongExposure.h"
#include "widgets/Named.h"
#include "widgets/TNumInp.h"

#include <QCheckBox>
#include <QLabel>
#include <QCloseEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace velumbra {

namespace {

constexpr int kLongestMs = 43'200'000;

QSpinBox* lengthField(const char* name, int value)
{
    auto* s = named(new QSpinBox, name);
    s->setRange(1, kLongestMs);
    s->setSingleStep(100);
    s->setValue(value);
    return s;
}

TNumInp* shownNumber(const char* name)
{
    auto* f = named(new TNumInp, name);
    f->setDatatype(TDataType::dtLongint);
    f->setRange(-kLongestMs, kLongestMs);
    f->setReadOnly(true);
    f->setFocusPolicy(Qt::NoFocus);
    f->setFixedWidth(70);
    return f;
}

} // namespace

TFRM_Longuepose::TFRM_Longuepose(LongExposure& exposure, QWidget* parent)
    : QWidget(parent, Qt::Tool), exposure_(exposure)
{
    setObjectName(QStringLiteral("TFRM_Longuepose"));
    setWindowTitle(QStringLiteral("Longue Pose"));
    const LongExposureControls& c = exposure_.controls;

    SPED_Vesta_Pose = lengthField("SPED_Vesta_Pose", c.SPED_Vesta_Pose);
    SPED_Nb_Poses = named(new QSpinBox, "SPED_Nb_Poses");
    SPED_Nb_Poses->setRange(0, 999);
    SPED_Nb_Poses->setValue(c.SPED_Nb_Poses);
    TNI_Posenum = shownNumber("TNI_Posenum");
    TNI_Timer = shownNumber("TNI_Timer");
    PGB_Decompte = named(new QProgressBar, "PGB_Decompte");
    PGB_Decompte->setTextVisible(false);
    CKB_Selfguide_Active = named(new QCheckBox, "CKB_Selfguide_Active", QStringLiteral("Self-Guidage"));
    CKB_Selfguide_Active->setChecked(c.CKB_Selfguide_Active);
    SPED_Vesta_Pose_Guidage = lengthField("SPED_Vesta_Pose_Guidage", c.SPED_Vesta_Pose_Guidage);
    CKB_Egaliser = named(new QCheckBox, "CKB_Egaliser", QStringLiteral("Egaliser les images"));
    CKB_Egaliser->setChecked(c.CKB_Egaliser);
    BTN_Demarrer_Pose = named(new QPushButton, "BTN_Demarrer_Pose", QStringLiteral("Demarrer"));
    BTN_Arreter_Pose = named(new QPushButton, "BTN_Arreter_Pose", QStringLiteral("Arrêter"));

    auto* form = new QFormLayout;
    const auto label = [](const char* name, const char* text) { return named(new QLabel(QString::fromUtf8(text)), name); };
    form->addRow(label("LBL_Pose", "Durée (ms) :"), SPED_Vesta_Pose);
    form->addRow(label("LBL_Nombre_Poses", "Nombre (0=illimité) :"), SPED_Nb_Poses);
    form->addRow(label("LBL_Pose_Numero", "Pose n°"), TNI_Posenum);
    form->addRow(label("LBL_Decompte", "Decompte (s) :"), TNI_Timer);
    form->addRow(PGB_Decompte);
    form->addRow(CKB_Selfguide_Active);
    form->addRow(label("LBL_Pose_Guidage", "Durée pose guidage (ms) :"), SPED_Vesta_Pose_Guidage);
    form->addRow(CKB_Egaliser);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BTN_Demarrer_Pose);
    buttons->addWidget(BTN_Arreter_Pose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(SPED_Vesta_Pose, &QSpinBox::valueChanged, this, [this](int v) { exposure_.SPED_Vesta_PoseChange(v); });
    connect(SPED_Vesta_Pose_Guidage, &QSpinBox::valueChanged, this,
            [this](int v) { exposure_.SPED_Vesta_Pose_GuidageChange(v); });
    connect(SPED_Nb_Poses, &QSpinBox::valueChanged, this, [this](int v) { exposure_.controls.SPED_Nb_Poses = v; });
    connect(CKB_Selfguide_Active, &QCheckBox::clicked, this,
            [this](bool on) { exposure_.CKB_Selfguide_ActiveClick(on); });
    connect(CKB_Egaliser, &QCheckBox::toggled, this, [this](bool on) { exposure_.controls.CKB_Egaliser = on; });
    connect(BTN_Demarrer_Pose, &QPushButton::clicked, this, [this] {
        exposure_.BTN_Demarrer_PoseClick();
        refresh();
    });
    connect(BTN_Arreter_Pose, &QPushButton::clicked, this, [this] {
        exposure_.BTN_Arreter_PoseClick();
        refresh();
    });
    refresh();
}

void TFRM_Longuepose::refresh()
{
    const LongExposureDisplay& d = exposure_.display;
    TNI_Posenum->setValue(d.TNI_Posenum);
    TNI_Timer->setValue(d.TNI_Timer);
    PGB_Decompte->setRange(0, std::max(0, d.PGB_Max));
    PGB_Decompte->setValue(std::clamp(d.PGB_Position, 0, std::max(0, d.PGB_Max)));
    BTN_Demarrer_Pose->setEnabled(d.BTN_Demarrer_Enabled);
    BTN_Arreter_Pose->setEnabled(d.BTN_Arreter_Enabled);
    if (CKB_Selfguide_Active->isChecked() != exposure_.controls.CKB_Selfguide_Active)
        CKB_Selfguide_Active->setChecked(exposure_.controls.CKB_Selfguide_Active);
}

void TFRM_Longuepose::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    exposure_.openWindow();
    raise();
}

void TFRM_Longuepose::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    exposure_.closeWindow();
    refresh();
    if (onClosed) onClosed();
}

} // namespace velumbra

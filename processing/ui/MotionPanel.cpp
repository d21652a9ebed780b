#include "processing/ui/MotionPanel.h"
#include "core/Rounding.h"
#include "widgets/Lamp.h"
#include "widgets/Named.h"
#include "widgets/TNumInp.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

namespace velumbra {

MotionPanel::MotionPanel(ImageCore& core, QWidget* parent) : QFrame(parent), core_(core)
{
    setObjectName(QStringLiteral("PNL_Detection_Mvt"));
    setFrameShape(QFrame::StyledPanel);
    build();
    // Thresholds that measure from the start: at 0 every frame would be
    // selected and nothing detected.
    SCB_Seuil_Detection_Niveau->setValue(kDefaultLevel);
    SCB_Seuil_Detection_Nbre->setValue(kDefaultCount);
    setDetectionOn(false);
    refresh();
}

void MotionPanel::build()
{
    auto pair = [this](const char* scrollName, const char* fieldName, int maximum, double& control, const QString& hint,
                       QScrollBar*& scroll, TNumInp*& field) {
        scroll = named(new QScrollBar(Qt::Horizontal), scrollName, {}, hint);
        scroll->setRange(0, maximum);
        scroll->setMinimumWidth(80);
        field = named(new TNumInp, fieldName, {}, hint);
        field->setRange(0, maximum);
        field->setFixedWidth(52);
        connect(scroll, &QScrollBar::valueChanged, this, [field, &control](int position) {
            field->setValue(position);
            control = position;
        });
        connect(field, &TNumInp::exited, this, [field, &control] { control = double(field->Value()); });
    };
    PipelineControls& c = core_.controls;
    pair("SCB_Seuil_Detection_Niveau", "TNI_Seuil_Detection_Niveau", 255, c.TNI_Seuil_Detection_Niveau,
         QStringLiteral("Seuil de différence en luminosité au dela duquel un pixel est considéré comme différent(1/255)"),
         SCB_Seuil_Detection_Niveau, TNI_Seuil_Detection_Niveau);
    pair("SCB_Seuil_Detection_Nbre", "TNI_Seuil_Detection_Nbre", 10000, c.TNI_Seuil_Detection_Nbre,
         QStringLiteral("Seuil de pixels différents au dela duquel l'image est selectionnée (1/10000eme)"),
         SCB_Seuil_Detection_Nbre, TNI_Seuil_Detection_Nbre);
    TNI_Diff_actuel = named(new TNumInp, "TNI_Diff_actuel", {},
                            QStringLiteral("Taux de pixels différents par rapport à l'image de référence(1/10000eme)"));
    TNI_Diff_actuel->setRange(0, 10000);
    TNI_Diff_actuel->setReadOnly(true);
    TNI_Diff_actuel->setFixedWidth(52);
    CKB_Detection_Action = named(new QCheckBox, "CKB_Detection_Action", QStringLiteral("Action"),
                                 QStringLiteral("Executer une action"));
    BTN_ImageRef = named(new QPushButton, "BTN_ImageRef", QStringLiteral("Img. Ref."),
                         QStringLiteral("Définir l'image de référence"));
    BTN_ImageRef_Auto = named(new QPushButton, "BTN_ImageRef_Auto", QStringLiteral("Auto..."),
                              QStringLiteral("Redéfinir l'image de référence automatiquement"));
    BTN_Def_Action = named(new QPushButton, "BTN_Def_Action", QStringLiteral("Def."),
                           QStringLiteral("Definir la ou les actions à executer lors qu'une image est selectionnée"));
    PNL_ImageRefLoaded = named(new QFrame, "PNL_ImageRefLoaded");
    PNL_ImageRefLoaded->setFixedSize(14, 14);
    PNL_ImageRefLoaded->setAutoFillBackground(true);
    PNL_ImageRefLoaded->setFrameShape(QFrame::Panel);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setSpacing(2);
    auto label = [](const char* name, const char* text) { return named(new QLabel(QString::fromUtf8(text)), name); };
    grid->addWidget(label("LBL_Seuil_Detect_Niveau", "S.Niv :"), 0, 0);
    grid->addWidget(SCB_Seuil_Detection_Niveau, 0, 1);
    grid->addWidget(TNI_Seuil_Detection_Niveau, 0, 2);
    grid->addWidget(label("LBL_Seuil_Detect_Nbre", "S.Nbre:"), 1, 0);
    grid->addWidget(SCB_Seuil_Detection_Nbre, 1, 1);
    grid->addWidget(TNI_Seuil_Detection_Nbre, 1, 2);
    grid->addWidget(label("LBL_Diff_Actuel", "Actuel :"), 2, 0);
    grid->addWidget(TNI_Diff_actuel, 2, 2);
    grid->addWidget(CKB_Detection_Action, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(PNL_ImageRefLoaded);
    buttons->addWidget(BTN_ImageRef);
    buttons->addWidget(BTN_ImageRef_Auto);
    buttons->addWidget(BTN_Def_Action);
    grid->addLayout(buttons, 3, 0, 1, 3);
    grid->setRowStretch(4, 1);

    connect(CKB_Detection_Action, &QCheckBox::toggled, this,
            [this](bool on) { core_.controls.CKB_Detection_Action = on; });
    connect(BTN_ImageRef, &QPushButton::clicked, this, &MotionPanel::BTN_ImageRefClick);
    connect(BTN_ImageRef_Auto, &QPushButton::clicked, this, &MotionPanel::referenceDialogRequested);
    connect(BTN_Def_Action, &QPushButton::clicked, this, &MotionPanel::actionDialogRequested);
}

void MotionPanel::setDetectionOn(bool on)
{
    for (QWidget* w : std::initializer_list<QWidget*>{SCB_Seuil_Detection_Niveau, TNI_Seuil_Detection_Niveau,
                                                       SCB_Seuil_Detection_Nbre, TNI_Seuil_Detection_Nbre,
                                                       TNI_Diff_actuel, CKB_Detection_Action, BTN_ImageRef,
                                                       BTN_ImageRef_Auto, BTN_Def_Action})
        w->setEnabled(on);
}

void MotionPanel::BTN_ImageRefClick()
{
    const ImageBuffers& b = core_.buffers;
    if (!b.created()) return;
    core_.motion.defineReference(b.frameSlots[0], b.imageWidth, b.imageHeight);
    refresh();
    emit referenceDefined();
}

void MotionPanel::refresh()
{
    TNI_Diff_actuel->setValue(core_.motion.TNI_Diff_actuel());
    const QColor colour = shownLampColour(core_.motion.referencePresent() ? QColor(0, 255, 0) : QColor(255, 0, 0));
    QPalette p = PNL_ImageRefLoaded->palette();
    if (p.color(QPalette::Window) == colour) return;
    p.setColor(QPalette::Window, colour);
    PNL_ImageRefLoaded->setPalette(p);
}

} // namespace velumbra

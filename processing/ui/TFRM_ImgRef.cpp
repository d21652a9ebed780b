#include "processing/ui/TFRM_ImgRef.h"
#include "widgets/Named.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include <limits>

namespace velumbra {

TFRM_ImgRef::TFRM_ImgRef(ImageCore& core, QWidget* parent)
    : QWidget(parent, Qt::Tool), core_(core)
{
    setObjectName(QStringLiteral("TFRM_ImgRef"));
    setWindowTitle(QStringLiteral("Image de référence"));
    BTN_Def_ImgRef_Manuel = named(new QPushButton, "BTN_Def_ImgRef_Manuel", QStringLiteral("Définir manuellement"));
    CKB_Def_ImgRef_Auto = named(new QCheckBox, "CKB_Def_ImgRef_Auto", QStringLiteral("Redefinir automatiquement"));
    SPED_Definir_toutes_les = named(new QSpinBox, "SPED_Definir_toutes_les");
    SPED_Definir_toutes_les->setRange(0, 9999);
    SPED_Definir_toutes_les->setValue(5);
    CBX_Unite = named(new QComboBox, "CBX_Unite");
    CBX_Unite->addItems({QStringLiteral("Secondes"), QStringLiteral("Minutes"), QStringLiteral("Heures")});
    BTN_Ok = named(new QPushButton, "BTN_Ok", QStringLiteral("Ok"));
    TMR_ImgRef = new QTimer(this);
    TMR_ImgRef->setObjectName(QStringLiteral("TMR_ImgRef"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(BTN_Def_ImgRef_Manuel, 0, 0, 1, 3);
    grid->addWidget(CKB_Def_ImgRef_Auto, 1, 0, 1, 3);
    grid->addWidget(named(new QLabel(QStringLiteral("Redefinir toutes les")), "LBL_Definir_toutes_les"), 2, 0);
    grid->addWidget(SPED_Definir_toutes_les, 2, 1);
    grid->addWidget(CBX_Unite, 2, 2);
    grid->addWidget(BTN_Ok, 3, 2);

    connect(BTN_Def_ImgRef_Manuel, &QPushButton::clicked, this, &TFRM_ImgRef::defineReference);
    // A change of unit defines the reference at once too.
    connect(CBX_Unite, &QComboBox::currentIndexChanged, this, &TFRM_ImgRef::defineReference);
    connect(CKB_Def_ImgRef_Auto, &QCheckBox::toggled, this, [this](bool on) {
        if (!on) TMR_ImgRef->stop();
    });
    connect(BTN_Ok, &QPushButton::clicked, this, &TFRM_ImgRef::BTN_OkClick);
    connect(TMR_ImgRef, &QTimer::timeout, this, &TFRM_ImgRef::TMR_ImgRefTimer);
}

void TFRM_ImgRef::defineReference()
{
    const ImageBuffers& b = core_.buffers;
    if (!b.created()) return;
    core_.motion.defineReference(b.frameSlots[0], b.imageWidth, b.imageHeight);
    emit referenceDefined();
}

void TFRM_ImgRef::BTN_OkClick()
{
    if (CKB_Def_ImgRef_Auto->isChecked()) arm();
    hide();
}

void TFRM_ImgRef::arm()
{
    const long long interval = referenceIntervalMs(SPED_Definir_toutes_les->value(), CBX_Unite->currentIndex());
    if (interval <= 0) return;
    // A timer counts milliseconds in an int: the longest interval it takes.
    TMR_ImgRef->start(int(std::min<long long>(interval, std::numeric_limits<int>::max())));
    defineReference();
}

} // namespace velumbra

#include "processing/ui/TFRM_Prg_Action.h"
#include "widgets/Named.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

namespace velumbra {

TFRM_Prg_Action::TFRM_Prg_Action(ImageCore& core, QWidget* parent)
    : QWidget(parent, Qt::Tool), core_(core)
{
    setObjectName(QStringLiteral("TFRM_Prg_Action"));
    setWindowTitle(QStringLiteral("Action à effectuer lors d'une detection"));
    CKB_Action_Pose_longue = named(new QCheckBox, "CKB_Action_Pose_longue", QStringLiteral("Lancer une pose longue"));
    CKB_Action_Sauvegarder = named(new QCheckBox, "CKB_Action_Sauvegarder",
                                   QStringLiteral("Demarrer l'enregistrement automatique"));
    CKB_Jouer_un_son = named(new QCheckBox, "CKB_Jouer_un_son", QStringLiteral("Jouer un fichier son"));
    EDT_Son_a_jouer = named(new QLineEdit, "EDT_Son_a_jouer");
    EDT_Son_a_jouer->setMinimumWidth(220);
    BTN_ChargeSon = named(new QPushButton, "BTN_ChargeSon", QStringLiteral("..."));
    BTN_ChargeSon->setFixedWidth(32);
    BTN_Ok = named(new QPushButton, "BTN_Ok", QStringLiteral("Ok"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(CKB_Action_Pose_longue, 0, 0, 1, 2);
    grid->addWidget(CKB_Action_Sauvegarder, 1, 0, 1, 2);
    grid->addWidget(CKB_Jouer_un_son, 2, 0, 1, 2);
    grid->addWidget(EDT_Son_a_jouer, 3, 0);
    grid->addWidget(BTN_ChargeSon, 3, 1);
    grid->addWidget(BTN_Ok, 4, 1);

    chooseSoundFile = [this](const QString& start) {
        return QFileDialog::getOpenFileName(this, QString(), start, QStringLiteral("Son (*.wav)"));
    };
    connect(CKB_Action_Pose_longue, &QCheckBox::toggled, this, &TFRM_Prg_Action::store);
    connect(CKB_Action_Sauvegarder, &QCheckBox::toggled, this, &TFRM_Prg_Action::store);
    connect(CKB_Jouer_un_son, &QCheckBox::clicked, this, &TFRM_Prg_Action::uncheckSoundWithoutFile);
    connect(EDT_Son_a_jouer, &QLineEdit::textEdited, this, &TFRM_Prg_Action::uncheckSoundWithoutFile);
    connect(BTN_ChargeSon, &QPushButton::clicked, this, &TFRM_Prg_Action::BTN_ChargeSonClick);
    connect(BTN_Ok, &QPushButton::clicked, this, &QWidget::close);
}

void TFRM_Prg_Action::store()
{
    DetectionActions& a = core_.motion.actions;
    a.CKB_Action_Pose_longue = CKB_Action_Pose_longue->isChecked();
    a.CKB_Action_Sauvegarder = CKB_Action_Sauvegarder->isChecked();
    a.CKB_Jouer_un_son = CKB_Jouer_un_son->isChecked();
    a.EDT_Son_a_jouer = EDT_Son_a_jouer->text();
}

void TFRM_Prg_Action::uncheckSoundWithoutFile()
{
    if (!QFileInfo(EDT_Son_a_jouer->text()).isFile()) CKB_Jouer_un_son->setChecked(false);
    store();
}

void TFRM_Prg_Action::BTN_ChargeSonClick()
{
    const QString chosen = chooseSoundFile ? chooseSoundFile(EDT_Son_a_jouer->text()) : QString();
    if (!chosen.isEmpty()) EDT_Son_a_jouer->setText(chosen);
    else uncheckSoundWithoutFile();
    store();
}

} // namespace velumbra

#include "aids/ui/GRB_Operations.h"
#include "widgets/Named.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace velumbra {

GRB_Operations::GRB_Operations(const Clock& clock, MessageSink& messages, QWidget* parent)
    : QGroupBox(QStringLiteral("Operations"), parent), sequencer_(clock, messages, *this)
{
    setObjectName(QStringLiteral("GRB_Operations"));
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(6, 2, 6, 4);
    auto* row = new QHBoxLayout;
    row->addWidget(named(new QLabel(QStringLiteral("Action :")), "LBL_Action_Titre"));
    LBL_Action = named(new QLabel(OperationSequencer::actionLabel(0)), "LBL_Action");
    row->addWidget(LBL_Action, 1);
    v->addLayout(row);
    auto* buttons = new QHBoxLayout;
    BTN_Executer = named(new QPushButton(QStringLiteral("Executer")), "BTN_Executer");
    BTN_Abort = named(new QPushButton(QStringLiteral("Arrêter")), "BTN_Abort");
    BTN_Executer->setEnabled(false);
    BTN_Abort->setEnabled(false);
    buttons->addWidget(BTN_Executer);
    buttons->addWidget(BTN_Abort);
    v->addLayout(buttons);
    connect(BTN_Executer, &QPushButton::clicked, this, [this] {
        const Capture c = capture ? capture() : Capture{};
        sequencer_.BTN_ExecuterClick(c.starPos, c.imageWidth, c.imageHeight);
    });
    connect(BTN_Abort, &QPushButton::clicked, this, [this] { sequencer_.BTN_AbortClick(); });
}

void GRB_Operations::setActionLabel(const QString& text)
{
    LBL_Action->setText(text);
}

void GRB_Operations::setExecuteEnabled(bool on)
{
    BTN_Executer->setEnabled(on);
}

void GRB_Operations::setAbortEnabled(bool on)
{
    BTN_Abort->setEnabled(on);
}

} // namespace velumbra

#include "telescope/ui/GuideGraph.h"

#include <QPainter>

namespace velumbra {

GuideGraph::GuideGraph(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PBX_Graphe_Guidage"));
    setMinimumSize(300, 170);
    setFocusPolicy(Qt::NoFocus);
}

void GuideGraph::showTrace(const GuideTrace& trace)
{
    trace_ = &trace;
    update();
}

void GuideGraph::setTexts(const NamedTexts* texts)
{
    texts_ = texts ? texts : &NamedTexts::builtIn();
    update();
}

void GuideGraph::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const GuideTraceTexts words{texts_->text(u"MSG_Graphe_SecArc"), texts_->text(u"MSG_Graphe_Secondes"),
                                texts_->text(u"MSG_Graphe_AD"), texts_->text(u"MSG_Graphe_Dec")};
    drawGuideTrace(p, rect(), trace_ ? *trace_ : empty_, words);
}

} // namespace velumbra

#pragma once
#include "core/LanguageTable.h"
#include "telescope/GuidePlot.h"

#include <QWidget>

namespace velumbra {

// The live graph of the autoguiding window: the corrections of the run on
// the sky, arc seconds against seconds, with the RMS of each axis.
class GuideGraph : public QWidget {
    Q_OBJECT
public:
    explicit GuideGraph(QWidget* parent = nullptr);

    void showTrace(const GuideTrace& trace);
    // The words of the graph come from the chosen language at each paint.
    void setTexts(const NamedTexts* texts);
    const GuideTrace* trace() const { return trace_; }

    QSize sizeHint() const override { return {360, 200}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const GuideTrace* trace_ = nullptr;
    GuideTrace empty_;
    const NamedTexts* texts_ = &NamedTexts::builtIn();
};

} // namespace velumbra

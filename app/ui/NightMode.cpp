#include "app/ui/NightMode.h"
#include "widgets/ImageView.h"

#include <QAbstractAxis>
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QStyle>
#include <QWidget>

namespace velumbra {

QPalette nightPalette()
{
    const QColor black(0, 0, 0);
    const QColor panel(24, 0, 0);    // fields and buttons, a shade above the windows
    const QColor text(230, 40, 40);  // read without dazzling
    const QColor dim(110, 20, 20);   // what cannot be used now
    QPalette p;
    for (const QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool off = g == QPalette::Disabled;
        p.setColor(g, QPalette::Window, black);
        p.setColor(g, QPalette::Base, panel);
        p.setColor(g, QPalette::AlternateBase, black);
        p.setColor(g, QPalette::Button, panel);
        p.setColor(g, QPalette::WindowText, off ? dim : text);
        p.setColor(g, QPalette::Text, off ? dim : text);
        p.setColor(g, QPalette::ButtonText, off ? dim : text);
        p.setColor(g, QPalette::PlaceholderText, dim);
        p.setColor(g, QPalette::BrightText, QColor(255, 80, 80));
        p.setColor(g, QPalette::Highlight, QColor(120, 0, 0));
        p.setColor(g, QPalette::HighlightedText, QColor(255, 120, 120));
        p.setColor(g, QPalette::ToolTipBase, black);
        p.setColor(g, QPalette::ToolTipText, text);
        p.setColor(g, QPalette::Light, QColor(90, 0, 0));
        p.setColor(g, QPalette::Midlight, QColor(60, 0, 0));
        p.setColor(g, QPalette::Mid, QColor(45, 0, 0));
        p.setColor(g, QPalette::Dark, QColor(30, 0, 0));
        p.setColor(g, QPalette::Shadow, black);
        p.setColor(g, QPalette::Link, text);
    }
    return p;
}

namespace {

// A chart draws with its own theme, not the palette: at night its
// background, titles, labels and grid take the night's colours; by day
// those it had before.
void showChartAtNight(QChart* chart, bool night)
{
    if (!chart) return;
    if (!chart->property("dayKept").toBool()) {
        chart->setProperty("dayKept", true);
        chart->setProperty("dayBackground", chart->backgroundBrush());
        chart->setProperty("dayTitle", chart->titleBrush());
        for (QAbstractAxis* axis : chart->axes()) {
            axis->setProperty("dayLabels", axis->labelsColor());
            axis->setProperty("dayTitle", axis->titleBrush());
            axis->setProperty("dayGrid", axis->gridLineColor());
            axis->setProperty("dayLine", axis->linePenColor());
        }
    }
    const QPalette p = nightPalette();
    const QColor text = p.color(QPalette::WindowText);
    chart->setBackgroundBrush(night ? QBrush(Qt::black) : chart->property("dayBackground").value<QBrush>());
    chart->setTitleBrush(night ? QBrush(text) : chart->property("dayTitle").value<QBrush>());
    for (QAbstractAxis* axis : chart->axes()) {
        axis->setLabelsColor(night ? text : axis->property("dayLabels").value<QColor>());
        axis->setTitleBrush(night ? QBrush(text) : axis->property("dayTitle").value<QBrush>());
        axis->setGridLineColor(night ? p.color(QPalette::Mid) : axis->property("dayGrid").value<QColor>());
        axis->setLinePenColor(night ? p.color(QPalette::Light) : axis->property("dayLine").value<QColor>());
    }
}

} // namespace

void applyNightMode(bool night, bool redImage)
{
    QApplication::setPalette(night ? nightPalette() : QApplication::style()->standardPalette());
    qApp->setProperty("nightMode", night); // the lamps' colours follow it (widgets/Lamp.h)
    // The style outlines check boxes and radio buttons in a shade of the
    // window's colour, which black would hide; tool tips draw their own frame.
    qApp->setStyleSheet(
        night ? QStringLiteral(
                    "QToolTip { color: rgb(230, 40, 40); background-color: black; border: 1px solid rgb(110, 20, 20); }"
                    "QCheckBox::indicator, QRadioButton::indicator { width: 11px; height: 11px; "
                    "border: 1px solid rgb(160, 30, 30); background-color: rgb(24, 0, 0); }"
                    "QRadioButton::indicator { border-radius: 6px; }"
                    "QCheckBox::indicator:checked, QRadioButton::indicator:checked { background-color: rgb(210, 40, 40); }"
                    "QCheckBox::indicator:disabled, QRadioButton::indicator:disabled { border-color: rgb(80, 15, 15); }"
                    "QCheckBox::indicator:checked:disabled, QRadioButton::indicator:checked:disabled "
                    "{ background-color: rgb(90, 15, 15); }")
              : QString());
    for (QWidget* window : QApplication::topLevelWidgets()) {
        for (ImageView* view : window->findChildren<ImageView*>()) view->setRedTint(night && redImage);
        for (QChartView* view : window->findChildren<QChartView*>()) {
            view->setBackgroundBrush(night ? QBrush(Qt::black) : QBrush());
            showChartAtNight(view->chart(), night);
        }
    }
}

} // namespace velumbra

#include "app/ui/HintTimings.h"

#include <QApplication>
#include <QHelpEvent>
#include <QProxyStyle>
#include <QToolTip>
#include <QWidget>

namespace velumbra {
namespace {

// The delay before a hint is a style setting; how long it stays is not.
class HintDelayStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* ret) const override
    {
        if (hint == SH_ToolTip_WakeUpDelay) return HintTimings::wakeUpMs;
        return QProxyStyle::styleHint(hint, option, widget, ret);
    }
};

} // namespace

void HintTimings::install(QApplication& app)
{
    QApplication::setStyle(new HintDelayStyle);
    app.installEventFilter(new HintTimings(&app));
}

bool HintTimings::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ToolTip || !watched->isWidgetType()) return false;
    auto* widget = static_cast<QWidget*>(watched);
    // A control without a hint passes the event on to its parent.
    if (widget->toolTip().isEmpty()) return false;
    const auto* help = static_cast<QHelpEvent*>(event);
    QToolTip::showText(help->globalPos(), widget->toolTip(), widget, QRect(), displayMs);
    return true;
}

} // namespace velumbra

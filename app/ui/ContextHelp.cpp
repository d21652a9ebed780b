#include "app/ui/ContextHelp.h"
#include "app/HelpTopics.h"
#include "app/ui/HelpWindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTabWidget>
#include <QWidget>

namespace velumbra {
namespace {

const char* const kTopicProperty = "velumbraHelpTopic";

int ownTopic(const QWidget* w)
{
    return helpTopicForArea(w->window()->objectName(), w->objectName());
}

} // namespace

ContextHelp::ContextHelp(HelpWindow* help, QObject* parent) : QObject(parent), help_(help)
{
    qApp->installEventFilter(this);
}

int ContextHelp::topicOf(const QWidget* widget)
{
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        if (const int topic = ownTopic(w); topic > 0) return topic;
        // Over a page control's tabs its current page is the area.
        if (const auto* tabs = qobject_cast<const QTabWidget*>(w); tabs && tabs->currentWidget())
            if (const int topic = ownTopic(tabs->currentWidget()); topic > 0) return topic;
        if (w->isWindow()) {
            // A window made of pages (the preferences): the page shown.
            for (const QTabWidget* tabs : w->findChildren<const QTabWidget*>())
                if (tabs->currentWidget())
                    if (const int topic = ownTopic(tabs->currentWidget()); topic > 0) return topic;
            break;
        }
    }
    return 0;
}

int ContextHelp::currentTopic(const QWidget* widget)
{
    const QWidget* window = widget->window();
    const QVariant tracked = window->property(kTopicProperty);
    if (tracked.isValid() && tracked.toInt() > 0) return tracked.toInt();
    return topicOf(widget);
}

void ContextHelp::setCurrentTopic(QWidget* window, int topic)
{
    window->setProperty(kTopicProperty, topic);
}

bool ContextHelp::eventFilter(QObject* watched, QEvent* event)
{
    if (!watched->isWidgetType()) return false;
    auto* widget = static_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::WindowActivate:
        if (widget->isWindow()) setCurrentTopic(widget, topicOf(widget));
        break;
    case QEvent::Enter:
        setCurrentTopic(widget->window(), topicOf(widget));
        break;
    case QEvent::Leave:
        // Back into the enclosing area, which gets no enter of its own.
        if (!widget->isWindow()) setCurrentTopic(widget->window(), topicOf(widget->parentWidget()));
        break;
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1 && help_) {
            help_->showTopic(currentTopic(widget));
            return true;
        }
        break;
    default:
        break;
    }
    return false;
}

} // namespace velumbra

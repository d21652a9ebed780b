#include "app/ui/WindowPlacer.h"
#include "app/WindowPlacement.h"

#include <QDialog>
#include <QEvent>
#include <QKeySequence>
#include <QLayout>
#include <QScreen>
#include <QShortcut>
#include <QWidget>

namespace velumbra {

WindowPlacer::WindowPlacer(QWidget* mainWindow) : QObject(mainWindow), main_(mainWindow) {}

void WindowPlacer::manage(QWidget* window, Closing closing)
{
    if (!window) return;
    managed_ << window;
    window->installEventFilter(this);
    // Dialogs close on Escape by themselves.
    if (closing == Closing::ByUser && !qobject_cast<QDialog*>(window)) {
        auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
        escape->setContext(Qt::WindowShortcut);
        connect(escape, &QShortcut::activated, window, &QWidget::close);
    }
}

bool WindowPlacer::eventFilter(QObject* watched, QEvent* event)
{
    // The show event comes before the window is mapped: moving it now
    // opens it in its place.
    if (event->type() == QEvent::Show && watched->isWidgetType())
        placeFirstTime(static_cast<QWidget*>(watched));
    return false;
}

void WindowPlacer::placeFirstTime(QWidget* window)
{
    if (!main_ || placed_.contains(window) || !window->isWindow()) return;
    placed_.insert(window);
    QScreen* screen = main_->screen();
    if (!screen) return;
    // The new window's frame is not known yet: take the main window's.
    const QSize decoration = main_->frameGeometry().size() - main_->geometry().size();
    QList<QRect> taken;
    for (const QPointer<QWidget>& other : managed_)
        if (other && other != window && other->isVisible()) taken << other->frameGeometry();
    // Its size follows its content from the first showing on.
    if (window->layout()) window->layout()->activate();
    const QPoint at =
        placeBeside(main_->frameGeometry(), screen->availableGeometry(), window->size() + decoration, taken);
    window->move(at);
}

} // namespace velumbra

#include "app/ui/WindowPlacer.h"
#include "app/WindowPlacement.h"

#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLayout>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QWidget>

namespace velumbra {

namespace {

// The window manager's frame before a window has one: a title bar and thin
// borders, enough to keep the title bar on the screen.
const QSize kAssumedDecoration(8, 32);

QList<QRect> availableScreens()
{
    QList<QRect> screens;
    for (const QScreen* s : QGuiApplication::screens()) screens << s->availableGeometry();
    return screens;
}

} // namespace

WindowPlacer::WindowPlacer(QWidget* mainWindow) : QObject(mainWindow), main_(mainWindow)
{
    if (main_) main_->installEventFilter(this);
}

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

void WindowPlacer::restore(const IniFile* ini)
{
    QStringList names;
    if (main_) names << main_->objectName();
    for (const QPointer<QWidget>& w : managed_)
        if (w) names << w->objectName();
    if (ini) positions_.load(*ini, names);
    placeMainWindow();
}

void WindowPlacer::placeMainWindow()
{
    if (!main_) return;
    const QList<QRect> screens = availableScreens();
    if (screens.isEmpty()) return;
    const std::optional<WindowPlace> place = positions_.place(main_->objectName());
    if (!place) {
        const QScreen* screen = main_->screen() ? main_->screen() : QGuiApplication::primaryScreen();
        moveFrameTo(main_, screen->availableGeometry().topLeft());
        return;
    }
    const QSize inside = place->size.isEmpty() ? main_->size() : place->size;
    const QSize frame = inside.expandedTo(main_->minimumSize()) + decoration();
    const QRect kept = keptOnScreen(QRect(place->frameTopLeft, frame), screens);
    main_->resize(kept.size() - decoration());
    moveFrameTo(main_, kept.topLeft());
}

QSize WindowPlacer::decoration() const
{
    if (main_ && main_->isVisible()) {
        const QSize d = main_->frameGeometry().size() - main_->geometry().size();
        if (d.height() > 0) return d;
    }
    return kAssumedDecoration;
}

const WindowPositions& WindowPlacer::positions()
{
    if (main_ && main_->isVisible() && !main_->isMinimized() && !main_->isMaximized())
        positions_.setPlace(main_->objectName(), {main_->frameGeometry().topLeft(), main_->size()});
    for (const QPointer<QWidget>& w : managed_)
        if (w && placed_.contains(w.data()) && !w->isMinimized())
            positions_.setPlace(w->objectName(), {w->frameGeometry().topLeft(), QSize()});
    return positions_;
}

bool WindowPlacer::eventFilter(QObject* watched, QEvent* event)
{
    // The show event comes before the window is mapped: moving it now
    // opens it in its place.
    if (!watched->isWidgetType()) return false;
    auto* window = static_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::Show:
        if (window != main_) placeFirstTime(window);
        break;
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowActivate:
        settle(window);
        break;
    default:
        break;
    }
    return false;
}

// A window moved before it is mapped has no frame yet: some window managers
// then put the inside where the frame was asked for, and the title bar
// lands above it (above the screen at the top). Once the frame is known the
// window is moved again, its frame where it was meant to be.
void WindowPlacer::moveFrameTo(QWidget* window, QPoint frameTopLeft)
{
    window->move(frameTopLeft);
    unsettled_.insert(window, frameTopLeft);
    settle(window);
    // The frame may come without an event of the window's own.
    const QPointer<QWidget> guarded(window);
    for (const int ms : {100, 300, 700, 1500, 3000})
        QTimer::singleShot(ms, this, [this, guarded] {
            if (guarded) settle(guarded);
        });
}

void WindowPlacer::settle(QWidget* window)
{
    const auto it = unsettled_.find(window);
    if (it == unsettled_.end() || !window->isVisible()) return;
    const QRect frame = window->frameGeometry();
    if (frame.size() == window->size()) return; // not framed yet
    const QPoint meant = *it;
    unsettled_.erase(it);
    if (frame.topLeft() != meant) window->move(meant);
}

void WindowPlacer::placeFirstTime(QWidget* window)
{
    if (!main_ || placed_.contains(window) || !window->isWindow()) return;
    placed_.insert(window);
    QScreen* screen = main_->screen();
    if (!screen) return;
    // Its size follows its content from the first showing on.
    if (window->layout()) window->layout()->activate();
    const QSize frame = window->size() + decoration();
    if (const std::optional<WindowPlace> place = positions_.place(window->objectName())) {
        moveFrameTo(window, keptOnScreen(QRect(place->frameTopLeft, frame), availableScreens()).topLeft());
        return;
    }
    QList<QRect> taken;
    for (const QPointer<QWidget>& other : managed_)
        if (other && other != window && other->isVisible() && !other->isMinimized()) taken << other->frameGeometry();
    moveFrameTo(window, placeBeside(main_->frameGeometry(), screen->availableGeometry(), frame, taken));
}

} // namespace velumbra

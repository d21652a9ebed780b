#pragma once
#include <QObject>
#include <QPointer>
#include <QSet>

class QWidget;

namespace velumbra {

// Opens each tool window beside the main window the first time it is shown
// (placeBeside); afterwards it stays where the user put it for the run.
// Windows the user may close also close with Escape.
class WindowPlacer : public QObject {
    Q_OBJECT
public:
    explicit WindowPlacer(QWidget* mainWindow);

    enum class Closing { ByUser, ByProgram };
    void manage(QWidget* window, Closing closing);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeFirstTime(QWidget* window);

    QPointer<QWidget> main_;
    QList<QPointer<QWidget>> managed_;
    QSet<const QWidget*> placed_;
};

} // namespace velumbra

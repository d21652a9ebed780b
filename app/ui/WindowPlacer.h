#pragma once
#include "settings/WindowPositions.h"

#include <QObject>
#include <QPointer>
#include <QHash>
#include <QPoint>
#include <QSet>

class QWidget;

namespace velumbra {

class IniFile;

// Opens each tool window where the user last put it (kept in the settings
// file, brought back onto the screen when the screen changed), or else
// beside the main window the first time it is shown (placeBeside); after
// that it stays where the user put it. Windows the user may close also
// close with Escape.
class WindowPlacer : public QObject {
    Q_OBJECT
public:
    explicit WindowPlacer(QWidget* mainWindow);

    enum class Closing { ByUser, ByProgram };
    void manage(QWidget* window, Closing closing);

    // The places read from the settings file (none without one); the main
    // window goes to its own at once (before it shows), or to the screen's
    // top-left corner, which leaves room at its side for the tool windows.
    void restore(const IniFile* ini);
    // The places of the windows now (those shown in this run) and the ones
    // read at start for the others, for the settings file.
    const WindowPositions& positions();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeFirstTime(QWidget* window);
    void placeMainWindow();
    void moveFrameTo(QWidget* window, QPoint frameTopLeft);
    void settle(QWidget* window);
    QSize decoration() const;

    QPointer<QWidget> main_;
    QList<QPointer<QWidget>> managed_;
    QSet<const QWidget*> placed_;
    // Windows moved before the window manager framed them, and where their
    // frame must be once it has.
    QHash<const QWidget*, QPoint> unsettled_;
    WindowPositions positions_;
};

} // namespace velumbra

#pragma once
#include <QWidget>

namespace velumbra {

// A "Fermer" button row that closes `window`.
QWidget* closeButtonFor(QWidget* window);

// A tool window whose content comes with its feature; until then it says so.
class ShellWindow : public QWidget {
    Q_OBJECT
public:
    ShellWindow(const QString& objectName, const QString& title, bool stayOnTop = false, QWidget* parent = nullptr);
};

} // namespace velumbra

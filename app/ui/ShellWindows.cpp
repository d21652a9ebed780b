#include "app/ui/ShellWindows.h"

#include <QLabel>
#include <QVBoxLayout>

namespace velumbra {

ShellWindow::ShellWindow(const QString& objectName, const QString& title, bool stayOnTop, QWidget* parent)
    : QWidget(parent, Qt::Window | (stayOnTop ? Qt::WindowStaysOnTopHint : Qt::WindowFlags()))
{
    setObjectName(objectName);
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("Cette fonction n'est pas encore disponible dans cette version."), this);
    label->setWordWrap(true);
    layout->addWidget(label);
    resize(360, 120);
}

} // namespace velumbra

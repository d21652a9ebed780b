#include "app/ui/ShellWindows.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace velumbra {

QWidget* closeButtonFor(QWidget* window)
{
    auto* buttons = new QDialogButtonBox(window);
    auto* close = buttons->addButton(QStringLiteral("Fermer"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("BTN_Fermer"));
    QObject::connect(close, &QPushButton::clicked, window, &QWidget::close);
    return buttons;
}

ShellWindow::ShellWindow(const QString& objectName, const QString& title, bool stayOnTop, QWidget* parent)
    : QWidget(parent, Qt::Window | (stayOnTop ? Qt::WindowStaysOnTopHint : Qt::WindowFlags()))
{
    setObjectName(objectName);
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("Cette fonction n'est pas encore disponible dans cette version."), this);
    label->setObjectName(QStringLiteral("LBL_Pas_Disponible"));
    label->setWordWrap(true);
    layout->addWidget(label);
    layout->addWidget(closeButtonFor(this));
    resize(360, 120);
}

} // namespace velumbra

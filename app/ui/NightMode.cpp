#include "app/ui/NightMode.h"
#include "widgets/ImageView.h"

#include <QApplication>
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

void applyNightMode(bool night, bool redImage)
{
    QApplication::setPalette(night ? nightPalette() : QApplication::style()->standardPalette());
    // Tool tips draw their own frame in some styles.
    qApp->setStyleSheet(night ? QStringLiteral("QToolTip { color: rgb(230, 40, 40); background-color: black; "
                                               "border: 1px solid rgb(110, 20, 20); }")
                              : QString());
    for (QWidget* window : QApplication::topLevelWidgets())
        for (ImageView* view : window->findChildren<ImageView*>()) view->setRedTint(night && redImage);
}

} // namespace velumbra

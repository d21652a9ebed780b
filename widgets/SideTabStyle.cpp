#include "widgets/SideTabStyle.h"

#include <QStyleOptionTab>

namespace velumbra {

QSize SideTabStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                     const QWidget* widget) const
{
    QSize s = QProxyStyle::sizeFromContents(type, option, size, widget);
    // The tab bar turns the size of a side tab; turned back, it fits a level caption.
    if (type == CT_TabBarTab) s.transpose();
    return s;
}

void SideTabStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                               const QWidget* widget) const
{
    if (element == CE_TabBarTabLabel) {
        if (const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(option)) {
            QStyleOptionTab level(*tab);
            level.shape = QTabBar::RoundedNorth;
            QProxyStyle::drawControl(element, &level, painter, widget);
            return;
        }
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

} // namespace velumbra

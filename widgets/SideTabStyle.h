#pragma once
#include <QProxyStyle>

namespace velumbra {

// Tabs down the left side of a page control with their captions written
// level, not turned: a dialog of many tabs shows every caption whole
// without growing wider than its pages.
class SideTabStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
};

} // namespace velumbra

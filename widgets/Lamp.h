#pragma once
#include <QColor>
#include <QCoreApplication>
#include <QVariant>

namespace velumbra {

// A lamp's colour as shown. By day its own. At night (the application's
// "nightMode" property, set by the night mode) in red only: an unlit grey
// lamp nearly black, a lit one the brighter the greener it is by day, so
// green (good) still reads brighter than red (bad) without dazzling.
inline QColor shownLampColour(const QColor& day)
{
    const QCoreApplication* app = QCoreApplication::instance();
    if (!app || !app->property("nightMode").toBool()) return day;
    if (day.red() == day.green() && day.green() == day.blue()) return {35, 0, 0};
    const int level = 110 + day.green() * 130 / 255;
    return {level, level / 5, level / 5};
}

} // namespace velumbra

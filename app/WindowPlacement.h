#pragma once
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace velumbra {

// Where a tool window opens: beside the main window's frame (right, left,
// below, above, in that order of preference), clear of the windows already
// open when there is room, never off the screen, and over the main window
// only when the screen leaves no room beside it, then hiding as little of it
// as it can.
QPoint placeBeside(const QRect& mainFrame, const QRect& screen, const QSize& window,
                   const QList<QRect>& taken = {});

} // namespace velumbra

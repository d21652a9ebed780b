#pragma once
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace velumbra {

// Where a tool window opens: beside the main window's frame (right, left,
// below, above, in that order of preference), clear of the windows already
// open when there is room, else covering as little of them as it can; never
// off the screen, and over the main window only when the screen leaves no
// room beside it, then hiding as little of it as it can.
QPoint placeBeside(const QRect& mainFrame, const QRect& screen, const QSize& window,
                   const QList<QRect>& taken = {});

// A window put back where the user left it, on the screens there are now:
// on the screen it overlaps most (the nearest one when it overlaps none),
// made no larger than that screen and moved until its frame, title bar
// included, is wholly on it. A frame already on a screen stays as it is.
QRect keptOnScreen(const QRect& frame, const QList<QRect>& screens);

} // namespace velumbra

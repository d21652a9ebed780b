#include "app/WindowPlacement.h"

#include <algorithm>

namespace velumbra {
namespace {

constexpr int kGap = 4;

QPoint clampedTo(const QRect& screen, QPoint p, const QSize& size)
{
    p.setX(std::max(screen.left(), std::min(p.x(), screen.left() + screen.width() - size.width())));
    p.setY(std::max(screen.top(), std::min(p.y(), screen.top() + screen.height() - size.height())));
    return p;
}

} // namespace

QPoint placeBeside(const QRect& mainFrame, const QRect& screen, const QSize& window, const QList<QRect>& taken)
{
    const int w = window.width(), h = window.height();
    const int right = mainFrame.left() + mainFrame.width() + kGap;
    const int left = mainFrame.left() - kGap - w;
    const int below = mainFrame.top() + mainFrame.height() + kGap;
    const int above = mainFrame.top() - kGap - h;

    // Along each side: level with the main window's edge, then after each
    // window already there.
    struct Candidate { QPoint at; bool leftOrRight; };
    QList<Candidate> candidates;
    auto side = [&](QPoint start, bool leftOrRight) {
        candidates << Candidate{start, leftOrRight};
        for (const QRect& t : taken) {
            if (leftOrRight) candidates << Candidate{{start.x(), t.top() + t.height() + kGap}, true};
            else candidates << Candidate{{t.left() + t.width() + kGap, start.y()}, false};
        }
    };
    side({right, mainFrame.top()}, true);
    side({left, mainFrame.top()}, true);
    side({mainFrame.left(), below}, false);
    side({mainFrame.left(), above}, false);

    auto onScreen = [&](const QRect& r) { return screen.contains(r); };
    auto clearOf = [&](const QRect& r) {
        return std::none_of(taken.begin(), taken.end(), [&](const QRect& t) { return t.intersects(r); });
    };
    // Slid along its side to fit the screen, a place still beside the main window.
    QList<QRect> beside;
    for (const Candidate& c : candidates) {
        QRect r(c.at, window);
        if (c.leftOrRight) r.moveTop(std::clamp(r.top(), screen.top(), screen.top() + screen.height() - h));
        else r.moveLeft(std::clamp(r.left(), screen.left(), screen.left() + screen.width() - w));
        if (onScreen(r) && !r.intersects(mainFrame)) beside << r;
    }
    for (const QRect& r : beside)
        if (clearOf(r)) return r.topLeft();
    // Beside it but no clear place: where it covers the least of the others.
    auto covered = [&](const QRect& r) {
        qint64 area = 0;
        for (const QRect& t : taken) {
            const QRect o = r.intersected(t);
            if (!o.isEmpty()) area += qint64(o.width()) * o.height();
        }
        return area;
    };
    if (!beside.isEmpty())
        return std::min_element(beside.begin(), beside.end(),
                                [&](const QRect& a, const QRect& b) { return covered(a) < covered(b); })
            ->topLeft();
    // No room beside it: on the screen, at the side or corner where it
    // hides the least of the main window.
    auto hidden = [&](const QPoint& p) {
        const QRect overlap = QRect(p, window).intersected(mainFrame);
        return overlap.isEmpty() ? 0LL : qint64(overlap.width()) * overlap.height();
    };
    const int screenRight = screen.left() + screen.width() - w;
    const int screenBottom = screen.top() + screen.height() - h;
    const QPoint fallbacks[] = {
        {right, mainFrame.top()}, {right, screenBottom}, {left, mainFrame.top()}, {left, screenBottom},
        {mainFrame.left(), below}, {screenRight, below}, {mainFrame.left(), above}, {screenRight, above},
    };
    QPoint best = clampedTo(screen, fallbacks[0], window);
    for (const QPoint& f : fallbacks) {
        const QPoint p = clampedTo(screen, f, window);
        if (hidden(p) < hidden(best)) best = p;
    }
    return best;
}

QRect keptOnScreen(const QRect& frame, const QList<QRect>& screens)
{
    if (screens.isEmpty()) return frame;
    auto area = [](const QRect& r) { return r.isEmpty() ? 0LL : qint64(r.width()) * r.height(); };
    auto distance = [&](const QRect& s) {
        const qint64 dx = std::max({0, s.left() - frame.right(), frame.left() - s.right()});
        const qint64 dy = std::max({0, s.top() - frame.bottom(), frame.top() - s.bottom()});
        return dx * dx + dy * dy;
    };
    const QRect* best = &screens.first();
    for (const QRect& s : screens) {
        const qint64 overlap = area(frame.intersected(s)), bestOverlap = area(frame.intersected(*best));
        if (overlap > bestOverlap || (overlap == 0 && bestOverlap == 0 && distance(s) < distance(*best))) best = &s;
    }
    const QSize size(std::min(frame.width(), best->width()), std::min(frame.height(), best->height()));
    return QRect(clampedTo(*best, frame.topLeft(), size), size);
}

} // namespace velumbra

#include "app/WindowPlacement.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace velumbra;

namespace {
const QRect kScreen(0, 0, 1280, 1024);
}

// Table of main-window frames and window sizes: where a tool window opens.
TEST(WindowPlacement, OpensBesideTheMainWindowOnScreen)
{
    struct Case {
        const char* what;
        QRect main;
        QSize window;
        QList<QRect> taken;
        QPoint expected;
    };
    const Case cases[] = {
        {"room on the right", {0, 0, 800, 600}, {300, 200}, {}, {804, 0}},
        {"no room on the right: left", {500, 100, 700, 600}, {300, 200}, {}, {196, 100}},
        {"no room at the sides: below", {100, 0, 1100, 600}, {300, 200}, {}, {100, 604}},
        {"no room but above", {100, 400, 1100, 620}, {300, 200}, {}, {100, 196}},
        {"right side, slid up to stay on screen", {0, 700, 800, 300}, {300, 400}, {}, {804, 624}},
        {"second window under the first", {0, 0, 800, 600}, {300, 200}, {{804, 0, 300, 200}}, {804, 204}},
        {"right side full: left side", {300, 0, 700, 1024}, {250, 600}, {{1004, 0, 250, 600}, {1004, 604, 250, 420}},
         {46, 0}},
        // A tall result window fills the only free side: the new window goes
        // where it covers the least of them, not on top of the last one opened.
        {"only side taken: least covered", {0, 0, 700, 1000}, {250, 150},
         {{704, 120, 576, 904}, {704, 0, 250, 150}}, {704, 874}},
    };
    for (const Case& c : cases) {
        const QPoint at = placeBeside(c.main, kScreen, c.window, c.taken);
        EXPECT_EQ(at, c.expected) << c.what << ": " << at.x() << "," << at.y();
        const QRect placed(at, c.window);
        EXPECT_TRUE(kScreen.contains(placed)) << c.what;
        EXPECT_FALSE(placed.intersects(c.main)) << c.what;
    }
}

// The main window fills the screen: the window stays on screen, whatever its size.
TEST(WindowPlacement, NeverOffScreenWhenThereIsNoRoom)
{
    const QRect fullScreen(0, 0, 1280, 1024);
    for (const QSize size : {QSize(300, 200), QSize(1280, 1024), QSize(2000, 1500)}) {
        const QPoint at = placeBeside(fullScreen, kScreen, size);
        EXPECT_GE(at.x(), 0);
        EXPECT_GE(at.y(), 0);
        if (size.width() <= kScreen.width()) EXPECT_LE(at.x() + size.width(), kScreen.width());
        if (size.height() <= kScreen.height()) EXPECT_LE(at.y() + size.height(), kScreen.height());
    }
    // A 1024 x 768 main window on a 1280 x 1024 screen leaves no room for a
    // tall window: bottom right, over the live image rather than the tool strip.
    EXPECT_EQ(placeBeside(QRect(0, 0, 1024, 768), kScreen, QSize(485, 790)), QPoint(795, 234));
    // A screen that does not start at the origin.
    const QRect second(1280, 0, 1024, 768);
    const QPoint at = placeBeside(QRect(1300, 20, 1000, 740), second, QSize(200, 100));
    EXPECT_TRUE(second.contains(QRect(at, QSize(200, 100))));
}

// A place kept from an earlier run, on the screens there are now.
TEST(WindowPlacement, KeptPlaceComesBackOntoTheScreen)
{
    const QRect left(0, 0, 1600, 1000);
    const QRect right(1600, 0, 1280, 1024);
    struct Case {
        const char* what;
        QRect frame;
        QList<QRect> screens;
        QRect expected;
    };
    const Case cases[] = {
        {"already on the screen: unchanged", {1030, 10, 400, 300}, {left}, {1030, 10, 400, 300}},
        {"title bar above the screen", {100, -20, 400, 300}, {left}, {100, 0, 400, 300}},
        {"left on a larger screen's far corner", {2400, 1500, 400, 300}, {left}, {1200, 700, 400, 300}},
        {"left of the screen", {-380, 200, 400, 300}, {left}, {0, 200, 400, 300}},
        {"larger than the smaller screen now", {0, 0, 1920, 1200}, {left}, {0, 0, 1600, 1000}},
        {"on a second screen that is still there", {1700, 50, 400, 300}, {left, right}, {1700, 50, 400, 300}},
        {"across two screens: onto the one it covers most", {1500, 50, 400, 300}, {left, right}, {1600, 50, 400, 300}},
        {"second screen gone: onto the first", {1700, 50, 400, 300}, {left}, {1200, 50, 400, 300}},
        {"off every screen: onto the nearest", {3000, 100, 400, 300}, {left, right}, {2480, 100, 400, 300}},
        {"screen with a panel at the top", {100, 0, 400, 300}, {QRect(0, 30, 1600, 970)}, {100, 30, 400, 300}},
    };
    for (const Case& c : cases) {
        const QRect kept = keptOnScreen(c.frame, c.screens);
        EXPECT_EQ(kept, c.expected) << c.what << ": " << kept.x() << "," << kept.y() << " " << kept.width() << "x"
                                    << kept.height();
        EXPECT_TRUE(std::any_of(c.screens.begin(), c.screens.end(), [&](const QRect& s) { return s.contains(kept); }))
            << c.what;
    }
}

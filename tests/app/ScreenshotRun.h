#pragma once
// What every screenshot program does first: work in an empty folder (no
// settings file of the user is read or written), show the main window at
// the screen's corner, and start the sky simulator, the chooser's last entry.
#include "acquisition/ui/TFRM_Pilote.h"
#include "app/ui/TFRM_Alv.h"
#include "app/ui/WindowSet.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace velumbra::test {

struct EmptyWorkFolder {
    EmptyWorkFolder() { QDir::setCurrent(work.path()); }
    QTemporaryDir work;
};

inline bool showAtCorner(TFRM_Alv* main)
{
    main->move(0, 0);
    main->show();
    return QTest::qWaitForWindowExposed(main);
}

inline void startSimulator(TFRM_Alv* main)
{
    QTimer::singleShot(0, [] {
        if (auto* d = qobject_cast<TFRM_Pilote*>(QApplication::activeModalWidget())) {
            d->ComboBox1->setCurrentIndex(d->ComboBox1->count() - 1);
            d->accept();
        }
    });
    main->findChild<QPushButton*>(QStringLiteral("BTN_Start"))->click();
    QTest::qWait(1500);
}

// The start of a program that draws the whole program's windows: its output
// folder (the first argument), the empty work folder, then the windows.
struct ScreenshotWindows {
    ScreenshotWindows(int argc, char** argv)
        : out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString()), given(argc > 1)
    {
    }
    // 0 once the main window shows; 2 without an output folder, 1 when the
    // window did not show.
    int start() { return !given ? 2 : showAtCorner(set.main()) ? 0 : 1; }

    const QDir out;
    const bool given;
    EmptyWorkFolder work; // before the windows, which read the settings there
    WindowSet set;
};

} // namespace velumbra::test

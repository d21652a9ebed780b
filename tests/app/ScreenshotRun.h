#pragma once
// What every screenshot program does first: work in an empty folder (no
// settings file of the user is read or written), show the main window at
// the screen's corner, and start the sky simulator, the chooser's last entry.
#include "acquisition/ui/TFRM_Pilote.h"
#include "app/ui/TFRM_Alv.h"

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

} // namespace velumbra::test

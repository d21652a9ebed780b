// The "Autoguidage" window's arrow keys through a pseudo-terminal: a move
// held by a key never outlives the window's hold on the keyboard.
#include "telescope/ui/TFRM_Prg_Suivi.h"

#include "MountFixture.h"

#include <QtTest>

using namespace velumbra;
using velumbra::test::MountFixture;

class TestPrgSuiviWindow : public QObject {
    Q_OBJECT
private slots:
    void aHeldArrowStopsWhenTheWindowLetsGo_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("closed") << 0;
        QTest::newRow("hidden") << 1;
        QTest::newRow("another window active") << 2;
    }

    void aHeldArrowStopsWhenTheWindowLetsGo()
    {
        QFETCH(int, how);
        MountFixture f{MountInterface::LX200};
        f.settings.CKB_CR = f.settings.CKB_LF = false;
        QVERIFY(f.pty.ok());
        QVERIFY(f.mount.mount_connect());
        QCOMPARE(f.pty.read(5), QByteArray("#:RG#"));
        TFRM_Prg_Suivi w(f.mount, [&f] { return f.mount.linkUp(); });
        QWidget other;
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyPress(&w, Qt::Key_Up);
        QTest::keyPress(&w, Qt::Key_Left);
        QCOMPARE(f.pty.read(10), QByteArray("#:Mn##:Me#"));

        if (how == 0) w.close();
        if (how == 1) w.hide();
        if (how == 2) {
            other.show();
            other.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&other));
        }
        QCOMPARE(f.pty.read(10), QByteArray("#:Qe##:Qn#"));
        QVERIFY(!f.mount.moving(North));
        QVERIFY(!f.mount.moving(East));
        // The keys come up later, elsewhere: nothing more.
        QTest::keyRelease(&w, Qt::Key_Up);
        QTest::keyRelease(&w, Qt::Key_Left);
        QCOMPARE(f.pty.read(1, 100), QByteArray());
    }
};

QTEST_MAIN(TestPrgSuiviWindow)
#include "test_prg_suivi_window.moc"

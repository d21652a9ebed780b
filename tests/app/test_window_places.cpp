// Where the windows open: on the screen, beside the main window or where the
// user last put them (kept in Velumbra.ini), above the main window only.
#include "app/ui/TFRM_Alv.h"
#include "app/ui/WindowPlacer.h"
#include "app/ui/WindowSet.h"
#include "results/ui/TFRM_Alv_Child.h"
#include "settings/ui/TFRM_Pref.h"

#include <QDir>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>

namespace velumbra::test {

namespace {

const QStringList kToolWindows{
    QStringLiteral("TFRM_Raquette"), QStringLiteral("TFRM_Prg_Suivi"), QStringLiteral("TFRM_Info"),
    QStringLiteral("TFRM_Longuepose"), QStringLiteral("TFRM_ImgRef"), QStringLiteral("TFRM_Prg_Action"),
    QStringLiteral("TFRM_Main"), QStringLiteral("TFRM_ErrPeriod"), QStringLiteral("TFRM_Pref"),
    QStringLiteral("TFRM_FWHM"), QStringLiteral("TFRM_Equal"), QStringLiteral("TFRM_ComTrafic"),
    QStringLiteral("TFRM_Alv_Child")};

QRect screenArea(const QWidget* w) { return w->screen()->availableGeometry(); }

bool shown(QWidget* w)
{
    w->show();
    return QTest::qWaitForWindowExposed(w);
}

} // namespace

class TestWindowPlaces : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    QString previous_;

    void write(const QByteArray& text)
    {
        QFile f(dir_.filePath(QStringLiteral("Velumbra.ini")));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }
    QByteArray fileText()
    {
        QFile f(dir_.filePath(QStringLiteral("Velumbra.ini")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void init()
    {
        previous_ = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir_.path()));
        QFile::remove(dir_.filePath(QStringLiteral("Velumbra.ini")));
    }
    void cleanup() { QDir::setCurrent(previous_); }

    // Every window is the main window's own: the window manager keeps it
    // above the main window (its transient parent), not above every program.
    void toolWindowsStayAboveTheMainWindowOnly()
    {
        WindowSet set;
        set.restorePlaces();
        QVERIFY(shown(set.main()));
        for (const QString& name : kToolWindows) {
            QWidget* w = set.window(name);
            QVERIFY2(w, qPrintable(name));
            QVERIFY(shown(w));
            QVERIFY2(w->windowHandle()->transientParent() == set.main()->windowHandle(), qPrintable(name));
            QVERIFY2(!(w->windowHandle()->flags() & Qt::WindowStaysOnTopHint), qPrintable(name));
            w->hide();
        }
    }

    // Several windows opened one after the other: each wholly on the screen,
    // beside the main window and clear of the others while there is room.
    void severalWindowsOpenOnScreenBesideEachOther()
    {
        WindowSet set;
        set.restorePlaces();
        QVERIFY(shown(set.main()));
        QCOMPARE(set.main()->frameGeometry().topLeft(), screenArea(set.main()).topLeft());
        QList<QRect> open;
        for (const QString& name :
             {QStringLiteral("TFRM_Info"), QStringLiteral("TFRM_ImgRef"), QStringLiteral("TFRM_Prg_Action")}) {
            QWidget* w = set.window(name);
            QVERIFY(shown(w));
            const QRect frame = w->frameGeometry();
            QVERIFY2(screenArea(w).contains(frame), qPrintable(name));
            QVERIFY2(!frame.intersects(set.main()->frameGeometry()), qPrintable(name));
            for (const QRect& other : open) QVERIFY2(!frame.intersects(other), qPrintable(name));
            open << frame;
        }
        // The telescope window is wider than the room left beside the main
        // window on this screen: wholly on it all the same.
        QWidget* paddle = set.window(QStringLiteral("TFRM_Raquette"));
        QVERIFY(shown(paddle));
        QVERIFY(screenArea(paddle).contains(paddle->frameGeometry()));
    }

    // Positions written when the program ends come back at the next start;
    // the main window keeps its size too.
    void placesWrittenAtCloseComeBackAtNextStart()
    {
        write("[Prefs]\nLangue=0\n");
        {
            WindowSet set;
            set.restorePlaces();
            QVERIFY(shown(set.main()));
            set.main()->resize(set.main()->minimumSize() + QSize(12, 0));
            set.main()->move(20, 4);
            QWidget* paddle = set.window(QStringLiteral("TFRM_Raquette"));
            QVERIFY(shown(paddle));
            paddle->move(330, 40);
            set.main()->close();
        }
        const QByteArray text = fileText();
        QVERIFY2(text.startsWith("[Prefs]\nLangue=0\n"), text.constData());
        QVERIFY2(text.contains("[Fenetres]\n"), text.constData());
        QVERIFY2(text.contains("TFRM_Raquette_X=330\nTFRM_Raquette_Y=40\n"), text.constData());
        QVERIFY2(text.contains("TFRM_Alv_X=20\nTFRM_Alv_Y=4\n"), text.constData());

        WindowSet again;
        again.restorePlaces();
        QVERIFY(shown(again.main()));
        QCOMPARE(again.main()->frameGeometry().topLeft(), QPoint(20, 4));
        QCOMPARE(again.main()->size(), again.main()->minimumSize() + QSize(12, 0));
        QWidget* paddle = again.window(QStringLiteral("TFRM_Raquette"));
        QVERIFY(shown(paddle));
        QCOMPARE(paddle->frameGeometry().topLeft(), QPoint(330, 40));
    }

    // Places from a larger screen, or damaged: back wholly onto this screen.
    void placesOffTheScreenComeBackOntoIt()
    {
        write("[Fenetres]\nTFRM_Alv_X=-900\nTFRM_Alv_Y=5000\nTFRM_Alv_Largeur=1000\nTFRM_Alv_Hauteur=950\n"
              "TFRM_Raquette_X=3000\nTFRM_Raquette_Y=-60\nTFRM_Info_X=zz\nTFRM_Info_Y=10\n");
        WindowSet set;
        set.restorePlaces();
        QVERIFY(shown(set.main()));
        const QRect screen = screenArea(set.main());
        QVERIFY(screen.contains(set.main()->frameGeometry()));
        QCOMPARE(set.main()->width(), 1000);
        for (const QString& name : {QStringLiteral("TFRM_Raquette"), QStringLiteral("TFRM_Info")}) {
            QWidget* w = set.window(name);
            QVERIFY(shown(w));
            QVERIFY2(screen.contains(w->frameGeometry()), qPrintable(name));
        }
        // Its place was damaged: it opened beside the main window.
        QVERIFY(!set.window(QStringLiteral("TFRM_Info"))->frameGeometry().intersects(set.main()->frameGeometry()));
    }

    // The result window goes out of the way while an operation runs and
    // comes back after it; one the user minimised stays minimised when a
    // dialog closes.
    void resultWindowMinimisedByTheUserStaysMinimised()
    {
        WindowSet set;
        set.restorePlaces();
        QVERIFY(shown(set.main()));
        TFRM_Alv_Child* child = set.resultWindow();
        QVERIFY(shown(child));
        auto* ok = set.preferences()->findChild<QPushButton*>(QStringLiteral("BTN_OK"));
        QVERIFY(ok);

        child->minimiseForOperation();
        QVERIFY(child->isMinimized());
        set.preferences()->show();
        ok->click();
        QVERIFY(!child->isMinimized());

        child->showMinimized(); // the user's choice
        set.preferences()->show();
        ok->click();
        QVERIFY(child->isMinimized());
        child->minimiseForOperation();
        child->restoreAfterOperation();
        QVERIFY(child->isMinimized());
    }
};

} // namespace velumbra::test

// A screen of 1600 x 1000, as a user's, instead of the offscreen default.
int main(int argc, char** argv)
{
    QTemporaryDir config;
    if (qgetenv("QT_QPA_PLATFORM").startsWith("offscreen")) {
        QFile file(config.filePath(QStringLiteral("screen.json")));
        if (file.open(QIODevice::WriteOnly))
            file.write(R"({"screens": [{"name": "user", "x": 0, "y": 0, "width": 1600, "height": 1000,
                           "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
        file.close();
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + file.fileName().toLocal8Bit());
    }
    QApplication app(argc, argv);
    velumbra::test::TestWindowPlaces test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_window_places.moc"

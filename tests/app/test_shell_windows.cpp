#include "acquisition/ui/TFRM_Pilote.h"
#include "core/Version.h"
#include "acquisition/ui/TFRM_VideoFormat.h"
#include "acquisition/ui/TFRM_VideoSource.h"
#include "acquisition/ui/VideoSourceUi.h"
#include "app/QtTranslations.h"
#include "app/HelpTopics.h"
#include "app/ui/ContextHelp.h"
#include "app/ui/HelpWindow.h"
#include "settings/Language.h"
#include "app/ui/HintTimings.h"
#include "app/ui/TFRM_Alv.h"
#include "app/ui/TFRM_Ressources.h"
#include "app/ui/WindowPlacer.h"
#include "app/ui/WindowSet.h"
#include "results/ui/TFRM_Alv_Child.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QApplication>
#include <QPushButton>
#include <QTabWidget>
#include <QToolTip>
#include <QtTest>

using namespace velumbra;

namespace {

void enter(QWidget* w)
{
    QEnterEvent event(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(w, &event);
}

QWidget* areaOf(const WindowSet& set, const QString& window, const QString& area)
{
    QWidget* w = set.window(window);
    if (!w || area.isEmpty()) return w;
    return w->findChild<QWidget*>(area);
}

bool activate(QWidget* w)
{
    w->show();
    w->activateWindow();
    QApplication::setActiveWindow(w);
    return QTest::qWaitForWindowActive(w);
}

} // namespace

class TestShellWindows : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setApplicationName(programTitle()); }

    // F1 in every window opens the page of the area the mouse entered last,
    // or of the window itself.
    void f1OpensTheTopicOfEachWindowAndArea_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("area");
        QTest::addColumn<int>("topic");
        QTest::newRow("zones") << "TFRM_Alv" << "GRB_Zones" << 11;
        QTest::newRow("dark tab") << "TFRM_Alv" << "TBS_Dark" << 8;
        QTest::newRow("integration") << "TFRM_Alv" << "PNL_Integration" << 7;
        QTest::newRow("flat tab") << "TFRM_Alv" << "TBS_Flat" << 19;
        QTest::newRow("sampling page: the window's") << "TFRM_Alv" << "TBS_Echantillonnage" << 16;
        QTest::newRow("measures page") << "TFRM_Alv" << "TBS_Mesures" << 17;
        QTest::newRow("result window") << "TFRM_Alv_Child" << "" << 20;
        QTest::newRow("result image") << "TFRM_Alv_Child" << "Image3" << 20;
        QTest::newRow("preferences page") << "TFRM_Pref" << "TBS_Debug" << 16;
        QTest::newRow("play control") << "TFRM_PlayControl" << "" << 33;
        QTest::newRow("equalizer") << "TFRM_Equal" << "" << 6;
        QTest::newRow("hand paddle") << "TFRM_Raquette" << "" << 36;
        QTest::newRow("polar alignment") << "TFRM_Main" << "" << 5;
    }
    void f1OpensTheTopicOfEachWindowAndArea()
    {
        QFETCH(QString, window);
        QFETCH(QString, area);
        QFETCH(int, topic);
        WindowSet set;
        set.main()->show();
        QVERIFY(QTest::qWaitForWindowExposed(set.main()));
        QWidget* target = areaOf(set, window, area);
        QVERIFY2(target, qPrintable(window + QLatin1Char('/') + area));
        enter(set.main()->GRB_Camera); // an area of another topic entered before
        enter(target);
        QTest::keyClick(target, Qt::Key_F1);
        HelpWindow* help = set.main()->helpWindow();
        QVERIFY(help->isVisible());
        const QString page = QStringLiteral("topic-%1.html").arg(topic, 2, 10, QLatin1Char('0'));
        QVERIFY2(help->currentFile().endsWith(page), qPrintable(help->currentFile()));
    }

    // Every window of the program has a page of its own, in French and in
    // English; F1 opens it in the language chosen in the preferences.
    void everyWindowHasItsPageInTheChosenLanguage()
    {
        WindowSet set;
        const QString dir = QStringLiteral(VELUMBRA_SOURCE_DIR "/docs/help/");
        for (const QString& name : set.creationOrder()) {
            QWidget* w = set.window(name);
            QVERIFY2(w, qPrintable(name));
            const int topic = ContextHelp::topicOf(w);
            QVERIFY2(topic > 0, qPrintable(name));
            QVERIFY2(QFile::exists(dir + helpFileForTopic(topic, true)), qPrintable(name));
        }
        HelpWindow* help = set.main()->helpWindow();
        QWidget* paddle = set.window(QStringLiteral("TFRM_Raquette"));
        QTest::keyClick(paddle, Qt::Key_F1);
        QVERIFY2(help->currentFile().endsWith(QStringLiteral("/topic-36.html")), qPrintable(help->currentFile()));
        SystemClock clock;
        const LanguageFile file(QStringLiteral(VELUMBRA_SOURCE_DIR "/resources/Language.ini"), clock, *set.main());
        set.main()->languageTexts().choose(file, QStringLiteral("English"));
        QTest::keyClick(paddle, Qt::Key_F1);
        QVERIFY2(help->currentFile().endsWith(QStringLiteral("/topic-36-en.html")), qPrintable(help->currentFile()));
        QCOMPARE(help->windowTitle(), QStringLiteral("Velumbra help"));
        set.main()->languageTexts().choose(file, QStringLiteral("Français"));
        QTest::keyClick(paddle, Qt::Key_F1);
        QVERIFY2(help->currentFile().endsWith(QStringLiteral("/topic-36.html")), qPrintable(help->currentFile()));
    }

    // Leaving an inner area goes back to the enclosing one's topic.
    void leavingAnAreaReturnsToTheEnclosingTopic()
    {
        WindowSet set;
        TFRM_Alv* w = set.main();
        auto* dark = w->findChild<QWidget*>(QStringLiteral("TBS_Dark"));
        auto* tabs = qobject_cast<QTabWidget*>(dark->parentWidget()->parentWidget());
        QVERIFY(tabs);
        enter(dark);
        QCOMPARE(w->currentHelpTopic(), 8);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(tabs, &leave); // out of the page control, still in the integration panel
        QCOMPARE(w->currentHelpTopic(), 7);
    }

    // The video dialogs are made for each use: F1 works in them too.
    void f1WorksInTheVideoDialogs()
    {
        WindowSet set;
        TFRM_VideoFormat format;
        TFRM_Pilote chooser;
        TFRM_VideoSource source({}, [](uint32_t, double) {});
        for (QWidget* dialog : {static_cast<QWidget*>(&format), static_cast<QWidget*>(&chooser),
                                static_cast<QWidget*>(&source)}) {
            set.main()->helpWindow()->hide();
            QTest::keyClick(dialog, Qt::Key_F1);
            QVERIFY2(set.main()->helpWindow()->currentFile().endsWith(QStringLiteral("topic-12.html")),
                     qPrintable(dialog->objectName()));
        }
    }

    // Hints stay five seconds, not Qt's ten.
    void hintsStayFiveSeconds()
    {
        HintTimings::install(*qApp);
        WindowSet set;
        TFRM_Alv* w = set.main();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QWidget* measures = w->findChild<QWidget*>(QStringLiteral("TBS_Mesures"));
        // The gesture named is the one that measures: Alt with a click.
        QVERIFY(measures->toolTip().startsWith(QStringLiteral("Alt-Click")));
        QWidget* box = w->CKB_Suivi;
        box->setToolTip(QStringLiteral("Active le suivi"));
        QHelpEvent hint(QEvent::ToolTip, QPoint(2, 2), box->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(box, &hint);
        QVERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QStringLiteral("Active le suivi"));
        QTest::qWait(4000);
        QVERIFY(QToolTip::isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!QToolTip::isVisible(), 2500);
    }

    // Qt's own dialogs speak French: the translations are installed by the
    // setup script, so their absence is a failure.
    void qtDialogsSpeakFrench()
    {
        QVERIFY2(loadQtTranslations(*qApp),
                 "Qt's French translations (Debian package qt6-translations-l10n) are missing: run scripts/setup-deps");
        QCOMPARE(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Voir dans :"));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Annuler"));
    }

    // A tool window opens beside the main window the first time, then stays
    // where the user put it; Escape closes those the user may close.
    void toolWindowOpensBesideThenStaysWhereMoved()
    {
        QWidget mainWindow;
        mainWindow.setGeometry(0, 0, 300, 200);
        mainWindow.show();
        QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
        QWidget tool(nullptr, Qt::Window);
        tool.resize(150, 100);
        QWidget kept(nullptr, Qt::Window);
        kept.resize(150, 100);
        WindowPlacer placer(&mainWindow);
        placer.manage(&tool, WindowPlacer::Closing::ByUser);
        placer.manage(&kept, WindowPlacer::Closing::ByProgram);

        QVERIFY(activate(&tool));
        QVERIFY(!tool.frameGeometry().intersects(mainWindow.frameGeometry()));
        QVERIFY(mainWindow.screen()->availableGeometry().contains(tool.frameGeometry()));
        tool.move(40, 60); // the user puts it elsewhere
        tool.hide();
        tool.show();
        QCOMPARE(tool.pos(), QPoint(40, 60));
        QVERIFY(activate(&tool));
        QTest::keyClick(&tool, Qt::Key_Escape);
        QVERIFY(!tool.isVisible());

        QVERIFY(activate(&kept));
        QVERIFY(!kept.frameGeometry().intersects(mainWindow.frameGeometry()));
        QTest::keyClick(&kept, Qt::Key_Escape);
        QVERIFY(kept.isVisible());
    }

    // "Ressources" has a close button, and Escape closes it; the result
    // window is not the user's to close.
    void ressourcesCloseByButtonAndEscape()
    {
        WindowSet set;
        set.main()->show();
        QVERIFY(QTest::qWaitForWindowExposed(set.main()));
        set.main()->Ressources1->trigger();
        TFRM_Ressources* resources = set.resources();
        QVERIFY(resources->isVisible());
        auto* close = resources->findChild<QPushButton*>(QStringLiteral("BTN_Fermer"));
        QVERIFY(close);
        QCOMPARE(close->text(), QStringLiteral("Fermer"));
        close->click();
        QVERIFY(!resources->isVisible());
        set.main()->Ressources1->trigger();
        QVERIFY(activate(resources));
        QTest::keyClick(resources, Qt::Key_Escape);
        QVERIFY(!resources->isVisible());

        QWidget* raquette = set.window(QStringLiteral("TFRM_Raquette"));
        QVERIFY(activate(raquette));
        QTest::keyClick(raquette, Qt::Key_Escape);
        QVERIFY(!raquette->isVisible());

        QVERIFY(activate(set.resultWindow()));
        QTest::keyClick(set.resultWindow(), Qt::Key_Escape);
        QVERIFY(set.resultWindow()->isVisible());
    }
};

QTEST_MAIN(TestShellWindows)
#include "test_shell_windows.moc"

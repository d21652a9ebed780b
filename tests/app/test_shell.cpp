#include "acquisition/ui/VideoSourceUi.h"
#include "core/Version.h"
#include "app/ui/HelpWindow.h"
#include "widgets/ImageView.h"
#include "app/ui/TFRM_Alv.h"
#include "app/ui/WindowSet.h"
#include "widgets/TNumInp.h"
#include "app/ui/ZonesGroup.h"
#include "processing/ui/GRB_Seuils.h"
#include "processing/ui/PNL_Integration.h"
#include "results/ui/TFRM_Alv_Child.h"
#include "settings/ui/TFRM_Pref.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

using namespace velumbra;

namespace {

void putStar(QImage& frame, Point at) { frame.setPixelColor(at.x, at.y, QColor(230, 230, 230)); }

struct CountingGuide : GuideCorrection {
    void guide_correct(int, int) override { ++corrections; }
    int corrections = 0;
};

} // namespace

class TestShell : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setApplicationName(programTitle()); }

    void windowsAreCreatedOnceInOrder()
    {
        WindowSet set;
        const QStringList expected = {
            "TFRM_Alv",        "TFRM_Pref",     "TFRM_Main",     "TAboutBox",       "TFRM_Alv_Child",
            "TFRM_ErrPeriod",  "TFRM_Ressources", "TFRM_FWHM",   "TFRM_PlayControl", "TFRM_Prg_Action",
            "TFRM_ImgRef",     "TFRM_Info",     "TFRM_Prg_Suivi", "TFRM_Raquette",   "TFRM_Longuepose",
            "TFRM_Equal",      "TFRM_ComTrafic", "TFRM_Seuils",   "TFRM_Integration"};
        QCOMPARE(set.creationOrder(), expected);
        for (const QString& name : expected) {
            int count = 0;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->objectName() == name) ++count;
            QCOMPARE(count, 1);
        }
    }

    void showMessageClearsOrAppends()
    {
        TFRM_Alv w;
        w.sharedPlace->setCurrentWidget(w.thresholdGroup());
        w.showMessage(false, QStringLiteral("un"));
        QCOMPARE(w.sharedPlace->currentWidget(), static_cast<QWidget*>(w.GRB_Message));
        w.showMessage(false, QStringLiteral("deux\ntrois"));
        QCOMPARE(w.MEMO_Message->toPlainText(), QStringLiteral("un\ndeux\ntrois"));
        w.showMessage(true, QStringLiteral("quatre"));
        QCOMPARE(w.MEMO_Message->toPlainText(), QStringLiteral("quatre"));
    }

    void operationsFollowTheSource()
    {
        TFRM_Alv w;
        QVERIFY(!w.MNU_Operations->isEnabled());
        QVERIFY(!w.CKB_Suivi->isEnabled());
        w.setSourceRunning(true);
        QVERIFY(w.MNU_Operations->isEnabled());
        QVERIFY(w.CKB_Suivi->isEnabled());
        QVERIFY(w.integrationPanel()->CKB_Integration->isEnabled());
        w.core().flags.targetActive = true;
        w.setSourceRunning(false);
        QVERIFY(!w.MNU_Operations->isEnabled());
        QVERIFY(!w.CKB_Info_Image->isEnabled());
        QVERIFY(!w.integrationPanel()->CKB_Integration->isEnabled());
        QVERIFY(!w.core().flags.targetActive);
    }

    // A non-4:3 camera keeps its zone aspect when the window is minimised
    // and restored; only the first showing sets 4:3.
    void displayAspectIsSetOnceAtFirstShowing()
    {
        TFRM_Alv w;
        w.core().zone.displayAspect = 2.0;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.core().zone.displayAspect, 1.33333);
        w.core().zone.displayAspect = 1.25; // a 5:4 camera started
        w.showMinimized();
        w.hide();
        w.showNormal();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.core().zone.displayAspect, 1.25);
    }

    void binningIsARadioPair()
    {
        TFRM_Alv w;
        QVERIFY(w.MNU_Binning_1x1->isChecked());
        w.MNU_Binning_2x2->trigger();
        QVERIFY(w.MNU_Binning_2x2->isChecked());
        QVERIFY(!w.MNU_Binning_1x1->isChecked());
        QVERIFY(w.core().controls.MNU_Binning_2x2);
        // Result image half the zone with 2x2.
        QCOMPARE(w.core().buffers.resultWidth, 160);
        QCOMPARE(w.core().buffers.resultHeight, 120);
        w.MNU_Binning_1x1->trigger();
        QCOMPARE(w.core().buffers.resultWidth, 320);
    }

    // The side panel shows the tool whose heading was clicked, and keeps it
    // while the mouse passes over the other tools; the heading shown stands out.
    void theToolPanelShownIsTheOneWhoseHeadingWasClicked()
    {
        TFRM_Alv w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto* motion = w.findChild<QLabel*>(QStringLiteral("LBL_CKB_Detection_Mvt"));
        auto* tracking = w.findChild<QLabel*>(QStringLiteral("LBL_CKB_Suivi"));
        QCOMPARE(w.toolPanels->currentWidget()->objectName(), QStringLiteral("PNL_Suivi"));
        QTest::mouseClick(motion, Qt::LeftButton);
        QCOMPARE(w.toolPanels->currentWidget()->objectName(), QStringLiteral("PNL_Detection_Mvt"));
        QVERIFY(motion->font().bold());
        QVERIFY(motion->autoFillBackground());
        QVERIFY(!tracking->font().bold());
        QVERIFY(!tracking->autoFillBackground());
        // Passing over the other tools changes nothing.
        for (QWidget* over : {static_cast<QWidget*>(w.CKB_Info_Image), static_cast<QWidget*>(tracking)}) {
            QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
            QApplication::sendEvent(over, &enter);
            QTest::mouseMove(over);
        }
        QCOMPARE(w.toolPanels->currentWidget()->objectName(), QStringLiteral("PNL_Detection_Mvt"));
        // Switching a tool on shows its panel; the source stopping keeps it shown.
        w.setSourceRunning(true);
        QTest::mouseClick(w.CKB_Reticule, Qt::LeftButton);
        QVERIFY(w.CKB_Reticule->isChecked());
        QCOMPARE(w.toolPanels->currentWidget()->objectName(), QStringLiteral("PNL_Reticule"));
        w.setSourceRunning(false);
        QCOMPARE(w.toolPanels->currentWidget()->objectName(), QStringLiteral("PNL_Reticule"));
        QVERIFY(w.findChild<QLabel*>(QStringLiteral("LBL_CKB_Reticule"))->font().bold());
    }

    void gesturesOnTheLiveImageMoveTheZones()
    {
        TFRM_Alv w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto& core = w.core();
        core.buffers.frameSlots[0].fill(Qt::black);
        w.showNewFrame(640, 480);
        core.zone.starPos = {100, 100};
        // Not running: ignored.
        w.Image1MouseUp(QPoint(300, 200), Qt::LeftButton, Qt::NoModifier);
        QCOMPARE(core.zone.starPos, (Point{100, 100}));
        w.setSourceRunning(true);
        w.Image1MouseUp(QPoint(300, 200), Qt::LeftButton, Qt::NoModifier);
        QCOMPARE(core.zone.starPos, (Point{300, 200}));
        QCOMPARE(core.zone.zoneOffset, (Point{-200, -100}));
        w.Image1MouseUp(QPoint(400, 250), Qt::RightButton, Qt::NoModifier);
        QCOMPARE(core.zone.zoneOffset, (Point{100, 50}));
        w.CKB_Reticule->setChecked(true);
        w.Image1MouseUp(QPoint(10, 20), Qt::LeftButton, Qt::ControlModifier);
        QCOMPARE(w.reticleCentre, (Point{10, 20}));
        QCOMPARE(core.zone.starPos, (Point{300, 200}));
        // A right click while a dark is integrated changes nothing.
        core.controls.integration = {true, false, false, true, false};
        w.Image1MouseUp(QPoint(50, 50), Qt::RightButton, Qt::NoModifier);
        QCOMPARE(core.zone.zoneOffset, (Point{100, 50}));
        // Measurement on the measures page.
        w.Image1MouseUp(QPoint(0, 0), Qt::LeftButton, Qt::AltModifier);
        w.Image1MouseUp(QPoint(3, 4), Qt::LeftButton, Qt::AltModifier);
        QCOMPARE(w.EDT_Angle_Calcule->text(), QStringLiteral("  0°  0' 5.00\""));
    }

    // The star search after a left click on the live image looks around the
    // clicked point, whatever the keys (the image centre of Shift or the
    // telescope move of Shift+Ctrl do not move the search).
    void liveImageStarSearchRunsAtTheClick_data()
    {
        QTest::addColumn<int>("keys");
        QTest::addColumn<int>("starX"); // starPos after the click
        QTest::addColumn<int>("starY");
        QTest::newRow("left") << int(Qt::NoModifier) << 505 << 104;
        QTest::newRow("shift") << int(Qt::ShiftModifier) << 505 << 104;
        QTest::newRow("shift+ctrl") << int(Qt::ShiftModifier | Qt::ControlModifier) << 505 << 104;
        QTest::newRow("ctrl: reticle only") << int(Qt::ControlModifier) << 100 << 100;
        QTest::newRow("alt: measure only") << int(Qt::AltModifier) << 100 << 100;
    }
    void liveImageStarSearchRunsAtTheClick()
    {
        QFETCH(int, keys);
        QFETCH(int, starX);
        QFETCH(int, starY);
        TFRM_Alv w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto& core = w.core();
        core.buffers.frameSlots[0].fill(Qt::black);
        putStar(core.buffers.frameSlots[0], {505, 104});
        w.showNewFrame(640, 480);
        w.setSourceRunning(true);
        w.CKB_Suivi->click();
        QVERIFY(core.controls.CKB_Suivi);
        core.zone.starPos = {100, 100};
        w.Image1MouseUp(QPoint(500, 100), Qt::LeftButton, Qt::KeyboardModifiers(keys));
        QCoreApplication::processEvents();
        QCOMPARE(core.zone.starPos, (Point{starX, starY}));
    }

    // A left click on the result image designates the star: one tracking
    // pass (under autoguiding, one correction), and the clicked point, not
    // the star found near it, is the drift reference.
    void resultImageClickTracksOnceFromTheClickedPoint()
    {
        WindowSet set;
        TFRM_Alv* w = set.main();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        ImageCore& core = w->core();
        core.buffers.frameSlots[0].fill(Qt::black);
        w->showNewFrame(640, 480);
        w->setSourceRunning(true);
        w->CKB_Suivi->click();
        QVERIFY(core.controls.CKB_Suivi);
        ImageView* image3 = set.resultWindow()->image3();
        const QSize shown = image3->shownSize();
        QVERIFY(!shown.isEmpty());

        core.zone.starPos = {320, 240};
        core.zone.zoneOffset = {0, 0};
        const QPoint at(shown.width() / 2 + 30, shown.height() / 2 - 20);
        const Point clicked{core.zone.starPos.x + 30 + core.zone.zoneOffset.x,
                            core.zone.starPos.y - 20 + core.zone.zoneOffset.y};
        const Point star{clicked.x + 4, clicked.y - 3};
        putStar(core.buffers.frameSlots[0], star);
        emit image3->mouseReleased(at, Qt::LeftButton, Qt::NoModifier);
        QTest::qWait(20); // anything queued behind the click runs too
        QCOMPARE(core.zone.starPos, star);
        QCOMPARE(core.tracking.driftReference, clicked);

        CountingGuide guide;
        w->stages().tracker().setGuideCorrection(&guide);
        core.controls.CKB_Autoguidage = true;
        emit image3->mouseReleased(at, Qt::LeftButton, Qt::NoModifier);
        QTest::qWait(20);
        QCOMPARE(guide.corrections, 1);
        w->stages().tracker().setGuideCorrection(nullptr);
    }

    void debugLogIsWrittenInTheCurrentDirectory()
    {
        QTemporaryDir dir;
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        {
            WindowSet set;
            set.preferences()->CKB_Debug->setChecked(true);
            set.main()->debugLog().write(QStringLiteral("biWidth"), QStringLiteral("640"));
            set.main()->debugLog().restart(); // emptied again
            set.main()->debugLog().write(QStringLiteral("biHeight"), QStringLiteral("480"));
            QVERIFY(set.main()->core().controls.tracking.CKB_Debug);
            set.preferences()->CKB_Debug->setChecked(false);
        }
        QDir::setCurrent(previous);
        QFile log(dir.filePath(QStringLiteral("Debug.log")));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(log.readAll()), QStringLiteral("biHeight = 480\n"));
    }

    void f1OpensTheTopicOfTheAreaUnderTheMouse()
    {
        TFRM_Alv w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QApplication::sendEvent(w.GRB_Zones, &enter);
        QCOMPARE(w.currentHelpTopic(), 11);
        QTest::keyClick(&w, Qt::Key_F1);
        QVERIFY(w.helpWindow()->isVisible());
        QVERIFY(w.helpWindow()->currentFile().endsWith(QStringLiteral("topic-11.html")));
        // The pages share one style sheet: the title takes its colour.
        auto* browser = w.helpWindow()->findChild<QTextBrowser*>(QStringLiteral("TXB_Aide"));
        QVERIFY(browser->toHtml().contains(QStringLiteral("#6b1d1d")));
        w.Aide1->trigger();
        QVERIFY(w.helpWindow()->currentFile().endsWith(QStringLiteral("index.html")));
    }

    // The simulator started from another directory: operations open, the
    // result window shows, Debug.log is written there; the stop closes them.
    void simulatorStartAndStopFromAnotherDirectory()
    {
        QTemporaryDir dir;
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        {
            WindowSet set;
            TFRM_Alv* w = set.main();
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w));
            set.preferences()->CKB_Debug->setChecked(true);
            VideoSourceUi& video = w->videoSource();
            video.chooserOverride = [](const QStringList& entries) -> std::optional<int> {
                return int(entries.size()) - 1; // the sky simulator comes last
            };
            video.source().BTN_StartClick();
            QVERIFY(video.source().running());
            QVERIFY(w->MNU_Operations->isEnabled());
            QVERIFY(w->CKB_Suivi->isEnabled());
            QVERIFY(set.resultWindow()->isVisible());
            QTRY_VERIFY(video.source().frameCounter() > 2);
            // The zone sliders follow the start: the display zone takes the
            // frame width (640, the size kept from the last stop).
            QCOMPARE(w->GRB_Zones->SCB_Taille_ZAffich->maximum(), 640);
            QCOMPARE(w->GRB_Zones->SCB_Taille_ZAffich->value(), 640);
            QCOMPARE(w->GRB_Zones->TNI_Taille_ZAffich->text(), QStringLiteral("640"));
            QCOMPARE(w->core().buffers.resultWidth, 640);
            QCOMPARE(w->core().buffers.resultHeight, 480);
            video.source().BTN_StopClick();
            QVERIFY(!w->MNU_Operations->isEnabled());
            QVERIFY(!w->CKB_Suivi->isEnabled());
            QVERIFY(!w->core().flags.targetActive);
            set.preferences()->CKB_Debug->setChecked(false);
        }
        QDir::setCurrent(previous);
        QFile log(dir.filePath(QStringLiteral("Debug.log")));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(log.readAll());
        QVERIFY2(text.contains(QStringLiteral(" = ")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("640")));
    }

    // Alt-clicks on the result image measure in the main window's fields;
    // the result window's clicks work while a source runs.
    void resultImageClicksReachTheShell()
    {
        WindowSet set;
        TFRM_Alv* w = set.main();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        w->TNI_Echantillonnage->setValue(2);
        ImageView* image3 = set.resultWindow()->image3();
        emit image3->mouseReleased(QPoint(10, 10), Qt::LeftButton, Qt::AltModifier);
        QVERIFY(w->EDT_Angle_Calcule->text().isEmpty()); // no source: ignored
        w->setSourceRunning(true);
        emit image3->mouseReleased(QPoint(10, 10), Qt::LeftButton, Qt::AltModifier);
        emit image3->mouseReleased(QPoint(40, 50), Qt::LeftButton, Qt::AltModifier);
        // 50 pixels at 2"/pixel
        QCOMPARE(w->EDT_Angle_Calcule->text(), QStringLiteral("  0°  1' 40.00\""));
        // A distance typed in and left: the size of those 100" at once.
        w->TNI_DistObjet->setText(QStringLiteral("1000"));
        QFocusEvent left(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(w->TNI_DistObjet, &left);
        QCOMPARE(w->EDT_Distance_Calculee->text(), QStringLiteral("0.485"));
        QCOMPARE(w->EDT_Angle_Calcule->text(), QStringLiteral("  0°  1' 40.00\""));
    }

    void closingWhileStreamingEndsCleanly()
    {
        WindowSet set;
        TFRM_Alv* w = set.main();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        VideoSourceUi& video = w->videoSource();
        video.chooserOverride = [](const QStringList& entries) -> std::optional<int> {
            return int(entries.size()) - 1;
        };
        video.source().BTN_StartClick();
        QVERIFY(video.source().running());
        QTimer::singleShot(300, w, [w] { w->close(); });
        video.source().BTN_TurboClick(); // stream mode runs until the window closes
        QTRY_VERIFY(!w->isVisible());
        QVERIFY(!video.source().running());
    }

    void closingTheMainWindowEndsCleanly()
    {
        WindowSet set;
        set.main()->show();
        QVERIFY(QTest::qWaitForWindowExposed(set.main()));
        bool closing = false;
        QStringList asked;
        set.main()->confirmClose = [&](const QString& q) { return asked << q, false; };
        connect(set.main(), &TFRM_Alv::formClosing, this, [&] { closing = true; });
        QVERIFY(set.main()->close());
        QVERIFY(closing);
        QVERIFY(!set.main()->isVisible());
        QVERIFY2(asked.isEmpty(), "nothing runs: no question");
    }

    // File > Close while a stack sums and the mount guides: the user is
    // asked, with what runs named; "No" keeps everything as it was.
    void closingWhileWorkRunsAsksFirst()
    {
        WindowSet set;
        TFRM_Alv* w = set.main();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        w->setSourceRunning(true);
        PNL_Integration* stack = w->integrationPanel();
        stack->CKB_Integration->setChecked(true);
        stack->BTN_Demarrer_Add->click();
        QVERIFY(stack->BTN_Arreter_Add->isEnabled());
        w->core().controls.CKB_Autoguidage = true;
        QStringList asked;
        bool answer = false;
        w->confirmClose = [&](const QString& q) { return asked << q, answer; };
        bool closing = false;
        connect(w, &TFRM_Alv::formClosing, this, [&] { closing = true; });

        w->MNU_Fermer->trigger();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0], QStringLiteral("En cours : une intégration, l'autoguidage. Fermer Velumbra quand même ? "
                                          "Ce qui n'est pas encore enregistré sera perdu."));
        QVERIFY(w->isVisible());
        QVERIFY(!closing);
        QVERIFY(stack->BTN_Arreter_Add->isEnabled()); // the stack goes on

        answer = true;
        w->MNU_Fermer->trigger();
        QCOMPARE(asked.size(), 2);
        QVERIFY(closing);
        QVERIFY(!w->isVisible());
    }

    // The first start in a folder (no Velumbra.ini there) says what to do
    // first; the next start, with the file written at close, does not.
    void firstStartSaysWhatToDoFirst()
    {
        QTemporaryDir dir;
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        for (const bool first : {true, false}) {
            WindowSet set;
            set.main()->show();
            QVERIFY(QTest::qWaitForWindowExposed(set.main()));
            const QString shown = set.main()->MEMO_Message->toPlainText();
            QCOMPARE(shown.contains(QStringLiteral("« Demarrer »")), first);
            if (first) QVERIFY(shown.contains(QStringLiteral("simulateur")));
            set.main()->close();
        }
        QDir::setCurrent(previous);
    }

    // A long message wraps at the panel's width: no horizontal scroll bar
    // comes over the line.
    void longMessagesWrapInThePanel()
    {
        TFRM_Alv w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.showMessage(true, QStringLiteral("Image enregistrée : /home/observateur/images/2026-12-08/jupiter/jup0001.bmp "
                                           "et encore quelques mots pour dépasser la largeur du panneau"));
        QApplication::processEvents();
        QVERIFY(!w.MEMO_Message->horizontalScrollBar()->isVisible());
        QCOMPARE(w.MEMO_Message->horizontalScrollBar()->maximum(), 0);
    }
};

QTEST_MAIN(TestShell)
#include "test_shell.moc"

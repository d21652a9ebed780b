// The operations group, the polar-alignment window and the pixel-size
// measurement of the preferences, wired together by the main window.
#include "aids/ui/GRB_Operations.h"
#include "aids/ui/PNL_Declinaison.h"
#include "aids/ui/TFRM_ErrPeriod.h"
#include "aids/ui/TFRM_Main.h"
#include "processing/ui/PNL_Reticule.h"
#include "processing/ui/TrackingPanel.h"
#include "acquisition/ui/GRB_Camera.h"
#include "acquisition/ui/VideoSourceUi.h"
#include "app/ui/ShellSettings.h"
#include "app/ui/TFRM_Alv.h"
#include "app/ui/WindowSet.h"
#include "settings/ui/TFRM_Pref.h"
#include "simulator/MountModel.h"
#include "simulator/SkySimulator.h"
#include "widgets/TNumInp.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QImage>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <functional>
#include <numbers>

namespace velumbra::test {

class TestOperationsWindow : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    QString previous_;
    std::unique_ptr<WindowSet> set_;
    TFRM_Alv* main_ = nullptr;
    TFRM_Main* polar_ = nullptr;
    GRB_Operations* ops_ = nullptr;

    QStringList messageLines() const { return main_->MEMO_Message->toPlainText().split(QLatin1Char('\n')); }

private slots:
    void init()
    {
        previous_ = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir_.path()));
        set_ = std::make_unique<WindowSet>();
        main_ = set_->main();
        main_->show();
        polar_ = qobject_cast<TFRM_Main*>(set_->window(QStringLiteral("TFRM_Main")));
        QVERIFY(polar_);
        ops_ = main_->operations();
        main_->core().buffers.create();
        main_->core().buffers.setFrameSize(640, 480);
        main_->MNU_Operations->setEnabled(true);
    }
    void cleanup()
    {
        set_.reset();
        QDir::setCurrent(previous_);
    }

    void menuOpensTheWindowAndBigourdanRuns()
    {
        main_->MNU_Erreur_MES->trigger();
        QVERIFY(polar_->isVisible());
        QVERIFY(!main_->MNU_Operations->isEnabled());
        QCOMPARE(polar_->PGC_Bigourdan->currentWidget()->objectName(), QStringLiteral("TBS_Parametres"));

        QTest::mouseClick(polar_->BTN_Demar_MES, Qt::LeftButton);
        QCOMPARE(ops_->LBL_Action->text(), QStringLiteral("M.en station"));
        QVERIFY(ops_->BTN_Executer->isEnabled());
        QVERIFY(main_->CKB_Suivi->isChecked());
        QCOMPARE(messageLines(), QStringList({QStringLiteral("1-Demarrer le suivi du telescope"),
                                              QStringLiteral("2-Cliquer sur une etoile"),
                                              QStringLiteral("3-Cliquer sur le bouton \"Executer\""),
                                              QStringLiteral("4-Attendre le message de fin d'execution"),
                                              QStringLiteral("  ou cliquer sur \"Arrêter\"")}));

        main_->core().zone.starPos = {300, 200};
        QTest::mouseClick(ops_->BTN_Executer, Qt::LeftButton);
        QCOMPARE(ops_->sequencer().state(), 2);
        QVERIFY(main_->CKB_Reticule->isChecked());
        QVERIFY(ops_->BTN_Abort->isEnabled());
        QCOMPARE(polar_->PGC_Bigourdan->currentWidget()->objectName(), QStringLiteral("TBS_Correct"));

        // A drift toward +y with the camera unturned: turn the axis West.
        main_->stages().measurementStep({300, 210}, true);
        QCOMPARE(polar_->EDT_Correct->text(), QStringLiteral("Ouest"));
        QVERIFY(polar_->BTN_Premiere_Correction->isEnabled());
        // The star reaches the border: armed again.
        main_->stages().measurementStep({300, 212}, false);
        QCOMPARE(ops_->sequencer().state(), 1);
        QVERIFY(main_->MEMO_Message->toPlainText().contains(QStringLiteral("Execution terminée")));

        // Closing ends the operation and gives the menu back.
        polar_->close();
        QCOMPARE(ops_->sequencer().state(), 0);
        QVERIFY(main_->MNU_Operations->isEnabled());
        QVERIFY(!ops_->BTN_Executer->isEnabled());
    }

    // Every operation started from its window, with "Suivi" off before:
    // on the simulated sky, with the mount not tracking, the frame routine
    // follows the star from "Executer" on, so the measurement sees it move.
    void everyOperationFollowsTheStar_data()
    {
        QTest::addColumn<int>("operation");
        QTest::newRow("Bigourdan") << 0;
        QTest::newRow("King") << 1;
        QTest::newRow("periodic error") << 2;
        QTest::newRow("orientation") << 3;
        QTest::newRow("declination") << 4;
        QTest::newRow("drift definition") << 5;
    }
    void everyOperationFollowsTheStar()
    {
        QFETCH(int, operation);
        const std::function<void()> starts[] = {
            [this] { polar_->BTN_Demar_MES->click(); },
            [this] { polar_->BTN_Demarre_King->click(); },
            [this] {
                main_->MNU_Erreur_Periodique->trigger();
                qobject_cast<TFRM_ErrPeriod*>(set_->window(QStringLiteral("TFRM_ErrPeriod")))->BTN_Demar_EP->click();
            },
            [this] { main_->MNU_TailleOrientCapt->trigger(); },
            [this] { main_->declinationPage()->BTN_Def_Declinaison->click(); },
            [this] { main_->trackingPanel()->BTN_SetDerive->click(); },
        };
        ImageCore& core = main_->core();
        QVERIFY(!main_->CKB_Suivi->isChecked());
        QVERIFY(!core.controls.CKB_Suivi);

        // The sky drifts at the sidereal rate along 30 degrees of the image.
        ManualClock clock{QDateTime(QDate(2026, 10, 3), QTime(22, 0))};
        SkySimulator sky{clock};
        SkyParameters p = sky.parameters();
        p.orientation = 30;
        p.hotPixels = 0; // the star is the brightest thing near the click
        // Stars six pixels wide: the edge method ("Detect.Bords") needs a few
        // rows above half the peak to find an edge.
        p.seeing = 6 * p.scale;
        sky.setParameters(p);
        sky.mount().pointAt({sky.mount().siderealTime(), 10.0});
        sky.mount().setTracking(false);
        // About 2 pixels a frame, whatever the image scale.
        const double pixelsPerSecond = 15.041 * std::cos(10.0 * std::numbers::pi / 180) / p.scale;
        const int frameMs = int(2000 / pixelsPerSecond);
        core.controls.TNI_Taille_ZDetect = 40;
        QImage& frame = core.buffers.frameSlots[0];
        auto show = [&] {
            sky.render(frame, 640, 480);
            core.pipeline.ProcessFrame(true);
        };

        starts[operation]();
        QVERIFY(ops_->BTN_Executer->isEnabled());
        // A click on a star well inside the frame, on the side it drifts from.
        sky.render(frame, 640, 480);
        const int star = sky.brightestStarInView(640, 480, 120, 200);
        QVERIFY(star >= 0);
        const QPointF from = sky.starPosition(star, 640, 480);
        core.zone.starPos = {int(std::lround(from.x())), int(std::lround(from.y()))};
        core.flags.targetActive = true;
        show();
        const Point start = core.zone.starPos;
        QTest::mouseClick(ops_->BTN_Executer, Qt::LeftButton);
        QVERIFY(ops_->sequencer().measuring());
        QTest::qWait(5); // the window's own clock: some time for the speed of the star
        for (int i = 0; i < 15; ++i) {
            clock.advanceMs(frameMs);
            show();
        }
        const QPointF to = sky.starPosition(star, 640, 480);
        const Point at = core.zone.starPos;
        QVERIFY2(std::hypot(at.x - start.x, at.y - start.y) > 20, "the star position does not move");
        QVERIFY(std::hypot(at.x - to.x(), at.y - to.y()) < 4);
        QVERIFY(ops_->sequencer().measuring());
        if (operation == 3) {
            // The direction the star took: the camera's orientation.
            const double drift = std::atan2(to.y() - from.y(), to.x() - from.x()) * 180 / std::numbers::pi;
            QVERIFY(std::abs(main_->reticlePanel()->orientation() - drift) < 4);
            QVERIFY(std::abs(drift - 30) < 4);
        }
    }

    void rectificationComputesAndAppliesTheNewRadius()
    {
        PrefsValues& prefs = main_->settings().prefs();
        prefs.mount.TNI_Rayon_Az = 80;
        QVERIFY(!polar_->BTN_Premiere_Correction->isEnabled()); // nothing measured yet
        // A drift straight toward +y, then the values of a longer run typed in.
        polar_->BTN_Demar_MESClick();
        QTest::mouseClick(ops_->BTN_Executer, Qt::LeftButton);
        main_->stages().measurementStep({main_->core().zone.starPos.x, main_->core().zone.starPos.y + 5}, false);
        polar_->TNI_Long_Trainee_Y->setValue(40);
        polar_->TNI_Duree_Pose->setValue(60);
        polar_->TNI_Decl_Etoile->setValue(10);
        QTest::mouseClick(polar_->BTN_Calculer, Qt::LeftButton);
        QVERIFY(!polar_->EDT_Deplacement->text().isEmpty());
        QTest::mouseClick(polar_->BTN_Premiere_Correction, Qt::LeftButton);
        const double first = double(polar_->TNI_Premiere_Correction->Value());
        QCOMPARE(first, polar_->EDT_Deplacement->text().toDouble());
        QVERIFY(first > 0);
        polar_->TNI_Correction_Effective->setValue(2 * first);
        QTest::mouseClick(polar_->BTN_Calculer, Qt::LeftButton);
        QCOMPARE(double(polar_->TNI_Nouveau_Rayon->Value()), 160.0);
        polar_->PGC_Bigourdan->setCurrentIndex(2);
        QTest::mouseClick(polar_->RDB_Correct_Altitude, Qt::LeftButton);
        QCOMPARE(polar_->LBL_NouveauRayon->text(),
                 QStringLiteral("Nouveau rayon du dispositif de reglage en altitude (mm):"));
        polar_->TNI_Nouveau_Rayon->setValue(120);
        QTest::mouseClick(polar_->BTN_Applique_Modif, Qt::LeftButton);
        QCOMPARE(prefs.mount.TNI_Rayon_Alt, 120.0);
        QCOMPARE(prefs.mount.TNI_Rayon_Az, 80.0);
        QCOMPARE(double(set_->preferences()->TNI_Rayon_Alt->Value()), 120.0);
    }

    void kingPauseCaptionAndAbort()
    {
        QTest::mouseClick(polar_->BTN_Demarre_King, Qt::LeftButton);
        QVERIFY(!polar_->BTN_Pause->isEnabled());
        QTest::mouseClick(ops_->BTN_Executer, Qt::LeftButton);
        QCOMPARE(ops_->sequencer().state(), 4);
        QVERIFY(polar_->BTN_Pause->isEnabled());
        QTest::mouseClick(polar_->BTN_Pause, Qt::LeftButton);
        QCOMPARE(polar_->BTN_Pause->text(), QStringLiteral("Reactiver"));
        QTest::mouseClick(ops_->BTN_Abort, Qt::LeftButton);
        QCOMPARE(ops_->sequencer().state(), 3);
        QVERIFY(!polar_->king().paused());
        QVERIFY(!polar_->BTN_Pause->isEnabled());
        QCOMPARE(polar_->BTN_Pause->text(), QStringLiteral("Pause pour corriger l'orientation de la monture"));
        QTest::mouseClick(ops_->BTN_Abort, Qt::LeftButton);
        QCOMPARE(ops_->sequencer().state(), 0);
        QCOMPARE(ops_->LBL_Action->text(), QStringLiteral("Aucune"));
    }

    void orientationFromTheMenuReachesTheReticleAndTheAlignment()
    {
        main_->trackingPanel()->RDB_Derive->click();
        main_->MNU_TailleOrientCapt->trigger();
        QCOMPARE(ops_->sequencer().state(), 7);
        QVERIFY(ops_->BTN_Abort->isEnabled());
        QVERIFY(!main_->MNU_Operations->isEnabled());
        QVERIFY(main_->CKB_Suivi->isChecked());
        QVERIFY2(main_->trackingPanel()->RDB_Colimacon->isChecked(), "the drift method cannot measure a drift");
        main_->core().zone.starPos = {300, 200};
        QTest::mouseClick(ops_->BTN_Executer, Qt::LeftButton);
        QTest::qWait(20);
        main_->stages().measurementStep({150, 200}, true);
        QCOMPARE(main_->reticlePanel()->orientation(), 180.0);
        QCOMPARE(main_->reticlePanel()->SCB_Orient->value(), 180);
        QVERIFY(!main_->declinationPage()->EDT_Decl_Etoile->text().isEmpty());
        QCOMPARE(double(polar_->TNI_Decl_Etoile->Value()), 0.0); // far faster than the sky
        QVERIFY(!main_->MNU_Operations->isEnabled());
        main_->stages().measurementStep({140, 200}, false);
        QCOMPARE(ops_->sequencer().state(), 7);
        // The run is over: the menu is offered again without "Arrêter".
        QVERIFY(main_->MNU_Operations->isEnabled());
        // and the panel says what was written where.
        QVERIFY2(main_->MEMO_Message->toPlainText().contains(QStringLiteral("180")),
                 qPrintable(main_->MEMO_Message->toPlainText()));
        QVERIFY(main_->MEMO_Message->toPlainText().contains(QStringLiteral("réticule")));

        main_->declinationPage()->BTN_Def_Declinaison->click();
        QCOMPARE(ops_->LBL_Action->text(), QStringLiteral("Decl. Etoile"));
    }

    // The declination measured for Bigourdan's method reads whole in its field.
    void measuredDeclinationReadsInTheBigourdanField()
    {
        main_->TNI_Echantillonnage->setValue(1.0);
        main_->MNU_Decl_Etoile->trigger();
        main_->core().zone.starPos = {300, 200};
        QTest::mouseClick(ops_->BTN_Executer, Qt::LeftButton);
        QTest::qWait(1000);
        main_->stages().measurementStep({311, 200}, true); // 11"/s: about 43 degrees
        const double declination = double(polar_->TNI_Decl_Etoile->Value());
        QVERIFY2(declination > 35 && declination < 50, qPrintable(QString::number(declination)));
        const QString shown = polar_->TNI_Decl_Etoile->text();
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d\\d([.,]\\d{1,2})?$")).match(shown).hasMatch(), qPrintable(shown));
        QVERIFY(polar_->TNI_Decl_Etoile->fontMetrics().horizontalAdvance(shown) < polar_->TNI_Decl_Etoile->width());
    }

    void driftDefinitionSetsTheTrackingDrift()
    {
        main_->trackingPanel()->BTN_SetDerive->click();
        QCOMPARE(ops_->sequencer().state(), 11);
        QCOMPARE(ops_->LBL_Action->text(), QStringLiteral("Def. Derive"));
        main_->core().zone.starPos = {100, 100};
        QTest::mouseClick(ops_->BTN_Executer, Qt::LeftButton);
        QTest::qWait(50);
        main_->stages().measurementStep({110, 100}, true);
        QVERIFY(main_->core().tracking.driftRate.x > 0);
        QCOMPARE(main_->core().tracking.driftRate.y, 0.0);
        main_->core().tracking.driftAccum = {0.5, 0.5};
        QTest::mouseClick(ops_->BTN_Abort, Qt::LeftButton);
        QCOMPARE(ops_->sequencer().state(), 11);
        QCOMPARE(main_->core().tracking.driftAccum.x, 0.0);
        // The panel says the drift the tracking now follows.
        const QString said = main_->MEMO_Message->toPlainText();
        QVERIFY2(said.contains(QStringLiteral("Dérive définie : %1 px/s en X, 0.00 px/s en Y")
                                   .arg(main_->core().tracking.driftRate.x, 0, 'f', 2)),
                 qPrintable(said));
    }

    void periodicErrorWindowWritesItsFileBetweenExecuterAndArreter()
    {
        auto* pe = qobject_cast<TFRM_ErrPeriod*>(set_->window(QStringLiteral("TFRM_ErrPeriod")));
        QVERIFY(pe);
        main_->MNU_Erreur_Periodique->trigger();
        QVERIFY(pe->isVisible());
        QVERIFY(!main_->MNU_Operations->isEnabled());
        pe->CKB_Fichier_EP->click();
        QVERIFY(pe->EDT_Nom_FichierPE->isEnabled());
        const QString file = dir_.filePath(QStringLiteral("pe.txt"));
        pe->EDT_Nom_FichierPE->setText(file);
        pe->BTN_Demar_EP->click();
        QCOMPARE(ops_->sequencer().state(), 9);
        QTest::mouseClick(ops_->BTN_Executer, Qt::LeftButton);
        QCOMPARE(ops_->sequencer().state(), 10);
        QVERIFY(QFile::exists(file));
        QVERIFY(!pe->CKB_Fichier_EP->isEnabled());
        QTest::mouseClick(ops_->BTN_Abort, Qt::LeftButton);
        QVERIFY(pe->CKB_Fichier_EP->isEnabled());
        QVERIFY(!pe->step().fileOpen());
        pe->close();
        QCOMPARE(ops_->sequencer().state(), 0);
        QVERIFY(main_->MNU_Operations->isEnabled());
    }

    void reticleFollowsItsControlsAndCentres()
    {
        main_->setSourceRunning(true);
        main_->TNI_Echantillonnage->setValue(1.0);
        QImage& layer = main_->core().buffers.reticleLayer;
        const QRgb white = qRgb(255, 255, 255);
        main_->reticlePanel()->BTN_Centrer_Reticule_Sur_Ecran->click(); // nothing: the reticle is off
        main_->CKB_Reticule->setChecked(true);
        main_->reticlePanel()->CKB_Cercles->setChecked(true);
        main_->reticlePanel()->BTN_Centrer_Reticule_Sur_Ecran->click();
        // 640 x 480 at 1"/px: circles every 30 pixels around the screen's centre.
        QVERIFY(layer.pixel(320 + 30, 240) != white);
        QVERIFY(layer.pixel(320 + 45, 240) == white);
        main_->core().zone.starPos = {100, 100};
        main_->reticlePanel()->BTN_Centrer_Reticule_Sur_Mire->click();
        QVERIFY(layer.pixel(100 + 60, 100) != white);
        QVERIFY(layer.pixel(320 + 30, 240) == white);
        main_->CKB_Reticule->setChecked(false);
        QVERIFY(layer.pixel(100 + 60, 100) == white);
    }

    void pixelSizeMeasureFromThePreferences()
    {
        TFRM_Pref* pref = set_->preferences();
        main_->settings().prefs().effectiveFocal = 2000;
        // A capture runs already: "Demarrer" is not available.
        main_->videoSource().panel()->BTN_Start->setEnabled(false);
        QTest::mouseClick(pref->BTN_Calculer_TaillePix, Qt::LeftButton);
        QCOMPARE(ops_->sequencer().state(), 5);
        QCOMPARE(messageLines().first(), QStringLiteral("1-Cliquer sur une etoile"));
        QCOMPARE(messageLines().size(), 4);
        main_->core().buffers.setFrameSize(320, 240);
        main_->core().zone.starPos = {100, 100};
        QTest::mouseClick(ops_->BTN_Executer, Qt::LeftButton);
        QCOMPARE(double(pref->TNI_NbPix_X->Value()), 320.0);
        main_->stages().measurementStep({150, 100}, true);
        // Within the first two seconds one pixel counts as one arc second.
        QVERIFY(qAbs(double(pref->TNI_Larg_Pix->Value()) - 9.696) < 0.01);
        QCOMPARE(main_->settings().prefs().camera.pixels.TNI_Haut_Pix,
                 main_->settings().prefs().camera.pixels.TNI_Larg_Pix);
        QVERIFY(qAbs(double(main_->TNI_Echantillonnage->Value()) - 1.0) < 1e-3);
    }
};

} // namespace velumbra::test

QTEST_MAIN(velumbra::test::TestOperationsWindow)
#include "test_operations_window.moc"

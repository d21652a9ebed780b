// Autoguiding in the windows: the guiding row under the tracking panel
// drives an LX200 mount on a pseudo-terminal, the autoguiding window shows
// the corrections and moves the mount with the arrow keys, the preferences
// load the offset file and start the calibration.
#include "app/ui/ShellGuiding.h"
#include "app/ui/ShellSettings.h"
#include "app/ui/TFRM_Alv.h"
#include "app/ui/WindowSet.h"
#include "processing/ui/PNL_Reticule.h"
#include "app/ui/ZonesGroup.h"
#include "aids/ui/GRB_Operations.h"
#include "acquisition/ui/GRB_Camera.h"
#include "acquisition/ui/VideoSourceUi.h"
#include "settings/ui/TFRM_Pref.h"
#include "processing/ui/TrackingPanel.h"
#include "telescope/Telescope.h"
#include "telescope/ui/PNL_Autoguidage.h"
#include "telescope/ui/TFRM_Prg_Suivi.h"
#include "widgets/TNumInp.h"
#include "../telescope/PtyPair.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

namespace velumbra::test {

class TestGuidingWindow : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    QString previous_;

    // LX200 on the peer's pseudo-terminal, images (and guide logs) in the test folder.
    static void chooseLx200(WindowSet& set, const PtyPair& peer, const QString& images)
    {
        TFRM_Pref* pref = set.preferences();
        pref->RDB_LX200->click();
        pref->CBX_AG_PortSerie->setCurrentText(peer.path());
        set.main()->settings().prefs().EDT_Repertoire_Bitmaps = images;
    }
    // An offset file in the test folder; empty when it cannot be written.
    QString offsetFile(const QString& name, const QByteArray& text)
    {
        QFile f(dir_.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size()) return {};
        return f.fileName();
    }
    static QStringList messages(WindowSet& set)
    {
        return set.main()->MEMO_Message->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private slots:
    void init()
    {
        previous_ = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir_.path()));
    }
    void cleanup() { QDir::setCurrent(previous_); }

    void theRowFollowsTheInterfaceAndDefOpensItsTab()
    {
        WindowSet set;
        set.main()->show();
        PNL_Autoguidage* row = set.guiding().panel();
        QVERIFY(set.main()->trackingPanel()->isAncestorOf(row));
        QVERIFY(!row->CKB_Autoguidage->isEnabled()); // "Aucune"
        set.preferences()->RDB_LX200->click();
        QVERIFY(row->CKB_Autoguidage->isEnabled());
        set.preferences()->RDB_Aucun->click();
        QVERIFY(!row->CKB_Autoguidage->isEnabled());

        set.preferences()->RDB_Varnek->click();
        QTest::mouseClick(row->BTN_Param_Autoguidage, Qt::LeftButton);
        QVERIFY(set.preferences()->isVisible());
        QCOMPARE(set.preferences()->pages()->currentWidget()->objectName(), QStringLiteral("TBS_Autoguidage"));
    }

    void guidingConnectsWithoutTheRateCorrectsAndLogs()
    {
        PtyPair peer;
        QVERIFY(peer.ok());
        WindowSet set;
        set.main()->show();
        chooseLx200(set, peer, dir_.path());
        TFRM_Alv* main = set.main();
        PNL_Autoguidage* row = set.guiding().panel();

        row->CKB_Autoguidage->click();
        QVERIFY(set.telescope().mount.linkUp());
        QCOMPARE(peer.read(1, 200), QByteArray()); // no rate command for guiding
        QVERIFY(!set.preferences()->BTN_Deconnecter->isEnabled());
        QVERIFY(main->core().controls.CKB_Autoguidage);
        const QString log = set.telescope().autoguider.log().path();
        QVERIFY(QFileInfo(log).fileName().startsWith(QStringLiteral("Guidage_")));
        QCOMPARE(QFileInfo(log).absolutePath(), QFileInfo(dir_.path()).absoluteFilePath());

        // A tracking pass: 4 pixels to the right at 1"/pixel, 5"/s: West for 600 ms
        // (the default inertia takes 20 %: 640 ms).
        main->TNI_Echantillonnage->setValue(1);
        set.telescope().autoguider.guideStar({4, 0, false, 100});
        QCOMPARE(peer.read(5), QByteArray("#:Mw#"));
        TFRM_Prg_Suivi* window = set.guidingWindow();
        QCOMPARE(window->EDT_Sens_Erreur->text(), QStringLiteral("0"));
        QCOMPARE(double(window->TNI_TR_AD->Value()), 4.0);
        QCOMPARE(window->EDT_Dir_AD->text(), QStringLiteral("Ouest"));
        QCOMPARE(window->EDT_Duree_AD->text(), QStringLiteral("640"));
        QTest::qWait(700);
        QCOMPARE(peer.read(5), QByteArray("#:Qw#")); // the axis timer ends it

        row->CKB_Autoguidage->click();
        QVERIFY(!main->core().controls.CKB_Autoguidage);
        QVERIFY(!set.telescope().mount.linkUp());
        QVERIFY(!set.telescope().autoguider.log().isOpen());
        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        QVERIFY(text.contains(QStringLiteral("Interface : LX200")));
        QVERIFY(text.contains(QStringLiteral("\t4\t0\t0.00\tOuest\t4\t640\t-\t0\t0\t100\n")));
    }

    // The guiding window tells the calibrated speeds in a few digits, and
    // again when a calibration measures new ones.
    void theWindowShowsTheCalibratedSpeeds()
    {
        WindowSet set;
        set.main()->show();
        TFRM_Prg_Suivi* window = set.guidingWindow();
        MountSettings& speeds = set.telescope().settings; // what a calibration leaves
        speeds.TNI_Vitesse_Ouest = 7.520833333;
        speeds.TNI_Vitesse_Est = 7.4912;
        speeds.TNI_Vitesse_Nord = 15.0422;
        speeds.TNI_Vitesse_Sud = 123.456;
        window->show();
        QCOMPARE(window->LBL_Vitesses->text(),
                 QString::fromUtf8("Vitesses calibrées (″/s) : O 7.52  E 7.49  N 15.0  S 123"));
        set.preferences()->TNI_Vitesse_Ouest->setValue(7.520833333);
        QCOMPARE(set.preferences()->TNI_Vitesse_Ouest->text(), QStringLiteral("7.521"));
    }

    void aLinkThatCannotOpenUnchecksTheBox()
    {
        WindowSet set;
        set.main()->show();
        set.preferences()->RDB_LX200->click();
        set.preferences()->CBX_AG_PortSerie->setCurrentText(dir_.filePath(QStringLiteral("no-such-port")));
        PNL_Autoguidage* row = set.guiding().panel();
        row->CKB_Autoguidage->click();
        QVERIFY(!row->CKB_Autoguidage->isChecked());
        QVERIFY(!set.main()->core().controls.CKB_Autoguidage);
        QVERIFY(!set.telescope().autoguider.running());
        QVERIFY(messages(set).join(QLatin1Char(' ')).contains(QStringLiteral("open_com")));
    }

    void shiftCtrlClickMovesTheStarToThePoint()
    {
        PtyPair peer;
        QVERIFY(peer.ok());
        WindowSet set;
        set.main()->show();
        chooseLx200(set, peer, dir_.path());
        TFRM_Alv* main = set.main();
        main->setSourceRunning(true);
        main->TNI_Echantillonnage->setValue(1);
        main->core().zone.starPos = {100, 100};
        // Clicked 6 pixels above the star: θ 270, North 5 pixels, RA 0 (a
        // stop, and nothing moves East). The link opens on demand, with the
        // paddle's rate.
        main->Image1MouseUp({100, 94}, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier);
        QCOMPARE(peer.read(10), QByteArray("#:RG##:Mn#"));
        QCOMPARE(set.guidingWindow()->EDT_Duree_Dec->text(), QStringLiteral("800")); // 5" at 5"/s, less 20 %
        QCOMPARE(main->core().zone.starPos, (Point{100, 100}));
        QCOMPARE(set.guidingWindow()->EDT_Sens_Erreur->text(), QStringLiteral("270"));

        // With the camera turned by 90 degrees (the orientation measured or
        // set on the reticle), the same click is a move along right ascension.
        main->reticlePanel()->setOrientation(90, 90);
        QTest::qWait(1000); // the axis timer ends the first move
        QCOMPARE(peer.read(5), QByteArray("#:Qn#"));
        main->Image1MouseUp({100, 94}, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier);
        QCOMPARE(set.guidingWindow()->EDT_Sens_Erreur->text(), QStringLiteral("180"));
        QCOMPARE(peer.read(5), QByteArray("#:Me#"));
    }

    void arrowKeysMoveOnlyWhileTheLinkIsUpAndClosingUnchecks()
    {
        PtyPair peer;
        QVERIFY(peer.ok());
        WindowSet set;
        set.main()->show();
        chooseLx200(set, peer, dir_.path());
        TFRM_Pref* pref = set.preferences();
        pref->CKB_Affiche_Etendu->click();
        TFRM_Prg_Suivi* window = set.guidingWindow();
        QVERIFY(window->isVisible());
        QTest::keyPress(window, Qt::Key_Left);
        QTest::keyRelease(window, Qt::Key_Left);
        QVERIFY(!set.telescope().mount.linkUp());

        pref->BTN_Connecter->click();
        peer.read(1, 200); // the rate command of the link's opening
        const std::pair<Qt::Key, const char*> keys[] = {
            {Qt::Key_Left, "e"}, {Qt::Key_Right, "w"}, {Qt::Key_Up, "n"}, {Qt::Key_Down, "s"}};
        for (auto [key, letter] : keys) {
            QTest::keyPress(window, key);
            QCOMPARE(peer.read(5), QByteArray("#:M") + letter + "#");
            QTest::keyPress(window, key, Qt::NoModifier, -1); // a repeat sends nothing more
            QTest::keyRelease(window, key);
            QCOMPARE(peer.read(5), QByteArray("#:Q") + letter + "#");
        }
        window->close();
        QVERIFY(!pref->CKB_Affiche_Etendu->isChecked());
    }

    void theOffsetFileEnablesTheOptionAndDecalerShifts()
    {
        const QString good = offsetFile(QStringLiteral("Decalage.txt"), "// pas de 5 pixels\n5,-3\n-1,4\n");
        QVERIFY(!good.isEmpty());
        WindowSet set;
        set.main()->show();
        TFRM_Pref* pref = set.preferences();
        QString answer = good;
        pref->setFileChooser([&answer](const QString&) { return answer; });
        QVERIFY(!pref->CKB_Fichier_decalage->isEnabled());
        pref->BBTN_Fichier_Decalage->click();
        QCOMPARE(pref->EDT_Fichier_Decalage->text(), good);
        QCOMPARE(set.main()->settings().prefs().autoguide.EDT_Fichier_Decalage, good);
        QVERIFY(pref->CKB_Fichier_decalage->isEnabled());
        QCOMPARE(set.telescope().offsets.count(), 2);

        // Decal.+1 acts only with tracking, the option and guiding on.
        TFRM_Alv* main = set.main();
        pref->CKB_Fichier_decalage->setChecked(true);
        main->core().zone.starPos = {200, 150};
        set.guiding().panel()->BTN_Decaler->click();
        QCOMPARE(main->core().zone.starPos, (Point{200, 150}));
        main->core().controls.CKB_Suivi = true;
        main->core().controls.CKB_Autoguidage = true;
        main->GRB_Zones->CKB_Zones_Liees->setChecked(true);
        set.guiding().panel()->BTN_Decaler->click();
        QCOMPARE(main->core().zone.starPos, (Point{205, 147}));
        set.guiding().panel()->BTN_Decaler->click();
        QCOMPARE(main->core().zone.starPos, (Point{204, 151}));
        main->core().controls.CKB_Autoguidage = false;

        // A file that cannot be read: the option goes off and out of reach.
        answer = dir_.filePath(QStringLiteral("absent.txt"));
        pref->BBTN_Fichier_Decalage->click();
        QVERIFY(!pref->CKB_Fichier_decalage->isEnabled());
        QVERIFY(!pref->CKB_Fichier_decalage->isChecked());
    }

    void aNamedFileIsLoadedWithTheSettingsReadOrNot()
    {
        const QString good = offsetFile(QStringLiteral("D.txt"), "1,2\n");
        QVERIFY(!good.isEmpty());
        for (const QString& name : {good, dir_.filePath(QStringLiteral("absent.txt"))}) {
            WindowSet set;
            set.main()->settings().prefs().autoguide.EDT_Fichier_Decalage = name;
            emit set.main()->settingsLoaded();
            QVERIFY(set.preferences()->CKB_Fichier_decalage->isEnabled());
            QCOMPARE(set.telescope().offsets.count(), name == good ? 1 : 0);
        }
    }

    void apprendreArmsTheCalibration()
    {
        WindowSet set;
        set.main()->show();
        set.main()->videoSource().panel()->BTN_Start->setEnabled(false); // a capture runs already
        set.main()->setSourceRunning(true);
        GRB_Operations* ops = set.main()->operations();
        QTest::mouseClick(set.preferences()->BTN_Apprendre, Qt::LeftButton);
        QCOMPARE(ops->sequencer().state(), 13);
        QCOMPARE(ops->LBL_Action->text(), QStringLiteral("Appr.Guidage"));
        QVERIFY(ops->BTN_Executer->isEnabled());
        QVERIFY(set.main()->CKB_Suivi->isChecked());
        const QStringList lines = messages(set);
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines.first(), QStringLiteral("1-Demarrer le suivi du telescope"));
        // Executer: the first frame starts the West motion (no mount chosen: nothing is sent).
        QTest::mouseClick(ops->BTN_Executer, Qt::LeftButton);
        QCOMPARE(ops->sequencer().state(), 14);
        set.main()->stages().measurementStep({100, 100}, true);
        set.main()->stages().measurementStep({100, 100}, false); // star lost: the end
        QCOMPARE(ops->sequencer().state(), 13);
        QCOMPARE(messages(set).last(), QStringLiteral("Execution terminée"));
    }

    void aLostCameraEndsTheCalibrationWithTheMotionStopped()
    {
        PtyPair peer;
        QVERIFY(peer.ok());
        WindowSet set;
        set.main()->show();
        chooseLx200(set, peer, dir_.path());
        set.main()->videoSource().panel()->BTN_Start->setEnabled(false);
        set.main()->setSourceRunning(true);
        set.preferences()->BTN_Connecter->click();
        QCOMPARE(peer.read(5), QByteArray("#:RG#"));
        GRB_Operations* ops = set.main()->operations();
        QTest::mouseClick(set.preferences()->BTN_Apprendre, Qt::LeftButton);
        QTest::mouseClick(ops->BTN_Executer, Qt::LeftButton);
        set.main()->stages().measurementStep({100, 100}, true);
        QCOMPARE(peer.read(5), QByteArray("#:Mw#"));
        emit set.main()->cameraLost(); // the camera stopped answering
        QCOMPARE(peer.read(5), QByteArray("#:Qw#"));
        QCOMPARE(ops->sequencer().state(), 13);
        QCOMPARE(messages(set).last(), QStringLiteral("Execution terminée"));
    }
};

} // namespace velumbra::test

QTEST_MAIN(velumbra::test::TestGuidingWindow)
#include "test_guiding_window.moc"

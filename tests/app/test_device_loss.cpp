// Devices lost in the middle of a night, in the whole program on the
// simulator: the camera pulled out while a long exposure, timed saving and
// autoguiding run; the parallel port pulled out during a long exposure. Each
// gives a message and a clean stop, leaves the mount stopped, the lines at
// rest and every saved file whole, and the program goes on once the device
// is back.
#include "acquisition/control/VideoSource.h"
#include "acquisition/ui/GRB_Camera.h"
#include "acquisition/ui/VideoSourceUi.h"
#include "app/ui/ShellGuiding.h"
#include "app/ui/ShellSettings.h"
#include "app/ui/TFRM_Alv.h"
#include "app/ui/WindowSet.h"
#include "exposure/LongExposure.h"
#include "exposure/ui/TFRM_Longuepose.h"
#include "results/ImageNaming.h"
#include "results/ui/TFRM_Alv_Child.h"
#include "settings/ui/TFRM_Pref.h"
#include "simulator/SimulatorDevices.h"
#include "simulator/SkySimulator.h"
#include "telescope/Telescope.h"
#include "telescope/ui/PNL_Autoguidage.h"
#include "widgets/TNumInp.h"
#include "../telescope/PtyPair.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>

namespace velumbra::test {

class TestDeviceLoss : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    QString previous_;

    static QStringList messages(WindowSet& set)
    {
        return set.main()->MEMO_Message->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    static VideoSourceUi& startSimulatedCamera(WindowSet& set)
    {
        VideoSourceUi& video = set.main()->videoSource();
        video.chooserOverride = [](const QStringList& entries) -> std::optional<int> {
            return int(entries.size()) - 1; // the sky simulator comes last
        };
        video.source().BTN_StartClick();
        return video;
    }
    // Every BMP of the folder has the size of its image and reads back.
    static bool imagesWhole(const QString& folder, int& count)
    {
        count = 0;
        for (const QFileInfo& info : QDir(folder).entryInfoList({QStringLiteral("*.bmp")}, QDir::Files)) {
            const QImage image(info.filePath());
            if (image.isNull() || info.size() != bmpFileSize(image.width(), image.height())) return false;
            ++count;
        }
        return true;
    }

private slots:
    void init()
    {
        previous_ = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir_.path()));
    }
    void cleanup() { QDir::setCurrent(previous_); }

    void cameraPulledOutMidNight()
    {
        PtyPair peer;
        QVERIFY(peer.ok());
        WindowSet set;
        TFRM_Alv* main = set.main();
        main->show();
        TFRM_Pref* pref = set.preferences();
        pref->RDB_LX200->click();
        pref->CBX_AG_PortSerie->setCurrentText(peer.path());
        main->settings().prefs().EDT_Repertoire_Bitmaps = dir_.path();
        pref->CKB_VestaMod->click();
        pref->CKB_Historique_Comm->click();
        const auto lines = [&set] { return set.telescope().traffic.lines(); };

        VideoSourceUi& video = startSimulatedCamera(set);
        QVERIFY(video.source().running());
        QTRY_VERIFY(video.source().frameCounter() > 2);

        // Timed saving, one image a second.
        TFRM_Alv_Child* child = set.resultWindow();
        child->findChild<QLineEdit*>(QStringLiteral("EDT_Nom_Image"))->setText(dir_.filePath(QStringLiteral("m42_")));
        child->findChild<QComboBox*>(QStringLiteral("CBX_Unite"))->setCurrentIndex(1);
        child->findChild<QSpinBox*>(QStringLiteral("SPED_Freq_Sauve"))->setValue(1);
        child->findChild<QPushButton*>(QStringLiteral("BTN_Demarrer_Sauv"))->click();
        QVERIFY(child->scheduler().running());

        // Autoguiding with a long correction under way: 40 pixels West.
        set.guiding().panel()->CKB_Autoguidage->click();
        QVERIFY(set.telescope().mount.linkUp());
        main->TNI_Echantillonnage->setValue(1);
        set.telescope().autoguider.guideStar({40, 0, false, 100});
        QCOMPARE(peer.read(5), QByteArray("#:Mw#"));

        // A long exposure of 3 s: the camera is read, and found missing, at its end.
        set.main()->videoSource().panel()->BTN_Poselongue->click();
        TFRM_Longuepose* w = set.longExposureWindow();
        w->SPED_Vesta_Pose->setValue(3000);
        w->BTN_Demarrer_Pose->click();
        QVERIFY(set.longExposure().active());
        QCOMPARE(lines().last().right(4), QStringLiteral("0000"));
        QTest::qWait(1300); // two saves at least

        video.sky().setCameraPlugged(false);
        QTRY_VERIFY_WITH_TIMEOUT(!video.source().running(), 6000);
        QCOMPARE(peer.read(5, 300), QByteArray("#:Qw#")); // at once, not at the end of the 8 s move
        QVERIFY(!set.longExposure().active());
        QCOMPARE(lines().last(), QStringLiteral("0378 : 00001111"));
        QVERIFY(!child->scheduler().running());
        const QStringList said = messages(set);
        QVERIFY2(said.contains(QStringLiteral("La camera ne repond plus, capture arretee. (%1)")
                                   .arg(QString::fromLocal8Bit(std::strerror(ENODEV)))),
                 qPrintable(said.join('\n')));
        QVERIFY(said.contains(QStringLiteral("Enregistrement automatique arrêté : plus d'images de la caméra.")));
        int saved = 0;
        QVERIFY(imagesWhole(dir_.path(), saved));
        QVERIFY2(saved >= 2, qPrintable(QString::number(saved)));
        QVERIFY(QDir(dir_.path()).entryList({QStringLiteral("*.part-*")}, QDir::Files | QDir::Hidden).isEmpty());

        // Still pulled out: starting again says so and nothing runs.
        video.source().BTN_StartClick();
        QVERIFY(!video.source().running());

        // Plugged back: capture, saving and a long exposure run again (the
        // long-exposure window, while open, takes the live frames' tick).
        w->close();
        video.sky().setCameraPlugged(true);
        video.source().BTN_StartClick();
        QVERIFY(video.source().running());
        const int frames = video.source().frameCounter();
        QTRY_VERIFY(video.source().frameCounter() > frames + 2);
        child->findChild<QPushButton*>(QStringLiteral("BTN_Demarrer_Sauv"))->click();
        QTRY_VERIFY(QFileInfo::exists(dir_.filePath(QStringLiteral("m42_%1.bmp").arg(saved + 1))));
        child->findChild<QPushButton*>(QStringLiteral("BTN_Arreter_Sauv"))->click();
        QVERIFY(imagesWhole(dir_.path(), saved));
        set.main()->videoSource().panel()->BTN_Poselongue->click();
        w->BTN_Demarrer_Pose->click();
        QVERIFY(set.longExposure().active());
        QCOMPARE(lines().last().right(4), QStringLiteral("0000"));
        w->BTN_Arreter_Pose->click();
        QCOMPARE(lines().last(), QStringLiteral("0378 : 00001111"));
    }

    // The parallel port's cable pulled during a long exposure: the run ends
    // with a message, the live image comes back, and once plugged in again
    // a new exposure is read out.
    void parallelPortPulledOutMidExposure()
    {
        WindowSet set;
        TFRM_Alv* main = set.main();
        main->show();
        set.preferences()->CKB_VestaMod->click();
        set.preferences()->CKB_Historique_Comm->click();
        VideoSourceUi& video = startSimulatedCamera(set);
        QVERIFY(video.source().running());
        main->videoSource().panel()->BTN_Poselongue->click();
        TFRM_Longuepose* w = set.longExposureWindow();
        w->SPED_Vesta_Pose->setValue(1000);
        w->SPED_Nb_Poses->setValue(0);
        w->BTN_Demarrer_Pose->click();
        QVERIFY(set.longExposure().active());
        QVERIFY(video.sky().integrating(LineSet::Odd));

        set.simulator().parallelBox().unplug();
        QTRY_VERIFY_WITH_TIMEOUT(!set.longExposure().active(), 3000);
        QVERIFY(!video.sky().integrating(LineSet::Odd));
        const QStringList said = messages(set);
        QVERIFY2(said.contains(QStringLiteral("Pose longue arrêtée : le port parallèle ne répond plus.")),
                 qPrintable(said.join('\n')));
        QVERIFY(w->BTN_Demarrer_Pose->isEnabled());
        QVERIFY(!main->videoSource().panel()->CKB_Longuepose_Active->isChecked());
        QVERIFY(video.source().running()); // the camera goes on

        set.simulator().parallelBox().plugIn();
        w->SPED_Nb_Poses->setValue(1);
        w->BTN_Demarrer_Pose->click();
        QVERIFY(set.longExposure().active());
        QVERIFY(video.sky().integrating(LineSet::Odd));
        QTRY_VERIFY_WITH_TIMEOUT(!set.longExposure().active(), 4000);
        QVERIFY(set.telescope().traffic.lines().contains(QStringLiteral("0378 : 00000111"))); // the readout
    }

    // The mount's serial peer gone in the middle of a guiding correction:
    // one message, the link down, the camera still running; a new link
    // stops the mount before anything else.
    void mountLinkCutMidCorrection()
    {
        auto peer = std::make_unique<PtyPair>();
        QVERIFY(peer->ok());
        WindowSet set;
        TFRM_Alv* main = set.main();
        main->show();
        set.preferences()->RDB_LX200->click();
        set.preferences()->CBX_AG_PortSerie->setCurrentText(peer->path());
        main->settings().prefs().EDT_Repertoire_Bitmaps = dir_.path();
        VideoSourceUi& video = startSimulatedCamera(set);
        set.guiding().panel()->CKB_Autoguidage->click();
        QVERIFY(set.telescope().mount.linkUp());
        main->TNI_Echantillonnage->setValue(1);
        set.telescope().autoguider.guideStar({10, 0, false, 100});
        QCOMPARE(peer->read(5), QByteArray("#:Mw#"));

        peer.reset(); // the cable pulled: the axis timer's stop meets a closed line
        const QString cut = QStringLiteral("put_string, erreur = 5 : liaison avec la monture coupée, mouvements arrêtés.");
        QTRY_VERIFY_WITH_TIMEOUT(messages(set).contains(cut), 5000);
        QVERIFY(!set.telescope().mount.linkUp());
        QTest::qWait(300);
        QCOMPARE(messages(set).count(cut), 1);
        QVERIFY(video.source().running());

        PtyPair again;
        QVERIFY(again.ok());
        set.preferences()->CBX_AG_PortSerie->setCurrentText(again.path());
        set.telescope().autoguider.guideStar({10, 0, false, 100});
        QCOMPARE(again.read(14), QByteArray("#:Q##:RG##:Mw#")); // stop, guide rate, the correction
    }
};

} // namespace velumbra::test

QTEST_MAIN(velumbra::test::TestDeviceLoss)
#include "test_device_loss.moc"

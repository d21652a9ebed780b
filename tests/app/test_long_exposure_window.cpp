// The long-exposure window on its own, then the program's long exposures:
// "Pose longue" with the modified-camera option, the preferences' test
// group on the port, a run of the simulated camera, and the stop byte as the
// last write when the program closes.
#include "acquisition/ui/GRB_Camera.h"
#include "acquisition/ui/VideoSourceUi.h"
#include "app/ui/TFRM_Alv.h"
#include "app/ui/WindowSet.h"
#include "core/ImageBuffers.h"
#include "core/SteadyClock.h"
#include "exposure/LongExposure.h"
#include "exposure/ui/TFRM_Longuepose.h"
#include "settings/ui/TFRM_Pref.h"
#include "telescope/Telescope.h"
#include "widgets/TNumInp.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

namespace velumbra::test {

namespace {

struct RecordingPort final : ExposurePort {
    std::vector<quint8> writes;
    bool writePort(quint16, quint8 value) override
    {
        writes.push_back(value);
        return true;
    }
    quint8 outputByte(quint16) const override { return writes.empty() ? quint8(0) : writes.back(); }
};

} // namespace

class TestLongExposureWindow : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    QString previous_;

private slots:
    void init()
    {
        previous_ = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir_.path()));
    }
    void cleanup() { QDir::setCurrent(previous_); }

    void buttonsFollowTheRun()
    {
        RecordingPort port;
        ManualSteadyClock clock;
        ImageBuffers frames;
        LongExposure le(port, clock, frames);
        le.setEnabled(true);
        TFRM_Longuepose w(le);
        w.show();
        QVERIFY(w.BTN_Demarrer_Pose->isEnabled());
        QVERIFY(!w.BTN_Arreter_Pose->isEnabled());
        QCOMPARE(w.SPED_Vesta_Pose->value(), 5000);
        QCOMPARE(w.SPED_Vesta_Pose->maximum(), 43200000);
        QCOMPARE(w.SPED_Nb_Poses->maximum(), 999);

        w.SPED_Vesta_Pose->setValue(3000);
        w.SPED_Nb_Poses->setValue(2);
        QCOMPARE(le.controls.SPED_Vesta_Pose, 3000);
        QCOMPARE(le.controls.SPED_Nb_Poses, 2);
        w.BTN_Demarrer_Pose->click();
        QVERIFY(le.active());
        QVERIFY(!w.BTN_Demarrer_Pose->isEnabled());
        QVERIFY(w.BTN_Arreter_Pose->isEnabled());
        QCOMPARE(w.TNI_Posenum->text(), QStringLiteral("1"));
        QCOMPARE(w.TNI_Timer->text(), QStringLiteral("2")); // RoundDown(3) = 2
        QCOMPARE(w.PGB_Decompte->maximum(), 2);
        QCOMPARE(port.writes.back() & 0x0F, 0);

        // Closing the window stops the run: the lines go up again.
        w.close();
        QVERIFY(!le.active());
        QVERIFY(!le.windowOpen());
        QVERIFY(w.BTN_Demarrer_Pose->isEnabled());
        QCOMPARE(port.writes.back(), quint8(0x0F));
    }

    void programRunsASimulatedExposure()
    {
        QStringList traffic;
        {
            WindowSet set;
            TFRM_Alv* main = set.main();
            main->show();
            QVERIFY(QTest::qWaitForWindowExposed(main));
            CameraPanel* camera = main->videoSource().panel();
            QVERIFY(camera);
            QVERIFY(!camera->BTN_Poselongue->isEnabled());
            TFRM_Pref* pref = set.preferences();
            pref->CKB_VestaMod->click();
            QVERIFY(camera->BTN_Poselongue->isEnabled());
            pref->CKB_Historique_Comm->click();
            QVERIFY(pref->BTN_TestPlus->isEnabled());

            // The test group: "+" at 255 writes nothing; elsewhere it steps and writes.
            const auto lines = [&set] { return set.telescope().traffic.lines(); };
            pref->EDT_TestValue->setText(QStringLiteral("11111111"));
            const auto before = lines().size();
            pref->BTN_TestPlus->click();
            QCOMPARE(lines().size(), before);
            pref->EDT_TestValue->setText(QStringLiteral("00000111"));
            pref->BTN_TestPlus->click();
            QCOMPARE(pref->EDT_TestValue->text(), QStringLiteral("00001000"));
            QCOMPARE(lines().last(), QStringLiteral("0378 : 00001000"));

            VideoSourceUi& video = main->videoSource();
            video.chooserOverride = [](const QStringList& entries) -> std::optional<int> {
                return int(entries.size()) - 1; // the sky simulator comes last
            };
            video.source().BTN_StartClick();
            QVERIFY(video.source().running());
            QCOMPARE(lines().last(), QStringLiteral("0378 : 00001111")); // the idle byte

            camera->BTN_Poselongue->click();
            TFRM_Longuepose* w = set.longExposureWindow();
            QVERIFY(w->isVisible());
            QVERIFY(!camera->BTN_Turbo->isEnabled());
            w->SPED_Vesta_Pose->setValue(1000);
            w->SPED_Nb_Poses->setValue(1);
            QCOMPARE(main->core().controls.SPED_Vesta_Pose, 1000.0); // the parameter record's length
            w->BTN_Demarrer_Pose->click();
            QVERIFY(camera->CKB_Longuepose_Active->isChecked());
            QVERIFY(main->core().controls.CKB_Longuepose_Active);
            QCOMPARE(lines().last().right(4), QStringLiteral("0000"));
            QTRY_VERIFY_WITH_TIMEOUT(!set.longExposure().active(), 6000);
            QVERIFY(!camera->CKB_Longuepose_Active->isChecked());
            QCOMPARE(w->TNI_Posenum->text(), QStringLiteral("0"));
            QVERIFY(lines().contains(QStringLiteral("0378 : 00000111"))); // the readout

            // Closing the window gives "Flux" back.
            w->close();
            QVERIFY(camera->BTN_Turbo->isEnabled());
            w->show(); // and a run left going when the program closes
            w->BTN_Demarrer_Pose->click();
            QVERIFY(set.longExposure().active());
            main->close();
            QCOMPARE(lines().last(), QStringLiteral("0378 : 00001111"));
            // Every write from here to the end of the program.
            set.telescope().traffic.onAppend = [&traffic](const QString& line, bool) { traffic << line; };
        }
        QVERIFY(!traffic.isEmpty());
        QCOMPARE(traffic.last(), QStringLiteral("0378 : 00001111"));
    }
};

} // namespace velumbra::test

QTEST_MAIN(velumbra::test::TestLongExposureWindow)
#include "test_long_exposure_window.moc"

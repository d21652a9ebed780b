// The long-exposure window on its own, then the program's long exposures:
// "Pose longue" with the modified-camera option, the preferences' test
// group on the port, a run of the simulated camera, the stop byte as the
// last write when the program closes, the runs refused or ended with a
// message, and motion detection's single exposure.
#include "acquisition/ui/GRB_Camera.h"
#include "acquisition/ui/VideoSourceUi.h"
#include "app/ui/TFRM_Alv.h"
#include "app/ui/WindowSet.h"
#include "core/ImageBuffers.h"
#include "core/SteadyClock.h"
#include "exposure/LongExposure.h"
#include "exposure/ui/TFRM_Longuepose.h"
#include "processing/ui/MeasuresUi.h"
#include "processing/ui/MotionPanel.h"
#include "processing/ui/TFRM_ImgRef.h"
#include "processing/ui/TFRM_Prg_Action.h"
#include "settings/ui/TFRM_Pref.h"
#include "telescope/Telescope.h"
#include "widgets/TNumInp.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

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
    // Each case in a folder of its own: the settings one case leaves are not the next one's.
    std::unique_ptr<QTemporaryDir> dir_;
    QString previous_;

    static QString lastMessage(WindowSet& set)
    {
        const QStringList said =
            set.main()->MEMO_Message->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        return said.isEmpty() ? QString() : said.last();
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

private slots:
    void init()
    {
        previous_ = QDir::currentPath();
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir::setCurrent(dir_->path()));
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

            // Live frames at the refresh rate, counted over a second.
            const auto liveFrames = [&video] {
                const int before = video.source().frameCounter();
                QTest::qWait(1000);
                return video.source().frameCounter() - before;
            };
            const int normal = liveFrames();
            QVERIFY(normal >= 3);

            camera->BTN_Poselongue->click();
            TFRM_Longuepose* w = set.longExposureWindow();
            QVERIFY(w->isVisible());
            QVERIFY(!camera->BTN_Turbo->isEnabled());
            // The window open, no run yet: the live video goes on as before.
            QVERIFY2(liveFrames() * 2 >= normal, "live video between runs");
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
            // The exposures have ended: the live video is back at its rate,
            // the window still open.
            QVERIFY(w->isVisible());
            QVERIFY2(liveFrames() * 2 >= normal, "live video after the run");

            // Closing the window gives "Flux" back.
            w->close();
            QVERIFY(camera->BTN_Turbo->isEnabled());
            w->show(); // and a run left going when the program closes
            w->BTN_Demarrer_Pose->click();
            QVERIFY(set.longExposure().active());
            QStringList asked;
            main->confirmClose = [&asked](const QString& q) { return asked << q, true; };
            main->close();
            QCOMPARE(asked.size(), 1); // asked first, naming the long exposure
            QVERIFY(asked[0].contains(QStringLiteral("une longue pose")));
            QCOMPARE(lines().last(), QStringLiteral("0378 : 00001111"));
            // Every write from here to the end of the program.
            set.telescope().traffic.onAppend = [&traffic](const QString& line, bool) { traffic << line; };
        }
        QVERIFY(!traffic.isEmpty());
        QCOMPARE(traffic.last(), QStringLiteral("0378 : 00001111"));
    }

    // "Demarrer" with the capture stopped says why and leaves the lines;
    // the modified-camera option switched off mid-run ends the run with
    // every line raised, the mode line too.
    void runRefusedWithoutCaptureAndEndedWithoutTheOption()
    {
        WindowSet set;
        TFRM_Alv* main = set.main();
        TFRM_Pref* pref = set.preferences();
        pref->CKB_VestaMod->click();
        pref->CKB_LongueposePermanent->click();
        pref->CKB_Historique_Comm->click();
        const auto lines = [&set] { return set.telescope().traffic.lines(); };
        CameraPanel* camera = main->videoSource().panel();
        camera->BTN_Poselongue->click();
        TFRM_Longuepose* w = set.longExposureWindow();

        const auto written = lines().size();
        w->BTN_Demarrer_Pose->click();
        QVERIFY(!set.longExposure().active());
        QVERIFY(w->BTN_Demarrer_Pose->isEnabled());
        QVERIFY(!camera->CKB_Longuepose_Active->isChecked());
        QCOMPARE(lastMessage(set),
                 QStringLiteral("Pose longue impossible : la capture de la caméra n'est pas démarrée."));
        QCOMPARE(lines().size(), written);

        startSimulatedCamera(set);
        w->BTN_Demarrer_Pose->click();
        QVERIFY(set.longExposure().active());
        QCOMPARE(lines().last().right(4), QStringLiteral("0000"));
        pref->CKB_VestaMod->click();
        QVERIFY(!set.longExposure().active());
        QVERIFY(!camera->CKB_Longuepose_Active->isChecked());
        QVERIFY(w->BTN_Demarrer_Pose->isEnabled());
        QCOMPARE(lines().last(), QStringLiteral("0378 : 00001111"));
        QVERIFY(lastMessage(set).contains(QStringLiteral("Vesta modifiée")));
    }

    // Motion starts a single exposure; the user stops it: detection goes on,
    // so a frame without motion is not selected and new motion acts again.
    void stoppedSingleExposureGivesDetectionBack()
    {
        WindowSet set;
        TFRM_Alv* main = set.main();
        ImageCore& core = main->core();
        main->show();
        QVERIFY(QTest::qWaitForWindowExposed(main));
        set.preferences()->CKB_VestaMod->click();
        startSimulatedCamera(set);
        QVERIFY(core.buffers.created());
        QImage& frame = core.buffers.frameSlots[0];

        MotionPanel* panel = main->measures()->motionPanel();
        main->CKB_Detection_Mvt->setChecked(true);
        panel->SCB_Seuil_Detection_Niveau->setValue(10);
        panel->SCB_Seuil_Detection_Nbre->setValue(100);
        panel->CKB_Detection_Action->setChecked(true);
        frame.fill(Qt::black);
        qobject_cast<TFRM_ImgRef*>(set.window(QStringLiteral("TFRM_ImgRef")))->BTN_Def_ImgRef_Manuel->click();
        qobject_cast<TFRM_Prg_Action*>(set.window(QStringLiteral("TFRM_Prg_Action")))->CKB_Action_Pose_longue->click();

        QVERIFY(!core.pipeline.ProcessFrame(true));
        frame.fill(Qt::white);
        QVERIFY(core.pipeline.ProcessFrame(true));
        QVERIFY(set.longExposure().active());

        CameraPanel* camera = main->videoSource().panel();
        QVERIFY(camera->CKB_Longuepose_Active->isChecked());
        camera->CKB_Longuepose_Active->click();
        QVERIFY(!set.longExposure().active());

        frame.fill(Qt::black);
        QVERIFY2(!core.pipeline.ProcessFrame(true), "a still frame is not selected");
        frame.fill(Qt::white);
        QVERIFY(core.pipeline.ProcessFrame(true));
        QVERIFY2(set.longExposure().active(), "new motion starts a new exposure");
    }
};

} // namespace velumbra::test

QTEST_MAIN(velumbra::test::TestLongExposureWindow)
#include "test_long_exposure_window.moc"

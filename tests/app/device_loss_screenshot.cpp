// Draws the main window after the devices of a night were lost: the
// parallel port pulled out during a long exposure, then the camera pulled
// out while timed saving ran; saves it as device-loss.png in the folder given
// as the first argument (scripts/screenshot-device-loss runs it on a
// virtual display).
#include "ScreenshotRun.h"
#include "acquisition/control/VideoSource.h"
#include "acquisition/ui/GRB_Camera.h"
#include "acquisition/ui/VideoSourceUi.h"
#include "app/ui/WindowSet.h"
#include "exposure/LongExposure.h"
#include "exposure/ui/TFRM_Longuepose.h"
#include "results/ui/TFRM_Alv_Child.h"
#include "settings/ui/TFRM_Pref.h"
#include "simulator/SimulatorDevices.h"
#include "simulator/SkySimulator.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

using namespace velumbra;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    test::ScreenshotWindows run(argc, argv);
    if (const int failed = run.start()) return failed;
    const QDir& out = run.out;
    WindowSet& set = run.set;
    TFRM_Alv* main = set.main();
    set.preferences()->CKB_VestaMod->click();
    test::startSimulator(main);

    main->videoSource().panel()->BTN_Poselongue->click();
    TFRM_Longuepose* window = set.longExposureWindow();
    window->SPED_Vesta_Pose->setValue(3000);
    window->BTN_Demarrer_Pose->click();
    QTest::qWait(1000);
    set.simulator().parallelBox().unplug();
    for (int i = 0; i < 80 && set.longExposure().active(); ++i) QTest::qWait(100);
    if (set.longExposure().active()) return 1;
    window->close();
    QTest::qWait(1000);

    TFRM_Alv_Child* child = set.resultWindow();
    child->findChild<QLineEdit*>(QStringLiteral("EDT_Nom_Image"))->setText(run.work.work.filePath(QStringLiteral("m42_")));
    child->findChild<QComboBox*>(QStringLiteral("CBX_Unite"))->setCurrentIndex(1);
    child->findChild<QPushButton*>(QStringLiteral("BTN_Demarrer_Sauv"))->click();
    QTest::qWait(1200);
    main->videoSource().sky().setCameraPlugged(false);
    for (int i = 0; i < 30 && main->videoSource().source().running(); ++i) QTest::qWait(100);
    if (main->videoSource().source().running()) return 1;
    QTest::qWait(300);
    return main->grab().save(out.filePath(QStringLiteral("device-loss.png"))) ? 0 : 1;
}

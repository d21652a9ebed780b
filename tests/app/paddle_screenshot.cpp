// Draws the "Telescope" window connected to "Simulateur (LX200)" after a
// GOTO to M 31 and the position query once there, and saves it as telescope-paddle.png in
// the folder given as the first argument (scripts/screenshot-paddle runs it
// on a virtual display).
#include "ScreenshotRun.h"
#include "app/ui/TFRM_Alv.h"
#include "acquisition/ui/VideoSourceUi.h"
#include "app/ui/WindowSet.h"
#include "simulator/SkySimulator.h"
#include "settings/ui/TFRM_Pref.h"
#include "telescope/SerialPortItems.h"
#include "telescope/Telescope.h"
#include "telescope/ui/TFRM_Raquette.h"
#include "widgets/TNumInp.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

using namespace velumbra;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    test::ScreenshotWindows run(argc, argv);
    if (const int failed = run.start()) return failed;
    const QDir& out = run.out;
    WindowSet& set = run.set;
    TFRM_Alv* main = set.main();
    TFRM_Pref* pref = set.preferences();
    pref->RDB_LX200->click();
    pref->CBX_AG_PortSerie->setCurrentText(kSimulatorLx200Item);
    pref->BTN_Connecter->click();
    if (!set.telescope().mount.linkUp()) return 1;

    main->MNU_Telescope->trigger();
    auto* paddle = qobject_cast<TFRM_Raquette*>(set.window(QStringLiteral("TFRM_Raquette")));
    if (!paddle || !QTest::qWaitForWindowExposed(paddle)) return 1;
    paddle->RDB_Messier->click();
    paddle->TNI_Numero->setValue(31);
    paddle->BTN_GOTO->click();
    // The simulated mount slews at its own pace: the query once it is there.
    SkySimulator& sky = main->videoSource().sky();
    for (int s = 0; s < 300 && (s < 2 || sky.mount().slewing()); ++s) QTest::qWait(500);
    paddle->BTN_Position_Actuelle->click();
    QTest::qWait(300);
    std::printf("GOTO reply \"%s\", A.D. \"%s\", Dec. \"%s\"\n", qPrintable(paddle->EDT_Resultat->text()),
                qPrintable(paddle->EDT_Position_Actuelle_AR->text()),
                qPrintable(paddle->EDT_Position_Actuelle_Dec->text()));
    if (!paddle->grab().save(out.filePath(QStringLiteral("telescope-paddle.png")))) return 1;
    return 0;
}

// Draws the INDI windows for docs/screenshots (scripts/screenshot-indi runs
// it on a virtual display with a window manager), against an indiserver of
// its own with the camera and telescope simulators (loopback only, stopped
// by its process id), the stand-in catalogue giving the camera stars:
//   indi-driver-chooser.png  the driver chooser with the INDI server panel
//   indi-source-dialog.png   the live INDI camera and its source dialog
//   indi-preferences.png     the preferences' telescope tab for INDI
//   indi-telescope.png       the telescope window after a GOTO on the INDI mount
// Optional second argument "en": the English texts of Language.ini.
#include "../indi/IndiServer.h"
#include "ScreenshotRun.h"

#include "acquisition/IndiCameraDriver.h"
#include "acquisition/ui/TFRM_Pilote.h"
#include "acquisition/ui/TFRM_VideoSource.h"
#include "acquisition/ui/VideoSourceUi.h"
#include "indi/IndiClient.h"
#include "indi/ui/PNL_Indi.h"
#include "settings/ui/TFRM_Pref.h"
#include "telescope/IndiMount.h"
#include "telescope/Telescope.h"
#include "telescope/ui/TFRM_Raquette.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <cstdio>

using namespace velumbra;

namespace {

bool saveScreen(const QDir& out, const char* name)
{
    QTest::qWait(400);
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
    const bool ok = shot.save(out.filePath(QString::fromLatin1(name)));
    std::printf("%s %s\n", name, ok ? "written" : "NOT written");
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (!test::IndiServer::available()) return 2;
    test::IndiServer server({"indi_simulator_ccd", "indi_simulator_telescope"});
    server.setEnvironment(QStringLiteral("PATH"), QStringLiteral(VELUMBRA_CATALOGUE_DIR ":")
                                                      + QProcessEnvironment::systemEnvironment().value(QStringLiteral("PATH")));
    if (!server.start()) return 2;
    test::ScreenshotWindows run(argc, argv);
    if (const int failed = run.start()) return failed;
    const QDir& out = run.out;
    WindowSet& set = run.set;
    TFRM_Alv* main = set.main();
    IndiClient& client = main->videoSource().indiClient();
    IndiSettings& indi = main->videoSource().indiSettings();
    indi.port = server.port();
    if (argc > 2 && QByteArray(argv[2]) == "en") {
        set.preferences()->findChild<QComboBox*>(QStringLiteral("CBX_Langue"))->setCurrentText(QStringLiteral("English"));
    }

    // The mount first, pointed and tracking, so the camera sees the catalogue's field.
    TFRM_Pref* pref = set.preferences();
    pref->RDB_INDI->click();
    pref->BTN_Connecter->click();
    IndiMount* mount = set.telescope().mount.indiMount();
    if (!mount) return 1;
    client.sendSwitches(QStringLiteral("Telescope Simulator"), QStringLiteral("TELESCOPE_PARK"), {{"UNPARK", true}});
    mount->sync(5.5, 20);
    client.sendSwitches(QStringLiteral("Telescope Simulator"), QStringLiteral("TELESCOPE_TRACK_STATE"), {{"TRACK_ON", true}});
    QTest::qWait(500);

    // The driver chooser with its INDI panel open, the camera chosen there.
    indi.cameraOptions.exposureMs = 400;
    indi.cameraOptions.binning = 2;
    indi.cameraOptions.mapping = IndiDepthMapping::Stretch;
    indi.cameraOptions.stretchHigh = 2500;
    QTimer::singleShot(300, [&] {
        auto* d = qobject_cast<TFRM_Pilote*>(QApplication::activeModalWidget());
        if (!d) return;
        d->move(60, 120);
        d->BTN_Indi->click();
        QTest::qWait(300);
        if (PNL_Indi* p = d->indiPanel()) {
            const int camera = p->CBX_Indi_Camera->findText(QStringLiteral("CCD Simulator"));
            p->CBX_Indi_Camera->setCurrentIndex(camera);
            emit p->CBX_Indi_Camera->activated(camera);
        }
        QTest::qWait(800);
        saveScreen(out, "indi-driver-chooser.png");
        d->accept();
    });
    main->findChild<QPushButton*>(QStringLiteral("BTN_Start"))->click();
    if (!dynamic_cast<IndiCameraDriver*>(main->videoSource().source().driver())) return 1;
    QTest::qWait(4000); // live frames

    // The source dialog over the live image.
    QTimer::singleShot(600, [&] {
        QWidget* d = QApplication::activeModalWidget();
        if (!d) return;
        d->move(120, 140);
        QTest::qWait(300);
        saveScreen(out, "indi-source-dialog.png");
        d->close();
    });
    main->videoSource().MNU_SourceClick();

    // The preferences' telescope tab, INDI chosen.
    pref->move(40, 60);
    pref->show();
    pref->pages()->setCurrentWidget(pref->findChild<QWidget*>(QStringLiteral("TBS_Telescope")));
    QTest::qWaitForWindowExposed(pref);
    saveScreen(out, "indi-preferences.png");
    pref->hide();

    // The telescope window after a GOTO to typed coordinates, the result
    // window (always on top) out of its way.
    if (QWidget* result = set.window(QStringLiteral("TFRM_Alv_Child"))) result->move(700, 420);
    main->MNU_Telescope->trigger();
    auto* paddle = qobject_cast<TFRM_Raquette*>(set.window(QStringLiteral("TFRM_Raquette")));
    if (!paddle || !QTest::qWaitForWindowExposed(paddle)) return 1;
    paddle->move(820, 60);
    paddle->EDT_Goto_AR->setText(QStringLiteral("05:35:17"));
    paddle->EDT_Goto_Dec->setText(QStringLiteral("+20:30:00"));
    paddle->BTN_Goto_Coord->click();
    for (int i = 0; i < 60 && paddle->TMR_Position->isActive(); ++i) QTest::qWait(500);
    saveScreen(out, "indi-telescope.png");
    main->findChild<QPushButton*>(QStringLiteral("BTN_Stop"))->click();
    return 0;
}

// Draws the tools a user drives on the simulated observatory, in French and
// in English: the "Telescope" window after a GOTO to M 31 (its reply and the
// position in words) and after an autofocus from a defocused star, the
// focus tab and the message panel that says how the autofocus ended, and the
// "Autoguidage" window with its live graph after half a minute of guiding.
// Saves them as PNG files in the folder given as the first argument
// (scripts/screenshot-goto-autofocus runs it on a virtual display).
#include "ScreenshotRun.h"
#include "acquisition/ui/VideoSourceUi.h"
#include "app/ui/TFRM_Alv.h"
#include "app/ui/ShellGuiding.h"
#include "app/ui/WindowSet.h"
#include "processing/ui/FocusPanel.h"
#include "processing/ui/MeasuresUi.h"
#include "processing/ui/TrackingPanel.h"
#include "settings/ui/TFRM_Pref.h"
#include "simulator/SkySimulator.h"
#include "telescope/SerialPortItems.h"
#include "telescope/Telescope.h"
#include "telescope/ui/PNL_Autoguidage.h"
#include "telescope/ui/TFRM_Prg_Suivi.h"
#include "telescope/ui/TFRM_Raquette.h"
#include "widgets/TNumInp.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <cmath>
#include <cstdio>

using namespace velumbra;

namespace {

bool save(QWidget* w, const QDir& out, const QString& name)
{
    const bool ok = w->grab().save(out.filePath(name));
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(name));
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    test::ScreenshotWindows run(argc, argv);
    if (const int failed = run.start()) return failed;
    const QDir& out = run.out;
    WindowSet& set = run.set;
    TFRM_Alv* main = set.main();
    test::startSimulator(main);
    TFRM_Pref* pref = set.preferences();
    pref->RDB_LX200->click();
    pref->CBX_AG_PortSerie->setCurrentText(kSimulatorLx200Item);
    pref->BTN_Connecter->click();
    if (!set.telescope().mount.linkUp()) return 1;
    pref->hide();

    main->MNU_Telescope->trigger();
    auto* paddle = qobject_cast<TFRM_Raquette*>(set.window(QStringLiteral("TFRM_Raquette")));
    if (!paddle || !QTest::qWaitForWindowExposed(paddle)) return 1;
    SkySimulator& sky = main->videoSource().sky();
    QComboBox* languages = pref->CBX_Langue;
    bool ok = true;

    for (const char* language : {"Français", "English"}) {
        const QString suffix = QString::fromUtf8(language) == QStringLiteral("English") ? QStringLiteral("-en")
                                                                                        : QStringLiteral("-fr");
        languages->setCurrentIndex(languages->findText(QString::fromUtf8(language)));
        QTest::qWait(400);

        // GOTO M 31, or M 81 (near the pole, always up) when M 31 has set;
        // the position follows the slew until it ends.
        paddle->RDB_Messier->click();
        for (int messier : {31, 81}) {
            paddle->TNI_Numero->setValue(messier);
            paddle->BTN_GOTO->click();
            if (paddle->TMR_Position->isActive()) break;
        }
        for (int s = 0; s < 300 && (s < 2 || paddle->TMR_Position->isActive()); ++s) QTest::qWait(500);
        std::printf("GOTO \"%s\", A.D. \"%s\", Dec. \"%s\"\n", qPrintable(paddle->EDT_Resultat->text()),
                    qPrintable(paddle->EDT_Position_Actuelle_AR->text()),
                    qPrintable(paddle->EDT_Position_Actuelle_Dec->text()));
        ok = save(paddle, out, QStringLiteral("telescope-goto%1.png").arg(suffix)) && ok;

        // The autofocus from a defocused star, with the default settings.
        main->core().controls.CKB_Suivi = false;
        QTest::qWait(300);
        const int star = sky.brightestStarInView(main->core().buffers.imageWidth, main->core().buffers.imageHeight, 80,
                                                 200);
        if (star < 0) return 1;
        const QPointF at = sky.starPosition(star, main->core().buffers.imageWidth, main->core().buffers.imageHeight);
        main->core().zone.starPos = {int(std::lround(at.x())), int(std::lround(at.y()))};
        main->trackingPanel()->switchOn(false);
        sky.mount().setFocuserPosition(sky.mount().settings().bestFocus + 150);
        QTest::qWait(600);
        main->MEMO_Message->clear();
        paddle->BTN_Demarrer_Autofocus->click();
        for (int s = 0; s < 360 && paddle->autofocus().active(); ++s) QTest::qWait(500);
        std::printf("autofocus: %d moves, %s, ends %+.0f steps from best\n", paddle->autofocus().moves(),
                    paddle->autofocus().active() ? "still running" : "ended",
                    sky.mount().focuserPosition() - sky.mount().settings().bestFocus);
        ok = save(paddle, out, QStringLiteral("telescope-autofocus%1.png").arg(suffix)) && ok;
        FocusPanel* focus = main->measures()->focusPage();
        focus->CKB_MAP->click(); // the measure on again, to show the width reached
        QTest::qWait(2500);
        ok = save(main, out, QStringLiteral("main-autofocus%1.png").arg(suffix)) && ok;
        focus->CKB_MAP->click();

        // Half a minute of guiding, the activity window shown.
        if (!pref->CKB_Affiche_Etendu->isChecked()) pref->CKB_Affiche_Etendu->click();
        set.guiding().panel()->CKB_Autoguidage->click();
        QTest::qWait(30000);
        TFRM_Prg_Suivi* guiding = set.guidingWindow();
        if (!guiding || !guiding->isVisible()) return 1;
        ok = save(guiding, out, QStringLiteral("guiding-graph%1.png").arg(suffix)) && ok;
        set.guiding().panel()->CKB_Autoguidage->click();
    }
    return ok ? 0 : 1;
}

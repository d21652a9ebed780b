// Draws each tool window (and the main window) in French and in English, by day and in night
// mode, while the sky simulator runs, and saves them as
// <window>-<fr|en>-<day|night>.png in the folder given as the first argument
// (scripts/screenshot-tools runs it on a virtual display with a window
// manager). Captions that do not fit their control are listed on the
// standard error; the exit status is then 3.
#include "ScreenshotRun.h"
#include "app/ui/ClippedText.h"
#include "app/ui/TFRM_Alv.h"
#include "app/ui/WindowSet.h"
#include "settings/ui/TFRM_Pref.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QPixmap>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include <cstdio>

using namespace velumbra;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    test::ScreenshotWindows run(argc, argv);
    if (const int failed = run.start()) return failed;
    WindowSet& set = run.set;
    TFRM_Alv* main = set.main();
    test::startSimulator(main);
    TFRM_Pref* pref = set.preferences();
    pref->CKB_VestaMod->click(); // every page of the preferences shows
    pref->RDB_LX200->click();
    pref->pages()->setCurrentWidget(pref->findChild<QWidget*>(QStringLiteral("TBS_Telescope")));
    // The result window on its timed saving, with its units.
    if (auto* pages = set.window(QStringLiteral("TFRM_Alv_Child"))->findChild<QTabWidget*>(QStringLiteral("PGC_Child")))
        pages->setCurrentIndex(1);

    const std::pair<const char*, const char*> windows[] = {
        {"TFRM_Raquette", "telescope"},       {"TFRM_FWHM", "focus"},
        {"TFRM_Prg_Suivi", "guiding"},        {"TFRM_Longuepose", "longexposure"},
        {"TFRM_Info", "info"},                {"TFRM_Alv_Child", "result"},
        {"TFRM_Pref", "preferences"},         {"TFRM_Main", "polar-alignment"},
        {"TFRM_ErrPeriod", "periodic-error"}, {"TFRM_Alv", "main"},
    };
    const std::pair<const char*, const char*> languages[] = {{"Français", "fr"}, {"English", "en"}};
    bool fits = true;
    QComboBox* list = pref->CBX_Langue;
    for (const bool night : {false, true}) {
        if (main->MNU_Mode_Nuit->isChecked() != night) main->MNU_Mode_Nuit->trigger();
        for (auto [language, code] : languages) {
            list->setCurrentIndex(list->findText(QString::fromUtf8(language)));
            for (auto [name, file] : windows) {
                QWidget* window = set.window(QString::fromLatin1(name));
                if (!window) return 1;
                window->show();
                window->raise();
                if (!QTest::qWaitForWindowExposed(window)) return 1;
                QTest::qWait(400);
                for (const QString& c : clippedTexts(window)) {
                    std::fprintf(stderr, "%s %s: %s\n", name, code, qUtf8Printable(c));
                    fits = false;
                }
                const QString png = QStringLiteral("%1-%2-%3.png")
                                        .arg(QString::fromLatin1(file), QString::fromLatin1(code),
                                             night ? QStringLiteral("night") : QStringLiteral("day"));
                if (!window->grab().save(run.out.filePath(png))) return 1;
                if (window != main) window->hide();
            }
        }
    }
    if (main->MNU_Mode_Nuit->isChecked()) main->MNU_Mode_Nuit->trigger();
    return fits ? 0 : 3;
}

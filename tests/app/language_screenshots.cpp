// Draws the main window in French and in English while the sky simulator
// runs, and the preferences dialog in English, and saves them as PNG files
// in the folder given as the first argument (scripts/screenshot-languages
// runs it on a virtual display). Captions that do not fit their control
// are listed on the standard error; the exit status is then 3.
#include "ScreenshotRun.h"
#include "acquisition/ui/TFRM_Pilote.h"
#include "app/ui/ClippedText.h"
#include "app/ui/ShellLanguage.h"
#include "app/ui/TFRM_Alv.h"
#include "app/ui/WindowSet.h"
#include "settings/ui/TFRM_Pref.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>

using namespace velumbra;

namespace {

bool reportClipped(QWidget* w, const QString& where)
{
    const QStringList clipped = clippedTexts(w);
    for (const QString& c : clipped) std::fprintf(stderr, "%s: %s\n", qUtf8Printable(where), qUtf8Printable(c));
    return clipped.isEmpty();
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

    bool fits = true;
    TFRM_Pref* pref = set.preferences();
    QComboBox* languages = pref->CBX_Langue;
    const std::pair<const char*, const char*> mains[] = {{"Français", "main-window-fr.png"},
                                                         {"English", "main-window-en.png"}};
    for (auto [language, file] : mains) {
        languages->setCurrentIndex(languages->findText(QString::fromUtf8(language)));
        QTest::qWait(600);
        fits = reportClipped(main, QString::fromUtf8(language) + QStringLiteral(" main window")) && fits;
        if (!main->grab().save(out.filePath(QString::fromLatin1(file)))) return 1;
    }

    // English is chosen: the dialog's tabs, the longest captions first.
    pref->move(0, 0);
    pref->show();
    if (!QTest::qWaitForWindowExposed(pref)) return 1;
    // Every page shows: the long exposures for a modified camera, guiding for a mount.
    pref->CKB_VestaMod->click();
    pref->RDB_LX200->click();
    const std::pair<const char*, const char*> tabs[] = {{"TBS_Telescope", "preferences-telescope-en.png"},
                                                        {"TBS_Autoguidage", "preferences-autoguidage-en.png"},
                                                        {"TBS_Monture", "preferences-monture-en.png"}};
    for (auto [tab, file] : tabs) {
        pref->pages()->setCurrentWidget(pref->findChild<QWidget*>(QString::fromLatin1(tab)));
        QTest::qWait(200);
        if (!pref->grab().save(out.filePath(QString::fromLatin1(file)))) return 1;
    }
    for (int i = 0; i < pref->pages()->count(); ++i) {
        pref->pages()->setCurrentIndex(i);
        QTest::qWait(50);
        fits = reportClipped(pref, QStringLiteral("Preferences, ") + pref->pages()->tabText(i)) && fits;
        if (argc > 2) pref->grab().save(out.filePath(pref->pages()->widget(i)->objectName() + QStringLiteral("-en.png")));
    }
    return fits ? 0 : 3;
}

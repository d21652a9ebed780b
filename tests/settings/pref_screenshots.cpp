// Shows the preferences dialog and saves three of its tabs as PNG files in
// the folder given as the first argument (scripts/screenshot-preferences
// runs it on a virtual display). No settings file is read or written.
#include "acquisition/control/VideoSource.h"
#include "core/DebugLog.h"
#include "processing/PipelineControls.h"
#include "settings/ProfileActions.h"
#include "settings/ui/TFRM_Pref.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QPixmap>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

using namespace velumbra;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) return 2;
    const QDir out(QString::fromLocal8Bit(argv[1]));
    PrefsValues prefs;
    VideoSourceControls video;
    PipelineControls controls;
    DebugLog log;
    ProfileActions profiles(prefs, video); // no file: nothing is written
    TFRM_Pref dialog(controls, log, prefs, profiles);
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog)) return 1;
    dialog.CKB_VestaMod->click(); // the long-exposure tab shows for a modified camera
    dialog.RDB_LX200->click();

    const std::pair<const char*, const char*> shots[] = {{"TBS_Optique", "preferences-optique.png"},
                                                         {"TBS_Telescope", "preferences-telescope.png"},
                                                         {"TBS_Poselongue", "preferences-longues-poses.png"}};
    for (auto [tab, file] : shots) {
        dialog.pages()->setCurrentWidget(dialog.findChild<QWidget*>(QString::fromLatin1(tab)));
        QTest::qWait(200);
        if (!dialog.grab().save(out.filePath(QString::fromLatin1(file)))) return 1;
    }
    // With a second argument, every tab, to look the whole dialog over.
    if (argc > 2)
        for (int i = 0; i < dialog.pages()->count(); ++i) {
            dialog.pages()->setCurrentIndex(i);
            QTest::qWait(100);
            dialog.grab().save(out.filePath(dialog.pages()->widget(i)->objectName() + QStringLiteral(".png")));
        }
    return 0;
}

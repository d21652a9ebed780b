// Runs the program's windows on the sky simulator with the focus measure
// and the quality selection on, and saves the "Mise au point" and
// "Select.Imag." tabs, the main window and TFRM_FWHM as PNG files in the
// folder given as the first argument (scripts/screenshot-measures runs it
// on a virtual display, in an empty folder: the settings file is read
// there, and nothing is written back).
#include "acquisition/ui/GRB_Camera.h"
#include "acquisition/ui/VideoSourceUi.h"
#include "app/ui/TFRM_Alv.h"
#include "app/ui/WindowSet.h"
#include "processing/ui/FocusPanel.h"
#include "processing/ui/MeasuresUi.h"
#include "processing/ui/SelectionPanel.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

using namespace velumbra;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) return 2;
    const QDir out(QString::fromLocal8Bit(argv[1]));
    WindowSet set;
    TFRM_Alv* main = set.main();
    main->show();
    if (!QTest::qWaitForWindowExposed(main)) return 1;
    // "Demarrer" with the sky simulator, the last driver of the list.
    main->videoSource().chooserOverride = [](const QStringList& entries) {
        return std::optional<int>(int(entries.size()) - 1);
    };
    main->videoSource().panel()->BTN_Start->click();
    QTest::qWait(1500);

    FocusPanel* focus = main->measures()->focusPage();
    SelectionPanel* selection = main->measures()->selectionPage();
    focus->CKB_MAP->click();
    focus->CKB_Son_MAP->click();
    selection->CKB_Selection->click();
    focus->CKB_GROS_FWHM->click();
    QTest::qWait(4000);

    QWidget* fwhm = set.window(QStringLiteral("TFRM_FWHM"));
    const std::pair<QWidget*, const char*> shots[] = {{focus, "main-mise-au-point.png"},
                                                      {selection, "main-select-imag.png"}};
    for (auto [page, file] : shots) {
        main->PageControl1->setCurrentWidget(page);
        QTest::qWait(300);
        if (!main->grab().save(out.filePath(QString::fromLatin1(file)))) return 1;
        const QString tab = QStringLiteral("tab-") + QString::fromLatin1(file).mid(5);
        if (!main->PageControl1->grab().save(out.filePath(tab))) return 1;
    }
    if (!fwhm->grab().save(out.filePath(QStringLiteral("fwhm.png")))) return 1;
    // The program ends here without closing the main window: no settings are written.
    return 0;
}

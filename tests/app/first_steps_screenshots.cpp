// Draws, in French and in English, the windows a new user meets first: the
// main window with its message panel after the first start and a mount
// connected, the dark page, the result window's timed saving, the target's
// aspect and the serial ports of the preferences, and the question asked when
// the program is closed while a stack runs. Saves them as PNG files in the
// folder given as the first argument (scripts/screenshot-first-steps runs it
// on a virtual display); captions that do not fit are listed, exit status 3.
#include "ScreenshotRun.h"
#include "app/ui/ClippedText.h"
#include "app/ui/TFRM_Alv.h"
#include "app/ui/WindowSet.h"
#include "processing/ui/PNL_Integration.h"
#include "results/ui/TFRM_Alv_Child.h"
#include "settings/ui/TFRM_Pref.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <cstdio>

using namespace velumbra;

namespace {

bool saveChecked(QWidget* w, const QDir& out, const QString& file)
{
    bool fits = true;
    for (const QString& c : clippedTexts(w)) {
        std::fprintf(stderr, "%s: %s\n", qUtf8Printable(file), qUtf8Printable(c));
        fits = false;
    }
    w->grab().save(out.filePath(file));
    return fits;
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
    TFRM_Pref* pref = set.preferences();
    QTest::qWait(300);
    // The first start's message, before anything else is said.
    main->grab().save(out.filePath(QStringLiteral("first-start-fr.png")));
    test::startSimulator(main);

    bool fits = true;
    QComboBox* languages = pref->CBX_Langue;
    TFRM_Alv_Child* child = set.resultWindow();
    for (const char* language : {"Français", "English"}) {
        const QString suffix = QString::fromUtf8(language) == QStringLiteral("English") ? QStringLiteral("-en.png")
                                                                                        : QStringLiteral("-fr.png");
        languages->setCurrentIndex(languages->findText(QString::fromUtf8(language)));
        QTest::qWait(400);

        // The simulated mount, connected from the preferences.
        pref->move(820, 0);
        pref->show();
        QTest::qWait(200);
        pref->RDB_LX200->click();
        pref->pages()->setCurrentWidget(pref->findChild<QWidget*>(QStringLiteral("TBS_Telescope")));
        pref->CBX_AG_PortSerie->setCurrentText(QStringLiteral("Simulateur (LX200)"));
        pref->BTN_Connecter->click();
        QTest::qWait(300);
        fits = saveChecked(pref, out, QStringLiteral("ports") + suffix) && fits;
        pref->CBX_AG_PortSerie->showPopup();
        QTest::qWait(300);
        if (QWidget* list = QApplication::activePopupWidget())
            list->grab().save(out.filePath(QStringLiteral("port-list") + suffix));
        pref->CBX_AG_PortSerie->hidePopup();
        pref->pages()->setCurrentWidget(pref->findChild<QWidget*>(QStringLiteral("TBS_Mire")));
        pref->RDB_Cercle->click();
        QTest::qWait(100);
        fits = saveChecked(pref, out, QStringLiteral("target-outline-centre") + suffix) && fits;
        pref->BTN_Deconnecter->click();
        pref->hide();

        // One image saved by hand, then the timed saving page.
        child->move(0, 640);
        child->showNormal();
        QTest::qWait(200);
        child->findChild<QPushButton*>(QStringLiteral("BTN_Enregistrer_Image"))->click();
        auto* pages = child->findChild<QTabWidget*>(QStringLiteral("PGC_Child"));
        pages->setCurrentIndex(1);
        child->findChild<QComboBox*>(QStringLiteral("CBX_Unite"))->setCurrentIndex(1);
        child->findChild<QSpinBox*>(QStringLiteral("SPED_Freq_Sauve"))->setValue(3);
        child->findChild<QRadioButton*>(QStringLiteral("RDB_Pendant"))->setChecked(true);
        QTest::qWait(200);
        fits = saveChecked(child, out, QStringLiteral("timed-saving") + suffix) && fits;

        // The dark page, at a level typed in.
        PNL_Integration* stack = main->integrationPanel();
        stack->PGC_Dark_Flat->setCurrentWidget(stack->TBS_Dark);
        stack->SCB_Seuil_dark->setValue(25);
        QTest::qWait(300);
        fits = saveChecked(main, out, QStringLiteral("main-messages") + suffix) && fits;

        // Closing while a stack runs: the question, answered "No".
        stack->CKB_Integration->setChecked(true);
        stack->BTN_Demarrer_Add->click();
        QTimer::singleShot(500, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                box->grab().save(out.filePath(QStringLiteral("close-question") + suffix));
                box->reject();
            }
        });
        main->MNU_Fermer->trigger();
        stack->BTN_Arreter_Add->click();
        stack->CKB_Integration->setChecked(false);
    }
    return fits ? 0 : 3;
}

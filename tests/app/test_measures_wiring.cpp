// The measures in the program: the two tabs in the main window, the real
// windows in the window set, detection and the result window's saving.
#include "app/ui/TFRM_Alv.h"
#include "app/ui/WindowSet.h"
#include "processing/ui/FocusPanel.h"
#include "processing/ui/MeasuresUi.h"
#include "processing/ui/MotionPanel.h"
#include "processing/ui/SelectionPanel.h"
#include "processing/ui/TFRM_FWHM.h"
#include "processing/ui/TFRM_ImgRef.h"
#include "processing/ui/TFRM_Prg_Action.h"
#include "processing/ui/TrackingPanel.h"
#include "results/SaveScheduler.h"
#include "results/ui/TFRM_Alv_Child.h"
#include "settings/ui/TFRM_Pref.h"
#include "tests/PlainJpeg.h"
#include "widgets/TNumInp.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace velumbra;

class TestMeasuresWiring : public QObject {
    Q_OBJECT
private slots:
    void tabsAndWindowsAreTheMeasures()
    {
        WindowSet set;
        TFRM_Alv* main = set.main();
        QCOMPARE(main->PageControl1->widget(0), static_cast<QWidget*>(main->measures()->focusPage()));
        QCOMPARE(main->PageControl1->widget(1), static_cast<QWidget*>(main->measures()->selectionPage()));
        QCOMPARE(main->PageControl1->tabText(0), QStringLiteral("Mise au point"));
        QCOMPARE(main->PageControl1->tabText(1), QStringLiteral("Select.Imag."));
        QVERIFY(qobject_cast<TFRM_FWHM*>(set.window(QStringLiteral("TFRM_FWHM"))));
        QVERIFY(qobject_cast<TFRM_ImgRef*>(set.window(QStringLiteral("TFRM_ImgRef"))));
        QVERIFY(qobject_cast<TFRM_Prg_Action*>(set.window(QStringLiteral("TFRM_Prg_Action"))));
        QCOMPARE(main->toolPanelFor(main->CKB_Detection_Mvt), static_cast<QWidget*>(main->measures()->motionPanel()));

        // "GROS" opens the window of the set.
        main->measures()->focusPage()->CKB_GROS_FWHM->click();
        QVERIFY(set.window(QStringLiteral("TFRM_FWHM"))->isVisible());
        // "Active" turns tracking on.
        QVERIFY(!main->CKB_Suivi->isChecked());
        main->measures()->focusPage()->CKB_MAP->click();
        QVERIFY(main->CKB_Suivi->isChecked());
        QVERIFY(main->core().controls.CKB_Suivi);
    }

    void detectionStartsAndEndsWithTheResultWindowsSaving()
    {
        QTemporaryDir dir;
        WindowSet set;
        TFRM_Alv* main = set.main();
        TFRM_Alv_Child* child = set.resultWindow();
        ImageCore& core = main->core();
        core.buffers.create();
        core.buffers.setFrameSize(320, 240);
        core.buffers.frameSlots[0].fill(Qt::black);
        core.zone.starPos = {160, 120};
        core.flags.targetActive = true;
        child->findChild<QLineEdit*>(QStringLiteral("EDT_Nom_Image"))->setText(dir.path() + QStringLiteral("/mvt"));

        MotionPanel* panel = main->measures()->motionPanel();
        QVERIFY(!panel->BTN_ImageRef->isEnabled());
        main->CKB_Detection_Mvt->setChecked(true);
        QVERIFY(panel->BTN_ImageRef->isEnabled());
        panel->SCB_Seuil_Detection_Niveau->setValue(10);
        panel->SCB_Seuil_Detection_Nbre->setValue(100);
        panel->CKB_Detection_Action->setChecked(true);
        auto* reference = qobject_cast<TFRM_ImgRef*>(set.window(QStringLiteral("TFRM_ImgRef")));
        reference->BTN_Def_ImgRef_Manuel->click();
        auto* action = qobject_cast<TFRM_Prg_Action*>(set.window(QStringLiteral("TFRM_Prg_Action")));
        action->CKB_Action_Sauvegarder->click();

        QVERIFY(!core.pipeline.ProcessFrame(true));
        core.buffers.frameSlots[0].fill(Qt::white);
        QVERIFY(core.pipeline.ProcessFrame(true));
        QVERIFY2(child->scheduler().running(), "the detection started the saving");
        QVERIFY(core.motion.singleShot());
        // Stopping the saving ends the action: detection runs again.
        child->BTN_Arreter_SauvClick();
        QVERIFY(!core.motion.singleShot());

        // Unchecking detection stops a running saving and locks the panel.
        child->BTN_Demarrer_SauvClick();
        QVERIFY(child->scheduler().running());
        main->CKB_Detection_Mvt->setChecked(false);
        QVERIFY(!child->scheduler().running());
        QVERIFY(!panel->BTN_ImageRef->isEnabled());
    }

    // "DCT" scores the zone frame's 24-bit JPEG at RoundDown of the
    // preferences' quality field: 30 for the field's 31 at the initial
    // slider position, 40 for 41, so that a kept threshold keeps its meaning.
    void qualityScoreIsTheColourJpegAtThePreferencesQuality()
    {
        WindowSet set;
        TFRM_Alv* main = set.main();
        ImageCore& core = main->core();
        core.buffers.create();
        core.buffers.setFrameSize(320, 240);
        QImage& frame = core.buffers.frameSlots[0];
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x) frame.setPixel(x, y, qRgb((x * 7 + y * 3) & 255, (x * y) & 255, (x ^ y) & 255));
        core.zone.starPos = {160, 120};
        core.flags.targetActive = true;
        main->measures()->selectionPage()->CKB_Selection->click();
        TFRM_Pref* pref = set.preferences();
        for (const auto [position, quality] : {std::pair{70, 30}, std::pair{60, 40}}) {
            pref->SCB_Finesse_Selection->setValue(position);
            QCOMPARE(double(pref->TNI_Finesse_Selection->Value()), double(quality + 1));
            core.pipeline.ProcessFrame(true);
            QCOMPARE(core.quality.lastScore(), test::plainJpegBytes(core.buffers.zoneFrame, quality));
            QVERIFY(core.quality.lastScore() != test::plainJpegBytes(core.buffers.zoneFrame, quality + 1));
        }
    }
};

QTEST_MAIN(TestMeasuresWiring)
#include "test_measures_wiring.moc"

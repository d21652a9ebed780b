// The "Select.Imag." and "Mise au point" tabs, the motion panel and the
// windows TFRM_FWHM, TFRM_ImgRef and TFRM_Prg_Action, driven as a user would.
#include "simulator/StarField.h"
#include "processing/CoreStages.h"
#include "processing/ui/FocusPanel.h"
#include "processing/ui/MeasuresUi.h"
#include "processing/ui/MotionPanel.h"
#include "processing/ui/SelectionPanel.h"
#include "processing/ui/TFRM_FWHM.h"
#include "processing/ui/TFRM_ImgRef.h"
#include "processing/ui/TFRM_Prg_Action.h"
#include "widgets/TNumInp.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace velumbra;

namespace {

// An image core with the measures' controls and windows, fed frames by hand.
struct Bench {
    Bench()
    {
        core.pipeline.setStages(&stages);
        core.buffers.create();
        core.buffers.setFrameSize(640, 480);
        renderStarField(core.buffers.frameSlots[0], 640, 480, 12, 150);
        core.zone.starPos = {320, 240};
        core.flags.targetActive = true;
        ui.attachWindows(&fwhm, &reference, &action);
    }
    ~Bench() { core.pipeline.setStages(nullptr); }
    void frames(int n)
    {
        for (int i = 0; i < n; ++i) {
            core.pipeline.ProcessFrame(true);
            ui.refresh();
        }
    }
    ManualClock clock;
    ImageCore core{clock};
    CoreStages stages{core};
    MeasuresUi ui{core, stages};
    TFRM_FWHM fwhm;
    TFRM_ImgRef reference{core};
    TFRM_Prg_Action action{core};
};

QColor colourOf(const QWidget* w) { return w->palette().color(QPalette::Window); }

} // namespace

class TestMeasuresUi : public QObject {
    Q_OBJECT
private slots:
    void captionsOfTheTabs()
    {
        Bench b;
        struct Expect { QWidget* page; const char* name; const char* caption; };
        const Expect expected[] = {
            {b.ui.selectionPage(), "CKB_Selection", "DCT"},    {b.ui.selectionPage(), "CKB_Nonvide", "Non Vide"},
            {b.ui.selectionPage(), "CKB_Select_Son", "Son"},   {b.ui.selectionPage(), "CKB_GROS_Select", "GROS"},
            {b.ui.selectionPage(), "LBL_Select_Seuil", "Seuil"}, {b.ui.selectionPage(), "LBL_Select_Pire", "Pire"},
            {b.ui.selectionPage(), "BTN_Reset_Selection", "Reset"}, {b.ui.focusPage(), "CKB_MAP", "Active"},
            {b.ui.focusPage(), "CKB_FWHM_Auto", "Auto"},       {b.ui.focusPage(), "LBL_SeuilMAP", "Seuil:"},
            {b.ui.focusPage(), "LBL_MeilleurMAP", "Meil.:"},   {b.ui.focusPage(), "LBL_PireMAP", "Pire:"},
            {b.ui.motionPanel(), "LBL_Seuil_Detect_Niveau", "S.Niv :"},
            {b.ui.motionPanel(), "BTN_ImageRef", "Img. Ref."}, {b.ui.motionPanel(), "CKB_Detection_Action", "Action"},
        };
        for (const Expect& e : expected) {
            QWidget* w = e.page->findChild<QWidget*>(QLatin1String(e.name));
            QVERIFY2(w, e.name);
            const QString text = w->property("text").toString();
            QCOMPARE(text, QString::fromUtf8(e.caption));
        }
        QCOMPARE(b.ui.focusPage()->findChild<QSpinBox*>("SPED_Seuil_MAP")->value(), 500);
    }

    void dctAndNonVideExcludeEachOtherAndSetTheSliderTop()
    {
        Bench b;
        SelectionPanel& p = *b.ui.selectionPage();
        p.CKB_Selection->click();
        QVERIFY(b.core.controls.CKB_Selection);
        QCOMPARE(p.SCB_Selection->maximum(), 9999999);
        p.CKB_Nonvide->click();
        QVERIFY(!p.CKB_Selection->isChecked());
        QVERIFY(!b.core.controls.CKB_Selection);
        QVERIFY(b.core.controls.CKB_Nonvide);
        QCOMPARE(p.SCB_Selection->maximum(), 768);
        p.CKB_Selection->click();
        QVERIFY(!p.CKB_Nonvide->isChecked());
        QVERIFY(!b.core.controls.CKB_Nonvide);
        // The slider writes the threshold the selection reads.
        p.SCB_Selection->setValue(12345);
        QCOMPARE(double(p.TNI_Seuil_Selection->Value()), 12345.0);
        QCOMPARE(b.core.controls.TNI_Seuil_Selection, 12345.0);
    }

    void sliderRangeFollowsBestAndWorstThenResets()
    {
        Bench b;
        SelectionPanel& p = *b.ui.selectionPage();
        b.core.controls.selection.SPED_Nb_Mesures = 2;
        p.CKB_Selection->click();
        b.frames(1);
        QCOMPARE(p.SCB_Selection->minimum(), 0);
        b.frames(1);
        const QualityFigures& f = b.core.quality.figures();
        QCOMPARE(p.SCB_Selection->minimum(), RoundDown(f.TNI_Pire_Qualite));
        QCOMPARE(p.SCB_Selection->maximum(), RoundDown(f.TNI_Meilleure_Qualite));
        QCOMPARE(double(p.TNI_Qualite_Actuelle->Value()), f.TNI_Qualite_Actuelle);
        // The slider went up with the range: the threshold followed it.
        QCOMPARE(b.core.controls.TNI_Seuil_Selection, double(p.SCB_Selection->minimum()));
        p.BTN_Reset_Selection->click();
        QCOMPARE(p.SCB_Selection->minimum(), 0);
        QCOMPARE(p.SCB_Selection->maximum(), 9999999);
        QCOMPARE(p.SCB_Selection->value(), 0);
        QCOMPARE(b.core.controls.TNI_Seuil_Selection, 0.0);
        QCOMPARE(double(p.TNI_Pire_Qualite->Value()), 9999999.0);
    }

    void focusTabActiveAutoAndReset()
    {
        Bench b;
        FocusPanel& p = *b.ui.focusPage();
        QSignalSpy tracking(&b.ui, &MeasuresUi::trackingWanted);
        b.core.controls.CKB_Suivi = true;
        b.core.controls.selection.SPED_Nb_Mesures = 2;
        p.CKB_MAP->click();
        QCOMPARE(tracking.count(), 1);
        QVERIFY(b.core.controls.CKB_MAP);
        QCOMPARE(double(p.TNI_Meilleur_FWHM->Value()), 99999.0);
        // "Auto" is on from the start: the threshold suits whatever star.
        QVERIFY(p.CKB_FWHM_Auto->isChecked());
        QVERIFY(b.core.controls.tracking.CKB_FWHM_Auto);
        QVERIFY(!p.SPED_Seuil_MAP->isEnabled());
        b.frames(4);
        // "Auto" set the threshold to half the brightest pixel; the tab shows it.
        QCOMPARE(p.SPED_Seuil_MAP->value(), b.core.controls.tracking.SPED_Seuil_MAP);
        QVERIFY(p.SPED_Seuil_MAP->value() != 500);
        QVERIFY(b.core.focus.figures().TNI_FWHM > 0);
        QCOMPARE(double(p.TNI_FWHM->Value()), b.core.focus.figures().TNI_FWHM);
        // "Reset" works only while the measure is on.
        p.CKB_MAP->click();
        p.BTN_Reset_MAP->click();
        QVERIFY(b.core.focus.figures().TNI_FWHM > 0);
        p.CKB_MAP->click();
        QCOMPARE(b.core.focus.figures().TNI_FWHM, 0.0);
        p.CKB_FWHM_Auto->click();
        QVERIFY(p.SPED_Seuil_MAP->isEnabled());
        QVERIFY(!b.core.controls.tracking.CKB_FWHM_Auto);
    }

    void largeWindowShowsWhatItsBoxChoseAndClosingUnchecksBoth()
    {
        Bench b;
        FocusPanel& focus = *b.ui.focusPage();
        SelectionPanel& selection = *b.ui.selectionPage();
        focus.CKB_GROS_FWHM->click();
        QVERIFY(b.fwhm.isVisible());
        QCOMPARE(b.fwhm.LBL_GROS_FWHM->text(), QStringLiteral("FWHM:"));
        QCOMPARE(b.fwhm.lamps(), lampsOff());
        selection.CKB_GROS_Select->click();
        QCOMPARE(b.fwhm.LBL_GROS_FWHM->text(), QStringLiteral("Qualité:"));
        // Quality frames: the large value is the mean, the lamps light once best and worst exist.
        b.core.controls.selection.SPED_Nb_Mesures = 2;
        selection.CKB_Selection->click();
        b.frames(2);
        QCOMPARE(double(b.fwhm.TNI_GROS_FWHM->Value()), b.core.quality.figures().TNI_Qualite_Actuelle);
        QCOMPARE(b.fwhm.lamps().PNL_Vert, QColor(0, 255, 0));
        b.fwhm.close();
        QVERIFY(!focus.CKB_GROS_FWHM->isChecked());
        QVERIFY(!selection.CKB_GROS_Select->isChecked());
        QVERIFY(!b.core.controls.selection.CKB_GROS_Select);
        selection.CKB_GROS_Select->click();
        QVERIFY(b.fwhm.isVisible());
        selection.CKB_GROS_Select->click();
        QVERIFY(!b.fwhm.isVisible());
    }

    void motionPanelWorksOnlyWhileDetectionIsOn()
    {
        Bench b;
        MotionPanel& p = *b.ui.motionPanel();
        const QList<QWidget*> controls{p.SCB_Seuil_Detection_Niveau, p.TNI_Seuil_Detection_Niveau,
                                       p.SCB_Seuil_Detection_Nbre,   p.TNI_Seuil_Detection_Nbre,
                                       p.TNI_Diff_actuel,            p.CKB_Detection_Action,
                                       p.BTN_ImageRef,               p.BTN_ImageRef_Auto,
                                       p.BTN_Def_Action};
        for (QWidget* w : controls) QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
        p.setDetectionOn(true);
        for (QWidget* w : controls) QVERIFY2(w->isEnabled(), qPrintable(w->objectName()));
        p.SCB_Seuil_Detection_Niveau->setValue(20);
        p.SCB_Seuil_Detection_Nbre->setValue(150);
        QCOMPARE(b.core.controls.TNI_Seuil_Detection_Niveau, 20.0);
        QCOMPARE(b.core.controls.TNI_Seuil_Detection_Nbre, 150.0);
        QCOMPARE(double(p.TNI_Seuil_Detection_Nbre->Value()), 150.0);
        QCOMPARE(colourOf(p.PNL_ImageRefLoaded), QColor(255, 0, 0));
        // One click: the reference is the frame shown now, no dialog.
        p.BTN_ImageRef->click();
        QVERIFY(!b.reference.isVisible());
        QVERIFY(b.core.motion.referencePresent());
        QCOMPARE(b.core.motion.reference().pixel(320, 240), b.core.buffers.frameSlots[0].pixel(320, 240));
        QCOMPARE(colourOf(p.PNL_ImageRefLoaded), QColor(0, 255, 0));
        // The automatic redefinition has its own button.
        p.BTN_ImageRef_Auto->click();
        QVERIFY(b.reference.isVisible());
        p.BTN_Def_Action->click();
        QVERIFY(b.action.isVisible());
        p.setDetectionOn(false);
        for (QWidget* w : controls) QVERIFY(!w->isEnabled());
    }

    void referenceTimerRedefinesAtTheChosenInterval()
    {
        Bench b;
        TFRM_ImgRef& r = b.reference;
        QCOMPARE(r.CBX_Unite->currentText(), QStringLiteral("Secondes"));
        QCOMPARE(r.SPED_Definir_toutes_les->value(), 5);
        struct Case { int count; int unit; int interval; };
        for (const Case t : {Case{5, 0, 5000}, Case{2, 1, 120000}, Case{1, 2, 3600000}}) {
            b.core.motion.forgetReference();
            r.SPED_Definir_toutes_les->setValue(t.count);
            r.CBX_Unite->setCurrentIndex(t.unit);
            if (t.unit != 0) QVERIFY2(b.core.motion.referencePresent(), "a unit change defines the reference");
            b.core.motion.forgetReference();
            r.CKB_Def_ImgRef_Auto->setChecked(true);
            r.BTN_Ok->click();
            QVERIFY(r.TMR_ImgRef->isActive());
            QCOMPARE(r.TMR_ImgRef->interval(), t.interval);
            QVERIFY2(b.core.motion.referencePresent(), "arming defines it at once");
            QVERIFY(!r.isVisible());
            r.CKB_Def_ImgRef_Auto->setChecked(false);
            QVERIFY(!r.TMR_ImgRef->isActive());
        }
        // A tick takes the working frame as it is now.
        b.core.buffers.frameSlots[0].fill(Qt::white);
        r.TMR_ImgRefTimer();
        QCOMPARE(b.core.motion.reference().pixel(5, 5), qRgb(255, 255, 255));
        // A count of 0 arms nothing.
        r.SPED_Definir_toutes_les->setValue(0);
        r.CKB_Def_ImgRef_Auto->setChecked(true);
        r.BTN_Ok->click();
        QVERIFY(!r.TMR_ImgRef->isActive());
    }

    void actionDialogKeepsTheSoundOnlyWithAnExistingFile()
    {
        Bench b;
        TFRM_Prg_Action& a = b.action;
        QTemporaryDir dir;
        const QString wav = dir.filePath(QStringLiteral("alerte.wav"));
        QFile f(wav);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("RIFF");
        f.close();

        a.CKB_Jouer_un_son->click();
        QVERIFY2(!a.CKB_Jouer_un_son->isChecked(), "no file named: unchecked again");
        QTest::keyClicks(a.EDT_Son_a_jouer, wav);
        a.CKB_Jouer_un_son->click();
        QVERIFY(a.CKB_Jouer_un_son->isChecked());
        QCOMPARE(b.core.motion.actions.EDT_Son_a_jouer, wav);
        QVERIFY(b.core.motion.actions.CKB_Jouer_un_son);
        QTest::keyClick(a.EDT_Son_a_jouer, Qt::Key_Backspace);
        QVERIFY2(!a.CKB_Jouer_un_son->isChecked(), "typing to a missing file unchecks");

        // Browsing: the dialog starts at the field; a cancel with no file unchecks.
        QString startedAt;
        a.chooseSoundFile = [&](const QString& start) {
            startedAt = start;
            return QString();
        };
        a.EDT_Son_a_jouer->setText(wav);
        a.CKB_Jouer_un_son->click();
        a.EDT_Son_a_jouer->setText(dir.filePath(QStringLiteral("absent.wav")));
        a.BTN_ChargeSon->click();
        QCOMPARE(startedAt, dir.filePath(QStringLiteral("absent.wav")));
        QVERIFY(!a.CKB_Jouer_un_son->isChecked());
        a.chooseSoundFile = [&](const QString&) { return wav; };
        a.BTN_ChargeSon->click();
        QCOMPARE(a.EDT_Son_a_jouer->text(), wav);

        a.CKB_Action_Pose_longue->click();
        a.CKB_Action_Sauvegarder->click();
        QVERIFY(b.core.motion.actions.CKB_Action_Pose_longue);
        QVERIFY(b.core.motion.actions.CKB_Action_Sauvegarder);
        QCOMPARE(a.windowTitle(), QStringLiteral("Action à effectuer lors d'une detection"));
        QVERIFY(!(a.windowFlags() & Qt::WindowStaysOnTopHint));
        QVERIFY(!(b.reference.windowFlags() & Qt::WindowStaysOnTopHint));
    }
};

QTEST_MAIN(TestMeasuresUi)
#include "test_measures_ui.moc"

#include "widgets/ImageView.h"
#include "app/ui/TFRM_Alv.h"
#include "widgets/TNumInp.h"
#include "processing/CoreStages.h"
#include "processing/ui/TrackingPanel.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QtTest>

using namespace velumbra;

namespace {

void putStar(QImage& img, int x, int y)
{
    img.setPixelColor(x, y, QColor(230, 230, 230));
}

} // namespace

class TestTrackingPanel : public QObject {
    Q_OBJECT
private slots:
    void captionsHintsAndDefaults()
    {
        ManualClock clock;
        ImageCore core(clock);
        CoreStages stages(core);
        TrackingPanel panel(core, stages.tracker());
        QCOMPARE(panel.objectName(), QStringLiteral("PNL_Suivi"));
        QCOMPARE(panel.toolTip(), QStringLiteral("Parametres de suivi ou stabilisation d'image"));
        struct Expect { const char* name; const char* caption; const char* hint; };
        const Expect expected[] = {
            {"CKB_Suivi", "Suivi", ""},
            {"RDB_Colimacon", "Pixel Brillant", "Centrage sur le pixel le plus brillant de la zone de detection"},
            {"RDB_Somax", "Somme Axes", "Centrage sur l'intersection des Axes X et Y les plus brillants"},
            {"RDB_Cadres", "Detect.Bords", "Centrage par detection des limites de l'objet"},
            {"RDB_Derive", "Derive", "Suivi par dérive préprogrammée"},
            {"CKB_Inversion_Video", "Inverser", "Suivi sur pixels sombres"},
        };
        for (const Expect& e : expected) {
            auto* button = panel.findChild<QAbstractButton*>(QLatin1String(e.name));
            QVERIFY2(button, e.name);
            QCOMPARE(button->text(), QString::fromUtf8(e.caption));
            QCOMPARE(button->toolTip(), QString::fromUtf8(e.hint));
        }
        QCOMPARE(panel.findChild<QLabel*>(QStringLiteral("LBL_Tolerance"))->text(), QStringLiteral("Toler.:"));
        QCOMPARE(panel.findChild<QScrollBar*>(QStringLiteral("SCB_Taille_ZDetect"))->toolTip(),
                 QStringLiteral("Taille de la zone de detection pour le suivi ou stabilisation d'image"));
        QVERIFY(panel.RDB_Colimacon->isChecked());
        QCOMPARE(panel.SPED_Sensibilite->value(), 0);
        QCOMPARE(panel.SPED_Sensibilite->maximum(), 255);
        QCOMPARE(panel.SCB_Taille_ZDetect->value(), 40);
        QCOMPARE(double(panel.TNI_Taille_ZDetect->Value()), 40.0);
        // Tracking is switched on only while a source runs.
        QVERIFY(!panel.CKB_Suivi->isEnabled());
        panel.setCaptureRunning(true);
        QVERIFY(panel.CKB_Suivi->isEnabled());
    }

    void controlsWriteTheValuesTheNextPassReads()
    {
        ManualClock clock;
        ImageCore core(clock);
        CoreStages stages(core);
        TrackingPanel panel(core, stages.tracker());
        panel.setCaptureRunning(true);
        panel.show();

        panel.CKB_Suivi->click();
        QVERIFY(core.controls.CKB_Suivi);
        QTest::mouseClick(panel.RDB_Somax, Qt::LeftButton);
        QVERIFY(core.controls.tracking.RDB_Somax);
        QVERIFY(!core.controls.tracking.RDB_Colimacon);
        QTest::mouseClick(panel.RDB_Cadres, Qt::LeftButton);
        QVERIFY(core.controls.tracking.RDB_Cadres);
        QVERIFY(!core.controls.tracking.RDB_Somax);
        panel.CKB_Inversion_Video->click();
        QVERIFY(core.controls.tracking.CKB_Inversion_Video);
        panel.SPED_Sensibilite->setValue(12);
        QCOMPARE(core.zone.tolerance, 12);

        // Choosing the drift method restarts the prediction from now.
        core.zone.starPos = {100, 90};
        core.tracking.driftAccum = {0.7, -0.4};
        clock.advanceMs(5000);
        QTest::mouseClick(panel.RDB_Derive, Qt::LeftButton);
        QVERIFY(core.controls.RDB_Derive);
        QVERIFY(!core.controls.tracking.RDB_Cadres);
        QCOMPARE(core.tracking.driftAccum.x, 0.0);
        QCOMPARE(core.tracking.driftLastTime, clock.steadyMs());
        QCOMPARE(core.tracking.driftReference, (Point{100, 90}));

        // Registration is a method of its own: the others are off.
        QTest::mouseClick(panel.RDB_Recalage, Qt::LeftButton);
        QVERIFY(core.controls.tracking.RDB_Recalage);
        QVERIFY(!core.controls.RDB_Derive && !core.controls.tracking.RDB_Colimacon && !core.controls.tracking.RDB_Somax);
        QTest::mouseClick(panel.RDB_Cadres, Qt::LeftButton);
        QVERIFY(!core.controls.tracking.RDB_Recalage);

        // Detection size: the slider feeds the field, the field's exit the slider.
        core.flags.zoneDirty = false;
        panel.SCB_Taille_ZDetect->setValue(61);
        QCOMPARE(core.controls.TNI_Taille_ZDetect, 61.0);
        QCOMPARE(double(panel.TNI_Taille_ZDetect->Value()), 61.0);
        QVERIFY(core.flags.zoneDirty);
        panel.TNI_Taille_ZDetect->setText(QStringLiteral("41"));
        QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(panel.TNI_Taille_ZDetect, &leave);
        QCOMPARE(panel.SCB_Taille_ZDetect->value(), 40); // RoundDown(41)
        QCOMPARE(core.controls.TNI_Taille_ZDetect, 40.0);
    }

    void mainWindowCarriesThePanelAndSearchesAfterAClick()
    {
        TFRM_Alv window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* panel = window.findChild<TrackingPanel*>(QStringLiteral("PNL_Suivi"));
        QVERIFY(panel);
        ImageCore& core = window.core();
        core.buffers.frameSlots[0].fill(Qt::black);
        core.buffers.setFrameSize(640, 480);
        putStar(core.buffers.frameSlots[0], 206, 197);
        window.setSourceRunning(true);
        panel->CKB_Suivi->click();
        QVERIFY(core.controls.CKB_Suivi);

        // The click designates the target; the search finds the star near it.
        auto* image1 = window.findChild<ImageView*>(QStringLiteral("Image1"));
        QVERIFY(image1);
        core.zone.starPos = {100, 100};
        emit image1->mouseReleased({200, 200}, Qt::LeftButton, Qt::NoModifier);
        QCOMPARE(core.zone.starPos, (Point{206, 197}));
        QCOMPARE(core.tracking.driftReference, (Point{200, 200}));
    }
};

QTEST_MAIN(TestTrackingPanel)
#include "test_tracking_panel.moc"

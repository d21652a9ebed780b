// Motion detection on the simulated sky, as a user meets it: "Dtct.Mvt."
// on, the reference taken with one click on "Img. Ref.", the thresholds as
// the panel starts. A still field stays under the count threshold; a field
// moved by the mount raises "Actuel" past it and the frame is selected.
#include "processing/CoreStages.h"
#include "processing/ImageCore.h"
#include "processing/ui/MotionPanel.h"
#include "simulator/SkySimulator.h"
#include "widgets/TNumInp.h"

#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

using namespace velumbra;

class TestMotionSim : public QObject {
    Q_OBJECT
private slots:
    void aMovedFieldIsDetectedAndAStillOneIsNot()
    {
        // With the program's star tracking on and off: the comparison is of
        // whole frames, whatever the tracking does with the display.
        struct Case {
            bool tracking;
            double scale;
        };
        // At the sampling of the preferences' default optics.
        for (const Case c : {Case{false, 0.7632}, Case{true, 0.7632}}) {
            const bool tracking = c.tracking;
            ManualClock clock;
            SkySimulator sky(clock);
            SkyParameters p = sky.parameters();
            p.scale = c.scale;
            sky.setParameters(p);
            const double dec = 30.0;
            sky.mount().pointAt({5.0, dec});
            sky.mount().setTracking(true);
            ImageCore core(clock);
            CoreStages stages(core);
            core.pipeline.setStages(&stages);
            core.buffers.create();
            core.buffers.setFrameSize(640, 480);
            core.flags.targetActive = true;
            core.controls.CKB_Suivi = tracking;
            core.zone.starPos = {320, 240};
            MotionPanel panel(core);
            core.controls.CKB_Detection_Mvt = true; // "Dtct.Mvt." checked
            panel.setDetectionOn(true);
            const double count = core.controls.TNI_Seuil_Detection_Nbre;
            QVERIFY2(core.controls.TNI_Seuil_Detection_Niveau > 0 && count > 0, "thresholds that measure");
            QCOMPARE(double(panel.TNI_Seuil_Detection_Nbre->Value()), count);
            QCOMPARE(panel.SCB_Seuil_Detection_Nbre->value(), int(count));

            auto frame = [&] {
                clock.advanceMs(200);
                sky.render(core.buffers.frameSlots[0], 640, 480);
                const bool selected = core.pipeline.ProcessFrame(true);
                panel.refresh();
                return selected;
            };
            frame();
            panel.BTN_ImageRef->click();
            QVERIFY(core.motion.referencePresent());
            int stillMax = 0;
            for (int i = 0; i < 8; ++i) {
                QVERIFY2(!frame(), "a still field is no motion");
                stillMax = std::max(stillMax, int(panel.TNI_Diff_actuel->Value()));
            }
            QVERIFY(stillMax <= count);
            // The mount moves the field by 20 pixels in declination.
            const double scale = sky.parameters().scale;
            sky.mount().pointAt({5.0, dec + 20 * scale / 3600});
            const bool selected = frame();
            const int moved = int(panel.TNI_Diff_actuel->Value());
            qInfo("tracking %s, %g\"/px: still at most %d, moved %d (threshold %g)", tracking ? "on" : "off", c.scale,
                  stillMax, moved, count);
            QVERIFY2(moved > count, "\"Actuel\" past the threshold");
            QVERIFY(selected);
            core.pipeline.setStages(nullptr);
        }
    }
};

QTEST_MAIN(TestMotionSim)
#include "test_motion_sim.moc"

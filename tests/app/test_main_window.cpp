#include "widgets/ImageView.h"
#include "core/Version.h"
#include "app/ui/TFRM_Alv.h"
#include "widgets/TNumInp.h"
#include "app/ui/ZonesGroup.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QtTest>

using namespace velumbra;

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setApplicationName(programTitle()); }

    void showsAFrameThroughThePipeline()
    {
        TFRM_Alv window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.objectName(), QStringLiteral("TFRM_Alv"));
        auto* image1 = window.findChild<ImageView*>(QStringLiteral("Image1"));
        QVERIFY(image1);
        QCOMPARE(image1->shownSize(), QSize(0, 0)); // no frame yet

        ImageCore& core = window.core();
        core.buffers.frameSlots[0].fill(QColor(10, 20, 30));
        core.flags.targetActive = true;
        QVERIFY(window.showNewFrame(320, 240));
        QCOMPARE(image1->shownSize(), QSize(320, 240));
        // Away from the target marker drawn around the star.
        QCOMPARE(core.buffers.display.pixel(100, 150) & 0xffffffu, 0x0a141eu);
        // What the widget shows is the display image.
        const QImage grabbed = image1->grab().toImage();
        QCOMPARE(grabbed.pixelColor(100, 150), QColor(10, 20, 30));
        const Point star = core.zone.starPos;
        QCOMPARE(core.buffers.display.pixel(star.x, star.y) & 0xffffffu, 0xff0000u); // the cross in red
    }

    void ajouterAndBinningFollowTheIntegration()
    {
        TFRM_Alv window;
        window.setSourceRunning(true);
        auto* ajouter = window.findChild<QPushButton*>(QStringLiteral("BTN_Ajouter"));
        auto* integration = window.findChild<QCheckBox*>(QStringLiteral("CKB_Integration"));
        auto* start = window.findChild<QPushButton*>(QStringLiteral("BTN_Demarrer_Add"));
        auto* stop = window.findChild<QPushButton*>(QStringLiteral("BTN_Arreter_Add"));
        auto* binning2x2 = window.findChild<QAction*>(QStringLiteral("MNU_Binning_2x2"));
        QVERIFY(ajouter && integration && start && stop && binning2x2);
        QVERIFY(!ajouter->isEnabled()); // integration starts unchecked
        integration->setChecked(true);
        QVERIFY(ajouter->isEnabled());
        QVERIFY(binning2x2->isEnabled());
        start->click();
        QVERIFY(!binning2x2->isEnabled());
        stop->click();
        QVERIFY(binning2x2->isEnabled());
        integration->setChecked(false);
        QVERIFY(!ajouter->isEnabled());
    }
    void loopModeKeepsTheZoneAt640()
    {
        TFRM_Alv window;
        window.setSourceRunning(true);
        ImageCore& core = window.core();
        core.buffers.setFrameSize(800, 600);
        core.zone.starPos = {400, 300};
        window.GRB_Zones->syncFromCore();
        auto* integration = window.findChild<QCheckBox*>(QStringLiteral("CKB_Integration"));
        auto* loop = window.findChild<QRadioButton*>(QStringLiteral("RDB_Boucle"));
        QVERIFY(integration && loop);
        integration->setChecked(true);
        loop->click();
        QScrollBar* slider = window.GRB_Zones->SCB_Taille_ZAffich;
        QCOMPARE(slider->maximum(), 640);
        QCOMPARE(slider->value(), 320);
        slider->setValue(640);
        TNumInp* field = window.GRB_Zones->TNI_Taille_ZAffich;
        QCOMPARE(field->Max(), 640.0L); // the field refuses more
        // Even a larger size that gets into the field, the slider sitting at 640.
        field->setValidate(false);
        field->setValue(800);
        window.GRB_Zones->TNI_Taille_ZAffichExit();
        QCOMPARE(core.controls.TNI_Taille_ZAffich, 640.0);
        QCOMPARE(core.zone.zoneRect.width(), 641);
        // A format change keeps the loop mode's cap.
        window.GRB_Zones->syncFromCore();
        QCOMPARE(slider->maximum(), 640);
        QCOMPARE(slider->value(), 640);
    }
};


QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"

#include "widgets/TNumInp.h"
#include "processing/ImageCore.h"
#include "processing/ui/GRB_Seuils.h"
#include "processing/ui/IntegrationEvents.h"
#include "processing/ui/PNL_Integration.h"
#include "processing/ui/TFRM_Equal.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QSignalSpy>
#include <QLabel>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>

using namespace velumbra;

namespace {

// An image core with a 64 x 48 frame whose zone covers it, and the panels.
struct Fixture {
    Fixture()
    {
        core.buffers.create();
        core.buffers.setFrameSize(64, 48);
        core.zone.starPos = {32, 24};
        core.zone.displayZone = core.zone.zoneRect = {0, 0, 64, 48};
        core.controls.TNI_Taille_ZAffich = 64;
        core.flags.loadingSettings = false;
        core.integrator.setView(&events);
        core.buffers.zoneFrame.fill(qRgb(100, 100, 100));
        seuils.CKB_Seuils_Evol->setChecked(false); // fixed thresholds unless a test sets them evolving
    }
    void addFrame() { core.integrator.IntegrateAndRender(CurrentPlane(core.controls.integration), true, false, false); }

    ManualClock clock;
    ImageCore core{clock};
    IntegrationEvents events;
    PNL_Integration panel{core, events};
    GRB_Seuils seuils{core, events};
    TFRM_Equal equal{core};
};

} // namespace

class TestIntegrationUi : public QObject {
    Q_OBJECT
private slots:
    void columnsHaveTheirHeadings()
    {
        Fixture f;
        const std::pair<QWidget*, const char*> labels[] = {
            {&f.panel, "LBL_Nb_Images"}, {&f.panel, "LBL_DarkApplique"}, {&f.seuils, "LBL_SeuilMin"},
            {&f.seuils, "LBL_SeuilMax"}, {&f.seuils, "LBL_SeuilBas"},   {&f.seuils, "LBL_SeuilHaut"},
            {&f.seuils, "LBL_Actuel"}};
        const QString captions[] = {QStringLiteral("Nb Images"), QStringLiteral("Appliqué"), QStringLiteral("Min"),
                                    QStringLiteral("Max"),       QStringLiteral("Bas"),      QStringLiteral("Haut"),
                                    QStringLiteral("Actuel")};
        for (std::size_t i = 0; i < std::size(labels); ++i) {
            auto* label = labels[i].first->findChild<QLabel*>(QLatin1String(labels[i].second));
            QVERIFY2(label, labels[i].second);
            QCOMPARE(label->text(), captions[i]);
        }
    }

    void startStopFollowTheRun()
    {
        Fixture f;
        PNL_Integration& p = f.panel;
        QVERIFY(!p.BTN_Demarrer_Add->isEnabled());
        p.CKB_Integration->setChecked(true);
        QVERIFY(p.BTN_Demarrer_Add->isEnabled());
        QVERIFY(p.RDB_Unique->isChecked());
        QVERIFY(!p.BTN_Arreter_Add->isEnabled());
        p.SPED_Nb_Bitmap->setValue(2);
        QSignalSpy zoneSlider(&f.events, &IntegrationEvents::zoneSliderSet);
        QTest::mouseClick(p.BTN_Demarrer_Add, Qt::LeftButton);
        QCOMPARE(zoneSlider.size(), 1);
        QCOMPARE(zoneSlider.at(0).at(2).toBool(), false); // the zone size is locked while running
        QVERIFY(!p.BTN_Demarrer_Add->isEnabled());
        QVERIFY(p.BTN_Arreter_Add->isEnabled());
        QVERIFY(!p.RDB_Dark->isEnabled());
        QVERIFY(!p.CKB_Integration->isEnabled());
        f.addFrame();
        QCOMPARE(p.EDT_NBCaps->text(), QStringLiteral("1"));
        f.addFrame(); // reaches the count: the run stops by itself
        QCOMPARE(p.EDT_NBCaps->text(), QStringLiteral("2"));
        QCOMPARE(zoneSlider.last().at(2).toBool(), true);
        QVERIFY(p.BTN_Demarrer_Add->isEnabled());
        QVERIFY(!p.BTN_Arreter_Add->isEnabled());
        QVERIFY(p.RDB_Dark->isEnabled());
        // The stop rendered the sum: the range shows two frames.
        QCOMPARE(f.seuils.TNI_Max->Value(), 200.0L);
        QTest::mouseClick(p.BTN_Reset_Add, Qt::LeftButton);
        QCOMPARE(p.EDT_NBCaps->text(), QStringLiteral("0"));
        QCOMPARE(f.core.integrator.planes.sum(Light)[planeIndex(3, 3, 0)], 0);
    }

    void flatStopEnablesTheFlatBox()
    {
        Fixture f;
        PNL_Integration& p = f.panel;
        p.CKB_Integration->setChecked(true);
        p.RDB_Flat->click();
        QVERIFY(f.core.controls.integration.RDB_Flat);
        QCOMPARE(f.core.zone.zoneRect, (Rect{0, 0, 64, 48}));
        p.SPED_Nb_Bitmap->setValue(0);
        QTest::mouseClick(p.BTN_Demarrer_Add, Qt::LeftButton);
        f.addFrame();
        QTest::mouseClick(p.BTN_Arreter_Add, Qt::LeftButton);
        QVERIFY(p.CKB_Active_Flat->isEnabled());
        QCOMPARE(p.TNI_MaxFlat->Value(), 1.0L);
        p.RDB_Unique->click();
        p.CKB_Active_Flat->setChecked(true);
        QVERIFY(f.core.controls.CKB_Active_Flat);
    }

    void darkSliderSetsTheLevel()
    {
        Fixture f;
        f.panel.SCB_Seuil_dark->setValue(30);
        QCOMPARE(f.core.controls.PNL_Integration.SCB_Seuil_dark, 70);
        QCOMPARE(f.core.controls.TNI_MaxDark, 30.0);
        QCOMPARE(f.panel.TNI_MaxDark->Value(), 30.0L);
        f.panel.RDB_Dark_Smart->setChecked(true);
        QVERIFY(f.core.controls.PNL_Integration.RDB_Dark_Smart);
        f.panel.SPED_RDark->setValue(4);
        QCOMPARE(f.core.controls.PNL_Integration.SPED_RDark, 4);
    }

    // The level rises to the right: the right arrow and the Right key raise
    // it, the left ones lower it; a level typed in the field moves the bar
    // and is the one applied.
    void darkLevelRisesToTheRightAndTakesATypedValue()
    {
        Fixture f;
        f.panel.resize(260, 400);
        f.panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.panel));
        f.panel.PGC_Dark_Flat->setCurrentWidget(f.panel.TBS_Dark);
        QScrollBar* bar = f.panel.SCB_Seuil_dark;
        TNumInp* field = f.panel.TNI_MaxDark;
        bar->setValue(30);
        QCOMPARE(field->text(), QStringLiteral("30"));
        const QPoint rightArrow(bar->width() - 3, bar->height() / 2), leftArrow(3, bar->height() / 2);
        QTest::mouseClick(bar, Qt::LeftButton, {}, rightArrow);
        QCOMPARE(field->text(), QStringLiteral("31"));
        QTest::mouseClick(bar, Qt::LeftButton, {}, leftArrow);
        QTest::mouseClick(bar, Qt::LeftButton, {}, leftArrow);
        QCOMPARE(field->text(), QStringLiteral("29"));
        QTest::keyClick(bar, Qt::Key_Right);
        QCOMPARE(field->text(), QStringLiteral("30"));
        QCOMPARE(f.core.controls.TNI_MaxDark, 30.0);

        QVERIFY(!field->isReadOnly());
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, QStringLiteral("85"));
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(f.core.controls.TNI_MaxDark, 85.0);
        QCOMPARE(bar->value(), 85);
        QCOMPARE(field->text(), QStringLiteral("85"));
        // Whole percents, as the bar holds them.
        field->selectAll();
        QTest::keyClicks(field, QStringLiteral("0"));
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(f.core.controls.TNI_MaxDark, 0.0);
        QCOMPARE(bar->value(), 0);
    }

    void thresholdBarRendersAndMirrors()
    {
        Fixture f;
        f.panel.CKB_Integration->setChecked(true);
        for (int i = 0; i < 10; ++i) f.addFrame(); // cells of 1000
        f.seuils.SCB_Maximum->setValue(2000);
        QCOMPARE(f.core.controls.GRB_Seuils.SCB_Maximum, 2000);
        QCOMPARE(f.seuils.TNI_Seuil_Max->Value(), 2000.0L);
        QCOMPARE(f.core.buffers.result.pixel(5, 5), qRgb(128, 128, 128));
        f.seuils.RDB_NB->setChecked(true);
        f.seuils.CKB_Green->setChecked(false);
        f.seuils.CKB_Blue->setChecked(false);
        QCOMPARE(f.core.buffers.result.pixel(5, 5), qRgb(128, 128, 128));
        f.seuils.CKB_Red->setChecked(false);
        QCOMPARE(f.core.buffers.result.pixel(5, 5), qRgb(0, 0, 0));
    }

    void boundFieldOnEnterLimitsTheBar()
    {
        Fixture f;
        TNumInp::setErrorReporter([](QWidget*, const QString&) {});
        f.seuils.show();
        f.seuils.TNI_Seuil_MaxMax->setFocus();
        f.seuils.TNI_Seuil_MaxMax->selectAll();
        QTest::keyClicks(f.seuils.TNI_Seuil_MaxMax, QStringLiteral("1000"));
        QTest::keyClick(f.seuils.TNI_Seuil_MaxMax, Qt::Key_Return);
        QCOMPARE(f.core.controls.GRB_Seuils.SCB_Maximum_Max, 1000);
        QCOMPARE(f.seuils.SCB_Maximum->maximum(), 1000);
    }

    void evolvingThresholdsMoveTheBar()
    {
        Fixture f;
        f.panel.CKB_Integration->setChecked(true);
        f.seuils.CKB_Seuils_Evol->setChecked(true);
        for (int i = 0; i < 5; ++i) f.addFrame(); // 500
        QCOMPARE(f.seuils.SCB_Maximum->value(), 500);
        QCOMPARE(f.seuils.TNI_Max->Value(), 500.0L);
    }

    void equalizerResetAndEffect()
    {
        Fixture f;
        f.panel.CKB_Integration->setChecked(true);
        f.addFrame(); // 100
        f.core.controls.GRB_Seuils.SCB_Maximum = 1000;
        f.equal.CKB_EQ->setChecked(true);
        const QRgb neutral = f.core.buffers.result.pixel(5, 5);
        QCOMPARE(qRed(neutral), 25);
        f.equal.TRKB_EQ[0]->setValue(75); // idle: re-rendered at once
        QVERIFY(qRed(f.core.buffers.result.pixel(5, 5)) > 25);
        QCOMPARE(f.equal.TRKB_EQ[0]->objectName(), QStringLiteral("TRKB_EQ1"));
        QTest::mouseClick(f.equal.Button1, Qt::LeftButton);
        QCOMPARE(f.equal.TRKB_EQ[0]->value(), 50);
        QCOMPARE(f.core.controls.TFRM_Equal.TRKB_EQ[0], 50);
        QCOMPARE(f.core.buffers.result.pixel(5, 5), neutral);
    }
};

QTEST_MAIN(TestIntegrationUi)
#include "test_integration_ui.moc"

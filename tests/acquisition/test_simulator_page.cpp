// "Vérité", the simulator's page of the source dialog: what it shows is the
// model's truth, and the faults typed in reach the model.
#include "acquisition/ui/PNL_Simulateur.h"
#include "core/Angles.h"
#include "acquisition/ui/TFRM_VideoSource.h"
#include "simulator/SkySimulator.h"
#include "widgets/TNumInp.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QtTest>

using namespace velumbra;

class TestSimulatorPage : public QObject {
    Q_OBJECT
    QStringList refusals;

private:
    // Types a value into a field and presses Enter, as a user would.
    static void type(QWidget* page, const char* name, const QString& text)
    {
        auto* f = page->findChild<TNumInp*>(QString::fromLatin1(name));
        QVERIFY2(f, name);
        f->setFocus();
        f->selectAll();
        QTest::keyClicks(f, text);
        QTest::keyClick(f, Qt::Key_Return);
    }

private slots:
    void initTestCase()
    {
        TCustomNumInp::setErrorReporter([this](QWidget*, const QString& m) { refusals << m; });
    }

    void faultsTypedInReachTheModel()
    {
        ManualClock clock;
        SkySimulator sky(clock, 51);
        PNL_Simulateur page(sky, [] { return QSize(640, 480); });
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        type(&page, "TNI_EP_Amplitude", QStringLiteral("15"));
        type(&page, "TNI_EP_Periode", QStringLiteral("300"));
        type(&page, "TNI_Polaire_Azimut", QStringLiteral("20"));
        type(&page, "TNI_Polaire_Hauteur", QStringLiteral("-12"));
        type(&page, "TNI_Jeu_Dec", QStringLiteral("8"));
        type(&page, "TNI_Turbulence", QStringLiteral("2.5"));
        type(&page, "TNI_Pose", QStringLiteral("5000"));
        const double best = sky.mount().settings().bestFocus;
        type(&page, "TNI_Focuser", QString::number(best + 300));
        const SimulatedMount& m = sky.mount().settings();
        QCOMPARE(m.periodicAmplitude, 15.0);
        QCOMPARE(m.periodicPeriod, 300.0);
        QCOMPARE(m.polarAzimuth, 20.0);
        QCOMPARE(m.polarAltitude, -12.0);
        QCOMPARE(m.decBacklash, 8.0);
        QCOMPARE(sky.parameters().seeing, 2.5);
        QCOMPARE(sky.parameters().exposureMs, 5000.0);
        QCOMPARE(sky.mount().focuserPosition(), best + 300);
        auto* mode = page.findChild<QComboBox*>(QStringLiteral("CBX_Mode"));
        QVERIFY(mode);
        mode->setCurrentIndex(mode->findData(int(CameraMode::Panel)));
        QCOMPARE(sky.parameters().mode, CameraMode::Panel);
        // A value out of range is refused and the model keeps its own.
        type(&page, "TNI_Turbulence", QStringLiteral("50"));
        QCOMPARE(sky.parameters().seeing, 2.5);
        QCOMPARE(refusals.size(), 1);
    }

    void truthFieldsShowTheModel()
    {
        ManualClock clock;
        SkySimulator sky(clock, 52);
        SimulatedMount m = sky.mount().settings();
        m.polarAzimuth = 30;
        sky.mount().setSettings(m);
        PNL_Simulateur page(sky, [] { return QSize(640, 480); });
        auto* error = page.findChild<QLineEdit*>(QStringLiteral("EDT_Erreur_Pointage"));
        auto* star = page.findChild<QLineEdit*>(QStringLiteral("EDT_Etoile"));
        auto* believed = page.findChild<QLineEdit*>(QStringLiteral("EDT_Pointage_Monture"));
        QVERIFY(error && star && believed);
        QVERIFY(believed->text().startsWith(QStringLiteral("AD 05h00m00s  Dec +30°00'00")));
        const double shown = sky.mount().pointingError();
        // A turn of 30' about the vertical moves no place of the sky further than that.
        QVERIFY2(shown > 10 && shown <= 1800, qPrintable(QString::number(shown)));
        QCOMPARE(error->text(), FormatDMS(shown));
        const int id = sky.brightestStarInView(640, 480);
        const QPointF at = sky.starPosition(id, 640, 480);
        QCOMPARE(star->text(), QStringLiteral("%1, %2").arg(at.x(), 0, 'f', 2).arg(at.y(), 0, 'f', 2));
        // The drive off, the star moves and the page follows.
        sky.mount().setTracking(false);
        clock.advanceMs(10000);
        page.refresh();
        const QPointF later = sky.starPosition(id, 640, 480);
        QVERIFY(later.x() - at.x() > 50);
        QCOMPARE(star->text(), QStringLiteral("%1, %2").arg(later.x(), 0, 'f', 2).arg(later.y(), 0, 'f', 2));
    }

    void sourceDialogCarriesThePageBesideTheSettings()
    {
        ManualClock clock;
        SkySimulator sky(clock, 53);
        std::vector<DriverControl> controls = {{1, QStringLiteral("Gain"), DriverControl::Kind::Slider, 0, 10, 1, 2}};
        TFRM_VideoSource dialog(controls, [](uint32_t, double) {});
        QVERIFY(!dialog.findChild<QTabWidget*>(QStringLiteral("PGC_Source")));
        dialog.addPage(new PNL_Simulateur(sky, [] { return QSize(640, 480); }), QStringLiteral("Vérité"));
        auto* tabs = dialog.findChild<QTabWidget*>(QStringLiteral("PGC_Source"));
        QVERIFY(tabs);
        QCOMPARE(tabs->count(), 2);
        QCOMPARE(tabs->tabText(0), QStringLiteral("Réglages"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("Vérité"));
        QVERIFY(tabs->widget(0)->findChild<QWidget*>(QStringLiteral("SCB_Control_1")));
    }
};

QTEST_MAIN(TestSimulatorPage)
#include "test_simulator_page.moc"

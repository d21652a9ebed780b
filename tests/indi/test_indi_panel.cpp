// The INDI server panel against a real indiserver: the user types the
// server, connects, sees the devices by kind and chooses them; the choices
// land in the [INDI] settings. The driver chooser reaches the same panel and
// lists the camera it connected.
#include "IndiServer.h"

#include "acquisition/IndiCameraDriver.h"
#include "acquisition/V4l2Driver.h"
#include "acquisition/ui/TFRM_Pilote.h"
#include "core/Clock.h"
#include "core/Messages.h"
#include "indi/IndiClient.h"
#include "indi/IndiSettings.h"
#include "indi/ui/PNL_Indi.h"
#include "simulator/SkySimulator.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

using namespace velumbra;

namespace {

QStringList itemsOf(const QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
    return items;
}

// Chooses an entry as the user does: the entry becomes current and is activated.
void choose(QComboBox* box, const QString& text)
{
    const int i = box->findText(text);
    QVERIFY2(i >= 0, qPrintable(itemsOf(box).join('|')));
    box->setCurrentIndex(i);
    emit box->activated(i);
}

void typeServer(PNL_Indi& panel, const QString& text)
{
    panel.EDT_Indi_Serveur->clear();
    QTest::keyClicks(panel.EDT_Indi_Serveur, text);
}

} // namespace

class TestIndiPanel : public QObject {
    Q_OBJECT
private slots:
    void theUserConnectsSeesTheDevicesByKindAndChoosesThem()
    {
        if (!test::IndiServer::available()) QSKIP("indiserver is not installed");
        test::IndiServer server({"indi_simulator_ccd", "indi_simulator_telescope", "indi_simulator_focus"});
        QVERIFY(server.start());
        RecordingMessages messages;
        IndiClient client(messages);
        IndiSettings settings;
        settings.mount = QStringLiteral("LX200 du voisin"); // chosen once, not on this server
        PNL_Indi panel(client, settings);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        QCOMPARE(panel.LBL_Indi_Etat->text(), QStringLiteral("Non connecté"));
        QVERIFY(!panel.CBX_Indi_Camera->isEnabled());
        QVERIFY(!panel.BTN_Indi_Deconnecter->isEnabled());

        // A server that does not answer: said once, still not connected.
        const int dead = test::freeLocalPort();
        typeServer(panel, QStringLiteral("localhost:%1").arg(dead));
        QTest::mouseClick(panel.BTN_Indi_Connecter, Qt::LeftButton);
        QVERIFY(!client.isConnected());
        QCOMPARE(messages.lines.filter(QStringLiteral("Serveur INDI injoignable")).size(), 1);
        QCOMPARE(panel.LBL_Indi_Etat->text(), QStringLiteral("Non connecté"));
        QCOMPARE(panel.SPED_Indi_Port->value(), dead);

        typeServer(panel, QStringLiteral("localhost"));
        panel.SPED_Indi_Port->setValue(server.port());
        QTest::mouseClick(panel.BTN_Indi_Connecter, Qt::LeftButton);
        QVERIFY(client.isConnected());
        QCOMPARE(settings.port, server.port());
        QCOMPARE(settings.host, QStringLiteral("localhost"));
        QVERIFY(test::waitUntil([&] {
            return panel.CBX_Indi_Camera->findText(QStringLiteral("CCD Simulator")) >= 0
                && panel.CBX_Indi_Monture->findText(QStringLiteral("Telescope Simulator")) >= 0
                && panel.CBX_Indi_Focaliseur->findText(QStringLiteral("Focuser Simulator")) >= 0;
        }, 10000));
        QVERIFY(panel.LBL_Indi_Etat->text().startsWith(QStringLiteral("Connecté à localhost:%1").arg(server.port())));
        QVERIFY(!panel.BTN_Indi_Connecter->isEnabled());
        QVERIFY(panel.CBX_Indi_Camera->isEnabled());
        // Each list holds its kind only.
        QCOMPARE(itemsOf(panel.CBX_Indi_Camera), QStringList({QStringLiteral("(la première offerte)"),
                                                              QStringLiteral("CCD Simulator")}));
        QVERIFY(panel.CBX_Indi_Focaliseur->findText(QStringLiteral("Telescope Simulator")) < 0);
        // The mount chosen earlier stays chosen, said absent.
        QCOMPARE(panel.CBX_Indi_Monture->currentText(), QStringLiteral("LX200 du voisin (non offert)"));

        choose(panel.CBX_Indi_Monture, QStringLiteral("Telescope Simulator"));
        choose(panel.CBX_Indi_Camera, QStringLiteral("CCD Simulator"));
        choose(panel.CBX_Indi_Focaliseur, QStringLiteral("(la première offerte)"));
        QCOMPARE(settings.mount, QStringLiteral("Telescope Simulator"));
        QCOMPARE(settings.camera, QStringLiteral("CCD Simulator"));
        QCOMPARE(settings.focuser, QString());

        QTest::mouseClick(panel.BTN_Indi_Deconnecter, Qt::LeftButton);
        QVERIFY(!client.isConnected());
        QCOMPARE(panel.LBL_Indi_Etat->text(), QStringLiteral("Non connecté"));
        QCOMPARE(panel.CBX_Indi_Monture->currentText(), QStringLiteral("Telescope Simulator"));
        QCOMPARE(settings.mount, QStringLiteral("Telescope Simulator"));

        // A killed server is seen in the panel.
        QTest::mouseClick(panel.BTN_Indi_Connecter, Qt::LeftButton);
        QVERIFY(client.isConnected());
        server.kill();
        QVERIFY(test::waitUntil([&] { return panel.LBL_Indi_Etat->text() == QStringLiteral("Non connecté"); }, 5000));
        QVERIFY(panel.BTN_Indi_Connecter->isEnabled());
    }

    void theDriverChooserReachesThePanelAndListsTheCameraItConnected()
    {
        if (!test::IndiServer::available()) QSKIP("indiserver is not installed");
        test::IndiServer server({"indi_simulator_ccd"});
        QVERIFY(server.start());
        RecordingMessages messages;
        IndiClient client(messages);
        IndiSettings settings;
        settings.port = test::freeLocalPort(); // nothing there yet
        ManualClock clock;
        SkySimulator sky(clock, 3u);
        SystemDriverCatalogue catalogue(sky);
        catalogue.setIndi(SystemDriverCatalogue::IndiCameras{client, settings, messages});

        TFRM_Pilote dialog;
        dialog.setEntries(catalogue.describeDrivers());
        QVERIFY(dialog.ComboBox1->findText(QStringLiteral("INDI CCD Simulator")) < 0);
        auto* panel = new PNL_Indi(client, settings);
        dialog.setIndiPanel(panel, QStringLiteral("Serveur INDI..."), [&] { return catalogue.describeWithoutConnecting(); });
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(!panel->isVisible());
        QTest::mouseClick(dialog.BTN_Indi, Qt::LeftButton);
        QVERIFY(panel->isVisible());

        typeServer(*panel, QStringLiteral("localhost:%1").arg(server.port()));
        QTest::mouseClick(panel->BTN_Indi_Connecter, Qt::LeftButton);
        QVERIFY(test::waitUntil([&] {
            return dialog.ComboBox1->findText(QStringLiteral("INDI CCD Simulator")) >= 0;
        }, 10000));
        QVERIFY(test::waitUntil([&] { return panel->CBX_Indi_Camera->findText(QStringLiteral("CCD Simulator")) >= 0; },
                                5000));
        choose(panel->CBX_Indi_Camera, QStringLiteral("CCD Simulator"));
        QVERIFY(test::waitUntil([&] { return dialog.ComboBox1->currentText() == QStringLiteral("INDI CCD Simulator"); },
                                5000));
        std::unique_ptr<VideoDriver> driver = catalogue.createDriver(dialog.selectedIndex());
        QVERIFY(dynamic_cast<IndiCameraDriver*>(driver.get()));
        QCOMPARE(settings.camera, QStringLiteral("CCD Simulator"));
        QCOMPARE(settings.port, server.port());

        // Disconnected in the panel, the server stays so and its camera leaves the list.
        QTest::mouseClick(panel->BTN_Indi_Deconnecter, Qt::LeftButton);
        QVERIFY(test::waitUntil([&] {
            return dialog.ComboBox1->findText(QStringLiteral("INDI CCD Simulator")) < 0;
        }, 5000));
        test::waitUntil([] { return false; }, 400);
        QVERIFY(!client.isConnected());
    }
};

QTEST_MAIN(TestIndiPanel)
#include "test_indi_panel.moc"

// The telescope window driving the INDI telescope simulator: a GOTO to typed
// coordinates, the position followed while the mount slews, what is refused.
#include "IndiServer.h"

#include "core/Angles.h"
#include "core/Messages.h"
#include "indi/IndiClient.h"
#include "telescope/Telescope.h"
#include "telescope/ui/TFRM_Raquette.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <set>

using namespace velumbra;

class TestIndiPaddle : public QObject {
    Q_OBJECT
private slots:
    void aTypedGotoSlewsThereAndThePositionFollows()
    {
        if (!test::IndiServer::available()) QSKIP("indiserver is not installed");
        test::IndiServer server({"indi_simulator_telescope"});
        QVERIFY(server.start());
        RecordingMessages messages;
        IndiClient client(messages);
        IndiSettings indiSettings;
        indiSettings.port = server.port();
        Telescope telescope(messages);
        telescope.attachIndi(client, indiSettings);
        telescope.settings.interface = MountInterface::Indi;
        TFRM_Raquette w(telescope.mount, telescope.pause);
        w.setLx200Controls(false);
        w.setIndiControls(true);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(w.BTN_Position_Actuelle->isEnabled());
        QVERIFY(!w.BTN_GOTO->isEnabled()); // the catalogue GOTO speaks LX200 only

        // Unreadable coordinates: said, nothing sent.
        w.EDT_Goto_AR->setText(QStringLiteral("25:00:00"));
        w.EDT_Goto_Dec->setText(QStringLiteral("+10:00:00"));
        QTest::mouseClick(w.BTN_Goto_Coord, Qt::LeftButton);
        QVERIFY(w.LBL_Goto_Resultat->text().startsWith(QStringLiteral("A.D. illisible")));
        w.EDT_Goto_AR->setText(QStringLiteral("5:00:00"));
        w.EDT_Goto_Dec->setText(QStringLiteral("+95"));
        QTest::mouseClick(w.BTN_Goto_Coord, Qt::LeftButton);
        QVERIFY(w.LBL_Goto_Resultat->text().startsWith(QStringLiteral("Dec. illisible")));

        // Place the mount, then read where it is.
        QTest::mouseClick(w.BTN_Position_Actuelle, Qt::LeftButton); // connects on demand
        IndiMount* mount = telescope.mount.indiMount();
        QVERIFY2(mount, qPrintable(messages.lines.join('\n')));
        QVERIFY(test::waitUntil([&] { return mount->position().has_value(); }, 5000));
        const double ra0 = mount->position()->raHours;
        QVERIFY(mount->sync(ra0, 20));
        QVERIFY(test::waitUntil([&] {
            const auto p = mount->position();
            return p && std::abs(p->decDegrees - 20) < 0.01;
        }, 5000));
        QTest::mouseClick(w.BTN_Position_Actuelle, Qt::LeftButton);
        QCOMPARE(w.EDT_Position_Actuelle_Dec->text(), QStringLiteral("+20°00'00\""));

        const double targetRa = std::fmod(ra0 + 0.5, 24.0);
        w.EDT_Goto_AR->setText(formatRightAscension(targetRa));
        w.EDT_Goto_Dec->setText(QStringLiteral("-05:30:00"));
        QTest::mouseClick(w.BTN_Goto_Coord, Qt::LeftButton);
        QCOMPARE(w.LBL_Goto_Resultat->text(), QStringLiteral("Pointage en cours"));
        QVERIFY(w.TMR_Position->isActive());
        // The fields follow the slew without a click, then rest at the target.
        std::set<QString> decsSeen;
        QVERIFY2(test::waitUntil([&] {
            decsSeen.insert(w.EDT_Position_Actuelle_Dec->text());
            return w.LBL_Goto_Resultat->text() == QStringLiteral("Pointage terminé");
        }, 90000), qPrintable(w.EDT_Position_Actuelle_Dec->text())); // the simulator's slew alone takes some 25 s
        QVERIFY(!w.TMR_Position->isActive());
        QCOMPARE(w.EDT_Position_Actuelle_Dec->text(), QStringLiteral("-05°30'00\""));
        const std::optional<double> raShown = parseRightAscension(w.EDT_Position_Actuelle_AR->text());
        QVERIFY(raShown);
        QVERIFY2(std::abs(*raShown - targetRa) < 0.01, qPrintable(w.EDT_Position_Actuelle_AR->text()));
        QVERIFY2(decsSeen.size() >= 3, "intermediate positions were shown during the slew");

        // Without a server the GOTO says the mount cannot be reached.
        server.kill();
        QVERIFY(test::waitUntil([&] { return !client.isConnected(); }, 5000));
        QTest::mouseClick(w.BTN_Goto_Coord, Qt::LeftButton);
        QCOMPARE(w.LBL_Goto_Resultat->text(), QStringLiteral("Monture INDI injoignable"));
    }
};

QTEST_MAIN(TestIndiPaddle)
#include "test_indi_paddle.moc"

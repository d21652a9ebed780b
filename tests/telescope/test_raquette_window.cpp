// The "Telescope" window through a pseudo-terminal: the bytes its buttons
// send, the replies its fields show, the LX200-only controls, the autofocus
// group, and no move outliving its button.
#include "telescope/MountControls.h"
#include "telescope/ui/TFRM_Raquette.h"
#include "widgets/TNumInp.h"

#include "MountFixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QtTest>

#include <chrono>
#include <thread>

using namespace velumbra;
using velumbra::test::MountFixture;

namespace {

// A connected LX200 mount ending its commands with CR, and the window on it.
struct Bench {
    Bench()
    {
        f.settings.CKB_CR = true;
        f.settings.CKB_LF = false;
        if (f.pty.ok() && f.mount.mount_connect()) connected = f.pty.read(6) == "#:RG#\r";
        w.endAutoguiding = [this] { ++unguided; };
        w.onFocusMeasure = [this](bool on) { measure.push_back(on); };
        w.onAutoThreshold = [this](bool on) { autoThreshold.push_back(on); };
        w.onMessage = [this](const QString& text) { messages << text; };
    }
    QByteArray read(const QByteArray& expected) { return f.pty.read(int(expected.size())); }
    QByteArray readAny(int ms = 200) { return f.pty.read(1, ms); }
    // The mount's answer, in the port's queue before the window reads it.
    void answer(const QByteArray& reply)
    {
        f.pty.write(reply);
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
    }

    MountFixture f{MountInterface::LX200};
    bool connected = false;
    TFRM_Raquette w{f.mount, f.timeline.pause()};
    int unguided = 0;
    std::vector<bool> measure;
    std::vector<bool> autoThreshold;
    QStringList messages;
};

} // namespace

class TestRaquetteWindow : public QObject {
    Q_OBJECT
private slots:
    void controlsAsDesigned()
    {
        Bench b;
        TFRM_Raquette& w = b.w;
        QCOMPARE(w.objectName(), QStringLiteral("TFRM_Raquette"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Telescope"));
        const QList<std::pair<const char*, const char*>> captions = {
            {"BTN_N", "N"},           {"BTN_NE", "NE"},         {"BTN_E", "E"},
            {"BTN_SE", "SE"},         {"BTN_S", "S"},           {"BTN_SW", "SW"},
            {"BTN_W", "W"},           {"BTN_NW", "NW"},         {"BTN_Stop", "Stop"},
            {"BTN_GOTO", "GOTO"},     {"BTN_Focus_In", "IN"},   {"BTN_Focus_In_Fast", "IN ++"},
            {"BTN_Focus_Out", "OUT"}, {"BTN_Focus_Out_Fast", "OUT ++"},
            {"BTN_Position_Actuelle", "Position actuelle"},
            {"BTN_Demarrer_Autofocus", "Demarrer"}, {"BTN_Arreter_Autofocus", "Arrêter"},
        };
        for (const auto& [name, caption] : captions) {
            auto* button = w.findChild<QPushButton*>(QString::fromLatin1(name));
            QVERIFY2(button, name);
            QCOMPARE(button->text(), QString::fromUtf8(caption));
        }
        QVERIFY(w.RDB_Guide->isChecked());
        QVERIFY(w.RDB_Planete->isChecked());
        QVERIFY(w.RDB_AF_Fin->isChecked());
        QCOMPARE(w.TNI_Numero->Value(), 1.0);
        QCOMPARE(w.TNI_Numero->Min(), 1.0);
        QCOMPARE(w.TNI_Numero->Max(), 9999.0);
        QCOMPARE(w.CBX_Planete->count(), 10);
        QCOMPARE(w.CBX_Planete->itemText(0), QStringLiteral("0-Soleil"));
        QCOMPARE(w.CBX_Planete->itemText(9), QStringLiteral("9-Pluton"));
        QVERIFY(!w.BTN_Arreter_Autofocus->isEnabled());
        QVERIFY(!w.TMR_Autofocus->isActive());
        QCOMPARE(w.GAUGE_Autofocus->value(), 0);
        // Building the window sends nothing, not even the checked rate.
        QVERIFY(b.connected);
        QCOMPARE(b.readAny(), QByteArray());
    }

    void northWestPressAndReleaseWithTheMouse()
    {
        Bench b;
        QVERIFY(b.connected);
        QTest::mousePress(b.w.BTN_NW, Qt::LeftButton);
        QCOMPARE(b.read("#:Mn#\r#:Mw#\r"), QByteArray("#:Mn#\r#:Mw#\r"));
        QCOMPARE(b.unguided, 1);
        QTest::mouseRelease(b.w.BTN_NW, Qt::LeftButton);
        QCOMPARE(b.read("#:Qn#\r#:Qw#\r"), QByteArray("#:Qn#\r#:Qw#\r"));
        QCOMPARE(b.readAny(), QByteArray());
    }

    void aHeldButtonStopsWhenTheWindowCloses()
    {
        Bench b;
        QVERIFY(b.connected);
        b.w.show();
        QTest::mousePress(b.w.BTN_SE, Qt::LeftButton);
        QCOMPARE(b.read("#:Ms#\r#:Me#\r"), QByteArray("#:Ms#\r#:Me#\r"));
        QTest::mousePress(b.w.BTN_Focus_In_Fast, Qt::LeftButton);
        QCOMPARE(b.read("#:FF#\r#:F-#\r"), QByteArray("#:FF#\r#:F-#\r"));
        b.w.close();
        QCOMPARE(b.read("#:Qs#\r#:Qe#\r#:FQ#\r"), QByteArray("#:Qs#\r#:Qe#\r#:FQ#\r"));
        // The mouse comes up later, over a closed window: nothing more.
        QTest::mouseRelease(b.w.BTN_SE, Qt::LeftButton);
        QTest::mouseRelease(b.w.BTN_Focus_In_Fast, Qt::LeftButton);
        QCOMPARE(b.readAny(), QByteArray());
        QVERIFY(!b.f.mount.moving(South));
        QVERIFY(!b.f.mount.moving(East));
    }

    void aHeldButtonStopsWhenTheWindowLosesTheActivation()
    {
        Bench b;
        QVERIFY(b.connected);
        QWidget other;
        b.w.show();
        b.w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&b.w));
        QTest::mousePress(b.w.BTN_N, Qt::LeftButton);
        QCOMPARE(b.read("#:Mn#\r"), QByteArray("#:Mn#\r"));
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QCOMPARE(b.read("#:Qn#\r"), QByteArray("#:Qn#\r"));
        QVERIFY(!b.f.mount.moving(North));
    }

    void stopAndRates()
    {
        Bench b;
        QVERIFY(b.connected);
        b.w.show(); // the radio buttons take clicks on their laid-out area
        QVERIFY(QTest::qWaitForWindowExposed(&b.w));
        const QList<std::pair<QRadioButton*, QByteArray>> rates = {
            {b.w.RDB_Slew, "#:RS#\r"}, {b.w.RDB_Find, "#:RM#\r"}, {b.w.RDB_Cntr, "#:RC#\r"}, {b.w.RDB_Guide, "#:RG#\r"}};
        for (const auto& [radio, bytes] : rates) {
            QTest::mouseClick(radio, Qt::LeftButton);
            QCOMPARE(b.read(bytes), bytes);
        }
        QCOMPARE(b.unguided, 2); // "Slew" and "Find" end autoguiding
        QTest::mousePress(b.w.BTN_W, Qt::LeftButton);
        b.read("#:Mw#\r");
        QTest::mouseClick(b.w.BTN_Stop, Qt::LeftButton);
        QCOMPARE(b.read("#:Qw#\r"), QByteArray("#:Qw#\r"));
    }

    void gotoMessier31ShowsTheReply()
    {
        Bench b;
        QVERIFY(b.connected);
        b.w.RDB_Messier->setChecked(true);
        b.w.TNI_Numero->setValue(31);
        b.answer("0");
        QTest::mouseClick(b.w.BTN_GOTO, Qt::LeftButton);
        QCOMPARE(b.read("#:Q#\r#:LM 31#\r#:MS#\r"), QByteArray("#:Q#\r#:LM 31#\r#:MS#\r"));
        QCOMPARE(b.w.EDT_Resultat->text(), QStringLiteral("GOTO accepté"));
        QCOMPARE(b.unguided, 1);
        b.w.TMR_Position->stop();
    }

    void gotoEachCatalogue_data()
    {
        QTest::addColumn<QString>("radio");
        QTest::addColumn<double>("number");
        QTest::addColumn<int>("planet");
        QTest::addColumn<QByteArray>("select");
        QTest::newRow("Soleil") << "RDB_Planete" << 31.0 << 0 << QByteArray("#:LS 900#\r");
        QTest::newRow("Jupiter") << "RDB_Planete" << 1.0 << 5 << QByteArray("#:LS 905#\r");
        QTest::newRow("NGC 7331") << "RDB_NGC" << 7331.0 << 3 << QByteArray("#:LC 7331#\r");
        QTest::newRow("star 120") << "RDB_Etoile" << 120.0 << 3 << QByteArray("#:LS 120#\r");
        QTest::newRow("M 1") << "RDB_Messier" << 1.0 << 9 << QByteArray("#:LM 1#\r");
    }
    void gotoEachCatalogue()
    {
        QFETCH(QString, radio);
        QFETCH(double, number);
        QFETCH(int, planet);
        QFETCH(QByteArray, select);
        Bench b;
        QVERIFY(b.connected);
        b.w.findChild<QRadioButton*>(radio)->setChecked(true);
        b.w.TNI_Numero->setValue(number);
        b.w.CBX_Planete->setCurrentIndex(planet);
        b.answer("1Objet sous l'horizon#");
        QTest::mouseClick(b.w.BTN_GOTO, Qt::LeftButton);
        const QByteArray expected = "#:Q#\r" + select + "#:MS#\r";
        QCOMPARE(b.read(expected), expected);
        QCOMPARE(b.w.EDT_Resultat->text(), QStringLiteral("GOTO refusé : l'objet est sous l'horizon"));
    }

    // A language names the planets as it likes: the planet sent is the
    // item's place in the list, not a digit read from its text.
    void gotoPlanetWhateverItsItemSays()
    {
        Bench b;
        QVERIFY(b.connected);
        b.w.findChild<QRadioButton*>(QStringLiteral("RDB_Planete"))->setChecked(true);
        b.w.CBX_Planete->clear();
        b.w.CBX_Planete->addItems({QStringLiteral("Sun"), QStringLiteral("Mercury"), QStringLiteral("Venus"),
                                   QStringLiteral("Moon"), QStringLiteral("Mars"), QStringLiteral("Jupiter"),
                                   QStringLiteral("Saturn"), QStringLiteral("Uranus"), QStringLiteral("Neptune"),
                                   QStringLiteral("Pluto")});
        b.w.CBX_Planete->setCurrentIndex(6);
        b.answer("0");
        QTest::mouseClick(b.w.BTN_GOTO, Qt::LeftButton);
        const QByteArray expected = "#:Q#\r#:LS 906#\r#:MS#\r";
        QCOMPARE(b.read(expected), expected);
    }

    void positionQueryShowsTheReplies()
    {
        Bench b;
        QVERIFY(b.connected);
        b.answer("+41*16:08#");
        // The right ascension's reply comes while the window waits between the two.
        connect(b.w.EDT_Position_Actuelle_Dec, &QLineEdit::textChanged, &b.w, [&b] { b.answer("00:42:44#"); });
        QTest::mouseClick(b.w.BTN_Position_Actuelle, Qt::LeftButton);
        QCOMPARE(b.read("#:GD#\r#:GR#\r"), QByteArray("#:GD#\r#:GR#\r"));
        QCOMPARE(b.w.EDT_Position_Actuelle_Dec->text(), QString::fromUtf8("+41°16′08″"));
        QCOMPARE(b.w.EDT_Position_Actuelle_AR->text(), QStringLiteral("00h42m44s"));
    }

    void lx200OnlyControls()
    {
        Bench b;
        TFRM_Raquette& w = b.w;
        const QList<QWidget*> lx200Only = {w.RDB_Slew, w.RDB_Find, w.RDB_Cntr, w.RDB_Guide, w.BTN_Position_Actuelle,
                                           w.RDB_NGC, w.RDB_Messier, w.RDB_Etoile, w.RDB_Planete, w.TNI_Numero,
                                           w.CBX_Planete, w.BTN_GOTO};
        const QList<QWidget*> always = {w.BTN_N, w.BTN_NE, w.BTN_E, w.BTN_SE, w.BTN_S, w.BTN_SW, w.BTN_W, w.BTN_NW,
                                        w.BTN_Stop, w.BTN_Focus_In, w.BTN_Focus_In_Fast, w.BTN_Focus_Out,
                                        w.BTN_Focus_Out_Fast, w.RDB_AF_Fin, w.RDB_AF_Rapide,
                                        w.BTN_Demarrer_Autofocus};
        const QList<std::pair<MountInterface, bool>> rows = {
            {MountInterface::LX200, true},  {MountInterface::Tolvir, false}, {MountInterface::Varnek, false},
            {MountInterface::Dremla, false}, {MountInterface::LX200, true},  {MountInterface::Aucun, false}};
        for (const auto& [choice, lx200] : rows) {
            w.setLx200Controls(interfaceControlsFor(choice).paddleLx200Controls);
            for (QWidget* c : lx200Only) QVERIFY2(c->isEnabled() == lx200, qPrintable(c->objectName()));
            for (QWidget* c : always) QVERIFY2(c->isEnabled(), qPrintable(c->objectName()));
        }
    }

    void autofocusFineOnTheWire()
    {
        Bench b;
        QVERIFY(b.connected);
        b.w.autofocusSettings = [] { return AutofocusSettings{10000, 2.0}; };
        QTest::mouseClick(b.w.BTN_Demarrer_Autofocus, Qt::LeftButton);
        QCOMPARE(b.measure, std::vector<bool>{true});
        QVERIFY(!b.w.BTN_Demarrer_Autofocus->isEnabled());
        QVERIFY(b.w.BTN_Arreter_Autofocus->isEnabled());
        QVERIFY(b.w.autofocus().waitingForWidth());

        struct Step {
            double width;
            QByteArray move;
            int ms;
            int gauge;
        };
        const QList<Step> steps = {{4.0, "#:FS#\r#:F-#\r", 2500, 0},
                                   {3.5, "#:FS#\r#:F-#\r", 2500, 0},
                                   {3.8, "#:FS#\r#:F+#\r", 1250, 88}};
        for (const Step& s : steps) {
            b.w.autofocus().autofocus_step(s.width);
            QCOMPARE(b.read(s.move), s.move);
            QVERIFY(b.w.TMR_Autofocus->isActive());
            QCOMPARE(b.w.TMR_Autofocus->interval(), s.ms);
            QCOMPARE(b.w.GAUGE_Autofocus->value(), s.gauge);
            QVERIFY(!b.w.autofocus().waitingForWidth());
            b.w.TMR_AutofocusTimer();
            QCOMPARE(b.read("#:FQ#\r"), QByteArray("#:FQ#\r"));
            QVERIFY(!b.w.TMR_Autofocus->isActive());
            QVERIFY(b.w.autofocus().waitingForWidth());
        }
        QCOMPARE(b.autoThreshold, std::vector<bool>{true}); // "Auto" held while it runs
        QTest::mouseClick(b.w.BTN_Arreter_Autofocus, Qt::LeftButton);
        QCOMPARE(b.read("#:FQ#\r"), QByteArray("#:FQ#\r"));
        QCOMPARE(b.measure, (std::vector<bool>{true, false}));
        QCOMPARE(b.autoThreshold, (std::vector<bool>{true, false}));
        QVERIFY(b.w.BTN_Demarrer_Autofocus->isEnabled());
        QVERIFY(!b.w.BTN_Arreter_Autofocus->isEnabled());
        QVERIFY(b.messages.isEmpty()); // the user's own stop needs no word
    }

    void autofocusMoveEndsOnTheRealTimer()
    {
        Bench b;
        QVERIFY(b.connected);
        b.w.autofocusSettings = [] { return AutofocusSettings{400, 1.0}; }; // "Fin": 100 ms
        b.w.BTN_Demarrer_AutofocusClick();
        b.w.autofocus().autofocus_step(3.0);
        QCOMPARE(b.read("#:FS#\r#:F-#\r"), QByteArray("#:FS#\r#:F-#\r"));
        QTRY_VERIFY_WITH_TIMEOUT(b.w.autofocus().waitingForWidth(), 2000);
        QCOMPARE(b.read("#:FQ#\r"), QByteArray("#:FQ#\r"));
    }

    void baseTimeAtTheFloorShowsAFullGauge()
    {
        Bench b;
        QVERIFY(b.connected);
        b.w.autofocusSettings = [] { return AutofocusSettings{100, 1.0}; };
        b.w.BTN_Demarrer_AutofocusClick();
        b.w.autofocus().autofocus_step(3.0);
        b.w.TMR_AutofocusTimer();
        b.w.autofocus().autofocus_step(3.5); // wider: reverse, the gauge is computed
        QCOMPARE(b.w.GAUGE_Autofocus->value(), 100);
        QCOMPARE(b.w.TMR_Autofocus->interval(), 100);
        b.w.BTN_Arreter_AutofocusClick();
    }

    void reachingTheStopWidthEndsTheAutofocus()
    {
        Bench b;
        QVERIFY(b.connected);
        b.w.autofocusSettings = [] { return AutofocusSettings{10000, 2.0}; };
        b.w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&b.w));
        QTest::mouseClick(b.w.RDB_AF_Rapide, Qt::LeftButton);
        b.w.BTN_Demarrer_AutofocusClick();
        b.w.autofocus().autofocus_step(3.0);
        QCOMPARE(b.read("#:FF#\r#:F-#\r"), QByteArray("#:FF#\r#:F-#\r"));
        QCOMPARE(b.w.TMR_Autofocus->interval(), 10000);
        b.w.TMR_AutofocusTimer();
        b.read("#:FQ#\r");
        b.w.autofocus().autofocus_step(1.9);
        QCOMPARE(b.read("#:FQ#\r"), QByteArray("#:FQ#\r"));
        QVERIFY(b.w.BTN_Demarrer_Autofocus->isEnabled());
        QCOMPARE(b.measure, (std::vector<bool>{true, false}));
        QCOMPARE(b.messages.size(), 1);
        QVERIFY(b.messages[0].startsWith(QStringLiteral("Autofocus terminé : largeur 1.90 px")));
    }

    // An accepted GOTO says so and the position follows the slew: read
    // again on a timer while the mount reports a slew, in a readable form,
    // until the slew ends.
    void gotoFollowsTheSlewReadably()
    {
        Bench b;
        QVERIFY(b.connected);
        b.w.RDB_Messier->setChecked(true);
        b.w.TNI_Numero->setValue(31);
        b.answer("0");
        QTest::mouseClick(b.w.BTN_GOTO, Qt::LeftButton);
        b.read("#:Q#\r#:LM 31#\r#:MS#\r");
        QCOMPARE(b.w.EDT_Resultat->text(), QStringLiteral("GOTO accepté"));
        QCOMPARE(b.messages, QStringList{QStringLiteral("GOTO accepté")});
        QVERIFY(b.w.TMR_Position->isActive());
        // Each reply reaches the port once the window shows the one before:
        // the declination, the right ascension, then the slew's state.
        QList<QByteArray> replies;
        const auto next = [&] {
            if (!replies.isEmpty()) b.answer(replies.takeFirst());
        };
        connect(b.w.EDT_Position_Actuelle_Dec, &QLineEdit::textChanged, &b.w, next);
        connect(b.w.EDT_Position_Actuelle_AR, &QLineEdit::textChanged, &b.w, next);
        struct Tick {
            QByteArray dec, ra, slew;
            const char *decShown, *raShown;
            bool still;
        };
        const Tick ticks[] = {{"+40*01:02#", "00:40:10#", "\x7f#", "+40°01′02″", "00h40m10s", true},
                              {"+41*16:09#", "00:42:44#", "#", "+41°16′09″", "00h42m44s", false}};
        for (const Tick& t : ticks) {
            replies = {t.ra, t.slew};
            b.answer(t.dec);
            b.w.TMR_PositionTimer();
            QCOMPARE(b.read("#:GD#\r#:GR#\r#:D#\r"), QByteArray("#:GD#\r#:GR#\r#:D#\r"));
            QCOMPARE(b.w.EDT_Position_Actuelle_Dec->text(), QString::fromUtf8(t.decShown));
            QCOMPARE(b.w.EDT_Position_Actuelle_AR->text(), QString::fromUtf8(t.raShown));
            QCOMPARE(b.w.TMR_Position->isActive(), t.still);
        }
    }

    // A refused GOTO says why; no position is followed.
    void gotoRefusalsInWords_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("said");
        QTest::newRow("below the horizon") << QByteArray("1Objet sous l'horizon#")
                                           << QStringLiteral("GOTO refusé : l'objet est sous l'horizon");
        QTest::newRow("no object") << QByteArray("2Aucun objet choisi#")
                                   << QStringLiteral("GOTO refusé : Aucun objet choisi");
        QTest::newRow("limits, no words") << QByteArray("2#")
                                          << QStringLiteral("GOTO refusé : objet hors des limites de la monture");
        QTest::newRow("silent mount") << QByteArray() << QStringLiteral("GOTO : la monture ne répond pas");
        QTest::newRow("noise") << QByteArray("xyz#") << QString::fromUtf8("GOTO : réponse inattendue « xyz »");
    }
    void gotoRefusalsInWords()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, said);
        Bench b;
        QVERIFY(b.connected);
        if (!reply.isEmpty()) b.answer(reply);
        QTest::mouseClick(b.w.BTN_GOTO, Qt::LeftButton);
        QCOMPARE(b.w.EDT_Resultat->text(), said);
        QCOMPARE(b.messages, QStringList{said});
        QVERIFY(!b.w.TMR_Position->isActive());
    }
};

QTEST_MAIN(TestRaquetteWindow)
#include "test_raquette_window.moc"

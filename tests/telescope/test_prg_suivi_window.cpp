// The "Autoguidage" window's arrow keys through a pseudo-terminal: a move
// held by a key never outlives the window's hold on the keyboard.
#include "telescope/ui/TFRM_Prg_Suivi.h"
#include "core/Clock.h"
#include "core/Messages.h"
#include "core/SteadyClock.h"
#include "telescope/Autoguider.h"
#include "telescope/ui/GuideGraph.h"

#include "GuideFixture.h"
#include "MountFixture.h"

#include <QtTest>

using namespace velumbra;
using velumbra::test::MountFixture;

class TestPrgSuiviWindow : public QObject {
    Q_OBJECT
private slots:
    void aHeldArrowStopsWhenTheWindowLetsGo_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("closed") << 0;
        QTest::newRow("hidden") << 1;
        QTest::newRow("another window active") << 2;
    }

    void aHeldArrowStopsWhenTheWindowLetsGo()
    {
        QFETCH(int, how);
        MountFixture f{MountInterface::LX200};
        f.settings.CKB_CR = f.settings.CKB_LF = false;
        QVERIFY(f.pty.ok());
        QVERIFY(f.mount.mount_connect());
        QCOMPARE(f.pty.read(5), QByteArray("#:RG#"));
        TFRM_Prg_Suivi w(f.mount, [&f] { return f.mount.linkUp(); });
        QWidget other;
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyPress(&w, Qt::Key_Up);
        QTest::keyPress(&w, Qt::Key_Left);
        QCOMPARE(f.pty.read(10), QByteArray("#:Mn##:Me#"));

        if (how == 0) w.close();
        if (how == 1) w.hide();
        if (how == 2) {
            other.show();
            other.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&other));
        }
        QCOMPARE(f.pty.read(10), QByteArray("#:Qe##:Qn#"));
        QVERIFY(!f.mount.moving(North));
        QVERIFY(!f.mount.moving(East));
        // The keys come up later, elsewhere: nothing more.
        QTest::keyRelease(&w, Qt::Key_Up);
        QTest::keyRelease(&w, Qt::Key_Left);
        QCOMPARE(f.pty.read(1, 100), QByteArray());
    }

    // Guiding shows its corrections as a graph in arc seconds: RA in red,
    // Dec in blue, each with its RMS; a new run starts an empty graph.
    void theGraphFollowsTheCorrectionsLive()
    {
        test::RecordingMount mount;
        test::RecordingPause pause(mount.calls);
        RecordingMessages messages;
        ManualClock clock;
        ManualSteadyClock steady;
        Autoguider guider({mount, pause, messages, clock, steady});
        guider.settingsSource = [] {
            GuideSettings s;
            s.CKB_Separes = false;
            s.TNI_Echantillonnage = 2.0;
            return s;
        };
        TFRM_Prg_Suivi w(mount, [] { return true; });
        guider.setView(&w);
        w.resize(420, 360);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto colourCount = [&w](bool red) {
            const QImage img = w.PBX_Graphe_Guidage->grab().toImage();
            int n = 0;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x) {
                    const QColor c = img.pixelColor(x, y);
                    n += red ? (c.red() > 150 && c.blue() < 110 && c.green() < 110)
                             : (c.blue() > 150 && c.red() < 110 && c.green() < 140);
                }
            return n;
        };
        guider.start();
        const int redBefore = colourCount(true);
        // Three pixels east and four north, then back and forth.
        const int offsets[][2] = {{3, -4}, {-2, 1}, {1, 2}, {0, -3}, {2, 2}};
        for (const auto& o : offsets) {
            steady.advanceMs(2000);
            guider.guide_correct(o[0], o[1]);
        }
        QCOMPARE(guider.trace().size(), 5);
        QCOMPARE(w.PBX_Graphe_Guidage->trace(), &guider.trace());
        // The first correction: 5 px = 10" at θ = 306.87°: RA +6", Dec -8".
        QCOMPARE(qRound(guider.trace().at(0).raArcsec * 100), 600);
        QCOMPARE(qRound(guider.trace().at(0).decArcsec * 100), -800);
        QCOMPARE(guider.trace().at(4).seconds, 10.0);
        double ra2 = 0, dec2 = 0;
        for (int i = 0; i < 5; ++i) {
            ra2 += std::pow(guider.trace().at(i).raArcsec, 2);
            dec2 += std::pow(guider.trace().at(i).decArcsec, 2);
        }
        QCOMPARE(guider.trace().raRms(), std::sqrt(ra2 / 5));
        QCOMPARE(guider.trace().decRms(), std::sqrt(dec2 / 5));
        QTRY_VERIFY(colourCount(true) > redBefore + 40);
        QVERIFY(colourCount(false) > 40);
        QCOMPARE(guideRmsText(QStringLiteral("A.D."), 1.234), QString::fromUtf8("A.D. RMS 1.23″"));
        // A new run: the graph starts again.
        guider.stop();
        guider.start();
        QCOMPARE(guider.trace().size(), 0);
        QTRY_VERIFY(colourCount(true) <= redBefore);
    }

    // The ring keeps the last corrections, oldest first, without growing.
    void theTraceKeepsTheLastCorrections()
    {
        GuideTrace t;
        for (int i = 0; i < GuideTrace::kCapacity + 25; ++i) t.add({double(i), double(i % 3), -1.0});
        QCOMPARE(t.size(), GuideTrace::kCapacity);
        QCOMPARE(t.at(0).seconds, 25.0);
        QCOMPARE(t.at(GuideTrace::kCapacity - 1).seconds, double(GuideTrace::kCapacity + 24));
        QCOMPARE(t.decRms(), 1.0);
        t.clear();
        QVERIFY(t.empty());
        QCOMPARE(t.raRms(), 0.0);
    }
};

QTEST_MAIN(TestPrgSuiviWindow)
#include "test_prg_suivi_window.moc"

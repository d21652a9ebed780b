// The "Comm Trafic" window: the log's lines, the 101-line limit, on top,
// read-only without wrapping, closing it turns the traffic log off.
#include "telescope/TrafficLog.h"
#include "telescope/ui/TFRM_ComTrafic.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

using namespace velumbra;

class TestCommTrafficWindow : public QObject {
    Q_OBJECT
private slots:
    void showsTheLogAndKeepsItsLimit()
    {
        TrafficLog log;
        log.logText(QStringLiteral("COM1"), "#:Mn#");
        TFRM_ComTrafic window(log);
        QCOMPARE(window.objectName(), QStringLiteral("TFRM_ComTrafic"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Comm Trafic"));
        QVERIFY(!(window.windowFlags() & Qt::WindowStaysOnTopHint)); // above the main window only
        QPlainTextEdit* memo = window.findChild<QPlainTextEdit*>(QStringLiteral("MEMO_Historique_Comm"));
        QVERIFY(memo);
        QVERIFY(memo->isReadOnly());
        QCOMPARE(memo->lineWrapMode(), QPlainTextEdit::NoWrap);
        QCOMPARE(memo->toPlainText(), QStringLiteral("COM1 : 233A4D6E23 \"#:Mn#\""));

        log.logByte(QStringLiteral("COM1"), 0x5D);
        log.logPortWrite(0x378, 0x40);
        QCOMPARE(memo->toPlainText().split(QLatin1Char('\n')),
                 (QStringList{QStringLiteral("COM1 : 233A4D6E23 \"#:Mn#\""), QStringLiteral("COM1 : 3544 \"5D\""),
                              QStringLiteral("0378 : 01000000")}));
        for (int i = 0; i < 200; ++i) log.logPortWrite(quint16(i), quint8(i));
        const QStringList shown = memo->toPlainText().split(QLatin1Char('\n'));
        QCOMPARE(shown.size(), 101);
        QCOMPARE(shown, log.lines());
        QCOMPARE(shown.back(), QStringLiteral("00C7 : 11000111"));

        // Commands ending in CR LF take two lines each: still 101 lines.
        for (int i = 0; i < 120; ++i) log.logText(QStringLiteral("COM1"), "#:Mn#\r\n");
        QCOMPARE(memo->document()->blockCount(), 101);
        QCOMPARE(memo->toPlainText().split(QLatin1Char('\n')), log.lines());
        log.logText(QStringLiteral("COM1"), "#:Q#\r");
        QCOMPARE(memo->document()->blockCount(), 101);
        QCOMPARE(memo->document()->lastBlock().previous().text(), QStringLiteral("COM1 : 233A51230D \"#:Q#"));
    }

    void hidingKeepsTheLinesClosingTurnsTheLogOff()
    {
        TrafficLog log;
        TFRM_ComTrafic window(log);
        bool uncheck = false;
        window.onClosed = [&] { uncheck = true; };
        window.CKB_Historique_CommClick(true);
        QVERIFY(window.isVisible());
        log.logByte(QStringLiteral("COM2"), 0xFE);
        window.CKB_Historique_CommClick(false);
        QVERIFY(!window.isVisible());
        QVERIFY(!uncheck);
        window.CKB_Historique_CommClick(true);
        QCOMPARE(window.MEMO_Historique_Comm->toPlainText(), QStringLiteral("COM2 : 4645 \"FE\""));
        window.close();
        QVERIFY(uncheck);
    }

    void windowGoneLogGoesOn()
    {
        TrafficLog log;
        {
            TFRM_ComTrafic window(log);
        }
        log.logByte(QStringLiteral("COM1"), 1); // no window to follow it any more
        QCOMPARE(log.lines().size(), 1);
    }
};

QTEST_MAIN(TestCommTrafficWindow)
#include "test_comm_traffic_window.moc"

#include "widgets/TNumInp.h"

#include <QApplication>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

using namespace velumbra;

class TestTNumInp : public QObject {
    Q_OBJECT

    QStringList reported;
    QWidget* window = nullptr;
    TNumInp* field = nullptr;
    QLineEdit* other = nullptr;

    void leaveField()
    {
        other->setFocus();
        QApplication::processEvents();
        QApplication::processEvents();
    }

private slots:
    void init()
    {
        reported.clear();
        TCustomNumInp::setErrorReporter([this](QWidget*, const QString& m) { reported << m; });
        window = new QWidget;
        auto* layout = new QVBoxLayout(window);
        field = new TNumInp(window);
        field->setObjectName(QStringLiteral("TNI_Test"));
        other = new QLineEdit(window);
        layout->addWidget(field);
        layout->addWidget(other);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        window->activateWindow();
        QApplication::setActiveWindow(window);
    }
    void cleanup()
    {
        delete window;
        TCustomNumInp::setErrorReporter(nullptr);
    }

    void startsAtZeroEightyFivePixelsWide()
    {
        QCOMPARE(field->text(), QStringLiteral("0"));
        QCOMPARE(field->sizeHint().width(), 85);
    }

    void typingStopsAtTwelveCharacters()
    {
        field->setFocus();
        field->clear();
        QTest::keyClicks(field, QStringLiteral("1234567890123"));
        QCOMPARE(field->text(), QStringLiteral("123456789012"));
        // A selection typed over makes room again.
        field->selectAll();
        QTest::keyClicks(field, QStringLiteral("5"));
        QCOMPARE(field->text(), QStringLiteral("5"));
    }

    // A value the program sets shows whole and survives a Tab through the field.
    void programValueShowsWholeAndRoundTrips_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("shown");
        QTest::newRow("two thirds") << 2.0 / 3.0 << QStringLiteral("0.666666666667");
        QTest::newRow("small with exponent") << 1.23456789012e-05 << QStringLiteral("1.23456789012e-05");
        QTest::newRow("large negative") << -123456789012345.0 << QStringLiteral("-1.23456789012e+14");
    }
    void programValueShowsWholeAndRoundTrips()
    {
        QFETCH(double, value);
        QFETCH(QString, shown);
        field->setValue(value);
        QCOMPARE(field->text(), shown);
        field->setFocus();
        QApplication::processEvents();
        leaveField();
        QVERIFY(reported.isEmpty());
        QCOMPARE(field->Value(), TCustomNumInp::Real(value));
        QCOMPARE(field->text(), shown);
    }

    // Only leaving for another control commits; a window switch or a popup
    // (the field's own context menu) keeps the half-typed text unreported.
    void focusLossCommitsOnlyForAnotherControl_data()
    {
        QTest::addColumn<int>("reason");
        QTest::addColumn<bool>("commits");
        QTest::newRow("window switch") << int(Qt::ActiveWindowFocusReason) << false;
        QTest::newRow("popup") << int(Qt::PopupFocusReason) << false;
        QTest::newRow("menu bar") << int(Qt::MenuBarFocusReason) << false;
        QTest::newRow("tab") << int(Qt::TabFocusReason) << true;
        QTest::newRow("backtab") << int(Qt::BacktabFocusReason) << true;
        QTest::newRow("click elsewhere") << int(Qt::MouseFocusReason) << true;
    }
    void focusLossCommitsOnlyForAnotherControl()
    {
        QFETCH(int, reason);
        QFETCH(bool, commits);
        field->setValue(4);
        field->setFocus();
        field->clear();
        QTest::keyClicks(field, QStringLiteral("-"));
        QSignalSpy exited(field, &TCustomNumInp::exited);
        QFocusEvent out(QEvent::FocusOut, Qt::FocusReason(reason));
        QApplication::sendEvent(field, &out);
        const QStringList expected =
            commits ? QStringList{QStringLiteral("'-' n'est pas une valeur numérique valable.")} : QStringList{};
        QCOMPARE(reported, expected);
        QCOMPARE(field->text(), QStringLiteral("-"));
        QCOMPARE(field->Value(), 4.0L);
        QCOMPARE(exited.count(), 0);
        // The same text completed and the field left with Tab commits it.
        reported.clear();
        field->end(false); // a refusal selected the text
        QTest::keyClicks(field, QStringLiteral("2"));
        QFocusEvent tab(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(field, &tab);
        QVERIFY(reported.isEmpty());
        QCOMPARE(field->Value(), -2.0L);
        QCOMPARE(exited.count(), 1);
    }

    void integerFieldIgnoresExponentAndSeparator()
    {
        field->setDatatype(TDataType::dtLongint);
        field->setFocus();
        field->clear();
        QTest::keyClicks(field, QStringLiteral("1E.5a"));
        QCOMPARE(field->text(), QStringLiteral("15"));
    }

    void outOfRangeKeepsFocusAndValue()
    {
        field->setDatatype(TDataType::dtLongint);
        field->setRange(1, 5);
        field->setValue(2);
        QSignalSpy exited(field, &TCustomNumInp::exited);
        field->setFocus();
        field->clear();
        QTest::keyClicks(field, QStringLiteral("9"));
        leaveField();
        QCOMPARE(reported, QStringList{QStringLiteral("La valeur doit être comprise entre 1 and 5")});
        QCOMPARE(field->Value(), 2.0L);
        QCOMPARE(exited.count(), 0);
        QTRY_VERIFY(field->hasFocus());
    }

    void notANumberNamesTheText()
    {
        field->setFocus();
        field->clear();
        QTest::keyClicks(field, QStringLiteral("1e"));
        leaveField();
        QCOMPARE(reported, QStringList{QStringLiteral("'1e' n'est pas une valeur numérique valable.")});
        QTRY_VERIFY(field->hasFocus());
    }

    void validTextCommitsThenRaisesExit()
    {
        field->setRange(0, 100);
        double seen = -1;
        connect(field, &TCustomNumInp::exited, this, [&] { seen = double(field->Value()); });
        field->setFocus();
        field->clear();
        QTest::keyClicks(field, QStringLiteral("42.5"));
        leaveField();
        QVERIFY(reported.isEmpty());
        QCOMPARE(seen, 42.5); // the value was committed before the event
        QCOMPARE(field->text(), QStringLiteral("42.5"));
    }

    void programValueOutOfRangeIsRefused()
    {
        field->setRange(1, 5);
        field->setValue(3);
        field->setValue(7);
        QCOMPARE(field->Value(), 3.0L);
        QCOMPARE(reported.size(), 1);
    }

    void sameValueDoesNotRefreshText()
    {
        field->setValue(3);
        field->setText(QStringLiteral("12"));
        field->setValue(3);
        QCOMPARE(field->text(), QStringLiteral("12"));
    }

    void enterCommitsAndInsertsNothing()
    {
        field->setRange(0, 10);
        QSignalSpy enter(field, &TCustomNumInp::enterPressed);
        field->setFocus();
        field->clear();
        QTest::keyClicks(field, QStringLiteral("3.50"));
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(enter.count(), 1);
        QCOMPARE(field->Value(), 3.5L);
        QCOMPARE(field->text(), QStringLiteral("3.5"));
        // Refused text: the message, no commit, no signal.
        field->clear();
        QTest::keyClicks(field, QStringLiteral("11"));
        QTest::keyClick(field, Qt::Key_Enter);
        QCOMPARE(reported, QStringList{QStringLiteral("La valeur doit être comprise entre 0 and 10")});
        QCOMPARE(enter.count(), 1);
        QCOMPARE(field->Value(), 3.5L);
    }
};

QTEST_MAIN(TestTNumInp)
#include "test_tnuminp.moc"

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

    void startsAtZeroWithTwelveCharactersAtMost()
    {
        QCOMPARE(field->text(), QStringLiteral("0"));
        QCOMPARE(field->maxLength(), 12);
        QCOMPARE(field->sizeHint().width(), 85);
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

    void enterInsertsNothingButIsReported()
    {
        QSignalSpy enter(field, &TCustomNumInp::enterPressed);
        field->setFocus();
        field->clear();
        QTest::keyClicks(field, QStringLiteral("3"));
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(enter.count(), 1);
        QCOMPARE(field->text(), QStringLiteral("3"));
    }
};

QTEST_MAIN(TestTNumInp)
#include "test_tnuminp.moc"

#include "widgets/ImageView.h"
#include "core/Version.h"
#include "app/ui/TFRM_Alv.h"

#include <QApplication>
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
        QCOMPARE(core.buffers.display.pixel(5, 5) & 0xffffffu, 0x0a141eu);
        // What the widget shows is the display image.
        const QImage grabbed = image1->grab().toImage();
        QCOMPARE(grabbed.pixelColor(5, 5), QColor(10, 20, 30));
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"

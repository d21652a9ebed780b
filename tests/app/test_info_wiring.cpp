// The image-information tool in the program: "Info. Img." and its window,
// the saturation view, the histogram fed by the frame routine, and the
// pixel readout of the live and the result images.
#include "app/ui/TFRM_Alv.h"
#include "app/ui/WindowSet.h"
#include "processing/ui/PNL_Info_Image.h"
#include "processing/ui/TFRM_Info.h"
#include "results/ui/TFRM_Alv_Child.h"
#include "widgets/ImageView.h"
#include "widgets/TNumInp.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QtTest>

using namespace velumbra;

namespace {

// A 64 x 48 frame: black, with one white pixel at (10, 5), one (200, 250, 90)
// pixel at (20, 6), and a column of grey 128 at x = 40.
void paintFrame(ImageCore& core)
{
    core.buffers.create();
    core.buffers.setFrameSize(64, 48);
    QImage& f = core.buffers.frameSlots[0];
    f.fill(Qt::black);
    f.setPixel(10, 5, qRgb(255, 255, 255));
    f.setPixel(20, 6, qRgb(200, 250, 90));
    for (int y = 0; y < 48; ++y) f.setPixel(40, y, qRgb(128, 128, 128));
    // A source runs: the frame routine's target stages too.
    core.flags.targetActive = true;
}

} // namespace

class TestInfoWiring : public QObject {
    Q_OBJECT
private slots:
    void infoBoxShowsTheWindowAndClosingClearsBothBoxes()
    {
        WindowSet set;
        TFRM_Alv* main = set.main();
        TFRM_Info* info = set.infoWindow();
        QVERIFY(info);
        QCOMPARE(set.window(QStringLiteral("TFRM_Info")), static_cast<QWidget*>(info));
        QCOMPARE(main->findChild<QLabel*>(QStringLiteral("LBL_CKB_Info_Image"))->text(), QStringLiteral("Info. Img."));
        QCOMPARE(main->toolPanelFor(main->CKB_Info_Image), static_cast<QWidget*>(main->infoPanel()));

        main->CKB_Info_Image->setChecked(true);
        QVERIFY(info->isVisible());
        QVERIFY(main->core().controls.CKB_Info_Image);
        info->CKB_Histogramme->setChecked(true);
        QVERIFY(main->core().controls.CKB_Histogramme);
        info->close();
        QVERIFY(!main->CKB_Info_Image->isChecked());
        QVERIFY(!info->CKB_Histogramme->isChecked());
        QVERIFY(!main->core().controls.CKB_Histogramme);
        QVERIFY(!main->core().controls.CKB_Info_Image);
        main->CKB_Info_Image->setChecked(true);
        QVERIFY(info->isVisible());
        main->CKB_Info_Image->setChecked(false);
        QVERIFY(!info->isVisible());
    }

    void histogramFollowsTheFramesWhileItsBoxIsChecked()
    {
        WindowSet set;
        TFRM_Alv* main = set.main();
        TFRM_Info* info = set.infoWindow();
        ImageCore& core = main->core();
        paintFrame(core);
        main->CKB_Info_Image->setChecked(true);

        // Off: the frame routine counts nothing.
        core.pipeline.ProcessFrame(false);
        info->histogramAt(128);
        QCOMPARE(info->EDT_Nbre_R->text(), QStringLiteral("0"));

        info->CKB_Histogramme->setChecked(true);
        core.pipeline.ProcessFrame(false);
        // The slider's top becomes the pixel count.
        QCOMPARE(info->SCB_Scale_Histo->maximum(), 64 * 48);
        info->histogramAt(128);
        QCOMPARE(info->EDT_Niveau->text(), QStringLiteral("128"));
        QCOMPARE(info->EDT_Nbre_R->text(), QStringLiteral("48"));
        QCOMPARE(info->EDT_Prc_R->text(), QString::number(48.0 / (64 * 48) * 100.0, 'f', 7));
        info->histogramAt(250);
        QCOMPARE(info->EDT_Nbre_R->text(), QStringLiteral("0"));
        QCOMPARE(info->EDT_Nbre_V->text(), QStringLiteral("1"));
        QCOMPARE(info->EDT_Nbre_B->text(), QStringLiteral("0"));
        // "Echelle" 100: the top of the picture is all the pixels.
        QCOMPARE(info->LBL_YMax->text(), QString::number(64 * 48));
        // Levels outside 0..255 leave the readout as it was.
        info->histogramAt(256);
        info->histogramAt(-1);
        QCOMPARE(info->EDT_Niveau->text(), QStringLiteral("250"));

        // A new frame recounts.
        core.buffers.frameSlots[0].fill(qRgb(128, 0, 0));
        core.pipeline.ProcessFrame(false);
        info->histogramAt(128);
        QCOMPARE(info->EDT_Nbre_R->text(), QString::number(64 * 48));
        QCOMPARE(info->EDT_Prc_R->text(), QStringLiteral("100.0000000"));
    }

    void pixelReadoutReadsTheLiveOrTheResultImageAndKeepsColourOutside()
    {
        WindowSet set;
        TFRM_Alv* main = set.main();
        TFRM_Info* info = set.infoWindow();
        ImageCore& core = main->core();
        paintFrame(core);

        // Unchecked: the position is kept, nothing is read.
        emit main->image1()->mouseMoved(QPoint(20, 6));
        QCOMPARE(info->probePosition(), (Point{20, 6}));
        QVERIFY(info->EDT_R->text().isEmpty());

        main->CKB_Info_Image->setChecked(true);
        emit main->image1()->mouseMoved(QPoint(20, 6));
        QCOMPARE(info->EDT_X->text(), QStringLiteral("20"));
        QCOMPARE(info->EDT_Y->text(), QStringLiteral("6"));
        QCOMPARE(info->EDT_R->text(), QStringLiteral("200"));
        QCOMPARE(info->EDT_V->text(), QStringLiteral("250"));
        QCOMPARE(info->EDT_B->text(), QStringLiteral("90"));

        // Beyond the frame's width (the buffer is wider): the colour stays.
        emit main->image1()->mouseMoved(QPoint(64, 6));
        QCOMPARE(info->EDT_X->text(), QStringLiteral("64"));
        QCOMPARE(info->EDT_R->text(), QStringLiteral("200"));

        // Each frame reads the pixel under the pointer again.
        emit main->image1()->mouseMoved(QPoint(10, 5));
        core.buffers.frameSlots[0].setPixel(10, 5, qRgb(1, 2, 3));
        core.pipeline.ProcessFrame(false);
        QCOMPARE(info->EDT_R->text(), QStringLiteral("1"));
        QCOMPARE(info->EDT_V->text(), QStringLiteral("2"));
        QCOMPARE(info->EDT_B->text(), QStringLiteral("3"));

        // The result image: its own pixels, read again with each frame.
        core.buffers.result.fill(Qt::black);
        core.buffers.result.setPixel(3, 4, qRgb(7, 8, 9));
        info->pointAt({3, 4}, 3);
        QCOMPARE(info->probeSource(), 3);
        QCOMPARE(info->EDT_R->text(), QStringLiteral("7"));
        core.buffers.result.setPixel(3, 4, qRgb(70, 80, 90));
        core.pipeline.ProcessFrame(false);
        QCOMPARE(info->EDT_R->text(), QStringLiteral("70"));
        QCOMPARE(info->EDT_B->text(), QStringLiteral("90"));
        // Moving over the live image again reads the frame.
        emit main->image1()->mouseMoved(QPoint(40, 0));
        QCOMPARE(info->probeSource(), 1);
        QCOMPARE(info->EDT_R->text(), QStringLiteral("128"));
    }

    void saturationViewShowsOnlyPixelsAtTheThreshold_data()
    {
        QTest::addColumn<int>("threshold");
        QTest::addColumn<bool>("whiteRed");
        QTest::addColumn<bool>("greenPixelRed");
        QTest::addColumn<bool>("greyRed");
        QTest::newRow("255: only a channel at 255") << 255 << true << false << false;
        QTest::newRow("250: the green channel's 250 too") << 250 << true << true << false;
        QTest::newRow("128: the grey column too") << 128 << true << true << true;
        QTest::newRow("0: every pixel") << 0 << true << true << true;
    }

    void saturationViewShowsOnlyPixelsAtTheThreshold()
    {
        QFETCH(int, threshold);
        QFETCH(bool, whiteRed);
        QFETCH(bool, greenPixelRed);
        QFETCH(bool, greyRed);
        WindowSet set;
        TFRM_Alv* main = set.main();
        ImageCore& core = main->core();
        paintFrame(core);
        // No target: its marks would be drawn over the view.
        core.flags.targetActive = false;
        PNL_Info_Image* panel = main->infoPanel();
        QCOMPARE(panel->SCB_Seuil_Satur->value(), 255);
        QCOMPARE(double(panel->TNI_Seuil_Satur->Value()), 255.0);

        panel->CKB_Satur->setChecked(true);
        panel->SCB_Seuil_Satur->setValue(threshold);
        // The slider sets the field, and the frame is shown again at once.
        QCOMPARE(double(panel->TNI_Seuil_Satur->Value()), double(threshold));
        QCOMPARE(core.controls.TNI_Seuil_Satur, double(threshold));
        const QImage& shown = core.buffers.display;
        const QRgb red = qRgb(255, 0, 0);
        QCOMPARE(shown.pixel(10, 5) == red, whiteRed);
        QCOMPARE(shown.pixel(20, 6) == red, greenPixelRed);
        QCOMPARE(shown.pixel(40, 20) == red, greyRed);
        QCOMPARE(shown.pixel(0, 0) == red, threshold == 0);
        if (threshold > 0) QCOMPARE(shown.pixel(0, 0), qRgb(0, 0, 0));

        // Off: the frame itself is shown again.
        panel->CKB_Satur->setChecked(false);
        QCOMPARE(shown.pixel(20, 6), qRgb(200, 250, 90));
    }

    // The view and the histogram's dotted line take the threshold the same
    // way, as the field shows it: at 255 a channel at 254 is not marked.
    void saturationViewAndHistogramLineAgree()
    {
        WindowSet set;
        TFRM_Alv* main = set.main();
        ImageCore& core = main->core();
        paintFrame(core);
        core.flags.targetActive = false;
        core.buffers.frameSlots[0].setPixel(30, 7, qRgb(254, 254, 254));
        main->CKB_Info_Image->setChecked(true);
        set.infoWindow()->CKB_Histogramme->setChecked(true);
        PNL_Info_Image* panel = main->infoPanel();
        panel->CKB_Satur->setChecked(true);
        const auto lineAt = [&set](int x) {
            const QImage picture = set.infoWindow()->Img_Histogramme->pixmap().toImage();
            for (int y = 1; y < 100; ++y)
                if (picture.pixel(x, y) != qRgb(0, 0, 0)) return true;
            return false;
        };
        for (const int threshold : {255, 254}) {
            panel->SCB_Seuil_Satur->setValue(threshold);
            core.pipeline.ProcessFrame(false);
            QCOMPARE(core.buffers.display.pixel(30, 7) == qRgb(255, 0, 0), threshold <= 254);
            QCOMPARE(core.buffers.display.pixel(10, 5), qRgb(255, 0, 0));
            QVERIFY(lineAt(threshold));
            QVERIFY(!lineAt(threshold - 1));
        }
    }

    void saturationChangeWithoutAFrameDoesNothing()
    {
        WindowSet set;
        PNL_Info_Image* panel = set.main()->infoPanel();
        panel->CKB_Satur->setChecked(true);
        panel->SCB_Seuil_Satur->setValue(10);
        QVERIFY(set.main()->core().controls.CKB_Satur);
        QCOMPARE(set.main()->core().controls.TNI_Seuil_Satur, 10.0);
    }
};

QTEST_MAIN(TestInfoWiring)
#include "test_info_wiring.moc"

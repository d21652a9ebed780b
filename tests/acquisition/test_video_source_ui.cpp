#include "core/ImageBuffers.h"
#include "simulator/SkySimulator.h"
#include "acquisition/V4l2Driver.h"
#include "acquisition/control/VideoSource.h"
#include "acquisition/ui/GRB_Camera.h"
#include "acquisition/ui/TFRM_Pilote.h"
#include "acquisition/ui/TFRM_PlayControl.h"
#include "acquisition/ui/TFRM_VideoFormat.h"
#include "acquisition/ui/TFRM_VideoSource.h"
#include "acquisition/ui/VideoSourceUi.h"
#include "app/ui/TFRM_Alv.h"
#include "widgets/TNumInp.h"
#include "processing/ImageCore.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPointer>
#include <QVBoxLayout>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using namespace velumbra;

namespace {

// Answers the next driver chooser with its last entry (the sky simulator).
void acceptChooserWithLastEntry(QStringList* seen)
{
    QTimer::singleShot(0, [seen] {
        auto* dialog = qobject_cast<TFRM_Pilote*>(QApplication::activeModalWidget());
        if (!dialog) return;
        for (int i = 0; i < dialog->ComboBox1->count(); ++i) *seen << dialog->ComboBox1->itemText(i);
        dialog->ComboBox1->setCurrentIndex(dialog->ComboBox1->count() - 1);
        dialog->accept();
    });
}

int brightest(const QImage& img, int w, int h)
{
    int best = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) best = std::max(best, qGreen(img.pixel(x, y)));
    return best;
}

} // namespace

class TestVideoSourceUi : public QObject {
    Q_OBJECT
private slots:
    void demarrerRunsTheSkySimulatorLive()
    {
        TFRM_Alv window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* start = window.findChild<QPushButton*>(QStringLiteral("BTN_Start"));
        auto* stop = window.findChild<QPushButton*>(QStringLiteral("BTN_Stop"));
        auto* turbo = window.findChild<QPushButton*>(QStringLiteral("BTN_Turbo"));
        auto* fps = window.findChild<QLineEdit*>(QStringLiteral("EDT_FPS"));
        auto* format = window.findChild<QAction*>(QStringLiteral("MNU_Format"));
        QVERIFY(start && stop && turbo && fps && format);
        QVERIFY(start->isEnabled());
        QVERIFY(!stop->isEnabled());
        QVERIFY(!format->isEnabled());

        ImageCore& core = window.core();
        core.buffers.frameSlots[0].fill(Qt::black);
        QStringList entries;
        acceptChooserWithLastEntry(&entries);
        QTest::mouseClick(start, Qt::LeftButton);
        QCOMPARE(entries.value(entries.size() - 1), QStringLiteral("Simulateur de ciel 1.0"));
        QVERIFY(!start->isEnabled());
        QVERIFY(stop->isEnabled());
        QVERIFY(turbo->isEnabled());
        QVERIFY(format->isEnabled());
        QCOMPARE(core.buffers.imageWidth, 640);
        QTRY_VERIFY_WITH_TIMEOUT(!fps->text().isEmpty(), 3000);
        QVERIFY(fps->text().toDouble() > 0);
        // Stars on the live image.
        QVERIFY(brightest(core.buffers.display, 640, 480) > 150);

        // Stream mode and its way out with Escape.
        QTest::mouseClick(turbo, Qt::LeftButton);
        QCOMPARE(turbo->text(), QStringLiteral("Image"));
        QVERIFY(!stop->isEnabled());
        QTest::qWait(100);
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_Escape);
        QCOMPARE(turbo->text(), QStringLiteral("Flux"));
        QVERIFY(stop->isEnabled());

        // The refresh scroll bar and field stay equal.
        auto* bar = window.findChild<QScrollBar*>(QStringLiteral("SCB_Tps_Rafraichissement"));
        auto* field = window.findChild<TNumInp*>(QStringLiteral("TNI_Tps_Rafraichissement"));
        QVERIFY(bar && field);
        bar->setValue(120);
        QCOMPARE(double(field->Value()), 120.0);

        QTest::mouseClick(stop, Qt::LeftButton);
        QVERIFY(start->isEnabled());
        QVERIFY(!stop->isEnabled());
        QVERIFY(!turbo->isEnabled());
        QVERIFY(!core.flags.targetActive);
    }

    void playControlFollowsThePlayback()
    {
        QTemporaryDir dir;
        QImage a(320, 240, QImage::Format_RGB888), b(320, 240, QImage::Format_RGB888);
        a.fill(QColor(200, 0, 0));
        b.fill(QColor(0, 0, 200));
        QVERIFY(a.save(dir.filePath(QStringLiteral("a.bmp")), "BMP"));
        QVERIFY(b.save(dir.filePath(QStringLiteral("b.bmp")), "BMP"));

        ManualClock clock;
        ImageCore core(clock);
        RecordingMessages messages;
        SkySimulator sky(clock);
        SystemDriverCatalogue catalogue(sky);
        struct NoChooser : DriverChooser {
            std::optional<int> choose(const QStringList&) override { return std::nullopt; }
        } chooser;
        VideoSource source(core, messages, clock, catalogue, chooser);
        TFRM_PlayControl play(source);
        source.playControlChanged = [&] { play.refresh(); };
        QVERIFY(!play.isVisible());

        source.openPlayback({dir.filePath(QStringLiteral("b.bmp")), dir.filePath(QStringLiteral("a.bmp"))},
                            PlaybackKind::Image);
        QVERIFY(play.isVisible());
        QCOMPARE(play.windowTitle(), QStringLiteral("Contrôle de lecture"));
        QVERIFY(play.EDT_Fichier->text().endsWith(QStringLiteral("a.bmp")));
        QVERIFY(play.button(PlayButton::PlayForward)->isEnabled());
        QVERIFY(!play.button(PlayButton::REW)->isEnabled());
        QVERIFY(!play.close()); // the user cannot close it while playing

        QTest::keyClick(&play, Qt::Key_Right);
        QVERIFY(play.button(PlayButton::PlayForward)->isChecked());
        source.Timer1Timer();
        QVERIFY(play.EDT_Fichier->text().endsWith(QStringLiteral("b.bmp")));
        QCOMPARE(core.buffers.frameSlots[0].pixelColor(5, 5), QColor(0, 0, 200));
        source.Timer1Timer(); // at the end without Loop
        QVERIFY(!play.button(PlayButton::PlayForward)->isEnabled());
        QVERIFY(!play.button(PlayButton::PlayForward)->isChecked());
        QVERIFY(play.button(PlayButton::BACK1)->isEnabled());

        QTest::mouseClick(play.SPDB_Loop, Qt::LeftButton);
        QVERIFY(source.playButtons.SPDB_Loop);
        QTest::mouseClick(play.button(PlayButton::Stop), Qt::LeftButton);
        QVERIFY(source.playButtons[PlayButton::Stop].down);

        source.BTN_StopClick();
        QVERIFY(!play.isVisible());
    }

    void sourceDialogAppliesSlidersAndCheckBoxes()
    {
        std::vector<DriverControl> controls = {
            {1, QStringLiteral("Gain"), DriverControl::Kind::Slider, 0, 10, 0.5, 2.0},
            {2, QStringLiteral("Suivi"), DriverControl::Kind::CheckBox, 0, 1, 1, 1},
        };
        QList<QPair<uint32_t, double>> applied;
        TFRM_VideoSource dialog(controls, [&](uint32_t id, double v) { applied.append({id, v}); });
        auto* slider = dialog.findChild<QSlider*>(QStringLiteral("SCB_Control_1"));
        auto* field = dialog.findChild<TNumInp*>(QStringLiteral("TNI_Control_1"));
        auto* box = dialog.findChild<QCheckBox*>(QStringLiteral("CKB_Control_2"));
        QVERIFY(slider && field && box);
        QCOMPARE(slider->value(), 4); // 2.0 in steps of 0.5
        slider->setValue(7);
        QCOMPARE(applied.last(), (QPair<uint32_t, double>(1, 3.5)));
        QCOMPARE(double(field->Value()), 3.5);
        box->setChecked(false);
        QCOMPARE(applied.last(), (QPair<uint32_t, double>(2, 0.0)));
    }

    void sourceDialogListsMenusAndGreysInactiveSettings()
    {
        // A webcam's exposure: a mode menu (items 1 and 3 only) and a time that
        // applies only in manual mode.
        using K = DriverControl::Kind;
        std::vector<DriverControl> camera = {
            {10, QStringLiteral("Auto Exposure"), K::Menu, 0, 3, 1, 3,
             {{1, QStringLiteral("Manual Mode")}, {3, QStringLiteral("Aperture Priority Mode")}}, true, true},
            {11, QStringLiteral("Exposure Time"), K::Slider, 3, 2047, 1, 250, {}, false, false},
        };
        QList<QPair<uint32_t, double>> applied;
        auto apply = [&](uint32_t id, double v) {
            applied.append({id, v});
            camera[id == 10 ? 0 : 1].value = v;
            if (id == 10) camera[1].enabled = v == 1; // the driver's rule
        };
        TFRM_VideoSource dialog(camera, apply, [&] { return camera; });
        auto* mode = dialog.findChild<QComboBox*>(QStringLiteral("CBX_Control_10"));
        auto* slider = dialog.findChild<QSlider*>(QStringLiteral("SCB_Control_11"));
        auto* field = dialog.findChild<TNumInp*>(QStringLiteral("TNI_Control_11"));
        QVERIFY(mode && slider && field);
        QCOMPARE(mode->count(), 2);
        QCOMPARE(mode->itemText(0), QStringLiteral("Manual Mode"));
        QCOMPARE(mode->currentText(), QStringLiteral("Aperture Priority Mode"));
        QVERIFY(!slider->isEnabled());
        QVERIFY(!field->isEnabled());

        mode->setCurrentIndex(0);
        QCOMPARE(applied.last(), (QPair<uint32_t, double>(10, 1.0)));
        QVERIFY(slider->isEnabled());
        QVERIFY(field->isEnabled());
        QCOMPARE(applied.size(), 1); // re-reading applies nothing
        mode->setCurrentIndex(1);
        QCOMPARE(applied.last(), (QPair<uint32_t, double>(10, 3.0)));
        QVERIFY(!slider->isEnabled());
    }

    void formatDialogSelectsTheCurrentFormat()
    {
        TFRM_VideoFormat dialog;
        const std::vector<FormatChoice> choices = {
            {1, QStringLiteral("YUYV"), 320, 240}, {1, QStringLiteral("YUYV"), 640, 480}, {2, QStringLiteral("MJPG"), 640, 480}};
        dialog.setChoices(choices, choices[2]);
        QCOMPARE(dialog.LBX_Formats->count(), 3);
        QCOMPARE(dialog.LBX_Formats->item(2)->text(), QStringLiteral("MJPG  640 x 480"));
        QCOMPARE(*dialog.selected(), choices[2]);
        dialog.LBX_Formats->setCurrentRow(0);
        QCOMPARE(*dialog.selected(), choices[0]);
        dialog.setChoices({}, {});
        QVERIFY(!dialog.selected().has_value());
    }

    void thePanelGoesWithItsSource()
    {
        // The panel is placed in a window that outlives the source; a focus
        // leaving its refresh field afterwards must not reach the freed source.
        ManualClock clock;
        ImageCore core{clock};
        RecordingMessages messages;
        QWidget host;
        auto* layout = new QVBoxLayout(&host);
        auto* other = new QLineEdit(&host);
        auto ui = std::make_unique<VideoSourceUi>(core, messages, clock, &host);
        layout->addWidget(ui->panel());
        layout->addWidget(other);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        host.activateWindow();
        QPointer<TNumInp> field = host.findChild<TNumInp*>(QStringLiteral("TNI_Tps_Rafraichissement"));
        QVERIFY(field);
        field->setFocus();
        QTRY_VERIFY(field->hasFocus());
        field->setText(QStringLiteral("120"));
        ui.reset();
        QVERIFY(field.isNull());
        other->setFocus();
        QTRY_VERIFY(other->hasFocus());
    }

    void closingWithTheFocusInTheRefreshField()
    {
        auto window = std::make_unique<TFRM_Alv>();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
        auto* field = window->findChild<TNumInp*>(QStringLiteral("TNI_Tps_Rafraichissement"));
        QVERIFY(field);
        field->setFocus();
        QTRY_VERIFY(field->hasFocus());
        field->setText(QStringLiteral("120"));
        window->close();
        window.reset(); // the field's exit ran before its source went, or not at all
        QVERIFY(QApplication::focusWidget() == nullptr);
    }

    void chooserPreselectsTheFirstEntry()
    {
        TFRM_Pilote chooser;
        QCOMPARE(chooser.windowTitle(), QStringLiteral("Pilote de capture"));
        chooser.setEntries({QStringLiteral("Cam 1.0.0"), QStringLiteral("Simulateur de ciel 1.0")});
        QCOMPARE(chooser.selectedIndex(), 0);
        chooser.setEntries({});
        QCOMPARE(chooser.selectedIndex(), -1);
    }
};

QTEST_MAIN(TestVideoSourceUi)
#include "test_video_source_ui.moc"

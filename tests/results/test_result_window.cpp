#include "core/ImageBuffers.h"
#include "widgets/ImageView.h"
#include "app/ui/TFRM_Alv.h"
#include "widgets/TNumInp.h"
#include "results/ui/TFRM_Alv_Child.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <QTimeZone>
#include <fitsio.h>
#include "processing/Planes.h"
#include "results/SerFile.h"

using namespace velumbra;

namespace {

template <class W>
W* find(QWidget& window, const char* name)
{
    return window.findChild<W*>(QString::fromLatin1(name));
}

} // namespace

class TestResultWindow : public QObject {
    Q_OBJECT

    ManualClock clock;
    ManualTimers timers{clock};
    QImage image{kMaxFrameWidth, kMaxFrameHeight, kPixelFormat};

    std::unique_ptr<TFRM_Alv_Child> makeWindow()
    {
        SaveScheduler::Timers t = manualSaveTimers(timers);
        auto w = std::make_unique<TFRM_Alv_Child>(clock, std::move(t));
        w->setMessageSink(&messages);
        image.fill(QColor(90, 60, 30));
        w->setImage(&image, 321, 240);
        return w;
    }
    RecordingMessages messages;

private slots:
    void initTestCase()
    {
        TCustomNumInp::setErrorReporter([this](QWidget*, const QString& m) { messages.showMessage(false, m); });
    }

    void controlsStartAsDesigned()
    {
        auto w = makeWindow();
        QCOMPARE(w->windowTitle(), QStringLiteral("Fenêtre d'intégration"));
        QVERIFY(!(w->windowFlags() & Qt::WindowStaysOnTopHint));
        QCOMPARE(find<TNumInp>(*w, "TNI_Num_Suffixe")->Value(), 1.0L);
        QCOMPARE(find<TNumInp>(*w, "TNI_Num_Suffixe")->Max(), 65535.0L);
        QCOMPARE(find<TNumInp>(*w, "TNI_Longueur_Sequence")->Value(), 4.0L);
        QVERIFY(!find<TNumInp>(*w, "TNI_Longueur_Sequence")->isEnabled());
        QVERIFY(!find<QCheckBox>(*w, "CKB_Un_seul_fichier")->isEnabled());
        QVERIFY(find<QRadioButton>(*w, "RDB_Une_Fois")->isChecked());
        QVERIFY(find<QRadioButton>(*w, "RDB_Arret")->isChecked());
        QVERIFY(!find<QSpinBox>(*w, "SPED_Toutes_les")->isEnabled());
        QVERIFY(!find<QSpinBox>(*w, "SPED_Pendant")->isEnabled());
        QVERIFY(!find<QPushButton>(*w, "BTN_Arreter_Sauv")->isEnabled());
        auto* unit = find<QComboBox>(*w, "CBX_Unite");
        QCOMPARE(unit->count(), 4);
        QCOMPARE(unit->currentText(), QStringLiteral("Images"));
        QCOMPARE(find<QComboBox>(*w, "CBX_Pendant")->currentText(), QStringLiteral("Secondes"));
        auto* pages = find<QTabWidget>(*w, "PGC_Child");
        QCOMPARE(pages->count(), 3);
        QCOMPARE(pages->tabText(0), QStringLiteral("Enregistrement Manuel"));
        QCOMPARE(pages->property("helpContext").toInt(), 20);
        QCOMPARE(find<ImageView>(*w, "Image3")->shownSize(), QSize(321, 240));
        // The size field tells the size of the file written.
        QCOMPARE(find<QLineEdit>(*w, "EDT_Taille_Fichier")->text(), QStringLiteral("231414"));

        find<QCheckBox>(*w, "CKB_Longueur_Fixe")->setChecked(true);
        QVERIFY(find<TNumInp>(*w, "TNI_Longueur_Sequence")->isEnabled());
        find<QCheckBox>(*w, "CKB_Enreg_Params")->setChecked(true);
        QVERIFY(find<QCheckBox>(*w, "CKB_Un_seul_fichier")->isEnabled());
        find<QRadioButton>(*w, "RDB_Toutes_les")->setChecked(true);
        QVERIFY(find<QSpinBox>(*w, "SPED_Toutes_les")->isEnabled());
    }

    // "Série :" and "Durée :" head their choices, and the sentence under
    // them follows every choice: the user reads what "Demarrer" will do.
    void timedSavingSaysItsSchedule()
    {
        auto w = makeWindow();
        auto* sentence = find<QLabel>(*w, "LBL_Resume_Sauvegarde");
        QVERIFY(sentence);
        QCOMPARE(find<QLabel>(*w, "LBL_Serie")->text(), QStringLiteral("Série :"));
        QCOMPARE(find<QLabel>(*w, "LBL_Duree")->text(), QStringLiteral("Durée :"));
        find<QComboBox>(*w, "CBX_Unite")->setCurrentIndex(1);
        find<QSpinBox>(*w, "SPED_Freq_Sauve")->setValue(3);
        QCOMPARE(sentence->text(), QStringLiteral("Une seule série : une image toutes les 3 s, jusqu'à l'arrêt."));
        find<QRadioButton>(*w, "RDB_Pendant")->setChecked(true);
        find<QSpinBox>(*w, "SPED_Pendant")->setValue(2);
        find<QComboBox>(*w, "CBX_Pendant")->setCurrentIndex(1);
        QCOMPARE(sentence->text(), QStringLiteral("Une seule série : une image toutes les 3 s, pendant 2 min."));
        find<QRadioButton>(*w, "RDB_Toutes_les")->setChecked(true);
        find<QSpinBox>(*w, "SPED_Toutes_les")->setValue(10);
        find<QComboBox>(*w, "CBX_Toutes_les")->setCurrentIndex(1);
        QCOMPARE(sentence->text(), QStringLiteral("Une série toutes les 10 min : une image toutes les 3 s, pendant 2 min."));
    }

    void closeIsRefused()
    {
        auto w = makeWindow();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QVERIFY(!w->close());
        QVERIFY(w->isVisible());
    }

    void typingCreatesFoldersAndLeavingCutsTheExtension()
    {
        QTemporaryDir dir;
        auto w = makeWindow();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        auto* name = find<QLineEdit>(*w, "EDT_Nom_Image");
        name->setText(dir.path() + QStringLiteral("/prog/jup"));
        QVERIFY(!QFileInfo::exists(dir.path() + QStringLiteral("/prog"))); // program changes create nothing

        name->clear();
        name->setFocus();
        QTest::keyClicks(name, dir.path() + QStringLiteral("/a/b/Jup.BMP"));
        QVERIFY(QFileInfo(dir.path() + QStringLiteral("/a/b")).isDir());
        QVERIFY(!QFileInfo::exists(dir.path() + QStringLiteral("/a/b/Jup.BMP")));
        find<QCheckBox>(*w, "CKB_Longueur_Fixe")->setFocus();
        QTRY_COMPARE(name->text(), dir.path() + QStringLiteral("/a/b/Jup"));
        QCOMPARE(w->scheduler().controls.EDT_Nom_Image, dir.path() + QStringLiteral("/a/b/Jup"));
    }

    void browseStartsInTheImageFolderAndKeepsThePrefix()
    {
        auto w = makeWindow();
        QString asked;
        w->chooseImageName = [&](const QString& start) {
            asked = start;
            return QStringLiteral("/tmp/chosen/Sat.bmp");
        };
        w->setBitmapFolder(QStringLiteral("/srv/bitmaps"));
        w->BTN_ParcourirClick();
        QCOMPARE(asked, QStringLiteral("/srv/bitmaps"));
        QCOMPARE(find<QLineEdit>(*w, "EDT_Nom_Image")->text(), QStringLiteral("/tmp/chosen/Sat"));
        w->BTN_ParcourirClick();
        QCOMPARE(asked, QStringLiteral("/tmp/chosen"));

        w->applyImageFolder(QStringLiteral("/data/night"));
        QCOMPARE(find<QLineEdit>(*w, "EDT_Nom_Image")->text(), QStringLiteral("/data/night/Sat"));
    }

    void timedRunLocksItsControlsAndShowsTheNumber()
    {
        QTemporaryDir dir;
        auto w = makeWindow();
        find<QLineEdit>(*w, "EDT_Nom_Image")->setText(dir.path() + QStringLiteral("/m"));
        find<QCheckBox>(*w, "CKB_Enreg_Params")->setChecked(true);
        find<QCheckBox>(*w, "CKB_Un_seul_fichier")->setChecked(true);
        find<QComboBox>(*w, "CBX_Unite")->setCurrentIndex(1);
        find<QRadioButton>(*w, "RDB_Pendant")->setChecked(true);
        find<QSpinBox>(*w, "SPED_Pendant")->setValue(3);

        QTest::mouseClick(find<QPushButton>(*w, "BTN_Demarrer_Sauv"), Qt::LeftButton);
        QVERIFY(!find<QPushButton>(*w, "BTN_Demarrer_Sauv")->isEnabled());
        QVERIFY(find<QPushButton>(*w, "BTN_Arreter_Sauv")->isEnabled());
        QVERIFY(!find<QSpinBox>(*w, "SPED_Freq_Sauve")->isEnabled());
        QVERIFY(!find<QSpinBox>(*w, "SPED_Pendant")->isEnabled());
        QVERIFY(!find<QComboBox>(*w, "CBX_Unite")->isEnabled());
        QVERIFY(!find<QCheckBox>(*w, "CKB_Un_seul_fichier")->isEnabled());

        timers.advanceMs(10000); // 0, 1, 2 and 3 s, then the run ends at 3 s
        QVERIFY(find<QPushButton>(*w, "BTN_Demarrer_Sauv")->isEnabled());
        QVERIFY(find<QSpinBox>(*w, "SPED_Pendant")->isEnabled());
        QVERIFY(find<QCheckBox>(*w, "CKB_Un_seul_fichier")->isEnabled());
        QCOMPARE(find<TNumInp>(*w, "TNI_Num_Suffixe")->Value(), 5.0L);
        const QStringList written = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
        QCOMPARE(written, (QStringList{"m1.bmp", "m1.par", "m2.bmp", "m3.bmp", "m4.bmp"}));
        QCOMPARE(messages.lines, QStringList{QStringLiteral("Enregistrement automatique terminé : 4 image(s), la dernière : ") +
                                             dir.path() + QStringLiteral("/m4.bmp")});
    }

    void typedNumberIsUsedByTheNextSave()
    {
        QTemporaryDir dir;
        auto w = makeWindow();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        find<QLineEdit>(*w, "EDT_Nom_Image")->setText(dir.path() + QStringLiteral("/n"));
        auto* number = find<TNumInp>(*w, "TNI_Num_Suffixe");
        number->setFocus();
        number->selectAll();
        QTest::keyClicks(number, QStringLiteral("42"));
        QTest::mouseClick(find<QPushButton>(*w, "BTN_Enregistrer_Image"), Qt::LeftButton);
        QTRY_VERIFY(QFileInfo::exists(dir.path() + QStringLiteral("/n42.bmp")));
        QCOMPARE(number->Value(), 43.0L);
    }

    // A typed number whose file exists moves on to the next free one, and
    // the field shows it; even the last number is never saved twice.
    void aSaveNeverReplacesTheFileOfATypedNumber()
    {
        QTemporaryDir dir;
        auto w = makeWindow();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        find<QLineEdit>(*w, "EDT_Nom_Image")->setText(dir.path() + QStringLiteral("/z"));
        auto* number = find<TNumInp>(*w, "TNI_Num_Suffixe");
        auto* save = find<QPushButton>(*w, "BTN_Enregistrer_Image");
        const auto typeNumber = [&](const QString& n) {
            number->setFocus();
            number->selectAll();
            QTest::keyClicks(number, n);
        };
        QFile old(dir.path() + QStringLiteral("/z7.bmp"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("first night");
        old.close();

        messages.lines.clear();
        typeNumber(QStringLiteral("7"));
        QTest::mouseClick(save, Qt::LeftButton);
        QTRY_VERIFY(QFileInfo::exists(dir.path() + QStringLiteral("/z8.bmp")));
        QCOMPARE(number->Value(), 9.0L);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("first night"));
        QCOMPARE(messages.lines, (QStringList{QStringLiteral("Fichier %1/z7.bmp existant : image enregistree sous %1/z8.bmp")
                                                  .arg(dir.path()),
                                              QStringLiteral("Image enregistrée : %1/z8.bmp").arg(dir.path())}));

        const QString last = dir.path() + QStringLiteral("/z65535.bmp");
        typeNumber(QStringLiteral("65535"));
        QTest::mouseClick(save, Qt::LeftButton);
        QTRY_VERIFY(QFileInfo::exists(last));
        messages.lines.clear();
        image.fill(Qt::white);
        typeNumber(QStringLiteral("65535"));
        QTest::mouseClick(save, Qt::LeftButton);
        QCOMPARE(messages.lines.filter(QStringLiteral("Aucun numéro libre")).size(), 1);
        QVERIFY(QImage(last).pixelColor(0, 0) != QColor(Qt::white));
    }

    // The main window hands its core to the result window: frames counted by
    // the sources save images, and records read the frame size.
    void mainWindowWiresTheFrameCountAndTheRecords()
    {
        QTemporaryDir dir;
        auto child = makeWindow();
        TFRM_Alv main;
        main.setResultWindow(child.get());
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QCOMPARE(main.core().frameCountHook, &child->frameCountHook());
        main.showNewFrame(640, 480);

        find<QLineEdit>(*child, "EDT_Nom_Image")->setText(dir.path() + QStringLiteral("/f"));
        find<QCheckBox>(*child, "CKB_Enreg_Params")->setChecked(true);
        find<QSpinBox>(*child, "SPED_Freq_Sauve")->setValue(2);
        child->BTN_Demarrer_SauvClick();
        for (int i = 0; i < 4; ++i) main.core().countFrameForSaving(true);
        main.core().countFrameForSaving(false);
        child->BTN_Arreter_SauvClick();
        QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("*.bmp")}, QDir::Files).size(), 3);

        QFile record(dir.path() + QStringLiteral("/f1.par"));
        QVERIFY(record.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(record.readAll());
        QVERIFY(text.contains(QStringLiteral("Resolution video                : 640 x 480 pixels")));
        QVERIFY(text.contains(QStringLiteral("Dimensions de l'image           : 320 x 240 pixels")));
        main.setResultWindow(nullptr);
        QCOMPARE(main.core().frameCountHook, nullptr);
    }

    // "Special": the format list. FITS saves the values behind the shown
    // image with the preferences' optics, and the size field says its size.
    // Without integration the result is the frame itself: its own levels.
    void fitsFormatSavesTheValuesOfTheShownResult()
    {
        QTemporaryDir dir;
        auto child = makeWindow();
        TFRM_Alv main;
        main.setResultWindow(child.get());
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        main.showNewFrame(640, 480);
        QVERIFY(!main.core().pipeline.resultFromPlanes());
        // What the window shows, whatever part of the frame it came from.
        QImage& shownImage = main.core().buffers.result;
        shownImage.fill(QColor(100, 150, 200));
        shownImage.setPixelColor(3, 2, QColor(7, 8, 9));

        auto* format = find<QComboBox>(*child, "CBX_Format");
        QVERIFY(format);
        QCOMPARE(format->count(), 2);
        QCOMPARE(format->currentText(), QStringLiteral("BMP"));
        QVERIFY(find<QTabWidget>(*child, "PGC_Child")->widget(2)->isAncestorOf(format));
        const QString bmpSize = find<QLineEdit>(*child, "EDT_Taille_Fichier")->text();
        format->setCurrentIndex(1);
        const QString fitsSize = find<QLineEdit>(*child, "EDT_Taille_Fichier")->text();
        QVERIFY(fitsSize != bmpSize);
        find<QLineEdit>(*child, "EDT_Nom_Image")->setText(dir.path() + QStringLiteral("/m"));
        child->BTN_Enregistrer_ImageClick();
        const QString path = dir.path() + QStringLiteral("/m1.fits");
        QVERIFY(QFileInfo::exists(path));
        QCOMPARE(QString::number(QFileInfo(path).size()), fitsSize);
        QVERIFY(!QFileInfo::exists(dir.path() + QStringLiteral("/m1.bmp")));

        int status = 0;
        fitsfile* f = nullptr;
        fits_open_diskfile(&f, QFile::encodeName(path).constData(), READONLY, &status);
        long axes[3] = {0, 0, 0};
        int bitpix = 0, naxis = 0;
        fits_get_img_param(f, 3, &bitpix, &naxis, axes, &status);
        QCOMPARE(naxis, 3);
        QVERIFY(axes[0] > 0 && axes[1] > 0);
        std::vector<int32_t> data(std::size_t(axes[0] * axes[1] * 3));
        int anyNull = 0;
        fits_read_img(f, TINT, 1, LONGLONG(data.size()), nullptr, data.data(), &anyNull, &status);
        double focal = 0;
        int frames = 0;
        fits_read_key(f, TDOUBLE, "FOCALLEN", &focal, nullptr, &status);
        fits_read_key(f, TINT, "NCOMBINE", &frames, nullptr, &status);
        char date[FLEN_VALUE] = {};
        fits_read_key(f, TSTRING, "DATE-OBS", date, nullptr, &status);
        fits_close_file(f, &status);
        QCOMPARE(status, 0);
        QVERIFY(focal > 0);
        QCOMPARE(frames, 1);
        QCOMPARE(QString::fromLatin1(date), clock.now().toUTC().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss.zzz")));
        const QImage& shown = main.core().buffers.result;
        int wrong = 0;
        for (int c = 0; c < 3; ++c)
            for (int y = 0; y < axes[1]; ++y)
                for (int x = 0; x < axes[0]; ++x) {
                    const QRgb p = shown.pixel(x, y);
                    const int level = c == 0 ? qRed(p) : (c == 1 ? qGreen(p) : qBlue(p));
                    wrong += data[(std::size_t(c) * axes[1] + std::size_t(axes[1] - 1 - y)) * axes[0] + x] != level;
                }
        QCOMPARE(wrong, 0);
        QCOMPARE(data[std::size_t((axes[1] - 1 - 2) * axes[0] + 3)], 7); // bottom row first
        QCOMPARE(data[std::size_t(2 * axes[0] * axes[1])], 200);
        main.setResultWindow(nullptr);
    }

    // A camera that stamps its frames: the FITS header carries the frame's
    // time, not the moment of the save.
    void fitsDateIsTheTimeTheCameraTookTheFrame()
    {
        QTemporaryDir dir;
        auto child = makeWindow();
        TFRM_Alv main;
        main.setResultWindow(child.get());
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        const QDateTime taken(QDate(2022, 5, 4), QTime(23, 10, 5, 120), Qt::UTC);
        main.core().buffers.setFrameSize(320, 240);
        main.core().buffers.frameTime = taken;
        main.core().processFrame(true);
        clock.advanceMs(90000);
        find<QComboBox>(*child, "CBX_Format")->setCurrentIndex(1);
        find<QLineEdit>(*child, "EDT_Nom_Image")->setText(dir.path() + QStringLiteral("/t"));
        child->BTN_Enregistrer_ImageClick();
        int status = 0;
        fitsfile* f = nullptr;
        fits_open_diskfile(&f, QFile::encodeName(dir.path() + QStringLiteral("/t1.fits")).constData(), READONLY, &status);
        char date[FLEN_VALUE] = {};
        fits_read_key(f, TSTRING, "DATE-OBS", date, nullptr, &status);
        fits_close_file(f, &status);
        QCOMPARE(status, 0);
        QCOMPARE(QString::fromLatin1(date), QStringLiteral("2022-05-04T23:10:05.120"));
        main.setResultWindow(nullptr);
    }

    // The third kind of sequence: a SER video of the frames the sources deliver.
    void videoSequenceRecordsTheFramesOfTheMainCore()
    {
        QTemporaryDir dir;
        auto child = makeWindow();
        TFRM_Alv main;
        main.setResultWindow(child.get());
        main.show(); // the frame buffers are made when the main window first shows
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        child->setMessageSink(&messages);
        messages.lines.clear();
        auto* video = find<QRadioButton>(*child, "RDB_Video_SER");
        QVERIFY(video);
        video->setChecked(true);
        QVERIFY(!find<QSpinBox>(*child, "SPED_Freq_Sauve")->isEnabled());
        find<QLineEdit>(*child, "EDT_Nom_Image")->setText(dir.path() + QStringLiteral("/v"));
        child->BTN_Demarrer_SauvClick();
        QVERIFY(!video->isEnabled());
        for (int i = 0; i < 3; ++i) {
            main.core().buffers.frameSlots[0].fill(QColor(10 * i, 20, 30));
            main.core().buffers.setFrameSize(320, 240);
            main.core().processFrame(true); // as the sources hand a frame over
            main.core().processFrame(false); // a tick without a new frame is not recorded
        }
        child->BTN_Arreter_SauvClick();
        QVERIFY(video->isEnabled());
        SerReader reader;
        QVERIFY(reader.open(dir.path() + QStringLiteral("/v1.ser")));
        QVERIFY2(reader.frameCount() == 3, qPrintable(messages.lines.join(QLatin1Char('\n'))));
        QCOMPARE(reader.header().width, 320);
        main.setResultWindow(nullptr);
    }

    void clicksOnImage3MoveTheZonesOnlyWhileTheDisplayRuns()
    {
        auto child = makeWindow();
        TFRM_Alv main;
        main.setResultWindow(child.get());
        main.show();
        child->show();
        QVERIFY(QTest::qWaitForWindowExposed(child.get()));
        auto* image3 = find<ImageView>(*child, "Image3");
        ImageCore& core = main.core();
        const Point offset = core.zone.zoneOffset;

        QTest::mouseClick(image3, Qt::RightButton, Qt::NoModifier, QPoint(260, 60));
        QCOMPARE(core.zone.zoneOffset, offset);

        child->clickLinks().liveDisplayRunning = true;
        QTest::mouseClick(image3, Qt::RightButton, Qt::NoModifier, QPoint(260, 60));
        QCOMPARE(core.zone.zoneOffset, (Point{offset.x + 100, offset.y - 60}));
        QTRY_VERIFY(find<QCheckBox>(*child, "CKB_Longueur_Fixe")->hasFocus());

        // Ctrl and Shift together count as no modifier: the star moves.
        const Point star = core.zone.starPos;
        QTest::mouseClick(image3, Qt::LeftButton, Qt::ControlModifier | Qt::ShiftModifier, QPoint(170, 120));
        QCOMPARE(core.zone.starPos, (Point{star.x + 10 + core.zone.prevZoneOffset.x, star.y + core.zone.prevZoneOffset.y}));
    }
};

QTEST_MAIN(TestResultWindow)
#include "test_result_window.moc"

// The main window reads Velumbra.ini from the current directory at its
// first activation, shows the values in its windows' controls and writes
// them back when it closes.
#include "acquisition/ui/GRB_Camera.h"
#include "acquisition/ui/VideoSourceUi.h"
#include "app/ui/ShellSettings.h"
#include "app/ui/TFRM_Alv.h"
#include "app/ui/WindowSet.h"
#include "app/ui/ZonesGroup.h"
#include "processing/ui/GRB_Seuils.h"
#include "results/ui/TFRM_Alv_Child.h"
#include "settings/ui/TFRM_Pref.h"
#include "widgets/ImageView.h"
#include "widgets/TNumInp.h"

#include <QApplication>
#include <QCheckBox>
#include <cmath>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace velumbra::test {

class TestSettingsWindow : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    QString previous_;

    void write(const QByteArray& text)
    {
        QFile f(dir_.filePath(QStringLiteral("Velumbra.ini")));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }
    QByteArray fileText()
    {
        QFile f(dir_.filePath(QStringLiteral("Velumbra.ini")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void init()
    {
        previous_ = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir_.path()));
    }
    void cleanup() { QDir::setCurrent(previous_); }

    void loadsAtFirstActivationAndSavesAtClose()
    {
        write("[Prefs]\nNom_Image=/ciel/m42_\nLongueur_Fixe=1\nLongueur_Sequence=2\nTps_Rafraichissement=250\n"
              "CKB_Zones_Liees=1\nLangue=3\n[Seuils]\nSeuil_MaxMax=5000\nSeuil_Max=3000\nCKB_Seuils_Evol=0\n"
              "[Mire]\nRDB_Cercle=1\n[Exposure]\nVesta_Port=2\n");
        WindowSet set;
        TFRM_Alv* main = set.main();
        main->show();
        QCOMPARE(main->settings().settingsPath(), QDir(dir_.path()).filePath(QStringLiteral("Velumbra.ini")));

        GRB_Seuils* seuils = main->thresholdGroup();
        QCOMPARE(double(seuils->TNI_Seuil_Max->Value()), 3000.0);
        QCOMPARE(seuils->SCB_Maximum->maximum(), 5000);
        QCOMPARE(seuils->SCB_Maximum->value(), 3000);
        QVERIFY(!seuils->CKB_Seuils_Evol->isChecked());
        QVERIFY(main->GRB_Zones->CKB_Zones_Liees->isChecked());
        QVERIFY(main->resultWindow()->clickLinks().CKB_Zones_Liees);
        QCOMPARE(double(main->videoSource().panel()->TNI_Tps_Rafraichissement->Value()), 250.0);
        QCOMPARE(main->videoSource().panel()->SCB_Tps_Rafraichissement->value(), 250);
        TFRM_Alv_Child* child = main->resultWindow();
        QCOMPARE(child->findChild<QLineEdit*>(QStringLiteral("EDT_Nom_Image"))->text(), QStringLiteral("/ciel/m42_"));
        QCOMPARE(double(child->findChild<TNumInp*>(QStringLiteral("TNI_Longueur_Sequence"))->Value()), 2.0);
        QVERIFY(child->findChild<TNumInp*>(QStringLiteral("TNI_Longueur_Sequence"))->isEnabled());
        QCOMPARE(child->scheduler().controls.TNI_Longueur_Sequence, 2.0);
        QVERIFY(set.preferences()->RDB_Cercle->isChecked());
        QVERIFY(!set.preferences()->RDB_Carre->isChecked());

        main->GRB_Zones->CKB_Zones_Liees->setChecked(false);
        child->findChild<QLineEdit*>(QStringLiteral("EDT_Nom_Image"))->setText(QStringLiteral("/ciel/m31_"));
        main->close();

        QSettings ini(dir_.filePath(QStringLiteral("Velumbra.ini")), QSettings::IniFormat);
        QCOMPARE(ini.value(QStringLiteral("Prefs/CKB_Zones_Liees")).toString(), QStringLiteral("0"));
        QCOMPARE(ini.value(QStringLiteral("Prefs/Nom_Image")).toString(), QStringLiteral("/ciel/m31_"));
        QCOMPARE(ini.value(QStringLiteral("Seuils/Seuil_Max")).toString(), QStringLiteral("3000"));
        QCOMPARE(ini.value(QStringLiteral("Mire/RDB_Cercle")).toString(), QStringLiteral("1"));
        QCOMPARE(ini.value(QStringLiteral("Prefs/Langue")).toString(), QStringLiteral("3"));
        QCOMPARE(ini.value(QStringLiteral("Exposure/Vesta_Port")).toString(), QStringLiteral("2"));
    }

    void failedWriteIsShownAndTheOldFileStays()
    {
        write("[Prefs]\nCKB_Zones_Liees=1\n");
        WindowSet set;
        TFRM_Alv* main = set.main();
        main->show();
        // The folder turns read-only for this program: its settings file is a
        // folder that cannot be replaced.
        const QString path = dir_.filePath(QStringLiteral("Velumbra.ini"));
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir(dir_.path()).mkpath(QStringLiteral("Velumbra.ini/keep")));
        main->GRB_Zones->CKB_Zones_Liees->setChecked(false);
        // The message panel closes with the window: the failure comes in a
        // box the user answers before the program ends.
        QString boxText;
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&boxText] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                boxText = box->text();
                box->accept();
            }
        });
        answer.start(20);
        main->close();
        answer.stop();
        QCOMPARE(boxText, QStringLiteral("Ne peut écrire dans ") + path);
        QVERIFY(QFileInfo(path).isDir());
        QVERIFY(QDir(path).rmdir(QStringLiteral("keep")));
        QVERIFY(QDir(dir_.path()).rmdir(QStringLiteral("Velumbra.ini")));
    }

    // The main window's sampling and field of view follow the camera and
    // optics preferences and the frame width; the unit follows the field's width.
    void samplingAndFieldOfView_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("width");
        QTest::addColumn<double>("sampling");
        QTest::addColumn<double>("fieldX");
        QTest::addColumn<QString>("unit");
        QTest::newRow("7.4 um at 2000 mm") << QByteArray() << 640 << 0.7632 << 8.1406 << "(Minutes)";
        QTest::newRow("pixel given at 640, image 320")
            << QByteArray("[Camera.Defaut]\nLarg_Pix=5600\n") << 320 << 1.1551 << 6.1604 << "(Minutes)";
        QTest::newRow("short field in seconds")
            << QByteArray("[Optique.Defaut]\nFocale=20000\n[Camera.Defaut]\nLarg_Pix=1000\nNbPix_X=20\n") << 20
            << 0.0103 << 0.2063 << "(Secondes)";
        QTest::newRow("wide field in degrees")
            << QByteArray("[Optique.Defaut]\nFocale=50\n") << 640 << 30.5272 << 5.4271 << "(Degrés)";
    }
    void samplingAndFieldOfView()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, width);
        QFETCH(double, sampling);
        QFETCH(double, fieldX);
        QFETCH(QString, unit);
        write(file);
        WindowSet set;
        TFRM_Alv* main = set.main();
        main->show();
        const double before = double(main->TNI_Echantillonnage->Value());
        main->ComputeSampling();
        QCOMPARE(double(main->TNI_Echantillonnage->Value()), before); // no frame size yet
        main->core().buffers.create();
        main->core().buffers.setFrameSize(width, width * 3 / 4);
        main->ComputeSampling();
        QVERIFY2(qAbs(double(main->TNI_Echantillonnage->Value()) - sampling) < 5e-5,
                 qPrintable(QString::number(double(main->TNI_Echantillonnage->Value()), 'f', 6)));
        QVERIFY2(qAbs(double(main->TNI_ChampX->Value()) - fieldX) < 5e-4,
                 qPrintable(QString::number(double(main->TNI_ChampX->Value()), 'f', 6)));
        QCOMPARE(main->LBL_Unite_Champ->text(), unit);
        // The simulated camera looks through the same optics: one arc minute
        // of the sky spans 60 / sampling of its pixels.
        SkySimulator& sky = main->videoSource().sky();
        QVERIFY2(qAbs(sky.optics().scaleFor(width) - sampling) < 5e-5, qPrintable(QString::number(sky.optics().scaleFor(width))));
        if (width < 320) return; // too narrow a field for a star
        const Equatorial at{sky.mount().siderealTime(), 20.0};
        sky.mount().pointAt(at);
        const int star = sky.brightestStarInView(width, width * 3 / 4, 20);
        QVERIFY(star >= 0);
        const QPointF from = sky.starPosition(star, width, width * 3 / 4);
        sky.mount().pointAt({at.raHours, at.decDegrees + 1.0 / 60});
        const QPointF to = sky.starPosition(star, width, width * 3 / 4);
        const double pixels = std::hypot(to.x() - from.x(), to.y() - from.y());
        QVERIFY2(qAbs(pixels - 60 / sampling) < 0.01 * pixels, qPrintable(QString::number(pixels)));
    }

    // The night mode: red on black for every window, the live image red
    // or as it is as the user chooses, kept in the settings.
    void nightModeIsRedOnBlackAndKept()
    {
        write("[Prefs]\nTps_Rafraichissement=250\n");
        {
            WindowSet set;
            TFRM_Alv* main = set.main();
            main->show();
            QVERIFY(QTest::qWaitForWindowExposed(main));
            const QColor dayWindow = QApplication::palette().color(QPalette::Window);
            QVERIFY(dayWindow.lightness() > 100);
            // A grey frame on the live image.
            ImageCore& core = main->core();
            core.buffers.frameSlots[0].fill(QColor(90, 90, 90));
            core.flags.targetActive = true;
            main->showNewFrame(320, 240);
            auto* image1 = main->findChild<ImageView*>(QStringLiteral("Image1"));
            QVERIFY(image1);
            const QPoint away(100, 150); // away from the target's marks
            QCOMPARE(image1->grab().toImage().pixelColor(away), QColor(90, 90, 90));

            main->MNU_Mode_Nuit->trigger();
            // Every window: black behind, red text, in the result window and the preferences too.
            for (QWidget* w : {static_cast<QWidget*>(main), static_cast<QWidget*>(main->resultWindow()),
                               static_cast<QWidget*>(set.preferences())}) {
                QCOMPARE(w->palette().color(QPalette::Window), QColor(0, 0, 0));
                const QColor text = w->palette().color(QPalette::WindowText);
                QVERIFY(text.red() > 150 && text.green() < 60 && text.blue() < 60);
            }
            // What a label draws is red on black.
            auto* label = main->findChild<QLabel*>(QStringLiteral("LBL_CKB_Suivi"));
            QVERIFY(label);
            const QImage drawn = label->grab().toImage();
            bool redInk = false;
            for (int y = 0; y < drawn.height(); ++y)
                for (int x = 0; x < drawn.width(); ++x) {
                    const QColor c = drawn.pixelColor(x, y);
                    QVERIFY2(c.green() <= c.red() && c.blue() <= c.red(), "a label's pixel is not red or black");
                    redInk = redInk || c.red() > 120;
                }
            QVERIFY(redInk);
            // The frame-selected lamp, green by day, red at night.
            main->showNewFrame(320, 240);
            const QColor lamp =
                main->findChild<QWidget*>(QStringLiteral("PNL_Image_Selected"))->palette().color(QPalette::Window);
            QVERIFY2(lamp.red() > 100 && lamp.green() <= lamp.red() / 4, qPrintable(lamp.name()));
            // The live image red by default at night, as it is when asked.
            QCOMPARE(image1->grab().toImage().pixelColor(away), QColor(90, 0, 0));
            main->MNU_Nuit_Image_Rouge->trigger();
            QCOMPARE(image1->grab().toImage().pixelColor(away), QColor(90, 90, 90));
            main->close();
        }
        QSettings stored(dir_.filePath(QStringLiteral("Velumbra.ini")), QSettings::IniFormat);
        QCOMPARE(stored.value(QStringLiteral("Prefs/Mode_Nuit")).toString(), QStringLiteral("1"));
        QCOMPARE(stored.value(QStringLiteral("Prefs/Mode_Nuit_Image_Rouge")).toString(), QStringLiteral("0"));
        QCOMPARE(stored.value(QStringLiteral("Prefs/Tps_Rafraichissement")).toString(), QStringLiteral("250"));
        {
            // The next start is at night, the live image as it is.
            WindowSet set;
            set.main()->show();
            QVERIFY(set.main()->MNU_Mode_Nuit->isChecked());
            QVERIFY(!set.main()->MNU_Nuit_Image_Rouge->isChecked());
            QCOMPARE(QApplication::palette().color(QPalette::Window), QColor(0, 0, 0));
            set.main()->MNU_Mode_Nuit->trigger(); // back to day for the other tests
            QVERIFY(QApplication::palette().color(QPalette::Window).lightness() > 100);
            set.main()->close();
        }
    }
};

} // namespace velumbra::test

QTEST_MAIN(velumbra::test::TestSettingsWindow)
#include "test_settings_window.moc"

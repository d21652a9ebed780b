// The preferences dialog over a real settings file: what the user sees in
// the controls after an action, what reaches PrefsValues, the video source's
// controls and the file, and the signals other windows follow.
#include "acquisition/control/VideoSource.h"
#include "core/Clock.h"
#include "core/DebugLog.h"
#include "core/Messages.h"
#include "processing/PipelineControls.h"
#include "settings/IniFile.h"
#include "settings/ProfileActions.h"
#include "settings/SettingsFile.h"
#include "settings/ui/TFRM_Pref.h"
#include "widgets/TNumInp.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <memory>

namespace velumbra::test {

// One dialog with its values, profile actions and settings file.
struct Rig {
    explicit Rig(const QString& iniPath)
        : file(iniPath, clock, messages), profiles(prefs, video), path(iniPath)
    {
        profiles.setFile(&file);
    }

    ManualClock clock;
    mutable RecordingMessages messages;
    SettingsFile file;
    PrefsValues prefs;
    VideoSourceControls video;
    PipelineControls controls;
    DebugLog log;
    ProfileActions profiles;
    QString path;
    std::unique_ptr<TFRM_Pref> dialog;

    TFRM_Pref& open()
    {
        dialog = std::make_unique<TFRM_Pref>(controls, log, prefs, profiles);
        dialog->show();
        dialog->activateWindow();
        return *dialog;
    }
    template <class W>
    W* child(const QString& name) const
    {
        return dialog->findChild<W*>(name);
    }
    QWidget* page(const char* name) const { return child<QWidget>(QString::fromLatin1(name)); }
    bool tabShown(const char* name) const
    {
        return dialog->pages()->isTabVisible(dialog->pages()->indexOf(page(name)));
    }
    int stored(const QString& section, const QString& key) const
    {
        IniFile ini(path, IniFile::Mode::WriteThrough, clock, messages);
        return ini.ReadInteger(section, key, -1);
    }
    QStringList sections() const
    {
        IniFile ini(path, IniFile::Mode::WriteThrough, clock, messages);
        return ini.ReadSections();
    }
    QByteArray bytes() const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

class TestPrefDialog : public QObject {
    Q_OBJECT

    QStringList refused_;
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<Rig> rig_;

    QString iniPath() const { return dir_->filePath(QStringLiteral("Velumbra.ini")); }
    void put(const QByteArray& text)
    {
        QFile f(iniPath());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }
    TFRM_Pref& open()
    {
        TFRM_Pref& d = rig_->open();
        [&] { QVERIFY(QTest::qWaitForWindowActive(&d)); }();
        return d;
    }
    TNumInp* field(const QString& name) const { return rig_->child<TNumInp>(name); }

    // The user types `text` over the field's content and moves to another control.
    void typeAndLeave(TNumInp* f, const QString& text)
    {
        TFRM_Pref& d = *rig_->dialog;
        for (int i = 0; i < d.pages()->count(); ++i)
            if (d.pages()->widget(i)->isAncestorOf(f)) d.pages()->setCurrentIndex(i);
        f->setFocus();
        QApplication::processEvents();
        f->selectAll();
        QTest::keyClicks(f, text);
        d.findChild<QPushButton*>(QStringLiteral("BTN_OK"))->setFocus();
        QApplication::processEvents();
    }
    QLineEdit* profileEdit(const QString& combo) const { return rig_->child<QComboBox>(combo)->lineEdit(); }

private slots:
    void initTestCase()
    {
        TCustomNumInp::setErrorReporter([this](QWidget*, const QString& m) { refused_ << m; });
    }
    void cleanupTestCase() { TCustomNumInp::setErrorReporter(nullptr); }
    void init()
    {
        refused_.clear();
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        rig_ = std::make_unique<Rig>(iniPath());
    }
    void cleanup()
    {
        rig_.reset();
        dir_.reset();
    }

    // ------------------------------------------------------------ the window

    void isAFixedWindowWithThirteenNamedTabs()
    {
        TFRM_Pref& d = open();
        QCOMPARE(d.windowTitle(), QStringLiteral("Préferences"));
        QVERIFY(!(d.windowFlags() & Qt::WindowStaysOnTopHint));
        QCOMPARE(d.minimumSize(), d.maximumSize());
        const QStringList names{"TBS_Repertoires", "TBS_Optique",   "TBS_Monture", "TBS_Telescope", "TBS_Camera",
                                "TBS_Poselongue",  "TBS_Autoguidage", "TBS_MES",   "TBS_Selection", "TBS_MAP",
                                "TBS_Debug",       "TBS_Langue",    "TBS_Mire"};
        QCOMPARE(d.pages()->count(), names.size());
        for (int i = 0; i < names.size(); ++i) QCOMPARE(d.pages()->widget(i)->objectName(), names[i]);
        QCOMPARE(d.pages()->tabText(3), QStringLiteral("Contrôle du Telescope"));
        // A fresh start: no modified camera, no telescope interface.
        QVERIFY(!rig_->tabShown("TBS_Poselongue"));
        QVERIFY(!rig_->tabShown("TBS_Autoguidage"));
    }

    void okRaisesOkClickedAndHides()
    {
        TFRM_Pref& d = open();
        QSignalSpy ok(&d, &TFRM_Pref::okClicked);
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("BTN_OK")), Qt::LeftButton);
        QCOMPARE(ok.count(), 1);
        QVERIFY(!d.isVisible());
    }

    void hardwareButtonsWaitDisabledWithAHint_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* n : {"BTN_Connecter", "BTN_Deconnecter", "BTN_Nord", "BTN_Stop", "BTN_TestWrite",
                              "BTN_TestPlus", "BTN_Start_Pose", "BTN_Stpo_Pose"})
            QTest::newRow(n) << QString::fromLatin1(n);
    }
    void hardwareButtonsWaitDisabledWithAHint()
    {
        QFETCH(QString, name);
        open();
        auto* button = rig_->child<QPushButton>(name);
        QVERIFY(button);
        QVERIFY(!button->isEnabled());
        QVERIFY(button->toolTip().startsWith(QStringLiteral("Disponible")));
    }

    // ------------------------------------------------------------ numeric fields

    void outOfRangeValueIsRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<double>("kept");
        QTest::addColumn<QString>("box"); // checked first when the field depends on it
        QTest::newRow("focal") << "TNI_Focale" << "100000" << "La valeur doit être comprise entre 1 and 99999" << 2000.0
                               << "";
        QTest::newRow("Barlow") << "TNI_Barlow" << "12" << "La valeur doit être comprise entre 1 and 10" << 2.0
                                << "CKB_Barlow";
        QTest::newRow("reducer") << "TNI_Reducteur" << "0.001" << "La valeur doit être comprise entre 0.01 and 1" << 0.63
                                 << "CKB_Reducteur";
        QTest::newRow("resolution") << "TNI_NbPix_X" << "4096" << "La valeur doit être comprise entre 20 and 2048"
                                    << 640.0 << "";
        QTest::newRow("screw pitch") << "TNI_Fil_Alt" << "0.05" << "La valeur doit être comprise entre 0.1 and 10" << 1.0
                                     << "";
        QTest::newRow("radius") << "TNI_Rayon_Az" << "0" << "La valeur doit être comprise entre 1 and 9999" << 15.0 << "";
    }
    void outOfRangeValueIsRefused()
    {
        QFETCH(QString, name);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(double, kept);
        QFETCH(QString, box);
        open();
        if (!box.isEmpty()) rig_->child<QCheckBox>(box)->click();
        TNumInp* f = field(name);
        QVERIFY(f);
        typeAndLeave(f, typed);
        QCOMPARE(refused_, QStringList{message});
        QCOMPARE(double(f->Value()), kept);
        // Nothing was handed on: no profile written.
        QVERIFY(!QFile::exists(iniPath()));
        QCOMPARE(rig_->prefs.optics.TNI_Focale, 2000.0);
    }

    // ------------------------------------------------------------ optics

    void barlowAndReducerFieldsFollowTheirBoxes()
    {
        open();
        auto* barlow = rig_->child<QCheckBox>(QStringLiteral("CKB_Barlow"));
        auto* reducer = rig_->child<QCheckBox>(QStringLiteral("CKB_Reducteur"));
        QVERIFY(!field(QStringLiteral("TNI_Barlow"))->isEnabled());
        QVERIFY(!field(QStringLiteral("TNI_Reducteur"))->isEnabled());
        barlow->click();
        QVERIFY(field(QStringLiteral("TNI_Barlow"))->isEnabled());
        QVERIFY(!field(QStringLiteral("TNI_Reducteur"))->isEnabled());
        reducer->click();
        barlow->click();
        QVERIFY(!field(QStringLiteral("TNI_Barlow"))->isEnabled());
        QVERIFY(field(QStringLiteral("TNI_Reducteur"))->isEnabled());
    }

    void totalFocalFollowsTheBoxes_data()
    {
        QTest::addColumn<bool>("barlow");
        QTest::addColumn<bool>("reducer");
        QTest::addColumn<double>("total");
        QTest::newRow("both") << true << true << 2520.0;
        QTest::newRow("Barlow only") << true << false << 4000.0;
        QTest::newRow("reducer only") << false << true << 1260.0;
    }
    void totalFocalFollowsTheBoxes()
    {
        QFETCH(bool, barlow);
        QFETCH(bool, reducer);
        QFETCH(double, total);
        TFRM_Pref& d = open();
        QCOMPARE(double(field(QStringLiteral("TNI_Focale_Reelle"))->Value()), 2000.0);
        QVERIFY(field(QStringLiteral("TNI_Focale_Reelle"))->isReadOnly());
        QSignalSpy refreshed(&d, &TFRM_Pref::opticsRefreshed);
        if (barlow) rig_->child<QCheckBox>(QStringLiteral("CKB_Barlow"))->click();
        if (reducer) rig_->child<QCheckBox>(QStringLiteral("CKB_Reducteur"))->click();
        QCOMPARE(double(field(QStringLiteral("TNI_Focale_Reelle"))->Value()), total);
        QCOMPARE(rig_->prefs.effectiveFocal, total);
        QCOMPARE(refreshed.count(), int(barlow) + int(reducer));
    }

    void leavingTheFocalRefreshesAndWritesTheProfile()
    {
        TFRM_Pref& d = open();
        rig_->child<QCheckBox>(QStringLiteral("CKB_Barlow"))->click();
        QSignalSpy refreshed(&d, &TFRM_Pref::opticsRefreshed);
        typeAndLeave(field(QStringLiteral("TNI_Focale")), QStringLiteral("1000"));
        QCOMPARE(double(field(QStringLiteral("TNI_Focale_Reelle"))->Value()), 2000.0);
        QCOMPARE(refreshed.count(), 1);
        QCOMPARE(rig_->stored(QStringLiteral("Optique.Defaut"), QStringLiteral("Focale")), 1000);
        // The box clicked before goes with the profile's next write.
        QCOMPARE(rig_->stored(QStringLiteral("Optique.Defaut"), QStringLiteral("BarlowChecked")), 1);
    }

    // ------------------------------------------------------------ profiles

    void typedProfileNameLoadsDefaultsAndLeavingWritesIt_data()
    {
        QTest::addColumn<QString>("combo");
        QTest::addColumn<QString>("fieldName");
        QTest::addColumn<double>("storedShown");
        QTest::addColumn<double>("defaultShown");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("written");
        QTest::addColumn<int>("defautStored");
        QTest::newRow("optics") << "CBX_Optique" << "TNI_Focale" << 1200.0 << 2000.0 << "1500" << "Optique." << "Focale"
                                << 1500 << 1200;
        QTest::newRow("mount") << "CBX_Monture" << "TNI_Rayon_Az" << 40.0 << 15.0 << "80" << "Monture." << "Rayon_Az"
                               << 80 << 40;
        QTest::newRow("camera") << "CBX_Camera" << "TNI_Larg_Pix" << 3.0 << 7.4 << "5.6" << "Camera." << "Larg_Pix"
                                << 5600 << 3000;
    }
    void typedProfileNameLoadsDefaultsAndLeavingWritesIt()
    {
        QFETCH(QString, combo);
        QFETCH(QString, fieldName);
        QFETCH(double, storedShown);
        QFETCH(double, defaultShown);
        QFETCH(QString, typed);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(int, written);
        QFETCH(int, defautStored);
        put("[Optique.Defaut]\nFocale=1200\n[Monture.Defaut]\nRayon_Az=40\n[Camera.Defaut]\nLarg_Pix=3000\n");
        for (ProfileKind kind : {ProfileKind::Optics, ProfileKind::Mount, ProfileKind::Camera})
            rig_->profiles.textChanged(kind, QStringLiteral("Defaut"));
        open();
        TNumInp* f = field(fieldName);
        QCOMPARE(double(f->Value()), storedShown);

        QLineEdit* name = profileEdit(combo);
        name->setFocus();
        name->selectAll();
        QTest::keyClicks(name, QStringLiteral("L"));
        QCOMPARE(name->text(), QStringLiteral("L"));
        QCOMPARE(double(f->Value()), defaultShown);
        QTest::keyClicks(name, QStringLiteral("une"));
        typeAndLeave(f, typed);

        QCOMPARE(rig_->stored(section + QStringLiteral("Lune"), key), written);
        for (const QString& partial : {QStringLiteral("L"), QStringLiteral("Lu"), QStringLiteral("Lun")})
            QVERIFY2(!rig_->sections().contains(section + partial), qPrintable(partial));
        // The profile the user started from is as it was.
        QCOMPARE(rig_->stored(section + QStringLiteral("Defaut"), key), defautStored);
    }

    void newTwiceListsTwiceAndEraseRemovesOneAndTheSection()
    {
        TFRM_Pref& d = open();
        auto* list = rig_->child<QComboBox>(QStringLiteral("CBX_Optique"));
        QLineEdit* name = list->lineEdit();
        name->setFocus();
        name->selectAll();
        QTest::keyClicks(name, QStringLiteral("Lune"));
        typeAndLeave(field(QStringLiteral("TNI_Focale")), QStringLiteral("1250"));
        auto add = rig_->child<QPushButton>(QStringLiteral("BTN_Nouveau_Optique"));
        add->click();
        add->click();
        QStringList items;
        for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
        QCOMPARE(items, (QStringList{"Defaut", "Lune", "Lune"}));
        QCOMPARE(list->currentText(), QStringLiteral("Lune"));

        QSignalSpy failed(&d, &TFRM_Pref::writeFailed);
        rig_->child<QPushButton>(QStringLiteral("BTN_Sup_Optique"))->click();
        items.clear();
        for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
        QCOMPARE(items, (QStringList{"Defaut", "Lune"}));
        QVERIFY(!rig_->sections().contains(QStringLiteral("Optique.Lune")));
        QCOMPARE(list->currentText(), QStringLiteral("Lune"));
        QCOMPARE(double(field(QStringLiteral("TNI_Focale"))->Value()), 1250.0);
        QCOMPARE(failed.count(), 0);
    }

    void eraseWithAnUnlistedTextDoesNothing()
    {
        put("[Optique.Mars]\nFocale=900\n");
        rig_->prefs.opticsProfiles = {QStringLiteral("Defaut")};
        open();
        auto* list = rig_->child<QComboBox>(QStringLiteral("CBX_Optique"));
        QLineEdit* name = list->lineEdit();
        name->setFocus();
        name->selectAll();
        QTest::keyClicks(name, QStringLiteral("Mars"));
        const QByteArray before = rig_->bytes();
        rig_->child<QPushButton>(QStringLiteral("BTN_Sup_Optique"))->click();
        QCOMPARE(rig_->bytes(), before);
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->currentText(), QStringLiteral("Mars"));
    }

    void anUnwritableFileGivesWriteFailedAndKeepsTheValues()
    {
        // A folder where the file should be: no user, root included, can write it.
        QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("Velumbra.ini")));
        TFRM_Pref& d = open();
        QSignalSpy failed(&d, &TFRM_Pref::writeFailed);
        typeAndLeave(field(QStringLiteral("TNI_Focale")), QStringLiteral("1800"));
        QCOMPARE(failed.count(), 1);
        QCOMPARE(failed.at(0).at(0).toString(), QStringLiteral("Ne peut écrire dans ") + iniPath());
        QCOMPARE(rig_->prefs.optics.TNI_Focale, 1800.0);
        QCOMPARE(double(field(QStringLiteral("TNI_Focale_Reelle"))->Value()), 1800.0);
        rig_->child<QPushButton>(QStringLiteral("BTN_Nouveau_Camera"))->click();
        QCOMPARE(failed.count(), 2);
        QVERIFY(failed.at(1).at(0).toString().startsWith(QStringLiteral("Ne peut écrire dans ")));
    }

    // ------------------------------------------------------------ camera

    void vestaModShowsTheLongExposureTab()
    {
        put("[Camera.Modifiee]\nVestaModChecked=1\n");
        TFRM_Pref& d = open();
        QSignalSpy toggled(&d, &TFRM_Pref::vestaModToggled);
        auto* vesta = rig_->child<QCheckBox>(QStringLiteral("CKB_VestaMod"));
        vesta->click();
        QVERIFY(rig_->tabShown("TBS_Poselongue"));
        QCOMPARE(toggled.takeFirst().at(0).toBool(), true);
        vesta->click();
        QVERIFY(!rig_->tabShown("TBS_Poselongue"));
        QCOMPARE(toggled.takeFirst().at(0).toBool(), false);
        // Another camera profile brings its own choice.
        QLineEdit* name = profileEdit(QStringLiteral("CBX_Camera"));
        name->setFocus();
        name->selectAll();
        QTest::keyClicks(name, QStringLiteral("Modifiee"));
        QVERIFY(vesta->isChecked());
        QVERIFY(rig_->tabShown("TBS_Poselongue"));
        QCOMPARE(toggled.last().at(0).toBool(), true);
    }

    void rawChoicesReachTheVideoSource_data()
    {
        QTest::addColumn<int>("mode");
        for (int mode = 0; mode < 4; ++mode) QTest::newRow(qPrintable(QStringLiteral("Mode %1").arg(mode + 1))) << mode;
    }
    void rawChoicesReachTheVideoSource()
    {
        QFETCH(int, mode);
        TFRM_Pref& d = open();
        d.CKB_RAW->click();
        QVERIFY(rig_->video.CKB_RAW);
        // From another mode, so each click is a change.
        d.RDB_RAWMode[(mode + 1) % 4]->click();
        d.RDB_RAWMode[mode]->click();
        QCOMPARE(d.RDB_RAWMode[mode]->text(), QStringLiteral("Mode %1").arg(mode + 1));
        QCOMPARE(rig_->video.rawMode, mode);
        QCOMPARE(rig_->prefs.camera.RDB_RAWMode, mode);
        d.CKB_RAW->click();
        QVERIFY(!rig_->video.CKB_RAW);
    }

    // ------------------------------------------------------------ telescope

    void interfaceChoiceShowsAutoguidingAndPulseLength_data()
    {
        QTest::addColumn<QString>("radio");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<bool>("autoguiding");
        QTest::addColumn<bool>("pulse");
        QTest::newRow("Aucune") << "RDB_Aucun" << int(MountInterface::Aucun) << false << false;
        QTest::newRow("LX200") << "RDB_LX200" << int(MountInterface::LX200) << true << false;
        QTest::newRow("Tolvir") << "RDB_Tolvir" << int(MountInterface::Tolvir) << true << true;
        QTest::newRow("Varnek") << "RDB_Varnek" << int(MountInterface::Varnek) << true << false;
        QTest::newRow("Dremla") << "RDB_Dremla" << int(MountInterface::Dremla) << true << false;
    }
    void interfaceChoiceShowsAutoguidingAndPulseLength()
    {
        QFETCH(QString, radio);
        QFETCH(int, chosen);
        QFETCH(bool, autoguiding);
        QFETCH(bool, pulse);
        TFRM_Pref& d = open();
        // Start from the opposite state of the row.
        (pulse ? d.RDB_Aucun : d.RDB_Tolvir)->click();
        QSignalSpy spy(&d, &TFRM_Pref::interfaceChosen);
        rig_->child<QRadioButton>(radio)->click();
        QCOMPARE(rig_->tabShown("TBS_Autoguidage"), autoguiding);
        QCOMPARE(d.SPED_Duree_impulsions->isEnabled(), pulse);
        QCOMPARE(int(rig_->prefs.autoguide.interface), chosen);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(int(spy.at(0).at(0).value<MountInterface>()), chosen);
    }

    void noStoredInterfaceLeavesEveryButtonUncheckedAndTheTabShown()
    {
        rig_->prefs.autoguide.interface = MountInterface::NoneChecked;
        TFRM_Pref& d = open();
        for (QRadioButton* r : {d.RDB_Aucun, d.RDB_LX200, d.RDB_Tolvir, d.RDB_Varnek, d.RDB_Dremla})
            QVERIFY2(!r->isChecked(), qPrintable(r->objectName()));
        QVERIFY(rig_->tabShown("TBS_Autoguidage"));
    }

    // ------------------------------------------------------------ sliders

    void slidersShowTheirValues_data()
    {
        QTest::addColumn<QString>("slider");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("position");
        QTest::addColumn<double>("value");
        QTest::newRow("finesse 70") << "SCB_Finesse_Selection" << "TNI_Finesse_Selection" << 70 << 31.0;
        QTest::newRow("finesse lowest") << "SCB_Finesse_Selection" << "TNI_Finesse_Selection" << 1 << 100.0;
        QTest::newRow("finesse highest") << "SCB_Finesse_Selection" << "TNI_Finesse_Selection" << 100 << 1.0;
        QTest::newRow("precision") << "SCB_Precision_MAP" << "TNI_Precision_MAP" << 950 << 950.0;
        QTest::newRow("sensitivity") << "SCB_Sensibilite_MAP" << "TNI_Sensibilite_MAP" << 900 << 900.0;
    }
    void slidersShowTheirValues()
    {
        QFETCH(QString, slider);
        QFETCH(QString, shown);
        QFETCH(int, position);
        QFETCH(double, value);
        open();
        auto* bar = rig_->child<QScrollBar>(slider);
        // Away first so the row's position is a change.
        bar->setValue(position == bar->minimum() ? bar->maximum() : bar->minimum());
        bar->setValue(position);
        QCOMPARE(double(field(shown)->Value()), value);
        const SelectionPrefs& s = rig_->prefs.selection;
        const int stored = slider == QLatin1String("SCB_Finesse_Selection") ? s.SCB_Finesse_Selection
                           : slider == QLatin1String("SCB_Precision_MAP")   ? s.SCB_Precision_MAP
                                                                            : s.SCB_Sensibilite_MAP;
        QCOMPARE(stored, position);
    }

    void startsWithTheDesignPositions()
    {
        open();
        QCOMPARE(double(field(QStringLiteral("TNI_Finesse_Selection"))->Value()), 31.0);
        QCOMPARE(double(field(QStringLiteral("TNI_Precision_MAP"))->Value()), 990.0);
        QCOMPARE(double(field(QStringLiteral("TNI_Sensibilite_MAP"))->Value()), 990.0);
        QCOMPARE(rig_->child<QSpinBox>(QStringLiteral("SPED_Nb_Mesures"))->value(), 10);
    }

    void measureCountClearsTheFocusHistory()
    {
        TFRM_Pref& d = open();
        QSignalSpy cleared(&d, &TFRM_Pref::focusHistoryCleared);
        auto* count = rig_->child<QSpinBox>(QStringLiteral("SPED_Nb_Mesures"));
        count->setValue(60);
        QCOMPARE(count->value(), 50);
        QCOMPARE(rig_->prefs.selection.SPED_Nb_Mesures, 50);
        QCOMPARE(cleared.count(), 1);
    }

    // ------------------------------------------------------------ folders

    void imageFolderEndsWithASlash()
    {
        TFRM_Pref& d = open();
        QSignalSpy changed(&d, &TFRM_Pref::bitmapFolderChanged);
        d.pages()->setCurrentWidget(rig_->page("TBS_Repertoires"));
        d.EDT_Repertoire_Bitmaps->setFocus();
        QTest::keyClicks(d.EDT_Repertoire_Bitmaps, QStringLiteral("/data/nuit"));
        QCOMPARE(d.EDT_Repertoire_Bitmaps->text(), QStringLiteral("/data/nuit/"));
        QCOMPARE(rig_->prefs.EDT_Repertoire_Bitmaps, QStringLiteral("/data/nuit/"));
        QCOMPARE(changed.last().at(0).toString(), QStringLiteral("/data/nuit/"));
        // Emptied, it stays empty.
        d.EDT_Repertoire_Bitmaps->clear();
        QCOMPARE(d.EDT_Repertoire_Bitmaps->text(), QString());
        QCOMPARE(changed.last().at(0).toString(), QString());
    }

    void folderChoosersStartAtTheImageFolder()
    {
        TFRM_Pref& d = open();
        d.EDT_Repertoire_Bitmaps->setText(QStringLiteral("/srv/ciel/"));
        QStringList starts;
        QString answer = QStringLiteral("/srv/images");
        d.setFolderChooser([&](const QString& start) {
            starts << start;
            return answer;
        });
        QSignalSpy changed(&d, &TFRM_Pref::bitmapFolderChanged);
        d.BBTN_Bitmaps->click();
        QCOMPARE(d.EDT_Repertoire_Bitmaps->text(), QStringLiteral("/srv/images/"));
        QCOMPARE(changed.last().at(0).toString(), QStringLiteral("/srv/images/"));
        answer = QStringLiteral("/opt/pilotes");
        d.BBTN_Drivers->click();
        QCOMPARE(d.EDT_Repertoire_drivers->text(), QStringLiteral("/opt/pilotes/"));
        QCOMPARE(rig_->prefs.EDT_Repertoire_drivers, QStringLiteral("/opt/pilotes/"));
        QCOMPARE(starts, (QStringList{"/srv/ciel/", "/srv/images/"}));
        // A cancelled choice changes nothing.
        answer.clear();
        const int before = changed.count();
        d.BBTN_Bitmaps->click();
        QCOMPARE(d.EDT_Repertoire_Bitmaps->text(), QStringLiteral("/srv/images/"));
        QCOMPARE(changed.count(), before);
    }

    void driversFolderSaysItHasNoUseOnLinux()
    {
        TFRM_Pref& d = open();
        QCOMPARE(d.EDT_Repertoire_drivers->text(), QStringLiteral("\\drivers"));
        QVERIFY(d.EDT_Repertoire_drivers->toolTip().contains(QStringLiteral("sans usage sous Linux")));
    }

    // ------------------------------------------------------------ showValues

    void showValuesShowsThePrefsAndWritesNothing()
    {
        put("[Optique.Saturne]\nFocale=3000\n");
        const QByteArray before = rig_->bytes();
        TFRM_Pref& d = open();
        QSignalSpy folder(&d, &TFRM_Pref::bitmapFolderChanged);
        QSignalSpy optics(&d, &TFRM_Pref::opticsRefreshed);
        QSignalSpy camera(&d, &TFRM_Pref::cameraChanged);
        QSignalSpy vesta(&d, &TFRM_Pref::vestaModToggled);
        QSignalSpy chosen(&d, &TFRM_Pref::interfaceChosen);
        QSignalSpy cleared(&d, &TFRM_Pref::focusHistoryCleared);

        PrefsValues& p = rig_->prefs;
        p.opticsProfiles = {QStringLiteral("Defaut"), QStringLiteral("Saturne")};
        p.CBX_Optique = QStringLiteral("Saturne");
        p.optics.TNI_Focale = 1234; // not the file's 3000: the shown values are the loaded ones
        p.optics.CKB_Barlow = true;
        p.effectiveFocal = 2468;
        p.CBX_Monture.clear();
        p.camera.CKB_VestaMod = true;
        p.camera.RDB_RAWMode = 2;
        p.autoguide.interface = MountInterface::Tolvir;
        p.autoguide.TNI_Vitesse_Nord = 7.5;
        p.longExposure.SPED_Avance = 300;
        p.selection.SCB_Finesse_Selection = 50;
        p.selection.SPED_Nb_Mesures = 20;
        p.EDT_Repertoire_Bitmaps = QStringLiteral("/x/y/");
        p.CKB_IPS = true;
        rig_->controls.tracking.SPED_Neutre = 7;
        d.showValues();

        QCOMPARE(d.CBX_Optique->currentText(), QStringLiteral("Saturne"));
        QCOMPARE(double(d.TNI_Focale->Value()), 1234.0);
        QVERIFY(d.CKB_Barlow->isChecked() && d.TNI_Barlow->isEnabled());
        QCOMPARE(double(d.TNI_Focale_Reelle->Value()), 2468.0);
        QCOMPARE(d.CBX_Monture->currentText(), QString());
        QVERIFY(rig_->tabShown("TBS_Poselongue"));
        QVERIFY(d.RDB_RAWMode[2]->isChecked());
        QVERIFY(d.RDB_Tolvir->isChecked());
        QVERIFY(rig_->tabShown("TBS_Autoguidage"));
        QVERIFY(d.SPED_Duree_impulsions->isEnabled());
        QCOMPARE(double(d.TNI_Vitesse_Nord->Value()), 7.5);
        QCOMPARE(d.SPED_Avance->value(), 300);
        QCOMPARE(double(d.TNI_Finesse_Selection->Value()), 51.0);
        QCOMPARE(d.SPED_Nb_Mesures->value(), 20);
        QCOMPARE(d.EDT_Repertoire_Bitmaps->text(), QStringLiteral("/x/y/"));
        QVERIFY(d.CKB_IPS->isChecked());
        QCOMPARE(d.SPED_Neutre->value(), 7);

        // Showing is not changing: nothing read back, written or announced.
        QCOMPARE(p.optics.TNI_Focale, 1234.0);
        QCOMPARE(p.CBX_Monture, QString());
        QCOMPARE(rig_->bytes(), before);
        for (QSignalSpy* spy : {&folder, &optics, &camera, &vesta, &chosen, &cleared})
            QCOMPARE(spy->count(), 0);
    }

    // The target's outline and its centre mark are two choices: each frame
    // on the page shows one choice, and choosing in one leaves the other.
    void targetAspectShowsOneChoicePerFrame()
    {
        TFRM_Pref& d = open();
        QWidget* page = rig_->child<QWidget>(QStringLiteral("TBS_Mire"));
        const auto checkedIn = [](QGroupBox* box) {
            int n = 0;
            for (QRadioButton* r : box->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly)) n += r->isChecked();
            return n;
        };
        const auto frameOf = [](QWidget* w) { return qobject_cast<QGroupBox*>(w->parentWidget()); };
        for (QRadioButton* r : {d.RDB_Cercle, d.RDB_Point, d.RDB_Carre}) {
            r->click();
            for (QGroupBox* box : page->findChildren<QGroupBox*>())
                QVERIFY2(checkedIn(box) <= 1, qPrintable(box->objectName()));
        }
        QVERIFY(frameOf(d.RDB_Carre) && frameOf(d.RDB_Carre) == frameOf(d.RDB_Cercle));
        QVERIFY(frameOf(d.RDB_Croix) && frameOf(d.RDB_Croix) == frameOf(d.RDB_Point));
        QVERIFY(frameOf(d.RDB_Carre) != frameOf(d.RDB_Croix));
        // Square and point: one in each frame, both kept.
        QVERIFY(d.RDB_Carre->isChecked());
        QVERIFY(d.RDB_Point->isChecked());
        QCOMPARE(int(rig_->controls.markerShape), 0);
        QCOMPARE(int(rig_->controls.crossShape), 1);
    }

    void otherTabsStoreTheirValues()
    {
        TFRM_Pref& d = open();
        d.RDB_LX200->click();
        d.CBX_AG_Vitesse->setCurrentIndex(12);
        QCOMPARE(d.CBX_AG_Vitesse->currentText(), QStringLiteral("115200"));
        QCOMPARE(rig_->prefs.autoguide.CBX_AG_Vitesse, 12);
        d.SPED_Intervalle_Guidage->setValue(25);
        QCOMPARE(rig_->controls.SPED_Intervalle_Guidage, 25.0);
        typeAndLeave(d.TNI_Vitesse_Est, QStringLiteral("12.5"));
        QCOMPARE(rig_->prefs.autoguide.TNI_Vitesse_Est, 12.5);
        d.CKB_VestaMod->click();
        typeAndLeave(d.TNI_Bit_Amp_Active, QStringLiteral("7"));
        QCOMPARE(rig_->prefs.longExposure.TNI_Bit_Amp_Active, 7.0);
        QSignalSpy guide(&d, &TFRM_Pref::guideWindowShown);
        d.CKB_Affiche_Etendu->click();
        QCOMPARE(guide.count(), 1);
        QVERIFY(guide.at(0).at(0).toBool());
        d.CKB_IPS->click();
        QVERIFY(rig_->prefs.CKB_IPS);
        QSignalSpy redraw(&d, &TFRM_Pref::reticleRedraw);
        d.CKB_RenvoiCoude->click();
        QCOMPARE(redraw.count(), 1);
        QVERIFY(rig_->prefs.optics.CKB_RenvoiCoude);
    }
};

} // namespace velumbra::test

QTEST_MAIN(velumbra::test::TestPrefDialog)
#include "test_pref_dialog.moc"

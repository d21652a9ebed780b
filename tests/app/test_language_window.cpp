// The windows in the chosen language: the list of languages, the texts put
// into the controls at the first activation and at every change of the
// list, the parity and planet lists keeping their selection, messages
// composed in the language of the moment, the choice written at close.
#include "acquisition/ui/GRB_Camera.h"
#include "acquisition/ui/VideoSourceUi.h"
#include "aids/ui/TFRM_Main.h"
#include "app/ui/ClippedText.h"
#include "app/ui/ShellLanguage.h"
#include "app/ui/ShellSettings.h"
#include "app/ui/TFRM_Alv.h"
#include "app/ui/WindowSet.h"
#include "results/ui/TFRM_Alv_Child.h"
#include "settings/ui/TFRM_Pref.h"
#include "telescope/ui/TFRM_Raquette.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMap>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace velumbra::test {
namespace {

// Every text a user can read in the program's windows, keyed by where it is.
// The window a control belongs to: menus are part of the window that opens
// them; the tool windows, children of the main window, are windows of their own.
QObject* ownerWindow(QObject* control)
{
    for (QObject* o = control; o; o = o->parent())
        if (auto* w = qobject_cast<QWidget*>(o); w && w->isWindow() && w->windowType() != Qt::Popup) return w;
    return nullptr;
}

QMap<QString, QString> textsOf(const WindowSet& set)
{
    QMap<QString, QString> out;
    for (const QString& name : set.creationOrder()) {
        QWidget* window = set.window(name);
        if (!window) continue;
        out[name + QStringLiteral("/title")] = window->windowTitle();
        const QList<QObject*> all = window->findChildren<QObject*>();
        for (qsizetype i = 0; i < all.size(); ++i) {
            QObject* o = all[i];
            if (ownerWindow(o) != window) continue; // a tool window's control, listed under its window
            const QString key = QStringLiteral("%1/%2#%3").arg(name, o->objectName()).arg(i);
            QString text;
            if (auto* a = qobject_cast<QAction*>(o)) text = a->text() + QLatin1Char('|') + a->toolTip();
            else if (auto* m = qobject_cast<QMenu*>(o)) text = m->title();
            else if (auto* b = qobject_cast<QAbstractButton*>(o)) text = b->text();
            else if (auto* l = qobject_cast<QLabel*>(o)) text = l->text();
            else if (auto* g = qobject_cast<QGroupBox*>(o)) text = g->title();
            else if (auto* c = qobject_cast<QComboBox*>(o)) {
                for (int k = 0; k < c->count(); ++k) text += c->itemText(k) + QLatin1Char(';');
            } else if (auto* t = qobject_cast<QTabWidget*>(o)) {
                for (int k = 0; k < t->count(); ++k) text += t->tabText(k) + QLatin1Char(';') + t->tabToolTip(k);
            }
            if (auto* w = qobject_cast<QWidget*>(o)) text += QLatin1Char('|') + w->toolTip();
            out[key] = text;
        }
    }
    return out;
}

} // namespace

class TestLanguageWindow : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    QString previous_;

    void put(const QString& name, const QByteArray& bytes)
    {
        QFile f(dir_.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QByteArray bytesOf(const QString& name)
    {
        QFile f(dir_.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void putShipped()
    {
        QFile shipped(QStringLiteral(VELUMBRA_LANGUAGE_FILE));
        QVERIFY(shipped.open(QIODevice::ReadOnly));
        put(QStringLiteral("Language.ini"), shipped.readAll());
    }
    // The program as started here, without its own language file: only the
    // current folder's counts.
    static void start(WindowSet& set)
    {
        set.language().setOwnLanguageFile(QString());
        set.main()->show();
    }
    static void choose(WindowSet& set, const QString& language)
    {
        QComboBox* list = set.preferences()->CBX_Langue;
        const int index = list->findText(language);
        QVERIFY(index >= 0);
        list->setCurrentIndex(index);
    }

private slots:
    void init()
    {
        previous_ = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir_.path()));
        for (const QString& f : QDir(dir_.path()).entryList(QDir::Files)) QFile::remove(dir_.filePath(f));
    }
    void cleanup() { QDir::setCurrent(previous_); }

    void noFileGivesTheBuiltInTexts()
    {
        WindowSet set;
        start(set);
        QCOMPARE(set.resultWindow()->windowTitle(), QStringLiteral("Fenêtre d'intégration"));
        QCOMPARE(set.preferences()->windowTitle(), QStringLiteral("Préferences"));
        QCOMPARE(set.preferences()->CBX_Langue->count(), 0);
        QCOMPARE(set.preferences()->CBX_Langue->currentIndex(), -1);
        // No message for a missing language file: only the first start's advice.
        QCOMPARE(set.main()->MEMO_Message->toPlainText(), builtInText(u"MSG_Premier_Demarrage"));
    }

    void aSectionGivingOneCaptionChangesThatCaptionAlone()
    {
        QMap<QString, QString> builtIn;
        {
            WindowSet set;
            start(set);
            builtIn = textsOf(set);
        }
        put(QStringLiteral("Language.ini"), "[Essai]\nMNU_Fichier.Caption=&File\n");
        WindowSet set;
        start(set);
        const QMap<QString, QString> now = textsOf(set);
        QCOMPARE(now.size(), builtIn.size());
        QStringList changed;
        for (auto it = now.cbegin(); it != now.cend(); ++it)
            if (builtIn.value(it.key()) != it.value()) changed << it.key() + QStringLiteral(" = ") + it.value();
        // The menu, and the list of languages that now has one.
        // The menu (and the action that opens it), and the list of
        // languages, which now has one.
        const QString all = changed.join(QLatin1Char('\n'));
        QCOMPARE(changed.size(), 3);
        QVERIFY2(changed.filter(QStringLiteral("/CBX_Langue#")).size() == 1, qPrintable(all));
        const QStringList menu = changed.filter(QStringLiteral("= &File"));
        QVERIFY2(menu.size() == 2 && menu.filter(QStringLiteral("/MNU_Fichier#")).size() == 1, qPrintable(all));
    }

    void everyWindowInEnglish()
    {
        putShipped();
        WindowSet set;
        start(set);
        QCOMPARE(set.preferences()->CBX_Langue->currentText(), QStringLiteral("Français"));
        QCOMPARE(set.preferences()->windowTitle(), QStringLiteral("Préferences"));
        choose(set, QStringLiteral("English"));
        QCOMPARE(set.preferences()->windowTitle(), QStringLiteral("Preferences"));
        QCOMPARE(set.resultWindow()->windowTitle(), QStringLiteral("Stacking window"));
        QCOMPARE(set.paddleWindow()->windowTitle(), QStringLiteral("Telescope"));
        QCOMPARE(set.main()->findChild<QMenu*>(QStringLiteral("MNU_Fichier"))->title(), QStringLiteral("&File"));
        QCOMPARE(set.main()->findChild<QLabel*>(QStringLiteral("LBL_CKB_Suivi"))->text(), QStringLiteral("Tracking"));
        QCOMPARE(set.main()->videoSource().panel()->BTN_Turbo->text(), QStringLiteral("Stream"));
        // Keys whose control this program names otherwise reach it too.
        QCOMPARE(set.preferences()->findChild<QRadioButton*>(QStringLiteral("RDB_Temps_Inertie"))->text(),
                 QStringLiteral("Backlash time (ms):"));
        QCOMPARE(set.main()->findChild<QWidget*>(QStringLiteral("SCB_Seuil_Detection_Nbre"))->toolTip(),
                 QStringLiteral("Share of differing pixels above which the frame is selected (1/10000)"));
        // Back to French: every text is the built-in one again.
        choose(set, QStringLiteral("Français"));
        QCOMPARE(set.main()->videoSource().panel()->BTN_Turbo->text(), QStringLiteral("Flux"));
        QCOMPARE(set.resultWindow()->windowTitle(), QStringLiteral("Fenêtre d'intégration"));
    }

    // Keys of the language file that name a control this program does not
    // have, or has under another name. A control added under a key's name
    // takes its text at once and must leave this list.
    void keysWithoutTargetAreKnown()
    {
        putShipped();
        WindowSet set;
        start(set);
        const QStringList expected{
            // Main window: no speed tab (the declination panel holds the
            // speed), no codec label, no frame named Panel2.
            QStringLiteral("TBS_Vitesse.Caption"), QStringLiteral("LBL_Codec.Caption"), QStringLiteral("Panel2.hint")};
        QCOMPARE(set.language().keysWithoutTarget(), expected);
    }

    // Captions are longer in some languages: every one fits its control,
    // in the main window and on every page of the preferences.
    void captionsFitTheirControls_data()
    {
        QTest::addColumn<QString>("language");
        QTest::newRow("French") << QStringLiteral("Français");
        QTest::newRow("English") << QStringLiteral("English");
    }
    void captionsFitTheirControls()
    {
        QFETCH(QString, language);
        putShipped();
        WindowSet set;
        start(set);
        choose(set, language);
        QVERIFY(QTest::qWaitForWindowExposed(set.main()));
        QStringList clipped = clippedTexts(set.main());
        TFRM_Pref* pref = set.preferences();
        pref->show();
        QVERIFY(QTest::qWaitForWindowExposed(pref));
        pref->CKB_VestaMod->click(); // every page shows
        pref->RDB_LX200->click();
        for (int i = 0; i < pref->pages()->count(); ++i) {
            pref->pages()->setCurrentIndex(i);
            QCoreApplication::processEvents();
            clipped += clippedTexts(pref);
        }
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1Char('\n'))));
    }

    // The new radius's caption names the axis being corrected in any language.
    void theRadiusCaptionNamesTheAxisInTheLanguage()
    {
        putShipped();
        WindowSet set;
        start(set);
        auto* polar = qobject_cast<TFRM_Main*>(set.window(QStringLiteral("TFRM_Main")));
        QVERIFY(polar);
        polar->RDB_Correct_Altitude->click();
        QCOMPARE(polar->LBL_NouveauRayon->text(), QStringLiteral("Nouveau rayon du dispositif de reglage en altitude (mm):"));
        choose(set, QStringLiteral("English"));
        QCOMPARE(polar->LBL_NouveauRayon->text(), QStringLiteral("New radius of the altitude adjuster (mm):"));
        polar->RDB_Correct_Azimuth->click();
        QCOMPARE(polar->LBL_NouveauRayon->text(), QStringLiteral("New radius of the azimuth adjuster (mm):"));
    }

    void changingTheLanguageKeepsTheParity()
    {
        putShipped();
        WindowSet set;
        start(set);
        QComboBox* parity = set.preferences()->CBX_AG_Parite;
        QCOMPARE(parity->currentText(), QStringLiteral("Aucune"));
        choose(set, QStringLiteral("English"));
        QCOMPARE(parity->currentIndex(), 3);
        QCOMPARE(parity->currentText(), QStringLiteral("None"));
        QCOMPARE(parity->count(), 4);
        parity->setCurrentIndex(1);
        choose(set, QStringLiteral("Français"));
        QCOMPARE(parity->currentText(), QStringLiteral("Impaire"));
        QCOMPARE(set.main()->settings().prefs().autoguide.CBX_AG_Parite, 1);
    }

    void changingTheLanguageKeepsThePlanet()
    {
        putShipped();
        WindowSet set;
        start(set);
        QComboBox* planets = set.paddleWindow()->CBX_Planete;
        QCOMPARE(planets->itemText(0), QStringLiteral("0-Soleil"));
        planets->setCurrentIndex(6);
        choose(set, QStringLiteral("English"));
        QCOMPARE(planets->currentText(), QStringLiteral("6-Saturn"));
        QCOMPARE(planets->count(), 10);
    }

    void instructionsAreComposedInTheLanguageOfTheMoment()
    {
        putShipped();
        WindowSet set;
        start(set);
        auto* polar = set.main()->findChild<TFRM_Main*>();
        QTest::qWait(0);
        TFRM_Main* window = polar ? polar : qobject_cast<TFRM_Main*>(set.window(QStringLiteral("TFRM_Main")));
        QVERIFY(window);
        choose(set, QStringLiteral("English"));
        window->BTN_Demar_MES->click();
        QVERIFY2(set.main()->MEMO_Message->toPlainText().startsWith(QStringLiteral("1-Start the telescope's tracking")),
                 qPrintable(set.main()->MEMO_Message->toPlainText()));
        choose(set, QStringLiteral("Français"));
        window->BTN_Demar_MES->click();
        QVERIFY2(set.main()->MEMO_Message->toPlainText().startsWith(QStringLiteral("1-Demarrer le suivi du telescope")),
                 qPrintable(set.main()->MEMO_Message->toPlainText()));
    }

    void theStoredIndexChoosesAndTheChoiceIsSaved()
    {
        putShipped();
        put(QStringLiteral("Velumbra.ini"), "[Prefs]\nLangue=1\n");
        {
            WindowSet set;
            start(set);
            QCOMPARE(set.preferences()->CBX_Langue->currentText(), QStringLiteral("English"));
            QCOMPARE(set.preferences()->windowTitle(), QStringLiteral("Preferences"));
            choose(set, QStringLiteral("Français"));
            set.main()->close();
        }
        QCOMPARE(QSettings(dir_.filePath(QStringLiteral("Velumbra.ini")), QSettings::IniFormat)
                     .value(QStringLiteral("Prefs/Langue")).toString(),
                 QStringLiteral("0"));
    }

    // An index outside the list, either side, selects no language: the
    // built-in texts, also after the settings were shown, and the next start
    // finds the same index.
    void aStoredIndexOutsideTheListSelectsNothing_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("beyond") << QByteArray("7");
        QTest::newRow("negative") << QByteArray("-1");
    }
    void aStoredIndexOutsideTheListSelectsNothing()
    {
        QFETCH(QByteArray, stored);
        put(QStringLiteral("Language.ini"), "[English]\nFRM_Pref.Caption=Preferences\n[Deutsch]\nFRM_Pref.Caption=Einstellungen\n");
        put(QStringLiteral("Velumbra.ini"), "[Prefs]\nLangue=" + stored + "\n");
        {
            WindowSet set;
            start(set);
            QCOMPARE(set.preferences()->CBX_Langue->count(), 2);
            QCOMPARE(set.preferences()->CBX_Langue->currentIndex(), -1);
            QCOMPARE(set.preferences()->windowTitle(), QStringLiteral("Préferences"));
            set.main()->close();
        }
        QCOMPARE(QSettings(dir_.filePath(QStringLiteral("Velumbra.ini")), QSettings::IniFormat)
                     .value(QStringLiteral("Prefs/Langue")).toByteArray(),
                 stored);
    }

    void badLanguageFilesLoadWithoutHarm_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("prefsTitle");
        QByteArray garbage;
        for (int i = 0; i < 20000; ++i) garbage.append(char((i * 131 + 7) % 256));
        QTest::newRow("garbage") << garbage << QStringLiteral("Préferences");
        QTest::newRow("5000 characters") << QByteArray("[Long]\nFRM_Pref.Caption=" + QByteArray(5000, 'w') + "\n")
                                        << QString(1023, QLatin1Char('w'));
        QTest::newRow("no section, no equal sign") << QByteArray("MNU_Fichier.Caption=&File\n[\n=\n]]]\n")
                                                   << QStringLiteral("Préferences");
    }
    void badLanguageFilesLoadWithoutHarm()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, prefsTitle);
        put(QStringLiteral("Language.ini"), bytes);
        {
            WindowSet set;
            start(set);
            QCOMPARE(set.preferences()->windowTitle(), prefsTitle);
            QCOMPARE(set.resultWindow()->windowTitle(), QStringLiteral("Fenêtre d'intégration"));
            set.main()->close();
        }
        // Read, never written or moved.
        QCOMPARE(bytesOf(QStringLiteral("Language.ini")), bytes);
    }
};

} // namespace velumbra::test

QTEST_MAIN(velumbra::test::TestLanguageWindow)
#include "test_language_window.moc"

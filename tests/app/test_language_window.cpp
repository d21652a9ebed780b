// The windows in the chosen language: the list of languages, the texts put
// into the controls at the first activation and at every change of the
// list, the parity and planet lists keeping their selection, messages
// composed in the language of the moment, the choice written at close.
#include "acquisition/ui/GRB_Camera.h"
#include "acquisition/ui/VideoSourceUi.h"
#include "core/Clock.h"
#include "core/Messages.h"
#include "settings/Language.h"
#include "core/LanguageTable.h"
#include "acquisition/ui/TFRM_Pilote.h"
#include "aids/ui/TFRM_Main.h"
#include "app/ui/ClippedText.h"
#include "app/ui/ShellLanguage.h"
#include "app/ui/ShellSettings.h"
#include "app/ui/TFRM_Alv.h"
#include "app/ui/WindowSet.h"
#include "results/ui/TFRM_Alv_Child.h"
#include "settings/ui/TFRM_Pref.h"
#include "telescope/ui/TFRM_Raquette.h"
#include "widgets/TNumInp.h"

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
#include <QRegularExpression>
#include <QSet>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QApplication>
#include <QDialog>
#include <QTimer>
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


// ---- French left in English --------------------------------------------------------

// The texts a user reads in a window and in the windows under it that show:
// its title, captions, group and tab titles, list items and menus. Each
// entry names where the text is.
QStringList readableTexts(QWidget* window)
{
    QStringList out;
    const auto add = [&out](const QObject* o, const QString& text) {
        QString shown = text;
        shown.remove(QLatin1Char('&'));
        if (!shown.trimmed().isEmpty()) out << o->objectName() + QStringLiteral(" = ") + shown.trimmed();
    };
    add(window, window->windowTitle());
    // Shown, or on a page of a tab or a stack the user can turn to.
    const auto reachable = [window](QWidget* w) {
        for (; w && w != window; w = w->parentWidget())
            if (w->isHidden() && !qobject_cast<QStackedWidget*>(w->parentWidget())) return false;
        return true;
    };
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    for (QWidget* w : std::as_const(widgets)) {
        if (!qobject_cast<QMenu*>(w) && !reachable(w)) continue;
        if (auto* l = qobject_cast<QLabel*>(w)) add(l, l->text());
        else if (auto* b = qobject_cast<QAbstractButton*>(w)) add(b, b->text());
        else if (auto* g = qobject_cast<QGroupBox*>(w)) add(g, g->title());
        else if (auto* t = qobject_cast<QTabWidget*>(w)) {
            for (int k = 0; k < t->count(); ++k) add(t, t->tabText(k));
        } else if (auto* c = qobject_cast<QComboBox*>(w)) {
            if (c->objectName() == QLatin1String("CBX_Langue")) continue; // the languages' own names
            for (int k = 0; k < c->count(); ++k) add(c, c->itemText(k));
        } else if (auto* m = qobject_cast<QMenu*>(w)) {
            add(m, m->title());
            for (QAction* a : m->actions()) add(a, a->text());
        }
    }
    return out;
}

// A text a user would read as French: a built-in text that English says
// otherwise, a French word or a French accent. Names of places, methods,
// programs and units read alike in both languages.
bool looksFrench(QString text, const QSet<QString>& frenchWithEnglish)
{
    // The serial simulator's port is a device's name, stored as such in the
    // settings; "Image" opens an image in both languages.
    static const QSet<QString> alike{QStringLiteral("OK"), QStringLiteral("Ok"), QStringLiteral("Bigourdan"),
                                     QStringLiteral("King"), QStringLiteral("Velumbra"), QStringLiteral("µm"),
                                     QStringLiteral("Image"), QStringLiteral("Simulateur (boîtiers série)")};
    static const QSet<QString> words{
        QStringLiteral("de"), QStringLiteral("des"), QStringLiteral("du"), QStringLiteral("la"), QStringLiteral("le"),
        QStringLiteral("les"), QStringLiteral("et"), QStringLiteral("sur"), QStringLiteral("pour"), QStringLiteral("avec"),
        QStringLiteral("une"), QStringLiteral("aux"), QStringLiteral("aide"), QStringLiteral("fermer"),
        QStringLiteral("annuler"), QStringLiteral("dossier"), QStringLiteral("profil"), QStringLiteral("couleurs"),
        QStringLiteral("capteur"), QStringLiteral("secondes"), QStringLiteral("heures"), QStringLiteral("erreur"),
        QStringLiteral("periodique"), QStringLiteral("pointage"), QStringLiteral("niveau"), QStringLiteral("nombre"),
        QStringLiteral("echelle"), QStringLiteral("lignes"), QStringLiteral("valeur"), QStringLiteral("histogramme"),
        QStringLiteral("autoguidage"), QStringLiteral("ressources"), QStringLiteral("propos"), QStringLiteral("demarrer"),
        QStringLiteral("arreter"), QStringLiteral("enregistrer"), QStringLiteral("suivi"), QStringLiteral("mise"),
        QStringLiteral("fichier"), QStringLiteral("ouvrir"), QStringLiteral("pilote"), QStringLiteral("monture"),
        QStringLiteral("temps"), QStringLiteral("longue"), QStringLiteral("vitesse"), QStringLiteral("taille"),
        QStringLiteral("seuil"), QStringLiteral("seuils"), QStringLiteral("actif"), QStringLiteral("nord"),
        QStringLiteral("sud"), QStringLiteral("ouest"), QStringLiteral("rapide"), QStringLiteral("vers"),
        QStringLiteral("soit"), QStringLiteral("tours"), QStringLiteral("vis")};
    text = text.section(QStringLiteral(" = "), 1);
    if (alike.contains(text)) return false;
    if (frenchWithEnglish.contains(text)) return true;
    static const QRegularExpression accent(QStringLiteral("[éèêàçùôîÉ]"));
    if (accent.match(text).hasMatch()) return true;
    static const QRegularExpression separators(QStringLiteral("[^\\p{L}]+"));
    for (const QString& word : text.split(separators, Qt::SkipEmptyParts))
        if (words.contains(word.toLower())) return true;
    return false;
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


    // With English chosen, no window shows a French text: every window of
    // the program, every page of the preferences, the capture driver's
    // chooser, the format and source dialogs and the simulator's page.
    void noFrenchLeftInEnglish()
    {
        putShipped();
        WindowSet set;
        start(set);
        choose(set, QStringLiteral("English"));
        QSet<QString> frenchWithEnglish;
        {
            ManualClock clock{QDateTime(QDate(2026, 3, 14), QTime(21, 30, 5))};
            RecordingMessages messages;
            LanguageTexts english;
            english.choose(LanguageFile(QStringLiteral(VELUMBRA_LANGUAGE_FILE), clock, messages), QStringLiteral("English"));
            for (const LanguageRead& r : languageReads()) {
                // A list's items one by one: "Minutes" is English too.
                const QStringList french = QString::fromUtf8(r.builtIn).split(QLatin1Char('|'));
                const QStringList translated = english.textOf(r).split(QLatin1Char('|'));
                for (qsizetype i = 0; i < french.size(); ++i)
                    if (i >= translated.size() || translated[i] != french[i])
                        frenchWithEnglish << QString(french[i]).remove(QLatin1Char('&')).trimmed();
            }
        }
        QStringList french;
        const auto check = [&](QWidget* window, const QString& where) {
            for (const QString& text : readableTexts(window))
                if (looksFrench(text, frenchWithEnglish)) french << where + QStringLiteral(": ") + text;
        };
        set.preferences()->CKB_VestaMod->click(); // every page of the preferences shows
        set.preferences()->RDB_LX200->click();
        for (const QString& name : set.creationOrder()) {
            QWidget* window = set.window(name);
            if (!window) continue;
            window->show();
            QCoreApplication::processEvents();
            check(window, name);
            if (window != set.main()) window->hide();
        }
        // The windows made for one use, as the program opens them.
        bool chooserSeen = false;
        QTimer::singleShot(0, [&] {
            auto* chooser = qobject_cast<TFRM_Pilote*>(QApplication::activeModalWidget());
            if (!chooser) return;
            chooserSeen = true;
            check(chooser, QStringLiteral("TFRM_Pilote"));
            chooser->ComboBox1->setCurrentIndex(chooser->ComboBox1->count() - 1); // the sky simulator
            chooser->accept();
        });
        set.main()->findChild<QPushButton*>(QStringLiteral("BTN_Start"))->click();
        QVERIFY(chooserSeen);
        QTRY_VERIFY(set.main()->MNU_Source->isEnabled());
        for (QAction* menu : {set.main()->MNU_Format, set.main()->MNU_Source}) {
            bool seen = false;
            QTimer::singleShot(0, [&] {
                auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                if (!dialog) return;
                seen = true;
                check(dialog, dialog->objectName());
                dialog->reject();
            });
            menu->trigger();
            QVERIFY(seen);
        }
        QVERIFY2(french.isEmpty(), qPrintable(french.join(QLatin1Char('\n'))));
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
    // in every window and on every page of its tabs (also run at a screen
    // scale of 2).
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
        QStringList clipped;
        TFRM_Pref* pref = set.preferences();
        pref->CKB_VestaMod->click(); // every page of the preferences shows
        pref->RDB_LX200->click();
        // Every window, each page of each of its tabs in turn.
        for (const QString& name : set.creationOrder()) {
            QWidget* window = set.window(name);
            if (!window) continue;
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            QList<QTabWidget*> tabs = window->findChildren<QTabWidget*>();
            clipped += clippedTexts(window);
            for (QTabWidget* t : std::as_const(tabs))
                for (int i = 0; i < t->count(); ++i) {
                    t->setCurrentIndex(i);
                    QCoreApplication::processEvents();
                    for (const QString& c : clippedTexts(window))
                        if (!clipped.contains(c)) clipped << c;
                }
            // The panels that share one place (the side panel's tools).
            QList<QStackedWidget*> stacks = window->findChildren<QStackedWidget*>();
            for (QStackedWidget* st : std::as_const(stacks)) {
                if (qobject_cast<QTabWidget*>(st->parentWidget())) continue;
                for (int i = 0; i < st->count(); ++i) {
                    st->setCurrentIndex(i);
                    QCoreApplication::processEvents();
                    for (const QString& c : clippedTexts(window))
                        if (!clipped.contains(c)) clipped << c;
                }
            }
            if (window != set.main()) window->hide();
        }
        for (QString& c : clipped) c.prepend(language + QStringLiteral(": "));
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1Char('\n'))));
    }

    // A calibrated speed has many digits: the field shows it whole, with
    // the digits that mean something.
    void calibratedSpeedsFitTheirFields()
    {
        WindowSet set;
        start(set);
        TFRM_Pref* pref = set.preferences();
        pref->RDB_LX200->click();
        pref->pages()->setCurrentWidget(pref->findChild<QWidget*>(QStringLiteral("TBS_Autoguidage")));
        pref->show();
        QVERIFY(QTest::qWaitForWindowExposed(pref));
        for (const char* name : {"TNI_Vitesse_Nord", "TNI_Vitesse_Sud", "TNI_Vitesse_Est", "TNI_Vitesse_Ouest"}) {
            auto* field = pref->findChild<TNumInp*>(QString::fromLatin1(name));
            QVERIFY(field);
            field->setValue(15.0412345678901);
            QCOMPARE(field->text(), QStringLiteral("15.04"));
            QStyleOptionFrame option;
            option.initFrom(field);
            const QRect room = field->style()->subElementRect(QStyle::SE_LineEditContents, &option, field);
            QVERIFY2(field->fontMetrics().horizontalAdvance(field->text()) <= room.width(), name);
        }
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

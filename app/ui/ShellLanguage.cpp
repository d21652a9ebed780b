#include "app/ui/ShellLanguage.h"
#include "aids/ui/GRB_Operations.h"
#include "aids/ui/TFRM_Main.h"
#include "app/ui/TFRM_Alv.h"
#include "results/ui/TFRM_Alv_Child.h"
#include "acquisition/SimulatorDriver.h"
#include "acquisition/ui/TFRM_Pilote.h"
#include "acquisition/ui/VideoSourceUi.h"
#include "core/DataFiles.h"
#include "core/LanguageTable.h"
#include "indi/ui/PNL_Indi.h"
#include "settings/IniFile.h"
#include "settings/Language.h"
#include "settings/ui/TFRM_Pref.h"
#include "telescope/ui/TFRM_Raquette.h"

#include <QAbstractButton>
#include <algorithm>
#include <QAction>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabWidget>
#include <QValueAxis>

namespace velumbra {
namespace {

// A tab page's caption is its tab's text.
bool setTabText(QWidget* page, const QString& text, bool hint)
{
    auto* stack = qobject_cast<QStackedWidget*>(page->parentWidget());
    auto* tabs = stack ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
    if (!tabs) return false;
    const int index = tabs->indexOf(page);
    if (index < 0) return false;
    if (hint)
        tabs->setTabToolTip(index, text);
    else
        tabs->setTabText(index, text);
    return true;
}

bool setCaption(QObject* target, const QString& text)
{
    if (auto* action = qobject_cast<QAction*>(target)) {
        action->setText(text);
        return true;
    }
    if (auto* menu = qobject_cast<QMenu*>(target)) {
        menu->setTitle(text);
        return true;
    }
    if (auto* button = qobject_cast<QAbstractButton*>(target)) {
        button->setText(text);
        return true;
    }
    if (auto* label = qobject_cast<QLabel*>(target)) {
        label->setText(text);
        return true;
    }
    if (auto* group = qobject_cast<QGroupBox*>(target)) {
        group->setTitle(text);
        return true;
    }
    if (auto* widget = qobject_cast<QWidget*>(target)) return setTabText(widget, text, false);
    return false;
}

bool setHint(QObject* target, const QString& text)
{
    if (auto* action = qobject_cast<QAction*>(target)) {
        action->setToolTip(text);
        return true;
    }
    auto* widget = qobject_cast<QWidget*>(target);
    if (!widget) return false;
    widget->setToolTip(text);
    setTabText(widget, text, true);
    return true;
}

// A list's items, given as one text with "|" between them: the list keeps
// its choice, which the program reads by index.
bool setItems(QObject* target, const QString& text)
{
    auto* list = qobject_cast<QComboBox*>(target);
    if (!list) return false;
    const QStringList items = text.split(QLatin1Char('|'));
    for (int i = 0; i < list->count() && i < items.size(); ++i) list->setItemText(i, items[i]);
    return true;
}

// Windows made for one use and freed after it: their texts are put in when
// they are made (ShellLanguage::translate), not when a language is chosen.
bool madeOnUse(const QString& window)
{
    return window == QLatin1String("TFRM_Pilote") || window == QLatin1String("TFRM_VideoFormat") ||
           window == QLatin1String("TFRM_VideoSource");
}

// The periodic-error chart: its two axis titles and its title.
bool setChartText(QWidget* window, const QString& name, const QString& path, const QString& text)
{
    auto* view = window->findChild<QChartView*>(name);
    QChart* chart = view ? view->chart() : nullptr;
    if (!chart) return false;
    const auto axisTitle = [&](Qt::Orientation o) {
        const QList<QAbstractAxis*> axes = chart->axes(o);
        if (axes.isEmpty()) return false;
        axes.first()->setTitleText(text);
        return true;
    };
    if (path == QLatin1String("leftaxis.title.caption")) return axisTitle(Qt::Vertical);
    if (path == QLatin1String("bottomaxis.title.caption")) return axisTitle(Qt::Horizontal);
    if (path == QLatin1String("title.text")) {
        chart->setTitle(text);
        return true;
    }
    return false;
}

// Controls this program builds under other names than the keys': a label
// and its control made one (the inertia radio button carries its label),
// a field and its slider both hinted, a label named after its field.
const QHash<QString, QStringList>& otherNames()
{
    static const QHash<QString, QStringList> names{
        {QStringLiteral("lbl_temps_inertie"), {QStringLiteral("RDB_Temps_Inertie")}},
        {QStringLiteral("lbl_orienter_vers"), {QStringLiteral("GRB_Orienter")}},
        {QStringLiteral("cbx_selfguide_active"), {QStringLiteral("CKB_Selfguide_Active")}},
        {QStringLiteral("lbl_vitesse"), {QStringLiteral("LBL_Vitesse_Etoile")}},
        {QStringLiteral("lbl_decl_approx"), {QStringLiteral("LBL_Decl_Etoile")}},
        {QStringLiteral("cbx_unite_imgref"), {QStringLiteral("CBX_Unite")}},
        {QStringLiteral("tni_seuil_detect_nbre"),
         {QStringLiteral("TNI_Seuil_Detection_Nbre"), QStringLiteral("SCB_Seuil_Detection_Nbre")}},
        {QStringLiteral("tni_seuil_detect_niveau"),
         {QStringLiteral("TNI_Seuil_Detection_Niveau"), QStringLiteral("SCB_Seuil_Detection_Niveau")}},
    };
    return names;
}

} // namespace

ShellLanguage::ShellLanguage(TFRM_Alv& main, TFRM_Pref& pref, TFRM_Raquette& paddle,
                             std::function<QWidget*(const QString&)> window)
    : main_(main), pref_(pref), paddle_(paddle), window_(std::move(window))
{
    main_.setLanguage(this);
    connect(pref_.CBX_Langue, &QComboBox::currentIndexChanged, this, [this] { ApplyLanguage(); });
}

void ShellLanguage::load()
{
    LoadLanguageList();
    ApplyLanguage();
}

QString ShellLanguage::installedLanguagePath()
{
    return findDataFile(QStringLiteral("Language.ini"));
}

QString ShellLanguage::languagePath() const
{
    const QString here = QDir::current().filePath(QStringLiteral("Language.ini"));
    return QFileInfo::exists(here) || own_.isEmpty() ? here : own_;
}

void ShellLanguage::LoadLanguageList()
{
    const LanguageFile file(languagePath(), clock_, main_);
    const IniFile settings(QDir::current().filePath(QStringLiteral("Velumbra.ini")), IniFile::Mode::ReadOnly, clock_,
                           main_);
    const int stored = settings.ReadInteger(QStringLiteral("Prefs"), QStringLiteral("Langue"), 0);
    const QSignalBlocker quiet(pref_.CBX_Langue);
    pref_.CBX_Langue->clear();
    pref_.CBX_Langue->addItems(file.languages());
    pref_.CBX_Langue->setCurrentIndex(languageIndexFor(stored, file.languages().size()));
}

void ShellLanguage::ApplyLanguage()
{
    const LanguageFile file(languagePath(), clock_, main_);
    const QString chosen = pref_.CBX_Langue->currentIndex() < 0 ? QString() : pref_.CBX_Langue->currentText();
    LanguageTexts& texts = main_.languageTexts();
    texts.choose(file, chosen);

    withoutTarget_.clear();
    byName_.clear();
    for (const LanguageRead& read : languageReads()) {
        if (!*read.window) continue; // a named text, asked for when a message is composed
        const QString name = QString::fromLatin1(read.window);
        QWidget* window = window_(name);
        if (!window && madeOnUse(name)) continue;
        if (!window || !applyRead(read, texts.textOf(read), window)) {
            const QString key = QString::fromLatin1(read.key);
            if (!withoutTarget_.contains(key)) withoutTarget_ << key;
        }
    }
    byName_.clear();
    rebuildParities();
    rebuildPlanets();
    if (TFRM_Alv_Child* child = main_.resultWindow()) child->showSchedule();
    main_.videoSource().source().setTurboCaptions(texts.text(u"BTN_Turbo_Caption_Stream"),
                                                  texts.text(u"BTN_Turbo_Caption_Frame"));
    main_.core().controls.selection.cueNames.names = {texts.text(u"TOP"), texts.text(u"OUI"), texts.text(u"NON")};
    main_.redrawReticle();
    main_.videoSource().setTexts(texts);
    paddle_.setTexts(texts);
    if (PNL_Indi* indi = pref_.indiPanel()) indi->applyTexts(texts);
    main_.showFieldUnit();
    if (GRB_Operations* operations = main_.operations()) operations->sequencer().showIdleLabel();
    if (auto* polar = qobject_cast<TFRM_Main*>(window_(QStringLiteral("TFRM_Main")))) polar->showRadiusAxis();
}

void ShellLanguage::translate(QWidget* window)
{
    const LanguageTexts& texts = main_.languageTexts();
    for (const LanguageRead& read : languageReads())
        if (window->objectName() == QLatin1String(read.window)) applyRead(read, texts.textOf(read), window);
    byName_.remove(window);
    // The simulator's entry in the driver chooser, in the language: the
    // chooser answers by index, so the name shown may differ from the driver's.
    if (auto* chooser = qobject_cast<TFRM_Pilote*>(window)) {
        const QString own = SimulatorDriver::driverName();
        for (int i = 0; i < chooser->ComboBox1->count(); ++i) {
            const QString item = chooser->ComboBox1->itemText(i);
            if (item.startsWith(own)) chooser->ComboBox1->setItemText(i, texts.text(u"Sim_Nom_Pilote") + item.mid(own.size()));
        }
    }
}

bool ShellLanguage::applyRead(const LanguageRead& read, const QString& text, QWidget* window)
{
    const QString key = QString::fromLatin1(read.key);
    const qsizetype dot = key.indexOf(QLatin1Char('.'));
    const QString name = key.left(dot);
    const QString property = key.mid(dot + 1).toLower();
    if (name.startsWith(QLatin1String("CHRT_"))) return setChartText(window, name, property, text);
    const bool hint = property == QLatin1String("hint");
    if (property == QLatin1String("items")) {
        QList<QObject*> lists = named(window, name);
        if (lists.isEmpty())
            for (const QString& other : otherNames().value(name.toCaseFolded())) lists += named(window, other);
        bool placed = false;
        for (QObject* list : std::as_const(lists)) placed = setItems(list, text) || placed;
        return placed;
    }
    if (!hint && property != QLatin1String("caption")) return false;
    if (!hint && QStringLiteral("T") + name == window->objectName()) {
        window->setWindowTitle(text);
        return true;
    }
    // A check box shown with a label beside it takes its caption there.
    QList<QObject*> targets;
    if (!hint && name.startsWith(QLatin1String("CKB_"))) targets = named(window, QStringLiteral("LBL_") + name);
    if (targets.isEmpty()) targets = named(window, name);
    if (targets.isEmpty())
        for (const QString& other : otherNames().value(name.toCaseFolded())) targets += named(window, other);
    bool placed = false;
    for (QObject* target : std::as_const(targets)) placed = (hint ? setHint(target, text) : setCaption(target, text)) || placed;
    return placed;
}

// The window a control belongs to: the nearest window at or above it, menus and
// other pop-ups being part of the window that opened them.
QWidget* ShellLanguage::ownerWindow(QObject* control)
{
    for (QObject* o = control; o; o = o->parent())
        if (o->isWidgetType()) {
            auto* w = static_cast<QWidget*>(o);
            if (w->isWindow() && w->windowType() != Qt::Popup) return w;
        }
    return nullptr;
}

// A key names its control whatever the case of its letters, as keys are read.
QList<QObject*> ShellLanguage::named(QWidget* window, const QString& name)
{
    auto& names = byName_[window];
    if (names.isEmpty()) {
        // The tool windows are the main window's children: their controls
        // are theirs, not the main window's.
        const QList<QObject*> all = window->findChildren<QObject*>();
        for (QObject* o : all)
            if (!o->objectName().isEmpty() && ownerWindow(o) == window) names.insert(o->objectName().toCaseFolded(), o);
    }
    QList<QObject*> found = names.values(name.toCaseFolded());
    std::reverse(found.begin(), found.end()); // in the order the window holds them
    return found;
}

void ShellLanguage::rebuildParities()
{
    // The same parity stays chosen under its new name; the mount reads the
    // index, never the text.
    QComboBox* list = pref_.CBX_AG_Parite;
    const int chosen = list->currentIndex();
    const QSignalBlocker quiet(list);
    list->clear();
    for (int i = 0; i < 4; ++i) list->addItem(main_.texts().text(QStringLiteral("Parite%1").arg(i)));
    list->setCurrentIndex(chosen);
}

void ShellLanguage::rebuildPlanets()
{
    QComboBox* list = paddle_.CBX_Planete;
    const int chosen = list->currentIndex();
    const QSignalBlocker quiet(list);
    list->clear();
    for (int i = 0; i < 10; ++i)
        list->addItem(QStringLiteral("%1-%2").arg(i).arg(main_.texts().text(QStringLiteral("Planete%1").arg(i))));
    list->setCurrentIndex(chosen);
}

} // namespace velumbra

#pragma once
#include "core/Clock.h"

#include <QHash>
#include <QMultiHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QObject;
class QWidget;

namespace velumbra {

class TFRM_Alv;
class TFRM_Pref;
class TFRM_Raquette;
struct LanguageRead;

// The language of every window: the list of languages in the preferences,
// and the texts of the chosen one put into the controls, found by their
// names. The texts that code composes later are asked of the main window's
// LanguageTexts when composed.
class ShellLanguage : public QObject {
    Q_OBJECT
public:
    // `window` gives a window of the program by its objectName.
    ShellLanguage(TFRM_Alv& main, TFRM_Pref& pref, TFRM_Raquette& paddle,
                  std::function<QWidget*(const QString&)> window);

    // First activation: the list, then the texts.
    void load();
    // The list: the file's sections, the stored `Prefs`/`Langue` index
    // selected (nothing when it lies beyond the list).
    void LoadLanguageList();
    // The chosen language's texts into every control; the parity and planet
    // lists rebuilt on their selections.
    void ApplyLanguage();
    // The chosen language's texts into a window made for one use (the
    // driver chooser, the format and source dialogs), found by its name.
    void translate(QWidget* window);

    // `Language.ini` in the current directory, else the program's own.
    QString languagePath() const;
    // The program's own language file, installed with it (empty: none).
    static QString installedLanguagePath();
    // Another own file, or none (empty); for tests.
    void setOwnLanguageFile(const QString& path) { own_ = path; }
    // The keys of the last application that found no control here (the
    // program has no such control, or names it otherwise).
    const QStringList& keysWithoutTarget() const { return withoutTarget_; }

private:
    bool applyRead(const LanguageRead& read, const QString& text, QWidget* window);
    static QWidget* ownerWindow(QObject* control);
    QList<QObject*> named(QWidget* window, const QString& name);
    void rebuildParities();
    void rebuildPlanets();

    TFRM_Alv& main_;
    TFRM_Pref& pref_;
    TFRM_Raquette& paddle_;
    std::function<QWidget*(const QString&)> window_;
    SystemClock clock_;
    QStringList withoutTarget_;
    // The named objects of each window while a language is applied.
    QHash<QWidget*, QMultiHash<QString, QObject*>> byName_;
    QString own_ = installedLanguagePath();
};

} // namespace velumbra

#pragma once
#include "core/LanguageTable.h"
#include "settings/IniFile.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace velumbra {

class Clock;
class MessageSink;

// The languages of `Language.ini`: one section per language, named as the
// user sees it in the list, each line a key and its text. The file is read
// with the settings file's rules (at most 1023 characters a value, keys and
// sections matched without regard to case, UTF-8 or Latin-1) and never
// written or moved: a file that cannot be read gives no language.
class LanguageFile {
public:
    // No file: no language.
    LanguageFile() = default;
    LanguageFile(const QString& path, const Clock& clock, MessageSink& messages);

    // The section names in file order: the items of the language list.
    const QStringList& languages() const { return languages_; }
    // The section's value of every key the program reads that it gives,
    // by case-folded key; other lines are ignored.
    QHash<QString, QString> section(const QString& language) const;

private:
    std::optional<IniFile> ini_;
    QStringList languages_;
};

// The texts of the chosen language: the section's own, else the built-in
// French ones. The program owns one and hands it to whatever composes
// messages; a change of language is seen from the next message on.
class LanguageTexts : public NamedTexts {
public:
    // `language` is the list's current text; empty, or not a section of the
    // file, gives the built-in texts.
    void choose(const LanguageFile& file, const QString& language);

    QString text(QStringView key) const override;
    // The text of one read: the language's for its key, else that read's own
    // built-in text (a key read twice has two).
    QString textOf(const LanguageRead& read) const;
    const QString& language() const { return language_; }

private:
    QString language_;
    QHash<QString, QString> chosen_;
};

// The language list's selection for the stored index: -1 (nothing) when
// the index lies outside the list.
int languageIndexFor(int stored, qsizetype count);

// Keys the program reads that a language's section does not give: what is
// left in French when that language is chosen.
QStringList missingKeys(const LanguageFile& file, const QString& language);

} // namespace velumbra

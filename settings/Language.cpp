#include "settings/Language.h"
#include "settings/IniFile.h"

namespace velumbra {

LanguageFile::LanguageFile(const QString& path, const Clock& clock, MessageSink& messages) : path_(path)
{
    const IniFile ini(path, IniFile::Mode::ReadOnly, clock, messages);
    languages_ = ini.ReadSections();
    // Only the keys a language can give are kept: other lines are ignored.
    for (const QString& language : std::as_const(languages_)) {
        QHash<QString, QString>& texts = sections_[language.toCaseFolded()];
        if (!texts.isEmpty()) continue; // a section met twice: its first occurrence counts
        for (const LanguageRead& r : languageReads()) {
            const QString key = QString::fromLatin1(r.key);
            const QString folded = key.toCaseFolded();
            if (texts.contains(folded)) continue;
            static const QString kAbsent = QStringLiteral("\x01");
            const QString value = ini.ReadString(language, key, kAbsent);
            if (value != kAbsent) texts.insert(folded, value);
        }
    }
}

QHash<QString, QString> LanguageFile::section(const QString& language) const
{
    return sections_.value(language.toCaseFolded());
}

void LanguageTexts::choose(const LanguageFile& file, const QString& language)
{
    language_ = language;
    chosen_ = language.isEmpty() ? QHash<QString, QString>{} : file.section(language);
}

QString LanguageTexts::text(QStringView key) const
{
    const auto it = chosen_.constFind(key.toString().toCaseFolded());
    return it == chosen_.constEnd() ? builtInText(key) : *it;
}

QString LanguageTexts::textOf(const LanguageRead& read) const
{
    const auto it = chosen_.constFind(QString::fromLatin1(read.key).toCaseFolded());
    return it == chosen_.constEnd() ? QString::fromUtf8(read.builtIn) : *it;
}

int languageIndexFor(int stored, qsizetype count)
{
    return stored >= 0 && stored < count ? stored : -1;
}

QStringList missingKeys(const LanguageFile& file, const QString& language)
{
    const QHash<QString, QString> texts = file.section(language);
    QStringList missing;
    for (const LanguageRead& r : languageReads()) {
        const QString key = QString::fromLatin1(r.key);
        if (!texts.contains(key.toCaseFolded()) && !missing.contains(key)) missing << key;
    }
    return missing;
}

} // namespace velumbra

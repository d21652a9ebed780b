#include "settings/Language.h"
#include "settings/IniFile.h"

namespace velumbra {

LanguageFile::LanguageFile(const QString& path, const Clock& clock, MessageSink& messages)
    : ini_(std::in_place, path, IniFile::Mode::ReadOnly, clock, messages)
{
    languages_ = ini_->ReadSections();
}

// Only the chosen section is read, so a file of many sections costs no more
// than one.
QHash<QString, QString> LanguageFile::section(const QString& language) const
{
    QHash<QString, QString> texts;
    if (!ini_ || language.isEmpty()) return texts;
    // A value no file can hold (control characters never survive reading).
    static const QString kAbsent = QStringLiteral("\x01");
    for (const LanguageRead& r : languageReads()) {
        const QString key = QString::fromLatin1(r.key);
        const QString folded = key.toCaseFolded();
        if (texts.contains(folded)) continue;
        const QString value = ini_->ReadString(language, key, kAbsent);
        if (value != kAbsent) texts.insert(folded, value);
    }
    return texts;
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

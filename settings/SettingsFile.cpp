#include "settings/SettingsFile.h"

namespace velumbra {

SettingsFile::SettingsFile(QString path, const Clock& clock, MessageSink& messages)
    : path_(std::move(path)), clock_(clock), messages_(messages)
{
}

IniFile& SettingsFile::open()
{
    if (!session_) session_.emplace(path_, IniFile::Mode::Session, clock_, messages_);
    return *session_;
}

void SettingsFile::close()
{
    if (!session_) return;
    IniFile ini = std::move(*session_);
    session_.reset();
    ini.close();
}

QStringList profilesIn(const IniFile& ini, const QString& prefix)
{
    QStringList names;
    for (const QString& section : ini.ReadSections())
        if (section.startsWith(prefix, Qt::CaseSensitive)) names << section.sliced(prefix.size());
    if (names.isEmpty()) names << QStringLiteral("Defaut");
    return names;
}

QStringList SettingsFile::ListProfiles(const QString& prefix)
{
    return use([&](IniFile& ini) { return profilesIn(ini, prefix); });
}

void SettingsFile::EraseProfile(const QString& section)
{
    use([&](IniFile& ini) { ini.EraseSection(section); });
}

} // namespace velumbra

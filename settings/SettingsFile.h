#pragma once
#include "settings/IniFile.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <type_traits>

namespace velumbra {

class Clock;
class MessageSink;

// The settings file `Velumbra.ini` and whether the loader or the saver holds
// it open (settingsOpen). While it is open, the profile readers and writers
// share that instance, and the whole file is written once when it closes;
// otherwise each operation opens the file for itself and replaces it once at
// its end, and only when it changed a value.
class SettingsFile {
public:
    SettingsFile(QString path, const Clock& clock, MessageSink& messages);

    const QString& path() const { return path_; }
    bool settingsOpen() const { return session_.has_value(); }

    // For LoadSettings and SaveSettings.
    IniFile& open();
    // Writes the session's changes once; the file is closed even when that
    // write fails (IniWriteError is passed on).
    void close();
    // Drops the session without writing it: a save that stopped half way
    // leaves the file as it was.
    void discard() { session_.reset(); }

    // Runs `work` on the open instance, or on one opened for this call only
    // whose changes replace the file once when `work` is done. A `work` that
    // throws writes nothing.
    template <class Work>
    decltype(auto) use(Work&& work)
    {
        if (session_) return work(*session_);
        IniFile own(path_, IniFile::Mode::Session, clock_, messages_);
        if constexpr (std::is_void_v<decltype(work(own))>) {
            work(own);
            own.close();
        } else {
            auto result = work(own);
            own.close();
            return result;
        }
    }

    // The names of the profiles whose sections start with `prefix` (exact
    // case), the prefix removed; ["Defaut"] when there is none.
    QStringList ListProfiles(const QString& prefix);
    // Deletes a profile's section ("Optique." + name, ...). Throws IniWriteError.
    void EraseProfile(const QString& section);

private:
    QString path_;
    const Clock& clock_;
    MessageSink& messages_;
    std::optional<IniFile> session_;
};

// ListProfiles over one opened file.
QStringList profilesIn(const IniFile& ini, const QString& prefix);

} // namespace velumbra

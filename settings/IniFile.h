#pragma once
#include "settings/IniText.h"

#include <QString>
#include <QStringList>

#include <stdexcept>

namespace velumbra {

class Clock;
class MessageSink;

// A settings write that failed: "Ne peut écrire dans <file>". The file on
// disk is the one from before that write.
class IniWriteError : public std::runtime_error {
public:
    explicit IniWriteError(const QString& path);
    QString message() const { return QString::fromUtf8(what()); }
};

// One opened INI file, with the reading rules of the Windows profile
// functions the settings were first written with.
//
// The file is read once when the instance is made. In `WriteThrough` mode
// every write replaces the file at once; in `Session` mode (the settings are
// loaded or saved as a whole) writes stay in memory and close() replaces the
// file once. Either way the file is replaced in one step, never rewritten in
// place. An instance dropped without close() writes nothing more, so a save
// that stops half way leaves the previous file as it was.
//
// A file that is not INI text (binary data, huge lines, far too large) is
// renamed aside, never overwritten, and reads as empty so the defaults load;
// the message panel says where it went.
class IniFile {
public:
    // `ReadOnly`: a file the program only reads (the language file). A file
    // that cannot be read is said and reads as empty, but stays where it is;
    // writes throw IniWriteError.
    enum class Mode { WriteThrough, Session, ReadOnly };

    IniFile(QString path, Mode mode, const Clock& clock, MessageSink& messages);

    const QString& fileName() const { return path_; }

    // At most 1023 characters; the default when the key is missing.
    QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;
    // "0x"/"0X" and hexadecimal digits, or a signed decimal; anything else,
    // empty or out of range, gives the default.
    int ReadInteger(const QString& section, const QString& key, int defaultValue) const;
    // Section names in file order, as many as fit the 8192-byte list of names.
    QStringList ReadSections() const;

    // These throw IniWriteError when the file cannot be written. A value the
    // key already holds changes nothing and writes nothing.
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int value);
    void EraseSection(const QString& section);

    // Writes what the session changed, once. Throws IniWriteError.
    void close();

private:
    void load(const Clock& clock, MessageSink& messages);
    void unreadable(const QString& file, IniText::Problem problem, const Clock& clock, MessageSink& messages);
    void setAside(const QString& file, IniText::Problem problem, const Clock& clock, MessageSink& messages);
    void changed();
    void save();

    QString path_;
    Mode mode_;
    IniText text_;
    bool dirty_ = false;
    bool writable_ = true; // false while an unreadable file could not be moved out of the way
};

} // namespace velumbra

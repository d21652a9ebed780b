#pragma once
#include <QFile>
#include <QString>

namespace velumbra {

// How far a replacing write goes before the rename: the system's cache is
// enough for images (a crash leaves the old file or the new one); settings
// also reach the disk, so a power cut cannot leave an empty file behind.
enum class WriteMode { Cached, Synced };

// True when something already answers to `path`: a file, a folder, a device
// or a link (even a broken one).
bool pathInUse(const QString& path);

// Opens for writing a new file beside `path`, named `path` + ".part-" and a
// random part no file has yet (a user's file is never taken for it), with
// the `extra` open flags; on failure `error` says why.
bool openTemporaryBeside(const QString& path, QFile& part, QString& error, QIODevice::OpenMode extra = {});

// Writes a whole file under a temporary name beside it, then renames it over
// `path`: for an output the user named. A failed write (disk full, missing
// folder) leaves any existing file untouched and removes the temporary one.
// A symbolic link is followed: the file it names (existing or not) is the
// one replaced, in its own folder, and the link stays a link. A character
// device, or a FIFO that a program reads, is written in place; a folder, a
// block device, a socket or a FIFO nobody reads is refused. A regular file
// keeps its permissions, and one the user made read-only is left alone. On
// failure `error` says why.
bool replaceFile(const QString& path, const char* data, qint64 size, QString& error,
                 WriteMode mode = WriteMode::Cached);

// The same, but `path` must not exist: whatever is there already stays as it
// was and the call fails with `exists` set.
bool createNewFile(const QString& path, const char* data, qint64 size, QString& error, bool& exists);

// The file a chain of symbolic links finally names (which may not exist
// yet), or `path` itself when it is no link; empty, with `error` set, for a
// loop of links or a link that cannot be read.
QString linkTarget(const QString& path, QString& error);

// Renames `from` to `to` only when nothing answers to `to`, in one step;
// on failure errno says why (EEXIST: the name is taken).
bool renameWithoutReplacing(const QString& from, const QString& to);

} // namespace velumbra

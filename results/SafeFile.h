#pragma once
#include <QString>

namespace velumbra {

// True when something already answers to `path`: a file, a folder, a device
// or a link (even a broken one).
bool pathInUse(const QString& path);

// Writes a whole file under a temporary name beside it, then renames it over
// `path`: for an output the user named. A failed write (disk full, missing
// folder) leaves any existing file untouched and removes the temporary one.
// A symbolic link is followed: the file it names (existing or not) is the
// one replaced, in its own folder, and the link stays a link. A character
// device, or a FIFO that a program reads, is written in place; a folder, a
// block device, a socket or a FIFO nobody reads is refused. On failure
// `error` says why.
bool replaceFile(const QString& path, const char* data, qint64 size, QString& error);

// The same, but `path` must not exist: whatever is there already stays as it
// was and the call fails with `exists` set.
bool createNewFile(const QString& path, const char* data, qint64 size, QString& error, bool& exists);

} // namespace velumbra

#pragma once
#include <QByteArray>
#include <QString>

namespace velumbra {

// The file `path` finally names once its symbolic links are followed, so a
// settings file kept behind a link is replaced where it lies and the link
// stays. Empty for a loop of links.
QString followLinks(const QString& path);

// Writes `data` to a new temporary file in the folder of the file `path`
// names, flushes it to the disk, then renames it over that file in one step:
// a reader, or the next start after a crash, finds the old file or the new
// one, never half of one. The old file's permissions are kept. Fails, with
// the old file untouched and the temporary file removed, when the folder
// cannot be written or when something other than a regular file is there.
// Returns the reason of a failure, empty on success.
QString replaceAtomically(const QString& path, const QByteArray& data);

// Renames `from` to `to` only when nothing answers to `to`, in one step.
bool renameWithoutReplacing(const QString& from, const QString& to);

} // namespace velumbra

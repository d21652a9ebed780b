#pragma once
#include <QString>

namespace velumbra {

// True when something already answers to `path`: a file, a folder, a device
// or a link (even a broken one).
bool pathInUse(const QString& path);

// Writes a whole file under a temporary name beside it, then renames it over
// `path`: for an output the user named. A failed write (disk full, missing
// folder) leaves any existing file untouched and removes the temporary one.
// A link, a device or a folder at `path` is never replaced. On failure
// `error` says why.
bool replaceFile(const QString& path, const char* data, qint64 size, QString& error);

// The same, but `path` must not exist: whatever is there already stays as it
// was and the call fails with `exists` set.
bool createNewFile(const QString& path, const char* data, qint64 size, QString& error, bool& exists);

} // namespace velumbra

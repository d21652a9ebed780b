#pragma once
#include <QString>

namespace velumbra {

// Writes a whole file under a temporary name beside it, then renames it over
// `path`. A failed write (disk full, missing folder) leaves any existing file
// untouched and removes the temporary one. On failure `error` says why.
bool replaceFile(const QString& path, const char* data, qint64 size, QString& error);

} // namespace velumbra

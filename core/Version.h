#pragma once
#include <QString>

namespace velumbra {

// The program's name and version as the windows, the records and the batch
// command show them.
inline QString programTitle() { return QStringLiteral("Velumbra V1.3f"); }
inline QString versionCaption() { return QStringLiteral("Version 1.3f2"); }

} // namespace velumbra

#pragma once
#include <QString>

namespace velumbra {

// The one home of the program's version: the release the title names and
// the build of that release, "1.3f" and "2", together "1.3f2".
inline constexpr char kRelease[] = "1.3f";
inline constexpr char kBuild[] = "2";

// "1.3f2": what `--version` prints.
inline QString programVersion() { return QLatin1String(kRelease) + QLatin1String(kBuild); }
// The name and version as the windows and the records show them.
inline QString programTitle() { return QStringLiteral("Velumbra V") + QLatin1String(kRelease); }
inline QString versionCaption() { return QStringLiteral("Version ") + programVersion(); }

} // namespace velumbra

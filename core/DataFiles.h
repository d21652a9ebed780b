#pragma once
#include <QString>
#include <QStringList>

namespace velumbra {

// Where the program's own files are (help pages, sounds, the language file):
// beside the executable (a build tree), in ../share/velumbra from it (an
// installed program: bin/ and share/velumbra/ under one prefix), then in
// the source tree the program was built from. `relative` is the path inside
// share/velumbra: "help", "sounds", "Language.ini".
QStringList dataFileCandidates(const QString& relative);
// The first candidate that exists; empty when none does.
QString findDataFile(const QString& relative);

} // namespace velumbra

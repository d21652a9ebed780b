#include "core/DataFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace velumbra {
namespace {

// The same files in the source tree, where a build run in place finds them.
QString sourceTreePath(const QString& relative)
{
#ifdef VELUMBRA_SOURCE_DIR
    const QDir source(QStringLiteral(VELUMBRA_SOURCE_DIR));
    if (relative == QLatin1String("help")) return source.filePath(QStringLiteral("docs/help"));
    return source.filePath(QStringLiteral("resources/") + relative);
#else
    Q_UNUSED(relative);
    return {};
#endif
}

} // namespace

QStringList dataFileCandidates(const QString& relative)
{
    QStringList out;
    if (QCoreApplication::instance()) {
        const QDir bin(QCoreApplication::applicationDirPath());
        out << QDir::cleanPath(bin.filePath(relative))
            << QDir::cleanPath(bin.filePath(QStringLiteral("../share/velumbra/") + relative));
    }
    const QString source = sourceTreePath(relative);
    if (!source.isEmpty()) out << source;
    return out;
}

QString findDataFile(const QString& relative)
{
    for (const QString& path : dataFileCandidates(relative))
        if (QFileInfo::exists(path)) return path;
    return {};
}

} // namespace velumbra

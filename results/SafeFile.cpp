#include "results/SafeFile.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace velumbra {

bool replaceFile(const QString& path, const char* data, qint64 size, QString& error)
{
    error.clear();
    const QString partName = path + QStringLiteral(".part");
    QFile part(partName);
    if (!part.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        error = part.errorString();
        return false;
    }
    bool ok = part.write(data, size) == size && part.flush();
    if (!ok) error = part.errorString();
    part.close();
    if (ok && part.error() != QFileDevice::NoError) {
        ok = false;
        error = part.errorString();
    }
    if (!ok) {
        part.remove();
        return false;
    }
    // rename() swaps the names in one step: a reader sees the old file or the new one.
    if (std::rename(QFile::encodeName(partName).constData(), QFile::encodeName(path).constData()) != 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(partName);
        return false;
    }
    return true;
}

} // namespace velumbra

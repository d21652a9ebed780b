#include "results/SafeFile.h"

#include <QFileInfo>
#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace velumbra {
namespace {

QString systemError(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

// The whole content in a new temporary file of the target's folder, so the
// final rename stays on one file system. The name is one that no file has
// yet: a file of the user is never taken for it.
bool writeTemporary(const QString& path, const char* data, qint64 size, QFile& part, QString& error)
{
    for (int attempt = 0;; ++attempt) {
        part.setFileName(attempt == 0 ? path + QStringLiteral(".part")
                                      : path + QStringLiteral(".%1.part").arg(attempt));
        if (part.open(QIODevice::WriteOnly | QIODevice::NewOnly)) break;
        if (!pathInUse(part.fileName()) || attempt == 99) {
            error = part.errorString();
            return false;
        }
    }
    bool ok = part.write(data, size) == size && part.flush();
    if (!ok) error = part.errorString();
    part.close();
    if (ok && part.error() != QFileDevice::NoError) {
        ok = false;
        error = part.errorString();
    }
    if (!ok) part.remove();
    return ok;
}

// Renames `from` to `to` unless `to` exists, in one step: two saves racing
// for one name cannot both win.
int renameNoReplace(const QByteArray& from, const QByteArray& to)
{
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
#endif
    // File systems without that rename: a hard link fails the same way on an existing name.
    if (::link(from.constData(), to.constData()) != 0) return errno;
    ::unlink(from.constData());
    return 0;
}

} // namespace

bool pathInUse(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

bool replaceFile(const QString& path, const char* data, qint64 size, QString& error)
{
    error.clear();
    const QFileInfo info(path);
    if (info.isSymLink() || (info.exists() && !info.isFile())) {
        error = QStringLiteral("not a regular file");
        return false;
    }
    QFile part;
    if (!writeTemporary(path, data, size, part, error)) return false;
    // rename() swaps the names in one step: a reader sees the old file or the new one.
    if (std::rename(QFile::encodeName(part.fileName()).constData(), QFile::encodeName(path).constData()) != 0) {
        error = systemError(errno);
        part.remove();
        return false;
    }
    return true;
}

bool createNewFile(const QString& path, const char* data, qint64 size, QString& error, bool& exists)
{
    error.clear();
    exists = pathInUse(path);
    if (exists) {
        error = systemError(EEXIST);
        return false;
    }
    QFile part;
    if (!writeTemporary(path, data, size, part, error)) return false;
    const int code = renameNoReplace(QFile::encodeName(part.fileName()), QFile::encodeName(path));
    if (code != 0) {
        exists = code == EEXIST;
        error = systemError(code);
        part.remove();
        return false;
    }
    return true;
}

} // namespace velumbra

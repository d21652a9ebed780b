#include "core/SafeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velumbra {
namespace {

QString systemError(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

// Every byte to `fd`, through short writes and interruptions; false with
// `code` set to the cause.
bool writeWhole(int fd, const char* data, qint64 size, int& code)
{
    for (qint64 done = 0; done < size;) {
        const ssize_t n = ::write(fd, data + done, std::size_t(size - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            code = n == 0 ? EIO : errno;
            return false;
        }
        done += n;
    }
    return true;
}

// The whole content in a new temporary file of the target's folder, so the
// final rename stays on one file system. The name is one that no file has
// yet: a file of the user is never taken for it.
bool writeTemporary(const QString& path, const char* data, qint64 size, QFile& part, QString& error,
                    WriteMode mode = WriteMode::Cached)
{
    if (!openTemporaryBeside(path, part, error)) return false;
    // Written straight to the descriptor, so a full disk says so (ENOSPC,
    // EFBIG) rather than a short write without a cause.
    int code = 0;
    bool ok = writeWhole(part.handle(), data, size, code);
    if (!ok) error = systemError(code);
    if (ok && mode == WriteMode::Synced && ::fsync(part.handle()) != 0) {
        ok = false;
        error = systemError(errno);
    }
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

// Where a write to `path` lands when it is no special file: the path itself,
// or for a symbolic link the file the chain of links finally names, which
// may not exist yet (a dangling link is a name the user gave for a file).
bool finalTarget(const QString& path, QString& target, QString& error)
{
    constexpr int kMaxLinks = 40; // the system's own limit on a chain of links
    QString current = path;
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        const QByteArray name = QFile::encodeName(current);
        struct stat info {};
        if (::lstat(name.constData(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            target = current;
            return true;
        }
        QByteArray link(PATH_MAX, '\0');
        const ssize_t length = ::readlink(name.constData(), link.data(), std::size_t(link.size()));
        if (length < 0) {
            error = systemError(errno);
            return false;
        }
        link.truncate(int(length));
        const QString next = QFile::decodeName(link);
        current = QDir::isAbsolutePath(next) ? next : QFileInfo(current).dir().filePath(next);
    }
    error = systemError(ELOOP);
    return false;
}

// A device or a FIFO keeps its place: it is opened for writing without
// creating or truncating anything, and never renamed over. The open does not
// wait: O_NONBLOCK makes a FIFO that no program reads fail at once (ENXIO)
// instead of hanging the run, and keeps a terminal line from waiting for its
// carrier. Once open, the writes wait for the reader as in any pipe. A block
// device is refused: an image written over a disk would destroy it.
bool writeInPlace(const QByteArray& name, mode_t mode, const char* data, qint64 size, QString& error)
{
    if (S_ISDIR(mode)) {
        error = QCoreApplication::translate("SafeFile", "it is a folder");
        return false;
    }
    if (!S_ISCHR(mode) && !S_ISFIFO(mode)) {
        error = QCoreApplication::translate("SafeFile",
                                            "it is neither a regular file, a character device nor a FIFO");
        return false;
    }
    const int fd = ::open(name.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        error = errno == ENXIO && S_ISFIFO(mode)
                    ? QCoreApplication::translate("SafeFile", "it is a FIFO that no program reads")
                    : systemError(errno);
        return false;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    int code = 0;
    bool ok = flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
    if (!ok) code = errno;
    ok = ok && writeWhole(fd, data, size, code);
    if (!ok) error = systemError(code);
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = systemError(errno);
    }
    return ok;
}

} // namespace

bool pathInUse(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

bool openTemporaryBeside(const QString& path, QFile& part, QString& error, QIODevice::OpenMode extra)
{
    // A random part: temporary files left by a killed writer never use up the names.
    for (int attempt = 0;; ++attempt) {
        part.setFileName(path + QStringLiteral(".part-") +
                         QString::number(QRandomGenerator::global()->generate(), 36));
        if (part.open(QIODevice::WriteOnly | QIODevice::NewOnly | extra)) return true;
        if (!pathInUse(part.fileName()) || attempt == 99) {
            error = part.errorString();
            return false;
        }
    }
}

bool replaceFile(const QString& path, const char* data, qint64 size, QString& error, WriteMode mode)
{
    error.clear();
    const QByteArray name = QFile::encodeName(path);
    struct stat target {};
    if (::stat(name.constData(), &target) == 0 && !S_ISREG(target.st_mode))
        return writeInPlace(name, target.st_mode, data, size, error);
    QString destination;
    if (!finalTarget(path, destination, error)) return false;
    const QByteArray destinationName = QFile::encodeName(destination);
    struct stat old {};
    const bool exists = ::stat(destinationName.constData(), &old) == 0;
    // A file the user made read-only is left alone, as a plain write would leave it.
    if (exists && ::access(destinationName.constData(), W_OK) != 0) {
        error = systemError(errno);
        return false;
    }
    QFile part;
    if (!writeTemporary(destination, data, size, part, error, mode)) return false;
    if (exists) (void)::chmod(QFile::encodeName(part.fileName()).constData(), old.st_mode & 07777);
    // rename() swaps the names in one step: a reader sees the old file or the new one.
    if (std::rename(QFile::encodeName(part.fileName()).constData(), QFile::encodeName(destination).constData()) != 0) {
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

QString linkTarget(const QString& path, QString& error)
{
    error.clear();
    QString target;
    return finalTarget(path, target, error) ? target : QString();
}

bool renameWithoutReplacing(const QString& from, const QString& to)
{
    const int code = renameNoReplace(QFile::encodeName(from), QFile::encodeName(to));
    errno = code;
    return code == 0;
}

} // namespace velumbra

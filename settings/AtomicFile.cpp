#include "settings/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velumbra {
namespace {

QString systemError(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

// Closes the descriptor and removes the temporary file unless released.
class Temporary {
public:
    Temporary(int fd, QByteArray path) : fd_(fd), path_(std::move(path)) {}
    ~Temporary()
    {
        if (fd_ >= 0) ::close(fd_);
        if (!path_.isEmpty()) ::unlink(path_.constData());
    }
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;
    int fd() const { return fd_; }
    const QByteArray& path() const { return path_; }
    int close()
    {
        const int rc = ::close(fd_);
        fd_ = -1;
        return rc;
    }
    void release() { path_.clear(); }

private:
    int fd_;
    QByteArray path_;
};

// A name nobody uses yet beside the target, opened exclusively, so no file
// of the user is ever taken for it.
int createTemporary(const QByteArray& target, QByteArray& name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = target + ".tmp-" + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

bool writeAll(int fd, const QByteArray& data)
{
    const char* p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, std::size_t(left));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        left -= n;
    }
    return true;
}

} // namespace

QString followLinks(const QString& path)
{
    QString current = QFileInfo(path).absoluteFilePath();
    for (int hop = 0; hop < 40; ++hop) {
        const QFileInfo info(current);
        if (!info.isSymLink()) return current;
        current = info.symLinkTarget();
    }
    return {};
}

QString replaceAtomically(const QString& path, const QByteArray& data)
{
    const QString target = followLinks(path);
    if (target.isEmpty()) return systemError(ELOOP);
    const QByteArray native = QFile::encodeName(target);
    struct stat old {};
    const bool exists = ::stat(native.constData(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) return QStringLiteral("pas un fichier ordinaire");
    // A file the user made read-only is left alone, as the rename would not.
    if (exists && ::access(native.constData(), W_OK) != 0) return systemError(errno);

    QByteArray name;
    const int fd = createTemporary(native, name);
    if (fd < 0) return systemError(errno);
    Temporary part(fd, name);
    if (exists) (void)::fchmod(part.fd(), old.st_mode & 07777);
    if (!writeAll(part.fd(), data) || ::fsync(part.fd()) != 0) return systemError(errno);
    if (part.close() != 0) return systemError(errno);
    if (::rename(part.path().constData(), native.constData()) != 0) return systemError(errno);
    part.release();
    return {};
}

bool renameWithoutReplacing(const QString& from, const QString& to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray destination = QFile::encodeName(to);
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, destination.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
#endif
    // File systems without that rename: a hard link fails the same way on a taken name.
    if (::link(source.constData(), destination.constData()) != 0) return false;
    ::unlink(source.constData());
    return true;
}

} // namespace velumbra

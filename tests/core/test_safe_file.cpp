// Every file the program writes goes through replaceFile or createNewFile:
// what they do to links, devices, FIFOs and folders the test makes itself.
#include "core/SafeFile.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace velumbra;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool put(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

bool replace(const QString& path, const QByteArray& data, QString& error)
{
    return replaceFile(path, data.constData(), data.size(), error);
}

class SafeFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("links")));
        ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("files")));
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    QStringList entries(const QString& folder) const
    {
        return QDir(path(folder)).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }

    QTemporaryDir dir;
};

} // namespace

// A link named as output: the file it leads to is replaced in its own
// folder, whatever the form of the link, and the link itself is kept.
TEST_F(SafeFile, ALinkIsFollowedToTheFileItNames)
{
    struct Case {
        const char* what;
        QString link;        // relative to the temporary folder
        QString pointsTo;    // the link's text
        QString target;      // the file finally written
        bool targetExists;
        QString secondLink;  // a link in the chain, when not empty
        QString secondTo;
    };
    const QList<Case> cases = {
        {"relative link to a file", "links/a.bmp", "../files/a.bmp", "files/a.bmp", true, {}, {}},
        {"absolute link to a file", "links/b.bmp", path("files/b.bmp"), "files/b.bmp", true, {}, {}},
        {"dangling link", "links/c.bmp", "../files/c.bmp", "files/c.bmp", false, {}, {}},
        {"chain of two links", "links/d.bmp", "../links/d2.bmp", "files/d.bmp", true, "links/d2.bmp",
         "../files/d.bmp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.targetExists) {
            ASSERT_TRUE(put(path(c.target), "old content"));
        }
        ASSERT_TRUE(QFile::link(c.pointsTo, path(c.link)));
        if (!c.secondLink.isEmpty()) {
            ASSERT_TRUE(QFile::link(c.secondTo, path(c.secondLink)));
        }
        QString error;
        EXPECT_TRUE(replace(path(c.link), "new content", error)) << error.toStdString();
        EXPECT_EQ(readAll(path(c.target)), QByteArray("new content"));
        EXPECT_TRUE(QFileInfo(path(c.link)).isSymLink());
        EXPECT_TRUE(QFileInfo(path(c.target)).isFile());
        EXPECT_FALSE(QFileInfo(path(c.target)).isSymLink());
    }
    // No temporary file left in either folder, and no link turned into a file.
    EXPECT_EQ(entries(QStringLiteral("files")), (QStringList{"a.bmp", "b.bmp", "c.bmp", "d.bmp"}));
    EXPECT_EQ(entries(QStringLiteral("links")), (QStringList{"a.bmp", "b.bmp", "c.bmp", "d.bmp", "d2.bmp"}));
}

TEST_F(SafeFile, ALoopOfLinksIsRefused)
{
    ASSERT_TRUE(QFile::link(QStringLiteral("two"), path(QStringLiteral("links/one"))));
    ASSERT_TRUE(QFile::link(QStringLiteral("one"), path(QStringLiteral("links/two"))));
    QString error;
    EXPECT_FALSE(replace(path(QStringLiteral("links/one")), "x", error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(entries(QStringLiteral("links")), (QStringList{"one", "two"}));
}

// A numbered save never takes a name a link already holds, broken or not.
TEST_F(SafeFile, ANewFileNeverTakesTheNameOfALink)
{
    ASSERT_TRUE(put(path(QStringLiteral("files/kept.bmp")), "kept"));
    ASSERT_TRUE(QFile::link(QStringLiteral("../files/kept.bmp"), path(QStringLiteral("links/live.bmp"))));
    ASSERT_TRUE(QFile::link(QStringLiteral("../files/none.bmp"), path(QStringLiteral("links/broken.bmp"))));
    for (const char* name : {"links/live.bmp", "links/broken.bmp"}) {
        SCOPED_TRACE(name);
        QString error;
        bool exists = false;
        EXPECT_FALSE(createNewFile(path(QLatin1String(name)), "new", 3, error, exists));
        EXPECT_TRUE(exists);
        EXPECT_TRUE(QFileInfo(path(QLatin1String(name))).isSymLink());
    }
    EXPECT_EQ(readAll(path(QStringLiteral("files/kept.bmp"))), QByteArray("kept"));
    EXPECT_EQ(entries(QStringLiteral("files")), QStringList{"kept.bmp"});
}

TEST_F(SafeFile, AFolderIsRefusedAndKept)
{
    ASSERT_TRUE(put(path(QStringLiteral("files/inside")), "inside"));
    ASSERT_TRUE(QFile::link(QStringLiteral("../files"), path(QStringLiteral("links/folder"))));
    for (const char* name : {"files", "links/folder"}) {
        SCOPED_TRACE(name);
        QString error;
        EXPECT_FALSE(replace(path(QLatin1String(name)), "x", error));
        EXPECT_TRUE(error.contains(QStringLiteral("folder"))) << error.toStdString();
    }
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("files"))).isDir());
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("links/folder"))).isSymLink());
    EXPECT_EQ(readAll(path(QStringLiteral("files/inside"))), QByteArray("inside"));
}

// Nobody reads the FIFO: the call returns at once with a reason, and the
// FIFO is still a FIFO (a hang here would fail the test by its time-out).
TEST_F(SafeFile, AFifoWithoutReaderIsRefusedWithoutWaiting)
{
    const QString fifo = path(QStringLiteral("files/pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QString error;
    EXPECT_FALSE(replace(fifo, "image", error));
    EXPECT_TRUE(error.contains(QStringLiteral("FIFO"))) << error.toStdString();
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(fifo).constData(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_EQ(entries(QStringLiteral("files")), QStringList{"pipe"});
}

// A FIFO a program reads, named directly or through a link, receives the
// data in place.
TEST_F(SafeFile, AFifoWithAReaderReceivesTheDataInPlace)
{
    const QString fifo = path(QStringLiteral("files/pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(QStringLiteral("../files/pipe"), path(QStringLiteral("links/out"))));
    const int reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    for (const char* name : {"files/pipe", "links/out"}) {
        SCOPED_TRACE(name);
        QString error;
        EXPECT_TRUE(replace(path(QLatin1String(name)), "image bytes", error)) << error.toStdString();
        char buffer[64] = {};
        const ssize_t n = ::read(reader, buffer, sizeof buffer);
        EXPECT_EQ(QByteArray(buffer, int(std::max<ssize_t>(n, 0))), QByteArray("image bytes"));
    }
    ::close(reader);
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(fifo).constData(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("links/out"))).isSymLink());
    EXPECT_EQ(entries(QStringLiteral("files")), QStringList{"pipe"});
}

// A character device is written in place, never replaced by a file: here
// the terminal device of a pseudo-terminal this test opens.
TEST_F(SafeFile, ACharacterDeviceIsWrittenInPlace)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const QString device = QString::fromLocal8Bit(::ptsname(master));
    // Keep the terminal open so the line stays up while the call writes.
    const int slave = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave, 0);
    ASSERT_TRUE(QFile::link(device, path(QStringLiteral("links/tty"))));
    QString error;
    EXPECT_TRUE(replace(path(QStringLiteral("links/tty")), "abc", error)) << error.toStdString();
    char buffer[16] = {};
    // The terminal passes the bytes on asynchronously; nothing written must
    // not block the test.
    pollfd ready{master, POLLIN, 0};
    ASSERT_EQ(::poll(&ready, 1, 5000), 1);
    const ssize_t n = ::read(master, buffer, sizeof buffer);
    EXPECT_EQ(QByteArray(buffer, int(std::max<ssize_t>(n, 0))), QByteArray("abc"));
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(device).constData(), &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("links/tty"))).isSymLink());
    ::close(slave);
    ::close(master);
}

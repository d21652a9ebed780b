// velumbra-mount-sim as a script uses it: start it, read the device path on
// the first line, talk LX200 on that device, stop it with a signal.
#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

namespace {

// Sends a command and collects the reply up to `hashes` closing '#' (or the
// time-out).
QByteArray ask(int fd, const QByteArray& command, int hashes, int timeoutMs = 3000)
{
    if (::write(fd, command.constData(), size_t(command.size())) != command.size()) return "write failed";
    QByteArray reply;
    QElapsedTimer t;
    t.start();
    while (reply.count('#') < hashes && t.elapsed() < timeoutMs) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0) continue;
        char b[256];
        const ssize_t n = ::read(fd, b, sizeof b);
        if (n > 0) reply.append(b, n);
    }
    return reply;
}

} // namespace

TEST(MountSimCommand, PrintsItsDeviceServesLx200AndStopsOnASignal)
{
    for (const int signal : {SIGTERM, SIGINT}) {
        QProcess sim;
        sim.start(QStringLiteral(VELUMBRA_MOUNT_SIM), {});
        ASSERT_TRUE(sim.waitForStarted(5000));
        ASSERT_TRUE(sim.waitForReadyRead(5000)) << sim.readAllStandardError().constData();
        const QByteArray path = sim.readLine().trimmed();
        ASSERT_TRUE(path.startsWith("/dev/")) << path.constData();

        const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(fd, 0) << path.constData();
        EXPECT_EQ(ask(fd, "#:GR#", 1), "05:00:00#");
        EXPECT_EQ(ask(fd, "#:GD#\r\n", 1), "+30*00:00#");
        EXPECT_EQ(ask(fd, ":GVP#", 1), "Velumbra LX200#");
        const QByteArray synced = ask(fd, ":Sr 06:10:00#:Sd +31*30:00#:CM#", 1);
        EXPECT_TRUE(synced.startsWith("11")) << synced.constData();
        EXPECT_EQ(ask(fd, ":U#:GR#:GD#", 2), "06:10.0#+31*30#");
        ::close(fd);

        ::kill(pid_t(sim.processId()), signal);
        ASSERT_TRUE(sim.waitForFinished(5000)) << signal;
        EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit) << signal;
        EXPECT_EQ(sim.exitCode(), 0) << signal;
        EXPECT_TRUE(sim.readAllStandardOutput().trimmed().isEmpty()) << "the path is the only line";
    }
}

TEST(MountSimCommand, HelpAndUnknownOptions)
{
    QProcess help;
    help.start(QStringLiteral(VELUMBRA_MOUNT_SIM), {QStringLiteral("--help")});
    ASSERT_TRUE(help.waitForFinished(5000));
    EXPECT_EQ(help.exitCode(), 0);
    EXPECT_TRUE(help.readAllStandardOutput().startsWith("Usage: velumbra-mount-sim"));

    QProcess wrong;
    wrong.start(QStringLiteral(VELUMBRA_MOUNT_SIM), {QStringLiteral("--speed")});
    ASSERT_TRUE(wrong.waitForFinished(5000));
    EXPECT_EQ(wrong.exitCode(), 2);
    EXPECT_TRUE(wrong.readAllStandardOutput().isEmpty());
    EXPECT_TRUE(wrong.readAllStandardError().startsWith("Usage:"));
}

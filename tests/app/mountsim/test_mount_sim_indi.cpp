// velumbra-mount-sim as a planetarium program meets it: INDI's generic LX200
// driver connects to the simulator's pseudo-terminal, reads the position,
// the site and the time, then sets a time and a site of its own.
//
// Everything stays in a temporary folder: the server's local socket, the
// drivers' HOME and the server's log of driver messages; the server listens
// on a free port and is stopped by its process id.
#include <gtest/gtest.h>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <arpa/inet.h>
#include <cmath>
#include <functional>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr char kDevice[] = "Standard LX200";
// Every wait ends: a connection that hangs fails the test instead.
constexpr int kConnectDeadlineMs = 30000;

int freePort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &size) == 0)
        port = ntohs(a.sin_port);
    ::close(s);
    return port;
}

bool accepts(int port)
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(uint16_t(port));
    const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(s);
    return ok;
}

// Sends a command on the simulator's device and collects the reply up to
// its closing '#'.
QByteArray ask(int fd, const QByteArray& command)
{
    if (::write(fd, command.constData(), size_t(command.size())) != command.size()) return "write failed";
    QByteArray reply;
    QElapsedTimer t;
    t.start();
    while (!reply.contains('#') && t.elapsed() < 3000) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0) continue;
        char b[256];
        const ssize_t n = ::read(fd, b, sizeof b);
        if (n > 0) reply.append(b, n);
    }
    return reply;
}

class MountSimIndi : public ::testing::Test {
protected:
    void SetUp() override
    {
        indiServer_ = QStandardPaths::findExecutable(QStringLiteral("indiserver"));
        if (indiServer_.isEmpty())
            GTEST_SKIP() << "indiserver is not installed (Debian package indi-bin): the check of the simulated "
                            "mount with INDI's LX200 driver is skipped";
        ASSERT_TRUE(dir_.isValid());
        sim_.start(QStringLiteral(VELUMBRA_MOUNT_SIM), {});
        ASSERT_TRUE(sim_.waitForStarted(5000));
        ASSERT_TRUE(sim_.waitForReadyRead(5000)) << sim_.readAllStandardError().constData();
        device_ = QString::fromLocal8Bit(sim_.readLine().trimmed());
        ASSERT_TRUE(device_.startsWith(QStringLiteral("/dev/"))) << device_.toStdString();

        port_ = freePort();
        ASSERT_GT(port_, 0);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), dir_.path());
        server_.setProcessEnvironment(env);
        server_.setWorkingDirectory(dir_.path());
        QDir().mkpath(dir_.filePath(QStringLiteral("log")));
        server_.start(indiServer_, {QStringLiteral("-p"), QString::number(port_), QStringLiteral("-u"),
                               dir_.filePath(QStringLiteral("indi.socket")), QStringLiteral("-r"), QStringLiteral("0"),
                               QStringLiteral("-l"), dir_.filePath(QStringLiteral("log")),
                               QStringLiteral("indi_lx200generic")});
        ASSERT_TRUE(server_.waitForStarted(5000));
        QElapsedTimer t;
        t.start();
        while (!accepts(port_) && t.elapsed() < 10000) QThread::msleep(50);
        ASSERT_TRUE(accepts(port_)) << "indiserver does not listen on port " << port_;
    }
    void TearDown() override
    {
        for (QProcess* p : {&server_, &sim_}) {
            if (p->state() == QProcess::NotRunning) continue;
            ::kill(pid_t(p->processId()), SIGTERM);
            if (!p->waitForFinished(5000)) {
                ::kill(pid_t(p->processId()), SIGKILL);
                p->waitForFinished(5000);
            }
        }
    }

    // One property element, or empty when the driver does not answer in time.
    QString get(const QString& element, int waitSeconds = 2)
    {
        QProcess p;
        p.start(QStringLiteral("indi_getprop"), {QStringLiteral("-1"), QStringLiteral("-p"), QString::number(port_),
                                                  QStringLiteral("-t"), QString::number(waitSeconds),
                                                  QStringLiteral("%1.%2").arg(QLatin1String(kDevice), element)});
        if (!p.waitForFinished((waitSeconds + 5) * 1000)) {
            p.kill();
            p.waitForFinished(1000);
            return {};
        }
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
    bool set(const QString& assignment)
    {
        QProcess p;
        p.start(QStringLiteral("indi_setprop"), {QStringLiteral("-p"), QString::number(port_), QStringLiteral("-t"),
                                                  QStringLiteral("5"),
                                                  QStringLiteral("%1.%2").arg(QLatin1String(kDevice), assignment)});
        return p.waitForFinished(15000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }
    // Waits until an element reads as wanted; false at the deadline.
    bool waitFor(const QString& element, const std::function<bool(const QString&)>& wanted, int deadlineMs)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < deadlineMs) {
            if (wanted(get(element))) return true;
            QThread::msleep(200);
        }
        return false;
    }
    // The driver's messages, as the server logged them.
    QString driverLog() const
    {
        QString all;
        for (const QFileInfo& f : QDir(dir_.filePath(QStringLiteral("log"))).entryInfoList(QDir::Files)) {
            QFile file(f.filePath());
            if (file.open(QIODevice::ReadOnly)) all += QString::fromUtf8(file.readAll());
        }
        return all;
    }

    QTemporaryDir dir_;
    QString indiServer_;
    QProcess sim_;
    QProcess server_;
    QString device_;
    int port_ = 0;
};

double number(const QString& text) { return text.isEmpty() ? NAN : text.toDouble(); }

} // namespace

TEST_F(MountSimIndi, Lx200DriverConnectsReadsThePositionAndSetsTimeAndSite)
{
    ASSERT_TRUE(set(QStringLiteral("DEVICE_AUTO_SEARCH.INDI_ENABLED=Off;INDI_DISABLED=On")));
    ASSERT_TRUE(set(QStringLiteral("DEVICE_PORT.PORT=") + device_));
    const QDateTime before = QDateTime::currentDateTimeUtc();
    ASSERT_TRUE(set(QStringLiteral("CONNECTION.CONNECT=On;DISCONNECT=Off")));

    // Every connect query answers, so the position comes within the deadline
    // (each query left unanswered costs the driver its 5 s time-out).
    const auto isOn = [](const QString& v) { return v == QLatin1String("On"); };
    ASSERT_TRUE(waitFor(QStringLiteral("CONNECTION.CONNECT"), isOn, kConnectDeadlineMs)) << driverLog().toStdString();
    ASSERT_TRUE(waitFor(
        QStringLiteral("EQUATORIAL_EOD_COORD.RA"), [](const QString& v) { return std::abs(number(v) - 5.0) < 1e-3; },
        kConnectDeadlineMs))
        << get(QStringLiteral("EQUATORIAL_EOD_COORD.RA")).toStdString();
    EXPECT_NEAR(number(get(QStringLiteral("EQUATORIAL_EOD_COORD.DEC"))), 30.0, 1e-3);

    // The site and the time as the simulator has them: 46 N 6 E, the clock now.
    EXPECT_NEAR(number(get(QStringLiteral("GEOGRAPHIC_COORD.LAT"))), 46.0, 1e-6);
    EXPECT_NEAR(number(get(QStringLiteral("GEOGRAPHIC_COORD.LONG"))), 6.0, 1e-6);
    EXPECT_EQ(get(QStringLiteral("TIME_UTC._STATE")), QStringLiteral("Ok"));
    const QDateTime utc = QDateTime::fromString(get(QStringLiteral("TIME_UTC.UTC")), Qt::ISODate);
    ASSERT_TRUE(utc.isValid()) << get(QStringLiteral("TIME_UTC.UTC")).toStdString();
    EXPECT_LE(std::abs(QDateTime(utc.date(), utc.time(), Qt::UTC).secsTo(before)), 120);
    EXPECT_NEAR(number(get(QStringLiteral("TIME_UTC.OFFSET"))), QDateTime::currentDateTime().offsetFromUtc() / 3600.0,
                0.05);

    // A time and a site of the program's own: accepted, without an error.
    ASSERT_TRUE(set(QStringLiteral("TIME_UTC.UTC=2027-07-04T03:04:05;OFFSET=2")));
    EXPECT_TRUE(waitFor(QStringLiteral("TIME_UTC._STATE"), [](const QString& v) { return v == QLatin1String("Ok"); },
                        10000));
    ASSERT_TRUE(set(QStringLiteral("GEOGRAPHIC_COORD.LAT=52.5;LONG=13.4;ELEV=40")));
    EXPECT_TRUE(waitFor(QStringLiteral("GEOGRAPHIC_COORD._STATE"),
                        [](const QString& v) { return v == QLatin1String("Ok"); }, 10000));
    const QString log = driverLog();
    // The driver's own reports (its configuration's range checks aside).
    for (const char* failure : {"[ERROR]", "[WARNING]", "Failed", "rror setting", "rror reading"})
        EXPECT_FALSE(log.contains(QLatin1String(failure))) << log.toStdString();

    // The simulator keeps them: asked on its device once the driver let go.
    ASSERT_TRUE(set(QStringLiteral("CONNECTION.CONNECT=Off;DISCONNECT=On")));
    ASSERT_TRUE(waitFor(QStringLiteral("CONNECTION.DISCONNECT"), isOn, 10000));
    const int fd = ::open(device_.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ask(fd, ":Gt#"), "+52*30#");
    EXPECT_EQ(ask(fd, ":Gg#"), "-013*24#") << "13.4 E, degrees west negative";
    EXPECT_EQ(ask(fd, ":GG#"), "-02.0#");
    EXPECT_EQ(ask(fd, ":GC#"), "07/04/27#");
    EXPECT_TRUE(ask(fd, ":GL#").startsWith("05:0")) << "05:04:05 local, running on";
    ::close(fd);
}

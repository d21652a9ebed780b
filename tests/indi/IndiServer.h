#pragma once
// An indiserver of the test's own: a free local port on the loopback
// address only, its socket and HOME in the test's temporary folder, Debian's
// simulators as drivers, an environment of the test's choosing; stopped by
// its process id. Waits are bounded and let queued calls reach the client.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include <arpa/inet.h>
#include <csignal>
#include <functional>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace velumbra::test {

// Runs the event loop until `done` holds or timeoutMs passed.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

inline bool portAccepts(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

inline int freeLocalPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(fd);
    return port;
}

class IndiServer {
public:
    explicit IndiServer(QStringList drivers) : drivers_(std::move(drivers)), port_(freeLocalPort()) {}
    ~IndiServer() { stop(); }

    static bool available() { return !QStandardPaths::findExecutable(QStringLiteral("indiserver")).isEmpty(); }

    // Starts the server and waits (at most 10 s) until it accepts.
    bool start()
    {
        if (!dir_.isValid() || port_ <= 0) return false;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), dir_.path());
#ifdef VELUMBRA_LOOPBACK_BIND
        // indiserver binds every address; this makes it the loopback one.
        env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(VELUMBRA_LOOPBACK_BIND));
#endif
        for (const QString& name : extraEnv_.keys()) env.insert(name, extraEnv_.value(name));
        process_.setProcessEnvironment(env);
        process_.setWorkingDirectory(dir_.path());
        // The drivers' talk goes to a log in the folder, read when a test fails.
        process_.setStandardOutputFile(QProcess::nullDevice());
        process_.setStandardErrorFile(dir_.filePath(QStringLiteral("indiserver.log")), QIODevice::Append);
        QStringList args{QStringLiteral("-p"), QString::number(port_), QStringLiteral("-u"),
                         dir_.filePath(QStringLiteral("indiserver.sock"))};
        process_.start(QStringLiteral("indiserver"), args + drivers_);
        if (!process_.waitForStarted(5000)) return false;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 10000) {
            if (portAccepts(port_)) return true;
            if (process_.state() != QProcess::Running) return false;
            QThread::msleep(20);
        }
        return false;
    }

    // Kills the server by its process id (the drivers end on their closed pipes).
    void kill()
    {
        const qint64 pid = process_.processId();
        if (pid > 0) ::kill(pid_t(pid), SIGKILL);
        process_.waitForFinished(5000);
    }
    void stop()
    {
        const qint64 pid = process_.processId();
        if (pid > 0 && process_.state() != QProcess::NotRunning) {
            ::kill(pid_t(pid), SIGTERM);
            if (!process_.waitForFinished(3000)) kill();
        }
    }

    // Variables for the server and its drivers (PATH for a stand-in program).
    void setEnvironment(const QString& name, const QString& value) { extraEnv_.insert(name, value); }

    int port() const { return port_; }
    QString home() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    QProcessEnvironment extraEnv_;
    QStringList drivers_;
    int port_;
    QProcess process_;
};

} // namespace velumbra::test

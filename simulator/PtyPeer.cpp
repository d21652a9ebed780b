#include "simulator/PtyPeer.h"

#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace velumbra {

PtyPeer::PtyPeer(Serve serve) : serve_(std::move(serve))
{
    int master = -1, slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        error_ = QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    termios raw{};
    if (tcgetattr(slave, &raw) == 0) {
        cfmakeraw(&raw);
        tcsetattr(slave, TCSANOW, &raw);
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);
    master_ = master;
    slave_ = slave;
    path_ = QString::fromLocal8Bit(ttyname(slave));
    notifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { serveWaiting(); });
}

PtyPeer::~PtyPeer()
{
    notifier_.reset();
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
}

void PtyPeer::serveWaiting()
{
    if (master_ < 0) return;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return; // nothing more now
        const QByteArray reply = serve_(QByteArrayView(buffer, n));
        // A reply the program does not read in time fills the line's buffer;
        // the rest is lost, as on a cable nobody listens to.
        for (qsizetype done = 0; done < reply.size();) {
            const ssize_t w = ::write(master_, reply.constData() + done, size_t(reply.size() - done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) break;
            done += w;
        }
    }
}

} // namespace velumbra

#pragma once
// A pseudo-terminal pair: the program opens the slave by its path as it
// would a serial port; the test is the peer on the master side.
#include <QByteArray>
#include <QString>

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

namespace velumbra::test {

class PtyPair {
public:
    PtyPair()
    {
        int slave = -1;
        if (openpty(&master_, &slave, nullptr, nullptr, nullptr) != 0) return;
        path_ = QString::fromLocal8Bit(ttyname(slave));
        // Keep a slave open so the master does not see a hang-up between
        // the program's openings; the program opens its own by path.
        keepSlave_ = slave;
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair() { closeAll(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ok() const { return master_ >= 0 && !path_.isEmpty(); }
    const QString& path() const { return path_; }
    int master() const { return master_; }

    // The bytes the program wrote, waiting up to timeoutMs for at least
    // `atLeast` of them, then for quiet.
    QByteArray read(int atLeast = 1, int timeoutMs = 1000)
    {
        QByteArray got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const bool enough = got.size() >= atLeast;
            pollfd p{master_, POLLIN, 0};
            const int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     end - std::chrono::steady_clock::now())
                                     .count());
            if (!enough && left <= 0) break;
            if (poll(&p, 1, enough ? 20 : std::max(1, left)) <= 0) {
                if (enough) break;
                continue;
            }
            char buffer[512];
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0) break;
            got.append(buffer, n);
        }
        return got;
    }
    void write(const QByteArray& bytes) { (void)!::write(master_, bytes.constData(), size_t(bytes.size())); }
    // The peer goes away: the program's next write on the slave fails.
    void closeAll()
    {
        if (keepSlave_ >= 0) ::close(keepSlave_);
        if (master_ >= 0) ::close(master_);
        keepSlave_ = master_ = -1;
    }

private:
    int master_ = -1;
    int keepSlave_ = -1;
    QString path_;
};

} // namespace velumbra::test

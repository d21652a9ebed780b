#include "telescope/TermiosSerial.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace velumbra {

namespace {

int lastError() { return errno ? errno : EIO; }

} // namespace

std::unique_ptr<SerialDevice> TermiosOpener::open(const QString& path, int& error)
{
    error = 0;
    const QByteArray name = path.toLocal8Bit();
    const int fd = ::open(name.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = lastError();
        return nullptr;
    }
    // Only a terminal device is a serial port: a typed path naming a file
    // must never be written over.
    termios t {};
    if (!isatty(fd) || tcgetattr(fd, &t) != 0) {
        error = ENOTTY;
        ::close(fd);
        return nullptr;
    }
    if (ioctl(fd, TIOCEXCL) != 0) {
        error = lastError();
        ::close(fd);
        return nullptr;
    }
    // A port opens raw, as the serial devices of other systems do: no echo,
    // no line editing, no CR/LF translation, so the bytes on the wire are
    // exactly the bytes written. set_com later changes only the rate, the
    // character size, the parity and the stop bits.
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &t) != 0) {
        error = lastError();
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<TermiosSerial>(fd);
}

TermiosSerial::~TermiosSerial()
{
    ioctl(fd_, TIOCNXCL);
    ::close(fd_);
}

int TermiosSerial::getLine(LineRecord& record)
{
    termios t {};
    if (tcgetattr(fd_, &t) != 0) return lastError();
    if (int e = termiosBaud(fd_, record.baudRate)) return e;
    switch (t.c_cflag & CSIZE) {
    case CS5: record.byteSize = 5; break;
    case CS6: record.byteSize = 6; break;
    case CS7: record.byteSize = 7; break;
    default: record.byteSize = 8; break;
    }
    if (!(t.c_cflag & PARENB))
        record.parity = 0;
    else if (t.c_cflag & CMSPAR)
        record.parity = (t.c_cflag & PARODD) ? 3 : 4; // mark, space
    else
        record.parity = (t.c_cflag & PARODD) ? 1 : 2;
    record.stopBits = (t.c_cflag & CSTOPB) ? 2 : 0;
    record.xonChar = char(t.c_cc[VSTART]);
    record.xoffChar = char(t.c_cc[VSTOP]);
    return 0;
}

int TermiosSerial::setLine(const LineRecord& record)
{
    termios t {};
    if (tcgetattr(fd_, &t) != 0) return lastError();
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
    switch (record.byteSize) {
    case 5: t.c_cflag |= CS5; break;
    case 6: t.c_cflag |= CS6; break;
    case 7: t.c_cflag |= CS7; break;
    case 8: t.c_cflag |= CS8; break;
    default: return EINVAL;
    }
    switch (record.parity) {
    case 0: break;
    case 1: t.c_cflag |= PARENB | PARODD; break;
    case 2: t.c_cflag |= PARENB; break;
    case 3: t.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case 4: t.c_cflag |= PARENB | CMSPAR; break;
    default: return EINVAL;
    }
    // Linux has no one and a half stop bits: the UART sends two, which a
    // receiver expecting one and a half accepts.
    if (record.stopBits != 0) t.c_cflag |= CSTOPB;
    t.c_cc[VSTART] = cc_t(record.xonChar);
    t.c_cc[VSTOP] = cc_t(record.xoffChar);
    if (tcsetattr(fd_, TCSANOW, &t) != 0) return lastError();
    if (record.baudRate <= 0) return EINVAL;
    return setTermiosBaud(fd_, record.baudRate);
}

int TermiosSerial::setTimeouts(quint32 readInterval, quint32 readTotal)
{
    // Reads take only the bytes already waiting, so they never wait; the
    // values are kept in the terminal settings for the record.
    termios t {};
    if (tcgetattr(fd_, &t) != 0) return lastError();
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = cc_t(std::min<quint32>(255, (std::max(readInterval, readTotal) + 99) / 100));
    if (tcsetattr(fd_, TCSANOW, &t) != 0) return lastError();
    return 0;
}

int TermiosSerial::write(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) return lastError();
        pollfd p {fd_, POLLOUT, 0};
        const int ready = poll(&p, 1, kWriteTimeoutMs);
        if (ready == 0) return ETIMEDOUT;
        if (ready < 0 && errno != EINTR) return lastError();
        if (ready > 0 && (p.revents & (POLLERR | POLLNVAL))) return EIO;
    }
    return 0;
}

int TermiosSerial::bytesWaiting(int& count)
{
    count = 0;
    if (ioctl(fd_, FIONREAD, &count) != 0) return lastError();
    return 0;
}

int TermiosSerial::read(int maxBytes, QByteArray& into)
{
    into.resize(maxBytes);
    ssize_t n;
    do {
        n = ::read(fd_, into.data(), size_t(maxBytes));
    } while (n < 0 && errno == EINTR);
    if (n < 0 && errno == EAGAIN) n = 0;
    if (n < 0) {
        into.clear();
        return lastError();
    }
    into.resize(n);
    return 0;
}

int TermiosSerial::readModemControl(quint8& value)
{
    int lines = 0;
    if (ioctl(fd_, TIOCMGET, &lines) != 0) return lastError();
    value = quint8((modemShadow_ & ~(kDtr | kRts)) | ((lines & TIOCM_DTR) ? kDtr : 0) | ((lines & TIOCM_RTS) ? kRts : 0));
    return 0;
}

int TermiosSerial::writeModemControl(quint8 value)
{
    modemShadow_ = value;
    const int on = ((value & kDtr) ? TIOCM_DTR : 0) | ((value & kRts) ? TIOCM_RTS : 0);
    const int off = (TIOCM_DTR | TIOCM_RTS) & ~on;
    if (on && ioctl(fd_, TIOCMBIS, &on) != 0) return lastError();
    if (off && ioctl(fd_, TIOCMBIC, &off) != 0) return lastError();
    return 0;
}

int TermiosSerial::readLineControl(quint8& value)
{
    value = lineControl_;
    return 0;
}

int TermiosSerial::writeLineControl(quint8 value)
{
    const bool breakOn = value & kBreak;
    if (breakOn != bool(lineControl_ & kBreak) && ioctl(fd_, breakOn ? TIOCSBRK : TIOCCBRK) != 0) return lastError();
    lineControl_ = value;
    return 0;
}

} // namespace velumbra

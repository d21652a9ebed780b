#pragma once
#include "telescope/ComIo.h"
#include "telescope/ModemLines.h"

namespace velumbra {

// The serial layer's Linux devices: plain POSIX termios and tty ioctls.
// QSerialPort would add a package for little: it has no call for the bytes
// waiting in the input queue before a read, none for the break condition as
// a register bit, and its own notifier-driven reads fight the layer's
// explicit read after a pause. termios covers every operation here,
// pseudo-terminals included, which the tests talk to.
class TermiosSerial final : public SerialDevice, private ModemLines {
public:
    explicit TermiosSerial(int fd) : fd_(fd) {}
    ~TermiosSerial() override;
    TermiosSerial(const TermiosSerial&) = delete;
    TermiosSerial& operator=(const TermiosSerial&) = delete;

    int getLine(LineRecord& record) override;
    int setLine(const LineRecord& record) override;
    int setTimeouts(quint32 readInterval, quint32 readTotal) override;
    int write(const QByteArray& bytes) override;
    int bytesWaiting(int& count) override;
    int read(int maxBytes, QByteArray& into) override;
    ModemLines& modemLines() override { return *this; }

    // A write that cannot go out within this time fails instead of holding
    // the window (no flow control is used, so only a stuck driver waits).
    static constexpr int kWriteTimeoutMs = 2000;

private:
    int readModemControl(quint8& value) override;
    int writeModemControl(quint8 value) override;
    int readLineControl(quint8& value) override;
    int writeLineControl(quint8 value) override;

    int fd_;
    quint8 modemShadow_ = 0; // OUT1, OUT2, loop: no Linux line behind them
    quint8 lineControl_ = 0;
};

class TermiosOpener final : public SerialOpener {
public:
    std::unique_ptr<SerialDevice> open(const QString& path, int& error) override;
};

// Sets any baud rate, the standard ones and the others of the settings list
// (14400, 56000, 128000, 256000). Returns 0 or the error number.
int setTermiosBaud(int fd, int baudRate);
int termiosBaud(int fd, int& baudRate);

} // namespace velumbra

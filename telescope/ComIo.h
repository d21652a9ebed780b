#pragma once
#include <QByteArray>
#include <QString>
#include <array>
#include <memory>
#include <stdexcept>

namespace velumbra {

class Pause;
class ModemLines;

// Failure of the serial layer: the operation's name, ", erreur = " and the
// system error number.
class ExCom : public std::runtime_error {
public:
    ExCom(const char* operation, int code);
    QString text() const { return QString::fromLatin1(what()); }
    const char* operation() const { return operation_; }
    int code() const { return code_; }

private:
    const char* operation_;
    int code_;
};

// The line settings record that set_com reads from the port, changes and
// writes back. Codes as the serial settings give them: parity none 0, odd 1,
// even 2, mark 3; stop bits one 0, one and a half 1, two 2.
struct LineRecord {
    int baudRate = 9600;
    int parity = 0;
    int byteSize = 8;
    int stopBits = 0;
    char xonChar = 17;
    char xoffChar = 19;
};

// One open serial device. Every call returns 0 or the system error number.
class SerialDevice {
public:
    virtual ~SerialDevice() = default;
    virtual int getLine(LineRecord& record) = 0;
    virtual int setLine(const LineRecord& record) = 0;
    // Milliseconds allowed between two received bytes, and for a whole read.
    virtual int setTimeouts(quint32 readInterval, quint32 readTotal) = 0;
    virtual int write(const QByteArray& bytes) = 0;
    virtual int bytesWaiting(int& count) = 0;
    virtual int read(int maxBytes, QByteArray& into) = 0;
    // The modem-control and line-control lines of the same port.
    virtual ModemLines& modemLines() = 0;
};

class SerialOpener {
public:
    virtual ~SerialOpener() = default;
    // Opens the device for reading and writing, for this program alone;
    // nullptr and error set on failure.
    virtual std::unique_ptr<SerialDevice> open(const QString& path, int& error) = 0;
};

// The serial layer: eight operations over numbered ports, each failure an
// ExCom. The program uses port number 1 only.
class ComIo {
public:
    ComIo(SerialOpener& opener, Pause& pause) : opener_(opener), pause_(pause) {}

    bool open_com(quint8 port, const QString& devicePath);
    void set_buf(quint8 port, int inputQueue, int outputQueue);
    void set_com(quint8 port, int baudRate, int parity, int byteSize, int stopBits);
    void set_timeout(quint8 port, quint32 readInterval, quint32 readTotal);
    void put_string(quint8 port, const QByteArray& text);
    // Waits 200 ms, then returns what has arrived, at most 256 bytes.
    QByteArray get_string(quint8 port);
    void put_byte(quint8 port, quint8 byte);
    void close_com(quint8 port);

    bool isOpen() const { return open_; }
    SerialDevice* device(quint8 port) const { return handles_[port].get(); }
    const LineRecord& lineRecord() const { return record_; }

    static constexpr int kReceiveBuffer = 256;
    static constexpr int kReadPauseMs = 200;

private:
    SerialOpener& opener_;
    Pause& pause_;
    std::array<std::unique_ptr<SerialDevice>, 256> handles_;
    bool open_ = false; // one flag for the whole layer, not one per port
    LineRecord record_;
    quint32 readInterval_ = 0;
    quint32 readTotal_ = 0;
};

// Hexadecimal port-address text ("$378", "03F8") to a 16-bit number: read
// from the last character, "$" skipped, "A".."F" 10..15, other non-digits 0.
quint16 hex_to_int(const QString& text);

// The serial settings' visible texts to the layer's codes.
int parityCode(const QString& item);
int stopBitsCode(const QString& item);

} // namespace velumbra

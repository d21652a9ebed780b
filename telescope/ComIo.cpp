#include "telescope/ComIo.h"
#include "core/Pause.h"

#include <cerrno>
#include <string>

namespace velumbra {

ExCom::ExCom(const char* operation, int code)
    : std::runtime_error(std::string(operation) + ", erreur = " + std::to_string(code)), operation_(operation),
      code_(code)
{
}

bool ComIo::open_com(quint8 port, const QString& devicePath)
{
    if (open_) handles_[port].reset();
    int error = 0;
    handles_[port] = opener_.open(devicePath, error);
    // A failed open leaves the invalid handle; the layer's flag keeps its value.
    if (!handles_[port]) throw ExCom("open_com", error ? error : ENODEV);
    open_ = true;
    return true;
}

void ComIo::set_buf(quint8 port, int, int)
{
    // Linux sizes its queues itself; the call only needs an open port.
    if (!handles_[port]) throw ExCom("set_buf", EBADF);
}

void ComIo::set_com(quint8 port, int baudRate, int parity, int byteSize, int stopBits)
{
    SerialDevice* d = handles_[port].get();
    if (!d) throw ExCom("get_com", EBADF);
    if (int e = d->getLine(record_)) throw ExCom("get_com", e);
    record_.baudRate = baudRate;
    record_.byteSize = byteSize;
    record_.parity = parity;
    record_.stopBits = stopBits;
    record_.xonChar = 17;
    record_.xoffChar = 19;
    if (int e = d->setLine(record_)) throw ExCom("set_com", e);
}

void ComIo::set_timeout(quint8 port, quint32 readInterval, quint32 readTotal)
{
    readInterval_ = readInterval;
    readTotal_ = readTotal;
    SerialDevice* d = handles_[port].get();
    if (!d) throw ExCom("set_timeout", EBADF);
    if (int e = d->setTimeouts(readInterval_, readTotal_)) throw ExCom("set_timeout", e);
}

void ComIo::put_string(quint8 port, const QByteArray& text)
{
    SerialDevice* d = handles_[port].get();
    if (!d) throw ExCom("put_string", EBADF);
    if (int e = d->write(text)) throw ExCom("put_string", e);
}

QByteArray ComIo::get_string(quint8 port)
{
    pause_.wait(kReadPauseMs);
    // Looked up after the pause: a timer may have closed the port meanwhile.
    SerialDevice* d = handles_[port].get();
    if (!d) return {};
    int waiting = 0;
    if (int e = d->bytesWaiting(waiting)) throw ExCom("get_string", e);
    QByteArray result;
    if (waiting <= 0) return result;
    if (int e = d->read(std::min(waiting, kReceiveBuffer), result)) throw ExCom("get_string", e);
    return result;
}

void ComIo::put_byte(quint8 port, quint8 byte)
{
    SerialDevice* d = handles_[port].get();
    if (!d) throw ExCom("put_byte", EBADF);
    if (int e = d->write(QByteArray(1, char(byte)))) throw ExCom("put_byte", e);
}

void ComIo::close_com(quint8 port)
{
    if (open_) handles_[port].reset();
    open_ = false;
}

quint16 hex_to_int(const QString& text)
{
    quint32 sum = 0;
    quint32 weight = 1;
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        const QChar c = text.at(i);
        if (i == 0 && c == QLatin1Char('$')) continue;
        int value = 0;
        if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
            value = c.unicode() - 'A' + 10;
        else if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            value = c.unicode() - '0';
        sum = (sum + quint32(value) * weight) & 0xFFFF;
        weight = (weight * 16) & 0xFFFF; // beyond four digits only zeros are added
    }
    return quint16(sum);
}

int parityCode(const QString& item)
{
    if (item == QLatin1String("Paire")) return 2;
    if (item == QLatin1String("Impaire")) return 1;
    if (item == QLatin1String("Marque")) return 3;
    return 0;
}

int stopBitsCode(const QString& item)
{
    if (item == QLatin1String("1.5")) return 1;
    if (item == QLatin1String("2")) return 2;
    return 0;
}

} // namespace velumbra

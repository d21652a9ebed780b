#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

namespace velumbra {

// The traffic log behind the "Comm Trafic" window: every command that leaves
// for the mount, one line each, the oldest going once more than 101 are held.
class TrafficLog {
public:
    static constexpr int kMaxLines = 101;

    // Text sent on the serial port: COM1 : 233A4D6E23 "#:Mn#".
    static QString textLine(const QString& port, const QByteArray& text);
    // Command byte sent on the serial port: the byte as two hex digits,
    // logged as a text: COM1 : 3544 "5D".
    static QString byteLine(const QString& port, quint8 byte);
    // Write to a hardware port: 0378 : 01000000.
    static QString portWriteLine(quint16 address, quint8 value);

    void logText(const QString& port, const QByteArray& text) { append(textLine(port, text)); }
    void logByte(const QString& port, quint8 byte) { append(byteLine(port, byte)); }
    void logPortWrite(quint16 address, quint8 value) { append(portWriteLine(address, value)); }

    const QStringList& lines() const { return lines_; }

    // The window follows: a line appended, after the first one was dropped
    // when droppedFirst.
    std::function<void(const QString& line, bool droppedFirst)> onAppend;

private:
    void append(const QString& line);
    QStringList lines_;
};

} // namespace velumbra

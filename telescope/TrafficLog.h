#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

namespace velumbra {

// The traffic log behind the "Comm Trafic" window: every command that leaves
// for the mount, the oldest lines going once more than 101 are held. A
// command's CR and LF show raw, so one entry may take two or three lines of
// the window: the limit counts the window's lines, split as the window
// splits them (at CR LF, CR or LF).
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
    // The window's lines of one entry: split at CR LF, CR or LF.
    static QStringList windowLines(const QString& entry);

    void logText(const QString& port, const QByteArray& text) { append(textLine(port, text)); }
    void logByte(const QString& port, quint8 byte) { append(byteLine(port, byte)); }
    void logPortWrite(quint16 address, quint8 value) { append(portWriteLine(address, value)); }

    // The window's lines, oldest first.
    const QStringList& lines() const { return lines_; }

    // The window follows: an entry appended, after the oldest lines were
    // dropped when droppedFirst.
    std::function<void(const QString& entry, bool droppedFirst)> onAppend;

private:
    void append(const QString& entry);
    QStringList lines_;
};

} // namespace velumbra

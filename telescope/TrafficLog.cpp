#include "telescope/TrafficLog.h"

namespace velumbra {

QString TrafficLog::textLine(const QString& port, const QByteArray& text)
{
    return port + QLatin1String(" : ") + QString::fromLatin1(text.toHex().toUpper()) + QLatin1String(" \"") +
           QString::fromLatin1(text) + QLatin1Char('"');
}

QString TrafficLog::byteLine(const QString& port, quint8 byte)
{
    return textLine(port, QByteArray::number(byte, 16).rightJustified(2, '0').toUpper());
}

QString TrafficLog::portWriteLine(quint16 address, quint8 value)
{
    return QStringLiteral("%1 : %2")
        .arg(address, 4, 16, QLatin1Char('0'))
        .toUpper()
        .arg(value, 8, 2, QLatin1Char('0'));
}

void TrafficLog::append(const QString& line)
{
    const bool drop = lines_.size() >= kMaxLines;
    if (drop) lines_.removeFirst();
    lines_.append(line);
    if (onAppend) onAppend(line, drop);
}

} // namespace velumbra

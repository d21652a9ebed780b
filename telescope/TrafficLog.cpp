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

QStringList TrafficLog::windowLines(const QString& entry)
{
    QStringList out;
    qsizetype from = 0;
    for (qsizetype i = 0; i < entry.size(); ++i) {
        const QChar c = entry[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) continue;
        out.append(entry.mid(from, i - from));
        if (c == QLatin1Char('\r') && i + 1 < entry.size() && entry[i + 1] == QLatin1Char('\n')) ++i;
        from = i + 1;
    }
    out.append(entry.mid(from));
    return out;
}

void TrafficLog::append(const QString& entry)
{
    lines_.append(windowLines(entry));
    const bool drop = lines_.size() > kMaxLines;
    if (drop) lines_.erase(lines_.begin(), lines_.end() - kMaxLines);
    if (onAppend) onAppend(entry, drop);
}

} // namespace velumbra

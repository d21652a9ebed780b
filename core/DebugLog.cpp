#include "core/DebugLog.h"

namespace velumbra {

bool DebugLog::open(const QString& path)
{
    close();
    file_.setFileName(path);
    return file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text);
}

void DebugLog::close()
{
    if (file_.isOpen()) file_.close();
}

void DebugLog::restart()
{
    if (!file_.isOpen()) return;
    const QString path = file_.fileName();
    file_.close();
    file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text);
    (void)path;
}

void DebugLog::resume()
{
    if (!file_.isOpen()) return;
    file_.close();
    file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
}

void DebugLog::write(const QString& label, const QString& value)
{
    if (!file_.isOpen()) return;
    const QByteArray line = (label + QStringLiteral(" = ") + value + QLatin1Char('\n')).toUtf8();
    file_.write(line);
    file_.flush();
}

void DebugLog::writeLine(const QString& line)
{
    if (!file_.isOpen()) return;
    file_.write((line + QLatin1Char('\n')).toUtf8());
    file_.flush();
}

} // namespace velumbra

#pragma once
#include <QFile>
#include <QString>
#include <QTextStream>

namespace velumbra {

// Debug.log in the current directory while "Debug actif" is on: lines of
// the form label " = " value.
class DebugLog {
public:
    // Creates or truncates the file and keeps it open.
    bool open(const QString& path = QStringLiteral("Debug.log"));
    void close();
    bool isOpen() const { return file_.isOpen(); }
    // Truncates an open log and starts again from its first line.
    void restart();
    // Another writer rewrote the file (the video format dump at a camera
    // start): go on at its end.
    void resume();
    void write(const QString& label, const QString& value);
    // A line written as it stands, for reports that are not label = value.
    void writeLine(const QString& line);
    QString path() const { return file_.fileName(); }

private:
    QFile file_;
};

} // namespace velumbra

#pragma once
#include "core/Clock.h"
#include "core/Messages.h"
#include "settings/IniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace velumbra::test {

// A settings file in a folder of its own, written and read back as bytes.
class IniFixture : public ::testing::Test {
protected:
    QString path(const QString& name = QStringLiteral("Velumbra.ini")) const { return dir.filePath(name); }

    void put(const QByteArray& bytes, const QString& name = QStringLiteral("Velumbra.ini")) const
    {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }

    QByteArray bytesOf(const QString& name = QStringLiteral("Velumbra.ini")) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    IniFile open(IniFile::Mode mode = IniFile::Mode::WriteThrough) const
    {
        return IniFile(path(), mode, clock, messages);
    }

    QStringList folder() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System); }

    QTemporaryDir dir;
    ManualClock clock{QDateTime(QDate(2026, 3, 14), QTime(21, 30, 5))};
    mutable RecordingMessages messages;
};

} // namespace velumbra::test

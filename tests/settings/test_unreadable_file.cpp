// A settings file that is not INI text is moved aside, never overwritten,
// and the program starts on the defaults with a word in the message panel.
#include "IniFixture.h"

namespace velumbra::test {
namespace {

using UnreadableFile = IniFixture;

QByteArray garbage(const char* kind)
{
    const QByteArray k(kind);
    if (k == "nul bytes") return QByteArray("[Prefs]\nLangue=1\n") + QByteArray(64, '\0');
    if (k == "utf-16") return QByteArray("\xFF\xFE[\0P\0r\0e\0f\0s\0]\0", 16);
    if (k == "control bytes") return QByteArray("\x1b[31m\x07\x02\x03binary\x10\x11");
    if (k == "long line") return "[Prefs]\nNom_Image=" + QByteArray(100 * 1024, 'x') + "\n";
    if (k == "too large") return QByteArray(3 * 1024 * 1024, 'a'); // one line of megabytes, checked by size first
    return {};
}

TEST_F(UnreadableFile, KeptAsideWithTheMessageAndDefaultsLoad)
{
    for (const char* kind : {"nul bytes", "utf-16", "control bytes", "long line", "too large"}) {
        const QByteArray bytes = garbage(kind);
        put(bytes);
        messages.lines.clear();
        IniFile ini = open();
        EXPECT_EQ(ini.ReadInteger(QStringLiteral("Prefs"), QStringLiteral("Langue"), 0), 0) << kind;

        const QString aside = QStringLiteral("Velumbra.ini.illisible-20260314-213005");
        EXPECT_EQ(bytesOf(aside), bytes) << kind;
        EXPECT_FALSE(QFile::exists(path())) << kind;
        ASSERT_EQ(messages.lines.size(), 1) << kind;
        EXPECT_TRUE(messages.lines[0].contains(path(aside))) << kind << ": " << messages.lines[0].toStdString();
        EXPECT_TRUE(messages.lines[0].contains(QStringLiteral("illisible"))) << kind;

        ini.WriteInteger(QStringLiteral("Prefs"), QStringLiteral("Langue"), 2);
        EXPECT_EQ(bytesOf(), "[Prefs]\nLangue=2\n") << kind;
        EXPECT_EQ(bytesOf(aside), bytes) << kind;
        QFile::remove(path(aside));
    }
}

TEST_F(UnreadableFile, NeverMovedOverAnEarlierOne)
{
    put("earlier\x01", QStringLiteral("Velumbra.ini.illisible-20260314-213005"));
    put("second\x01");
    open();
    put("third\x01");
    open();
    EXPECT_EQ(bytesOf(QStringLiteral("Velumbra.ini.illisible-20260314-213005")), "earlier\x01");
    EXPECT_EQ(bytesOf(QStringLiteral("Velumbra.ini.illisible-20260314-213005-2")), "second\x01");
    EXPECT_EQ(bytesOf(QStringLiteral("Velumbra.ini.illisible-20260314-213005-3")), "third\x01");
}

TEST_F(UnreadableFile, WhatCannotBeReadIsNotReplaced)
{
    // A folder where the file should be: nothing to move aside, and no write may go there.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Velumbra.ini")));
    IniFile ini = open();
    ASSERT_EQ(messages.lines.size(), 1);
    EXPECT_TRUE(messages.lines[0].contains(path()));
    EXPECT_THROW(ini.WriteInteger(QStringLiteral("Prefs"), QStringLiteral("Langue"), 1), IniWriteError);
    EXPECT_TRUE(QFileInfo(path()).isDir());
}

} // namespace
} // namespace velumbra::test

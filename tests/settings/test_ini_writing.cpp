// What the settings file holds after a write: the bytes on disk.
#include "IniFixture.h"

#include <QFileInfo>

#include <sys/stat.h>

namespace velumbra::test {
namespace {

using Writing = IniFixture;

struct WriteCase {
    const char* name;
    QByteArray before;
    const char* section;
    const char* key;
    QString value;
    QByteArray after;
};

TEST_F(Writing, ReplacesInPlaceAppendsToItsSectionKeepsOtherLines)
{
    const WriteCase cases[] = {
        {"replace in place", "[Seuils]\nSeuil_Min=0\nSeuil_Max=2500\nCKB_Seuils_Evol=1\n", "seuils", "SEUIL_MAX",
         QStringLiteral("3000"), "[Seuils]\nSeuil_Min=0\nSEUIL_MAX=3000\nCKB_Seuils_Evol=1\n"},
        {"append in a middle section", "[Prefs]\nLangue=0\n\n[Seuils]\nSeuil_Min=0\n\n[Mire]\nIPS=1\n", "Seuils",
         "Seuil_Max", QStringLiteral("2500"),
         "[Prefs]\nLangue=0\n\n[Seuils]\nSeuil_Min=0\nSeuil_Max=2500\n\n[Mire]\nIPS=1\n"},
        {"new section at the end", "[Prefs]\nLangue=0\n", "Optique.Mon C8", "Focale", QStringLiteral("2030"),
         "[Prefs]\nLangue=0\n[Optique.Mon C8]\nFocale=2030\n"},
        {"new file", "", "Prefs", "Langue", QStringLiteral("1"), "[Prefs]\nLangue=1\n"},
        {"comments, blanks and unknown lines kept",
         "; mes reglages\n[Prefs]\n# ancien\nLangue=0\nune ligne sans egal\nInconnu=x\n\n", "Prefs", "Langue",
         QStringLiteral("2"), "; mes reglages\n[Prefs]\n# ancien\nLangue=2\nune ligne sans egal\nInconnu=x\n\n"},
        {"CR LF kept", "[Prefs]\r\nLangue=0\r\n", "Prefs", "Nom_Image", QStringLiteral("jup"),
         "[Prefs]\r\nLangue=0\r\nNom_Image=jup\r\n"},
        {"Latin-1 file becomes UTF-8", "[Optique.C\xe9leste]\r\nFocale=2000\r\n", "Optique.Céleste", "Focale",
         QStringLiteral("1000"), "[Optique.C\xc3\xa9leste]\r\nFocale=1000\r\n"},
        {"byte order mark kept", "\xEF\xBB\xBF[Prefs]\nLangue=0\n", "Prefs", "Langue", QStringLiteral("3"),
         "\xEF\xBB\xBF[Prefs]\nLangue=3\n"},
        {"line breaks in a value stay on one line", "[Prefs]\n", "Prefs", "Nom_Image",
         QStringLiteral("a\nb\r\n[Autre]\nx=1"), "[Prefs]\nNom_Image=a b  [Autre] x=1\n"},
        {"profile name typed with a line break", "[Prefs]\n", "Optique.Mon\nC8", "Focale", QStringLiteral("2030"),
         "[Prefs]\n[Optique.Mon C8]\nFocale=2030\n"},
        {"last line without line end", "[Prefs]\nLangue=0", "Prefs", "Langue", QStringLiteral("1"), "[Prefs]\nLangue=1\n"},
        {"keys before any section untouched", "Langue=9\n[Prefs]\n", "Prefs", "Langue", QStringLiteral("1"),
         "Langue=9\n[Prefs]\nLangue=1\n"},
    };
    for (const WriteCase& c : cases) {
        if (c.before.isEmpty())
            QFile::remove(path());
        else
            put(c.before);
        IniFile ini = open();
        ini.WriteString(QString::fromUtf8(c.section), QString::fromUtf8(c.key), c.value);
        EXPECT_EQ(bytesOf(), c.after) << c.name;
        // What was written reads back from a fresh open.
        EXPECT_EQ(open().ReadString(QString::fromUtf8(c.section), QString::fromUtf8(c.key), QStringLiteral("?")),
                  QString(c.value).replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' ')))
            << c.name;
    }
    EXPECT_EQ(folder(), QStringList{QStringLiteral("Velumbra.ini")}) << "no temporary file left";
}

TEST_F(Writing, IntegersAsDecimalTextAndErasedSectionsGoWithTheirLines)
{
    put("[Prefs]\nLangue=0\n\n[Optique.C8]\nFocale=2030\n\n[Optique.Lunette]\nFocale=500\n");
    IniFile ini = open();
    ini.WriteInteger(QStringLiteral("Prefs"), QStringLiteral("Langue"), -42);
    ini.EraseSection(QStringLiteral("optique.c8"));
    EXPECT_EQ(bytesOf(), "[Prefs]\nLangue=-42\n\n[Optique.Lunette]\nFocale=500\n");
}

TEST_F(Writing, SessionWritesOnceAtCloseOutsideItEachWriteIsOnDisk)
{
    put("[Prefs]\nLangue=0\n");
    IniFile session = open(IniFile::Mode::Session);
    session.WriteInteger(QStringLiteral("Prefs"), QStringLiteral("Langue"), 1);
    session.WriteInteger(QStringLiteral("Seuils"), QStringLiteral("Seuil_Max"), 2500);
    EXPECT_EQ(session.ReadInteger(QStringLiteral("Seuils"), QStringLiteral("Seuil_Max"), 0), 2500);
    EXPECT_EQ(bytesOf(), "[Prefs]\nLangue=0\n");
    session.close();
    EXPECT_EQ(bytesOf(), "[Prefs]\nLangue=1\n[Seuils]\nSeuil_Max=2500\n");

    IniFile direct = open();
    direct.WriteInteger(QStringLiteral("Prefs"), QStringLiteral("Langue"), 2);
    EXPECT_EQ(bytesOf(), "[Prefs]\nLangue=2\n[Seuils]\nSeuil_Max=2500\n");

    {
        IniFile dropped = open(IniFile::Mode::Session);
        dropped.WriteInteger(QStringLiteral("Prefs"), QStringLiteral("Langue"), 3);
    }
    EXPECT_EQ(bytesOf(), "[Prefs]\nLangue=2\n[Seuils]\nSeuil_Max=2500\n") << "a session not closed writes nothing";
}

TEST_F(Writing, LinkIsFollowedAndPermissionsKept)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("real")));
    put("[Prefs]\nLangue=0\n", QStringLiteral("real/Velumbra.ini"));
    ASSERT_EQ(::chmod(QFile::encodeName(path(QStringLiteral("real/Velumbra.ini"))).constData(), 0640), 0);
    ASSERT_TRUE(QFile::link(QStringLiteral("real/Velumbra.ini"), path()));

    open().WriteInteger(QStringLiteral("Prefs"), QStringLiteral("Langue"), 5);
    EXPECT_TRUE(QFileInfo(path()).isSymLink());
    EXPECT_EQ(bytesOf(QStringLiteral("real/Velumbra.ini")), "[Prefs]\nLangue=5\n");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path(QStringLiteral("real/Velumbra.ini"))).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

// Writes that cannot be done: the message names the file, what was on disk stays.
TEST_F(Writing, FailedWriteRaisesTheMessageAndKeepsTheOldFile)
{
    put("[Prefs]\nLangue=0\n");
    put("not a folder", QStringLiteral("plain"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.ini")));
    ASSERT_TRUE(QFile::link(QStringLiteral("folder.ini"), path(QStringLiteral("link-to-folder.ini"))));
    ASSERT_TRUE(QFile::link(QStringLiteral("loop.ini"), path(QStringLiteral("loop.ini"))));

    struct FailCase {
        const char* name;
        QString file;
        IniFile::Mode mode;
        QString value;
    };
    const FailCase cases[] = {
        {"path under a file", path(QStringLiteral("plain/Velumbra.ini")), IniFile::Mode::WriteThrough, QStringLiteral("1")},
        {"missing folder", path(QStringLiteral("absent/Velumbra.ini")), IniFile::Mode::Session, QStringLiteral("1")},
        {"folder in the way", path(QStringLiteral("folder.ini")), IniFile::Mode::WriteThrough, QStringLiteral("1")},
        {"link to a folder", path(QStringLiteral("link-to-folder.ini")), IniFile::Mode::Session, QStringLiteral("1")},
        {"loop of links", path(QStringLiteral("loop.ini")), IniFile::Mode::WriteThrough, QStringLiteral("1")},
        {"line too long", path(), IniFile::Mode::WriteThrough, QString(70000, QLatin1Char('v'))},
        {"line too long, session", path(), IniFile::Mode::Session, QString(70000, QLatin1Char('v'))},
    };
    for (const FailCase& c : cases) {
        IniFile ini(c.file, c.mode, clock, messages);
        try {
            ini.WriteString(QStringLiteral("Prefs"), QStringLiteral("Langue"), c.value);
            ini.close();
            ADD_FAILURE() << c.name << ": no error";
        } catch (const IniWriteError& e) {
            EXPECT_EQ(e.message(), QStringLiteral("Ne peut écrire dans ") + c.file) << c.name;
        }
        EXPECT_EQ(bytesOf(), "[Prefs]\nLangue=0\n") << c.name;
        // Outside a session the failed change is not kept for the next write either.
        if (c.mode == IniFile::Mode::WriteThrough && c.file == path()) {
            ini.WriteString(QStringLiteral("Prefs"), QStringLiteral("Autre"), QStringLiteral("2"));
            EXPECT_EQ(bytesOf(), "[Prefs]\nLangue=0\nAutre=2\n") << c.name;
            put("[Prefs]\nLangue=0\n");
        }
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QStringList{QStringLiteral("*tmp*")}, QDir::Files | QDir::Hidden),
              QStringList{});
}

TEST_F(Writing, NamesTheFileCouldNotGiveBackAreRefused)
{
    put("[Prefs]\nLangue=0\n");
    IniFile ini = open();
    for (const char* key : {"", "  ", "a=b", "[Prefs]", ";x", "#x"})
        EXPECT_THROW(ini.WriteString(QStringLiteral("Prefs"), QString::fromUtf8(key), QStringLiteral("1")), IniWriteError)
            << key;
    EXPECT_THROW(ini.WriteString(QStringLiteral(" \n "), QStringLiteral("Langue"), QStringLiteral("1")), IniWriteError);
    EXPECT_EQ(bytesOf(), "[Prefs]\nLangue=0\n");
}

} // namespace
} // namespace velumbra::test

// Profile lists and deletion, and the one open file shared while the
// settings are loaded or saved.
#include "IniFixture.h"
#include "settings/SettingsFile.h"

namespace velumbra::test {
namespace {

using Profiles = IniFixture;

TEST_F(Profiles, ListedByExactPrefixDefautWhenNone)
{
    struct Case {
        QByteArray file;
        const char* prefix;
        QStringList expected;
    };
    const Case cases[] = {
        {"[Prefs]\n[Optique.C8]\n[Monture.EQ6]\n[Optique.Lunette 80]\n[optique.minuscule]\n[Optique.]\n",
         "Optique.", {QStringLiteral("C8"), QStringLiteral("Lunette 80"), QString()}},
        {"[Prefs]\n[Optique.C8]\n[Monture.EQ6]\n", "Monture.", {QStringLiteral("EQ6")}},
        {"[Prefs]\n[Optique.C8]\n", "Camera.", {QStringLiteral("Defaut")}},
        {"", "Optique.", {QStringLiteral("Defaut")}},
        {"[Camera.ToUcam]\n[CAMERA.SPC900]\n", "Camera.", {QStringLiteral("ToUcam")}},
    };
    for (const Case& c : cases) {
        if (c.file.isEmpty())
            QFile::remove(path());
        else
            put(c.file);
        SettingsFile settings(path(), clock, messages);
        EXPECT_EQ(settings.ListProfiles(QString::fromUtf8(c.prefix)), c.expected) << c.file.constData();
    }
}

TEST_F(Profiles, ErasedAtOnceOrWithTheSession)
{
    put("[Prefs]\nOptique_Courante=C8\n\n[Optique.C8]\nFocale=2030\n\n[Optique.Lunette]\nFocale=500\n");
    SettingsFile settings(path(), clock, messages);
    settings.EraseProfile(QStringLiteral("Optique.C8"));
    EXPECT_EQ(bytesOf(), "[Prefs]\nOptique_Courante=C8\n\n[Optique.Lunette]\nFocale=500\n");

    IniFile& ini = settings.open();
    EXPECT_TRUE(settings.settingsOpen());
    ini.WriteString(QStringLiteral("Prefs"), QStringLiteral("Optique_Courante"), QStringLiteral("Lunette"));
    settings.EraseProfile(QStringLiteral("Optique.Lunette"));
    EXPECT_EQ(settings.ListProfiles(QStringLiteral("Optique.")), QStringList{QStringLiteral("Defaut")});
    EXPECT_EQ(bytesOf(), "[Prefs]\nOptique_Courante=C8\n\n[Optique.Lunette]\nFocale=500\n") << "not before close";
    settings.close();
    EXPECT_FALSE(settings.settingsOpen());
    EXPECT_EQ(bytesOf(), "[Prefs]\nOptique_Courante=Lunette\n\n");
}

TEST_F(Profiles, FailedSessionWriteStillClosesTheFile)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Velumbra.ini")));
    SettingsFile settings(path(), clock, messages);
    settings.open();
    EXPECT_THROW(settings.open().WriteInteger(QStringLiteral("Prefs"), QStringLiteral("Langue"), 1), IniWriteError);
    settings.close();
    EXPECT_FALSE(settings.settingsOpen());
    EXPECT_THROW(settings.EraseProfile(QStringLiteral("Optique.C8")), IniWriteError)
        << "failed erasure raises the same message";
}

} // namespace
} // namespace velumbra::test

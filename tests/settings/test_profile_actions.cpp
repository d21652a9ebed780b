// The profile combo boxes of the preferences: reading on every change of
// the text, "Nouveau", "Suppr." and the write when a field is left.
#include "IniFixture.h"

#include "acquisition/control/VideoSource.h"
#include "settings/ProfileActions.h"
#include "settings/SettingsFile.h"

namespace velumbra::test {
namespace {

class ProfileCombos : public IniFixture {
protected:
    void SetUp() override
    {
        put("[Optique.C8]\nFocale=2030\nBarlowChecked=1\nBarlow=2000\n"
            "[Monture.EQ6]\nRayon_Az=90\n"
            "[Camera.SPC900]\nLarg_Pix=5600\nCKB_RAW.Checked=1\nRDB_RAWMode_2.Checked=1\n");
        actions.setFile(&file);
    }
    QStringList sections() const { return open().ReadSections(); }

    PrefsValues prefs;
    VideoSourceControls video;
    SettingsFile file{path(), clock, messages};
    ProfileActions actions{prefs, video};
};

TEST_F(ProfileCombos, ChoosingAProfileReadsItAndItsConsequences)
{
    actions.textChanged(ProfileKind::Optics, QStringLiteral("C8"));
    EXPECT_DOUBLE_EQ(prefs.optics.TNI_Focale, 2030);
    EXPECT_DOUBLE_EQ(prefs.effectiveFocal, 4060);

    actions.textChanged(ProfileKind::Camera, QStringLiteral("SPC900"));
    EXPECT_DOUBLE_EQ(prefs.camera.pixels.TNI_Larg_Pix, 5.6);
    EXPECT_TRUE(video.CKB_RAW);
    EXPECT_EQ(video.rawMode, 1);

    actions.textChanged(ProfileKind::Mount, QStringLiteral("EQ6"));
    EXPECT_DOUBLE_EQ(prefs.mount.TNI_Rayon_Az, 90);
    EXPECT_EQ(sections().size(), 3) << "reading writes nothing";
}

TEST_F(ProfileCombos, TypingANewNameLoadsDefaultsThenLeavingAFieldWritesTheWholeName)
{
    actions.textChanged(ProfileKind::Optics, QStringLiteral("C8"));
    for (const QString& typed : {QStringLiteral("L"), QStringLiteral("Lu"), QStringLiteral("Lunette 80")}) {
        actions.textChanged(ProfileKind::Optics, typed);
        EXPECT_DOUBLE_EQ(prefs.optics.TNI_Focale, 2000) << typed.toStdString();
        EXPECT_FALSE(prefs.optics.CKB_Barlow) << typed.toStdString();
    }
    prefs.optics.TNI_Focale = 500;
    actions.fieldLeft(ProfileKind::Optics);
    EXPECT_DOUBLE_EQ(prefs.effectiveFocal, 500);
    EXPECT_EQ(sections().filter(QStringLiteral("Optique.")),
              QStringList({QStringLiteral("Optique.C8"), QStringLiteral("Optique.Lunette 80")}));
    EXPECT_EQ(open().ReadInteger(QStringLiteral("Optique.Lunette 80"), QStringLiteral("Focale"), -1), 500);
    EXPECT_EQ(prefs.opticsProfiles, QStringList{QStringLiteral("Defaut")}) << "not listed before Nouveau";
}

TEST_F(ProfileCombos, NouveauTwiceListsTwiceSupprRemovesOneAndTheSection)
{
    prefs.mountProfiles = {QStringLiteral("EQ6")};
    actions.textChanged(ProfileKind::Mount, QStringLiteral("Dobson"));
    prefs.mount.TNI_Rayon_Alt = 40;
    actions.addCurrent(ProfileKind::Mount);
    actions.addCurrent(ProfileKind::Mount);
    EXPECT_EQ(prefs.mountProfiles, QStringList({QStringLiteral("Dobson"), QStringLiteral("Dobson"), QStringLiteral("EQ6")}));
    EXPECT_EQ(open().ReadInteger(QStringLiteral("Monture.Dobson"), QStringLiteral("Rayon_Alt"), -1), 40);

    EXPECT_TRUE(actions.eraseCurrent(ProfileKind::Mount));
    EXPECT_EQ(prefs.mountProfiles, QStringList({QStringLiteral("Dobson"), QStringLiteral("EQ6")}));
    EXPECT_FALSE(sections().contains(QStringLiteral("Monture.Dobson")));
    EXPECT_EQ(prefs.CBX_Monture, QStringLiteral("Dobson")) << "the text stays";
    EXPECT_DOUBLE_EQ(prefs.mount.TNI_Rayon_Alt, 40) << "the values stay";
}

TEST_F(ProfileCombos, SupprOfAnUnlistedNameDoesNothing)
{
    prefs.cameraProfiles = {QStringLiteral("SPC900")};
    actions.textChanged(ProfileKind::Camera, QStringLiteral("SPC"));
    EXPECT_FALSE(actions.eraseCurrent(ProfileKind::Camera));
    EXPECT_TRUE(sections().contains(QStringLiteral("Camera.SPC900")));
    EXPECT_EQ(prefs.cameraProfiles, QStringList{QStringLiteral("SPC900")});
}

TEST_F(ProfileCombos, WithoutAFileNamesReadAsDefaultsAndNothingIsWritten)
{
    ProfileActions loose(prefs, video);
    prefs.optics.TNI_Focale = 900;
    loose.textChanged(ProfileKind::Optics, QStringLiteral("C8"));
    EXPECT_DOUBLE_EQ(prefs.optics.TNI_Focale, 2000);
    loose.addCurrent(ProfileKind::Optics);
    EXPECT_EQ(sections().size(), 3);
}

TEST_F(ProfileCombos, AFailedWriteSaysWhereAndKeepsTheFile)
{
    const QByteArray before = bytesOf();
    SettingsFile missing(dir.filePath(QStringLiteral("gone/Velumbra.ini")), clock, messages);
    actions.setFile(&missing);
    actions.textChanged(ProfileKind::Optics, QStringLiteral("C8"));
    EXPECT_THROW(actions.fieldLeft(ProfileKind::Optics), IniWriteError);
    EXPECT_EQ(bytesOf(), before);
}

} // namespace
} // namespace velumbra::test

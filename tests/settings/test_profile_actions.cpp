// The profile combo boxes of the preferences: reading on every change of
// the text, "Nouveau", "Suppr." and the write when a field is left.
#include "IniFixture.h"

#include "acquisition/control/VideoSource.h"
#include "settings/ProfileActions.h"
#include "settings/SettingsFile.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <functional>

namespace velumbra::test {
namespace {

// Counts the times a file of a folder is put in place by a rename (the way
// the settings file is replaced), as the system reports them.
class Replacements {
public:
    Replacements(const QString& folder, QString name) : name_(std::move(name))
    {
        fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        // The temporary file's creation between two renames keeps the system
        // from merging them into one event.
        if (fd_ >= 0) inotify_add_watch(fd_, QFile::encodeName(folder).constData(), IN_CREATE | IN_MOVED_TO);
    }
    ~Replacements()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    bool watching() const { return fd_ >= 0; }
    // The replacements since the last call.
    int take()
    {
        int count = 0;
        alignas(inotify_event) char buffer[4096];
        for (ssize_t n; (n = ::read(fd_, buffer, sizeof buffer)) > 0;) {
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if ((event->mask & IN_MOVED_TO) && event->len > 0 && QString::fromUtf8(event->name) == name_) ++count;
                at += ssize_t(sizeof(inotify_event)) + event->len;
            }
        }
        return count;
    }

private:
    QString name_;
    int fd_ = -1;
};

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

// A stored value the field would refuse leaves the value the field held,
// that of the profile chosen before.
TEST_F(ProfileCombos, ARefusedStoredValueLeavesTheFieldAsItWas)
{
    put("[Optique.C8]\nFocale=2030\nBarlow=2500\nReducteur=500\n[Optique.Abime]\nFocale=0\nBarlow=99000\nReducteur=5000\n"
        "[Monture.EQ6]\nRayon_Az=90\n[Monture.Abime]\nRayon_Az=0\n"
        "[Camera.SPC900]\nNbPix_X=800\n[Camera.Abime]\nNbPix_X=5\n");
    for (ProfileKind kind : {ProfileKind::Optics, ProfileKind::Mount, ProfileKind::Camera}) {
        actions.textChanged(kind, kind == ProfileKind::Optics ? QStringLiteral("C8")
                                  : kind == ProfileKind::Mount ? QStringLiteral("EQ6")
                                                               : QStringLiteral("SPC900"));
        actions.textChanged(kind, QStringLiteral("Abime"));
    }
    EXPECT_DOUBLE_EQ(prefs.optics.TNI_Focale, 2030);
    EXPECT_DOUBLE_EQ(prefs.optics.TNI_Barlow, 2.5);
    EXPECT_DOUBLE_EQ(prefs.optics.TNI_Reducteur, 0.5);
    EXPECT_DOUBLE_EQ(prefs.mount.TNI_Rayon_Az, 90);
    EXPECT_DOUBLE_EQ(prefs.camera.pixels.TNI_NbPix_X, 800);
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

// Leaving a field replaces the file once for the whole profile, and not at
// all when the profile holds the values already.
TEST_F(ProfileCombos, LeavingAFieldReplacesTheFileOnceAndOnlyForAChange)
{
    Replacements replaced(dir.path(), QStringLiteral("Velumbra.ini"));
    ASSERT_TRUE(replaced.watching());
    struct Case {
        const char* what;
        ProfileKind kind;
        const char* name;
        std::function<void()> edit;
        int replacements;
    };
    const Case cases[] = {
        {"camera field of a listed profile", ProfileKind::Camera, "SPC900", [&] { prefs.camera.pixels.TNI_NbPix_X = 800; }, 1},
        {"same camera field left unchanged", ProfileKind::Camera, "SPC900", [] {}, 0},
        {"optics field", ProfileKind::Optics, "C8", [&] { prefs.optics.TNI_Focale = 2350; }, 1},
        {"optics field left unchanged", ProfileKind::Optics, "C8", [] {}, 0},
        {"mount field of a new profile", ProfileKind::Mount, "Dobson", [&] { prefs.mount.TNI_Fil_Alt = 0.8; }, 1},
        {"a new profile's defaults written once", ProfileKind::Camera, "Neuve", [] {}, 1},
    };
    for (const Case& c : cases) {
        actions.textChanged(c.kind, QString::fromUtf8(c.name));
        EXPECT_EQ(replaced.take(), 0) << c.what << ": reading writes nothing";
        c.edit();
        actions.fieldLeft(c.kind);
        EXPECT_EQ(replaced.take(), c.replacements) << c.what;
    }
    EXPECT_EQ(open().ReadInteger(QStringLiteral("Camera.SPC900"), QStringLiteral("NbPix_X"), -1), 800);
    EXPECT_EQ(open().ReadInteger(QStringLiteral("Camera.SPC900"), QStringLiteral("Larg_Pix"), -1), 5600);
    EXPECT_EQ(open().ReadInteger(QStringLiteral("Optique.C8"), QStringLiteral("Focale"), -1), 2350);
    EXPECT_EQ(open().ReadInteger(QStringLiteral("Monture.Dobson"), QStringLiteral("Fil_Alt"), -1), 800);
    EXPECT_EQ(open().ReadInteger(QStringLiteral("Camera.Neuve"), QStringLiteral("NbPix_Y"), -1), 480);
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

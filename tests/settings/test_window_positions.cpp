// The [Fenetres] section of the settings file: where each window was left.
#include "IniFixture.h"

#include "settings/WindowPositions.h"

namespace velumbra::test {
namespace {

using WindowPositionsStore = IniFixture;

const QStringList kNames{QStringLiteral("TFRM_Alv"), QStringLiteral("TFRM_Raquette"), QStringLiteral("TFRM_Pref")};

TEST_F(WindowPositionsStore, WrittenInItsOwnSectionAndReadBack)
{
    put("[Prefs]\nLangue=1\n[Seuils]\nSeuil_Max=2500\n");
    WindowPositions out;
    out.setPlace(QStringLiteral("TFRM_Alv"), {QPoint(0, 0), QSize(1024, 768)});
    out.setPlace(QStringLiteral("TFRM_Raquette"), {QPoint(1030, -4), QSize()});
    {
        IniFile ini = open(IniFile::Mode::Session);
        out.save(ini);
        ini.close();
    }
    // Existing sections keep their keys, in their place.
    EXPECT_EQ(bytesOf(), QByteArray("[Prefs]\nLangue=1\n[Seuils]\nSeuil_Max=2500\n[Fenetres]\n"
                                    "TFRM_Alv_X=0\nTFRM_Alv_Y=0\nTFRM_Alv_Largeur=1024\nTFRM_Alv_Hauteur=768\n"
                                    "TFRM_Raquette_X=1030\nTFRM_Raquette_Y=-4\n"));
    WindowPositions back;
    back.load(open(), kNames);
    EXPECT_EQ(back.place(QStringLiteral("TFRM_Alv")), (WindowPlace{QPoint(0, 0), QSize(1024, 768)}));
    EXPECT_EQ(back.place(QStringLiteral("TFRM_Raquette")), (WindowPlace{QPoint(1030, -4), QSize()}));
    EXPECT_FALSE(back.place(QStringLiteral("TFRM_Pref")).has_value());
}

// Damaged or partial entries: a window without a sound position has no
// place (it opens beside the main window); a size out of reason is dropped.
TEST_F(WindowPositionsStore, DamagedEntriesGiveNoPlace)
{
    struct Case {
        const char* what;
        QByteArray section;
        std::optional<WindowPlace> expected;
    };
    const Case cases[] = {
        {"no section", "", std::nullopt},
        {"x only", "TFRM_Raquette_X=10\n", std::nullopt},
        {"not a number", "TFRM_Raquette_X=abc\nTFRM_Raquette_Y=20\n", std::nullopt},
        {"far beyond any screen", "TFRM_Raquette_X=99999999\nTFRM_Raquette_Y=20\n", std::nullopt},
        {"beyond an int", "TFRM_Raquette_X=99999999999\nTFRM_Raquette_Y=20\n", std::nullopt},
        {"hexadecimal, as the profile functions read it", "TFRM_Raquette_X=0x20\nTFRM_Raquette_Y=20\n",
         WindowPlace{QPoint(32, 20), QSize()}},
        {"names in another case", "tfrm_raquette_x=5\nTFRM_RAQUETTE_Y=6\n", WindowPlace{QPoint(5, 6), QSize()}},
        {"size of nothing dropped", "TFRM_Raquette_X=5\nTFRM_Raquette_Y=6\nTFRM_Raquette_Largeur=0\nTFRM_Raquette_Hauteur=300\n",
         WindowPlace{QPoint(5, 6), QSize()}},
        {"huge size dropped", "TFRM_Raquette_X=5\nTFRM_Raquette_Y=6\nTFRM_Raquette_Largeur=900000\nTFRM_Raquette_Hauteur=300\n",
         WindowPlace{QPoint(5, 6), QSize()}},
    };
    for (const Case& c : cases) {
        put("[Prefs]\nLangue=0\n" + (c.section.isEmpty() ? QByteArray() : "[Fenetres]\n" + c.section));
        WindowPositions positions;
        positions.setPlace(QStringLiteral("TFRM_Raquette"), {QPoint(1, 1), QSize()}); // dropped by the load
        positions.load(open(), kNames);
        EXPECT_EQ(positions.place(QStringLiteral("TFRM_Raquette")), c.expected) << c.what;
    }
}

} // namespace
} // namespace velumbra::test

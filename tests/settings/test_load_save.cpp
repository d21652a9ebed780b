// The whole settings file read into the control structs and written back
// from them: every handled key's default, malformed value, reading and
// storage rule, and a save-then-load round trip.
#include "IniFixture.h"

#include "acquisition/control/VideoSource.h"
#include "processing/ImageCore.h"
#include "results/ResultClicks.h"
#include "results/SaveScheduler.h"
#include "settings/SettingsStore.h"
#include "settings/StoredNumbers.h"

#include <functional>

namespace velumbra::test {
namespace {

// The control structs of the windows, as the main window owns them.
struct Controls {
    explicit Controls(const Clock& clock) : core(clock) {}
    ImageCore core;
    SavingControls saving;
    VideoSourceControls video;
    ResultClickLinks links;
    PrefsValues prefs;
    SettingsTargets targets() { return {core, saving, video, links, prefs}; }
    ThresholdControls& seuils() { return core.controls.GRB_Seuils; }
};

struct KeyCase {
    const char* section;
    const char* key;
    double absent;       // control value when the key is missing or malformed
    const char* stored;  // a value in the file...
    double loaded;       // ...and the control value it gives
    double set;          // a control value (also the value held before a load)...
    const char* saved;   // ...and the text it is stored as
    std::function<double(Controls&)> get;
    std::function<void(Controls&, double)> put;
};

#define FIELD(expr)                                                                                        \
    [](Controls& c) { return double(c.expr); }, [](Controls& c, double v) { c.expr = decltype(c.expr)(v); }

const std::vector<KeyCase>& keyCases()
{
    static const std::vector<KeyCase> cases = {
        {"Prefs", "Longueur_Fixe", 0, "1", 1, 1, "1", FIELD(saving.CKB_Longueur_Fixe)},
        {"Prefs", "Longueur_Sequence", 4, "2", 2, 2.5, "2", FIELD(saving.TNI_Longueur_Sequence)},
        {"Prefs", "Longueur_Sequence", 4, "0x3", 3, 3.5, "4", FIELD(saving.TNI_Longueur_Sequence)},
        {"Prefs", "Enreg_Params_Image", 0, "1", 1, 1, "1", FIELD(saving.CKB_Enreg_Params)},
        {"Prefs", "Format_Image", 0, "1", 1, 1, "1", FIELD(saving.CBX_Format)},
        {"Prefs", "Tps_Rafraichissement", 50, "250", 250, 251, "250", FIELD(video.TNI_Tps_Rafraichissement)},
        {"Prefs", "Tps_Rafraichissement", 50, "20", 33, 120.6, "120", FIELD(video.TNI_Tps_Rafraichissement)},
        {"Prefs", "CKB_Zones_Liees", 0, "1", 1, 1, "1", FIELD(links.CKB_Zones_Liees)},
        {"Seuils", "Seuil_MinMin", 0, "10", 10, 10.5, "10", FIELD(seuils().TNI_Seuil_MinMin)},
        {"Seuils", "Seuil_MaxMin", 0, "100", 100, 11.5, "12", FIELD(seuils().TNI_Seuil_MaxMin)},
        {"Seuils", "Seuil_MinMax", 65535, "5000", 5000, 4999.7, "5000", FIELD(seuils().TNI_Seuil_MinMax)},
        {"Seuils", "Seuil_MaxMax", 65535, "9000", 9000, 9000.49, "9000", FIELD(seuils().TNI_Seuil_MaxMax)},
        {"Seuils", "Seuil_Min", 0, "40", 40, -2.5, "-2", FIELD(seuils().TNI_Seuil_Min)},
        {"Seuils", "Seuil_Max", 2500, "0x9C4", 2500, 1234.5, "1234", FIELD(seuils().TNI_Seuil_Max)},
        {"Seuils", "Seuil_Max", 2500, "3000", 3000, -3.5, "-4", FIELD(seuils().TNI_Seuil_Max)},
        {"Seuils", "CKB_Seuils_Evol", 1, "0", 0, 0, "0", FIELD(seuils().CKB_Seuils_Evol)},
        {"Prefs", "Taille_Zaffich", 640, "400", 400, 480, "480",
         [](Controls& c) { return double(c.core.savedDisplayZoneSize()); },
         [](Controls& c, double v) { c.core.setSavedDisplayZoneSize(int(v)); }},
        {"Autoguide", "AG_Intervalle_Guidage", 10, "3", 3, 7.9, "7", FIELD(core.controls.SPED_Intervalle_Guidage)},
        {"Autoguide", "AG_Neutre", 2, "5", 5, 4, "4", FIELD(core.controls.tracking.SPED_Neutre)},
        {"Mire", "CKB_Intensite_Max", 0, "1", 1, 1, "1", FIELD(core.controls.CKB_Intensite_Max)},
        {"Mire", "CKB_Intensite_Min", 0, "1", 1, 1, "1", FIELD(core.controls.CKB_Intensite_Min)},
        {"Mire", "FWHM", 0, "1", 1, 1, "1", FIELD(core.controls.CKB_FWHM)},
        {"Optique.Defaut", "Focale", 2000, "1250", 1250, 1000.5, "1000", FIELD(prefs.optics.TNI_Focale)},
        {"Optique.Defaut", "Barlow", 2.0, "3000", 3.0, 2.5, "2500", FIELD(prefs.optics.TNI_Barlow)},
        {"Optique.Defaut", "Reducteur", 0.63, "500", 0.5, 0.0625, "62", FIELD(prefs.optics.TNI_Reducteur)},
        {"Optique.Defaut", "BarlowChecked", 0, "1", 1, 1, "1", FIELD(prefs.optics.CKB_Barlow)},
        {"Optique.Defaut", "Barlow", 2.0, "500", 1.0, 1.0, "1000", FIELD(prefs.optics.TNI_Barlow)},
        {"Optique.Defaut", "Reducteur", 0.63, "5", 0.01, 0.01, "10", FIELD(prefs.optics.TNI_Reducteur)},
        {"Monture.Defaut", "Rayon_Az", 15, "80", 80, 79.5, "80", FIELD(prefs.mount.TNI_Rayon_Az)},
        {"Monture.Defaut", "Rayon_Alt", 15, "10000", 15, 120.5, "120", FIELD(prefs.mount.TNI_Rayon_Alt)},
        {"Monture.Defaut", "Fil_Az", 1.0, "750", 0.75, 0.7505, "750", FIELD(prefs.mount.TNI_Fil_Az)},
        {"Monture.Defaut", "Fil_Alt", 1.0, "50", 1.0, 1.25, "1250", FIELD(prefs.mount.TNI_Fil_Alt)},
        {"Monture.Defaut", "Inverse_Alt", 0, "1", 1, 1, "1", FIELD(prefs.mount.CKB_Inverse_Alt)},
        {"Camera.Defaut", "Larg_Pix", 7.4, "5600", 5.6, 9.0005, "9000", FIELD(prefs.camera.pixels.TNI_Larg_Pix)},
        {"Camera.Defaut", "Haut_Pix", 7.4, "3750", 3.75, 3.75, "3750", FIELD(prefs.camera.pixels.TNI_Haut_Pix)},
        {"Camera.Defaut", "NbPix_X", 640, "2049", 640, 320.5, "320", FIELD(prefs.camera.pixels.TNI_NbPix_X)},
        {"Camera.Defaut", "NbPix_Y", 480, "240", 240, 240, "240", FIELD(prefs.camera.pixels.TNI_NbPix_Y)},
        {"Camera.Defaut", "VestaModChecked", 0, "1", 1, 1, "1", FIELD(prefs.camera.CKB_VestaMod)},
        {"Camera.Defaut", "CKB_RAW.Checked", 0, "1", 1, 1, "1", FIELD(prefs.camera.CKB_RAW)},
        {"Prefs", "Langue", 0, "2", 2, 1, "1", FIELD(prefs.CBX_Langue)},
        {"Prefs", "Finesse_Selection", 70, "150", 100, 12, "12", FIELD(prefs.selection.SCB_Finesse_Selection)},
        {"Prefs", "Sensibilite_MAP", 990, "850", 900, 950, "950", FIELD(prefs.selection.SCB_Sensibilite_MAP)},
        {"Prefs", "Precision_MAP", 990, "995", 995, 1000, "1000", FIELD(prefs.selection.SCB_Precision_MAP)},
        {"Exposure", "Vesta_Port", 0, "15", 0, 14, "14", FIELD(prefs.longExposure.CBX_Vesta_Port)},
        {"Exposure", "Vesta_InterPose", 150, "0", 1, 2500, "2500", FIELD(prefs.longExposure.SPED_Vesta_Interpose)},
        {"Exposure", "TNI_Bit_Active_Odd", 2, "9", 9, 7.9, "7", FIELD(prefs.longExposure.TNI_Bit_Active_Odd)},
        {"Exposure", "TNI_Bit_Active_Even", 3, "10", 3, 6, "6", FIELD(prefs.longExposure.TNI_Bit_Active_Even)},
        {"Exposure", "TNI_Vesta_Activevalue_Odd", 1, "0", 0, 0, "0", FIELD(prefs.longExposure.TNI_Vesta_ActiveValue_Odd)},
        {"Exposure", "TNI_Amp_ActiveValue", 1, "2", 1, 0, "0", FIELD(prefs.longExposure.TNI_Amp_ActiveValue)},
        {"Exposure", "TNI_Bit_Longexp_Active", 5, "8", 8, 8, "8", FIELD(prefs.longExposure.TNI_Bit_Longexp_Active)},
        {"Exposure", "SPED_Avance", 200, "70000", 60000, 400, "400", FIELD(prefs.longExposure.SPED_Avance)},
        {"Exposure", "CBX_Ligne_Guidage", 0, "2", 2, 1, "1", FIELD(prefs.longExposure.CBX_Ligne_guidage)},
        {"Exposure", "CKB_LongueposePermanent", 0, "1", 1, 1, "1", FIELD(prefs.longExposure.CKB_LongueposePermanent)},
        {"Exposure", "Vesta-Pose", 5000, "60000", 60000, 120000, "120000", FIELD(prefs.longExposure.SPED_Vesta_Pose)},
        {"Exposure", "Vesta-Pose-Guidage", 500, "0x3E8", 1000, 700, "700",
         FIELD(prefs.longExposure.SPED_Vesta_Pose_Guidage)},
        {"Autoguide", "AG_Intervalle_Guidage", 10, "2000", 1500, 1500, "1500", FIELD(core.controls.SPED_Intervalle_Guidage)},
        {"Autoguide", "AG_PortSerie", 0, "7", 7, 3, "3", FIELD(prefs.autoguide.CBX_AG_PortSerie)},
        {"Autoguide", "AG_PortParallele", 0, "-1", 0, 2, "2", FIELD(prefs.autoguide.CBX_AG_PortParallele)},
        {"Autoguide", "AG_Vitesse", 6, "12", 12, 0, "0", FIELD(prefs.autoguide.CBX_AG_Vitesse)},
        {"Autoguide", "AG_Parite", 3, "0", 0, 1, "1", FIELD(prefs.autoguide.CBX_AG_Parite)},
        {"Autoguide", "AG_Databits", 1, "0", 0, 0, "0", FIELD(prefs.autoguide.CBX_AG_Databits)},
        {"Autoguide", "AG_StopBits", 0, "2", 2, 1, "1", FIELD(prefs.autoguide.CBX_AG_StopBits)},
        {"Autoguide", "TNI_Bit_Est", 6, "2", 2, 3, "3", FIELD(prefs.autoguide.TNI_Bit_Est)},
        {"Autoguide", "TNI_Sud_Activevalue", 1, "0", 0, 0, "0", FIELD(prefs.autoguide.TNI_Sud_ActiveValue)},
        {"Autoguide", "AG_Duree_impulsions", 200, "10", 15, 945, "945", FIELD(prefs.autoguide.SPED_Duree_impulsions)},
        {"Autoguide", "AG_Vitesse_Nord", 5.0, "7250", 7.25, 7.2509, "7250", FIELD(prefs.autoguide.TNI_Vitesse_Nord)},
        {"Autoguide", "AG_Vitesse_Est", 5.0, "15500", 15.5, 0.1, "100", FIELD(prefs.autoguide.TNI_Vitesse_Est)},
        {"Autoguide", "CKB_Correct_Sud", 1, "0", 0, 0, "0", FIELD(prefs.autoguide.CKB_Correct_Sud)},
        {"Autoguide", "AG_Tps_Inertie", 100, "250", 250, 99.9, "99", FIELD(prefs.autoguide.TNI_Tps_Inertie)},
        {"Autoguide", "AG_Guide_Separement", 0, "1", 1, 1, "1", FIELD(prefs.autoguide.CKB_Separes)},
        {"Autoguide", "AG_Delai_Guide_Separement", 25, "500", 400, 50, "50", FIELD(prefs.autoguide.SPED_Delai_Separes)},
        {"Autoguide", "AG_Prc_Inertie", 20, "35", 35, 0, "0", FIELD(prefs.autoguide.SPED_Pourcent_Inertie)},
        {"Autoguide", "AG_Duree_Test", 1000, "100", 1000, 2000.7, "2000", FIELD(prefs.autoguide.TNI_Duree_test)},
        {"Autoguide", "InverseDEC", 0, "1", 1, 1, "1", FIELD(prefs.autoguide.CKB_InverseDEC)},
        {"AutoFocus", "SPED_TPS_Base_Autofocus", 10000, "5000", 5000, 100, "100",
         FIELD(prefs.autoFocus.SPED_Tps_Base_Autofocus)},
        {"AutoFocus", "TNI_FWHM_Stop", 4.0, "2500", 2.5, 3.2999, "3299", FIELD(prefs.autoFocus.TNI_FWHM_Stop)},
        {"Mire", "IPS", 0, "1", 1, 1, "1", FIELD(prefs.CKB_IPS)},
    };
    return cases;
}
#undef FIELD

class LoadSave : public IniFixture {
protected:
    void load(Controls& c)
    {
        SettingsFile file(path(), clock, messages);
        LoadSettings(file, QStringLiteral("/start/"), c.targets());
        EXPECT_FALSE(file.settingsOpen());
    }
    void save(Controls& c)
    {
        SettingsFile file(path(), clock, messages);
        SaveSettings(file, c.targets());
        EXPECT_FALSE(file.settingsOpen());
    }
    static QByteArray line(const KeyCase& k, const char* value)
    {
        return QByteArray("[") + k.section + "]\n" + k.key + "=" + value + "\n";
    }
    QString storedText(const KeyCase& k)
    {
        IniFile ini = open();
        return ini.ReadString(QLatin1String(k.section), QLatin1String(k.key), QStringLiteral("<missing>"));
    }
    Controls c{clock};
};

TEST_F(LoadSave, AbsentKeyGivesItsDefault)
{
    for (const KeyCase& k : keyCases()) {
        Controls held(clock);
        k.put(held, k.set);
        load(held);
        EXPECT_DOUBLE_EQ(k.get(held), k.absent) << k.section << "/" << k.key;
    }
}

TEST_F(LoadSave, MalformedValueGivesItsDefault)
{
    for (const char* bad : {"abc", "", "12x", "0x", "99999999999"}) {
        for (const KeyCase& k : keyCases()) {
            put(line(k, bad));
            Controls held(clock);
            k.put(held, k.set);
            load(held);
            EXPECT_DOUBLE_EQ(k.get(held), k.absent) << k.section << "/" << k.key << "=" << bad;
        }
    }
}

TEST_F(LoadSave, StoredValueReachesTheControl)
{
    for (const KeyCase& k : keyCases()) {
        put(line(k, k.stored));
        Controls loaded(clock);
        load(loaded);
        EXPECT_DOUBLE_EQ(k.get(loaded), k.loaded) << k.section << "/" << k.key << "=" << k.stored;
    }
}

TEST_F(LoadSave, ControlIsStoredWithItsRule)
{
    for (const KeyCase& k : keyCases()) {
        Controls held(clock);
        k.put(held, k.set);
        save(held);
        EXPECT_EQ(storedText(k), QLatin1String(k.saved)) << k.section << "/" << k.key << " from " << k.set;
    }
}

TEST(StoredNumbers, RoundGoesToEvenTruncTowardZero)
{
    struct Case {
        double value;
        int round, trunc, roundK, truncK;
    };
    const Case cases[] = {
        {0.5, 0, 0, 500, 500},       {1.5, 2, 1, 1500, 1500},    {2.5, 2, 2, 2500, 2500},
        {-0.5, 0, 0, -500, -500},    {-1.5, -2, -1, -1500, -1500}, {-2.7, -3, -2, -2700, -2700},
        {0.0025, 0, 0, 2, 2},        {0.0035, 0, 0, 4, 3},       {1e12, INT_MAX, INT_MAX, INT_MAX, INT_MAX},
        {-1e12, INT_MIN, INT_MIN, INT_MIN, INT_MIN},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(Stored::Round(k.value), k.round) << k.value;
        EXPECT_EQ(Stored::Trunc(k.value), k.trunc) << k.value;
        EXPECT_EQ(Stored::RoundThousandths(k.value), k.roundK) << k.value;
        EXPECT_EQ(Stored::TruncThousandths(k.value), k.truncK) << k.value;
    }
    EXPECT_EQ(Stored::Round(std::nan("")), 0);
}

TEST_F(LoadSave, ThresholdSlidersFollowTheirBounds)
{
    struct Case {
        const char* file;
        int minLow, minHigh, minPos, maxLow, maxHigh, maxPos;
    };
    const Case cases[] = {
        {"", 0, 65535, 0, 0, 65535, 2500},
        {"Seuil_MinMin=100\nSeuil_Min=50\nSeuil_MaxMax=1000\n", 100, 65535, 100, 0, 1000, 1000},
        {"Seuil_MinMax=30\nSeuil_Min=40\nSeuil_MaxMin=3000\n", 0, 30, 30, 3000, 65535, 3000},
        // A field refuses a value out of its range and keeps its own.
        {"Seuil_Max=70000\nSeuil_MinMax=0\n", 0, 65535, 0, 0, 65535, 2500},
    };
    for (const Case& k : cases) {
        put(QByteArray("[Seuils]\n") + k.file);
        Controls loaded(clock);
        load(loaded);
        const ThresholdControls& s = loaded.seuils();
        EXPECT_EQ(s.SCB_Minimum_Min, k.minLow) << k.file;
        EXPECT_EQ(s.SCB_Minimum_Max, k.minHigh) << k.file;
        EXPECT_EQ(s.SCB_Minimum, k.minPos) << k.file;
        EXPECT_EQ(s.SCB_Maximum_Min, k.maxLow) << k.file;
        EXPECT_EQ(s.SCB_Maximum_Max, k.maxHigh) << k.file;
        EXPECT_EQ(s.SCB_Maximum, k.maxPos) << k.file;
    }
}

TEST_F(LoadSave, TargetShapesFollowTheRadioButtonsInTurn)
{
    struct Case {
        const char* carre;
        const char* cercle;
        int shape; // 0 square, 1 circle, 2 none
    };
    const Case cases[] = {{"1", "0", 0}, {"0", "1", 1}, {"1", "1", 1}, {"0", "0", 2}};
    for (const Case& k : cases) {
        put(QByteArray("[Mire]\nRDB_Carre=") + k.carre + "\nRDB_Cercle=" + k.cercle + "\nRDB_Croix=" + k.carre +
            "\nRDB_Point=" + k.cercle + "\n");
        Controls loaded(clock);
        load(loaded);
        EXPECT_EQ(loaded.core.controls.markerShape, k.shape) << k.carre << k.cercle;
        EXPECT_EQ(loaded.core.controls.crossShape, k.shape) << k.carre << k.cercle;
        save(loaded);
        IniFile ini = open();
        EXPECT_EQ(ini.ReadInteger(QStringLiteral("Mire"), QStringLiteral("RDB_Carre"), -1), k.shape == 0);
        EXPECT_EQ(ini.ReadInteger(QStringLiteral("Mire"), QStringLiteral("RDB_Point"), -1), k.shape == 1);
    }
}

TEST_F(LoadSave, TextsAndOpticsProfile)
{
    put("[Prefs]\nOptique_Courante=Lunette 80\nRepertoire_Bitmaps=/data/img\nNom_Image=/data/img/jup\n"
        "[Optique.Lunette 80]\nFocale=500\n[Optique.C8]\nFocale=2030\n");
    load(c);
    EXPECT_EQ(c.prefs.CBX_Optique, QStringLiteral("Lunette 80"));
    EXPECT_EQ(c.prefs.opticsProfiles, QStringList({QStringLiteral("C8"), QStringLiteral("Lunette 80")}));
    EXPECT_DOUBLE_EQ(c.prefs.optics.TNI_Focale, 500);
    EXPECT_DOUBLE_EQ(c.prefs.effectiveFocal, 500);
    EXPECT_EQ(c.saving.EDT_Nom_Image, QStringLiteral("/data/img/jup"));
    EXPECT_EQ(c.prefs.EDT_Repertoire_Bitmaps, QStringLiteral("/data/img"));
    EXPECT_EQ(c.prefs.lastOpenedDirectory, QStringLiteral("/start/")) << "missing: the start folder";
}

TEST_F(LoadSave, SaveThenLoadRestoresEveryValue)
{
    Controls before(clock);
    for (const KeyCase& k : keyCases()) k.put(before, k.loaded);
    before.saving.EDT_Nom_Image = QStringLiteral("/nuit/m42_");
    before.prefs.EDT_Repertoire_Bitmaps = QStringLiteral("/nuit");
    before.prefs.lastOpenedDirectory = QStringLiteral("/nuit/darks");
    before.prefs.CBX_Optique = QStringLiteral("C8 f/10");
    before.core.controls.markerShape = 1;
    before.core.controls.crossShape = 2;
    save(before);

    Controls after(clock);
    load(after);
    for (const KeyCase& k : keyCases())
        EXPECT_DOUBLE_EQ(k.get(after), k.get(before)) << k.section << "/" << k.key;
    EXPECT_EQ(after.saving.EDT_Nom_Image, before.saving.EDT_Nom_Image);
    EXPECT_EQ(after.prefs.EDT_Repertoire_Bitmaps, before.prefs.EDT_Repertoire_Bitmaps);
    EXPECT_EQ(after.prefs.lastOpenedDirectory, before.prefs.lastOpenedDirectory);
    EXPECT_EQ(after.prefs.CBX_Optique, before.prefs.CBX_Optique);
    EXPECT_EQ(after.core.controls.markerShape, 1);
    EXPECT_EQ(after.core.controls.crossShape, 2);
    EXPECT_EQ(after.seuils().SCB_Maximum, before.seuils().TNI_Seuil_Max);
}

// The kept display-zone size reaches the slider only when a capture starts:
// a run without one keeps the stored size, a run with one keeps the slider's.
TEST_F(LoadSave, DisplayZoneSizeSurvivesARunWithoutCapture)
{
    put("[Prefs]\nTaille_Zaffich=640\n");
    load(c);
    ASSERT_LT(c.core.controls.TNI_Taille_ZAffich, 640); // the slider still shows its starting size
    save(c);
    EXPECT_EQ(open().ReadInteger(QStringLiteral("Prefs"), QStringLiteral("Taille_Zaffich"), -1), 640);

    c.core.buffers.create();
    c.core.buffers.setFrameSize(800, 600);
    c.core.captureStarting(true, true);
    EXPECT_EQ(c.core.controls.TNI_Taille_ZAffich, 640);
    c.core.controls.TNI_Taille_ZAffich = 401; // the user moves the slider: whole even sizes are kept
    save(c);
    EXPECT_EQ(open().ReadInteger(QStringLiteral("Prefs"), QStringLiteral("Taille_Zaffich"), -1), 400);
}

TEST_F(LoadSave, NoFileGivesTheListedDefaults)
{
    load(c);
    const PrefsValues& p = c.prefs;
    for (const QStringList* list : {&p.opticsProfiles, &p.mountProfiles, &p.cameraProfiles})
        EXPECT_EQ(*list, QStringList{QStringLiteral("Defaut")});
    EXPECT_EQ(p.CBX_Optique, QStringLiteral("Defaut"));
    EXPECT_EQ(p.CBX_Monture, QStringLiteral("Defaut"));
    EXPECT_EQ(p.CBX_Camera, QStringLiteral("Defaut"));
    EXPECT_DOUBLE_EQ(p.effectiveFocal, 2000);
    EXPECT_EQ(p.camera.RDB_RAWMode, 0);
    EXPECT_EQ(p.autoguide.interface, MountInterface::Aucun);
    EXPECT_EQ(p.EDT_Repertoire_drivers, QStringLiteral("\\drivers"));
    EXPECT_TRUE(p.autoguide.RDB_Pourcent_Inertie);
    EXPECT_FALSE(p.autoguide.RDB_Temps_Inertie);
}

// A current mount name must be listed (in any case); an optics or camera
// name without a section stays as typed. Either way its defaults load.
TEST_F(LoadSave, CurrentProfileNames)
{
    struct Case {
        const char* file;
        const char* optics;
        const char* mount;
        double radius;
    };
    const Case cases[] = {
        {"[Prefs]\nMonture_Courante=eq6\n[Monture.EQ6]\nRayon_Az=90\n", "Defaut", "EQ6", 90},
        {"[Prefs]\nMonture_Courante=Dobson\n[Monture.EQ6]\nRayon_Az=90\n", "Defaut", "", 15},
        {"[Prefs]\nOptique_Courante=Newton 200\nMonture_Courante=Defaut\n[Monture.EQ6]\nRayon_Az=90\n", "Newton 200",
         "", 15},
        // Section names are compared with their case for the list: "monture." is not a mount profile.
        {"[Prefs]\nMonture_Courante=Az\n[monture.Az]\nRayon_Az=90\n", "Defaut", "", 15},
    };
    for (const Case& k : cases) {
        put(k.file);
        Controls loaded(clock);
        load(loaded);
        EXPECT_EQ(loaded.prefs.CBX_Optique, QLatin1String(k.optics)) << k.file;
        EXPECT_EQ(loaded.prefs.CBX_Monture, QLatin1String(k.mount)) << k.file;
        EXPECT_DOUBLE_EQ(loaded.prefs.mount.TNI_Rayon_Az, k.radius) << k.file;
        EXPECT_DOUBLE_EQ(loaded.prefs.optics.TNI_Focale, 2000) << k.file;
    }
}

// Radio buttons read in turn: the last checked one wins; unchecking the
// checked one leaves none.
TEST_F(LoadSave, RadioGroupsReadInTurn)
{
    struct Case {
        const char* file;
        MountInterface interface;
        int rawButton, rawMode;
        bool byTime, byPercent;
    };
    const Case cases[] = {
        {"", MountInterface::Aucun, 0, 0, false, true},
        {"[Autoguide]\nAucun=0\nGuide_Tolvir=1\n", MountInterface::Tolvir, 0, 0, false, true},
        {"[Autoguide]\nGuide_LX200=1\nGuide_Varnek=1\n", MountInterface::Varnek, 0, 0, false, true},
        // The clocked box is not stored: all four written as 0.
        {"[Autoguide]\nAucun=0\nGuide_LX200=0\nGuide_Tolvir=0\nGuide_Varnek=0\n", MountInterface::NoneChecked, 0, 0,
         false, true},
        {"[Camera.Defaut]\nRDB_RAWMode_1.Checked=0\nRDB_RAWMode_3.Checked=1\n", MountInterface::Aucun, 2, 2, false,
         true},
        {"[Camera.Defaut]\nRDB_RAWMode_2.Checked=1\nRDB_RAWMode_4.Checked=1\n", MountInterface::Aucun, 3, 3, false,
         true},
        {"[Camera.Defaut]\nRDB_RAWMode_1.Checked=0\n", MountInterface::Aucun, -1, 0, false, true},
        {"[Autoguide]\nAG_Choix_Tps_Inertie=1\nAG_Choix_Prc_Inertie=0\n", MountInterface::Aucun, 0, 0, true, false},
        {"[Autoguide]\nAG_Choix_Tps_Inertie=1\nAG_Choix_Prc_Inertie=1\n", MountInterface::Aucun, 0, 0, false, true},
        {"[Autoguide]\nAG_Choix_Tps_Inertie=0\nAG_Choix_Prc_Inertie=0\n", MountInterface::Aucun, 0, 0, false, false},
    };
    for (const Case& k : cases) {
        put(k.file);
        Controls loaded(clock);
        loaded.video.rawMode = 1; // held before the load
        load(loaded);
        EXPECT_EQ(loaded.prefs.autoguide.interface, k.interface) << k.file;
        EXPECT_EQ(loaded.prefs.camera.RDB_RAWMode, k.rawButton) << k.file;
        EXPECT_EQ(loaded.video.rawMode, k.rawMode) << k.file;
        EXPECT_EQ(loaded.prefs.autoguide.RDB_Temps_Inertie, k.byTime) << k.file;
        EXPECT_EQ(loaded.prefs.autoguide.RDB_Pourcent_Inertie, k.byPercent) << k.file;

        // What was read is what is written back.
        save(loaded);
        Controls again(clock);
        load(again);
        EXPECT_EQ(again.prefs.autoguide.interface, k.interface) << k.file;
        EXPECT_EQ(again.prefs.camera.RDB_RAWMode, k.rawButton) << k.file;
        EXPECT_EQ(again.prefs.autoguide.RDB_Temps_Inertie, k.byTime) << k.file;
    }
}

TEST_F(LoadSave, AnotherSerialDeviceIsKeptBesideTheComIndex)
{
    c.prefs.autoguide.CBX_AG_PortSerie = 3;
    c.prefs.autoguide.serialDevice = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R-if00-port0");
    save(c);
    Controls after(clock);
    load(after);
    EXPECT_EQ(after.prefs.autoguide.CBX_AG_PortSerie, 3);
    EXPECT_EQ(after.prefs.autoguide.serialDevice, c.prefs.autoguide.serialDevice);
}

TEST_F(LoadSave, TheClockedBoxIsNotKeptAcrossARestart)
{
    c.prefs.autoguide.interface = MountInterface::Dremla;
    save(c);
    Controls after(clock);
    load(after);
    EXPECT_EQ(after.prefs.autoguide.interface, MountInterface::NoneChecked);
}

// The INDI mount is kept in [INDI]: the interface keys of [Autoguidage] all
// read off, and the choice comes back from its own section.
TEST_F(LoadSave, TheIndiMountIsKeptInItsOwnSection)
{
    IndiSettings indi;
    c.prefs.autoguide.interface = MountInterface::Indi;
    SettingsTargets withIndi = c.targets();
    withIndi.indi = &indi;
    {
        SettingsFile file(path(), clock, messages);
        SaveSettings(file, withIndi);
    }
    EXPECT_EQ(open().ReadInteger(QStringLiteral("INDI"), QStringLiteral("Interface_Monture"), -1), 1);
    Controls after(clock);
    IndiSettings indiAfter;
    SettingsTargets back = after.targets();
    back.indi = &indiAfter;
    SettingsFile file(path(), clock, messages);
    LoadSettings(file, QStringLiteral("/start/"), back);
    EXPECT_EQ(after.prefs.autoguide.interface, MountInterface::Indi);

    // Another choice later clears it.
    after.prefs.autoguide.interface = MountInterface::LX200;
    SaveSettings(file, back);
    Controls third(clock);
    SettingsTargets again = third.targets();
    again.indi = &indiAfter;
    LoadSettings(file, QStringLiteral("/start/"), again);
    EXPECT_EQ(third.prefs.autoguide.interface, MountInterface::LX200);
}

TEST_F(LoadSave, LastFrameIsWrittenOnlyOnceAFrameWasShown)
{
    save(c);
    EXPECT_EQ(open().ReadString(QStringLiteral("Exposure"), QStringLiteral("LastVideoWidth"), QStringLiteral("-")),
              QStringLiteral("-"));
    SettingsTargets shown = c.targets();
    shown.shown = {320, 240, 1.52639};
    SettingsFile file(path(), clock, messages);
    SaveSettings(file, shown);
    IniFile ini = open();
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Exposure"), QStringLiteral("LastVideoWidth"), -1), 320);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Exposure"), QStringLiteral("LastVideoHeight"), -1), 240);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Exposure"), QStringLiteral("LastEchantillonnage"), -1), 1526);
}

TEST_F(LoadSave, SaveKeepsKeysItDoesNotKnow)
{
    put("[Prefs]\nLangue_Aide=2\nNom_Image=old\n[Exposure]\nVesta_Modele=3\n[Autre programme]\nX=1\n");
    save(c);
    IniFile ini = open();
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Prefs"), QStringLiteral("Langue_Aide"), -1), 2);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Exposure"), QStringLiteral("Vesta_Modele"), -1), 3);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Autre programme"), QStringLiteral("X"), -1), 1);
    EXPECT_EQ(ini.ReadString(QStringLiteral("Prefs"), QStringLiteral("Nom_Image"), QStringLiteral("?")), QString());
}

TEST_F(LoadSave, FailedWriteSaysWhereAndLeavesNoSession)
{
    const QString missing = dir.filePath(QStringLiteral("no/such/folder/Velumbra.ini"));
    SettingsFile file(missing, clock, messages);
    try {
        SaveSettings(file, c.targets());
        ADD_FAILURE() << "the save went through";
    } catch (const IniWriteError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Ne peut écrire dans ") + missing);
    }
    EXPECT_FALSE(file.settingsOpen());
    EXPECT_FALSE(QFile::exists(missing));
}

} // namespace
} // namespace velumbra::test

#include "settings/SettingsStore.h"
#include "settings/StoredNumbers.h"

#include "acquisition/control/VideoSource.h"
#include "core/Rounding.h"
#include "processing/ImageCore.h"
#include "results/ResultClicks.h"
#include "results/SaveScheduler.h"

#include <algorithm>

namespace velumbra {
namespace {

const QString kPrefs = QStringLiteral("Prefs");
const QString kSeuils = QStringLiteral("Seuils");
const QString kAutoguide = QStringLiteral("Autoguide");
const QString kMire = QStringLiteral("Mire");
const QString kOptics = QStringLiteral("Optique.");

// Limits of the controls the values land in.
constexpr int kSequenceLengthMin = 1, kSequenceLengthMax = 5;
constexpr int kRefreshMin = 33, kRefreshMax = 10000; // ms, slider and field
constexpr int kThresholdMax = 65535;                 // fields and sliders
constexpr int kGuideIntervalMin = 1;                 // frames

// Reads through one open file, section by section.
class Reader {
public:
    explicit Reader(const IniFile& ini) : ini_(ini) {}
    int integer(const QString& section, const char* key, int missing) const
    {
        return ini_.ReadInteger(section, QLatin1String(key), missing);
    }
    bool flag(const QString& section, const char* key, bool missing) const
    {
        return integer(section, key, missing ? 1 : 0) != 0;
    }
    QString text(const QString& section, const char* key, const QString& missing) const
    {
        return ini_.ReadString(section, QLatin1String(key), missing);
    }
    // A numeric field refuses a value outside its range and keeps its own.
    void field(const QString& section, const char* key, int missing, double& value, double lo, double hi) const
    {
        const int stored = integer(section, key, missing);
        if (stored >= lo && stored <= hi) value = stored;
    }

private:
    const IniFile& ini_;
};

// A slider takes a position inside its bounds (an upper bound below the
// lower one counts as the lower one).
int sliderPosition(double value, int lowest, int highest)
{
    return std::clamp(Stored::Trunc(value), lowest, std::max(lowest, highest));
}

void loadOptics(SettingsFile& file, const Reader& r, const IniFile& ini, PrefsValues& prefs)
{
    prefs.opticsProfiles = file.ListProfiles(kOptics);
    prefs.opticsProfiles.sort();
    prefs.CBX_Optique = r.text(kPrefs, "Optique_Courante", QStringLiteral("Defaut"));
    prefs.optics = ReadOpticsProfile(ini, prefs.CBX_Optique);
}

void loadResultPrefs(const Reader& r, const QString& startDirectory, SavingControls& s, PrefsValues& prefs)
{
    s.EDT_Nom_Image = r.text(kPrefs, "Nom_Image", QString());
    prefs.EDT_Repertoire_Bitmaps = r.text(kPrefs, "Repertoire_Bitmaps", QString());
    prefs.lastOpenedDirectory = r.text(kPrefs, "Dernier_Repertoire_ouvert", startDirectory);
    s.CKB_Longueur_Fixe = r.flag(kPrefs, "Longueur_Fixe", false);
    r.field(kPrefs, "Longueur_Sequence", 4, s.TNI_Longueur_Sequence, kSequenceLengthMin, kSequenceLengthMax);
    s.CKB_Enreg_Params = r.flag(kPrefs, "Enreg_Params_Image", false);
}

void loadDisplayPrefs(const Reader& r, ImageCore& core, VideoSourceControls& video)
{
    core.setSavedDisplayZoneSize(r.integer(kPrefs, "Taille_Zaffich", 640));
    // The slider takes the position; its change handler copies it into the field.
    video.TNI_Tps_Rafraichissement = std::clamp(r.integer(kPrefs, "Tps_Rafraichissement", 50), kRefreshMin, kRefreshMax);
}

void loadThresholds(const Reader& r, ThresholdControls& s)
{
    r.field(kSeuils, "Seuil_MinMin", 0, s.TNI_Seuil_MinMin, 0, kThresholdMax);
    r.field(kSeuils, "Seuil_MaxMin", 0, s.TNI_Seuil_MaxMin, 0, kThresholdMax);
    r.field(kSeuils, "Seuil_MinMax", kThresholdMax, s.TNI_Seuil_MinMax, 1, kThresholdMax);
    r.field(kSeuils, "Seuil_MaxMax", kThresholdMax, s.TNI_Seuil_MaxMax, 1, kThresholdMax);
    s.SCB_Minimum_Min = Stored::Trunc(s.TNI_Seuil_MinMin);
    s.SCB_Minimum_Max = Stored::Trunc(s.TNI_Seuil_MinMax);
    s.SCB_Maximum_Min = Stored::Trunc(s.TNI_Seuil_MaxMin);
    s.SCB_Maximum_Max = Stored::Trunc(s.TNI_Seuil_MaxMax);
    r.field(kSeuils, "Seuil_Min", 0, s.TNI_Seuil_Min, 0, kThresholdMax);
    s.SCB_Minimum = sliderPosition(s.TNI_Seuil_Min, s.SCB_Minimum_Min, s.SCB_Minimum_Max);
    r.field(kSeuils, "Seuil_Max", 2500, s.TNI_Seuil_Max, 0, kThresholdMax);
    // Checking the box while loading does not reset the evolving ratios.
    s.CKB_Seuils_Evol = r.flag(kSeuils, "CKB_Seuils_Evol", true);
    s.SCB_Maximum = sliderPosition(s.TNI_Seuil_Max, s.SCB_Maximum_Min, s.SCB_Maximum_Max);
}

void loadAutoguide(const Reader& r, PipelineControls& c)
{
    const int interval = r.integer(kAutoguide, "AG_Intervalle_Guidage", 10);
    if (interval >= kGuideIntervalMin) c.SPED_Intervalle_Guidage = interval;
    const int deadZone = r.integer(kAutoguide, "AG_Neutre", 2);
    if (deadZone >= 0) c.tracking.SPED_Neutre = deadZone;
}

// Two radio buttons of one group set in turn: checking one unchecks the
// other, unchecking the checked one leaves none (2 = no shape).
unsigned char shapeFrom(bool first, bool second)
{
    if (second) return 1;
    return first ? 0 : 2;
}

void loadMire(const Reader& r, PipelineControls& c)
{
    c.CKB_Intensite_Max = r.flag(kMire, "CKB_Intensite_Max", false);
    c.CKB_Intensite_Min = r.flag(kMire, "CKB_Intensite_Min", false);
    c.CKB_FWHM = r.flag(kMire, "FWHM", false);
    const bool carre = r.flag(kMire, "RDB_Carre", true);
    c.markerShape = shapeFrom(carre, r.flag(kMire, "RDB_Cercle", false));
    const bool croix = r.flag(kMire, "RDB_Croix", true);
    c.crossShape = shapeFrom(croix, r.flag(kMire, "RDB_Point", false));
}

// Writes into one open session.
class Writer {
public:
    explicit Writer(IniFile& ini) : ini_(ini) {}
    void integer(const QString& section, const char* key, int value)
    {
        ini_.WriteInteger(section, QLatin1String(key), value);
    }
    void text(const QString& section, const char* key, const QString& value)
    {
        ini_.WriteString(section, QLatin1String(key), value);
    }

private:
    IniFile& ini_;
};

void saveAll(IniFile& ini, const SettingsTargets& from)
{
    Writer w(ini);
    const PrefsValues& prefs = from.prefs;
    w.text(kPrefs, "Optique_Courante", prefs.CBX_Optique);
    WriteOpticsProfile(ini, prefs.CBX_Optique, prefs.optics);

    const SavingControls& s = from.saving;
    w.text(kPrefs, "Repertoire_Bitmaps", prefs.EDT_Repertoire_Bitmaps);
    w.text(kPrefs, "Nom_Image", s.EDT_Nom_Image);
    w.text(kPrefs, "Dernier_Repertoire_ouvert", prefs.lastOpenedDirectory);
    w.integer(kPrefs, "Longueur_Fixe", Stored::Bool(s.CKB_Longueur_Fixe));
    w.integer(kPrefs, "Longueur_Sequence", Stored::Round(s.TNI_Longueur_Sequence));
    w.integer(kPrefs, "Enreg_Params_Image", Stored::Bool(s.CKB_Enreg_Params));

    // The slider's position, which the field's exit handler sets through RoundDown.
    w.integer(kPrefs, "Tps_Rafraichissement",
              std::clamp(RoundDown(from.video.TNI_Tps_Rafraichissement), kRefreshMin, kRefreshMax));

    const ThresholdControls& t = from.core.controls.GRB_Seuils;
    w.integer(kSeuils, "Seuil_MinMin", Stored::Round(t.TNI_Seuil_MinMin));
    w.integer(kSeuils, "Seuil_MaxMin", Stored::Round(t.TNI_Seuil_MaxMin));
    w.integer(kSeuils, "Seuil_MinMax", Stored::Round(t.TNI_Seuil_MinMax));
    w.integer(kSeuils, "Seuil_MaxMax", Stored::Round(t.TNI_Seuil_MaxMax));
    w.integer(kSeuils, "Seuil_Min", Stored::Round(t.TNI_Seuil_Min));
    w.integer(kSeuils, "Seuil_Max", Stored::Round(t.TNI_Seuil_Max));
    w.integer(kSeuils, "CKB_Seuils_Evol", Stored::Bool(t.CKB_Seuils_Evol));

    const PipelineControls& c = from.core.controls;
    w.integer(kPrefs, "Taille_Zaffich", from.core.displayZoneSizeToKeep());
    w.integer(kPrefs, "CKB_Zones_Liees", Stored::Bool(from.links.CKB_Zones_Liees));

    w.integer(kAutoguide, "AG_Intervalle_Guidage", Stored::Trunc(c.SPED_Intervalle_Guidage));
    w.integer(kAutoguide, "AG_Neutre", c.tracking.SPED_Neutre);

    w.integer(kMire, "CKB_Intensite_Max", Stored::Bool(c.CKB_Intensite_Max));
    w.integer(kMire, "CKB_Intensite_Min", Stored::Bool(c.CKB_Intensite_Min));
    w.integer(kMire, "FWHM", Stored::Bool(c.CKB_FWHM));
    w.integer(kMire, "RDB_Carre", Stored::Bool(c.markerShape == 0));
    w.integer(kMire, "RDB_Cercle", Stored::Bool(c.markerShape == 1));
    w.integer(kMire, "RDB_Croix", Stored::Bool(c.crossShape == 0));
    w.integer(kMire, "RDB_Point", Stored::Bool(c.crossShape == 1));
}

} // namespace

void LoadSettings(SettingsFile& file, const QString& startDirectory, const SettingsTargets& to)
{
    const IniFile& ini = file.open();
    const Reader r(ini);
    loadOptics(file, r, ini, to.prefs);
    loadResultPrefs(r, startDirectory, to.saving, to.prefs);
    loadDisplayPrefs(r, to.core, to.video);
    loadThresholds(r, to.core.controls.GRB_Seuils);
    to.links.CKB_Zones_Liees = r.flag(kPrefs, "CKB_Zones_Liees", false);
    loadAutoguide(r, to.core.controls);
    loadMire(r, to.core.controls);
    // Nothing was written: closing only ends the session.
    file.close();
    to.prefs.effectiveFocal = ComputeEffectiveFocal(to.prefs.optics);
}

void SaveSettings(SettingsFile& file, const SettingsTargets& from)
{
    try {
        saveAll(file.open(), from);
    } catch (...) {
        file.discard();
        throw;
    }
    file.close();
}

} // namespace velumbra

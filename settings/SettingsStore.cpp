#include "settings/SettingsStore.h"
#include "settings/IndiStore.h"
#include "settings/WindowPositions.h"
#include "settings/ProfileActions.h"
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
const QString kExposure = QStringLiteral("Exposure");
const QString kSeuils = QStringLiteral("Seuils");
const QString kAutoguide = QStringLiteral("Autoguide");
const QString kAutoFocus = QStringLiteral("AutoFocus");
const QString kMire = QStringLiteral("Mire");

// Limits of the controls the values land in.
constexpr int kSequenceLengthMin = 1, kSequenceLengthMax = 5;
constexpr int kRefreshMin = 33, kRefreshMax = 10000; // ms, slider and field
constexpr int kThresholdMax = 65535;                 // fields and sliders
constexpr int kGuideIntervalMin = 1, kGuideIntervalMax = 1500; // frames
constexpr int kDeadZoneMax = 200;                    // pixels
constexpr int kLongestExposure = 43200000;           // ms, twelve hours
constexpr int kParallelPorts = 15, kSerialPorts = 8, kBaudRates = 15, kParities = 4, kDataBits = 2, kStopBits = 3;
constexpr int kGuideLineSets = 3;
constexpr double kPinMin = 2, kPinMax = 9;

// Reads through one open file, section by section. Each kind of control
// takes a stored value its own way: a numeric field refuses a value out of
// its range and keeps its own, a spin box or a slider moves to its nearest
// bound, a list keeps its choice when the index names no item.
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
    void field(const QString& section, const char* key, int missing, double& value, double lo, double hi) const
    {
        const int stored = integer(section, key, missing);
        if (stored >= lo && stored <= hi) value = stored;
    }
    // A field whose value is stored ×1000.
    void thousandths(const QString& section, const char* key, int missing, double& value, double lo, double hi) const
    {
        const double stored = integer(section, key, missing) / 1000.0;
        if (stored >= lo && stored <= hi) value = stored;
    }
    void spin(const QString& section, const char* key, int missing, int& value, int lo, int hi) const
    {
        value = std::clamp(integer(section, key, missing), lo, hi);
    }
    void index(const QString& section, const char* key, int missing, int& value, int count) const
    {
        const int stored = integer(section, key, missing);
        if (stored >= 0 && stored < count) value = stored;
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

void loadProfiles(SettingsFile& file, const Reader& r, const IniFile& ini, PrefsValues& prefs,
                  VideoSourceControls& video)
{
    prefs.opticsProfiles = file.ListProfiles(profilePrefix(ProfileKind::Optics));
    prefs.opticsProfiles.sort();
    prefs.CBX_Optique = r.text(kPrefs, "Optique_Courante", QStringLiteral("Defaut"));
    prefs.optics = ReadOpticsProfile(ini, prefs.CBX_Optique, prefs.optics);

    // The mount's current name must be one of the listed profiles (any
    // case); otherwise the combo box shows nothing and the defaults load.
    prefs.mountProfiles = file.ListProfiles(profilePrefix(ProfileKind::Mount));
    prefs.mountProfiles.sort();
    const QString mount = r.text(kPrefs, "Monture_Courante", QStringLiteral("Defaut"));
    prefs.CBX_Monture.clear();
    for (const QString& name : prefs.mountProfiles) {
        if (name.compare(mount, Qt::CaseInsensitive) == 0) {
            prefs.CBX_Monture = name;
            break;
        }
    }
    prefs.mount = ReadMountProfile(ini, prefs.CBX_Monture, prefs.mount);

    prefs.cameraProfiles = file.ListProfiles(profilePrefix(ProfileKind::Camera));
    prefs.cameraProfiles.sort();
    prefs.CBX_Camera = r.text(kPrefs, "Camera_Courante", QStringLiteral("Defaut"));
    prefs.camera = ReadCameraProfile(ini, prefs.CBX_Camera, prefs.camera);
    video.CKB_RAW = prefs.camera.CKB_RAW;
    video.rawMode = prefs.camera.rawMode;
}

void loadResultPrefs(const Reader& r, const QString& startDirectory, SavingControls& s, PrefsValues& prefs)
{
    s.EDT_Nom_Image = r.text(kPrefs, "Nom_Image", QString());
    prefs.EDT_Repertoire_Bitmaps = r.text(kPrefs, "Repertoire_Bitmaps", QString());
    prefs.EDT_Repertoire_drivers = r.text(kPrefs, "EDT_Repertoire_drivers", QStringLiteral("\\drivers"));
    prefs.lastOpenedDirectory = r.text(kPrefs, "Dernier_Repertoire_ouvert", startDirectory);
    s.CKB_Longueur_Fixe = r.flag(kPrefs, "Longueur_Fixe", false);
    r.field(kPrefs, "Longueur_Sequence", 4, s.TNI_Longueur_Sequence, kSequenceLengthMin, kSequenceLengthMax);
    SelectionPrefs& sel = prefs.selection;
    using L = SelectionLimits;
    r.spin(kPrefs, "Finesse_Selection", 70, sel.SCB_Finesse_Selection, L::finesseMin, L::finesseMax);
    s.CKB_Enreg_Params = r.flag(kPrefs, "Enreg_Params_Image", false);
    r.index(kPrefs, "Format_Image", kFormatBmp, s.CBX_Format, 2); // BMP, FITS
    r.spin(kPrefs, "Sensibilite_MAP", 990, sel.SCB_Sensibilite_MAP, L::focusMin, L::focusMax);
    r.spin(kPrefs, "Precision_MAP", 990, sel.SCB_Precision_MAP, L::focusMin, L::focusMax);
}

void loadExposure(const Reader& r, LongExposurePrefs& e)
{
    r.index(kExposure, "Vesta_Port", 0, e.CBX_Vesta_Port, kParallelPorts);
    r.spin(kExposure, "Vesta_InterPose", 150, e.SPED_Vesta_Interpose, 1, kLongestExposure);
    r.field(kExposure, "TNI_Bit_Active_Odd", 2, e.TNI_Bit_Active_Odd, kPinMin, kPinMax);
    r.field(kExposure, "TNI_Vesta_Activevalue_Odd", 1, e.TNI_Vesta_ActiveValue_Odd, 0, 1);
    r.field(kExposure, "TNI_Bit_Active_Even", 3, e.TNI_Bit_Active_Even, kPinMin, kPinMax);
    r.field(kExposure, "TNI_Vesta_Activevalue_Even", 1, e.TNI_Vesta_ActiveValue_Even, 0, 1);
    r.field(kExposure, "TNI_Bit_Amp_Active", 4, e.TNI_Bit_Amp_Active, kPinMin, kPinMax);
    r.field(kExposure, "TNI_Amp_ActiveValue", 1, e.TNI_Amp_ActiveValue, 0, 1);
    r.field(kExposure, "TNI_Bit_Longexp_Active", 5, e.TNI_Bit_Longexp_Active, kPinMin, kPinMax);
    r.field(kExposure, "TNI_Longexp_ActiveValue", 1, e.TNI_Longexp_ActiveValue, 0, 1);
    r.spin(kExposure, "SPED_Avance", 200, e.SPED_Avance, 0, 60000);
    r.index(kExposure, "CBX_Ligne_Guidage", 0, e.CBX_Ligne_guidage, kGuideLineSets);
    e.CKB_LongueposePermanent = r.flag(kExposure, "CKB_LongueposePermanent", false);
    r.spin(kExposure, "Vesta-Pose", 5000, e.SPED_Vesta_Pose, 1, kLongestExposure);
    r.spin(kExposure, "Vesta-Pose-Guidage", 500, e.SPED_Vesta_Pose_Guidage, 1, kLongestExposure);
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

// The interface buttons are set in turn, as radio buttons are: checking one
// unchecks the others, unchecking the checked one leaves none.
void loadInterface(const Reader& r, AutoguidePrefs& a)
{
    const std::pair<const char*, MountInterface> buttons[] = {{"Aucun", MountInterface::Aucun},
                                                             {"Guide_LX200", MountInterface::LX200},
                                                             {"Guide_Tolvir", MountInterface::Tolvir},
                                                             {"Guide_Varnek", MountInterface::Varnek}};
    for (const auto& [key, choice] : buttons) {
        if (r.flag(kAutoguide, key, choice == MountInterface::Aucun)) a.interface = choice;
        else if (a.interface == choice) a.interface = MountInterface::NoneChecked;
    }
}

void loadAutoguide(const Reader& r, PipelineControls& c, AutoguidePrefs& a)
{
    int interval = 10;
    r.spin(kAutoguide, "AG_Intervalle_Guidage", 10, interval, kGuideIntervalMin, kGuideIntervalMax);
    c.SPED_Intervalle_Guidage = interval;
    r.index(kAutoguide, "AG_PortSerie", 0, a.CBX_AG_PortSerie, kSerialPorts);
    a.serialDevice = r.text(kAutoguide, "AG_PortSerie_Peripherique", QString());
    r.index(kAutoguide, "AG_PortParallele", 0, a.CBX_AG_PortParallele, kParallelPorts);
    r.index(kAutoguide, "AG_Vitesse", 6, a.CBX_AG_Vitesse, kBaudRates);
    r.index(kAutoguide, "AG_Parite", 3, a.CBX_AG_Parite, kParities);
    r.index(kAutoguide, "AG_Databits", 1, a.CBX_AG_Databits, kDataBits);
    r.index(kAutoguide, "AG_StopBits", 0, a.CBX_AG_StopBits, kStopBits);
    r.spin(kAutoguide, "AG_Neutre", 2, c.tracking.SPED_Neutre, 0, kDeadZoneMax);
    r.field(kAutoguide, "TNI_Bit_Est", 6, a.TNI_Bit_Est, kPinMin, kPinMax);
    r.field(kAutoguide, "TNI_Est_Activevalue", 1, a.TNI_Est_ActiveValue, 0, 1);
    r.field(kAutoguide, "TNI_Bit_Ouest", 7, a.TNI_Bit_Ouest, kPinMin, kPinMax);
    r.field(kAutoguide, "TNI_Ouest_Activevalue", 1, a.TNI_Ouest_ActiveValue, 0, 1);
    r.field(kAutoguide, "TNI_Bit_Nord", 8, a.TNI_Bit_Nord, kPinMin, kPinMax);
    r.field(kAutoguide, "TNI_Nord_Activevalue", 1, a.TNI_Nord_ActiveValue, 0, 1);
    r.field(kAutoguide, "TNI_Bit_Sud", 9, a.TNI_Bit_Sud, kPinMin, kPinMax);
    r.field(kAutoguide, "TNI_Sud_Activevalue", 1, a.TNI_Sud_ActiveValue, 0, 1);
    r.spin(kAutoguide, "AG_Duree_impulsions", 200, a.SPED_Duree_impulsions, AutoguideLimits::pulseMin,
           AutoguideLimits::pulseMax);
    using L = AutoguideLimits;
    r.thousandths(kAutoguide, "AG_Vitesse_Nord", 5000, a.TNI_Vitesse_Nord, L::speedMin, L::speedMax);
    r.thousandths(kAutoguide, "AG_Vitesse_Ouest", 5000, a.TNI_Vitesse_Ouest, L::speedMin, L::speedMax);
    r.thousandths(kAutoguide, "AG_Vitesse_Est", 5000, a.TNI_Vitesse_Est, L::speedMin, L::speedMax);
    r.thousandths(kAutoguide, "AG_Vitesse_Sud", 5000, a.TNI_Vitesse_Sud, L::speedMin, L::speedMax);
    a.CKB_Correct_Ouest = r.flag(kAutoguide, "CKB_Correct_Ouest", true);
    a.CKB_Correct_Est = r.flag(kAutoguide, "CKB_Correct_Est", true);
    a.CKB_Correct_Nord = r.flag(kAutoguide, "CKB_Correct_Nord", true);
    a.CKB_Correct_Sud = r.flag(kAutoguide, "CKB_Correct_Sud", true);
    r.field(kAutoguide, "AG_Tps_Inertie", 100, a.TNI_Tps_Inertie, 0, L::inertiaMaxMs);
    a.CKB_Separes = r.flag(kAutoguide, "AG_Guide_Separement", false);
    r.spin(kAutoguide, "AG_Delai_Guide_Separement", 25, a.SPED_Delai_Separes, 0, L::alternateDelayMax);
    r.spin(kAutoguide, "AG_Prc_Inertie", 20, a.SPED_Pourcent_Inertie, 0, 100);
    // The two inertia buttons form a group: the second checked wins, and
    // both may end unchecked (no compensation).
    if (r.flag(kAutoguide, "AG_Choix_Tps_Inertie", false)) {
        a.RDB_Temps_Inertie = true;
        a.RDB_Pourcent_Inertie = false;
    } else {
        a.RDB_Temps_Inertie = false;
    }
    if (r.flag(kAutoguide, "AG_Choix_Prc_Inertie", true)) {
        a.RDB_Pourcent_Inertie = true;
        a.RDB_Temps_Inertie = false;
    } else {
        a.RDB_Pourcent_Inertie = false;
    }
    r.field(kAutoguide, "AG_Duree_Test", 1000, a.TNI_Duree_test, L::testMin, L::testMax);
    a.CKB_InverseAD = r.flag(kAutoguide, "InverseAD", false);
    a.CKB_InverseDEC = r.flag(kAutoguide, "InverseDEC", false);
}

void loadAutoFocus(const Reader& r, AutoFocusPrefs& f)
{
    r.spin(kAutoFocus, "SPED_TPS_Base_Autofocus", 10000, f.SPED_Tps_Base_Autofocus, 0, 60000);
    r.thousandths(kAutoFocus, "TNI_FWHM_Stop", 4000, f.TNI_FWHM_Stop, 0, AutoFocusPrefs::fwhmStopMax);
}

// Two radio buttons of one group set in turn: checking one unchecks the
// other, unchecking the checked one leaves none (2 = no shape).
unsigned char shapeFrom(bool first, bool second)
{
    if (second) return 1;
    return first ? 0 : 2;
}

void loadMire(const Reader& r, PipelineControls& c, PrefsValues& prefs)
{
    c.CKB_Intensite_Max = r.flag(kMire, "CKB_Intensite_Max", false);
    c.CKB_Intensite_Min = r.flag(kMire, "CKB_Intensite_Min", false);
    c.CKB_FWHM = r.flag(kMire, "FWHM", false);
    prefs.CKB_IPS = r.flag(kMire, "IPS", false);
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

void saveProfiles(IniFile& ini, Writer& w, const PrefsValues& prefs)
{
    w.text(kPrefs, "Optique_Courante", prefs.CBX_Optique);
    WriteOpticsProfile(ini, prefs.CBX_Optique, prefs.optics);
    w.text(kPrefs, "Monture_Courante", prefs.CBX_Monture);
    WriteMountProfile(ini, prefs.CBX_Monture, prefs.mount);
    w.text(kPrefs, "Camera_Courante", prefs.CBX_Camera);
    WriteCameraProfile(ini, prefs.CBX_Camera, prefs.camera);
}

void saveResultPrefs(Writer& w, const SavingControls& s, const PrefsValues& prefs)
{
    w.text(kPrefs, "Repertoire_Bitmaps", prefs.EDT_Repertoire_Bitmaps);
    w.text(kPrefs, "EDT_Repertoire_drivers", prefs.EDT_Repertoire_drivers);
    w.text(kPrefs, "Nom_Image", s.EDT_Nom_Image);
    w.text(kPrefs, "Dernier_Repertoire_ouvert", prefs.lastOpenedDirectory);
    w.integer(kPrefs, "Longueur_Fixe", Stored::Bool(s.CKB_Longueur_Fixe));
    w.integer(kPrefs, "Longueur_Sequence", Stored::Round(s.TNI_Longueur_Sequence));
    w.integer(kPrefs, "Finesse_Selection", prefs.selection.SCB_Finesse_Selection);
    w.integer(kPrefs, "Enreg_Params_Image", Stored::Bool(s.CKB_Enreg_Params));
    w.integer(kPrefs, "Format_Image", s.CBX_Format);
    w.integer(kPrefs, "Sensibilite_MAP", prefs.selection.SCB_Sensibilite_MAP);
    w.integer(kPrefs, "Precision_MAP", prefs.selection.SCB_Precision_MAP);
}

void saveExposure(Writer& w, const LongExposurePrefs& e, const SettingsTargets::ShownFrame& shown)
{
    w.integer(kExposure, "Vesta_Port", e.CBX_Vesta_Port);
    w.integer(kExposure, "Vesta_InterPose", e.SPED_Vesta_Interpose);
    w.integer(kExposure, "TNI_Bit_Active_Odd", Stored::Trunc(e.TNI_Bit_Active_Odd));
    w.integer(kExposure, "TNI_Vesta_Activevalue_Odd", Stored::Trunc(e.TNI_Vesta_ActiveValue_Odd));
    w.integer(kExposure, "TNI_Bit_Active_Even", Stored::Trunc(e.TNI_Bit_Active_Even));
    w.integer(kExposure, "TNI_Vesta_Activevalue_Even", Stored::Trunc(e.TNI_Vesta_ActiveValue_Even));
    w.integer(kExposure, "TNI_Bit_Amp_Active", Stored::Trunc(e.TNI_Bit_Amp_Active));
    w.integer(kExposure, "TNI_Amp_ActiveValue", Stored::Trunc(e.TNI_Amp_ActiveValue));
    w.integer(kExposure, "TNI_Bit_Longexp_Active", Stored::Trunc(e.TNI_Bit_Longexp_Active));
    w.integer(kExposure, "TNI_Longexp_ActiveValue", Stored::Trunc(e.TNI_Longexp_ActiveValue));
    w.integer(kExposure, "SPED_Avance", e.SPED_Avance);
    w.integer(kExposure, "CBX_Ligne_Guidage", e.CBX_Ligne_guidage);
    w.integer(kExposure, "CKB_LongueposePermanent", Stored::Bool(e.CKB_LongueposePermanent));
    // The last frame's size and scale, only once a frame was shown.
    if (shown.width > 0) {
        w.integer(kExposure, "LastVideoWidth", shown.width);
        w.integer(kExposure, "LastVideoHeight", shown.height);
        w.integer(kExposure, "LastEchantillonnage", Stored::TruncThousandths(shown.sampling));
    }
    w.integer(kExposure, "Vesta-Pose", e.SPED_Vesta_Pose);
    w.integer(kExposure, "Vesta-Pose-Guidage", e.SPED_Vesta_Pose_Guidage);
}

void saveThresholds(Writer& w, const ThresholdControls& t)
{
    w.integer(kSeuils, "Seuil_MinMin", Stored::Round(t.TNI_Seuil_MinMin));
    w.integer(kSeuils, "Seuil_MaxMin", Stored::Round(t.TNI_Seuil_MaxMin));
    w.integer(kSeuils, "Seuil_MinMax", Stored::Round(t.TNI_Seuil_MinMax));
    w.integer(kSeuils, "Seuil_MaxMax", Stored::Round(t.TNI_Seuil_MaxMax));
    w.integer(kSeuils, "Seuil_Min", Stored::Round(t.TNI_Seuil_Min));
    w.integer(kSeuils, "Seuil_Max", Stored::Round(t.TNI_Seuil_Max));
    w.integer(kSeuils, "CKB_Seuils_Evol", Stored::Bool(t.CKB_Seuils_Evol));
}

void saveAutoguide(Writer& w, const PipelineControls& c, const AutoguidePrefs& a)
{
    w.text(kAutoguide, "AG_Fichier_Decalage", a.EDT_Fichier_Decalage);
    w.integer(kAutoguide, "AG_Intervalle_Guidage", Stored::Trunc(c.SPED_Intervalle_Guidage));
    w.integer(kAutoguide, "Aucun", Stored::Bool(a.interface == MountInterface::Aucun));
    w.integer(kAutoguide, "Guide_LX200", Stored::Bool(a.interface == MountInterface::LX200));
    w.integer(kAutoguide, "Guide_Tolvir", Stored::Bool(a.interface == MountInterface::Tolvir));
    w.integer(kAutoguide, "Guide_Varnek", Stored::Bool(a.interface == MountInterface::Varnek));
    w.integer(kAutoguide, "AG_PortSerie", a.CBX_AG_PortSerie);
    w.text(kAutoguide, "AG_PortSerie_Peripherique", a.serialDevice);
    w.integer(kAutoguide, "AG_PortParallele", a.CBX_AG_PortParallele);
    w.integer(kAutoguide, "AG_Vitesse", a.CBX_AG_Vitesse);
    w.integer(kAutoguide, "AG_Parite", a.CBX_AG_Parite);
    w.integer(kAutoguide, "AG_Databits", a.CBX_AG_Databits);
    w.integer(kAutoguide, "AG_StopBits", a.CBX_AG_StopBits);
    w.integer(kAutoguide, "AG_Neutre", c.tracking.SPED_Neutre);
    w.integer(kAutoguide, "TNI_Bit_Est", Stored::Trunc(a.TNI_Bit_Est));
    w.integer(kAutoguide, "TNI_Est_Activevalue", Stored::Trunc(a.TNI_Est_ActiveValue));
    w.integer(kAutoguide, "TNI_Bit_Ouest", Stored::Trunc(a.TNI_Bit_Ouest));
    w.integer(kAutoguide, "TNI_Ouest_Activevalue", Stored::Trunc(a.TNI_Ouest_ActiveValue));
    w.integer(kAutoguide, "TNI_Bit_Nord", Stored::Trunc(a.TNI_Bit_Nord));
    w.integer(kAutoguide, "TNI_Nord_Activevalue", Stored::Trunc(a.TNI_Nord_ActiveValue));
    w.integer(kAutoguide, "TNI_Bit_Sud", Stored::Trunc(a.TNI_Bit_Sud));
    w.integer(kAutoguide, "TNI_Sud_Activevalue", Stored::Trunc(a.TNI_Sud_ActiveValue));
    w.integer(kAutoguide, "AG_Duree_impulsions", a.SPED_Duree_impulsions);
    w.integer(kAutoguide, "AG_Vitesse_Nord", Stored::TruncThousandths(a.TNI_Vitesse_Nord));
    w.integer(kAutoguide, "AG_Vitesse_Ouest", Stored::TruncThousandths(a.TNI_Vitesse_Ouest));
    w.integer(kAutoguide, "AG_Vitesse_Est", Stored::TruncThousandths(a.TNI_Vitesse_Est));
    w.integer(kAutoguide, "AG_Vitesse_Sud", Stored::TruncThousandths(a.TNI_Vitesse_Sud));
    w.integer(kAutoguide, "CKB_Correct_Ouest", Stored::Bool(a.CKB_Correct_Ouest));
    w.integer(kAutoguide, "CKB_Correct_Est", Stored::Bool(a.CKB_Correct_Est));
    w.integer(kAutoguide, "CKB_Correct_Nord", Stored::Bool(a.CKB_Correct_Nord));
    w.integer(kAutoguide, "CKB_Correct_Sud", Stored::Bool(a.CKB_Correct_Sud));
    w.integer(kAutoguide, "AG_Tps_Inertie", Stored::Trunc(a.TNI_Tps_Inertie));
    w.integer(kAutoguide, "AG_Guide_Separement", Stored::Bool(a.CKB_Separes));
    w.integer(kAutoguide, "AG_Delai_Guide_Separement", a.SPED_Delai_Separes);
    w.integer(kAutoguide, "AG_Prc_Inertie", a.SPED_Pourcent_Inertie);
    w.integer(kAutoguide, "AG_Choix_Tps_Inertie", Stored::Bool(a.RDB_Temps_Inertie));
    w.integer(kAutoguide, "AG_Choix_Prc_Inertie", Stored::Bool(a.RDB_Pourcent_Inertie));
    w.integer(kAutoguide, "AG_Duree_Test", Stored::Trunc(a.TNI_Duree_test));
    w.integer(kAutoguide, "InverseAD", Stored::Bool(a.CKB_InverseAD));
    w.integer(kAutoguide, "InverseDEC", Stored::Bool(a.CKB_InverseDEC));
}

void saveMire(Writer& w, const PipelineControls& c, const PrefsValues& prefs)
{
    w.integer(kMire, "CKB_Intensite_Max", Stored::Bool(c.CKB_Intensite_Max));
    w.integer(kMire, "CKB_Intensite_Min", Stored::Bool(c.CKB_Intensite_Min));
    w.integer(kMire, "FWHM", Stored::Bool(c.CKB_FWHM));
    w.integer(kMire, "IPS", Stored::Bool(prefs.CKB_IPS));
    w.integer(kMire, "RDB_Carre", Stored::Bool(c.markerShape == 0));
    w.integer(kMire, "RDB_Cercle", Stored::Bool(c.markerShape == 1));
    w.integer(kMire, "RDB_Croix", Stored::Bool(c.crossShape == 0));
    w.integer(kMire, "RDB_Point", Stored::Bool(c.crossShape == 1));
}

void saveAll(IniFile& ini, const SettingsTargets& from)
{
    Writer w(ini);
    const PrefsValues& prefs = from.prefs;
    const PipelineControls& c = from.core.controls;
    w.integer(kPrefs, "Langue", prefs.CBX_Langue);
    saveProfiles(ini, w, prefs);
    if (from.indi) {
        from.indi->mountInterface = prefs.autoguide.interface == MountInterface::Indi;
        saveIndiSettings(ini, *from.indi);
    }
    if (from.windows) from.windows->save(ini);
    saveResultPrefs(w, from.saving, prefs);
    saveExposure(w, prefs.longExposure, from.shown);
    // The slider's position, which the field's exit handler sets through RoundDown.
    w.integer(kPrefs, "Tps_Rafraichissement",
              std::clamp(RoundDown(from.video.TNI_Tps_Rafraichissement), kRefreshMin, kRefreshMax));
    saveThresholds(w, c.GRB_Seuils);
    w.integer(kPrefs, "Taille_Zaffich", from.core.displayZoneSizeToKeep());
    w.integer(kPrefs, "CKB_Zones_Liees", Stored::Bool(from.links.CKB_Zones_Liees));
    w.integer(kPrefs, "Mode_Nuit", Stored::Bool(prefs.nightMode));
    w.integer(kPrefs, "Mode_Nuit_Image_Rouge", Stored::Bool(prefs.nightRedImage));
    saveAutoguide(w, c, prefs.autoguide);
    w.integer(kAutoFocus, "SPED_TPS_Base_Autofocus", prefs.autoFocus.SPED_Tps_Base_Autofocus);
    w.integer(kAutoFocus, "TNI_FWHM_Stop", Stored::TruncThousandths(prefs.autoFocus.TNI_FWHM_Stop));
    saveMire(w, c, prefs);
}

} // namespace

void LoadSettings(SettingsFile& file, const QString& startDirectory, const SettingsTargets& to)
{
    const IniFile& ini = file.open();
    const Reader r(ini);
    PrefsValues& prefs = to.prefs;
    PipelineControls& c = to.core.controls;
    // As stored: an index outside the language list selects no language.
    prefs.CBX_Langue = r.integer(kPrefs, "Langue", 0);
    loadProfiles(file, r, ini, prefs, to.video);
    loadResultPrefs(r, startDirectory, to.saving, prefs);
    loadExposure(r, prefs.longExposure);
    loadDisplayPrefs(r, to.core, to.video);
    loadThresholds(r, c.GRB_Seuils);
    to.links.CKB_Zones_Liees = r.flag(kPrefs, "CKB_Zones_Liees", false);
    prefs.nightMode = r.flag(kPrefs, "Mode_Nuit", false);
    prefs.nightRedImage = r.flag(kPrefs, "Mode_Nuit_Image_Rouge", true);
    loadInterface(r, prefs.autoguide);
    prefs.autoguide.EDT_Fichier_Decalage = r.text(kAutoguide, "AG_Fichier_Decalage", QString());
    loadAutoguide(r, c, prefs.autoguide);
    loadAutoFocus(r, prefs.autoFocus);
    loadMire(r, c, prefs);
    if (to.indi) {
        loadIndiSettings(ini, *to.indi);
        // The INDI choice lives in its own section: the interface keys of
        // [Autoguidage] are all off then.
        if (to.indi->mountInterface && prefs.autoguide.interface == MountInterface::NoneChecked)
            prefs.autoguide.interface = MountInterface::Indi;
    }
    // Nothing was written: closing only ends the session.
    file.close();
    prefs.effectiveFocal = ComputeEffectiveFocal(prefs.optics);
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

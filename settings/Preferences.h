#pragma once
#include "core/Rounding.h"
#include "settings/Optics.h"
#include "settings/Profiles.h"
#include "telescope/MountSettings.h"

#include <QString>
#include <QStringList>

namespace velumbra {

// The long-exposure tab (and the two lengths of the long-exposure window),
// held until the long-exposure control takes them. Pins are the data pins
// 2..9 of the port connector; active values 0 or 1.
struct LongExposurePrefs {
    int CBX_Vesta_Port = 0;          // index in the port address list, 0..14
    int SPED_Vesta_Interpose = 150;  // gap between exposures, ms, 1..43200000
    double TNI_Bit_Active_Odd = 2;
    double TNI_Vesta_ActiveValue_Odd = 1;
    double TNI_Bit_Active_Even = 3;
    double TNI_Vesta_ActiveValue_Even = 1;
    double TNI_Bit_Amp_Active = 4;
    double TNI_Amp_ActiveValue = 1;
    double TNI_Bit_Longexp_Active = 5;
    double TNI_Longexp_ActiveValue = 1;
    int SPED_Avance = 200;           // amplifier advance, ms, 0..60000
    int CBX_Ligne_guidage = 0;       // "Alterner", "Lignes impaires", "Lignes paires"
    bool CKB_LongueposePermanent = false;
    int SPED_Vesta_Pose = 5000;          // exposure length, ms, 1..43200000
    int SPED_Vesta_Pose_Guidage = 500;   // guide exposure length, ms, 1..43200000
};

// The telescope interface (MountInterface) chosen by the radio buttons. The
// clocked box (Dremla) is never stored: after a restart no stored button is
// checked.

// The telescope and autoguiding tabs. The guiding interval and the dead
// zone belong to the frame pipeline's controls.
struct AutoguidePrefs {
    MountInterface interface = MountInterface::Aucun;
    QString EDT_Fichier_Decalage;    // offset file
    int CBX_AG_PortSerie = 0;        // 0..7: COM1..COM8
    QString serialDevice;            // another serial device, by its path; empty: the COM item
    int CBX_AG_PortParallele = 0;    // 0..14
    int CBX_AG_Vitesse = 6;          // 9600 baud
    int CBX_AG_Parite = 3;           // "Aucune"
    int CBX_AG_Databits = 1;         // 8 bits
    int CBX_AG_StopBits = 0;         // 1 bit
    double TNI_Bit_Est = 6, TNI_Est_ActiveValue = 1;
    double TNI_Bit_Ouest = 7, TNI_Ouest_ActiveValue = 1;
    double TNI_Bit_Nord = 8, TNI_Nord_ActiveValue = 1;
    double TNI_Bit_Sud = 9, TNI_Sud_ActiveValue = 1;
    int SPED_Duree_impulsions = 200; // serial box pulse, ms, 15..945
    double TNI_Vitesse_Nord = 5.0;   // arc seconds per second
    double TNI_Vitesse_Ouest = 5.0;
    double TNI_Vitesse_Est = 5.0;
    double TNI_Vitesse_Sud = 5.0;
    bool CKB_Correct_Ouest = true;
    bool CKB_Correct_Est = true;
    bool CKB_Correct_Nord = true;
    bool CKB_Correct_Sud = true;
    double TNI_Tps_Inertie = 100;    // ms, 0..10000
    bool CKB_Separes = false;
    int SPED_Delai_Separes = 25;     // ms, 0..400
    int SPED_Pourcent_Inertie = 20;  // %, 0..100
    bool RDB_Temps_Inertie = false;
    bool RDB_Pourcent_Inertie = true;
    double TNI_Duree_test = 1000;    // calibration motion, ms, 250..3600000
    bool CKB_InverseAD = false;
    bool CKB_InverseDEC = false;
    // Not stored: unchecked at every start.
    bool CKB_Fichier_decalage = false;
    bool CKB_Affiche_Etendu = false;
    bool CKB_Historique_Comm = false;
    bool CKB_CR = false;
    bool CKB_LF = false;
};

struct AutoguideLimits {
    static constexpr int pulseMin = 15, pulseMax = 945, pulseStep = 15; // ms
    static constexpr double speedMin = 0, speedMax = 100000;           // arc seconds per second
    static constexpr double inertiaMaxMs = 10000;
    static constexpr int alternateDelayMax = 400;                      // ms
    static constexpr double testMin = 250, testMax = 3600000;         // ms
};

// The autofocus group of the telescope tab.
struct AutoFocusPrefs {
    int SPED_Tps_Base_Autofocus = 10000; // ms, 0..60000
    double TNI_FWHM_Stop = 4.0;          // pixels, 0..100
    static constexpr double fwhmStopMax = 100;
};

// Image selection and focus tabs: slider positions.
struct SelectionPrefs {
    int SCB_Finesse_Selection = 70; // 1..100
    int SCB_Sensibilite_MAP = 990;  // 900..1000
    int SCB_Precision_MAP = 990;    // 900..1000
    int SPED_Nb_Mesures = 10;       // 2..50, not stored

    // The shown values and ratios the slider positions stand for.
    int TNI_Finesse_Selection() const { return 101 - SCB_Finesse_Selection; }
    // The quality the measure encodes with: the field's value through
    // RoundDown (31 at the initial position gives 30).
    int jpegQuality() const { return RoundDown(TNI_Finesse_Selection()); }
    double focusPrecisionRatio() const { return (1000 - SCB_Precision_MAP) / 1000.0; }
    double focusSensitivityRatio() const { return (1000 - SCB_Sensibilite_MAP) / 1000.0; }
};

struct SelectionLimits {
    static constexpr int finesseMin = 1, finesseMax = 100;
    static constexpr int focusMin = 900, focusMax = 1000;
    static constexpr int measuresMin = 2, measuresMax = 50;
};

// Everything the preferences dialog holds, tab by tab, apart from what a
// floor below owns (target marks, guiding interval and dead zone in the
// pipeline's controls; RAW decoding in the video source's).
struct PrefsValues {
    // Folders
    QString EDT_Repertoire_Bitmaps;
    QString EDT_Repertoire_drivers = QStringLiteral("\\drivers"); // kept; no use on Linux
    QString lastOpenedDirectory;
    // Optics profile
    QStringList opticsProfiles{QStringLiteral("Defaut")}; // CBX_Optique's items
    QString CBX_Optique = QStringLiteral("Defaut");       // its text
    OpticsControls optics;
    double effectiveFocal = ComputeEffectiveFocal(OpticsControls{});
    // Mount profile
    QStringList mountProfiles{QStringLiteral("Defaut")};
    QString CBX_Monture = QStringLiteral("Defaut");
    MountControls mount;
    // Camera profile
    QStringList cameraProfiles{QStringLiteral("Defaut")};
    QString CBX_Camera = QStringLiteral("Defaut");
    CameraProfile camera;
    // The other tabs
    LongExposurePrefs longExposure;
    AutoguidePrefs autoguide;
    AutoFocusPrefs autoFocus;
    SelectionPrefs selection;
    int CBX_Langue = 0;   // index in the language list; one outside it selects none
    bool CKB_IPS = false; // frames per second beside the target: stored, no other effect
    // The night mode: red on black windows, and the live image red too when chosen.
    bool nightMode = false;
    bool nightRedImage = true;
};

} // namespace velumbra

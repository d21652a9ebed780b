#pragma once
#include "settings/Optics.h"
#include "settings/SettingsFile.h"

#include <QString>
#include <QStringList>

namespace velumbra {

struct ImageCore;
struct SavingControls;
struct VideoSourceControls;
struct ResultClickLinks;

// Preferences kept for windows that hold them in a widget or a private
// member: the image folder, the folder of the open dialogs and the current
// optics profile with its values.
struct PrefsValues {
    QString EDT_Repertoire_Bitmaps;
    QString lastOpenedDirectory;
    QStringList opticsProfiles{QStringLiteral("Defaut")}; // CBX_Optique's items
    QString CBX_Optique = QStringLiteral("Defaut");       // its text
    OpticsControls optics;
    double effectiveFocal = ComputeEffectiveFocal(OpticsControls{});
};

// The control structs the settings file fills at the first activation of
// the main window and is written from when it closes.
struct SettingsTargets {
    ImageCore& core; // thresholds, tracking, target marks, saved display-zone size
    SavingControls& saving;
    VideoSourceControls& video;
    ResultClickLinks& links;
    PrefsValues& prefs;
};

// `startDirectory` ends with "/"; it is the default of the last opened folder.
// Missing or malformed keys leave their defaults; values a field would
// refuse leave the control as it was.
void LoadSettings(SettingsFile& file, const QString& startDirectory, const SettingsTargets& to);

// Writes every key this program knows into the settings file in one
// replacement of the file; other lines of the file stay. Throws
// IniWriteError ("Ne peut écrire dans <file>") and then leaves the file as it was.
void SaveSettings(SettingsFile& file, const SettingsTargets& from);

} // namespace velumbra

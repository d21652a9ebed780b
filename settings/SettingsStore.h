#pragma once
#include "settings/Preferences.h"
#include "settings/SettingsFile.h"
#include "indi/IndiSettings.h"

#include <QString>
#include <QStringList>

namespace velumbra {

struct ImageCore;
struct SavingControls;
struct VideoSourceControls;
struct ResultClickLinks;
class WindowPositions;

// The control structs the settings file fills at the first activation of
// the main window and is written from when it closes.
struct SettingsTargets {
    ImageCore& core; // thresholds, tracking, target marks, saved display-zone size
    SavingControls& saving;
    VideoSourceControls& video;
    ResultClickLinks& links;
    PrefsValues& prefs;
    // The frame the main window shows (width 0 before the first): its size
    // and sampling are written at close for other programs to read.
    struct ShownFrame {
        int width = 0;
        int height = 0;
        double sampling = 0;
    } shown = {};
    // The [INDI] section, when the program has an INDI connection.
    IndiSettings* indi = nullptr;
    // The places of the windows (written at close; read before the main
    // window shows, since it opens where the user left it).
    const WindowPositions* windows = nullptr;
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

#pragma once
#include "acquisition/control/VideoSource.h"
#include "core/Clock.h"
#include "results/ResultClicks.h"
#include "results/SaveScheduler.h"
#include "settings/ProfileActions.h"
#include "settings/SettingsStore.h"

#include <QString>
#include <memory>

namespace velumbra {

class TFRM_Alv;

// The settings file of the main window: read into the control structs at
// its first activation and shown in the widgets, written back when it closes.
class ShellSettings {
public:
    explicit ShellSettings(TFRM_Alv& main);
    ~ShellSettings();

    // `Velumbra.ini` in the current directory.
    void load();
    // The message of a failed write ("Ne peut écrire dans <file>"), empty
    // when the file was written; after a failure the old file stays.
    QString save();

    const QString& startDirectory() const { return startDirectory_; }
    const QString& settingsPath() const { return settingsPath_; }
    PrefsValues& prefs() { return prefs_; }
    // The profile actions of the preferences dialog; they write to the
    // settings file once it is loaded.
    ProfileActions& profiles();

private:
    SettingsTargets targets();
    void showInWidgets();

    TFRM_Alv& main_;
    SystemClock clock_;
    QString startDirectory_;
    QString settingsPath_;
    std::unique_ptr<SettingsFile> file_;
    PrefsValues prefs_;
    std::unique_ptr<ProfileActions> profiles_;
    // Stand-ins while a window is not attached (tests of the main window alone).
    SavingControls noSaving_;
    ResultClickLinks noLinks_;
};

} // namespace velumbra

#pragma once
#include "settings/Preferences.h"

#include <QString>

namespace velumbra {

class SettingsFile;
struct VideoSourceControls;

enum class ProfileKind { Optics, Mount, Camera };

// What the optics, mount and camera tabs do with their profiles: every
// change of a combo box's text reads the profile of that text, "Nouveau"
// lists the text and writes the profile, "Suppr." erases it, and leaving
// one of a profile's numeric fields writes the whole profile under the
// current text. Writes throw IniWriteError ("Ne peut écrire dans <file>").
class ProfileActions {
public:
    ProfileActions(PrefsValues& prefs, VideoSourceControls& video) : prefs_(prefs), video_(video) {}

    // No file before the settings are loaded: reads give the defaults and
    // writes are dropped.
    void setFile(SettingsFile* file) { file_ = file; }

    // The combo box's text changed (an item chosen or a character typed).
    // Optics: the effective focal is recomputed.
    void textChanged(ProfileKind kind, const QString& text);
    // "Nouveau": the current text joins the list (twice if pressed twice)
    // and the profile is written under it.
    void addCurrent(ProfileKind kind);
    // "Suppr.": when the current text is listed, its section is erased and
    // one entry removed; the text and values stay shown. False when the
    // text was not listed.
    bool eraseCurrent(ProfileKind kind);
    // A numeric field of the profile was left: the whole profile is written.
    void fieldLeft(ProfileKind kind);

    // The optics values changed (a field left, a box clicked): the
    // effective focal follows.
    void opticsEdited();
    // The camera profile's RAW choices reach the video source.
    void cameraToVideo();

private:
    QString& text(ProfileKind kind);
    QStringList& items(ProfileKind kind);
    void write(ProfileKind kind);

    PrefsValues& prefs_;
    VideoSourceControls& video_;
    SettingsFile* file_ = nullptr;
};

// The section prefix of a profile kind: "Optique.", "Monture." or "Camera.".
QString profilePrefix(ProfileKind kind);

} // namespace velumbra

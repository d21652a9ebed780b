#include "settings/ProfileActions.h"
#include "settings/SettingsFile.h"

#include "acquisition/control/VideoSource.h"

#include <algorithm>

namespace velumbra {

QString profilePrefix(ProfileKind kind)
{
    switch (kind) {
    case ProfileKind::Optics: return QStringLiteral("Optique.");
    case ProfileKind::Mount: return QStringLiteral("Monture.");
    case ProfileKind::Camera: return QStringLiteral("Camera.");
    }
    return {};
}

QString& ProfileActions::text(ProfileKind kind)
{
    switch (kind) {
    case ProfileKind::Optics: return prefs_.CBX_Optique;
    case ProfileKind::Mount: return prefs_.CBX_Monture;
    case ProfileKind::Camera: break;
    }
    return prefs_.CBX_Camera;
}

QStringList& ProfileActions::items(ProfileKind kind)
{
    switch (kind) {
    case ProfileKind::Optics: return prefs_.opticsProfiles;
    case ProfileKind::Mount: return prefs_.mountProfiles;
    case ProfileKind::Camera: break;
    }
    return prefs_.cameraProfiles;
}

void ProfileActions::textChanged(ProfileKind kind, const QString& name)
{
    text(kind) = name;
    // Without a file every name reads as a profile without a section.
    IniFile* none = nullptr;
    auto read = [&](const IniFile* ini) {
        switch (kind) {
        case ProfileKind::Optics:
            prefs_.optics = ini ? ReadOpticsProfile(*ini, name, prefs_.optics) : OpticsControls{};
            break;
        case ProfileKind::Mount:
            prefs_.mount = ini ? ReadMountProfile(*ini, name, prefs_.mount) : MountControls{};
            break;
        case ProfileKind::Camera:
            prefs_.camera = ini ? ReadCameraProfile(*ini, name, prefs_.camera) : CameraProfile{};
            break;
        }
    };
    if (file_) file_->use([&](IniFile& ini) { read(&ini); });
    else read(none);
    if (kind == ProfileKind::Optics) opticsEdited();
    if (kind == ProfileKind::Camera) cameraToVideo();
}

void ProfileActions::write(ProfileKind kind)
{
    if (!file_) return;
    const QString name = text(kind);
    file_->use([&](IniFile& ini) {
        switch (kind) {
        case ProfileKind::Optics: WriteOpticsProfile(ini, name, prefs_.optics); break;
        case ProfileKind::Mount: WriteMountProfile(ini, name, prefs_.mount); break;
        case ProfileKind::Camera: WriteCameraProfile(ini, name, prefs_.camera); break;
        }
    });
}

void ProfileActions::addCurrent(ProfileKind kind)
{
    QStringList& list = items(kind);
    // A sorted list: the name goes after its equals.
    const QString& name = text(kind);
    list.insert(std::upper_bound(list.begin(), list.end(), name) - list.begin(), name);
    write(kind);
}

bool ProfileActions::eraseCurrent(ProfileKind kind)
{
    QStringList& list = items(kind);
    const qsizetype at = list.indexOf(text(kind));
    if (at < 0) return false;
    if (file_) file_->EraseProfile(profilePrefix(kind) + text(kind));
    list.removeAt(at);
    return true;
}

void ProfileActions::fieldLeft(ProfileKind kind)
{
    if (kind == ProfileKind::Optics) opticsEdited();
    write(kind);
}

void ProfileActions::opticsEdited()
{
    prefs_.effectiveFocal = ComputeEffectiveFocal(prefs_.optics);
}

void ProfileActions::cameraToVideo()
{
    video_.CKB_RAW = prefs_.camera.CKB_RAW;
    video_.rawMode = prefs_.camera.rawMode;
}

} // namespace velumbra

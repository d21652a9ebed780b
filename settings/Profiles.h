#pragma once
#include "settings/Optics.h"

#include <QString>

namespace velumbra {

class IniFile;

// The mount tab: the polar-alignment adjusting screws. Initial values are
// those a profile without a section reads.
struct MountControls {
    double TNI_Rayon_Az = 15;  // radius of the azimuth adjusting device, mm, 1..9999
    double TNI_Rayon_Alt = 15; // radius of the altitude adjusting device, mm, 1..9999
    double TNI_Fil_Az = 1.0;   // screw pitch, mm between two threads, 0.1..10
    double TNI_Fil_Alt = 1.0;
    bool CKB_Inverse_Az = false; // reverse the alignment corrections
    bool CKB_Inverse_Alt = false;
};

struct MountLimits {
    static constexpr double radiusMin = 1, radiusMax = 9999;
    static constexpr double pitchMin = 0.1, pitchMax = 10;
};

// The camera tab: pixel size and the resolution it was given at, the
// long-exposure modification and the sensor mosaic.
struct CameraProfile {
    CameraControls pixels;
    bool CKB_VestaMod = false; // camera modified for long exposures
    bool CKB_RAW = false;      // rebuild colour from the sensor mosaic
    // The checked one of "Mode 1" .. "Mode 4" (0..3); -1 when none is.
    int RDB_RAWMode = 0;
    // The mosaic layout the video source uses: the last mode that was checked.
    int rawMode = 0;
};

struct CameraLimits {
    static constexpr double pixelSizeMax = 10000000;
    static constexpr double resolutionMin = 20, resolutionMax = 2048;
};

// Sections "Monture." + name and "Camera." + name. A missing section or key
// reads as the initial values; a value a field would refuse leaves the
// field's previous value (`held`).
MountControls ReadMountProfile(const IniFile& ini, const QString& name, const MountControls& held = {});
void WriteMountProfile(IniFile& ini, const QString& name, const MountControls& mount);
CameraProfile ReadCameraProfile(const IniFile& ini, const QString& name, const CameraProfile& held = {});
void WriteCameraProfile(IniFile& ini, const QString& name, const CameraProfile& camera);

} // namespace velumbra

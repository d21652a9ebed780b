#pragma once
#include "core/LanguageTable.h"

#include <QString>

#include <optional>

namespace velumbra {

class IniFile;

// Values of the optics tab's controls. The initial values are those a
// profile without a section reads, so a first start shows them.
struct OpticsControls {
    double TNI_Focale = 2000;     // primary focal length, mm, 1..99999
    bool CKB_Barlow = false;
    double TNI_Barlow = 2.0;      // 1..10
    bool CKB_Reducteur = false;
    double TNI_Reducteur = 0.63;  // 0.01..1
    bool CKB_RenvoiCoude = false; // diagonal mirror
};

// Values of the camera tab's controls that the sampling reads: the pixel
// size in micrometres and the resolution at which it was given.
struct CameraControls {
    double TNI_Larg_Pix = 7.4; // up to 10000000
    double TNI_Haut_Pix = 7.4;
    double TNI_NbPix_X = 640;  // 20..2048
    double TNI_NbPix_Y = 480;
};

// The ranges of the optics fields. A value outside them never reaches the
// calculations: the fields refuse it, and the calculations clamp anyway.
struct OpticsLimits {
    static constexpr double focalMin = 1;
    static constexpr double focalMax = 99999;
    static constexpr double barlowMin = 1.0;
    static constexpr double barlowMax = 10.0;
    static constexpr double reducerMin = 0.01;
    static constexpr double reducerMax = 1.0;
    static constexpr double pixelSizeMin = 1.0; // a measured size never shows below it
    static constexpr double pixelSizeMax = 10000000;
};

// Profiles store the factors ×1000; a factor read back below its lowest
// allowed value takes that value (a stored Barlow of 500 reads as 1.0).
double barlowFromStored(int stored);
double reducerFromStored(int stored);

// Reads the section "Optique." + name; a missing section or key gives the
// values of a fresh OpticsControls. A value a field would refuse leaves the
// field's previous value (`held`).
OpticsControls ReadOpticsProfile(const IniFile& ini, const QString& name, const OpticsControls& held = {});
// Writes the section "Optique." + name: the focal rounded to whole
// millimetres, the factors ×1000 rounded. Throws IniWriteError.
void WriteOpticsProfile(IniFile& ini, const QString& name, const OpticsControls& optics);

// Total focal length in mm: the primary focal times the Barlow factor and
// the reducer factor of the checked ones ("Focale totale (mm)").
double ComputeEffectiveFocal(const OpticsControls& optics);

// Pixel size in micrometres scaled from the resolution at which it was
// given to the current image width; 0 when it cannot be known.
double scaledPixelSize(const CameraControls& camera, int imageWidth);

enum class FieldUnit { Seconds, Minutes, Degrees };

// The caption of LBL_Unite_Champ for a unit, in the language of `texts`.
QString fieldUnitCaption(FieldUnit unit, const NamedTexts& texts = NamedTexts::builtIn());

// What the main window shows: sampling in arc seconds per pixel
// (TNI_Echantillonnage) and the field of view (TNI_ChampX, TNI_ChampY)
// in the unit of LBL_Unite_Champ.
struct SamplingResult {
    double TNI_Echantillonnage = 0;
    double TNI_ChampX = 0;
    double TNI_ChampY = 0;
    FieldUnit unit = FieldUnit::Seconds;
};

// The field of view given in arc seconds, in the unit its width calls for:
// above 7200 arc seconds in degrees, above 120 in minutes, else seconds.
SamplingResult fieldInUnit(double samplingArcsec, double fieldXArcsec, double fieldYArcsec);

// Sampling and field of view for the current image size. Nothing is
// returned (the shown values stay) without a known image width, or when
// the pixel size or the focal length gives no meaningful angle.
std::optional<SamplingResult> ComputeSampling(const CameraControls& camera, double effectiveFocal, int imageWidth,
                                              int imageHeight);

} // namespace velumbra

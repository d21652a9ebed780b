#include "settings/Optics.h"
#include "settings/IniFile.h"
#include "settings/StoredNumbers.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace velumbra {
namespace {

constexpr double kArcsecPerRadian = 648000.0 / std::numbers::pi;
constexpr double kMinutesFrom = 120;  // arc seconds
constexpr double kDegreesFrom = 7200; // arc seconds

// A value outside [lo, hi] takes the nearest bound; one that is not a
// number takes the fallback, so no NaN reaches a shown field.
double clampOr(double v, double lo, double hi, double fallback)
{
    return std::isnan(v) ? fallback : std::clamp(v, lo, hi);
}

} // namespace

double barlowFromStored(int stored)
{
    return std::max(stored / 1000.0, OpticsLimits::barlowMin);
}

double reducerFromStored(int stored)
{
    return std::max(stored / 1000.0, OpticsLimits::reducerMin);
}

OpticsControls ReadOpticsProfile(const IniFile& ini, const QString& name, const OpticsControls& held)
{
    const QString section = QStringLiteral("Optique.") + name;
    const OpticsControls initial;
    using L = OpticsLimits;
    // The fields refuse values outside their ranges and keep the one they hold.
    auto field = [](double value, double lo, double hi, double kept) { return value >= lo && value <= hi ? value : kept; };
    OpticsControls o;
    o.TNI_Focale = field(ini.ReadInteger(section, QStringLiteral("Focale"), int(initial.TNI_Focale)), L::focalMin,
                         L::focalMax, held.TNI_Focale);
    o.CKB_Barlow = ini.ReadInteger(section, QStringLiteral("BarlowChecked"), 0) != 0;
    o.TNI_Barlow = field(barlowFromStored(ini.ReadInteger(section, QStringLiteral("Barlow"), 2000)), L::barlowMin,
                         L::barlowMax, held.TNI_Barlow);
    o.CKB_Reducteur = ini.ReadInteger(section, QStringLiteral("ReducteurChecked"), 0) != 0;
    o.TNI_Reducteur = field(reducerFromStored(ini.ReadInteger(section, QStringLiteral("Reducteur"), 630)),
                            L::reducerMin, L::reducerMax, held.TNI_Reducteur);
    o.CKB_RenvoiCoude = ini.ReadInteger(section, QStringLiteral("RenvoiCoudeChecked"), 0) != 0;
    return o;
}

void WriteOpticsProfile(IniFile& ini, const QString& name, const OpticsControls& optics)
{
    const QString section = QStringLiteral("Optique.") + name;
    ini.WriteInteger(section, QStringLiteral("Focale"), Stored::Round(optics.TNI_Focale));
    ini.WriteInteger(section, QStringLiteral("BarlowChecked"), Stored::Bool(optics.CKB_Barlow));
    ini.WriteInteger(section, QStringLiteral("Barlow"), Stored::RoundThousandths(optics.TNI_Barlow));
    ini.WriteInteger(section, QStringLiteral("ReducteurChecked"), Stored::Bool(optics.CKB_Reducteur));
    ini.WriteInteger(section, QStringLiteral("Reducteur"), Stored::RoundThousandths(optics.TNI_Reducteur));
    ini.WriteInteger(section, QStringLiteral("RenvoiCoudeChecked"), Stored::Bool(optics.CKB_RenvoiCoude));
}

double ComputeEffectiveFocal(const OpticsControls& optics)
{
    const OpticsControls initial;
    const double focal =
        clampOr(optics.TNI_Focale, OpticsLimits::focalMin, OpticsLimits::focalMax, initial.TNI_Focale);
    const double barlow = optics.CKB_Barlow ? clampOr(optics.TNI_Barlow, OpticsLimits::barlowMin,
                                                      OpticsLimits::barlowMax, initial.TNI_Barlow)
                                            : 1.0;
    const double reducer = optics.CKB_Reducteur ? clampOr(optics.TNI_Reducteur, OpticsLimits::reducerMin,
                                                          OpticsLimits::reducerMax, initial.TNI_Reducteur)
                                                : 1.0;
    return reducer * (barlow * focal);
}

double scaledPixelSize(const CameraControls& camera, int imageWidth)
{
    if (imageWidth <= 0) return 0;
    const double p = camera.TNI_Larg_Pix * camera.TNI_NbPix_X / imageWidth;
    return std::isfinite(p) && p > 0 ? p : 0;
}

QString fieldUnitCaption(FieldUnit unit, const NamedTexts& texts)
{
    switch (unit) {
    case FieldUnit::Degrees: return texts.text(u"Unite_Degres");
    case FieldUnit::Minutes: return texts.text(u"Unite_Minutes");
    case FieldUnit::Seconds: break;
    }
    return texts.text(u"Unite_Secondes");
}

SamplingResult fieldInUnit(double samplingArcsec, double fieldXArcsec, double fieldYArcsec)
{
    SamplingResult r{samplingArcsec, fieldXArcsec, fieldYArcsec, FieldUnit::Seconds};
    // The width alone chooses the unit, so both fields read in the same one.
    if (fieldXArcsec > kDegreesFrom) {
        r.TNI_ChampX *= 1.0 / 3600;
        r.TNI_ChampY *= 1.0 / 3600;
        r.unit = FieldUnit::Degrees;
    } else if (fieldXArcsec > kMinutesFrom) {
        r.TNI_ChampX *= 1.0 / 60;
        r.TNI_ChampY *= 1.0 / 60;
        r.unit = FieldUnit::Minutes;
    }
    return r;
}

std::optional<SamplingResult> ComputeSampling(const CameraControls& camera, double effectiveFocal, int imageWidth,
                                              int imageHeight)
{
    if (imageWidth <= 0) return std::nullopt;
    const double p = scaledPixelSize(camera, imageWidth);
    if (p <= 0 || !(effectiveFocal > 0) || !std::isfinite(effectiveFocal)) return std::nullopt;
    const double sampling = std::atan((p * 0.001) / effectiveFocal) * kArcsecPerRadian;
    return fieldInUnit(sampling, imageWidth * sampling, std::max(imageHeight, 0) * sampling);
}

} // namespace velumbra

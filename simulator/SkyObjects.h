#pragma once
#include <QString>
#include <optional>
#include <span>

namespace velumbra {

enum class SkyObjectKind { Messier, Ngc, Star, Planet };

// One object of the hand paddle's catalogues, at its J2000 place (planets at
// their place in the first weeks of 2026: close enough for a slew to land
// the object in a webcam's field).
struct SkyObject {
    const char* name;      // "M 31", "NGC 7000", "Vega", "Jupiter"
    SkyObjectKind kind;
    double raHours;
    double decDegrees;
    double magnitude;      // visual
    double sizeArcsec;     // apparent diameter; 0 for a star
};

// The small built-in table the simulated mount slews to.
class SkyObjects {
public:
    static std::span<const SkyObject> all();
    // Looks a name up without regard to case or blanks ("m31" finds "M 31").
    static std::optional<SkyObject> find(const QString& name);
    // The planet the simulated camera shows in planet mode.
    static const SkyObject& planet();
};

} // namespace velumbra

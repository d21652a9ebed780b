#pragma once
#include "simulator/SkyGeometry.h"

#include <cstdint>
#include <vector>

namespace velumbra {

// One star of the simulated sky.
struct SkyStar {
    int id = -1;
    Vec3 direction;          // unit vector in the sky frame
    float flux = 0;          // grey levels summed over the star at the reference exposure
    float tint[3] = {1, 1, 1}; // blue, green, red
};

// The whole sky's stars, made up where they are looked at: the sphere is cut
// into cells of a tenth of a degree, and the stars of a cell follow from the
// seed and the cell alone, so a field looks the same each time the mount
// comes back to it. Magnitudes follow the counts of the real sky (each
// magnitude about twice as many stars as the one before); the named bright
// stars of the object table are there too.
class StarGenerator {
public:
    explicit StarGenerator(uint32_t seed) : seed_(seed) {}

    // The stars within radius (radians) of centre, in out (cleared first;
    // its storage is kept, so a caller that reuses it allocates only when
    // a field holds more stars than any before).
    void around(Vec3 centre, double radius, std::vector<SkyStar>& out) const;
    // The star of an id that around() gave; false for an id of no star.
    bool star(int id, SkyStar& out) const;

    // Grey levels at the reference exposure of a star of magnitude 10.
    static constexpr double kFluxAtMagnitude10 = 6000.0;
    static double fluxOfMagnitude(double magnitude);

private:
    void cellStars(int band, int cell, Vec3 centre, double cosRadius, std::vector<SkyStar>& out) const;
    bool cellStar(int band, int cell, int k, SkyStar& out) const;
    int starCount(int band, int cell) const;
    uint32_t seed_;
};

} // namespace velumbra

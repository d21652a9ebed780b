#include "simulator/StarGenerator.h"
#include "simulator/CounterNoise.h"
#include "simulator/SkyObjects.h"

#include <algorithm>
#include <cmath>

namespace velumbra {
namespace {

constexpr double kCellDegrees = 0.1;
constexpr int kBands = 1800;          // 180 degrees of declination
constexpr int kMaxCells = 3600;       // cells of the widest band
constexpr int kMaxPerCell = 64;       // stars of one cell, ids leave room for them
constexpr double kStarsPerSquareDegree = 2800.0;
// Magnitudes drawn between these, with counts growing as 10^(0.35 m).
constexpr double kBrightest = 5.0, kFaintest = 15.2, kCountSlope = 0.35;
// Ids of the named stars of the object table start here.
constexpr int kNamedBase = 1000000000;

enum Stream : uint32_t { Count = 11, Place = 12 };

double bandLow(int band) { return radians(-90.0 + band * kCellDegrees); }

int cellsInBand(int band)
{
    const double mid = bandLow(band) + radians(kCellDegrees / 2);
    return std::clamp(int(360.0 * std::cos(mid) / kCellDegrees), 1, kMaxCells);
}

double magnitudeAt(double u)
{
    const double lo = std::pow(10.0, kCountSlope * kBrightest), hi = std::pow(10.0, kCountSlope * kFaintest);
    return std::log10(lo + u * (hi - lo)) / kCountSlope;
}

void setTint(SkyStar& s, float colour)
{
    // colour in [-1, 1]: blue-white to orange, as the star's temperature.
    s.tint[0] = 1.0f - 0.3f * colour;
    s.tint[1] = 1.0f - 0.05f * colour;
    s.tint[2] = 1.0f + 0.25f * colour;
}

} // namespace

double StarGenerator::fluxOfMagnitude(double magnitude)
{
    return kFluxAtMagnitude10 * std::pow(10.0, -0.4 * (magnitude - 10.0));
}

int StarGenerator::starCount(int band, int cell) const
{
    const double area = (std::sin(bandLow(band + 1)) - std::sin(bandLow(band))) * 2 * std::numbers::pi /
                        cellsInBand(band) * (180.0 / std::numbers::pi) * (180.0 / std::numbers::pi);
    const double mean = kStarsPerSquareDegree * area;
    const uint32_t key = noiseKey(seed_, Count, uint32_t(band));
    const double n = mean + std::sqrt(mean) * unitNormal(key, uint32_t(cell));
    return std::clamp(int(std::lround(n)), 0, kMaxPerCell - 1);
}

bool StarGenerator::cellStar(int band, int cell, int k, SkyStar& s) const
{
    if (band < 0 || band >= kBands || cell < 0 || cell >= cellsInBand(band) || k < 0 || k >= starCount(band, cell))
        return false;
    const uint32_t key = noiseKey(seed_, Place, uint32_t(band * kMaxCells + cell));
    const uint32_t c = uint32_t(k) * 4u;
    const double width = 2 * std::numbers::pi / cellsInBand(band);
    const double ra = (cell + unitUniform(key, c)) * width;
    const double s0 = std::sin(bandLow(band)), s1 = std::sin(bandLow(band + 1));
    const double dec = std::asin(s0 + unitUniform(key, c + 1) * (s1 - s0));
    s.id = (band * kMaxCells + cell) * kMaxPerCell + k;
    s.direction = skyVector(ra, dec);
    s.flux = float(fluxOfMagnitude(magnitudeAt(unitUniform(key, c + 2))));
    setTint(s, 2 * unitUniform(key, c + 3) - 1);
    return true;
}

bool StarGenerator::star(int id, SkyStar& out) const
{
    if (id >= kNamedBase) {
        const auto objects = SkyObjects::all();
        const auto i = std::size_t(id - kNamedBase);
        if (i >= objects.size() || objects[i].kind != SkyObjectKind::Star) return false;
        out.id = id;
        out.direction = skyVector(hoursToRadians(objects[i].raHours), radians(objects[i].decDegrees));
        out.flux = float(fluxOfMagnitude(objects[i].magnitude));
        setTint(out, 0.2f);
        return true;
    }
    if (id < 0) return false;
    const int k = id % kMaxPerCell, cellId = id / kMaxPerCell;
    return cellStar(cellId / kMaxCells, cellId % kMaxCells, k, out);
}

void StarGenerator::cellStars(int band, int cell, Vec3 centre, double cosRadius, std::vector<SkyStar>& out) const
{
    const int n = starCount(band, cell);
    SkyStar s;
    for (int k = 0; k < n; ++k)
        if (cellStar(band, cell, k, s) && dot(s.direction, centre) >= cosRadius) out.push_back(s);
}

void StarGenerator::around(Vec3 centre, double radius, std::vector<SkyStar>& out) const
{
    out.clear();
    radius = std::clamp(radius, 0.0, std::numbers::pi / 2);
    const double cosRadius = std::cos(radius);
    const double dec = std::asin(std::clamp(centre.z, -1.0, 1.0));
    const double ra = std::atan2(centre.y, centre.x);
    const double step = radians(kCellDegrees);
    const int first = std::clamp(int(std::floor((dec - radius + std::numbers::pi / 2) / step)), 0, kBands - 1);
    const int last = std::clamp(int(std::floor((dec + radius + std::numbers::pi / 2) / step)), 0, kBands - 1);
    for (int band = first; band <= last; ++band) {
        const int cells = cellsInBand(band);
        const double widest = std::max(std::abs(bandLow(band)), std::abs(bandLow(band + 1)));
        const double c = std::cos(widest);
        // Half the span of right ascension the circle covers in this band.
        const double span = c * std::numbers::pi > radius ? radius / c : std::numbers::pi;
        const double width = 2 * std::numbers::pi / cells;
        if (span >= std::numbers::pi || 2 * span + 2 * width >= 2 * std::numbers::pi) {
            for (int cell = 0; cell < cells; ++cell) cellStars(band, cell, centre, cosRadius, out);
            continue;
        }
        const int from = int(std::floor((ra - span) / width)), to = int(std::floor((ra + span) / width));
        for (int i = from; i <= to; ++i) cellStars(band, ((i % cells) + cells) % cells, centre, cosRadius, out);
    }
    const auto objects = SkyObjects::all();
    for (std::size_t i = 0; i < objects.size(); ++i) {
        SkyStar s;
        if (star(kNamedBase + int(i), s) && dot(s.direction, centre) >= cosRadius) out.push_back(s);
    }
}

} // namespace velumbra

#pragma once
#include <cmath>
#include <numbers>

namespace velumbra {

// Apparent motion of the sky for a mount that does not track, arc seconds
// per second of time at the celestial equator.
inline constexpr double kSiderealRate = 15.041;
inline constexpr double kArcsecPerRadian = 648000.0 / std::numbers::pi;
// The sky's turn about the pole, radians per second.
inline constexpr double kSiderealRadPerSecond = kSiderealRate / kArcsecPerRadian;

inline constexpr double degrees(double rad) { return rad * 180.0 / std::numbers::pi; }
inline constexpr double radians(double deg) { return deg * std::numbers::pi / 180.0; }
inline constexpr double hoursToRadians(double h) { return h * std::numbers::pi / 12.0; }
inline constexpr double radiansToHours(double r) { return r * 12.0 / std::numbers::pi; }

// An angle folded into [0, 2 pi).
inline double wrapTurn(double a)
{
    a = std::fmod(a, 2 * std::numbers::pi);
    return a < 0 ? a + 2 * std::numbers::pi : a;
}
// An angle folded into [-pi, pi).
inline double wrapHalfTurn(double a) { return wrapTurn(a + std::numbers::pi) - std::numbers::pi; }

struct Vec3 {
    double x = 0, y = 0, z = 0;
    friend Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
    friend Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
    friend Vec3 operator*(double k, Vec3 a) { return {k * a.x, k * a.y, k * a.z}; }
};
inline double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Row-major 3 x 3 rotation.
struct Mat3 {
    double m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    Vec3 operator*(Vec3 v) const
    {
        return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z, m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
                m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
    }
    Mat3 operator*(const Mat3& b) const
    {
        Mat3 r;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) r.m[i][j] = m[i][0] * b.m[0][j] + m[i][1] * b.m[1][j] + m[i][2] * b.m[2][j];
        return r;
    }
    Mat3 transposed() const
    {
        Mat3 r;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) r.m[i][j] = m[j][i];
        return r;
    }
};

// Unit vector of right ascension ra and declination dec (radians) in the
// sky frame: x toward ra 0 on the equator, y toward ra 6 h, z to the pole.
inline Vec3 skyVector(double ra, double dec)
{
    return {std::cos(dec) * std::cos(ra), std::cos(dec) * std::sin(ra), std::sin(dec)};
}

// Local mean sidereal time (radians) at a moment given as milliseconds
// since 1970-01-01 UTC, at east longitude (radians).
inline double localSiderealTime(double msecsSinceEpoch, double longitude)
{
    const double daysSinceJ2000 = msecsSinceEpoch / 86400000.0 - 10957.5;
    const double gmstHours = 18.697374558 + 24.06570982441908 * daysSinceJ2000;
    return wrapTurn(hoursToRadians(gmstHours) + longitude);
}

} // namespace velumbra

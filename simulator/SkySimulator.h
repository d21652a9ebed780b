#pragma once
#include "core/Clock.h"

#include <QDateTime>
#include <QImage>
#include <QPointF>
#include <array>
#include <cstdint>
#include <random>
#include <vector>

namespace velumbra {

// Apparent motion of the sky for a mount that does not track, arc seconds
// per second of time at the celestial equator.
inline constexpr double kSiderealRate = 15.041;

// Sky and camera model behind the simulated camera.
struct SkyParameters {
    double scale = 1.5;         // image scale, arc seconds per pixel
    double orientation = 0.0;   // degrees: image direction in which the sky drifts westward
    double declination = 30.0;  // pointed declination, degrees
    double seeing = 3.5;        // star FWHM from the atmosphere, arc seconds
    double jitter = 0.7;        // RMS of the seeing's image motion, arc seconds
    bool tracking = true;       // the mount follows the sky
    double periodicAmplitude = 0.0; // periodic error of the right-ascension drive, arc seconds
    double periodicPeriod = 480.0;  // seconds
    double polarDrift = 0.0;    // declination drift from polar misalignment, arc seconds per minute
    double exposureMs = 40.0;   // brightness is proportional to it
    double background = 20.0;   // sky level (0..255) at the reference exposure
    double readNoise = 2.5;     // standard deviation, grey levels
    int hotPixels = 12;
    double vignetting = 0.25;   // fraction of light lost in the corners
    bool planet = false;        // a bright banded disc instead of a star field
    double planetRadius = 60.0; // pixels
};

// Telescope motions that move the field, as the mount hooks name them.
enum class SkyMove { East = 0, West = 1, North = 2, South = 3 };
// Speeds of the hand paddle, in multiples of the sidereal rate.
enum class MountRate { Guide, Centre, Find, Slew };
double mountRateArcsecPerSecond(MountRate rate);

// A believable night sky as a small webcam on a telescope sees it: stars on
// a sky background with read and shot noise, hot pixels and vignetting, or a
// planet. Everything follows from the seed and the clock, so the same seed
// and the same clock readings give the same frames.
class SkySimulator {
public:
    // One star of the catalogue, in sky pixels: a along the westward drift, b toward north.
    struct Star {
        double a = 0;
        double b = 0;
        double flux = 0;  // total grey levels at the reference exposure
        float tint[3] = {1, 1, 1}; // blue, green, red
    };

    SkySimulator(const Clock& clock, uint32_t seed = 1);

    const SkyParameters& parameters() const { return params_; }
    // Motion so far is kept; the new parameters act from now on.
    void setParameters(const SkyParameters& parameters);

    // Mount hooks: a move shifts the field at the given rate until stopped.
    void startMove(SkyMove direction, double arcsecPerSecond);
    void startMove(SkyMove direction, MountRate rate) { startMove(direction, mountRateArcsecPerSecond(rate)); }
    void stopMove(SkyMove direction);
    void stopAllMoves();
    // Focuser hook: stars widen with the distance from best focus.
    void setFocuserPosition(double steps) { focuser_ = steps; }
    void setBestFocus(double steps) { bestFocus_ = steps; }
    // Long-exposure hook.
    void setExposureMs(double ms);

    // Renders the current sky into the top-left width x height of target (Format_RGB32).
    void render(QImage& target, int width, int height);

    // Where catalogue star i is in a width x height frame now, without the
    // seeing's image motion. Stars outside the frame give coordinates outside it.
    QPointF starPosition(int index, int width, int height);
    // Index of the brightest star whose position lies at least margin pixels inside the frame, or -1.
    int brightestStarInView(int width, int height, int margin = 20);
    // Where the planet's centre is now.
    QPointF planetPosition(int width, int height) { return starPositionAt(0, 0, width, height); }
    // Total shift of the field since the start, pixels along the drift and toward north.
    QPointF fieldShift();
    // Star width (Gaussian sigma, pixels) with the current seeing and focus.
    double starSigma() const;

    const std::vector<Star>& catalogue() const { return stars_; }
    static constexpr double kTile = 1600.0; // the star field repeats every kTile pixels

private:
    void advance();
    double seconds() const;
    QPointF starPositionAt(double a, double b, int width, int height);
    QPointF placeOnImage(double a, double b, QPointF shift, int width, int height) const;
    void prepareSize(int width, int height);
    void renderBackground(QImage& target, int width, int height, double level);
    void renderStars(QImage& target, int width, int height, double gain, QPointF jitter);
    void renderPlanet(QImage& target, int width, int height, double gain, QPointF jitter);
    void addShotNoise(uint8_t* pixel, double signal);

    const Clock& clock_;
    uint32_t seed_;
    SkyParameters params_;
    QDateTime start_;
    double lastSeconds_ = 0;
    double shiftA_ = 0; // arc seconds accumulated along the drift
    double shiftB_ = 0; // arc seconds accumulated toward north
    std::array<double, 4> moveRates_{}; // arc seconds per second by SkyMove
    double focuser_ = 0;
    double bestFocus_ = 0;
    std::vector<Star> stars_;
    std::vector<float> noise_;           // unit Gaussian table
    std::vector<uint16_t> vignette_;     // 0..1024 per pixel of the current size
    std::vector<std::pair<int, int>> hot_;
    int preparedWidth_ = 0, preparedHeight_ = 0;
    std::mt19937 frameRng_;
    uint32_t noiseCursor_ = 0;
};

} // namespace velumbra

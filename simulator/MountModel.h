#pragma once
#include "core/Clock.h"
#include "simulator/SkyGeometry.h"

#include <QDateTime>
#include <array>
#include <vector>

namespace velumbra {

// The hand paddle's directions: East and West turn the right-ascension
// axis, North and South the declination axis.
enum class MountDirection { East = 0, West = 1, North = 2, South = 3 };
// The hand paddle's speeds.
enum class MountRate { Guide = 0, Centre = 1, Find = 2, Slew = 3 };
enum class FocuserDirection { In, Out };

// The mount as it was built and set up, and the site it stands on.
struct SimulatedMount {
    double latitude = 46.0;   // degrees north
    double longitude = 6.0;   // degrees east
    // Speeds of the paddle, in multiples of the sidereal rate.
    std::array<double, 4> rateFactors{0.5, 8.0, 64.0, 500.0};
    // Periodic error of the right-ascension worm, in arc seconds of the axis
    // (a star moves by this times cos(declination) on the sky): the
    // fundamental's amplitude and the worm's period; the second and third
    // harmonics add their share of the amplitude.
    double periodicAmplitude = 0.0;
    double periodicPeriod = 480.0;
    double periodicSecond = 0.25;
    double periodicThird = 0.10;
    // Polar-axis misalignment, arc minutes: the mount's pole stands this far
    // east of the true pole (azimuth) and above it (altitude).
    double polarAzimuth = 0.0;
    double polarAltitude = 0.0;
    // Play in the declination gears, arc seconds: after a reversal the motor
    // turns this far before the axis follows.
    double decBacklash = 0.0;
    // Focuser: the position of best focus and the two speeds, in steps.
    double bestFocus = 5000.0;
    double focuserSlow = 20.0; // steps per second
    double focuserFast = 250.0;
};

// Right ascension (hours, 0..24) and declination (degrees).
struct Equatorial {
    double raHours = 0;
    double decDegrees = 0;
};

// Where the optics look at one moment: unit vectors in the sky frame (see
// skyVector) of the optical axis and of the directions east and north on the
// image, as the camera fixed on the declination axis sees them.
struct OpticsPose {
    Vec3 axis, east, north;
    double focuser = 0; // steps
};

enum class SlewResult { Started, BelowHorizon };

// The sky and the mount that the simulated camera looks through and the
// simulated devices drive. It knows only time (from the clock) and the
// requests a device would turn its bytes and lines into; nothing of the
// program's state.
//
// Model. The mount turns about its own pole. Its right-ascension axis holds
// a coordinate raAxis (the right ascension it believes it points at); while
// the drive tracks, raAxis stays put and the axis turns with the sky; with
// the drive off the axis stands still against the ground, so raAxis grows
// at the sidereal rate. Moves add or take their rate. The worm's periodic
// error adds to the axis angle while the drive runs. The declination motor
// drives the axis through the gear play. A mount perfectly polar-aligned
// would point at (raAxis, decAxis); a misaligned one is that perfect mount
// tilted by the altitude error about the east-west line and turned by the
// azimuth error about the vertical, so the drift a star shows under
// polar error follows from the geometry alone, at every hour angle and
// declination, field rotation included.
//
// Every state change is kept as a key (its time, its state and its rates),
// so the camera can ask where the mount pointed at any moment of a long
// exposure and trail the stars along the true path.
class MountModel {
public:
    explicit MountModel(const Clock& clock, SimulatedMount settings = {});

    const SimulatedMount& settings() const { return settings_; }
    // The clock the sky and the mount run on.
    const Clock& clock() const { return clock_; }
    void setSettings(const SimulatedMount& settings);

    // Seconds since the model began, the time base of every other call.
    double seconds() const;
    // Brings the state up to the clock's present.
    void update();

    // Paddle moves at the current rate (setRate) or at a given speed, in
    // arc seconds per second of axis angle.
    void setRate(MountRate rate);
    MountRate rate() const { return rate_; }
    double rateArcsecPerSecond(MountRate rate) const;
    void startMove(MountDirection direction);
    void startMove(MountDirection direction, double arcsecPerSecond);
    void stopMove(MountDirection direction);
    // Stops every move and a slew.
    void stopAll();
    // A guide pulse: a move at the guide rate that ends by itself after ms.
    void pulse(MountDirection direction, double ms);
    bool moving(MountDirection direction);

    void setTracking(bool on);
    bool tracking() const { return tracking_; }

    // A slew at the slew rate on both axes to what the mount believes is
    // (ra, dec), refused for a target below the horizon (or no number).
    SlewResult slewTo(Equatorial target);
    bool slewing();
    // The mount believes it points at target from now on; nothing moves.
    void sync(Equatorial target);
    // Puts the axes at target at once, as if the mount had always been
    // there (start of a session, tests).
    void pointAt(Equatorial target);

    // What the mount believes (its position query): the axes plus the sync.
    Equatorial currentPointing();
    // Where the optical axis really is on the sky.
    Equatorial truePointing();
    // Angle between the two, arc seconds.
    double pointingError();
    // Altitude of a place of the sky now, degrees.
    double altitude(Equatorial place);
    // Local sidereal time now, hours.
    double siderealTime();

    void focuserMove(FocuserDirection direction, bool fast);
    void focuserStop();
    void setFocuserPosition(double steps);
    double focuserPosition();

    // The optics at time t (seconds, as seconds()); t before the oldest kept
    // key follows that key's rates backwards.
    OpticsPose poseAt(double t) const;
    // The periodic error at worm time t, arc seconds of axis.
    double periodicError(double wormSeconds) const;

private:
    struct State {
        double t = 0;
        double raAxis = 0;   // radians
        double decMotor = 0; // radians
        double decAxis = 0;  // radians
        double worm = 0;     // seconds the drive has run
        double focuser = 0;  // steps
    };
    struct Rates {
        double ra = 0, decMotor = 0, worm = 0, focuser = 0;
    };
    struct Key {
        State state;
        Rates rates;
    };
    Rates currentRates() const;
    State stateAt(const Key& key, double t) const;
    void advanceTo(double t);
    double nextEvent(double until) const;
    void applyEvents();
    void keep();
    void rebuildRotation();
    Vec3 trueAxis(const State& s, Vec3* east, Vec3* north) const;
    double backlash() const;

    const Clock& clock_;
    SimulatedMount settings_;
    QDateTime start_;
    qint64 startSteadyMs_;   // the sky turns on the steady clock from the start
    double lst0_ = 0;        // sidereal time at the start, radians
    Mat3 mountToTrue_;       // polar misalignment
    State state_;
    std::array<double, 4> moveRate_{};  // radians per second by direction, 0 when still
    std::array<double, 4> pulseEnd_{};  // seconds; < 0 when no pulse runs
    MountRate rate_ = MountRate::Centre;
    bool tracking_ = true;
    bool slewing_ = false;
    double slewRa_ = 0, slewDec_ = 0; // targets of the axes
    double focuserRate_ = 0;          // steps per second
    double syncRa_ = 0, syncDec_ = 0; // believed minus axes, radians
    std::vector<Key> keys_;           // ring of the last state changes
    std::size_t nextKey_ = 0;
    std::size_t keyCount_ = 0;
};

} // namespace velumbra

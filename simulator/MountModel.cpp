#include "simulator/MountModel.h"

#include <algorithm>
#include <cmath>

namespace velumbra {
namespace {

// State changes kept for the camera's look back over a long exposure: a
// minute of guiding at several pulses a second still fits.
constexpr std::size_t kKeptKeys = 4096;
// Where a new session points: Auriga's star fields, high in winter evenings.
constexpr Equatorial kFirstPointing{5.0, 30.0};

double sign(double v) { return v > 0 ? 1.0 : v < 0 ? -1.0 : 0.0; }

bool known(MountDirection d) { return std::size_t(d) < 4; }
bool finite(Equatorial e) { return std::isfinite(e.raHours) && std::isfinite(e.decDegrees); }

Mat3 rotationY(double a)
{
    const double c = std::cos(a), s = std::sin(a);
    return Mat3{{{c, 0, s}, {0, 1, 0}, {-s, 0, c}}};
}

Mat3 rotationZ(double a)
{
    const double c = std::cos(a), s = std::sin(a);
    return Mat3{{{c, -s, 0}, {s, c, 0}, {0, 0, 1}}};
}

Equatorial toEquatorial(Vec3 v)
{
    const double dec = std::asin(std::clamp(v.z, -1.0, 1.0));
    return {radiansToHours(wrapTurn(std::atan2(v.y, v.x))), degrees(dec)};
}

// A declination axis driven past the pole points over it, at the opposite
// right ascension.
Equatorial folded(double ra, double dec)
{
    dec = wrapHalfTurn(dec);
    if (dec > std::numbers::pi / 2) {
        dec = std::numbers::pi - dec;
        ra += std::numbers::pi;
    } else if (dec < -std::numbers::pi / 2) {
        dec = -std::numbers::pi - dec;
        ra += std::numbers::pi;
    }
    return {radiansToHours(wrapTurn(ra)), degrees(dec)};
}

} // namespace

MountModel::MountModel(const Clock& clock, SimulatedMount settings)
    : clock_(clock), start_(clock.now()), startSteadyMs_(clock.steadyMs())
{
    keys_.resize(kKeptKeys);
    pulseEnd_.fill(-1);
    setSettings(settings);
    state_.focuser = settings_.bestFocus; // a session starts in focus
    pointAt(kFirstPointing);
}

double MountModel::seconds() const { return double(clock_.steadyMs() - startSteadyMs_) / 1000.0; }

void MountModel::setSettings(const SimulatedMount& settings)
{
    update();
    const SimulatedMount defaults;
    settings_ = settings;
    for (auto [value, fallback] :
         {std::pair{&settings_.latitude, defaults.latitude}, {&settings_.longitude, defaults.longitude},
          {&settings_.periodicAmplitude, defaults.periodicAmplitude}, {&settings_.periodicPeriod, defaults.periodicPeriod},
          {&settings_.periodicSecond, defaults.periodicSecond}, {&settings_.periodicThird, defaults.periodicThird},
          {&settings_.polarAzimuth, defaults.polarAzimuth}, {&settings_.polarAltitude, defaults.polarAltitude},
          {&settings_.decBacklash, defaults.decBacklash}, {&settings_.bestFocus, defaults.bestFocus},
          {&settings_.focuserSlow, defaults.focuserSlow}, {&settings_.focuserFast, defaults.focuserFast}})
        if (!std::isfinite(*value)) *value = fallback;
    for (std::size_t i = 0; i < settings_.rateFactors.size(); ++i)
        if (!std::isfinite(settings_.rateFactors[i])) settings_.rateFactors[i] = defaults.rateFactors[i];
    settings_.latitude = std::clamp(settings_.latitude, -89.9, 89.9);
    settings_.periodicPeriod = std::max(settings_.periodicPeriod, 1.0);
    settings_.decBacklash = std::max(settings_.decBacklash, 0.0);
    settings_.focuserSlow = std::max(settings_.focuserSlow, 0.0);
    settings_.focuserFast = std::max(settings_.focuserFast, 0.0);
    for (double& f : settings_.rateFactors) f = std::max(f, 0.0);
    lst0_ = localSiderealTime(double(start_.toMSecsSinceEpoch()), radians(settings_.longitude));
    rebuildRotation();
    keep();
}

// A perfectly aligned mount, tilted by the altitude error about the
// east-west line and turned by the azimuth error about the vertical. In the
// hour-angle frame (x to the meridian on the equator, y east, z to the pole)
// the horizon frame (x south, y east, z zenith) is reached by Q; the tilts
// act in the horizon frame.
void MountModel::rebuildRotation()
{
    const double phi = radians(settings_.latitude);
    const double s = std::sin(phi), c = std::cos(phi);
    const Mat3 q{{{s, 0, -c}, {0, 1, 0}, {c, 0, s}}};
    const double azimuth = radians(settings_.polarAzimuth / 60.0);
    const double altitude = radians(settings_.polarAltitude / 60.0);
    // A positive turn about the zenith moves the pole toward west: east is the negative turn.
    mountToTrue_ = q.transposed() * rotationZ(-azimuth) * rotationY(altitude) * q;
}

double MountModel::backlash() const { return settings_.decBacklash / kArcsecPerRadian; }

MountModel::Rates MountModel::currentRates() const
{
    Rates r;
    r.ra = (tracking_ ? 0.0 : kSiderealRadPerSecond) + moveRate_[0] - moveRate_[1];
    r.decMotor = moveRate_[2] - moveRate_[3];
    if (slewing_) {
        const double slew = rateArcsecPerSecond(MountRate::Slew) / kArcsecPerRadian;
        r.ra = (tracking_ ? 0.0 : kSiderealRadPerSecond) + sign(wrapHalfTurn(slewRa_ - state_.raAxis)) * slew;
        r.decMotor = sign(slewDec_ - state_.decMotor) * slew;
    }
    r.worm = tracking_ ? 1.0 : 0.0;
    r.focuser = focuserRate_;
    return r;
}

// The axis follows the motor through the play: it stays where it is until
// the motor has taken up the gap on the side it now pushes.
MountModel::State MountModel::stateAt(const Key& key, double t) const
{
    const double dt = t - key.state.t;
    State s = key.state;
    s.t = t;
    s.raAxis += key.rates.ra * dt;
    s.decMotor += key.rates.decMotor * dt;
    const double half = backlash() / 2;
    if (half == 0)
        s.decAxis = key.state.decAxis + (s.decMotor - key.state.decMotor);
    else if (dt < 0)
        s.decAxis += key.rates.decMotor * dt; // looking back: as if the motor drove the axis
    else if (key.rates.decMotor > 0)
        s.decAxis = std::max(s.decAxis, s.decMotor - half);
    else if (key.rates.decMotor < 0)
        s.decAxis = std::min(s.decAxis, s.decMotor + half);
    s.worm += key.rates.worm * dt;
    s.focuser += key.rates.focuser * dt;
    return s;
}

// The first moment after the present state, up to until, at which a pulse
// ends or a slewing axis arrives.
double MountModel::nextEvent(double until) const
{
    double next = until;
    for (double end : pulseEnd_)
        if (end >= 0 && end < next) next = std::max(end, state_.t);
    if (slewing_) {
        const Rates r = currentRates();
        const double ra = wrapHalfTurn(slewRa_ - state_.raAxis);
        if (r.ra != 0 && sign(ra) == sign(r.ra)) next = std::min(next, state_.t + ra / r.ra);
        const double dec = slewDec_ - state_.decMotor;
        if (r.decMotor != 0) next = std::min(next, state_.t + dec / r.decMotor);
    }
    return next;
}

void MountModel::applyEvents()
{
    bool changed = false;
    for (std::size_t d = 0; d < pulseEnd_.size(); ++d)
        if (pulseEnd_[d] >= 0 && pulseEnd_[d] <= state_.t + 1e-9) {
            pulseEnd_[d] = -1;
            moveRate_[d] = 0;
            changed = true;
        }
    if (slewing_) {
        const double slew = rateArcsecPerSecond(MountRate::Slew) / kArcsecPerRadian;
        const double tolerance = slew * 1e-6;
        // An axis that arrives stops, and the key says so.
        if (state_.raAxis != slewRa_ && std::abs(wrapHalfTurn(slewRa_ - state_.raAxis)) <= tolerance) {
            state_.raAxis = slewRa_;
            changed = true;
        }
        if (state_.decMotor != slewDec_ && std::abs(slewDec_ - state_.decMotor) <= tolerance) {
            state_.decMotor = slewDec_;
            changed = true;
        }
        if (state_.raAxis == slewRa_ && state_.decMotor == slewDec_) {
            slewing_ = false;
            changed = true;
        }
    }
    if (changed) keep();
}

void MountModel::advanceTo(double t)
{
    for (int guard = 0; state_.t < t && guard < 64; ++guard) {
        const double next = nextEvent(t);
        const Key now{state_, currentRates()};
        state_ = stateAt(now, next);
        applyEvents();
    }
    if (state_.t < t) state_ = stateAt({state_, currentRates()}, t);
}

void MountModel::update() { advanceTo(seconds()); }

void MountModel::keep()
{
    keys_[nextKey_] = {state_, currentRates()};
    nextKey_ = (nextKey_ + 1) % keys_.size();
    keyCount_ = std::min(keyCount_ + 1, keys_.size());
}

double MountModel::rateArcsecPerSecond(MountRate rate) const
{
    return settings_.rateFactors[std::size_t(rate)] * kSiderealRate;
}

void MountModel::setRate(MountRate rate) { rate_ = rate; }

void MountModel::startMove(MountDirection direction) { startMove(direction, rateArcsecPerSecond(rate_)); }

void MountModel::startMove(MountDirection direction, double arcsecPerSecond)
{
    if (!known(direction) || !std::isfinite(arcsecPerSecond)) return;
    update();
    const auto d = std::size_t(direction);
    moveRate_[d] = std::max(arcsecPerSecond, 0.0) / kArcsecPerRadian;
    pulseEnd_[d] = -1;
    keep();
}

void MountModel::stopMove(MountDirection direction)
{
    if (!known(direction)) return;
    update();
    const auto d = std::size_t(direction);
    moveRate_[d] = 0;
    pulseEnd_[d] = -1;
    keep();
}

void MountModel::stopAll()
{
    update();
    moveRate_.fill(0);
    pulseEnd_.fill(-1);
    slewing_ = false;
    keep();
}

void MountModel::pulse(MountDirection direction, double ms)
{
    if (!known(direction) || !std::isfinite(ms)) return;
    update();
    const auto d = std::size_t(direction);
    moveRate_[d] = rateArcsecPerSecond(MountRate::Guide) / kArcsecPerRadian;
    pulseEnd_[d] = state_.t + std::max(ms, 0.0) / 1000.0;
    keep();
    applyEvents(); // a pulse of 0 ms ends at once
}

bool MountModel::moving(MountDirection direction)
{
    if (!known(direction)) return false;
    update(); // a pulse may have ended
    return moveRate_[std::size_t(direction)] > 0;
}

bool MountModel::slewing()
{
    update();
    return slewing_;
}

void MountModel::setTracking(bool on)
{
    update();
    tracking_ = on;
    keep();
}

SlewResult MountModel::slewTo(Equatorial target)
{
    update();
    if (!finite(target) || altitude(target) < 0) return SlewResult::BelowHorizon;
    moveRate_.fill(0);
    pulseEnd_.fill(-1);
    slewRa_ = wrapTurn(hoursToRadians(target.raHours) - syncRa_);
    // Keep the axis coordinate continuous: the target is reached the short way round.
    slewRa_ = state_.raAxis + wrapHalfTurn(slewRa_ - state_.raAxis);
    const double dec = radians(std::clamp(target.decDegrees, -90.0, 90.0)) - syncDec_;
    // The motor overshoots by half the play so the axis lands on the target.
    slewDec_ = dec + sign(dec - state_.decAxis) * backlash() / 2;
    slewing_ = true;
    keep();
    applyEvents();
    return SlewResult::Started;
}

void MountModel::sync(Equatorial target)
{
    if (!finite(target)) return;
    update();
    syncRa_ = wrapHalfTurn(hoursToRadians(target.raHours) - state_.raAxis);
    syncDec_ = radians(std::clamp(target.decDegrees, -90.0, 90.0)) - state_.decAxis;
}

void MountModel::pointAt(Equatorial target)
{
    if (!finite(target)) return;
    update();
    state_.raAxis = wrapTurn(hoursToRadians(target.raHours));
    state_.decAxis = state_.decMotor = radians(std::clamp(target.decDegrees, -90.0, 90.0));
    syncRa_ = syncDec_ = 0;
    slewing_ = false;
    keyCount_ = 0;
    keep();
}

Equatorial MountModel::currentPointing()
{
    update();
    return folded(state_.raAxis + syncRa_, state_.decAxis + syncDec_);
}

Equatorial MountModel::truePointing()
{
    update();
    return toEquatorial(poseAt(state_.t).axis);
}

double MountModel::pointingError()
{
    const Equatorial believed = currentPointing();
    const Vec3 a = skyVector(hoursToRadians(believed.raHours), radians(believed.decDegrees));
    const Vec3 b = poseAt(state_.t).axis;
    const Vec3 d = a - b;
    // The chord gives small angles without the rounding of acos.
    return 2 * std::asin(std::min(1.0, std::sqrt(dot(d, d)) / 2)) * kArcsecPerRadian;
}

double MountModel::siderealTime()
{
    update();
    return radiansToHours(wrapTurn(lst0_ + kSiderealRadPerSecond * state_.t));
}

double MountModel::altitude(Equatorial place)
{
    const double phi = radians(settings_.latitude);
    const double dec = radians(place.decDegrees);
    const double hourAngle = hoursToRadians(siderealTime() - place.raHours);
    const double s = std::sin(phi) * std::sin(dec) + std::cos(phi) * std::cos(dec) * std::cos(hourAngle);
    return degrees(std::asin(std::clamp(s, -1.0, 1.0)));
}

void MountModel::focuserMove(FocuserDirection direction, bool fast)
{
    update();
    const double speed = fast ? settings_.focuserFast : settings_.focuserSlow;
    focuserRate_ = direction == FocuserDirection::Out ? speed : -speed;
    keep();
}

void MountModel::focuserStop()
{
    update();
    focuserRate_ = 0;
    keep();
}

void MountModel::setFocuserPosition(double steps)
{
    if (!std::isfinite(steps)) return;
    update();
    state_.focuser = steps;
    keep();
}

double MountModel::focuserPosition()
{
    update();
    return state_.focuser;
}

double MountModel::periodicError(double wormSeconds) const
{
    const double w = 2 * std::numbers::pi * wormSeconds / settings_.periodicPeriod;
    return settings_.periodicAmplitude *
           (std::sin(w) + settings_.periodicSecond * std::sin(2 * w + 0.9) +
            settings_.periodicThird * std::sin(3 * w + 2.1));
}

Vec3 MountModel::trueAxis(const State& s, Vec3* east, Vec3* north) const
{
    const double ra = s.raAxis + periodicError(s.worm) / kArcsecPerRadian;
    const double lst = lst0_ + kSiderealRadPerSecond * s.t;
    const double h = lst - ra, d = s.decAxis;
    const double ch = std::cos(h), sh = std::sin(h), cd = std::cos(d), sd = std::sin(d);
    // In the mount's hour-angle frame, then through the misalignment, then
    // turned by the sidereal time into the sky frame.
    const Vec3 axis{cd * ch, -cd * sh, sd};
    const Vec3 towardNorth{-sd * ch, sd * sh, cd};
    const Vec3 towardEast{sh, ch, 0};
    const double cl = std::cos(lst), sl = std::sin(lst);
    const Mat3 toSky{{{cl, -sl, 0}, {sl, cl, 0}, {0, 0, 1}}};
    const Mat3 m = toSky * mountToTrue_;
    if (east) *east = m * towardEast;
    if (north) *north = m * towardNorth;
    return m * axis;
}

OpticsPose MountModel::poseAt(double t) const
{
    const Key* key = nullptr;
    for (std::size_t i = 0; i < keyCount_; ++i) {
        const Key& k = keys_[(nextKey_ + keys_.size() - 1 - i) % keys_.size()];
        key = &k;
        if (k.state.t <= t) break;
    }
    const State s = key ? stateAt(*key, t) : state_;
    OpticsPose pose;
    pose.axis = trueAxis(s, &pose.east, &pose.north);
    pose.focuser = s.focuser;
    return pose;
}

} // namespace velumbra

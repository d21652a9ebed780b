#include "simulator/SkySimulator.h"
#include "simulator/CounterNoise.h"
#include "simulator/SensorReadout.h"
#include "simulator/SkyObjects.h"
#include "core/ImageBuffers.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace velumbra {
namespace {

// The exposure at which the levels of the parameters are given: a webcam's 1/25 s.
constexpr double kReferenceSeconds = 0.040;
// Stars are Moffat profiles of index 3, I(r) = I0 / (1 + r^2/a^2)^3: a core
// like a Gaussian and the wide wings of real seeing. Their light sums to
// I0 * pi * a^2 / 2, and the FWHM is 2 a sqrt(2^(1/3) - 1).
constexpr double kFwhmPerMoffatWidth = 2 * 0.50982822;
// Profiles are drawn out to where they fall below this many grey levels, far
// under the noise, so no star is cut square however bright.
constexpr double kFaintestDrawn = 0.05;
constexpr int kMaxStarRadius = 96;
// Sub-steps of an exposure: no more apart than this on the image, and at
// least one per tenth of a second of a long exposure so the seeing's
// motion averages out.
constexpr double kTrailStepPixels = 0.5;
constexpr double kSeeingStepSeconds = 0.1;
constexpr int kMaxSteps = 96;
// Below this blur diameter (in star widths) a defocused star is still a
// widened profile; above it, the image of the out-of-focus pupil: a disc
// with the secondary mirror's shadow in it.
constexpr double kDonutFromWidths = 1.5;
constexpr double kObstruction = 0.35;
// Colours, blue, green, red: the sky glow, the planet's cloud tops.
constexpr float kSkyTint[3] = {0.92f, 1.0f, 1.04f};
constexpr float kPlanetTint[3] = {0.68f, 0.86f, 1.0f};
constexpr double kPlanetLevel = 205.0; // grey levels at the disc centre, reference exposure
// Sensor defects.
constexpr double kHotRateMin = 750.0, kHotRateSpread = 5.5; // grey levels per second
constexpr int kMaxHotPixels = 256;
constexpr int kMaxDust = 16;

// Drawn light is tracked in blocks of a row, so the read-out skips and
// clears only what stars and planet touched.
constexpr int kLightBlock = 64;
constexpr int kMaxWidth = 32 * kLightBlock;

enum Stream : uint32_t { Hot = 200, Dust = 201, Thermal = 202, ReadNoise = 300 };

double chordAngle(Vec3 a, Vec3 b)
{
    const Vec3 d = a - b;
    return 2 * std::asin(std::min(1.0, std::sqrt(dot(d, d)) / 2));
}

Vec3 normalised(Vec3 v)
{
    const double n = std::sqrt(dot(v, v));
    return n > 0 ? (1.0 / n) * v : Vec3{0, 0, 1};
}

Vec3 planetDirection()
{
    const SkyObject& p = SkyObjects::planet();
    return skyVector(hoursToRadians(p.raHours), radians(p.decDegrees));
}

} // namespace

// One pose of the optics on the frame: where the axis and the image
// directions are, and where the frame centre lies after the seeing's motion.
struct SkySimulator::Projection {
    OpticsPose pose;
    double pixelsPerRadian = 1;
    double cosT = 1, sinT = 0;
    double northSign = -1; // -1 straight through, +1 through a diagonal mirror
    double cx = 0, cy = 0;
};

bool CameraOptics::known() const
{
    return std::isfinite(focalMm) && focalMm > 0 && std::isfinite(pixelWidthUm) && pixelWidthUm > 0 &&
           std::isfinite(pixelsAcross) && pixelsAcross > 0;
}

double CameraOptics::scaleFor(int width) const
{
    if (!known() || width <= 0) return 0;
    const double pixelMm = pixelWidthUm * 0.001 * pixelsAcross / width;
    return std::atan(pixelMm / focalMm) * kArcsecPerRadian;
}

SkySimulator::SkySimulator(const Clock& clock, uint32_t seed)
    : seed_(seed), mount_(clock), seeing_(seed * 7919u + 17u), generator_(seed)
{
}

void SkySimulator::setParameters(const SkyParameters& parameters)
{
    const bool lookAtPlanet = parameters.planet && !params_.planet;
    // A value that is no number keeps the default: nothing downstream is meant for it.
    const SkyParameters defaults;
    params_ = parameters;
    for (auto [value, fallback] : {std::pair{&params_.scale, defaults.scale}, {&params_.orientation, defaults.orientation},
                                   {&params_.fieldRotation, defaults.fieldRotation},
                                   {&params_.seeing, defaults.seeing}, {&params_.jitter, defaults.jitter},
                                   {&params_.seeingSpread, defaults.seeingSpread},
                                   {&params_.exposureMs, defaults.exposureMs}, {&params_.background, defaults.background},
                                   {&params_.readNoise, defaults.readNoise}, {&params_.gain, defaults.gain},
                                   {&params_.bias, defaults.bias}, {&params_.darkCurrent, defaults.darkCurrent},
                                   {&params_.vignetting, defaults.vignetting}, {&params_.panelLevel, defaults.panelLevel},
                                   {&params_.defocusPerStep, defaults.defocusPerStep},
                                   {&params_.planetRadius, defaults.planetRadius}})
        if (!std::isfinite(*value)) *value = fallback;
    params_.scale = std::clamp(params_.scale, 0.01, 3600.0);
    params_.seeing = std::max(params_.seeing, 0.05);
    params_.jitter = std::max(params_.jitter, 0.0);
    params_.seeingSpread = std::clamp(params_.seeingSpread, 0.0, 10.0);
    params_.exposureMs = std::clamp(params_.exposureMs, 0.0, 3600000.0);
    params_.background = std::max(params_.background, 0.0);
    params_.readNoise = std::max(params_.readNoise, 0.0);
    params_.gain = std::max(params_.gain, 0.0);
    params_.darkCurrent = std::max(params_.darkCurrent, 0.0);
    params_.hotPixels = std::clamp(params_.hotPixels, 0, kMaxHotPixels);
    params_.vignetting = std::clamp(params_.vignetting, 0.0, 0.95);
    params_.dustShadows = std::clamp(params_.dustShadows, 0, kMaxDust);
    params_.panelLevel = std::max(params_.panelLevel, 0.0);
    params_.planetRadius = std::clamp(params_.planetRadius, 2.0, 400.0);
    if (lookAtPlanet) {
        const SkyObject& p = SkyObjects::planet();
        mount_.pointAt({p.raHours, p.decDegrees});
    }
}

void SkySimulator::setExposureMs(double ms)
{
    if (std::isfinite(ms)) params_.exposureMs = std::clamp(ms, 0.0, 3600000.0);
}

bool SkySimulator::oddLine(int y, int height)
{
    // Lines are read in groups: single rows at 240 lines, pairs at 480.
    const int group = std::max(1, height / 240);
    return (y / group) % 2 == 1;
}

void SkySimulator::setIntegrating(LineSet set, bool low)
{
    mount_.update();
    const double now = mount_.seconds();
    LineState& l = lines_[std::size_t(set)];
    if (low == l.low) return;
    l.low = low;
    if (low) {
        l.since = now;
    } else {
        l.pending = true;
        l.from = l.since;
        l.to = now;
    }
}

void SkySimulator::followOptics(int width)
{
    const double scale = optics_.scaleFor(width);
    if (scale > 0) params_.scale = std::clamp(scale, 0.01, 3600.0);
}

void SkySimulator::prepareSize(int width, int height)
{
    const SkyParameters& p = params_;
    const SkyParameters& q = preparedFor_;
    if (width == preparedWidth_ && height == preparedHeight_ && p.vignetting == q.vignetting &&
        p.dustShadows == q.dustShadows && p.hotPixels == q.hotPixels && p.darkCurrent == q.darkCurrent)
        return;
    preparedWidth_ = width;
    preparedHeight_ = height;
    preparedFor_ = p;
    const std::size_t n = std::size_t(width) * std::size_t(height);
    response_.assign(n, 1.0f);
    thermal_.assign(n, 0.0f);
    light_.assign(3 * n, 0.0f);
    planet_.assign(n, 0.0f);
    blurRow_.assign(std::size_t(std::max(width, height)), 0.0f);
    zeros_.assign(std::size_t(width), 0.0f);
    touched_.assign(std::size_t(height), 0u);

    // Vignetting: light falls with the square of the distance from the centre.
    const double cx = width / 2.0, cy = height / 2.0, r2max = cx * cx + cy * cy;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
            response_[std::size_t(y) * width + x] = float(1.0 - p.vignetting * (dx * dx + dy * dy) / r2max);
        }
    // Dust on the window in front of the sensor, far out of focus: soft
    // rings of shadow, lighter in the middle where the secondary mirror's
    // shadow lets the light round it.
    const uint32_t dustKey = noiseKey(seed_, Dust, 0);
    for (int d = 0; d < p.dustShadows; ++d) {
        const double fx = 0.12 + 0.76 * unitUniform(dustKey, uint32_t(4 * d));
        const double fy = 0.12 + 0.76 * unitUniform(dustKey, uint32_t(4 * d + 1));
        const double radius = (7.0 + 10.0 * unitUniform(dustKey, uint32_t(4 * d + 2))) * std::max(1.0, width / 640.0);
        const double depth = 0.04 + 0.05 * unitUniform(dustKey, uint32_t(4 * d + 3));
        const double dcx = fx * width, dcy = fy * height;
        for (int y = std::max(0, int(dcy - radius - 3)); y < std::min(height, int(dcy + radius + 3)); ++y)
            for (int x = std::max(0, int(dcx - radius - 3)); x < std::min(width, int(dcx + radius + 3)); ++x) {
                const double r = std::hypot(x + 0.5 - dcx, y + 0.5 - dcy);
                const double outer = std::clamp((radius - r) / 1.5 + 0.5, 0.0, 1.0);
                const double inner = std::clamp((r - kObstruction * radius) / 1.5 + 0.5, 0.0, 1.0);
                const double shadow = depth * outer * (0.4 + 0.6 * inner);
                response_[std::size_t(y) * width + x] *= float(1.0 - shadow);
            }
    }
    // Thermal signal: a little different in every pixel, and far more in the hot ones.
    const uint32_t thermalKey = noiseKey(seed_, Thermal, 0);
    for (std::size_t i = 0; i < n; ++i)
        thermal_[i] = float(p.darkCurrent * (0.7 + 0.6 * unitUniform(thermalKey, uint32_t(i))));
    const uint32_t hotKey = noiseKey(seed_, Hot, 0);
    for (int k = 0; k < p.hotPixels; ++k) {
        const int x = int(mixBits(hotKey ^ uint32_t(3 * k)) % uint32_t(width));
        const int y = int(mixBits(hotKey ^ uint32_t(3 * k + 1)) % uint32_t(height));
        const double rate = kHotRateMin * (1.0 + kHotRateSpread * unitUniform(hotKey, uint32_t(3 * k + 2)));
        thermal_[std::size_t(y) * width + x] += float(rate);
    }
}

void SkySimulator::render(QImage& target, int width, int height)
{
    width = std::min({width, target.width(), kMaxWidth});
    height = std::min(height, target.height());
    if (width <= 0 || height <= 0 || target.depth() != 32) return;
    followOptics(width);
    prepareSize(width, height);
    mount_.update();
    const double now = mount_.seconds();
    const double exposure = params_.exposureMs / 1000.0;
    ++frame_;
    const bool longExposure = std::any_of(lines_.begin(), lines_.end(),
                                          [](const LineState& l) { return l.low || l.pending; });
    if (!longExposure) {
        expose(target, width, height, -1, now - exposure, now);
        return;
    }
    for (int set = 0; set < 2; ++set) {
        LineState& l = lines_[std::size_t(set)];
        if (l.pending) {
            expose(target, width, height, set, l.from, l.to);
            l.pending = false;
        } else if (l.low) {
            expose(target, width, height, set, now, now);
        } else {
            expose(target, width, height, set, now - exposure, now);
        }
    }
}

void SkySimulator::expose(QImage& target, int width, int height, int rowSet, double from, double to)
{
    const double seconds = std::max(0.0, to - from);
    clearLight(width, height);
    if (params_.mode == CameraMode::Sky && seconds > 0) addLight(width, height, from, to);
    readOut(target, width, height, rowSet, seconds);
}

bool SkySimulator::project(const Projection& p, Vec3 direction, double& x, double& y) const
{
    const double depth = dot(direction, p.pose.axis);
    if (!(depth >= 0.2)) return false; // behind the camera, or no pose at all

    // Gnomonic projection; the sky drifts westward along the orientation.
    // Straight through the telescope north is a quarter turn back from west
    // (west to the right, north up), as the sky looks from below; a diagonal
    // mirror turns the image over, north a quarter turn on.
    const double west = -dot(direction, p.pose.east) / depth * p.pixelsPerRadian;
    const double north = dot(direction, p.pose.north) / depth * p.pixelsPerRadian * p.northSign;
    x = p.cx + west * p.cosT - north * p.sinT;
    y = p.cy + west * p.sinT + north * p.cosT;
    return std::isfinite(x) && std::isfinite(y) && std::abs(x) < 1e7 && std::abs(y) < 1e7;
}

void SkySimulator::prepareStars(const OpticsPose& a, const OpticsPose& b, int width, int height)
{
    const double field = (std::hypot(width, height) / 2 + kMaxStarRadius) * params_.scale / kArcsecPerRadian;
    const Vec3 centre = normalised(a.axis + b.axis);
    const double need = chordAngle(a.axis, b.axis) / 2 + field;
    if (starsRadius_ >= 0 && chordAngle(centre, starsCentre_) + need <= starsRadius_) return;
    starsCentre_ = centre;
    starsRadius_ = need * 1.5;
    generator_.around(centre, starsRadius_, stars_);
}

void SkySimulator::addLight(int width, int height, double from, double to)
{
    const double seconds = to - from;
    const OpticsPose first = mount_.poseAt(from), last = mount_.poseAt(to);
    prepareStars(first, last, width, height);

    Projection base;
    base.pixelsPerRadian = kArcsecPerRadian / params_.scale;
    const double oriented = orientationAt((from + to) / 2);
    base.cosT = std::cos(radians(oriented));
    base.sinT = std::sin(radians(oriented));
    base.northSign = params_.diagonal ? 1.0 : -1.0;
    base.cx = width / 2.0;
    base.cy = height / 2.0;

    // How far the field moves on the image during the exposure, at its
    // centre and, through the field's rotation, at its corners.
    base.pose = first;
    double endX = 0, endY = 0;
    double travel = 0;
    if (project(base, last.axis, endX, endY)) travel = std::hypot(endX - base.cx, endY - base.cy);
    else travel = kMaxSteps / kTrailStepPixels;
    const Vec3 turn = last.north - first.north;
    travel += std::sqrt(dot(turn, turn)) * std::hypot(width, height) / 2;
    int steps = std::clamp(int(std::ceil(travel / kTrailStepPixels)), 1, kMaxSteps);
    if (seconds > 1.5 * kSeeingStepSeconds)
        steps = std::max(steps, std::min(kMaxSteps / 2, int(std::ceil(seconds / kSeeingStepSeconds))));

    const double weight = seconds / kReferenceSeconds / steps;
    const double bestFocus = mount_.settings().bestFocus;
    const Vec3 planet = planetDirection();
    double blurSum = 0;
    QPointF shiftSum;
    bool planetDrawn = false;
    for (int k = 0; k < steps; ++k) {
        const double t = from + (k + 0.5) * seconds / steps;
        const SeeingSample s = seeing_.at(t, params_.jitter);
        Projection p = base;
        p.pose = mount_.poseAt(t);
        p.cx += s.dx / params_.scale;
        p.cy += s.dy / params_.scale;
        shiftSum += QPointF(s.dx / params_.scale, s.dy / params_.scale);
        const double widthNow = std::pow(s.widthFactor, params_.seeingSpread);
        const double fwhm = std::max(0.8, params_.seeing * widthNow / params_.scale);
        const double defocus = std::abs(p.pose.focuser - bestFocus) * params_.defocusPerStep / params_.scale;
        const double blurred = defocus < kDonutFromWidths * fwhm ? std::hypot(fwhm, defocus) : fwhm;
        const double alpha = blurred / kFwhmPerMoffatWidth;
        // Planet mode is the planetary camera's view: a narrow field at a
        // short exposure, where the field stars stay below the noise.
        for (const SkyStar& star : params_.planet ? std::span<const SkyStar>() : std::span<const SkyStar>(stars_)) {
            double x = 0, y = 0;
            if (!project(p, star.direction, x, y)) continue;
            if (x < -kMaxStarRadius || y < -kMaxStarRadius || x > width + kMaxStarRadius ||
                y > height + kMaxStarRadius)
                continue;
            addStar(star, x, y, star.flux * weight, alpha, defocus >= kDonutFromWidths * fwhm ? defocus : 0, fwhm,
                    width, height);
        }
        double px = 0, py = 0;
        if (project(p, planet, px, py)) {
            addPlanetDisc(px, py, weight, p, width, height);
            planetDrawn = planetDrawn || planetX1_ >= planetX0_;
        }
        blurSum += std::hypot(fwhm / 2.3548, defocus / 4);
    }
    lastBlur_ = blurSum / steps;
    lastShift_ = shiftSum / steps;
    if (planetDrawn) blurPlanet(lastBlur_, width, height);
}

void SkySimulator::addStar(const SkyStar& star, double x, double y, double flux, double alpha, double defocus,
                           double edge, int width, int height)
{
    const std::size_t plane = std::size_t(width) * std::size_t(height);
    float* planes[3] = {light_.data(), light_.data() + plane, light_.data() + 2 * plane};
    if (defocus > 0) {
        // The out-of-focus pupil: an even disc with the obstruction's
        // shadow, its edges softened by the seeing.
        const double outer = defocus / 2, inner = kObstruction * outer;
        const double level = flux / (std::numbers::pi * (outer * outer - inner * inner));
        const double reach = outer + edge;
        const int x0 = std::max(0, int(std::floor(x - reach))), x1 = std::min(width - 1, int(std::ceil(x + reach)));
        const int y0 = std::max(0, int(std::floor(y - reach))), y1 = std::min(height - 1, int(std::ceil(y + reach)));
        markLight(x0, x1, y0, y1);
        for (int py = y0; py <= y1; ++py)
            for (int px = x0; px <= x1; ++px) {
                const double r = std::hypot(px + 0.5 - x, py + 0.5 - y);
                const double cover = std::clamp((outer - r) / edge + 0.5, 0.0, 1.0) *
                                     std::clamp((r - inner) / edge + 0.5, 0.0, 1.0);
                if (cover <= 0) continue;
                const std::size_t i = std::size_t(py) * width + px;
                const float v = float(level * cover);
                for (int c = 0; c < 3; ++c) planes[c][i] += v * star.tint[c];
            }
        return;
    }
    const double peak = 2 * flux / (std::numbers::pi * alpha * alpha);
    if (peak < kFaintestDrawn) return;
    const double qMax = std::cbrt(peak / kFaintestDrawn);
    const double reach = std::min<double>(kMaxStarRadius, alpha * std::sqrt(std::max(qMax - 1, 0.0)));
    const int x0 = std::max(0, int(std::floor(x - reach))), x1 = std::min(width - 1, int(std::ceil(x + reach)));
    const int y0 = std::max(0, int(std::floor(y - reach))), y1 = std::min(height - 1, int(std::ceil(y + reach)));
    if (x0 > x1 || y0 > y1) return;
    markLight(x0, x1, y0, y1);
    const float inv2 = float(1.0 / (alpha * alpha)), level = float(peak);
    const float tb = star.tint[0], tg = star.tint[1], tr = star.tint[2];
    for (int py = y0; py <= y1; ++py) {
        const double dy = py + 0.5 - y;
        const double half2 = reach * reach - dy * dy;
        if (half2 < 0) continue;
        // The round outline of the profile on this row: never a square.
        const double half = std::sqrt(half2);
        const int from = std::max(x0, int(std::ceil(x - half - 0.5))), to = std::min(x1, int(std::floor(x + half - 0.5)));
        const std::size_t row = std::size_t(py) * width;
        float* pb = planes[0] + row;
        float* pg = planes[1] + row;
        float* pr = planes[2] + row;
        const float fy2 = float(dy * dy), fx = float(x - 0.5);
        for (int px = from; px <= to; ++px) {
            const float dx = float(px) - fx;
            const float q = 1.0f + (dx * dx + fy2) * inv2;
            const float v = level / (q * q * q);
            pb[px] += v * tb;
            pg[px] += v * tg;
            pr[px] += v * tr;
        }
    }
}

void SkySimulator::addPlanetDisc(double x, double y, double weight, const Projection& p, int width, int height)
{
    const double radius = params_.planetRadius;
    const int x0 = std::max(0, int(x - radius - 2)), x1 = std::min(width - 1, int(x + radius + 2));
    const int y0 = std::max(0, int(y - radius - 2)), y1 = std::min(height - 1, int(y + radius + 2));
    if (x0 > x1 || y0 > y1) return;
    // Belts run east-west: their brightness depends on the latitude, the
    // distance toward north, tabulated once per disc.
    constexpr int kBeltSteps = 256;
    float belts[kBeltSteps + 1];
    for (int i = 0; i <= kBeltSteps; ++i) {
        const double lat = -1.0 + 2.0 * i / kBeltSteps;
        belts[i] = float(0.78 + 0.22 * std::cos(lat * 9.0) - (std::abs(lat + 0.25) < 0.07 ? 0.15 : 0.0) +
                         (std::abs(lat - 0.3) < 0.04 ? 0.06 : 0.0));
    }
    const float invR = float(1.0 / radius), r = float(radius), level = float(kPlanetLevel * weight);
    const float sinT = float(p.sinT), cosT = float(p.cosT);
    for (int py = y0; py <= y1; ++py) {
        const float dy = float(py + 0.5 - y);
        const double half2 = (radius + 0.5) * (radius + 0.5) - double(dy) * dy;
        if (half2 <= 0) continue;
        const double half = std::sqrt(half2);
        const int from = std::max(x0, int(std::floor(x - half - 0.5))), to = std::min(x1, int(std::ceil(x + half - 0.5)));
        float* row = planet_.data() + std::size_t(py) * width;
        const float fx = float(x - 0.5);
        for (int px = from; px <= to; ++px) {
            const float dx = float(px) - fx;
            const float dist = std::sqrt(dx * dx + dy * dy);
            const float cover = std::clamp(r - dist + 0.5f, 0.0f, 1.0f);
            const float d = std::min(dist * invR, 1.0f);
            const float limb = 0.35f + 0.65f * std::sqrt(std::max(1.0f - d * d, 0.0f));
            const float lat = std::clamp((-dx * sinT + dy * cosT) * invR, -1.0f, 1.0f);
            row[px] += level * cover * limb * belts[int((lat + 1.0f) * 0.5f * kBeltSteps)];
        }
    }
    if (planetX1_ < planetX0_) {
        planetX0_ = x0, planetX1_ = x1, planetY0_ = y0, planetY1_ = y1;
    } else {
        planetX0_ = std::min(planetX0_, x0), planetX1_ = std::max(planetX1_, x1);
        planetY0_ = std::min(planetY0_, y0), planetY1_ = std::max(planetY1_, y1);
    }
}

// The seeing blurs the planet as it blurs the stars (a Gaussian of the
// same width), then its light joins the frame's in the planet's colours.
void SkySimulator::blurPlanet(double sigma, int width, int height)
{
    constexpr int kMaxTaps = 40;
    const int r = std::clamp(int(std::ceil(3 * sigma)), 1, kMaxTaps);
    float taps[2 * kMaxTaps + 1];
    double total = 0;
    for (int k = -r; k <= r; ++k) total += taps[k + r] = float(std::exp(-0.5 * k * k / std::max(sigma * sigma, 1e-3)));
    for (int k = 0; k <= 2 * r; ++k) taps[k] = float(taps[k] / total);
    const int x0 = std::max(0, planetX0_ - r), x1 = std::min(width - 1, planetX1_ + r);
    const int y0 = std::max(0, planetY0_ - r), y1 = std::min(height - 1, planetY1_ + r);
    float* tmp = blurRow_.data();
    for (int y = planetY0_; y <= planetY1_; ++y) {
        float* row = planet_.data() + std::size_t(y) * width;
        std::fill(tmp + x0, tmp + x1 + 1, 0.0f);
        for (int k = -r; k <= r; ++k) {
            const float w = taps[k + r];
            const int from = std::max(x0, -k), to = std::min(x1, width - 1 - k);
            for (int x = from; x <= to; ++x) tmp[x] += w * row[x + k];
        }
        std::copy(tmp + x0, tmp + x1 + 1, row + x0);
    }
    const std::size_t plane = std::size_t(width) * std::size_t(height);
    markLight(x0, x1, y0, y1);
    for (int y = y0; y <= y1; ++y) {
        std::fill(tmp + x0, tmp + x1 + 1, 0.0f);
        for (int k = -r; k <= r; ++k) {
            const int yy = y + k;
            if (yy < planetY0_ || yy > planetY1_) continue; // nothing drawn there
            const float* src = planet_.data() + std::size_t(yy) * width;
            const float w = taps[k + r];
            for (int x = x0; x <= x1; ++x) tmp[x] += w * src[x];
        }
        const std::size_t row = std::size_t(y) * width;
        for (int c = 0; c < 3; ++c) {
            float* dst = light_.data() + c * plane + row;
            const float tint = kPlanetTint[c];
            for (int x = x0; x <= x1; ++x) dst[x] += tmp[x] * tint;
        }
    }
    for (int y = planetY0_; y <= planetY1_; ++y)
        std::fill(planet_.begin() + std::ptrdiff_t(std::size_t(y) * width + x0),
                  planet_.begin() + std::ptrdiff_t(std::size_t(y) * width + x1 + 1), 0.0f);
    planetX0_ = 0, planetX1_ = -1, planetY0_ = 0, planetY1_ = -1;
}

void SkySimulator::markLight(int x0, int x1, int y0, int y1)
{
    if (x0 > x1 || y0 > y1) return;
    uint32_t mask = 0;
    for (int b = x0 / kLightBlock; b <= x1 / kLightBlock; ++b) mask |= 1u << b;
    for (int y = y0; y <= y1; ++y) touched_[std::size_t(y)] |= mask;
}

void SkySimulator::clearLight(int width, int height)
{
    const std::size_t plane = std::size_t(width) * std::size_t(height);
    for (int y = 0; y < height; ++y) {
        uint32_t& mask = touched_[std::size_t(y)];
        for (int b = 0; mask != 0; ++b, mask >>= 1) {
            if (!(mask & 1u)) continue;
            const std::size_t from = std::size_t(y) * width + std::size_t(b) * kLightBlock;
            const std::size_t n = std::size_t(std::min(kLightBlock, width - b * kLightBlock));
            for (int c = 0; c < 3; ++c) std::fill_n(light_.begin() + std::ptrdiff_t(c * plane + from), n, 0.0f);
        }
    }
}

// The sensor: light and thermal signal in grey levels, their shot noise
// (variance gain x signal) and the read noise drawn together as one normal
// value, the black level, then clipping and quantisation, in that order, so
// saturated cores are flat at 255 and the noise never wraps.
void SkySimulator::readOut(QImage& target, int width, int height, int rowSet, double seconds)
{
    SensorConstants k;
    for (int c = 0; c < 3; ++c) {
        if (params_.mode == CameraMode::Sky) k.sky[c] = float(params_.background * kSkyTint[c] * seconds);
        if (params_.mode == CameraMode::Panel) k.sky[c] = float(params_.panelLevel * seconds / kReferenceSeconds);
        k.keys[c] = noiseKey(seed_, ReadNoise + uint32_t(c), frame_);
    }
    k.seconds = float(seconds);
    k.gain = float(params_.gain);
    k.readVariance = float(params_.readNoise * params_.readNoise);
    k.bias = float(params_.bias);
    const std::size_t plane = std::size_t(width) * std::size_t(height);
    const float* none = zeros_.data();
    for (int y = 0; y < height; ++y) {
        if (rowSet >= 0 && oddLine(y, height) != (rowSet == int(LineSet::Odd))) continue;
        auto* out = reinterpret_cast<uint32_t*>(pixelRow(target, y));
        const std::size_t row = std::size_t(y) * width;
        const uint32_t mask = touched_[std::size_t(y)];
        // Runs of blocks with and without drawn light.
        for (int x = 0; x < width;) {
            const bool lit = (mask >> (x / kLightBlock)) & 1u;
            int end = x;
            while (end < width && bool((mask >> (end / kLightBlock)) & 1u) == lit)
                end = std::min(width, (end / kLightBlock + 1) * kLightBlock);
            const float* b = lit ? light_.data() + row + x : none + x;
            const float* g = lit ? light_.data() + plane + row + x : none + x;
            const float* r = lit ? light_.data() + 2 * plane + row + x : none + x;
            readOutSpan(out + x, end - x, response_.data() + row + x, thermal_.data() + row + x, b, g, r, k,
                        uint32_t(row + x));
            if (lit)
                for (int c = 0; c < 3; ++c)
                    std::fill_n(light_.begin() + std::ptrdiff_t(c * plane + row + x), end - x, 0.0f);
            x = end;
        }
        touched_[std::size_t(y)] = 0; // cleared while still in the cache
    }
}

// The optics' pose now, without the seeing's motion, centred on the frame.
SkySimulator::Projection SkySimulator::projectionNow(int width, int height)
{
    followOptics(width);
    mount_.update();
    Projection p;
    p.pose = mount_.poseAt(mount_.seconds());
    p.pixelsPerRadian = kArcsecPerRadian / params_.scale;
    const double turn = orientationAt(mount_.seconds());
    p.cosT = std::cos(radians(turn));
    p.sinT = std::sin(radians(turn));
    p.northSign = params_.diagonal ? 1.0 : -1.0;
    p.cx = width / 2.0;
    p.cy = height / 2.0;
    return p;
}

double SkySimulator::orientationAt(double seconds) const
{
    return params_.orientation + params_.fieldRotation * seconds / 60.0;
}

QPointF SkySimulator::starPosition(int id, int width, int height)
{
    SkyStar star;
    if (!generator_.star(id, star)) return {-1e9, -1e9};
    const Projection p = projectionNow(width, height);
    double x = 0, y = 0;
    if (!project(p, star.direction, x, y)) return {-1e9, -1e9};
    return {x, y};
}

QPointF SkySimulator::planetPosition(int width, int height)
{
    const Projection p = projectionNow(width, height);
    double x = 0, y = 0;
    if (!project(p, planetDirection(), x, y)) return {-1e9, -1e9};
    return {x, y};
}

int SkySimulator::brightestStarInView(int width, int height, int margin, double maxPeak)
{
    followOptics(width);
    mount_.update();
    const OpticsPose pose = mount_.poseAt(mount_.seconds());
    prepareStars(pose, pose, width, height);
    const double alpha = std::max(0.8, seeingFwhmPixels()) / kFwhmPerMoffatWidth;
    const double exposure = params_.exposureMs / 1000.0 / kReferenceSeconds;
    int best = -1;
    double bestFlux = 0;
    for (const SkyStar& s : stars_) {
        const QPointF at = starPosition(s.id, width, height);
        if (at.x() < margin || at.y() < margin || at.x() > width - margin || at.y() > height - margin) continue;
        const double peak = 2 * s.flux * exposure / (std::numbers::pi * alpha * alpha);
        if (peak >= maxPeak || s.flux <= bestFlux) continue;
        best = s.id;
        bestFlux = s.flux;
    }
    return best;
}

std::vector<int> SkySimulator::starsInView(int width, int height, int margin)
{
    followOptics(width);
    mount_.update();
    const OpticsPose pose = mount_.poseAt(mount_.seconds());
    prepareStars(pose, pose, width, height);
    std::vector<std::pair<float, int>> seen;
    for (const SkyStar& s : stars_) {
        const QPointF at = starPosition(s.id, width, height);
        if (at.x() < margin || at.y() < margin || at.x() > width - margin || at.y() > height - margin) continue;
        seen.push_back({-s.flux, s.id});
    }
    std::sort(seen.begin(), seen.end());
    std::vector<int> ids;
    for (const auto& [flux, id] : seen) ids.push_back(id);
    return ids;
}

double SkySimulator::starFlux(int id) const
{
    SkyStar star;
    if (!generator_.star(id, star)) return 0;
    return star.flux * params_.exposureMs / 1000.0 / kReferenceSeconds;
}

double SkySimulator::seeingFwhmPixels() const { return params_.seeing / params_.scale; }

double SkySimulator::defocusDiameterPixels()
{
    return std::abs(mount_.focuserPosition() - mount_.settings().bestFocus) * params_.defocusPerStep / params_.scale;
}

} // namespace velumbra

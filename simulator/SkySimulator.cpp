#include "simulator/SkySimulator.h"
#include "core/ImageBuffers.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace velumbra {
namespace {

constexpr double kReferenceExposureMs = 40.0;
constexpr uint32_t kNoiseMask = 65535;
constexpr int kCatalogueSize = 700;

double wrapCentered(double v, double period)
{
    v = std::fmod(v + period / 2, period);
    if (v < 0) v += period;
    return v - period / 2;
}

uint8_t saturate(double v) { return uint8_t(std::clamp(v, 0.0, 255.0)); }

} // namespace

double mountRateArcsecPerSecond(MountRate rate)
{
    switch (rate) {
    case MountRate::Guide: return 0.5 * kSiderealRate;
    case MountRate::Centre: return 8 * kSiderealRate;
    case MountRate::Find: return 64 * kSiderealRate;
    case MountRate::Slew: return 2.0 * 3600.0;
    }
    return 0;
}

SkySimulator::SkySimulator(const Clock& clock, uint32_t seed)
    : clock_(clock), seed_(seed), start_(clock.now()), frameRng_(seed * 7919u + 17u)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> pos(-kTile / 2, kTile / 2);
    std::exponential_distribution<double> bright(1.0);
    std::uniform_real_distribution<float> colour(-0.25f, 0.25f);
    stars_.reserve(kCatalogueSize);
    for (int i = 0; i < kCatalogueSize; ++i) {
        Star s;
        s.a = pos(rng);
        s.b = pos(rng);
        // Many faint stars, a few bright ones.
        const double e = bright(rng);
        s.flux = 150.0 * std::exp(1.6 * e) - 80.0;
        const float c = colour(rng); // warm (red) or cool (blue) tint
        s.tint[0] = 1.0f - c;
        s.tint[1] = 1.0f;
        s.tint[2] = 1.0f + c;
        stars_.push_back(s);
    }
    std::normal_distribution<float> gauss(0.0f, 1.0f);
    noise_.resize(kNoiseMask + 1);
    for (float& n : noise_) n = gauss(rng);
    std::uniform_int_distribution<int> hx(0, 1023), hy(0, 767);
    for (int i = 0; i < 64; ++i) hot_.emplace_back(hx(rng), hy(rng));
}

double SkySimulator::seconds() const { return double(start_.msecsTo(clock_.now())) / 1000.0; }

void SkySimulator::advance()
{
    const double now = seconds();
    const double dt = now - lastSeconds_;
    lastSeconds_ = now;
    if (dt <= 0) return;
    double va = moveRates_[int(SkyMove::East)] - moveRates_[int(SkyMove::West)];
    double vb = moveRates_[int(SkyMove::South)] - moveRates_[int(SkyMove::North)];
    if (!params_.tracking) va += kSiderealRate * std::cos(params_.declination * std::numbers::pi / 180.0);
    vb += params_.polarDrift / 60.0;
    shiftA_ += va * dt;
    shiftB_ += vb * dt;
}

void SkySimulator::setParameters(const SkyParameters& parameters)
{
    advance();
    params_ = parameters;
    params_.scale = std::max(params_.scale, 0.01);
    params_.periodicPeriod = std::max(params_.periodicPeriod, 1.0);
    params_.hotPixels = std::clamp(params_.hotPixels, 0, int(hot_.size()));
    preparedWidth_ = preparedHeight_ = 0; // vignetting may have changed
}

void SkySimulator::startMove(SkyMove direction, double arcsecPerSecond)
{
    advance();
    moveRates_[int(direction)] = std::max(arcsecPerSecond, 0.0);
}

void SkySimulator::stopMove(SkyMove direction)
{
    advance();
    moveRates_[int(direction)] = 0;
}

void SkySimulator::stopAllMoves()
{
    advance();
    moveRates_.fill(0);
}

void SkySimulator::setExposureMs(double ms)
{
    params_.exposureMs = std::max(ms, 0.0);
}

QPointF SkySimulator::fieldShift()
{
    advance();
    double a = shiftA_;
    if (params_.tracking && params_.periodicAmplitude != 0)
        a += params_.periodicAmplitude * std::sin(2 * std::numbers::pi * lastSeconds_ / params_.periodicPeriod);
    return {a / params_.scale, shiftB_ / params_.scale};
}

QPointF SkySimulator::starPositionAt(double a, double b, int width, int height)
{
    return placeOnImage(a, b, fieldShift(), width, height);
}

QPointF SkySimulator::placeOnImage(double a, double b, QPointF shift, int width, int height) const
{
    const double u = wrapCentered(a + shift.x(), kTile);
    const double v = wrapCentered(b + shift.y(), kTile);
    const double t = params_.orientation * std::numbers::pi / 180.0;
    // Westward drift along the orientation; north a quarter turn further.
    const double x = width / 2.0 + u * std::cos(t) - v * std::sin(t);
    const double y = height / 2.0 + u * std::sin(t) + v * std::cos(t);
    return {x, y};
}

QPointF SkySimulator::starPosition(int index, int width, int height)
{
    if (index < 0 || index >= int(stars_.size())) return {-1e9, -1e9};
    return starPositionAt(stars_[size_t(index)].a, stars_[size_t(index)].b, width, height);
}

int SkySimulator::brightestStarInView(int width, int height, int margin)
{
    int best = -1;
    for (int i = 0; i < int(stars_.size()); ++i) {
        const QPointF p = starPosition(i, width, height);
        if (p.x() < margin || p.y() < margin || p.x() > width - margin || p.y() > height - margin) continue;
        if (best < 0 || stars_[size_t(i)].flux > stars_[size_t(best)].flux) best = i;
    }
    return best;
}

double SkySimulator::starSigma() const
{
    const double seeingSigma = params_.seeing / params_.scale / 2.3548;
    const double defocus = std::abs(focuser_ - bestFocus_) * 0.01;
    return std::max(0.5, std::hypot(seeingSigma, defocus));
}

void SkySimulator::prepareSize(int width, int height)
{
    if (width == preparedWidth_ && height == preparedHeight_) return;
    preparedWidth_ = width;
    preparedHeight_ = height;
    vignette_.resize(size_t(width) * size_t(height));
    const double cx = width / 2.0, cy = height / 2.0;
    const double r2max = cx * cx + cy * cy;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double r2 = ((x - cx) * (x - cx) + (y - cy) * (y - cy)) / r2max;
            vignette_[size_t(y) * size_t(width) + size_t(x)] = uint16_t(1024.0 * (1.0 - params_.vignetting * r2));
        }
}

void SkySimulator::render(QImage& target, int width, int height)
{
    width = std::min(width, target.width());
    height = std::min(height, target.height());
    if (width <= 0 || height <= 0) return;
    prepareSize(width, height);
    advance();
    const double gain = params_.exposureMs / kReferenceExposureMs;
    std::normal_distribution<double> jitter(0.0, params_.jitter / params_.scale);
    const QPointF wobble(jitter(frameRng_), jitter(frameRng_));
    noiseCursor_ = frameRng_();

    renderBackground(target, width, height, params_.background * gain);
    if (params_.planet)
        renderPlanet(target, width, height, gain, wobble);
    else
        renderStars(target, width, height, gain, wobble);

    // Hot pixels sit on the sensor and do not move with the sky.
    for (int i = 0; i < params_.hotPixels; ++i) {
        const auto [x, y] = hot_[size_t(i)];
        if (x >= width || y >= height) continue;
        uint8_t* p = pixelRow(target, y) + x * kBytesPerPixel;
        const uint8_t level = uint8_t(std::min(255.0, 160.0 + 95.0 * std::min(gain, 1.0)));
        p[kBlue] = p[kGreen] = p[kRed] = level;
    }
}

void SkySimulator::renderBackground(QImage& target, int width, int height, double level)
{
    // Read noise plus the sky's own shot noise, one Gaussian draw per pixel.
    const float sigma = float(std::sqrt(params_.readNoise * params_.readNoise + level * 0.5));
    const float base = float(level) / 1024.0f;
    uint32_t cursor = noiseCursor_;
    const uint32_t step = (noiseCursor_ >> 16) | 1u;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = pixelRow(target, y);
        const uint16_t* vig = vignette_.data() + size_t(y) * size_t(width);
        cursor = (cursor + step * 131u) & kNoiseMask;
        for (int x = 0; x < width; ++x) {
            const float v = base * float(vig[x]) + sigma * noise_[(cursor + uint32_t(x)) & kNoiseMask];
            const int g = std::clamp(int(v + 0.5f), 0, 255);
            uint8_t* p = row + x * kBytesPerPixel;
            p[kBlue] = uint8_t(g);
            p[kGreen] = uint8_t(g);
            p[kRed] = uint8_t(g);
            p[3] = 0xff;
        }
    }
}

void SkySimulator::addShotNoise(uint8_t* pixel, double signal)
{
    noiseCursor_ = noiseCursor_ * 1664525u + 1013904223u;
    const double n = std::sqrt(std::max(signal, 0.0)) * 0.6 * noise_[(noiseCursor_ >> 8) & kNoiseMask];
    for (int c = 0; c < 3; ++c) pixel[c] = saturate(pixel[c] + n);
}

void SkySimulator::renderStars(QImage& target, int width, int height, double gain, QPointF jitter)
{
    const double sigma = starSigma();
    const int radius = int(std::ceil(3.5 * sigma));
    const double norm = 1.0 / (2 * std::numbers::pi * sigma * sigma);
    constexpr int kMaxPatch = 64;
    float gx[2 * kMaxPatch + 1], gy[2 * kMaxPatch + 1];
    const int r = std::min(radius, kMaxPatch);
    const QPointF shift = fieldShift();
    for (const Star& s : stars_) {
        const QPointF p = placeOnImage(s.a, s.b, shift, width, height) + jitter;
        if (p.x() < -r || p.y() < -r || p.x() > width + r || p.y() > height + r) continue;
        const double peak = s.flux * gain * norm;
        if (peak < 0.5) continue;
        const int cx = int(std::floor(p.x())), cy = int(std::floor(p.y()));
        for (int k = -r; k <= r; ++k) {
            const double dx = cx + k + 0.5 - p.x(), dy = cy + k + 0.5 - p.y();
            gx[k + r] = float(std::exp(-dx * dx / (2 * sigma * sigma)));
            gy[k + r] = float(std::exp(-dy * dy / (2 * sigma * sigma)));
        }
        for (int j = -r; j <= r; ++j) {
            const int y = cy + j;
            if (y < 0 || y >= height) continue;
            uint8_t* row = pixelRow(target, y);
            for (int i = -r; i <= r; ++i) {
                const int x = cx + i;
                if (x < 0 || x >= width) continue;
                const double v = peak * gx[i + r] * gy[j + r];
                if (v < 0.2) continue;
                uint8_t* px = row + x * kBytesPerPixel;
                const int vig = vignette_[size_t(y) * size_t(width) + size_t(x)];
                const double light = v * vig / 1024.0;
                for (int c = 0; c < 3; ++c) px[c] = saturate(px[c] + light * s.tint[c]);
                if (light > 2) addShotNoise(px, light);
            }
        }
    }
}

void SkySimulator::renderPlanet(QImage& target, int width, int height, double gain, QPointF jitter)
{
    const QPointF centre = planetPosition(width, height) + jitter;
    const double radius = std::max(params_.planetRadius, 4.0);
    const double t = params_.orientation * std::numbers::pi / 180.0;
    const double blur = starSigma();
    const int x0 = std::max(0, int(centre.x() - radius - 2)), x1 = std::min(width - 1, int(centre.x() + radius + 2));
    const int y0 = std::max(0, int(centre.y() - radius - 2)), y1 = std::min(height - 1, int(centre.y() + radius + 2));
    // Belts run along the drift direction: their brightness depends on the
    // latitude, the distance toward north, tabulated once per frame.
    constexpr int kBeltSteps = 256;
    float belts[kBeltSteps + 1];
    for (int i = 0; i <= kBeltSteps; ++i) {
        const double lat = -1.0 + 2.0 * i / kBeltSteps;
        belts[i] = float(0.78 + 0.22 * std::cos(lat * 9.0) - (std::abs(lat + 0.25) < 0.07 ? 0.15 : 0.0));
    }
    const float sinT = float(std::sin(t)), cosT = float(std::cos(t));
    const float invR = float(1.0 / radius), edgeScale = float(1.0 / (2 * blur));
    const float peak = float(205.0 * gain);
    for (int y = y0; y <= y1; ++y) {
        uint8_t* row = pixelRow(target, y);
        const float dy = float(y - centre.y());
        for (int x = x0; x <= x1; ++x) {
            const float dx = float(x - centre.x());
            const float dist = std::sqrt(dx * dx + dy * dy);
            // Soft limb over about one star width.
            const float edge = std::clamp((float(radius) - dist) * edgeScale + 0.5f, 0.0f, 1.0f);
            if (edge <= 0) continue;
            const float d = std::min(dist * invR, 1.0f);
            const float limb = std::sqrt(1.0f - d * d);
            const float lat = std::clamp((-dx * sinT + dy * cosT) * invR, -1.0f, 1.0f);
            const float belt = belts[int((lat + 1.0f) * 0.5f * kBeltSteps)];
            const float level = peak * edge * (0.35f + 0.65f * limb) * belt;
            uint8_t* px = row + x * kBytesPerPixel;
            px[kRed] = saturate(px[kRed] + level);
            px[kGreen] = saturate(px[kGreen] + level * 0.86f);
            px[kBlue] = saturate(px[kBlue] + level * 0.68f);
        }
    }
}

} // namespace velumbra

#include "acquisition/SimulatorDriver.h"

#include <cerrno>
#include <cstring>

#include <QObject>
#include <algorithm>

namespace velumbra {
namespace {

constexpr uint32_t kSimulatorFormat = fourcc('B', 'G', 'R', '3');

enum ControlId : uint32_t {
    Scale = 1, Orientation, Seeing, Jitter, Tracking, Exposure, Background, ReadNoise, HotPixels, Planet, Mode,
};

FormatChoice choice(int w, int h)
{
    return {kSimulatorFormat, QStringLiteral("RGB 24 bits"), w, h};
}

} // namespace

SimulatorDriver::SimulatorDriver(SkySimulator& sky) : sky_(sky), format_(choice(640, 480))
{
    streamTimer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&streamTimer_, &QTimer::timeout, [this] {
        // The callback may stop the stream and drop frameReady_ while it runs.
        const std::function<void()> ready = frameReady_;
        if (ready) ready();
    });
}

SimulatorDriver::~SimulatorDriver() { stopStream(); }

bool SimulatorDriver::connect()
{
    if (!sky_.cameraPlugged()) {
        error_ = QString::fromLocal8Bit(std::strerror(ENODEV));
        return false;
    }
    connected_ = true;
    return true;
}

void SimulatorDriver::disconnect()
{
    stopStream();
    connected_ = false;
}

VideoFormat SimulatorDriver::readFormat()
{
    if (!connected_) return {};
    return {format_.width, format_.height, 24, format_.pixelFormat};
}

GrabResult SimulatorDriver::grab(QImage& target, int /*timeoutMs*/)
{
    if (!connected_) {
        error_ = QObject::tr("simulateur non connecté");
        return GrabResult::Failed;
    }
    if (!sky_.cameraPlugged()) {
        // As a webcam pulled out of its socket: the device is gone.
        error_ = QString::fromLocal8Bit(std::strerror(ENODEV));
        return GrabResult::Failed;
    }
    if (format_.width > target.width() || format_.height > target.height()) return GrabResult::NoFrame;
    sky_.render(target, format_.width, format_.height);
    return GrabResult::Frame;
}

bool SimulatorDriver::startStream(int framePeriodUs, std::function<void()> frameReady)
{
    if (!connected_) return false;
    frameReady_ = std::move(frameReady);
    streamTimer_.start(std::max(1, framePeriodUs / 1000));
    return true;
}

void SimulatorDriver::stopStream()
{
    streamTimer_.stop();
    frameReady_ = nullptr;
}

std::vector<FormatChoice> SimulatorDriver::formatChoices()
{
    return {choice(320, 240), choice(640, 480), choice(800, 600), choice(1024, 768)};
}

bool SimulatorDriver::applyFormat(const FormatChoice& wanted)
{
    for (const FormatChoice& c : formatChoices())
        if (c.width == wanted.width && c.height == wanted.height) {
            format_ = c;
            return true;
        }
    error_ = QObject::tr("format %1x%2 inconnu").arg(wanted.width).arg(wanted.height);
    return false;
}

// The camera and the night; the mount's own settings and the truth about
// where it points are on the simulator's own page. The image scale is set
// here only while the program has given the sky no optics: otherwise it
// follows the observer's focal length and pixel size.
std::vector<DriverControl> SimulatorDriver::controls()
{
    const SkyParameters& p = sky_.parameters();
    using K = DriverControl::Kind;
    const std::vector<DriverControl::Item> modes = {
        {int(CameraMode::Sky), QObject::tr("Ciel")},
        {int(CameraMode::Cap), QObject::tr("Bouchon (dark)")},
        {int(CameraMode::Panel), QObject::tr("Panneau (flat)")},
    };
    std::vector<DriverControl> list = {
        {Scale, QObject::tr("Echantillonnage (\"/pixel)"), K::Slider, 0.2, 10, 0.1, p.scale},
        {Orientation, QObject::tr("Orientation (°)"), K::Slider, 0, 359, 1, p.orientation},
        {Seeing, QObject::tr("Turbulence, FWHM (\")"), K::Slider, 0.5, 10, 0.1, p.seeing},
        {Jitter, QObject::tr("Agitation (\")"), K::Slider, 0, 5, 0.1, p.jitter},
        {Tracking, QObject::tr("Suivi de la monture"), K::CheckBox, 0, 1, 1, sky_.mount().tracking() ? 1.0 : 0.0},
        {Exposure, QObject::tr("Temps de pose (ms)"), K::Slider, 1, 10000, 1, p.exposureMs},
        {Background, QObject::tr("Fond de ciel (niveaux/s)"), K::Slider, 0, 500, 1, p.background},
        {ReadNoise, QObject::tr("Bruit de lecture"), K::Slider, 0, 20, 0.5, p.readNoise},
        {HotPixels, QObject::tr("Pixels chauds"), K::Slider, 0, 64, 1, double(p.hotPixels)},
        {Planet, QObject::tr("Planète"), K::CheckBox, 0, 1, 1, p.planet ? 1.0 : 0.0},
        {Mode, QObject::tr("Devant la caméra"), K::Menu, 0, 2, 1, double(int(p.mode)), modes},
    };
    // The language file names the simulator's controls by these keys.
    static const char* const keys[] = {"", "Sim_Echantillonnage", "Sim_Orientation", "Sim_Turbulence",
                                       "Sim_Agitation", "Sim_Suivi", "Sim_Pose", "Sim_Fond",
                                       "Sim_Bruit", "Sim_Pixels_Chauds", "Sim_Planete", "Sim_Mode"};
    for (DriverControl& c : list)
        if (c.id < std::size(keys)) c.key = QString::fromLatin1(keys[c.id]);
    if (sky_.optics().known()) list.erase(list.begin());
    return list;
}

bool SimulatorDriver::setControl(uint32_t id, double v)
{
    SkyParameters p = sky_.parameters();
    switch (id) {
    case Scale:
        if (sky_.optics().known()) return false;
        p.scale = std::clamp(v, 0.2, 10.0);
        break;
    case Orientation: p.orientation = v; break;
    case Seeing: p.seeing = std::max(v, 0.1); break;
    case Jitter: p.jitter = std::max(v, 0.0); break;
    case Tracking: sky_.mount().setTracking(v != 0); return true;
    case Exposure: p.exposureMs = std::max(v, 0.0); break;
    case Background: p.background = std::max(v, 0.0); break;
    case ReadNoise: p.readNoise = std::max(v, 0.0); break;
    case HotPixels: p.hotPixels = int(v); break;
    case Planet: p.planet = v != 0; break;
    case Mode: p.mode = CameraMode(std::clamp(int(v), 0, 2)); break;
    default: return false;
    }
    sky_.setParameters(p);
    return true;
}

} // namespace velumbra

// Two rates of the INDI link, measured against Debian's simulators on an
// indiserver of its own (loopback only, stopped by its process id):
//
// 1. Frames per second from the camera simulator's video stream at 640 x 480
//    (8-bit) into the live image (the video source in stream mode, each
//    frame through the frame routine), against the rate the simulator itself
//    says it makes (its FPS property) and the stream frames that reached the
//    program.
// 2. The time from a guide correction's decision (the mount request a
//    correction makes) to the mount simulator's reply (its timed-guide
//    property busy).
//
// Usage: velumbra-indi-rates [seconds of streaming, default 10]
#include "../../tests/indi/IndiServer.h"

#include "acquisition/IndiCameraDriver.h"
#include "acquisition/V4l2Driver.h"
#include "acquisition/control/VideoSource.h"
#include "core/Messages.h"
#include "indi/IndiClient.h"
#include "processing/ImageCore.h"
#include "simulator/SkySimulator.h"
#include "telescope/IndiMount.h"
#include "telescope/Telescope.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace velumbra;

namespace {

const QString kCamera = QStringLiteral("CCD Simulator");
const QString kMount = QStringLiteral("Telescope Simulator");

class CameraChooser final : public DriverChooser {
public:
    std::optional<int> choose(const QStringList& entries) override
    {
        const int i = int(entries.indexOf(QStringLiteral("INDI ") + kCamera));
        return i < 0 ? std::nullopt : std::optional<int>(i);
    }
};

int streamRate(int port, int seconds)
{
    RecordingMessages messages;
    IndiClient client(messages);
    if (!client.connectToServer(QStringLiteral("localhost"), port)) return 1;
    test::waitUntil([&] { return client.property(kCamera, QStringLiteral("SIMULATOR_SETTINGS")) != nullptr; }, 10000);
    // A 1280 x 960 sensor binned 2 x 2: 640 x 480 frames.
    client.sendNumbers(kCamera, QStringLiteral("SIMULATOR_SETTINGS"), {{"SIM_XRES", 1280}, {"SIM_YRES", 960}});
    test::waitUntil([] { return false; }, 300);

    SystemClock clock;
    ImageCore core{clock};
    core.buffers.create();
    SkySimulator sky(clock, 1u);
    IndiSettings settings;
    settings.port = port;
    settings.cameraOptions.exposureMs = 1;
    settings.cameraOptions.binning = 2;
    SystemDriverCatalogue catalogue(sky);
    catalogue.setIndi(SystemDriverCatalogue::IndiCameras{client, settings, messages});
    CameraChooser chooser;
    VideoSource source(core, messages, clock, catalogue, chooser);
    source.setRefreshTime(33);
    source.BTN_StartClick();
    auto* camera = dynamic_cast<IndiCameraDriver*>(source.driver());
    if (!camera) {
        std::fprintf(stderr, "no INDI camera: %s\n", qPrintable(messages.lines.join(QLatin1Char('\n'))));
        return 1;
    }
    int streamed = 0;
    QObject::connect(&client, &IndiClient::blobArrived, [&](const IndiBlob& b) { streamed += b.format == QLatin1String(".stream"); });
    // The server's preview rate as high as it goes: the stream's own rate shows.
    if (const IndiProperty* limits = client.property(kCamera, QStringLiteral("LIMITS")))
        client.sendNumbers(kCamera, QStringLiteral("LIMITS"), {{"LIMITS_PREVIEW_FPS", limits->element(u"LIMITS_PREVIEW_FPS")->maximum}});
    source.BTN_TurboClick(); // stream mode
    test::waitUntil([] { return false; }, 1500); // the stream settles
    const int framesBefore = source.frameCounter();
    const int streamedBefore = streamed;
    QElapsedTimer t;
    t.start();
    double simulatorFps = 0;
    int samples = 0;
    while (t.elapsed() < seconds * 1000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (const IndiProperty* fps = client.property(kCamera, QStringLiteral("FPS")); fps && fps->number(u"EST_FPS") > 0) {
            simulatorFps += fps->number(u"EST_FPS");
            ++samples;
        }
    }
    const double elapsed = t.elapsed() / 1000.0;
    const int frames = source.frameCounter() - framesBefore;
    std::printf("stream %d x %d, 8-bit (%s)\n", core.buffers.imageWidth, core.buffers.imageHeight,
                camera->videoStreamOn() ? "CCD_VIDEO_STREAM" : "exposure loop");
    std::printf("  into the live image : %.1f frames/s (%d frames in %.1f s)\n", frames / elapsed, frames, elapsed);
    std::printf("  stream frames received: %.1f frames/s\n", (streamed - streamedBefore) / elapsed);
    std::printf("  simulator's own rate (FPS.EST_FPS, mean): %.1f frames/s\n", samples ? simulatorFps / samples : 0.0);
    source.BTN_TurboClick();
    source.BTN_StopClick();
    return 0;
}

int guideLatency(int port)
{
    RecordingMessages messages;
    IndiClient client(messages);
    IndiSettings indi;
    indi.port = port;
    indi.mount = kMount;
    Telescope telescope(messages);
    telescope.attachIndi(client, indi);
    telescope.settings.interface = MountInterface::Indi;
    telescope.settings.RDB_Pourcent_Inertie = false;
    telescope.settings.TNI_Vitesse_Ouest = telescope.settings.TNI_Vitesse_Est = 7.5;
    if (!telescope.mount.mount_connect(Mount::ConnectCause::Button)) {
        std::fprintf(stderr, "no INDI mount: %s\n", qPrintable(messages.lines.join(QLatin1Char('\n'))));
        return 1;
    }
    std::vector<double> ms;
    for (int i = 0; i < 30; ++i) {
        bool replied = false;
        QElapsedTimer t;
        auto c = QObject::connect(&client, &IndiClient::propertyUpdated, [&](const IndiProperty& p) {
            if (p.device == kMount && p.name == QLatin1String("TELESCOPE_TIMED_GUIDE_WE")
                && p.state == IndiProperty::State::Busy && !replied) {
                replied = true;
                ms.push_back(t.nsecsElapsed() / 1e6);
            }
        });
        t.start();
        // What a correction of 1.5 arc seconds West does.
        telescope.mount.mount_move(i % 2 ? East : West, false, 1.5);
        test::waitUntil([&] { return replied; }, 3000);
        QObject::disconnect(c);
        test::waitUntil([] { return false; }, 400); // the pulse ends
    }
    telescope.mount.mount_disconnect();
    if (ms.empty()) return 1;
    std::sort(ms.begin(), ms.end());
    std::printf("guide correction to the mount simulator's reply (%zu corrections)\n", ms.size());
    std::printf("  median %.2f ms, fastest %.2f ms, slowest %.2f ms\n", ms[ms.size() / 2], ms.front(), ms.back());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(2, atoi(argv[1])) : 10;
    if (!test::IndiServer::available()) {
        std::fprintf(stderr, "indiserver is not installed\n");
        return 2;
    }
    test::IndiServer server({"indi_simulator_ccd", "indi_simulator_telescope"});
    if (!server.start()) return 2;
    const int a = streamRate(server.port(), seconds);
    const int b = guideLatency(server.port());
    return a || b;
}

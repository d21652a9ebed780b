// The INDI camera chosen in the driver list like the webcam and the
// simulator: frames reach the frame buffers, a binning change resizes them,
// a killed server stops the capture as an unplugged camera does.
#include "IndiServer.h"

#include "acquisition/IndiCameraDriver.h"
#include "acquisition/V4l2Driver.h"
#include "acquisition/control/VideoSource.h"
#include "core/Messages.h"
#include "indi/IndiClient.h"
#include "acquisition/FitsFrame.h"
#include "processing/FrameCountHook.h"
#include "processing/ImageCore.h"
#include "simulator/SkySimulator.h"

#include <gtest/gtest.h>

namespace velumbra {
namespace {

class NamedChooser final : public DriverChooser {
public:
    std::optional<int> choose(const QStringList& entries) override
    {
        offered = entries;
        const int i = int(entries.indexOf(QStringLiteral("INDI CCD Simulator")));
        return i < 0 ? std::nullopt : std::optional<int>(i);
    }
    QStringList offered;
};

TEST(IndiVideoSource, TheCameraIsChosenInTheDriverListAndFillsTheFrames)
{
    if (!test::IndiServer::available()) GTEST_SKIP() << "indiserver is not installed";
    test::IndiServer server({"indi_simulator_ccd"});
    ASSERT_TRUE(server.start());
    ManualClock clock;
    ImageCore core{clock};
    core.buffers.create();
    RecordingMessages messages;
    SkySimulator sky(clock, 7u);
    IndiClient client(messages);
    IndiSettings settings;
    settings.port = server.port();
    settings.cameraOptions.exposureMs = 20;
    SystemDriverCatalogue catalogue(sky);
    catalogue.setIndi(SystemDriverCatalogue::IndiCameras{client, settings, messages});
    NamedChooser chooser;
    VideoSource source(core, messages, clock, catalogue, chooser);
    source.BTN_StartClick(); // the driver list is offered
    ASSERT_TRUE(chooser.offered.contains(QStringLiteral("INDI CCD Simulator"))) << chooser.offered.join('|').toStdString();
    ASSERT_NE(dynamic_cast<IndiCameraDriver*>(source.driver()), nullptr) << messages.lines.join('\n').toStdString();
    EXPECT_EQ(settings.camera, QStringLiteral("CCD Simulator"));
    ASSERT_TRUE(source.timer1().isActive()) << messages.lines.join('\n').toStdString();
    EXPECT_EQ(core.buffers.imageWidth, 800);
    EXPECT_EQ(core.buffers.imageHeight, 600);

    auto ticksUntilFrames = [&](int frames) {
        const int start = source.frameCounter();
        return test::waitUntil([&] {
            clock.advanceMs(100);
            source.Timer1Timer();
            return source.frameCounter() - start >= frames;
        }, 10000);
    };
    ASSERT_TRUE(ticksUntilFrames(2));

    source.MNU_SourceChange(IndiCameraDriver::Binning, 2);
    EXPECT_EQ(core.buffers.imageWidth, 640);
    EXPECT_EQ(core.buffers.imageHeight, 512);
    EXPECT_TRUE(ticksUntilFrames(1));

    const int linesBefore = int(messages.lines.size());
    server.kill();
    EXPECT_TRUE(test::waitUntil([&] {
        source.Timer1Timer();
        return !source.timer1().isActive();
    }, 5000)) << "the capture stops as for an unplugged camera";
    ASSERT_TRUE(test::waitUntil([&] { return !client.isConnected(); }, 5000));
    const QStringList said = messages.lines.mid(linesBefore);
    EXPECT_EQ(said.filter(QStringLiteral("Serveur INDI perdu")).size(), 1) << said.join('\n').toStdString();
    EXPECT_EQ(said.filter(QStringLiteral("capture arretee")).size(), 1) << said.join('\n').toStdString();
}

// What the frame routine hands on for recording: each new frame's time.
class TimeRecorder final : public FrameCountHook {
public:
    std::vector<QDateTime> times;
    void frameCounted(bool) override {}
    void frameArrived(const QImage&, int, int, const QDateTime& time) override { times.push_back(time); }
};

// Each frame goes on with the time the camera wrote in it (DATE-OBS), not
// the program's clock.
TEST(IndiVideoSource, EachFrameCarriesTheCamerasOwnTime)
{
    if (!test::IndiServer::available()) GTEST_SKIP() << "indiserver is not installed";
    test::IndiServer server({"indi_simulator_ccd"});
    ASSERT_TRUE(server.start());
    ManualClock clock; // far from the camera's time
    ImageCore core{clock};
    core.buffers.create();
    TimeRecorder recorder;
    core.frameCountHook = &recorder;
    RecordingMessages messages;
    SkySimulator sky(clock, 7u);
    IndiClient client(messages);
    IndiSettings settings;
    settings.port = server.port();
    settings.cameraOptions.exposureMs = 20;
    SystemDriverCatalogue catalogue(sky);
    catalogue.setIndi(SystemDriverCatalogue::IndiCameras{client, settings, messages});
    NamedChooser chooser;
    VideoSource source(core, messages, clock, catalogue, chooser);
    std::vector<QDateTime> written; // DATE-OBS of every frame the camera sent
    QObject::connect(&client, &IndiClient::blobArrived, [&](const IndiBlob& blob) {
        FitsFrameInfo info;
        QString why;
        if (parseFitsFrame(blob.data, info, why)) written.push_back(info.dateObs);
    });
    source.BTN_StartClick();
    ASSERT_TRUE(source.timer1().isActive()) << messages.lines.join('\n').toStdString();
    ASSERT_TRUE(test::waitUntil([&] {
        source.Timer1Timer();
        return recorder.times.size() >= 3;
    }, 15000));
    const QDateTime realNow = QDateTime::currentDateTimeUtc();
    for (const QDateTime& t : recorder.times) {
        ASSERT_TRUE(t.isValid());
        EXPECT_TRUE(std::find(written.begin(), written.end(), t) != written.end()) << t.toString(Qt::ISODateWithMs).toStdString();
        EXPECT_LT(std::abs(t.secsTo(realNow)), 120) << t.toString(Qt::ISODateWithMs).toStdString();
    }
    for (size_t i = 1; i < recorder.times.size(); ++i) EXPECT_LT(recorder.times[i - 1], recorder.times[i]);
    source.BTN_StopClick();
    core.frameCountHook = nullptr;
}

} // namespace
} // namespace velumbra

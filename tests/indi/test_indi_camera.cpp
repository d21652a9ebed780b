// The INDI camera simulator as a video source: size, subframe, binning,
// exposure, the 16-to-8-bit mapping and the mosaic, checked against the
// FITS the server sent as cfitsio reads it.
#include "IndiServer.h"

#include "acquisition/IndiCameraDriver.h"
#include "core/ImageBuffers.h"
#include "core/Messages.h"
#include "indi/IndiClient.h"

#include <fitsio.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace velumbra {
namespace {

using test::IndiServer;
using test::waitUntil;

const QString kCamera = QStringLiteral("CCD Simulator");
const QString kMount = QStringLiteral("Telescope Simulator");

// The pixels of a FITS buffer as cfitsio reads them (BZERO applied),
// in stored order, and a keyword.
struct OutsideRead {
    long width = 0, height = 0;
    std::vector<unsigned short> values;
    double exptime = -1;
    QString rowOrder;
    QString bayer;
};

OutsideRead readWithCfitsio(QByteArray bytes)
{
    OutsideRead r;
    void* mem = bytes.data();
    size_t size = size_t(bytes.size());
    fitsfile* f = nullptr;
    int status = 0;
    if (fits_open_memfile(&f, "frame", READONLY, &mem, &size, 0, nullptr, &status)) return r;
    long axes[2] = {0, 0};
    int naxis = 0;
    fits_get_img_dim(f, &naxis, &status);
    fits_get_img_size(f, 2, axes, &status);
    r.width = axes[0];
    r.height = axes[1];
    r.values.resize(size_t(r.width * r.height));
    fits_read_img(f, TUSHORT, 1, long(r.values.size()), nullptr, r.values.data(), nullptr, &status);
    char text[FLEN_VALUE] = {};
    int s2 = 0;
    fits_read_key(f, TDOUBLE, "EXPTIME", &r.exptime, nullptr, &s2);
    s2 = 0;
    if (!fits_read_key(f, TSTRING, "ROWORDER", text, nullptr, &s2)) r.rowOrder = QString::fromLatin1(text).trimmed();
    s2 = 0;
    if (!fits_read_key(f, TSTRING, "BAYERPAT", text, nullptr, &s2)) r.bayer = QString::fromLatin1(text).trimmed();
    fits_close_file(f, &status);
    return r;
}

class IndiCameraSource : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!IndiServer::available()) return;
        // The camera simulator draws its sky (glow and noise) where the
        // telescope simulator points; without one it sends a flat test level.
        server = new IndiServer({"indi_simulator_ccd", "indi_simulator_telescope"});
        if (!server->start()) return;
        messages = new RecordingMessages;
        client = new IndiClient(*messages);
        if (!client->connectToServer(QStringLiteral("localhost"), server->port())) return;
        waitUntil([] {
            return client->property(kCamera, QStringLiteral("SIMULATOR_SETTINGS")) != nullptr
                && client->property(kMount, QStringLiteral("CONNECTION")) != nullptr;
        }, 10000);
        client->connectDevice(kMount);
        client->connectDevice(kCamera);
        waitUntil([] { return client->deviceConnected(kMount) && client->deviceConnected(kCamera); }, 10000);
        // Strong noise on a bright sky: levels over the whole 16-bit range, so
        // every mapping has something to map.
        client->sendNumbers(kCamera, QStringLiteral("SIMULATOR_SETTINGS"), {{"SIM_NOISE", 5000}, {"SIM_SKYGLOW", 12}});
        waitUntil([] {
            const IndiProperty* p = client->property(kCamera, QStringLiteral("SIMULATOR_SETTINGS"));
            return p && p->number(u"SIM_NOISE") == 5000;
        }, 5000);
    }
    static void TearDownTestSuite()
    {
        delete client;
        delete messages;
        delete server;
        client = nullptr;
        messages = nullptr;
        server = nullptr;
    }
    void SetUp() override
    {
        if (!client || client->devicesOfKind(IndiCameraKind).empty()) GTEST_SKIP() << "no indiserver with the camera simulator";
        messages->lines.clear();
        QObject::connect(client, &IndiClient::blobArrived, &context, [this](const IndiBlob& b) { lastBlob = b.data; });
        target = QImage(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
    }

    std::unique_ptr<IndiCameraDriver> connectedCamera()
    {
        auto d = std::make_unique<IndiCameraDriver>(*client, kCamera, options, *messages);
        EXPECT_TRUE(d->connect()) << d->lastError().toStdString();
        return d;
    }
    bool frameReadBack(IndiCameraDriver& d, OutsideRead& outside)
    {
        lastBlob.clear();
        if (d.grab(target, 10000) != GrabResult::Frame) return false;
        outside = readWithCfitsio(lastBlob);
        return outside.width > 0;
    }
    // The stored row shown at display row y.
    static long storedRow(const OutsideRead& o, int y) { return o.rowOrder == QLatin1String("TOP-DOWN") ? y : o.height - 1 - y; }

    static inline IndiServer* server = nullptr;
    static inline RecordingMessages* messages = nullptr;
    static inline IndiClient* client = nullptr;
    QObject context;
    IndiCameraOptions options;
    QByteArray lastBlob;
    QImage target;
};

TEST_F(IndiCameraSource, FramesArriveAtTheRequestedSizeSubframeBinningAndExposure)
{
    struct Case {
        const char* name;
        int binning, frameX, frameY;
        double exposureMs;
        int width, height;     // the frame that arrives
        int ccdX, ccdY, ccdW, ccdH; // what the device was asked (unbinned)
    };
    // The simulator's sensor: 1280 x 1024.
    const Case cases[] = {
        {"centred 800 x 600", 1, -1, -1, 100, 800, 600, 240, 212, 800, 600},
        {"subframe at 10, 20", 1, 10, 20, 200, 800, 600, 10, 20, 800, 600},
        {"binning 2: the whole sensor", 2, -1, -1, 100, 640, 512, 0, 0, 1280, 1024},
        {"binning 2, corner past the sensor held inside", 2, 900, 900, 100, 640, 512, 0, 0, 1280, 1024},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        options = IndiCameraOptions{};
        options.binning = c.binning;
        options.frameX = c.frameX;
        options.frameY = c.frameY;
        options.exposureMs = c.exposureMs;
        auto camera = connectedCamera();
        EXPECT_EQ(camera->readFormat().width, c.width);
        EXPECT_EQ(camera->readFormat().height, c.height);
        OutsideRead o;
        ASSERT_TRUE(frameReadBack(*camera, o)) << camera->lastError().toStdString();
        EXPECT_EQ(o.width, c.width);
        EXPECT_EQ(o.height, c.height);
        EXPECT_NEAR(o.exptime, c.exposureMs / 1000, 1e-6);
        const IndiProperty* frame = client->property(kCamera, QStringLiteral("CCD_FRAME"));
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(frame->number(u"X"), c.ccdX);
        EXPECT_EQ(frame->number(u"Y"), c.ccdY);
        EXPECT_EQ(frame->number(u"WIDTH"), c.ccdW);
        EXPECT_EQ(frame->number(u"HEIGHT"), c.ccdH);
        const IndiProperty* bin = client->property(kCamera, QStringLiteral("CCD_BINNING"));
        EXPECT_EQ(bin->number(u"HOR_BIN"), c.binning);
        camera->disconnect();
    }
    EXPECT_TRUE(messages->lines.isEmpty()) << messages->lines.join('\n').toStdString();
}

TEST_F(IndiCameraSource, SixteenBitFramesMapToEightBitsAsChosen)
{
    struct Case {
        const char* name;
        IndiDepthMapping mapping;
        int low, high;
    };
    const Case cases[] = {
        {"top eight bits", IndiDepthMapping::TopBits, 0, 65535},
        {"stretch 0..2000", IndiDepthMapping::Stretch, 0, 2000},
        {"stretch between the frame's darkest and brightest levels", IndiDepthMapping::Stretch, -1, -1},
    };
    options.exposureMs = 100;
    auto camera = connectedCamera();
    int darkest = 65535, brightest = 0;
    for (Case c : cases) {
        SCOPED_TRACE(c.name);
        if (c.low < 0) {
            c.low = darkest;
            c.high = brightest;
            ASSERT_GT(c.high, c.low + 4);
        }
        camera->setControl(IndiCameraDriver::DepthMapping, int(c.mapping));
        camera->setControl(IndiCameraDriver::StretchHigh, c.high);
        camera->setControl(IndiCameraDriver::StretchLow, c.low);
        OutsideRead o;
        ASSERT_TRUE(frameReadBack(*camera, o));
        int mismatches = 0, spread = 0;
        for (int y = 0; y < o.height; y += 7) {
            for (int x = 0; x < o.width; x += 5) {
                const int v = o.values[size_t(storedRow(o, y) * o.width + x)];
                darkest = std::min(darkest, v);
                brightest = std::max(brightest, v);
                const int expected = c.mapping == IndiDepthMapping::TopBits
                                         ? v / 256
                                         : std::clamp(int(std::lround((v - c.low) * 255.0 / (c.high - c.low))), 0, 255);
                const uint8_t* px = pixelRow(std::as_const(target), y) + 4 * x;
                if (px[0] != expected || px[1] != expected || px[2] != expected) ++mismatches;
                if (expected > 0 && expected < 255) ++spread;
            }
        }
        EXPECT_EQ(mismatches, 0);
        EXPECT_GT(spread, 100) << "levels between black and white";
    }
}

TEST_F(IndiCameraSource, ABayerFrameGivesItsColoursFromTheDevicesPattern)
{
    ASSERT_TRUE(client->sendSwitches(kCamera, QStringLiteral("SIMULATE_BAYER"), {{"INDI_ENABLED", true}}));
    ASSERT_TRUE(waitUntil([] {
        const IndiProperty* p = client->property(kCamera, QStringLiteral("SIMULATE_BAYER"));
        return p && p->isOn(u"INDI_ENABLED");
    }, 5000));
    options.exposureMs = 100;
    auto camera = connectedCamera();
    OutsideRead o;
    const bool read = frameReadBack(*camera, o);
    client->sendSwitches(kCamera, QStringLiteral("SIMULATE_BAYER"), {{"INDI_DISABLED", true}});
    ASSERT_TRUE(read);
    ASSERT_EQ(o.bayer.size(), 4) << "the simulator names its pattern";
    // At each red and blue site of the pattern (on the stored rows) the
    // frame's own colour is the site's value.
    int checked = 0, wrong = 0, coloured = 0;
    for (int y = 2; y < o.height - 2; y += 3) {
        const long row = storedRow(o, y);
        for (int x = 2; x < o.width - 2; x += 3) {
            const QChar site = o.bayer[int((row & 1) * 2 + (x & 1))];
            if (site == QLatin1Char('G')) continue;
            const int v = o.values[size_t(row * o.width + x)] / 256;
            const uint8_t* px = pixelRow(std::as_const(target), y) + 4 * x;
            const int own = site == QLatin1Char('R') ? px[2] : px[0];
            ++checked;
            if (own != v) ++wrong;
            if (px[1] != own) ++coloured; // green rebuilt from the neighbours, not a grey copy
        }
    }
    EXPECT_GT(checked, 1000);
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(coloured, checked / 4) << "pattern " << o.bayer.toStdString();
}

// Streaming runs on the camera's video stream where it offers one: raw
// frames of the subframe asked, shown as they came, no exposure loop; the
// stream stops with the streaming.
TEST_F(IndiCameraSource, StreamingUsesTheCamerasVideoStream)
{
    options.exposureMs = 50;
    auto camera = connectedCamera();
    ASSERT_TRUE(camera->offersVideoStream());
    int fits = 0, streamed = 0;
    std::vector<QByteArray> recent; // the last stream frames the server sent
    QObject::connect(client, &IndiClient::blobArrived, &context, [&](const IndiBlob& b) {
        if (b.format.startsWith(QLatin1String(".fits"))) ++fits;
        if (b.format == QLatin1String(".stream")) {
            ++streamed;
            recent.push_back(b.data);
            if (recent.size() > 4) recent.erase(recent.begin());
        }
    });
    int frames = 0;
    ASSERT_TRUE(camera->startStream(33000, [&] {
        if (camera->grab(target, 0) == GrabResult::Frame) ++frames;
    }));
    EXPECT_TRUE(camera->videoStreamOn());
    EXPECT_TRUE(camera->isStreaming());
    ASSERT_TRUE(waitUntil([&] { return frames >= 5; }, 10000))
        << frames << " frames, " << streamed << " streamed; " << messages->lines.join(QLatin1Char('\n')).toStdString();
    camera->stopStream();
    EXPECT_FALSE(camera->isStreaming());
    EXPECT_EQ(fits, 0) << "no exposure loop beside the stream";
    // The frame shown is one the stream sent, as it came: 8-bit, the subframe's size.
    const IndiFrameRequest& r = camera->frameRequest();
    int best = r.outWidth * r.outHeight;
    for (const QByteArray& sent : recent) {
        ASSERT_EQ(sent.size(), qsizetype(r.outWidth) * r.outHeight);
        int wrong = 0;
        for (int y = 0; y < r.outHeight; y += 7)
            for (int x = 0; x < r.outWidth; x += 5)
                wrong += qGreen(target.pixel(x, y)) != uint8_t(sent[qsizetype(y) * r.outWidth + x]);
        best = std::min(best, wrong);
    }
    EXPECT_EQ(best, 0);
    EXPECT_TRUE(camera->frameTime().isValid());

    ASSERT_TRUE(waitUntil([&] {
        const IndiProperty* p = client->property(kCamera, QStringLiteral("CCD_VIDEO_STREAM"));
        return p && p->isOn(u"STREAM_OFF");
    }, 5000));
    waitUntil([] { return false; }, 300);
    const int after = streamed;
    waitUntil([] { return false; }, 500);
    EXPECT_EQ(streamed, after) << "the stream stopped";
    // Single frames come from exposures again.
    OutsideRead outside;
    EXPECT_TRUE(frameReadBack(*camera, outside));
}

TEST(IndiFrameChoice, AtMostTheFrameSizeCentredOrWhereTheUserPutIt)
{
    struct Case {
        int sensorW, sensorH, binning, frameX, frameY;
        IndiFrameRequest expected;
    };
    const Case cases[] = {
        {640, 480, 1, -1, -1, {1, 0, 0, 640, 480, 640, 480}},
        {1280, 1024, 1, -1, -1, {1, 240, 212, 800, 600, 800, 600}},
        {1280, 1024, 2, -1, -1, {2, 0, 0, 1280, 1024, 640, 512}},
        {4656, 3520, 2, -1, -1, {2, 1528, 1160, 1600, 1200, 800, 600}},
        {4656, 3520, 4, 0, 0, {4, 0, 0, 3200, 2400, 800, 600}},
        {4656, 3520, 4, 5000, 5000, {4, 1456, 1120, 3200, 2400, 800, 600}},
    };
    for (const Case& c : cases) {
        IndiCameraOptions o;
        o.binning = c.binning;
        o.frameX = c.frameX;
        o.frameY = c.frameY;
        const IndiFrameRequest r = chooseIndiFrame(c.sensorW, c.sensorH, o, 800, 600);
        SCOPED_TRACE(testing::Message() << c.sensorW << "x" << c.sensorH << " bin " << c.binning);
        EXPECT_EQ(r.binning, c.expected.binning);
        EXPECT_EQ(r.x, c.expected.x);
        EXPECT_EQ(r.y, c.expected.y);
        EXPECT_EQ(r.width, c.expected.width);
        EXPECT_EQ(r.height, c.expected.height);
        EXPECT_EQ(r.outWidth, c.expected.outWidth);
        EXPECT_EQ(r.outHeight, c.expected.outHeight);
    }
}

} // namespace
} // namespace velumbra

namespace velumbra {
namespace {

TEST(IndiCameraLoss, AServerKilledMidStreamIsOneMessageAndARestartedOneStreamsAgain)
{
    if (!test::IndiServer::available()) GTEST_SKIP() << "indiserver is not installed";
    test::IndiServer server({"indi_simulator_ccd"});
    ASSERT_TRUE(server.start());
    RecordingMessages messages;
    IndiClient client(messages);
    IndiCameraOptions options;
    options.exposureMs = 20;
    QImage target(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
    ASSERT_TRUE(client.connectToServer(QStringLiteral("localhost"), server.port()));
    ASSERT_TRUE(test::waitUntil([&] { return !client.devicesOfKind(IndiCameraKind).empty(); }, 10000));
    IndiCameraDriver camera(client, kCamera, options, messages);
    ASSERT_TRUE(camera.connect()) << camera.lastError().toStdString();
    int frames = 0, failures = 0;
    auto onFrame = [&] {
        const GrabResult r = camera.grab(target, 0);
        frames += r == GrabResult::Frame;
        failures += r == GrabResult::Failed;
    };
    ASSERT_TRUE(camera.startStream(0, onFrame));
    ASSERT_TRUE(test::waitUntil([&] { return frames >= 1; }, 10000));

    server.kill();
    ASSERT_TRUE(test::waitUntil([&] { return failures > 0; }, 5000)) << "the source learns the camera is gone";
    EXPECT_EQ(camera.grab(target, 1000), GrabResult::Failed) << "no wait on a lost server";
    test::waitUntil([] { return false; }, 200);
    EXPECT_EQ(failures, 1);
    ASSERT_EQ(messages.lines.size(), 1) << messages.lines.join('\n').toStdString();
    camera.disconnect();

    ASSERT_TRUE(server.start());
    ASSERT_TRUE(client.connectToServer(QStringLiteral("localhost"), server.port()));
    ASSERT_TRUE(test::waitUntil([&] { return !client.devicesOfKind(IndiCameraKind).empty(); }, 10000));
    ASSERT_TRUE(camera.connect()) << camera.lastError().toStdString();
    frames = 0;
    ASSERT_TRUE(camera.startStream(0, onFrame));
    EXPECT_TRUE(test::waitUntil([&] { return frames >= 1; }, 10000));
    EXPECT_EQ(messages.lines.size(), 1);
}

} // namespace
} // namespace velumbra

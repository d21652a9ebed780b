// Closed-loop autoguiding through INDI: the camera simulator draws a fixed
// field of stars (served by the stand-in catalogue program of
// tests/indi/catalogue, first on the server's PATH), the telescope
// simulator's drive stops a quarter of a second every three seconds (a
// drive that slips), so the star drifts westward by steps.
// The program measures the camera's orientation (tracking off for a few
// seconds), calibrates its guide speeds and guides on the frames of the
// INDI camera through the INDI mount. The star's position is measured in
// each frame independently of the program's tracking; guided, its RMS
// distance from where guiding holds it must be below the unguided drift's.
#include "IndiServer.h"

#include "acquisition/IndiCameraDriver.h"
#include "aids/GuideCalibration.h"
#include "aids/OperationSequencer.h"
#include "core/Angles.h"
#include "core/Clock.h"
#include "core/Messages.h"
#include "indi/IndiClient.h"
#include "processing/CoreStages.h"
#include "processing/ImageCore.h"
#include "telescope/Autoguider.h"
#include "telescope/IndiMount.h"
#include "telescope/Telescope.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QPointF>
#include <QTimer>
#include <cmath>
#include <cstdio>

namespace velumbra {
namespace {

const QString kCamera = QStringLiteral("CCD Simulator");
const QString kMount = QStringLiteral("Telescope Simulator");
constexpr double kSidereal = 15.041067; // arc seconds per second
constexpr int kSlipEveryMs = 3000, kSlipMs = 250;
constexpr int kBinning = 2;
// The camera simulator's 5.2 µm pixels behind the telescope simulator's 900 mm.
constexpr double kSampling = 5.2 * kBinning / 900.0 * 206.265;

struct NoView final : OperationView {
    void setActionLabel(const QString&) override {}
    void setExecuteEnabled(bool) override {}
    void setAbortEnabled(bool) override {}
    void setOperationsMenuEnabled(bool) override {}
    void overlaysOn() override {}
};

struct Calibration final : CalibrationView {
    explicit Calibration(MountSettings& s) : settings(s) {}
    double TNI_Duree_test() const override { return 3000; }
    double TNI_Echantillonnage() const override { return kSampling; }
    void setSpeed(MoveDirection d, double v) override
    {
        double* fields[] = {&settings.TNI_Vitesse_Est, &settings.TNI_Vitesse_Ouest, &settings.TNI_Vitesse_Nord,
                            &settings.TNI_Vitesse_Sud};
        *fields[d] = v;
    }
    MountSettings& settings;
};

// The brightest star's centre in the frame: its brightest pixel, refined by
// the centroid of the 7 x 7 pixels around it above their lowest level.
QPointF brightestStar(const QImage& frame, int width, int height)
{
    int bx = 0, by = 0, best = -1;
    for (int y = 3; y < height - 3; ++y)
        for (int x = 3; x < width - 3; ++x)
            if (const int v = qGreen(frame.pixel(x, y)); v > best) {
                best = v;
                bx = x;
                by = y;
            }
    int low = 255;
    for (int y = by - 3; y <= by + 3; ++y)
        for (int x = bx - 3; x <= bx + 3; ++x) low = std::min(low, qGreen(frame.pixel(x, y)));
    double sum = 0, sx = 0, sy = 0;
    for (int y = by - 3; y <= by + 3; ++y)
        for (int x = bx - 3; x <= bx + 3; ++x) {
            const double w = qGreen(frame.pixel(x, y)) - low;
            sum += w;
            sx += w * x;
            sy += w * y;
        }
    return sum > 0 ? QPointF(sx / sum, sy / sum) : QPointF(bx, by);
}

TEST(IndiGuiding, GuidedTheStarStaysCloserThanUnguided)
{
    if (!test::IndiServer::available()) GTEST_SKIP() << "indiserver is not installed";
    test::IndiServer server({"indi_simulator_ccd", "indi_simulator_telescope"});
    server.setEnvironment(QStringLiteral("PATH"), QStringLiteral(VELUMBRA_CATALOGUE_DIR ":")
                                                      + QProcessEnvironment::systemEnvironment().value(QStringLiteral("PATH")));
    ASSERT_TRUE(server.start());
    RecordingMessages messages;
    IndiClient client(messages);
    IndiSettings indi;
    indi.port = server.port();
    indi.mount = kMount;
    Telescope telescope(messages);
    telescope.attachIndi(client, indi);
    MountSettings& settings = telescope.settings;
    settings.interface = MountInterface::Indi;
    settings.RDB_Pourcent_Inertie = false;
    Mount& mount = telescope.mount;
    ASSERT_TRUE(mount.mount_connect(Mount::ConnectCause::Button)) << messages.lines.join('\n').toStdString();
    IndiMount* indiMount = mount.indiMount();
    ASSERT_NE(indiMount, nullptr);

    // The field.
    client.sendSwitches(kMount, QStringLiteral("TELESCOPE_PARK"), {{"UNPARK", true}});
    ASSERT_TRUE(indiMount->sync(5.5, 20));
    ASSERT_TRUE(test::waitUntil([&] {
        const auto p = indiMount->position();
        return p && std::abs(p->decDegrees - 20) < 0.01;
    }, 5000));
    client.sendSwitches(kMount, QStringLiteral("TELESCOPE_TRACK_STATE"), {{"TRACK_ON", true}});

    IndiCameraOptions options;
    options.exposureMs = 500;
    options.binning = kBinning;
    options.mapping = IndiDepthMapping::Stretch;
    options.stretchLow = 0;
    options.stretchHigh = 10000;
    IndiCameraDriver camera(client, kCamera, options, messages);
    ASSERT_TRUE(camera.connect()) << camera.lastError().toStdString();
    const int width = camera.frameRequest().outWidth, height = camera.frameRequest().outHeight;

    SystemClock dayClock;
    ImageCore core{dayClock};
    CoreStages stages{core};
    core.buffers.create();
    core.buffers.setFrameSize(width, height);
    core.pipeline.setStages(&stages);
    core.controls.CKB_Suivi = true;
    core.controls.TNI_Taille_ZDetect = 40;
    core.controls.tracking.RDB_Somax = true;
    QImage& slot = core.buffers.frameSlots[0];
    // One frame through the frame routine; the star's measured centre. An
    // exposure the simulator drops (a busy machine) is asked again.
    auto frame = [&]() -> std::optional<QPointF> {
        GrabResult r = GrabResult::NoFrame;
        for (int attempt = 0; attempt < 3 && r == GrabResult::NoFrame; ++attempt) r = camera.grab(slot, 5000);
        if (r != GrabResult::Frame) return std::nullopt;
        const QPointF star = brightestStar(slot, width, height);
        core.pipeline.ProcessFrame(true);
        return star;
    };
    std::optional<QPointF> first = frame();
    ASSERT_TRUE(first) << camera.lastError().toStdString();
    ASSERT_GT(qGreen(slot.pixel(int(first->x()), int(first->y()))), 100) << "the catalogue's star is drawn";
    core.zone.starPos = {int(std::lround(first->x())), int(std::lround(first->y()))};
    core.flags.targetActive = true;

    // Orientation: the sky's westward drift on the image, the mount stopped.
    client.sendSwitches(kMount, QStringLiteral("TELESCOPE_TRACK_STATE"), {{"TRACK_OFF", true}});
    const std::optional<QPointF> before = frame();
    ASSERT_TRUE(before);
    std::optional<QPointF> after;
    for (int i = 0; i < 4; ++i) after = frame();
    client.sendSwitches(kMount, QStringLiteral("TELESCOPE_TRACK_STATE"), {{"TRACK_ON", true}});
    ASSERT_TRUE(after);
    const double orientation = vectorAngleDegrees(after->x() - before->x(), after->y() - before->y());
    std::printf("  orientation %.1f degrees (drift of %.1f px)\n", orientation,
                std::hypot(after->x() - before->x(), after->y() - before->y()));
    frame();
    core.zone.starPos = {int(std::lround(brightestStar(slot, width, height).x())),
                         int(std::lround(brightestStar(slot, width, height).y()))};

    // Calibration of the four guide speeds, as "Apprendre" runs it.
    NoView view;
    OperationSequencer sequencer(dayClock, messages, view);
    Calibration calibrationView(settings);
    GuideCalibrationStep calibration(mount, telescope.clock, calibrationView, std::make_unique<QtMountTimer>());
    stages.setMeasurement([&](Point at, bool verdict) { sequencer.frame(at, verdict); });
    sequencer.setStep(Operation::GuideCalibration, &calibration);
    calibration.finished = [&] { sequencer.endMeasurement(); };
    sequencer.arm(Operation::GuideCalibration);
    sequencer.BTN_ExecuterClick(core.zone.starPos, width, height);
    for (int i = 0; i < 80 && sequencer.measuring(); ++i) ASSERT_TRUE(frame());
    ASSERT_FALSE(sequencer.measuring()) << messages.lines.join('\n').toStdString();
    const double guideRate = 0.5 * kSidereal;
    for (double speed : {settings.TNI_Vitesse_Est, settings.TNI_Vitesse_Ouest, settings.TNI_Vitesse_Nord,
                         settings.TNI_Vitesse_Sud})
        std::printf("  calibrated speed %.2f arcsec/s\n", speed);
    EXPECT_GT(settings.TNI_Vitesse_Ouest, 0.3 * guideRate);

    // The RMS distance of the star from `reference` over `seconds` of frames.
    auto run = [&](double seconds, QPointF reference) {
        QElapsedTimer t;
        t.start();
        double sum2 = 0;
        int n = 0;
        while (t.elapsed() < seconds * 1000) {
            const std::optional<QPointF> p = frame();
            if (!p) continue;
            sum2 += std::pow(p->x() - reference.x(), 2) + std::pow(p->y() - reference.y(), 2);
            ++n;
        }
        return std::pair{n > 0 ? std::sqrt(sum2 / n) * kSampling : 0.0, n};
    };

    // From now on the drive slips.
    QTimer slips;
    QObject::connect(&slips, &QTimer::timeout, [&] {
        client.sendSwitches(kMount, QStringLiteral("TELESCOPE_TRACK_STATE"), {{"TRACK_OFF", true}});
        QTimer::singleShot(kSlipMs, &slips, [&] {
            client.sendSwitches(kMount, QStringLiteral("TELESCOPE_TRACK_STATE"), {{"TRACK_ON", true}});
        });
    });
    slips.start(kSlipEveryMs);
    frame();
    const QPointF start = brightestStar(slot, width, height);
    const auto [unguided, unguidedFrames] = run(30, start);

    // Guiding from where the star is now.
    Autoguider guider({mount, telescope.pause, messages, dayClock, telescope.clock});
    GuideSettings s;
    s.SPED_Neutre = 0;
    s.CKB_Correct_Est = s.CKB_Correct_Ouest = s.CKB_Correct_Nord = s.CKB_Correct_Sud = true;
    s.TNI_Orient = orientation;
    s.TNI_Echantillonnage = kSampling;
    guider.settingsSource = [s] { return s; };
    stages.tracker().setGuideCorrection(&guider);
    frame();
    const QPointF held = brightestStar(slot, width, height);
    core.zone.starPos = {int(std::lround(held.x())), int(std::lround(held.y()))};
    core.controls.SPED_Intervalle_Guidage = 1;
    core.controls.CKB_Autoguidage = true;
    guider.start();
    run(10, held); // guiding takes hold
    const auto [guided, guidedFrames] = run(40, held);
    guider.stop();
    slips.stop();
    core.controls.CKB_Autoguidage = false;
    stages.tracker().setGuideCorrection(nullptr);
    core.pipeline.setStages(nullptr);

    std::printf("  unguided RMS %.2f\" over %d frames, guided RMS %.2f\" over %d frames\n", unguided, unguidedFrames,
                guided, guidedFrames);
    RecordProperty("unguided RMS arcsec", std::to_string(unguided));
    RecordProperty("guided RMS arcsec", std::to_string(guided));
    EXPECT_GT(unguidedFrames, 10);
    EXPECT_GT(guidedFrames, 10);
    EXPECT_GT(unguided, 5.0) << "the drive drifts";
    EXPECT_LT(guided, unguided / 2) << messages.lines.join('\n').toStdString();
    EXPECT_FALSE(guider.starLost());
}

} // namespace
} // namespace velumbra

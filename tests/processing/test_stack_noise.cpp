// Stacking a noisy star field: the sum of 50 frames is visibly smoother than
// one frame. With VELUMBRA_SCREENSHOT set to a file name, the two results
// are shown side by side and saved there.
#include "simulator/StarField.h"
#include "widgets/ImageView.h"
#include "processing/CoreStages.h"
#include "processing/ImageCore.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <QtTest>
#include <cmath>
#include <random>

using namespace velumbra;

namespace {

constexpr int kWidth = 320, kHeight = 240;

// The same stars every frame, with fresh sensor noise.
void noisyFrame(const QImage& sky, QImage& slot, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::normal_distribution<float> noise(0.0f, 18.0f);
    for (int y = 0; y < kHeight; ++y) {
        const uint8_t* in = pixelRow(sky, y);
        uint8_t* out = pixelRow(slot, y);
        for (int x = 0; x < kWidth * kBytesPerPixel; x += kBytesPerPixel) {
            const float n = noise(rng);
            for (int c = 0; c < 3; ++c) out[x + c] = uint8_t(std::clamp(in[x + c] + n, 0.0f, 255.0f));
        }
    }
}

// Spread of the grey levels of the result over a star-free patch.
double backgroundSpread(const QImage& result, QRect patch)
{
    double sum = 0, sum2 = 0;
    int n = 0;
    for (int y = patch.top(); y <= patch.bottom(); ++y)
        for (int x = patch.left(); x <= patch.right(); ++x) {
            const double v = qGreen(result.pixel(x, y));
            sum += v;
            sum2 += v * v;
            ++n;
        }
    const double mean = sum / n;
    return std::sqrt(std::max(0.0, sum2 / n - mean * mean));
}

// Runs `frames` frames through the frame routine in single integration
// mode and returns the rendered result.
QImage stack(int frames, const QImage& sky)
{
    ManualClock clock;
    ImageCore core(clock);
    CoreStages stages(core);
    core.pipeline.setStages(&stages);
    core.buffers.create();
    core.buffers.setFrameSize(kWidth, kHeight);
    core.zone.starPos = {kWidth / 2, kHeight / 2};
    core.controls.TNI_Taille_ZAffich = kWidth;
    core.flags.targetActive = true;
    core.flags.loadingSettings = false;
    auto& mode = core.controls.integration;
    mode.CKB_Integration = true;
    core.controls.PNL_Integration.SPED_Nb_Bitmap = 0;
    core.integrator.BTN_Demarrer_AddClick();
    for (int i = 0; i < frames; ++i) {
        noisyFrame(sky, core.buffers.frameSlots[0], 1000u + uint32_t(i));
        core.pipeline.ProcessFrame(true);
    }
    // Thresholds a user would pick: sky background a little above black.
    auto& s = core.controls.GRB_Seuils;
    s.SCB_Minimum = frames * 5;
    s.SCB_Maximum = frames * 90;
    core.integrator.BTN_Arreter_AddClick();
    core.pipeline.setStages(nullptr);
    return core.buffers.result.copy(0, 0, core.buffers.resultWidth, core.buffers.resultHeight);
}

} // namespace

class TestStackNoise : public QObject {
    Q_OBJECT
private slots:
    void fiftyFramesAreLessNoisyThanOne()
    {
        QImage sky(800, 600, kPixelFormat);
        sky.fill(Qt::black);
        renderStarField(sky, kWidth, kHeight, 7, 40);
        const QImage one = stack(1, sky);
        const QImage fifty = stack(50, sky);
        QCOMPARE(one.size(), QSize(kWidth, kHeight)); // the nominal zone

        // Find a patch without stars in the clean sky.
        QRect patch;
        for (int y = 0; y + 20 < kHeight && patch.isNull(); y += 10)
            for (int x = 0; x + 20 < kWidth && patch.isNull(); x += 10) {
                bool dark = true;
                for (int j = y; j < y + 20 && dark; ++j)
                    for (int i = x; i < x + 20 && dark; ++i) dark = qGreen(sky.pixel(i, j)) < 30;
                if (dark) patch = QRect(x, y, 20, 20);
            }
        QVERIFY(!patch.isNull());
        const double spreadOne = backgroundSpread(one, patch);
        const double spreadFifty = backgroundSpread(fifty, patch);
        QVERIFY2(spreadOne > 10, qPrintable(QString::number(spreadOne)));
        // Noise of a mean of n frames falls as 1/sqrt(n): about 0.14 for 50.
        QVERIFY2(spreadFifty < 0.3 * spreadOne,
                 qPrintable(QStringLiteral("%1 vs %2").arg(spreadFifty).arg(spreadOne)));

        const QString shot = qEnvironmentVariable("VELUMBRA_SCREENSHOT");
        if (shot.isEmpty()) return;
        QWidget window;
        window.setWindowTitle(QStringLiteral("Fenêtre d'intégration"));
        auto* row = new QHBoxLayout(&window);
        for (const auto& [image, caption] : {std::pair{&one, QStringLiteral("1 image")},
                                             std::pair{&fifty, QStringLiteral("50 images")}}) {
            auto* column = new QVBoxLayout;
            auto* view = new ImageView(&window);
            view->setSource(image, image->size());
            column->addWidget(new QLabel(caption, &window));
            column->addWidget(view);
            row->addLayout(column);
        }
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.grab().save(shot));
    }
};

QTEST_MAIN(TestStackNoise)
#include "test_stack_noise.moc"

// Lucky imaging on the simulated planet: a thousand frames under a seeing
// that changes from frame to frame. The best tenth by sharpness, laid on the
// sharpest frame to a fraction of a pixel, comes closer to the undisturbed
// planet than every frame stacked, and than the tenth the JPEG quality score
// picks stacked to the whole pixel; the alignment's error is measured
// against the simulator's own image motion.
#include "tests/processing/WholeFrameCore.h"
#include "processing/JpegSize.h"
#include "processing/PlanetAlignment.h"
#include "processing/StarRegistration.h"
#include "simulator/SkySimulator.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <numeric>

using namespace velumbra;

namespace {

constexpr int kWidth = 320, kHeight = 240, kFrames = 1000, kKept = kFrames / 10;

SkyParameters planetNight(const SkyParameters& defaults)
{
    SkyParameters p = defaults;
    p.planet = true;
    p.seeingSpread = 3.0; // a night of moments much better and much worse than its mean
    p.planetRadius = 50;
    return p;
}

// Spearman's rank correlation.
double rankCorrelation(const std::vector<double>& a, const std::vector<double>& b)
{
    auto ranks = [](const std::vector<double>& v) {
        std::vector<int> order(v.size());
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(), [&](int i, int j) { return v[std::size_t(i)] < v[std::size_t(j)]; });
        std::vector<double> r(v.size());
        for (std::size_t k = 0; k < order.size(); ++k) r[std::size_t(order[k])] = double(k);
        return r;
    };
    const std::vector<double> ra = ranks(a), rb = ranks(b);
    const double n = double(a.size()), mean = (n - 1) / 2;
    double num = 0, da = 0, db = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        num += (ra[i] - mean) * (rb[i] - mean);
        da += (ra[i] - mean) * (ra[i] - mean);
        db += (rb[i] - mean) * (rb[i] - mean);
    }
    return num / std::sqrt(da * db);
}

std::vector<int> best(const std::vector<double>& score, int count)
{
    std::vector<int> order(score.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int i, int j) { return score[std::size_t(i)] > score[std::size_t(j)]; });
    order.resize(std::size_t(count));
    std::sort(order.begin(), order.end());
    return order;
}

void addGrey(const QImage& image, std::vector<double>& sum)
{
    for (int y = 0; y < kHeight; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(image.constScanLine(y));
        for (int x = 0; x < kWidth; ++x)
            sum[std::size_t(y) * kWidth + x] += double((row[x] & 0xFF) + ((row[x] >> 8) & 0xFF) + ((row[x] >> 16) & 0xFF));
    }
}

// RMS of the truth minus the best affine match of the stack, over a box.
double errorAgainst(const std::vector<double>& truth, const std::vector<double>& stack, const QRect& box)
{
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x) {
            const double s = stack[std::size_t(y) * kWidth + x], t = truth[std::size_t(y) * kWidth + x];
            n += 1, sx += s, sy += t, sxx += s * s, sxy += s * t;
        }
    const double a = (n * sxy - sx * sy) / (n * sxx - sx * sx), b = (sy - a * sx) / n;
    double e = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x) {
            const double d = a * stack[std::size_t(y) * kWidth + x] + b - truth[std::size_t(y) * kWidth + x];
            e += d * d;
        }
    return std::sqrt(e / n);
}

TEST(LuckySim, TheBestTenthLaidToAFractionOfAPixelComesClosestToThePlanet)
{
    // First pass: every frame scored, with the truth of its seeing.
    ManualClock clockA;
    SkySimulator skyA(clockA, 11u);
    skyA.setParameters(planetNight(skyA.parameters()));
    QImage frame(kWidth, kHeight, QImage::Format_RGB32);
    PlanetFrames planet;
    JpegSizer jpeg;
    std::vector<double> sharp, jpegScore, blur;
    for (int n = 0; n < kFrames; ++n) {
        clockA.advanceMs(40);
        skyA.render(frame, kWidth, kHeight);
        sharp.push_back(planet.sharpness(frame, kWidth, kHeight));
        jpegScore.push_back(double(jpeg.encodedSize(frame, kWidth, kHeight, 30).value_or(0)));
        blur.push_back(-skyA.lastFrameBlur());
    }
    const double sharpRanks = rankCorrelation(sharp, blur), jpegRanks = rankCorrelation(jpegScore, blur);
    RecordProperty("sharpnessRankCorrelation", std::to_string(sharpRanks));
    RecordProperty("jpegRankCorrelation", std::to_string(jpegRanks));
    EXPECT_GT(sharpRanks, 0.8) << "the sharpness ranks frames by their seeing";
    EXPECT_GT(sharpRanks, jpegRanks) << "and better than the JPEG score";

    const std::vector<int> keep = best(sharp, kKept), jpegKeep = best(jpegScore, kKept);
    const int reference = int(std::max_element(sharp.begin(), sharp.end()) - sharp.begin());

    // Second pass: the same night again, stacked three ways.
    ManualClock clockB;
    SkySimulator skyB(clockB, 11u);
    skyB.setParameters(planetNight(skyB.parameters()));
    SkyParameters still = planetNight(skyB.parameters());
    still.seeing = 0.05, still.jitter = 0, still.readNoise = 0, still.gain = 0, still.hotPixels = 0;
    SkySimulator truthSky(clockB, 11u);
    truthSky.setParameters(still);

    std::vector<double> lucky(std::size_t(kWidth) * kHeight), all = lucky, design = lucky, truth = lucky;
    QImage moved(kWidth, kHeight, QImage::Format_RGB32);
    // The reference comes first: its frame is needed before the others are laid on it.
    {
        ManualClock clockR;
        SkySimulator skyR(clockR, 11u);
        skyR.setParameters(planetNight(skyR.parameters()));
        for (int n = 0; n <= reference; ++n) {
            clockR.advanceMs(40);
            skyR.render(frame, kWidth, kHeight);
        }
        ASSERT_TRUE(planet.setReference(frame, kWidth, kHeight));
    }
    QPointF referenceTruth;
    const QPointF referenceCentre = planet.findDisc(frame, kWidth, kHeight).centre;
    double alignment2 = 0;
    int aligned = 0;
    std::vector<QPointF> truthShift(kFrames);
    for (int n = 0; n < kFrames; ++n) {
        clockB.advanceMs(40);
        skyB.render(frame, kWidth, kHeight);
        truthShift[std::size_t(n)] = skyB.planetPosition(kWidth, kHeight) + skyB.lastFrameShift();
        if (n == reference) {
            QImage still(kWidth, kHeight, QImage::Format_RGB32);
            truthSky.render(still, kWidth, kHeight);
            addGrey(still, truth);
            referenceTruth = truthShift[std::size_t(n)] - truthSky.planetPosition(kWidth, kHeight);
        }
        QPointF shift;
        ASSERT_TRUE(planet.align(frame, kWidth, kHeight, shift)) << "frame " << n;
        resampleRigid(frame, kWidth, kHeight, RigidTransform{0, -shift.x(), -shift.y()}, moved);
        addGrey(moved, all);
        if (std::binary_search(keep.begin(), keep.end(), n)) {
            addGrey(moved, lucky);
            const QPointF want = truthShift[std::size_t(n)] - (n >= reference ? truthShift[std::size_t(reference)] : QPointF());
            if (n > reference) {
                const QPointF e = shift - want;
                alignment2 += e.x() * e.x() + e.y() * e.y();
                ++aligned;
            }
        }
        if (std::binary_search(jpegKeep.begin(), jpegKeep.end(), n)) {
            // Followed to the whole pixel by the disc's centre, as tracking does.
            const QPointF c = planet.findDisc(frame, kWidth, kHeight).centre - referenceCentre;
            resampleRigid(frame, kWidth, kHeight, RigidTransform{0, -std::round(c.x()), -std::round(c.y())}, moved);
            addGrey(moved, design);
        }
    }
    ASSERT_GT(aligned, 10);
    const double alignmentRms = std::sqrt(alignment2 / aligned);
    RecordProperty("alignmentRms", std::to_string(alignmentRms));
    EXPECT_LT(alignmentRms, 0.2) << "pixels";

    // The undisturbed planet where the reference frame's seeing moved it.
    QImage truthImage(kWidth, kHeight, QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const int v = std::clamp(int(std::lround(truth[std::size_t(y) * kWidth + x] / 3)), 0, 255);
            truthImage.setPixel(x, y, qRgb(v, v, v));
        }
    resampleRigid(truthImage, kWidth, kHeight, RigidTransform{0, referenceTruth.x(), referenceTruth.y()}, moved);
    std::fill(truth.begin(), truth.end(), 0.0);
    addGrey(moved, truth);
    const QRect box = planet.findDisc(moved, kWidth, kHeight).box.adjusted(-4, -4, 4, 4);
    const double eLucky = errorAgainst(truth, lucky, box), eAll = errorAgainst(truth, all, box),
                 eDesign = errorAgainst(truth, design, box);
    RecordProperty("errorBestTenth", std::to_string(eLucky));
    RecordProperty("errorAll", std::to_string(eAll));
    RecordProperty("errorJpegTenthWholePixel", std::to_string(eDesign));
    EXPECT_LT(eLucky, 0.9 * eAll) << eLucky << " vs " << eAll;
    EXPECT_LT(eLucky, 0.9 * eDesign) << eLucky << " vs " << eDesign;
}

// "Meilleures" in the live routine: of the planet's frames, those kept are
// the ones the seeing blurred least.
TEST(LuckySim, TheLiveSelectionKeepsTheFramesTheSeeingBlurredLeast)
{
    ManualClock clock;
    ImageCore core(clock);
    CoreStages stages(core);
    test::feedWholeFrames(core, stages, kWidth, kHeight);
    core.controls.CKB_Meilleures = true;
    core.controls.SPED_Meilleures_Pct = 10;
    core.controls.SPED_Meilleures_Sur = 50;

    SkySimulator sky(clock, 13u);
    sky.setParameters(planetNight(sky.parameters()));
    double allBlur = 0, keptBlur = 0;
    int kept = 0;
    constexpr int kLive = 300;
    for (int n = 0; n < kLive; ++n) {
        clock.advanceMs(40);
        sky.render(core.buffers.frameSlots[0], kWidth, kHeight);
        bool selected = false;
        core.pipeline.ProcessFrame(true, selected);
        allBlur += sky.lastFrameBlur();
        if (selected) {
            keptBlur += sky.lastFrameBlur();
            ++kept;
        }
    }
    core.pipeline.setStages(nullptr);
    EXPECT_GT(kept, kLive / 20);
    EXPECT_LT(kept, kLive / 4);
    ASSERT_GT(kept, 0);
    EXPECT_LT(keptBlur / kept, 0.85 * allBlur / kLive) << keptBlur / kept << " vs " << allBlur / kLive;
}

} // namespace

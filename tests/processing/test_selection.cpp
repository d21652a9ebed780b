// The quality selection ("DCT", "Non-vide"), its running mean and figures,
// and the cues shared with the focus measure.
#include "simulator/StarField.h"
#include "core/Sound.h"
#include "processing/CoreStages.h"
#include "processing/ImageCore.h"
#include "processing/MeasureRing.h"
#include "processing/QualitySelection.h"
#include "tests/PlainJpeg.h"

#include <gtest/gtest.h>
#include <cmath>
#include <deque>
#include <numeric>

using namespace velumbra;

namespace {

// Mean of 3 x 3 neighbours, twice: the same field seen through poor seeing.
QImage blurred(const QImage& src)
{
    QImage a = src.copy();
    for (int pass = 0; pass < 2; ++pass) {
        const QImage in = a.copy();
        for (int y = 1; y < in.height() - 1; ++y)
            for (int x = 1; x < in.width() - 1; ++x) {
                int r = 0, g = 0, b = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const QRgb p = in.pixel(x + dx, y + dy);
                        r += qRed(p);
                        g += qGreen(p);
                        b += qBlue(p);
                    }
                a.setPixel(x, y, qRgb(r / 9, g / 9, b / 9));
            }
    }
    return a;
}

SelectionControls controlsWith(int n, int jpegQuality = 30)
{
    SelectionControls c;
    c.SPED_Nb_Mesures = n;
    c.jpegQuality = jpegQuality;
    return c;
}

} // namespace

// ------------------------------------------------------------------ the ring

TEST(MeasureRing, MeanHoldsTheLastNMinusOneValuesAndFillsAtTheNth)
{
    for (const int n : {2, 3, 10, 50}) {
        SCOPED_TRACE(n);
        MeasureRing ring;
        ring.setLength(n);
        std::deque<double> seen;
        for (int k = 1; k <= 3 * n; ++k) {
            const double v = 7.0 * k + (k % 3);
            const double mean = ring.add(v);
            seen.push_back(v);
            if (int(seen.size()) > n - 1) seen.pop_front();
            const double expected = std::accumulate(seen.begin(), seen.end(), 0.0) / (n - 1);
            ASSERT_NEAR(mean, expected, 1e-9) << "value " << k;
            ASSERT_EQ(ring.full(), k >= n) << "value " << k;
            ASSERT_EQ(ring.index(), (k - 1) % n + 1);
        }
    }
}

TEST(MeasureRing, ClampedSumNeverGoesNegativeAndNewLengthEmpties)
{
    MeasureRing ring;
    ring.setLength(3);
    ring.add(5.0, true);
    ring.add(-20.0, true);
    EXPECT_GE(ring.mean(), 0.0);
    ring.add(4.0);
    ring.setLength(4);
    EXPECT_EQ(ring.index(), 0);
    EXPECT_FALSE(ring.full());
    EXPECT_EQ(ring.mean(), 0.0);
    // Lengths outside 2..50 are brought inside.
    ring.setLength(1);
    EXPECT_EQ(ring.length(), MeasureRing::kMinLength);
    ring.setLength(500);
    EXPECT_EQ(ring.length(), MeasureRing::kMaxLength);
}

// ----------------------------------------------------------- the JPEG score

TEST(QualityScore, FlatZoneCompressesSmallAndIsRejectedAboveItsSize)
{
    QualitySelection q;
    const SelectionControls c = controlsWith(10);
    QImage flat(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
    flat.fill(qRgb(40, 40, 40));
    ASSERT_TRUE(q.selectByQuality(flat, 0, c));
    const std::size_t flatScore = q.lastScore();
    QImage field(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
    renderStarField(field, 800, 600, 5, 120);
    q.selectByQuality(field, 0, c);
    EXPECT_GT(double(q.lastScore()), 1.15 * double(flatScore)) << "a flat zone is a small image";

    EXPECT_FALSE(q.selectByQuality(flat, double(flatScore) + 1, c));
    EXPECT_TRUE(q.selectByQuality(flat, double(flatScore), c)) << "a score equal to the threshold is kept";
}

TEST(QualityScore, SharpStarFieldScoresAboveTheSameFieldBlurred)
{
    QImage sharp(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
    renderStarField(sharp, 800, 600, 21, 150);
    const QImage soft = blurred(sharp);
    for (const int jpegQuality : {10, 30, 70, 95}) {
        SCOPED_TRACE(jpegQuality);
        QualitySelection q;
        const SelectionControls c = controlsWith(10, jpegQuality);
        q.selectByQuality(sharp, 0, c);
        const std::size_t sharpScore = q.lastScore();
        q.selectByQuality(soft, 0, c);
        EXPECT_GT(sharpScore, q.lastScore());
    }
}

TEST(QualityScore, ScoreIsTheSizeOfAValidJpegAndFollowsTheQuality)
{
    QImage field(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
    renderStarField(field, 800, 600, 8, 80);
    JpegSizer sizer;
    // Bigger with a finer quality; the same image twice gives the same size.
    std::size_t previous = 0;
    for (const int quality : {5, 30, 60, 90}) {
        const auto size = sizer.encodedSize(field, 800, 600, quality);
        ASSERT_TRUE(size);
        EXPECT_GT(*size, previous);
        EXPECT_EQ(sizer.encodedSize(field, 800, 600, quality), size);
        previous = *size;
    }
    // The size of the 24-bit frame's whole JPEG file, colour and all, as
    // a plain encoding of it gives.
    for (const int quality : {5, 30, 90})
        EXPECT_EQ(sizer.encodedSize(field, 800, 600, quality), test::plainJpegBytes(field, quality)) << quality;
}

TEST(QualityScore, UnsuitableImagesScoreNothing)
{
    JpegSizer sizer;
    QImage field(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
    field.fill(Qt::gray);
    EXPECT_FALSE(sizer.encodedSize(QImage(), 800, 600, 30));
    EXPECT_FALSE(sizer.encodedSize(field, 0, 600, 30));
    EXPECT_FALSE(sizer.encodedSize(field, 801, 600, 30));
    EXPECT_FALSE(sizer.encodedSize(QImage(10, 10, QImage::Format_Grayscale8), 10, 10, 30));
    // Qualities outside 1..100 are brought inside, not refused.
    EXPECT_EQ(sizer.encodedSize(field, 800, 600, 0), sizer.encodedSize(field, 800, 600, 1));
    EXPECT_EQ(sizer.encodedSize(field, 800, 600, 400), sizer.encodedSize(field, 800, 600, 100));
}

// --------------------------------------------------- figures of the measure

TEST(QualityFigures, FirstNMinusOneFramesMoveTheMeanOnlyBestAndWorstFromTheNth)
{
    const int n = 10;
    QualitySelection q;
    const SelectionControls c = controlsWith(n);
    QImage field(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
    double previousMean = 0;
    double meanAtN = 0;
    for (int k = 1; k <= n + 3; ++k) {
        renderStarField(field, 800, 600, uint32_t(k), 40 + 10 * k);
        q.selectByQuality(field, 0, c);
        const QualityFigures& f = q.figures();
        ASSERT_GT(f.TNI_Qualite_Actuelle, previousMean) << "more stars, larger images: the mean grows";
        previousMean = f.TNI_Qualite_Actuelle;
        if (k < n) {
            EXPECT_EQ(f.TNI_Meilleure_Qualite, 0) << k;
            EXPECT_EQ(f.TNI_Pire_Qualite, QualityFigures::kNoWorst) << k;
            EXPECT_EQ(f.SCB_Selection_Max, QualityFigures::kQualityMaximum);
        } else {
            // The mean only grows here: each new mean is the best, the worst stays the N-th.
            if (k == n) meanAtN = f.TNI_Qualite_Actuelle;
            EXPECT_EQ(f.TNI_Meilleure_Qualite, f.TNI_Qualite_Actuelle) << k;
            EXPECT_EQ(f.SCB_Selection_Max, RoundDown(f.TNI_Meilleure_Qualite));
            EXPECT_EQ(f.TNI_Pire_Qualite, meanAtN) << k;
            EXPECT_EQ(f.SCB_Selection_Min, RoundDown(meanAtN));
        }
    }
}

TEST(QualityFigures, FrameScoreNotTheMeanDecides)
{
    QualitySelection q;
    const SelectionControls c = controlsWith(4);
    QImage busy(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
    renderStarField(busy, 800, 600, 3, 300);
    QImage flat(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
    flat.fill(Qt::black);
    q.selectByQuality(flat, 0, c);
    const double flatScore = double(q.lastScore());
    for (int i = 0; i < 4; ++i) q.selectByQuality(busy, 0, c);
    ASSERT_GT(double(q.lastScore()), 1.15 * flatScore);
    const double threshold = (double(q.lastScore()) + flatScore) / 2.0;
    // The mean is still far above the threshold, the flat frame's own score is not.
    EXPECT_FALSE(q.selectByQuality(flat, threshold, c));
    EXPECT_GT(q.figures().TNI_Qualite_Actuelle, threshold);
    // And a busy frame is kept whatever the mean.
    EXPECT_TRUE(q.selectByQuality(busy, threshold, c));
}

TEST(QualityFigures, BrightnessSelectsAboveTheThresholdOnly)
{
    struct Case { int mean; double threshold; bool selected; };
    const Case cases[] = {{0, 0, false}, {1, 0, true}, {100, 100, false}, {101, 100, true}, {255, 300, false}};
    for (const Case& t : cases) {
        QualitySelection q;
        EXPECT_EQ(q.selectByBrightness(t.mean, t.threshold), t.selected) << t.mean << " > " << t.threshold;
        EXPECT_EQ(q.figures().TNI_Qualite_Actuelle, t.mean);
    }
}

TEST(QualityFigures, ResetEmptiesTheRingAndSetsTheSliderForTheChosenTest)
{
    QualitySelection q;
    const SelectionControls c = controlsWith(2);
    QImage field(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
    renderStarField(field, 800, 600, 2);
    for (int i = 0; i < 3; ++i) q.selectByQuality(field, 0, c);
    ASSERT_TRUE(q.ring().full());
    ASSERT_GT(q.figures().TNI_Meilleure_Qualite, 0);

    for (const bool nonvide : {false, true}) {
        q.BTN_Reset_SelectionClick(nonvide);
        EXPECT_FALSE(q.ring().full());
        EXPECT_EQ(q.ring().index(), 0);
        EXPECT_EQ(q.figures().TNI_Qualite_Actuelle, 0);
        EXPECT_EQ(q.figures().TNI_Meilleure_Qualite, 0);
        EXPECT_EQ(q.figures().TNI_Pire_Qualite, 9999999);
        EXPECT_EQ(q.figures().SCB_Selection_Min, 0);
        EXPECT_EQ(q.figures().SCB_Selection_Max, nonvide ? 768 : 9999999);
    }
    q.CKB_SelectionClick();
    EXPECT_EQ(q.figures().SCB_Selection_Max, 9999999);
    q.CKB_NonvideClick();
    EXPECT_EQ(q.figures().SCB_Selection_Max, 768);
}

// -------------------------------------------------------------------- cues

TEST(FocusCueRules, TrendLampsAndSoundFollowTheDirection)
{
    const QColor silver(192, 192, 192), red(255, 0, 0), orange(255, 228, 0), green(0, 255, 0);
    struct Case {
        bool lowerIsBetter;
        double previous, current, best, worst;
        FocusTrend trend;
        const char* sound; // nullptr: none
        QColor rouge, orangeLamp, vert;
    };
    const CueSensitivity s{0.01, 0.01};
    const Case cases[] = {
        // focus: lower is better; best 4, worst 14 => step 0.1, near within 0.04
        {true, 6.0, 4.03, 4.0, 14.0, FocusTrend::Near, "TOP", silver, silver, green},
        {true, 6.0, 5.5, 4.0, 14.0, FocusTrend::Better, "OUI", silver, orange, silver},
        {true, 6.0, 6.5, 4.0, 14.0, FocusTrend::Worse, "NON", red, silver, silver},
        {true, 6.0, 6.05, 4.0, 14.0, FocusTrend::Unchanged, nullptr, {}, {}, {}},
        // quality: higher is better; best 50000, worst 40000 => step 100, near within 500
        {false, 45000, 49600, 50000, 40000, FocusTrend::Near, "TOP", silver, silver, green},
        {false, 45000, 45200, 50000, 40000, FocusTrend::Better, "OUI", silver, orange, silver},
        {false, 45000, 44800, 50000, 40000, FocusTrend::Worse, "NON", red, silver, silver},
        {false, 45000, 45050, 50000, 40000, FocusTrend::Unchanged, nullptr, {}, {}, {}},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(testing::Message() << t.lowerIsBetter << " " << t.previous << " -> " << t.current);
        EXPECT_EQ(focusTrend(t.lowerIsBetter, t.previous, t.current, t.best, t.worst, s), t.trend);
        RecordingSound sound;
        FocusSound(sound, CueNames{}, t.lowerIsBetter, t.previous, t.current, t.best, t.worst, s);
        struct Lamps : CueDisplay {
            std::vector<CueLamps> shown;
            void setLamps(const CueLamps& l) override { shown.push_back(l); }
        } display;
        FocusLamps(display, t.lowerIsBetter, t.previous, t.current, t.best, t.worst, s);
        if (t.sound) {
            EXPECT_EQ(sound.played, QStringList{QString::fromLatin1(t.sound)});
            ASSERT_EQ(display.shown.size(), 1u);
            EXPECT_EQ(display.shown[0], (CueLamps{t.rouge, t.orangeLamp, t.vert}));
        } else {
            EXPECT_TRUE(sound.played.isEmpty());
            EXPECT_TRUE(display.shown.empty()) << "unchanged: the lamps stay";
        }
    }
}

TEST(FocusCueRules, LanguageNamesChooseTheSound)
{
    CueNames english;
    english.names = {QStringLiteral("TOP"), QStringLiteral("YES"), QStringLiteral("NO")};
    RecordingSound sound;
    FocusSound(sound, english, true, 6.0, 5.0, 4.0, 14.0, {});
    FocusSound(sound, english, true, 5.0, 6.0, 4.0, 14.0, {});
    EXPECT_EQ(sound.played, (QStringList{QStringLiteral("YES"), QStringLiteral("NO")}));
}

#include "processing/DisplayMapping.h"
#include "processing/ImageCore.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

using namespace velumbra;

namespace {

// Random planes with the extremes mixed in, corrected by the integrator and
// checked cell by cell against the plain formulas on 64-bit integers.
class CorrectionExact : public ::testing::Test {
protected:
    static constexpr int W = 161, H = 120; // every column summed: 20 whole strips and one column
    void SetUp() override
    {
        core.buffers.create();
        core.buffers.setFrameSize(W, H);
        core.zone.displayZone = core.zone.zoneRect = {0, 0, W, H};
        core.controls.TNI_Taille_ZAffich = W;
        core.controls.integration.CKB_Integration = true;
        core.controls.PNL_Integration.SPED_Nb_Bitmap = 0;
    }
    int32_t draw(std::mt19937& rng, int32_t typical)
    {
        static constexpr int32_t extremes[] = {0, 1, 2, 3, 65534, 65535};
        const uint32_t pick = rng() % 8;
        if (pick == 0) return extremes[rng() % 6];
        if (pick == 1) return int32_t(rng() % 65536);
        return std::clamp<int32_t>(typical + int32_t(rng() % 201) - 100, 0, 65535);
    }
    void fillPlanes(unsigned seed, int32_t light, int32_t dark, int32_t flat)
    {
        std::mt19937 rng(seed);
        for (Plane p : {Light, Dark, Flat}) planes.zero(p);
        planes.zeroResult();
        for (int x = 0; x < W; ++x)
            for (int y = 0; y < H; ++y)
                for (int c = 0; c < kPlaneChannels; ++c) {
                    const std::size_t i = planeIndex(x, y, c);
                    planes.sum(Light)[i] = draw(rng, light);
                    planes.sum(Dark)[i] = draw(rng, dark);
                    planes.sum(Flat)[i] = draw(rng, flat);
                }
    }
    // Renders Light and compares every cell, the range and the statistics.
    void renderAndCompare(double darkPercent, bool flatOn, bool inverse, int lightFrames, int darkFrames)
    {
        auto& st = core.integrator.stats;
        st.frameCount[Light] = lightFrames;
        st.frameCount[Dark] = darkFrames;
        core.controls.TNI_MaxDark = darkPercent;
        core.controls.CKB_Active_Flat = flatOn;
        core.controls.GRB_Seuils.CKB_Inverse = inverse;
        core.integrator.FlatMeans();
        core.integrator.renderCurrent();

        const int64_t level = std::llround(darkPercent * 100);
        const bool darkOn = level > 0 && darkFrames > 0;
        const int64_t cells = core.integrator.flatCells();
        int32_t lo = int32_t(std::min<int64_t>(255ll * lightFrames, INT32_MAX)), hi = 0;
        int mismatches = 0;
        for (int x = 0; x < W; ++x)
            for (int y = 0; y < H; ++y)
                for (int c = 0; c < kPlaneChannels; ++c) {
                    const std::size_t i = planeIndex(x, y, c);
                    int64_t v = planes.sum(Light)[i];
                    const int64_t d = planes.sum(Dark)[i], f = planes.sum(Flat)[i];
                    if (darkOn) {
                        const int64_t amount =
                            std::min<int64_t>(level * d * lightFrames / (10000ll * darkFrames), 65535);
                        v -= std::min(v, amount);
                    }
                    if (flatOn) {
                        const int64_t den = cells * (f > 1 ? f : 1);
                        v = std::min<int64_t>(core.integrator.flatSum(c) * v / den, 65535);
                    }
                    const int32_t expected = int32_t(inverse ? 65535 - v : v);
                    lo = std::min(lo, expected);
                    hi = std::max(hi, expected);
                    if (planes.result()[i] != expected && ++mismatches <= 5)
                        ADD_FAILURE() << "cell " << x << "," << y << " channel " << c << ": light "
                                      << planes.sum(Light)[i] << " dark " << d << " flat " << f << " gives "
                                      << planes.result()[i] << ", expected " << expected;
                }
        EXPECT_EQ(mismatches, 0);
        EXPECT_EQ(st.planeMin[Light], lo);
        EXPECT_EQ(st.planeMax[Light], hi);
    }

    ManualClock clock;
    ImageCore core{clock};
    IntegrationPlanes& planes = core.integrator.planes;
};

} // namespace

TEST_F(CorrectionExact, DarkSubtractionAndFlatDivisionMatchThePlainFormulas)
{
    struct Case {
        double darkPercent;
        bool flatOn, inverse;
        int lightFrames, darkFrames;
        int32_t light, dark, flat;
    };
    const Case cases[] = {
        {20, true, false, 40, 4, 9000, 300, 2000},     // a typical run
        {29, true, true, 7, 3, 30000, 900, 500},       // inverted
        {100, false, false, 10, 5, 40000, 20000, 1},   // dark only, most cells go to 0
        {0, true, false, 1, 0, 65000, 0, 3},           // flat only, quotients far above 65535
        {37.25, true, false, 257, 1, 600, 65000, 60000}, // tiny gains, dark saturating the table
        {0.01, true, true, 1000, 999, 65535, 65535, 65535},
        {50, true, false, 3, 7, 100, 50, 120},          // quotients near whole numbers
    };
    unsigned seed = 1;
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << "dark " << k.darkPercent << "% flat " << k.flat << " inverse " << k.inverse);
        fillPlanes(seed++, k.light, k.dark, k.flat);
        renderAndCompare(k.darkPercent, k.flatOn, k.inverse, k.lightFrames, k.darkFrames);
    }
}

TEST_F(CorrectionExact, FlatAtTheMeanAndWholeQuotientsStayExact)
{
    // Flat cells in pairs f, 400 - f: the flat mean is exactly 200, and a
    // light of k x f makes every quotient the whole number 200 k, where an
    // estimate just below it would lose one.
    for (Plane p : {Light, Dark, Flat}) planes.zero(p);
    std::mt19937 rng(7);
    int32_t pending[kPlaneChannels] = {0, 0, 0};
    int n = 0;
    for (int x = 0; x < W; ++x)
        for (int y = 0; y < H; ++y, ++n)
            for (int c = 0; c < kPlaneChannels; ++c) {
                const std::size_t i = planeIndex(x, y, c);
                int32_t f;
                if (n % 2 == 0) {
                    f = 1 + int32_t(rng() % 399);
                    pending[c] = 400 - f;
                } else {
                    f = pending[c];
                }
                planes.sum(Flat)[i] = f;
                planes.sum(Light)[i] = f * int32_t(rng() % 164);
            }
    renderAndCompare(0, true, false, 1, 0);
    for (int c = 0; c < kPlaneChannels; ++c) EXPECT_EQ(core.integrator.flatSum(c), 200 * core.integrator.flatCells());
}

TEST(MapBlock, MatchesThePixelRuleForAnyValue)
{
    std::mt19937 rng(3);
    // Whole 8 x 8 blocks, a right part and a bottom part.
    constexpr int kColumns = 19, kRows = 21, kStride = 70;
    int32_t cells[kColumns * kStride];
    for (int32_t& v : cells) {
        const uint32_t pick = rng() % 6;
        v = pick == 0 ? -int32_t(rng() % 1000) : pick == 1 ? 65535 + int32_t(rng() % 1000) : int32_t(rng() % 65536);
    }
    for (int variant = 0; variant < 12; ++variant) {
        ThresholdControls s;
        s.SCB_Minimum = variant == 6 ? 0 : int(rng() % 3000);
        s.SCB_Maximum = variant == 6 ? 0 : (variant == 7 ? s.SCB_Minimum + 1 : int(rng() % 65536));
        s.RDB_NB = variant % 2 == 1;
        s.CKB_Red = variant % 6 != 2;
        s.CKB_Green = variant % 6 != 3 && variant % 6 != 5;
        s.CKB_Blue = variant % 6 < 4 || variant == 11;
        EqualizerControls eq;
        eq.CKB_EQ = variant == 4 || variant == 5;
        eq.TRKB_EQ[2] = 90;
        DisplayMapping m;
        m.prepare(s, eq);
        uint8_t image[kRows][kColumns * 4 + 4];
        std::memset(image, 0x5a, sizeof image);
        m.mapBlock(cells, kStride, kColumns, kRows, &image[0][0], sizeof image[0]);
        for (int r = 0; r < kRows; ++r)
            for (int k = 0; k < kColumns; ++k) {
                const int32_t* cell = cells + k * kStride + 3 * r;
                uint8_t expected[3];
                m.pixel(cell[0], cell[1], cell[2], expected);
                EXPECT_EQ(0, std::memcmp(&image[r][k * 4], expected, 3)) << variant << ": " << k << "," << r;
                EXPECT_EQ(image[r][k * 4 + 3], 0x5a); // the unused byte is kept
            }
        EXPECT_EQ(image[0][kColumns * 4], 0x5a); // nothing written past the block
    }
}

namespace {

// Random frames added to random sums, checked against the plain per-pixel
// sums: whole and partial strips, both binnings, loop subtraction, inversion.
class AccumulationExact : public ::testing::Test {
protected:
    static constexpr int W = 157, H = 50;
    void SetUp() override
    {
        core.buffers.create();
        core.buffers.setFrameSize(W, H);
        core.zone.displayZone = core.zone.zoneRect = {0, 0, W, H};
        core.controls.TNI_Taille_ZAffich = W;
        core.controls.integration.CKB_Integration = true;
        core.controls.PNL_Integration.SPED_Nb_Bitmap = 0;
    }
    void randomFrame(std::mt19937& rng)
    {
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) core.buffers.zoneFrame.setPixel(x, y, qRgb(rng() % 256, rng() % 256, rng() % 256));
    }
    int channelByte(int x, int y, int c) const
    {
        const QRgb p = core.buffers.zoneFrame.pixel(x, y);
        return c == kChannelRed ? qRed(p) : (c == kChannelGreen ? qGreen(p) : qBlue(p));
    }

    ManualClock clock;
    ImageCore core{clock};
    IntegrationPlanes& planes = core.integrator.planes;
};

} // namespace

TEST_F(AccumulationExact, AddedFramesMatchThePlainSums)
{
    std::mt19937 rng(11);
    for (int b : {1, 2})
        for (bool inverse : {false, true})
            for (bool render : {true, false}) {
                SCOPED_TRACE(testing::Message() << b << "x" << b << " inverse " << inverse << " render " << render);
                core.integrator.allowAvx2(!inverse || b == 1); // the plain loops too
                core.controls.MNU_Binning_2x2 = b == 2;
                core.controls.GRB_Seuils.CKB_Inverse = inverse;
                planes.zeroResult();
                planes.zero(Light);
                const int columns = W / b, rows = H / b; // the last column too at 1x1
                // Sums beyond both ends too: the pass clamps them.
                std::vector<int32_t> before(kPlaneElements);
                for (int x = 0; x < columns; ++x)
                    for (int y = 0; y < rows; ++y)
                        for (int c = 0; c < kPlaneChannels; ++c)
                            planes.sum(Light)[planeIndex(x, y, c)] = int32_t(rng() % 210000) - 70000;
                std::copy(planes.sum(Light), planes.sum(Light) + kPlaneElements, before.begin());
                randomFrame(rng);
                core.integrator.stats.frameCount[Light] = 3;
                core.integrator.IntegrateAndRender(Light, true, false, render);
                int32_t lo = cellMax(b) * 4, hi = 0;
                int mismatches = 0;
                for (int x = 0; x < columns; ++x)
                    for (int y = 0; y < rows; ++y)
                        for (int c = 0; c < kPlaneChannels; ++c) {
                            int64_t sum = before[planeIndex(x, y, c)];
                            for (int dy = 0; dy < b; ++dy)
                                for (int dx = 0; dx < b; ++dx) sum += channelByte(x * b + dx, y * b + dy, c);
                            const int32_t expected = int32_t(std::clamp<int64_t>(sum, 0, 65535));
                            const int32_t written = inverse ? 65535 - expected : expected;
                            lo = std::min(lo, written);
                            hi = std::max(hi, written);
                            const std::size_t i = planeIndex(x, y, c);
                            if ((planes.sum(Light)[i] != expected || (render && planes.result()[i] != written))
                                && ++mismatches <= 5)
                                ADD_FAILURE() << "cell " << x << "," << y << " channel " << c << ": sum "
                                              << planes.sum(Light)[i] << " result " << planes.result()[i] << ", expected "
                                              << expected;
                        }
                EXPECT_EQ(mismatches, 0);
                EXPECT_EQ(core.integrator.stats.planeMin[Light], lo);
                EXPECT_EQ(core.integrator.stats.planeMax[Light], hi);
                // Not summed: the cells right of and below the frame.
                EXPECT_EQ(planes.sum(Light)[planeIndex(columns, 0, 0)], 0);
                EXPECT_EQ(planes.sum(Light)[planeIndex(0, rows, 0)], 0);
            }
    core.integrator.allowAvx2(true);
}

// Zones off the frame corner whose widths and heights are not whole
// blocks of 8: the blocks, the strip and row tails and the cells around
// the zone, which must keep their sums.
TEST_F(AccumulationExact, OffsetZonesMatchThePlainSums)
{
    std::mt19937 rng(23);
    const Rect zones[] = {{3, 5, 3 + 70, 5 + 45}, {1, 7, 1 + 17, 7 + 8}, {5, 2, 5 + 9, 2 + 43}, {9, 1, 9 + 140, 1 + 7},
                          {0, 0, W, H}, {13, 3, W, 3 + 40}}; // the last: whole strips up to the frame's last column
    core.controls.MNU_Binning_2x2 = false;
    for (const Rect& zone : zones)
        for (bool avx2 : {true, false})
            for (bool inverse : {false, true})
                for (bool render : {true, false}) {
                    SCOPED_TRACE(testing::Message() << "zone " << zone.left << "," << zone.top << " " << zone.width()
                                                    << "x" << zone.height() << " avx2 " << avx2 << " inverse "
                                                    << inverse << " render " << render);
                    core.integrator.allowAvx2(avx2);
                    core.zone.displayZone = core.zone.zoneRect = zone;
                    core.controls.GRB_Seuils.CKB_Inverse = inverse;
                    planes.zeroResult();
                    std::vector<int32_t> before(std::size_t(planeIndex(W + 1, 0, 0)));
                    for (int32_t& v : before) v = int32_t(rng() % 210000) - 70000;
                    std::copy(before.begin(), before.end(), planes.sum(Light));
                    randomFrame(rng);
                    core.integrator.stats.frameCount[Light] = 3;
                    core.integrator.IntegrateAndRender(Light, true, false, render);
                    // Every zone column is summed, the last one included.
                    const auto inZone = [&](int x, int y) {
                        return x >= zone.left && x < zone.right && y >= zone.top && y < zone.bottom;
                    };
                    int32_t lo = cellMax(1) * 4, hi = 0;
                    int mismatches = 0;
                    for (int x = 0; x <= W; ++x)
                        for (int y = 0; y < kPlaneRows; ++y)
                            for (int c = 0; c < kPlaneChannels; ++c) {
                                const std::size_t i = planeIndex(x, y, c);
                                int32_t expected = before[i];
                                bool ok = planes.sum(Light)[i] == expected;
                                if (inZone(x, y)) {
                                    expected = std::clamp(expected + channelByte(x, y, c), 0, 65535);
                                    const int32_t written = inverse ? 65535 - expected : expected;
                                    lo = std::min(lo, written);
                                    hi = std::max(hi, written);
                                    ok = planes.sum(Light)[i] == expected && (!render || planes.result()[i] == written);
                                }
                                if (!ok && ++mismatches <= 5)
                                    ADD_FAILURE() << "cell " << x << "," << y << " channel " << c << ": sum "
                                                  << planes.sum(Light)[i] << " result " << planes.result()[i]
                                                  << ", expected " << expected;
                            }
                    EXPECT_EQ(mismatches, 0);
                    EXPECT_EQ(core.integrator.stats.planeMin[Light], lo);
                    EXPECT_EQ(core.integrator.stats.planeMax[Light], hi);
                }
    core.integrator.allowAvx2(true);
}

TEST_F(AccumulationExact, LoopModeSubtractsTheOldestFrame)
{
    auto& m = core.controls.integration;
    m.RDB_Unique = false;
    m.RDB_Boucle = true;
    core.controls.PNL_Integration.SPED_Nb_Bitmap = 2;
    planes.zero(Light);
    core.integrator.BTN_Demarrer_AddClick();
    ASSERT_TRUE(core.loop.allocated());
    const Rect zr = core.zone.zoneRect;
    std::mt19937 rng(5);
    std::vector<QImage> frames;
    for (int k = 0; k < 5; ++k) {
        randomFrame(rng);
        frames.push_back(core.buffers.zoneFrame.copy());
        core.integrator.IntegrateAndRender(Light, true, false, false);
        // The sum holds the last two frames.
        int mismatches = 0;
        // Every column the ring holds: the zone's nominal width.
        const int right = std::min(zr.right, core.loop.frame(1).width());
        ASSERT_GE(right, zr.right - 1);
        for (int x = zr.left; x < right; ++x)
            for (int y = zr.top; y < zr.bottom; ++y)
                for (int c = 0; c < kPlaneChannels; ++c) {
                    int expected = 0;
                    for (std::size_t f = frames.size() >= 2 ? frames.size() - 2 : 0; f < frames.size(); ++f) {
                        const QRgb p = frames[f].pixel(x, y);
                        expected += c == kChannelRed ? qRed(p) : (c == kChannelGreen ? qGreen(p) : qBlue(p));
                    }
                    if (planes.sum(Light)[planeIndex(x, y, c)] != expected && ++mismatches <= 5)
                        ADD_FAILURE() << "frame " << k << " cell " << x << "," << y << " channel " << c;
                }
        EXPECT_EQ(mismatches, 0) << "after frame " << k;
    }
    core.integrator.BTN_Arreter_AddClick();
}

TEST(MapBlock, EveryValueMapsAsTheTableAtAwkwardSpans)
{
    // All 65536 values in each channel (shifted per channel), in 8 columns.
    constexpr int kColumns = 8, kRows = 8192, kStride = kRows * 3;
    std::vector<int32_t> cells(std::size_t(kColumns) * kStride);
    for (int k = 0; k < kColumns; ++k)
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < 3; ++c) cells[std::size_t(k) * kStride + r * 3 + c] = (k * kRows + r + 20000 * c) % 65536;
    std::vector<uint8_t> image(std::size_t(kRows) * kColumns * 4);
    const std::pair<int, int> thresholds[] = {{0, 1},     {0, 2},       {7, 10},    {0, 255},  {100, 356},
                                              {0, 257},   {1000, 4097}, {0, 65535}, {3, 65535}, {65000, 1},
                                              {40000, 40000}};
    for (const auto& [minimum, maximum] : thresholds) {
        for (bool grey : {false, true}) {
            ThresholdControls s;
            s.SCB_Minimum = minimum;
            s.SCB_Maximum = maximum;
            s.RDB_NB = grey;
            DisplayMapping m;
            m.allowAvx2(minimum != 7); // one pair through the plain loop
            m.prepare(s, EqualizerControls{});
            m.mapBlock(cells.data(), kStride, kColumns, kRows, image.data(), kColumns * 4);
            int mismatches = 0;
            for (int k = 0; k < kColumns; ++k)
                for (int r = 0; r < kRows; ++r) {
                    const int32_t* cell = cells.data() + std::size_t(k) * kStride + r * 3;
                    uint8_t expected[3];
                    m.pixel(cell[0], cell[1], cell[2], expected);
                    if (std::memcmp(&image[(std::size_t(r) * kColumns + k) * 4], expected, 3) != 0 && ++mismatches <= 3)
                        ADD_FAILURE() << minimum << ".." << maximum << " grey " << grey << ": value " << cell[0];
                }
            EXPECT_EQ(mismatches, 0);
        }
    }
}

// Star registration on drawn fields whose truth is known: centroids, the
// match of turned and shifted fields with stars missing and added, and the
// resampling onto the reference grid.
#include "processing/StarRegistration.h"

#include <QImage>
#include <cmath>
#include <gtest/gtest.h>
#include <random>

using namespace velumbra;

namespace {

struct Star {
    double x, y, peak;
};

// Gaussian stars (FWHM 3 px) on a background of 20 per channel with noise;
// hot pixels as single bright cells.
QImage drawField(const std::vector<Star>& stars, int width, int height, uint32_t seed,
                 const std::vector<std::pair<int, int>>& hot = {})
{
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, 1.5);
    QImage image(width, height, QImage::Format_RGB32);
    const double sigma = 3.0 / 2.3548;
    std::vector<double> light(std::size_t(width) * height, 20.0);
    for (const Star& s : stars)
        for (int y = std::max(0, int(s.y) - 8); y <= std::min(height - 1, int(s.y) + 8); ++y)
            for (int x = std::max(0, int(s.x) - 8); x <= std::min(width - 1, int(s.x) + 8); ++x)
                light[std::size_t(y) * width + x] +=
                    s.peak * std::exp(-((x - s.x) * (x - s.x) + (y - s.y) * (y - s.y)) / (2 * sigma * sigma));
    for (const auto& [x, y] : hot) light[std::size_t(y) * width + x] = 255;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int v = std::clamp(int(std::lround(light[std::size_t(y) * width + x] + noise(rng))), 0, 255);
            row[x] = 0xFF000000u | uint32_t(v) << 16 | uint32_t(v) << 8 | uint32_t(v);
        }
    }
    return image;
}

std::vector<Star> randomStars(int count, int width, int height, uint32_t seed, int margin = 12)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> ux(margin, width - margin), uy(margin, height - margin), up(40, 200);
    std::vector<Star> stars;
    while (int(stars.size()) < count) {
        const Star s{ux(rng), uy(rng), up(rng)};
        bool crowded = false;
        for (const Star& o : stars) crowded = crowded || std::hypot(o.x - s.x, o.y - s.y) < 14;
        if (!crowded) stars.push_back(s);
    }
    return stars;
}

std::vector<FoundStar> asFound(const std::vector<Star>& stars)
{
    std::vector<FoundStar> out;
    for (const Star& s : stars) out.push_back({s.x, s.y, s.peak, false});
    std::sort(out.begin(), out.end(), [](const FoundStar& a, const FoundStar& b) { return a.flux > b.flux; });
    return out;
}

TEST(StarFinder, CentroidsWithinATenthOfAPixelAndHotPixelsLeftOut)
{
    const std::vector<Star> stars = randomStars(40, 400, 300, 3);
    const std::vector<std::pair<int, int>> hot = {{50, 50}, {200, 120}, {333, 222}};
    StarFinder finder;
    const auto& found = finder.find(drawField(stars, 400, 300, 4, hot), 400, 300);
    EXPECT_NEAR(finder.background(), 60.0, 3.0); // three channels of 20
    int matched = 0;
    for (const Star& s : stars) {
        double best = 1e9;
        for (const FoundStar& f : found) best = std::min(best, std::hypot(f.x - s.x, f.y - s.y));
        EXPECT_LT(best, 0.1) << "star at " << s.x << "," << s.y;
        matched += best < 0.1;
    }
    EXPECT_EQ(matched, 40);
    for (const auto& [x, y] : hot)
        for (const FoundStar& f : found) EXPECT_GT(std::hypot(f.x - x, f.y - y), 2.0) << "hot pixel taken for a star";
    EXPECT_EQ(found.size(), 40u);
    for (std::size_t i = 1; i < found.size(); ++i) EXPECT_GE(found[i - 1].flux, 0.0);
}

TEST(StarFinder, ASaturatedStarKeepsItsCentre)
{
    const std::vector<Star> stars = {{100.3, 80.6, 900}, {40, 40, 100}};
    StarFinder finder;
    const auto& found = finder.find(drawField(stars, 200, 160, 5), 200, 160);
    ASSERT_GE(found.size(), 1u);
    const FoundStar& bright = std::hypot(found[0].x - 100.3, found[0].y - 80.6) < 2 ? found[0] : found[1];
    EXPECT_TRUE(bright.saturated);
    EXPECT_NEAR(bright.x, 100.3, 0.15);
    EXPECT_NEAR(bright.y, 80.6, 0.15);
}

TEST(StarFinder, AFlatOrTinyFrameHasNoStars)
{
    StarFinder finder;
    EXPECT_TRUE(finder.find(drawField({}, 200, 150, 6), 200, 150).empty());
    QImage tiny(8, 8, QImage::Format_RGB32);
    tiny.fill(Qt::white);
    EXPECT_TRUE(finder.find(tiny, 8, 8).empty());
    QImage other(100, 100, QImage::Format_Grayscale8);
    other.fill(0);
    EXPECT_TRUE(finder.find(other, 100, 100).empty());
}

// The frame's stars as the reference's seen through a turn and shift:
// frame = transform^-1(reference), some missing, some added.
struct MatchCase {
    const char* name;
    double degrees, tx, ty;
    int missing, extra;
    bool mirrored;
    bool registers;
};

TEST(StarMatcher, FindsTheTurnAndShiftDespiteMissingAndExtraStars)
{
    const MatchCase cases[] = {
        {"same field", 0, 0, 0, 0, 0, false, true},
        {"shift of 120 px", 0, 120.4, -75.2, 0, 0, false, true},
        {"turn of 5 degrees", 5, 30, -10, 0, 0, false, true},
        {"half turn", 180, 800, 600, 0, 0, false, true},
        {"a third lost, ten added", -2.5, 14, 9, 17, 10, false, true},
        {"mirrored field", 0, 0, 0, 0, 0, true, false},
    };
    const std::vector<Star> stars = randomStars(50, 800, 600, 11);
    const std::vector<FoundStar> reference = asFound(stars);
    for (const MatchCase& c : cases) {
        RigidTransform truth{c.degrees * M_PI / 180, c.tx, c.ty};
        std::vector<FoundStar> frame;
        for (std::size_t i = 0; i < reference.size(); ++i) {
            if (int(i) % 3 == 1 && int(i) / 3 < c.missing) continue;
            QPointF p = truth.applyInverse({reference[i].x, reference[i].y});
            if (c.mirrored) p.setX(800 - p.x());
            frame.push_back({p.x() + 0.03 * std::sin(double(i)), p.y() + 0.03 * std::cos(double(i)), reference[i].flux, false});
        }
        const std::vector<Star> extra = randomStars(c.extra, 800, 600, 99);
        for (const Star& s : extra) frame.push_back({s.x, s.y, s.peak, false});
        std::sort(frame.begin(), frame.end(), [](const FoundStar& a, const FoundStar& b) { return a.flux > b.flux; });

        StarMatcher matcher;
        const MatchResult r = matcher.match(reference, frame);
        EXPECT_EQ(r.ok, c.registers) << c.name;
        if (!c.registers) continue;
        EXPECT_GE(r.matched, 50 - c.missing) << c.name;
        double turn = r.transform.degrees() - c.degrees;
        turn -= 360.0 * std::round(turn / 360.0);
        EXPECT_NEAR(turn, 0.0, 0.01) << c.name;
        const QPointF centre(400, 300);
        const QPointF error = r.transform.apply(centre) - truth.apply(centre);
        EXPECT_LT(std::hypot(error.x(), error.y()), 0.05) << c.name;
    }
}

TEST(StarMatcher, TooFewOrUnrelatedStarsAreNotRegistered)
{
    const std::vector<FoundStar> reference = asFound(randomStars(40, 800, 600, 21));
    StarMatcher matcher;
    EXPECT_FALSE(matcher.match(reference, asFound(randomStars(40, 800, 600, 22))).ok) << "another field";
    std::vector<FoundStar> four(reference.begin(), reference.begin() + 4);
    EXPECT_FALSE(matcher.match(reference, four).ok) << "four stars";
    EXPECT_FALSE(matcher.match({}, reference).ok);
}

TEST(ResampleRigid, WholeShiftsAreExactAndTheUncoveredEdgeIsCounted)
{
    const QImage frame = drawField(randomStars(10, 120, 90, 31), 120, 90, 32);
    QImage target(120, 90, QImage::Format_RGB32);
    std::vector<uint8_t> coverage;
    resampleRigid(frame, 120, 90, RigidTransform{}, target, &coverage);
    EXPECT_EQ(target, frame);
    EXPECT_EQ(std::count(coverage.begin(), coverage.end(), 1), 120 * 90);

    resampleRigid(frame, 120, 90, RigidTransform{0, 3, -2}, target, &coverage);
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 120; ++x) {
            const bool inside = x - 3 >= 0 && y + 2 < 90;
            ASSERT_EQ(coverage[std::size_t(y) * 120 + x], inside ? 1 : 0) << x << "," << y;
            if (inside) ASSERT_EQ(target.pixel(x, y), frame.pixel(x - 3, y + 2)) << x << "," << y;
            else ASSERT_EQ(qGray(target.pixel(x, y)), 0);
        }
}

TEST(ResampleRigid, TheSecondCoreGivesTheSameFrame)
{
    const QImage frame = drawField(randomStars(60, 800, 600, 51), 800, 600, 52);
    const RigidTransform t{-3.0 * M_PI / 180, 11.7, -5.3};
    QImage alone(800, 600, QImage::Format_RGB32), shared(800, 600, QImage::Format_RGB32);
    std::vector<uint8_t> coverAlone, coverShared;
    RowSplit rows;
    resampleRigid(frame, 800, 600, t, alone, &coverAlone);
    resampleRigid(frame, 800, 600, t, shared, &coverShared, &rows);
    EXPECT_EQ(alone, shared);
    EXPECT_EQ(coverAlone, coverShared);
}

TEST(ResampleRigid, ATurnedStarLandsWhereTheTransformSends)
{
    const std::vector<Star> stars = {{60.0, 40.0, 150}, {90.4, 70.7, 150}, {30.2, 75.1, 120}};
    const QImage frame = drawField(stars, 128, 96, 41);
    const RigidTransform t{7.0 * M_PI / 180, 4.3, -6.1};
    QImage target(128, 96, QImage::Format_RGB32);
    resampleRigid(frame, 128, 96, t, target);
    StarFinder finder;
    const auto& found = finder.find(target, 128, 96);
    for (const Star& s : stars) {
        const QPointF want = t.apply({s.x, s.y});
        double best = 1e9;
        for (const FoundStar& f : found) best = std::min(best, std::hypot(f.x - want.x(), f.y - want.y()));
        EXPECT_LT(best, 0.12) << s.x << "," << s.y;
    }
}

} // namespace

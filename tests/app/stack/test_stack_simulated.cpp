// The command on the sky simulator: a seeded run is reproducible, the frames
// it saves stack to the very same result, and tracking follows a star.
#include "StackTestFiles.h"
#include "simulator/SkySimulator.h"

#include <QDir>
#include <QRegularExpression>
#include <QImage>
#include <cmath>
#include <numeric>
#include <algorithm>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace stacktest;
using velumbra::CameraMode;
using velumbra::ManualClock;
using velumbra::SkyParameters;
using velumbra::SkySimulator;

TEST(StackSimulated, SavedFramesStackToTheSameResult)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString frames = dir.filePath(QStringLiteral("frames"));
    const CommandRun sim = runCommand({"-o", dir.filePath("sim.bmp"), "--simulate", "6", "--seed", "7", "--size", "160x120",
                                "--save-frames", frames, "--quiet"});
    ASSERT_EQ(sim.exitCode, 0) << sim.err.toStdString();
    const QStringList saved = QDir(frames).entryList({"frame-*.bmp"}, QDir::Files, QDir::Name);
    ASSERT_EQ(saved.size(), 6);
    QStringList paths;
    for (const QString& f : saved) paths << QDir(frames).filePath(f);
    const CommandRun files = runCommand(QStringList{"-o", dir.filePath("files.bmp")} + paths);
    ASSERT_EQ(files.exitCode, 0) << files.err.toStdString();

    const QImage a(dir.filePath("sim.bmp")), b(dir.filePath("files.bmp"));
    ASSERT_EQ(a.size(), QSize(160, 120));
    EXPECT_EQ(a.convertToFormat(QImage::Format_RGB32), b.convertToFormat(QImage::Format_RGB32));

    // Same seed, same sky; another seed, another sky.
    const CommandRun again = runCommand({"-o", dir.filePath("again.bmp"), "--simulate", "6", "--seed", "7", "--size",
                                  "160x120"});
    ASSERT_EQ(again.exitCode, 0);
    EXPECT_EQ(QImage(dir.filePath("again.bmp")), a);
    const CommandRun other = runCommand({"-o", dir.filePath("other.bmp"), "--simulate", "6", "--seed", "8", "--size",
                                  "160x120"});
    ASSERT_EQ(other.exitCode, 0);
    EXPECT_NE(QImage(dir.filePath("other.bmp")), a);
}

// A simulated night recorded as a SER video: the video holds the frames
// --save-frames writes, stamped 40 ms apart in the simulator's time, and
// stacks to the same result as they do.
TEST(StackSimulated, RecordedVideoHoldsTheSavedFramesAndStacksTheSame)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString frames = dir.filePath(QStringLiteral("frames")), video = dir.filePath(QStringLiteral("night.ser"));
    const CommandRun sim = runCommand({"-o", dir.filePath("sim.bmp"), "--simulate", "5", "--seed", "3", "--size",
                                       "160x120", "--save-frames", frames, "--ser", video, "--quiet"});
    ASSERT_EQ(sim.exitCode, 0) << sim.err.toStdString();
    QFile f(video);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray b = f.readAll();
    const int frameBytes = 160 * 120 * 3;
    ASSERT_EQ(b.size(), 178 + 5 * frameBytes + 5 * 8);
    auto le = [&](int at, int bytes) {
        uint64_t v = 0;
        for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | uint8_t(b[at + i]);
        return int64_t(v);
    };
    EXPECT_EQ(le(38, 4), 5);
    for (int k = 0; k < 5; ++k) {
        const QImage saved = QImage(QDir(frames).filePath(QStringLiteral("frame-%1.bmp").arg(k + 1, 5, 10, QLatin1Char('0'))))
                                 .convertToFormat(QImage::Format_RGB32);
        int wrong = 0;
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 160; ++x) {
                const int at = 178 + k * frameBytes + (y * 160 + x) * 3;
                const QRgb p = saved.pixel(x, y);
                wrong += uint8_t(b[at]) != qBlue(p) || uint8_t(b[at + 1]) != qGreen(p) || uint8_t(b[at + 2]) != qRed(p);
            }
        EXPECT_EQ(wrong, 0) << "frame " << k;
        if (k > 0) EXPECT_EQ(le(178 + 5 * frameBytes + 8 * k, 8) - le(178 + 5 * frameBytes + 8 * (k - 1), 8), 400000);
    }
    const CommandRun stacked = runCommand({"-o", dir.filePath("video.bmp"), video, "--quiet"});
    ASSERT_EQ(stacked.exitCode, 0) << stacked.err.toStdString();
    EXPECT_EQ(QImage(dir.filePath("video.bmp")).convertToFormat(QImage::Format_RGB32),
              QImage(dir.filePath("sim.bmp")).convertToFormat(QImage::Format_RGB32));
}

// A bright star drifting one pixel per frame: with tracking the log follows
// it and the zone keeps it in place.
TEST(StackSimulated, TrackingFollowsADriftingStar)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    constexpr int W = 160, H = 120, N = 8;
    QStringList paths;
    for (int k = 0; k < N; ++k) {
        const int sx = 60 + k, sy = 50 + k;
        const QString p = dir.filePath(QStringLiteral("f%1.bmp").arg(k));
        ASSERT_TRUE(writeFile(p, bmp24(W, H, [&](int x, int y) {
            const int d2 = (x - sx) * (x - sx) + (y - sy) * (y - sy);
            const int v = d2 == 0 ? 250 : (d2 <= 2 ? 150 : 20);
            return Rgb{v, v, v};
        })));
        paths << p;
    }
    const CommandRun run = runCommand(QStringList{"-o", dir.filePath("out.bmp"), "--track", "brightest", "--center", "61,51",
                                           "--zone", "60", "--detect", "20", "--min", "0", "--max", "2000",
                                           "--log", dir.filePath("log.csv")} +
                               paths);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QFile log(dir.filePath("log.csv"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(log.readAll()).trimmed().split('\n');
    ASSERT_EQ(lines.size(), N + 1);
    for (int k = 0; k < N; ++k) {
        const QStringList f = lines[k + 1].split(',');
        ASSERT_EQ(f.size(), 9);
        EXPECT_EQ(f[3].toInt(), 60 + k) << lines[k + 1].toStdString();
        EXPECT_EQ(f[4].toInt(), 50 + k);
        EXPECT_EQ(f[5].toInt(), 20);
        EXPECT_EQ(f[6].toInt(), 250);
        EXPECT_EQ(f[7], QStringLiteral("0")) << "the star stays in view";
    }
    // Stabilised: the star's cell holds every frame's peak, so it is the
    // brightest pixel of the result at the zone centre.
    const QImage img(dir.filePath("out.bmp"));
    ASSERT_FALSE(img.isNull());
    int bx = -1, by = -1, best = -1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGreen(img.pixel(x, y)) > best) {
                best = qGreen(img.pixel(x, y));
                bx = x;
                by = y;
            }
    EXPECT_EQ(best, 255);
    EXPECT_EQ(bx, 30);
    EXPECT_EQ(by, 22);
}

// A field turning as on an alt-azimuth mount: registered, its stars stay
// points where the plain stack trails them; the log gives each frame's turn,
// a frame without stars is skipped and counted, and the result keeps only
// what every frame covered.
TEST(StackSimulated, RegistrationFollowsATurningFieldAndSkipsAStarlessFrame)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString frames = dir.filePath(QStringLiteral("frames"));
    const QStringList common = {"--simulate", "60", "--size", "800x600", "--field-rotation", "60", "--min", "0",
                                "--max", "15300", "--quiet"};
    const CommandRun plain = runCommand(QStringList{"-o", dir.filePath("plain.bmp")} + common);
    ASSERT_EQ(plain.exitCode, 0) << plain.err.toStdString();
    const CommandRun reg = runCommand(QStringList{"-o", dir.filePath("reg.bmp"), "--register", "stars", "--log",
                                                  dir.filePath("reg.csv"), "--save-frames", frames} + common);
    ASSERT_EQ(reg.exitCode, 0) << reg.err.toStdString();

    QFile log(dir.filePath("reg.csv"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 61);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral(",dx,dy,rotation,matched")));
    const QStringList last = lines.last().split(',');
    // 59 intervals of 40 ms at 60 degrees a minute; the image turns the other way round.
    EXPECT_NEAR(std::abs(last[11].toDouble()), 59 * 0.04 * 60 / 60, 0.02) << lines.last().toStdString();
    EXPECT_GE(last[12].toInt(), 20);

    const QImage a = QImage(dir.filePath("plain.bmp")).convertToFormat(QImage::Format_RGB32);
    const QImage b = QImage(dir.filePath("reg.bmp")).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(a.size(), QSize(800, 600));
    EXPECT_LT(b.width(), 800);
    EXPECT_GT(b.width(), 760);
    EXPECT_LT(b.height(), 600);
    // The trailed light of the plain stack spreads along the trails, longest
    // far from the centre: there its brightest cores are dimmer.
    auto coreLevel = [](const QImage& image) {
        std::vector<int> grey;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (std::hypot(x - image.width() / 2.0, y - image.height() / 2.0) > 200) grey.push_back(qGray(image.pixel(x, y)));
        std::partial_sort(grey.begin(), grey.begin() + 300, grey.end(), std::greater<int>());
        return std::accumulate(grey.begin(), grey.begin() + 300, 0.0) / 300;
    };
    EXPECT_GT(coreLevel(b), 1.3 * coreLevel(a)) << coreLevel(b) << " vs " << coreLevel(a);

    // Saved frames, one replaced by a starless one: that one is skipped.
    QStringList paths;
    for (const QString& f : QDir(frames).entryList({"frame-*.bmp"}, QDir::Files, QDir::Name).mid(0, 5))
        paths << QDir(frames).filePath(f);
    ASSERT_EQ(paths.size(), 5);
    QImage blank(800, 600, QImage::Format_RGB32);
    blank.fill(QColor(20, 20, 20));
    ASSERT_TRUE(blank.save(paths[2], "BMP"));
    const CommandRun skip = runCommand(QStringList{"-o", dir.filePath("five.bmp"), "--register", "stars"} + paths);
    EXPECT_EQ(skip.exitCode, 0) << skip.err.toStdString();
    EXPECT_TRUE(skip.out.contains(QStringLiteral("registered on their stars: 4 of 5 frames, 1 skipped"))) << skip.out.toStdString();
    EXPECT_TRUE(skip.out.contains(QStringLiteral("frames: 5 read, 4 stacked"))) << skip.out.toStdString();
}

// Lucky imaging on the simulated planet: the frames are scored, the
// sharpest tenth is kept and laid on the sharpest; the frames stacked are
// the frames scored (a second reading of the same night), as the saved
// frames scored again from their files show.
TEST(StackSimulated, BestTenthOfAPlanetIsKeptAndLaidOnTheSharpest)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString frames = dir.filePath(QStringLiteral("frames"));
    const CommandRun run = runCommand({"-o", dir.filePath("lucky.bmp"), "--simulate", "60", "--planet", "--size",
                                       "320x240", "--best", "10", "--register", "planet", "--log",
                                       dir.filePath("lucky.csv"), "--save-frames", frames});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("sharpest frames kept: 6 of 60 (--best 10)"))) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("frames: 60 read, 6 stacked"))) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("laid on the reference's disc: 6 of 6 frames"))) << run.out.toStdString();

    auto rows = [](const QString& path) {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        QList<QStringList> out;
        const QStringList lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
        for (const QString& l : lines.mid(1)) out << l.split(',');
        return out;
    };
    const QList<QStringList> log = rows(dir.filePath("lucky.csv"));
    ASSERT_EQ(log.size(), 60);
    double worstKept = 1e300, bestLeft = -1;
    QList<int> ranks;
    for (const QStringList& f : log) {
        ASSERT_EQ(f.size(), 14) << f.join(',').toStdString();
        const double sharpness = f[9].toDouble();
        const int rank = f[10].toInt();
        const bool kept = f[11] == QLatin1String("1");
        ranks << rank;
        EXPECT_EQ(kept, rank <= 6);
        EXPECT_EQ(f[2] == QLatin1String("1"), kept) << "a frame is stacked when it is kept";
        EXPECT_EQ(f[12].isEmpty(), !kept) << "a kept frame tells its shift";
        if (kept) worstKept = std::min(worstKept, sharpness);
        else bestLeft = std::max(bestLeft, sharpness);
        if (rank == 1) {
            EXPECT_NEAR(f[12].toDouble(), 0.0, 0.01) << "the sharpest is the reference";
            EXPECT_NEAR(f[13].toDouble(), 0.0, 0.01);
        }
    }
    std::sort(ranks.begin(), ranks.end());
    for (int i = 0; i < 60; ++i) EXPECT_EQ(ranks[i], i + 1);
    EXPECT_GE(worstKept, bestLeft);

    // The saved frames, scored from their files, score as they did.
    QStringList paths;
    for (const QString& f : QDir(frames).entryList({"frame-*.bmp"}, QDir::Files, QDir::Name)) paths << QDir(frames).filePath(f);
    ASSERT_EQ(paths.size(), 60);
    const CommandRun again = runCommand(QStringList{"-o", dir.filePath("again.bmp"), "--best", "10", "--register", "planet",
                                                    "--log", dir.filePath("again.csv"), "--quiet"} + paths);
    ASSERT_EQ(again.exitCode, 0) << again.err.toStdString();
    const QList<QStringList> fromFiles = rows(dir.filePath("again.csv"));
    ASSERT_EQ(fromFiles.size(), 60);
    for (int i = 0; i < 60; ++i) EXPECT_EQ(fromFiles[i][9], log[i][9]) << "frame " << i + 1;
    EXPECT_EQ(QImage(dir.filePath("again.bmp")), QImage(dir.filePath("lucky.bmp")));
}

// Darks with registration: each frame is corrected before it turns, so the
// sensor's hot pixels, which stay put while the sky turns, leave no arcs.
TEST(StackSimulated, RegisteredFramesLoseTheirHotPixelsToTheDark)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Dark frames of the command's own camera (its sky's seed), cap on.
    ManualClock clock;
    SkySimulator camera(clock, SkySimulator::kDefaultSeed);
    SkyParameters cap = camera.parameters();
    cap.mode = CameraMode::Cap;
    camera.setParameters(cap);
    QStringList darks;
    QImage dark(640, 480, QImage::Format_RGB32), master(640, 480, QImage::Format_RGB32);
    std::vector<int> sum(640 * 480, 0);
    for (int n = 0; n < 8; ++n) {
        clock.advanceMs(40);
        camera.render(dark, 640, 480);
        darks << dir.filePath(QStringLiteral("dark-%1.bmp").arg(n));
        ASSERT_TRUE(dark.save(darks.last(), "BMP"));
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) sum[std::size_t(y) * 640 + x] += qGray(dark.pixel(x, y));
    }
    std::vector<QPoint> hot;
    for (int y = 30; y < 450; ++y)
        for (int x = 30; x < 610; ++x)
            if (sum[std::size_t(y) * 640 + x] / 8 > 60) hot.push_back({x, y});
    ASSERT_FALSE(hot.empty()) << "the simulated sensor has hot pixels";

    const QStringList common = {"--simulate", "40", "--size", "640x480", "--field-rotation", "60", "--register",
                                "stars", "--min", "0", "--max", "10200"};
    const CommandRun plain = runCommand(QStringList{"-o", dir.filePath("plain.bmp")} + common);
    ASSERT_EQ(plain.exitCode, 0) << plain.err.toStdString();
    QStringList withDarks{"-o", dir.filePath("dark.bmp")};
    for (const QString& d : darks) withDarks << "--dark" << d;
    const CommandRun corrected = runCommand(withDarks + common);
    ASSERT_EQ(corrected.exitCode, 0) << corrected.err.toStdString();

    // Light around the hot pixels above the result's median, where the cut result shows them.
    auto cutAt = [](const QString& summary) {
        const QRegularExpressionMatch m = QRegularExpression(QStringLiteral(" at (\\d+),(\\d+)")).match(summary);
        return m.hasMatch() ? QPoint(m.captured(1).toInt(), m.captured(2).toInt()) : QPoint(-1, -1);
    };
    auto arcs = [&](const QImage& image, QPoint corner) {
        std::vector<int> all;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) all.push_back(qGray(image.pixel(x, y)));
        std::nth_element(all.begin(), all.begin() + std::ptrdiff_t(all.size() / 2), all.end());
        const int median = all[all.size() / 2];
        double excess = 0;
        for (const QPoint& p : hot)
            for (int dy = -6; dy <= 6; ++dy)
                for (int dx = -6; dx <= 6; ++dx) {
                    const QPoint q = p + QPoint(dx, dy) - corner;
                    if (image.rect().contains(q)) excess += std::max(0, qGray(image.pixel(q)) - median);
                }
        return excess;
    };
    const QImage a(dir.filePath("plain.bmp")), b(dir.filePath("dark.bmp"));
    const QPoint ca = cutAt(plain.out), cb = cutAt(corrected.out);
    ASSERT_GE(ca.x(), 0) << plain.out.toStdString();
    ASSERT_EQ(ca, cb);
    RecordProperty("arcsPlain", std::to_string(arcs(a, ca)));
    RecordProperty("arcsDark", std::to_string(arcs(b, cb)));
    EXPECT_LT(arcs(b, cb), 0.3 * arcs(a, ca)) << arcs(b, cb) << " vs " << arcs(a, ca);
}

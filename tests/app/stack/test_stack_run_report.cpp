// What the built command tells at the end of a run: saturated cells, a
// lost object, the summary, in the language of the user's locale; frames
// too large for the program, folders given as input, the version.
#include "StackTestFiles.h"

#include "core/Version.h"

#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <vector>

using namespace stacktest;

namespace {

constexpr int W = 40, H = 30;

class StackRunReport : public StackDir {
protected:
    QStringList logColumn(const QString& log, int column) const
    {
        QFile f(log);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly | QIODevice::Text));
        QStringList lines = QString::fromUtf8(f.readAll()).trimmed().split(QLatin1Char('\n'));
        QStringList values;
        for (qsizetype i = 1; i < lines.size(); ++i) values << lines[i].split(QLatin1Char(',')).value(column);
        return values;
    }
};

int median(const QImage& img)
{
    std::vector<int> grey;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) grey.push_back(qGray(img.pixel(x, y)));
    std::nth_element(grey.begin(), grey.begin() + grey.size() / 2, grey.end());
    return grey[grey.size() / 2];
}

} // namespace

// 300 frames of 255 pass the ceiling at the 258th: the sums stop at 65535,
// the saturated cells show white (never wrapped, never black) and the run
// tells how many there are and what to do.
TEST_F(StackRunReport, SaturatedCellsStayWhiteAndAreReported)
{
    const QString half = frame("half.bmp", [](int x, int) { return x < W / 2 ? Rgb{255, 255, 255} : Rgb{10, 10, 10}; });
    const QString white = frame("white.bmp", [](int, int) { return Rgb{255, 255, 255}; });
    struct Case {
        const char* name;
        QString file;
        QStringList options;
        int leftLevel, rightLevel;
        QString told; // on stderr
    };
    const Case cases[] = {
        {"half white", half, {}, 255, 0, "600 of 1200 cells reached the ceiling of 65535"},
        {"half white, full range", half, {"--min", "0", "--max", "65535"}, 255, 11, "--count 257 can never saturate"},
        {"all white", white, {}, 255, 255, "1200 of 1200 cells"},
        {"all white, inverted", white, {"--invert"}, 0, 0, "1200 of 1200 cells"},
        {"binned", half, {"--binning", "2"}, 255, 0, "--binning 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList args = QStringList{"-o", path("out.bmp")} + c.options;
        for (int k = 0; k < 300; ++k) args << c.file;
        const CommandRun run = runCommand(args);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(c.told)) << run.err.toStdString();
        EXPECT_TRUE(run.out.contains(QStringLiteral("saturated cells: "))) << run.out.toStdString();
        const QImage img(path("out.bmp"));
        ASSERT_FALSE(img.isNull());
        const int binning = c.options.contains("--binning") ? 2 : 1;
        EXPECT_EQ(qGreen(img.pixel(2, 2)), c.leftLevel);
        EXPECT_EQ(qGreen(img.pixel(W / binning - 1, 2)), c.rightLevel); // the last column too
    }
    // Below the ceiling nothing is told.
    const CommandRun few = runCommand({"-o", path("few.bmp"), half, half});
    ASSERT_EQ(few.exitCode, 0);
    EXPECT_TRUE(few.err.isEmpty()) << few.err.toStdString();
    EXPECT_TRUE(few.out.contains(QStringLiteral("saturated cells: 0 of 1200"))) << few.out.toStdString();
}

// A star field of a webcam: sky with a little noise, a few stars and hot
// pixels. Stretched from its smallest to its largest value the sky would
// sink to a median of a few levels out of 255.
TEST_F(StackRunReport, DefaultStretchShowsTheSkyDespiteHotPixels)
{
    constexpr int FW = 640, FH = 480;
    auto field = [](int x, int y) {
        const int sky = 20 + (x * 7 + y * 13) % 9;
        if ((x * 31 + y * 17) % 25013 == 0) return Rgb{255, 255, 255}; // hot pixels
        for (int s = 0; s < 15; ++s) {
            const int sx = 40 + (s * 97) % 560, sy = 30 + (s * 61) % 420;
            if (std::abs(x - sx) <= 1 && std::abs(y - sy) <= 1) return Rgb{200, 200, 190};
        }
        return Rgb{sky, sky, sky};
    };
    const QString f = frame("field.bmp", field, FW, FH);
    QStringList args = {"-o", path("sky.bmp")};
    for (int k = 0; k < 10; ++k) args << f;
    const CommandRun run = runCommand(args);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QImage img(path("sky.bmp"));
    ASSERT_FALSE(img.isNull());
    EXPECT_GT(median(img), 60);
    EXPECT_TRUE(run.out.contains(QStringLiteral("(0.1 % percentile)"))) << run.out.toStdString();
}

// A star that leaves the field, and one that fades away: the log marks the
// frames where tracking lost it and the run counts them.
TEST_F(StackRunReport, LostObjectIsMarkedInTheLogAndCounted)
{
    constexpr int FW = 160, FH = 120;
    auto star = [](int sx, int sy, int peak) {
        return [=](int x, int y) {
            const int d2 = (x - sx) * (x - sx) + (y - sy) * (y - sy);
            const int v = d2 == 0 ? peak : (d2 <= 2 ? 20 + (peak - 20) / 2 : 20);
            return Rgb{v, v, v};
        };
    };
    QStringList leaving, fading;
    for (int k = 0; k < 6; ++k) {
        leaving << frame(QStringLiteral("l%1.bmp").arg(k), star(100 + 12 * k, 60, 250), FW, FH);
        fading << frame(QStringLiteral("f%1.bmp").arg(k), star(80, 60, k < 4 ? 250 : 20), FW, FH);
    }
    struct Case {
        const char* name;
        QStringList frames;
        QStringList lost;
    };
    const Case cases[] = {
        {"leaving", leaving, {"0", "0", "0", "0", "1", "1"}},
        {"fading", fading, {"0", "0", "0", "0", "1", "1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString log = path(QStringLiteral("%1.csv").arg(c.name));
        const CommandRun run = runCommand(QStringList{"-o", path("out.bmp"), "--track", "brightest", "--center",
                                                      c.frames == leaving ? "100,60" : "80,60", "--detect", "40",
                                                      "--log", log} + c.frames);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(logColumn(log, 7), c.lost);
        EXPECT_TRUE(run.err.contains(QStringLiteral("tracking lost the object in 2 of 6 frames"))) << run.err.toStdString();
        EXPECT_TRUE(run.out.contains(QStringLiteral("object lost: 2 of 6 frames"))) << run.out.toStdString();
    }
}

// The planet settings of the README: the edge method with a detection zone
// larger than the disc keeps the planet, every frame.
TEST_F(StackRunReport, PlanetSettingsKeepThePlanet)
{
    const QString log = path("planet.csv");
    const CommandRun run = runCommand({"-o", path("planet.bmp"), "--simulate", "20", "--planet", "--mode", "loop",
                                       "--count", "50", "--track", "edges", "--detect", "160", "--zone", "200", "--log",
                                       log});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lost = logColumn(log, 7);
    ASSERT_EQ(lost.size(), 20);
    EXPECT_EQ(lost.count(QStringLiteral("0")), 20);
    for (const QString& x : logColumn(log, 3)) EXPECT_NEAR(x.toInt(), 320, 6);
    for (const QString& y : logColumn(log, 4)) EXPECT_NEAR(y.toInt(), 240, 6);
    EXPECT_TRUE(run.out.contains(QStringLiteral("object lost: 0 of 20 frames"))) << run.out.toStdString();
}

// One language per run, the reader's causes included.
TEST_F(StackRunReport, MessagesFollowTheLocale)
{
    const QString good = frame("good.bmp", [](int x, int y) { return Rgb{x, y, 50}; });
    QByteArray cut = bmp24(W, H, [](int, int) { return Rgb{}; });
    cut.truncate(cut.size() / 2);
    ASSERT_TRUE(writeFile(path("cut.bmp"), cut));
    struct Case {
        QString locale;
        QStringList told, never;
    };
    const Case cases[] = {
        {"C", {"cannot read", "truncated file", "; skipped", "frames: 1 read, 1 stacked, 1 skipped"},
         {"tronqué", "ignorée", "images :"}},
        {"fr_FR.UTF-8", {"impossible de lire", "fichier tronqué", "image ignorée", "images : 1 lues, 1 empilées, 1 ignorées"},
         {"truncated", "skipped", "frames:"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale.toStdString());
        const CommandRun run = runCommand({"-o", path("out.bmp"), good, path("cut.bmp")}, c.locale);
        EXPECT_EQ(run.exitCode, 3);
        const QString all = run.err + run.out;
        for (const QString& t : c.told) EXPECT_TRUE(all.contains(t)) << t.toStdString() << "\n" << all.toStdString();
        for (const QString& t : c.never) EXPECT_FALSE(all.contains(t)) << t.toStdString() << "\n" << all.toStdString();
    }
    const CommandRun help = runCommand({"--help"}, QStringLiteral("fr_FR.UTF-8"));
    EXPECT_TRUE(help.out.contains(QStringLiteral("Code de sortie")));
}

TEST_F(StackRunReport, FrameLargerThanTheProgramHoldsSaysWhatToDo)
{
    const QString good = frame("good.bmp", [](int, int) { return Rgb{40, 40, 40}; }, 800, 600);
    const QString big = frame("big.bmp", [](int, int) { return Rgb{40, 40, 40}; }, 1280, 720);
    const CommandRun run = runCommand({"-o", path("out.bmp"), good, big});
    EXPECT_EQ(run.exitCode, 3);
    for (const char* told : {"big.bmp is 1280x720", "800x600", "--binning 2"})
        EXPECT_TRUE(run.err.contains(QLatin1String(told))) << told << "\n" << run.err.toStdString();
}

// A folder stands for its .bmp files (any case of the extension), in name
// order, without its subfolders or other files.
TEST_F(StackRunReport, FolderStacksItsBmpFilesInNameOrder)
{
    QDir(dir.path()).mkpath("seq/sub");
    frame("seq/b.BMP", [](int, int) { return Rgb{20, 20, 20}; });
    frame("seq/a.bmp", [](int, int) { return Rgb{10, 10, 10}; });
    frame("seq/sub/c.bmp", [](int, int) { return Rgb{200, 200, 200}; });
    ASSERT_TRUE(writeFile(path("seq/notes.txt"), "not a frame"));
    const CommandRun run = runCommand({"-o", path("out.bmp"), "--min", "0", "--max", "256", "--log", path("log.csv"),
                                       path("seq")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(logColumn(path("log.csv"), 1), (QStringList{path("seq/a.bmp"), path("seq/b.BMP")}));
    EXPECT_EQ(qGreen(QImage(path("out.bmp")).pixel(5, 5)), 30);

    QDir(dir.path()).mkpath("empty");
    const CommandRun empty = runCommand({"-o", path("none.bmp"), path("empty")});
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_TRUE(empty.err.contains(QStringLiteral("holds no .bmp file"))) << empty.err.toStdString();
}

TEST_F(StackRunReport, VersionAndWarnings)
{
    const CommandRun version = runCommand({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    // One plain line: the command's name and its version.
    EXPECT_EQ(version.out.toStdString(), "velumbra-stack " + velumbra::programVersion().toStdString() + "\n");

    const QString a = frame("a.bmp", [](int, int) { return Rgb{40, 40, 40}; });
    const CommandRun warned = runCommand({"-o", path("out.bmp"), "--detect", "30", "--seed", "2", "--binning", "1",
                                          "--binning", "1", a});
    EXPECT_EQ(warned.exitCode, 0);
    for (const char* told : {"--detect has no effect without --track", "--seed has no effect without --simulate",
                             "--binning given more than once"})
        EXPECT_TRUE(warned.err.contains(QLatin1String(told))) << told << "\n" << warned.err.toStdString();

    const CommandRun png = runCommand({"-o", path("result.png"), a});
    EXPECT_EQ(png.exitCode, 2);
    EXPECT_FALSE(QFileInfo::exists(path("result.png")));
}

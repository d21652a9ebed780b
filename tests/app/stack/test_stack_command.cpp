// The built velumbra-stack command on small frame sets written here; every
// expected pixel is computed in the test from the integration and mapping
// rules (sums of whole-zone cells, dark scaled to the light count, flat
// divided by its mean, a linear 256-step stretch between the thresholds).
#include "StackTestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <gtest/gtest.h>
#include <vector>

using namespace stacktest;

namespace {

// 4:3 frames: the default display zone (the frame width) covers the whole frame.
constexpr int W = 40, H = 30;

Rgb pattern(int k, int x, int y)
{
    return {(x * 5 + y * 3 + k * 17) % 200 + 10, (x * 2 + y * 7 + k * 31) % 180 + 5, (x * 11 + y + k * 13) % 190};
}

int channel(const Rgb& p, int c) { return c == 0 ? p.r : (c == 1 ? p.g : p.b); }

int pixelChannel(const QImage& img, int x, int y, int c)
{
    const QRgb p = img.pixel(x, y);
    return c == 0 ? qRed(p) : (c == 1 ? qGreen(p) : qBlue(p));
}

class StackCommand : public StackDir {
protected:
    QString lightFrame(int k)
    {
        return frame(QStringLiteral("light%1.bmp").arg(k), [k](int x, int y) { return pattern(k, x, y); });
    }
    QImage result(const QString& name = QStringLiteral("out.bmp")) const
    {
        QImage img(path(name));
        return img;
    }
};

// Every pixel of the frame is one cell at 1x1, the last column included.
void expectPixels(const QImage& img, const std::function<int(int x, int y, int c)>& expected)
{
    ASSERT_EQ(img.size(), QSize(W, H));
    int mismatches = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            for (int c = 0; c < 3; ++c)
                if (pixelChannel(img, x, y, c) != expected(x, y, c) && ++mismatches <= 5)
                    ADD_FAILURE() << "pixel (" << x << "," << y << ") channel " << c << ": "
                                  << pixelChannel(img, x, y, c) << " instead of " << expected(x, y, c);
    EXPECT_EQ(mismatches, 0);
}

} // namespace

// ------------------------------------------------------------------- sums

TEST_F(StackCommand, SumOfThreeFramesBetweenGivenThresholds)
{
    const QStringList frames = {lightFrame(1), lightFrame(2), lightFrame(3)};
    const CommandRun run = runCommand(QStringList{"-o", path("out.bmp"), "--min", "0", "--max", "768"} + frames);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << "no progress bar when stderr is not a terminal: " << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("frames: 3 read, 3 stacked, 0 skipped"))) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("low 0 (given), high 768 (given)"))) << run.out.toStdString();
    expectPixels(result(), [](int x, int y, int c) {
        int64_t sum = 0;
        for (int k = 1; k <= 3; ++k) sum += channel(pattern(k, x, y), c);
        return level(sum, 0, 768);
    });
}

// The value at rank ceil(fraction x count) of the sorted values.
static int64_t percentile(std::vector<int64_t> values, double fraction)
{
    std::sort(values.begin(), values.end());
    const auto rank = std::max<std::size_t>(1, std::size_t(std::ceil(fraction * double(values.size()))));
    return values[rank - 1];
}

// Without thresholds the stretch runs between the 0.1 % and 99.9 %
// percentiles of the shown values (inverted values when inverted); a
// threshold given alone takes the other end from them.
TEST_F(StackCommand, WithoutThresholdsTheResultIsStretchedBetweenPercentiles)
{
    const QStringList frames = {lightFrame(1), lightFrame(2)};
    auto plain = [](int x, int y, int c) {
        return int64_t(channel(pattern(1, x, y), c) + channel(pattern(2, x, y), c));
    };
    auto inverted = [&](int x, int y, int c) { return 65535 - plain(x, y, c); };
    struct Case {
        const char* name;
        QStringList options;
        std::function<int64_t(int, int, int)> value;
        std::optional<int64_t> lo, hi; // given
    };
    const Case cases[] = {
        {"plain", {}, plain, {}, {}},
        {"inverted", {"--invert"}, inverted, {}, {}},
        {"min alone", {"--min", "100"}, plain, 100, {}},
        {"max alone", {"--max", "300"}, plain, {}, 300},
        {"inverted, given", {"--invert", "--min", "65000", "--max", "65512"}, inverted, 65000, 65512},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CommandRun run = runCommand(QStringList{"-o", path("out.bmp")} + c.options + frames);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        std::vector<int64_t> values;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                for (int ch = 0; ch < 3; ++ch) values.push_back(c.value(x, y, ch));
        const int64_t lo = c.lo.value_or(percentile(values, 0.001));
        const int64_t hi = c.hi.value_or(percentile(values, 0.999));
        expectPixels(result(), [&](int x, int y, int ch) { return level(c.value(x, y, ch), lo, hi); });
        EXPECT_TRUE(run.out.contains(QStringLiteral("low %1").arg(lo))) << run.out.toStdString();
        EXPECT_TRUE(run.out.contains(QStringLiteral("high %1").arg(hi))) << run.out.toStdString();
    }
}

TEST_F(StackCommand, LoopModeKeepsTheLastFrames)
{
    QStringList frames;
    for (int k = 1; k <= 5; ++k) frames << lightFrame(k);
    const CommandRun run = runCommand(QStringList{"-o", path("out.bmp"), "--mode", "loop", "--count", "2", "--min", "0",
                                           "--max", "512"} + frames);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    expectPixels(result(), [](int x, int y, int c) {
        return level(channel(pattern(4, x, y), c) + channel(pattern(5, x, y), c), 0, 512);
    });
}

TEST_F(StackCommand, StopCountEndsTheSingleSum)
{
    QStringList frames;
    for (int k = 1; k <= 4; ++k) frames << lightFrame(k);
    const CommandRun run = runCommand(QStringList{"-o", path("out.bmp"), "--count", "2", "--min", "0", "--max", "512"} +
                               frames);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    expectPixels(result(), [](int x, int y, int c) {
        return level(channel(pattern(1, x, y), c) + channel(pattern(2, x, y), c), 0, 512);
    });
}

// ------------------------------------------------------------ corrections

TEST_F(StackCommand, DarkIsScaledToTheLightCountAndSubtracted)
{
    auto dark = [](int x, int y) { return Rgb{(x * 3 + y) % 40, (x + y * 2) % 60, x < 20 ? 5 : 100}; };
    const QStringList lights = {lightFrame(1), lightFrame(2), lightFrame(3), lightFrame(4)};
    const QString d1 = frame("dark1.bmp", dark), d2 = frame("dark2.bmp", dark);
    const CommandRun run = runCommand(QStringList{"-o", path("out.bmp"), "--dark", d1, "--dark", d2, "--min", "0", "--max",
                                           "1024"} + lights);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    // 4 lights, 2 darks at 100 %: twice the dark sum, never below 0.
    expectPixels(result(), [&](int x, int y, int c) {
        int64_t sum = 0;
        for (int k = 1; k <= 4; ++k) sum += channel(pattern(k, x, y), c);
        const int64_t darkSum = 2 * channel(dark(x, y), c);
        return level(std::max<int64_t>(0, sum - 2 * darkSum), 0, 1024);
    });

    // Half the level removes half as much (whole part of the exact amount).
    const CommandRun half = runCommand(QStringList{"-o", path("half.bmp"), "--dark", d1, "--dark", d2, "--dark-level", "50",
                                            "--min", "0", "--max", "1024"} + lights);
    ASSERT_EQ(half.exitCode, 0) << half.err.toStdString();
    expectPixels(result("half.bmp"), [&](int x, int y, int c) {
        int64_t sum = 0;
        for (int k = 1; k <= 4; ++k) sum += channel(pattern(k, x, y), c);
        const int64_t darkSum = 2 * channel(dark(x, y), c);
        return level(sum - std::min<int64_t>(sum, darkSum * 50 * 4 / (100 * 2)), 0, 1024);
    });
}

TEST_F(StackCommand, SmartDarkReplacesOnlyHotCellsByTheirBoxBorder)
{
    // One hot site at (10,12) and a warm one at (25,5); the default smart
    // level (10 %) counts dark means of 230 and up as hot.
    auto dark = [](int x, int y) {
        const int v = (x == 10 && y == 12) ? 240 : ((x == 25 && y == 5) ? 200 : 8);
        return Rgb{v, v, v};
    };
    auto light = [](int k, int x, int y) {
        if ((x == 10 && y == 12) || (x == 25 && y == 5)) return Rgb{250, 250, 250};
        return pattern(k, x, y);
    };
    const QString d = frame("dark.bmp", dark);
    const QStringList lights = {frame("l1.bmp", [&](int x, int y) { return light(1, x, y); }),
                                frame("l2.bmp", [&](int x, int y) { return light(2, x, y); })};
    const CommandRun run = runCommand(QStringList{"-o", path("out.bmp"), "--dark", d, "--smart-dark", "1", "--min",
                                                  "0", "--max", "512"} + lights);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    auto sum = [&](int x, int y, int c) { return channel(light(1, x, y), c) + channel(light(2, x, y), c); };
    expectPixels(result(), [&](int x, int y, int c) {
        if (x == 10 && y == 12) {
            // Border of the box of columns 9..12 and rows 11..13: ten cells.
            int64_t border = 0;
            for (int i = 9; i <= 12; ++i)
                for (int j = 11; j <= 13; ++j)
                    if (i == 9 || i == 12 || j == 11 || j == 13) border += sum(i, j, c);
            return level(border / 10, 0, 512);
        }
        return level(sum(x, y, c), 0, 512);
    });
}

TEST_F(StackCommand, FlatDividesByTheFlatOverItsMean)
{
    auto flat = [](int x, int y) { return Rgb{100 + (x % 5) * 20, 80 + (y % 4) * 30, 60 + ((x + y) % 3) * 50}; };
    const QStringList lights = {lightFrame(1), lightFrame(2)};
    const QString f1 = frame("flat1.bmp", flat), f2 = frame("flat2.bmp", flat);
    const CommandRun run = runCommand(QStringList{"-o", path("out.bmp"), "--flat", f1, "--flat", f2, "--min", "0", "--max",
                                           "1024"} + lights);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    // Flat mean over every cell of the frame.
    std::array<int64_t, 3> flatSum{};
    const int64_t cells = int64_t(W) * H;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            for (int c = 0; c < 3; ++c) flatSum[c] += 2 * channel(flat(x, y), c);
    expectPixels(result(), [&](int x, int y, int c) {
        const int64_t v = channel(pattern(1, x, y), c) + channel(pattern(2, x, y), c);
        const int64_t f = 2 * channel(flat(x, y), c);
        const int64_t corrected = std::min<int64_t>(flatSum[c] * v / (cells * f), 65535);
        return level(corrected, 0, 1024);
    });
}

TEST_F(StackCommand, BinningSumsTwoByTwoPixels)
{
    const QStringList frames = {lightFrame(1), lightFrame(2), lightFrame(3)};
    const CommandRun run = runCommand(QStringList{"-o", path("out.bmp"), "--binning", "2", "--min", "0", "--max", "3072"} +
                               frames);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QImage img = result();
    ASSERT_EQ(img.size(), QSize(W / 2, H / 2));
    for (int j = 0; j < H / 2; ++j)
        for (int i = 0; i < W / 2; ++i)
            for (int c = 0; c < 3; ++c) {
                int64_t sum = 0;
                for (int k = 1; k <= 3; ++k)
                    for (int dy = 0; dy < 2; ++dy)
                        for (int dx = 0; dx < 2; ++dx) sum += channel(pattern(k, 2 * i + dx, 2 * j + dy), c);
                ASSERT_EQ(pixelChannel(img, i, j, c), level(sum, 0, 3072)) << "cell " << i << "," << j << " c " << c;
            }
}

TEST_F(StackCommand, GreyAveragesTheChosenChannels)
{
    const QStringList frames = {lightFrame(1), lightFrame(2)};
    auto levels = [](int x, int y) {
        std::array<int, 3> o{};
        for (int c = 0; c < 3; ++c) o[c] = level(channel(pattern(1, x, y), c) + channel(pattern(2, x, y), c), 0, 512);
        return o;
    };
    const CommandRun all = runCommand(QStringList{"-o", path("out.bmp"), "--grey", "--min", "0", "--max", "512"} + frames);
    ASSERT_EQ(all.exitCode, 0) << all.err.toStdString();
    expectPixels(result(), [&](int x, int y, int) {
        const auto o = levels(x, y);
        return (o[0] + o[1] + o[2]) / 3;
    });

    const CommandRun rb = runCommand(QStringList{"-o", path("rb.bmp"), "--grey", "--channels", "rb", "--min", "0", "--max",
                                          "512"} + frames);
    ASSERT_EQ(rb.exitCode, 0) << rb.err.toStdString();
    expectPixels(result("rb.bmp"), [&](int x, int y, int) {
        const auto o = levels(x, y);
        return (o[0] + o[2]) / 2;
    });

    // Colour with green left out: the green byte is black.
    const CommandRun rbColour = runCommand(QStringList{"-o", path("rbc.bmp"), "--channels", "rb", "--min", "0", "--max",
                                                "512"} + frames);
    ASSERT_EQ(rbColour.exitCode, 0);
    expectPixels(result("rbc.bmp"), [&](int x, int y, int c) { return c == 1 ? 0 : levels(x, y)[c]; });
}

TEST_F(StackCommand, RawStepRebuildsColourFromTheMosaic)
{
    // "Mode 1" mosaic: G R on even rows, B G on odd rows; each site holds
    // its colour's level in all three bytes.
    auto mosaic = [](int x, int y) {
        const int v = (y % 2 == 0) ? (x % 2 == 0 ? 120 : 200) : (x % 2 == 0 ? 40 : 120);
        return Rgb{v, v, v};
    };
    const QStringList frames = {frame("raw1.bmp", mosaic), frame("raw2.bmp", mosaic)};
    const CommandRun run = runCommand(QStringList{"-o", path("out.bmp"), "--raw", "1", "--min", "0", "--max", "512"} +
                                      frames);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    // Inside, every pixel gets red 200, green 120, blue 40; the outermost
    // rows and columns are not rebuilt and stay black.
    expectPixels(result(), [](int x, int y, int c) {
        if (x == 0 || y == 0 || x == W - 1 || y == H - 1) return 0;
        return level(2 * (c == 0 ? 200 : (c == 1 ? 120 : 40)), 0, 512);
    });
}

// ------------------------------------------------------- records and files

TEST_F(StackCommand, ParameterRecordBesideTheResult)
{
    const QStringList frames = {lightFrame(1), lightFrame(2), lightFrame(3)};
    const CommandRun run = runCommand(QStringList{"-o", path("m42.bmp"), "--par", "--min", "0", "--max", "768"} + frames);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QFile par(path("m42.par"));
    ASSERT_TRUE(par.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(par.readAll()).split(QLatin1Char('\n'));
    int64_t hi = 0, lo = INT64_MAX;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            for (int c = 0; c < 3; ++c) {
                int64_t sum = 0;
                for (int k = 1; k <= 3; ++k) sum += channel(pattern(k, x, y), c);
                hi = std::max(hi, sum);
                lo = std::min(lo, sum);
            }
    const QStringList expected = {
        QStringLiteral("Resolution video                : 40 x 30 pixels"),
        QStringLiteral("Dimensions de l'image           : 40 x 30 pixels"),
        QStringLiteral("Position (X,Y) de l'image       : (0,0)"),
        QStringLiteral("Nombre d'images indiv.          : 3"),
        QStringLiteral("Mode Boucle                     : N"),
        QStringLiteral("Intensité Minimale              : %1").arg(lo),
        QStringLiteral("Intensité Maximale              : %1").arg(hi),
        QStringLiteral("Seuil Bas                       : 0"),
        QStringLiteral("Seuil Haut                      : 768"),
        QStringLiteral("Dark appliqué (Nb Img)          : 0 / 0"),
        QStringLiteral("Flat appliqué   (O/N)           : N"),
        QStringLiteral("Type de suivi                   : Aucun"),
    };
    for (const QString& line : expected) EXPECT_TRUE(lines.contains(line)) << line.toStdString();
    EXPECT_TRUE(lines.first().startsWith(QStringLiteral("Date/heure                      : ")));
    EXPECT_TRUE(QDir(dir.path()).entryList({QStringLiteral("*.part*")}, QDir::Files).isEmpty());
}

TEST_F(StackCommand, TruncatedFrameIsReportedSkippedAndLogged)
{
    const QString a = lightFrame(1), b = lightFrame(2);
    QByteArray cut = bmp24(W, H, [](int x, int y) { return pattern(3, x, y); });
    cut.truncate(cut.size() / 2);
    ASSERT_TRUE(writeFile(path("cut.bmp"), cut));
    const CommandRun run = runCommand({"-o", path("out.bmp"), "--min", "0", "--max", "512", "--log", path("log.csv"), a,
                                path("cut.bmp"), b});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(run.err.contains(QStringLiteral("cut.bmp"))) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(QStringLiteral("light1.bmp")));
    expectPixels(result(), [](int x, int y, int c) {
        return level(channel(pattern(1, x, y), c) + channel(pattern(2, x, y), c), 0, 512);
    });

    QFile log(path("log.csv"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(log.readAll()).trimmed().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 3) << lines.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("frame,file,selected,star_x,star_y,intensity_min,intensity_max,lost,score"));
    EXPECT_EQ(lines[1], QStringLiteral("1,%1,1,20,15,,,,").arg(a));
    EXPECT_EQ(lines[2], QStringLiteral("3,%1,1,20,15,,,,").arg(b));
}

TEST_F(StackCommand, NothingReadableLeavesAnOldResultAlone)
{
    QByteArray cut = bmp24(W, H, [](int x, int y) { return pattern(1, x, y); });
    cut.truncate(60);
    ASSERT_TRUE(writeFile(path("cut.bmp"), cut));
    ASSERT_TRUE(writeFile(path("out.bmp"), "previous result"));
    const CommandRun run = runCommand({"-o", path("out.bmp"), path("cut.bmp"), path("missing.bmp")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("missing.bmp")));
    QFile old(path("out.bmp"));
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("previous result"));
}

// -o names the output: an existing one and its record are replaced in one
// step; no other file of the folder is touched, not even one named like a
// temporary file, and a link to a frame given as output is a usage error,
// the frame kept.
TEST_F(StackCommand, AnExistingOutputIsReplacedAndNothingElseIsWritten)
{
    const QString a = lightFrame(1), b = lightFrame(2);
    ASSERT_TRUE(writeFile(path("out.bmp"), "previous result"));
    ASSERT_TRUE(writeFile(path("out.par"), "previous record"));
    ASSERT_TRUE(writeFile(path("out.bmp.part"), "a file of the user"));
    const CommandRun run = runCommand({"-o", path("out.bmp"), "--par", "--min", "0", "--max", "512", a, b});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(result().size(), QSize(W, H));
    QFile record(path("out.par"));
    ASSERT_TRUE(record.open(QIODevice::ReadOnly));
    EXPECT_TRUE(record.readAll().startsWith("Date/heure"));
    QFile part(path("out.bmp.part"));
    ASSERT_TRUE(part.open(QIODevice::ReadOnly));
    EXPECT_EQ(part.readAll(), QByteArray("a file of the user"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files, QDir::Name),
              (QStringList{"light1.bmp", "light2.bmp", "out.bmp", "out.bmp.part", "out.par"}));

    ASSERT_TRUE(QFile::link(a, path("link.bmp")));
    const QByteArray input = [&] {
        QFile f(a);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    const CommandRun linked = runCommand({"-o", path("link.bmp"), "--min", "0", "--max", "512", a, b});
    EXPECT_EQ(linked.exitCode, 2);
    EXPECT_TRUE(linked.err.contains(QStringLiteral("link.bmp"))) << linked.err.toStdString();
    EXPECT_TRUE(QFileInfo(path("link.bmp")).isSymLink());
    QFile again(a);
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.readAll(), input);
}

TEST_F(StackCommand, FrameOfAnotherSizeIsRefused)
{
    const QString a = lightFrame(1);
    const QString big = frame("big.bmp", [](int, int) { return Rgb{255, 255, 255}; }, 48, 36);
    const CommandRun run = runCommand({"-o", path("out.bmp"), "--min", "0", "--max", "256", a, big});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(run.err.contains(QStringLiteral("big.bmp")));
    expectPixels(result(), [](int x, int y, int c) { return level(channel(pattern(1, x, y), c), 0, 256); });
}

TEST_F(StackCommand, UsageErrorsExitWithTwoAndWriteNothing)
{
    const QString a = lightFrame(1);
    const QList<QStringList> wrong = {
        {a},                                                 // no output
        {"-o", path("out.bmp")},                             // no frames
        {"-o", path("out.bmp"), "--mode", "spiral", a},      // unknown mode
        {"-o", path("out.bmp"), "--binning", "3", a},        // binning 1 or 2
        {"-o", path("out.bmp"), "--frobnicate", a},          // unknown option
        {"-o", path("out.bmp"), "--min", a},                 // value is not a number
        {"-o", path("out.bmp"), "--dark-level", "50", a},    // no darks
        {"-o", path("out.bmp"), "--simulate", "3", a},       // files and simulator
    };
    for (const QStringList& args : wrong) {
        const CommandRun run = runCommand(args);
        EXPECT_EQ(run.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_FALSE(run.err.isEmpty());
    }
    EXPECT_FALSE(QFileInfo::exists(path("out.bmp")));
}

TEST_F(StackCommand, HelpNamesEveryOption)
{
    const CommandRun run = runCommand({"--help"});
    ASSERT_EQ(run.exitCode, 0);
    for (const char* option : {"-o, --output", "--par", "--mode", "single", "loop", "dark", "flat", "--count",
                               "--dark ", "--flat ", "--dark-level", "--smart-dark", "--binning", "--invert", "--grey",
                               "--channels", "--min", "--max", "--zone", "--center", "--track", "brightest", "axes",
                               "edges", "--detect", "--tolerance", "--dark-object", "--raw", "--simulate", "--seed",
                               "--log", "--select-quality", "--jpeg-quality", "--select-brightness", "--motion",
                               "--reference", "score", "Exit status"})
        EXPECT_TRUE(run.out.contains(QString::fromLatin1(option))) << option;
    EXPECT_TRUE(run.err.isEmpty());
}

// ------------------------------------------------------------- selection

namespace {

QStringList logLines(const QString& file)
{
    QFile log(file);
    if (!log.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    return QString::fromUtf8(log.readAll()).trimmed().split(QLatin1Char('\n'));
}

Rgb flatGrey(int, int) { return {90, 90, 90}; }

} // namespace

TEST_F(StackCommand, QualitySelectionStacksOnlyFramesScoringTheThreshold)
{
    const QString busy1 = lightFrame(1), busy2 = lightFrame(2);
    const QString flat = frame(QStringLiteral("flat.bmp"), flatGrey);
    // First the scores, every frame kept.
    CommandRun run = runCommand({"-o", path("all.bmp"), "--select-quality", "0", "--log", path("all.csv"), busy1,
                                 flat, busy2});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QStringList lines = logLines(path("all.csv"));
    ASSERT_EQ(lines.size(), 4);
    const int busyScore = lines[1].section(QLatin1Char(','), 8).toInt();
    const int flatScore = lines[2].section(QLatin1Char(','), 8).toInt();
    ASSERT_GT(flatScore, 100) << "a whole JPEG image";
    ASSERT_GT(busyScore, flatScore) << "the patterned frame keeps more detail";

    // A threshold between the two leaves the flat frame out of the sum.
    const QString threshold = QString::number((busyScore + flatScore) / 2);
    run = runCommand({"-o", path("out.bmp"), "--min", "0", "--max", "512", "--select-quality", threshold, "--log",
                      path("sel.csv"), busy1, flat, busy2});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    lines = logLines(path("sel.csv"));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[1].section(QLatin1Char(','), 2, 2), QStringLiteral("1"));
    EXPECT_EQ(lines[2].section(QLatin1Char(','), 2, 2), QStringLiteral("0"));
    EXPECT_EQ(lines[3].section(QLatin1Char(','), 2, 2), QStringLiteral("1"));
    expectPixels(result(), [](int x, int y, int c) {
        return level(channel(pattern(1, x, y), c) + channel(pattern(2, x, y), c), 0, 512);
    });
    // A finer JPEG quality gives larger images.
    run = runCommand({"-o", path("fine.bmp"), "--select-quality", "0", "--jpeg-quality", "95", "--log",
                      path("fine.csv"), busy1});
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_GT(logLines(path("fine.csv"))[1].section(QLatin1Char(','), 8).toInt(), busyScore);
}

TEST_F(StackCommand, BrightnessSelectionLeavesDarkFramesOut)
{
    const QString dark = frame(QStringLiteral("d.bmp"), [](int, int) { return Rgb{5, 5, 5}; });
    const QString bright = frame(QStringLiteral("b.bmp"), flatGrey);
    // On a 40-pixel frame the detection square is 3 pixels (50 narrower than
    // the frame, at least 3): 2 rows of 3 pixels are summed and divided by
    // (3 + 1)^2, so a level of 90 gives RoundDown(33.75) = 33 and 5 gives 1.
    const CommandRun run = runCommand({"-o", path("out.bmp"), "--min", "0", "--max", "255", "--select-brightness", "20",
                                       "--detect", "10", "--log", path("b.csv"), dark, bright, dark});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = logLines(path("b.csv"));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[1].toStdString(), QStringLiteral("1,%1,0,20,15,,,,1").arg(dark).toStdString());
    EXPECT_EQ(lines[2].toStdString(), QStringLiteral("2,%1,1,20,15,,,,33").arg(bright).toStdString());
    expectPixels(result(), [](int, int, int) { return level(90, 0, 255); });
}

TEST_F(StackCommand, MotionKeepsFramesThatDifferFromTheReference)
{
    const QString still = lightFrame(1);
    const QString moved = frame(QStringLiteral("moved.bmp"), [](int x, int y) {
        Rgb p = pattern(1, x, y);
        if (x < 10) p = {255, 255, 255};
        return p;
    });
    const QString reference = frame(QStringLiteral("ref.bmp"), [](int x, int y) { return pattern(1, x, y); });
    CommandRun run = runCommand({"-o", path("out.bmp"), "--min", "0", "--max", "255", "--motion", "10,100",
                                 "--reference", reference, "--log", path("m.csv"), still, moved, still});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = logLines(path("m.csv"));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(",0,20,15,,,,0"))) << lines[1].toStdString();
    // A quarter of the columns changed: 2500 ten-thousandths.
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral(",1,20,15,,,,2500"))) << lines[2].toStdString();
    EXPECT_TRUE(lines[3].endsWith(QStringLiteral(",0,20,15,,,,0")));
    expectPixels(result(), [](int x, int y, int c) { return x < 10 ? 255 : level(channel(pattern(1, x, y), c), 0, 255); });

    // A reference of another size stops the run before anything is written.
    const QString small = frame(QStringLiteral("small.bmp"), [](int, int) { return Rgb{1, 2, 3}; }, 20, 15);
    run = runCommand({"-o", path("out2.bmp"), "--motion", "10,100", "--reference", small, still});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("small.bmp"))) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path("out2.bmp")));
    // The reference is an input: it is never overwritten.
    run = runCommand({"-o", reference, "--motion", "10,100", "--reference", reference, still});
    EXPECT_EQ(run.exitCode, 2);
}

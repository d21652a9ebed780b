// velumbra-stack with FITS results, FITS and SER inputs and SER recordings.
// Results are read back with cfitsio, SER files are written and read byte by
// byte here: nothing shares code with the program's own readers and writers.
#include "StackTestFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <fitsio.h>
#include <gtest/gtest.h>
#include <map>
#include <vector>

using namespace stacktest;

namespace {

constexpr int W = 40, H = 30;

Rgb pattern(int k, int x, int y)
{
    return {(x * 5 + y * 3 + k * 17) % 200 + 50, (x * 2 + y * 7 + k * 31) % 180 + 5, (x * 11 + y + k * 13) % 190};
}

int channel(const Rgb& p, int c) { return c == 0 ? p.r : (c == 1 ? p.g : p.b); }

struct Fits {
    int status = -1;
    int bitpix = 0, naxis = 0;
    long axes[3] = {0, 0, 0};
    std::vector<int32_t> data;
    std::map<std::string, std::string> keys;
    // Value of image pixel (x, y), plane c: FITS rows go upwards.
    int32_t at(int x, int y, int c) const
    {
        return data[(std::size_t(c) * std::size_t(axes[1]) + std::size_t(axes[1] - 1 - y)) * std::size_t(axes[0]) +
                    std::size_t(x)];
    }
};

Fits readFits(const QString& path)
{
    Fits r;
    int status = 0;
    fitsfile* f = nullptr;
    fits_open_diskfile(&f, QFile::encodeName(path).constData(), READONLY, &status);
    if (status) {
        r.status = status;
        return r;
    }
    fits_get_img_param(f, 3, &r.bitpix, &r.naxis, r.axes, &status);
    const long n = r.axes[0] * r.axes[1] * (r.naxis == 3 ? r.axes[2] : 1);
    r.data.resize(std::size_t(std::max(n, 0L)));
    int anyNull = 0;
    if (n > 0) fits_read_img(f, TINT, 1, n, nullptr, r.data.data(), &anyNull, &status);
    int keys = 0;
    fits_get_hdrspace(f, &keys, nullptr, &status);
    for (int i = 1; i <= keys; ++i) {
        char name[FLEN_KEYWORD] = {}, value[FLEN_VALUE] = {};
        fits_read_keyn(f, i, name, value, nullptr, &status);
        r.keys[name] = value;
    }
    fits_close_file(f, &status);
    r.status = status;
    return r;
}

void put(QByteArray& b, int at, int64_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i) b[at + i] = char((uint64_t(v) >> (8 * i)) & 0xff);
}

int64_t get(const QByteArray& b, int at, int bytes)
{
    uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | uint8_t(b[at + i]);
    return int64_t(v);
}

// A SER file as its layout says: header, frames in BGR (colour 101) or RGB
// (100), then one 64-bit time per frame when `trailer`.
QByteArray serFile(int frames, int announced, int colourId, bool trailer)
{
    QByteArray b(178, '\0');
    b.replace(0, 14, "LUCAM-RECORDER");
    put(b, 18, colourId, 4);
    put(b, 22, 1, 4);
    put(b, 26, W, 4);
    put(b, 30, H, 4);
    put(b, 34, 8, 4);
    put(b, 38, announced, 4);
    for (int k = 0; k < frames; ++k)
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const Rgb p = pattern(k, x, y);
                if (colourId == 101) b += char(p.b), b += char(p.g), b += char(p.r);
                else b += char(p.r), b += char(p.g), b += char(p.b);
            }
    if (trailer)
        for (int k = 0; k < frames; ++k) {
            QByteArray t(8, '\0');
            put(t, 0, 638000000000000000LL + k * 400000LL, 8);
            b += t;
        }
    return b;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class StackFormats : public StackDir {
protected:
    QStringList lights(int count)
    {
        QStringList names;
        for (int k = 0; k < count; ++k)
            names << frame(QStringLiteral("light%1.bmp").arg(k), [k](int x, int y) { return pattern(k, x, y); });
        return names;
    }
    int64_t sum(int frames, int x, int y, int c) const
    {
        int64_t s = 0;
        for (int k = 0; k < frames; ++k) s += channel(pattern(k, x, y), c);
        return s;
    }
};

} // namespace

// The FITS result holds the sums; the BMP of the same run maps them between
// thresholds that clip most of them.
TEST_F(StackFormats, FitsResultHoldsTheSumsTheBmpClips)
{
    const QStringList frames = lights(3);
    const QString fits = path(QStringLiteral("out.fits")), bmp = path(QStringLiteral("out.bmp"));
    const CommandRun a = runCommand(QStringList{"--quiet", "--min", "200", "--max", "300", "-o", fits} + frames);
    ASSERT_EQ(a.exitCode, 0) << a.err.toStdString();
    const CommandRun b = runCommand(QStringList{"--quiet", "--min", "200", "--max", "300", "-o", bmp} + frames);
    ASSERT_EQ(b.exitCode, 0) << b.err.toStdString();
    const Fits f = readFits(fits);
    ASSERT_EQ(f.status, 0);
    EXPECT_EQ(f.bitpix, 32);
    ASSERT_EQ(f.naxis, 3);
    EXPECT_EQ(f.axes[0], W);
    EXPECT_EQ(f.axes[1], H);
    EXPECT_EQ(f.axes[2], 3);
    const QImage shown(bmp);
    ASSERT_EQ(shown.size(), QSize(W, H));
    int wrongSums = 0, wrongLevels = 0, clipped = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) // every column, the last one included
            for (int c = 0; c < 3; ++c) {
                const int64_t s = sum(3, x, y, c);
                wrongSums += f.at(x, y, c) != s;
                const QRgb p = shown.pixel(x, y);
                const int lv = c == 0 ? qRed(p) : (c == 1 ? qGreen(p) : qBlue(p));
                wrongLevels += lv != level(f.at(x, y, c), 200, 300);
                clipped += s < 200 || s > 300;
            }
    EXPECT_EQ(wrongSums, 0);
    EXPECT_EQ(wrongLevels, 0) << "the BMP is the mapping of the FITS values";
    EXPECT_GT(clipped, 1000) << "the thresholds must clip for the test to mean anything";
}

TEST_F(StackFormats, FitsHeaderTellsHowTheStackWasMade)
{
    const QStringList frames = lights(4);
    const QString dark = frame(QStringLiteral("dark.bmp"), [](int, int) { return Rgb{2, 2, 2}; });
    const QString flat = frame(QStringLiteral("flat.bmp"), [](int, int) { return Rgb{100, 100, 100}; });
    const QString out = path(QStringLiteral("calibrated.fit"));
    const CommandRun r = runCommand(QStringList{"--quiet", "--binning", "2", "--dark", dark, "--flat", flat, "--min",
                                                "10", "--max", "4000", "-o", out} + frames);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    Fits f = readFits(out);
    ASSERT_EQ(f.status, 0);
    EXPECT_EQ(f.axes[0], W / 2);
    const std::pair<const char*, const char*> expected[] = {
        {"NCOMBINE", "4"}, {"XBINNING", "2"}, {"YBINNING", "2"}, {"DARKCORR", "T"}, {"DARKFRMS", "1"},
        {"FLATCORR", "T"}, {"CBLACK", "10"}, {"CWHITE", "4000"}, {"BZERO", "0"},    {"COLORTYP", "'RGB     '"},
    };
    for (const auto& [key, value] : expected) EXPECT_EQ(f.keys[key], value) << key;
    EXPECT_EQ(f.keys.count("DATE-OBS"), 1u);
    EXPECT_NE(f.keys["CREATOR"].find("Velumbra"), std::string::npos);
}

TEST_F(StackFormats, GreyFitsIsOnePlaneOfTheMeanOfTheChannels)
{
    const QStringList frames = lights(2);
    const QString out = path(QStringLiteral("grey.fits"));
    const CommandRun r = runCommand(QStringList{"--quiet", "--grey", "--format", "fits", "-o", out} + frames);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const Fits f = readFits(out);
    ASSERT_EQ(f.naxis, 2);
    for (int y = 0; y < H; y += 7)
        for (int x = 0; x < W; x += 3) { // 39 is the last column
            const int64_t total = sum(2, x, y, 0) + sum(2, x, y, 1) + sum(2, x, y, 2);
            EXPECT_EQ(f.at(x, y, 0), (total + 1) / 3) << x << "," << y;
        }
}

struct FormatNameCase {
    const char* format; // nullptr: no --format
    const char* output;
    int exitCode;
    bool fits;
};

class StackFormatNames : public StackFormats, public ::testing::WithParamInterface<FormatNameCase> {};

TEST_P(StackFormatNames, TheNameAndTheFormatMustAgree)
{
    const FormatNameCase fc = GetParam();
    const QStringList frames = lights(1);
    QStringList args{"--quiet", "-o", path(QString::fromLatin1(fc.output))};
    if (fc.format) args << "--format" << fc.format;
    const CommandRun r = runCommand(args + frames);
    EXPECT_EQ(r.exitCode, fc.exitCode) << r.err.toStdString();
    if (fc.exitCode == 0) {
        const QByteArray head = readAll(path(QString::fromLatin1(fc.output))).left(6);
        EXPECT_EQ(head == "SIMPLE", fc.fits);
    } else {
        EXPECT_FALSE(QFileInfo::exists(path(QString::fromLatin1(fc.output))));
    }
}

INSTANTIATE_TEST_SUITE_P(Names, StackFormatNames,
                         ::testing::Values(FormatNameCase{nullptr, "a.fits", 0, true},
                                           FormatNameCase{nullptr, "a.FTS", 0, true},
                                           FormatNameCase{nullptr, "a.bmp", 0, false},
                                           FormatNameCase{"fits", "a.bmp", 2, false},
                                           FormatNameCase{"bmp", "a.fits", 2, false},
                                           FormatNameCase{"fits", "a.fit", 0, true},
                                           FormatNameCase{"png", "a.png", 2, false}));

// A SER video stacks as the BMP frames it holds, whatever its channel order.
TEST_F(StackFormats, SerVideoStacksLikeItsFrames)
{
    const QStringList frames = lights(3);
    const QString fromBmp = path(QStringLiteral("bmp.fits"));
    ASSERT_EQ(runCommand(QStringList{"--quiet", "-o", fromBmp} + frames).exitCode, 0);
    for (int colour : {100, 101}) {
        const QString video = path(QStringLiteral("v%1.ser").arg(colour));
        ASSERT_TRUE(writeFile(video, serFile(3, 3, colour, true)));
        const QString out = path(QStringLiteral("ser%1.fits").arg(colour));
        const CommandRun r = runCommand({"--quiet", "-o", out, video});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(readFits(out).data, readFits(fromBmp).data) << "colour " << colour;
    }
}

TEST_F(StackFormats, FitsFramesStackLikeTheirBmps)
{
    const QStringList frames = lights(2);
    const QString fromBmp = path(QStringLiteral("bmp.fits"));
    ASSERT_EQ(runCommand(QStringList{"--quiet", "-o", fromBmp} + frames).exitCode, 0);
    QDir().mkpath(path(QStringLiteral("fits")));
    for (int k = 0; k < 2; ++k) {
        int status = 0;
        fitsfile* f = nullptr;
        const QByteArray name = QFile::encodeName(path(QStringLiteral("fits/f%1.fits").arg(k)));
        fits_create_diskfile(&f, name.constData(), &status);
        long axes[3] = {W, H, 3};
        fits_create_img(f, BYTE_IMG, 3, axes, &status);
        std::vector<unsigned char> pixels;
        for (int c = 0; c < 3; ++c)
            for (int row = 0; row < H; ++row)
                for (int x = 0; x < W; ++x) pixels.push_back(uint8_t(channel(pattern(k, x, H - 1 - row), c)));
        fits_write_img(f, TBYTE, 1, LONGLONG(pixels.size()), pixels.data(), &status);
        fits_close_file(f, &status);
        ASSERT_EQ(status, 0);
    }
    const QString out = path(QStringLiteral("out.fits"));
    const CommandRun r = runCommand({"--quiet", "-o", out, path(QStringLiteral("fits"))});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(readFits(out).data, readFits(fromBmp).data);
}

TEST_F(StackFormats, SerRecordingHoldsTheFramesAndTheirTimes)
{
    const QStringList frames = lights(3);
    const QString video = path(QStringLiteral("rec.ser"));
    const CommandRun r = runCommand(QStringList{"--quiet", "--ser", video, "-o", path("out.bmp")} + frames);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QByteArray b = readAll(video);
    const int frameBytes = W * H * 3;
    ASSERT_EQ(b.size(), 178 + 3 * frameBytes + 3 * 8);
    EXPECT_EQ(b.left(14), QByteArray("LUCAM-RECORDER"));
    EXPECT_EQ(get(b, 18, 4), 101);
    EXPECT_EQ(get(b, 26, 4), W);
    EXPECT_EQ(get(b, 30, 4), H);
    EXPECT_EQ(get(b, 34, 4), 8);
    EXPECT_EQ(get(b, 38, 4), 3);
    int wrong = 0;
    for (int k = 0; k < 3; ++k)
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const Rgb p = pattern(k, x, y);
                const int at = 178 + k * frameBytes + (y * W + x) * 3;
                wrong += uint8_t(b[at]) != p.b || uint8_t(b[at + 1]) != p.g || uint8_t(b[at + 2]) != p.r;
            }
    EXPECT_EQ(wrong, 0);
    // Times: .NET ticks of now, in order.
    const int64_t now = QDateTime::currentMSecsSinceEpoch() * 10000 + 621355968000000000LL;
    int64_t previous = 0;
    for (int k = 0; k < 3; ++k) {
        const int64_t t = get(b, 178 + 3 * frameBytes + 8 * k, 8);
        EXPECT_GE(t, previous);
        EXPECT_LE(t, now);
        EXPECT_GT(t, now - 600LL * 10000000);
        previous = t;
    }
    EXPECT_EQ(get(b, 170, 8), get(b, 178 + 3 * frameBytes, 8)) << "the header's start is the first frame's time";
}

// The record beside the result is dated by the first frame, as the FITS
// header is: a video's own time, not the time of the run.
TEST_F(StackFormats, RecordGivesTheFirstFramesTime)
{
    const QString video = path(QStringLiteral("night.ser"));
    ASSERT_TRUE(writeFile(video, serFile(3, 3, 101, true)));
    const QString out = path(QStringLiteral("night.fits"));
    const CommandRun r = runCommand({"--quiet", "--par", "-o", out, video});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    // 638000000000000000 .NET ticks: the first frame's time, UTC.
    const QDateTime first = QDateTime::fromMSecsSinceEpoch((638000000000000000LL - 621355968000000000LL) / 10000,
                                                           Qt::UTC);
    const Fits f = readFits(out);
    EXPECT_EQ(f.keys.at("DATE-OBS"), "'" + first.toString(QStringLiteral("yyyy-MM-ddThh:mm:ss.zzz")).toStdString() + "'");
    QFile par(path(QStringLiteral("night.par")));
    ASSERT_TRUE(par.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString dated = QString::fromUtf8(par.readLine()).trimmed();
    ASSERT_TRUE(dated.startsWith(QStringLiteral("Date/heure"))) << dated.toStdString();
    const QDateTime local = first.toLocalTime();
    const QString time = local.time().toString(QStringLiteral("HH:mm:ss"));
    EXPECT_TRUE(dated.endsWith(QStringLiteral("%1").arg(local.time().msec(), 3, 10, QLatin1Char('0'))))
        << dated.toStdString();
    EXPECT_TRUE(dated.contains(QLatin1Char(' ') + time)) << dated.toStdString() << " instead of " << time.toStdString();
    EXPECT_TRUE(dated.contains(QString::number(local.date().year() % 100))) << dated.toStdString();
}

struct BadInputCase {
    const char* name;
    QByteArray bytes;
    int exitCode;          // with one good BMP frame beside it
    const char* message;   // part of the message on stderr
};

class StackBadInput : public StackFormats, public ::testing::WithParamInterface<BadInputCase> {};

TEST_P(StackBadInput, GivesAClearMessageAndAnExitStatus)
{
    const BadInputCase bc = GetParam();
    const QString bad = path(QString::fromLatin1(bc.name));
    ASSERT_TRUE(writeFile(bad, bc.bytes));
    const QStringList good = lights(1);
    const QString out = path(QStringLiteral("out.fits"));
    const CommandRun alone = runCommand({"--quiet", "-o", out, bad});
    EXPECT_TRUE(alone.exitCode == 1 || alone.exitCode == 3) << alone.err.toStdString();
    EXPECT_TRUE(alone.err.contains(QString::fromLatin1(bc.message))) << alone.err.toStdString();
    const CommandRun mixed = runCommand(QStringList{"--quiet", "-o", out} + good + QStringList{bad});
    EXPECT_EQ(mixed.exitCode, bc.exitCode) << mixed.err.toStdString();
}

namespace {

QByteArray withField(QByteArray b, int at, int64_t v)
{
    put(b, at, v, 4);
    return b;
}

QByteArray fitsHeader(std::initializer_list<const char*> cards)
{
    QByteArray h;
    for (const char* c : cards) h += QByteArray(c).leftJustified(80, ' ');
    h += QByteArray("END").leftJustified(80, ' ');
    return h.leftJustified(int((h.size() + 2879) / 2880 * 2880), ' ');
}

} // namespace

INSTANTIATE_TEST_SUITE_P(
    Files, StackBadInput,
    ::testing::Values(
        BadInputCase{"short.ser", serFile(1, 1, 101, true).left(90), 3, "truncated SER header"},
        BadInputCase{"huge.ser", withField(withField(serFile(1, 1, 101, true), 26, 0x7fffffff), 30, 0x7fffffff), 3,
                     "larger than"},
        BadInputCase{"wide.ser", withField(serFile(1, 1, 101, true), 26, 1000), 3, ""},
        BadInputCase{"deep.ser", withField(serFile(1, 1, 101, true), 34, 16), 3, "16 bits per pixel"},
        BadInputCase{"cut.ser", serFile(5, 5, 101, true).left(178 + 2 * W * H * 3 + 100), 3,
                     "5 frames announced, 2 whole frames in the file: 3 frames lost"},
        BadInputCase{"short.fits", fitsHeader({"SIMPLE  = T", "BITPIX  = 8", "NAXIS   = 2"}).left(300), 3,
                     "not a FITS file"},
        BadInputCase{"huge.fits",
                     fitsHeader({"SIMPLE  = T", "BITPIX  = 32", "NAXIS   = 2", "NAXIS1  = 4294967295",
                                 "NAXIS2  = 4294967295"}),
                     3, "larger than"},
        BadInputCase{"cut.fits",
                     fitsHeader({"SIMPLE  = T", "BITPIX  = 8", "NAXIS   = 2", "NAXIS1  = 40", "NAXIS2  = 30"}) +
                         QByteArray(600, '\0'),
                     3, "truncated file"}),
    [](const auto& info) {
        std::string n = info.param.name;
        for (char& c : n)
            if (c == '.') c = '_';
        return n;
    });

// What a crash leaves: count 0, no trailer, the last frame half written.
TEST_F(StackFormats, ACrashCutRecordingStacksItsWholeFrames)
{
    const QStringList frames = lights(2);
    const QString fromBmp = path(QStringLiteral("bmp.fits"));
    ASSERT_EQ(runCommand(QStringList{"--quiet", "-o", fromBmp} + frames).exitCode, 0);
    const QString video = path(QStringLiteral("crashed.ser"));
    ASSERT_TRUE(writeFile(video, serFile(3, 0, 101, false).left(178 + 2 * W * H * 3 + 1000)));
    const QString out = path(QStringLiteral("out.fits"));
    const CommandRun r = runCommand({"--quiet", "-o", out, video});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(readFits(out).data, readFits(fromBmp).data);
}

TEST_F(StackFormats, TheRecordingIsAnOutputThatMayNotBeAFrame)
{
    const QStringList frames = lights(2);
    const CommandRun r = runCommand(QStringList{"--quiet", "--ser", frames[0], "-o", path("out.bmp")} + frames);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("--ser"))) << r.err.toStdString();
}

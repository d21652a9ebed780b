#include "core/ImageBuffers.h"
#include "processing/Planes.h"
#include "results/FitsFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <fitsio.h>
#include <gtest/gtest.h>
#include <map>
#include <memory>

using namespace velumbra;

namespace {

// A result plane whose cells tell their position, with values beyond 8 and
// 16 bits and below 0, as corrected sums can be.
std::unique_ptr<IntegrationPlanes> patternedPlanes()
{
    auto planes = std::make_unique<IntegrationPlanes>();
    int32_t* r = planes->result();
    for (int x = 0; x < kPlaneColumns; ++x)
        for (int y = 0; y < kPlaneRows; ++y)
            for (int c = 0; c < 3; ++c) r[planeIndex(x, y, c)] = x * 1000 + y * 7 + c * 100000 - 5000;
    return planes;
}

int32_t cellValue(int x, int y, int c) { return x * 1000 + y * 7 + c * 100000 - 5000; }

struct ReadBack {
    int bitpix = 0;
    int naxis = 0;
    long axes[3] = {0, 0, 0};
    std::vector<int32_t> data; // as stored: bottom row first
    std::map<std::string, std::string> keys;
};

ReadBack readWithCfitsio(const QString& path)
{
    ReadBack rb;
    int status = 0;
    fitsfile* f = nullptr;
    fits_open_diskfile(&f, QFile::encodeName(path).constData(), READONLY, &status);
    EXPECT_EQ(status, 0);
    if (status) return rb;
    fits_get_img_param(f, 3, &rb.bitpix, &rb.naxis, rb.axes, &status);
    const long n = rb.axes[0] * rb.axes[1] * (rb.naxis == 3 ? rb.axes[2] : 1);
    rb.data.resize(std::size_t(n));
    int anyNull = 0;
    fits_read_img(f, TINT, 1, n, nullptr, rb.data.data(), &anyNull, &status);
    int keys = 0;
    fits_get_hdrspace(f, &keys, nullptr, &status);
    for (int i = 1; i <= keys; ++i) {
        char name[FLEN_KEYWORD] = {}, value[FLEN_VALUE] = {};
        fits_read_keyn(f, i, name, value, nullptr, &status);
        rb.keys[name] = value;
    }
    fits_close_file(f, &status);
    EXPECT_EQ(status, 0);
    return rb;
}

FitsKeywords sampleKeywords()
{
    FitsKeywords k;
    k.dateObs = QDateTime(QDate(2026, 8, 12), QTime(23, 4, 5, 678), Qt::UTC);
    k.exposureSeconds = 12.5;
    k.frames = 200;
    k.binning = 2;
    k.darkFrames = 20;
    k.flatApplied = true;
    k.focalLengthMm = 2350;
    k.pixelWidthUm = 5.6;
    k.pixelHeightUm = 5.6;
    k.creator = QStringLiteral("Velumbra V1.3f");
    k.displayLow = 120;
    k.displayHigh = 51000;
    return k;
}

} // namespace

TEST(FitsResultValues, HoldTheRenderedCellsUnclippedAndZeroElsewhere)
{
    const auto planes = patternedPlanes();
    const FitsValues v = resultValues(planes->result(), Rect{2, 1, 30, 20}, 32, 24, false, true, false, true);
    ASSERT_EQ(v.planes, 3);
    ASSERT_EQ(v.values.size(), std::size_t(3 * 32 * 24));
    EXPECT_EQ(v.at(2, 1, 0), cellValue(2, 1, 0));
    EXPECT_EQ(v.at(29, 19, 2), cellValue(29, 19, 2)) << "above 65535: never clipped";
    EXPECT_EQ(v.at(3, 1, 0), -2000 + 7) << "negative sums stay negative";
    EXPECT_EQ(v.at(5, 5, 1), 0) << "a channel not shown is black";
    EXPECT_EQ(v.at(1, 5, 0), 0) << "left of the rendered cells";
    EXPECT_EQ(v.at(30, 5, 0), 0) << "right of them";
    EXPECT_EQ(v.at(5, 20, 2), 0) << "below them";
}

TEST(FitsResultValues, GreyIsTheRoundedMeanOfTheShownChannels)
{
    IntegrationPlanes planes;
    int32_t* r = planes.result();
    const struct {
        int32_t red, green, blue;
        bool r, g, b;
        int32_t grey;
    } cases[] = {
        {10, 20, 31, true, true, true, 20},      // 61 / 3 = 20.33
        {10, 20, 32, true, true, true, 21},      // 62 / 3 = 20.67
        {100, 7, 1, true, false, false, 100},    // red alone
        {1, 2, 1000, false, true, true, 501},    // 1002 / 2
        {70000, 70000, 70001, true, true, true, 70000},
        {5, 5, 5, false, false, false, 0},
    };
    int x = 0;
    for (const auto& c : cases) {
        r[planeIndex(x, 0, 0)] = c.red;
        r[planeIndex(x, 0, 1)] = c.green;
        r[planeIndex(x, 0, 2)] = c.blue;
        const FitsValues v = resultValues(r, Rect{0, 0, 10, 1}, 10, 1, true, c.r, c.g, c.b);
        ASSERT_EQ(v.planes, 1);
        EXPECT_EQ(v.at(x, 0, 0), c.grey) << "case " << x;
        ++x;
    }
}

TEST(FitsFileWrite, ReadBackThroughCfitsioHoldsTheExactValuesBottomRowFirst)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("m42.fits"));
    const auto planes = patternedPlanes();
    const FitsValues v = resultValues(planes->result(), Rect{0, 0, 640, 480}, 640, 480, false, true, true, true);
    QString error;
    ASSERT_TRUE(writeFitsFile(path, v, sampleKeywords(), error)) << error.toStdString();
    EXPECT_EQ(QFileInfo(path).size() % 2880, 0);
    const ReadBack rb = readWithCfitsio(path);
    EXPECT_EQ(rb.bitpix, 32);
    EXPECT_EQ(rb.naxis, 3);
    EXPECT_EQ(rb.axes[0], 640);
    EXPECT_EQ(rb.axes[1], 480);
    EXPECT_EQ(rb.axes[2], 3);
    ASSERT_EQ(rb.data.size(), v.values.size());
    int wrong = 0;
    for (int c = 0; c < 3; ++c)
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x)
                wrong += rb.data[(std::size_t(c) * 480 + std::size_t(479 - y)) * 640 + std::size_t(x)] != cellValue(x, y, c);
    EXPECT_EQ(wrong, 0);
}

TEST(FitsFileWrite, GreyModeIsOnePlane)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("grey.fits"));
    const auto planes = patternedPlanes();
    const FitsValues v = resultValues(planes->result(), Rect{0, 0, 20, 10}, 20, 10, true, true, true, true);
    QString error;
    FitsKeywords k = sampleKeywords();
    k.grey = true;
    ASSERT_TRUE(writeFitsFile(path, v, k, error));
    ReadBack rb = readWithCfitsio(path);
    EXPECT_EQ(rb.naxis, 2);
    ASSERT_EQ(rb.data.size(), std::size_t(200));
    EXPECT_EQ(rb.data[9 * 20 + 3], cellValue(3, 0, 1)) << "the mean of three channels 100000 apart is the middle one";
    EXPECT_EQ(rb.keys["COLORTYP"], "'GREY    '");
}

TEST(FitsFileWrite, HeaderKeywordsSayHowTheResultWasMade)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("k.fits"));
    const auto planes = patternedPlanes();
    QString error;
    ASSERT_TRUE(writeFitsFile(path, resultValues(planes->result(), Rect{0, 0, 8, 8}, 8, 8, false, true, true, true),
                              sampleKeywords(), error));
    ReadBack rb = readWithCfitsio(path);
    const std::pair<const char*, const char*> expected[] = {
        {"BZERO", "0"},           {"BSCALE", "1"},
        {"DATE-OBS", "'2026-08-12T23:04:05.678'"},
        {"EXPTIME", "12.5"},      {"NCOMBINE", "200"},
        {"XBINNING", "2"},        {"YBINNING", "2"},
        {"DARKCORR", "T"},        {"DARKFRMS", "20"},
        {"FLATCORR", "T"},        {"INVERTED", "F"},
        {"FOCALLEN", "2350."},    {"XPIXSZ", "5.6"},
        {"YPIXSZ", "5.6"},        {"CREATOR", "'Velumbra V1.3f'"},
        {"CBLACK", "120"},        {"CWHITE", "51000"},
        {"ROWORDER", "'BOTTOM-UP'"},
    };
    for (const auto& [key, value] : expected) {
        ASSERT_TRUE(rb.keys.count(key)) << key;
        EXPECT_EQ(rb.keys[key], value) << key;
    }
}

TEST(FitsFileWrite, UnknownFiguresAreLeftOut)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("k.fits"));
    const auto planes = patternedPlanes();
    FitsKeywords k;
    k.frames = 3;
    QString error;
    ASSERT_TRUE(writeFitsFile(path, resultValues(planes->result(), Rect{0, 0, 8, 8}, 8, 8, false, true, true, true), k,
                              error));
    ReadBack rb = readWithCfitsio(path);
    for (const char* absent : {"DATE-OBS", "EXPTIME", "FOCALLEN", "XPIXSZ", "YPIXSZ", "DARKFRMS"})
        EXPECT_EQ(rb.keys.count(absent), 0u) << absent;
    EXPECT_EQ(rb.keys["DARKCORR"], "F");
}

TEST(FitsFileWrite, AFailedWriteLeavesTheExistingFile)
{
    QTemporaryDir dir;
    QString error;
    const FitsValues empty;
    const QString path = dir.filePath(QStringLiteral("old.fits"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("kept");
    }
    EXPECT_FALSE(writeFitsFile(path, empty, FitsKeywords{}, error));
    EXPECT_FALSE(error.isEmpty());
    const auto planes = patternedPlanes();
    EXPECT_FALSE(writeFitsFile(dir.filePath(QStringLiteral("missing/x.fits")),
                               resultValues(planes->result(), Rect{0, 0, 4, 4}, 4, 4, false, true, true, true),
                               FitsKeywords{}, error));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("kept"));
}

// ---------------------------------------------------------------- frames in

namespace {

// Writes a FITS image with cfitsio: `planes` planes of width x height of
// `bitpix` data, value(x, stored row, plane).
template <typename F>
void writeFrame(const QString& path, int bitpix, int width, int height, int planes, F value,
                const char* rowOrder = nullptr)
{
    int status = 0;
    fitsfile* f = nullptr;
    fits_create_diskfile(&f, QFile::encodeName(path).constData(), &status);
    long axes[3] = {width, height, planes};
    fits_create_img(f, bitpix, planes == 1 ? 2 : 3, axes, &status);
    if (rowOrder) fits_write_key(f, TSTRING, "ROWORDER", const_cast<char*>(rowOrder), nullptr, &status);
    std::vector<double> all;
    for (int p = 0; p < planes; ++p)
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) all.push_back(value(x, y, p));
    fits_write_img(f, TDOUBLE, 1, LONGLONG(all.size()), all.data(), &status);
    fits_close_file(f, &status);
    ASSERT_EQ(status, 0);
}

} // namespace

struct FrameCase {
    const char* name;
    int bitpix;
    int planes;
    double scale; // stored value of level v: v * scale
    const char* rowOrder;
};

class FitsFrameRead : public ::testing::TestWithParam<FrameCase> {};

TEST_P(FitsFrameRead, GivesTheEightBitLevelsRightWayUp)
{
    const FrameCase fc = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.fits"));
    const int w = 40, h = 30;
    const bool topDown = fc.rowOrder != nullptr;
    // Level of image pixel (x, y) in plane p.
    auto level = [](int x, int y, int p) { return (x * 5 + y * 3 + p * 60) % 256; };
    writeFrame(path, fc.bitpix, w, h, fc.planes,
               [&](int x, int row, int p) { return level(x, topDown ? row : h - 1 - row, p) * fc.scale; },
               fc.rowOrder);
    QImage target(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
    const FitsReadResult r = readFitsFrame(path, target);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.width, w);
    EXPECT_EQ(r.height, h);
    int wrong = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* px = pixelRow(target, y) + 4 * x;
            const int red = level(x, y, 0), green = level(x, y, fc.planes == 3 ? 1 : 0),
                      blue = level(x, y, fc.planes == 3 ? 2 : 0);
            wrong += px[kRed] != red || px[kGreen] != green || px[kBlue] != blue;
        }
    EXPECT_EQ(wrong, 0);
}

INSTANTIATE_TEST_SUITE_P(Types, FitsFrameRead,
                         ::testing::Values(FrameCase{"bytes_rgb", BYTE_IMG, 3, 1.0, nullptr},
                                           FrameCase{"bytes_grey", BYTE_IMG, 1, 1.0, nullptr},
                                           FrameCase{"bytes_top_down", BYTE_IMG, 3, 1.0, "TOP-DOWN"},
                                           FrameCase{"sixteen_bits", USHORT_IMG, 3, 257.0, nullptr},
                                           FrameCase{"floats", FLOAT_IMG, 1, 1.0 / 255.0, nullptr}),
                         [](const auto& info) { return std::string(info.param.name); });

namespace {

// A hand-made primary header: 80-character cards, END, padded to 2880.
QByteArray header(std::initializer_list<const char*> cards)
{
    QByteArray h;
    for (const char* c : cards) h += QByteArray(c).leftJustified(80, ' ');
    h += QByteArray("END").leftJustified(80, ' ');
    return h.leftJustified(int((h.size() + 2879) / 2880 * 2880), ' ');
}

} // namespace

struct BadFitsCase {
    const char* name;
    QByteArray bytes;
    bool tooLarge;
};

class FitsFrameMalformed : public ::testing::TestWithParam<BadFitsCase> {};

TEST_P(FitsFrameMalformed, IsRefusedWithAReasonAndNoAllocationOfItsSize)
{
    const BadFitsCase bc = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad.fits"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bc.bytes);
    }
    QImage target(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
    const FitsReadResult r = readFitsFrame(path, target);
    EXPECT_FALSE(r.ok) << bc.name;
    EXPECT_FALSE(r.error.isEmpty()) << bc.name;
    EXPECT_EQ(r.tooLarge, bc.tooLarge) << bc.name;
}

INSTANTIATE_TEST_SUITE_P(
    Files, FitsFrameMalformed,
    ::testing::Values(
        BadFitsCase{"empty", QByteArray(), false}, BadFitsCase{"not_fits", QByteArray(3000, 'x'), false},
        BadFitsCase{"truncated_header", header({"SIMPLE  = T", "BITPIX  = 8", "NAXIS   = 2"}).left(400), false},
        BadFitsCase{"truncated_data", header({"SIMPLE  = T", "BITPIX  = 8", "NAXIS   = 2", "NAXIS1  = 100",
                                              "NAXIS2  = 100"}) + QByteArray(500, '\0'),
                    false},
        BadFitsCase{"size_that_overflows",
                    header({"SIMPLE  = T", "BITPIX  = 32", "NAXIS   = 3", "NAXIS1  = 4294967295",
                            "NAXIS2  = 4294967295", "NAXIS3  = 3"}),
                    true},
        BadFitsCase{"negative_size", header({"SIMPLE  = T", "BITPIX  = 8", "NAXIS   = 2", "NAXIS1  = -5",
                                             "NAXIS2  = 10"}),
                    false},
        BadFitsCase{"larger_than_a_frame", header({"SIMPLE  = T", "BITPIX  = 8", "NAXIS   = 2", "NAXIS1  = 1024",
                                                   "NAXIS2  = 768"}),
                    true},
        BadFitsCase{"four_planes", header({"SIMPLE  = T", "BITPIX  = 8", "NAXIS   = 3", "NAXIS1  = 4",
                                           "NAXIS2  = 4", "NAXIS3  = 4"}) + QByteArray(2880, '\0'),
                    false},
        BadFitsCase{"no_image", header({"SIMPLE  = T", "BITPIX  = 8", "NAXIS   = 0"}), false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FitsFileWrite, ANewFileNeverReplacesOne)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("taken.fits"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("earlier");
    }
    const auto planes = patternedPlanes();
    const FitsValues v = resultValues(planes->result(), Rect{0, 0, 4, 4}, 4, 4, false, true, true, true);
    QString error;
    EXPECT_FALSE(writeNewFitsFile(path, v, FitsKeywords{}, error));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("earlier"));
    EXPECT_TRUE(writeNewFitsFile(dir.filePath(QStringLiteral("new.fits")), v, FitsKeywords{}, error));
    EXPECT_EQ(readWithCfitsio(dir.filePath(QStringLiteral("new.fits"))).data.size(), std::size_t(48));
}

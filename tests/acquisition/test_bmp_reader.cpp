#include "acquisition/BmpReader.h"
#include "core/ImageBuffers.h"

#include <QTemporaryDir>
#include <QFile>
#include <gtest/gtest.h>
#include <random>

using namespace velumbra;

namespace {

void put16(QByteArray& a, int v) { a.append(char(v & 0xff)).append(char((v >> 8) & 0xff)); }
void put32(QByteArray& a, qint64 v)
{
    for (int i = 0; i < 4; ++i) a.append(char((v >> (8 * i)) & 0xff));
}

// Colour of pixel (x, y) of the test pictures: every pixel different.
QRgb colourAt(int x, int y) { return qRgb(10 + x * 20, 200 - y * 30, (x * 7 + y * 13) & 0xff); }

struct BmpSpec {
    int headerSize = 40; // 12, 40, 108, 124
    int bitCount = 24;
    bool topDown = false;
    bool bitfields = false;
    int width = 5;
    int height = 3;
};

// Writes a BMP the way imaging tools do.
QByteArray makeBmp(const BmpSpec& s)
{
    QByteArray pal, pixels;
    const int stride = ((s.width * s.bitCount + 31) / 32) * 4;
    std::vector<QRgb> palette;
    for (int row = 0; row < s.height; ++row) {
        const int y = s.topDown ? row : s.height - 1 - row;
        QByteArray line;
        for (int x = 0; x < s.width; ++x) {
            const QRgb c = colourAt(x, y);
            if (s.bitCount == 24) {
                line.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c)));
            } else if (s.bitCount == 32) {
                line.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c))).append(char(0));
            } else {
                palette.push_back(c);
                line.append(char(palette.size() - 1));
            }
        }
        line.append(QByteArray(stride - line.size(), '\0'));
        pixels += line;
    }
    for (QRgb c : palette) {
        pal.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c)));
        if (s.headerSize != 12) pal.append(char(0));
    }
    QByteArray masks;
    const bool extraMasks = s.bitfields && s.headerSize == 40;
    if (extraMasks) {
        put32(masks, 0x00ff0000);
        put32(masks, 0x0000ff00);
        put32(masks, 0x000000ff);
    }
    QByteArray h;
    put32(h, s.headerSize);
    if (s.headerSize == 12) {
        put16(h, s.width);
        put16(h, s.height);
        put16(h, 1);
        put16(h, s.bitCount);
    } else {
        put32(h, s.width);
        put32(h, s.topDown ? -s.height : s.height);
        put16(h, 1);
        put16(h, s.bitCount);
        put32(h, s.bitfields ? 3 : 0);
        put32(h, pixels.size());
        put32(h, 2835);
        put32(h, 2835);
        put32(h, s.bitCount == 8 ? int(palette.size()) : 0);
        put32(h, 0);
        if (s.headerSize > 40) {
            put32(h, 0x00ff0000);
            put32(h, 0x0000ff00);
            put32(h, 0x000000ff);
            put32(h, 0xff000000);
            h.append(QByteArray(s.headerSize - h.size(), '\0'));
        }
    }
    QByteArray file("BM");
    const int offset = 14 + h.size() + masks.size() + pal.size();
    put32(file, offset + pixels.size());
    put32(file, 0);
    put32(file, offset);
    return file + h + masks + pal + pixels;
}

QImage frame()
{
    QImage img(800, 600, kPixelFormat);
    img.fill(qRgb(1, 2, 3));
    return img;
}

void expectPicture(const QImage& img, int w, int h)
{
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ASSERT_EQ(img.pixel(x, y) & 0xffffffu, colourAt(x, y) & 0xffffffu) << x << "," << y;
}

} // namespace

TEST(BmpReader, ReadsEveryHeaderKindDepthAndRowOrder)
{
    for (int header : {12, 40, 108, 124})
        for (int bits : {8, 24, 32})
            for (bool topDown : {false, true}) {
                if (header == 12 && topDown) continue; // the core header has no top-down form
                BmpSpec s;
                s.headerSize = header;
                s.bitCount = bits;
                s.topDown = topDown;
                QImage img = frame();
                const BmpReadResult r = decodeBmp(makeBmp(s), img);
                ASSERT_TRUE(r.ok) << header << " " << bits << " " << topDown << " " << r.error.toStdString();
                EXPECT_EQ(r.width, 5);
                EXPECT_EQ(r.height, 3);
                EXPECT_EQ(r.bitCount, bits);
                SCOPED_TRACE(testing::Message() << header << " " << bits << " " << topDown);
                expectPicture(img, 5, 3);
                // Outside the picture the frame keeps its content.
                EXPECT_EQ(img.pixel(5, 0) & 0xffffffu, 0x010203u);
            }
}

TEST(BmpReader, ReadsThirtyTwoBitsWithBitMasks)
{
    for (int header : {40, 108, 124}) {
        BmpSpec s;
        s.headerSize = header;
        s.bitCount = 32;
        s.bitfields = true;
        QImage img = frame();
        ASSERT_TRUE(decodeBmp(makeBmp(s), img).ok) << header;
        expectPicture(img, 5, 3);
    }
}

TEST(BmpReader, RefusesTruncatedGarbageAndOversizeWithoutTouchingTheFrame)
{
    BmpSpec s;
    const QByteArray good = makeBmp(s);
    std::vector<std::pair<const char*, QByteArray>> bad;
    bad.push_back({"empty", QByteArray()});
    bad.push_back({"cut in the header", good.left(30)});
    bad.push_back({"cut in the pixels", good.left(good.size() - 10)});
    QByteArray notBmp = good;
    notBmp[0] = 'X';
    bad.push_back({"no BM", notBmp});
    QByteArray hugeOffset = good;
    hugeOffset[10] = char(0xff);
    hugeOffset[13] = char(0x7f);
    bad.push_back({"pixel offset past the end", hugeOffset});
    BmpSpec big;
    big.width = 1024;
    big.height = 768;
    bad.push_back({"1024 x 768", makeBmp(big)});
    BmpSpec zero;
    zero.width = 0;
    bad.push_back({"zero width", makeBmp(zero)});
    QByteArray rle = good;
    rle[14 + 16] = 1; // BI_RLE8
    bad.push_back({"compressed", rle});
    std::mt19937 rng(5);
    for (int i = 0; i < 50; ++i) {
        QByteArray g("BM");
        for (int k = 0; k < 200; ++k) g.append(char(rng()));
        bad.push_back({"random bytes", g});
        // The right signature and header size, random rest.
        QByteArray h = good;
        for (int k = 18; k < h.size(); ++k)
            if (rng() % 3 == 0) h[k] = char(rng());
        QImage img = frame();
        decodeBmp(h, img); // must not crash, whatever it decides
    }
    for (const auto& [what, data] : bad) {
        QImage img = frame();
        const BmpReadResult r = decodeBmp(data, img);
        EXPECT_FALSE(r.ok) << what;
        EXPECT_FALSE(r.error.isEmpty()) << what;
        EXPECT_EQ(img.pixel(0, 0) & 0xffffffu, 0x010203u) << what;
    }
    QImage img = frame();
    // Even when larger pictures are allowed, the frame bitmap must hold them.
    EXPECT_FALSE(decodeBmp(makeBmp(big), img, 1024, 768).ok);
}

TEST(BmpReader, ReadsFilesAndNamesThemInMessages)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("m42_001.bmp"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(makeBmp({}));
    f.close();
    QImage img = frame();
    EXPECT_TRUE(readBmpFile(path, img).ok);
    const BmpReadResult missing = readBmpFile(dir.filePath(QStringLiteral("absent.bmp")), img);
    EXPECT_FALSE(missing.ok);
    EXPECT_TRUE(bmpErrorMessage(path, missing.error).contains(QStringLiteral("m42_001.bmp")));
}

TEST(BmpReader, EndlessDeviceIsRefusedAtTheSizeLimit)
{
    // /dev/zero reports no size and never ends.
    QImage img = frame();
    const QImage before = img.copy();
    const BmpReadResult r = readBmpFile(QStringLiteral("/dev/zero"), img);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, QObject::tr("fichier trop grand"));
    EXPECT_EQ(img, before);
}

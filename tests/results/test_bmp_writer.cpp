#include "core/ImageBuffers.h"
#include "results/BmpWriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace velumbra;

namespace {

uint32_t le32(const QByteArray& b, int at)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | uint8_t(b[at + i]);
    return v;
}
uint16_t le16(const QByteArray& b, int at) { return uint16_t(uint8_t(b[at]) | (uint8_t(b[at + 1]) << 8)); }

// An 800 x 600 buffer whose every pixel tells its position.
QImage patterned()
{
    QImage image(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
    for (int y = 0; y < image.height(); ++y) {
        uint8_t* row = pixelRow(image, y);
        for (int x = 0; x < image.width(); ++x) {
            row[4 * x + kBlue] = uint8_t(x);
            row[4 * x + kGreen] = uint8_t(y);
            row[4 * x + kRed] = uint8_t(x * 7 + y * 13);
            row[4 * x + 3] = 0xff;
        }
    }
    return image;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class BmpFile : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(BmpFile, IsAValidBottomUp24BitBmpOfTheShownPart)
{
    const auto [w, h] = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.path() + QStringLiteral("/img.bmp");
    const QImage image = patterned();
    BmpWriter writer;
    ASSERT_TRUE(writer.write(path, image, w, h)) << writer.errorString().toStdString();

    const QByteArray b = readAll(path);
    const int stride = (w * 3 + 3) / 4 * 4;
    ASSERT_EQ(b.size(), 54 + stride * h);
    EXPECT_EQ(b.left(2), QByteArray("BM"));
    EXPECT_EQ(le32(b, 2), uint32_t(b.size()));
    EXPECT_EQ(le32(b, 6), 0u);
    EXPECT_EQ(le32(b, 10), 54u);
    EXPECT_EQ(le32(b, 14), 40u);
    EXPECT_EQ(int32_t(le32(b, 18)), w);
    EXPECT_EQ(int32_t(le32(b, 22)), h); // positive height: bottom-up
    EXPECT_EQ(le16(b, 26), 1);
    EXPECT_EQ(le16(b, 28), 24);
    EXPECT_EQ(le32(b, 30), 0u);
    EXPECT_EQ(le32(b, 34), uint32_t(stride * h));
    EXPECT_EQ(le32(b, 46), 0u);

    int wrong = 0;
    for (int y = 0; y < h; ++y) {
        const char* row = b.constData() + 54 + (h - 1 - y) * stride;
        const uint8_t* src = pixelRow(image, y);
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) wrong += uint8_t(row[3 * x + c]) != src[4 * x + c];
        for (int p = 3 * w; p < stride; ++p) wrong += row[p] != 0;
    }
    EXPECT_EQ(wrong, 0);

    // Any image reader takes it.
    const QImage back(path);
    ASSERT_FALSE(back.isNull());
    ASSERT_EQ(back.size(), QSize(w, h));
    EXPECT_EQ(back.pixel(w - 1, h - 1) & 0xffffffu, image.pixel(w - 1, h - 1) & 0xffffffu);
    EXPECT_EQ(back.pixel(0, 0) & 0xffffffu, image.pixel(0, 0) & 0xffffffu);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("img.bmp")});
}

INSTANTIATE_TEST_SUITE_P(Widths, BmpFile,
                         ::testing::Values(std::pair{321, 241}, std::pair{322, 5}, std::pair{323, 3},
                                           std::pair{320, 240}, std::pair{1, 1}, std::pair{800, 600}));

TEST(BmpWriter, SizeIsClippedToTheImageAndAnEmptyImageWritesNothing)
{
    QTemporaryDir dir;
    const QImage small(10, 4, kPixelFormat);
    BmpWriter writer;
    ASSERT_TRUE(writer.write(dir.path() + QStringLiteral("/a.bmp"), small, 640, 480));
    EXPECT_EQ(QImage(dir.path() + QStringLiteral("/a.bmp")).size(), QSize(10, 4));
    EXPECT_FALSE(writer.write(dir.path() + QStringLiteral("/b.bmp"), QImage(), 10, 10));
    EXPECT_FALSE(QFile::exists(dir.path() + QStringLiteral("/b.bmp")));
}

TEST(BmpWriter, MissingFolderFailsWithAReason)
{
    QTemporaryDir dir;
    BmpWriter writer;
    EXPECT_FALSE(writer.write(dir.path() + QStringLiteral("/none/a.bmp"), patterned(), 8, 8));
    EXPECT_FALSE(writer.errorString().isEmpty());
}

// A write that runs out of room (here: the file size limit) must leave the
// image already there as it was, and no stray temporary file.
TEST(BmpWriter, FailedWriteKeepsTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/keep.bmp");
    BmpWriter writer;
    const QImage image = patterned();
    ASSERT_TRUE(writer.write(path, image, 20, 10));
    const QByteArray before = readAll(path);

    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tight = old;
    tight.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    const bool ok = writer.write(path, image, 321, 240);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(ok);
    EXPECT_FALSE(writer.errorString().isEmpty());
    EXPECT_EQ(readAll(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("keep.bmp")});
}

TEST(BmpWriter, ReplacesAnExistingFile)
{
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/r.bmp");
    BmpWriter writer;
    QImage image = patterned();
    ASSERT_TRUE(writer.write(path, image, 30, 20));
    image.fill(QColor(1, 2, 3));
    ASSERT_TRUE(writer.write(path, image, 31, 21));
    const QImage back(path);
    EXPECT_EQ(back.size(), QSize(31, 21));
    EXPECT_EQ(back.pixelColor(5, 5), QColor(1, 2, 3));
}

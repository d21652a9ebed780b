#include "core/ImageBuffers.h"
#include "results/SerFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velumbra;

namespace {

int32_t le32(const QByteArray& b, int at)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | uint8_t(b[at + i]);
    return int32_t(v);
}

int64_t le64(const QByteArray& b, int at)
{
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | uint8_t(b[at + i]);
    return int64_t(v);
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(data), data.size());
}

// Frame `n`: every pixel tells its position and the frame number.
QImage frameNumber(int n, bool grey)
{
    QImage image(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
    for (int y = 0; y < image.height(); ++y) {
        uint8_t* row = pixelRow(image, y);
        for (int x = 0; x < image.width(); ++x) {
            const auto v = uint8_t(x * 3 + y * 5 + n * 11);
            row[4 * x + kBlue] = v;
            row[4 * x + kGreen] = grey ? v : uint8_t(y + n);
            row[4 * x + kRed] = grey ? v : uint8_t(x ^ n);
            row[4 * x + 3] = 0xff;
        }
    }
    return image;
}

// The first differing pixel of the top-left width x height, or an empty text.
std::string firstDifference(const QImage& a, const QImage& b, int width, int height)
{
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                if (pixelRow(a, y)[4 * x + c] != pixelRow(b, y)[4 * x + c])
                    return "pixel " + std::to_string(x) + "," + std::to_string(y) + " byte " + std::to_string(c);
    return {};
}

const QDateTime kStart(QDate(2026, 3, 14), QTime(21, 30, 5, 250), Qt::UTC);

} // namespace

TEST(SerTicks, CountHundredsOfNanosecondsFromYearOne)
{
    EXPECT_EQ(serTicks(QDateTime(QDate(1970, 1, 1), QTime(0, 0), Qt::UTC)), 621355968000000000LL);
    EXPECT_EQ(serTicks(QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC)), 0);
    EXPECT_EQ(fromSerTicks(serTicks(kStart)), kStart);
    EXPECT_FALSE(fromSerTicks(-1).isValid());
    EXPECT_FALSE(fromSerTicks(std::numeric_limits<int64_t>::max()).isValid());
}

TEST(SerHeaderBytes, FieldsSitAtTheirOffsetsLittleEndian)
{
    SerHeader h;
    h.luId = 7;
    h.colourId = SerBgr;
    h.width = 640;
    h.height = 480;
    h.frameCount = 0x01020304;
    h.observer = "Observer name";
    h.instrument = QByteArray(60, 'i'); // cut to 40
    h.dateTime = 0x1122334455667788LL;
    h.dateTimeUtc = 0x0102030405060708LL;
    const QByteArray b = encodeSerHeader(h);
    ASSERT_EQ(b.size(), 178);
    EXPECT_EQ(b.left(14), QByteArray("LUCAM-RECORDER"));
    EXPECT_EQ(le32(b, 14), 7);
    EXPECT_EQ(le32(b, 18), 101);
    EXPECT_EQ(le32(b, 22), 1);
    EXPECT_EQ(le32(b, 26), 640);
    EXPECT_EQ(le32(b, 30), 480);
    EXPECT_EQ(le32(b, 34), 8);
    EXPECT_EQ(uint8_t(b[38]), 0x04);
    EXPECT_EQ(le32(b, 38), 0x01020304);
    EXPECT_EQ(b.mid(42, 14), QByteArray("Observer name\0", 14));
    EXPECT_EQ(b.mid(82, 40), QByteArray(40, 'i'));
    EXPECT_EQ(b[122], '\0');
    EXPECT_EQ(le64(b, 162), 0x1122334455667788LL);
    EXPECT_EQ(le64(b, 170), 0x0102030405060708LL);
}

struct RecordCase {
    bool colour;
    int width, height, frames;
};

class SerRecording : public ::testing::TestWithParam<RecordCase> {};

TEST_P(SerRecording, ReadsBackFrameByFrameWithHeaderAndTimes)
{
    const RecordCase rc = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("run.ser"));
    SerRecorder rec;
    ASSERT_TRUE(rec.start(path, rc.width, rc.height, rc.colour, kStart, "webcam")) << rec.errorString().toStdString();
    for (int n = 0; n < rc.frames; ++n)
        ASSERT_TRUE(rec.addFrame(frameNumber(n, !rc.colour), kStart.addMSecs(40 * n)));
    EXPECT_FALSE(QFile::exists(path)) << "the file takes its name only when complete";
    ASSERT_TRUE(rec.finish()) << rec.errorString().toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("run.ser")});

    const QByteArray bytes = readAll(path);
    const int planes = rc.colour ? 3 : 1;
    EXPECT_EQ(bytes.size(), 178 + int64_t(rc.frames) * rc.width * rc.height * planes + 8 * rc.frames);

    SerReader reader;
    ASSERT_TRUE(reader.open(path)) << reader.errorString().toStdString();
    const SerHeader& h = reader.header();
    EXPECT_EQ(h.colourId, rc.colour ? 101 : 0);
    EXPECT_EQ(h.width, rc.width);
    EXPECT_EQ(h.height, rc.height);
    EXPECT_EQ(h.pixelDepth, 8);
    EXPECT_EQ(h.frameCount, rc.frames);
    EXPECT_EQ(h.instrument, QByteArray("webcam"));
    EXPECT_EQ(fromSerTicks(h.dateTimeUtc), kStart);
    EXPECT_EQ(reader.frameCount(), rc.frames);
    EXPECT_EQ(reader.announcedMissing(), 0);
    EXPECT_EQ(reader.hasTimes(), rc.frames > 0);
    QImage back(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
    for (int n = 0; n < rc.frames; ++n) {
        EXPECT_EQ(reader.frameTime(n), kStart.addMSecs(40 * n)) << "frame " << n;
        ASSERT_TRUE(reader.readFrame(n, back));
        EXPECT_EQ(firstDifference(back, frameNumber(n, !rc.colour), rc.width, rc.height), "") << "frame " << n;
    }
    EXPECT_FALSE(reader.readFrame(rc.frames, back));
}

INSTANTIATE_TEST_SUITE_P(ColourAndMono, SerRecording,
                         ::testing::Values(RecordCase{true, 640, 480, 5}, RecordCase{false, 640, 480, 4},
                                           RecordCase{true, 7, 3, 3}, RecordCase{false, 800, 600, 2},
                                           RecordCase{true, 33, 21, 0}));

TEST(SerRecordingCut, AFileCutInAFrameReadsTheWholeFramesBeforeIt)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cut.ser"));
    SerRecorder rec;
    ASSERT_TRUE(rec.start(path, 64, 48, true, kStart));
    for (int n = 0; n < 5; ++n) ASSERT_TRUE(rec.addFrame(frameNumber(n, false), kStart.addSecs(n)));
    // What a crash leaves: the temporary file as it stands, count 0, no trailer,
    // here cut in the middle of the fourth frame.
    const int64_t frame = 64 * 48 * 3;
    const QByteArray grown = readAll(rec.temporaryName());
    ASSERT_EQ(grown.size(), 178 + 5 * frame);
    EXPECT_EQ(le32(grown, 38), 0);
    const QString cut = dir.filePath(QStringLiteral("crashed.ser"));
    writeAll(cut, grown.left(178 + 3 * frame + frame / 2));
    rec.abandon();
    EXPECT_FALSE(QFile::exists(rec.temporaryName()));

    SerReader reader;
    ASSERT_TRUE(reader.open(cut));
    EXPECT_EQ(reader.frameCount(), 3);
    EXPECT_EQ(reader.announcedMissing(), 0);
    EXPECT_FALSE(reader.hasTimes());
    QImage back(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
    for (int n = 0; n < 3; ++n) {
        ASSERT_TRUE(reader.readFrame(n, back));
        EXPECT_EQ(firstDifference(back, frameNumber(n, false), 64, 48), "") << "frame " << n;
    }
    EXPECT_FALSE(reader.readFrame(3, back));
}

// A finished file whose end is lost: the count then names frames the file
// does not hold, and the trailer is gone.
TEST(SerRecordingCut, ACountLargerThanTheFileIsReportedAndTheWholeFramesRead)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.ser"));
    SerRecorder rec;
    ASSERT_TRUE(rec.start(path, 10, 10, false, kStart));
    for (int n = 0; n < 6; ++n) ASSERT_TRUE(rec.addFrame(frameNumber(n, true), kStart));
    ASSERT_TRUE(rec.finish());
    writeAll(path, readAll(path).left(178 + 4 * 100 + 17));
    SerReader reader;
    ASSERT_TRUE(reader.open(path));
    EXPECT_EQ(reader.frameCount(), 4);
    EXPECT_EQ(reader.announcedMissing(), 2);
    EXPECT_FALSE(reader.hasTimes());
}

struct MalformedCase {
    const char* name;
    int size;     // bytes of the file kept, -1 = all
    int offset;   // a header field set to `value`, -1 = none
    int32_t value;
    bool opens;
};

class SerMalformed : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(SerMalformed, IsRefusedWithAReasonOrReadWithinTheFile)
{
    const MalformedCase mc = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad.ser"));
    {
        SerRecorder rec;
        ASSERT_TRUE(rec.start(path, 16, 8, true, kStart));
        ASSERT_TRUE(rec.addFrame(frameNumber(1, false), kStart));
        ASSERT_TRUE(rec.finish());
    }
    QByteArray b = readAll(path);
    if (mc.offset >= 0)
        for (int i = 0; i < 4; ++i) b[mc.offset + i] = char((uint32_t(mc.value) >> (8 * i)) & 0xff);
    if (mc.size >= 0) b = b.left(mc.size);
    writeAll(path, b);
    SerReader reader;
    EXPECT_EQ(reader.open(path), mc.opens) << mc.name;
    if (!mc.opens) {
        EXPECT_FALSE(reader.errorString().isEmpty()) << mc.name;
    } else {
        // Whatever it opened, no frame lies beyond the file.
        EXPECT_LE(178 + int64_t(reader.frameCount()) * reader.header().frameBytes(), b.size()) << mc.name;
        QImage back(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
        for (int n = 0; n < reader.frameCount(); ++n) EXPECT_TRUE(reader.readFrame(n, back)) << mc.name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Headers, SerMalformed,
    ::testing::Values(MalformedCase{"empty", 0, -1, 0, false}, MalformedCase{"truncated header", 100, -1, 0, false},
                      MalformedCase{"header only", 178, -1, 0, true},
                      MalformedCase{"not SER", -1, 0, 0x41414141, false},
                      MalformedCase{"zero width", -1, 26, 0, false},
                      MalformedCase{"negative height", -1, 30, -8, false},
                      MalformedCase{"size that overflows", -1, 26, 0x7fffffff, false},
                      MalformedCase{"16 bits", -1, 34, 16, false},
                      MalformedCase{"unknown colour", -1, 18, 55, false},
                      MalformedCase{"raw mosaic read as grey", -1, 18, 8, true},
                      MalformedCase{"negative count", -1, 38, -1, false},
                      MalformedCase{"count far larger than the file", -1, 38, 0x7fffffff, true}),
    [](const auto& info) {
        std::string n = info.param.name;
        for (char& c : n)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        return n;
    });

TEST(SerRecorderTargets, ADeviceOrAFolderIsNeverRecordedOver)
{
    QTemporaryDir dir;
    SerRecorder rec;
    EXPECT_FALSE(rec.start(QStringLiteral("/dev/null"), 8, 8, true, kStart));
    EXPECT_FALSE(rec.errorString().isEmpty());
    EXPECT_FALSE(rec.start(dir.path(), 8, 8, true, kStart));
    EXPECT_FALSE(rec.recording());
    EXPECT_FALSE(rec.start(dir.filePath(QStringLiteral("big.ser")), 801, 8, true, kStart));
}

TEST(SerRecorderTargets, AnExistingFileIsReplacedOnlyAtTheEndAndALinkStays)
{
    QTemporaryDir dir;
    const QString real = dir.filePath(QStringLiteral("real.ser"));
    const QString link = dir.filePath(QStringLiteral("link.ser"));
    writeAll(real, "old recording");
    ASSERT_TRUE(QFile::link(real, link));
    SerRecorder rec;
    ASSERT_TRUE(rec.start(link, 8, 8, true, kStart));
    ASSERT_TRUE(rec.addFrame(frameNumber(0, false), kStart));
    EXPECT_EQ(readAll(real), QByteArray("old recording"));
    ASSERT_TRUE(rec.finish());
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    SerReader reader;
    ASSERT_TRUE(reader.open(real));
    EXPECT_EQ(reader.frameCount(), 1);
}

TEST(SerRecorderTargets, DestroyingARecorderFinishesItsRecording)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("end.ser"));
    {
        SerRecorder rec;
        ASSERT_TRUE(rec.start(path, 8, 8, false, kStart));
        ASSERT_TRUE(rec.addFrame(frameNumber(0, true), kStart));
    }
    SerReader reader;
    ASSERT_TRUE(reader.open(path));
    EXPECT_EQ(reader.header().frameCount, 1);
    EXPECT_TRUE(reader.hasTimes());
}

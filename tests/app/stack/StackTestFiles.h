#pragma once
// Frames written byte by byte, results read with Qt's own BMP decoder, and
// the command run as a separate process: nothing here shares code with the
// program under test.
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdint>
#include <functional>
#include <gtest/gtest.h>

namespace stacktest {

struct Rgb {
    int r = 0, g = 0, b = 0;
};

// A 24-bit BMP, rows bottom-up, each padded to 4 bytes.
inline QByteArray bmp24(int w, int h, const std::function<Rgb(int x, int y)>& pixel)
{
    const int stride = (w * 3 + 3) / 4 * 4;
    const uint32_t size = 54 + uint32_t(stride) * h;
    QByteArray data(int(size), '\0');
    auto put = [&](int at, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) data[at + i] = char((v >> (8 * i)) & 0xff);
    };
    data[0] = 'B';
    data[1] = 'M';
    put(2, size, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, uint32_t(w), 4);
    put(22, uint32_t(h), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    put(34, size - 54, 4);
    for (int y = 0; y < h; ++y) {
        const int row = 54 + (h - 1 - y) * stride;
        for (int x = 0; x < w; ++x) {
            const Rgb p = pixel(x, y);
            data[row + 3 * x] = char(p.b);
            data[row + 3 * x + 1] = char(p.g);
            data[row + 3 * x + 2] = char(p.r);
        }
    }
    return data;
}

inline bool writeFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

struct CommandRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// The command runs in the C locale (English messages) unless `locale` names another.
inline CommandRun runCommand(const QStringList& arguments, const QString& locale = QStringLiteral("C"))
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("LC_MESSAGES"));
    env.remove(QStringLiteral("LANG"));
    env.insert(QStringLiteral("LC_ALL"), locale);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(VELUMBRA_STACK_COMMAND), arguments);
    CommandRun r;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        r.err = QStringLiteral("timed out");
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

// Display level of a plane value between two thresholds: a linear stretch
// with 256 steps over the span, clipped to 0..255.
inline int level(int64_t v, int64_t lo, int64_t hi)
{
    int64_t span = hi > lo ? hi - lo : lo - hi;
    if (span == 0) span = 1;
    if (v - lo < 0) return 0;
    const int64_t o = (v - lo) * 256 / span;
    return int(o > 255 ? 255 : o);
}

// A test's own folder, and the frames it writes there.
class StackDir : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString path(const QString& name) const { return dir.filePath(name); }
    QString frame(const QString& name, const std::function<Rgb(int, int)>& pixel, int w = 40, int h = 30)
    {
        const QString p = path(name);
        EXPECT_TRUE(writeFile(p, bmp24(w, h, pixel)));
        return p;
    }
    QTemporaryDir dir;
};

} // namespace stacktest

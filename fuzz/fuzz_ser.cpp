// The SER reader on arbitrary bytes: it must never crash, never allocate
// more than the file holds, and every frame it says the file has must read.
#include "core/ImageBuffers.h"
#include "results/SerFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("input.ser"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    velumbra::SerReader reader;
    if (!reader.open(path)) return 0;
    const int64_t frameBytes = reader.header().frameBytes();
    if (frameBytes <= 0 || velumbra::kSerHeaderSize + reader.frameCount() * frameBytes > int64_t(size)) std::abort();
    if (reader.header().width > velumbra::kMaxFrameWidth || reader.header().height > velumbra::kMaxFrameHeight) return 0;
    static QImage target(velumbra::kMaxFrameWidth, velumbra::kMaxFrameHeight, velumbra::kPixelFormat);
    for (int n = 0; n < std::min(reader.frameCount(), 4); ++n)
        if (!reader.readFrame(n, target)) std::abort();
    (void)reader.frameTime(0);
    return 0;
}

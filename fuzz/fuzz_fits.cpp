// The FITS frame reader (through cfitsio) on arbitrary bytes: a refusal is
// fine, a crash or an allocation of a size the header invents is not.
#include "core/ImageBuffers.h"
#include "results/FitsFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("input.fits"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    static QImage target(velumbra::kMaxFrameWidth, velumbra::kMaxFrameHeight, velumbra::kPixelFormat);
    const velumbra::FitsReadResult r = velumbra::readFitsFrame(path, target);
    if (r.ok && (r.width <= 0 || r.height <= 0 || r.width > velumbra::kMaxFrameWidth)) std::abort();
    return 0;
}

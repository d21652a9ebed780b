#include "acquisition/BmpReader.h"
#include "core/ImageBuffers.h"

#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>

namespace velumbra {
namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiAlphaBitfields = 6;
constexpr qint64 kMaxFileBytes = 64ll * 1024 * 1024;

uint16_t u16(const uchar* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t u32(const uchar* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }
int32_t s32(const uchar* p) { return int32_t(u32(p)); }

// One colour channel described by a bit mask of a 32-bit pixel.
struct MaskChannel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t maxValue = 0;
    explicit MaskChannel(uint32_t m = 0) : mask(m)
    {
        if (!m) return;
        shift = std::countr_zero(m);
        maxValue = m >> shift;
    }
    uint8_t value(uint32_t pixel) const
    {
        if (!maxValue) return 0;
        const uint32_t v = (pixel & mask) >> shift;
        return uint8_t((uint64_t(v) * 255 + maxValue / 2) / maxValue);
    }
};

BmpReadResult refuse(const QString& cause)
{
    BmpReadResult r;
    r.error = cause;
    return r;
}

} // namespace

BmpReadResult decodeBmp(const QByteArray& data, QImage& target, int maxWidth, int maxHeight)
{
    const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
    const qint64 size = data.size();
    if (size < 14 + 12 || bytes[0] != 'B' || bytes[1] != 'M')
        return refuse(QObject::tr("ce n'est pas un fichier BMP"));
    const uint32_t pixelOffset = u32(bytes + 10);
    const uint32_t headerSize = u32(bytes + 14);
    if (headerSize != 12 && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108
        && headerSize != 124)
        return refuse(QObject::tr("en-tête BMP inconnu (%1 octets)").arg(headerSize));
    if (14 + qint64(headerSize) > size) return refuse(QObject::tr("fichier tronqué"));

    const uchar* h = bytes + 14;
    int64_t width = 0, height = 0;
    int bitCount = 0;
    uint32_t compression = kBiRgb, colorsUsed = 0;
    if (headerSize == 12) {
        width = u16(h + 4);
        height = int16_t(u16(h + 6));
        bitCount = u16(h + 10);
    } else {
        width = s32(h + 4);
        height = s32(h + 8);
        bitCount = u16(h + 14);
        compression = u32(h + 16);
        colorsUsed = u32(h + 32);
    }
    const bool topDown = height < 0;
    height = std::llabs(height);
    if (width <= 0 || height <= 0) return refuse(QObject::tr("taille d'image nulle ou négative"));
    if (width > maxWidth || height > maxHeight) {
        BmpReadResult r =
            refuse(QObject::tr("taille %1x%2 supérieure à %3x%4").arg(width).arg(height).arg(maxWidth).arg(maxHeight));
        r.tooLarge = true;
        r.width = int(std::min<int64_t>(width, INT32_MAX));
        r.height = int(std::min<int64_t>(height, INT32_MAX));
        return r;
    }
    if (target.width() < width || target.height() < height || target.format() != kPixelFormat)
        return refuse(QObject::tr("image de destination trop petite"));

    // Bit masks: in the header from V2 on, after the info header otherwise.
    MaskChannel red(0x00ff0000), green(0x0000ff00), blue(0x000000ff);
    if (bitCount == 32 && (compression == kBiBitfields || compression == kBiAlphaBitfields)) {
        const uchar* masks = h + 40;
        if (headerSize == 40) {
            if (14 + 40 + 12 > size) return refuse(QObject::tr("fichier tronqué"));
        }
        red = MaskChannel(u32(masks));
        green = MaskChannel(u32(masks + 4));
        blue = MaskChannel(u32(masks + 8));
        if (!red.mask && !green.mask && !blue.mask) return refuse(QObject::tr("masques de couleur vides"));
    } else if (compression != kBiRgb) {
        return refuse(QObject::tr("compression %1 non prise en charge").arg(compression));
    }
    if (bitCount != 8 && bitCount != 24 && bitCount != 32)
        return refuse(QObject::tr("%1 bits par pixel non pris en charge").arg(bitCount));

    // Palette of 8-bit images: BGR(A) entries right after the header.
    uint32_t palette[256] = {};
    if (bitCount == 8) {
        const int entrySize = headerSize == 12 ? 3 : 4;
        if (colorsUsed > 256) return refuse(QObject::tr("palette invalide"));
        const qint64 paletteStart = 14 + qint64(headerSize);
        // Writers that leave the count at 0 store as many entries as fit before the pixels.
        const qint64 room = (qint64(pixelOffset) - paletteStart) / entrySize;
        const uint32_t count = uint32_t(std::clamp<qint64>(colorsUsed ? colorsUsed : 256, 0, std::max<qint64>(room, 0)));
        if (paletteStart + qint64(count) * entrySize > size) return refuse(QObject::tr("fichier tronqué"));
        for (uint32_t i = 0; i < count; ++i) {
            const uchar* e = bytes + paletteStart + qint64(i) * entrySize;
            palette[i] = uint32_t(e[0]) | (uint32_t(e[1]) << 8) | (uint32_t(e[2]) << 16);
        }
    }

    const qint64 stride = ((width * bitCount + 31) / 32) * 4;
    if (pixelOffset < 14 + headerSize || qint64(pixelOffset) > size) return refuse(QObject::tr("fichier tronqué"));
    // The last row may lack its padding; every pixel byte must be there.
    const qint64 needed = qint64(pixelOffset) + stride * (height - 1) + (width * bitCount + 7) / 8;
    if (needed > size) return refuse(QObject::tr("fichier tronqué"));

    for (int row = 0; row < height; ++row) {
        const uchar* src = bytes + pixelOffset + stride * row;
        const int y = topDown ? row : int(height - 1 - row);
        uint8_t* out = pixelRow(target, y);
        for (int x = 0; x < width; ++x, out += kBytesPerPixel) {
            uint8_t b, g, r;
            if (bitCount == 24) {
                b = src[x * 3]; g = src[x * 3 + 1]; r = src[x * 3 + 2];
            } else if (bitCount == 32) {
                const uint32_t p = u32(src + x * 4);
                b = blue.value(p); g = green.value(p); r = red.value(p);
            } else {
                const uint32_t p = palette[src[x]];
                b = uint8_t(p); g = uint8_t(p >> 8); r = uint8_t(p >> 16);
            }
            out[kBlue] = b; out[kGreen] = g; out[kRed] = r; out[3] = 0xff;
        }
    }
    BmpReadResult result;
    result.ok = true;
    result.width = int(width);
    result.height = int(height);
    result.bitCount = bitCount;
    return result;
}

BmpReadResult readBmpFile(const QString& path, QImage& target, int maxWidth, int maxHeight)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return refuse(QObject::tr("lecture impossible"));
    if (file.size() > kMaxFileBytes) return refuse(QObject::tr("fichier trop grand"));
    // A device or a pipe reports no size: never read more than the limit.
    const QByteArray data = file.read(kMaxFileBytes + 1);
    if (data.size() > kMaxFileBytes) return refuse(QObject::tr("fichier trop grand"));
    return decodeBmp(data, target, maxWidth, maxHeight);
}

QString bmpErrorMessage(const QString& path, const QString& cause)
{
    return QObject::tr("Impossible de lire l'image %1 : %2.").arg(QFileInfo(path).fileName(), cause);
}

} // namespace velumbra

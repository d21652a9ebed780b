#include "results/BmpWriter.h"
#include "core/ImageBuffers.h"
#include "results/ImageNaming.h"
#include "core/SafeFile.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstring>

namespace velumbra {
namespace {

void put16(char* at, uint16_t v)
{
    at[0] = char(v & 0xff);
    at[1] = char(v >> 8);
}

void put32(char* at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) at[i] = char((v >> (8 * i)) & 0xff);
}

void writeHeaders(char* h, int width, int height, uint32_t fileSize)
{
    std::memset(h, 0, 54);
    h[0] = 'B';
    h[1] = 'M';
    put32(h + 2, fileSize);
    put32(h + 10, 54);               // offset of the pixels
    put32(h + 14, 40);               // info header size
    put32(h + 18, uint32_t(width));
    put32(h + 22, uint32_t(height)); // positive: rows stored bottom-up
    put16(h + 26, 1);                // planes
    put16(h + 28, 24);               // bits per pixel
    put32(h + 30, 0);                // no compression
    put32(h + 34, fileSize - 54);    // image size
    put32(h + 38, 2835);             // 72 dpi, as pixels per metre
    put32(h + 42, 2835);
}

uint32_t load32(const uint8_t* at)
{
    uint32_t v;
    std::memcpy(&v, at, 4);
    return v;
}

void store32(char* at, uint32_t v) { std::memcpy(at, &v, 4); }

// Blue, green, red of each four-byte pixel, packed to three bytes. On a
// little-endian machine four pixels fit in three 32-bit words.
void packRow(const uint8_t* in, char* out, int width)
{
    int x = 0;
    if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
        for (; x + 4 <= width; x += 4) {
            const uint32_t a = load32(in + 4 * x), b = load32(in + 4 * x + 4);
            const uint32_t c = load32(in + 4 * x + 8), d = load32(in + 4 * x + 12);
            store32(out + 3 * x, (a & 0xffffffu) | (b << 24));
            store32(out + 3 * x + 4, ((b >> 8) & 0xffffu) | (c << 16));
            store32(out + 3 * x + 8, ((c >> 16) & 0xffu) | (d << 8));
        }
    }
    for (; x < width; ++x) {
        out[3 * x] = char(in[4 * x + kBlue]);
        out[3 * x + 1] = char(in[4 * x + kGreen]);
        out[3 * x + 2] = char(in[4 * x + kRed]);
    }
}

} // namespace

const QByteArray& BmpWriter::encode(const QImage& image, int width, int height)
{
    width = std::clamp(width, 0, image.isNull() ? 0 : image.width());
    height = std::clamp(height, 0, image.isNull() ? 0 : image.height());
    if (width == 0 || height == 0) {
        buffer_.resize(0);
        return buffer_;
    }
    const qint64 size = bmpFileSize(width, height);
    buffer_.resize(size);
    char* out = buffer_.data();
    writeHeaders(out, width, height, uint32_t(size));
    const int stride = int((size - 54) / height);

    const QImage* source = &image;
    QImage converted;
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32) {
        converted = image.convertToFormat(QImage::Format_RGB32);
        source = &converted;
    }
    for (int y = 0; y < height; ++y) {
        packRow(pixelRow(*source, height - 1 - y), out + 54 + qint64(y) * stride, width);
        std::memset(out + 54 + qint64(y) * stride + 3 * width, 0, size_t(stride - 3 * width));
    }
    return buffer_;
}

const QByteArray* BmpWriter::encodeForWrite(const QImage& image, int width, int height)
{
    error_.clear();
    existed_ = false;
    const QByteArray& data = encode(image, width, height);
    if (data.isEmpty()) {
        error_ = QCoreApplication::translate("BmpWriter", "image vide");
        return nullptr;
    }
    return &data;
}

bool BmpWriter::write(const QString& path, const QImage& image, int width, int height)
{
    const QByteArray* data = encodeForWrite(image, width, height);
    return data && replaceFile(path, data->constData(), data->size(), error_);
}

bool BmpWriter::writeNew(const QString& path, const QImage& image, int width, int height)
{
    const QByteArray* data = encodeForWrite(image, width, height);
    return data && createNewFile(path, data->constData(), data->size(), error_, existed_);
}

} // namespace velumbra

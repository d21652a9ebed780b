#include "results/BmpWriter.h"
#include "acquisition/ImageBuffers.h"
#include "results/ImageNaming.h"
#include "results/SafeFile.h"

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
        const uint8_t* in = pixelRow(*source, height - 1 - y);
        char* row = out + 54 + qint64(y) * stride;
        for (int x = 0; x < width; ++x) {
            row[3 * x] = char(in[4 * x + kBlue]);
            row[3 * x + 1] = char(in[4 * x + kGreen]);
            row[3 * x + 2] = char(in[4 * x + kRed]);
        }
        std::memset(row + 3 * width, 0, size_t(stride - 3 * width));
    }
    return buffer_;
}

bool BmpWriter::write(const QString& path, const QImage& image, int width, int height)
{
    error_.clear();
    const QByteArray& data = encode(image, width, height);
    if (data.isEmpty()) {
        error_ = QStringLiteral("image vide");
        return false;
    }
    return replaceFile(path, data.constData(), data.size(), error_);
}

} // namespace velumbra

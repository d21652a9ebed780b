#pragma once
#include <QByteArray>
#include <QImage>
#include <QString>

namespace velumbra {

// Outcome of reading a BMP file into a frame bitmap.
struct BmpReadResult {
    bool ok = false;
    int width = 0;
    int height = 0;
    int bitCount = 0;
    QString error; // why the file was refused, in the user's language
    bool tooLarge = false; // refused for its size, given in width and height
};

// Decodes a BMP held in memory into the top-left corner of target
// (Format_RGB32, at least maxWidth x maxHeight). Accepts what imaging tools
// write: 8-bit palette, 24- and 32-bit pixels (plain or with bit masks),
// rows bottom-up or top-down, BITMAPINFOHEADER, V4 and V5 headers (and the
// old 12-byte core header). Anything malformed, truncated or larger than
// maxWidth x maxHeight is refused without touching target.
BmpReadResult decodeBmp(const QByteArray& data, QImage& target, int maxWidth = 800, int maxHeight = 600);

// Reads the file and decodes it; the error names nothing but the cause.
BmpReadResult readBmpFile(const QString& path, QImage& target, int maxWidth = 800, int maxHeight = 600);

// The message shown when a file is refused, naming it.
QString bmpErrorMessage(const QString& path, const QString& cause);

} // namespace velumbra

#pragma once
#include <QByteArray>
#include <QImage>
#include <QString>

namespace velumbra {

// Writes 24-bit Windows BMP files: file and info headers of 14 and 40
// bytes, rows bottom-up in blue-green-red order, each padded to 4 bytes.
// The file buffer is kept between saves, so a run of saves of one size
// allocates once.
class BmpWriter {
public:
    // Encodes the top-left width x height of an RGB32 image (clipped to the
    // image). Returns an empty array for an empty or null image.
    const QByteArray& encode(const QImage& image, int width, int height);

    // Writes the file under a temporary name in the same folder, then
    // renames it over `path`: a failed or partial write (disk full) leaves
    // an existing file as it was. On failure errorString() says why.
    bool write(const QString& path, const QImage& image, int width, int height);
    // The same for a file that must be new: an existing `path` is left as it
    // was and the call fails with existed() true.
    bool writeNew(const QString& path, const QImage& image, int width, int height);
    bool existed() const { return existed_; }
    const QString& errorString() const { return error_; }

private:
    // The encoded file, or null with errorString() set.
    const QByteArray* encodeForWrite(const QImage& image, int width, int height);

    QByteArray buffer_;
    QString error_;
    bool existed_ = false;
};

} // namespace velumbra

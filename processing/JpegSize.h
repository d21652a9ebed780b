#pragma once
#include <QImage>
#include <cstddef>
#include <memory>
#include <optional>

namespace velumbra {

// The size of a baseline JPEG image of a 24-bit frame (colour, the
// encoder's defaults), as the quality measure scores frames.
// The encoder, its output buffer and the memory its per-image work asks
// for are kept from one image to the next: after the first image an
// encoding allocates nothing. The bytes themselves are not kept, only
// counted.
class JpegSizer {
public:
    JpegSizer();
    ~JpegSizer();
    JpegSizer(const JpegSizer&) = delete;
    JpegSizer& operator=(const JpegSizer&) = delete;

    // Bytes of the baseline JPEG of the top-left width x height pixels of a
    // 32-bit image (blue, green, red, unused) at quality 1..100 (a quality
    // outside is brought inside). Nothing for an empty or unsuitable image,
    // or when the encoder fails.
    std::optional<std::size_t> encodedSize(const QImage& image, int width, int height, int quality);

    // How many blocks the encoder had to take from the heap beyond the kept
    // memory, since it was created: grows on the first image, and again
    // only when a larger image needs more.
    long heapBlocks() const;

private:
    struct Encoder;
    std::unique_ptr<Encoder> encoder_;
};

} // namespace velumbra

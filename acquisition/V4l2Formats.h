#pragma once
#include "acquisition/VideoDriver.h"

#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>
#include <linux/videodev2.h>

struct v4lconvert_data;

namespace velumbra {

// The chooser's text for a V4L2 device: the card name, a blank and the
// driver version as major.minor.patch.
QString describeV4l2Device(const v4l2_capability& caps);
// A device that can capture video frames (not a metadata or output node).
bool isV4l2CaptureDevice(const v4l2_capability& caps);

struct V4l2DeviceEntry {
    QString path;
    QString description;
};
// What opening a node told: its capabilities, or the errno of the failure.
struct V4l2Probe {
    std::optional<v4l2_capability> caps;
    int error = 0;
};
// /dev/video0 .. /dev/video9 that answer as capture devices, in index order,
// and those that exist but cannot be opened, with the reason ("/dev/video0
// (caméra occupée, ...)"), so the user learns why a camera is unusable.
std::vector<V4l2DeviceEntry> enumerateV4l2Devices(const std::function<V4l2Probe(const QString& path)>& probe);

// Bits per pixel of a native pixel format, 0 when compressed or unknown.
int v4l2BitsPerPixel(uint32_t pixelFormat);

// The format to use after connecting: the current one when it fits the
// buffers, else the largest that fits (640 x 480 first at equal size), an
// uncompressed one before a compressed one. Nothing when none fits.
std::optional<FormatChoice> chooseV4l2Format(const std::vector<FormatChoice>& available,
                                              const FormatChoice& current, int maxWidth, int maxHeight);

// The formats the format dialog offers: those decodable to 24-bit colour
// and no larger than the frame buffers.
std::vector<FormatChoice> offeredV4l2Formats(const std::vector<FormatChoice>& available,
                                             const std::function<bool(uint32_t pixelFormat)>& decodable,
                                             int maxWidth, int maxHeight);

// libv4lconvert decodes this native format to 24-bit colour.
bool v4lconvertDecodes(uint32_t pixelFormat);

// The 8-bit raw sensor mosaics (Bayer) a camera may deliver.
bool isBayer8(uint32_t pixelFormat);

// A raw 8-bit mosaic frame copied undecoded into the top-left corner of
// target: each site's byte in all three colours, so the RAW step finds the
// sample of its site colour. False when the frame is short or too large.
bool copyMosaic(const uint8_t* source, size_t sourceSize, int width, int height, int bytesPerLine,
                QImage& target);

// Native frames to 24-bit colour through libv4lconvert. Built on a device's
// descriptor, or detached (no device) to convert buffers from elsewhere.
class FrameConverter {
public:
    explicit FrameConverter(int fd);
    static FrameConverter detached();
    ~FrameConverter();
    FrameConverter(FrameConverter&& other) noexcept;
    FrameConverter(const FrameConverter&) = delete;
    FrameConverter& operator=(const FrameConverter&) = delete;
    FrameConverter& operator=(FrameConverter&&) = delete;

    bool valid() const { return data_ != nullptr; }
    // Decodes one frame of the given native format into the top-left corner
    // of target (Format_RGB32). False when the frame cannot be decoded.
    bool convert(const uint8_t* source, size_t sourceSize, uint32_t pixelFormat, int width, int height,
                 int bytesPerLine, QImage& target);
    QString lastError() const;

private:
    FrameConverter() = default;
    v4lconvert_data* data_ = nullptr;
    std::vector<uint8_t> bgr_; // grows with the frame size, then stays
};

} // namespace velumbra
